// The screen model: cell metrics and snapping, writing with and without wrap,
// scrolling, attributes, and the cursor bar on the window picture only.

#include "platform/OffscreenTerminal.h"
#include "support/Pixels.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>

namespace lemnar {
namespace {

using test::CountColor;
using test::PixelAt;

struct ScreenTest : ::testing::Test {
    TOffscreenTerminal Term;
    TTerminal& T = Term.Terminal;
    int Cw = T.CellWidth;
    int Ch = T.CellHeight;

    void Write(const std::string& s) {
        for (char c : s)
            T.PutChar(c);
    }
};

TEST_F(ScreenTest, StartsWithTheStartUpState) {
    EXPECT_EQ(T.ScreenCols, 80);
    EXPECT_EQ(T.ScreenRows, 25);
    EXPECT_EQ(Term.ClientW, 80 * Cw);
    EXPECT_EQ(Term.ClientH, 25 * Ch);
    EXPECT_EQ(T.ScreenCells[79][159].Fg, 3);
    EXPECT_EQ(T.ScreenCells[0][0].Bg, 3);
    EXPECT_EQ(T.ScreenCells[0][0].Ch, ' ');
    EXPECT_EQ(Term.BitmapImage().width(), 80 * Cw);
    EXPECT_EQ(CountColor(Term.BitmapImage(), 0, 0, 80 * Cw, 25 * Ch, Black), 80 * Cw * 25 * Ch);
}

TEST_F(ScreenTest, ClientAreaSnapsToWholeCellsAndClamps) {
    struct Case {
        int w, h, cols, rows;
    };
    const Case cases[] = {
        {10 * Cw + Cw - 1, 3 * Ch + 1, 10, 3}, // remainders dropped
        {Cw - 1, Ch - 1, 1, 1},                // smaller than one cell
        {0, 0, 1, 1},
        {200 * Cw, 100 * Ch, 160, 80}, // beyond the store
        {1000, 2000, 1000 / Cw, std::min(80, 2000 / Ch)},
    };
    for (const Case& c : cases) {
        Term.Resize(c.w, c.h);
        EXPECT_EQ(T.ScreenCols, c.cols) << c.w << "x" << c.h;
        EXPECT_EQ(T.ScreenRows, c.rows) << c.w << "x" << c.h;
        EXPECT_EQ(Term.ClientW, c.cols * Cw);
        EXPECT_EQ(Term.ClientH, c.rows * Ch);
        EXPECT_EQ(Term.WindowImage().size(), QSize(c.cols * Cw, c.rows * Ch));
        EXPECT_EQ(Term.BitmapImage().size(), QSize(c.cols * Cw, c.rows * Ch));
        EXPECT_EQ(Term.Pictures.Cursor.Width(), Cw);
        EXPECT_EQ(Term.Pictures.Cursor.Height(), 2);
    }
}

TEST_F(ScreenTest, WithoutWrapTheLastColumnIsOverwritten) {
    for (int i = 0; i < 99; ++i)
        T.PutChar('a');
    T.PutChar('Z');
    EXPECT_EQ(T.ScreenCells[0][79].Ch, 'Z');
    EXPECT_EQ(T.ScreenCells[0][78].Ch, 'a');
    EXPECT_EQ(T.ScreenCells[1][0].Ch, ' ');
    EXPECT_EQ(T.CursorCol, 79);
    EXPECT_EQ(T.CursorRow, 0);
    EXPECT_EQ(T.CaretCol, 79);
}

TEST_F(ScreenTest, WithWrapTheLastCellOfTheBottomRowScrollsAtOnce) {
    T.AutoWrap = 1;
    T.CursorRow = 24;
    T.ScreenCells[1][0].Ch = 'k'; // row 1 becomes row 0
    Write(std::string(80, 'w'));
    EXPECT_EQ(T.CursorRow, 24);
    EXPECT_EQ(T.CursorCol, 0);
    EXPECT_EQ(T.ScreenCells[23][79].Ch, 'w');
    EXPECT_EQ(T.ScreenCells[24][0].Ch, ' ');
    EXPECT_EQ(T.ScreenCells[0][0].Ch, 'k');
    EXPECT_EQ(T.CaretRow, 24);
    EXPECT_EQ(T.CaretCol, 0);
}

TEST_F(ScreenTest, AttributesApplyInOrder) {
    // Reverse swaps the base colours first; bright goes on afterwards.
    T.ReverseAttr = 1;
    T.BrightFg = 1;
    T.TextFg = 7;
    T.TextBg = 0;
    T.PutChar('x');
    EXPECT_EQ(T.ScreenCells[0][0].Fg, 8);
    EXPECT_EQ(T.ScreenCells[0][0].Bg, 7);
    EXPECT_EQ(PixelAt(Term.BitmapImage(), 0, 0), TextPalette[7]);

    T.ReverseAttr = 0;
    T.BrightFg = 0;
    T.ConcealAttr = 1;
    T.BlinkAttr = 1;
    T.TextFg = 14;
    T.TextBg = 1;
    T.PutChar('y');
    const Cell c = T.ScreenCells[0][1];
    EXPECT_EQ(c.Ch, ' ');
    EXPECT_EQ(c.Fg, 14);
    EXPECT_EQ(c.Bg, 1);
    EXPECT_EQ(c.Blink, 1);
    // A concealed cell is a blank: background only, on both pictures.
    EXPECT_EQ(CountColor(Term.BitmapImage(), Cw, 0, Cw, Ch, TextPalette[1]), Cw * Ch);
    EXPECT_EQ(CountColor(Term.WindowImage(), Cw, 0, Cw, Ch - 2, TextPalette[1]), Cw * (Ch - 2));
}

TEST_F(ScreenTest, CellsAreDrawnInPaletteColoursOnBothPictures) {
    for (int i = 0; i < 16; ++i) {
        T.TextFg = static_cast<std::uint8_t>(15 - i);
        T.TextBg = static_cast<std::uint8_t>(i);
        T.PutChar(static_cast<char>(0xDB)); // full block: foreground only
        T.PutChar(' ');                     // blank: background only
    }
    for (int i = 0; i < 16; ++i) {
        const int x = 2 * i * Cw;
        for (const QImage* image : {&Term.BitmapImage(), &Term.WindowImage()}) {
            EXPECT_EQ(PixelAt(*image, x + Cw / 2, Ch / 2), TextPalette[15 - i]) << i;
            EXPECT_EQ(PixelAt(*image, x + Cw + Cw / 2, Ch / 2), TextPalette[i]) << i;
        }
    }
}

TEST_F(ScreenTest, AnOpaqueGlyphPaintsWhatFillAndGlyphPaint) {
    TOffscreenTerminal filled;
    filled.Terminal.UsePlainPath(true);
    for (TTerminal* t : {&T, &filled.Terminal}) {
        t->AutoWrap = 1;
        for (int i = 0; i < 2100; ++i) {
            t->TextFg = static_cast<std::uint8_t>(i % 16);
            t->TextBg = static_cast<std::uint8_t>((i / 16) % 16);
            t->PutChar(static_cast<char>(i * 7));
        }
    }
    EXPECT_EQ(Term.BitmapImage(), filled.BitmapImage());
    EXPECT_EQ(Term.WindowImage(), filled.WindowImage());
}

TEST_F(ScreenTest, ScrollBringsABlackStripWhateverTheClearColours) {
    T.ClearBg = 1;
    T.ClearFg = 7;
    T.TextBg = 4;
    T.CursorRow = 24;
    T.PutChar('q');
    T.HideCursor();
    T.ScrollUp();
    T.ShowCursor();
    for (int c = 0; c < 80; ++c)
        EXPECT_EQ(T.ScreenCells[24][c].Bg, 1);
    EXPECT_EQ(T.ScreenCells[23][0].Ch, 'q');
    const QImage& bmp = Term.BitmapImage();
    EXPECT_EQ(CountColor(bmp, 0, 24 * Ch, 80 * Cw, Ch, Black), 80 * Cw * Ch);
    // The written cell moved up one row on both pictures.
    EXPECT_EQ(PixelAt(bmp, 0, 23 * Ch), TextPalette[4]);
    EXPECT_EQ(PixelAt(Term.WindowImage(), 0, 23 * Ch), TextPalette[4]);
}

TEST_F(ScreenTest, ScrollKeepsBlinkAndMovesOnlyTheGridInUse) {
    Term.Resize(10 * Cw, 3 * Ch);
    T.ScreenCells[1][3] = Cell{'b', 2, 5, 1};
    T.ScreenCells[1][20] = Cell{'o', 1, 1, 0}; // outside the grid in use
    T.ScrollUp();
    EXPECT_EQ(T.ScreenCells[0][3].Ch, 'b');
    EXPECT_EQ(T.ScreenCells[0][3].Blink, 1);
    EXPECT_EQ(T.ScreenCells[1][20].Ch, 'o');
    EXPECT_NE(T.ScreenCells[0][20].Ch, 'o');
}

TEST_F(ScreenTest, CursorBarIsOnTheWindowPictureOnly) {
    T.PutChar('a');
    const QImage& win = Term.WindowImage();
    const int barTop = Ch - 2;
    // The bar inverts the bottom two lines of the caret's cell (column 1, black).
    EXPECT_EQ(CountColor(win, Cw, barTop, Cw, 2, Rgb(255, 255, 255)), 2 * Cw);
    EXPECT_EQ(CountColor(Term.BitmapImage(), Cw, barTop, Cw, 2, Black), 2 * Cw);
    EXPECT_EQ(T.CursorDrawn, 1);

    // A repaint after a partial cover leaves exactly one bar.
    Term.Pictures.Window.SetBrushColor(Rgb(1, 2, 3));
    Term.Pictures.Window.FillRect(0, 0, 40, 40);
    T.FormPaint();
    Term.WindowImage();
    int bars = 0;
    for (int c = 0; c < 80; ++c)
        if (CountColor(win, c * Cw, barTop, Cw, 2, Rgb(255, 255, 255)) == 2 * Cw)
            ++bars;
    EXPECT_EQ(bars, 1);
    EXPECT_EQ(PixelAt(win, Cw, barTop), Rgb(255, 255, 255));

    T.CursorHidden = 1;
    T.FormPaint();
    Term.WindowImage();
    EXPECT_EQ(CountColor(win, Cw, barTop, Cw, 2, Black), 2 * Cw);
}

TEST_F(ScreenTest, ShowAndHideArePaired) {
    T.ShowCursor();
    const QImage before = Term.WindowImage().copy();
    T.HideCursor();
    T.HideCursor(); // a second hide does nothing
    T.ShowCursor();
    EXPECT_EQ(Term.WindowImage(), before);
}

TEST_F(ScreenTest, WritePositionOutsideTheGridWritesIntoTheGrid) {
    const int positions[][2] = {{-5, -7}, {500, 900}, {24, 80}, {-1, 79}, {79, 159}};
    for (const auto& p : positions) {
        T.CursorRow = p[0];
        T.CursorCol = p[1];
        T.PutChar('#');
        EXPECT_TRUE(T.InGrid(T.CaretRow, T.CaretCol));
        EXPECT_TRUE(T.InGrid(T.CursorRow, T.CursorCol));
    }
    EXPECT_EQ(T.ScreenCells[0][0].Ch, '#');
    EXPECT_EQ(T.ScreenCells[24][79].Ch, '#');
    // Cell operations outside the grid do nothing.
    T.StampCell(-1, 0, 1, 1);
    T.ClearCell(0, 80);
    T.DrawCell(25, 0);
    EXPECT_EQ(T.ScreenCells[0][80].Fg, 3);
}

TEST_F(ScreenTest, DisconnectResetBlanksTheGridInLightGreyOnBlack) {
    T.TextFg = 14;
    T.TextBg = 4;
    T.CursorRow = 5;
    T.CursorCol = 5;
    T.PutChar('x');
    T.ResetAfterDisconnect();
    EXPECT_EQ(T.TextFg, 7);
    EXPECT_EQ(T.TextBg, 0);
    EXPECT_EQ(T.ScreenCells[5][5].Ch, ' ');
    EXPECT_EQ(T.ScreenCells[5][5].Fg, 7);
    EXPECT_EQ(T.ScreenCells[5][5].Bg, 0);
    EXPECT_EQ(T.CursorRow, 0);
    EXPECT_EQ(T.CaretCol, 0);
    EXPECT_EQ(CountColor(Term.BitmapImage(), 0, 0, 80 * Cw, 25 * Ch, Black), 80 * Cw * 25 * Ch);
    EXPECT_EQ(T.CursorDrawn, 1);
}

// A run of cells cleared at once paints, stores and leaves behind (brush and
// font colours of both pictures) what clearing them one by one does, with
// every attribute that changes the clear colours, and ranges that run off
// the grid.
TEST(ScreenClearRun, ClearingARunMatchesClearingCellByCell) {
    TOffscreenTerminal byRun;
    TOffscreenTerminal byCell;
    struct Attributes {
        std::uint8_t reverse, brightFg, brightBg, blink, conceal, clearFg, clearBg;
    };
    const Attributes attributes[] = {
        {0, 0, 0, 0, 0, 7, 0}, {1, 0, 0, 0, 0, 2, 5}, {0, 1, 1, 1, 0, 3, 4}, {1, 1, 0, 0, 1, 6, 1}};
    const int ranges[][3] = {{0, 0, 80},  {3, 10, 11}, {24, 70, 200}, {7, -5, 4},
                             {25, 0, 80}, {-1, 0, 80}, {12, 50, 40}};
    for (TOffscreenTerminal* term : {&byRun, &byCell}) {
        TTerminal& t = term->Terminal;
        for (int i = 0; i < 80 * 25; ++i) {
            t.TextFg = static_cast<std::uint8_t>(i % 16);
            t.TextBg = static_cast<std::uint8_t>(i / 16 % 8);
            t.PutChar(static_cast<char>(0x21 + i % 0xDE));
        }
    }
    for (const Attributes& a : attributes) {
        for (const auto& range : ranges) {
            for (TOffscreenTerminal* term : {&byRun, &byCell}) {
                TTerminal& t = term->Terminal;
                t.ReverseAttr = a.reverse;
                t.BrightFg = a.brightFg;
                t.BrightBg = a.brightBg;
                t.BlinkAttr = a.blink;
                t.ConcealAttr = a.conceal;
                t.ClearFg = a.clearFg;
                t.ClearBg = a.clearBg;
            }
            byRun.Terminal.ClearCells(range[0], range[1], range[2]);
            for (int c = range[1]; c < range[2]; ++c)
                byCell.Terminal.ClearCell(range[0], c);
            const std::string where = "row " + std::to_string(range[0]) + " from " +
                                      std::to_string(range[1]) + " to " + std::to_string(range[2]);
            ASSERT_EQ(byRun.WindowImage(), byCell.WindowImage()) << where;
            ASSERT_EQ(byRun.BitmapImage(), byCell.BitmapImage()) << where;
            ASSERT_EQ(std::memcmp(byRun.Terminal.ScreenCells, byCell.Terminal.ScreenCells,
                                  sizeof(byRun.Terminal.ScreenCells)),
                      0)
                << where;
            for (const auto& [run, cell] :
                 {std::pair{&byRun.Pictures.Window, &byCell.Pictures.Window},
                  std::pair{&byRun.Pictures.ScreenBitmap, &byCell.Pictures.ScreenBitmap}}) {
                EXPECT_EQ(run->BrushColor(), cell->BrushColor()) << where;
                EXPECT_EQ(run->FontColor(), cell->FontColor()) << where;
            }
        }
    }
}

} // namespace
} // namespace lemnar
