#include "support/StreamPeer.h"

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace lemnar::test {

namespace {

constexpr int PollMs = 5;
// An echoing peer stops reading while this much echo waits to be sent, as a
// shell blocked on its terminal does.
constexpr std::size_t EchoBacklog = 64 * 1024;

} // namespace

TStreamPeer::TStreamPeer(TOptions options) : Options(std::move(options)), Reading(Options.Reading) {
    ListenFd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof addr;
    // Set before listening, so the window is scaled to it from the start.
    if (Options.ReceiveBuffer > 0)
        ::setsockopt(ListenFd, SOL_SOCKET, SO_RCVBUF, &Options.ReceiveBuffer,
                     sizeof Options.ReceiveBuffer);
    if (ListenFd < 0 || ::bind(ListenFd, reinterpret_cast<sockaddr*>(&addr), size) < 0 ||
        ::listen(ListenFd, 4) < 0 ||
        ::getsockname(ListenFd, reinterpret_cast<sockaddr*>(&addr), &size) < 0)
        throw std::runtime_error("the stream peer cannot listen");
    BoundPort = ntohs(addr.sin_port);
    Thread = std::thread([this] { Run(); });
}

TStreamPeer::~TStreamPeer() {
    Stop = true;
    Thread.join();
    ::close(ListenFd);
}

std::string TStreamPeer::HostPort() const {
    return "127.0.0.1:" + std::to_string(BoundPort);
}

void TStreamPeer::Send(const std::string& bytes) {
    std::lock_guard lock(Mutex);
    Outgoing += bytes;
}

std::string TStreamPeer::Received() const {
    std::lock_guard lock(Mutex);
    return Incoming;
}

std::size_t TStreamPeer::ReceivedSize() const {
    std::lock_guard lock(Mutex);
    return Incoming.size();
}

bool TStreamPeer::AllSent() const {
    std::lock_guard lock(Mutex);
    return Outgoing.empty();
}

void TStreamPeer::Run() {
    while (!Stop) {
        pollfd listener{ListenFd, POLLIN, 0};
        if (::poll(&listener, 1, PollMs) <= 0)
            continue;
        const int client = ::accept4(ListenFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (client < 0)
            continue;
        {
            std::lock_guard lock(Mutex);
            Incoming.clear();
            Outgoing = Options.Send;
        }
        ClientGone = false;
        CloseRequested = false;
        ++AcceptedCount;
        Serve(client);
        ::close(client);
    }
}

void TStreamPeer::Serve(int client) {
    std::string chunk(Options.ReadChunk, '\0');
    auto lastRead = std::chrono::steady_clock::now();
    while (!Stop && !ClientGone) {
        if (CloseRequested) {
            ::shutdown(client, SHUT_RDWR);
            ClientGone = true;
            return;
        }
        std::size_t pending = 0;
        {
            std::lock_guard lock(Mutex);
            pending = Outgoing.size();
        }
        const bool paced = std::chrono::steady_clock::now() - lastRead >= Options.ReadPause;
        const bool read = Reading && paced && (!Options.Echo || pending < EchoBacklog);
        pollfd p{client, static_cast<short>((read ? POLLIN : 0) | (pending > 0 ? POLLOUT : 0)), 0};
        if (::poll(&p, 1, PollMs) <= 0)
            continue;
        if ((p.revents & POLLOUT) != 0) {
            std::lock_guard lock(Mutex);
            const ssize_t n = ::send(client, Outgoing.data(), Outgoing.size(), MSG_NOSIGNAL);
            if (n > 0)
                Outgoing.erase(0, static_cast<std::size_t>(n));
            else if (n < 0 && errno != EAGAIN && errno != EINTR)
                ClientGone = true;
        }
        if (read && (p.revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
            const ssize_t n = ::recv(client, chunk.data(), chunk.size(), 0);
            if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) {
                ClientGone = true;
            } else if (n > 0) {
                lastRead = std::chrono::steady_clock::now();
                std::lock_guard lock(Mutex);
                Incoming.append(chunk.data(), static_cast<std::size_t>(n));
                if (Options.Echo)
                    Outgoing.append(chunk.data(), static_cast<std::size_t>(n));
            }
        }
    }
}

} // namespace lemnar::test
