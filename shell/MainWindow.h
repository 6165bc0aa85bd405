#pragma once
// The main window carries the program: it owns the terminal and its pictures,
// the telnet engine, the timers, the menu, the host prompt and about panels and
// the key maps, and its handlers run start-up, the connection's life and the
// quit procedure.

#include "platform/MainThreadQueue.h"
#include "platform/QtSurface.h"
#include "platform/TerminalView.h"
#include "shell/ScriptFile.h"
#include "shell/core/CommandLine.h"
#include "shell/core/IniFile.h"
#include "shell/core/ShellState.h"
#include "telnet/IdTelnet.h"
#include "terminal/Terminal.h"

#include <QMainWindow>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QFrame;
class QLabel;
class QLineEdit;
class QPoint;
class QMenu;
class QPushButton;
class QScrollBar;
class QTimer;

namespace lemnar {

class THelpForm;

// Which key map is matched against key presses.
enum class TKeyMap { None, Qnx, Ansi };

class TMainWindow : public QMainWindow, public TTerminalHost {
    Q_OBJECT
  public:
    // args: the command line without the program's name. programDir: the
    // executable's directory (empty: unknown, which ends the process).
    TMainWindow(std::vector<std::string> args, std::string programDir, QWidget* parent = nullptr);
    ~TMainWindow() override;

    // TTerminalHost
    int ClientWidth() const override;
    int ClientHeight() const override;
    void SetClientSize(int width, int height) override;
    TFontSpec WindowFont() const override { return Font; }
    void MessageBeep(unsigned type) override;

    // Start-up, resize and repaint.
    void FormShow();
    void FormResize();
    void FormPaint();
    void CenterInWindow(QWidget* control);
    // Writes the settings file. One that cannot be written is reported once a
    // run (in the log when logging is on, else in a box), and the program goes
    // on.
    void SaveSettings();

    // Connection lifecycle.
    int ConnectToHost();
    void SendLogin();
    void ConnClick();
    void HostButtonClick();
    void CancelButtonClick();
    // Enter and Esc while the host prompt is shown, wherever the focus is.
    // true: the prompt took the key.
    bool PromptKeyDown(int virtualKey, unsigned modifiers);
    void DisConnClick();
    void QuitClick();
    void TelnetConnected();
    void TelnetDisconnected();
    void TelnetDataAvailable(const std::string& block);
    void QuitTimerTimer();
    void HideTimerTimer();
    void Timer1Timer();
    void Timer2Timer();
    void BatchTimerTimer();

    // Menus and panels.
    void N1Click();
    void N2Click();
    void N3Click();
    void CloseHelpButtonClick();

    // Keys (the key maps are matched before the key-press path).
    void ActivateKeyMap();
    void SuspendKeyMaps();
    // true: the key was taken by the active key map.
    bool HandleKeyMapKey(int virtualKey, unsigned modifiers);
    void FormKeyDown(int virtualKey, unsigned modifiers);
    void FormKeyUp(int virtualKey, unsigned modifiers);
    void FormKeyPress(std::uint8_t ch);
    void SendEscapeSequence(const char* text);
    void ScreenCapture();

    // The mouse on the terminal area: the selection, copy and paste, the
    // view into the history (MouseHandling.cpp).
    // The selection's text to the clipboard and the primary selection;
    // nothing without a selection.
    void CopySelection();
    // Sends the text as typed (PasteBytes, then SendText) while PasteAllowed;
    // a text of more than PasteQuestionLines lines is sent only after a Yes.
    void PasteText(const QString& text);
    void PasteClipboard();
    void PastePrimary();
    // Connected, and neither the host prompt nor the help window is shown.
    bool PasteAllowed() const;
    // The view moves rows further back into the history (negative: towards
    // the live screen), and the scroll bar with it.
    void ScrollHistory(int rows);
    // The view returns to the live screen: a key press, a paste.
    void ViewLive();
    // The scroll bar follows the view: shown, at the right edge, while the
    // view is in the history.
    void UpdateHistoryBar();
    // Opens the terminal area's menu at a screen position and returns.
    void ShowTerminalMenu(const QPoint& globalPos);
    static constexpr int PasteQuestionLines = 5;
    static constexpr int WheelRows = 3; // per notch of the wheel

    // The terminal and its pictures.
    TFontSpec Font;
    int FontSize = 10; // points
    TQtSurface WindowPicture;
    TQtSurface ScreenBitmapPicture;
    TQtSurface CursorPicture;
    TQtSurface ShownPicture;
    TTerminal Terminal;
    TTerminalView* View = nullptr;
    // The pictures brought up to date: as the window shows them, and as a
    // capture saves them.
    const QImage& WindowImage() {
        Terminal.Renderer.Update();
        return WindowPicture.Image();
    }
    const QImage& ScreenBitmapImage() {
        Terminal.Renderer.Update();
        return ScreenBitmapPicture.Image();
    }

    // The shell's state.
    TShellState ShellState;
    TStartOptions Options;
    std::vector<std::string> Args;
    int Connected = 0;
    TKeyMap ActiveKeyMap = TKeyMap::None;
    TScriptFile ScriptFile;

    // The telnet engine; its events run on this window's thread.
    TQtMainThreadQueue Queue;
    TIdTelnet Telnet;

    // Components.
    QTimer* QuitTimer = nullptr;
    QTimer* HideTimer = nullptr;
    QTimer* Timer1 = nullptr;
    QTimer* BatchTimer = nullptr;
    QTimer* Timer2 = nullptr;
    QMenu* ConnectMenu = nullptr;
    QMenu* HelpMenu = nullptr;
    QAction* Conn = nullptr;
    QAction* DisConn = nullptr;
    QAction* N3 = nullptr;
    QAction* Quit = nullptr;
    QAction* N2 = nullptr;
    QAction* N1 = nullptr;
    QFrame* Panel = nullptr; // the host prompt
    QLabel* HostLabel = nullptr;
    QLineEdit* HostEdit = nullptr;
    QPushButton* CancelButton = nullptr;
    QPushButton* HostButton = nullptr;
    QLabel* WaitText = nullptr;
    QFrame* HelpPanel = nullptr; // the about panel
    QLabel* AboutName = nullptr;
    QPushButton* CloseHelpButton = nullptr;
    THelpForm* HelpForm = nullptr;
    QScrollBar* HistoryBar = nullptr;
    QMenu* TerminalMenu = nullptr; // "Копировать", "Вставить"
    QAction* CopyItem = nullptr;
    QAction* PasteItem = nullptr;

    // Called with the length of every fixed wait of the login script just
    // before it is slept, so the waits can be watched; they stay real.
    std::function<void(int ms)> OnSleep;

    // Runs start-up the first time the window is shown, once the window is
    // on the screen.
    void setVisible(bool visible) override;

    // True once the window has been closed for good.
    bool Closed = false;

  signals:
    // The window has closed for good: the program ends.
    void Finished();

  protected:
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;

  private:
    void CreateMenu();
    void CreateHostPrompt();
    void CreateAboutPanel();
    void CreateTimers();
    void CreateTerminalMouse();
    void WireTelnet();
    bool StartUp(); // false: start-up stopped at an error
    void StartUpError(const std::string& text);
    void ShowHostPrompt(bool withLastHost);
    void SetPromptControlsVisible(bool visible);
    void ShowWaitText();
    int ScriptConnection();
    void ScriptFailure(std::string_view text);
    void Caption(const std::string& text);
    TWindowGeometry CurrentGeometry() const;
    // The settings file to read (see SettingsReadPath); saves go to
    // ShellState.SettingsPath.
    TIniFile Settings() const;
    void CloseFiles();
    void Sleep(int ms);
    void ReleaseHelpForm();
    std::unique_ptr<THelpForm> HelpFormOwner;
    bool Shown = false;
    bool InResize = false;
    bool SettingsFailureReported = false;
};

} // namespace lemnar
