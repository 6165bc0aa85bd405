#pragma once
// The start-up command line. Each argument is chosen by its first character
// alone; an option that takes a value takes the next argument whatever it is,
// and a later option overrides an earlier one.

#include "shell/core/ShellState.h"

#include <optional>
#include <string>
#include <vector>

namespace lemnar {

// Window position (outer frame), client size in pixels and font size in points.
struct TWindowGeometry {
    int Left = 198;
    int Top = 107;
    int Width = 640;
    int Height = 480;
    int FontSize = 0;
};

// What the command line gave beside the fields of TShellState, and which of
// its options were present, so that the settings file is read only for the
// rest.
struct TStartOptions {
    TWindowGeometry Window;
    int TerminalType = 0; // 0 QNX, 1 ANSI, 2 TTY
    std::string TerminalName = "QNX";
    bool LogEnabled = false; // the P option's log opened in its test

    bool LeftGiven = false;     // X
    bool TopGiven = false;      // Y
    bool WidthGiven = false;    // W
    bool HeightGiven = false;   // H
    bool FontSizeGiven = false; // F
    bool LogGiven = false;      // P
    bool HostGiven = false;     // h
    bool LoginGiven = false;    // L
    bool HelpGiven = false;     // ?
    bool ExitGiven = false;     // E
};

// Reads args (without the program's name) into state and options. The result
// is the message (UTF-8) of the first error, after which start-up stops;
// nothing means the whole line was taken. D creates its directory, ? probes
// the help file and P the log file on the way.
std::optional<std::string> ParseCommandLine(const std::vector<std::string>& args,
                                            TShellState& state, TStartOptions& options);

} // namespace lemnar
