#pragma once
// The log is a text file as the program's home platform writes it: every line
// feed, also one inside received data, is stored as CR LF.

#include <cstddef>
#include <cstdio>

namespace lemnar {

// Writes n bytes to the end of the stream with each LF stored as CR LF.
// false: a write failed or came short; later writes are still tried.
bool LogWrite(std::FILE* file, const void* data, std::size_t n);
bool LogWrite(std::FILE* file, const char* text);

} // namespace lemnar
