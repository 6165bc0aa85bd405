// A whole QNX form drawn through the receive path: the cells it leaves, frames
// that join across cells, the colours, and a chart drawn over it through the
// command channel. The pictures are saved as PNG files for a look by eye.

#include "QnxFormFixture.h"
#include "platform/OffscreenTerminal.h"
#include "support/Pixels.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace lemnar {
namespace {

using test::CountColor;
using test::PixelAt;
using test::QnxChartBytes;
using test::QnxFormBytes;
namespace form = test::qnxform;

struct QnxForm : ::testing::Test {
    TOffscreenTerminal Term;
    TTerminal& T = Term.Terminal;
    int Cw = T.CellWidth;
    int Ch = T.CellHeight;

    void SetUp() override { Term.Feed(QnxFormBytes()); }

    std::string Cells(int row, int col, int n) const { return Term.RowBytes(row).substr(col, n); }
    void ExpectColors(int row, int col, int n, int fg, int bg) const {
        for (int c = col; c < col + n; ++c) {
            EXPECT_EQ(T.ScreenCells[row][c].Fg, fg) << row << "," << c;
            EXPECT_EQ(T.ScreenCells[row][c].Bg, bg) << row << "," << c;
        }
    }
    // Some pixel row of the cell strip is foreground from the first to the
    // last pixel of the span: the line drawn by the box characters is unbroken.
    bool LineJoins(const QImage& image, int row, int col, int n, TColor fg) const {
        for (int y = row * Ch; y < (row + 1) * Ch; ++y)
            if (CountColor(image, col * Cw, y, n * Cw, 1, fg) == n * Cw)
                return true;
        return false;
    }
    bool ColumnJoins(const QImage& image, int col, int row, int n, TColor fg) const {
        for (int x = col * Cw; x < (col + 1) * Cw; ++x)
            if (CountColor(image, x, row * Ch, 1, n * Ch, fg) == n * Ch)
                return true;
        return false;
    }
};

TEST_F(QnxForm, FrameIsClosedAndJoined) {
    EXPECT_EQ(Cells(0, 0, 80), '\xc9' + std::string(78, '\xcd') + '\xbb');
    EXPECT_EQ(Cells(2, 0, 80), '\xc7' + std::string(78, '\xc4') + '\xb6');
    EXPECT_EQ(Cells(23, 0, 80), '\xc8' + std::string(78, '\xcd') + '\xbc');
    for (int row : {1, 3, 12, 21, 22}) {
        EXPECT_EQ(Cells(row, 0, 1), "\xba") << row;
        EXPECT_EQ(Cells(row, 79, 1), "\xba") << row;
    }
    ExpectColors(0, 0, 80, 11, 1);
    ExpectColors(22, 79, 1, 11, 1);
    const QImage& image = Term.BitmapImage();
    const TColor frame = TextPalette[11];
    EXPECT_TRUE(LineJoins(image, 0, 1, 78, frame));
    EXPECT_TRUE(LineJoins(image, 2, 1, 78, frame));
    EXPECT_TRUE(LineJoins(image, 23, 1, 78, frame));
    EXPECT_TRUE(ColumnJoins(image, 0, 1, 22, frame));
    EXPECT_TRUE(ColumnJoins(image, 79, 1, 22, frame));
    // The table's lines run unbroken through its cross.
    EXPECT_TRUE(LineJoins(image, 14, 4, 32, TextPalette[7]));
    EXPECT_TRUE(ColumnJoins(image, 24, 13, 5, TextPalette[7]));
}

TEST_F(QnxForm, TextAndFieldsHaveTheirColours) {
    EXPECT_EQ(Cells(1, 28, 24), form::Title);
    ExpectColors(1, 28, 24, 14, 1);
    ExpectColors(1, 1, 27, 7, 1); // cleared to the clear colours
    EXPECT_EQ(Cells(4, 3, 10), form::Supplier);
    ExpectColors(4, 3, 10, 7, 1);
    // Fields in reverse video, padded to their widths.
    EXPECT_EQ(Cells(4, 20, 30), form::SupplierValue + std::string(17, ' '));
    ExpectColors(4, 20, 30, 1, 7);
    ExpectColors(4, 50, 1, 7, 1);
    EXPECT_EQ(Cells(6, 20, 12), "12.03.2024  ");
    ExpectColors(8, 20, 14, 1, 7);
    EXPECT_EQ(Cells(10, 20, 50), std::string(50, ' '));
    ExpectColors(10, 20, 50, 1, 7);
    // The table.
    EXPECT_EQ(Cells(13, 5, 12), form::ItemName);
    ExpectColors(13, 5, 12, 15, 1);
    EXPECT_EQ(Cells(15, 3, 10), "\xb3 " + form::Items[0] + "   ");
    EXPECT_EQ(Cells(17, 24, 13), "\xb3         8 \xb3");
    // The screen underneath is gone.
    for (int row = 12; row < 24; ++row)
        EXPECT_EQ(Term.RowBytes(row).find("old screen"), std::string::npos) << row;
    // The footer was cut back by ESC K.
    EXPECT_EQ(Cells(22, 3, 9), form::Store + " ");
    EXPECT_EQ(Cells(22, 12, 54), std::string(54, ' '));
    EXPECT_EQ(Cells(22, 66, 8), form::Lines);
    // The status line is black on cyan to the end of the line.
    EXPECT_EQ(Cells(24, 0, 4), " F1 ");
    ExpectColors(24, 0, 80, 0, 3);
    // The cursor waits in the first field.
    EXPECT_EQ(T.CursorRow, 4);
    EXPECT_EQ(T.CursorCol, 20);
    EXPECT_EQ(T.CaretRow, 4);
    EXPECT_EQ(T.CaretCol, 20);
    EXPECT_EQ(T.EscState, EscGround);
}

TEST_F(QnxForm, PicturesShowTheCellsAndArePreserved) {
    const QImage& window = Term.WindowImage();
    // A blank of the form body, a field blank, the status line.
    EXPECT_EQ(CountColor(window, 40 * Cw, 20 * Ch, Cw, Ch, TextPalette[1]), Cw * Ch);
    EXPECT_EQ(CountColor(window, 60 * Cw, 10 * Ch, Cw, Ch, TextPalette[7]), Cw * Ch);
    EXPECT_EQ(CountColor(window, 79 * Cw, 24 * Ch, Cw, Ch, TextPalette[3]), Cw * Ch);
    // Title letters in yellow.
    EXPECT_GT(CountColor(window, 28 * Cw, Ch, 24 * Cw, Ch, TextPalette[14]), 24 * 4);
    // One bar, under the first field cell, and nothing else differs.
    EXPECT_EQ(PixelAt(window, 20 * Cw, 5 * Ch - 1), TextPalette[7] ^ Rgb(255, 255, 255));
    QImage withoutBar = window.copy();
    T.HideCursor();
    EXPECT_EQ(Term.WindowImage(), Term.BitmapImage());
    T.ShowCursor();
    EXPECT_EQ(Term.WindowImage(), withoutBar);

    ASSERT_TRUE(window.save(LEMNAR_BINARY_DIR "/qnx-form.png"));

    // Fed one byte at a time, the form comes out the same.
    TOffscreenTerminal slow;
    slow.Feed(QnxFormBytes(), 1);
    EXPECT_EQ(std::memcmp(slow.Terminal.ScreenCells, T.ScreenCells, sizeof T.ScreenCells), 0);
    EXPECT_EQ(slow.WindowImage(), Term.WindowImage());
}

TEST_F(QnxForm, ChartDrawsOverThePicturesOnly) {
    const QImage before = Term.BitmapImage().copy();
    Cell cells[StoreRows][StoreCols];
    std::memcpy(cells, T.ScreenCells, sizeof cells);

    Term.Feed(QnxChartBytes(Cw, Ch));
    EXPECT_EQ(T.CommandMode, 1);
    EXPECT_EQ(std::memcmp(cells, T.ScreenCells, sizeof cells), 0);
    const QImage& image = Term.BitmapImage();
    EXPECT_EQ(Term.WindowImage(), image); // ESC took the bar away; no bar in command mode

    // The tallest bar, full height: 6 cells wide in bright green.
    const int bottom = 20 * Ch;
    const int top = 12 * Ch + Ch / 2;
    const int barHeight = bottom - top - Ch;
    EXPECT_EQ(
        CountColor(image, 48 * Cw, bottom - barHeight, 6 * Cw, barHeight, GraphicsPalette[10]),
        6 * Cw * barHeight);
    EXPECT_GT(CountColor(image, 56 * Cw, top, 6 * Cw, bottom - top, GraphicsPalette[14]), 0);
    EXPECT_GT(CountColor(image, 64 * Cw, top, 6 * Cw, bottom - top, GraphicsPalette[12]), 0);
    // Outside the chart area nothing changed.
    EXPECT_EQ(image.copy(0, 0, image.width(), 12 * Ch), before.copy(0, 0, image.width(), 12 * Ch));
    EXPECT_EQ(image.copy(0, 0, 44 * Cw, image.height()),
              before.copy(0, 0, 44 * Cw, image.height()));

    ASSERT_TRUE(Term.WindowImage().save(LEMNAR_BINARY_DIR "/qnx-form-chart.png"));

    // Leaving command mode blanks the whole picture; the cells remain.
    Term.Feed("&G0~");
    EXPECT_EQ(CountColor(image, 0, 0, image.width(), image.height(), Rgb(0, 0, 0)),
              image.width() * image.height());
    EXPECT_EQ(std::memcmp(cells, T.ScreenCells, sizeof cells), 0);
}

} // namespace
} // namespace lemnar
