#pragma once
// Socket calls that go wrong on purpose, at a given rate: interrupted
// (EINTR), not ready (EAGAIN), short (a read or write takes only part of
// what it could), or, once a number of bytes has been written, a write that
// fails with ECONNRESET or EPIPE after sending part of its bytes. Every call
// the transport makes can be hit: socket, connect, poll, recv, send.

#include "telnet/IdSocketCalls.h"

#include <atomic>
#include <cstddef>
#include <mutex>
#include <random>

namespace lemnar::test {

enum class TSocketFault { Eintr, Eagain, Short, ResetMidWrite, PipeMidWrite };

class TFaultySocketCalls : public TIdSocketCalls {
  public:
    // rate: the share of calls hit (0..1). The mid-write faults strike once,
    // on the write that passes failAfter bytes.
    TFaultySocketCalls(TSocketFault fault, double rate, std::size_t failAfter = 0,
                       unsigned seed = 1);

    int Socket(int domain, int type, int protocol) override;
    int Connect(int fd, const sockaddr* addr, socklen_t addrLen) override;
    int Poll(pollfd* fds, nfds_t count, int timeoutMs) override;
    ssize_t Recv(int fd, void* buffer, std::size_t size, int flags) override;
    ssize_t Send(int fd, const void* buffer, std::size_t size, int flags) override;

    // Calls that went wrong on purpose.
    std::size_t Hits() const { return HitCount; }

  private:
    bool Hit();
    // -1 with the fault's errno, for the faults that fail a call outright.
    int Fail();
    std::size_t ShortOf(std::size_t size);

    const TSocketFault Fault;
    const double Rate;
    const std::size_t FailAfter;
    std::mutex Mutex;
    std::mt19937 Random;
    std::atomic<std::size_t> HitCount{0};
    std::size_t Written = 0;
    bool Failed = false;
};

} // namespace lemnar::test
