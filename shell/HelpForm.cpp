#include "shell/HelpForm.h"

#include "keyboard/Cp1251.h"

#include <QCloseEvent>
#include <QFile>
#include <QKeyEvent>
#include <QPalette>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollBar>
#include <QStringDecoder>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

namespace lemnar {

THelpForm::THelpForm(QWidget* mainWindow) : QWidget(nullptr, Qt::Window), MainWindow(mainWindow) {
    setWindowTitle(QStringLiteral("Справка"));
    // The design size, until the first text gives the window its own.
    resize(601, 546);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    HelpText = new QPlainTextEdit(this);
    HelpText->setLineWrapMode(QPlainTextEdit::NoWrap);
    HelpText->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    HelpText->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // "Terminal" is the face the help was designed for; any fixed-pitch face
    // with Cyrillic letters does.
    QFont font(QStringLiteral("Terminal"));
    font.setPixelSize(12);
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    if (!QFontInfo(font).fixedPitch())
        font.setFamily(QStringLiteral("DejaVu Sans Mono"));
    HelpText->setFont(font);
    QPalette palette = HelpText->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Window));
    HelpText->setPalette(palette);
    // Esc anywhere in the window closes it, so the text box's keys are seen
    // first.
    HelpText->installEventFilter(this);
    layout->addWidget(HelpText);
}

bool THelpForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        close();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

bool THelpForm::LoadFile(const std::string& path) {
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.readAll();
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(bytes);
    if (utf8.hasError())
        text = QString::fromStdString(Cp1251ToUtf8(
            std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size()))));
    text.remove(QChar('\r'));
    SetText(text);
    return true;
}

void THelpForm::SetText(const QString& text) {
    HelpText->setPlainText(text);
    FitToText();
}

// Every line whole and none cut, beside the scroll bars that the text box
// always shows, as far as the screen allows; a window that would then stick
// out of the screen is moved onto it.
void THelpForm::FitToText() {
    const QFontMetrics metrics(HelpText->font());
    const QStringList lines = HelpText->toPlainText().split(QChar('\n'));
    int textWidth = 0;
    for (const QString& line : lines)
        textWidth = std::max(textWidth, metrics.horizontalAdvance(line));
    // Room for the text cursor after the longest line.
    textWidth += metrics.averageCharWidth();
    const int margins = static_cast<int>(std::ceil(2 * HelpText->document()->documentMargin())) +
                        2 * HelpText->frameWidth();
    // The text box counts a line as shown only with a pixel to spare below it.
    QSize wanted(textWidth + margins + HelpText->verticalScrollBar()->sizeHint().width(),
                 static_cast<int>(lines.size()) * metrics.lineSpacing() + margins + 1 +
                     HelpText->horizontalScrollBar()->sizeHint().height());

    const QRect area = screen()->availableGeometry();
    const QSize frame = frameGeometry().size() - size();
    wanted = wanted.boundedTo(area.size() - frame);
    resize(wanted);
    if (!testAttribute(Qt::WA_Moved))
        return; // never placed yet: the window manager places it
    QRect placed(frameGeometry().topLeft(), wanted + frame);
    if (placed.right() > area.right())
        placed.moveRight(area.right());
    if (placed.bottom() > area.bottom())
        placed.moveBottom(area.bottom());
    move(std::max(placed.left(), area.left()), std::max(placed.top(), area.top()));
}

QString THelpForm::Text() const {
    return HelpText->toPlainText();
}

void THelpForm::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void THelpForm::closeEvent(QCloseEvent* event) {
    EnableMainWindow();
    QWidget::closeEvent(event);
}

void THelpForm::changeEvent(QEvent* event) {
    // Another window took the focus: the terminal takes input again, while
    // the help stays open.
    if (event->type() == QEvent::ActivationChange && !isActiveWindow())
        EnableMainWindow();
    QWidget::changeEvent(event);
}

void THelpForm::EnableMainWindow() {
    if (MainWindow != nullptr)
        MainWindow->setEnabled(true);
}

} // namespace lemnar
