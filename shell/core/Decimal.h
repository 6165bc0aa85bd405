#pragma once
// Numbers as the command line and the settings file give them.

#include <string_view>

namespace lemnar {

// Reads text like the C library's atol: leading white space, an optional sign,
// then the leading digits; no digits gives 0. A value beyond the int range
// gives the nearest int instead of wrapping, since every number read ends in
// an int field (a window coordinate, size or font size).
int ReadDecimal(std::string_view text);

} // namespace lemnar
