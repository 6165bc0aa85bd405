// The fast drawing path against the plain one: glyphs from the wide masks
// against QPainter, block copies through the row bookkeeping (window moves,
// skipped rows) against moving every pixel. Both must leave the same pixels in
// both pictures and the same cells, at every point of a stream.

#include "SameTerminal.h"
#include "bench/Workloads.h"
#include "platform/OffscreenTerminal.h"
#include "platform/PixelRows.h"
#include "platform/QtSurface.h"
#include "support/Random.h"

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

std::unique_ptr<TOffscreenTerminal> MakeTerminal(std::uint8_t type, bool reference) {
    TOffscreenTerminal::TOptions options;
    options.TerminalType = type;
    auto term = std::make_unique<TOffscreenTerminal>(options);
    if (reference) {
        UseReference(term->WindowPicture);
        UseReference(term->BitmapPicture);
        // And every cell drawn on both pictures as it comes.
        term->Terminal.Pictures.AllowFollowing(false);
    }
    return term;
}

void FeedBoth(const std::string& bytes, std::uint8_t type, std::size_t block) {
    auto fast = MakeTerminal(type, false);
    auto plain = MakeTerminal(type, true);
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

// The window picture is ScreenBitmap with the cursor bar XOR-ed in at the
// caret, after every byte of every workload: drawing a character over the
// bar without XOR-ing it out first, clearing runs of cells in one fill and
// skipping rows in the scroll copy all keep it so.
// The first pixel where the window differs from ScreenBitmap with the bar
// XOR-ed in at the caret (when it is drawn), or an empty string.
std::string WindowDifference(const TOffscreenTerminal& term) {
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
        auto term = MakeTerminal(bench::TerminalTypeOf(workload), false);
        for (std::size_t at = 0; at < bytes.size(); ++at) {
            term->Feed(bytes.substr(at, 1));
            ASSERT_EQ(WindowDifference(*term), "") << "after byte " << at;
        }
    }
}

// Inside a block the bar waits and is put in place before anything else
// touches the window picture: at every block's end both pictures are what a
// terminal that takes the same bytes one block per byte (drawing the bar at
// once) shows. Besides the workloads: moves away from a shown bar, hides and
// shows at other places, the command channel drawing on the window, a form
// feed and a repeat.
TEST(PixelIdentityWindow, BarWaitingInsideABlockEndsAsIfDrawnAtOnce) {
    struct TStream {
        std::uint8_t type;
        std::string bytes;
    };
    std::vector<TStream> streams;
    for (const TWorkload workload : {TWorkload::Plain, TWorkload::Colour, TWorkload::QnxFullscreen})
        streams.push_back(
            {bench::TerminalTypeOf(workload), bench::MakeWorkload(workload, 16 * 1024)});
    streams.push_back({TermQnx, "ab\x1b=\x25\x30"
                                "cd\x1bY\x1bg\x24=\nx\r\x1b=\x22\x22y\x0cz"
                                "\x1bG1~&A0010000020~&B0060000070~&C000031~&L~&C000002~&B~"
                                "&T hi~&G0~q\bw\x1b"
                                "E\x1b"
                                "Fv"});
    streams.push_back({TermAnsi, "ab\x1b[5;7Hcd\x1b[Ae\x1b[2Jf\x1b[3;3Hg\x1b[Kh\x1b[s\x1b[1;1Hi"
                                 "\x1b[uj\x1b[7mk\r\nl\x08m"});
    streams.push_back({TermTty, "abc\r\ndef\x08g\nh\x1b[1mi"});
    for (const TStream& stream : streams) {
        auto blocks = MakeTerminal(stream.type, false);
        auto bytes = MakeTerminal(stream.type, false);
        constexpr std::size_t Block = 997;
        for (std::size_t at = 0; at < stream.bytes.size(); at += Block) {
            const std::string piece = stream.bytes.substr(at, Block);
            blocks->Feed(piece);
            for (char c : piece)
                bytes->Feed(std::string(1, c));
            ExpectSameTerminal(*blocks, *bytes, "after byte " + std::to_string(at + piece.size()));
            ASSERT_FALSE(::testing::Test::HasFailure()) << "stream of type " << int(stream.type);
        }
    }
}

// The caret can lie away from the write position while the bar is drawn: a
// repeat leaves the caret where it began, and a line feed then shows the bar
// there. The next character must take the bar away from that cell.
TEST(PixelIdentityWindow, BarAwayFromTheWritePositionIsTakenOutBeforeWriting) {
    auto term = MakeTerminal(TermQnx, false);
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
// between pictures (where the bookkeeping skips rows), with the writes that
// must invalidate it in between.
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
        // Half the time both pictures get the same drawing, as the terminal
        // draws, so their rows keep equal tags and whole-width copies between
        // them skip rows. Now and then a step is the last one again: drawing
        // the same thing twice must not bring back the tags from before.
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
            case 10: // a scroll with the new strip filled
                s.ScrollUpAndFill(k);
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

// The same drawing over and over (a program redrawing one cell) never brings
// a row's tag back to what it was, so a picture that was drawn on still takes
// the rows of one that was not.
TEST(PixelIdentitySurfaces, RepeatedDrawingNeverComesBackToTheOldTag) {
    constexpr int W = 16;
    constexpr int H = 30;
    for (int glyph = 'A'; glyph < 'A' + 12; ++glyph) {
        TQtSurface drawn(W, H);
        TQtSurface kept(W, H);
        kept.SetBrushColor(Rgb(0, 0, 170));
        kept.FillRect(0, 0, W, H);
        drawn.CopyRect(0, 0, W, H, kept, 0, 0, TCopyMode::SrcCopy);
        const auto byte = static_cast<std::uint8_t>(glyph);
        for (const int times : {64, 64, 128}) {
            for (int i = 0; i < times; ++i)
                drawn.TextOut(0, 0, &byte, 1);
            drawn.CopyRect(0, 0, W, H, kept, 0, 0, TCopyMode::SrcCopy);
            ASSERT_EQ(FirstDifference(drawn.Image(), kept.Image()), "")
                << "glyph " << glyph << " drawn " << times << " times";
        }
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
