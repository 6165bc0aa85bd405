#pragma once

#include "DemoSession.h"
#include "DemoSshHost.h"

#include <libssh/callbacks.h>

#include <atomic>
#include <chrono>
#include <string>

namespace lemnar::demo {

// Serves one accepted socket over SSH: key exchange, a login with the demo
// password (password or keyboard-interactive), a session channel with its
// PTY and shell request, then the demo application (TDemoSession::StartPlain)
// with window changes as resizes, until the goodbye, the client's close, an
// error or stop. libssh's callbacks do the work; one poll loop drives them.
class TDemoSshConnection {
  public:
    static constexpr std::chrono::seconds HandshakeLimit{30};
    static constexpr std::chrono::milliseconds PollStep{200};
    static constexpr std::chrono::minutes IdleLimit{30};
    static constexpr int MaxAuthFailures = 10;

    TDemoSshConnection(TDemoSshHost& host, int socket, const std::atomic<bool>& stop);
    ~TDemoSshConnection();
    TDemoSshConnection(const TDemoSshConnection&) = delete;
    TDemoSshConnection& operator=(const TDemoSshConnection&) = delete;

    void Run();

  private:
    // False: the client is gone.
    bool SendAll(const std::string& bytes);
    void Refused();

    static int OnPassword(ssh_session, const char* user, const char* password, void* self);
    static int OnMessage(ssh_session, ssh_message message, void* self);
    static ssh_channel OnChannelOpen(ssh_session session, void* self);
    static int OnPty(ssh_session, ssh_channel, const char* term, int width, int height, int, int,
                     void* self);
    static int OnShell(ssh_session, ssh_channel, void* self);
    static int OnData(ssh_session, ssh_channel, void* data, std::uint32_t length, int, void* self);
    static int OnWindowChange(ssh_session, ssh_channel, int width, int height, int, int,
                              void* self);
    static void OnEnd(ssh_session, ssh_channel, void* self);

    TDemoSshHost& Host;
    const std::atomic<bool>& Stop;
    ssh_session Session = nullptr;
    ssh_channel Channel = nullptr;
    ssh_server_callbacks_struct ServerCallbacks{};
    ssh_channel_callbacks_struct ChannelCallbacks{};
    TDemoSession Demo;
    std::string Terminal = "TTY";
    int Rows = TDemoSession::DefaultRows;
    int Cols = TDemoSession::DefaultCols;
    int Failures = 0;
    bool ShellStarted = false;
    bool Ended = false;
    std::chrono::steady_clock::time_point LastInput;
};

} // namespace lemnar::demo
