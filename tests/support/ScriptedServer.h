#pragma once
// A loopback server driven by the test thread: it accepts one client at a
// time, sends what the script says and records what the client sent.

#include <chrono>
#include <string>
#include <string_view>

namespace lemnar {

class TScriptedServer {
  public:
    // Listens on 127.0.0.1 (or ::1 for AF_INET6) on an ephemeral port.
    explicit TScriptedServer(int family = 2 /* AF_INET */);
    ~TScriptedServer();
    TScriptedServer(const TScriptedServer&) = delete;
    TScriptedServer& operator=(const TScriptedServer&) = delete;

    bool Listening() const { return ListenFd >= 0; }
    int Port() const { return BoundPort; }
    // Waits for the next client; the previous one is closed.
    bool Accept(std::chrono::milliseconds timeout = std::chrono::seconds(5));
    // Hands the accepted client's descriptor over to the caller.
    int TakeClient();
    void Send(std::string_view bytes);
    // Orderly close of the client.
    void Close();
    // Close with SO_LINGER 0: the client sees a reset.
    void Reset();
    // Reads whatever the client has sent so far, without waiting.
    void Poll();
    // True once the client closed its side (seen by Poll).
    bool ClientClosed() const { return PeerGone; }

    std::string Received;

  private:
    int ListenFd = -1;
    int ClientFd = -1;
    int BoundPort = 0;
    bool PeerGone = false;
};

} // namespace lemnar
