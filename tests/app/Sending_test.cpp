// What the program sends never holds the window: a paste to a peer that reads
// nothing leaves the window painting, shows how far it has got, and is stopped
// or dropped with the connection at once; a slow peer gets every pasted byte
// once and in order, then a key typed meanwhile; a peer that echoes everything
// it reads, as a shell does, takes a 10 MiB paste and a long script, and its
// echo reaches the screen and the log.

#include "app/AppFixture.h"
#include "reliability/ProcessCounters.h"
#include "support/LoggedData.h"
#include "support/StreamPeer.h"

#include <QAction>
#include <QMenu>
#include <QString>
#include <algorithm>

namespace lemnar::test {
namespace {

using namespace std::chrono_literals;

const std::string Connected = "Lemnar v. 2.54  Подключено к ";

// Counts the paints a widget gets.
class TPaintCounter : public QObject {
  public:
    explicit TPaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    int Count = 0;

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        Count += event->type() == QEvent::Paint ? 1 : 0;
        return false;
    }
};

class TSendingTest : public TAppTest {
  protected:
    void Connect(const TStreamPeer& peer, std::vector<std::string> args = {}) {
        args.insert(args.end(), {"h", peer.HostPort()});
        Start(std::move(args));
        ASSERT_EQ(Window->Connected, 1);
    }
    // Pastes text of about size bytes, answering the question about its
    // lines; returns the bytes the peer must get.
    std::string Paste(std::size_t size) {
        const std::string text = PasteLines(size);
        Answers = {IdYes};
        Window->PasteText(QString::fromStdString(text));
        EXPECT_EQ(Boxes.size(), 1u);
        Boxes.clear();
        return PastedBytes(text);
    }
    bool EndsWith(const std::string& text, const std::string& end) {
        return text.size() >= end.size() &&
               text.compare(text.size() - end.size(), end.size(), end) == 0;
    }
};

TEST_F(TSendingTest, PasteToAPeerThatReadsNothingLeavesTheWindowFree) {
    TStreamPeer::TOptions stalled;
    stalled.Reading = false;
    stalled.ReceiveBuffer = 4096;
    TStreamPeer peer(stalled);
    Connect(peer);
    const std::size_t heap = LiveHeapBytes();
    const std::string expected = Paste(4 * 1024 * 1024);
    EXPECT_GE(std::count(expected.begin(), expected.end(), '\n'), 100000);
    // The paste is held once, as the text it was (the test holds the bytes
    // it expects besides).
    EXPECT_LT(LiveHeapBytes(), heap + 2 * expected.size() + 512 * 1024);

    // A resize is painted at once.
    TPaintCounter paints(Window->View);
    Window->resize(Window->width() + 16, Window->height());
    QElapsedTimer clock;
    clock.start();
    EXPECT_TRUE(WaitUntil([&] { return paints.Count > 0; }, 100)) << "no paint within 100 ms";

    // After about a second the caption shows how far the paste has got, and
    // the terminal's menu offers to stop it.
    EXPECT_TRUE(WaitUntil([&] { return Caption().find("  Вставка: ") != std::string::npos; }, 2000))
        << Caption();
    EXPECT_EQ(Caption().rfind(Connected + peer.HostPort() + "  Вставка: ", 0), 0u) << Caption();
    Window->ShowTerminalMenu(QPoint(0, 0));
    EXPECT_TRUE(Window->StopPasteItem->isEnabled());
    Window->TerminalMenu->hide();

    // "Отключить" ends it at once and drops what waits, with no other box.
    Answers = {IdYes};
    clock.restart();
    Window->DisConnClick();
    EXPECT_LT(clock.elapsed(), 1000);
    EXPECT_EQ(Window->Connected, 0);
    EXPECT_EQ(Caption(), "Lemnar v. 2.54 Отключено.");
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Отключиться от сервера ?"});
    Pump(300);
    EXPECT_EQ(Caption(), "Lemnar v. 2.54 Отключено.");
    EXPECT_LT(peer.ReceivedSize(), expected.size());
}

// Stopped, a paste sends nothing more of itself; the write under way
// finishes, nothing is sent twice, and a key typed afterwards still goes.
TEST_F(TSendingTest, AStoppedPasteSendsNoMoreButWhatCameAfter) {
    TStreamPeer::TOptions stalled;
    stalled.Reading = false;
    TStreamPeer peer(stalled);
    Connect(peer);
    // More than the system's socket buffers take.
    const std::string expected = Paste(16 * 1024 * 1024);
    ASSERT_TRUE(WaitUntil([&] { return Caption().find("Вставка") != std::string::npos; }, 2000));
    Window->StopPasteItem->trigger();
    EXPECT_EQ(Caption(), Connected + peer.HostPort());
    Window->ShowTerminalMenu(QPoint(0, 0));
    EXPECT_FALSE(Window->StopPasteItem->isEnabled());
    Window->TerminalMenu->hide();
    Window->FormKeyPress('z');
    peer.SetReading(true);
    ASSERT_TRUE(WaitUntil([&] { return EndsWith(peer.Received(), "z"); }, 10000));
    Pump(50);
    const std::string got = peer.Received();
    const std::string pasted = got.substr(0, got.size() - 1);
    EXPECT_LT(pasted.size(), expected.size());
    EXPECT_EQ(pasted, expected.substr(0, pasted.size()));
    EXPECT_EQ(Window->Connected, 1);
}

TEST_F(TSendingTest, SlowPeerGetsEveryPastedByteThenTheKeyTypedDuringThePaste) {
    TStreamPeer::TOptions slow;
    slow.ReadChunk = 4096;
    slow.ReadPause = 5ms;
    TStreamPeer peer(slow);
    Connect(peer);
    const std::string expected = Paste(512 * 1024);
    Window->FormKeyPress('k');
    ASSERT_TRUE(WaitUntil([&] { return peer.ReceivedSize() > expected.size(); }, 60000))
        << peer.ReceivedSize() << " of " << expected.size() + 1;
    Pump(50);
    EXPECT_TRUE(peer.Received() == expected + "k");
    EXPECT_EQ(Caption(), Connected + peer.HostPort());
}

// The echo comes back while the paste still goes out: the receive side must
// keep reading for the peer to keep reading.
TEST_F(TSendingTest, EchoingPeerTakesATenMebibytePaste) {
    TStreamPeer::TOptions echo;
    echo.Echo = true;
    TStreamPeer peer(echo);
    const auto log = Dir / "lemnar.log";
    Connect(peer, {"P", log.string()});
    const std::string expected = Paste(10 * 1024 * 1024);
    ASSERT_TRUE(WaitUntil([&] { return peer.ReceivedSize() >= expected.size(); }, 240000))
        << peer.ReceivedSize() << " of " << expected.size();
    ASSERT_TRUE(WaitUntil([&] { return peer.AllSent(); }, 60000));
    ASSERT_TRUE(WaitUntil([&] { return Delivered >= expected.size(); }, 60000));
    const std::string last = expected.substr(expected.rfind("pasted line"), 20);
    EXPECT_TRUE(ScreenHas(Window->Terminal, last));
    EXPECT_TRUE(peer.Received() == expected);
    EXPECT_EQ(Window->Connected, 1);
    Window.reset(); // closes the log
    EXPECT_TRUE(LoggedData(log) == expected) << "the log is not the echo";
}

TEST_F(TSendingTest, EchoingPeerTakesAScriptOf300LongLines) {
    TStreamPeer::TOptions echo;
    echo.Echo = true;
    TStreamPeer peer(echo);
    std::string script = "user\npass\n";
    std::string expected = "user\r\npass\r\n";
    for (int line = 0; line < 300; ++line) {
        const std::string text =
            std::to_string(line) + std::string(505 - std::to_string(line).size(), 'e');
        script += text + "\n";
        expected += text + "\r\n";
    }
    WriteFile(Dir / "s.txt", script);
    const auto log = Dir / "lemnar.log";
    Start({"B", (Dir / "s.txt").string(), "h", peer.HostPort(), "P", log.string()});
    ASSERT_TRUE(WaitUntil([&] { return Window->ShellState.ScriptMode == 2; }, 120000));
    ASSERT_TRUE(
        WaitUntil([&] { return peer.ReceivedSize() >= expected.size() && peer.AllSent(); }, 10000));
    ASSERT_TRUE(WaitUntil([&] { return ScreenHas(Window->Terminal, "299eeee"); }, 10000));
    EXPECT_TRUE(peer.Received() == expected);
    EXPECT_EQ(Window->Connected, 1);
    ASSERT_TRUE(WaitUntil([&] { return Delivered >= expected.size(); }, 10000));
    Window.reset();
    const std::string logged = LoggedData(log);
    std::size_t at = 0;
    while (at < logged.size() && at < expected.size() && logged[at] == expected[at])
        ++at;
    EXPECT_TRUE(logged == expected) << "the log is not the echo: " << logged.size() << " bytes for "
                                    << expected.size() << ", first difference at " << at << ": "
                                    << ::testing::PrintToString(logged.substr(at, 40));
}

} // namespace
} // namespace lemnar::test
