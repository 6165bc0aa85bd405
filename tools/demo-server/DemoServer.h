#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace lemnar::demo {

// The listening socket and one thread per connection.
class TDemoServer {
  public:
    // Serves one accepted socket until it ends or stop is set, and closes it.
    using TServe = std::function<void(int socket, const std::atomic<bool>& stop)>;

    static constexpr std::size_t MaxConnections = 64;

    TDemoServer();
    ~TDemoServer();
    TDemoServer(const TDemoServer&) = delete;
    TDemoServer& operator=(const TDemoServer&) = delete;

    // Binds a numeric IPv4 or IPv6 address; port 0 picks a free one.
    // False: error says why.
    bool Listen(const std::string& address, int port, std::string& error);
    int Port() const { return BoundPort; }
    // "127.0.0.1:2323" or "[::1]:2323".
    std::string Endpoint() const;

    // Accepts and serves until stop is set; with once, serves the first
    // connection on this thread and returns when it ends. Joins every
    // connection thread before it returns.
    void Run(const std::atomic<bool>& stop, bool once);

    // Telnet (TDemoConnection) unless replaced before Run.
    TServe Serve;

  private:
    struct TWorker {
        std::thread Thread;
        std::shared_ptr<std::atomic<bool>> Done;
    };

    void Reap(bool all);

    int ListenSocket = -1;
    int BoundPort = 0;
    std::string Address;
    std::vector<TWorker> Workers;
};

} // namespace lemnar::demo
