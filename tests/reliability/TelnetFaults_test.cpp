// The telnet engine against servers that misbehave, on loopback: one that
// never sends, one that resets mid-block, one that closes inside a command,
// one that floods, many short connections, a Disconnect at each point of the
// hand-off, and servers that are not there at all. Every wait is bounded; a
// hang shows as a failed deadline, not as a stuck test.

#include "ProcessCounters.h"
#include "support/ScriptedServer.h"
#include "telnet/IdTelnet.h"
#include "telnet/TestQueue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace lemnar {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using test::RefusingPort;
using test::TScriptedServer;

// The engine with a byte sink as its data handler.
struct TSink {
    explicit TSink(TTestQueue& queue) : Telnet(queue) {
        Telnet.Rows = 25;
        Telnet.Columns = 80;
        Telnet.Terminal = "QNX";
        Telnet.OnDataAvailable = [this](std::string buffer) {
            ++Blocks;
            Bytes += buffer.size();
            if (Keep)
                Data += buffer;
            if (buffer.empty())
                ++EmptyBlocks;
        };
        Telnet.OnDisconnected = [this](TIdConnection&) { ++Disconnected; };
    }
    TIdTelnet Telnet;
    std::size_t Blocks = 0, Bytes = 0, EmptyBlocks = 0;
    int Disconnected = 0;
    bool Keep = true;
    std::string Data;
};

std::chrono::milliseconds Since(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
}

class TelnetFaultTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(Server.Listening());
        Sink.Telnet.Host = "127.0.0.1:" + std::to_string(Server.Port());
    }
    void ConnectAndAccept() {
        ASSERT_TRUE(ConnectNow(Sink.Telnet, Queue));
        ASSERT_TRUE(Server.Accept());
    }

    TScriptedServer Server;
    TTestQueue Queue;
    TSink Sink{Queue};
};

TEST_F(TelnetFaultTest, SilentServerStillDisconnectsPromptly) {
    ConnectAndAccept();
    // The receive thread is parked in its read with nothing to come.
    Queue.PumpFor(200ms);
    EXPECT_EQ(Sink.Blocks, 0u);
    const auto start = Clock::now();
    Sink.Telnet.Disconnect();
    EXPECT_LT(Since(start), 1000ms);
    EXPECT_FALSE(Sink.Telnet.IsConnected());
    EXPECT_EQ(Sink.Disconnected, 1);
}

TEST_F(TelnetFaultTest, ResetMidBlockEndsTheReadQuietly) {
    ConnectAndAccept();
    // Half a cursor address and a run of text, then a reset.
    const std::string sent = "abc\x1B=" + std::string(700, 'x');
    ASSERT_TRUE(Server.Send(sent));
    ASSERT_TRUE(Queue.PumpUntil([&] { return Sink.Bytes > 0; }, 5s));
    Server.Reset();
    Queue.PumpFor(200ms);
    // What arrived is a prefix of what was sent; nothing is made up.
    EXPECT_EQ(sent.compare(0, Sink.Data.size(), Sink.Data), 0);
    // A write after the reset fails in the writer, or the close was seen.
    bool writeFailed = false;
    for (int i = 0; i < 50 && !writeFailed; ++i) {
        try {
            Sink.Telnet.SendCh('a');
            std::this_thread::sleep_for(5ms);
        } catch (const std::exception&) {
            writeFailed = true;
        }
    }
    EXPECT_TRUE(writeFailed || Sink.Disconnected == 1);
    const auto start = Clock::now();
    Sink.Telnet.Disconnect();
    EXPECT_LT(Since(start), 1000ms);
    EXPECT_EQ(Sink.Disconnected, 1);
    EXPECT_FALSE(Sink.Telnet.IsConnected());
}

// Every cut of a command or subnegotiation: the data before it arrives, the
// close is handed over once, and the client sends nothing that is not a whole
// reply.
TEST_F(TelnetFaultTest, CloseInsideACommandOrSubnegotiation) {
    const std::string cuts[] = {
        "\xFF",         "\xFF\xFD",         "\xFF\xFA",
        "\xFF\xFA\x18", "\xFF\xFA\x18\x01", "\xFF\xFA\x18\x01\xFF",
        "\xFF\xFA\xFF", "\xFF\xFB",
    };
    for (const std::string& cut : cuts) {
        SCOPED_TRACE(testing::PrintToString(cut));
        TTestQueue queue;
        TSink sink(queue);
        sink.Telnet.Host = "127.0.0.1:" + std::to_string(Server.Port());
        ASSERT_TRUE(ConnectNow(sink.Telnet, queue));
        ASSERT_TRUE(Server.Accept());
        ASSERT_TRUE(Server.Send("ab" + cut));
        Server.Close();
        ASSERT_TRUE(
            queue.PumpUntil([&] { return sink.EmptyBlocks > 0 && sink.Disconnected > 0; }, 5s));
        EXPECT_EQ(sink.Data, "ab");
        EXPECT_EQ(sink.Disconnected, 1);
        sink.Telnet.Disconnect();
        EXPECT_EQ(sink.Disconnected, 1);
        EXPECT_EQ(Server.ReceivedText(), "");
    }
}

// The peer sends as fast as it can; the synchronous hand-off must keep memory
// flat whatever the volume. LEMNAR_FLOOD_MIB sets the volume (64 by default).
TEST_F(TelnetFaultTest, FloodKeepsMemoryFlat) {
    const char* env = std::getenv("LEMNAR_FLOOD_MIB");
    const std::size_t mib = env != nullptr ? std::strtoul(env, nullptr, 10) : 64;
    Sink.Keep = false;
    ConnectAndAccept();
    const int fd = Server.TakeClient();
    ASSERT_GE(fd, 0);
    // Text with an IAC IAC now and then, which arrives as one 0xFF.
    std::string chunk(64 * 1024, 'q');
    for (std::size_t i = 0; i + 1 < chunk.size(); i += 4096) {
        chunk[i] = '\xFF';
        chunk[i + 1] = '\xFF';
    }
    const std::size_t chunkData = chunk.size() - chunk.size() / 4096;
    const std::size_t chunks = mib * 1024 * 1024 / chunk.size();
    std::atomic<bool> failed{false};
    std::thread sender([&] {
        for (std::size_t c = 0; c < chunks && !failed; ++c) {
            std::size_t off = 0;
            while (off < chunk.size()) {
                const ssize_t n = ::send(fd, chunk.data() + off, chunk.size() - off, MSG_NOSIGNAL);
                if (n <= 0) {
                    failed = true;
                    return;
                }
                off += static_cast<std::size_t>(n);
            }
        }
    });
    // The baseline is taken once the stream runs, with its buffers in use.
    ASSERT_TRUE(Queue.PumpUntil([&] { return Sink.Bytes >= 1024 * 1024; }, 30s));
    const long before = ResidentKiB();
    const std::size_t heapBefore = LiveHeapBytes();
    const auto start = Clock::now();
    const bool all = Queue.PumpUntil([&] { return Sink.Bytes >= chunks * chunkData; },
                                     std::chrono::seconds(60 + mib));
    const auto elapsed = Since(start);
    const long after = ResidentKiB();
    const std::size_t heapAfter = LiveHeapBytes();
    sender.join();
    ::close(fd);
    Sink.Telnet.Disconnect();
    EXPECT_TRUE(all) << Sink.Bytes << " of " << chunks * chunkData << " bytes";
    EXPECT_FALSE(failed);
    RecordProperty("flood_mib", static_cast<int>(mib));
    RecordProperty("rss_before_kib", static_cast<int>(before));
    RecordProperty("rss_after_kib", static_cast<int>(after));
    RecordProperty("blocks", static_cast<int>(Sink.Blocks));
    std::printf("flood %zu MiB: %zu blocks in %lld ms, VmRSS %ld -> %ld KiB, heap %zu -> %zu KiB\n",
                mib, Sink.Blocks, static_cast<long long>(elapsed.count()), before, after,
                heapBefore / 1024, heapAfter / 1024);
    EXPECT_LT(static_cast<long>(heapAfter) - static_cast<long>(heapBefore), 4L * 1024 * 1024)
        << "the heap grew with the stream";
#ifndef LEMNAR_SANITIZER_HEAP
    EXPECT_LT(after - before, 16 * 1024) << "resident memory grew with the stream";
#endif
}

// Many short connections: no thread and no descriptor may stay behind.
TEST(TelnetFaultCycles, FiveHundredConnectionsLeaveNothingBehind) {
    TScriptedServer server;
    ASSERT_TRUE(server.Listening());
    std::atomic<bool> stop{false};
    std::atomic<int> accepted{0};
    std::thread acceptor([&] {
        while (!stop) {
            if (!server.Accept(20ms))
                continue;
            EXPECT_TRUE(server.Send(std::string("hello\xFF\xFD\x1F", 8)));
            if (++accepted % 2 == 0)
                server.Close();
        }
    });
    TTestQueue queue;
    TSink sink(queue);
    sink.Keep = false;
    sink.Telnet.Host = "127.0.0.1:" + std::to_string(server.Port());
    // One cycle first, so lazily made process state is counted in the base.
    ASSERT_TRUE(ConnectNow(sink.Telnet, queue));
    sink.Telnet.Disconnect();
    const std::size_t threadsBefore = ThreadCount();
    const std::size_t fdsBefore = OpenFdCount();
    const long rssBefore = ResidentKiB();
    const std::size_t heapBefore = LiveHeapBytes();
    const auto start = Clock::now();
    constexpr int Cycles = 500;
    for (int cycle = 0; cycle < Cycles; ++cycle) {
        ASSERT_TRUE(ConnectNow(sink.Telnet, queue));
        if (cycle % 2 == 0)
            queue.PumpUntil([&] { return sink.Blocks > 0; }, 100ms);
        sink.Telnet.Disconnect();
        ASSERT_FALSE(sink.Telnet.IsConnected());
    }
    const auto elapsed = Since(start);
    queue.PumpFor(50ms);
    stop = true;
    acceptor.join();
    server.Close();
    const std::size_t threadsAfter = ThreadCount();
    const std::size_t fdsAfter = OpenFdCount();
    const long rssAfter = ResidentKiB();
    EXPECT_LT(LiveHeapBytes(), heapBefore + 1024 * 1024);
    std::printf("%d cycles in %lld ms: threads %zu -> %zu, fds %zu -> %zu, VmRSS %ld -> %ld KiB\n",
                Cycles, static_cast<long long>(elapsed.count()), threadsBefore, threadsAfter,
                fdsBefore, fdsAfter, rssBefore, rssAfter);
    EXPECT_EQ(sink.Disconnected, Cycles + 1);
    // The acceptor thread has ended since the first count.
    EXPECT_EQ(threadsAfter, threadsBefore - 1);
    EXPECT_LE(fdsAfter, fdsBefore);
}

// Disconnect with the receive thread in its read, parked in the hand-off,
// right after the handler ran, and from inside the handler; many times each,
// so the windows between the steps are hit too.
TEST_F(TelnetFaultTest, DisconnectAtEveryPointOfTheHandOff) {
    enum class TPoint { InRead, Parked, AfterHandler, InHandler, PeerClosePending };
    for (TPoint point : {TPoint::InRead, TPoint::Parked, TPoint::AfterHandler, TPoint::InHandler,
                         TPoint::PeerClosePending}) {
        for (int round = 0; round < 20; ++round) {
            SCOPED_TRACE(static_cast<int>(point) * 100 + round);
            TTestQueue queue;
            TSink sink(queue);
            sink.Telnet.Host = "127.0.0.1:" + std::to_string(Server.Port());
            if (point == TPoint::InHandler)
                sink.Telnet.OnDataAvailable = [&](std::string buffer) {
                    sink.Data += buffer;
                    sink.Telnet.Disconnect();
                };
            ASSERT_TRUE(ConnectNow(sink.Telnet, queue));
            ASSERT_TRUE(Server.Accept());
            if (point != TPoint::InRead) {
                ASSERT_TRUE(Server.Send("block"));
            }
            if (point == TPoint::PeerClosePending)
                Server.Close();
            if (point == TPoint::Parked || point == TPoint::PeerClosePending) {
                // Waits without running the queue, so the block stays parked.
                const auto deadline = Clock::now() + 5s;
                while (queue.PendingCount() == 0 && Clock::now() < deadline)
                    std::this_thread::sleep_for(1ms);
                ASSERT_GT(queue.PendingCount(), 0u);
            }
            if (point == TPoint::AfterHandler || point == TPoint::InHandler) {
                ASSERT_TRUE(queue.PumpUntil([&] { return !sink.Data.empty(); }, 5s));
            }
            const auto start = Clock::now();
            sink.Telnet.Disconnect();
            EXPECT_LT(Since(start), 1000ms);
            const std::string seen = sink.Data;
            // A hand-off that Disconnect cancelled never runs later.
            queue.PumpFor(20ms);
            EXPECT_EQ(sink.Data, seen);
            EXPECT_TRUE(seen.empty() || seen == "block");
            EXPECT_EQ(sink.Disconnected, 1);
            EXPECT_FALSE(sink.Telnet.IsConnected());
        }
    }
}

TEST_F(TelnetFaultTest, UnreachableServersReadServerNotResponding) {
    // A port that was just free: nobody listens there.
    const int port = RefusingPort();
    ASSERT_NE(port, 0);
    const std::string refused = "127.0.0.1:" + std::to_string(port);
    // The .invalid domain never resolves.
    for (const std::string& host :
         {refused, std::string("no-such-host.invalid"), std::string(""), std::string(1000, 'h')}) {
        SCOPED_TRACE(host.substr(0, 40));
        TTestQueue queue;
        TSink sink(queue);
        sink.Telnet.Host = host;
        std::string failure = "<none>";
        sink.Telnet.OnConnectFailed = [&](TIdConnection&, const TIdConnectFailure& f) {
            failure = f.Detail;
        };
        const auto start = Clock::now();
        EXPECT_FALSE(ConnectNow(sink.Telnet, queue));
        EXPECT_EQ(failure, "server not responding");
        EXPECT_LT(Since(start), 15000ms);
        EXPECT_FALSE(sink.Telnet.IsConnected());
        EXPECT_EQ(sink.Disconnected, 0);
    }
}

} // namespace
} // namespace lemnar
