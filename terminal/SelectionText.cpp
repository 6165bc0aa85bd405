#include "terminal/SelectionText.h"

#include "terminal/Terminal.h"

#include <algorithm>
#include <optional>
#include <string_view>

namespace lemnar {

namespace {

bool IsAsciiAlnum(std::uint8_t b) {
    return (b >= '0' && b <= '9') || (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z');
}

// А..Я, а..п at 0x80..0xAF; р..я at 0xE0..0xEF; Ё ё Є є Ї ї Ў ў at 0xF0..0xF7.
bool IsCyrillic866(std::uint8_t b) {
    return (b >= 0x80 && b <= 0xAF) || (b >= 0xE0 && b <= 0xF7);
}

// The bytes line shows, blanks for cells without content; nothing for a
// line that is not kept or not on the screen.
std::optional<std::string> LineBytes(const TTerminal& t, long long line) {
    const TScrollback& history = t.History;
    const long long first = history.Dropped();
    const long long live = first + history.Count();
    const int gridCols = std::clamp(t.ScreenCols, 0, StoreCols);
    if (line < first)
        return std::nullopt;
    std::string bytes;
    if (line < live) {
        const int i = static_cast<int>(line - first);
        const int cols = std::min(history.Width(i), gridCols);
        const Cell* cells = history.Row(i);
        bytes.resize(static_cast<std::size_t>(cols), ' ');
        for (int c = 0; c < cols; ++c)
            if (history.Painted(i, c) && cells[c].Ch != 0)
                bytes[static_cast<std::size_t>(c)] = static_cast<char>(cells[c].Ch);
        return bytes;
    }
    const long long r = line - live;
    if (r >= std::min(t.ScreenRows, StoreRows))
        return std::nullopt;
    const int row = static_cast<int>(r);
    bytes.resize(static_cast<std::size_t>(gridCols), ' ');
    for (int c = 0; c < gridCols; ++c)
        if (CellBit(t.Painted[row], c) && t.ScreenCells[row][c].Ch != 0)
            bytes[static_cast<std::size_t>(c)] = static_cast<char>(t.ScreenCells[row][c].Ch);
    return bytes;
}

} // namespace

bool IsWordByte(std::uint8_t byte) {
    constexpr std::string_view Joiners = "_-./~:@";
    return IsAsciiAlnum(byte) || IsCyrillic866(byte) ||
           (byte != 0 && Joiners.find(static_cast<char>(byte)) != std::string_view::npos);
}

std::vector<std::string> SelectedRows(const TTerminal& terminal, const TSelection& selection) {
    std::vector<std::string> rows;
    for (long long line = selection.FromLine; line <= selection.ToLine; ++line) {
        std::optional<std::string> bytes = LineBytes(terminal, line);
        if (!bytes)
            continue;
        const int width = static_cast<int>(bytes->size());
        const int from = line == selection.FromLine ? std::max(selection.FromCol, 0) : 0;
        const int to = line == selection.ToLine ? std::min(selection.ToCol, width - 1) : width - 1;
        std::string row = from <= to ? bytes->substr(static_cast<std::size_t>(from),
                                                     static_cast<std::size_t>(to - from + 1))
                                     : std::string();
        row.erase(row.find_last_not_of(' ') + 1);
        rows.push_back(std::move(row));
    }
    return rows;
}

TSelection WordAt(const TTerminal& terminal, long long line, int col) {
    col = std::clamp(col, 0, std::max(terminal.ScreenCols - 1, 0));
    TSelection word{line, col, line, col};
    const std::optional<std::string> bytes = LineBytes(terminal, line);
    if (!bytes || col >= static_cast<int>(bytes->size()))
        return word;
    const auto isWord = [&](int c) {
        return IsWordByte(static_cast<std::uint8_t>((*bytes)[static_cast<std::size_t>(c)]));
    };
    if (!isWord(col))
        return word;
    while (word.FromCol > 0 && isWord(word.FromCol - 1))
        --word.FromCol;
    while (word.ToCol + 1 < static_cast<int>(bytes->size()) && isWord(word.ToCol + 1))
        ++word.ToCol;
    return word;
}

} // namespace lemnar
