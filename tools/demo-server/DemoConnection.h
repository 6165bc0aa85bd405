#pragma once

#include <atomic>
#include <chrono>
#include <string>

namespace lemnar::demo {

// Serves one accepted socket with a TDemoSession until the goodbye, the client's
// close, an error, a long silence or stop. Owns and closes the socket.
class TDemoConnection {
  public:
    static constexpr std::chrono::milliseconds TerminalTypeWait{2000};
    static constexpr std::chrono::minutes IdleLimit{30};
    static constexpr std::chrono::milliseconds PollStep{200};

    TDemoConnection(int socket, const std::atomic<bool>& stop);
    ~TDemoConnection();
    TDemoConnection(const TDemoConnection&) = delete;
    TDemoConnection& operator=(const TDemoConnection&) = delete;

    void Run();

  private:
    // False: the client is gone.
    bool SendAll(const std::string& bytes);
    void Linger();

    int Socket;
    const std::atomic<bool>& Stop;
};

} // namespace lemnar::demo
