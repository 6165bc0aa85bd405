// Keys: the active key map first, then the keypad codes of the key-down path,
// then the typed character; Print Screen saves the screen on release.
//
// The two maps are QAction objects, one per binding, named as the binding and
// grouped as "Keyz_QNX" and "Keyz_ANSI"; Qt's shortcut matching finds them
// before any widget sees the key, so Tab, F10 and Alt+letters never reach
// focus handling or the menu bar. An application-wide filter previews the
// keys of the main window for the key-down, key-press and key-up paths,
// keeps focused controls from claiming a bound key, and gives Enter and Esc
// to the host prompt while it is shown.

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

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QFrame>
#include <QKeyEvent>
#include <QLineEdit>
#include <algorithm>
#include <ctime>
#include <iterator>

namespace lemnar {

namespace {

constexpr char QnxGroupName[] = "Keyz_QNX";
constexpr char AnsiGroupName[] = "Keyz_ANSI";
constexpr char PreviewName[] = "KeyPreview";

// Key handlers send through the connection in use, telnet or SSH.
class TLinkKeyOutput final : public TKeyOutput {
  public:
    explicit TLinkKeyOutput(TIdConnection& link) : Link(link) {}
    void SendCh(char c) override { Link.SendCh(static_cast<std::uint8_t>(c)); }
    void WriteBytes(std::string_view bytes) override { Link.WriteBytes(std::string(bytes)); }

  private:
    TIdConnection& Link;
};

// A binding's action: Esc hides the help window first, then the bytes go out
// while connected.
void RunKeyBinding(TMainWindow& window, const TKeyBinding& binding) {
    window.ViewLive();
    if (binding.HidesHelp && window.HelpForm != nullptr && window.HelpForm->isVisible())
        window.HelpForm->close(); // closing, not hiding, gives the main window its input back
    TLinkKeyOutput output(window.Link());
    ExecuteKeyAction(binding, window.Connected == 1, output);
}

int TerminalTypeOf(TKeyMap map) {
    return map == TKeyMap::Qnx ? TermQnx : TermAnsi;
}

// Keys that only change what other keys do.
bool ModifierAlone(int key) {
    constexpr int Modifiers[] = {
        Qt::Key_Shift,   Qt::Key_Control, Qt::Key_Alt,      Qt::Key_AltGr,   Qt::Key_Meta,
        Qt::Key_Super_L, Qt::Key_Super_R, Qt::Key_CapsLock, Qt::Key_NumLock, Qt::Key_ScrollLock};
    return std::find(std::begin(Modifiers), std::end(Modifiers), key) != std::end(Modifiers);
}

const TKeyBinding* ActiveBinding(const TMainWindow& window, const TKeyEventInfo& info) {
    if (window.ActiveKeyMap == TKeyMap::None)
        return nullptr;
    return FindBinding(TerminalTypeOf(window.ActiveKeyMap), info.VirtualKey, info.Modifiers);
}

// The main window's key preview, installed on the application so that it sees
// the keys of every control of the main window and of the help window.
class TKeyPreview final : public QObject {
  public:
    explicit TKeyPreview(TMainWindow& window) : QObject(&window), Window(window) {
        setObjectName(QString::fromLatin1(PreviewName));
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        const QEvent::Type type = event->type();
        if (type != QEvent::ShortcutOverride && type != QEvent::KeyPress &&
            type != QEvent::KeyRelease)
            return false;
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget == nullptr)
            return false;
        QWidget* top = widget->window();
        const bool inMain = top == &Window;
        const bool inHelp = Window.HelpForm != nullptr && top == Window.HelpForm;
        if (!inMain && !inHelp)
            return false;
        auto* key = static_cast<QKeyEvent*>(event);
        const TKeyEventInfo info = TranslateKeyEvent(*key);
        if (type == QEvent::ShortcutOverride)
            return Override(*key, info);
        if (!inMain || !FirstReceiver(widget))
            return false;
        const auto modifiers = static_cast<unsigned>(info.Modifiers);
        if (type == QEvent::KeyRelease) {
            if (!key->isAutoRepeat())
                Window.FormKeyUp(info.VirtualKey, modifiers);
            return widget == Window.View;
        }
        // A key brings back the live screen; a modifier pressed alone
        // leaves the view in the history.
        if (!ModifierAlone(key->key()))
            Window.ViewLive();
        // A bound key that the shortcut did not take (its window was not the
        // active one) is still the map's.
        if (Window.HandleKeyMapKey(info.VirtualKey, modifiers) ||
            Window.PromptKeyDown(info.VirtualKey, modifiers)) {
            event->accept();
            return true;
        }
        Window.FormKeyDown(info.VirtualKey, modifiers);
        for (char32_t ch : TypedCharacters(*key))
            Window.FormKeyPress(UnicodeToKeyByte(ch));
        // The terminal area takes the key; another control (the host input)
        // gets it as well.
        if (widget != Window.View)
            return false;
        event->accept();
        return true;
    }

  private:
    // While a map is active, whether its shortcut gets the key is decided by
    // the map alone: a bound key is refused to the control that would claim
    // it (a line edit claims Home, Left, Backspace), and any other key is
    // delivered as a key press, so that Qt's looser matching (keypad keys as
    // their main-keyboard twins, extra Shift) never triggers a binding:
    // Ctrl+keypad - must reach the key-down path, not Ctrl+- of the map.
    bool Override(QKeyEvent& key, const TKeyEventInfo& info) {
        if (Window.ActiveKeyMap == TKeyMap::None || info.VirtualKey == VkNone)
            return false;
        if (ActiveBinding(Window, info) != nullptr)
            key.ignore();
        else
            key.accept();
        return true;
    }

    // A key press that a control ignores travels on to its parents; only its
    // first receiver, the control with the focus, counts.
    bool FirstReceiver(const QWidget* widget) const {
        const QWidget* focus = Window.focusWidget();
        return focus != nullptr ? widget == focus : widget == &Window;
    }

    TMainWindow& Window;
};

// The action groups and the preview are made once, when the window suspends
// its maps at construction; both groups stay disabled until a connection.
void EnsureKeyMaps(TMainWindow& window) {
    if (window.findChild<QObject*>(QString::fromLatin1(PreviewName), Qt::FindDirectChildrenOnly) !=
        nullptr)
        return;
    for (const int type : {TermQnx, TermAnsi}) {
        auto* group = new QActionGroup(&window);
        group->setObjectName(QString::fromLatin1(type == TermQnx ? QnxGroupName : AnsiGroupName));
        group->setExclusionPolicy(QActionGroup::ExclusionPolicy::None);
        for (const TKeyBinding& binding : KeyMapFor(type)) {
            auto* action = new QAction(&window);
            action->setObjectName(QString::fromLatin1(binding.Name.data(),
                                                      static_cast<qsizetype>(binding.Name.size())));
            action->setShortcuts(ShortcutKeys(binding.Shortcut));
            // Matched while the main window or the help window is active.
            action->setShortcutContext(Qt::WindowShortcut);
            group->addAction(action);
            window.addAction(action);
            if (window.HelpForm != nullptr)
                window.HelpForm->addAction(action);
            const TKeyBinding* bound = &binding;
            QObject::connect(action, &QAction::triggered, &window,
                             [&window, bound] { RunKeyBinding(window, *bound); });
        }
        group->setEnabled(false);
    }
    qApp->installEventFilter(new TKeyPreview(window));
}

QActionGroup* KeyMapGroup(TMainWindow& window, const char* name) {
    return window.findChild<QActionGroup*>(QString::fromLatin1(name), Qt::FindDirectChildrenOnly);
}

} // namespace

void TMainWindow::ActivateKeyMap() {
    EnsureKeyMaps(*this);
    if (Terminal.TerminalType == TermQnx)
        ActiveKeyMap = TKeyMap::Qnx;
    else if (Terminal.TerminalType == TermAnsi)
        ActiveKeyMap = TKeyMap::Ansi;
    else
        ActiveKeyMap = TKeyMap::None;
    KeyMapGroup(*this, QnxGroupName)->setEnabled(ActiveKeyMap == TKeyMap::Qnx);
    KeyMapGroup(*this, AnsiGroupName)->setEnabled(ActiveKeyMap == TKeyMap::Ansi);
}

void TMainWindow::SuspendKeyMaps() {
    EnsureKeyMaps(*this);
    ActiveKeyMap = TKeyMap::None;
    KeyMapGroup(*this, QnxGroupName)->setEnabled(false);
    KeyMapGroup(*this, AnsiGroupName)->setEnabled(false);
}

bool TMainWindow::HandleKeyMapKey(int virtualKey, unsigned modifiers) {
    const TKeyBinding* binding = ActiveBinding(
        *this, {static_cast<TVirtualKey>(virtualKey), static_cast<TModifiers>(modifiers)});
    if (binding == nullptr)
        return false;
    RunKeyBinding(*this, *binding);
    return true;
}

void TMainWindow::FormKeyDown(int virtualKey, unsigned modifiers) {
    if (Connected != 1 || Terminal.TerminalType != TermQnx)
        return;
    const int code =
        KeypadQnxCode(static_cast<TVirtualKey>(virtualKey), static_cast<TModifiers>(modifiers));
    if (code < 0)
        return;
    TLinkKeyOutput output(Link());
    SendQnxCode(output, static_cast<std::uint8_t>(code));
}

void TMainWindow::FormKeyPress(std::uint8_t ch) {
    if (Panel->isVisible() || (HelpForm != nullptr && HelpForm->isVisible()))
        return;
    const std::uint8_t sent = TranslateTypedByte(ch);
    if (Connected == 1)
        Link().SendCh(sent);
}

void TMainWindow::SendEscapeSequence(const char* text) {
    TLinkKeyOutput output(Link());
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
    // A capture that cannot be written is reported; the connection goes on.
    if (!Terminal.Renderer.Look(TPicture::ScreenBitmap).SaveBmp(path))
        ShowMessageBox(this, "Cannot create file \"" + path + "\".");
}

} // namespace lemnar
