// The login script in the real main window, measured at a loopback peer: the
// order and the fixed waits of what it types, the end by "shutdown", the cut
// login, the script's failures, and the settings file keeping its own values.

#include "app/AppFixture.h"
#include "support/ScriptedServer.h"

#include "shell/core/IniFile.h"

#include <QAction>

namespace lemnar::test {
namespace {

using TScriptTest = TAppTest;
using std::chrono::milliseconds;

// The peer speaks telnet from the start, so a carriage return goes out
// alone.
const std::string IacDoEcho = "\xff\xfd\x01";
const std::string IacWillEcho = "\xff\xfb\x01";

long long Ms(TClock::duration d) {
    return std::chrono::duration_cast<milliseconds>(d).count();
}

// The arrival time of the first byte of text at or after from; -1: none.
std::ptrdiff_t Find(const std::vector<TReceivedByte>& bytes, const std::string& text,
                    std::size_t from = 0) {
    for (std::size_t i = from; i + text.size() <= bytes.size(); ++i) {
        bool match = true;
        for (std::size_t k = 0; k < text.size() && match; ++k)
            match = bytes[i + k].Byte == text[k];
        if (match)
            return static_cast<std::ptrdiff_t>(i);
    }
    return -1;
}

// A fixed wait seen between two arrivals: never shorter than the sleep (less
// a little for the clock), and not much longer.
void ExpectGap(TClock::time_point from, TClock::time_point to, int ms, const char* what) {
    EXPECT_GE(Ms(to - from), ms - 15) << what;
    EXPECT_LE(Ms(to - from), ms + 150) << what;
}

TEST_F(TScriptTest, TypesTheScriptWithItsWaitsThenShutsDownAndQuits) {
    TScriptedServer server(OwnThread, IacDoEcho);
    WriteFile(SettingsFile(), "[Options]\nHost=filehost\nLogin=filelogin\n");
    WriteFile(Dir / "s.txt", "user\r\npass\n\n  shutdown \nafter\n");
    std::vector<int> sleeps;
    const auto shown = TClock::now();
    Window = std::make_unique<TMainWindow>(
        std::vector<std::string>{"B", (Dir / "s.txt").string(), "h", server.HostPort()},
        Dir.Path().string());
    Window->OnScriptWait = [&](int ms) { sleeps.push_back(ms); };
    Window->show();
    ASSERT_TRUE(WaitClosed(10000));
    EXPECT_TRUE(Boxes.empty());
    EXPECT_EQ(sleeps, (std::vector<int>{500, 100, 1000, 200, 200, 500}));

    ASSERT_TRUE(WaitUntil([&] { return server.PeerClosed(); }));
    const std::vector<TReceivedByte> bytes = server.Received();
    const std::ptrdiff_t login = Find(bytes, "user\r");
    ASSERT_GE(login, 0) << server.ReceivedText();
    std::string typed;
    for (std::size_t i = static_cast<std::size_t>(login); i < bytes.size(); ++i)
        typed += bytes[i].Byte;
    EXPECT_EQ(typed, "user\rpass\r\r  shutdown \r");
    // Only the answer to DO ECHO came before the login.
    EXPECT_EQ(server.ReceivedText().substr(0, static_cast<std::size_t>(login)), IacWillEcho);

    const auto at = [&](std::ptrdiff_t i) { return bytes[static_cast<std::size_t>(i)].At; };
    // Timer1 (1000 ms) and the 500 ms before the connect; BatchTimer (1000 ms).
    EXPECT_GE(Ms(server.AcceptedAt() - shown), 1500 - 15);
    EXPECT_GE(Ms(at(login) - server.AcceptedAt()), 1000 - 15);
    ExpectGap(at(login + 4), at(login + 5), 100, "login to password");
    ExpectGap(at(login + 9), at(login + 10), 1000 + 200, "password to the empty line");
    ExpectGap(at(login + 10), at(login + 11), 200, "empty line to shutdown");
    ExpectGap(at(login + 22), server.PeerClosedAt(), 500, "shutdown to the disconnect");

    // The file keeps its own host and login; the script's are not saved.
    const TIniFile ini(SettingsFile());
    EXPECT_EQ(ini.ReadString("Options", "Host", ""), "filehost");
    EXPECT_EQ(ini.ReadString("Options", "Login", ""), "filelogin");
    EXPECT_EQ(ini.ReadString("Options", "Password", "<none>"), "<none>");
    EXPECT_EQ(Window->ShellState.ScriptMode, 2);
    EXPECT_EQ(Caption(), "Lemnar v. 2.54 Отключено.");
}

// A 25-character first line: the login is its first 19 characters, the other
// six are the password. A script that runs to its end leaves the connection
// up; the peer's close then saves the script's login and host and ends the
// program.
TEST_F(TScriptTest, LongFirstLineAndCompletedScriptEndingWithThePeer) {
    TScriptedServer server(OwnThread, IacDoEcho);
    WriteFile(Dir / "s.txt", "ABCDEFGHIJKLMNOPQRSTUVWXY\nls\n");
    Start({"B", (Dir / "s.txt").string(), "h", server.HostPort()});
    EXPECT_EQ(Caption(), "Lemnar v. 2.54");
    ASSERT_TRUE(WaitUntil([&] { return Window->ShellState.ScriptMode == 2; }, 10000));
    // The script's last line may still be on its way when the script ends.
    EXPECT_TRUE(WaitUntil([&] {
        return server.ReceivedText() == IacWillEcho + "ABCDEFGHIJKLMNOPQRS\rTUVWXY\rls\r";
    })) << server.ReceivedText();
    EXPECT_EQ(Caption(), "Lemnar v. 2.54  Подключение к " + server.HostPort() + "...");
    EXPECT_EQ(Window->Connected, 1);
    EXPECT_FALSE(Window->Conn->isEnabled());
    EXPECT_TRUE(Window->DisConn->isEnabled());
    Pump(100);
    EXPECT_FALSE(Window->Closed);

    server.Close();
    ASSERT_TRUE(WaitClosed());
    const TIniFile ini(SettingsFile());
    EXPECT_EQ(ini.ReadString("Options", "Login", ""), "ABCDEFGHIJKLMNOPQRS");
    EXPECT_EQ(ini.ReadString("Options", "Host", ""), server.HostPort());
}

// A piece is at most 511 characters, each followed by its own carriage
// return.
TEST_F(TScriptTest, LongCommandLineGoesInPieces) {
    TScriptedServer server(OwnThread, IacDoEcho);
    const std::string line(600, 'x');
    WriteFile(Dir / "s.txt", "u\np\n" + line + "\n");
    Start({"B", (Dir / "s.txt").string(), "h", server.HostPort()});
    ASSERT_TRUE(WaitUntil([&] { return Window->ShellState.ScriptMode == 2; }, 10000));
    EXPECT_TRUE(WaitUntil([&] {
        return server.ReceivedText() ==
               IacWillEcho + "u\rp\r" + line.substr(0, 511) + "\r" + line.substr(511) + "\r";
    }));
}

TEST_F(TScriptTest, OneLineScriptCannotReadThePassword) {
    TScriptedServer server(OwnThread);
    WriteFile(Dir / "s.txt", "user\n");
    Start({"B", (Dir / "s.txt").string(), "h", server.HostPort()});
    ASSERT_TRUE(WaitUntil([&] { return !Boxes.empty(); }, 5000));
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Не удалось считать пароль"});
    Pump(100);
    EXPECT_FALSE(server.Accepted());
    EXPECT_FALSE(Window->Closed);
    EXPECT_EQ(Window->Connected, 0);
}

TEST_F(TScriptTest, MissingScriptFileIsReported) {
    TScriptedServer server(OwnThread);
    Start({"B", (Dir / "none.txt").string(), "h", server.HostPort()});
    ASSERT_TRUE(WaitUntil([&] { return !Boxes.empty(); }, 5000));
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Ошибка открытия файла сценария"});
    EXPECT_FALSE(server.Accepted());
}

TEST_F(TScriptTest, QuietOneLineScriptWritesTheLogAndQuits) {
    WriteFile(Dir / "s.txt", "user");
    const auto log = Dir / "lemnar.log";
    Start({"P", log.string(), "S", "B", (Dir / "s.txt").string(), "h", "127.0.0.1:1"});
    ASSERT_TRUE(WaitClosed(5000));
    EXPECT_TRUE(Boxes.empty());
    EXPECT_EQ(ReadFile(log), "\xcd\xe5 \xf3\xe4\xe0\xeb\xee\xf1\xfc \xf1\xf7\xe8\xf2\xe0\xf2\xfc"
                             " \xef\xe0\xf0\xee\xeb\xfc\r\n");
}

// The peer closes while the script waits for BatchTimer: the file keeps its
// own values, the script is abandoned and nothing is sent later.
TEST_F(TScriptTest, PeerCloseBeforeTheScriptIsSent) {
    TScriptedServer server(OwnThread);
    WriteFile(SettingsFile(), "[Options]\nHost=filehost\nLogin=filelogin\nSaveDir=/tmp/x/\n");
    WriteFile(Dir / "s.txt", "user\npass\nls\n");
    Start({"B", (Dir / "s.txt").string(), "h", server.HostPort()});
    ASSERT_TRUE(WaitUntil([&] { return server.Accepted(); }, 5000));
    server.Close();
    ASSERT_TRUE(WaitUntil([&] { return Window->ShellState.ScriptMode == 0; }, 2000));
    EXPECT_EQ(FieldText(Window->ShellState.Login), "");
    EXPECT_EQ(FieldText(Window->ShellState.Host), "");
    EXPECT_EQ(FieldText(Window->ShellState.Password), "");
    const TIniFile ini(SettingsFile());
    EXPECT_EQ(ini.ReadString("Options", "Host", ""), "filehost");
    EXPECT_EQ(ini.ReadString("Options", "Login", ""), "filelogin");
    EXPECT_EQ(ini.ReadString("Options", "SaveDir", ""), "/tmp/x/");
    ASSERT_TRUE(WaitUntil([&] { return Window->ShellState.ScriptMode == 2; }, 3000));
    EXPECT_FALSE(Window->Closed);
    EXPECT_TRUE(Boxes.empty());
}

} // namespace
} // namespace lemnar::test
