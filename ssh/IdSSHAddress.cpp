#include "ssh/IdSSHAddress.h"

#include "telnet/IdException.h"
#include "telnet/IdHostPort.h"

#include <algorithm>
#include <cctype>
#include <cerrno>

namespace lemnar {

namespace {

constexpr std::string_view Scheme = "ssh://";

[[noreturn]] void RaiseBadAddress(std::string_view text) {
    throw EIdSocketError(EINVAL, "invalid address: " + std::string(text));
}

bool IsPlain(char c) {
    const auto b = static_cast<unsigned char>(c);
    return b > 0x20 && b != 0x7F;
}

} // namespace

bool IsSSHAddress(std::string_view text) {
    if (text.size() < Scheme.size())
        return false;
    return std::equal(Scheme.begin(), Scheme.end(), text.begin(), [](char a, char b) {
        return a == std::tolower(static_cast<unsigned char>(b));
    });
}

TIdSSHAddress ParseSSHAddress(std::string_view text) {
    if (!IsSSHAddress(text) || !std::all_of(text.begin(), text.end(), IsPlain))
        RaiseBadAddress(text);
    std::string_view rest = text.substr(Scheme.size());
    // One closing slash is what a copied address often ends in; a path is not.
    if (!rest.empty() && rest.back() == '/')
        rest.remove_suffix(1);
    if (rest.find('/') != std::string_view::npos)
        RaiseBadAddress(text);
    TIdSSHAddress address;
    // A user name never holds '@', a host never does either: the last one
    // splits them.
    const std::size_t at = rest.rfind('@');
    if (at != std::string_view::npos) {
        address.User = std::string(rest.substr(0, at));
        rest = rest.substr(at + 1);
        if (address.User.empty())
            RaiseBadAddress(text);
    }
    TIdHostPort hostPort{{}, 22};
    try {
        hostPort = ParseHostPort(rest, 22);
    } catch (const EIdSocketError&) {
        // The whole address is named, not the part that was wrong.
        RaiseBadAddress(text);
    }
    if (hostPort.Host.empty())
        RaiseBadAddress(text);
    address.Host = hostPort.Host;
    address.Port = hostPort.Port;
    return address;
}

std::string HostPortText(const TIdSSHAddress& address) {
    return "[" + address.Host + "]:" + std::to_string(address.Port);
}

} // namespace lemnar
