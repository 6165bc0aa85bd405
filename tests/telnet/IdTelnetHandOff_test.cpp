// The hand-off of received blocks to the window thread: whole blocks in
// order, at most 64 KiB read ahead of what the window thread has handled
// while it sleeps, and nothing left behind, delivered late or delivered twice
// when Disconnect or the peer's close meets a full queue. Run under the
// sanitizers (ThreadSanitizer too), these catch races, deadlocks and use
// after free.

#include "TelnetProbe.h"
#include "TestQueue.h"
#include "support/ScriptedServer.h"
#include "telnet/IdReceiveQueue.h"
#include "telnet/IdTelnet.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>

namespace lemnar {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using test::TScriptedServer;

// Bytes that tell their place: no IAC, so they reach the handler as sent.
std::string Numbered(std::size_t size) {
    std::string s(size, ' ');
    for (std::size_t i = 0; i < size; ++i)
        s[i] = static_cast<char>(0x20 + (i * 7 + i / 251) % 0x5F);
    return s;
}

class IdTelnetHandOffTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(Server.Listening());
        Telnet->Host = "127.0.0.1:" + std::to_string(Server.Port());
        Telnet->OnDataAvailable = [this](std::string buffer) {
            if (buffer.size() > Largest)
                Largest = buffer.size();
            ++Blocks;
            Data += buffer;
            Probe.Events.push_back(buffer.empty() ? "data:" : "data");
            if (OnBlock)
                OnBlock();
        };
    }
    void TearDown() override {
        if (Sender.joinable())
            Sender.join();
    }

    // Connects, then sends the bytes (and closes) from a thread of the
    // server's own, so the test thread is free to sleep as a busy window
    // thread does.
    void ConnectAndSend(std::string bytes, bool close) {
        ASSERT_TRUE(ConnectNow(*Telnet, Queue));
        ASSERT_TRUE(Server.Accept());
        Sender = std::thread([this, bytes = std::move(bytes), close] {
            // false: the client went away first.
            static_cast<void>(Server.Send(bytes));
            if (close)
                Server.Close();
        });
    }

    TTestQueue Queue;
    TScriptedServer Server;
    std::unique_ptr<TIdTelnet> Telnet = std::make_unique<TIdTelnet>(Queue);
    TTelnetProbe Probe{*Telnet};
    std::thread Sender;
    std::string Data;
    std::size_t Largest = 0;
    int Blocks = 0;
    std::function<void()> OnBlock;
};

TEST_F(IdTelnetHandOffTest, WholeBlocksInOrderAndAtMostReadAheadWhileTheWindowThreadSleeps) {
    const std::string sent = Numbered(std::size_t{1} << 20);
    ConnectAndSend(sent, false);
    // A window thread asleep (the login script waits like this) takes
    // nothing; the receive thread reads ahead up to its bound and waits.
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(Queue.PendingCount(), 1u) << "one call per batch";
    ASSERT_TRUE(Queue.RunOne());
    EXPECT_GT(Data.size(), 1024u) << "the receive thread did not read on while the window slept";
    EXPECT_LE(Data.size(), TIdReceiveQueue::ReadAhead + 1024);
    ASSERT_TRUE(Queue.PumpUntil([&] { return Data.size() >= sent.size(); }));
    EXPECT_EQ(Data, sent);
    EXPECT_LE(Largest, 1024u);
    EXPECT_GE(Blocks, static_cast<int>(sent.size() / 1024));
    EXPECT_EQ(Probe.ForeignThreadEvents, 0);
    Telnet->Disconnect();
}

// Once the window thread has brought the read-ahead down to the low-water
// mark, the receive thread reads on while the rest of the batch is handled.
TEST_F(IdTelnetHandOffTest, TheReceiveThreadReadsOnFromTheLowWaterMark) {
    int resumedAt = 0;
    OnBlock = [&] {
        if (resumedAt == 0 && Queue.PendingCount() > 0)
            resumedAt = Blocks;
        std::this_thread::sleep_for(2ms);
    };
    ConnectAndSend(Numbered(std::size_t{1} << 20), false);
    std::this_thread::sleep_for(300ms);
    ASSERT_TRUE(Queue.RunOne());
    const int batch = Blocks;
    EXPECT_GT(resumedAt, 0) << "the receive thread waited for the whole batch";
    EXPECT_LT(resumedAt, batch);
    Telnet->Disconnect();
}

TEST_F(IdTelnetHandOffTest, ThePeersCloseComesAfterEveryBlockQueuedBeforeIt) {
    const std::string sent = Numbered(200 * 1024);
    ConnectAndSend(sent, true);
    std::this_thread::sleep_for(200ms);
    ASSERT_TRUE(Queue.PumpUntil([&] { return Probe.Has("disconnected"); }));
    Queue.PumpFor(20ms);
    EXPECT_EQ(Data, sent);
    // Every block, then the close, then the one empty block after it.
    ASSERT_GE(Probe.Events.size(), 3u);
    EXPECT_EQ(Probe.Events[Probe.Events.size() - 2], "disconnected");
    EXPECT_EQ(Probe.Events.back(), "data:");
    EXPECT_EQ(Probe.Disconnects, 1);
    Telnet->Disconnect();
    EXPECT_EQ(Probe.Disconnects, 1);
}

TEST_F(IdTelnetHandOffTest, DisconnectRacesAFullQueue) {
    for (int round = 0; round < 12; ++round) {
        SCOPED_TRACE(round);
        Data.clear();
        const int before = Probe.Disconnects;
        ConnectAndSend(Numbered(512 * 1024), round % 3 == 0);
        // Sometimes the queue is full and the receive thread waits for
        // room, sometimes it is still filling or the close is queued too.
        std::this_thread::sleep_for(std::chrono::milliseconds(round * 15));
        if (round % 2 == 1)
            Queue.RunOne();
        const auto start = Clock::now();
        Telnet->Disconnect();
        EXPECT_LT(Clock::now() - start, 1s);
        const std::string seen = Data;
        Queue.PumpFor(30ms);
        EXPECT_EQ(Data, seen) << "a dropped block arrived after Disconnect";
        EXPECT_EQ(Probe.Disconnects, before + 1);
        EXPECT_FALSE(Telnet->IsConnected());
        Sender.join();
    }
}

TEST_F(IdTelnetHandOffTest, DisconnectFromAHandlerDropsTheRestOfTheBatch) {
    OnBlock = [this] {
        if (Blocks == 3)
            Telnet->Disconnect();
    };
    ConnectAndSend(Numbered(200 * 1024), false);
    std::this_thread::sleep_for(200ms);
    ASSERT_TRUE(Queue.PumpUntil([&] { return Probe.Disconnects == 1; }));
    Queue.PumpFor(30ms);
    EXPECT_EQ(Blocks, 3);
    EXPECT_EQ(Probe.Disconnects, 1);
}

TEST_F(IdTelnetHandOffTest, EngineDestroyedWithAFullQueue) {
    ConnectAndSend(Numbered(512 * 1024), false);
    std::this_thread::sleep_for(150ms);
    Telnet.reset();
    // The batch's posted call finds its queue cancelled and touches nothing.
    Queue.PumpFor(30ms);
    EXPECT_TRUE(Data.empty());
}

} // namespace
} // namespace lemnar
