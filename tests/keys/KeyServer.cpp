#include "keys/KeyServer.h"

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace lemnar::test {

TKeyServer::TKeyServer() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        throw std::runtime_error("key server: no socket");
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof addr;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), size) < 0 || ::listen(fd, 4) < 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &size) < 0) {
        ::close(fd);
        throw std::runtime_error("key server: cannot listen");
    }
    BoundPort = ntohs(addr.sin_port);
    ListenFd = fd;
}

TKeyServer::~TKeyServer() {
    Close();
    ::close(ListenFd);
}

bool TKeyServer::Accept(std::chrono::milliseconds timeout) {
    pollfd pfd{ListenFd, POLLIN, 0};
    if (::poll(&pfd, 1, static_cast<int>(timeout.count())) <= 0)
        return false;
    ClientFd = ::accept4(ListenFd, nullptr, nullptr, SOCK_CLOEXEC);
    return ClientFd >= 0;
}

void TKeyServer::Send(std::string_view bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(ClientFd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno != EINTR)
            throw std::runtime_error("key server: send failed");
        sent += n > 0 ? static_cast<std::size_t>(n) : 0;
    }
}

void TKeyServer::Close() {
    if (ClientFd >= 0)
        ::close(ClientFd);
    ClientFd = -1;
}

void TKeyServer::Poll() {
    char buffer[4096];
    while (ClientFd >= 0 && !PeerGone) {
        const ssize_t n = ::recv(ClientFd, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n > 0)
            Received.append(buffer, static_cast<std::size_t>(n));
        else if (n == 0 || (errno != EAGAIN && errno != EINTR))
            PeerGone = true;
        else
            break;
    }
}

} // namespace lemnar::test
