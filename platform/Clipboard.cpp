#include "platform/Clipboard.h"

#include "platform/CodePage866.h"
#include "terminal/SelectionText.h"

#include <QClipboard>
#include <QGuiApplication>

namespace lemnar {

namespace {

// The primary selection where the system has none.
QString& OwnPrimary() {
    static QString text;
    return text;
}

} // namespace

QString OemRowsToText(const std::vector<std::string>& rows) {
    QString text;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (i > 0)
            text += QLatin1Char('\n');
        for (const char b : rows[i]) {
            const char32_t ch = OemToUnicode(static_cast<std::uint8_t>(b));
            text += QString::fromUcs4(&ch, 1);
        }
    }
    return text;
}

QString SelectionText(const TTerminal& terminal, const TSelection& selection) {
    return OemRowsToText(SelectedRows(terminal, selection));
}

void CopyToClipboard(const QString& text) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setText(text, QClipboard::Clipboard);
    if (clipboard->supportsSelection())
        clipboard->setText(text, QClipboard::Selection);
    else
        OwnPrimary() = text;
}

QString ClipboardText() {
    return QGuiApplication::clipboard()->text(QClipboard::Clipboard);
}

QString PrimarySelectionText() {
    QClipboard* clipboard = QGuiApplication::clipboard();
    return clipboard->supportsSelection() ? clipboard->text(QClipboard::Selection) : OwnPrimary();
}

} // namespace lemnar
