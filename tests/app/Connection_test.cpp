// The connection's life in the real main window against a loopback peer: the
// host prompt, connecting, the captions and menus, the peer's close, the
// Disconnect command and the quit procedure.

#include "app/AppFixture.h"
#include "support/FaultProxy.h"
#include "support/ScriptedServer.h"
#include "support/StreamPeer.h"

#include "shell/core/IniFile.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace lemnar::test {
namespace {

using TConnectionTest = TAppTest;

const std::string Base = "Lemnar v. 2.54";
const std::string IacDoNaws = "\xff\xfd\x1f";

std::string ConnectFailed(const std::string& host) {
    return "Удалённый сервер " + host + " не отвечает. Проверьте правильность адреса";
}

// Connects through the host prompt, as Enter in the input does, and waits
// until the attempt has ended.
void ConnectFromPrompt(TMainWindow& window, const std::string& host) {
    window.HostEdit->setText(QString::fromStdString(host));
    window.HostButtonClick();
    WaitUntil([&] { return !window.Connecting(); });
}

TEST_F(TConnectionTest, PromptConnectsAndTheEngineReportsTheGrid) {
    TScriptedServer server(OwnThread, IacDoNaws);
    Start({});
    ASSERT_TRUE(Window->Panel->isVisible());
    ConnectFromPrompt(*Window, server.HostPort());

    EXPECT_EQ(Caption(), Base + "  Подключено к " + server.HostPort());
    EXPECT_EQ(Window->Connected, 1);
    EXPECT_FALSE(Window->Conn->isEnabled());
    EXPECT_TRUE(Window->DisConn->isEnabled());
    EXPECT_FALSE(Window->Panel->isVisible());
    EXPECT_FALSE(Window->WaitText->isVisible());
    EXPECT_EQ(Window->ActiveKeyMap, TKeyMap::Qnx);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(Boxes.empty());

    // The answer to DO NAWS carries the grid in use.
    const int cols = Window->Terminal.ScreenCols;
    const int rows = Window->Terminal.ScreenRows;
    const std::string report = std::string("\xff\xfb\x1f\xff\xfa\x1f", 6) + '\0' +
                               static_cast<char>(cols) + '\0' + static_cast<char>(rows) +
                               "\xff\xf0";
    EXPECT_TRUE(WaitUntil([&] { return server.ReceivedText() == report; }));
    EXPECT_EQ(Window->Telnet.Rows, rows);
    EXPECT_EQ(Window->Telnet.Columns, cols);
}

TEST_F(TConnectionTest, WaitTextNamesTheHostWhileConnecting) {
    TScriptedServer server(OwnThread);
    Start({});
    std::string waitText;
    bool waitVisible = false;
    Window->Telnet.OnConnect = [&] {
        waitText = Window->WaitText->text().toStdString();
        waitVisible = Window->WaitText->isVisible() && Window->Panel->isVisible() &&
                      !Window->HostEdit->isVisible();
        const QCursor* cursor = QApplication::overrideCursor();
        waitVisible = waitVisible && cursor != nullptr && cursor->shape() == Qt::WaitCursor;
    };
    ConnectFromPrompt(*Window, server.HostPort());
    EXPECT_EQ(waitText, "      Подождите...\n  Подключение к узлу\n     " + server.HostPort());
    EXPECT_TRUE(waitVisible);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

// A host that never answers: the attempt leaves the window free at once with
// the wait text up, keys typed meanwhile go nowhere, now or later, and Esc
// returns to the prompt it started from.
TEST_F(TConnectionTest, UnansweredConnectLeavesTheWindowFreeAndEscReturnsToThePrompt) {
    TBlackHole hole;
    TScriptedServer server(OwnThread);
    Start({});
    Window->HostEdit->setText(QString::fromStdString(hole.HostPort()));
    QElapsedTimer clock;
    clock.start();
    Window->HostButtonClick();
    EXPECT_LT(clock.elapsed(), 100);
    bool ticked = false;
    QTimer::singleShot(10, Window.get(), [&] { ticked = true; });
    EXPECT_TRUE(WaitUntil([&] { return ticked; }, 100)) << "the event loop does not run";
    EXPECT_TRUE(Window->Connecting());
    EXPECT_TRUE(Window->WaitText->isVisible());
    EXPECT_FALSE(Window->WaitText->grab().isNull());
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    EXPECT_EQ(Caption(), Base + "  Подключение к " + hole.HostPort() + "...");

    QTest::keyClicks(Window->View, "typed");
    QTest::keyClick(Window->View, Qt::Key_Escape);
    EXPECT_FALSE(Window->Connecting());
    EXPECT_TRUE(Window->HostEdit->isVisible());
    EXPECT_EQ(Window->HostEdit->text().toStdString(), hole.HostPort());
    EXPECT_FALSE(Window->WaitText->isVisible());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(Caption(), Base);
    EXPECT_TRUE(Boxes.empty());

    ConnectFromPrompt(*Window, server.HostPort());
    ASSERT_EQ(Window->Connected, 1);
    Pump(100);
    EXPECT_EQ(server.ReceivedText().find("typed"), std::string::npos);
}

// Started against a host that never answers, the close box and "Выход" end
// the program within a second; Esc leaves it idle.
TEST_F(TConnectionTest, UnansweredConnectEndsOnTheCloseBoxOrExitAtOnce) {
    TBlackHole hole;
    enum class TWay { CloseBox, Exit, Esc };
    for (TWay way : {TWay::CloseBox, TWay::Exit, TWay::Esc}) {
        SCOPED_TRACE(static_cast<int>(way));
        Window = std::make_unique<TMainWindow>(std::vector<std::string>{"h", hole.HostPort()},
                                               Dir.Path().string());
        Window->show();
        ASSERT_TRUE(Window->Connecting());
        QElapsedTimer clock;
        clock.start();
        if (way == TWay::CloseBox)
            Window->close();
        else if (way == TWay::Exit)
            Window->Quit->trigger();
        else
            QTest::keyClick(Window->View, Qt::Key_Escape);
        if (way == TWay::Esc) {
            Pump(50);
            EXPECT_FALSE(Window->Connecting());
            EXPECT_FALSE(Window->Panel->isVisible());
            EXPECT_FALSE(Window->Closed);
            EXPECT_TRUE(Window->Conn->isEnabled());
        } else {
            EXPECT_TRUE(WaitClosed(1000));
            EXPECT_LT(clock.elapsed(), 1000);
        }
        EXPECT_TRUE(Boxes.empty());
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    }
}

TEST_F(TConnectionTest, KnownLoginIsSentAfterStartUp) {
    TScriptedServer server(OwnThread, IacDoNaws);
    Start({"h", server.HostPort(), "L", "root"});
    EXPECT_EQ(Window->Connected, 1);
    EXPECT_TRUE(WaitUntil([&] {
        const std::string text = server.ReceivedText();
        return text.size() >= 5 && text.substr(text.size() - 5) == "root\r";
    }));
}

TEST_F(TConnectionTest, RefusedConnectionIsReportedAndThePromptGoes) {
    const std::string host = "127.0.0.1:" + std::to_string(RefusingPort());
    Start({});
    ConnectFromPrompt(*Window, host);
    ASSERT_EQ(BoxTexts(), std::vector<std::string>{ConnectFailed(host)});
    EXPECT_EQ(Boxes[0].Kind, TMessageKind::Ok);
    EXPECT_FALSE(Window->Panel->isVisible());
    EXPECT_FALSE(Window->WaitText->isVisible());
    EXPECT_EQ(Window->Connected, 0);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(FieldText(Window->ShellState.Host), host);
    Pump(100);
    EXPECT_FALSE(Window->Closed);
}

TEST_F(TConnectionTest, RefusedConnectionWithExitOnDisconnectQuits) {
    const std::string host = "127.0.0.1:" + std::to_string(RefusingPort());
    Start({"E", "h", host});
    ASSERT_EQ(BoxTexts(), std::vector<std::string>{ConnectFailed(host)});
    EXPECT_TRUE(WaitClosed());
    EXPECT_FALSE(std::filesystem::exists(SettingsFile()));
}

// Quiet mode: no box; the log ends with the line naming the host.
TEST_F(TConnectionTest, QuietRefusedConnectionGoesToTheLog) {
    const std::string host = "127.0.0.1:" + std::to_string(RefusingPort());
    const auto log = Dir / "lemnar.log";
    Start({"S", "P", log.string(), "h", host});
    ASSERT_TRUE(WaitClosed());
    EXPECT_TRUE(Boxes.empty());
    EXPECT_EQ(ReadFile(log), "\xd3\xe4\xe0\xeb\xb8\xed\xed\xfb\xe9 \xf1\xe5\xf0\xe2\xe5\xf0 " +
                                 host +
                                 " \xed\xe5 \xee\xf2\xe2\xe5\xf7\xe0\xe5\xf2. \xcf\xf0\xee\xe2"
                                 "\xe5\xf0\xfc\xf2\xe5 \xef\xf0\xe0\xe2\xe8\xeb\xfc\xed\xee\xf1"
                                 "\xf2\xfc \xe0\xe4\xf0\xe5\xf1\xe0\r\n");
}

// Without a log, S alone is not quiet: the box still comes, the window stays
// hidden. The box runs its own event loop, as a real one does, while start-up
// is still under way.
TEST_F(TConnectionTest, HiddenWithoutLogStillShowsTheBox) {
    const std::string host = "127.0.0.1:" + std::to_string(RefusingPort());
    BoxLoopMs = 50;
    Start({"S", "h", host});
    ASSERT_EQ(BoxTexts(), std::vector<std::string>{ConnectFailed(host)});
    EXPECT_TRUE(WaitUntil([this] { return !OnScreen(); }, 2000));
    Pump(50);
    EXPECT_FALSE(OnScreen());
    EXPECT_FALSE(Window->Panel->isVisible());
    EXPECT_FALSE(Window->Closed);
}

// The peer's close runs TelnetDisconnected on the window thread after the
// blocks that came before it: the data is on the screen and in the log, the
// settings are saved, and with E the program ends.
TEST_F(TConnectionTest, PeerCloseSavesTheSettingsAndQuitsWithExitOnDisconnect) {
    TScriptedServer server(OwnThread);
    const auto log = Dir / "lemnar.log";
    WriteFile(SettingsFile(), "[Options]\nLogin=bob\nFontSize=10\nWidth=400\nHeight=300\n"
                              "XCoord=20\nYCoord=30\n");
    Start({"E", "h", server.HostPort(), "P", log.string()});
    ASSERT_EQ(Window->Connected, 1);
    ASSERT_TRUE(WaitUntil([&] { return server.Accepted(); }));
    ASSERT_TRUE(server.Send("a\nb"));
    ASSERT_TRUE(WaitUntil([&] {
        return Window->Terminal.ScreenCells[1][0].Ch == 'b' ||
               Window->Terminal.ScreenCells[1][1].Ch == 'b';
    }));
    server.Close();
    ASSERT_TRUE(WaitClosed());
    EXPECT_TRUE(Boxes.empty()); // not connected any more: no question
    EXPECT_EQ(Caption(), Base + " Отключено.");

    const TIniFile ini(SettingsFile());
    const auto read = [&](const char* key) { return ini.ReadString("Options", key, "<none>"); };
    EXPECT_EQ(read("Host"), server.HostPort());
    EXPECT_EQ(read("Login"), "bob");
    EXPECT_EQ(read("SaveDir"), QDir::currentPath().toStdString() + "/");
    EXPECT_EQ(read("HelpPath"), (Dir / "Lemnar.hlp").string());
    EXPECT_EQ(read("Logfile"), log.string());
    EXPECT_EQ(read("XCoord"), "20");
    EXPECT_EQ(read("YCoord"), "30");
    EXPECT_EQ(read("Width"), std::to_string(Window->ClientWidth()));
    EXPECT_EQ(read("Height"), std::to_string(Window->ClientHeight()));
    EXPECT_EQ(read("FontSize"), "10");
    EXPECT_EQ(read("ExitOnDisconnect"), "1");
    EXPECT_EQ(read("Password"), "<none>");
    // The block, then the empty block that follows the peer's close.
    EXPECT_EQ(ReadFile(log), "--3 chars recvd: a\r\nb\r\n--0 chars recvd: \r\n");
}

// Standard error goes to a file while it lives.
class TCapturedStderr {
  public:
    explicit TCapturedStderr(const std::filesystem::path& path) {
        std::fflush(stderr);
        Saved = ::dup(2);
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        ::dup2(fd, 2);
        ::close(fd);
    }
    ~TCapturedStderr() {
        std::fflush(stderr);
        ::dup2(Saved, 2);
        ::close(Saved);
    }
    TCapturedStderr(const TCapturedStderr&) = delete;
    TCapturedStderr& operator=(const TCapturedStderr&) = delete;

  private:
    int Saved;
};

// A log that cannot be written: the first failed write is reported once, in
// a box or, in quiet mode, on standard error, and the session runs to its
// end as before.
TEST_F(TConnectionTest, UnwritableLogIsReportedOnceAndTheSessionGoesOn) {
    std::string lines;
    for (int i = 0; i < 20000; ++i)
        lines += "line " + std::to_string(i) + "\r\n";
    const std::string text = "Не удалось записать в лог /dev/full";
    for (bool quiet : {false, true}) {
        SCOPED_TRACE(quiet);
        Boxes.clear();
        TStreamPeer peer({lines});
        const auto errors = Dir / "stderr.txt";
        {
            TCapturedStderr captured(errors);
            std::vector<std::string> args = {"P", "/dev/full", "h", peer.HostPort()};
            if (quiet)
                args.insert(args.begin(), {"S", "E"});
            Start(args);
            ASSERT_EQ(Window->Connected, 1);
            ASSERT_TRUE(WaitUntil([&] { return Delivered == lines.size(); }, 30000));
            EXPECT_TRUE(ScreenHas(Window->Terminal, "line 19999"));
            peer.Close();
            if (!quiet) {
                ASSERT_TRUE(WaitUntil([&] { return Window->Connected == 0; }));
                Window->QuitClick();
            }
            ASSERT_TRUE(WaitClosed());
        }
        const std::string written = ReadFile(errors);
        std::size_t reports = 0;
        for (std::size_t at = written.find(text); at != std::string::npos;
             at = written.find(text, at + 1))
            ++reports;
        EXPECT_EQ(reports, quiet ? 1u : 0u) << written;
        EXPECT_EQ(BoxTexts(), quiet ? std::vector<std::string>{} : std::vector<std::string>{text});
    }
}

TEST_F(TConnectionTest, PeerCloseWithoutExitOnDisconnectStays) {
    TScriptedServer server(OwnThread);
    Start({"h", server.HostPort()});
    ASSERT_EQ(Window->Connected, 1);
    ASSERT_TRUE(WaitUntil([&] { return server.Accepted(); }));
    server.Close();
    ASSERT_TRUE(WaitUntil([&] { return Window->Connected == 0; }));
    EXPECT_EQ(Caption(), Base + " Отключено.");
    EXPECT_TRUE(Window->Conn->isEnabled());
    EXPECT_FALSE(Window->DisConn->isEnabled());
    EXPECT_EQ(Window->ActiveKeyMap, TKeyMap::None);
    // A new file gets the eleven keys in their fixed order.
    const std::string file = ReadFile(SettingsFile());
    std::size_t at = 0;
    for (const char* key :
         {"[Options]", "Host=", "Login=", "SaveDir=", "HelpPath=", "Logfile=", "XCoord=", "YCoord=",
          "Width=", "Height=", "FontSize=", "ExitOnDisconnect=0"}) {
        const std::size_t found = file.find(key, at);
        ASSERT_NE(found, std::string::npos) << key << " in\n" << file;
        at = found;
    }
    Pump(100);
    EXPECT_FALSE(Window->Closed);
}

TEST_F(TConnectionTest, DisconnectAnsweredNoChangesNothing) {
    TScriptedServer server(OwnThread);
    Start({"h", server.HostPort()});
    ASSERT_EQ(Window->Connected, 1);
    ASSERT_TRUE(server.Send("hello"));
    ASSERT_TRUE(WaitUntil([&] { return Window->Terminal.ScreenCells[0][4].Ch == 'o'; }));
    Answers = {IdNo};
    Window->DisConnClick();
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_EQ(Boxes[0].Text, "Отключиться от сервера ?");
    EXPECT_EQ(Boxes[0].Kind, TMessageKind::YesNoQuestion);
    EXPECT_EQ(Window->Connected, 1);
    EXPECT_TRUE(Window->Telnet.IsConnected());
    EXPECT_EQ(Window->Terminal.ScreenCells[0][0].Ch, 'h');
    Pump(50);
    EXPECT_FALSE(server.PeerClosed());
}

TEST_F(TConnectionTest, DisconnectAnsweredYesClearsTheScreenAndCloses) {
    TScriptedServer server(OwnThread);
    Start({"h", server.HostPort()});
    ASSERT_TRUE(server.Send("hello\x1b"
                            "Y"
                            "\x25\x30"));
    ASSERT_TRUE(WaitUntil([&] { return Window->Terminal.ScreenCells[0][4].Ch == 'o'; }));
    Answers = {IdYes};
    Window->DisConnClick();
    EXPECT_EQ(Window->Connected, 0);
    EXPECT_FALSE(Window->Telnet.IsConnected());
    EXPECT_EQ(Caption(), Base + " Отключено.");
    EXPECT_TRUE(Window->Conn->isEnabled());
    EXPECT_FALSE(Window->DisConn->isEnabled());
    EXPECT_EQ(Window->Terminal.ScreenCells[0][0].Ch, ' ');
    EXPECT_EQ(Window->Terminal.TextFg, 7);
    EXPECT_EQ(Window->Terminal.TextBg, 0);
    EXPECT_EQ(Window->Terminal.CursorRow, 0);
    EXPECT_EQ(Window->Terminal.CursorCol, 0);
    EXPECT_TRUE(WaitUntil([&] { return server.PeerClosed(); }));
    EXPECT_TRUE(std::filesystem::exists(SettingsFile()));
    // Not connected: the command asks nothing.
    Window->DisConnClick();
    EXPECT_EQ(Boxes.size(), 1u);
}

TEST_F(TConnectionTest, QuitWhileConnectedAnsweredNoThenCloseEndsAtOnce) {
    TScriptedServer server(OwnThread);
    Start({"h", server.HostPort()});
    ASSERT_EQ(Window->Connected, 1);
    Answers = {IdNo};
    Window->QuitClick();
    ASSERT_TRUE(WaitUntil([&] { return Boxes.size() == 1; }));
    EXPECT_EQ(Boxes[0].Text, "Закрыть программу ?");
    EXPECT_EQ(Boxes[0].Kind, TMessageKind::YesNoQuestion);
    EXPECT_EQ(Window->ShellState.Quitting, 1);
    EXPECT_EQ(Window->Connected, 1);
    EXPECT_FALSE(Window->Closed);
    EXPECT_FALSE(std::filesystem::exists(SettingsFile()));

    EXPECT_TRUE(Window->close());
    EXPECT_TRUE(Window->Closed);
    Pump(50);
    EXPECT_EQ(Boxes.size(), 1u);
    EXPECT_FALSE(std::filesystem::exists(SettingsFile()));
}

TEST_F(TConnectionTest, QuitWhileConnectedAnsweredYesSavesAndDisconnects) {
    TScriptedServer server(OwnThread);
    Start({"h", server.HostPort()});
    ASSERT_EQ(Window->Connected, 1);
    Answers = {IdYes};
    // The close box asks through the quit procedure, too.
    EXPECT_FALSE(Window->close());
    ASSERT_TRUE(WaitClosed());
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Закрыть программу ?"});
    EXPECT_TRUE(WaitUntil([&] { return server.PeerClosed(); }));
    EXPECT_EQ(TIniFile(SettingsFile()).ReadString("Options", "Host", ""), server.HostPort());
}

TEST_F(TConnectionTest, QuitWhileDisconnectedAsksNothingAndSavesNothing) {
    Start({"h", "127.0.0.1:" + std::to_string(RefusingPort())});
    Boxes.clear();
    Window->QuitClick();
    ASSERT_TRUE(WaitClosed());
    EXPECT_TRUE(Boxes.empty());
    EXPECT_FALSE(std::filesystem::exists(SettingsFile()));
}

TEST_F(TConnectionTest, ClosedWindowSignalsTheEnd) {
    Start({});
    int finished = 0;
    QObject::connect(Window.get(), &TMainWindow::Finished, [&] { ++finished; });
    Window->QuitClick();
    ASSERT_TRUE(WaitClosed());
    EXPECT_EQ(finished, 1);
}

// While the prompt is shown, Esc presses "Отмена" and Enter the button with
// the focus, else "Подключиться", wherever the focus is; a click on the
// terminal area leaves the focus in the input.
TEST_F(TConnectionTest, PromptKeysWorkWhereverTheFocusIs) {
    const std::string host = "127.0.0.1:" + std::to_string(RefusingPort());
    Start({});
    ASSERT_TRUE(QTest::qWaitForWindowActive(Window.get(), 5000));
    ASSERT_EQ(QApplication::focusWidget(), Window->HostEdit);
    const auto press = [](Qt::Key key) { QTest::keyClick(QApplication::focusWidget(), key); };

    QTest::mouseClick(Window->View, Qt::LeftButton, {}, QPoint(4, 4));
    EXPECT_EQ(QApplication::focusWidget(), Window->HostEdit);
    QTest::keyClicks(QApplication::focusWidget(), QString::fromStdString(host));
    EXPECT_EQ(Window->HostEdit->text().toStdString(), host);
    Window->View->setFocus();
    press(Qt::Key_Escape);
    EXPECT_FALSE(Window->Panel->isVisible());

    Window->ConnClick();
    Window->CancelButton->setFocus();
    press(Qt::Key_Return);
    EXPECT_FALSE(Window->Panel->isVisible());
    EXPECT_TRUE(Boxes.empty());

    // Enter in the input, elsewhere, and on the connect button: one attempt
    // each, reported once.
    QWidget* const focuses[] = {Window->HostEdit, Window->View, Window->HostButton, Window.get()};
    for (QWidget* focus : focuses) {
        Boxes.clear();
        Window->ConnClick();
        Window->HostEdit->setText(QString::fromStdString(host));
        focus->setFocus();
        QTest::keyClick(QApplication::focusWidget() != nullptr ? QApplication::focusWidget()
                                                               : focus,
                        Qt::Key_Enter, Qt::KeypadModifier);
        WaitAttempt();
        EXPECT_EQ(BoxTexts(), std::vector<std::string>{ConnectFailed(host)});
        EXPECT_FALSE(Window->Panel->isVisible());
    }
    // Without the prompt the terminal area takes the focus on a click again.
    QTest::mouseClick(Window->View, Qt::LeftButton, {}, QPoint(4, 4));
    EXPECT_EQ(QApplication::focusWidget(), Window->View);
}

TEST_F(TConnectionTest, CancelHidesThePromptAndConnDoesNotReplayAScript) {
    Start({});
    EXPECT_EQ(Window->Panel->size(), QSize(201, 97));
    EXPECT_EQ(Window->Panel->x(), (Window->ClientWidth() - 201) / 2);
    EXPECT_EQ(Window->Panel->y(), (Window->ClientHeight() - 97) / 2);
    EXPECT_EQ(Window->HostLabel->geometry(), QRect(17, 8, 168, 17));
    EXPECT_EQ(Window->HostEdit->geometry(), QRect(28, 32, 145, 24));
    EXPECT_EQ(Window->CancelButton->geometry(), QRect(8, 64, 75, 25));
    EXPECT_EQ(Window->HostButton->geometry(), QRect(87, 64, 106, 25));
    EXPECT_TRUE(Window->HostButton->isDefault());
    EXPECT_TRUE(Window->HostEdit->hasFocus() || !Window->isActiveWindow());
    Window->CancelButtonClick();
    EXPECT_FALSE(Window->Panel->isVisible());
    SetField(Window->ShellState.Host, "10.1.2.3");
    Window->ShellState.ScriptMode = 1;
    Window->ConnClick();
    EXPECT_EQ(Window->ShellState.ScriptMode, 0);
    EXPECT_TRUE(Window->Panel->isVisible());
    EXPECT_EQ(Window->HostEdit->text().toStdString(), "10.1.2.3");
}

} // namespace
} // namespace lemnar::test
