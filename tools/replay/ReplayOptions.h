#pragma once
// Command line of lemnar-replay.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace lemnar {

struct TReplayOptions {
    std::uint8_t TerminalType = 0;
    int Cols = 80;
    int Rows = 25;
    int FontSizePoints = 0; // 0: the program's default font
    std::size_t Block = 1024;
    bool Log = false;
    bool Telnet = false;
    std::string Input; // empty: standard input
    std::string Cells; // "-": standard output
    std::string Bmp;
    std::string Png;
    std::string WindowPng;
};

// Parses the arguments after the program name; on a bad option returns
// nothing and sets error to a one-line message.
std::optional<TReplayOptions> ParseReplayOptions(const std::vector<std::string>& args,
                                                 std::string& error);

} // namespace lemnar
