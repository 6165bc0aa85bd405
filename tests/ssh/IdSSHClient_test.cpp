// The SSH connection against a real OpenSSH server that each test starts:
// what the server sees of the terminal, the host-key step, the login order,
// a stream, and abandoning an attempt.

#include "SSHProbe.h"
#include "SshdProcess.h"
#include "support/FaultySocketCalls.h"
#include "support/ScopedEnv.h"
#include "support/ScriptedServer.h"
#include "telnet/TestQueue.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <random>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace lemnar {
namespace {

namespace fs = std::filesystem;
using test::TScopedEnv;
using test::TScriptedAnswer;
using test::TSshdProcess;
using test::TSSHProbe;

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// One server and one client; the client's HOME is the server's scratch home.
class SSHClientTest : public ::testing::Test {
  protected:
    void StartServer(TSshdProcess::TOptions options = {}) {
        Server.emplace(std::move(options));
        std::string error;
        ASSERT_TRUE(Server->Start(error)) << error;
        Home.emplace("HOME", Server->Home().c_str());
        Client.Host = Server->Address();
        test::UseQnxGrid(Client);
    }

    bool ConnectEnds() { return test::ConnectEnds(Client, Queue, Probe); }

    // Types a line into the server's shell and waits for text in the output.
    bool Shows(const std::string& line, const std::string& text) {
        if (!line.empty())
            Client.WriteBytes(line + "\r");
        return Queue.PumpUntil([&] { return Probe.Received.find(text) != std::string::npos; },
                               std::chrono::seconds(20));
    }

    std::string KnownHosts() const { return ReadFile(Server->SSHDir() / "known_hosts"); }

    TScopedEnv NoAgent{"SSH_AUTH_SOCK", nullptr};
    std::optional<TSshdProcess> Server;
    std::optional<TScopedEnv> Home;
    TTestQueue Queue;
    TIdSSHClient Client{Queue};
    TSSHProbe Probe{Client};
};

// The server runs a plain sh in the PTY, so only the terminal's own
// settings show.
const std::vector<std::string> ShellOnly = {"ForceCommand /bin/sh"};

struct TLoginCase {
    const char* Name;
    const char* Terminal;
    const char* Term; // TERM on the server
    const char* KeyType;
    const char* KeyFile;
    const char* Passphrase;
};

class SSHLoginTest : public SSHClientTest, public ::testing::WithParamInterface<TLoginCase> {};

// Each default key logs in (one asks for its passphrase); the PTY carries
// the terminal name in small letters and the grid's size, and a resize
// reaches the server.
TEST_P(SSHLoginTest, ServerSeesTheTerminalAndItsSize) {
    const TLoginCase& c = GetParam();
    StartServer({"ed25519", ShellOnly});
    Server->AddClientKey(c.KeyType, c.KeyFile, c.Passphrase);
    Client.Terminal = c.Terminal;
    Probe.Answers = {{true}, {true, c.Passphrase}};
    ASSERT_TRUE(ConnectEnds());
    ASSERT_TRUE(Probe.Has("connected"))
        << (Probe.Failure ? Probe.Failure->Detail : "") << Server->Log();
    EXPECT_EQ(Probe.Count(TIdSSHQuestionKind::Passphrase), *c.Passphrase != '\0' ? 1 : 0);
    const std::string expected = std::string("T=") + c.Term + " S=25 80";
    EXPECT_TRUE(Shows("echo T=$TERM S=$(stty size)", expected)) << Probe.Received;

    Client.Rows = 31;
    Client.Columns = 97;
    Client.Handle_WS();
    EXPECT_TRUE(Shows("echo R=$(stty size)", "R=31 97")) << Probe.Received;
    EXPECT_LE(Probe.LargestBlock, 1024u);
    EXPECT_EQ(Server->Log().find("Failed"), std::string::npos) << Server->Log();
}

INSTANTIATE_TEST_SUITE_P(Keys, SSHLoginTest,
                         ::testing::Values(TLoginCase{"QnxEd25519", "QNX", "qnx", "ed25519",
                                                      "id_ed25519", ""},
                                           TLoginCase{"AnsiEcdsaPassphrase", "ANSI", "ansi",
                                                      "ecdsa", "id_ecdsa", "secret words"},
                                           TLoginCase{"TtyRsa", "TTY", "tty", "rsa", "id_rsa", ""}),
                         [](const auto& info) { return std::string(info.param.Name); });

// The agent comes first: with its key alone, the login needs no file.
TEST_F(SSHClientTest, LogsInThroughTheAgent) {
    StartServer({"ed25519", ShellOnly});
    Server->AddClientKey("ed25519", "agent_key");
    const fs::path socket = Server->Files() / "agent.sock";
    const pid_t agent = ::fork();
    if (agent == 0) {
        ::setpgid(0, 0);
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::execlp("ssh-agent", "ssh-agent", "-D", "-a", socket.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    for (int i = 0; i < 200 && !fs::exists(socket); ++i)
        Queue.PumpFor(std::chrono::milliseconds(10));
    TScopedEnv agentSocket("SSH_AUTH_SOCK", socket.c_str());
    EXPECT_EQ(test::RunProgram({"ssh-add", (Server->SSHDir() / "agent_key").string()}), 0);
    fs::remove(Server->SSHDir() / "agent_key");
    Probe.Answers = {{true}};
    const bool ended = ConnectEnds();
    ::kill(agent, SIGTERM);
    ::waitpid(agent, nullptr, 0);
    ASSERT_TRUE(ended);
    EXPECT_TRUE(Probe.Has("connected")) << (Probe.Failure ? Probe.Failure->Detail : "");
}

// libssh talks to the agent blocking: an agent that never answers holds the
// connection's thread until Disconnect shuts its socket down.
TEST_F(SSHClientTest, DisconnectEndsAWaitForAHungAgent) {
    StartServer();
    const fs::path path = Server->Files() / "silent.sock";
    const int listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(listener, 4), 0);
    TScopedEnv agentSocket("SSH_AUTH_SOCK", path.c_str());
    Probe.Answers = {{true}};
    Client.Connect();
    ASSERT_TRUE(Queue.PumpUntil([&] { return !Probe.Questions.empty(); }));
    // The agent has the request by now; no answer comes.
    Queue.PumpFor(std::chrono::milliseconds(300));
    EXPECT_TRUE(Client.IsConnecting());
    const auto start = std::chrono::steady_clock::now();
    Client.Disconnect();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    EXPECT_TRUE(Probe.Events.empty());
    ::close(listener);
}

// Before SSH: a refused connect and a malformed address fail at Unreachable
// and say why in a line.
TEST_F(SSHClientTest, UnreachableSaysWhy) {
    const std::pair<std::string, std::string> cases[] = {
        {"ssh://me@127.0.0.1:" + std::to_string(test::RefusingPort()),
         "cannot reach 127.0.0.1: Connection refused"},
        {"ssh://@qnx1", "invalid address: ssh://@qnx1"},
        {"ssh://qnx1:0", "invalid address: ssh://qnx1:0"}};
    for (const auto& [host, detail] : cases) {
        SCOPED_TRACE(host);
        Probe.Events.clear();
        Client.Host = host;
        ASSERT_TRUE(ConnectEnds());
        ASSERT_TRUE(Probe.Has("failed"));
        EXPECT_EQ(Probe.Failure->Step, TIdConnectStep::Unreachable);
        EXPECT_EQ(Probe.Failure->Detail, detail);
    }
}

enum class THostAnswer { Yes, No, Quiet, NoHandler };

struct THostCase {
    const char* Name;
    THostAnswer Answer;
    const char* Config;  // ~/.ssh/config, or nothing
    const char* Written; // the file the key is added to, relative to HOME
    bool Connects;
    TIdConnectStep Step; // when it does not
    int Questions;
};

class SSHUnknownHostTest : public SSHClientTest, public ::testing::WithParamInterface<THostCase> {};

// An unknown host is asked about once, with its SHA256 fingerprint; Yes
// writes the key where the config says and connects, and the next attempt
// asks nothing. No abandons; with nobody to ask it is a host-key failure.
TEST_P(SSHUnknownHostTest, AskedOnceAndRemembered) {
    const THostCase& c = GetParam();
    StartServer();
    Server->AddClientKey("ed25519", "id_ed25519");
    if (*c.Config != '\0')
        std::ofstream(Server->SSHDir() / "config") << c.Config;
    Probe.Answers = {{c.Answer == THostAnswer::Yes}};
    Client.Quiet = c.Answer == THostAnswer::Quiet;
    if (c.Answer == THostAnswer::NoHandler)
        Client.OnQuestion = nullptr;
    ASSERT_TRUE(ConnectEnds());
    EXPECT_EQ(Probe.Has("connected"), c.Connects) << (Probe.Failure ? Probe.Failure->Detail : "");
    ASSERT_EQ(static_cast<int>(Probe.Questions.size()), c.Questions);
    const std::string fingerprint = Server->HostFingerprint();
    if (c.Questions > 0) {
        const TIdSSHQuestion& q = Probe.Questions.front();
        EXPECT_EQ(q.Kind, TIdSSHQuestionKind::UnknownHost);
        EXPECT_EQ(q.Key.Host, Server->KnownHostsName());
        EXPECT_EQ(q.Key.Fingerprint, fingerprint);
        EXPECT_EQ(q.Key.KeyType, "ssh-ed25519");
        EXPECT_TRUE(q.Key.Legacy.empty());
    }
    const std::string written = ReadFile(Server->Home() / c.Written);
    if (!c.Connects) {
        EXPECT_EQ(Probe.Failure->Step, c.Step);
        EXPECT_NE(Probe.Failure->Detail.find(fingerprint), std::string::npos)
            << Probe.Failure->Detail;
        EXPECT_EQ(written, "");
        EXPECT_EQ(Server->Log().find("authenticating user"), std::string::npos);
        return;
    }
    EXPECT_EQ(written.rfind(Server->KnownHostsName() + " ssh-ed25519 ", 0), 0u) << written;
    Client.Disconnect();
    Probe.Events.clear();
    ASSERT_TRUE(ConnectEnds());
    EXPECT_TRUE(Probe.Has("connected"));
    EXPECT_EQ(Probe.Questions.size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, SSHUnknownHostTest,
    ::testing::Values(THostCase{"Yes", THostAnswer::Yes, "", ".ssh/known_hosts", true, {}, 1},
                      THostCase{"YesToTheConfigsFile",
                                THostAnswer::Yes,
                                "Host 127.0.0.1\n    UserKnownHostsFile ~/.ssh/lemnar_hosts\n",
                                ".ssh/lemnar_hosts",
                                true,
                                {},
                                1},
                      THostCase{"No", THostAnswer::No, "", ".ssh/known_hosts", false,
                                TIdConnectStep::Abandoned, 1},
                      THostCase{"Quiet", THostAnswer::Quiet, "", ".ssh/known_hosts", false,
                                TIdConnectStep::HostKey, 0},
                      THostCase{"NobodyToAsk", THostAnswer::NoHandler, "", ".ssh/known_hosts",
                                false, TIdConnectStep::HostKey, 0}),
    [](const auto& info) { return std::string(info.param.Name); });

// A changed key is refused whatever is answered, naming both fingerprints,
// before anything of the login leaves.
TEST_F(SSHClientTest, RefusesAChangedHostKey) {
    StartServer({"ed25519", ShellOnly});
    Server->AddClientKey("ed25519", "id_ed25519");
    std::string stale;
    const std::string line =
        test::ForeignKnownHostsLine(Server->Files(), Server->KnownHostsName(), stale);
    std::ofstream(Server->SSHDir() / "known_hosts") << line;
    Probe.Answers = {{true}, {true}};
    Client.ScriptPassword = TIdSecret("not to be sent");
    ASSERT_TRUE(ConnectEnds());
    ASSERT_TRUE(Probe.Has("failed"));
    EXPECT_EQ(Probe.Failure->Step, TIdConnectStep::HostKey);
    const std::string offered = Server->HostFingerprint();
    EXPECT_NE(Probe.Failure->Detail.find(stale), std::string::npos) << Probe.Failure->Detail;
    EXPECT_NE(Probe.Failure->Detail.find(offered), std::string::npos) << Probe.Failure->Detail;
    const TIdSSHHostKey key = Client.HostKey();
    EXPECT_EQ(key.Fingerprint, offered);
    EXPECT_EQ(key.KnownFingerprints, std::vector<std::string>{stale});
    EXPECT_TRUE(Probe.Questions.empty());
    EXPECT_EQ(KnownHosts(), line);
    Queue.PumpFor(std::chrono::milliseconds(200));
    const std::string log = Server->Log();
    EXPECT_EQ(log.find("authenticating user"), std::string::npos) << log;
    EXPECT_EQ(log.find("Accepted"), std::string::npos) << log;
}

struct TLegacyCase {
    const char* Name;
    const char* HostKeyType;
    std::vector<std::string> Config;
    std::vector<std::string> Legacy;
};

class SSHLegacyTest : public SSHClientTest, public ::testing::WithParamInterface<TLegacyCase> {};

// Older servers' ssh-rsa host keys and SHA-1 key exchanges are accepted when
// nothing newer is offered, and the question says they are in use.
TEST_P(SSHLegacyTest, TheQuestionNamesLegacyAlgorithms) {
    const TLegacyCase& c = GetParam();
    StartServer({c.HostKeyType, c.Config});
    Server->AddClientKey("ed25519", "id_ed25519");
    Probe.Answers = {{true}};
    ASSERT_TRUE(ConnectEnds());
    EXPECT_TRUE(Probe.Has("connected"))
        << (Probe.Failure ? Probe.Failure->Detail : "") << Server->Log();
    ASSERT_EQ(Probe.Questions.size(), 1u);
    EXPECT_EQ(Probe.Questions[0].Key.Legacy, c.Legacy);
}

INSTANTIATE_TEST_SUITE_P(
    Servers, SSHLegacyTest,
    ::testing::Values(
        TLegacyCase{"Modern", "rsa", {}, {}},
        TLegacyCase{"SshRsaHostKey", "rsa", {"HostKeyAlgorithms ssh-rsa"}, {"ssh-rsa"}},
        TLegacyCase{"Sha1KeyExchange",
                    "ed25519",
                    {"KexAlgorithms diffie-hellman-group14-sha1"},
                    {"diffie-hellman-group14-sha1"}},
        TLegacyCase{"Both",
                    "rsa",
                    {"HostKeyAlgorithms ssh-rsa", "KexAlgorithms diffie-hellman-group14-sha1"},
                    {"ssh-rsa", "diffie-hellman-group14-sha1"}}),
    [](const auto& info) { return std::string(info.param.Name); });

struct TStreamCase {
    const char* Name;
    std::optional<test::TSocketFault> Fault; // on the transport's socket calls
    double Rate;
};

class SSHStreamTest : public SSHClientTest, public ::testing::WithParamInterface<TStreamCase> {};

// 8 MiB from the server arrive whole, in order and in blocks of at most
// 1024 bytes, and the channel's close is the usual peer-close path; also
// when the connection's polls and connect are interrupted or not ready.
TEST_P(SSHStreamTest, StreamArrivesWholeThenThePeerCloses) {
    std::optional<test::TFaultySocketCalls> faults;
    if (GetParam().Fault) {
        faults.emplace(*GetParam().Fault, GetParam().Rate);
        Client.Calls = &*faults;
    }
    std::string stream(8u << 20, '\0');
    std::mt19937 random(26);
    for (char& byte : stream)
        byte = static_cast<char>(random());
    // stty raw: the PTY passes the bytes as they are.
    StartServer({"ed25519", {"ForceCommand stty raw -echo; exec cat %D/stream"}});
    std::ofstream(Server->Files() / "stream", std::ios::binary) << stream;
    Server->AddClientKey("ed25519", "id_ed25519");
    Probe.Answers = {{true}};
    ASSERT_TRUE(ConnectEnds());
    ASSERT_TRUE(Probe.Has("connected")) << (Probe.Failure ? Probe.Failure->Detail : "");
    ASSERT_TRUE(Queue.PumpUntil([&] { return Probe.Has("empty"); }, std::chrono::seconds(60)));
    EXPECT_TRUE(Probe.Received == stream) << Probe.Received.size() << " bytes arrived";
    EXPECT_LE(Probe.LargestBlock, 1024u);
    const std::vector<std::string> end(Probe.Events.end() - 2, Probe.Events.end());
    EXPECT_EQ(end, (std::vector<std::string>{"disconnected", "empty"}));
    EXPECT_FALSE(Client.IsConnected());
    if (faults) {
        EXPECT_GT(faults->Hits(), 0u);
    }
    Client.Disconnect();
    Client.Calls = &SystemSocketCalls();
}

INSTANTIATE_TEST_SUITE_P(Faults, SSHStreamTest,
                         ::testing::Values(TStreamCase{"None", std::nullopt, 0},
                                           TStreamCase{"Eintr5", test::TSocketFault::Eintr, 0.05},
                                           TStreamCase{"Eintr30", test::TSocketFault::Eintr, 0.3},
                                           TStreamCase{"Eagain30", test::TSocketFault::Eagain,
                                                       0.3}),
                         [](const auto& info) { return std::string(info.param.Name); });

// What is sent arrives once, whole and in order: a paste far larger than the
// server's window, keys typed behind it, bytes no telnet rule may touch.
// cat in a raw PTY (-iexten: no ^V or ^O either) sends it all back.
TEST_F(SSHClientTest, SentBytesArriveWholeAndInOrder) {
    StartServer({"ed25519", {"ForceCommand stty raw -echo -iexten; printf READY; exec cat"}});
    Server->AddClientKey("ed25519", "id_ed25519");
    Probe.Answers = {{true}};
    ASSERT_TRUE(ConnectEnds());
    ASSERT_TRUE(Probe.Has("connected"));
    ASSERT_TRUE(Shows("", "READY"));
    Probe.Received.clear();
    std::string paste(3u << 20, '\0');
    std::mt19937 random(25);
    for (char& byte : paste)
        byte = static_cast<char>(random());
    Client.SendText(paste);
    for (const std::uint8_t key : {0x0D, 0xFF, 0x00, 0x0A})
        Client.SendCh(key);
    bool allSent = false;
    Client.AfterSent([&] { allSent = true; });
    const std::string expected = paste + std::string("\r\xFF\0\n", 4);
    ASSERT_TRUE(Queue.PumpUntil([&] { return Probe.Received.size() >= expected.size(); },
                                std::chrono::seconds(60)))
        << Probe.Received.size() << " of " << expected.size() << " came back";
    EXPECT_TRUE(Probe.Received == expected);
    EXPECT_TRUE(Queue.PumpUntil([&] { return allSent; }));
    EXPECT_EQ(Client.TextProgress().Sent, paste.size());
}

// A server that reads nothing stalls a paste, holds nothing on the window
// thread, and Disconnect still ends the connection at once.
TEST_F(SSHClientTest, DisconnectEndsAStalledPaste) {
    StartServer({"ed25519", {"ForceCommand printf READY; exec sleep 60"}});
    Server->AddClientKey("ed25519", "id_ed25519");
    Probe.Answers = {{true}};
    ASSERT_TRUE(ConnectEnds());
    ASSERT_TRUE(Shows("", "READY"));
    const std::string paste(16u << 20, 'x');
    Client.SendText(paste);
    Queue.PumpFor(std::chrono::seconds(1));
    const TIdSendQueue::TProgress progress = Client.TextProgress();
    EXPECT_TRUE(progress.Active());
    EXPECT_LT(progress.Sent, paste.size());
    const auto start = std::chrono::steady_clock::now();
    Client.Disconnect();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    EXPECT_EQ(Probe.Events.back(), "disconnected");
}

// Disconnect ends an attempt that waits for an answer at once; nothing is
// raised for it, and the next attempt starts afresh.
TEST_F(SSHClientTest, DisconnectAbandonsAnOpenQuestion) {
    StartServer();
    Server->AddClientKey("ed25519", "id_ed25519");
    Probe.Answers = {{true, "", true}};
    Client.Connect();
    ASSERT_TRUE(Queue.PumpUntil([&] { return Client.QuestionOpen(); }));
    const auto start = std::chrono::steady_clock::now();
    Client.Disconnect();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    EXPECT_FALSE(Client.QuestionOpen());
    Probe.AnswerNow(true); // too late: nothing happens
    Queue.PumpFor(std::chrono::milliseconds(100));
    EXPECT_TRUE(Probe.Events.empty());
    EXPECT_EQ(KnownHosts(), "");

    // Answered later, from the event loop, the same question goes on.
    Probe.Answers = {{true, "", true}};
    Client.Connect();
    ASSERT_TRUE(Queue.PumpUntil([&] { return Client.QuestionOpen(); }));
    Queue.PumpFor(std::chrono::milliseconds(50));
    Probe.AnswerNow(true);
    ASSERT_TRUE(Queue.PumpUntil([&] { return Probe.Ended(); }));
    EXPECT_TRUE(Probe.Has("connected"));
}

} // namespace
} // namespace lemnar
