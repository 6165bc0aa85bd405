// The engine against a scripted loopback server: what goes over the wire,
// and which events reach the window thread in which order.

#include "TelnetProbe.h"
#include "TestQueue.h"
#include "support/Bytes.h"
#include "support/ScriptedServer.h"
#include "telnet/IdTelnet.h"

#include <gtest/gtest.h>

#include <array>
#include <initializer_list>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <string>
#include <vector>

namespace lemnar {
namespace {

using test::Bytes;
using test::RefusingPort;
using test::TScriptedServer;

class IdTelnetLoopbackTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(Server.Listening());
        Telnet.Host = "127.0.0.1:" + std::to_string(Server.Port());
        Telnet.Rows = 25;
        Telnet.Columns = 80;
        Telnet.Terminal = "QNX";
    }

    void ConnectAndAccept() {
        ASSERT_TRUE(ConnectNow(Telnet, Queue));
        ASSERT_TRUE(Server.Accept());
    }

    // Pumps the window thread until the server has received text.
    bool ServerGets(const std::string& text) {
        return Queue.PumpUntil([&] {
            Server.Poll();
            return Server.ReceivedText().find(text) != std::string::npos;
        });
    }

    bool EventArrives(const std::string& event) {
        return Queue.PumpUntil([&] { return Probe.Has(event); });
    }

    TTestQueue Queue;
    TScriptedServer Server;
    TIdTelnet Telnet{Queue};
    TTelnetProbe Probe{Telnet};
};

TEST_F(IdTelnetLoopbackTest, AnswersNegotiationOverTheConnection) {
    ConnectAndAccept();
    EXPECT_TRUE(Telnet.IsConnected());
    ASSERT_TRUE(
        Server.Send(Bytes({255, 253, 24, 255, 253, 31, 255, 250, 24, 1, 255, 240, 255, 251, 1})));
    const std::string replies =
        Bytes({255, 251, 24,  255, 251, 31,  255, 250, 31,  0,   80,  0,   25, 255,
               240, 255, 250, 24,  0,   'Q', 'N', 'X', 255, 240, 255, 253, 1});
    ASSERT_TRUE(ServerGets(replies));
    EXPECT_EQ(Server.ReceivedText(), replies);

    // A resize reports again, whether the server asked or not.
    Server.ClearReceived();
    Telnet.Rows = 30;
    Telnet.Handle_WS();
    ASSERT_TRUE(ServerGets(Bytes({255, 250, 31, 0, 80, 0, 30, 255, 240})));
    Telnet.SendCh('l');
    Telnet.SendCh(13);
    ASSERT_TRUE(ServerGets("l\r"));
    Telnet.WriteBytes("\x1b[A");
    ASSERT_TRUE(ServerGets("\x1b[A"));
    EXPECT_EQ(Server.ReceivedText(),
              Bytes({255, 250, 31, 0, 80, 0, 30, 255, 240, 'l', 13, 27, '[', 'A'}));
    EXPECT_EQ(Probe.ForeignThreadEvents, 0);
}

TEST_F(IdTelnetLoopbackTest, DeliversBlocksInOrderThenThePeersClose) {
    ConnectAndAccept();
    EXPECT_EQ(Probe.Events, std::vector<std::string>{"connected"});
    Telnet.SendCh(13);
    ASSERT_TRUE(ServerGets("\r\n"));

    ASSERT_TRUE(Server.Send("one"));
    ASSERT_TRUE(EventArrives("data:one"));
    ASSERT_TRUE(Server.Send(Bytes({255, 241}))); // commands only: an empty block
    ASSERT_TRUE(EventArrives("data:"));
    ASSERT_TRUE(Server.Send(Bytes({'t', 'w', 255, 255, 'o'})));
    ASSERT_TRUE(EventArrives("data:tw\xFFo"));
    Server.Close();
    ASSERT_TRUE(Queue.PumpUntil([&] { return Probe.Events.size() == 6; }));
    const std::vector<std::string> expected = {
        "connected", "data:one", "data:", "data:tw\xFFo", "disconnected", "data:"};
    EXPECT_EQ(Probe.Events, expected);
    EXPECT_FALSE(Telnet.IsConnected());
    EXPECT_EQ(Probe.ForeignThreadEvents, 0);
    EXPECT_THROW(Telnet.WriteBytes("x"), EIdConnClosedGracefully);

    // A disconnect after the peer's close raises no second event.
    Telnet.Disconnect();
    Queue.PumpFor(std::chrono::milliseconds(20));
    EXPECT_EQ(Probe.Disconnects, 1);
    EXPECT_EQ(Probe.Events.back(), "disconnect");
}

TEST_F(IdTelnetLoopbackTest, DisconnectClosesAndRestartsTheCarriageReturnRule) {
    ConnectAndAccept();
    ASSERT_TRUE(Server.Send(Bytes({255, 241})));
    ASSERT_TRUE(EventArrives("data:"));
    Telnet.SendCh(13);
    ASSERT_TRUE(ServerGets("\r"));
    EXPECT_EQ(Server.ReceivedText(), "\r");

    Telnet.Disconnect();
    const std::vector<std::string> afterDisconnect = {"connected", "data:", "disconnected",
                                                      "disconnect"};
    EXPECT_EQ(Probe.Events, afterDisconnect);
    EXPECT_FALSE(Telnet.IsConnected());
    ASSERT_TRUE(Queue.PumpUntil([&] {
        Server.Poll();
        return Server.PeerClosed();
    }));

    ConnectAndAccept();
    Telnet.SendCh(13);
    ASSERT_TRUE(ServerGets("\r\n"));
    EXPECT_EQ(Probe.Disconnects, 1);
    EXPECT_THROW(Telnet.Connect(), EIdAlreadyConnected);
    try {
        Telnet.Connect();
    } catch (const EIdAlreadyConnected& e) {
        EXPECT_STREQ(e.what(), "Already connected.");
    }
}

TEST_F(IdTelnetLoopbackTest, EveryConnectFailureReadsServerNotResponding) {
    for (std::string host :
         {"127.0.0.1:" + std::to_string(RefusingPort()), std::string("no-such-host.invalid"),
          std::string("127.0.0.1:notaport"), std::string("[::1")}) {
        SCOPED_TRACE(host);
        Probe.Events.clear();
        Telnet.Host = host;
        EXPECT_FALSE(ConnectNow(Telnet, Queue));
        EXPECT_EQ(Probe.Events, std::vector<std::string>{"failed:server not responding"});
        EXPECT_FALSE(Telnet.IsConnected());
        EXPECT_FALSE(Telnet.IsConnecting());
    }
}

TEST_F(IdTelnetLoopbackTest, AcceptsTheHostForms) {
    const std::string port = std::to_string(Server.Port());
    struct TCase {
        std::string Host;
        int Port;
    };
    const TCase cases[] = {
        {"127.0.0.1:" + port, 23},    {"localhost:" + port, 23},    {"LocalHost:" + port, 23},
        {"127.0.0.1", Server.Port()}, {"LOCALHOST", Server.Port()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Host);
        Telnet.Host = c.Host;
        Telnet.Port = c.Port;
        ConnectAndAccept();
        Telnet.Disconnect();
    }
    EXPECT_EQ(Probe.Disconnects, 5);
}

TEST_F(IdTelnetLoopbackTest, ConnectsToIpv6Literals) {
    TScriptedServer server6(AF_INET6);
    if (!server6.Listening())
        GTEST_SKIP() << "::1 cannot be bound here";
    for (std::string host : {"[::1]:" + std::to_string(server6.Port()), std::string("::1")}) {
        SCOPED_TRACE(host);
        Telnet.Host = host;
        Telnet.Port = server6.Port();
        ASSERT_TRUE(ConnectNow(Telnet, Queue));
        ASSERT_TRUE(server6.Accept());
        ASSERT_TRUE(server6.Send("v6"));
        ASSERT_TRUE(EventArrives("data:v6"));
        Probe.Events.clear();
        Telnet.Disconnect();
    }
}

// The socket gets TCP_NODELAY, and keep-alive unless its idle time is 0.
TEST_F(IdTelnetLoopbackTest, SetsNoDelayAndKeepAliveOnTheSocket) {
    struct TRecordingCalls : TIdSocketCalls {
        int SetSockOpt(int fd, int level, int name, const void* value, socklen_t size) override {
            Options.push_back({level, name, *static_cast<const int*>(value)});
            return TIdSocketCalls::SetSockOpt(fd, level, name, value, size);
        }
        std::vector<std::array<int, 3>> Options;
    };
    for (int idle : {60, 0}) {
        SCOPED_TRACE(idle);
        TRecordingCalls calls;
        Telnet.Calls = &calls;
        Telnet.KeepAliveIdle = idle;
        ConnectAndAccept();
        Telnet.Disconnect();
        std::vector<std::array<int, 3>> expected = {{IPPROTO_TCP, TCP_NODELAY, 1}};
        if (idle > 0)
            expected.insert(expected.end(), {{SOL_SOCKET, SO_KEEPALIVE, 1},
                                             {IPPROTO_TCP, TCP_KEEPIDLE, 60},
                                             {IPPROTO_TCP, TCP_KEEPINTVL, 10},
                                             {IPPROTO_TCP, TCP_KEEPCNT, 6}});
        EXPECT_EQ(calls.Options, expected);
    }
    Telnet.Calls = &SystemSocketCalls();
}

// A data handler that is missing, or fails, ends the connection as a dropped
// one ends, and the failure goes on to whoever shows it.
TEST_F(IdTelnetLoopbackTest, MissingDataHandlerEndsTheConnection) {
    Telnet.OnDataAvailable = nullptr;
    ConnectAndAccept();
    ASSERT_TRUE(Server.Send("x"));
    try {
        Queue.PumpUntil([&] { return !Telnet.IsConnected(); });
        ADD_FAILURE() << "no exception";
    } catch (const EIdTelnetServerOnDataAvailableIsNil& e) {
        EXPECT_STREQ(e.what(), "OnDataAvailable event is nil.");
    }
    EXPECT_FALSE(Telnet.IsConnected());
    EXPECT_EQ(Probe.Disconnects, 1);
    EXPECT_TRUE(Probe.Has("disconnect"));
    ASSERT_TRUE(Queue.PumpUntil([&] {
        Server.Poll();
        return Server.PeerClosed();
    }));
    Telnet.Disconnect();
    EXPECT_EQ(Probe.Disconnects, 1);
}

} // namespace
} // namespace lemnar
