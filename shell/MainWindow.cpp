// Construction, start-up, the window's size and repaint, and the settings.

#include "shell/MainWindow.h"

#include "platform/AppIcon.h"
#include "platform/MessageBox.h"
#include "shell/HelpForm.h"
#include "shell/core/LogFile.h"
#include "shell/core/Settings.h"
#include "terminal/FontSize.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFrame>
#include <QLabel>
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
    : QMainWindow(parent), Terminal(*this, WindowPicture, ScreenBitmapPicture, CursorPicture),
      Args(std::move(args)), Telnet(Queue) {
    setWindowTitle(QString::fromUtf8(BaseCaptionText));
    setWindowIcon(AppIcon());
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowContextHelpButtonHint |
                   Qt::WindowCloseButtonHint);
    View = new TTerminalView(WindowPicture.Image(), this);
    setCentralWidget(View);
    View->OnResize = [this] { FormResize(); };
    View->OnExpose = [this] { FormPaint(); };
    View->installEventFilter(this);

    HelpForm = new THelpForm(this);
    CreateMenu();
    CreateHostPrompt();
    CreateAboutPanel();
    CreateTimers();
    WireTelnet();

    Telnet.Port = 23;
    Telnet.Terminal = std::string("QNX");
    Font.PixelHeight = DefaultFontPixelHeight;
    FontSize = FontPixelsToPoints(Font.PixelHeight);
    move(DesignLeft, DesignTop);
    SetClientSize(640, 480);

    if (programDir.empty()) {
        ShowMessageBox(this, "Ошибка при определении имени программы");
        std::exit(0);
    }
    ProgramPath = WithSeparator(programDir);
    const QString cwd = QDir::currentPath();
    InitShellState(ShellState, ProgramPath, cwd.toStdString(), BaseCaptionText);
}

TMainWindow::~TMainWindow() {
    Telnet.OnDisconnected = nullptr;
    Telnet.OnDataAvailable = nullptr;
    Telnet.Disconnect();
    CloseFiles();
}

int TMainWindow::ClientWidth() const {
    return View->width();
}
int TMainWindow::ClientHeight() const {
    return View->height();
}

void TMainWindow::SetClientSize(int width, int height) {
    const QSize frame = size() - View->size();
    View->resize(width, height);
    resize(width + frame.width(), height + frame.height());
}

void TMainWindow::MessageBeep(unsigned) {
    QApplication::beep();
}

TIniFile TMainWindow::Settings() const {
    return TIniFile(ShellState.SettingsPath);
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

void TMainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (Shown)
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

    if (auto error = ParseCommandLine(Args, ShellState, Options)) {
        StartUpError(*error);
        return false;
    }
    if (ShellState.StartHidden == 1)
        HideTimer->start();
    if (ShellState.ExitOnDisconnect == 1)
        N3->setChecked(true);
    Terminal.TerminalType = static_cast<std::uint8_t>(Options.TerminalType);
    Telnet.Terminal = Options.TerminalName;
    if (Options.HostGiven)
        Telnet.Host = FieldText(ShellState.Host);

    const TIniFile ini = Settings();
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
            WriteLogError(Terminal.LogFile, ScriptNoHostLogText);
            QuitTimer->start();
        } else {
            ShowMessageBox(this, "Невозможно запустить сценарий на выполнение.\nНе указан "
                                 "IP-адрес сервера.");
            ShellState.ScriptMode = 0;
        }
        return true;
    }
    if (ShellState.HostKnown == 1)
        ConnectToHost();
    else
        ShowHostPrompt(false);
    if (ShellState.StartHidden == 1)
        HideTimer->start();
    if (ShellState.LoginKnown == 1)
        Timer2->start();
    return true;
}

void TMainWindow::FormResize() {
    if (!Shown || InResize)
        return;
    InResize = true;
    Terminal.UpdateCellMetrics();
    InResize = false;
    Telnet.Rows = Terminal.ScreenRows;
    Telnet.Columns = Terminal.ScreenCols;
    if (Telnet.IsConnected()) {
        try {
            Telnet.Handle_WS();
        } catch (const std::exception&) {
            // The connection is going; its end is reported by the engine.
        }
    }
    if (Panel->isVisible())
        CenterInWindow(Panel);
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
    lemnar::SaveSettings(ShellState, Settings(), Terminal.LogEnabled == 1, CurrentGeometry());
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
        connect(timer, &QTimer::timeout, this, handler);
        return timer;
    };
    QuitTimer = make(10, &TMainWindow::QuitTimerTimer);
    HideTimer = make(1, &TMainWindow::HideTimerTimer);
    Timer1 = make(1000, &TMainWindow::Timer1Timer);
    BatchTimer = make(1000, &TMainWindow::BatchTimerTimer);
    Timer2 = make(500, &TMainWindow::Timer2Timer);
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
    Closed = true;
    event->accept();
}

void TMainWindow::CloseFiles() {
    if (Terminal.LogEnabled == 1 && Terminal.LogFile != nullptr) {
        std::fclose(Terminal.LogFile);
        Terminal.LogFile = nullptr;
    }
    ScriptFile.Close();
}

} // namespace lemnar
