#pragma once
// A TCP proxy on loopback that misbehaves on purpose between the program and
// a server: it stalls for a while, drips one byte at a time, resets the
// connection part way, or half-closes it (the client sees the end, the server
// still hears the client). TBlackHole is a listener that accepts nothing: its
// accept queue is full, so a connect waits as for a host that never answers.

#include <atomic>
#include <chrono>
#include <cstddef>
#include <string>
#include <thread>

namespace lemnar::test {

enum class TProxyFault {
    None,
    Stall,     // after After bytes towards the client, nothing moves for StallFor
    Drip,      // every byte alone, both ways, a little apart
    Reset,     // after After bytes towards the client, a reset both ways
    HalfClose, // after After bytes towards the client, its direction ends
};

class TFaultProxy {
  public:
    struct TOptions {
        int TargetPort = 0;
        TProxyFault Fault = TProxyFault::None;
        std::size_t After = 0;
        std::chrono::milliseconds StallFor{500};
        std::chrono::microseconds DripGap{50};
    };

    explicit TFaultProxy(TOptions options);
    ~TFaultProxy();
    TFaultProxy(const TFaultProxy&) = delete;
    TFaultProxy& operator=(const TFaultProxy&) = delete;

    std::string HostPort() const;
    // Bytes forwarded towards the client so far.
    std::size_t ToClient() const { return ForwardedToClient; }
    // The fault has happened.
    bool Struck() const { return HasStruck; }

  private:
    void Run();
    // true: the fault closed the client's socket.
    bool Relay(int client, int server);

    const TOptions Options;
    int ListenFd = -1;
    int BoundPort = 0;
    std::atomic<bool> Stop{false};
    std::atomic<std::size_t> ForwardedToClient{0};
    std::atomic<bool> HasStruck{false};
    std::thread Thread;
};

class TBlackHole {
  public:
    TBlackHole();
    ~TBlackHole();
    TBlackHole(const TBlackHole&) = delete;
    TBlackHole& operator=(const TBlackHole&) = delete;
    std::string HostPort() const;

  private:
    int ListenFd = -1;
    int BoundPort = 0;
    int Fillers[3] = {-1, -1, -1};
};

} // namespace lemnar::test
