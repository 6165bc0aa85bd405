// The real program on an X server of its own. Logged in to the demo server by
// a script, the screen as the X server shows it must hold exactly the picture
// that the program's own Print Screen capture saves; started hidden, nothing
// but its boxes comes on the screen.

#include "e2e/DemoServerProcess.h"
#include "support/FaultProxy.h"
#include "support/Pixels.h"
#include "support/ScriptedServer.h"
#include "support/TempDir.h"
#include "terminal/Terminal.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRect>
#include <QStandardPaths>
#include <QThread>
#include <gtest/gtest.h>
#include <optional>

namespace lemnar::test {
namespace {

struct TRun {
    bool Ok = false;
    std::string Output;
};

TRun RunTool(const QString& program, const QStringList& args, const QProcessEnvironment& env) {
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(program, args);
    TRun run;
    if (!process.waitForFinished(10000)) {
        process.kill();
        process.waitForFinished(5000);
        return run;
    }
    run.Ok = process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    run.Output = process.readAllStandardOutput().toStdString();
    return run;
}

void Stop(QProcess& process) {
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished(5000);
    }
}

// Xvfb on a free display number, which it reports through -displayfd.
class TXServer {
  public:
    ~TXServer() { Stop(Process); }
    bool Start(const QString& binary, std::string& error) {
        Process.start(binary,
                      {"-displayfd", "1", "-screen", "0", "1024x768x24", "-nolisten", "tcp"});
        QElapsedTimer clock;
        clock.start();
        QByteArray output;
        while (clock.elapsed() < 20000) {
            if (Process.waitForReadyRead(200))
                output += Process.readAllStandardOutput();
            if (output.contains('\n')) {
                Display = ":" + QString::fromLatin1(output.trimmed());
                return true;
            }
            if (Process.state() == QProcess::NotRunning)
                break;
        }
        error = "Xvfb reported no display within 20 s";
        return false;
    }
    QString Display;

  private:
    QProcess Process;
};

// The visible windows whose name matches pattern (a regular expression).
QStringList VisibleWindows(const QString& xdotool, const QString& pattern,
                           const QProcessEnvironment& env) {
    // xdotool ends with status 1 when nothing matches.
    const TRun found = RunTool(xdotool, {"search", "--onlyvisible", "--name", pattern}, env);
    return QString::fromStdString(found.Output).split('\n', Qt::SkipEmptyParts);
}

QImage Rgb32(const QImage& image) {
    return image.convertToFormat(QImage::Format_RGB32);
}

// Where picture lies pixel for pixel in screen, tolerating one cell's worth of
// difference (the cursor bar is on the window only).
std::optional<QPoint> Locate(const QImage& screen, const QImage& picture) {
    constexpr int Step = 7;
    int samples = 0;
    for (int y = 0; y < picture.height(); y += Step)
        for (int x = 0; x < picture.width(); x += Step)
            ++samples;
    for (int top = 0; top + picture.height() <= screen.height(); ++top) {
        for (int left = 0; left + picture.width() <= screen.width(); ++left) {
            int misses = 0;
            for (int y = 0; y < picture.height() && misses <= samples / 50; y += Step)
                for (int x = 0; x < picture.width() && misses <= samples / 50; x += Step)
                    if (PixelAt(screen, left + x, top + y) != PixelAt(picture, x, y))
                        ++misses;
            if (misses <= samples / 50)
                return QPoint(left, top);
        }
    }
    return std::nullopt;
}

// Each test has an X server of its own; without Xvfb and Xdotool the real
// window is not checked.
class XvfbWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        Xvfb = QStandardPaths::findExecutable("Xvfb");
        Xdotool = QStandardPaths::findExecutable("xdotool");
        if (Xvfb.isEmpty() || Xdotool.isEmpty())
            GTEST_SKIP() << "Xvfb or xdotool is not installed (tools/setup-debian.sh installs "
                            "both); the real window is not checked";
        ASSERT_TRUE(X.Start(Xvfb, Error)) << Error;
        Env = QProcessEnvironment::systemEnvironment();
        Env.insert("DISPLAY", X.Display);
        Env.insert("QT_QPA_PLATFORM", "xcb");
    }

    // Starts the program (a copy in the test's directory, so its settings file
    // is written there) on this X server.
    void StartProgram(QProcess& lemnar, const std::filesystem::path& program,
                      const QStringList& args) {
        std::filesystem::copy_file(LEMNAR_PROGRAM, program);
        lemnar.setProcessEnvironment(Env);
        lemnar.setProcessChannelMode(QProcess::ForwardedChannels);
        lemnar.start(QString::fromStdString(program.string()), args);
    }

    QString Xvfb;
    QString Xdotool;
    TXServer X;
    QProcessEnvironment Env; // the program's, on this X server
    std::string Error;
};

TEST_F(XvfbWindowTest, ScreenShowsWhatPrintScreenSaves) {
    TDemoServerProcess server;
    ASSERT_TRUE(server.Start(Error)) << Error;

    TTempDir dir;
    const auto program = dir / "lemnar";
    WriteLoginScript(dir / "login.txt");
    const auto captures = dir / "captures";

    QProcess lemnar;
    StartProgram(lemnar, program,
                 {"B", QString::fromStdString((dir / "login.txt").string()), "h",
                  QString::fromStdString(server.HostArg()), "D",
                  QString::fromStdString(captures.string()), "X", "0", "Y", "0", "W", "640", "H",
                  "400"});
    ASSERT_TRUE(lemnar.waitForStarted(10000));

    // Print Screen until the capture shows the demo's blue menu page: the
    // program saves captures only while connected.
    QImage capture;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 40000 && lemnar.state() == QProcess::Running) {
        QThread::msleep(500);
        const TRun found = RunTool(Xdotool, {"search", "--onlyvisible", "--name", "Lemnar"}, Env);
        if (!found.Ok || found.Output.empty())
            continue;
        const QString window = QString::fromStdString(found.Output).split('\n').first();
        RunTool(Xdotool, {"windowfocus", "--sync", window}, Env);
        RunTool(Xdotool, {"key", "Print"}, Env);
        QThread::msleep(300);
        const QStringList saved =
            QDir(QString::fromStdString(captures.string())).entryList({"RUV_*.bmp"});
        if (saved.isEmpty())
            continue;
        const QString path = QString::fromStdString(captures.string()) + "/" + saved.first();
        capture = Rgb32(QImage(path));
        QFile::remove(path);
        if (!capture.isNull() &&
            CountColor(capture, 0, 0, capture.width(), capture.height(), TextPalette[1]) >
                capture.width() * capture.height() / 2)
            break;
        capture = QImage();
    }
    ASSERT_FALSE(capture.isNull()) << "no capture of the demo menu within 40 s; the program "
                                   << (lemnar.state() == QProcess::Running ? "runs" : "has ended");
    // The client area is snapped to whole cells.
    EXPECT_EQ(capture.width(), 640);
    EXPECT_GT(capture.height(), 360);
    EXPECT_LE(capture.height(), 400);

    const QString shot = QString::fromStdString((dir / "screen.png").string());
    ASSERT_TRUE(RunTool(LEMNAR_SCREEN_GRAB, {shot}, Env).Ok);
    const QImage screen = Rgb32(QImage(shot));
    ASSERT_FALSE(screen.isNull());

    const auto at = Locate(screen, capture);
    ASSERT_TRUE(at.has_value()) << "the captured picture is nowhere on the screen";
    // Exact but for at most one cell.
    QRect differing;
    for (int y = 0; y < capture.height(); ++y)
        for (int x = 0; x < capture.width(); ++x)
            if (PixelAt(screen, at->x() + x, at->y() + y) != PixelAt(capture, x, y))
                differing |= QRect(x, y, 1, 1);
    EXPECT_LE(differing.width(), 16) << "differing area " << differing.x() << "," << differing.y();
    EXPECT_LE(differing.height(), 32) << "differing area " << differing.x() << "," << differing.y();
    // Below the menu bar, at the window's left edge.
    EXPECT_EQ(at->x(), 0);
    EXPECT_GT(at->y(), 0);

    Stop(lemnar);
}

// Started hidden, a connection that fails is reported in a box of its own
// ("Lemnar"); the main window ("Lemnar v. 2.54 ...") is not on the screen
// then, nor after the box is answered, and the program goes on.
TEST_F(XvfbWindowTest, HiddenStartShowsOnlyTheFailureBox) {
    TTempDir dir;
    const auto program = dir / "lemnar";
    const int port = RefusingPort();
    ASSERT_NE(port, 0);
    QProcess lemnar;
    StartProgram(lemnar, program, {"S", "h", QString("127.0.0.1:%1").arg(port)});
    ASSERT_TRUE(lemnar.waitForStarted(10000));

    QStringList boxes;
    QElapsedTimer clock;
    clock.start();
    while (boxes.isEmpty() && clock.elapsed() < 20000 && lemnar.state() == QProcess::Running) {
        QThread::msleep(200);
        boxes = VisibleWindows(Xdotool, "^Lemnar$", Env);
    }
    ASSERT_FALSE(boxes.isEmpty()) << "no box within 20 s";
    QThread::msleep(300);
    EXPECT_TRUE(VisibleWindows(Xdotool, "^Lemnar v", Env).isEmpty()) << "behind the box";

    RunTool(Xdotool, {"windowfocus", "--sync", boxes.first()}, Env);
    RunTool(Xdotool, {"key", "Return"}, Env);
    clock.restart();
    while (!VisibleWindows(Xdotool, "^Lemnar$", Env).isEmpty() && clock.elapsed() < 10000)
        QThread::msleep(200);
    EXPECT_TRUE(VisibleWindows(Xdotool, "^Lemnar$", Env).isEmpty()) << "the box stays";
    QThread::msleep(1000);
    EXPECT_TRUE(VisibleWindows(Xdotool, "^Lemnar v", Env).isEmpty()) << "after the box";
    EXPECT_EQ(lemnar.state(), QProcess::Running);

    Stop(lemnar);
}

// The window's size as the X server has it.
QSize WindowSize(const QString& xdotool, const QString& window, const QProcessEnvironment& env) {
    const TRun run = RunTool(xdotool, {"getwindowgeometry", "--shell", window}, env);
    QSize size;
    for (const QString& line : QString::fromStdString(run.Output).split('\n')) {
        if (line.startsWith("WIDTH="))
            size.setWidth(line.mid(6).toInt());
        if (line.startsWith("HEIGHT="))
            size.setHeight(line.mid(7).toInt());
    }
    return size;
}

// Connecting to a host that never answers, the window is painted at once
// with the wait panel on it; a resize from outside is snapped to whole cells
// and stays there.
TEST_F(XvfbWindowTest, WaitPanelIsPaintedAndAResizeSnapsToWholeCells) {
    TBlackHole hole;
    TTempDir dir;
    QProcess lemnar;
    StartProgram(
        lemnar, dir / "lemnar",
        {"h", QString::fromStdString(hole.HostPort()), "X", "0", "Y", "0", "W", "640", "H", "400"});
    ASSERT_TRUE(lemnar.waitForStarted(10000));
    QStringList windows;
    QElapsedTimer clock;
    clock.start();
    while (windows.isEmpty() && clock.elapsed() < 20000) {
        QThread::msleep(200);
        windows = VisibleWindows(Xdotool, "^Lemnar v", Env);
    }
    ASSERT_FALSE(windows.isEmpty()) << "no window within 20 s";

    // The panel stands in the ordinary control colours on the black area.
    int light = 0;
    clock.restart();
    const QString shot = QString::fromStdString((dir / "screen.png").string());
    while (light < 1000 && clock.elapsed() < 3000) {
        ASSERT_TRUE(RunTool(LEMNAR_SCREEN_GRAB, {shot}, Env).Ok);
        const QImage screen = Rgb32(QImage(shot));
        light = 0;
        for (int y = 40; y < 380; ++y)
            for (int x = 0; x < 640; ++x)
                light += qGray(PixelAt(screen, x, y)) > 180 ? 1 : 0;
    }
    EXPECT_GE(light, 1000) << "the wait panel is not on the screen";

    for (const QSize asked : {QSize(834, 471), QSize(443, 418), QSize(900, 700)}) {
        RunTool(Xdotool,
                {"windowsize", windows.first(), QString::number(asked.width()),
                 QString::number(asked.height())},
                Env);
        QThread::msleep(700);
        const QSize size = WindowSize(Xdotool, windows.first(), Env);
        EXPECT_LE(size.width(), asked.width());
        EXPECT_GT(size.width(), asked.width() - 16) << asked.width();
        EXPECT_LE(size.height(), asked.height());
        EXPECT_GT(size.height(), asked.height() - 30) << asked.height();
    }
    Stop(lemnar);
}

} // namespace
} // namespace lemnar::test
