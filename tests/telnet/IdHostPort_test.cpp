// Splitting the host text into address and port.

#include "telnet/IdException.h"
#include "telnet/IdHostPort.h"

#include <gtest/gtest.h>

namespace lemnar {
namespace {

TEST(IdHostPortTest, SplitsAddressAndPort) {
    struct TCase {
        const char* Text;
        const char* Host;
        int Port;
    };
    const TCase cases[] = {
        {"qnx1", "qnx1", 23},
        {"qnx1:2323", "qnx1", 2323},
        {"10.0.0.7", "10.0.0.7", 23},
        {"10.0.0.7:65535", "10.0.0.7", 65535},
        {"[::1]:2323", "::1", 2323},
        {"[::1]", "::1", 23},
        {"[fe80::1%eth0]:1", "fe80::1%eth0", 1},
        {"::1", "::1", 23},
        {"fe80::2:23", "fe80::2:23", 23},
        {"", "", 23},
    };
    for (const auto& c : cases) {
        TIdHostPort parsed = ParseHostPort(c.Text, 23);
        EXPECT_EQ(parsed.Host, c.Host) << c.Text;
        EXPECT_EQ(parsed.Port, c.Port) << c.Text;
    }
}

TEST(IdHostPortTest, RefusesMalformedPorts) {
    for (const char* text : {"qnx1:", "qnx1:0", "qnx1:65536", "qnx1:23x", "qnx1:-1", "qnx1:999999",
                             "[::1", "[::1]x", "[::1]:", "[::1]:http"}) {
        EXPECT_THROW(ParseHostPort(text, 23), EIdSocketError) << text;
    }
}

} // namespace
} // namespace lemnar
