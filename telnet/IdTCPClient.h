#pragma once
// TCP transport on POSIX sockets. The connection's thread owns the socket: it
// connects (non-blocking, so Disconnect abandons the attempt at once), then
// reads one block at a time and writes what the send queue holds as the
// socket takes it. Nothing else touches the socket while that thread runs.
//
// The socket gets TCP_NODELAY, and TCP keep-alive (KeepAliveIdle seconds
// idle, then a probe every KeepAliveInterval seconds, KeepAliveProbes of
// them), so a server that has vanished is noticed as a failed read.

#include "telnet/IdConnection.h"
#include "telnet/IdSocketCalls.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace lemnar {

class TIdTCPClient : public TIdConnection {
  public:
    explicit TIdTCPClient(TIdMainThreadQueue& queue);
    ~TIdTCPClient() override;

    // The connection's thread: resolves and connects AttemptHost. Raises
    // EIdSocketError on any failure; false: abandoned by Disconnect.
    bool OpenConnection();
    // The connection's thread: writes what is queued while it waits for a
    // block of at most RecvBufferSize bytes, and returns it. After a close
    // by the peer the result is empty: the socket is closed and
    // DoOnDisconnected raised. Nothing: woken to stop, or without room to
    // read (the caller asks again). A failed read or write closes the
    // socket, raises DoOnDisconnected and raises EIdSocketError.
    std::optional<std::string> ReadChunk();
    // Raises EIdConnClosedGracefully once the peer has gone.
    void CheckClosed() const;

    int RecvBufferSize = 1024;
    static constexpr int KeepAliveInterval = 10;
    static constexpr int KeepAliveProbes = 6;
    // The socket calls; tests put a layer that injects faults here.
    TIdSocketCalls* Calls = &SystemSocketCalls();

  protected:
    // The peer has gone; raised on the connection's thread.
    virtual void DoOnDisconnected() {}
    void CloseTransport() override;
    // The connection's thread: the open socket (-1: none), and handing it
    // over to a protocol layer that closes it itself.
    int Socket() const { return Fd; }
    int ReleaseSocket() { return std::exchange(Fd, -1); }

  private:
    struct TAddress;
    std::vector<TAddress> Resolve(const std::string& host, int port);
    int TryConnect(const TAddress& address, int* error);
    // Waits for a non-blocking connect. 0, an errno value, or -1: abandoned.
    int FinishConnect(int fd);
    void SetOptions(int fd);
    // Writes until the socket would block. false: the write failed, errno
    // says why.
    bool Flush();
    [[noreturn]] void Fail(int error);
    void CloseSocket();

    int Fd = -1;
    bool Closed = false;     // the connection's thread: the peer has gone
    std::string Writing;     // the write under way
    std::size_t Written = 0; // of it
    std::vector<TIdSendQueue::TMarker> Reached;
};

} // namespace lemnar
