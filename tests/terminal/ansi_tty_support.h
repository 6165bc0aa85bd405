#pragma once
// Helpers shared by the ANSI and TTY byte-stream tests: a headless terminal,
// a short notation for escape sequences, and readers for the screen text,
// cells and pixels.

#include "platform/OffscreenTerminal.h"
#include "support/SameTerminal.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <string_view>

namespace lemnar::test {

// '^' stands for ESC, so "^[2J" is ESC [ 2 J.
inline std::string Seq(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c == '^')
            c = Esc;
    return out;
}

// The rows of the grid with trailing blanks dropped, joined by '\n', without
// the empty rows at the bottom.
inline std::string ScreenText(const TOffscreenTerminal& t) {
    std::string out;
    std::string pending;
    for (int r = 0; r < t.Terminal.ScreenRows; ++r) {
        std::string row = t.RowBytes(r);
        row.erase(row.find_last_not_of(' ') + 1);
        if (r > 0)
            pending += '\n';
        if (!row.empty()) {
            out += pending + row;
            pending.clear();
        }
    }
    return out;
}

// The screen's text, the write position and the caret at (row, col), and the
// parser at rest outside command mode.
inline void ExpectScreen(const TOffscreenTerminal& t, const std::string& screen, int row, int col) {
    const TTerminal& term = t.Terminal;
    EXPECT_EQ(ScreenText(t), screen);
    EXPECT_EQ(term.CursorRow, row);
    EXPECT_EQ(term.CursorCol, col);
    EXPECT_EQ(term.CaretRow, row);
    EXPECT_EQ(term.CaretCol, col);
    EXPECT_EQ(term.EscState, EscGround);
    EXPECT_EQ(term.CommandMode, 0);
}

// The colours of the pixels of one cell on ScreenBitmap.
inline std::set<TColor> CellPixels(TOffscreenTerminal& t, int row, int col) {
    std::set<TColor> colours;
    TTerminal& term = t.Terminal;
    for (int y = row * term.CellHeight; y < (row + 1) * term.CellHeight; ++y)
        for (int x = col * term.CellWidth; x < (col + 1) * term.CellWidth; ++x)
            colours.insert(term.Renderer.Look(TPicture::ScreenBitmap).Pixel(x, y));
    return colours;
}

// The cells from (row, col) hold text in palette colours fg on bg, and their
// pixels are exactly those two colours (fg at least once unless text is blank).
inline void ExpectSpan(TOffscreenTerminal& t, int row, int col, std::string_view text, int fg,
                       int bg) {
    SCOPED_TRACE("span \"" + std::string(text) + "\" at row " + std::to_string(row) + ", column " +
                 std::to_string(col));
    EXPECT_EQ(t.RowBytes(row).substr(col, text.size()), text);
    bool inked = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const Cell& cell = t.Terminal.ScreenCells[row][col + static_cast<int>(i)];
        EXPECT_EQ(cell.Fg, fg) << "column " << col + i;
        EXPECT_EQ(cell.Bg, bg) << "column " << col + i;
        for (TColor c : CellPixels(t, row, col + static_cast<int>(i))) {
            EXPECT_TRUE(c == TextPalette[fg] || c == TextPalette[bg])
                << "column " << col + i << " pixel " << std::hex << c;
            inked = inked || (c == TextPalette[fg] && fg != bg);
        }
    }
    if (text.find_first_not_of(' ') != std::string_view::npos) {
        EXPECT_TRUE(inked) << "no pixel in the text colour";
    }
}

} // namespace lemnar::test
