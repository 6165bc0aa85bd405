// Characters outside any sequence are written a run at a time, and a repeat
// draws its cells in one piece. A terminal taking streams that way must show
// exactly what one shows that takes every byte in a block of its own and
// draws every cell by itself (a fill and a glyph, the bar taken out first):
// both pictures, the cells, the bar and the surface colours, after every
// block, on grids down to a single cell.

#include "SameTerminal.h"
#include "Streams.h"
#include "platform/OffscreenTerminal.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace lemnar {
namespace {

using test::ExpectSameTerminal;
using test::TRandom;

// The way the program takes bytes, or cell by cell: every glyph drawn on its
// own after a fill, which is never written in runs.
std::unique_ptr<TOffscreenTerminal> MakeTerminal(std::uint8_t type, int cols, int rows,
                                                 bool cellByCell) {
    TOffscreenTerminal::TOptions options;
    options.TerminalType = type;
    options.Cols = cols;
    options.Rows = rows;
    auto term = std::make_unique<TOffscreenTerminal>(options);
    if (cellByCell)
        term->Terminal.GlyphFillsCell = false;
    return term;
}

void FeedBothWays(TOffscreenTerminal& runs, TOffscreenTerminal& cells, const std::string& bytes,
                  TRandom& r) {
    for (std::size_t at = 0; at < bytes.size();) {
        const std::size_t n = 1 + static_cast<std::size_t>(r.Below(r.Below(6) == 0 ? 30 : 1200));
        const std::string piece = bytes.substr(at, n);
        at += piece.size();
        runs.Feed(piece);
        cells.Feed(piece, 1);
        ExpectSameTerminal(runs, cells, "after byte " + std::to_string(at));
        if (::testing::Test::HasFailure())
            return;
    }
}

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

TEST(TextRuns, QnxStreamsMatchDrawingCellByCell) {
    struct TGrid {
        int Cols;
        int Rows;
    };
    for (TGrid grid : {TGrid{80, 25}, TGrid{1, 1}, TGrid{2, 3}, TGrid{3, 2}, TGrid{7, 4}}) {
        SCOPED_TRACE(std::to_string(grid.Cols) + "x" + std::to_string(grid.Rows));
        TRandom r(static_cast<std::uint32_t>(grid.Cols * 100 + grid.Rows));
        auto runs = MakeTerminal(TermQnx, grid.Cols, grid.Rows, false);
        auto cells = MakeTerminal(TermQnx, grid.Cols, grid.Rows, true);
        ASSERT_TRUE(runs->Terminal.GlyphFillsCell);
        FeedBothWays(*runs, *cells, RunStream(r, grid.Cols == 80 ? 150 * 1024 : 20 * 1024), r);
        ASSERT_FALSE(::testing::Test::HasFailure());
    }
}

// Text in every attribute the ANSI interpreter has (bright, blink, reverse,
// concealed) and in plain TTY.
TEST(TextRuns, AnsiAndTtyStreamsMatchDrawingCellByCell) {
    TRandom r(31);
    const char* const attributes[] = {"\x1b[5m",  "\x1b[8m",  "\x1b[7m",    "\x1b[1m",    "\x1b[0m",
                                      "\x1b[32m", "\x1b[41m", "\x1b[1;79H", "\x1b[25;75H"};
    for (std::uint8_t type : {TermAnsi, TermTty}) {
        SCOPED_TRACE(int(type));
        std::string bytes;
        while (bytes.size() < 60 * 1024) {
            bytes += test::AnsiStream(r, 200);
            bytes += attributes[r.Below(static_cast<int>(std::size(attributes)))];
        }
        auto runs = MakeTerminal(type, 80, 25, false);
        auto cells = MakeTerminal(type, 80, 25, true);
        FeedBothWays(*runs, *cells, bytes, r);
        ASSERT_FALSE(::testing::Test::HasFailure());
    }
}

} // namespace
} // namespace lemnar
