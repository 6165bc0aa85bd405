#pragma once
// TCP client on POSIX sockets: a blocking connect with TCP_NODELAY, reads of
// one block at a time and whole-message writes.
//
// The socket may be used from two threads at once: one reader (ReadChunk)
// and any number of writers. Closing it shuts it down first, which wakes a
// blocked read or write; the descriptor itself is released only when the last
// call using it has returned, so a closing thread never pulls it from under
// another.

#include <functional>
#include <memory>
#include <mutex>
#include <string>

namespace lemnar {

class TIdTCPClient {
  public:
    using TNotifyEvent = std::function<void(TIdTCPClient& sender)>;

    TIdTCPClient();
    virtual ~TIdTCPClient();
    TIdTCPClient(const TIdTCPClient&) = delete;
    TIdTCPClient& operator=(const TIdTCPClient&) = delete;

    // Opens the connection to Host (which may carry ":PORT", else Port).
    // Raises EIdAlreadyConnected while a socket is open, EIdSocketError on
    // any failure; raises OnConnected on this thread before it returns.
    void OpenConnection();
    // True while the socket is open. Safe from any thread.
    bool IsConnected() const;
    // Waits until data or a close arrives and returns at most RecvBufferSize
    // bytes. After a close by the peer the result is empty: the socket is
    // closed and OnDisconnected raised. A receive error raises
    // EIdSocketError.
    std::string ReadChunk();
    // Raises EIdConnClosedGracefully once the connection is over.
    void CheckClosed() const;
    // Sends every byte, contiguous with respect to other writers. Raises
    // EIdConnClosedGracefully without a connection, EIdSocketError on failure.
    virtual void WriteBytes(const std::string& bytes);
    // Closes an open socket and raises OnDisconnected, once per socket.
    void CloseConnection();

    std::string Host;
    int Port = 23;
    int RecvBufferSize = 1024;
    TNotifyEvent OnConnected;
    TNotifyEvent OnDisconnected;

  protected:
    // Raises OnDisconnected; the telnet engine moves it to the window thread.
    virtual void DoOnDisconnected();
    // Takes the open socket out and shuts it down. True: this call closed it.
    bool DetachSocket();

  private:
    class TSocket;

    std::shared_ptr<TSocket> CurrentSocket() const;
    int ConnectSocket() const;

    mutable std::mutex SocketMutex;
    std::shared_ptr<TSocket> Socket;
    bool PeerClosed = false;
    std::mutex WriteMutex;
};

} // namespace lemnar
