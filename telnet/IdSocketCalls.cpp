#include "telnet/IdSocketCalls.h"

#include <unistd.h>

namespace lemnar {

int TIdSocketCalls::Socket(int domain, int type, int protocol) {
    return ::socket(domain, type, protocol);
}

int TIdSocketCalls::Connect(int fd, const sockaddr* addr, socklen_t addrLen) {
    return ::connect(fd, addr, addrLen);
}

int TIdSocketCalls::Poll(pollfd* fds, nfds_t count, int timeoutMs) {
    return ::poll(fds, count, timeoutMs);
}

ssize_t TIdSocketCalls::Recv(int fd, void* buffer, std::size_t size, int flags) {
    return ::recv(fd, buffer, size, flags);
}

ssize_t TIdSocketCalls::Send(int fd, const void* buffer, std::size_t size, int flags) {
    return ::send(fd, buffer, size, flags);
}

int TIdSocketCalls::GetSockOpt(int fd, int level, int name, void* value, socklen_t* size) {
    return ::getsockopt(fd, level, name, value, size);
}

int TIdSocketCalls::SetSockOpt(int fd, int level, int name, const void* value, socklen_t size) {
    return ::setsockopt(fd, level, name, value, size);
}

int TIdSocketCalls::Shutdown(int fd, int how) {
    return ::shutdown(fd, how);
}

int TIdSocketCalls::Close(int fd) {
    return ::close(fd);
}

TIdSocketCalls& SystemSocketCalls() {
    static TIdSocketCalls calls;
    return calls;
}

} // namespace lemnar
