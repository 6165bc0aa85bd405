#pragma once
// A real OpenSSH server for one test: /usr/sbin/sshd on a free loopback
// port, with a host key, sshd_config and authorized_keys of its own in a
// temporary directory, logging in the user who runs the tests. Beside them a
// HOME for the client whose .ssh the test fills, so nothing of the machine's
// own ~/.ssh is read. Started as root (as in CI), sshd needs its privilege
// separation directory, which is made if it is missing.

#include <filesystem>
#include <string>
#include <vector>

namespace lemnar::test {

// Runs a program and waits for it. Its exit status (-1: it could not run);
// out gets what it wrote to standard output.
int RunProgram(const std::vector<std::string>& argv, std::string* out = nullptr);

class TSshdProcess {
  public:
    struct TOptions {
        std::string HostKeyType = "ed25519"; // as ssh-keygen -t takes it
        std::vector<std::string> Config;     // more sshd_config lines; %D is Files()
    };

    explicit TSshdProcess(TOptions options);
    TSshdProcess() : TSshdProcess(TOptions{}) {}
    // Stops sshd and its sessions and removes every file.
    ~TSshdProcess();
    TSshdProcess(const TSshdProcess&) = delete;
    TSshdProcess& operator=(const TSshdProcess&) = delete;

    // false: error says why.
    bool Start(std::string& error);
    int Port() const { return BoundPort; }
    // The local user, whom the server logs in.
    std::string User() const;
    // "ssh://USER@127.0.0.1:PORT".
    std::string Address() const;
    // How known_hosts names this server: "[127.0.0.1]:PORT".
    std::string KnownHostsName() const;
    std::filesystem::path Home() const { return Dir / "home"; }
    std::filesystem::path SSHDir() const { return Home() / ".ssh"; }
    const std::filesystem::path& Files() const { return Dir; }
    // The host key's "SHA256:..." fingerprint.
    std::string HostFingerprint() const;
    // Makes the key SSHDir()/name (ssh-keygen -t type, with the passphrase)
    // and, when authorize holds, lets it log in.
    void AddClientKey(const std::string& type, const std::string& name,
                      const std::string& passphrase = "", bool authorize = true);
    // What sshd has logged (LogLevel VERBOSE).
    std::string Log() const;

  private:
    TOptions Options;
    std::filesystem::path Dir;
    int BoundPort = 0;
    int Pid = -1;
};

// A host key that is not the server's, as a known_hosts line for name.
std::string ForeignKnownHostsLine(const std::filesystem::path& scratch, const std::string& name,
                                  std::string& fingerprint);

} // namespace lemnar::test
