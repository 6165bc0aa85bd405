#include "tools/demo-server/Cp866.h"
#include "tools/demo-server/DemoSession.h"

#include <gtest/gtest.h>

namespace lemnar::demo {
namespace {

using namespace std::string_literals;

const std::string Opening = "\xFF\xFD\x18\xFF\xFD\x1F\xFF\xFB\x01\xFF\xFB\x03"
                            "\xFF\xFA\x18\x01\xFF\xF0"s;

// A client's answers as a QNX terminal of the given size and name gives them.
std::string ClientAnswers(const std::string& name, int cols, int rows) {
    std::string answer = "\xFF\xFB\x18\xFF\xFB\x1F\xFF\xFA\x1F"s;
    answer += {static_cast<char>(cols / 256), static_cast<char>(cols % 256),
               static_cast<char>(rows / 256), static_cast<char>(rows % 256)};
    answer += "\xFF\xF0\xFF\xFD\x01\xFF\xFE\x03\xFF\xFA\x18\x00"s + name + "\xFF\xF0";
    return answer;
}

bool Contains(const std::string& haystack, const std::string& needle) {
    return haystack.find(needle) != std::string::npos;
}

// A session logged in as the given terminal; the output so far is dropped.
TDemoSession LoggedIn(const std::string& name) {
    TDemoSession session;
    session.Start();
    session.Receive(ClientAnswers(name, 80, 25));
    session.Receive("user\r\n");
    session.Receive("secret\r\0"s);
    session.TakeOutput();
    return session;
}

TEST(DemoSession, OpensWithTheNegotiationAndAnswersNoReply) {
    TDemoSession session;
    session.Start();
    EXPECT_EQ(session.TakeOutput(), Opening);
    EXPECT_TRUE(session.WaitingForTerminalType());

    session.Receive(ClientAnswers("QNX", 80, 25));
    const std::string output = session.TakeOutput();
    // the replies to its own requests get no answer, only the login prompt follows
    EXPECT_EQ(output.find('\xFF'), std::string::npos);
    EXPECT_TRUE(output.ends_with("login: "));
    EXPECT_EQ(session.TerminalName(), "QNX");
    EXPECT_EQ(session.Cols(), 80);
    EXPECT_EQ(session.Rows(), 25);
}

TEST(DemoSession, RefusesUnaskedOptionsOnlyOnce) {
    TDemoSession session;
    session.Start();
    session.TakeOutput();
    session.Receive("\xFF\xFB\x05\xFF\xFD\x22"s);
    EXPECT_EQ(session.TakeOutput(), "\xFF\xFE\x05\xFF\xFC\x22"s);
    // a client that keeps asking would loop with a server that keeps answering
    session.Receive("\xFF\xFB\x05\xFF\xFD\x22\xFF\xFC\x05\xFF\xFE\x22"s);
    EXPECT_EQ(session.TakeOutput(), "");
}

TEST(DemoSession, FallsBackToTtyWhenNoTerminalTypeComes) {
    TDemoSession session;
    session.Start();
    session.TakeOutput();
    session.Receive("typed too early\r\n");
    EXPECT_EQ(session.TakeOutput(), "");
    session.TerminalTypeTimeout();
    EXPECT_FALSE(session.WaitingForTerminalType());
    EXPECT_EQ(session.TerminalName(), "TTY");
    EXPECT_TRUE(session.TakeOutput().ends_with("login: "));
}

TEST(DemoSession, EchoesTheLoginButNotThePassword) {
    TDemoSession session;
    session.Start();
    session.Receive(ClientAnswers("QNX", 80, 25));
    session.TakeOutput();
    session.Receive("roox\x7F");
    session.Receive("t\r");
    EXPECT_EQ(session.TakeOutput(), "roox\b \bt\r\nPassword: ");
    session.Receive("\0"s); // CR NUL split over two blocks
    EXPECT_EQ(session.TakeOutput(), "");
    session.Receive("hidden");
    EXPECT_EQ(session.TakeOutput(), "");
    session.Receive("\r");
    const std::string menu = session.TakeOutput();
    EXPECT_TRUE(Contains(menu, EncodeCp866("Главное меню")));
    EXPECT_TRUE(Contains(menu, EncodeCp866("Терминал: QNX  Размер: 80x25")));
}

TEST(DemoSession, DrawsEachTerminalTypeInItsOwnLanguage) {
    TDemoSession qnx = LoggedIn("QNX");
    qnx.Receive("\xFF\xFF\x82"s); // F2 as a QNX client sends it
    const std::string qnxPage = qnx.TakeOutput();
    EXPECT_TRUE(Contains(qnxPage, "\x1B@"));
    EXPECT_TRUE(Contains(qnxPage, "\x1Bg"));
    EXPECT_FALSE(Contains(qnxPage, "\x1B["));

    TDemoSession ansi = LoggedIn("ANSI");
    ansi.Receive("\x1BOQ");
    const std::string ansiPage = ansi.TakeOutput();
    EXPECT_TRUE(Contains(ansiPage, "\x1B[2J"));
    EXPECT_FALSE(Contains(ansiPage, "\x1B@"));
    EXPECT_FALSE(Contains(ansiPage, "\x1Bg"));

    TDemoSession tty = LoggedIn("VT100");
    tty.Receive("\x1BOQ");
    const std::string ttyPage = tty.TakeOutput();
    EXPECT_EQ(ttyPage.find('\x1B'), std::string::npos);
    EXPECT_TRUE(Contains(ttyPage, EncodeCp866("Терминал: VT100")));
}

TEST(DemoSession, RedrawsWithTheNewSizeOnAWindowSizeReport) {
    TDemoSession session = LoggedIn("QNX");
    session.Receive("\xFF\xFA\x1F\x00\x64\x00\x28\xFF\xF0"s); // 100 x 40
    const std::string page = session.TakeOutput();
    EXPECT_TRUE(Contains(page, EncodeCp866("Размер: 100x40")));
    EXPECT_TRUE(Contains(page, "\x0C"));
}

TEST(DemoSession, LeavesTheDrawingChannelBeforeDrawingText) {
    TDemoSession session = LoggedIn("QNX");
    session.Receive("\xFF\xFF\x83"s); // F3: the drawing page
    const std::string graphics = session.TakeOutput();
    const std::size_t on = graphics.find("\x1BG1~");
    ASSERT_NE(on, std::string::npos);
    // every command in the channel is & ... ~ and the page ends inside it
    for (std::size_t i = on + 4; i < graphics.size(); ++i) {
        ASSERT_EQ(graphics[i], '&') << "at " << i;
        const std::size_t end = graphics.find('~', i);
        ASSERT_NE(end, std::string::npos);
        ASSERT_LE(end - i + 1, 81u);
        i = end;
    }
    session.Receive("\xFF\xFF\x81"s);
    EXPECT_TRUE(session.TakeOutput().starts_with("&G0~"));
}

TEST(DemoSession, EndsWithGoodbyeOnExitF10AndAltX) {
    for (const std::string& keys : {"\xFF\xFF\x84"
                                    "exit\r"s,
                                    "\xFF\xFF\x8A"s, "\xFF\xFF\xF8"s}) {
        TDemoSession session = LoggedIn("QNX");
        session.Receive(keys);
        EXPECT_TRUE(session.Finished());
        EXPECT_TRUE(Contains(session.TakeOutput(), EncodeCp866("До свидания!")));
        session.Receive("more\r");
        EXPECT_EQ(session.TakeOutput(), "");
    }
}

TEST(DemoSession, EchoesCyrillicLinesOnTheEchoPage) {
    TDemoSession session = LoggedIn("ANSI");
    session.Receive("\x1B[15~"); // F5: the keys page lists each key with its bytes
    session.Receive("\x1B[A");
    EXPECT_TRUE(Contains(session.TakeOutput(), "1B 5B 41"));
    session.Receive("\x1B[21~"); // F10 on the keys page still leaves
    EXPECT_TRUE(session.Finished());

    TDemoSession echo = LoggedIn("ANSI");
    echo.Receive("\x1BOS");
    echo.TakeOutput();
    const std::string line = EncodeCp866("Привет, мир");
    echo.Receive(line);
    EXPECT_TRUE(Contains(echo.TakeOutput(), "\x8F"));
    echo.Receive("\r");
    EXPECT_TRUE(Contains(echo.TakeOutput(), "> " + line));
}

TEST(DemoSession, MovesTheMenuHighlightAndOpensWithEnter) {
    TDemoSession session = LoggedIn("QNX");
    session.Receive("\xFF\xFF\xA9\xFF\xFF\xA9"s); // Down, Down
    EXPECT_EQ(session.App()->Selection(), 2);
    session.Receive("\xFF\xFF\xA1\xFF\xFF\xA1\xFF\xFF\xA1"s); // Up x3 wraps to the last item
    EXPECT_EQ(session.App()->Selection(), 4);
    session.Receive("\xFF\xFF\xA1\xFF\xFF\xA1\r"s); // Up x2: the echo page
    EXPECT_EQ(session.App()->Page(), TDemoApp::TPage::Echo);
}

TEST(DemoSession, SurvivesGarbageInEveryPhase) {
    std::string garbage;
    for (int i = 0; i < 4096; ++i) {
        garbage.push_back(static_cast<char>((i * 7919 + 13) % 256));
    }
    for (const char* name : {"QNX", "ANSI", "TTY"}) {
        TDemoSession session;
        session.Start();
        session.Receive(ClientAnswers(name, 80, 25));
        session.Receive(garbage);
        session.Receive("\r\r");
        session.Receive(garbage + std::string(10000, 'x'));
        session.TakeOutput();
        session.Receive("\xFF\xFA\x1F\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xF0"s); // 65535 x 65535
        session.Receive("\xFF\xFA\x1F\x00\x01\x00\x01\xFF\xF0"s);                 // 1 x 1
        SUCCEED();
    }
}

} // namespace
} // namespace lemnar::demo
