#pragma once
// What a selection holds as text: the code page 866 bytes of the cells it
// covers, in the history and on the grid alike, as the window shows them.
// Also the word around a cell, which a double click selects.

#include "terminal/View.h"

#include <cstdint>
#include <string>
#include <vector>

namespace lemnar {

class TTerminal;

// Bytes that make up a word: ASCII letters and digits, the Cyrillic letters
// of code page 866 (with Ё, Є, Ї, Ў), and _ - . / ~ : @, which join the
// parts of paths, file names, host:port and user@host.
bool IsWordByte(std::uint8_t byte);

// One string per line of the selection, first to last: the selected cells'
// bytes, a cell that shows no content (never drawn since the screen was
// blanked) and NUL as a blank, the trailing blanks dropped. A row is as wide
// as the window shows it: a history row kept from a wider grid is cut to the
// grid in use. Lines no longer kept, or not yet on the screen, give nothing.
std::vector<std::string> SelectedRows(const TTerminal& terminal, const TSelection& selection);

// The run of word bytes on the line that holds the cell, or the cell alone
// when it holds none. The column is kept within the grid.
TSelection WordAt(const TTerminal& terminal, long long line, int col);

} // namespace lemnar
