#pragma once
// A loopback server for the key tests, driven by the test thread: it takes
// one client and records every byte the client sends.

#include <chrono>
#include <string>
#include <string_view>

namespace lemnar::test {

class TKeyServer {
  public:
    // Listens on 127.0.0.1 on an ephemeral port.
    TKeyServer();
    ~TKeyServer();
    TKeyServer(const TKeyServer&) = delete;
    TKeyServer& operator=(const TKeyServer&) = delete;

    int Port() const { return BoundPort; }
    // Accepts the client that has connected (connects complete in the
    // listen queue, before this is called). False: none within the timeout.
    bool Accept(std::chrono::milliseconds timeout);
    void Send(std::string_view bytes);
    // Orderly close: the client sees the end of the stream.
    void Close();
    // Reads what has arrived so far into Received, without waiting.
    void Poll();
    bool ClientClosed() const { return PeerGone; }

    std::string Received;

  private:
    int ListenFd = -1;
    int ClientFd = -1;
    int BoundPort = 0;
    bool PeerGone = false;
};

} // namespace lemnar::test
