#include "tools/demo-server/Cp866.h"
#include "tools/demo-server/DemoServer.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <chrono>
#include <future>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace lemnar::demo {
namespace {

using namespace std::chrono_literals;
using namespace std::string_literals;

constexpr auto ReadLimit = 5s;

// A raw TCP client on 127.0.0.1 that plays the terminal's part byte by byte.
class TRawClient {
  public:
    explicit TRawClient(int port) {
        Socket = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<std::uint16_t>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        Connected = connect(Socket, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    }
    ~TRawClient() {
        if (Socket >= 0) {
            close(Socket);
        }
    }
    TRawClient(const TRawClient&) = delete;
    TRawClient& operator=(const TRawClient&) = delete;

    bool Connected = false;

    void Send(const std::string& bytes) {
        ASSERT_EQ(send(Socket, bytes.data(), bytes.size(), MSG_NOSIGNAL),
                  static_cast<ssize_t>(bytes.size()));
    }

    // Reads until the received bytes hold needle; false at the time limit or EOF.
    bool ReadUntil(const std::string& needle) {
        const auto deadline = std::chrono::steady_clock::now() + ReadLimit;
        while (Received.find(needle) == std::string::npos) {
            if (!ReadSome(deadline)) {
                return false;
            }
        }
        return true;
    }

    // True when the server closes the connection before the time limit.
    bool ReadUntilClosed() {
        const auto deadline = std::chrono::steady_clock::now() + ReadLimit;
        while (ReadSome(deadline)) {
        }
        return Closed;
    }

    // Closes with a reset instead of an orderly close.
    void Reset() {
        linger hard{1, 0};
        setsockopt(Socket, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
        close(Socket);
        Socket = -1;
    }

    std::string Take() { return std::exchange(Received, {}); }

  private:
    bool ReadSome(std::chrono::steady_clock::time_point deadline) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            return false;
        }
        pollfd entry{Socket, POLLIN, 0};
        if (poll(&entry, 1, static_cast<int>(left.count())) <= 0) {
            return false;
        }
        char buffer[4096];
        const ssize_t n = recv(Socket, buffer, sizeof buffer, 0);
        if (n <= 0) {
            Closed = true;
            return false;
        }
        Received.append(buffer, static_cast<std::size_t>(n));
        return true;
    }

    int Socket = -1;
    bool Closed = false;
    std::string Received;
};

const std::string TerminalTypeSend = "\xFF\xFA\x18\x01\xFF\xF0"s;

// The answers of a QNX terminal of 80 x 25 to the server's opening.
const std::string QnxAnswers = "\xFF\xFB\x18"
                               "\xFF\xFB\x1F\xFF\xFA\x1F\x00\x50\x00\x19\xFF\xF0"
                               "\xFF\xFD\x01"
                               "\xFF\xFE\x03"
                               "\xFF\xFA\x18\x00QNX\xFF\xF0"s;

class DemoServerLoopback : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(Server.Listen("127.0.0.1", 0, error)) << error;
        ASSERT_GT(Server.Port(), 0);
        Running = std::async(std::launch::async, [this] { Server.Run(Stop, false); });
    }
    void TearDown() override {
        Stop.store(true);
        if (Running.valid()) {
            EXPECT_EQ(Running.wait_for(5s), std::future_status::ready);
        }
    }

    // Negotiates as a QNX terminal and logs in; true when the menu is drawn.
    bool LogIn(TRawClient& client) {
        if (!client.Connected || !client.ReadUntil(TerminalTypeSend)) {
            return false;
        }
        client.Send(QnxAnswers);
        if (!client.ReadUntil("login: ")) {
            return false;
        }
        client.Send("demo\r");
        if (!client.ReadUntil("Password: ")) {
            return false;
        }
        client.Send("secret\r"s);
        return client.ReadUntil(EncodeCp866("Размер: 80x25"));
    }

    TDemoServer Server;
    std::atomic<bool> Stop{false};
    std::future<void> Running;
};

TEST_F(DemoServerLoopback, ServesAQnxTerminalFromNegotiationToGoodbye) {
    TRawClient client(Server.Port());
    ASSERT_TRUE(client.Connected);
    ASSERT_TRUE(client.ReadUntil(TerminalTypeSend));
    EXPECT_EQ(client.Take(),
              "\xFF\xFD\x18\xFF\xFD\x1F\xFF\xFB\x01\xFF\xFB\x03"s + TerminalTypeSend);

    client.Send(QnxAnswers);
    ASSERT_TRUE(client.ReadUntil("login: "));
    client.Send("demo\r");
    ASSERT_TRUE(client.ReadUntil("demo\r\nPassword: "));
    client.Send("secret\r\0"s);
    ASSERT_TRUE(client.ReadUntil(EncodeCp866("Терминал: QNX  Размер: 80x25")));
    const std::string menu = client.Take();
    EXPECT_NE(menu.find(EncodeCp866("Главное меню")), std::string::npos);
    EXPECT_NE(menu.find("\x1B="), std::string::npos);
    EXPECT_NE(menu.find("\xC9"), std::string::npos); // double frame corner
    EXPECT_EQ(menu.find("secret"), std::string::npos);

    client.Send("\xFF\xFF\x82"s); // F2
    ASSERT_TRUE(client.ReadUntil(EncodeCp866("сервер - Цвета")));
    client.Send("\xFF\xFF\x8A"s); // F10
    EXPECT_TRUE(client.ReadUntil(EncodeCp866("До свидания!")));
    EXPECT_TRUE(client.ReadUntilClosed());
}

TEST_F(DemoServerLoopback, OutlivesGarbageAndResetsAndServesOthersMeanwhile) {
    TRawClient steady(Server.Port());
    ASSERT_TRUE(LogIn(steady));

    std::string garbage;
    for (int i = 0; i < 70000; ++i) {
        garbage.push_back(static_cast<char>((i * 2654435761u) >> 13));
    }
    {
        TRawClient noisy(Server.Port());
        ASSERT_TRUE(noisy.Connected);
        noisy.Send(garbage);
        noisy.Reset();
    }
    {
        TRawClient loggedIn(Server.Port());
        ASSERT_TRUE(LogIn(loggedIn));
        loggedIn.Send(garbage);
        loggedIn.Reset();
    }
    {
        TRawClient early(Server.Port());
        ASSERT_TRUE(early.Connected);
        early.Send("\xFF\xFA\x18"s); // half a subnegotiation, then gone
        early.Reset();
    }

    TRawClient fresh(Server.Port());
    EXPECT_TRUE(LogIn(fresh));
    steady.Send("\xFF\xFF\x84"s); // F4: the echo page still answers on the first connection
    ASSERT_TRUE(steady.ReadUntil(EncodeCp866("Эхо строк")));
    steady.Send(EncodeCp866("Щука") + "\r");
    EXPECT_TRUE(steady.ReadUntil("> " + EncodeCp866("Щука")));
}

TEST_F(DemoServerLoopback, ServesSeveralClientsAtOnce) {
    constexpr int Count = 4;
    std::vector<std::unique_ptr<TRawClient>> clients;
    for (int i = 0; i < Count; ++i) {
        clients.push_back(std::make_unique<TRawClient>(Server.Port()));
        ASSERT_TRUE(clients.back()->ReadUntil(TerminalTypeSend));
    }
    for (auto& client : clients) {
        ASSERT_TRUE(LogIn(*client));
    }
    clients[1]->Send("\xFF\xFF\xF8"s); // Alt+X on one of them
    EXPECT_TRUE(clients[1]->ReadUntilClosed());
    clients[2]->Send("\xFF\xFF\x82"s);
    EXPECT_TRUE(clients[2]->ReadUntil(EncodeCp866("сервер - Цвета")));
}

TEST(DemoServer, ServesOneConnectionWithOnceAndReturns) {
    TDemoServer server;
    std::string error;
    ASSERT_TRUE(server.Listen("127.0.0.1", 0, error)) << error;
    EXPECT_EQ(server.Endpoint(), "127.0.0.1:" + std::to_string(server.Port()));
    std::atomic<bool> stop{false};
    auto running = std::async(std::launch::async, [&] { server.Run(stop, true); });
    {
        TRawClient client(server.Port());
        ASSERT_TRUE(client.ReadUntil(TerminalTypeSend));
    }
    const auto status = running.wait_for(5s);
    stop.store(true);
    EXPECT_EQ(status, std::future_status::ready);
}

TEST(DemoServer, RefusesAnAddressItCannotUse) {
    TDemoServer server;
    std::string error;
    EXPECT_FALSE(server.Listen("not-an-address", 0, error));
    EXPECT_FALSE(error.empty());
}

} // namespace
} // namespace lemnar::demo
