#pragma once
// The shades, box-drawing lines and blocks of bytes 0xB0..0xDF, drawn from
// rectangles rather than from the font so that neighbouring cells join without
// gaps whatever font is in use.

#include <QRect>
#include <cstdint>
#include <vector>

namespace lemnar {

bool IsBoxGlyph(std::uint8_t byte);

// Line thickness in a cell of this size: 1 px at the usual sizes, growing
// slowly with the cell.
int BoxStrokeWidth(int cellWidth, int cellHeight);

// The rectangles, in cell coordinates, whose union is the glyph of a box byte
// in a cellWidth x cellHeight cell. They stay inside the cell; empty for other
// bytes.
std::vector<QRect> BoxGlyphRects(std::uint8_t byte, int cellWidth, int cellHeight);

} // namespace lemnar
