#include "DemoServer.h"

#include "DemoConnection.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace lemnar::demo {

TDemoServer::TDemoServer()
    : Serve(
          [](int socket, const std::atomic<bool>& stop) { TDemoConnection(socket, stop).Run(); }) {}

TDemoServer::~TDemoServer() {
    Reap(true);
    if (ListenSocket >= 0) {
        close(ListenSocket);
    }
}

bool TDemoServer::Listen(const std::string& address, int port, std::string& error) {
    if (port < 0 || port > 65535) {
        error = "port out of range";
        return false;
    }
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICHOST | AI_NUMERICSERV | AI_PASSIVE;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(port);
    const int status = getaddrinfo(address.c_str(), service.c_str(), &hints, &found);
    if (status != 0 || found == nullptr) {
        error = "bad address " + address + ": " + gai_strerror(status);
        return false;
    }
    const int fd = socket(found->ai_family, found->ai_socktype | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        error = std::string("socket: ") + std::strerror(errno);
        freeaddrinfo(found);
        return false;
    }
    const int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    if (bind(fd, found->ai_addr, found->ai_addrlen) != 0 || listen(fd, 16) != 0) {
        error = "cannot listen on " + address + ":" + service + ": " + std::strerror(errno);
        freeaddrinfo(found);
        close(fd);
        return false;
    }
    const bool isV6 = found->ai_family == AF_INET6;
    freeaddrinfo(found);

    sockaddr_storage bound{};
    socklen_t length = sizeof bound;
    getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &length);
    BoundPort = isV6 ? ntohs(reinterpret_cast<sockaddr_in6*>(&bound)->sin6_port)
                     : ntohs(reinterpret_cast<sockaddr_in*>(&bound)->sin_port);
    Address = address;
    ListenSocket = fd;
    return true;
}

std::string TDemoServer::Endpoint() const {
    const bool isV6 = Address.find(':') != std::string::npos;
    return (isV6 ? "[" + Address + "]" : Address) + ":" + std::to_string(BoundPort);
}

void TDemoServer::Run(const std::atomic<bool>& stop, bool once) {
    while (!stop.load()) {
        pollfd entry{ListenSocket, POLLIN, 0};
        const int ready = poll(&entry, 1, static_cast<int>(TDemoConnection::PollStep.count()));
        Reap(false);
        if (ready <= 0) {
            continue;
        }
        const int client = accept4(ListenSocket, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) {
            continue;
        }
        if (once) {
            Serve(client, stop);
            break;
        }
        if (Workers.size() >= MaxConnections) {
            std::fprintf(stderr, "too many connections, one refused\n");
            close(client);
            continue;
        }
        auto done = std::make_shared<std::atomic<bool>>(false);
        Workers.push_back({std::thread([this, client, &stop, done] {
                               Serve(client, stop);
                               done->store(true);
                           }),
                           done});
    }
    Reap(true);
}

void TDemoServer::Reap(bool all) {
    for (auto it = Workers.begin(); it != Workers.end();) {
        if (all || it->Done->load()) {
            it->Thread.join();
            it = Workers.erase(it);
        } else {
            ++it;
        }
    }
}

} // namespace lemnar::demo
