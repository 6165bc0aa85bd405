#include "support/FaultySocketCalls.h"

#include <cerrno>

namespace lemnar::test {

TFaultySocketCalls::TFaultySocketCalls(TSocketFault fault, double rate, std::size_t failAfter,
                                       unsigned seed)
    : Fault(fault), Rate(rate), FailAfter(failAfter), Random(seed) {}

bool TFaultySocketCalls::Hit() {
    std::lock_guard lock(Mutex);
    const bool hit = std::uniform_real_distribution<double>(0, 1)(Random) < Rate;
    HitCount += hit ? 1 : 0;
    return hit;
}

int TFaultySocketCalls::Fail() {
    errno = Fault == TSocketFault::Eintr ? EINTR : EAGAIN;
    return -1;
}

std::size_t TFaultySocketCalls::ShortOf(std::size_t size) {
    std::lock_guard lock(Mutex);
    return std::uniform_int_distribution<std::size_t>(1, size)(Random);
}

int TFaultySocketCalls::Socket(int domain, int type, int protocol) {
    if (Fault == TSocketFault::Eintr && Hit())
        return Fail();
    return TIdSocketCalls::Socket(domain, type, protocol);
}

int TFaultySocketCalls::Connect(int fd, const sockaddr* addr, socklen_t addrLen) {
    const int result = TIdSocketCalls::Connect(fd, addr, addrLen);
    // A signal that arrives while the connect is under way: the kernel goes
    // on with it.
    if ((Fault == TSocketFault::Eintr || Fault == TSocketFault::Eagain) && Hit()) {
        errno = EINTR;
        return -1;
    }
    return result;
}

int TFaultySocketCalls::Poll(pollfd* fds, nfds_t count, int timeoutMs) {
    if ((Fault == TSocketFault::Eintr || Fault == TSocketFault::Eagain) && Hit())
        return Fail();
    return TIdSocketCalls::Poll(fds, count, timeoutMs);
}

ssize_t TFaultySocketCalls::Recv(int fd, void* buffer, std::size_t size, int flags) {
    if ((Fault == TSocketFault::Eintr || Fault == TSocketFault::Eagain) && Hit())
        return Fail();
    if (Fault == TSocketFault::Short && size > 1 && Hit())
        size = ShortOf(size - 1);
    return TIdSocketCalls::Recv(fd, buffer, size, flags);
}

ssize_t TFaultySocketCalls::Send(int fd, const void* buffer, std::size_t size, int flags) {
    switch (Fault) {
    case TSocketFault::Eintr:
    case TSocketFault::Eagain:
        if (Hit())
            return Fail();
        break;
    case TSocketFault::Short:
        if (size > 1 && Hit())
            size = ShortOf(size - 1);
        break;
    case TSocketFault::ResetMidWrite:
    case TSocketFault::PipeMidWrite: {
        std::lock_guard lock(Mutex);
        if (Failed) {
            errno = Fault == TSocketFault::ResetMidWrite ? ECONNRESET : EPIPE;
            return -1;
        }
        if (Written + size > FailAfter) {
            // Part of the write leaves, then the connection fails under it.
            Failed = true;
            HitCount += 1;
            const std::size_t part = FailAfter - Written;
            if (part > 0)
                TIdSocketCalls::Send(fd, buffer, part, flags);
            Written += part;
            errno = Fault == TSocketFault::ResetMidWrite ? ECONNRESET : EPIPE;
            return -1;
        }
        break;
    }
    }
    const ssize_t sent = TIdSocketCalls::Send(fd, buffer, size, flags);
    if (sent > 0) {
        std::lock_guard lock(Mutex);
        Written += static_cast<std::size_t>(sent);
    }
    return sent;
}

} // namespace lemnar::test
