#include "platform/MessageBox.h"

#include <QMessageBox>
#include <QPushButton>

namespace lemnar {

namespace {
TMessageBoxHook& Hook() {
    static TMessageBoxHook hook;
    return hook;
}
} // namespace

void SetMessageBoxHook(TMessageBoxHook hook) {
    Hook() = std::move(hook);
}

int ShowMessageBox(QWidget* parent, const std::string& textUtf8, TMessageKind kind) {
    if (Hook())
        return Hook()(textUtf8, kind);
    const QString title = QStringLiteral("Lemnar");
    const QString text = QString::fromStdString(textUtf8);
    if (kind == TMessageKind::YesNoQuestion) {
        QMessageBox box(QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No,
                        parent);
        // The program speaks Russian throughout, its buttons included.
        box.button(QMessageBox::Yes)->setText(QStringLiteral("Да"));
        box.button(QMessageBox::No)->setText(QStringLiteral("Нет"));
        return box.exec() == QMessageBox::Yes ? IdYes : IdNo;
    }
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, parent);
    box.exec();
    return IdOk;
}

} // namespace lemnar
