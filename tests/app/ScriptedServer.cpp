#include "app/ScriptedServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace lemnar::test {

namespace {

constexpr int PollMs = 10;

int ListenOnLoopback(int& port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        throw std::runtime_error("socket");
    const int yes = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd, 4) != 0) {
        ::close(fd);
        throw std::runtime_error("bind/listen");
    }
    socklen_t length = sizeof addr;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &length);
    port = ntohs(addr.sin_port);
    return fd;
}

bool Readable(int fd) {
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, PollMs) > 0;
}

} // namespace

TScriptedServer::TScriptedServer(std::string greeting)
    : ListenFd(ListenOnLoopback(ListenPort)), Greeting(std::move(greeting)),
      Thread([this] { Run(); }) {}

TScriptedServer::~TScriptedServer() {
    Stop = true;
    Thread.join();
    ::close(ListenFd);
}

void TScriptedServer::Run() {
    while (!Stop) {
        if (!Readable(ListenFd))
            continue;
        const int fd = ::accept(ListenFd, nullptr, nullptr);
        if (fd < 0)
            continue;
        Serve(fd);
    }
}

void TScriptedServer::Serve(int fd) {
    {
        std::lock_guard lock(Mutex);
        ClientFd = fd;
        HasAccepted = true;
        HasPeerClosed = false;
        AcceptTime = TClock::now();
        Bytes.clear();
    }
    if (!Greeting.empty())
        ::send(fd, Greeting.data(), Greeting.size(), MSG_NOSIGNAL);
    char buffer[4096];
    while (!Stop) {
        if (!Readable(fd))
            continue;
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        const auto now = TClock::now();
        std::lock_guard lock(Mutex);
        if (n <= 0) {
            HasPeerClosed = true;
            CloseTime = now;
            break;
        }
        for (ssize_t i = 0; i < n; ++i)
            Bytes.push_back({buffer[i], now});
    }
    std::lock_guard lock(Mutex);
    ::close(fd);
    ClientFd = -1;
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
    for (const TReceivedByte& b : Bytes)
        text += b.Byte;
    return text;
}

bool TScriptedServer::Send(const std::string& bytes) {
    // The client's connect can return before this side has accepted: give the
    // accepting thread a moment.
    const auto deadline = TClock::now() + std::chrono::seconds(5);
    std::unique_lock lock(Mutex);
    while (ClientFd < 0 && !HasAccepted && TClock::now() < deadline) {
        lock.unlock();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        lock.lock();
    }
    if (ClientFd < 0)
        return false;
    return ::send(ClientFd, bytes.data(), bytes.size(), MSG_NOSIGNAL) ==
           static_cast<ssize_t>(bytes.size());
}

void TScriptedServer::Close() {
    std::lock_guard lock(Mutex);
    if (ClientFd >= 0)
        ::shutdown(ClientFd, SHUT_RDWR);
}

int RefusingPort() {
    int port = 0;
    ::close(ListenOnLoopback(port));
    return port;
}

} // namespace lemnar::test
