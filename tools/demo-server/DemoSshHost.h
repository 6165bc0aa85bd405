#pragma once

#include <libssh/libssh.h>
#include <libssh/server.h>

#include <mutex>
#include <string>

namespace lemnar::demo {

// What the SSH mode shares between its connections: the host key (made at
// the first start, kept in a directory of the user's own in the temporary
// directory, so a client's known_hosts stays right from run to run) and the
// libssh bind that hands it to each session.
class TDemoSshHost {
  public:
    // The ways a client may log in: password and keyboard-interactive, each
    // accepting any user with the password Password.
    static constexpr const char* Password = "demo";
    static constexpr int AllMethods = SSH_AUTH_METHOD_PASSWORD | SSH_AUTH_METHOD_INTERACTIVE;

    TDemoSshHost() = default;
    ~TDemoSshHost();
    TDemoSshHost(const TDemoSshHost&) = delete;
    TDemoSshHost& operator=(const TDemoSshHost&) = delete;

    // "$TMPDIR/lemnar-demo-server-UID" (TMPDIR: /tmp when unset).
    static std::string DefaultKeyDir();
    // Loads keyDir/ssh_host_ed25519_key, making the directory and the key
    // first if they are not there. false: error says why.
    bool Open(const std::string& keyDir, std::string& error);
    // The host key's "SHA256:..." fingerprint.
    const std::string& Fingerprint() const { return KeyFingerprint; }
    // A server session on an accepted socket, which it then owns; nullptr if
    // that fails (the socket is closed).
    ssh_session Accept(int socket);

    int Methods = AllMethods;

  private:
    std::mutex Mutex; // libssh's bind is not shared between threads
    ssh_bind Bind = nullptr;
    std::string KeyFingerprint;
};

} // namespace lemnar::demo
