// The connection's life: the host prompt, connecting over telnet or SSH, the
// SSH connection's questions, the automatic login and the login script, the
// connection's connected and disconnected events, the Disconnect command and
// the quit procedure.

#include "shell/HelpForm.h"
#include "shell/MainWindow.h"

#include "keyboard/VirtualKey.h"
#include "platform/MessageBox.h"
#include "shell/SSHQuestions.h"
#include "shell/core/LogFile.h"
#include "shell/core/Settings.h"
#include "ssh/IdSSHAddress.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <utility>

namespace lemnar {

namespace {

constexpr std::size_t ScriptPieceChars = 511;

// Sends a line's characters and, if asked, a carriage return, only while
// connected. A write that finds the connection just gone counts as not sent:
// the engine reports the end of the connection by itself.
void SendText(TIdConnection& link, std::string_view text, bool withReturn) {
    if (!link.IsConnected())
        return;
    try {
        for (char c : text)
            link.SendCh(static_cast<std::uint8_t>(c));
        if (withReturn)
            link.SendCh(13);
    } catch (const EIdConnClosedGracefully&) {
    }
}

std::string WaitTextFor(std::string_view host) {
    return "      Подождите...\n  Подключение к узлу\n     " + std::string(host);
}

} // namespace

void TMainWindow::WireLinks() {
    for (TIdConnection* link : Links()) {
        link->OnConnected = [this](TIdConnection&) {
            TelnetConnected();
            ConnectSucceeded();
        };
        link->OnConnectFailed = [this](TIdConnection&, const TIdConnectFailure& failure) {
            TelnetConnectFailed(failure);
        };
        link->OnDisconnected = [this](TIdConnection&) { TelnetDisconnected(); };
        link->OnDataAvailable = [this](std::string block) { TelnetDataAvailable(block); };
    }
    SSH.OnQuestion = [this](TIdSSHClient&, const TIdSSHQuestion& question) {
        SSHQuestion(question);
    };
}

TIdConnection& TMainWindow::ChooseLink() {
    const std::string host(FieldText(ShellState.Host));
    if (IsSSHAddress(host))
        Current = &SSH;
    else
        Current = &Telnet;
    Link().Host = host;
    Link().Rows = Terminal.ScreenRows;
    Link().Columns = Terminal.ScreenCols;
    SSH.Login = FieldText(ShellState.Login);
    SSH.Quiet = ShellState.QuietMode == 1;
    return Link();
}

void TMainWindow::SSHQuestion(const TIdSSHQuestion& question) {
    const unsigned asked = ++QuestionRun;
    TSSHDialog dialog = SSHQuestionDialog(question, FieldText(ShellState.Host));
    // From the event loop, not from inside the handler of the received item;
    // the dialog runs no event loop of its own either.
    QTimer::singleShot(0, this, [this, asked, dialog = std::move(dialog)] {
        if (asked != QuestionRun || !SSH.QuestionOpen())
            return;
        // No hourglass over what the person types.
        SetHourglass(false);
        QuestionDialog = OpenSSHDialog(this, dialog, [this, asked](TIdSSHAnswer answer) {
            if (asked != QuestionRun)
                return;
            QuestionDialog = nullptr;
            if (Attempt == TAttempt::Interactive)
                SetHourglass(true);
            SSH.Answer(std::move(answer));
        });
    });
}

void TMainWindow::CloseSSHQuestion() {
    ++QuestionRun;
    QDialog* dialog = QuestionDialog.data();
    QuestionDialog = nullptr;
    if (dialog == nullptr)
        return;
    // Its answer, if any comes, belongs to an older run and is dropped.
    dialog->reject();
    dialog->deleteLater();
}

void TMainWindow::TelnetDataAvailable(const std::string& block) {
    Terminal.TelnetDataAvailable(reinterpret_cast<const std::uint8_t*>(block.data()), block.size());
    if (Terminal.LogWriteFailed)
        ReportLogNotWritten();
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

void TMainWindow::SetHourglass(bool on) {
    if (on == Hourglass)
        return;
    Hourglass = on;
    if (on)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void TMainWindow::ConnClick() {
    // A connect under way, or a script, gives way to the prompt.
    AbandonConnect(false);
    StopScript();
    ShellState.ScriptMode = 0;
    ShowHostPrompt(true);
}

void TMainWindow::CancelButtonClick() {
    SetPromptControlsVisible(false);
    Panel->hide();
}

bool TMainWindow::PromptKeyDown(int virtualKey, unsigned modifiers) {
    if (modifiers != 0)
        return false;
    // Esc abandons a connect under way, wherever the focus is.
    if (virtualKey == VkEscape && AbandonConnect(true))
        return true;
    if (!HostEdit->isVisible())
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
    SetPromptControlsVisible(false);
    ShowWaitText();
    View->repaint();
    ConnectToHost(
        [this](int r) {
            if (r == -1) {
                WaitText->hide();
                Panel->hide();
                return;
            }
            Panel->hide();
            if (ShellState.LoginKnown == 1)
                SendLogin();
        },
        true);
}

void TMainWindow::ConnectToHost(TConnectDone done, bool fromPrompt) {
    const std::string host(FieldText(ShellState.Host));
    CaptionBefore = windowTitle().toStdString();
    ShellState.StatusCaption = ShellState.BaseCaption + "  Подключение к " + host + "...";
    Caption(ShellState.StatusCaption);
    repaint();
    Attempt = TAttempt::None;
    AttemptDone = std::move(done);
    AttemptFromPrompt = fromPrompt;
    if (ShellState.ScriptMode == 1) {
        ScriptConnection();
        return;
    }
    if (Link().IsConnected()) {
        ConnectedToHost();
        return;
    }
    CenterInWindow(Panel);
    Panel->show();
    Panel->raise();
    SetPromptControlsVisible(false);
    ShowWaitText();
    SetHourglass(true);
    View->repaint();
    Attempt = TAttempt::Interactive;
    try {
        ChooseLink().Connect();
    } catch (...) {
        Attempt = TAttempt::None;
        SetHourglass(false);
        throw;
    }
}

void TMainWindow::FinishAttempt(int result) {
    Attempt = TAttempt::None;
    if (TConnectDone done = std::exchange(AttemptDone, nullptr))
        done(result);
}

void TMainWindow::ConnectedToHost() {
    View->repaint();
    Panel->hide();
    WaitText->hide();
    SetPromptControlsVisible(false);
    ShellState.StatusCaption =
        ShellState.BaseCaption + "  Подключено к " + std::string(FieldText(ShellState.Host));
    Caption(ShellState.StatusCaption);
    repaint();
    FinishAttempt(1);
}

void TMainWindow::ConnectSucceeded() {
    CloseSSHQuestion();
    switch (Attempt) {
    case TAttempt::Interactive:
        SetHourglass(false);
        WaitText->hide();
        Panel->hide();
        ConnectedToHost();
        break;
    case TAttempt::Script:
        BatchTimer->start();
        FinishAttempt(1);
        break;
    case TAttempt::None:
        break;
    }
}

void TMainWindow::TelnetConnectFailed(const TIdConnectFailure& failure) {
    CloseSSHQuestion();
    // A person said no to a question: as Esc, back to where the attempt
    // started, with nothing to report.
    if (failure.Step == TIdConnectStep::Abandoned) {
        AbandonConnect(true);
        return;
    }
    const TAttempt attempt = Attempt;
    const std::string_view host = FieldText(ShellState.Host);
    const std::string text = OverSSH() ? SSHFailureText(failure, host, SSH.HostKey(), SSH.Quiet)
                                       : ConnectFailedText(host);
    if (attempt == TAttempt::Script) {
        ScriptFailure(text);
        FinishAttempt(0);
        return;
    }
    SetHourglass(false);
    if (ShellState.QuietMode == 1) {
        LogError(text);
        QuitTimer->start();
        FinishAttempt(0);
        return;
    }
    Attempt = TAttempt::None;
    ShowMessageBox(this, text);
    Panel->hide();
    WaitText->hide();
    SetPromptControlsVisible(false);
    View->repaint();
    if (ShellState.ExitOnDisconnect == 1)
        QuitTimer->start();
    FinishAttempt(-1);
}

bool TMainWindow::AbandonConnect(bool backToPrompt) {
    if (Attempt == TAttempt::None)
        return false;
    const bool script = Attempt == TAttempt::Script;
    Attempt = TAttempt::None;
    AttemptDone = nullptr;
    if (script) {
        StopScript();
        ShellState.ScriptMode = 0;
    }
    CloseSSHQuestion();
    Link().Disconnect();
    SetHourglass(false);
    WaitText->hide();
    Panel->hide();
    SetPromptControlsVisible(false);
    Caption(CaptionBefore);
    if (backToPrompt && AttemptFromPrompt)
        ShowHostPrompt(true);
    View->update();
    return true;
}

void TMainWindow::ScriptFailure(std::string_view text) {
    if (ShellState.QuietMode == 1) {
        LogError(text);
        QuitTimer->start();
        return;
    }
    ShowMessageBox(this, std::string(text));
}

void TMainWindow::ScriptConnection() {
    if (!ScriptFile.Open(ShellState.ScriptPath)) {
        ScriptFailure(ScriptOpenErrorText);
        FinishAttempt(0);
        return;
    }
    ScriptFile.Rewind();
    Attempt = TAttempt::Script;
    ScriptWaitThen(500, [this] { ScriptConnect(); });
}

void TMainWindow::ScriptConnect() {
    const auto login = ScriptFile.ReadLine(LoginFieldSize - 1);
    if (!login) {
        ScriptFailure(ScriptNoLoginText);
        FinishAttempt(0);
        return;
    }
    const std::string knownLogin(FieldText(ShellState.Login));
    SetField(ShellState.Login, WithoutFinalLineFeed(*login));
    auto password = ScriptFile.ReadLine(PasswordFieldSize - 1);
    if (!password) {
        ScriptFailure(ScriptNoPasswordText);
        FinishAttempt(0);
        return;
    }
    TIdConnection& link = ChooseLink();
    if (!OverSSH()) {
        SetField(ShellState.Password, WithoutFinalLineFeed(*password));
        link.Connect();
        return;
    }
    // Over SSH the script's login is the user (else the one known before),
    // and its password answers the first password prompt; neither is typed,
    // and the password is held only as a secret, dropped once the attempt
    // has its copy.
    if (ShellState.Login[0] == '\0')
        SSH.Login = knownLogin;
    if (!password->empty() && password->back() == '\n')
        password->pop_back();
    SSH.ScriptPassword = TIdSecret::Take(*password);
    try {
        link.Connect();
    } catch (...) {
        SSH.ScriptPassword.Clear();
        throw;
    }
    SSH.ScriptPassword.Clear();
}

void TMainWindow::SendLogin() {
    // Over SSH the user logs in within the protocol: nothing is typed.
    if (OverSSH())
        return;
    const std::string_view login = FieldText(ShellState.Login);
    SendText(Link(), login, !login.empty());
}

void TMainWindow::Timer1Timer() {
    Timer1->stop();
    if (ShellState.HostKnown == 1 && !Link().IsConnected() && Attempt == TAttempt::None)
        ConnectToHost();
}

void TMainWindow::Timer2Timer() {
    Timer2->stop();
    SendLogin();
}

void TMainWindow::ScriptWaitThen(int ms, std::function<void()> next) {
    if (OnScriptWait)
        OnScriptWait(ms);
    ScriptNext = std::move(next);
    ScriptTimer->setInterval(ms);
    // The wait runs from the moment the bytes before it have left, as it
    // would after a send that returned once the socket had taken them.
    if (!Link().IsConnected()) {
        ScriptTimer->start();
        return;
    }
    ScriptWaitingForSent = true;
    Link().AfterSent([this, run = ScriptRun] {
        if (run != ScriptRun || !ScriptWaitingForSent)
            return;
        ScriptWaitingForSent = false;
        ScriptTimer->start();
    });
}

void TMainWindow::ScriptTimerTimer() {
    ScriptTimer->stop();
    if (std::function<void()> next = std::exchange(ScriptNext, nullptr))
        next();
}

void TMainWindow::StopScript() {
    ++ScriptRun;
    ScriptTimer->stop();
    ScriptNext = nullptr;
    ScriptWaitingForSent = false;
    BatchTimer->stop();
}

void TMainWindow::BatchTimerTimer() {
    BatchTimer->stop();
    ScriptShutDown = false;
    // Over SSH the login and the password went within the protocol: the
    // commands follow.
    if (OverSSH()) {
        ScriptNextLine();
        return;
    }
    const std::string_view login = FieldText(ShellState.Login);
    SendText(Link(), login, !login.empty());
    ScriptWaitThen(100, [this] {
        const std::string_view password = FieldText(ShellState.Password);
        SendText(Link(), password, !password.empty());
        ScriptWaitThen(1000, [this] { ScriptNextLine(); });
    });
}

void TMainWindow::ScriptNextLine() {
    auto piece = ScriptFile.ReadLine(ScriptPieceChars);
    // After "shutdown" the rest of the file is still read, but nothing more
    // is sent.
    while (piece && ScriptShutDown)
        piece = ScriptFile.ReadLine(ScriptPieceChars);
    if (!piece) {
        ShellState.ScriptMode = 2;
        return;
    }
    ScriptWaitThen(200, [this, line = WithoutFinalLineFeed(*piece)] {
        SendText(Link(), line, true);
        if (TrimmedLine(line) != "shutdown") {
            ScriptNextLine();
            return;
        }
        ScriptWaitThen(500, [this] {
            Link().Disconnect();
            QuitTimer->start();
            ScriptShutDown = true;
            ScriptNextLine();
        });
    });
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
    PasteTimer->stop();
    // A script waiting for its bytes to leave goes on without them.
    if (std::exchange(ScriptWaitingForSent, false))
        ScriptTimer->start();
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
    Link().Disconnect();
    Connected = 0;
}

void TMainWindow::QuitClick() {
    QuitTimer->start();
}

void TMainWindow::QuitTimerTimer() {
    ShellState.Quitting = 1;
    QuitTimer->stop();
    AbandonConnect(false);
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
        Link().Disconnect();
    }
    StopScript();
    CloseFiles();
    ReleaseHelpForm();
    close();
}

} // namespace lemnar
