#include "LogDecoder.h"

#include <cctype>

namespace lemnar {

namespace {

constexpr std::string_view Heading = "--";
constexpr std::string_view Tail = " chars recvd: ";

// Parses "--N chars recvd: " at pos; on success sets n and the payload start.
bool ParseHeading(std::string_view log, std::size_t pos, std::size_t& n, std::size_t& payload) {
    if (log.substr(pos, Heading.size()) != Heading)
        return false;
    std::size_t at = pos + Heading.size();
    std::size_t value = 0;
    std::size_t digits = 0;
    while (at < log.size() && std::isdigit(static_cast<unsigned char>(log[at])) && digits < 10) {
        value = value * 10 + static_cast<std::size_t>(log[at] - '0');
        ++at;
        ++digits;
    }
    if (digits == 0 || log.substr(at, Tail.size()) != Tail)
        return false;
    n = value;
    payload = at + Tail.size();
    return true;
}

} // namespace

std::vector<std::string> DecodeLogBlocks(std::string_view log) {
    std::vector<std::string> blocks;
    std::size_t pos = 0;
    while (pos < log.size()) {
        std::size_t n = 0;
        std::size_t at = 0;
        if (!ParseHeading(log, pos, n, at)) {
            const std::size_t eol = log.find('\n', pos);
            if (eol == std::string_view::npos)
                break;
            pos = eol + 1;
            continue;
        }
        std::string block;
        while (block.size() < n && at < log.size()) {
            if (log[at] == '\r' && at + 1 < log.size() && log[at + 1] == '\n') {
                block.push_back('\n');
                at += 2;
            } else {
                block.push_back(log[at++]);
            }
        }
        blocks.push_back(std::move(block));
        // The dump ends with a line feed, stored as CR LF.
        if (log.substr(at, 2) == "\r\n")
            at += 2;
        else if (log.substr(at, 1) == "\n")
            at += 1;
        pos = at;
    }
    return blocks;
}

} // namespace lemnar
