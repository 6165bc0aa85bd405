// lemnar-demo-server: a small telnet host that behaves like a QNX machine, for
// trying the terminal out and for end-to-end tests, and with --ssh the same
// over SSH. Listens on 127.0.0.1 only, unless --bind names another address.

#include "DemoServer.h"
#include "DemoSshConnection.h"
#include "DemoSshHost.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

std::atomic<bool> StopRequested{false};

extern "C" void OnStopSignal(int) {
    StopRequested.store(true);
}

void PrintUsage() {
    std::printf(
        "usage: lemnar-demo-server [--ssh [--key-dir DIR]] [--port N] [--bind ADDR] [--once]\n"
        "  --ssh          serve SSH instead of telnet: any user, password \"demo\"\n"
        "  --key-dir DIR  where the SSH host key is kept (made at the first start;\n"
        "                 default $TMPDIR/lemnar-demo-server-UID)\n"
        "  --port N       port to listen on (default 2323, 2222 with --ssh; 0 picks one)\n"
        "  --bind ADDR    numeric address to listen on (default 127.0.0.1)\n"
        "  --once         serve one connection, then exit\n");
}

bool ParsePort(const char* text, int& port) {
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || value < 0 || value > 65535) {
        return false;
    }
    port = static_cast<int>(value);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    std::string address = "127.0.0.1";
    int port = -1;
    bool once = false;
    bool ssh = false;
    std::string keyDir = lemnar::demo::TDemoSshHost::DefaultKeyDir();
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--port" && i + 1 < argc) {
            if (!ParsePort(argv[++i], port)) {
                std::fprintf(stderr, "bad port: %s\n", argv[i]);
                return 2;
            }
        } else if (arg == "--bind" && i + 1 < argc) {
            address = argv[++i];
        } else if (arg == "--once") {
            once = true;
        } else if (arg == "--ssh") {
            ssh = true;
        } else if (arg == "--key-dir" && i + 1 < argc) {
            keyDir = argv[++i];
        } else if (arg == "--help" || arg == "-h") {
            PrintUsage();
            return 0;
        } else {
            std::fprintf(stderr, "unknown option: %s\n", arg.c_str());
            PrintUsage();
            return 2;
        }
    }

    std::signal(SIGPIPE, SIG_IGN);
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);

    lemnar::demo::TDemoServer server;
    lemnar::demo::TDemoSshHost host;
    std::string error;
    if (ssh) {
        if (!host.Open(keyDir, error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
        server.Serve = [&host](int socket, const std::atomic<bool>& stop) {
            lemnar::demo::TDemoSshConnection(host, socket, stop).Run();
        };
    }
    if (port < 0) {
        port = ssh ? 2222 : 2323;
    }
    if (!server.Listen(address, port, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    std::printf("listening on %s\n", server.Endpoint().c_str());
    if (ssh) {
        std::printf("host key %s\n", host.Fingerprint().c_str());
    }
    std::fflush(stdout);
    server.Run(StopRequested, once);
    return 0;
}
