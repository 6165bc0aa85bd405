#pragma once
// Whether two terminals are in the same state: the whole cell store, the grid
// and cell size, every position, attribute and parser field, the command
// channel's points and colour, and each picture's size, pen, brush and font.
// The pixels are the caller's to compare. No Qt and no test framework here:
// the fuzz targets use it too.

#include "terminal/Terminal.h"

#include <cstring>
#include <sstream>
#include <string>

namespace lemnar::test {

namespace detail {

inline std::string SurfaceDifference(const TDrawSurface& a, const TDrawSurface& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height())
        return "size";
    if (a.BrushColor() != b.BrushColor())
        return "brush colour";
    if (a.BrushStyle() != b.BrushStyle())
        return "brush style";
    if (a.PenColor() != b.PenColor() || a.PenWidth() != b.PenWidth())
        return "pen";
    if (a.PenMode() != b.PenMode())
        return "pen mode";
    if (a.FontColor() != b.FontColor())
        return "font colour";
    return {};
}

} // namespace detail

// The first thing that differs, or an empty string. Brings both terminals'
// pictures up to date.
inline std::string StateDifference(TTerminal& a, TTerminal& b) {
    for (int r = 0; r < StoreRows; ++r)
        for (int c = 0; c < StoreCols; ++c)
            if (std::memcmp(&a.ScreenCells[r][c], &b.ScreenCells[r][c], sizeof(Cell)) != 0) {
                std::ostringstream where;
                where << "cell " << r << "," << c;
                return where.str();
            }
#define LEMNAR_SAME(field)                                                                         \
    if (a.field != b.field)                                                                        \
        return #field;
    LEMNAR_SAME(ScreenRows)
    LEMNAR_SAME(ScreenCols)
    LEMNAR_SAME(CellWidth)
    LEMNAR_SAME(CellHeight)
    LEMNAR_SAME(CursorRow)
    LEMNAR_SAME(CursorCol)
    LEMNAR_SAME(CaretRow)
    LEMNAR_SAME(CaretCol)
    LEMNAR_SAME(CursorFollows)
    LEMNAR_SAME(CursorHidden)
    LEMNAR_SAME(CursorDrawn)
    LEMNAR_SAME(AutoWrap)
    LEMNAR_SAME(TextFg)
    LEMNAR_SAME(TextBg)
    LEMNAR_SAME(ClearFg)
    LEMNAR_SAME(ClearBg)
    LEMNAR_SAME(SavedFg)
    LEMNAR_SAME(SavedBg)
    LEMNAR_SAME(BrightFg)
    LEMNAR_SAME(BrightBg)
    LEMNAR_SAME(BlinkAttr)
    LEMNAR_SAME(ReverseAttr)
    LEMNAR_SAME(ConcealAttr)
    LEMNAR_SAME(UnderlineAttr)
    LEMNAR_SAME(EscState)
    LEMNAR_SAME(CommandMode)
    LEMNAR_SAME(CommandLength)
    LEMNAR_SAME(RepeatCount)
    LEMNAR_SAME(AnsiParamLength)
    LEMNAR_SAME(AnsiSavedCol)
    LEMNAR_SAME(AnsiSavedRow)
    LEMNAR_SAME(GraphicsArg)
    LEMNAR_SAME(FromX)
    LEMNAR_SAME(FromY)
    LEMNAR_SAME(ToX)
    LEMNAR_SAME(ToY)
    LEMNAR_SAME(DrawColor)
#undef LEMNAR_SAME
    if (std::memcmp(a.Painted, b.Painted, sizeof a.Painted) != 0)
        return "cells painted";
    if (a.History.Count() != b.History.Count() || a.History.Dropped() != b.History.Dropped())
        return "history";
    for (const TPicture p : {TPicture::Window, TPicture::ScreenBitmap}) {
        const std::string d = detail::SurfaceDifference(a.Renderer.Look(p), b.Renderer.Look(p));
        if (!d.empty())
            return (p == TPicture::Window ? "window " : "ScreenBitmap ") + d;
    }
    return {};
}

} // namespace lemnar::test
