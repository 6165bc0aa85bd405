#include "platform/QtSurface.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace lemnar {
namespace {

constexpr TColor Yellow = Rgb(255, 255, 0);
constexpr TColor Red = Rgb(190, 0, 0);
constexpr TColor Blue = Rgb(0, 0, 170);

int CountColour(const TQtSurface& s, TColor c) {
    int n = 0;
    for (int y = 0; y < s.Height(); ++y)
        for (int x = 0; x < s.Width(); ++x)
            n += s.Pixel(x, y) == c ? 1 : 0;
    return n;
}

// A picture where every pixel differs from its neighbours, so misplaced or
// doubled writes show.
void Scribble(TQtSurface& s) {
    for (int y = 0; y < s.Height(); ++y) {
        for (int x = 0; x < s.Width(); ++x) {
            s.SetBrushColor(Rgb((x * 7) & 0xFF, (y * 5) & 0xFF, (x ^ y) & 0xFF));
            s.FillRect(x, y, 1, 1);
        }
    }
}

TEST(QtSurface, DefaultState) {
    const TQtSurface s(40, 30);
    EXPECT_EQ(s.Width(), 40);
    EXPECT_EQ(s.Height(), 30);
    EXPECT_EQ(s.Image().format(), QImage::Format_RGB32);
    EXPECT_EQ(CountColour(s, Black), 40 * 30);
    EXPECT_EQ(s.BrushColor(), Black);
    EXPECT_EQ(s.BrushStyle(), TBrushStyle::Solid);
    EXPECT_EQ(s.PenColor(), Black);
    EXPECT_EQ(s.PenWidth(), 1);
    EXPECT_EQ(s.PenMode(), TMixMode::Copy);
    EXPECT_EQ(s.FontColor(), White);
    EXPECT_EQ(s.Font(), TFontSpec{});
    EXPECT_GT(s.TextMetrics().AveCharWidth, 0);
    EXPECT_GT(s.TextMetrics().Height, 0);
    EXPECT_EQ(s.Pixel(-1, 0), Black);
    EXPECT_EQ(s.Pixel(40, 0), Black);
}

TEST(QtSurface, FillRectIsClippedAndIgnoresTheMixMode) {
    struct TCase {
        int X, Y, W, H;
        int Painted;
    };
    const std::vector<TCase> cases = {
        {2, 3, 4, 5, 20}, {0, 0, 20, 10, 200}, {-5, -5, 7, 8, 2 * 3}, {18, 8, 10, 10, 2 * 2},
        {5, 5, 0, 3, 0},  {5, 5, -2, 3, 0},    {20, 0, 5, 5, 0},      {-100, 2, 101, 1, 1},
    };
    for (const TCase& c : cases) {
        TQtSurface s(20, 10);
        s.SetPenMode(TMixMode::Xor);
        s.SetBrushColor(Red);
        s.FillRect(c.X, c.Y, c.W, c.H);
        s.FillRect(c.X, c.Y, c.W, c.H);
        EXPECT_EQ(CountColour(s, Red), c.Painted) << c.X << "," << c.Y << " " << c.W << "x" << c.H;
        if (c.Painted > 0) {
            EXPECT_EQ(s.Pixel(std::max(c.X, 0), std::max(c.Y, 0)), Red);
        }
    }
}

TEST(QtSurface, LineEndPointStaysUnpainted) {
    TQtSurface s(320, 200);
    s.SetPenColor(Yellow);
    s.MoveTo(16, 32);
    s.LineTo(256, 128);
    EXPECT_EQ(s.Pixel(16, 32), Yellow);
    EXPECT_EQ(s.Pixel(256, 128), Black);
    EXPECT_EQ(CountColour(s, Yellow), 240); // one pixel per step along x
    // The end point becomes the current position.
    s.LineTo(256, 130);
    EXPECT_EQ(s.Pixel(256, 128), Yellow);
    EXPECT_EQ(s.Pixel(256, 129), Yellow);
    EXPECT_EQ(s.Pixel(256, 130), Black);
}

TEST(QtSurface, LinesHitExactPixels) {
    struct TCase {
        int X0, Y0, X1, Y1;
        std::vector<std::pair<int, int>> Pixels; // exactly these, in any order
    };
    const std::vector<TCase> cases = {
        {2, 3, 6, 3, {{2, 3}, {3, 3}, {4, 3}, {5, 3}}},
        {6, 3, 2, 3, {{6, 3}, {5, 3}, {4, 3}, {3, 3}}},
        {4, 1, 4, 4, {{4, 1}, {4, 2}, {4, 3}}},
        {4, 4, 4, 1, {{4, 4}, {4, 3}, {4, 2}}},
        {1, 1, 5, 5, {{1, 1}, {2, 2}, {3, 3}, {4, 4}}},
        {5, 1, 1, 5, {{5, 1}, {4, 2}, {3, 3}, {2, 4}}},
        {3, 3, 3, 3, {}},
        {3, 3, 4, 3, {{3, 3}}}, // a point, as the command channel draws it
        {-2, 0, 3, 0, {{0, 0}, {1, 0}, {2, 0}}},
        {7, 7, 12, 12, {{7, 7}}},
        {-100, -100, 1000, 1000, {{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 4}, {5, 5}, {6, 6}, {7, 7}}},
    };
    for (const TCase& c : cases) {
        TQtSurface s(8, 8);
        s.SetPenColor(White);
        s.MoveTo(c.X0, c.Y0);
        s.LineTo(c.X1, c.Y1);
        SCOPED_TRACE(testing::Message() << c.X0 << "," << c.Y0 << " -> " << c.X1 << "," << c.Y1);
        EXPECT_EQ(CountColour(s, White), static_cast<int>(c.Pixels.size()));
        for (const auto& [x, y] : c.Pixels)
            EXPECT_EQ(s.Pixel(x, y), White) << x << "," << y;
    }
    // A shallow line moves one row at a time, with no gaps along x.
    TQtSurface s(40, 10);
    s.SetPenColor(White);
    s.MoveTo(0, 0);
    s.LineTo(30, 7);
    for (int x = 0; x < 30; ++x) {
        int lit = 0;
        for (int y = 0; y < 10; ++y)
            lit += s.Pixel(x, y) == White ? 1 : 0;
        EXPECT_EQ(lit, 1) << "column " << x;
    }
}

TEST(QtSurface, XorFiguresDrawnTwiceRestoreThePicture) {
    TQtSurface s(64, 48);
    Scribble(s);
    const QImage before = s.Image().copy();
    s.SetPenMode(TMixMode::Xor);
    s.SetPenColor(Rgb(190, 0, 0));
    s.SetBrushColor(Rgb(0, 190, 0));
    const auto figures = [&] {
        s.MoveTo(3, 40);
        s.LineTo(60, 2);
        s.LineTo(10, 10);
        s.Rectangle(5, 6, 40, 30);
        s.Rectangle(50, 40, 30, 20); // corners given the other way round
        s.Rectangle(-5, -5, 3, 100); // clipped
    };
    figures();
    EXPECT_FALSE(s.Image() == before);
    figures();
    EXPECT_TRUE(s.Image() == before);

    // Wide pens too.
    s.SetPenWidth(3);
    figures();
    EXPECT_FALSE(s.Image() == before);
    figures();
    EXPECT_TRUE(s.Image() == before);
}

TEST(QtSurface, RectangleExcludesRightAndBottomEdges) {
    for (TBrushStyle style : {TBrushStyle::Solid, TBrushStyle::Clear}) {
        TQtSurface s(320, 200);
        s.SetPenColor(Yellow);
        s.SetBrushColor(Blue);
        s.SetBrushStyle(style);
        s.Rectangle(16, 32, 256, 128);
        const TColor inside = style == TBrushStyle::Solid ? Blue : Black;
        // The corners and edges in the pen, the inside in the brush (or
        // nothing), the right and bottom edges left out.
        const struct {
            int X, Y;
            TColor Colour;
        } points[] = {{16, 32, Yellow},  {255, 32, Yellow}, {16, 127, Yellow}, {255, 127, Yellow},
                      {100, 32, Yellow}, {16, 100, Yellow}, {17, 33, inside},  {254, 126, inside},
                      {256, 32, Black},  {256, 128, Black}, {100, 128, Black}, {15, 31, Black}};
        for (const auto& p : points)
            EXPECT_EQ(s.Pixel(p.X, p.Y), p.Colour) << p.X << "," << p.Y;
        EXPECT_EQ(CountColour(s, Yellow), 2 * 240 + 2 * 94);
        EXPECT_EQ(CountColour(s, Blue), style == TBrushStyle::Solid ? 238 * 94 : 0);
    }
}

TEST(QtSurface, XorRectangleTouchesEachPixelOnce) {
    struct TCase {
        int L, T, R, B;
    };
    for (const TCase& c :
         std::vector<TCase>{{2, 2, 9, 7}, {2, 2, 3, 7}, {2, 2, 4, 4}, {4, 4, 4, 9}}) {
        TQtSurface s(12, 10);
        Scribble(s);
        const TQtSurface before = s;
        s.SetPenMode(TMixMode::Xor);
        s.SetPenColor(Rgb(1, 2, 4));
        s.SetBrushColor(Rgb(16, 32, 64));
        s.Rectangle(c.L, c.T, c.R, c.B);
        for (int y = 0; y < 10; ++y) {
            for (int x = 0; x < 12; ++x) {
                const bool in = x >= c.L && x < c.R && y >= c.T && y < c.B;
                const bool edge = x == c.L || x == c.R - 1 || y == c.T || y == c.B - 1;
                const TColor mix = !in ? 0 : edge ? Rgb(1, 2, 4) : Rgb(16, 32, 64);
                EXPECT_EQ(s.Pixel(x, y), before.Pixel(x, y) ^ mix) << x << "," << y;
            }
        }
    }
}

TEST(QtSurface, CopyRectBetweenSurfaces) {
    TQtSurface src(30, 20);
    Scribble(src);
    for (TCopyMode mode : {TCopyMode::SrcCopy, TCopyMode::SrcXor}) {
        TQtSurface dst(30, 20);
        dst.SetBrushColor(Red);
        dst.FillRect(0, 0, 30, 20);
        dst.CopyRect(5, 6, 10, 4, src, 2, 3, mode);
        for (int y = 0; y < 20; ++y) {
            for (int x = 0; x < 30; ++x) {
                const bool in = x >= 5 && x < 15 && y >= 6 && y < 10;
                const TColor from = in ? src.Pixel(x - 3, y - 3) : 0;
                const TColor expected = !in ? Red : mode == TCopyMode::SrcCopy ? from : Red ^ from;
                EXPECT_EQ(dst.Pixel(x, y), expected) << x << "," << y;
            }
        }
    }
}

TEST(QtSurface, CopyRectIsClippedOnBothSides) {
    TQtSurface src(10, 10);
    Scribble(src);
    struct TCase {
        int Dx, Dy, W, H, Sx, Sy;
    };
    const std::vector<TCase> cases = {
        {-3, 0, 10, 10, 0, 0}, {0, 0, 10, 10, -4, -2}, {5, 5, 10, 10, 0, 0},
        {0, 0, 10, 10, 6, 7},  {2, 2, -3, 4, 0, 0},    {50, 0, 5, 5, 0, 0},
    };
    for (const TCase& c : cases) {
        TQtSurface dst(10, 10);
        dst.SetBrushColor(Red);
        dst.FillRect(0, 0, 10, 10);
        dst.CopyRect(c.Dx, c.Dy, c.W, c.H, src, c.Sx, c.Sy, TCopyMode::SrcCopy);
        for (int y = 0; y < 10; ++y) {
            for (int x = 0; x < 10; ++x) {
                const int sx = x - c.Dx + c.Sx;
                const int sy = y - c.Dy + c.Sy;
                const bool in = x >= c.Dx && x < c.Dx + c.W && y >= c.Dy && y < c.Dy + c.H &&
                                sx >= 0 && sx < 10 && sy >= 0 && sy < 10;
                EXPECT_EQ(dst.Pixel(x, y), in ? src.Pixel(sx, sy) : Red)
                    << "case " << c.Dx << "," << c.Dy << "," << c.Sx << "," << c.Sy << " at " << x
                    << "," << y;
            }
        }
    }
}

// Within one picture the source is read as it was before the copy started,
// whichever way the areas overlap.
TEST(QtSurface, CopyRectWithinOnePicture) {
    struct TCase {
        int Dx, Dy, Sx, Sy;
    };
    const std::vector<TCase> cases = {
        {0, 0, 0, 5}, // scroll up one text row
        {0, 5, 0, 0}, // scroll down
        {0, 0, 3, 0}, {3, 0, 0, 0}, {2, 3, 4, 1}, {4, 1, 2, 3},
    };
    for (TCopyMode mode : {TCopyMode::SrcCopy, TCopyMode::SrcXor}) {
        for (const TCase& c : cases) {
            TQtSurface s(16, 12);
            Scribble(s);
            const TQtSurface before = s;
            s.CopyRect(c.Dx, c.Dy, 10, 7, s, c.Sx, c.Sy, mode);
            for (int y = 0; y < 12; ++y) {
                for (int x = 0; x < 16; ++x) {
                    const bool in = x >= c.Dx && x < c.Dx + 10 && y >= c.Dy && y < c.Dy + 7;
                    const TColor from = before.Pixel(x - c.Dx + c.Sx, y - c.Dy + c.Sy);
                    const TColor old = before.Pixel(x, y);
                    const TColor expected = !in                          ? old
                                            : mode == TCopyMode::SrcCopy ? from
                                                                         : old ^ from;
                    EXPECT_EQ(s.Pixel(x, y), expected)
                        << "mode " << int(mode) << " case " << c.Dx << "," << c.Dy << " from "
                        << c.Sx << "," << c.Sy << " at " << x << "," << y;
                }
            }
        }
    }
}

TEST(QtSurface, ResizeKeepsTheOverlap) {
    TQtSurface s(10, 8);
    Scribble(s);
    const TQtSurface before = s;
    s.Resize(14, 5);
    ASSERT_EQ(s.Width(), 14);
    ASSERT_EQ(s.Height(), 5);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 14; ++x)
            EXPECT_EQ(s.Pixel(x, y), x < 10 ? before.Pixel(x, y) : Black) << x << "," << y;
    s.Resize(0, 0);
    EXPECT_EQ(s.Width(), 0);
    s.FillRect(0, 0, 5, 5);
    const std::uint8_t text[] = {'A'};
    s.TextOut(0, 0, text, 1);
    s.MoveTo(0, 0);
    s.LineTo(3, 3);
    s.Resize(3, 2);
    EXPECT_EQ(CountColour(s, Black), 6);
}

TEST(QtSurface, TextOpaqueOrTransparent) {
    const std::uint8_t text[] = {'A', 0x8F, 'g'}; // A П g
    for (TBrushStyle style : {TBrushStyle::Solid, TBrushStyle::Clear}) {
        for (TMixMode mix : {TMixMode::Copy, TMixMode::Xor}) {
            TQtSurface s(100, 40);
            s.SetBrushColor(Red);
            s.FillRect(0, 0, 100, 40);
            s.SetBrushColor(Blue);
            s.SetBrushStyle(style);
            s.SetFontColor(Yellow);
            s.SetPenMode(mix);
            s.SetPenColor(White);
            s.TextOut(10, 5, text, 3);
            const TTextMetrics cell = s.TextMetrics();
            const TColor paper = style == TBrushStyle::Solid ? Blue : Red;
            int ink = 0;
            for (int y = 0; y < 40; ++y) {
                for (int x = 0; x < 100; ++x) {
                    const bool inCells =
                        x >= 10 && x < 10 + 3 * cell.AveCharWidth && y >= 5 && y < 5 + cell.Height;
                    const TColor p = s.Pixel(x, y);
                    if (!inCells) {
                        EXPECT_EQ(p, Red) << x << "," << y;
                    } else {
                        EXPECT_TRUE(p == Yellow || p == paper) << x << "," << y;
                        ink += p == Yellow ? 1 : 0;
                    }
                }
            }
            // Each glyph leaves ink in its own cell.
            EXPECT_GT(ink, 20);
            for (int i = 0; i < 3; ++i) {
                int inCell = 0;
                for (int y = 5; y < 5 + cell.Height; ++y)
                    for (int x = 0; x < cell.AveCharWidth; ++x)
                        inCell += s.Pixel(10 + i * cell.AveCharWidth + x, y) == Yellow ? 1 : 0;
                EXPECT_GT(inCell, 3) << "glyph " << i;
            }
        }
    }
}

TEST(QtSurface, SaveBmpRoundTrip) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    TQtSurface s(37, 21); // a width whose rows need padding in the file
    Scribble(s);
    const std::string path = dir.filePath("capture.bmp").toStdString();
    ASSERT_TRUE(s.SaveBmp(path));
    QFile file(QString::fromStdString(path));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.read(2), QByteArray("BM"));
    file.close();
    const QImage loaded(QString::fromStdString(path), "BMP");
    ASSERT_EQ(loaded.size(), QSize(37, 21));
    for (int y = 0; y < 21; ++y)
        for (int x = 0; x < 37; ++x)
            EXPECT_EQ(loaded.pixel(x, y) & 0xFFFFFF, s.Pixel(x, y)) << x << "," << y;
}

TEST(QtSurface, SaveBmpFailsCleanly) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const TQtSurface s(8, 8);
    EXPECT_FALSE(s.SaveBmp(dir.filePath("missing/dir/x.bmp").toStdString()));
    EXPECT_FALSE(s.SaveBmp(dir.path().toStdString())); // a directory
    EXPECT_FALSE(s.SaveBmp(""));
    const TQtSurface empty;
    EXPECT_FALSE(empty.SaveBmp(dir.filePath("empty.bmp").toStdString()));
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());
}

} // namespace
} // namespace lemnar
