// The renderer against the plain path. A terminal on the plain path draws
// every change at once, each cell alone as a fill and a glyph painted with
// QPainter, every block copy moving every pixel: the drawing order the
// program's pictures must match. The usual terminal records what changed and
// draws when its pictures are looked at, in runs, with the wide glyph masks
// and the pixel stores' window moves. Looked at after any block, both
// pictures, the cells, the state and the surfaces' colours are the same.

#include "Streams.h"
#include "bench/Workloads.h"
#include "platform/OffscreenTerminal.h"
#include "platform/PixelRows.h"
#include "platform/QtSurface.h"
#include "support/Random.h"
#include "support/SameTerminal.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

namespace lemnar {
namespace {

using bench::TWorkload;
using test::ExpectSameTerminal;
using test::FirstDifference;
using test::TRandom;

void UseReference(TQtSurface& s) {
    s.SetReferenceText(true);
    s.SetReferenceCopy(true);
}

// A terminal on the usual path, or on the plain path when plain.
std::unique_ptr<TOffscreenTerminal> OnPath(std::uint8_t type, bool plain, int cols = 80,
                                           int rows = 25) {
    auto term = test::MakeTerminal(type, cols, rows);
    if (plain) {
        UseReference(term->Pictures.Window);
        UseReference(term->Pictures.ScreenBitmap);
        term->Terminal.UsePlainPath(true);
    }
    return term;
}

void FeedBoth(const std::string& bytes, std::uint8_t type, std::size_t block) {
    auto fast = OnPath(type, false);
    auto plain = OnPath(type, true);
    for (std::size_t at = 0; at < bytes.size(); at += block) {
        const std::string piece = bytes.substr(at, block);
        fast->Feed(piece);
        plain->Feed(piece);
        ExpectSameTerminal(*fast, *plain, "after byte " + std::to_string(at + piece.size()));
        if (::testing::Test::HasFailure())
            return;
    }
    // A repaint copies ScreenBitmap to the window and shows the bar again.
    fast->Terminal.FormPaint();
    plain->Terminal.FormPaint();
    ExpectSameTerminal(*fast, *plain, "after a repaint");
}

// Each workload with the wide kernels (where the processor has them) and
// with the plain ones.
class PixelIdentity : public ::testing::TestWithParam<std::tuple<TWorkload, bool>> {
  protected:
    void TearDown() override { pixelrows::UseWide(true); }
};

TEST_P(PixelIdentity, FastPathDrawsTheSamePixelsAsThePlainPath) {
    const auto [workload, wide] = GetParam();
    pixelrows::UseWide(wide);
    FeedBoth(bench::MakeWorkload(workload, 64 * 1024), bench::TerminalTypeOf(workload), 1024);
}

INSTANTIATE_TEST_SUITE_P(Workloads, PixelIdentity,
                         ::testing::Combine(::testing::Values(TWorkload::Plain, TWorkload::Colour,
                                                              TWorkload::QnxFullscreen),
                                            ::testing::Bool()),
                         [](const auto& info) {
                             std::string name = bench::NameOf(std::get<0>(info.param));
                             std::erase(name, '-');
                             return name + (std::get<1>(info.param) ? "Wide" : "Plain");
                         });

// Text of any byte but NUL and ESC, control characters that are drawn as
// glyphs among them, around positions near the line end, wrap on and off,
// the bar hidden and shown, moves that leave the write position away from
// the caret or off the grid, and repeats from anywhere.
std::string RunStream(TRandom& r, std::size_t size) {
    std::string s;
    const auto coordinate = [&](int limit) { return static_cast<char>(0x20 + r.Below(limit)); };
    while (s.size() < size) {
        switch (r.Below(10)) {
        case 0:
        case 1:
        case 2:
            for (int n = 1 + r.Below(100); n > 0; --n) {
                int b = 1 + r.Below(0xFF);
                if (b == 0x1B)
                    b = r.Below(2) ? 0x01 : 0x1F;
                s += static_cast<char>(b);
            }
            break;
        case 3:
            s += "\x1b=";
            s += coordinate(30);
            s += static_cast<char>(0x20 + 70 + r.Below(12));
            break;
        case 4:
            s += '\x1b';
            s += r.Of("hiABCDbcd");
            break;
        case 5:
            s += "\x1by";
            s += r.Of("01");
            break;
        case 6:
            s += "\x1bg";
            s += coordinate(130);
            s += static_cast<char>(1 + r.Below(0xFE));
            if (s.back() == '\x1b')
                s.back() = '#';
            break;
        case 7:
            s += "\x1b@";
            s += r.Of("0123456789ABCDEF");
            s += r.Of("0123456789ABCDEF");
            break;
        case 8:
            s += r.Of("\r\n\b");
            break;
        default:
            s += test::QnxStream(r, 40);
            break;
        }
    }
    return s;
}

// Blocks of random length, the usual terminal looked at after every one, or
// (lookEvery > 1) only now and then: between two looks it has recorded many
// blocks, scrolls and bars, and must still draw what the plain path shows.
// Now and then a repaint, a window resize or a disconnect reset comes in
// between, on both.
void FeedBothWays(TOffscreenTerminal& fast, TOffscreenTerminal& plain, const std::string& bytes,
                  TRandom& r, int lookEvery) {
    int blocks = 0;
    for (std::size_t at = 0; at < bytes.size();) {
        const std::size_t n = 1 + static_cast<std::size_t>(r.Below(r.Below(6) == 0 ? 30 : 1200));
        const std::string piece = bytes.substr(at, n);
        at += piece.size();
        fast.Feed(piece);
        plain.Feed(piece);
        if (lookEvery > 1) {
            const int event = r.Below(60);
            for (TOffscreenTerminal* t : {&fast, &plain}) {
                if (event == 0)
                    t->Terminal.FormPaint();
                if (event == 1)
                    t->Resize((1 + (at % 90)) * t->Terminal.CellWidth,
                              (1 + (at % 30)) * t->Terminal.CellHeight);
                if (event == 2)
                    t->Terminal.ResetAfterDisconnect();
            }
        }
        if (++blocks % lookEvery != 0 && at < bytes.size())
            continue;
        ExpectSameTerminal(fast, plain, "after byte " + std::to_string(at));
        if (::testing::Test::HasFailure())
            return;
    }
}

struct TGrid {
    int Cols;
    int Rows;
};

class PixelIdentityLooks : public ::testing::TestWithParam<int> {};

INSTANTIATE_TEST_SUITE_P(LookEvery, PixelIdentityLooks, ::testing::Values(1, 7),
                         [](const auto& info) { return "Block" + std::to_string(info.param); });

TEST_P(PixelIdentityLooks, QnxStreamsOnGridsDownToOneCell) {
    for (TGrid grid : {TGrid{80, 25}, TGrid{1, 1}, TGrid{2, 3}, TGrid{3, 2}, TGrid{7, 4}}) {
        SCOPED_TRACE(std::to_string(grid.Cols) + "x" + std::to_string(grid.Rows));
        TRandom r(static_cast<std::uint32_t>(grid.Cols * 100 + grid.Rows + GetParam()));
        auto fast = OnPath(TermQnx, false, grid.Cols, grid.Rows);
        auto plain = OnPath(TermQnx, true, grid.Cols, grid.Rows);
        FeedBothWays(*fast, *plain, RunStream(r, grid.Cols == 80 ? 120 * 1024 : 20 * 1024), r,
                     GetParam());
        ASSERT_FALSE(::testing::Test::HasFailure());
    }
}

// Text in every attribute the ANSI interpreter has (bright, blink, reverse,
// concealed) and in plain TTY.
TEST_P(PixelIdentityLooks, AnsiAndTtyStreams) {
    TRandom r(31 + static_cast<std::uint32_t>(GetParam()));
    const char* const attributes[] = {"\x1b[5m",  "\x1b[8m",  "\x1b[7m",    "\x1b[1m",    "\x1b[0m",
                                      "\x1b[32m", "\x1b[41m", "\x1b[1;79H", "\x1b[25;75H"};
    for (std::uint8_t type : {TermAnsi, TermTty}) {
        for (TGrid grid : {TGrid{80, 25}, TGrid{5, 3}}) {
            SCOPED_TRACE(std::to_string(int(type)) + " on " + std::to_string(grid.Cols) + "x" +
                         std::to_string(grid.Rows));
            std::string bytes;
            while (bytes.size() < (grid.Cols == 80 ? 60 : 15) * 1024) {
                bytes += test::AnsiStream(r, 200);
                bytes += attributes[r.Below(static_cast<int>(std::size(attributes)))];
            }
            auto fast = OnPath(type, false, grid.Cols, grid.Rows);
            auto plain = OnPath(type, true, grid.Cols, grid.Rows);
            FeedBothWays(*fast, *plain, bytes, r, GetParam());
            ASSERT_FALSE(::testing::Test::HasFailure());
        }
    }
}

// The window picture is ScreenBitmap with the cursor bar XOR-ed in at the
// caret, after every byte of every workload: drawing a character over the
// bar without XOR-ing it out first, clearing runs of cells in one fill and
// skipping rows in the scroll copy all keep it so.
// The first pixel where the window differs from ScreenBitmap with the bar
// XOR-ed in at the caret (when it is drawn), or an empty string.
std::string WindowDifference(TOffscreenTerminal& term) {
    const TTerminal& t = term.Terminal;
    const QImage& window = term.WindowImage();
    const QImage& bitmap = term.BitmapImage();
    if (window.size() != bitmap.size())
        return "sizes differ";
    const int barTop = (t.CaretRow + 1) * t.CellHeight - 2;
    const int barLeft = t.CaretCol * t.CellWidth;
    for (int y = 0; y < window.height(); ++y) {
        const auto* w = reinterpret_cast<const QRgb*>(window.constScanLine(y));
        const auto* b = reinterpret_cast<const QRgb*>(bitmap.constScanLine(y));
        const bool barRow = t.CursorDrawn == 1 && y >= barTop && y < barTop + 2;
        if (!barRow && std::memcmp(w, b, sizeof(QRgb) * window.width()) == 0)
            continue;
        for (int x = 0; x < window.width(); ++x) {
            const bool bar = barRow && x >= barLeft && x < barLeft + t.CellWidth;
            if (((w[x] ^ b[x]) & 0xFFFFFF) != (bar ? 0xFFFFFFu : 0u))
                return "pixel " + std::to_string(x) + "," + std::to_string(y);
        }
    }
    return {};
}

TEST(PixelIdentityWindow, WindowIsScreenBitmapWithTheBarAfterEveryByte) {
    for (const TWorkload workload :
         {TWorkload::Plain, TWorkload::Colour, TWorkload::QnxFullscreen}) {
        SCOPED_TRACE(bench::NameOf(workload));
        const std::string bytes = bench::MakeWorkload(workload, 8 * 1024);
        auto term = test::MakeTerminal(bench::TerminalTypeOf(workload));
        for (std::size_t at = 0; at < bytes.size(); ++at) {
            term->Feed(bytes.substr(at, 1));
            ASSERT_EQ(WindowDifference(*term), "") << "after byte " << at;
        }
    }
}

// The caret can lie away from the write position while the bar is drawn: a
// repeat leaves the caret where it began, and a line feed then shows the bar
// there. The next character must take the bar away from that cell.
TEST(PixelIdentityWindow, BarAwayFromTheWritePositionIsTakenOutBeforeWriting) {
    auto term = test::MakeTerminal(TermQnx);
    const std::string bytes = "abc\x1bg%=\nxyz\x1bg\x23-\n\x1b=\x21\x30q\x1bg\x24+\nw";
    for (std::size_t at = 0; at < bytes.size(); ++at) {
        term->Feed(bytes.substr(at, 1));
        ASSERT_EQ(WindowDifference(*term), "") << "after byte " << at;
    }
    EXPECT_EQ(term->Terminal.ScreenCells[1][8].Ch, 'x');
}

// Every byte value as a glyph, in every colour pair, with auto-wrap so the
// table scrolls through the whole screen several times.
TEST(PixelIdentityGlyphs, AllGlyphsInAllColoursScrollingThrough) {
    std::string bytes = "\x1bh";
    for (int pair = 0; pair < 16 * 16; pair += 7) {
        bytes += "\x1b@";
        bytes += static_cast<char>('0' + pair % 16);
        bytes += static_cast<char>('0' + pair / 16);
        for (int b = 0x20; b < 0x100; ++b)
            if (b != 0xFF)
                bytes += static_cast<char>(b);
    }
    FeedBoth(bytes, TermQnx, 997);
}

// Random drawing on two pairs of pictures, one pair on each path, compared
// after every call: whole-width moves of every shape within a picture and
// between pictures, scrolls that move the picture's window through its
// store, glyphs, fills, lines and XORs in between.
// On both kinds of pixel store: the ring (pages mapped twice, where the
// window wraps past the end) and the plain block moved back to its start.
class PixelIdentityStores : public ::testing::TestWithParam<bool> {
  protected:
    void SetUp() override { Before = TQtSurface::UseRingStores(GetParam()); }
    void TearDown() override { TQtSurface::UseRingStores(Before); }
    bool Before = true;
};

INSTANTIATE_TEST_SUITE_P(Stores, PixelIdentityStores, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Ring" : "Block"; });

TEST_P(PixelIdentityStores, RandomDrawingAndCopiesMatchThePlainPath) {
    constexpr int W = 48;
    constexpr int H = 60;
    TQtSurface fastA(W, H), fastB(W, H), plainA(W, H), plainB(W, H), cursor(8, 2);
    for (TQtSurface* s : {&plainA, &plainB})
        UseReference(*s);
    cursor.SetBrushColor(Rgb(255, 255, 255));
    cursor.FillRect(0, 0, 8, 2);
    TQtSurface* fast[2] = {&fastA, &fastB};
    TQtSurface* plain[2] = {&plainA, &plainB};
    TRandom random(12345);
    struct TStep {
        bool mirrored;
        int target, op, x, y, w, h;
        TColor colour;
        std::uint8_t glyph;
        bool clear;
        int k;
    } last{};
    for (int step = 0; step < 6000; ++step) {
        // Half the time both pictures get the same drawing, as the renderer
        // draws them; now and then a step is the last one again.
        TStep next{random.Below(2) == 0,
                   random.Below(2),
                   random.Below(11),
                   random.Below(W + 8) - 4,
                   random.Below(H + 8) - 4,
                   random.Below(W + 4),
                   random.Below(H / 2 + 4),
                   Rgb(random.Below(256), random.Below(256), random.Below(256)),
                   static_cast<std::uint8_t>(random.Below(256)),
                   random.Below(4) == 0,
                   random.Below(H / 2 + 2)};
        if (step > 0 && random.Below(6) == 0)
            next = last;
        last = next;
        const auto [mirrored, target, op, x, y, w, h, colour, glyph, clear, k] = next;
        for (int pass = 0; pass < (mirrored ? 4 : 2); ++pass) {
            const int pathIndex = pass % 2;
            TQtSurface* const* pair = pathIndex == 0 ? fast : plain;
            TQtSurface& s = *pair[pass < 2 ? target : 1 - target];
            TQtSurface& other = *pair[pass < 2 ? 1 - target : target];
            s.SetBrushColor(colour);
            s.SetFontColor(colour ^ 0xFFFFFF);
            s.SetPenColor(colour);
            s.SetBrushStyle(clear ? TBrushStyle::Clear : TBrushStyle::Solid);
            switch (op) {
            case 0:
                s.FillRect(x, y, w, h);
                break;
            case 1:
                s.TextOut(x, y, &glyph, 1);
                break;
            case 2: // the whole picture up by k rows, as a scroll does
                s.CopyRect(0, 0, W, H - k, s, 0, k, TCopyMode::SrcCopy);
                break;
            case 3: // the whole width down, or a band up
                s.CopyRect(0, y, W, h, s, 0, y - k, TCopyMode::SrcCopy);
                break;
            case 4: // the whole picture from the other one, as a scroll does
                s.CopyRect(0, 0, W, H, other, 0, 0, TCopyMode::SrcCopy);
                break;
            case 5: // a band of the whole width from the other one
                s.CopyRect(0, y, W, h, other, 0, y + k - H / 4, TCopyMode::SrcCopy);
                break;
            case 6: // the cursor bar
                s.CopyRect(x, y, 8, 2, cursor, 0, 0, TCopyMode::SrcXor);
                break;
            case 7:
                s.CopyRect(x, y, w, h, other, y % 7, x % 5, TCopyMode::SrcXor);
                break;
            case 10: // a scroll, the strip that comes in painted
                if (k > 0 && k < H) {
                    s.ScrollUp(k);
                    s.FillRect(0, H - k, W, k);
                }
                break;
            case 8:
                s.MoveTo(x, y);
                s.LineTo(x + w - W / 2, y + h - H / 4);
                break;
            default:
                s.SetPenMode(clear ? TMixMode::Xor : TMixMode::Copy);
                s.Rectangle(x, y, x + w, y + h);
                s.SetPenMode(TMixMode::Copy);
                break;
            }
        }
        for (int i = 0; i < 2; ++i)
            ASSERT_EQ(FirstDifference(fast[i]->Image(), plain[i]->Image()), "")
                << "picture " << i << " after step " << step << ", operation " << op;
    }
}

// A copy of the picture is a snapshot: later drawing, a scroll included, does
// not reach it. A reference to the picture (as the widget keeps) follows.
TEST_P(PixelIdentityStores, CopiesOfThePictureAreSnapshotsAndReferencesFollow) {
    TQtSurface s(16, 40);
    const QImage& live = s.Image();
    s.SetBrushColor(Rgb(0, 0, 170));
    s.FillRect(0, 20, 16, 20);
    const QImage snapshot = s.Image();
    s.CopyRect(0, 0, 16, 30, s, 0, 10, TCopyMode::SrcCopy);
    s.SetBrushColor(Rgb(190, 0, 0));
    s.FillRect(0, 30, 16, 10);
    EXPECT_EQ(snapshot.pixel(0, 10) & 0xFFFFFF, 0u);
    EXPECT_EQ(snapshot.pixel(0, 35) & 0xFFFFFF, Rgb(0, 0, 170));
    EXPECT_EQ(live.pixel(0, 10) & 0xFFFFFF, Rgb(0, 0, 170));
    EXPECT_EQ(live.pixel(0, 35) & 0xFFFFFF, Rgb(190, 0, 0));
    EXPECT_EQ(s.Pixel(0, 10), Rgb(0, 0, 170));
    EXPECT_EQ(&live, &s.Image());
}

} // namespace
} // namespace lemnar
