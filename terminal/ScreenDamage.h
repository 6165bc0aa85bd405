#pragma once
// What changed on the screen since the pictures were last brought up to date:
// the cells to draw, the scrolls of the whole grid, the cursor bar's XORs on
// the window picture and the colours the last drawn cell leaves the surfaces.
// The terminal records here and never draws; the renderer reads it, draws,
// and starts it afresh.

#include "terminal/Cell.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace lemnar {

// A bit per cell of a row of the store.
constexpr int CellWordsPerRow = (StoreCols + 63) / 64;
using TCellBits = std::uint64_t[CellWordsPerRow];

// Sets the bits [from, to) of a row (0 <= from < to <= StoreCols).
inline void SetCellBits(std::uint64_t* words, int from, int to) {
    if (from / 64 == (to - 1) / 64) {
        // The usual run, inside one word.
        const int n = to - from;
        const std::uint64_t ones = n == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << n) - 1;
        words[from / 64] |= ones << (from % 64);
        return;
    }
    for (int w = from / 64; w * 64 < to; ++w) {
        const int lo = std::max(from - w * 64, 0);
        const int hi = std::min(to - w * 64, 64);
        const std::uint64_t upper = hi == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << hi) - 1;
        words[w] |= upper & ~((std::uint64_t{1} << lo) - 1);
    }
}

inline bool CellBit(const std::uint64_t* words, int col) {
    return ((words[col / 64] >> (col % 64)) & 1) != 0;
}

class TScreenDamage {
  public:
    static constexpr int WordsPerRow = CellWordsPerRow;
    static_assert(WordsPerRow == 3);
    // Bar XORs waiting at once; more bring the pictures up to date first.
    static constexpr int MaxBars = 8;

    struct TBar {
        int Row;
        int Col;
    };

    // Cells [from, to) of a row are to be drawn from their content; a bar
    // XOR-ed on one of them before is wiped by the drawing.
    void Cells(int row, int from, int to) {
        Pending = true;
        SetCellBits(Dirty[row], from, to);
        if (BarCount != 0) [[unlikely]]
            DropBars(row, from, to);
    }
    // The colours of the last cell drawn, palette indices.
    void Colours(std::uint8_t fg, std::uint8_t bg) {
        Drawn = true;
        LastFg = fg;
        LastBg = bg;
        ScrolledLast = false;
    }
    // The grid of `rows` rows moved up one row: the pictures move up a row and
    // a black strip comes in; the window takes all of ScreenBitmap, which
    // wipes every bar XOR-ed on it.
    void Scroll(int rows) {
        Pending = true;
        if (!DirtyPushed && (Dirty[0][0] | Dirty[0][1] | Dirty[0][2]) != 0) {
            // The top row goes to the history with cells still to draw.
            DirtyPushed = true;
            FirstDirtyPush = Scrolls;
        }
        ++Scrolls;
        if (rows > 1)
            std::memmove(Dirty[0], Dirty[1], sizeof(Dirty[0]) * static_cast<std::size_t>(rows - 1));
        std::memset(Dirty[rows - 1], 0, sizeof(Dirty[0]));
        BarCount = 0;
        ScrolledLast = true;
    }
    // The bar XOR-ed at a cell: a second XOR at the same cell takes the first
    // back. false: no room left; the pictures must be brought up to date first.
    bool Bar(int row, int col) {
        // Most often the XOR takes back the last one: a bar shown, then
        // hidden again at the next character or sequence.
        if (BarCount != 0 && Bars[BarCount - 1].Row == row && Bars[BarCount - 1].Col == col) {
            --BarCount;
            return true;
        }
        for (int i = 0; i < BarCount; ++i) {
            if (Bars[i].Row == row && Bars[i].Col == col) {
                Bars[i] = Bars[--BarCount];
                return true;
            }
        }
        if (BarCount == MaxBars)
            return false;
        Pending = true;
        Bars[BarCount++] = {row, col};
        return true;
    }
    // Anything to draw.
    bool Pending = false;
    std::uint64_t Dirty[StoreRows][WordsPerRow] = {};
    int Scrolls = 0;
    // A row with cells to draw scrolled off the top, at the scroll of this
    // number (counted from 0) or a later one.
    bool DirtyPushed = false;
    int FirstDirtyPush = 0;
    TBar Bars[MaxBars] = {};
    int BarCount = 0;
    // A cell was drawn; LastFg and LastBg are its colours.
    bool Drawn = false;
    std::uint8_t LastFg = 0;
    std::uint8_t LastBg = 0;
    // A scroll came after the last cell drawn: ScreenBitmap's brush is black.
    bool ScrolledLast = false;

  private:
    void DropBars(int row, int from, int to) {
        for (int i = 0; i < BarCount;) {
            if (Bars[i].Row == row && Bars[i].Col >= from && Bars[i].Col < to)
                Bars[i] = Bars[--BarCount];
            else
                ++i;
        }
    }
};

} // namespace lemnar
