#include "support/FaultProxy.h"

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <string_view>
#include <sys/socket.h>
#include <unistd.h>

namespace lemnar::test {

namespace {

constexpr int PollMs = 5;

int Listen(int backlog, int& port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof addr;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&addr), size) < 0 ||
        ::listen(fd, backlog) < 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &size) < 0)
        throw std::runtime_error("cannot listen on loopback");
    port = ntohs(addr.sin_port);
    return fd;
}

int ConnectTo(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<std::uint16_t>(port));
    if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0)
        return fd;
    if (fd >= 0)
        ::close(fd);
    return -1;
}

// Sends everything, however long it takes; false: the other side is gone.
bool SendAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

void ResetAndClose(int fd) {
    const linger hard{1, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
    ::close(fd);
}

} // namespace

TFaultProxy::TFaultProxy(TOptions options) : Options(options) {
    ListenFd = Listen(4, BoundPort);
    Thread = std::thread([this] { Run(); });
}

TFaultProxy::~TFaultProxy() {
    Stop = true;
    Thread.join();
    ::close(ListenFd);
}

std::string TFaultProxy::HostPort() const {
    return "127.0.0.1:" + std::to_string(BoundPort);
}

void TFaultProxy::Run() {
    while (!Stop) {
        pollfd listener{ListenFd, POLLIN, 0};
        if (::poll(&listener, 1, PollMs) <= 0)
            continue;
        const int client = ::accept4(ListenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0)
            continue;
        const int server = ConnectTo(Options.TargetPort);
        const bool closedByFault = server >= 0 && Relay(client, server);
        if (!closedByFault)
            ::close(client);
        if (server >= 0)
            ::close(server);
    }
}

bool TFaultProxy::Relay(int client, int server) {
    const bool drip = Options.Fault == TProxyFault::Drip;
    const std::size_t most = drip ? 1 : 16384;
    std::string buffer(most, '\0');
    bool clientOpen = true;
    bool serverOpen = true;
    while (!Stop && clientOpen && serverOpen) {
        pollfd fds[2] = {{client, POLLIN, 0}, {server, POLLIN, 0}};
        if (::poll(fds, 2, PollMs) <= 0)
            continue;
        // Towards the server: what the client sends.
        if ((fds[0].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
            const ssize_t n = ::recv(client, buffer.data(), most, 0);
            clientOpen = n > 0 && SendAll(server, std::string_view(buffer.data(), n > 0 ? n : 0));
            if (drip)
                std::this_thread::sleep_for(Options.DripGap);
        }
        if ((fds[1].revents & (POLLIN | POLLHUP | POLLERR)) == 0)
            continue;
        // Towards the client: the fault strikes once After bytes have gone.
        std::size_t take = most;
        const std::size_t sent = ForwardedToClient;
        if (!HasStruck && Options.Fault != TProxyFault::Drip &&
            Options.Fault != TProxyFault::None && sent + take > Options.After)
            take = Options.After - sent;
        ssize_t n = take > 0 ? ::recv(server, buffer.data(), take, 0) : 0;
        if (take > 0) {
            serverOpen = n > 0 && SendAll(client, std::string_view(buffer.data(), n > 0 ? n : 0));
            ForwardedToClient += n > 0 ? static_cast<std::size_t>(n) : 0;
            if (drip)
                std::this_thread::sleep_for(Options.DripGap);
        }
        if (HasStruck || ForwardedToClient < Options.After)
            continue;
        switch (Options.Fault) {
        case TProxyFault::Stall:
            HasStruck = true;
            std::this_thread::sleep_for(Options.StallFor);
            break;
        case TProxyFault::Reset:
            HasStruck = true;
            ResetAndClose(client);
            return true;
        case TProxyFault::HalfClose:
            HasStruck = true;
            ::shutdown(client, SHUT_WR);
            // The client's side is still heard until it closes.
            while (!Stop) {
                pollfd p{client, POLLIN, 0};
                if (::poll(&p, 1, PollMs) <= 0)
                    continue;
                const ssize_t got = ::recv(client, buffer.data(), most, 0);
                if (got <= 0 || !SendAll(server, std::string_view(buffer.data(), got)))
                    break;
            }
            ::close(client);
            return true;
        default:
            break;
        }
    }
    return false;
}

TBlackHole::TBlackHole() {
    // With a backlog of 0 the queue holds one connection; the fillers take
    // it, and later handshakes are dropped unanswered.
    ListenFd = Listen(0, BoundPort);
    for (int& filler : Fillers) {
        filler = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        addr.sin_port = htons(static_cast<std::uint16_t>(BoundPort));
        ::connect(filler, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
}

TBlackHole::~TBlackHole() {
    for (int filler : Fillers)
        ::close(filler);
    ::close(ListenFd);
}

std::string TBlackHole::HostPort() const {
    return "127.0.0.1:" + std::to_string(BoundPort);
}

} // namespace lemnar::test
