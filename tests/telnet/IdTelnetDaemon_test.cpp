// A real session: the system's telnet daemon, started as under inetd on an
// accepted loopback socket, runs /bin/sh; the engine negotiates with it and
// types a command.

#include "TestQueue.h"
#include "platform/OffscreenTerminal.h"
#include "support/ScriptedServer.h"
#include "telnet/IdTelnet.h"

#include <gtest/gtest.h>

#include <csignal>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace lemnar {
namespace {

using test::TScriptedServer;

const char* FindTelnetd() {
    for (const char* path : {"/usr/sbin/telnetd", "/usr/sbin/in.telnetd"}) {
        if (::access(path, X_OK) == 0)
            return path;
    }
    return nullptr;
}

// Starts the daemon on the client socket as its stdin, stdout and stderr.
pid_t StartDaemon(const char* path, int client) {
    char* const argv[] = {const_cast<char*>(path), const_cast<char*>("-h"), const_cast<char*>("-E"),
                          const_cast<char*>("/bin/sh"), nullptr};
    pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(client, 0);
        ::dup2(client, 1);
        ::dup2(client, 2);
        ::execv(path, argv);
        ::_exit(127);
    }
    return pid;
}

// Waits a bounded time for the daemon to end, then kills it.
void Reap(pid_t pid) {
    for (int i = 0; i < 200; ++i) {
        if (::waitpid(pid, nullptr, WNOHANG) == pid)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
}

TEST(IdTelnetDaemonTest, RunsACommandThroughTelnetd) {
    const char* telnetd = FindTelnetd();
    ASSERT_NE(telnetd, nullptr) << "telnetd not found: install the inetutils-telnetd package";
    TScriptedServer listener;
    ASSERT_TRUE(listener.Listening());

    TTestQueue queue;
    TIdTelnet telnet(queue);
    std::string received;
    // The whole road: the daemon's output goes through the terminal as well.
    TOffscreenTerminal::TOptions options;
    options.TerminalType = TermTty;
    TOffscreenTerminal term(options);
    telnet.OnDataAvailable = [&](std::string buffer) {
        received += buffer;
        term.Feed(buffer);
    };
    telnet.Host = "127.0.0.1:" + std::to_string(listener.Port());
    telnet.Terminal = "dumb";
    telnet.Rows = 25;
    telnet.Columns = 80;
    telnet.Connect();
    ASSERT_TRUE(listener.Accept());
    int client = listener.TakeClient();
    pid_t daemon = StartDaemon(telnetd, client);
    ::close(client);
    ASSERT_GT(daemon, 0);

    // The daemon negotiates first; once it has, the shell is reachable.
    bool negotiated = queue.PumpUntil([&] { return telnet.PeerIsTelnet.load(); });
    queue.PumpFor(std::chrono::milliseconds(500));
    for (char c : std::string("echo LEMNAR_$((6*7))"))
        telnet.SendCh(static_cast<std::uint8_t>(c));
    telnet.SendCh(13);
    bool answered = queue.PumpUntil([&] { return received.find("LEMNAR_42") != std::string::npos; },
                                    std::chrono::seconds(20));
    telnet.Disconnect();
    Reap(daemon);
    EXPECT_TRUE(negotiated);
    EXPECT_TRUE(answered) << "received: " << ::testing::PrintToString(received);
    bool inCells = false;
    for (int row = 0; row < term.Terminal.ScreenRows; ++row)
        inCells = inCells || term.RowBytes(row).rfind("LEMNAR_42", 0) == 0;
    EXPECT_TRUE(inCells) << "the command's output starts a row of the grid";
}

} // namespace
} // namespace lemnar
