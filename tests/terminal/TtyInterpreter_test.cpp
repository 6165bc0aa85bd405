// The TTY interpreter through the headless receive path, and the control
// characters that the three terminal types treat differently.

#include "ansi_tty_support.h"

#include <vector>

namespace lemnar::test {
namespace {

struct TTtyCase {
    std::string Name;
    std::string Input; // '^' is ESC
    std::string Screen;
    int Row;
    int Col;
};

std::ostream& operator<<(std::ostream& os, const TTtyCase& c) {
    return os << c.Name;
}

std::vector<TTtyCase> TtyCases() {
    return {
        {"CrLf", "abc\r\ndef", "abc\ndef", 1, 3},
        {"LfKeepsColumn", "ab\ncd", "ab\n  cd", 1, 4},
        {"LfOnLastRowScrolls", "one\r\ntwo" + std::string(24, '\n'), "two", 24, 3},
        {"BsErases", "abc\b", "ab", 0, 2},
        {"BsTwiceThenText", "abc\b\bx", "ax", 0, 2},
        {"BsAtLastColumn", std::string(80, 'x') + "\b", std::string(78, 'x') + " x", 0, 78},
        {"BsAtColumnZeroKeepsCell", "ab\r\b", "ab", 0, 0},
        {"EscBracketShowsEscGlyph", "^[2J",
         "\x1b"
         "2J",
         0, 3},
        {"EscEscShowsOneGlyph", "^^x", "\x1b", 0, 1},
        {"EscThenCrDrawsOnlyTheGlyph", "a^\rb",
         "a\x1b"
         "b",
         0, 3},
        {"AnsiColourIsText", "^[1;31mX",
         "\x1b"
         "1;31mX",
         0, 7},
        {"SwitchEchoesFourBytes", "^G1ab", "\x1bG1ab", 0, 5},
        {"SwitchEchoDrawsControlByte", "^Gx\r", "\x1bGx\r", 0, 4},
        {"SwitchOffIsSilent", "^G0~x", "x", 0, 1},
        {"SwitchWithEscArgumentRestarts", "^G^x", "\x1b", 0, 1},
    };
}

class TtyScreenTest : public ::testing::TestWithParam<TTtyCase> {};

TEST_P(TtyScreenTest, ShowsTextAndMovesCursor) {
    const TTtyCase& c = GetParam();
    auto t = MakeTerminal(TermTty);
    t->Feed(Seq(c.Input));
    ExpectScreen(*t, c.Screen, c.Row, c.Col);
    EXPECT_EQ(t->Terminal.TextFg, 7) << "TTY never changes colours";
}

INSTANTIATE_TEST_SUITE_P(Streams, TtyScreenTest, ::testing::ValuesIn(TtyCases()),
                         [](const auto& info) { return info.param.Name; });

TEST(TtyControlTest, BsLeavesABlankWithTheCursorOnIt) {
    auto t = MakeTerminal(TermTty);
    t->Feed("abc\b");
    ExpectSpan(*t, 0, 0, "ab ", 7, 0);
    TTerminal& term = t->Terminal;
    EXPECT_EQ(term.CursorDrawn, 1);
    const int x = 2 * term.CellWidth;
    const int y = term.CellHeight - 1;
    EXPECT_EQ(term.Renderer.Look(TPicture::Window).Pixel(x, y),
              term.Renderer.Look(TPicture::ScreenBitmap).Pixel(x, y) ^ 0xFFFFFF)
        << "bar on the blank";
}

TEST(TtyControlTest, BelBeeps) {
    auto t = MakeTerminal(TermTty);
    t->Feed("\a\a");
    EXPECT_EQ(t->BeepCount, 2);
    EXPECT_EQ(ScreenText(*t), "");
}

TEST(TtySwitchTest, EscG1TildeTurnsCommandModeOn) {
    auto t = MakeTerminal(TermTty);
    t->Feed(Seq("^G1~"));
    EXPECT_EQ(t->Terminal.CommandMode, 1);
    EXPECT_EQ(t->Terminal.EscState, EscGround);
    EXPECT_EQ(t->Terminal.CommandLength, 0);
    EXPECT_EQ(t->Terminal.GraphicsArg, '1');
    EXPECT_EQ(ScreenText(*t), "");
}

// FF, TAB and BS differ between the terminal types.
struct TTypeCase {
    const char* Name;
    std::uint8_t Type;
    const char* Input;
    const char* Screen;
    int Col;
};

std::ostream& operator<<(std::ostream& os, const TTypeCase& c) {
    return os << c.Name;
}

const TTypeCase TypeCases[] = {
    {"AnsiFfIsGlyph", TermAnsi, "ab\fc", "ab\fc", 4},
    {"TtyFfIsGlyph", TermTty, "ab\fc", "ab\fc", 4},
    {"QnxFfClearsInPlace", TermQnx, "ab\fc", "  c", 3},
    {"AnsiTabIsGlyph", TermAnsi, "a\tb", "a\tb", 3},
    {"TtyTabIsGlyph", TermTty, "a\tb", "a\tb", 3},
    {"QnxTabIsGlyph", TermQnx, "a\tb", "a\tb", 3},
    {"AnsiBsKeeps", TermAnsi, "abc\b\b", "abc", 1},
    {"TtyBsErases", TermTty, "abc\b\b", "a", 1},
    {"QnxBsKeeps", TermQnx, "abc\b\b", "abc", 1},
    {"AnsiBsAtColumnZero", TermAnsi, "ab\r\b\bx", "xb", 1},
    {"TtyBsAtColumnZero", TermTty, "ab\r\b\bx", "xb", 1},
    {"QnxBsAtColumnZero", TermQnx, "ab\r\b\bx", "xb", 1},
};

class TerminalTypeTest : public ::testing::TestWithParam<TTypeCase> {};

TEST_P(TerminalTypeTest, FfTabAndBackspace) {
    const TTypeCase& c = GetParam();
    auto t = MakeTerminal(c.Type);
    t->Feed(c.Input);
    EXPECT_EQ(ScreenText(*t), c.Screen);
    EXPECT_EQ(t->Terminal.CursorRow, 0);
    EXPECT_EQ(t->Terminal.CursorCol, c.Col);
}

INSTANTIATE_TEST_SUITE_P(Types, TerminalTypeTest, ::testing::ValuesIn(TypeCases),
                         [](const auto& info) { return std::string(info.param.Name); });

} // namespace
} // namespace lemnar::test
