#pragma once
// The address of an SSH connection as the program accepts it wherever a host
// is typed: "ssh://[user@]host[:port]". A bare host or "host:port" is a
// telnet address and is left alone.

#include <string>
#include <string_view>

namespace lemnar {

struct TIdSSHAddress {
    std::string User; // empty: the address names none
    std::string Host; // a name or an address, IPv6 without brackets
    int Port = 22;
};

// Whether text starts with "ssh://" (in any case).
bool IsSSHAddress(std::string_view text);
// Splits an ssh:// address. Raises EIdSocketError (EINVAL) for one that is
// not an ssh:// address or is malformed: no host, an empty user, a bad port,
// a space or control character anywhere, a path after the host.
TIdSSHAddress ParseSSHAddress(std::string_view text);
// "host:port" with the host in brackets where it needs them, as
// ParseHostPort reads it back.
std::string HostPortText(const TIdSSHAddress& address);

} // namespace lemnar
