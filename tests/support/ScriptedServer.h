#pragma once
// A telnet peer on loopback for the engine, key and window tests. It listens
// on an ephemeral port, serves one client at a time, sends what the test
// gives it and records every byte it receives with its arrival time.
//
// Two ways to run it. Driven by the test thread, the test accepts, reads
// (Poll), closes and resets the client itself, at the points it wants to
// test. On a thread of its own (OwnThread), the server accepts each client
// in turn, greets it and reads it until it closes, while the test thread
// runs an event loop.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace lemnar::test {

using TClock = std::chrono::steady_clock;

struct TReceivedByte {
    char Byte;
    TClock::time_point At;
};

// Selects the server that runs on a thread of its own.
struct TOwnThread {};
inline constexpr TOwnThread OwnThread{};

class TScriptedServer {
  public:
    // Driven by the test thread; listens on 127.0.0.1, or on ::1 for
    // AF_INET6. Listening() tells whether that worked.
    explicit TScriptedServer(int family = 2 /* AF_INET */);
    // On its own thread, on 127.0.0.1; greeting is sent to each client as
    // soon as it is accepted. Throws when it cannot listen.
    explicit TScriptedServer(TOwnThread, std::string greeting = {});
    ~TScriptedServer();
    TScriptedServer(const TScriptedServer&) = delete;
    TScriptedServer& operator=(const TScriptedServer&) = delete;

    bool Listening() const { return ListenFd >= 0; }
    int Port() const { return BoundPort; }
    // The address as the host option takes it.
    std::string HostPort() const;

    // Test thread only: waits for the next client; the previous one is
    // closed first, so with unread bytes its close is a reset.
    bool Accept(std::chrono::milliseconds timeout = std::chrono::seconds(5));
    // Test thread only: hands the accepted client's descriptor over to the
    // caller, who reads and closes it from then on.
    int TakeClient();
    // Test thread only: records whatever the client has sent so far,
    // without waiting.
    void Poll();
    // Test thread only: closes the client with SO_LINGER 0, so it sees a
    // reset.
    void Reset();

    // false: no client is connected, or the send failed. On its own thread
    // the server is given a moment to accept a client that has just
    // connected.
    [[nodiscard]] bool Send(std::string_view bytes);
    // Ends the connection from this side: driven by the test thread, an
    // orderly close; on its own thread, a shutdown that its reader then sees.
    void Close();

    // A client has been accepted since the server started.
    bool Accepted() const;
    TClock::time_point AcceptedAt() const;
    // The current client's connection has ended, as a read saw it: the
    // client closed it, reset it, or Close did (on its own thread).
    bool PeerClosed() const;
    TClock::time_point PeerClosedAt() const;
    // What the current client has sent; a new client starts afresh.
    std::vector<TReceivedByte> Received() const;
    std::string ReceivedText() const;
    void ClearReceived();

  private:
    bool AcceptNext(std::chrono::milliseconds timeout);
    void Drop(bool reset);
    void Run();

    const bool OnOwnThread;
    const std::string Greeting;
    const int Family;
    int ListenFd = -1;
    int BoundPort = 0;
    std::atomic<bool> Stop{false};
    mutable std::mutex Mutex;
    std::condition_variable AcceptedChanged;
    int ClientFd = -1;
    bool HasAccepted = false;
    bool HasPeerClosed = false;
    TClock::time_point AcceptTime;
    TClock::time_point CloseTime;
    std::vector<TReceivedByte> Bytes;
    std::thread Thread;
};

// A port on loopback where nothing listens: connecting to it is refused.
// 0: no port could be found.
int RefusingPort();

} // namespace lemnar::test
