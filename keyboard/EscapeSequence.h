#pragma once
// Escape sequences of the ANSI key map: ESC and a short text, one write.

#include "keyboard/KeyOutput.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace lemnar {

// ESC, the text and a terminating zero fit this buffer.
inline constexpr std::size_t EscapeBufferSize = 20;
inline constexpr std::size_t EscapeTextMax = EscapeBufferSize - 2;

// ESC followed by the text. The text ends at its first NUL and is cut to
// EscapeTextMax characters, so the bytes never outgrow the buffer.
std::string BuildEscapeSequence(std::string_view text);

// Writes BuildEscapeSequence(text) in one raw write. Does not test Connected:
// its callers do.
void SendEscapeSequence(TKeyOutput& output, std::string_view text);

} // namespace lemnar
