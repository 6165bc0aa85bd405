#pragma once
// A telnet peer on loopback for the window tests: it accepts one connection
// at a time on an ephemeral port, records every byte it receives with its
// arrival time, sends what the test gives it, and can close the connection.

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace lemnar::test {

using TClock = std::chrono::steady_clock;

struct TReceivedByte {
    char Byte;
    TClock::time_point At;
};

class TScriptedServer {
  public:
    // greeting: sent as soon as a connection is accepted.
    explicit TScriptedServer(std::string greeting = {});
    ~TScriptedServer();
    TScriptedServer(const TScriptedServer&) = delete;
    TScriptedServer& operator=(const TScriptedServer&) = delete;

    int Port() const { return ListenPort; }
    std::string HostPort() const { return "127.0.0.1:" + std::to_string(ListenPort); }

    bool Accepted() const;
    TClock::time_point AcceptedAt() const;
    // The connection has ended: the client closed it, or Close did.
    bool PeerClosed() const;
    TClock::time_point PeerClosedAt() const;
    std::vector<TReceivedByte> Received() const;
    std::string ReceivedText() const;

    // false: no connection is open.
    bool Send(const std::string& bytes);
    // Closes the accepted connection from this side.
    void Close();

  private:
    void Run();
    void Serve(int fd);

    int ListenPort = 0; // before ListenFd, whose initialiser sets it
    int ListenFd = -1;
    std::string Greeting;
    std::atomic<bool> Stop{false};
    mutable std::mutex Mutex;
    int ClientFd = -1;
    bool HasAccepted = false;
    bool HasPeerClosed = false;
    TClock::time_point AcceptTime;
    TClock::time_point CloseTime;
    std::vector<TReceivedByte> Bytes;
    std::thread Thread;
};

// A port on loopback where nothing listens: connecting to it is refused.
int RefusingPort();

} // namespace lemnar::test
