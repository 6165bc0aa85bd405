#pragma once
// What changed in the cells since the pictures were last brought up to date:
// the cells to draw, the scrolls of the whole grid and the cursor bar's XORs
// on the window picture. The terminal records here and never draws; the
// renderer reads it, draws, and starts it afresh.

#include "terminal/Cell.h"

#include <algorithm>
#include <bit>
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

// The first run of set bits [from, to) in [at, end). false: none.
inline bool NextCellRun(const std::uint64_t* words, int at, int end, int& from, int& to) {
    int c = at;
    while (c < end) {
        const std::uint64_t w = words[c / 64] >> (c % 64);
        if (w != 0) {
            c += std::countr_zero(w);
            break;
        }
        c = (c / 64 + 1) * 64;
    }
    if (c >= end)
        return false;
    from = c;
    while (c < end) {
        const std::uint64_t w = ~words[c / 64] >> (c % 64);
        if (w != 0) {
            c += std::countr_zero(w);
            break;
        }
        c = (c / 64 + 1) * 64;
    }
    to = std::min(c, end);
    return true;
}

// The cursor bar sits on the bottom two pixel rows of its cell. Cells one
// pixel high put the bar of the row below the grid onto its last row, so the
// bar records keep one row more than the store.
constexpr int BarRows = StoreRows + 1;

// Whether a bar at (row, col) can touch a picture at all; one that cannot is
// not recorded (the drawing would be clipped away whole).
inline bool BarInRange(int row, int col) {
    return static_cast<unsigned>(row) < BarRows && static_cast<unsigned>(col) < StoreCols;
}

// Cursor bars XOR-ed on a picture, one bit a cell: a second XOR at a cell
// takes the first back. Count is the number of bits set and Top and Bottom
// bound the rows that may hold one, so the usual case (the bar shown and
// hidden again) costs a test, and clearing costs the rows in use.
class TBarBits {
  public:
    void Toggle(int row, int col) {
        const auto c = static_cast<unsigned>(col);
        std::uint64_t& word = Rows[row][c / 64];
        const std::uint64_t bit = std::uint64_t{1} << (c % 64);
        word ^= bit;
        if ((word & bit) == 0) {
            Dropped(1);
            return;
        }
        ++Count;
        Top = std::min(Top, row);
        Bottom = std::max(Bottom, row);
    }
    // Cells [from, to) of a row lose their bars.
    void ClearCells(int row, int from, int to) {
        if (Count == 0 || row < Top || row > Bottom)
            return;
        if (from / 64 == (to - 1) / 64) {
            // The usual run, inside one word.
            const int n = to - from;
            const std::uint64_t ones = n == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << n) - 1;
            std::uint64_t& word = Rows[row][from / 64];
            const std::uint64_t hit = word & (ones << (from % 64));
            if (hit != 0) {
                word &= ~hit;
                Dropped(std::popcount(hit));
            }
            return;
        }
        int cleared = 0;
        for (int w = from / 64; w * 64 < to; ++w) {
            const int lo = std::max(from - w * 64, 0);
            const int hi = std::min(to - w * 64, 64);
            const std::uint64_t upper = hi == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << hi) - 1;
            const std::uint64_t mask = upper & ~((std::uint64_t{1} << lo) - 1);
            cleared += std::popcount(Rows[row][w] & mask);
            Rows[row][w] &= ~mask;
        }
        Dropped(cleared);
    }
    // Rows [from, to) lose their bars.
    void ClearRows(int from, int to) {
        if (Count == 0)
            return;
        int cleared = 0;
        for (int r = std::max(from, Top); r < std::min(to, Bottom + 1); ++r) {
            for (std::uint64_t& word : Rows[r]) {
                cleared += std::popcount(word);
                word = 0;
            }
        }
        Dropped(cleared);
    }
    void Clear() { ClearRows(Top, Bottom + 1); }
    // f(row, col) for each bar.
    template <class F> void ForEach(F f) const {
        if (Count == 0)
            return;
        for (int r = Top; r <= Bottom; ++r) {
            int from = 0;
            int to = 0;
            for (int at = 0; NextCellRun(Rows[r], at, StoreCols, from, to); at = to) {
                for (int c = from; c < to; ++c)
                    f(r, c);
            }
        }
    }

  private:
    void Dropped(int n) {
        Count -= n;
        if (Count == 0) {
            Top = BarRows;
            Bottom = -1;
        }
    }

    std::uint64_t Rows[BarRows][CellWordsPerRow] = {};
    int Count = 0;
    int Top = BarRows;
    int Bottom = -1;
};

class TScreenDamage {
  public:
    static constexpr int WordsPerRow = CellWordsPerRow;
    static_assert(WordsPerRow == 3);

    // Cells [from, to) of a row are to be drawn from their content; last is
    // the last of them changed. A bar XOR-ed on one of them before is wiped
    // by the drawing.
    void Cells(int row, int from, int to, const Cell& last) {
        Pending = true;
        SetCellBits(Dirty[row], from, to);
        Bars.ClearCells(row, from, to);
        LastChanged = true;
        LastFg = last.Fg;
        LastBg = last.Bg;
        ScrollAfterLast = false;
    }
    // The grid of `rows` rows moved up one row: the pictures move up a row and
    // a black strip comes in; the window takes all of ScreenBitmap, which
    // wipes every bar XOR-ed on it.
    void Scroll(int rows) {
        Pending = true;
        if (FirstChangedPush < 0 && (Dirty[0][0] | Dirty[0][1] | Dirty[0][2]) != 0) {
            // The top row goes to the history with cells still to draw.
            FirstChangedPush = Scrolls;
        }
        ++Scrolls;
        ScrollAfterLast = true;
        if (rows > 1)
            std::memmove(Dirty[0], Dirty[1], sizeof(Dirty[0]) * static_cast<std::size_t>(rows - 1));
        std::memset(Dirty[rows - 1], 0, sizeof(Dirty[0]));
        Bars.Clear();
    }
    // The bar XOR-ed at a cell: a second XOR at the same cell takes the first
    // back, so one bit a cell records it.
    void Bar(int row, int col) {
        if (!BarInRange(row, col))
            return;
        Pending = true;
        Bars.Toggle(row, col);
    }

    // Anything to draw.
    bool Pending = false;
    std::uint64_t Dirty[StoreRows][WordsPerRow] = {};
    int Scrolls = 0;
    // A row with cells to draw scrolled off the top, at the scroll of this
    // number (counted from 0) or a later one; -1: none did.
    int FirstChangedPush = -1;
    // The cells whose bar XOR is still to be made on the window picture.
    TBarBits Bars;
    // A cell changed; LastFg and LastBg are the colours of the last one.
    bool LastChanged = false;
    std::uint8_t LastFg = 0;
    std::uint8_t LastBg = 0;
    // A scroll was recorded after the last cell changed, or with none changed.
    bool ScrollAfterLast = false;
};

} // namespace lemnar
