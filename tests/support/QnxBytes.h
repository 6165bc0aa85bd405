#pragma once
// Byte strings for the QNX console: the addressing and repeat sequences, and
// numbered lines to scroll with.

#include <string>

namespace lemnar::test {

// ESC = and the addressing bytes of a 0-based row and column.
inline std::string At(int row, int col) {
    return std::string("\x1b=") + static_cast<char>(row + 32) + static_cast<char>(col + 32);
}

// ESC g: the character c n times.
inline std::string Repeat(int n, char c) {
    return std::string("\x1bg") + static_cast<char>(n + 32) + c;
}

// "line from\r\n" up to "line to-1\r\n".
inline std::string Lines(int from, int to) {
    std::string s;
    for (int i = from; i < to; ++i)
        s += "line " + std::to_string(i) + "\r\n";
    return s;
}

} // namespace lemnar::test
