// The command channel through the receive path: points, colours, lines,
// pixels, boxes and text on both pictures, the ways command mode ends, and the
// persistent command buffer.

#include "platform/OffscreenTerminal.h"
#include "support/Pixels.h"

#include <gtest/gtest.h>

#include <string>

namespace lemnar {
namespace {

using namespace std::string_literals;
using test::CountColor;
using test::PixelAt;

constexpr TColor Yellow = Rgb(255, 255, 0);

const std::string SwitchOn = "\x1bG1~";
// First point (16, 32), second point (256, 128), yellow in copy mode.
const std::string YellowLine = SwitchOn + "&A010020~&B100080~&C00000E~";

struct CommandChannel : ::testing::Test {
    TOffscreenTerminal Term;
    TTerminal& T = Term.Terminal;

    void Feed(const std::string& s) { Term.Feed(s); }
    int Count(const QImage& image, TColor color) const {
        return CountColor(image, 0, 0, image.width(), image.height(), color);
    }
    int Area() { return Term.BitmapImage().width() * Term.BitmapImage().height(); }
};

TEST_F(CommandChannel, PointAndColourCommandsSetTheState) {
    Feed(YellowLine);
    EXPECT_EQ(T.CommandMode, 1);
    EXPECT_EQ(T.FromX, 16);
    EXPECT_EQ(T.FromY, 32);
    EXPECT_EQ(T.ToX, 256);
    EXPECT_EQ(T.ToY, 128);
    EXPECT_EQ(T.DrawColor, 14);
    for (const TQtSurface* s : {&Term.Pictures.Window, &Term.Pictures.ScreenBitmap}) {
        EXPECT_EQ(s->PenColor(), Yellow);
        EXPECT_EQ(s->BrushColor(), Yellow);
        EXPECT_EQ(s->PenMode(), TMixMode::Copy);
        EXPECT_EQ(s->BrushStyle(), TBrushStyle::Solid);
    }
    // Point and colour commands clear the first nine bytes of the buffer.
    EXPECT_EQ(std::string(T.CommandBuffer, 9), std::string(9, '\0'));
}

TEST_F(CommandChannel, NumberFieldsAreReadLikeScanfHex) {
    struct Case {
        const char* command;
        int x, y;
    };
    const Case cases[] = {
        {"&A  a 1F~", 0xa, 0x1f}, // leading blanks
        {"&A1z29z9~", 0x1, 0x9},  // stops at the first other byte
        {"&Azzz00f~", 100, 0xf},  // no number: the old value stays
        {"&A0x1FfF~", 1, 0xfff},  // a prefix 0x followed by a digit
        {"&A-01+02~", -1, 2},     // signs
        {"&A010020~", 16, 32},
    };
    Feed(SwitchOn);
    for (const Case& c : cases) {
        T.FromX = 100;
        T.FromY = 100;
        Feed(c.command);
        EXPECT_EQ(T.FromX, c.x) << c.command;
        EXPECT_EQ(T.FromY, c.y) << c.command;
    }
    Feed("&B  1  2~");
    EXPECT_EQ(T.ToX, 1);
    EXPECT_EQ(T.ToY, 2);
}

TEST_F(CommandChannel, ShortOrUnknownCommandsDoNothing) {
    Feed(YellowLine);
    const QImage before = Term.BitmapImage().copy();
    for (const char* command : {"&A01002~", "&B1000800~", "&C00000~", "&Q~", "&L ~", "&~"})
        Feed(command);
    EXPECT_EQ(T.CommandMode, 1);
    EXPECT_EQ(T.FromX, 16);
    EXPECT_EQ(T.FromY, 32);
    EXPECT_EQ(T.ToX, 256);
    EXPECT_EQ(T.ToY, 128);
    EXPECT_EQ(T.DrawColor, 14);
    EXPECT_EQ(Term.BitmapImage(), before);
}

TEST_F(CommandChannel, LineLeavesItsEndPointUnpainted) {
    Feed(YellowLine + "&L~");
    for (const QImage* image : {&Term.WindowImage(), &Term.BitmapImage()}) {
        // 240 across, 96 down: one pixel per column, the end point left out.
        EXPECT_EQ(Count(*image, Yellow), 240);
        EXPECT_EQ(PixelAt(*image, 16, 32), Yellow);
        EXPECT_EQ(PixelAt(*image, 256, 128), Black);
        EXPECT_EQ(PixelAt(*image, 136, 80), Yellow); // the middle
    }
    EXPECT_EQ(Term.WindowImage(), Term.BitmapImage());
}

TEST_F(CommandChannel, PointPaintsOnePixel) {
    Feed(YellowLine + "&P~");
    for (const QImage* image : {&Term.WindowImage(), &Term.BitmapImage()}) {
        EXPECT_EQ(Count(*image, Yellow), 1);
        EXPECT_EQ(PixelAt(*image, 16, 32), Yellow);
    }
}

TEST_F(CommandChannel, XorLineDrawnTwiceRestoresThePicture) {
    Feed("some text under the line\r\n" + YellowLine + "&C000014~");
    EXPECT_EQ(T.DrawColor, 4);
    EXPECT_EQ(Term.Pictures.ScreenBitmap.PenMode(), TMixMode::Xor);
    const QImage window = Term.WindowImage().copy();
    const QImage bitmap = Term.BitmapImage().copy();
    Feed("&A000004~&L~");
    EXPECT_NE(Term.BitmapImage(), bitmap);
    EXPECT_EQ(PixelAt(Term.BitmapImage(), 0, 4), PixelAt(bitmap, 0, 4) ^ GraphicsPalette[4]);
    Feed("&L~");
    EXPECT_EQ(Term.BitmapImage(), bitmap);
    EXPECT_EQ(Term.WindowImage(), window);
}

TEST_F(CommandChannel, BoxExcludesItsRightAndBottomEdges) {
    Feed(YellowLine + "&B~");
    for (const QImage* image : {&Term.WindowImage(), &Term.BitmapImage()}) {
        EXPECT_EQ(Count(*image, Yellow), 240 * 96);
        EXPECT_EQ(CountColor(*image, 16, 32, 240, 96, Yellow), 240 * 96);
        EXPECT_EQ(PixelAt(*image, 256, 100), Black);
        EXPECT_EQ(PixelAt(*image, 100, 128), Black);
    }
}

TEST_F(CommandChannel, BoxUsesTheBrushTheLastCellLeftBeforeAnyColourCommand) {
    // Before any colour command the brush holds the background of the last
    // cell drawn.
    Feed("\x1b@71x" + SwitchOn + "&A010020~&B100080~&B~");
    EXPECT_EQ(CountColor(Term.BitmapImage(), 16, 32, 240, 96, TextPalette[1]),
              240 * 96 - 2 * 240 - 2 * 94);
}

TEST_F(CommandChannel, TextIsTransparentInTheDrawingColour) {
    Feed(YellowLine + "&C000001~&B~&C00000E~&THello~");
    // The reference: the same text drawn on a blue box.
    TQtSurface reference(Term.BitmapImage().width(), Term.BitmapImage().height());
    reference.SetFont(Term.Font);
    reference.SetBrushColor(GraphicsPalette[1]);
    reference.FillRect(16, 32, 240, 96);
    reference.SetBrushStyle(TBrushStyle::Clear);
    reference.SetFontColor(Yellow);
    const std::string text = "Hello";
    reference.TextOut(14, 28, reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    EXPECT_EQ(Term.BitmapImage(), reference.Image());
    EXPECT_EQ(Term.WindowImage(), reference.Image());
    EXPECT_GT(Count(Term.BitmapImage(), Yellow), 20);
    // The text command clears the buffer, and the brush is solid again.
    EXPECT_EQ(std::string(T.CommandBuffer, 82), std::string(82, '\0'));
    EXPECT_EQ(Term.Pictures.ScreenBitmap.BrushStyle(), TBrushStyle::Solid);
    EXPECT_EQ(Term.Pictures.Window.BrushStyle(), TBrushStyle::Solid);
}

TEST_F(CommandChannel, LongestCommandIsExecuted) {
    const std::string text(78, 'W');
    Feed(YellowLine + "&T" + text + "~");
    EXPECT_EQ(T.CommandMode, 1);
    const QImage& image = Term.BitmapImage();
    // The 78th character is drawn, nothing after it.
    const int last = 14 + 77 * T.CellWidth;
    EXPECT_GT(CountColor(image, last, 28, T.CellWidth, T.CellHeight, Yellow), 0);
    EXPECT_EQ(CountColor(image, last + T.CellWidth, 0, image.width() - last - T.CellWidth,
                         image.height(), Yellow),
              0);
}

TEST_F(CommandChannel, ColourValuesBeyondTheTableWrap) {
    Feed(YellowLine + "&C000025~&L~");
    EXPECT_EQ(T.DrawColor, 5);
    EXPECT_EQ(Term.Pictures.ScreenBitmap.PenMode(), TMixMode::Copy);
    EXPECT_EQ(Count(Term.BitmapImage(), GraphicsPalette[5]), 240);
    // Without a number the last colour command's value is taken again.
    Feed("&C000014~&C      ~");
    EXPECT_EQ(T.DrawColor, 4);
    EXPECT_EQ(Term.Pictures.ScreenBitmap.PenMode(), TMixMode::Xor);
    EXPECT_EQ(Term.Pictures.Window.PenColor(), GraphicsPalette[4]);
    Feed("&CFFFFFF~");
    EXPECT_EQ(T.DrawColor, 15);
}

TEST_F(CommandChannel, EveryProtocolErrorEndsCommandModeWithABlackPicture) {
    struct Case {
        const char* name;
        std::string bytes;
    };
    const Case cases[] = {
        {"switch-off", "&G0~"},
        {"stray byte", "x"},
        {"ampersand inside a command", "&A01&"},
        {"81st byte not a tilde", "&T" + std::string(79, 'q')},
        {"ESC", "\x1b"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TOffscreenTerminal term;
        TTerminal& t = term.Terminal;
        term.Feed("\x1b=%*text" + YellowLine + "&B~&L~");
        ASSERT_EQ(t.CommandMode, 1);
        term.Feed(c.bytes);
        EXPECT_EQ(t.CommandMode, 0);
        EXPECT_EQ(t.CursorRow, 0);
        EXPECT_EQ(t.CursorCol, 0);
        EXPECT_EQ(t.CaretRow, 5); // the caret stays
        EXPECT_EQ(t.CaretCol, 14);
        EXPECT_EQ(t.ScreenCells[5][10].Ch, 't'); // the cells stay
        const int area = term.BitmapImage().width() * term.BitmapImage().height();
        for (const QImage* image : {&term.WindowImage(), &term.BitmapImage()})
            EXPECT_EQ(CountColor(*image, 0, 0, image->width(), image->height(), Black), area);
        for (const TQtSurface* s : {&term.Pictures.Window, &term.Pictures.ScreenBitmap}) {
            EXPECT_EQ(s->BrushColor(), Black);
            EXPECT_EQ(s->PenMode(), TMixMode::Copy);
            EXPECT_EQ(s->PenColor(), Yellow); // the pen keeps the drawing colour
        }
        // The points and the colour survive.
        EXPECT_EQ(t.FromX, 16);
        EXPECT_EQ(t.DrawColor, 14);
    }
}

TEST_F(CommandChannel, CarriageReturnEndsCommandModeAndTheLineFeedIsText) {
    Feed("\x1b=%*" + SwitchOn + "\r\n");
    EXPECT_EQ(T.CommandMode, 0);
    EXPECT_EQ(T.CursorRow, 1);
    EXPECT_EQ(T.CursorCol, 0);
    EXPECT_EQ(T.CaretRow, 1);
    Feed("ok");
    EXPECT_EQ(Term.RowBytes(1).substr(0, 2), "ok");
}

TEST_F(CommandChannel, RepaintInCommandModeShowsTheDrawingWithoutABar) {
    Feed("abc" + YellowLine + "&L~");
    Term.Pictures.Window.SetBrushColor(Rgb(9, 9, 9));
    Term.Pictures.Window.FillRect(0, 0, 300, 200);
    T.FormPaint();
    EXPECT_EQ(Term.WindowImage(), Term.BitmapImage());
    Feed("&G0~abc");
    T.FormPaint();
    EXPECT_NE(Term.WindowImage(), Term.BitmapImage()); // the bar is back
}

TEST_F(CommandChannel, SwitchWithAnotherArgumentDoesNothing) {
    Feed("\x1bG0~x\x1bGz~y");
    EXPECT_EQ(T.CommandMode, 0);
    EXPECT_EQ(Term.RowBytes(0).substr(0, 2), "xy");
}

// The buffer keeps what longer commands left past the end of a shorter one:
// a three-byte point command still finds the '~' of an unknown nine-byte one
// at index 8 and reads its stale bytes.
TEST_F(CommandChannel, StaleBytesOfTheBufferAreSeen) {
    Feed(SwitchOn + "&Xabcdef~&A~");
    EXPECT_EQ(T.FromX, 0);
    EXPECT_EQ(T.FromY, 0xdef);
}

} // namespace
} // namespace lemnar
