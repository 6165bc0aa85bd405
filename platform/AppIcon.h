#pragma once
// The program's icon: a small terminal screen with a prompt, drawn at any size.

#include <QIcon>
#include <QPixmap>

namespace lemnar {

QPixmap AppIconPixmap(int size);
QIcon AppIcon();

} // namespace lemnar
