#pragma once
// The log is a text file as the program's home platform writes it: every line
// feed, also one inside received data, is stored as CR LF.

#include <cstddef>
#include <cstdio>

namespace lemnar {

// Writes n bytes to the end of the stream with each LF stored as CR LF. A
// failing write is ignored.
void LogWrite(std::FILE* file, const void* data, std::size_t n);
void LogWrite(std::FILE* file, const char* text);

} // namespace lemnar
