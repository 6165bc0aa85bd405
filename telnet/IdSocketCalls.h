#pragma once
// The socket calls the transport makes, behind one seam: the system's by
// default, and in tests a layer that makes them fail, return short or be
// interrupted on purpose. Every call keeps the system's contract (-1 and
// errno on failure).

#include <cstddef>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/types.h>

namespace lemnar {

class TIdSocketCalls {
  public:
    virtual ~TIdSocketCalls() = default;
    virtual int Socket(int domain, int type, int protocol);
    virtual int Connect(int fd, const sockaddr* addr, socklen_t addrLen);
    virtual int Poll(pollfd* fds, nfds_t count, int timeoutMs);
    virtual ssize_t Recv(int fd, void* buffer, std::size_t size, int flags);
    virtual ssize_t Send(int fd, const void* buffer, std::size_t size, int flags);
    virtual int GetSockOpt(int fd, int level, int name, void* value, socklen_t* size);
    virtual int SetSockOpt(int fd, int level, int name, const void* value, socklen_t size);
    virtual int Shutdown(int fd, int how);
    virtual int Close(int fd);
};

// The system's calls; shared by every connection.
TIdSocketCalls& SystemSocketCalls();

} // namespace lemnar
