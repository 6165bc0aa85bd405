// Construction, start-up, the window's size and repaint, and the settings.

#include "shell/MainWindow.h"

#include "platform/AppIcon.h"
#include "platform/MessageBox.h"
#include "shell/HelpForm.h"
#include "shell/core/FilePlaces.h"
#include "shell/core/LogFile.h"
#include "shell/core/Settings.h"
#include "terminal/FontSize.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFrame>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>

namespace lemnar {

namespace {
constexpr char BaseCaptionText[] = "Lemnar v. 2.54";
constexpr int DesignLeft = 198;
constexpr int DesignTop = 107;
} // namespace

TMainWindow::TMainWindow(std::vector<std::string> args, std::string programDir, QWidget* parent)
    : QMainWindow(parent), Terminal(*this, Pictures.Surfaces()), Args(std::move(args)),
      Telnet(Queue), SSH(Queue) {
    setWindowTitle(QString::fromUtf8(BaseCaptionText));
    setWindowIcon(AppIcon());
    QApplication::setWindowIcon(windowIcon());
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowContextHelpButtonHint |
                   Qt::WindowCloseButtonHint);
    View = new TTerminalView(Pictures.Window.Image(), this);
    setCentralWidget(View);
    View->Source = [this]() -> const QImage& { return Pictures.Showing(Terminal.Renderer); };
    View->OnResize = [this] { FormResize(); };
    View->OnExpose = [this] { FormPaint(); };

    HelpFormOwner = std::make_unique<THelpForm>(this);
    HelpForm = HelpFormOwner.get();
    CreateMenu();
    CreateHostPrompt();
    CreateAboutPanel();
    CreateTerminalMouse();
    CreateTimers();
    WireLinks();

    Telnet.Port = 23;
    Telnet.Terminal = std::string("QNX");
    Font.PixelHeight = DefaultFontPixelHeight;
    FontSize = FontPixelsToPoints(Font.PixelHeight);
    move(DesignLeft, DesignTop);
    SetClientSize(640, 480);
    // Both key maps exist from the start, suspended until a connection opens.
    SuspendKeyMaps();

    // A directory too long for ProgramDir would give a settings path that
    // names another file: that counts as not knowing where the program is.
    if (programDir.empty() ||
        !InitShellState(ShellState, programDir, std::string(), BaseCaptionText)) {
        ShowMessageBox(this, "Ошибка при определении имени программы");
        std::exit(0);
    }
    PlaceSettings(ShellState, DirectoryWritable(ShellState.ProgramDir), UserSettingsPath());
}

TMainWindow::~TMainWindow() {
    ++QuestionRun;
    SSH.OnQuestion = nullptr;
    for (TIdConnection* link : Links()) {
        link->OnConnected = nullptr;
        link->OnConnectFailed = nullptr;
        link->OnDisconnected = nullptr;
        link->OnDataAvailable = nullptr;
        link->Disconnect();
    }
    SetHourglass(false);
    CloseFiles();
}

int TMainWindow::ClientWidth() const {
    return View->width();
}
int TMainWindow::ClientHeight() const {
    return View->height();
}

void TMainWindow::SetClientSize(int width, int height) {
    // The window is the client area under the menu bar. The menu bar's
    // height comes from the width asked for, not from the sizes the widgets
    // have now: while the window server still applies an earlier resize they
    // lag behind, and a frame worked out from them would shrink the window a
    // cell at every resize event, down to nothing.
    const int menu = menuBar()->isHidden() ? 0 : menuBar()->heightForWidth(width);
    View->resize(width, height);
    resize(width, height + std::max(menu, 0));
}

void TMainWindow::MessageBeep(unsigned) {
    QApplication::beep();
}

TIniFile TMainWindow::Settings() const {
    return TIniFile(SettingsReadPath(ShellState));
}

TWindowGeometry TMainWindow::CurrentGeometry() const {
    TWindowGeometry g;
    g.Left = x();
    g.Top = y();
    g.Width = ClientWidth();
    g.Height = ClientHeight();
    g.FontSize = FontSize;
    return g;
}

void TMainWindow::Caption(const std::string& text) {
    setWindowTitle(QString::fromStdString(text));
}

// Start-up runs after the show has finished rather than in the show event:
// its boxes run event loops of their own, where HideTimer may fire, and a
// window hidden inside its show event is put on the screen all the same once
// the event returns.
void TMainWindow::setVisible(bool visible) {
    QMainWindow::setVisible(visible);
    if (!visible || Shown)
        return;
    Shown = true;
    FormShow();
}

void TMainWindow::FormShow() {
    StartUp();
    View->update();
}

// A start-up error: shown (the window first, if it was to start hidden), then
// the program ends through the quit procedure.
void TMainWindow::StartUpError(const std::string& text) {
    if (ShellState.StartHidden == 1) {
        HideTimer->stop();
        show();
    }
    ShowMessageBox(this, text);
    QuitTimer->start();
}

bool TMainWindow::StartUp() {
    ShellState.BaseCaption = windowTitle().toStdString();
    ShellState.DisconnectedCaption = ShellState.BaseCaption + " Отключено.";
    AboutName->setText(QString::fromStdString(ShellState.BaseCaption));
    SetField(ShellState.SaveDir, WithSeparator(QDir::currentPath().toStdString()));

    if (auto error = ParseCommandLine(Args, ShellState, Options)) {
        StartUpError(*error);
        return false;
    }
    if (ShellState.StartHidden == 1)
        HideTimer->start();
    Terminal.TerminalType = static_cast<std::uint8_t>(Options.TerminalType);
    // SSH's PTY gets the name in small letters, as a telnet server makes
    // TERM of it.
    Telnet.Terminal = Options.TerminalName;
    SSH.Terminal = Options.TerminalName;

    const TIniFile ini = Settings();
    Terminal.History.SetCapacity(ReadScrollbackSetting(ini, TScrollback::DefaultRows));
    Telnet.KeepAliveIdle = ReadKeepAliveSetting(ini);
    SSH.KeepAliveIdle = Telnet.KeepAliveIdle;
    const TWindowGeometry g = ReadWindowSettings(Options, ini, DesignLeft, DesignTop, FontSize);
    move(g.Left, g.Top);
    FontSize = g.FontSize;
    Font.PixelHeight = FontPointsToPixels(FontSize);
    if (auto error = ReadLogSetting(ShellState, Options, ini)) {
        Terminal.LogEnabled = 0;
        StartUpError(*error);
        return false;
    }
    Terminal.LogEnabled = Options.LogEnabled ? 1 : 0;

    InResize = true;
    SetClientSize(std::max(1, g.Width), std::max(1, g.Height));
    Terminal.UpdateCellMetrics();
    InResize = false;
    Terminal.ResetScreen();
    Telnet.Rows = Terminal.ScreenRows;
    Telnet.Columns = Terminal.ScreenCols;

    if (Terminal.LogEnabled == 1) {
        Terminal.LogFile = OpenLog(ShellState.LogPath);
        if (Terminal.LogFile == nullptr) {
            Terminal.LogEnabled = 0;
            ShowMessageBox(this, std::string(LogOpenErrorText));
            QuitTimer->start();
        }
    }

    ReadLateSettings(ShellState, Options, Terminal.LogEnabled == 1, ini);
    Telnet.Host = FieldText(ShellState.Host);
    N3->setChecked(ShellState.ExitOnDisconnect == 1);

    if (ShellState.ScriptMode == 1 && ShellState.HostKnown == 1) {
        Timer1->start();
        return true;
    }
    if (ShellState.ScriptMode == 1) {
        if (ShellState.QuietMode == 1) {
            LogError(ScriptNoHostLogText);
            QuitTimer->start();
        } else {
            ShowMessageBox(this, "Невозможно запустить сценарий на выполнение.\nНе указан "
                                 "IP-адрес сервера.");
            ShellState.ScriptMode = 0;
        }
        return true;
    }
    // The login goes 500 ms after the connect has ended.
    const auto afterConnect = [this](int) {
        if (ShellState.StartHidden == 1)
            HideTimer->start();
        if (ShellState.LoginKnown == 1)
            Timer2->start();
    };
    if (ShellState.HostKnown == 1) {
        ConnectToHost(afterConnect);
    } else {
        ShowHostPrompt(false);
        afterConnect(0);
    }
    return true;
}

void TMainWindow::FormResize() {
    if (!Shown || InResize)
        return;
    InResize = true;
    Terminal.UpdateCellMetrics();
    InResize = false;
    Link().Rows = Terminal.ScreenRows;
    Link().Columns = Terminal.ScreenCols;
    if (Link().IsConnected()) {
        try {
            Link().Handle_WS();
        } catch (const EIdConnClosedGracefully&) {
            // The connection is going; its end is reported by the engine.
        }
    }
    if (Panel->isVisible())
        CenterInWindow(Panel);
    UpdateHistoryBar();
    View->update();
}

void TMainWindow::FormPaint() {
    if (!Shown)
        return;
    Terminal.FormPaint();
    View->update();
}

void TMainWindow::CenterInWindow(QWidget* control) {
    control->move((ClientWidth() - control->width()) / 2, (ClientHeight() - control->height()) / 2);
}

void TMainWindow::SaveSettings() {
    const bool saved = MakeSettingsDirectory(ShellState) &&
                       lemnar::SaveSettings(ShellState, TIniFile(ShellState.SettingsPath),
                                            Terminal.LogEnabled == 1, CurrentGeometry());
    if (saved || SettingsFailureReported)
        return;
    SettingsFailureReported = true;
    const std::string text = SettingsNotSavedText(FieldText(ShellState.SettingsPath));
    if (Terminal.LogEnabled == 1 && Terminal.LogFile != nullptr)
        LogError(text);
    else
        ShowMessageBox(this, text);
}

void TMainWindow::LogError(std::string_view text) {
    if (!WriteLogError(Terminal.LogFile, text))
        ReportLogNotWritten();
}

void TMainWindow::ReportLogNotWritten() {
    Terminal.LogWriteFailed = false;
    if (LogFailureReported)
        return;
    LogFailureReported = true;
    const std::string text = LogNotWrittenText(FieldText(ShellState.LogPath));
    // The log cannot carry it; in quiet mode there is no box either.
    if (ShellState.QuietMode == 1) {
        std::fprintf(stderr, "%s\n", text.c_str());
        return;
    }
    // From the event loop, not from inside the handler of a received block.
    QTimer::singleShot(0, this, [this, text] { ShowMessageBox(this, text); });
}

void TMainWindow::HideTimerTimer() {
    HideTimer->stop();
    hide();
}

void TMainWindow::CreateTimers() {
    const auto make = [this](int interval, void (TMainWindow::*handler)()) {
        auto* timer = new QTimer(this);
        timer->setInterval(interval);
        timer->setSingleShot(true);
        // A coarse timer may fire up to 5% early; the script's waits are minimums.
        timer->setTimerType(Qt::PreciseTimer);
        connect(timer, &QTimer::timeout, this, handler);
        return timer;
    };
    QuitTimer = make(10, &TMainWindow::QuitTimerTimer);
    HideTimer = make(1, &TMainWindow::HideTimerTimer);
    Timer1 = make(1000, &TMainWindow::Timer1Timer);
    BatchTimer = make(1000, &TMainWindow::BatchTimerTimer);
    Timer2 = make(500, &TMainWindow::Timer2Timer);
    ScriptTimer = make(0, &TMainWindow::ScriptTimerTimer);
    PasteTimer = make(0, &TMainWindow::PasteTimerTimer);
}

bool TMainWindow::event(QEvent* event) {
    // The window is uncovered or activated again: repaint from ScreenBitmap.
    if (event->type() == QEvent::WindowActivate && Shown)
        FormPaint();
    return QMainWindow::event(event);
}

void TMainWindow::closeEvent(QCloseEvent* event) {
    if (ShellState.Quitting == 0) {
        event->ignore();
        QuitTimer->start();
        return;
    }
    // After a "No" to the quit question this ends the program at once,
    // without the quit procedure.
    event->accept();
    if (Closed)
        return;
    Closed = true;
    ReleaseHelpForm();
    emit Finished();
}

void TMainWindow::ReleaseHelpForm() {
    if (HelpForm == nullptr)
        return;
    HelpForm->close();
    HelpForm = nullptr;
    HelpFormOwner.reset();
}

void TMainWindow::CloseFiles() {
    if (Terminal.LogEnabled == 1 && Terminal.LogFile != nullptr) {
        // What stayed in the stream's buffer is written now.
        if (std::fclose(Terminal.LogFile) != 0 && !LogFailureReported) {
            LogFailureReported = true;
            const std::string text = LogNotWrittenText(FieldText(ShellState.LogPath));
            if (ShellState.QuietMode == 1)
                std::fprintf(stderr, "%s\n", text.c_str());
            else
                ShowMessageBox(this, text);
        }
        Terminal.LogFile = nullptr;
    }
    ScriptFile.Close();
}

} // namespace lemnar
