#include "support/ScriptedServer.h"

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace lemnar {

TScriptedServer::TScriptedServer(int family) {
    int fd = ::socket(family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return;
    int one = 1;
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
        return;
    }
    BoundPort = ntohs(family == AF_INET6 ? reinterpret_cast<sockaddr_in6*>(&addr)->sin6_port
                                         : reinterpret_cast<sockaddr_in*>(&addr)->sin_port);
    ListenFd = fd;
}

TScriptedServer::~TScriptedServer() {
    if (ClientFd >= 0)
        ::close(ClientFd);
    if (ListenFd >= 0)
        ::close(ListenFd);
}

bool TScriptedServer::Accept(std::chrono::milliseconds timeout) {
    if (ClientFd >= 0)
        ::close(ClientFd);
    ClientFd = -1;
    PeerGone = false;
    Received.clear();
    pollfd pfd{ListenFd, POLLIN, 0};
    if (::poll(&pfd, 1, static_cast<int>(timeout.count())) <= 0)
        return false;
    ClientFd = ::accept4(ListenFd, nullptr, nullptr, SOCK_CLOEXEC);
    return ClientFd >= 0;
}

int TScriptedServer::TakeClient() {
    int fd = ClientFd;
    ClientFd = -1;
    return fd;
}

void TScriptedServer::Send(std::string_view bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        ssize_t n = ::send(ClientFd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno != EINTR)
            throw std::runtime_error("test server: send failed");
        sent += n > 0 ? static_cast<std::size_t>(n) : 0;
    }
}

void TScriptedServer::Close() {
    if (ClientFd >= 0)
        ::close(ClientFd);
    ClientFd = -1;
}

void TScriptedServer::Reset() {
    if (ClientFd < 0)
        return;
    linger hard{1, 0};
    ::setsockopt(ClientFd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
    Close();
}

void TScriptedServer::Poll() {
    char buffer[4096];
    while (ClientFd >= 0 && !PeerGone) {
        ssize_t n = ::recv(ClientFd, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n > 0)
            Received.append(buffer, static_cast<std::size_t>(n));
        else if (n == 0 || (errno != EAGAIN && errno != EINTR))
            PeerGone = true;
        else
            break;
    }
}

} // namespace lemnar
