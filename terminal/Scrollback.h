#pragma once
// The rows that scrolled off the top of the grid, with their colours, oldest
// first, at most Capacity() of them; the oldest go when more come.
//
// Every row the terminal has shown has a line number that stays with it: the
// rows dropped from the old end are counted (Dropped), so history row i is
// line Dropped() + i and, with Count() rows kept, the grid's row r is line
// Dropped() + Count() + r. A selection or a view into the history holds line
// numbers, and a scroll does not move what they name.

#include "terminal/Cell.h"
#include "terminal/ScreenDamage.h"

#include <array>
#include <cstdint>
#include <vector>

namespace lemnar {

class TScrollback {
  public:
    static constexpr int DefaultRows = 5000;

    explicit TScrollback(int capacity = DefaultRows) { SetCapacity(capacity); }

    // 0 keeps nothing. Rows beyond a smaller capacity go, oldest first.
    void SetCapacity(int rows);
    int Capacity() const { return Limit; }
    int Count() const { return Kept; }
    long long Dropped() const { return DroppedRows; }

    // Keeps a copy of the first cols cells of a row (cols at most StoreCols),
    // and which of them were painted (drawn since a black fill blanked them).
    void Push(const Cell* cells, int cols, const std::uint64_t* painted);
    // History row i, 0 the oldest kept; its width is Width(i).
    const Cell* Row(int i) const;
    int Width(int i) const;
    bool Painted(int i, int col) const;

  private:
    int Slot(int i) const { return (First + i) % Limit; }

    int Limit = 0;
    int Kept = 0;
    int First = 0; // slot of the oldest row
    long long DroppedRows = 0;
    // Slots of StoreCols cells, made as rows first come, up to Limit.
    std::vector<Cell> Cells;
    struct TRowInfo {
        std::uint8_t Width = 0; // less one
        std::array<std::uint64_t, CellWordsPerRow> Painted{};
    };
    std::vector<TRowInfo> Info;
};

} // namespace lemnar
