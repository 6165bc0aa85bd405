// The connection's life: the host prompt, connecting, the automatic login and
// the login script, the engine's connected and disconnected events, the
// Disconnect command and the quit procedure.

#include "shell/HelpForm.h"
#include "shell/MainWindow.h"

#include "keyboard/VirtualKey.h"
#include "platform/MessageBox.h"
#include "shell/core/LogFile.h"
#include "shell/core/Settings.h"

#include <QAction>
#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <chrono>
#include <thread>

namespace lemnar {

namespace {

constexpr std::size_t ScriptPieceChars = 511;

// The hourglass while the window thread is blocked in a connect; it goes
// also when the connect leaves by an exception.
class THourglass {
  public:
    THourglass() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~THourglass() { Release(); }
    THourglass(const THourglass&) = delete;
    THourglass& operator=(const THourglass&) = delete;
    void Release() {
        if (Active)
            QApplication::restoreOverrideCursor();
        Active = false;
    }

  private:
    bool Active = true;
};

// Sends a line's characters and, if asked, a carriage return, only while
// connected. A write that finds the connection just gone counts as not sent:
// the engine reports the end of the connection by itself.
void SendText(TIdTelnet& telnet, std::string_view text, bool withReturn) {
    try {
        for (char c : text) {
            if (!telnet.IsConnected())
                return;
            telnet.SendCh(static_cast<std::uint8_t>(c));
        }
        if (withReturn && telnet.IsConnected())
            telnet.SendCh(13);
    } catch (const EIdConnClosedGracefully&) {
    } catch (const EIdSocketError&) {
    }
}

std::string WaitTextFor(std::string_view host) {
    return "      Подождите...\n  Подключение к узлу\n     " + std::string(host);
}

} // namespace

void TMainWindow::Sleep(int ms) {
    if (OnSleep)
        OnSleep(ms);
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void TMainWindow::WireTelnet() {
    Telnet.OnConnected = [this](TIdTCPClient&) { TelnetConnected(); };
    Telnet.OnDisconnected = [this](TIdTCPClient&) { TelnetDisconnected(); };
    Telnet.OnDataAvailable = [this](std::string block) { TelnetDataAvailable(block); };
}

void TMainWindow::TelnetDataAvailable(const std::string& block) {
    Terminal.TelnetDataAvailable(reinterpret_cast<const std::uint8_t*>(block.data()), block.size());
    // The view stays on its rows while the history grows under the bar.
    if (HistoryBar->isVisible())
        UpdateHistoryBar();
    View->PictureChanged();
}

void TMainWindow::SetPromptControlsVisible(bool visible) {
    // While the prompt is up a click on the terminal area leaves the focus
    // where it is, in the input. The terminal area takes focus again before
    // the input goes, so the focus can pass to it.
    View->setFocusPolicy(visible ? Qt::NoFocus : Qt::StrongFocus);
    HostLabel->setVisible(visible);
    HostEdit->setVisible(visible);
    CancelButton->setVisible(visible);
    HostButton->setVisible(visible);
}

void TMainWindow::ShowHostPrompt(bool withLastHost) {
    SetPromptControlsVisible(true);
    CenterInWindow(Panel);
    Panel->show();
    Panel->raise();
    WaitText->hide();
    HostEdit->setText(withLastHost ? QString::fromStdString(std::string(FieldText(ShellState.Host)))
                                   : QString());
    HostEdit->setFocus();
}

void TMainWindow::ShowWaitText() {
    WaitText->setText(QString::fromStdString(WaitTextFor(FieldText(ShellState.Host))));
    WaitText->adjustSize();
    WaitText->move((Panel->width() - WaitText->width()) / 2,
                   (Panel->height() - WaitText->height()) / 2);
    WaitText->show();
    WaitText->repaint();
}

void TMainWindow::ConnClick() {
    ShellState.ScriptMode = 0;
    ShowHostPrompt(true);
}

void TMainWindow::CancelButtonClick() {
    SetPromptControlsVisible(false);
    Panel->hide();
}

bool TMainWindow::PromptKeyDown(int virtualKey, unsigned modifiers) {
    if (!HostEdit->isVisible() || modifiers != 0)
        return false;
    if (virtualKey == VkEscape) {
        CancelButton->click();
        return true;
    }
    if (virtualKey != VkReturn)
        return false;
    // As in a dialog: Enter presses the button with the focus, else the
    // default one.
    (focusWidget() == CancelButton ? CancelButton : HostButton)->click();
    return true;
}

void TMainWindow::HostButtonClick() {
    SetField(ShellState.Host, HostEdit->text().toStdString());
    Telnet.Host = FieldText(ShellState.Host);
    SetPromptControlsVisible(false);
    ShowWaitText();
    View->repaint();
    const int r = ConnectToHost();
    if (r == -1) {
        WaitText->hide();
        Panel->hide();
        return;
    }
    Panel->hide();
    if (ShellState.LoginKnown == 1)
        SendLogin();
}

int TMainWindow::ConnectToHost() {
    const std::string host(FieldText(ShellState.Host));
    ShellState.StatusCaption = ShellState.BaseCaption + "  Подключение к " + host + "...";
    Caption(ShellState.StatusCaption);
    repaint();
    Telnet.Rows = Terminal.ScreenRows;
    Telnet.Columns = Terminal.ScreenCols;
    if (ShellState.ScriptMode == 1)
        return ScriptConnection();

    if (!Telnet.IsConnected()) {
        CenterInWindow(Panel);
        Panel->show();
        Panel->raise();
        SetPromptControlsVisible(false);
        ShowWaitText();
        THourglass hourglass;
        View->repaint();
        try {
            Telnet.Host = host;
            Telnet.Connect();
        } catch (const EIdTelnetClientConnectError&) {
            hourglass.Release();
            const std::string text = ConnectFailedText(host);
            if (ShellState.QuietMode == 1) {
                WriteLogError(Terminal.LogFile, text);
                QuitTimer->start();
                return 0;
            }
            ShowMessageBox(this, text);
            Panel->hide();
            WaitText->hide();
            SetPromptControlsVisible(false);
            View->repaint();
            if (ShellState.ExitOnDisconnect == 1)
                QuitTimer->start();
            return -1;
        }
        hourglass.Release();
        WaitText->hide();
        Panel->hide();
    }
    View->repaint();
    Panel->hide();
    WaitText->hide();
    SetPromptControlsVisible(false);
    ShellState.StatusCaption = ShellState.BaseCaption + "  Подключено к " + host;
    Caption(ShellState.StatusCaption);
    repaint();
    return 1;
}

void TMainWindow::ScriptFailure(std::string_view text) {
    if (ShellState.QuietMode == 1) {
        WriteLogError(Terminal.LogFile, text);
        QuitTimer->start();
        return;
    }
    ShowMessageBox(this, std::string(text));
}

int TMainWindow::ScriptConnection() {
    if (!ScriptFile.Open(ShellState.ScriptPath)) {
        ScriptFailure(ScriptOpenErrorText);
        return 0;
    }
    ScriptFile.Rewind();
    Sleep(500);
    const auto login = ScriptFile.ReadLine(LoginFieldSize - 1);
    if (!login) {
        ScriptFailure(ScriptNoLoginText);
        return 0;
    }
    SetField(ShellState.Login, WithoutFinalLineFeed(*login));
    const auto password = ScriptFile.ReadLine(PasswordFieldSize - 1);
    if (!password) {
        ScriptFailure(ScriptNoPasswordText);
        return 0;
    }
    SetField(ShellState.Password, WithoutFinalLineFeed(*password));
    Telnet.Host = FieldText(ShellState.Host);
    try {
        Telnet.Connect();
    } catch (const EIdTelnetClientConnectError&) {
        ScriptFailure(ConnectFailedText(FieldText(ShellState.Host)));
        return 0;
    }
    BatchTimer->start();
    return 1;
}

void TMainWindow::SendLogin() {
    const std::string_view login = FieldText(ShellState.Login);
    SendText(Telnet, login, !login.empty());
}

void TMainWindow::Timer1Timer() {
    Timer1->stop();
    if (ShellState.HostKnown == 1 && !Telnet.IsConnected())
        ConnectToHost();
}

void TMainWindow::Timer2Timer() {
    Timer2->stop();
    SendLogin();
}

void TMainWindow::BatchTimerTimer() {
    BatchTimer->stop();
    const std::string_view login = FieldText(ShellState.Login);
    SendText(Telnet, login, !login.empty());
    Sleep(100);
    const std::string_view password = FieldText(ShellState.Password);
    SendText(Telnet, password, !password.empty());
    Sleep(1000);
    // After "shutdown" the rest of the file is still read, but nothing more
    // is sent.
    bool shutDown = false;
    while (auto piece = ScriptFile.ReadLine(ScriptPieceChars)) {
        if (shutDown)
            continue;
        Sleep(200);
        const std::string line = WithoutFinalLineFeed(*piece);
        SendText(Telnet, line, true);
        if (TrimmedLine(line) == "shutdown") {
            Sleep(500);
            Telnet.Disconnect();
            QuitTimer->start();
            shutDown = true;
        }
    }
    ShellState.ScriptMode = 2;
}

void TMainWindow::TelnetConnected() {
    ShellState.StatusCaption = ShellState.BaseCaption + "  Подключение к " +
                               std::string(FieldText(ShellState.Host)) + "...";
    Caption(ShellState.StatusCaption);
    Connected = 1;
    ActivateKeyMap();
    Conn->setEnabled(false);
    DisConn->setEnabled(true);
}

void TMainWindow::TelnetDisconnected() {
    Caption(ShellState.DisconnectedCaption);
    update();
    SuspendKeyMaps();
    Conn->setEnabled(true);
    DisConn->setEnabled(false);
    if (ShellState.ScriptMode == 1 && Connected == 1) {
        RestoreSettingsFields(ShellState, Settings());
        SaveSettings();
        ShellState.ScriptMode = 0;
        SetField(ShellState.Login, "");
        SetField(ShellState.Host, "");
        SetField(ShellState.Password, "");
        SetField(ShellState.SaveDir, "");
    } else {
        SaveSettings();
    }
    if (ShellState.ScriptMode == 2) {
        Connected = 0;
        QuitTimer->start();
    }
    if (ShellState.ScriptMode != 0) {
        Connected = 0;
        SetField(ShellState.Login, "");
        SetField(ShellState.Host, "");
        SetField(ShellState.Password, "");
        SetField(ShellState.SaveDir, "");
    }
    Connected = 0;
    Caption(ShellState.DisconnectedCaption);
    update();
    if (ShellState.ExitOnDisconnect == 1)
        QuitTimer->start();
}

void TMainWindow::DisConnClick() {
    if (Connected != 1)
        return;
    if (ShowMessageBox(this, "Отключиться от сервера ?", TMessageKind::YesNoQuestion) != IdYes)
        return;
    Terminal.ResetAfterDisconnect();
    View->update();
    SuspendKeyMaps();
    Conn->setEnabled(true);
    DisConn->setEnabled(false);
    Telnet.Disconnect();
    Connected = 0;
}

void TMainWindow::QuitClick() {
    QuitTimer->start();
}

void TMainWindow::QuitTimerTimer() {
    ShellState.Quitting = 1;
    QuitTimer->stop();
    if (ShellState.QuietMode != 1 && Connected == 1) {
        if (ShowMessageBox(this, "Закрыть программу ?", TMessageKind::YesNoQuestion) != IdYes)
            return;
        if (ShellState.ScriptMode != 0)
            RestoreSettingsFields(ShellState, Settings());
        SaveSettings();
        Connected = 0;
        SuspendKeyMaps();
        Conn->setEnabled(true);
        DisConn->setEnabled(false);
        Telnet.Disconnect();
    }
    CloseFiles();
    ReleaseHelpForm();
    close();
}

} // namespace lemnar
