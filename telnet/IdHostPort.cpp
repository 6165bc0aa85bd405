#include "telnet/IdHostPort.h"

#include "telnet/IdException.h"

#include <algorithm>
#include <cerrno>

namespace lemnar {

namespace {

[[noreturn]] void RaiseBadAddress(std::string_view text) {
    throw EIdSocketError(EINVAL, "invalid address: " + std::string(text));
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

int ParsePort(std::string_view portText, std::string_view text) {
    if (portText.empty() || portText.size() > 5 ||
        !std::all_of(portText.begin(), portText.end(), IsDigit))
        RaiseBadAddress(text);
    int port = 0;
    for (char c : portText)
        port = port * 10 + (c - '0');
    if (port < 1 || port > 65535)
        RaiseBadAddress(text);
    return port;
}

} // namespace

TIdHostPort ParseHostPort(std::string_view text, int defaultPort) {
    if (!text.empty() && text.front() == '[') {
        std::size_t close = text.find(']');
        if (close == std::string_view::npos)
            RaiseBadAddress(text);
        std::string host(text.substr(1, close - 1));
        std::string_view rest = text.substr(close + 1);
        if (rest.empty())
            return {host, defaultPort};
        if (rest.front() != ':')
            RaiseBadAddress(text);
        return {host, ParsePort(rest.substr(1), text)};
    }
    std::size_t colons = static_cast<std::size_t>(std::count(text.begin(), text.end(), ':'));
    if (colons != 1)
        return {std::string(text), defaultPort};
    std::size_t colon = text.find(':');
    return {std::string(text.substr(0, colon)), ParsePort(text.substr(colon + 1), text)};
}

} // namespace lemnar
