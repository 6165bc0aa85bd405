#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace lemnar::demo {

// Turns UTF-8 text into the DOS code page 866 bytes that the QNX console shows:
// ASCII as is, Cyrillic letters, box-drawing and block characters at their 866
// places. A character that 866 lacks, and a broken UTF-8 sequence, become '?'.
std::string EncodeCp866(std::string_view utf8);

// The 866 byte of one Unicode code point, or 0 when 866 has none (0 itself included).
std::uint8_t Cp866Byte(char32_t codePoint);

} // namespace lemnar::demo
