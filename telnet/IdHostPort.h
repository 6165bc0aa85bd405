#pragma once
// Splits the host text of a connection into the address and the port. The
// text may end in ":PORT"; a bracketed IPv6 literal takes one as "[::1]:2323";
// a bare IPv6 literal (several colons) has no port.

#include <string>
#include <string_view>

namespace lemnar {

struct TIdHostPort {
    std::string Host;
    int Port;
};

// Raises EIdSocketError (EINVAL) for a malformed port or bracket.
TIdHostPort ParseHostPort(std::string_view text, int defaultPort);

} // namespace lemnar
