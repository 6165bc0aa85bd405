// Whether the stateless negotiation policy can loop with a server. The engine
// answers every request, also a repeated one; a naive server that answers
// every reply with the opposite request would keep such an exchange going for
// ever, so the engine stops answering a request it has answered many times on
// the connection. A server that keeps option state (the system's telnetd)
// ends the exchange by itself. Both tests count the engine's replies over a
// bounded time.

#include "support/ScriptedServer.h"
#include "telnet/IdTelnet.h"
#include "telnet/TestQueue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace lemnar {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using test::TScriptedServer;

// Counts the engine's writes.
class TCountingTelnet final : public TIdTelnet {
  public:
    using TIdTelnet::TIdTelnet;
    void WriteBytes(const std::string& bytes) override {
        ++Writes;
        TIdTelnet::WriteBytes(bytes);
    }
    std::atomic<int> Writes{0};
};

constexpr unsigned char Iac = 0xFF, Will = 0xFB, Wont = 0xFC, Do = 0xFD, Dont = 0xFE;

// WILL <-> DONT and WONT <-> DO: the request that contradicts a reply.
unsigned char Opposite(unsigned char verb) {
    switch (verb) {
    case Will:
        return Dont;
    case Wont:
        return Do;
    case Do:
        return Wont;
    default:
        return Will;
    }
}

TEST(NegotiationLoopTest, NaiveServerThatContradictsEveryReplyIsCutShort) {
    TScriptedServer server;
    ASSERT_TRUE(server.Listening());
    TTestQueue queue;
    TCountingTelnet telnet(queue);
    telnet.Rows = 25;
    telnet.Columns = 80;
    std::size_t data = 0;
    telnet.OnDataAvailable = [&](std::string buffer) { data += buffer.size(); };
    telnet.Host = "127.0.0.1:" + std::to_string(server.Port());
    telnet.Connect();
    ASSERT_TRUE(server.Accept());
    const int fd = server.TakeClient();
    ASSERT_GE(fd, 0);
    // The server opens with DO SUPPRESS-GO-AHEAD, then answers each
    // three-byte reply with its opposite, for two seconds.
    std::atomic<int> serverRequests{1};
    std::thread naive([&] {
        const unsigned char first[] = {Iac, Do, 3};
        ::send(fd, first, sizeof first, MSG_NOSIGNAL);
        std::string pending;
        const auto end = Clock::now() + 2s;
        while (Clock::now() < end) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0)
                continue;
            char buf[4096];
            const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
            if (n <= 0)
                break;
            pending.append(buf, static_cast<std::size_t>(n));
            while (pending.size() >= 3) {
                const auto verb = static_cast<unsigned char>(pending[1]);
                const unsigned char answer[] = {Iac, Opposite(verb),
                                                static_cast<unsigned char>(pending[2])};
                pending.erase(0, 3);
                if (::send(fd, answer, sizeof answer, MSG_NOSIGNAL) == 3)
                    ++serverRequests;
            }
        }
    });
    queue.PumpFor(2200ms);
    naive.join();
    const int replies = telnet.Writes;
    // The engine stays usable during the exchange.
    const auto start = Clock::now();
    telnet.Disconnect();
    EXPECT_LT(Clock::now() - start, 1s);
    ::close(fd);
    RecordProperty("replies_in_2s", replies);
    std::printf("naive server: %d engine replies, %d server requests in 2 s\n", replies,
                serverRequests.load());
    // Each request is answered many times over, then no more: the loop ends
    // long before the server gives up.
    EXPECT_GE(replies, 64);
    EXPECT_LE(replies, 2 * 64);
    EXPECT_LE(serverRequests.load(), replies + 1);
    EXPECT_EQ(data, 0u);
}

const char* FindTelnetd() {
    for (const char* path : {"/usr/sbin/telnetd", "/usr/sbin/in.telnetd"})
        if (::access(path, X_OK) == 0)
            return path;
    return nullptr;
}

TEST(NegotiationLoopTest, TelnetdSettlesAfterTheOpeningNegotiation) {
    const char* telnetd = FindTelnetd();
    if (telnetd == nullptr)
        GTEST_SKIP() << "telnetd not installed";
    TScriptedServer listener;
    ASSERT_TRUE(listener.Listening());
    TTestQueue queue;
    TCountingTelnet telnet(queue);
    telnet.Rows = 25;
    telnet.Columns = 80;
    telnet.Terminal = "ANSI";
    std::string screen;
    telnet.OnDataAvailable = [&](std::string buffer) { screen += buffer; };
    telnet.Host = "127.0.0.1:" + std::to_string(listener.Port());
    telnet.Connect();
    ASSERT_TRUE(listener.Accept());
    const int client = listener.TakeClient();
    char* const argv[] = {const_cast<char*>(telnetd), const_cast<char*>("-h"),
                          const_cast<char*>("-E"), const_cast<char*>("/bin/sh"), nullptr};
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(client, 0);
        ::dup2(client, 1);
        ::dup2(client, 2);
        ::execv(telnetd, argv);
        ::_exit(127);
    }
    ::close(client);
    ASSERT_GT(pid, 0);
    // The opening negotiation, then a quiet second in which a loop would show.
    queue.PumpFor(1500ms);
    const int opening = telnet.Writes;
    queue.PumpFor(1500ms);
    const int later = telnet.Writes - opening;
    telnet.Disconnect();
    for (int i = 0; i < 200 && ::waitpid(pid, nullptr, WNOHANG) != pid; ++i)
        std::this_thread::sleep_for(10ms);
    if (::waitpid(pid, nullptr, WNOHANG) == 0) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
    }
    std::printf("telnetd: %d engine replies in the first 1.5 s, %d in the next 1.5 s\n", opening,
                later);
    RecordProperty("opening_replies", opening);
    RecordProperty("later_replies", later);
    EXPECT_GT(opening, 0);
    EXPECT_LT(opening, 40);
    EXPECT_EQ(later, 0);
}

} // namespace
} // namespace lemnar
