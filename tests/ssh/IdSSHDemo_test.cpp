// The SSH connection against the demo server's SSH mode (libssh's server
// side): the password and keyboard-interactive logins with the script's
// password or a person's answers, refused and cancelled logins, and the demo
// session seeing the terminal type and size.

#include "DemoSshServer.h"
#include "SSHProbe.h"
#include "support/ScopedEnv.h"
#include "telnet/TestQueue.h"
#include "tools/demo-server/Cp866.h"

#include <gtest/gtest.h>

namespace lemnar {
namespace {

using demo::TDemoSshHost;
using test::TDemoSshServer;
using test::TScopedEnv;
using test::TScriptedAnswer;
using test::TSSHProbe;

constexpr int Password = SSH_AUTH_METHOD_PASSWORD;
constexpr int Interactive = SSH_AUTH_METHOD_INTERACTIVE;

class SSHDemoTest : public ::testing::Test {
  protected:
    void Start(int methods, const std::string& user = "anyone") {
        Server = std::make_unique<TDemoSshServer>(methods);
        ASSERT_TRUE(Server->Ready) << Server->Error;
        Home = std::make_unique<TScopedEnv>("HOME", (Server->Dir / "home").c_str());
        Client.Host = "ssh://" + user + "@127.0.0.1:" + std::to_string(Server->Server.Port());
        test::UseQnxGrid(Client);
    }
    bool ConnectEnds() { return test::ConnectEnds(Client, Queue, Probe); }
    bool Shows(const std::string& text) {
        return Queue.PumpUntil([&] { return Probe.Received.find(text) != std::string::npos; });
    }

    TScopedEnv NoAgent{"SSH_AUTH_SOCK", nullptr};
    std::unique_ptr<TDemoSshServer> Server;
    std::unique_ptr<TScopedEnv> Home;
    TTestQueue Queue;
    TIdSSHClient Client{Queue};
    TSSHProbe Probe{Client};
};

struct TLoginCase {
    const char* Name;
    int Methods;                           // what the server offers
    const char* Script;                    // the script's password
    bool Handler;                          // someone answers questions
    std::vector<std::string> Answers;      // typed at the prompts; "-" cancels
    std::vector<TIdSSHQuestionKind> Asked; // after the host key's
    bool Connects;
    TIdConnectStep Step;
};

class SSHDemoLoginTest : public SSHDemoTest, public ::testing::WithParamInterface<TLoginCase> {};

TEST_P(SSHDemoLoginTest, LogsInOrSaysWhyNot) {
    const TLoginCase& c = GetParam();
    Start(c.Methods);
    // The host key is not known: Yes to it first. With nobody to ask later,
    // a first attempt learns it and is cancelled at its login.
    Probe.Answers = {{true}};
    if (!c.Handler) {
        ASSERT_TRUE(ConnectEnds());
        ASSERT_EQ(Probe.Failure->Step, TIdConnectStep::Abandoned);
        Probe.Events.clear();
        Probe.Questions.clear();
        Client.OnQuestion = nullptr;
    }
    Client.ScriptPassword = TIdSecret(c.Script);
    for (const std::string& answer : c.Answers)
        Probe.Answers.push_back(TScriptedAnswer(answer != "-", answer));
    ASSERT_TRUE(ConnectEnds());
    EXPECT_EQ(Probe.Has("connected"), c.Connects) << (Probe.Failure ? Probe.Failure->Detail : "");
    std::vector<TIdSSHQuestionKind> asked;
    for (std::size_t i = 1; i < Probe.Questions.size(); ++i)
        asked.push_back(Probe.Questions[i].Kind);
    EXPECT_EQ(asked, c.Asked);
    for (const TIdSSHQuestion& q : Probe.Questions) {
        if (q.Kind == TIdSSHQuestionKind::Prompt) {
            EXPECT_EQ(q.Text, "Password: ");
            EXPECT_FALSE(q.Echo);
        }
        if (q.Kind == TIdSSHQuestionKind::Password) {
            EXPECT_EQ(q.Text, "anyone@127.0.0.1's password: ");
        }
    }
    if (!c.Connects) {
        EXPECT_EQ(Probe.Failure->Step, c.Step) << Probe.Failure->Detail;
        return;
    }
    // The session: the demo's menu, drawn for the terminal and size sent.
    EXPECT_TRUE(Shows(demo::EncodeCp866("Терминал: QNX  Размер: 80x25"))) << Probe.Received;
}

using K = TIdSSHQuestionKind;

INSTANTIATE_TEST_SUITE_P(
    Logins, SSHDemoLoginTest,
    ::testing::Values(
        TLoginCase{"ScriptPassword", Password, "demo", true, {}, {}, true, {}},
        TLoginCase{"ScriptKeyboardInteractive", Interactive, "demo", true, {}, {}, true, {}},
        TLoginCase{
            "ScriptWithNobodyToAsk", Password | Interactive, "demo", false, {}, {}, true, {}},
        TLoginCase{"AskedPassword", Password, "", true, {"demo"}, {K::Password}, true, {}},
        TLoginCase{"AskedPromptBeforePassword",
                   Password | Interactive,
                   "",
                   true,
                   {"demo"},
                   {K::Prompt},
                   true,
                   {}},
        TLoginCase{"SecondTryAfterAWrongScript",
                   Password,
                   "wrong",
                   true,
                   {"demo"},
                   {K::Password},
                   true,
                   {}},
        TLoginCase{"WrongPassword",
                   Password | Interactive,
                   "wrong",
                   true,
                   {"bad", "worse", "no", "nope", "never"},
                   {K::Prompt, K::Prompt, K::Password, K::Password, K::Password},
                   false,
                   TIdConnectStep::Authentication},
        TLoginCase{"WrongScriptWithNobodyToAsk",
                   Password | Interactive,
                   "wrong",
                   false,
                   {},
                   {},
                   false,
                   TIdConnectStep::Authentication},
        TLoginCase{"PromptCancelled",
                   Interactive,
                   "",
                   true,
                   {"-"},
                   {K::Prompt},
                   false,
                   TIdConnectStep::Abandoned}),
    [](const auto& info) { return std::string(info.param.Name); });

// The name of the user comes from the program's login when the address has
// none, and is asked for when there is neither.
TEST_F(SSHDemoTest, TheUserIsAskedForWhenNoneIsKnown) {
    Start(Password);
    Client.Host = "ssh://127.0.0.1:" + std::to_string(Server->Server.Port());
    Probe.Answers = {{true}, {true, "person"}, {true, "demo"}};
    ASSERT_TRUE(ConnectEnds());
    EXPECT_TRUE(Probe.Has("connected"));
    ASSERT_EQ(Probe.Questions.size(), 3u);
    EXPECT_EQ(Probe.Questions[1].Kind, K::User);
    EXPECT_EQ(Probe.Questions[2].Text, "person@127.0.0.1's password: ");
    Client.Disconnect();

    Client.Login = "script_user";
    Probe.Events.clear();
    Probe.Questions.clear();
    Probe.Answers = {{true, "demo"}};
    ASSERT_TRUE(ConnectEnds());
    ASSERT_EQ(Probe.Questions.size(), 1u);
    EXPECT_EQ(Probe.Questions[0].Text, "script_user@127.0.0.1's password: ");
}

// The demo session over SSH: the menu for the terminal type and size, a
// resize redraws it, and the goodbye closes the channel: the usual
// peer-close path.
TEST_F(SSHDemoTest, SessionFollowsTheTerminal) {
    Start(Password | Interactive);
    Client.ScriptPassword = TIdSecret("demo");
    Probe.Answers = {{true}};
    ASSERT_TRUE(ConnectEnds());
    ASSERT_TRUE(Probe.Has("connected"));
    EXPECT_TRUE(Shows(demo::EncodeCp866("Терминал: QNX  Размер: 80x25")));
    Client.Rows = 30;
    Client.Columns = 100;
    Client.Handle_WS();
    EXPECT_TRUE(Shows(demo::EncodeCp866("Терминал: QNX  Размер: 100x30")));
    // F10 on the QNX keyboard: 0xFF then the key's code, as they are.
    Client.SendCh(0xFF);
    Client.SendCh(0x8A);
    EXPECT_TRUE(Shows(demo::EncodeCp866("До свидания!")));
    ASSERT_TRUE(Queue.PumpUntil([&] { return Probe.Has("empty"); }));
    EXPECT_TRUE(Probe.Has("disconnected"));
}

} // namespace
} // namespace lemnar
