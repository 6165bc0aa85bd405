#pragma once
// One character cell of the screen, and the size of the cell store.

#include <cstdint>

namespace lemnar {

struct Cell {
    std::uint8_t Ch;
    std::uint8_t Fg; // index into TextPalette
    std::uint8_t Bg;
    std::uint8_t Blink;
};
static_assert(sizeof(Cell) == 4);

constexpr int StoreRows = 80;
constexpr int StoreCols = 160;

} // namespace lemnar
