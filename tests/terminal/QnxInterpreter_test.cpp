// The QNX console interpreter through the receive path: control characters,
// every escape sequence, positions at and beyond the grid edges, line insert
// and delete, and random streams in blocks of any size.

#include "platform/OffscreenTerminal.h"
#include "support/Pixels.h"
#include "support/QnxBytes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <random>
#include <string>

namespace lemnar {
namespace {

using namespace std::string_literals;
using test::At;
using test::CountColor;
using test::PixelAt;
using test::Repeat;

TOffscreenTerminal::TOptions Grid(int cols, int rows) {
    TOffscreenTerminal::TOptions o;
    o.Cols = cols;
    o.Rows = rows;
    return o;
}

struct QnxTest : ::testing::Test {
    TOffscreenTerminal Term;
    TTerminal& T = Term.Terminal;
    int Cw = T.CellWidth;
    int Ch = T.CellHeight;

    void Feed(const std::string& s) { Term.Feed(s); }
    const Cell& C(int row, int col) const { return T.ScreenCells[row][col]; }
    // Every pixel of the cell's picture has this colour (a blank cell).
    bool CellIsPlain(const QImage& image, int row, int col, TColor color) const {
        return CountColor(image, col * Cw, row * Ch, Cw, Ch, color) == Cw * Ch;
    }
    QImage Strip(const QImage& image, int row) const {
        return image.copy(0, row * Ch, image.width(), Ch);
    }
};

// --- Control characters -------------------------------------------------------

TEST_F(QnxTest, LineFeedOnTheBottomRowScrollsKeepingTheColumn) {
    Feed(At(24, 10) + "Q\n");
    EXPECT_EQ(T.CursorRow, 24);
    EXPECT_EQ(T.CursorCol, 11);
    EXPECT_EQ(T.CaretRow, 24);
    EXPECT_EQ(C(23, 10).Ch, 'Q');
    EXPECT_EQ(C(24, 10).Ch, ' ');
    Feed("\r");
    EXPECT_EQ(T.CursorCol, 0);
    EXPECT_EQ(T.CaretCol, 0);
    EXPECT_EQ(T.EscState, EscGround);
}

TEST_F(QnxTest, LineFeedInTheMiddleMovesDownOnly) {
    Feed(At(3, 7) + "\n");
    EXPECT_EQ(T.CursorRow, 4);
    EXPECT_EQ(T.CursorCol, 7);
    EXPECT_EQ(T.CaretRow, 4);
    EXPECT_EQ(C(0, 0).Ch, ' ');
    EXPECT_EQ(T.CursorDrawn, 1);
}

TEST_F(QnxTest, BackspaceRecoloursWithoutErasing) {
    Feed("ab\x1b@12\b");
    EXPECT_EQ(T.CursorCol, 1);
    EXPECT_EQ(T.CaretCol, 1);
    EXPECT_EQ(C(0, 1).Ch, 'b');
    EXPECT_EQ(C(0, 1).Fg, 1);
    EXPECT_EQ(C(0, 1).Bg, 2);
    EXPECT_EQ(C(0, 0).Fg, 7);
    EXPECT_GT(CountColor(Term.BitmapImage(), Cw, 0, Cw, Ch, TextPalette[2]), 0);
    // At column 0 it stays there and re-stamps cell 0.
    Feed("\b\b\b");
    EXPECT_EQ(T.CursorCol, 0);
    EXPECT_EQ(T.CaretCol, 0);
    EXPECT_EQ(C(0, 0).Ch, 'a');
    EXPECT_EQ(C(0, 0).Bg, 2);
    // Concealed, the cell it lands on becomes blank.
    Feed("xy");
    T.ConcealAttr = 1;
    Feed("\b");
    EXPECT_EQ(C(0, 1).Ch, ' ');
}

TEST_F(QnxTest, FormFeedClearsToTheClearColoursAndKeepsThePosition) {
    Feed("\x1b!12" + Repeat(80, 'x') + At(7, 9) + "z\f");
    EXPECT_EQ(T.CursorRow, 7);
    EXPECT_EQ(T.CursorCol, 10);
    EXPECT_EQ(T.CaretCol, 10);
    for (int r = 0; r < 25; ++r)
        for (int c = 0; c < 80; ++c) {
            ASSERT_EQ(C(r, c).Ch, ' ');
            ASSERT_EQ(C(r, c).Fg, 1);
            ASSERT_EQ(C(r, c).Bg, 2);
        }
    const QImage& bmp = Term.BitmapImage();
    EXPECT_EQ(CountColor(bmp, 0, 0, bmp.width(), bmp.height(), TextPalette[2]),
              bmp.width() * bmp.height());
    // The bar is back on the window at the caret.
    EXPECT_EQ(T.CursorDrawn, 1);
    EXPECT_EQ(PixelAt(Term.WindowImage(), 10 * Cw, 8 * Ch - 1), TextPalette[2] ^ White);
}

TEST_F(QnxTest, BellBeepsAndChangesNothingElse) {
    Feed("a\a\ab");
    EXPECT_EQ(Term.BeepCount, 2);
    EXPECT_EQ(Term.RowBytes(0).substr(0, 3), "ab ");
}

// --- The escape table -----------------------------------------------------------

struct TEscCase {
    const char* Name;
    std::string Bytes;
    std::function<void(const TTerminal&)> Check;
};

void PrintTo(const TEscCase& c, std::ostream* os) {
    *os << c.Name;
}

struct EscTable : QnxTest, ::testing::WithParamInterface<TEscCase> {};

TEST_P(EscTable, SequenceHasItsEffect) {
    Feed(GetParam().Bytes);
    EXPECT_EQ(T.EscState, EscGround);
    GetParam().Check(T);
}

void ExpectPos(const TTerminal& t, int row, int col) {
    EXPECT_EQ(t.CursorRow, row);
    EXPECT_EQ(t.CursorCol, col);
}

const TEscCase EscCases[] = {
    {"ReverseOn", "\x1b(", [](const TTerminal& t) { EXPECT_EQ(t.ReverseAttr, 1); }},
    {"ReverseOff", "\x1b(\x1b)", [](const TTerminal& t) { EXPECT_EQ(t.ReverseAttr, 0); }},
    {"BrightFgOn", "\x1b<", [](const TTerminal& t) { EXPECT_EQ(t.BrightFg, 1); }},
    {"BrightFgOff", "\x1b<\x1b>", [](const TTerminal& t) { EXPECT_EQ(t.BrightFg, 0); }},
    {"BrightBgOn", "\x1b{", [](const TTerminal& t) { EXPECT_EQ(t.BrightBg, 1); }},
    {"BrightBgOff", "\x1b{\x1b}", [](const TTerminal& t) { EXPECT_EQ(t.BrightBg, 0); }},
    {"UnderlineOn", "\x1b[", [](const TTerminal& t) { EXPECT_EQ(t.UnderlineAttr, 1); }},
    {"UnderlineOff", "\x1b[\x1b]", [](const TTerminal& t) { EXPECT_EQ(t.UnderlineAttr, 0); }},
    {"CursorHidden", "\x1by0", [](const TTerminal& t) { EXPECT_EQ(t.CursorHidden, 1); }},
    {"CursorShownAgain", "\x1by0\x1by1", [](const TTerminal& t) { EXPECT_EQ(t.CursorHidden, 0); }},
    {"CursorShownByAnyOtherByte", "\x1by0\x1byQ",
     [](const TTerminal& t) { EXPECT_EQ(t.CursorHidden, 0); }},
    {"AddressEquals", "\x1b=7O",
     [](const TTerminal& t) {
         ExpectPos(t, 23, 47);
         EXPECT_EQ(t.CaretRow, 23);
         EXPECT_EQ(t.CaretCol, 47);
         EXPECT_EQ(t.CursorDrawn, 1);
     }},
    {"AddressY", "\x1bY\"#", [](const TTerminal& t) { ExpectPos(t, 2, 3); }},
    {"AddressBeyondTheGridStopsAtTheLastCell", "\x1b=\x7f\x7f",
     [](const TTerminal& t) {
         ExpectPos(t, 24, 79);
         EXPECT_EQ(t.CaretRow, 24);
     }},
    {"AddressBelowSpaceIsZero", "\x1b=%%\x1b=\x1f\n",
     [](const TTerminal& t) { ExpectPos(t, 0, 0); }},
    {"AddressHighBytesAreZero", "\x1b=%%\x1b=\x80\xff",
     [](const TTerminal& t) { ExpectPos(t, 0, 0); }},
    {"UpStopsAtZero",
     "\x1b=\"%\x1b"
     "A\x1b"
     "A\x1b"
     "A",
     [](const TTerminal& t) {
         ExpectPos(t, 0, 5);
         EXPECT_EQ(t.CaretRow, 2); // the caret waits for the next character
     }},
    {"DownStopsAtTheBottomRow",
     "\x1b=7%\x1b"
     "B\x1b"
     "B",
     [](const TTerminal& t) { ExpectPos(t, 24, 5); }},
    {"RightShowsTheBarAtTheCaret",
     "\x1b=%%\x1b"
     "C",
     [](const TTerminal& t) {
         ExpectPos(t, 5, 6);
         EXPECT_EQ(t.CaretCol, 5);
         EXPECT_EQ(t.CursorDrawn, 1);
     }},
    {"LeftStopsAtZero",
     "\x1b=% \x1b"
     "D",
     [](const TTerminal& t) { ExpectPos(t, 5, 0); }},
    {"Home", "\x1b=%%\x1bH", [](const TTerminal& t) { ExpectPos(t, 0, 0); }},
    {"UnboundedUp",
     "\x1b"
     "a\x1b"
     "a",
     [](const TTerminal& t) { ExpectPos(t, -2, 0); }},
    {"UnboundedDown",
     "\x1b=8 \x1b"
     "b\x1b"
     "b",
     [](const TTerminal& t) { ExpectPos(t, 26, 0); }},
    {"UnboundedRight",
     "\x1b= o\x1b"
     "c",
     [](const TTerminal& t) { ExpectPos(t, 0, 80); }},
    {"UnboundedLeft",
     "\x1b"
     "d",
     [](const TTerminal& t) { ExpectPos(t, 0, -1); }},
    {"WrapOn", "\x1bh", [](const TTerminal& t) { EXPECT_EQ(t.AutoWrap, 1); }},
    {"WrapOff", "\x1bh\x1bi", [](const TTerminal& t) { EXPECT_EQ(t.AutoWrap, 0); }},
    {"SaveAndRestoreColours", "\x1b@12\x1bS\x1b@34\x1bR",
     [](const TTerminal& t) {
         EXPECT_EQ(t.TextFg, 1);
         EXPECT_EQ(t.TextBg, 2);
         EXPECT_EQ(t.SavedFg, 1);
         EXPECT_EQ(t.SavedBg, 2);
     }},
    {"TextColours", "\x1b@?1",
     [](const TTerminal& t) {
         EXPECT_EQ(t.TextFg, 15);
         EXPECT_EQ(t.TextBg, 1);
     }},
    {"TextColoursYellowOnBlue", "\x1b@>1", [](const TTerminal& t) { EXPECT_EQ(t.TextFg, 14); }},
    {"ColourBytesOutsideTheRangeWrap", "\x1b@AO",
     [](const TTerminal& t) {
         EXPECT_EQ(t.TextFg, 1);  // 'A' - '0' = 17
         EXPECT_EQ(t.TextBg, 15); // 'O' - '0' = 31
     }},
    {"ColourBytesBelowZeroWrap", "\x1b@\x80/",
     [](const TTerminal& t) {
         EXPECT_EQ(t.TextFg, 0);
         EXPECT_EQ(t.TextBg, 15);
     }},
    {"ClearColours", "\x1b!>1",
     [](const TTerminal& t) {
         EXPECT_EQ(t.ClearFg, 14);
         EXPECT_EQ(t.ClearBg, 1);
     }},
    // The row that scrolls in is never drawn (its strip is black), so only its
    // cells tell which bright bits it took: the current ones, not the old row's.
    {"ScrolledInRowDropsTheOldRowsBrightBits", "\x1b=8 \x1b<\x1b{x\x1b>\x1b}\n",
     [](const TTerminal& t) {
         EXPECT_EQ(t.ScreenCells[23][0].Fg, 15);
         EXPECT_EQ(t.ScreenCells[24][0].Fg, 7);
         EXPECT_EQ(t.ScreenCells[24][0].Bg, 0);
     }},
    {"ScrolledInRowTakesTheCurrentBrightBits", "\x1b=8 x\x1b<\x1b{\n",
     [](const TTerminal& t) {
         EXPECT_EQ(t.ScreenCells[24][0].Fg, 15);
         EXPECT_EQ(t.ScreenCells[24][79].Bg, 8);
     }},
    {"CommandModeOn", "\x1bG1~", [](const TTerminal& t) { EXPECT_EQ(t.CommandMode, 1); }},
    {"CommandSwitchWithAnotherArgument", "\x1bGx~",
     [](const TTerminal& t) { EXPECT_EQ(t.CommandMode, 0); }},
    {"CommandSwitchWithoutTilde", "\x1bG1x",
     [](const TTerminal& t) {
         EXPECT_EQ(t.CommandMode, 0);
         EXPECT_EQ(t.ScreenCells[0][0].Ch, ' '); // the x is dropped
     }},
    {"UnknownLetterIsDropped", "\x1bQ",
     [](const TTerminal& t) {
         EXPECT_EQ(t.ScreenCells[0][0].Ch, ' ');
         ExpectPos(t, 0, 0);
     }},
    {"LineFeedAfterEscIsDropped", "\x1b=%%\x1b\n", [](const TTerminal& t) { ExpectPos(t, 5, 5); }},
    {"ControlInsideAddressingIsAnArgument", "\x1b=\r(",
     [](const TTerminal& t) { ExpectPos(t, 0, 8); }},
};

INSTANTIATE_TEST_SUITE_P(Qnx, EscTable, ::testing::ValuesIn(EscCases),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(QnxTest, RightStopsAtColumn79WhateverTheGrid) {
    TOffscreenTerminal wide(Grid(100, 25));
    wide.Feed(At(0, 78) + "\x1b"
                          "C\x1b"
                          "C\x1b"
                          "C");
    EXPECT_EQ(wide.Terminal.CursorCol, 79);

    // On a narrower grid it may pass the last column; the next character
    // still lands in the grid.
    TOffscreenTerminal narrow(Grid(40, 25));
    narrow.Feed(At(0, 39) + "\x1b"
                            "C");
    EXPECT_EQ(narrow.Terminal.CursorCol, 40);
    narrow.Feed("x");
    EXPECT_EQ(narrow.Terminal.ScreenCells[0][39].Ch, 'x');
}

TEST_F(QnxTest, ClearRectangleLeavesTheColumnsLeftOfThePosition) {
    for (int r = 0; r < 25; ++r)
        Feed(At(r, 0) + Repeat(80, 'x'));
    Feed("\x1b!23" + At(5, 10) + "\x1bJ");
    EXPECT_EQ(T.CursorRow, 5);
    EXPECT_EQ(T.CursorCol, 10);
    for (int r = 0; r < 25; ++r)
        for (int c = 0; c < 80; ++c) {
            const bool cleared = r >= 5 && c >= 10;
            ASSERT_EQ(C(r, c).Ch, cleared ? ' ' : 'x') << r << "," << c;
            ASSERT_EQ(C(r, c).Bg, cleared ? 3 : 0) << r << "," << c;
        }
    EXPECT_TRUE(CellIsPlain(Term.BitmapImage(), 24, 79, TextPalette[3]));
    EXPECT_FALSE(CellIsPlain(Term.BitmapImage(), 24, 9, TextPalette[0]));
}

TEST_F(QnxTest, ClearToLineEndFromColumnZeroClearsTheLine) {
    Feed(At(3, 0) + Repeat(80, 'x') + At(4, 0) + Repeat(80, 'y') + "\x1b<" + At(3, 0) + "\x1bK");
    for (int c = 0; c < 80; ++c) {
        ASSERT_EQ(C(3, c).Ch, ' ');
        ASSERT_EQ(C(3, c).Fg, 15); // bright applies to cleared cells
        ASSERT_EQ(C(4, c).Ch, 'y');
    }
    Feed(At(4, 70) + "\x1bK");
    EXPECT_EQ(Term.RowBytes(4), std::string(70, 'y') + std::string(10, ' '));
    EXPECT_EQ(T.CursorCol, 70);
}

TEST_F(QnxTest, InsertAndDeleteOnAFiveColumnGrid) {
    struct Case {
        const char* seq;
        const char* row;
    };
    const Case cases[] = {{"\x1b"
                           "e",
                           "A BCD"},
                          {"\x1b"
                           "f",
                           "ACDE "}};
    for (const Case& c : cases) {
        TOffscreenTerminal term(Grid(5, 3));
        term.Feed("ABCDE\x1b@23" + At(0, 1) + c.seq);
        const TTerminal& t = term.Terminal;
        EXPECT_EQ(term.RowBytes(0), c.row) << c.seq;
        EXPECT_EQ(t.CursorCol, 1);
        EXPECT_EQ(t.ScreenCells[0][0].Fg, 7) << "left of the position untouched";
        for (int col = 1; col < 5; ++col) {
            EXPECT_EQ(t.ScreenCells[0][col].Fg, 2) << c.seq << col;
            EXPECT_EQ(t.ScreenCells[0][col].Bg, 3) << c.seq << col;
        }
    }
}

TEST_F(QnxTest, RepeatWritesAlongTheLineAndLeavesTheCaretAtTheStart) {
    Feed(At(2, 3) + "\x1b@14" + Repeat(5, 'x'));
    EXPECT_EQ(Term.RowBytes(2).substr(0, 10), "   xxxxx  ");
    EXPECT_EQ(C(2, 7).Fg, 1);
    EXPECT_EQ(T.CursorCol, 8);
    EXPECT_EQ(T.CaretRow, 2);
    EXPECT_EQ(T.CaretCol, 3);
    EXPECT_EQ(T.CursorFollows, 1);
    EXPECT_EQ(T.CursorDrawn, 0);
}

TEST_F(QnxTest, RepeatCountsAreBoundedByTheLineEnd) {
    struct Case {
        int cols, start, written, endCol;
        char count;
    };
    const Case cases[] = {
        {120, 0, 95, 95, '\x7f'}, // the largest count
        {80, 0, 80, 80, '\x7f'},  // stops at the line end, one past the last column
        {80, 70, 10, 80, '\x7f'}, {80, 5, 0, 5, '\x10'}, // a count byte below 0x20 writes nothing
        {80, 5, 0, 5, '\xc0'},
    };
    for (const Case& c : cases) {
        TOffscreenTerminal term(Grid(c.cols, 4));
        term.Feed(At(1, c.start) + "\x1bg" + c.count + "#");
        const std::string row = term.RowBytes(1);
        EXPECT_EQ(std::count(row.begin(), row.end(), '#'), c.written) << c.cols << " " << c.start;
        EXPECT_EQ(term.Terminal.CursorCol, c.endCol);
        // The next character goes to the last cell of the line.
        if (c.endCol == c.cols) {
            term.Feed("Z");
            EXPECT_EQ(term.Terminal.ScreenCells[1][c.cols - 1].Ch, 'Z');
        }
    }
}

TEST_F(QnxTest, ColoursWithBrightAndReverseReachThePictures) {
    // Blue on red, reversed and bright: fg 4 | 8 = 12, bg 1 | 8 = 9.
    Feed("\x1b@14\x1b(\x1b<\x1b{M");
    EXPECT_EQ(C(0, 0).Fg, 12);
    EXPECT_EQ(C(0, 0).Bg, 9);
    Feed("\x1b)\x1b>\x1b}N");
    EXPECT_EQ(C(0, 1).Fg, 1);
    EXPECT_EQ(C(0, 1).Bg, 4);
    for (const QImage* image : {&Term.BitmapImage(), &Term.WindowImage()}) {
        const int bg0 = CountColor(*image, 0, 0, Cw, Ch, TextPalette[9]);
        const int fg0 = CountColor(*image, 0, 0, Cw, Ch, TextPalette[12]);
        EXPECT_GT(bg0, Cw * Ch / 2);
        EXPECT_GT(fg0, 0);
        EXPECT_GT(CountColor(*image, Cw, 0, Cw, Ch - 2, TextPalette[4]), Cw * Ch / 2);
        EXPECT_GT(CountColor(*image, Cw, 0, Cw, Ch - 2, TextPalette[1]), 0);
    }
}

TEST_F(QnxTest, AbandonedSequencesKeepWhatTheySet) {
    Feed(At(4, 4) + "\x1b=(\x1b@3\x1bKx");
    EXPECT_EQ(C(8, 4).Ch, 'x'); // row 8 was set, the column never came
    EXPECT_EQ(C(8, 4).Fg, 3);   // the foreground was set, the background never came
    EXPECT_EQ(C(8, 4).Bg, 0);

    // An abandoned repeat leaves the caret behind until the next repeat ends.
    Feed("\x1bg%\x1b"
         "Dab");
    EXPECT_EQ(T.CursorFollows, 0);
    EXPECT_EQ(T.CaretCol, 5);
    EXPECT_EQ(T.CursorCol, 6);
    Feed(Repeat(1, 'c') + "d");
    EXPECT_EQ(T.CursorFollows, 1);
    EXPECT_EQ(T.CaretCol, 8);
}

TEST_F(QnxTest, PositionsOutsideTheGridTouchOnlyGridCells) {
    struct Case {
        const char* name;
        std::string bytes;
        std::function<void(const TOffscreenTerminal&)> check;
    };
    const std::string fill = At(0, 0) + Repeat(80, 'x') + At(24, 0) + Repeat(80, 'x');
    const Case cases[] = {
        {"ClearLineLeftOfTheGrid",
         "\x1bH\x1b"
         "d\x1b"
         "d\x1bK",
         [](const TOffscreenTerminal& t) { EXPECT_EQ(t.RowBytes(0), std::string(80, ' ')); }},
        {"ClearLineAboveTheGrid",
         "\x1bH\x1b"
         "a\x1bK",
         [](const TOffscreenTerminal& t) { EXPECT_EQ(t.RowBytes(0), std::string(80, 'x')); }},
        {"ClearRectangleAboveTheGrid",
         "\x1bH\x1b"
         "a\x1bJ",
         [](const TOffscreenTerminal& t) {
             EXPECT_EQ(t.RowBytes(0), std::string(80, ' '));
             EXPECT_EQ(t.RowBytes(24), std::string(80, ' '));
         }},
        {"ClearRectangleBelowTheGrid",
         At(24, 0) + "\x1b"
                     "b\x1bJ",
         [](const TOffscreenTerminal& t) { EXPECT_EQ(t.RowBytes(24), std::string(80, 'x')); }},
        {"InsertPastTheLineEnd",
         At(0, 0) + Repeat(80, 'y') +
             "\x1b"
             "e",
         [](const TOffscreenTerminal& t) { EXPECT_EQ(t.RowBytes(0), std::string(80, 'y')); }},
        {"DeletePastTheLineEndBlanksTheLastCell",
         At(0, 0) + Repeat(80, 'y') +
             "\x1b"
             "f",
         [](const TOffscreenTerminal& t) { EXPECT_EQ(t.RowBytes(0), std::string(79, 'y') + " "); }},
        {"InsertBelowTheGrid",
         At(24, 0) + "\x1b"
                     "b\x1b"
                     "e",
         [](const TOffscreenTerminal& t) { EXPECT_EQ(t.RowBytes(24), std::string(80, 'x')); }},
        {"RepeatFromLeftOfTheGrid",
         "\x1bH\x1b"
         "d\x1b"
         "d" +
             Repeat(5, 'z'),
         [](const TOffscreenTerminal& t) {
             EXPECT_EQ(t.RowBytes(0).substr(0, 4), "zzzx");
             EXPECT_EQ(t.Terminal.CursorCol, 3);
         }},
        {"RepeatAboveTheGrid",
         "\x1bH\x1b"
         "a" +
             Repeat(5, 'z'),
         [](const TOffscreenTerminal& t) {
             EXPECT_EQ(t.RowBytes(0), std::string(80, 'x'));
             EXPECT_EQ(t.Terminal.CursorCol, 5);
         }},
        {"BackspaceLeftOfTheGrid",
         "\x1bH\x1b"
         "d\x1b"
         "d\b",
         [](const TOffscreenTerminal& t) { EXPECT_EQ(t.Terminal.CursorCol, 0); }},
        {"WriteBelowTheGridLandsOnTheLastRow",
         At(24, 3) + "\x1b"
                     "b\x1b"
                     "bW",
         [](const TOffscreenTerminal& t) {
             EXPECT_EQ(t.Terminal.ScreenCells[24][3].Ch, 'W');
             EXPECT_EQ(t.Terminal.CursorRow, 24);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TOffscreenTerminal term;
        term.Feed(fill + c.bytes);
        EXPECT_EQ(term.Terminal.EscState, EscGround);
        c.check(term);
    }
}

// --- Line insert, delete and reverse index ---------------------------------------

struct QnxLines : QnxTest {
    // Row r holds letters in colour r % 7 + 1 on a background r % 8.
    void SetUp() override {
        for (int r = 0; r < 25; ++r) {
            Feed(At(r, 0) + "\x1b@" + static_cast<char>('1' + r % 7) +
                 static_cast<char>('0' + r % 8) + Repeat(80, static_cast<char>('A' + r)));
        }
        Feed(At(10, 4) + "\x1b!23");
        Before = Term.BitmapImage().copy();
        for (int r = 0; r < 25; ++r)
            Rows[r] = Term.RowBytes(r);
    }
    QImage Before;
    std::string Rows[25];

    void ExpectBlankRow(int row) {
        EXPECT_EQ(Term.RowBytes(row), std::string(80, ' ')) << row;
        EXPECT_EQ(C(row, 0).Bg, 3);
        EXPECT_EQ(Strip(Term.BitmapImage(), row).pixel(0, 0) & 0xFFFFFF, TextPalette[3]);
        EXPECT_EQ(CountColor(Term.BitmapImage(), 0, row * Ch, 80 * Cw, Ch, TextPalette[3]),
                  80 * Cw * Ch);
    }
    void ExpectRowMoved(int from, int to) {
        EXPECT_EQ(Term.RowBytes(to), Rows[from]) << from << "->" << to;
        EXPECT_EQ(C(to, 0).Bg, from % 8);
        EXPECT_EQ(Strip(Term.BitmapImage(), to), Strip(Before, from)) << from << "->" << to;
    }
    void ExpectRowKept(int row) { ExpectRowMoved(row, row); }
    // No bar: the window shows exactly ScreenBitmap, and nothing moved the caret.
    void ExpectWindowMatches() {
        EXPECT_EQ(Term.WindowImage(), Term.BitmapImage());
        EXPECT_EQ(T.CaretRow, 10);
        EXPECT_EQ(T.CaretCol, 4);
        EXPECT_EQ(T.CursorDrawn, 0);
    }
};

TEST_F(QnxLines, InsertLineMovesTheRowsBelowDown) {
    Feed("\x1b"
         "E");
    for (int r = 0; r < 10; ++r)
        ExpectRowKept(r);
    ExpectBlankRow(10);
    for (int r = 11; r < 25; ++r)
        ExpectRowMoved(r - 1, r);
    EXPECT_EQ(T.CursorRow, 10);
    EXPECT_EQ(T.CursorCol, 4);
    ExpectWindowMatches();
}

TEST_F(QnxLines, DeleteLineMovesTheRowsBelowUp) {
    Feed("\x1b"
         "F");
    for (int r = 0; r < 10; ++r)
        ExpectRowKept(r);
    for (int r = 10; r < 24; ++r)
        ExpectRowMoved(r + 1, r);
    ExpectBlankRow(24);
    EXPECT_EQ(T.CursorRow, 10);
    ExpectWindowMatches();
}

TEST_F(QnxLines, InsertAndDeleteOnTheBottomRowOnlyBlankIt) {
    for (const char* seq : {"\x1b"
                            "E",
                            "\x1b"
                            "F"}) {
        Feed(At(24, 0) + seq);
        for (int r = 0; r < 24; ++r)
            ExpectRowKept(r);
        ExpectBlankRow(24);
    }
}

TEST_F(QnxLines, ReverseIndexMovesUpAndScrollsDownOnTheTopRow) {
    Feed("\x1bI");
    EXPECT_EQ(T.CursorRow, 9);
    for (int r = 0; r < 25; ++r)
        ExpectRowKept(r);
    ExpectWindowMatches();

    Feed("\x1bH\x1bI");
    EXPECT_EQ(T.CursorRow, 0);
    ExpectBlankRow(0);
    for (int r = 1; r < 25; ++r)
        ExpectRowMoved(r - 1, r);
    ExpectWindowMatches();
}

TEST_F(QnxLines, RowsOutsideTheGridMoveNothing) {
    for (const std::string& bytes : {"\x1bH\x1b"
                                     "a\x1b"
                                     "E"s,
                                     "\x1bH\x1b"
                                     "a\x1b"
                                     "F"s,
                                     "\x1bH\x1b"
                                     "a\x1bI"s,
                                     At(24, 0) + "\x1b"
                                                 "b\x1b"
                                                 "E",
                                     At(24, 0) + "\x1b"
                                                 "b\x1b"
                                                 "F"}) {
        Feed(bytes);
        for (int r = 0; r < 25; ++r)
            ExpectRowKept(r);
    }
}

// --- Random streams --------------------------------------------------------------------

TEST(QnxRandom, StreamsKeepTheStateInRange) {
    const std::string alphabet =
        "\x1b\x1b\x1b\x1b\r\n\b\a\t=Y !\"#%&(){}[]<>?@ABCDEFGHIJKRSabcdefghiy~01789:;o\x7f"s;
    std::size_t total = 0;
    for (unsigned seed : {1u, 2u, 3u, 4u, 5u, 6u}) {
        std::mt19937 rng(seed);
        TOffscreenTerminal::TOptions o;
        o.Cols = 1 + static_cast<int>(rng() % 160);
        o.Rows = 1 + static_cast<int>(rng() % 80);
        TOffscreenTerminal term(o);
        const TTerminal& t = term.Terminal;
        for (int b = 0; b < 120; ++b) {
            std::string block(1 + rng() % 600, ' ');
            for (char& c : block) {
                const unsigned pick = rng() % 16;
                if (pick == 0)
                    c = static_cast<char>(1 + rng() % 255); // NUL would end the block
                else if (pick == 1 && rng() % 64 == 0)
                    c = Ff;
                else
                    c = alphabet[rng() % alphabet.size()];
            }
            total += block.size();
            term.Feed(block, 1 + rng() % 97);
            ASSERT_GE(t.EscState, EscGround);
            ASSERT_LE(t.EscState, 12);
            ASSERT_LE(t.CommandLength, 81);
            ASSERT_GE(t.DrawColor, 0);
            ASSERT_LT(t.DrawColor, 16);
            for (const auto& row : t.ScreenCells)
                for (const Cell& cell : row) {
                    ASSERT_LT(cell.Fg, 16);
                    ASSERT_LT(cell.Bg, 16);
                }
            for (std::uint8_t v : {t.TextFg, t.TextBg, t.ClearFg, t.ClearBg, t.SavedFg, t.SavedBg})
                ASSERT_LT(v, 16);
        }
    }
    EXPECT_GT(total, 150000u);
}

} // namespace
} // namespace lemnar
