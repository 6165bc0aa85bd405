#pragma once
// The main window carries the program: it owns the terminal and its pictures,
// the telnet and SSH connections, the timers, the menu, the host prompt and
// about panels and the key maps, and its handlers run start-up, the
// connection's life and the quit procedure.

#include "platform/MainThreadQueue.h"
#include "platform/Pictures.h"
#include "platform/TerminalView.h"
#include "shell/ScriptFile.h"
#include "shell/core/CommandLine.h"
#include "shell/core/IniFile.h"
#include "shell/core/ShellState.h"
#include "ssh/IdSSHClient.h"
#include "telnet/IdTelnet.h"
#include "terminal/Terminal.h"

#include <QMainWindow>
#include <QPointer>
#include <array>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QDialog;
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
    // An error line in the log (quiet mode).
    void LogError(std::string_view text);
    // The first failed write to the log, once a run: in a box, or in quiet
    // mode, where the log cannot carry it, on standard error. The session
    // goes on and later writes are still tried.
    void ReportLogNotWritten();

    // Connection lifecycle. Connecting never waits on the network: the
    // attempt runs on the connection's thread and ends in ConnectSucceeded
    // or TelnetConnectFailed, which call done with ConnectToHost's result:
    // 1 connected (or already), 0 failed in script or quiet mode, -1 failed
    // and the prompt was taken down. An abandoned attempt calls nothing.
    using TConnectDone = std::function<void(int result)>;
    void ConnectToHost(TConnectDone done = {}, bool fromPrompt = false);
    // Abandons the attempt under way (Esc, the close box, "Выход"); with
    // backToPrompt an attempt started from the prompt shows it again.
    // true: one was under way.
    bool AbandonConnect(bool backToPrompt);
    bool Connecting() const { return Attempt != TAttempt::None; }
    // The connection the shell talks to: SSH for an ssh:// address, else
    // telnet. It changes only when an attempt starts.
    TIdConnection& Link() { return *Current; }
    bool OverSSH() const { return Current == &SSH; }
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
    void TelnetConnectFailed(const TIdConnectFailure& failure);
    // A question of the SSH connection: a dialog over the terminal, opened
    // from the event loop; the answer goes back when it is given.
    void SSHQuestion(const TIdSSHQuestion& question);
    void TelnetDisconnected();
    void TelnetDataAvailable(const std::string& block);
    void QuitTimerTimer();
    void HideTimerTimer();
    void Timer1Timer();
    void Timer2Timer();
    void BatchTimerTimer();
    // The login script's waits, one timer each, measured from the moment
    // what came before has left.
    void ScriptTimerTimer();

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
    // Drops what a paste has not yet sent; the write under way finishes.
    void StopPaste();
    // Shows how far a paste has got in the caption while it lasts.
    void PasteTimerTimer();
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
    TPictures Pictures;
    TTerminal Terminal;
    TTerminalView* View = nullptr;
    // The pictures brought up to date: as the window shows them, and as a
    // capture saves them.
    const QImage& WindowImage() { return Pictures.Look(Terminal.Renderer, TPicture::Window); }
    const QImage& ScreenBitmapImage() {
        return Pictures.Look(Terminal.Renderer, TPicture::ScreenBitmap);
    }

    // The shell's state.
    TShellState ShellState;
    TStartOptions Options;
    std::vector<std::string> Args;
    int Connected = 0;
    TKeyMap ActiveKeyMap = TKeyMap::None;
    TScriptFile ScriptFile;

    // The connections; their events run on this window's thread, and both
    // feed the same road (TelnetDataAvailable, the log, the dispatcher).
    TQtMainThreadQueue Queue;
    TIdTelnet Telnet;
    TIdSSHClient SSH;

    // Components.
    QTimer* QuitTimer = nullptr;
    QTimer* HideTimer = nullptr;
    QTimer* Timer1 = nullptr;     // 1 s: the connect at start-up of a login script run
    QTimer* BatchTimer = nullptr; // 1 s: the login script's first line after the connect
    QTimer* Timer2 = nullptr;     // 500 ms: the login (no script) after the connect
    QTimer* ScriptTimer = nullptr;
    QTimer* PasteTimer = nullptr;
    QMenu* ConnectMenu = nullptr;
    QMenu* HelpMenu = nullptr;
    QAction* Conn = nullptr;
    QAction* DisConn = nullptr;
    QAction* N3 = nullptr; // "Выход при отключении", checkable
    QAction* Quit = nullptr;
    QAction* N2 = nullptr;   // "Справка": the help window
    QAction* N1 = nullptr;   // "О программе": the about box
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
    QAction* StopPasteItem = nullptr; // "Остановить вставку"

    // Called with the length of every fixed wait of the login script as it
    // begins, so the waits can be watched; they stay real.
    std::function<void(int ms)> OnScriptWait;

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
    void WireLinks();
    std::array<TIdConnection*, 2> Links() { return {&Telnet, &SSH}; }
    // Makes the connection for ShellState.Host the one in use and gives it
    // the address, the grid and, for SSH, the login and quiet mode.
    TIdConnection& ChooseLink();
    bool StartUp(); // false: start-up stopped at an error
    void StartUpError(const std::string& text);
    void ShowHostPrompt(bool withLastHost);
    void SetPromptControlsVisible(bool visible);
    void ShowWaitText();
    void SetHourglass(bool on);
    void ConnectSucceeded();
    // Closes the question's dialog, if one is open, without answering it.
    void CloseSSHQuestion();
    void ConnectedToHost();
    void FinishAttempt(int result);
    void ScriptConnection();
    void ScriptConnect();
    void ScriptFailure(std::string_view text);
    void ScriptWaitThen(int ms, std::function<void()> next);
    void ScriptNextLine();
    void StopScript();
    void Caption(const std::string& text);
    TWindowGeometry CurrentGeometry() const;
    // The settings file to read (see SettingsReadPath); saves go to
    // ShellState.SettingsPath.
    TIniFile Settings() const;
    void CloseFiles();
    void ReleaseHelpForm();
    std::unique_ptr<THelpForm> HelpFormOwner;
    bool Shown = false;
    bool InResize = false;
    bool Hourglass = false;

    // The attempt under way and what follows it.
    enum class TAttempt { None, Interactive, Script };
    TAttempt Attempt = TAttempt::None;
    TConnectDone AttemptDone;
    bool AttemptFromPrompt = false;
    std::string CaptionBefore; // restored when an attempt is abandoned
    TIdConnection* Current = &Telnet;

    // The SSH question being asked; an answer to an older one is dropped.
    QPointer<QDialog> QuestionDialog;
    unsigned QuestionRun = 0;

    // The login script as it is sent.
    std::function<void()> ScriptNext;
    bool ScriptWaitingForSent = false;
    bool ScriptShutDown = false;
    unsigned ScriptRun = 0; // a stopped script's markers are ignored
    bool SettingsFailureReported = false;
    bool LogFailureReported = false;
};

} // namespace lemnar
