#pragma once
// Deterministic received-data streams for the receive-path benchmarks and the
// pixel-identity test. The same size always gives the same bytes.

#include <cstddef>
#include <cstdint>
#include <string>

namespace lemnar::bench {

enum class TWorkload {
    // 80-column text lines with CR LF; every line scrolls. QNX type.
    Plain,
    // Text with an SGR colour change every few characters, CR LF. ANSI type.
    Colour,
    // Full-screen QNX redraws: addressing, colours, box drawing, repeats,
    // clears; nothing scrolls. QNX type.
    QnxFullscreen,
};

// The terminal type the stream is meant for (TermQnx or TermAnsi).
std::uint8_t TerminalTypeOf(TWorkload workload);
const char* NameOf(TWorkload workload);
// The workload of a name; false for a name that is none.
bool WorkloadNamed(const std::string& name, TWorkload& workload);

// At least `size` bytes, cut at a whole line or screen; never holds NUL,
// IAC (0xFF) or the command channel's ESC G.
std::string MakeWorkload(TWorkload workload, std::size_t size);

} // namespace lemnar::bench
