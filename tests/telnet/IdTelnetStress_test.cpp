// Races between the window thread, the receive thread and the peer: many
// connections, disconnects while a block waits for the window thread, a reset
// mid-stream, and the engine destroyed while connected. Run under the
// sanitizers, these catch deadlocks, leaks and use after free.

#include "TelnetProbe.h"
#include "TestQueue.h"
#include "support/ScriptedServer.h"
#include "telnet/IdTelnet.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>

namespace lemnar {
namespace {

using std::chrono::milliseconds;
using test::TScriptedServer;

// Accepts clients on its own thread and greets them with data and DO NAWS.
// Every second client is closed at once, the others when the next one is
// accepted; with the NAWS reply still unread, that close is a reset.
class TChurningServer {
  public:
    TChurningServer()
        : Worker([this] {
              int count = 0;
              while (!Stop) {
                  if (!Server.Accept(milliseconds(20)))
                      continue;
                  EXPECT_TRUE(Server.Send(std::string("hello\xFF\xFD\x1F", 8)));
                  if (++count % 2 == 0)
                      Server.Close();
                  Accepted = count;
              }
          }) {}
    ~TChurningServer() {
        Stop = true;
        Worker.join();
    }
    int Port() const { return Server.Port(); }

    std::atomic<int> Accepted{0};

  private:
    TScriptedServer Server;
    std::atomic<bool> Stop{false};
    std::thread Worker;
};

TEST(IdTelnetStressTest, ConnectsAndDisconnectsManyTimes) {
    TChurningServer server;
    TTestQueue queue;
    TIdTelnet telnet(queue);
    TTelnetProbe probe(telnet);
    telnet.Host = "127.0.0.1:" + std::to_string(server.Port());
    int connected = 0;
    for (int cycle = 1; cycle <= 200; ++cycle) {
        // Sometimes abandon the attempt at once, sometimes let a block
        // through, sometimes disconnect as soon as it is open.
        if (cycle % 3 == 0) {
            telnet.Connect();
        } else {
            ASSERT_TRUE(ConnectNow(telnet, queue));
            ++connected;
        }
        if (cycle % 3 == 1)
            queue.PumpUntil([&] { return probe.Events.back() != "connected"; }, milliseconds(200));
        telnet.Disconnect();
        ASSERT_EQ(probe.Disconnects, connected);
        ASSERT_FALSE(telnet.IsConnected());
        ASSERT_FALSE(telnet.IsConnecting());
    }
    // Hand-offs cancelled by Disconnect never arrive.
    std::size_t seen = probe.Events.size();
    queue.PumpFor(milliseconds(50));
    EXPECT_EQ(probe.Events.size(), seen);
    EXPECT_EQ(probe.Disconnects, connected);
    EXPECT_EQ(probe.ForeignThreadEvents, 0);
}

class IdTelnetRaceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(Server.Listening());
        Telnet->Host = "127.0.0.1:" + std::to_string(Server.Port());
    }

    void ConnectAndAccept() {
        ASSERT_TRUE(ConnectNow(*Telnet, Queue));
        ASSERT_TRUE(Server.Accept());
    }

    // Waits, without pumping, until the receive thread waits on the window
    // thread.
    bool WaitPending() {
        for (int i = 0; i < 1000 && Queue.PendingCount() == 0; ++i)
            std::this_thread::sleep_for(milliseconds(5));
        return Queue.PendingCount() > 0;
    }

    TTestQueue Queue;
    TScriptedServer Server;
    std::unique_ptr<TIdTelnet> Telnet = std::make_unique<TIdTelnet>(Queue);
    TTelnetProbe Probe{*Telnet};
};

TEST_F(IdTelnetRaceTest, DisconnectDropsAPendingBlock) {
    ConnectAndAccept();
    ASSERT_TRUE(Server.Send("late"));
    ASSERT_TRUE(WaitPending());
    Telnet->Disconnect();
    const std::vector<std::string> expected = {"connected", "disconnected", "disconnect"};
    EXPECT_EQ(Probe.Events, expected);
    Queue.PumpFor(milliseconds(20));
    EXPECT_EQ(Probe.Events, expected);
}

TEST_F(IdTelnetRaceTest, DisconnectWhileThePeersCloseWaits) {
    ConnectAndAccept();
    Server.Close();
    // The close is read and its event waits for the window thread.
    ASSERT_TRUE(WaitPending());
    EXPECT_FALSE(Telnet->IsConnected());
    Telnet->Disconnect();
    Queue.PumpFor(milliseconds(20));
    // Raised once, by Disconnect, since the hand-off was cancelled.
    EXPECT_EQ(Probe.Disconnects, 1);
    EXPECT_EQ(Probe.Events.back(), "disconnect");
}

TEST_F(IdTelnetRaceTest, DisconnectFromTheDataHandler) {
    Telnet->OnDataAvailable = [this](std::string buffer) {
        Probe.Events.push_back("data:" + buffer);
        Telnet->Disconnect();
    };
    ConnectAndAccept();
    ASSERT_TRUE(Server.Send("bye"));
    ASSERT_TRUE(Queue.PumpUntil([&] { return Probe.Disconnects == 1; }));
    Queue.PumpFor(milliseconds(20));
    const std::vector<std::string> expected = {"connected", "data:bye", "disconnected",
                                               "disconnect"};
    EXPECT_EQ(Probe.Events, expected);
}

// The shell's disconnected handler may disconnect or reconnect at once,
// while the receive thread still waits for that handler to return.
TEST_F(IdTelnetRaceTest, ReconnectFromTheDisconnectedHandler) {
    Telnet->OnDisconnected = [this](TIdConnection&) {
        ++Probe.Disconnects;
        Telnet->Disconnect();
        if (Probe.Disconnects == 1)
            Telnet->Connect();
    };
    ConnectAndAccept();
    Server.Close();
    ASSERT_TRUE(Queue.PumpUntil([&] { return Probe.Disconnects == 1; }));
    ASSERT_TRUE(Server.Accept());
    EXPECT_TRUE(Queue.PumpUntil([&] { return Telnet->IsConnected(); }));
    ASSERT_TRUE(Server.Send("again"));
    ASSERT_TRUE(Queue.PumpUntil([&] { return Probe.Has("data:again"); }));
    Telnet->Disconnect();
    EXPECT_EQ(Probe.Disconnects, 2);
}

TEST_F(IdTelnetRaceTest, PeerResetEndsTheConnection) {
    ConnectAndAccept();
    std::string chunk(4096, 'r');
    for (int i = 0; i < 8; ++i)
        ASSERT_TRUE(Server.Send(chunk));
    Queue.PumpFor(milliseconds(5));
    Server.Reset();
    ASSERT_TRUE(Queue.PumpUntil([&] { return Probe.Disconnects == 1; }));
    EXPECT_FALSE(Telnet->IsConnected());
    EXPECT_THROW(Telnet->SendCh('x'), EIdConnClosedGracefully);
    Telnet->Disconnect();
    EXPECT_EQ(Probe.Disconnects, 1);
    EXPECT_EQ(Probe.ForeignThreadEvents, 0);
}

TEST_F(IdTelnetRaceTest, DestroyedWhileConnected) {
    for (int round = 0; round < 20; ++round) {
        SCOPED_TRACE(round);
        Telnet = std::make_unique<TIdTelnet>(Queue);
        Telnet->Host = "127.0.0.1:" + std::to_string(Server.Port());
        int events = 0;
        Telnet->OnDataAvailable = [&](std::string) { ++events; };
        Telnet->OnDisconnected = [&](TIdConnection&) { ++events; };
        ConnectAndAccept();
        if (round % 2 == 0) {
            ASSERT_TRUE(Server.Send("pending"));
            ASSERT_TRUE(WaitPending());
        }
        Telnet.reset();
        // Stale hand-offs find the engine gone and do nothing.
        Queue.PumpFor(milliseconds(5));
        EXPECT_EQ(events, 0);
    }
}

} // namespace
} // namespace lemnar
