#pragma once
// The Windows code page 1251, the single-byte code page of typed characters
// and of the program's Russian texts.

#include <string>
#include <string_view>

namespace lemnar {

// The 1251 byte of a Unicode character (0-255), or -1 when 1251 has none.
int UnicodeToCp1251(char32_t ch);

// UTF-8 text as 1251 bytes. A character without a 1251 byte, and each byte
// of a malformed UTF-8 sequence, becomes '?'.
std::string Utf8ToCp1251(std::string_view text);

// 1251 bytes as UTF-8. The one unassigned byte, 0x98, becomes '?'.
std::string Cp1251ToUtf8(std::string_view text);

} // namespace lemnar
