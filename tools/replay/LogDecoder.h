#pragma once
// Reads the received-data dumps back out of a log file written by the program.

#include <string>
#include <string_view>
#include <vector>

namespace lemnar {

// Each "--N chars recvd: " heading followed by N bytes (each LF stored as
// CR LF) gives one block; other lines of the log are skipped. A dump cut off
// at the end of the file gives the bytes that are there.
std::vector<std::string> DecodeLogBlocks(std::string_view log);

} // namespace lemnar
