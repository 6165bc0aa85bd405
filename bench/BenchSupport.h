#pragma once
// What the benchmarks share: the plain reference path of an offscreen
// terminal, and a one-shot loopback server.

#include "platform/OffscreenTerminal.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>

namespace lemnar::bench {

using TClock = std::chrono::steady_clock;
// Nothing in a benchmark may hang the run: every wait is bounded.
constexpr int TimeoutSeconds = 120;

// Glyphs painted with QPainter and every block copy done pixel by pixel, on
// both pictures.
inline void UseReferencePath(TOffscreenTerminal& term) {
    for (TQtSurface* surface : {&term.Pictures.Window, &term.Pictures.ScreenBitmap}) {
        surface->SetReferenceText(true);
        surface->SetReferenceCopy(true);
    }
    // Every change drawn on both pictures as it comes.
    term.Terminal.UsePlainPath(true);
}

// Every byte to fd, as far as the peer takes them.
inline void SendAll(int fd, const std::string& bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            return;
        sent += static_cast<std::size_t>(n);
    }
}

// A one-shot server on 127.0.0.1 with a thread of its own: accepts one
// client, notes when, and runs its script on the client's socket; Done tells
// a script that waits that it may stop.
class TLoopbackServer {
  public:
    explicit TLoopbackServer(std::function<void(TLoopbackServer& server, int client)> script)
        : Script(std::move(script)) {
        Listener = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof(address);
        if (Listener < 0 || bind(Listener, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
            listen(Listener, 1) != 0 ||
            getsockname(Listener, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            return;
        PortNumber = ntohs(address.sin_port);
        Worker = std::thread([this] { Serve(); });
    }
    ~TLoopbackServer() {
        Done = true;
        Join();
        if (Listener >= 0)
            close(Listener);
    }
    TLoopbackServer(const TLoopbackServer&) = delete;
    TLoopbackServer& operator=(const TLoopbackServer&) = delete;

    int Port() const { return PortNumber; }
    TClock::time_point Accepted() const { return AcceptedAt.load(); }
    // Waits until the script has ended.
    void Join() {
        if (Worker.joinable())
            Worker.join();
    }

    std::atomic<bool> Done{false};

  private:
    void Serve() {
        timeval limit{TimeoutSeconds, 0};
        setsockopt(Listener, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof(limit));
        const int client = accept(Listener, nullptr, nullptr);
        if (client < 0)
            return;
        AcceptedAt = TClock::now();
        setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof(limit));
        setsockopt(client, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof(limit));
        Script(*this, client);
        close(client);
    }

    std::function<void(TLoopbackServer&, int)> Script;
    std::atomic<TClock::time_point> AcceptedAt{};
    int Listener = -1;
    int PortNumber = 0;
    std::thread Worker;
};

// A script for TLoopbackServer: sends the bytes, closes its sending side and
// reads until the client has gone; closed is when that was.
inline std::function<void(TLoopbackServer&, int)> SendThenDrain(const std::string& bytes,
                                                                TClock::time_point& closed) {
    return [&bytes, &closed](TLoopbackServer&, int client) {
        SendAll(client, bytes);
        shutdown(client, SHUT_WR);
        char drain[4096];
        while (recv(client, drain, sizeof(drain), 0) > 0) {
        }
        closed = TClock::now();
    };
}

} // namespace lemnar::bench
