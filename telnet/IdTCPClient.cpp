#include "telnet/IdTCPClient.h"

#include "telnet/IdException.h"
#include "telnet/IdHostPort.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <strings.h>
#include <thread>

namespace lemnar {

struct TIdTCPClient::TAddress {
    sockaddr_storage Addr{};
    socklen_t Length = 0;
};

namespace {

struct TAddrInfoDeleter {
    void operator()(addrinfo* info) const { ::freeaddrinfo(info); }
};

using TAddrInfo = std::unique_ptr<addrinfo, TAddrInfoDeleter>;

// A name lookup on a thread of its own: it cannot be interrupted, so an
// abandoned attempt leaves it to finish by itself and lets go of the result.
struct TLookup {
    std::mutex Mutex;
    bool Done = false;
    int Code = 0;
    int Errno = 0;
    TAddrInfo Found;
};

bool IsRetry(int error) {
    return error == EINTR || error == EAGAIN || error == EWOULDBLOCK;
}

} // namespace

TIdTCPClient::TIdTCPClient(TIdMainThreadQueue& queue) : TIdConnection(queue) {}

TIdTCPClient::~TIdTCPClient() {
    Shut();
}

std::vector<TIdTCPClient::TAddress> TIdTCPClient::Resolve(const std::string& host, int port) {
    // "localhost" and dotted addresses need no lookup.
    sockaddr_in v4{};
    v4.sin_family = AF_INET;
    v4.sin_port = htons(static_cast<std::uint16_t>(port));
    const bool isLocalhost = ::strcasecmp(host.c_str(), "LOCALHOST") == 0;
    if (isLocalhost)
        v4.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (isLocalhost || ::inet_pton(AF_INET, host.c_str(), &v4.sin_addr) == 1) {
        TAddress address;
        std::memcpy(&address.Addr, &v4, sizeof v4);
        address.Length = sizeof v4;
        return {address};
    }
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    const std::string service = std::to_string(port);
    auto lookup = std::make_shared<TLookup>();
    // An IPv6 literal is answered at once; a name is looked up aside.
    addrinfo numeric = hints;
    numeric.ai_flags = AI_NUMERICHOST;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host.c_str(), service.c_str(), &numeric, &found) == 0) {
        lookup->Done = true;
        lookup->Found.reset(found);
    } else {
        std::thread([lookup, wake = SharedWakeup(), host, service, hints] {
            addrinfo* result = nullptr;
            const int code = ::getaddrinfo(host.c_str(), service.c_str(), &hints, &result);
            const int error = errno;
            {
                std::lock_guard lock(lookup->Mutex);
                lookup->Done = true;
                lookup->Code = code;
                lookup->Errno = error;
                lookup->Found.reset(result);
            }
            wake->Signal();
        }).detach();
    }
    for (;;) {
        {
            std::lock_guard lock(lookup->Mutex);
            if (lookup->Done)
                break;
        }
        pollfd wake{Wakeup().Fd(), POLLIN, 0};
        if (Calls->Poll(&wake, 1, -1) < 0 && !IsRetry(errno))
            throw EIdSocketError::FromErrno(errno);
        if (Stopping())
            return {};
        Wakeup().Clear();
    }
    if (lookup->Code == EAI_SYSTEM)
        throw EIdSocketError::FromErrno(lookup->Errno);
    if (lookup->Code != 0)
        throw EIdSocketError(lookup->Code, ::gai_strerror(lookup->Code));
    std::vector<TAddress> addresses;
    for (const addrinfo* info = lookup->Found.get(); info != nullptr; info = info->ai_next) {
        TAddress address;
        std::memcpy(&address.Addr, info->ai_addr, info->ai_addrlen);
        address.Length = info->ai_addrlen;
        addresses.push_back(address);
    }
    return addresses;
}

void TIdTCPClient::SetOptions(int fd) {
    const int one = 1;
    if (Calls->SetSockOpt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one) < 0)
        throw EIdSocketError::FromErrno(errno);
    if (AttemptKeepAlive <= 0)
        return;
    const int options[][3] = {{SOL_SOCKET, SO_KEEPALIVE, 1},
                              {IPPROTO_TCP, TCP_KEEPIDLE, AttemptKeepAlive},
                              {IPPROTO_TCP, TCP_KEEPINTVL, KeepAliveInterval},
                              {IPPROTO_TCP, TCP_KEEPCNT, KeepAliveProbes}};
    for (const auto& option : options) {
        if (Calls->SetSockOpt(fd, option[0], option[1], &option[2], sizeof option[2]) < 0)
            throw EIdSocketError::FromErrno(errno);
    }
}

int TIdTCPClient::FinishConnect(int fd) {
    for (;;) {
        pollfd fds[2] = {{Wakeup().Fd(), POLLIN, 0}, {fd, POLLOUT, 0}};
        if (Calls->Poll(fds, 2, -1) < 0) {
            if (IsRetry(errno))
                continue;
            return errno;
        }
        if (Stopping())
            return -1;
        if (fds[0].revents != 0)
            Wakeup().Clear();
        if (fds[1].revents == 0)
            continue;
        int error = 0;
        socklen_t size = sizeof error;
        if (Calls->GetSockOpt(fd, SOL_SOCKET, SO_ERROR, &error, &size) < 0)
            return errno;
        return error;
    }
}

int TIdTCPClient::TryConnect(const TAddress& address, int* error) {
    const auto* addr = reinterpret_cast<const sockaddr*>(&address.Addr);
    int fd = -1;
    do
        fd =
            Calls->Socket(addr->sa_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_TCP);
    while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        *error = errno;
        return -1;
    }
    try {
        SetOptions(fd);
    } catch (const EIdSocketError& e) {
        Calls->Close(fd);
        *error = e.LastError;
        return -1;
    }
    *error = 0;
    // There is no time limit here: the attempt lasts as long as the system's
    // own connect does, unless it is abandoned.
    if (Calls->Connect(fd, addr, address.Length) < 0)
        *error = errno == EINPROGRESS || IsRetry(errno) ? FinishConnect(fd) : errno;
    // A reset, unlike a refusal, comes after the handshake: the server took
    // the connection and dropped it at once. That is a connection, and its
    // end is what the first read reports.
    if (*error == ECONNRESET || *error == EPIPE)
        *error = 0;
    if (*error != 0) {
        Calls->Close(fd);
        return -1;
    }
    return fd;
}

bool TIdTCPClient::OpenConnection() {
    const TIdHostPort target = ParseHostPort(AttemptHost, AttemptPort);
    const std::vector<TAddress> addresses = Resolve(target.Host, target.Port);
    int error = EHOSTUNREACH;
    for (const TAddress& address : addresses) {
        if (Stopping())
            return false;
        const int fd = TryConnect(address, &error);
        if (fd >= 0) {
            Fd = fd;
            Closed = false;
            Writing.clear();
            Written = 0;
            return true;
        }
        if (error < 0)
            return false;
    }
    if (Stopping())
        return false;
    throw EIdSocketError::FromErrno(error);
}

bool TIdTCPClient::Flush() {
    for (;;) {
        if (Written == Writing.size()) {
            Writing.clear();
            Written = 0;
            const bool more = Outgoing().Take(Writing, Reached);
            QueueReached(Reached);
            if (!more)
                return true;
        }
        const ssize_t sent = Calls->Send(Fd, Writing.data() + Written, Writing.size() - Written,
                                         MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent > 0) {
            Written += static_cast<std::size_t>(sent);
            continue;
        }
        if (sent == 0 || IsRetry(errno))
            return true;
        return false;
    }
}

void TIdTCPClient::CloseSocket() {
    if (Fd < 0)
        return;
    Calls->Shutdown(Fd, SHUT_RDWR);
    Calls->Close(Fd);
    Fd = -1;
}

void TIdTCPClient::Fail(int error) {
    Closed = true;
    MarkPeerGone();
    CloseSocket();
    DoOnDisconnected();
    throw EIdSocketError::FromErrno(error);
}

std::optional<std::string> TIdTCPClient::ReadChunk() {
    if (Closed)
        throw EIdConnClosedGracefully();
    std::string block(static_cast<std::size_t>(RecvBufferSize > 0 ? RecvBufferSize : 1), '\0');
    for (;;) {
        if (Stopping())
            return std::nullopt;
        if (!Flush())
            Fail(errno);
        const bool room = HasRoom();
        if (room) {
            // While the server streams there is always something to read: the
            // wait below is only for when there is not. What the window
            // thread queues meanwhile goes out at the next Flush.
            const ssize_t received = Calls->Recv(Fd, block.data(), block.size(), MSG_DONTWAIT);
            if (received > 0) {
                block.resize(static_cast<std::size_t>(received));
                return block;
            }
            if (received == 0) {
                // Closed by the peer: what is still queued to send is dropped.
                Closed = true;
                MarkPeerGone();
                CloseSocket();
                DoOnDisconnected();
                return std::string();
            }
            if (!IsRetry(errno))
                Fail(errno);
        }
        const short events =
            static_cast<short>((room ? POLLIN : 0) | (Written < Writing.size() ? POLLOUT : 0));
        pollfd fds[2] = {{Wakeup().Fd(), POLLIN, 0}, {events != 0 ? Fd : -1, events, 0}};
        if (Calls->Poll(fds, 2, -1) < 0) {
            if (IsRetry(errno))
                continue;
            Fail(errno);
        }
        if (fds[0].revents != 0)
            Wakeup().Clear();
    }
}

void TIdTCPClient::CheckClosed() const {
    if (Closed || Fd < 0)
        throw EIdConnClosedGracefully();
}

void TIdTCPClient::CloseTransport() {
    CloseSocket();
    Closed = true;
    Writing.clear();
    Written = 0;
    Reached.clear();
}

} // namespace lemnar
