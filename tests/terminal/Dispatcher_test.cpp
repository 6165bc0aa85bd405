// The data handler: the log dump, the NUL-after-CR filter per block, routing
// of control characters per terminal type, the command collector, blocks
// longer than the receive buffer, and random streams.

#include "platform/OffscreenTerminal.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>

namespace lemnar {
namespace {

using namespace std::string_literals;

TOffscreenTerminal::TOptions Type(std::uint8_t type) {
    TOffscreenTerminal::TOptions o;
    o.TerminalType = type;
    return o;
}

std::string ReadAll(std::FILE* f) {
    std::rewind(f);
    std::string out;
    int c;
    while ((c = std::fgetc(f)) != EOF)
        out.push_back(static_cast<char>(c));
    return out;
}

TEST(Dispatcher, DumpsEveryRawBlockToTheLog) {
    TOffscreenTerminal term;
    std::FILE* log = std::tmpfile();
    ASSERT_NE(log, nullptr);
    term.Terminal.LogFile = log;
    term.Terminal.LogEnabled = 1;
    term.Feed("ab\0cd"s, 5);
    term.Feed("a\nb"s, 3);
    EXPECT_EQ(ReadAll(log), "--5 chars recvd: ab\0cd\r\n--3 chars recvd: a\r\nb\r\n"s);
    std::fclose(log);
}

TEST(Dispatcher, NoDumpWhileLoggingIsOff) {
    TOffscreenTerminal term;
    std::FILE* log = std::tmpfile();
    term.Terminal.LogFile = log;
    term.Feed("hello");
    EXPECT_EQ(ReadAll(log), "");
    std::fclose(log);
}

TEST(Dispatcher, NulRulesApplyPerBlock) {
    struct Case {
        std::string name;
        std::vector<std::string> blocks;
        std::string row0;
    };
    const Case cases[] = {
        {"CR NUL inside a block", {"ab\r\0cd"s}, "cd"},
        {"block starting with NUL", {"xy\r"s, "\0zz"s}, "xy"},
        {"NUL after another byte ends the block", {"a\0b"s, "c"}, "ac"},
        {"CR NUL NUL: the second NUL ends the block", {"ab\r\0\0cd"s}, "ab"},
        {"NUL alone", {"\0"s, "q"}, "q"},
    };
    for (const Case& c : cases) {
        TOffscreenTerminal term;
        for (const std::string& b : c.blocks)
            term.Feed(b, b.size());
        EXPECT_EQ(term.RowBytes(0).substr(0, c.row0.size()), c.row0) << c.name;
        EXPECT_EQ(term.RowBytes(0)[c.row0.size()], ' ') << c.name;
    }
}

TEST(Dispatcher, TabAndFormFeedAreWrittenAsCharactersOutsideQnx) {
    for (std::uint8_t type : {TermAnsi, TermTty}) {
        TOffscreenTerminal term(Type(type));
        term.Feed("a\tb\fc");
        EXPECT_EQ(term.RowBytes(0).substr(0, 5), "a\tb\fc") << int(type);
    }
    TOffscreenTerminal qnx;
    qnx.Feed("a\tb");
    EXPECT_EQ(qnx.RowBytes(0).substr(0, 3), "a\tb");
}

TEST(Dispatcher, BlocksLongerThanTheReceiveBufferAreTakenWhole) {
    TOffscreenTerminal term;
    term.Terminal.AutoWrap = 1;
    std::string big;
    for (int i = 0; i < 3000; ++i)
        big.push_back(static_cast<char>('A' + i % 26));
    term.Terminal.TelnetDataAvailable(reinterpret_cast<const std::uint8_t*>(big.data()),
                                      big.size());
    // 3000 characters on 80 x 25 with wrap: 37 full lines and 40 characters;
    // the top row shows line 13, which starts at character 1040.
    EXPECT_EQ(term.Terminal.CursorRow, 24);
    EXPECT_EQ(term.Terminal.CursorCol, 40);
    EXPECT_EQ(term.Terminal.ScreenCells[0][0].Ch, 'A' + 1040 % 26);
    EXPECT_EQ(term.Terminal.ScreenCells[24][39].Ch, 'A' + 2999 % 26);
}

struct CommandCollector : ::testing::Test {
    TOffscreenTerminal Term;
    TTerminal& T = Term.Terminal;
    void SetUp() override {
        T.CommandMode = 1;
        T.CursorRow = 3;
        T.CursorCol = 4;
    }
};

TEST_F(CommandCollector, ACompleteCommandReachesTheChannel) {
    Term.Feed("&L~");
    EXPECT_EQ(T.CommandMode, 1);
    EXPECT_EQ(std::string(T.CommandBuffer, 3), "&L~");
    EXPECT_EQ(T.CommandLength, 0);
}

TEST_F(CommandCollector, AStrayByteEndsCommandModeUnseen) {
    Term.Feed("x");
    EXPECT_EQ(T.CommandMode, 0);
    EXPECT_EQ(T.CursorRow, 0);
    EXPECT_EQ(T.CursorCol, 0);
    EXPECT_EQ(Term.RowBytes(0)[0], ' ');
}

TEST_F(CommandCollector, AnAmpersandInsideACommandEndsCommandMode) {
    Term.Feed("&AB&");
    EXPECT_EQ(T.CommandMode, 0);
    EXPECT_EQ(T.CommandLength, 0);
}

TEST_F(CommandCollector, EightyBytesAfterTheAmpersandEndCommandMode) {
    Term.Feed("&" + std::string(79, 'T'));
    EXPECT_EQ(T.CommandMode, 1);
    EXPECT_EQ(T.CommandLength, 80);
    Term.Feed("T");
    EXPECT_EQ(T.CommandMode, 0);
    EXPECT_EQ(T.CommandLength, 0);
}

TEST_F(CommandCollector, AnEightyOneByteCommandIsExecuted) {
    Term.Feed("&" + std::string(79, 'Q') + "~");
    EXPECT_EQ(T.CommandMode, 1);
    EXPECT_EQ(T.CommandLength, 0);
}

TEST_F(CommandCollector, SplitAcrossBlocks) {
    Term.Feed("&L~&P~", 1);
    EXPECT_EQ(T.CommandMode, 1);
    Term.Feed("\r\n", 1);
    EXPECT_EQ(T.CommandMode, 0);
}

// Any bytes, any block split, any grid: nothing is written outside the grid
// and the state stays in range.
TEST(Dispatcher, RandomStreamsStayInsideTheStore) {
    std::mt19937 rng(12345);
    for (int round = 0; round < 6; ++round) {
        TOffscreenTerminal::TOptions o;
        o.Cols = 1 + static_cast<int>(rng() % 160);
        o.Rows = 1 + static_cast<int>(rng() % 80);
        o.TerminalType = static_cast<std::uint8_t>(round % 3);
        TOffscreenTerminal term(o);
        TTerminal& t = term.Terminal;
        // Mostly control bytes and sequence letters, so sequences happen.
        const std::string alphabet =
            "\x1b\x1b\x1b\r\n\b\a\f\t&~G1[;0123456789=YgefJKhiabcdABCDH@!(){}<>yEFI m"s;
        for (int b = 0; b < 80; ++b) {
            std::string block(1 + rng() % 300, ' ');
            for (char& c : block)
                c = (rng() % 4 == 0) ? static_cast<char>(rng() % 256)
                                     : alphabet[rng() % alphabet.size()];
            term.Feed(block, 1 + rng() % 64);
            ASSERT_LE(t.CommandLength, 81);
            for (int r = 0; r < t.ScreenRows; ++r)
                for (int c = 0; c < t.ScreenCols; ++c) {
                    ASSERT_LT(t.ScreenCells[r][c].Fg, 16);
                    ASSERT_LT(t.ScreenCells[r][c].Bg, 16);
                }
            ASSERT_LT(t.TextFg, 16);
            ASSERT_LT(t.TextBg, 16);
        }
        EXPECT_EQ(term.BitmapImage().width(), t.ScreenCols * t.CellWidth);
    }
}

} // namespace
} // namespace lemnar
