#include "AnsiScreenWriter.h"

#include <algorithm>
#include <array>
#include <utility>

namespace lemnar::demo {

namespace {

// ANSI colour number of each console colour 0..7 (the console puts blue at 1, ANSI at 4).
constexpr std::array<int, 8> AnsiNumber = {0, 4, 2, 6, 1, 5, 3, 7};

} // namespace

void TAnsiScreenWriter::Clear() {
    Out += "\x1b[2J";
}

void TAnsiScreenWriter::MoveTo(int row, int col) {
    Out += "\x1b[" + std::to_string(std::max(row, 0) + 1) + ";" +
           std::to_string(std::max(col, 0) + 1) + "H";
}

void TAnsiScreenWriter::SetColour(int fg, int bg) {
    fg = std::clamp(fg, 0, 15);
    bg = std::clamp(bg, 0, 15);
    // 0 first: the bright flag of an earlier colour must not stay on. Colours
    // also become the clear colours, so ESC [ 2 J and ESC [ K clear in them.
    Out += "\x1b[0;";
    if (fg >= 8) {
        Out += "1;";
    }
    Out += std::to_string(30 + AnsiNumber[fg & 7]) + ";" + std::to_string(40 + AnsiNumber[bg & 7]) +
           "m";
}

void TAnsiScreenWriter::Text(std::string_view cp866) {
    Out += cp866;
}

void TAnsiScreenWriter::Repeat(char ch, int count) {
    if (count > 0) {
        Out.append(static_cast<std::size_t>(count), ch);
    }
}

void TAnsiScreenWriter::ClearToEnd() {
    Out += "\x1b[K";
}

void TAnsiScreenWriter::ShowCursor(bool) {}

void TAnsiScreenWriter::Raw(std::string_view bytes) {
    Out += bytes;
}

std::string TAnsiScreenWriter::Take() {
    return std::exchange(Out, {});
}

} // namespace lemnar::demo
