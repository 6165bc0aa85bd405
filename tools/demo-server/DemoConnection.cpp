#include "DemoConnection.h"

#include "DemoSession.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

namespace lemnar::demo {

namespace {

using TClock = std::chrono::steady_clock;

constexpr std::size_t ReadSize = 4096;

int WaitMs(std::chrono::milliseconds wait) {
    return static_cast<int>(std::max<std::chrono::milliseconds::rep>(0, wait.count()));
}

} // namespace

TDemoConnection::TDemoConnection(int socket, const std::atomic<bool>& stop)
    : Socket(socket), Stop(stop) {
    const int one = 1;
    setsockopt(Socket, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    // A client that stops reading must not hold this thread for ever.
    timeval sendLimit{5, 0};
    setsockopt(Socket, SOL_SOCKET, SO_SNDTIMEO, &sendLimit, sizeof sendLimit);
}

TDemoConnection::~TDemoConnection() {
    close(Socket);
}

bool TDemoConnection::SendAll(const std::string& bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = send(Socket, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

void TDemoConnection::Run() {
    TDemoSession session;
    session.Start();
    if (!SendAll(session.TakeOutput())) {
        return;
    }
    const TClock::time_point typeDeadline = TClock::now() + TerminalTypeWait;
    TClock::time_point lastInput = TClock::now();
    char buffer[ReadSize];
    while (!Stop.load() && !session.Finished()) {
        auto wait = PollStep;
        if (session.WaitingForTerminalType()) {
            wait = std::min(wait, std::chrono::duration_cast<std::chrono::milliseconds>(
                                      typeDeadline - TClock::now()));
        }
        pollfd entry{Socket, POLLIN, 0};
        const int ready = poll(&entry, 1, WaitMs(wait));
        if (ready < 0 && errno != EINTR) {
            return;
        }
        if (ready > 0) {
            const ssize_t n = recv(Socket, buffer, sizeof buffer, 0);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                return;
            }
            lastInput = TClock::now();
            session.Receive(std::string_view(buffer, static_cast<std::size_t>(n)));
        }
        if (session.WaitingForTerminalType() && TClock::now() >= typeDeadline) {
            session.TerminalTypeTimeout();
            std::fprintf(stderr, "no terminal type in time, using TTY\n");
        }
        if (!SendAll(session.TakeOutput())) {
            return;
        }
        if (TClock::now() - lastInput > IdleLimit) {
            return;
        }
    }
    if (session.Finished()) {
        std::fprintf(stderr, "session as %s %dx%d ended by the client's choice\n",
                     session.TerminalName().c_str(), session.Cols(), session.Rows());
        Linger();
    }
}

// Closes the sending side and reads what is left for a moment, so that unread
// input does not turn the close into a reset that could swallow the goodbye.
void TDemoConnection::Linger() {
    shutdown(Socket, SHUT_WR);
    const TClock::time_point until = TClock::now() + std::chrono::seconds(1);
    char buffer[ReadSize];
    while (TClock::now() < until && !Stop.load()) {
        pollfd entry{Socket, POLLIN, 0};
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(until - TClock::now());
        if (poll(&entry, 1, WaitMs(std::min(left, PollStep))) <= 0) {
            continue;
        }
        if (recv(Socket, buffer, sizeof buffer, 0) <= 0) {
            return;
        }
    }
}

} // namespace lemnar::demo
