#pragma once
// A loopback peer for streams, on a thread of its own: it sends what it is
// given, echoes what it reads if asked, reads at the pace it is set to (or
// not at all), and keeps every byte it receives. One client at a time; a new
// client starts afresh. Unlike the scripted server it keeps no time per byte,
// so it takes megabytes.

#include <atomic>
#include <chrono>
#include <cstddef>
#include <mutex>
#include <string>
#include <thread>

namespace lemnar::test {

class TStreamPeer {
  public:
    struct TOptions {
        std::string Send;                       // sent to each client once accepted
        bool Echo = false;                      // sends back what it reads, as a shell does
        bool Reading = true;                    // false: reads nothing until SetReading(true)
        std::size_t ReadChunk = 65536;          // bytes taken per read
        std::chrono::milliseconds ReadPause{0}; // between reads: a slow reader
        // SO_RCVBUF of accepted sockets; 0: the system's. A small one makes a
        // peer that stops reading hold the sender back sooner; a peer that
        // then reads on is best left with the system's.
        int ReceiveBuffer = 0;
    };

    explicit TStreamPeer(TOptions options);
    ~TStreamPeer();
    TStreamPeer(const TStreamPeer&) = delete;
    TStreamPeer& operator=(const TStreamPeer&) = delete;

    int Port() const { return BoundPort; }
    std::string HostPort() const;

    void SetReading(bool reading) { Reading = reading; }
    // Sends more to the current client.
    void Send(const std::string& bytes);
    // Ends the current client's connection: an orderly close.
    void Close() { CloseRequested = true; }

    bool Accepted() const { return AcceptedCount > 0; }
    int AcceptedClients() const { return AcceptedCount; }
    // The current client has closed or reset its side.
    bool PeerClosed() const { return ClientGone; }
    std::string Received() const;
    std::size_t ReceivedSize() const;
    // Every byte queued to the client has been handed to the socket.
    bool AllSent() const;

  private:
    void Run();
    void Serve(int client);

    const TOptions Options;
    int ListenFd = -1;
    int BoundPort = 0;
    std::atomic<bool> Stop{false};
    std::atomic<bool> Reading;
    std::atomic<bool> CloseRequested{false};
    std::atomic<int> AcceptedCount{0};
    std::atomic<bool> ClientGone{false};
    mutable std::mutex Mutex;
    std::string Incoming;
    std::string Outgoing; // still to send to the current client
    std::thread Thread;
};

} // namespace lemnar::test
