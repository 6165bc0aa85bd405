// Keys: the active key map first, then the keypad codes of the key-down path,
// then the typed character; Print Screen saves the screen on release.

#include "shell/HelpForm.h"
#include "shell/MainWindow.h"

#include "keyboard/CaptureFileName.h"
#include "keyboard/EscapeSequence.h"
#include "keyboard/KeyAction.h"
#include "keyboard/KeyCodePage.h"
#include "keyboard/KeyMap.h"
#include "keyboard/KeyOutput.h"
#include "keyboard/KeypadKeys.h"
#include "platform/KeyTranslation.h"
#include "platform/MessageBox.h"

#include <QApplication>
#include <QFrame>
#include <QKeyEvent>
#include <QLineEdit>
#include <ctime>

namespace lemnar {

namespace {

// Key handlers send through the engine's connection.
class TTelnetKeyOutput final : public TKeyOutput {
  public:
    explicit TTelnetKeyOutput(TIdTelnet& telnet) : Telnet(telnet) {}
    void SendCh(char c) override { Telnet.SendCh(static_cast<std::uint8_t>(c)); }
    void WriteBytes(std::string_view bytes) override { Telnet.WriteBytes(std::string(bytes)); }

  private:
    TIdTelnet& Telnet;
};

} // namespace

void TMainWindow::ActivateKeyMap() {
    if (Terminal.TerminalType == TermQnx)
        ActiveKeyMap = TKeyMap::Qnx;
    else if (Terminal.TerminalType == TermAnsi)
        ActiveKeyMap = TKeyMap::Ansi;
    else
        ActiveKeyMap = TKeyMap::None;
}

void TMainWindow::SuspendKeyMaps() {
    ActiveKeyMap = TKeyMap::None;
}

bool TMainWindow::HandleKeyMapKey(int virtualKey, unsigned modifiers) {
    if (ActiveKeyMap == TKeyMap::None)
        return false;
    const int type = ActiveKeyMap == TKeyMap::Qnx ? TermQnx : TermAnsi;
    const TKeyBinding* binding =
        FindBinding(type, static_cast<TVirtualKey>(virtualKey), static_cast<TModifiers>(modifiers));
    if (binding == nullptr)
        return false;
    if (binding->HidesHelp && HelpForm->isVisible())
        HelpForm->hide();
    TTelnetKeyOutput output(Telnet);
    ExecuteKeyAction(*binding, Connected == 1, output);
    return true;
}

void TMainWindow::FormKeyDown(int virtualKey, unsigned modifiers) {
    if (Connected != 1 || Terminal.TerminalType != TermQnx)
        return;
    const int code =
        KeypadQnxCode(static_cast<TVirtualKey>(virtualKey), static_cast<TModifiers>(modifiers));
    if (code < 0)
        return;
    TTelnetKeyOutput output(Telnet);
    SendQnxCode(output, static_cast<std::uint8_t>(code));
}

void TMainWindow::FormKeyPress(std::uint8_t ch) {
    if (Panel->isVisible() || HelpForm->isVisible())
        return;
    const std::uint8_t sent = TranslateTypedByte(ch);
    if (Connected == 1)
        Telnet.SendCh(sent);
}

void TMainWindow::SendEscapeSequence(const char* text) {
    TTelnetKeyOutput output(Telnet);
    lemnar::SendEscapeSequence(output, text);
}

void TMainWindow::FormKeyUp(int virtualKey, unsigned modifiers) {
    if (Connected == 1 && virtualKey == VkSnapshot && modifiers == 0)
        ScreenCapture();
}

void TMainWindow::ScreenCapture() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    const std::string path = std::string(FieldText(ShellState.SaveDir)) + CaptureFileName(local);
    if (!ScreenBitmapPicture.SaveBmp(path))
        ShowMessageBox(this, "Cannot create file \"" + path + "\".");
}

// Key preview: the window sees every key first, whichever of its controls has
// the focus.
bool TMainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == static_cast<QObject*>(HostEdit) && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        CancelButtonClick();
        return true;
    }
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride &&
        event->type() != QEvent::KeyRelease)
        return QMainWindow::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    const TKeyEventInfo info = TranslateKeyEvent(*key);
    if (event->type() == QEvent::ShortcutOverride) {
        // A key of the active map beats any shortcut and focus handling.
        if (ActiveKeyMap != TKeyMap::None &&
            FindBinding(ActiveKeyMap == TKeyMap::Qnx ? TermQnx : TermAnsi, info.VirtualKey,
                        info.Modifiers) != nullptr) {
            event->accept();
            return true;
        }
        return false;
    }
    if (event->type() == QEvent::KeyRelease) {
        if (!key->isAutoRepeat())
            FormKeyUp(info.VirtualKey, static_cast<unsigned>(info.Modifiers));
        return false;
    }
    if (HandleKeyMapKey(info.VirtualKey, static_cast<unsigned>(info.Modifiers)))
        return true;
    FormKeyDown(info.VirtualKey, static_cast<unsigned>(info.Modifiers));
    if (watched != static_cast<QObject*>(View))
        return false; // controls such as the host input take their characters
    for (char32_t ch : key->text().toUcs4()) {
        const int byte = UnicodeToKeyByte(ch);
        if (byte >= 0)
            FormKeyPress(static_cast<std::uint8_t>(byte));
    }
    return true;
}

void TMainWindow::keyPressEvent(QKeyEvent* event) {
    QMainWindow::keyPressEvent(event);
}
void TMainWindow::keyReleaseEvent(QKeyEvent* event) {
    QMainWindow::keyReleaseEvent(event);
}

} // namespace lemnar
