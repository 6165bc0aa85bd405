// Telling an SSH address from a telnet one, and splitting it.

#include "ssh/IdSSHAddress.h"
#include "telnet/IdException.h"
#include "telnet/IdHostPort.h"

#include <gtest/gtest.h>

namespace lemnar {
namespace {

struct TAddressCase {
    const char* Text;
    const char* User;
    const char* Host;
    int Port;
};

class IdSSHAddressTest : public ::testing::TestWithParam<TAddressCase> {};

TEST_P(IdSSHAddressTest, SplitsUserHostAndPort) {
    const TAddressCase& c = GetParam();
    ASSERT_TRUE(IsSSHAddress(c.Text));
    const TIdSSHAddress address = ParseSSHAddress(c.Text);
    EXPECT_EQ(address.User, c.User);
    EXPECT_EQ(address.Host, c.Host);
    EXPECT_EQ(address.Port, c.Port);
    // The TCP connect reads the host and port back as telnet's parser does.
    const TIdHostPort back = ParseHostPort(HostPortText(address), 23);
    EXPECT_EQ(back.Host, c.Host);
    EXPECT_EQ(back.Port, c.Port);
}

INSTANTIATE_TEST_SUITE_P(
    Forms, IdSSHAddressTest,
    ::testing::Values(TAddressCase{"ssh://qnx1", "", "qnx1", 22},
                      TAddressCase{"ssh://root@qnx1", "root", "qnx1", 22},
                      TAddressCase{"SSH://Root@QNX1:2222", "Root", "QNX1", 2222},
                      TAddressCase{"ssh://10.0.0.7:65535/", "", "10.0.0.7", 65535},
                      TAddressCase{"ssh://me@[::1]:2022", "me", "::1", 2022},
                      TAddressCase{"ssh://[fe80::1%eth0]", "", "fe80::1%eth0", 22},
                      TAddressCase{"ssh://fe80::2:23", "", "fe80::2:23", 22},
                      TAddressCase{"ssh://a@b@host", "a@b", "host", 22}));

TEST(IdSSHAddressKindTest, OnlySshSchemeIsSsh) {
    for (const char* text : {"qnx1", "qnx1:22", "ssh:qnx1", "ssh:/qnx1", "sshd://qnx1",
                             "telnet://qnx1", "", "ssh", " ssh://qnx1"})
        EXPECT_FALSE(IsSSHAddress(text)) << text;
}

TEST(IdSSHAddressKindTest, RefusesMalformedAddresses) {
    for (const char* text : {"ssh://", "ssh://user@", "ssh://@host", "ssh://host:", "ssh://host:0",
                             "ssh://host:70000", "ssh://host/path", "ssh://ho st", "ssh://host\t",
                             "ssh://us\ner@host", "ssh://[::1", "ssh://[::1]x", "qnx1"})
        EXPECT_THROW(ParseSSHAddress(text), EIdSocketError) << text;
}

} // namespace
} // namespace lemnar
