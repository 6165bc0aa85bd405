#pragma once
// Random streams for tests that feed two terminals the same bytes in two
// ways and compare them.

#include "support/Random.h"

#include <string>

namespace lemnar::test {

// A QNX stream of text, controls, moves, colours, clears, line inserts and
// deletes, repeats, bar visibility and command channel drawing.
inline std::string QnxStream(TRandom& r, std::size_t size) {
    std::string s;
    const auto arg = [&] { return static_cast<char>(0x20 + r.Below(30)); };
    while (s.size() < size) {
        switch (r.Below(14)) {
        case 0:
        case 1:
        case 2:
            for (int n = 1 + r.Below(60); n > 0; --n) {
                const int b = 0x20 + r.Below(0xE0);
                s += static_cast<char>(b == 0x1B ? 'x' : b);
            }
            break;
        case 3:
            s += r.Of("\r\n\n\b\x07\x0c");
            break;
        case 4:
            s += '\x1b';
            s += r.Of("()<>{}[]ABCDHabcdhiEFIJKefSRIJ");
            break;
        case 5:
            s += r.Below(2) ? "\x1b=" : "\x1bY";
            s += arg();
            s += static_cast<char>(0x20 + r.Below(80));
            break;
        case 6:
            s += "\x1bg";
            s += static_cast<char>(0x20 + r.Below(90));
            s += static_cast<char>(0x21 + r.Below(0xDE));
            break;
        case 7:
            s += r.Below(2) ? "\x1b@" : "\x1b!";
            s += r.Of("0123456789ABCDEF");
            s += r.Of("0123456789ABCDEF");
            break;
        case 8:
            s += "\x1by";
            s += r.Of("01");
            break;
        case 9:
            if (r.Below(4) == 0)
                s += "\x1bG1~&A0010000020~&B0060000070~&C000031~&L~&C000002~&B~&T hi~&G0~";
            break;
        case 10:
            s += "\r\n";
            break;
        case 11:
            s += "\x1b=";
            s += static_cast<char>(0x20 + 24);
            s += arg();
            s += "line\r\n";
            break;
        case 12:
            s += "\x1b" + std::string(1, r.Of("EF"));
            break;
        default:
            for (int n = 1 + r.Below(79); n > 0; --n)
                s += static_cast<char>('a' + r.Below(26));
            s += "\r\n";
            break;
        }
    }
    return s;
}

// An ANSI (or TTY) stream: runs of printable text between sequences that
// clear, move, colour and save the cursor.
inline std::string AnsiStream(TRandom& r, std::size_t size) {
    static const char* const pieces[] = {
        "\x1b[2J", "\x1b[K", "\x1b[5;7H", "\x1b[31m", "\x1b[44m",  "\x1b[0m",    "\x1b[7m",
        "\r\n",    "\b",     "\x1b[s",    "\x1b[u",   "\x1b[1;1H", "\x1b[25;1H", "\x1b[A",
        "\x1b[1m", "\x1b[J", "\x0c",      "\x1b[2K",  "\x1b[10C",  "\x07"};
    std::string s;
    while (s.size() < size) {
        if (r.Below(3) == 0) {
            s += pieces[r.Below(static_cast<int>(std::size(pieces)))];
            continue;
        }
        for (int n = 1 + r.Below(70); n > 0; --n)
            s += static_cast<char>(0x20 + r.Below(0x5F));
    }
    return s;
}

} // namespace lemnar::test
