#pragma once
// The demo QNX server as a child process on a free loopback port, and the
// helpers the end-to-end tests share: expected screen texts in code page 866
// and a login script on disk.

#include <QProcess>
#include <filesystem>
#include <string>
#include <string_view>

namespace lemnar::test {

class TDemoServerProcess {
  public:
    TDemoServerProcess() = default;
    ~TDemoServerProcess();
    TDemoServerProcess(const TDemoServerProcess&) = delete;
    TDemoServerProcess& operator=(const TDemoServerProcess&) = delete;

    // Starts the server with --port 0 and waits (at most 20 s) for its
    // "listening on" line. False: error says why.
    bool Start(std::string& error);
    int Port() const { return BoundPort; }
    // "127.0.0.1:PORT", as the h option takes it.
    std::string HostArg() const { return "127.0.0.1:" + std::to_string(BoundPort); }

  private:
    QProcess Process;
    int BoundPort = 0;
};

// UTF-8 text with Russian letters as the server's console bytes (code page
// 866); other characters must be ASCII.
std::string Cp866(std::string_view utf8);

// A login script: login, password, and nothing more.
void WriteLoginScript(const std::filesystem::path& path);

} // namespace lemnar::test
