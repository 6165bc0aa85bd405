#pragma once
// The libssh session and channel of one SSH connection, used by the
// connection's thread alone. libssh runs non-blocking on the connected socket;
// every wait is the connection's own poll over the socket and the wakeup, so
// Disconnect ends any of them at once.

#include "ssh/IdSSHAddress.h"
#include "ssh/IdSSHQuestion.h"
#include "telnet/IdConnection.h"

#include <libssh/libssh.h>

#include <optional>
#include <string>

namespace lemnar {

class TIdSSHClient;

// Raised on the connection's thread when the connection is being abandoned.
struct TIdSSHStopped {};

// Raised on the connection's thread when the attempt fails at a step.
struct TIdSSHFailed {
    TIdConnectFailure Failure;
};

[[noreturn]] void FailAt(TIdConnectStep step, std::string detail);

// The files of the user running the program that a connection reads.
struct TIdSSHFiles {
    std::string SSHDir;     // ~/.ssh: the default keys
    std::string KnownHosts; // ~/.ssh/known_hosts, or the config's UserKnownHostsFile
};

class TIdSSHSession {
  public:
    // Takes fd over: the session closes it. Raises TIdSSHFailed.
    TIdSSHSession(TIdSSHClient& owner, int fd, const TIdSSHAddress& target,
                  const TIdSSHFiles& files);
    // Closes the channel and the session; sends their closes if the socket
    // takes them at once, and never waits.
    ~TIdSSHSession();
    TIdSSHSession(const TIdSSHSession&) = delete;
    TIdSSHSession& operator=(const TIdSSHSession&) = delete;

    ssh_session Handle() const { return Session; }
    ssh_channel Channel() const { return ShellChannel; }
    int Fd() const { return ssh_get_fd(Session); }
    // libssh's last error, in English.
    std::string Error() const;
    // The socket events libssh waits for: input, and output while it holds
    // bytes the socket has not taken.
    short Events() const;
    bool WritePending() const;

    // Calls call again, waiting on the socket between calls, for as long as
    // it answers again. Raises TIdSSHStopped when the connection stops.
    template <typename TCall> int Drive(TCall call, int again = SSH_AGAIN) {
        for (;;) {
            const int rc = call();
            if (rc != again)
                return rc;
            Wait(Events());
        }
    }
    // Waits for events on the socket (none: only the wakeup); raises
    // TIdSSHStopped when the connection stops.
    void Wait(short events);
    // Raises TIdSSHStopped when the connection stops.
    void CheckStopped();
    // Asks a person through the window thread. Nothing: nobody can be asked
    // (quiet mode, no handler). Raises TIdSSHStopped when the connection
    // stops meanwhile.
    std::optional<TIdSSHAnswer> Ask(TIdSSHQuestion question);
    bool CanAsk() const { return AskAllowed; }
    void SetCanAsk(bool allowed) { AskAllowed = allowed; }
    // A socket of libssh's own (the agent's) that Disconnect shuts down.
    void AddInterruptible(int fd);
    // Tells the window thread which key the server offered.
    void PublishHostKey(const TIdSSHHostKey& key);

    // The key exchange. Raises TIdSSHFailed (Unreachable) when it fails.
    void Handshake();
    // The algorithms the key exchange chose.
    const std::string& KeyExchange() const { return NegotiatedKex; }
    const std::string& HostKeyAlgorithm() const { return NegotiatedHostKey; }
    // Opens the session channel with a PTY of the terminal type and size,
    // and a shell in it. Raises TIdSSHFailed (Channel).
    void OpenShell(const std::string& terminal, int columns, int rows);

    const TIdSSHAddress Target;
    const TIdSSHFiles Files;

  private:
    static void OnLog(int priority, const char* function, const char* text, void* self);
    void Configure();

    TIdSSHClient& Client;
    ssh_session Session = nullptr;
    ssh_channel ShellChannel = nullptr;
    int GivenFd = -1;
    bool Started = false; // ssh_connect has run: libssh holds the socket
    std::string NegotiatedKex;
    std::string NegotiatedHostKey;
    bool AskAllowed = true;
};

} // namespace lemnar
