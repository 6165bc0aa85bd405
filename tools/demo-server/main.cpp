// lemnar-demo-server: a small telnet host that behaves like a QNX machine, for
// trying the terminal out and for end-to-end tests. Listens on 127.0.0.1 only,
// unless --bind names another address.

#include "DemoServer.h"

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
    std::printf("usage: lemnar-demo-server [--port N] [--bind ADDR] [--once]\n"
                "  --port N     port to listen on (default 2323; 0 picks a free one)\n"
                "  --bind ADDR  numeric address to listen on (default 127.0.0.1)\n"
                "  --once       serve one connection, then exit\n");
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
    int port = 2323;
    bool once = false;
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
    std::string error;
    if (!server.Listen(address, port, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    std::printf("listening on %s\n", server.Endpoint().c_str());
    std::fflush(stdout);
    server.Run(StopRequested, once);
    return 0;
}
