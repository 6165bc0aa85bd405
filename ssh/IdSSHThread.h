#pragma once
// The thread of one SSH connection. It connects, opens the session (the key
// exchange, the host key, the login, a PTY and a shell), and then reads
// blocks for the window thread and writes what the send queue holds until
// the connection ends. It alone touches the libssh session and channel, and
// it closes them before it ends.

#include "ssh/IdSecret.h"
#include "telnet/IdSendQueue.h"
#include "telnet/IdThread.h"

#include <libssh/callbacks.h>

#include <memory>
#include <string>
#include <vector>

namespace lemnar {

class TIdSSHClient;
class TIdSSHSession;

class TIdSSHThread : public TIdThread {
  public:
    // What the window thread gave the attempt when it started.
    struct TAttempt {
        std::string Login;
        TIdSecret Password;
        bool CanAsk = false;
    };

    TIdSSHThread(TIdSSHClient& owner, TAttempt attempt);
    // Stops and joins; the owner must have woken it so a wait returns.
    ~TIdSSHThread() override;

  protected:
    // The whole connection in one call.
    void Run() override;

  private:
    // Nothing: abandoned while connecting.
    std::unique_ptr<TIdSSHSession> Open();
    void LogIn(TIdSSHSession& session);
    // Reads and writes until the connection ends or stops.
    void Serve(TIdSSHSession& session);
    // Writes what is queued as far as the channel takes it. false: the
    // session failed.
    bool Flush(TIdSSHSession& session);
    // Sends the window-change a resize asked for, if one did; false: the
    // session failed.
    bool SendResize(TIdSSHSession& session);
    // Whether Flush would write something now.
    bool CanWrite(TIdSSHSession& session);
    // The peer has gone: the window thread is told, then gets one empty
    // block, as after telnet's close.
    void PeerClosed();

    // libssh hands the channel's data (stdout and stderr alike) to OnData as
    // it reads it; it is held here, at most IncomingLimit bytes, and handed
    // to the window thread in blocks. Past the limit libssh keeps it, and the
    // server's window stops growing.
    static int OnData(ssh_session session, ssh_channel channel, void* data, std::uint32_t length,
                      int isStderr, void* self);
    // The next block of at most size bytes from Incoming. false: none.
    bool TakeIncoming(std::string& block, std::size_t size);
    static constexpr std::size_t IncomingLimit = 64 * 1024;

    TIdSSHClient& Owner;
    TAttempt Attempt;
    ssh_channel_callbacks_struct Callbacks{};
    std::string Incoming;
    std::size_t IncomingFrom = 0; // what was handed on
    std::string Writing;          // the write under way
    std::size_t Written = 0;      // of it
    std::vector<TIdSendQueue::TMarker> Reached;
};

} // namespace lemnar
