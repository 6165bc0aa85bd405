#pragma once
// The console's OEM code page 866 as the screen shows it: bytes 0x20..0x7E are
// ASCII, 0x80..0xFF the Cyrillic code page, and the control bytes 0x01..0x1F
// and 0x7F the console's symbol glyphs.

#include <cstddef>
#include <cstdint>
#include <string>

namespace lemnar {

// The character shown for a screen byte. 0x00 shows as a blank and maps to a
// space, so text made from screen rows never holds a NUL.
char32_t OemToUnicode(std::uint8_t byte);

// The bytes as UTF-8, one character per byte.
std::string OemToUtf8(const std::uint8_t* bytes, std::size_t n);

} // namespace lemnar
