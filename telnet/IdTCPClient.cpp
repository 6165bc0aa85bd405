#include "telnet/IdTCPClient.h"

#include "telnet/IdException.h"
#include "telnet/IdHostPort.h"

#include <arpa/inet.h>
#include <cerrno>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace lemnar {

// An open descriptor; closed when the last user lets go of it.
class TIdTCPClient::TSocket {
  public:
    explicit TSocket(int fd) : Fd(fd) {}
    ~TSocket() { ::close(Fd); }
    TSocket(const TSocket&) = delete;
    TSocket& operator=(const TSocket&) = delete;

    const int Fd;
};

namespace {

struct TAddrInfoDeleter {
    void operator()(addrinfo* info) const { ::freeaddrinfo(info); }
};

// Waits for a blocking connect that a signal interrupted.
int FinishInterruptedConnect(int fd) {
    pollfd pfd{fd, POLLOUT, 0};
    while (::poll(&pfd, 1, -1) < 0) {
        if (errno != EINTR)
            return errno;
    }
    int error = 0;
    socklen_t size = sizeof error;
    if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) < 0)
        return errno;
    return error;
}

// Connects one address; returns the descriptor, or -1 with *error set.
int TryConnect(const sockaddr* addr, socklen_t addrLen, int* error) {
    int fd = ::socket(addr->sa_family, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
    if (fd < 0) {
        *error = errno;
        return -1;
    }
    int one = 1;
    int result = ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    *error = result < 0 ? errno : 0;
    if (*error == 0 && ::connect(fd, addr, addrLen) < 0)
        *error = errno == EINTR ? FinishInterruptedConnect(fd) : errno;
    if (*error != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace

TIdTCPClient::TIdTCPClient() = default;

TIdTCPClient::~TIdTCPClient() = default;

int TIdTCPClient::ConnectSocket() const {
    TIdHostPort target = ParseHostPort(Host, Port);
    int error = 0;
    // "localhost" and dotted addresses need no lookup.
    sockaddr_in v4{};
    v4.sin_family = AF_INET;
    v4.sin_port = htons(static_cast<std::uint16_t>(target.Port));
    bool isLocalhost = ::strcasecmp(target.Host.c_str(), "LOCALHOST") == 0;
    if (isLocalhost)
        v4.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (isLocalhost || ::inet_pton(AF_INET, target.Host.c_str(), &v4.sin_addr) == 1) {
        int fd = TryConnect(reinterpret_cast<const sockaddr*>(&v4), sizeof v4, &error);
        if (fd < 0)
            throw EIdSocketError::FromErrno(error);
        return fd;
    }
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    addrinfo* found = nullptr;
    std::string service = std::to_string(target.Port);
    int lookup = ::getaddrinfo(target.Host.c_str(), service.c_str(), &hints, &found);
    if (lookup == EAI_SYSTEM)
        throw EIdSocketError::FromErrno(errno);
    if (lookup != 0)
        throw EIdSocketError(lookup, ::gai_strerror(lookup));
    std::unique_ptr<addrinfo, TAddrInfoDeleter> list(found);
    for (addrinfo* info = found; info != nullptr; info = info->ai_next) {
        int fd = TryConnect(info->ai_addr, info->ai_addrlen, &error);
        if (fd >= 0)
            return fd;
    }
    throw EIdSocketError::FromErrno(error != 0 ? error : EHOSTUNREACH);
}

void TIdTCPClient::OpenConnection() {
    {
        std::lock_guard lock(SocketMutex);
        if (Socket)
            throw EIdAlreadyConnected();
    }
    int fd = ConnectSocket();
    {
        std::lock_guard lock(SocketMutex);
        Socket = std::make_shared<TSocket>(fd);
        PeerClosed = false;
    }
    if (OnConnected)
        OnConnected(*this);
}

bool TIdTCPClient::IsConnected() const {
    std::lock_guard lock(SocketMutex);
    return Socket != nullptr;
}

std::shared_ptr<TIdTCPClient::TSocket> TIdTCPClient::CurrentSocket() const {
    std::lock_guard lock(SocketMutex);
    return PeerClosed ? nullptr : Socket;
}

bool TIdTCPClient::DetachSocket() {
    std::shared_ptr<TSocket> socket;
    {
        std::lock_guard lock(SocketMutex);
        PeerClosed = true;
        socket.swap(Socket);
    }
    if (!socket)
        return false;
    ::shutdown(socket->Fd, SHUT_RDWR);
    return true;
}

std::string TIdTCPClient::ReadChunk() {
    std::shared_ptr<TSocket> socket = CurrentSocket();
    if (!socket)
        throw EIdConnClosedGracefully();
    std::string block(static_cast<std::size_t>(RecvBufferSize > 0 ? RecvBufferSize : 1), '\0');
    pollfd pfd{socket->Fd, POLLIN, 0};
    ssize_t received = -1;
    int error = 0;
    while (received < 0) {
        if (::poll(&pfd, 1, -1) >= 0)
            received = ::recv(socket->Fd, block.data(), block.size(), 0);
        error = errno;
        if (received < 0 && error != EINTR && error != EAGAIN)
            break;
    }
    socket.reset();
    if (received < 0)
        throw EIdSocketError::FromErrno(error);
    if (received > 0) {
        block.resize(static_cast<std::size_t>(received));
        return block;
    }
    // Closed by the peer, or shut down by CloseConnection: in that case the
    // socket is already gone and no second event is raised.
    if (DetachSocket())
        DoOnDisconnected();
    return {};
}

void TIdTCPClient::CheckClosed() const {
    std::lock_guard lock(SocketMutex);
    if (PeerClosed || !Socket)
        throw EIdConnClosedGracefully();
}

void TIdTCPClient::WriteBytes(const std::string& bytes) {
    if (bytes.empty())
        return;
    std::shared_ptr<TSocket> socket = CurrentSocket();
    if (!socket)
        throw EIdConnClosedGracefully();
    std::lock_guard lock(WriteMutex);
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        ssize_t result = ::send(socket->Fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (result < 0 && errno != EINTR)
            throw EIdSocketError::FromErrno(errno);
        if (result > 0)
            sent += static_cast<std::size_t>(result);
    }
}

void TIdTCPClient::CloseConnection() {
    if (DetachSocket())
        DoOnDisconnected();
}

void TIdTCPClient::DoOnDisconnected() {
    if (OnDisconnected)
        OnDisconnected(*this);
}

} // namespace lemnar
