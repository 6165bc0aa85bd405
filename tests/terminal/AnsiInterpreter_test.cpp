// The ANSI interpreter through the headless receive path: bytes in, screen
// text, positions, attributes, cursor bar and pixels out.

#include "ansi_tty_support.h"

#include <vector>

namespace lemnar::test {
namespace {

struct TScreenCase {
    std::string Name;
    std::string Input; // '^' is ESC
    std::string Screen;
    int Row;
    int Col;
};

std::ostream& operator<<(std::ostream& os, const TScreenCase& c) {
    return os << c.Name;
}

std::vector<TScreenCase> ScreenCases() {
    const std::string zeros47(47, '0');
    const std::string zeros48(48, '0');
    return {
        // cursor movement from the caret, bounded by the grid
        {"UpFive", "^[11;1H^[5A", "", 5, 0},
        {"UpStopsAtTop", "^[4;1H^[5A", "", 0, 0},
        {"UpZero", "^[4;3H^[0A", "", 3, 2},
        {"UpWithoutNumber", "^[11;6H^[A", "", 10, 5},
        {"UpEmptyFirstField", "^[11;6H^[;3A", "", 10, 5},
        {"DownStopsAtBottom", "^[30B", "", 24, 0},
        {"DownFirstNumberOnly", "^[2;9B", "", 2, 0},
        {"RightStopsAtEdge", "^[200C", "", 0, 79},
        {"RightThree", "^[1;5H^[3C", "", 0, 7},
        {"LeftStopsAtEdge", "^[1;10H^[20D", "", 0, 0},
        {"LeftThree", "^[1;10H^[3D", "", 0, 6},
        {"HugeUpSaturates", "^[11;1H^[99999999999999999999999A", "", 0, 0},
        {"HugeRightSaturates", "^[99999999999999999999999C", "", 0, 79},
        {"WrappingCountIsHuge", "^[1;5H^[4294967297D", "", 0, 0},
        // addressing
        {"HomeEmpty", "^[11;21H^[H", "", 0, 0},
        {"HomeEmptyRowField", "^[11;21H^[;10H", "", 0, 0},
        {"RowOnly", "^[11;21H^[5H", "", 4, 20},
        {"RowAndSemicolon", "^[11;21H^[5;H", "", 4, 20},
        {"RowAndTwoSemicolons", "^[11;21H^[5;;7H", "", 4, 20},
        {"ZeroZeroHomes", "^[11;21H^[0;0H", "", 0, 0},
        {"BeyondEdges", "^[99;99H", "", 24, 79},
        {"WrappingNumbersStayHuge", "^[4294967297;4294967297H", "", 24, 79},
        {"LowercaseF", "^[3;4f", "", 2, 3},
        {"ThirdNumberUnused", "^[3;4;9H", "", 2, 3},
        // erase screen only with "2", erase line only without parameters
        {"EraseEmptyEchoes", "ab^[J", "ab[J", 0, 4},
        {"EraseZeroEchoes", "^[0J", "[0J", 0, 3},
        {"EraseOneEchoes", "^[1J", "[1J", 0, 3},
        {"EraseTwentyTwoEchoes", "^[22J", "[22J", 0, 4},
        {"EraseTwoSemicolonEchoes", "^[2;J", "[2;J", 0, 4},
        {"EraseScreenHomes", "abc^[2;5Hdef^[2J", "", 0, 0},
        {"EraseLineEnd", "abcdef^[1;3H^[K", "ab", 0, 2},
        {"EraseLineEndKeepsOtherRows", "abc\r\ndef^[1;2H^[K", "a\ndef", 0, 1},
        {"EraseLineAtLastColumn", "^[1;80Hz^[K", "", 0, 79},
        {"EraseLineTwoEchoes", "^[2K", "[2K", 0, 3},
        {"EraseLineZeroEchoes", "^[0K", "[0K", 0, 3},
        // unsupported final bytes: '[' and the parameters drawn, the final byte is input
        {"PrivateModeEchoes", "^[?25h", "[?25h", 0, 5},
        {"SpaceFinalEchoes", "^[1 q", "[1 q", 0, 4},
        {"HighByteIsNoDigit", "^[3\xC8", "[3\xC8", 0, 3},
        {"UnknownLetterEchoes", "^[5;7X", "[5;7X", 0, 5},
        {"CrEndsSequence", "ab^[12\r", "ab[12", 0, 0},
        {"LfEndsSequence", "^[7\nx", "[7\n  x", 1, 3},
        // accepted and ignored, never answered
        {"StatusReportSilent", "^[6n", "", 0, 0},
        {"PositionReportIgnored", "^[12;40R", "", 0, 0},
        {"ModeIgnored", "^[4h", "", 0, 0},
        {"KeyRedefinitionIgnored", "^[0;59;13p", "", 0, 0},
        // ESC with anything but '[' or 'G': the ESC is dropped
        {"EscDropped", "^x", "x", 0, 1},
        {"EscBeforeCr", "a^\rb", "b", 0, 1},
        {"AbandonedSilently", "abc^[1^[2J", "", 0, 0},
        {"EscRestartsCollection", "^[12^[3C", "", 0, 3},
        // save and restore
        {"SaveRestore", "^[5;6H^[s^[10;10Hxy^[u", std::string(9, '\n') + "         xy", 4, 5},
        {"RestoreWithoutSaveHomes", "^[10;10H^[u", "", 0, 0},
        {"SaveRestoreIgnoreParameters", "^[5;6H^[3s^[H^[7u", "", 4, 5},
        // the switch ESC G x ~
        {"SwitchEchoes", "^G1x", "\x1bG1x", 0, 4},
        {"SwitchEchoThenCr", "^G1\r", "\x1bG1", 0, 0},
        {"SwitchOffIsSilent", "^G0~", "", 0, 0},
        {"SwitchOtherArgumentIsSilent", "^G7~", "", 0, 0},
        // control characters
        {"LfKeepsColumn", "ab\n", "ab", 1, 2},
        {"CrLf", "abc\r\ndef", "abc\ndef", 1, 3},
        {"LfOnLastRowScrolls", "one\r\ntwo" + std::string(24, '\n'), "two", 24, 3},
        {"BsDoesNotErase", "abc\b\b", "abc", 0, 1},
        // parameter overflow: 48 characters are carried out, a 49th abandons
        {"FortyEightParametersRun", "^[" + zeros47 + "3C", "", 0, 3},
        {"FortyNineParametersEcho", "^[" + zeros48 + "3C", "[" + zeros48 + "3C", 0, 51},
        {"FiftiethDigitIsText", "^[" + std::string(50, '1') + "m", "[" + std::string(50, '1') + "m",
         0, 52},
    };
}

class AnsiScreenTest : public ::testing::TestWithParam<TScreenCase> {};

TEST_P(AnsiScreenTest, ShowsTextAndMovesCursor) {
    const TScreenCase& c = GetParam();
    auto t = MakeTerminal(TermAnsi);
    t->Feed(Seq(c.Input));
    ExpectScreen(*t, c.Screen, c.Row, c.Col);
    EXPECT_EQ(t->BeepCount, 0);
}

INSTANTIATE_TEST_SUITE_P(Sequences, AnsiScreenTest, ::testing::ValuesIn(ScreenCases()),
                         [](const auto& info) { return info.param.Name; });

struct TAttributeCase {
    const char* Name;
    const char* Input;
    int Fg, Bg, Bright, Blink, Underline, Reverse, Conceal;
};

std::ostream& operator<<(std::ostream& os, const TAttributeCase& c) {
    return os << c.Name;
}

const TAttributeCase AttributeCases[] = {
    {"Red", "^[31m", 4, 0, 0, 0, 0, 0, 0},
    {"GreenOnYellow", "^[32;43m", 2, 6, 0, 0, 0, 0, 0},
    {"BlueOnCyan", "^[34;46m", 1, 3, 0, 0, 0, 0, 0},
    {"MagentaOnBlack", "^[35;40m", 5, 0, 0, 0, 0, 0, 0},
    {"BlackOnWhite", "^[30;47m", 0, 7, 0, 0, 0, 0, 0},
    {"YellowOnRed", "^[33;41m", 6, 4, 0, 0, 0, 0, 0},
    {"CyanOnMagenta", "^[36;45m", 3, 5, 0, 0, 0, 0, 0},
    {"WhiteOnGreen", "^[31m^[37;42m", 7, 2, 0, 0, 0, 0, 0},
    {"BrightAndBlinkSkipEmptyField", "^[1;;5m", 7, 0, 1, 1, 0, 0, 0},
    {"Underline", "^[4m", 7, 0, 0, 0, 1, 0, 0},
    {"Reverse", "^[7m", 7, 0, 0, 0, 0, 1, 0},
    {"Conceal", "^[8m", 7, 0, 0, 0, 0, 0, 1},
    {"ResetKeepsColours", "^[1;4;5;7;8;31;44m^[0m", 4, 1, 0, 0, 0, 0, 0},
    {"ResetInsideList", "^[1;31;0;5m", 4, 0, 0, 1, 0, 0, 0},
    {"LeadingZeros", "^[01;034m", 1, 0, 1, 0, 0, 0, 0},
    {"OtherNumbersIgnored", "^[2;3;6;9;29;38;39;48;49;90;107m", 7, 0, 0, 0, 0, 0, 0},
    {"WrappingNumberIgnored", "^[4294967327m", 7, 0, 0, 0, 0, 0, 0},
    {"HugeNumberIgnored", "^[99999999999999999999999999999999931m", 7, 0, 0, 0, 0, 0, 0},
    {"EmptyChangesNothing", "^[1;31m^[m", 4, 0, 1, 0, 0, 0, 0},
    {"OnlySemicolons", "^[1m^[;;;m", 7, 0, 1, 0, 0, 0, 0},
};

class AnsiAttributeTest : public ::testing::TestWithParam<TAttributeCase> {};

TEST_P(AnsiAttributeTest, SetsColoursAndFlags) {
    const TAttributeCase& c = GetParam();
    auto t = MakeTerminal(TermAnsi);
    t->Feed(Seq(c.Input));
    const TTerminal& term = t->Terminal;
    EXPECT_EQ(term.TextFg, c.Fg);
    EXPECT_EQ(term.TextBg, c.Bg);
    EXPECT_EQ(term.ClearFg, c.Fg) << "clear colours follow the text colours";
    EXPECT_EQ(term.ClearBg, c.Bg);
    EXPECT_EQ(term.BrightFg, c.Bright);
    EXPECT_EQ(term.BlinkAttr, c.Blink);
    EXPECT_EQ(term.UnderlineAttr, c.Underline);
    EXPECT_EQ(term.ReverseAttr, c.Reverse);
    EXPECT_EQ(term.ConcealAttr, c.Conceal);
    EXPECT_EQ(ScreenText(*t), "");
    EXPECT_EQ(term.CursorCol, 0);
    EXPECT_EQ(term.CursorDrawn, 0) << "m leaves the bar hidden";
}

INSTANTIATE_TEST_SUITE_P(Attributes, AnsiAttributeTest, ::testing::ValuesIn(AttributeCases),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(AnsiColourTest, BoldRedDrawsBrightIndexAndResetKeepsRed) {
    auto t = MakeTerminal(TermAnsi);
    t->Feed(Seq("^[1;31mX"));
    EXPECT_EQ(t->Terminal.TextFg, 4);
    ExpectSpan(*t, 0, 0, "X", 12, 0);
    EXPECT_EQ(CellPixels(*t, 0, 0), (std::set<TColor>{Rgb(190, 0, 0), Rgb(0, 0, 0)}));

    t->Feed(Seq("^[0mY"));
    EXPECT_EQ(t->Terminal.TextFg, 4);
    EXPECT_EQ(t->Terminal.BrightFg, 0);
    ExpectSpan(*t, 0, 1, "Y", 4, 0);
}

TEST(AnsiColourTest, ResetKeepsBrightBackground) {
    auto t = MakeTerminal(TermAnsi);
    t->Terminal.BrightBg = 1;
    t->Feed(Seq("^[1;5;0m"));
    EXPECT_EQ(t->Terminal.BrightBg, 1);
    EXPECT_EQ(t->Terminal.BrightFg, 0);
}

TEST(AnsiColourTest, BlueBackgroundThenEraseLeavesWholeScreenBlue) {
    auto t = MakeTerminal(TermAnsi, 40, 10);
    t->Feed(Seq("some text\r\nmore^[44m^[2J"));
    const TTerminal& term = t->Terminal;
    for (int r = 0; r < term.ScreenRows; ++r)
        for (int c = 0; c < term.ScreenCols; ++c) {
            const Cell& cell = term.ScreenCells[r][c];
            ASSERT_TRUE(cell.Ch == ' ' && cell.Fg == 7 && cell.Bg == 1) << r << "," << c;
        }
    const QImage& image = t->BitmapImage();
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            ASSERT_EQ(t->Terminal.Renderer.Look(TPicture::ScreenBitmap).Pixel(x, y), Rgb(0, 0, 170))
                << x << "," << y;
    EXPECT_EQ(term.TextBg, 1);
    EXPECT_EQ(term.CursorRow, 0);
    EXPECT_EQ(term.CursorCol, 0);
}

TEST(AnsiColourTest, EraseLineUsesClearColoursUnderReverse) {
    auto t = MakeTerminal(TermAnsi);
    t->Feed(Seq("abcd^[1;3H^[32;45m^[7m^[K"));
    ExpectSpan(*t, 0, 0, "ab", 7, 0);
    ExpectSpan(*t, 0, 2, std::string(78, ' '), 5, 2);
}

TEST(AnsiControlTest, BelBeepsAlsoWhenItEndsASequence) {
    auto t = MakeTerminal(TermAnsi);
    t->Feed(Seq("\a^[5\a"));
    EXPECT_EQ(t->BeepCount, 2);
    EXPECT_EQ(ScreenText(*t), "[5");
}

TEST(AnsiControlTest, BsRestampsTheCellInTheCurrentColours) {
    auto t = MakeTerminal(TermAnsi);
    t->Feed(Seq("ab^[31m\b"));
    ExpectSpan(*t, 0, 0, "a", 7, 0);
    ExpectSpan(*t, 0, 1, "b", 4, 0);
    t->Feed(Seq("^[8m\b\b"));
    ExpectSpan(*t, 0, 0, " ", 4, 0);
    EXPECT_EQ(t->Terminal.CursorCol, 0);
}

TEST(AnsiSwitchTest, EscG1TildeTurnsCommandModeOn) {
    auto t = MakeTerminal(TermAnsi);
    t->Feed(Seq("^G1~"));
    EXPECT_EQ(t->Terminal.CommandMode, 1);
    EXPECT_EQ(t->Terminal.EscState, EscGround);
    EXPECT_EQ(t->Terminal.CommandLength, 0);
    EXPECT_EQ(ScreenText(*t), "");
}

// The bar is shown after a sequence only where the sequence says so; the ESC
// has hidden it.
struct TBarCase {
    const char* Input;
    bool Drawn;
};

std::ostream& operator<<(std::ostream& os, const TBarCase& c) {
    return os << c.Input;
}

const TBarCase BarCases[] = {
    {"^[2A", true},  {"^[A", false},  {"^[2B", true},   {"^[B", false},   {"^[2C", true},
    {"^[C", false},  {"^[2D", true},  {"^[D", false},   {"^[4;9H", true}, {"^[f", true},
    {"^[2J", true},  {"^[K", false},  {"^[31m", false}, {"^[s", false},   {"^[u", true},
    {"^[6n", false}, {"^[1h", false}, {"^G1", false},
};

class AnsiCursorBarTest : public ::testing::TestWithParam<TBarCase> {};

TEST_P(AnsiCursorBarTest, ShownOnlyWhereTheSequenceShowsIt) {
    auto t = MakeTerminal(TermAnsi);
    t->Feed(Seq("^[5;5Hab"));
    ASSERT_EQ(t->Terminal.CursorDrawn, 1);
    t->Feed(Seq(GetParam().Input));
    const TTerminal& term = t->Terminal;
    EXPECT_EQ(term.CursorDrawn, GetParam().Drawn ? 1 : 0);
    // The bar is the caret cell's bottom two pixel lines, inverted on the window only.
    const int x = term.CaretCol * term.CellWidth;
    const int y = (term.CaretRow + 1) * term.CellHeight - 1;
    const TColor under = t->Terminal.Renderer.Look(TPicture::ScreenBitmap).Pixel(x, y);
    const TColor shown = t->Terminal.Renderer.Look(TPicture::Window).Pixel(x, y);
    EXPECT_EQ(shown, GetParam().Drawn ? (under ^ 0xFFFFFF) : under);
}

INSTANTIATE_TEST_SUITE_P(Sequences, AnsiCursorBarTest, ::testing::ValuesIn(BarCases));

} // namespace
} // namespace lemnar::test
