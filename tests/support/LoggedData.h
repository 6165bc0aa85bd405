#pragma once
// What a session log says was received: each record's bytes, in order, with
// the log's CR LF for every received LF turned back into LF.

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace lemnar::test {

inline std::string LoggedData(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    const std::string log((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string head = "--";
    const std::string tail = " chars recvd: ";
    std::string data;
    std::size_t at = 0;
    while (at < log.size()) {
        const std::size_t count = log.find(tail, at);
        if (log.compare(at, head.size(), head) != 0 || count == std::string::npos)
            return data + "<not a record>";
        std::size_t n = std::stoul(log.substr(at + head.size(), count - at - head.size()));
        at = count + tail.size();
        for (; n > 0 && at < log.size(); --n) {
            if (log.compare(at, 2, "\r\n") == 0) {
                data += '\n';
                at += 2;
            } else {
                data += log[at++];
            }
        }
        at += 2; // the record's own line end
    }
    return data;
}

// Text to paste: numbered lines of about 40 characters, size bytes or a
// little more.
inline std::string PasteLines(std::size_t size) {
    std::string text;
    for (std::size_t line = 0; text.size() < size; ++line)
        text += "pasted line " + std::to_string(line) + " ....................\n";
    return text;
}

// What the peer gets for pasted text: each line end as CR LF, since the peer
// has not shown that it speaks telnet.
inline std::string PastedBytes(const std::string& text) {
    std::string bytes;
    bytes.reserve(text.size() + text.size() / 32);
    for (char ch : text) {
        if (ch == '\n')
            bytes += '\r';
        bytes += ch;
    }
    return bytes;
}

} // namespace lemnar::test
