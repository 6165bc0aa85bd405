#include "terminal/Scrollback.h"

#include <algorithm>

namespace lemnar {

void TScrollback::SetCapacity(int rows) {
    rows = std::max(rows, 0);
    if (rows == Limit)
        return;
    // Kept rows move to a store of the new size, the newest last.
    const int keep = std::min(Kept, rows);
    std::vector<Cell> cells(static_cast<std::size_t>(keep) * StoreCols);
    std::vector<TRowInfo> rowInfo(static_cast<std::size_t>(keep));
    for (int i = 0; i < keep; ++i) {
        const int from = Kept - keep + i;
        std::copy_n(Row(from), StoreCols,
                    cells.begin() + static_cast<std::ptrdiff_t>(i) * StoreCols);
        rowInfo[static_cast<std::size_t>(i)] = Info[static_cast<std::size_t>(Slot(from))];
    }
    DroppedRows += Kept - keep;
    Cells = std::move(cells);
    Info = std::move(rowInfo);
    Kept = keep;
    First = 0;
    Limit = rows;
}

void TScrollback::Push(const Cell* cells, int cols, const std::uint64_t* painted) {
    if (Limit == 0) {
        ++DroppedRows;
        return;
    }
    cols = std::clamp(cols, 1, StoreCols);
    int slot = 0;
    if (Kept < Limit) {
        // Not full yet: the store grows by one row (the oldest is in slot 0),
        // in steps, never past the capacity.
        slot = Kept;
        const std::size_t need = (static_cast<std::size_t>(Kept) + 1) * StoreCols;
        if (Cells.capacity() < need)
            Cells.reserve(std::min(static_cast<std::size_t>(Limit) * StoreCols,
                                   std::max(need, Cells.capacity() * 2)));
        Cells.resize(need);
        Info.emplace_back();
        ++Kept;
    } else {
        // Full: the oldest row gives its slot to the newest.
        slot = First;
        First = (First + 1) % Limit;
        ++DroppedRows;
    }
    std::copy_n(cells, cols, Cells.begin() + static_cast<std::ptrdiff_t>(slot) * StoreCols);
    TRowInfo& info = Info[static_cast<std::size_t>(slot)];
    info.Width = static_cast<std::uint8_t>(cols - 1);
    std::copy_n(painted, CellWordsPerRow, info.Painted.begin());
}

const Cell* TScrollback::Row(int i) const {
    return Cells.data() + static_cast<std::ptrdiff_t>(Slot(i)) * StoreCols;
}

int TScrollback::Width(int i) const {
    return Info[static_cast<std::size_t>(Slot(i))].Width + 1;
}

bool TScrollback::Painted(int i, int col) const {
    return CellBit(Info[static_cast<std::size_t>(Slot(i))].Painted.data(), col);
}

} // namespace lemnar
