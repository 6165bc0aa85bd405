#include "support/ScriptedServer.h"

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace lemnar::test {

namespace {

// How long the server's own thread waits in one poll, so it sees Stop soon.
constexpr std::chrono::milliseconds PollInterval(10);

// A listening socket on the loopback address of family; -1: none.
int ListenOnLoopback(int family, int& port) {
    const int fd = ::socket(family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    const int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_storage addr{};
    socklen_t size = 0;
    if (family == AF_INET6) {
        auto* v6 = reinterpret_cast<sockaddr_in6*>(&addr);
        v6->sin6_family = AF_INET6;
        v6->sin6_addr = in6addr_loopback;
        size = sizeof *v6;
    } else {
        auto* v4 = reinterpret_cast<sockaddr_in*>(&addr);
        v4->sin_family = AF_INET;
        v4->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        size = sizeof *v4;
    }
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), size) < 0 || ::listen(fd, 16) < 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &size) < 0) {
        ::close(fd);
        return -1;
    }
    port = ntohs(family == AF_INET6 ? reinterpret_cast<sockaddr_in6*>(&addr)->sin6_port
                                    : reinterpret_cast<sockaddr_in*>(&addr)->sin_port);
    return fd;
}

bool Readable(int fd, std::chrono::milliseconds timeout) {
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, static_cast<int>(timeout.count())) > 0;
}

} // namespace

TScriptedServer::TScriptedServer(int family) : OnOwnThread(false), Family(family) {
    ListenFd = ListenOnLoopback(family, BoundPort);
}

TScriptedServer::TScriptedServer(TOwnThread, std::string greeting)
    : OnOwnThread(true), Greeting(std::move(greeting)), Family(AF_INET) {
    ListenFd = ListenOnLoopback(Family, BoundPort);
    if (ListenFd < 0)
        throw std::runtime_error("test server: cannot listen on loopback");
    Thread = std::thread([this] { Run(); });
}

TScriptedServer::~TScriptedServer() {
    Stop = true;
    if (Thread.joinable())
        Thread.join();
    Drop(false);
    if (ListenFd >= 0)
        ::close(ListenFd);
}

std::string TScriptedServer::HostPort() const {
    return (Family == AF_INET6 ? "[::1]:" : "127.0.0.1:") + std::to_string(BoundPort);
}

bool TScriptedServer::Accept(std::chrono::milliseconds timeout) {
    return AcceptNext(timeout);
}

// The bytes and the close of the previous client stay readable until the
// next one is accepted: the window tests look at them after the close.
bool TScriptedServer::AcceptNext(std::chrono::milliseconds timeout) {
    Drop(false);
    if (!Readable(ListenFd, timeout))
        return false;
    const int fd = ::accept4(ListenFd, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0)
        return false;
    {
        std::lock_guard lock(Mutex);
        ClientFd = fd;
        HasAccepted = true;
        HasPeerClosed = false;
        AcceptTime = TClock::now();
        Bytes.clear();
    }
    AcceptedChanged.notify_all();
    return true;
}

int TScriptedServer::TakeClient() {
    std::lock_guard lock(Mutex);
    const int fd = ClientFd;
    ClientFd = -1;
    return fd;
}

void TScriptedServer::Poll() {
    char buffer[4096];
    std::lock_guard lock(Mutex);
    while (ClientFd >= 0 && !HasPeerClosed) {
        const ssize_t n = ::recv(ClientFd, buffer, sizeof buffer, MSG_DONTWAIT);
        const auto now = TClock::now();
        if (n > 0) {
            for (ssize_t i = 0; i < n; ++i)
                Bytes.push_back({buffer[i], now});
        } else if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
            HasPeerClosed = true;
            CloseTime = now;
        } else {
            break;
        }
    }
}

void TScriptedServer::Reset() {
    Drop(true);
}

void TScriptedServer::Drop(bool reset) {
    std::lock_guard lock(Mutex);
    if (ClientFd < 0)
        return;
    if (reset) {
        const linger hard{1, 0};
        ::setsockopt(ClientFd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
    }
    ::close(ClientFd);
    ClientFd = -1;
}

void TScriptedServer::Run() {
    while (!Stop) {
        if (!AcceptNext(PollInterval))
            continue;
        if (!Greeting.empty())
            static_cast<void>(Send(Greeting));
        while (!Stop && !PeerClosed()) {
            int fd = -1;
            {
                std::lock_guard lock(Mutex);
                fd = ClientFd;
            }
            if (fd < 0)
                break;
            if (Readable(fd, PollInterval))
                Poll();
        }
        Drop(false);
    }
}

bool TScriptedServer::Send(std::string_view bytes) {
    std::unique_lock lock(Mutex);
    // The client's connect can return before the server's thread has
    // accepted it.
    if (OnOwnThread)
        AcceptedChanged.wait_for(lock, std::chrono::seconds(5), [this] { return HasAccepted; });
    if (ClientFd < 0)
        return false;
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(ClientFd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

void TScriptedServer::Close() {
    if (!OnOwnThread) {
        Drop(false);
        return;
    }
    // The server's thread owns the descriptor: it sees the shutdown as the
    // end of the connection and closes it.
    std::lock_guard lock(Mutex);
    if (ClientFd >= 0)
        ::shutdown(ClientFd, SHUT_RDWR);
}

bool TScriptedServer::Accepted() const {
    std::lock_guard lock(Mutex);
    return HasAccepted;
}

TClock::time_point TScriptedServer::AcceptedAt() const {
    std::lock_guard lock(Mutex);
    return AcceptTime;
}

bool TScriptedServer::PeerClosed() const {
    std::lock_guard lock(Mutex);
    return HasPeerClosed;
}

TClock::time_point TScriptedServer::PeerClosedAt() const {
    std::lock_guard lock(Mutex);
    return CloseTime;
}

std::vector<TReceivedByte> TScriptedServer::Received() const {
    std::lock_guard lock(Mutex);
    return Bytes;
}

std::string TScriptedServer::ReceivedText() const {
    std::lock_guard lock(Mutex);
    std::string text;
    text.reserve(Bytes.size());
    for (const TReceivedByte& b : Bytes)
        text += b.Byte;
    return text;
}

void TScriptedServer::ClearReceived() {
    std::lock_guard lock(Mutex);
    Bytes.clear();
}

int RefusingPort() {
    int port = 0;
    const int fd = ListenOnLoopback(AF_INET, port);
    if (fd >= 0)
        ::close(fd);
    return port;
}

} // namespace lemnar::test
