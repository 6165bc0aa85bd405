#include "ReplayOptions.h"

#include <charconv>

namespace lemnar {

namespace {

bool ParseInt(const std::string& text, long long lo, long long hi, long long& out) {
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, out);
    return ec == std::errc() && ptr == end && out >= lo && out <= hi;
}

} // namespace

std::optional<TReplayOptions> ParseReplayOptions(const std::vector<std::string>& args,
                                                 std::string& error) {
    TReplayOptions o;
    bool haveInput = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= args.size()) {
                error = "option " + a + " needs a value";
                return false;
            }
            out = args[++i];
            return true;
        };
        auto number = [&](long long lo, long long hi, long long& out) {
            std::string text;
            if (!value(text))
                return false;
            if (!ParseInt(text, lo, hi, out)) {
                error = "option " + a + " takes a number from " + std::to_string(lo) + " to " +
                        std::to_string(hi);
                return false;
            }
            return true;
        };
        long long n = 0;
        if (a == "--type") {
            std::string t;
            if (!value(t))
                return std::nullopt;
            if (t == "qnx")
                o.TerminalType = 0;
            else if (t == "ansi")
                o.TerminalType = 1;
            else if (t == "tty")
                o.TerminalType = 2;
            else {
                error = "unknown terminal type " + t + " (qnx, ansi or tty)";
                return std::nullopt;
            }
        } else if (a == "--cols") {
            if (!number(1, 160, n))
                return std::nullopt;
            o.Cols = static_cast<int>(n);
        } else if (a == "--rows") {
            if (!number(1, 80, n))
                return std::nullopt;
            o.Rows = static_cast<int>(n);
        } else if (a == "--font-size") {
            if (!number(1, 200, n))
                return std::nullopt;
            o.FontSizePoints = static_cast<int>(n);
        } else if (a == "--block") {
            if (!number(1, 1 << 30, n))
                return std::nullopt;
            o.Block = static_cast<std::size_t>(n);
        } else if (a == "--log") {
            o.Log = true;
        } else if (a == "--telnet") {
            o.Telnet = true;
        } else if (a == "--cells") {
            if (!value(o.Cells))
                return std::nullopt;
        } else if (a == "--bmp") {
            if (!value(o.Bmp))
                return std::nullopt;
        } else if (a == "--png") {
            if (!value(o.Png))
                return std::nullopt;
        } else if (a == "--window-png") {
            if (!value(o.WindowPng))
                return std::nullopt;
        } else if (a.size() > 1 && a[0] == '-') {
            error = "unknown option " + a;
            return std::nullopt;
        } else if (!haveInput) {
            o.Input = a;
            haveInput = true;
        } else {
            error = "more than one input file";
            return std::nullopt;
        }
    }
    if (o.Log && o.Telnet) {
        error = "--log and --telnet exclude each other";
        return std::nullopt;
    }
    return o;
}

} // namespace lemnar
