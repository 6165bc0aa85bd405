#include "TtyScreenWriter.h"

#include <algorithm>
#include <utility>

namespace lemnar::demo {

TTtyScreenWriter::TTtyScreenWriter(int rows, int cols)
    : Rows(std::clamp(rows, 1, MaxRows)), Cols(std::clamp(cols, 1, MaxCols)),
      Grid(static_cast<std::size_t>(Rows), std::string(static_cast<std::size_t>(Cols), ' ')) {}

void TTtyScreenWriter::Clear() {
    for (std::string& line : Grid) {
        line.assign(static_cast<std::size_t>(Cols), ' ');
    }
    Row = 0;
    Col = 0;
    Dirty = true;
}

void TTtyScreenWriter::MoveTo(int row, int col) {
    Row = row;
    Col = col;
}

void TTtyScreenWriter::Put(char ch) {
    // Outside the grid the character is lost, as on a screen that clips.
    if (Row >= 0 && Row < Rows && Col >= 0 && Col < Cols) {
        Grid[static_cast<std::size_t>(Row)][static_cast<std::size_t>(Col)] = ch;
        Dirty = true;
    }
    ++Col;
}

void TTtyScreenWriter::Text(std::string_view cp866) {
    for (const char ch : cp866) {
        Put(ch);
    }
}

void TTtyScreenWriter::Repeat(char ch, int count) {
    for (int i = 0; i < count && Col < Cols; ++i) {
        Put(ch);
    }
}

void TTtyScreenWriter::ClearToEnd() {
    while (Col < Cols) {
        Put(' ');
    }
}

void TTtyScreenWriter::Raw(std::string_view bytes) {
    FlushGrid();
    Out += bytes;
}

void TTtyScreenWriter::FlushGrid() {
    if (!Dirty) {
        return;
    }
    // Each line begins with CR LF, so the page starts on a fresh line and the
    // cursor rests at the end of the last one.
    for (int row = 0; row < Rows; ++row) {
        const std::string& line = Grid[static_cast<std::size_t>(row)];
        const std::size_t end = line.find_last_not_of(' ');
        Out += "\r\n" + line.substr(0, end == std::string::npos ? 0 : end + 1);
    }
    Dirty = false;
}

std::string TTtyScreenWriter::Take() {
    FlushGrid();
    return std::exchange(Out, {});
}

} // namespace lemnar::demo
