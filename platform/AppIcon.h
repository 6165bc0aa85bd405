#pragma once
// The program's icon: a small terminal screen with a prompt, drawn at any size
// from one list of shapes, which also gives the scalable file installed for
// the desktop.

#include <QIcon>
#include <QPixmap>
#include <string>

namespace lemnar {

QPixmap AppIconPixmap(int size);
QIcon AppIcon();

// The same drawing as an SVG document on a 32 × 32 canvas.
std::string AppIconSvg();

} // namespace lemnar
