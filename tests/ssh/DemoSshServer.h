#pragma once
// The demo server in SSH mode on a thread of its own, with a fresh host key
// in a temporary directory, which also holds a HOME for the client.

#include "tools/demo-server/DemoServer.h"
#include "tools/demo-server/DemoSshConnection.h"
#include "tools/demo-server/DemoSshHost.h"

#include <atomic>
#include <filesystem>
#include <stdlib.h>
#include <string>
#include <system_error>
#include <thread>

namespace lemnar::test {

// methods: the ways of logging in it offers (SSH_AUTH_METHOD_PASSWORD,
// SSH_AUTH_METHOD_INTERACTIVE).
class TDemoSshServer {
  public:
    explicit TDemoSshServer(int methods) {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "lemnar_demo_ssh_XXXXXX").string();
        Dir = ::mkdtemp(pattern.data());
        Host.Methods = methods;
        std::string error;
        Ready = Host.Open((Dir / "keys").string(), error) && Server.Listen("127.0.0.1", 0, error);
        Error = error;
        Server.Serve = [this](int socket, const std::atomic<bool>& stop) {
            demo::TDemoSshConnection(Host, socket, stop).Run();
        };
        if (Ready)
            Thread = std::thread([this] { Server.Run(Stop, false); });
    }
    ~TDemoSshServer() {
        Stop = true;
        if (Thread.joinable())
            Thread.join();
        std::error_code ignored;
        std::filesystem::remove_all(Dir, ignored);
    }

    // "ssh://USER@127.0.0.1:PORT", or without "USER@" for an empty user.
    std::string Address(const std::string& user) const {
        return "ssh://" + (user.empty() ? "" : user + "@") +
               "127.0.0.1:" + std::to_string(Server.Port());
    }

    std::filesystem::path Dir;
    demo::TDemoSshHost Host;
    demo::TDemoServer Server;
    std::atomic<bool> Stop{false};
    std::thread Thread;
    bool Ready = false;
    std::string Error;
};

} // namespace lemnar::test
