// The real main window over SSH. Against a real OpenSSH server: a public-key
// login that carries the terminal's name and grid and a resize, the unknown
// host's question refused and then accepted, host keys refused with nothing
// sent, a login script, and 8 MiB with the log on. Against the demo server's
// SSH mode: password and keyboard-interactive logins through the dialogs, the
// script's password, a wrong and a cancelled password.

#include "app/AppFixture.h"
#include "keyboard/Cp1251.h"
#include "shell/SSHQuestions.h"
#include "ssh/DemoSshServer.h"
#include "ssh/SshdProcess.h"
#include "support/LoggedData.h"
#include "support/ScopedEnv.h"
#include "tools/demo-server/Cp866.h"

#include <QApplication>
#include <QFrame>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <fstream>
#include <sstream>

namespace lemnar::test {
namespace {

const std::string Base = "Lemnar v. 2.54";
const TSSHDialogAnswer Yes{true, {}};
const TSSHDialogAnswer No{false, {}};
const TSSHDialogAnswer Typed{true, "demo"};

class TSSHWindowTest : public TAppTest {
  protected:
    TSSHWindowTest() {
        SetSSHDialogHook([this](const TSSHDialog& dialog) {
            Dialogs.push_back(dialog);
            if (DialogAnswers.empty())
                return TSSHDialogAnswer{};
            TSSHDialogAnswer answer = DialogAnswers.front();
            DialogAnswers.pop_front();
            return answer;
        });
    }
    // The window's connection goes before its server.
    ~TSSHWindowTest() override {
        Window.reset();
        SetSSHDialogHook(nullptr);
    }

    // An sshd that logs in the user with a key of the client's, whose HOME
    // is the server's scratch home.
    void StartSshd(std::vector<std::string> config) {
        Sshd.emplace(TSshdProcess::TOptions{"ed25519", std::move(config)});
        std::string error;
        ASSERT_TRUE(Sshd->Start(error)) << error;
        Home.emplace("HOME", Sshd->Home().c_str());
        Sshd->AddClientKey("ed25519", "id_ed25519");
    }

    void StartDemo(int methods) {
        Demo = std::make_unique<TDemoSshServer>(methods);
        ASSERT_TRUE(Demo->Ready) << Demo->Error;
        Home.emplace("HOME", (Demo->Dir / "home").c_str());
    }

    std::string KnownHosts() const { return ReadFile(Sshd->SSHDir() / "known_hosts"); }

    // Types a line on the terminal area, as the keyboard does.
    void Type(const std::string& line) {
        QTest::keyClicks(Window->View, QString::fromStdString(line));
        QTest::keyClick(Window->View, Qt::Key_Return);
    }

    std::vector<TSSHDialogKind> DialogKinds() const {
        std::vector<TSSHDialogKind> kinds;
        for (const TSSHDialog& dialog : Dialogs)
            kinds.push_back(dialog.Kind);
        return kinds;
    }

    TScopedEnv NoAgent{"SSH_AUTH_SOCK", nullptr};
    std::optional<TSshdProcess> Sshd;
    std::unique_ptr<TDemoSshServer> Demo;
    std::optional<TScopedEnv> Home;
    std::vector<TSSHDialog> Dialogs;
    std::deque<TSSHDialogAnswer> DialogAnswers; // then "Нет" / "Отмена"
};

using K = TSSHDialogKind;

// The PTY carries the T option's name in small letters and the grid in use;
// keys typed on the terminal area reach the shell, and a resize reaches it
// as a window change. The login L is not typed: the user logged in within
// the protocol.
TEST_F(TSSHWindowTest, PublicKeyLoginCarriesTheTerminalAndItsGrid) {
    StartSshd({"ForceCommand /bin/sh"});
    DialogAnswers = {Yes};
    Start({"T", "ansi", "L", "nobody", "h", Sshd->Address()});
    ASSERT_TRUE(WaitAttempt(20000));
    ASSERT_EQ(Window->Connected, 1) << testing::PrintToString(BoxTexts());
    EXPECT_TRUE(Window->OverSSH());
    EXPECT_EQ(Caption(), Base + "  Подключено к " + Sshd->Address());
    EXPECT_EQ(DialogKinds(), std::vector<K>{K::YesNo});
    EXPECT_EQ(Window->ActiveKeyMap, TKeyMap::Ansi);

    const auto grid = [&](const char* tag) {
        return std::string(tag) + std::to_string(Window->Terminal.ScreenRows) + " " +
               std::to_string(Window->Terminal.ScreenCols);
    };
    Type("echo T=$TERM S=$(stty size)");
    EXPECT_TRUE(WaitUntil([&] { return ScreenHas(Window->Terminal, grid("T=ansi S=")); }, 20000))
        << grid("T=ansi S=");
    const int rows = Window->Terminal.ScreenRows;
    Window->resize(Window->width() + 80, Window->height() + 90);
    ASSERT_TRUE(WaitUntil([&] { return Window->Terminal.ScreenRows != rows; }));
    Type("echo R=$(stty size)");
    EXPECT_TRUE(WaitUntil([&] { return ScreenHas(Window->Terminal, grid("R=")); }, 20000))
        << grid("R=");
    Pump(600); // the login would go 500 ms after the connect
    EXPECT_FALSE(ScreenHas(Window->Terminal, "nobody"));
    EXPECT_TRUE(Boxes.empty());
    EXPECT_EQ(Sshd->Log().find("Failed"), std::string::npos) << Sshd->Log();
}

// No to the unknown host is Esc: back to the prompt, no box, nothing
// written. Yes connects and remembers the key, so the next connect asks
// nothing. The question names the address as typed and the key's SHA256
// fingerprint.
TEST_F(TSSHWindowTest, UnknownHostRefusedThenAccepted) {
    StartSshd({});
    Start({});
    const std::string address = Sshd->Address();
    const auto connect = [&] {
        Window->HostEdit->setText(QString::fromStdString(address));
        Window->HostButtonClick();
        ASSERT_TRUE(WaitAttempt(20000));
    };
    connect();
    const std::string question = "Сервер " + address +
                                 " неизвестен: его ключа нет в файле known_hosts.\n"
                                 "Отпечаток ключа (ssh-ed25519):\n" +
                                 Sshd->HostFingerprint() +
                                 "\n\nДоверять этому серверу и запомнить его ключ?";
    ASSERT_EQ(Dialogs.size(), 1u);
    EXPECT_EQ(Dialogs[0].Kind, K::YesNo);
    EXPECT_EQ(Dialogs[0].Text, question);
    EXPECT_EQ(Window->Connected, 0);
    EXPECT_TRUE(Window->HostEdit->isVisible());
    EXPECT_EQ(Window->HostEdit->text().toStdString(), address);
    EXPECT_EQ(Caption(), Base);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(Boxes.empty());
    EXPECT_EQ(KnownHosts(), "");

    DialogAnswers = {Yes};
    connect();
    ASSERT_EQ(Window->Connected, 1) << testing::PrintToString(BoxTexts());
    EXPECT_EQ(Dialogs.size(), 2u);
    EXPECT_EQ(KnownHosts().rfind(Sshd->KnownHostsName() + " ssh-ed25519 ", 0), 0u);
    EXPECT_FALSE(Window->Panel->isVisible());
    Answers = {IdYes};
    Window->DisConnClick();
    Window->ConnClick();
    connect();
    EXPECT_EQ(Window->Connected, 1);
    EXPECT_EQ(Dialogs.size(), 2u);
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Отключиться от сервера ?"});
}

struct THostKeyCase {
    const char* Name;
    bool Changed; // known_hosts holds another key; else it holds none
    bool Quiet;   // S with a log: the text goes to the log
};

class TSSHHostKeyTest : public TSSHWindowTest, public testing::WithParamInterface<THostKeyCase> {};

// A changed key is refused with a warning naming both fingerprints, and in
// quiet mode an unknown one is refused too, since nobody can accept it: the
// text goes where the telnet failure's goes, no question is asked, and
// nothing of the login reaches the server.
TEST_P(TSSHHostKeyTest, RefusedWithNothingSent) {
    const THostKeyCase& c = GetParam();
    StartSshd({});
    std::string stale;
    if (c.Changed)
        std::ofstream(Sshd->SSHDir() / "known_hosts")
            << ForeignKnownHostsLine(Sshd->Files(), Sshd->KnownHostsName(), stale);
    const auto log = Dir / "lemnar.log";
    std::vector<std::string> args = {"h", Sshd->Address()};
    if (c.Quiet)
        args.insert(args.begin(), {"S", "P", log.string()});
    DialogAnswers = {Yes, Yes};
    Start(args);
    const std::string host = Sshd->Address();
    const std::string offered = Sshd->HostFingerprint();
    const std::string text =
        c.Changed ? "Ключ сервера " + host +
                        " не принят: он не совпадает с сохранённым.\nСохранённый ключ: " + stale +
                        "\nКлюч сервера сейчас: ssh-ed25519 " + offered +
                        "\nВозможно, соединение перехвачено. Если ключ сервера заменён "
                        "намеренно, удалите старый ключ из файла known_hosts."
                  : "Ключ сервера " + host + " не принят: сервер неизвестен (ключ ssh-ed25519 " +
                        offered + "), а подтвердить ключ некому.";
    EXPECT_TRUE(Dialogs.empty());
    if (c.Quiet) {
        ASSERT_TRUE(WaitClosed(20000));
        EXPECT_TRUE(Boxes.empty());
        std::string lines;
        for (char ch : text)
            lines += ch == '\n' ? std::string("\r\n") : std::string(1, ch);
        EXPECT_EQ(ReadFile(log), Utf8ToCp1251(lines) + "\r\n");
    } else {
        ASSERT_TRUE(WaitAttempt(20000));
        EXPECT_EQ(BoxTexts(), std::vector<std::string>{text});
        EXPECT_EQ(Window->Connected, 0);
        EXPECT_FALSE(Window->Panel->isVisible());
    }
    Pump(200);
    const std::string sshdLog = Sshd->Log();
    EXPECT_EQ(sshdLog.find("authenticating user"), std::string::npos) << sshdLog;
    EXPECT_EQ(sshdLog.find("Accepted"), std::string::npos) << sshdLog;
}

INSTANTIATE_TEST_SUITE_P(Keys, TSSHHostKeyTest,
                         testing::Values(THostKeyCase{"Changed", true, false},
                                         THostKeyCase{"ChangedQuiet", true, true},
                                         THostKeyCase{"UnknownQuiet", false, true}),
                         [](const auto& info) { return std::string(info.param.Name); });

// Over SSH the script's first line is the user (the address names none, and
// the settings' Login is another), and its password is not typed: the
// commands follow BatchTimer after the connection, 200 ms apart, and the
// disconnect 500 ms after "shutdown"; nothing after it is sent.
TEST_F(TSSHWindowTest, ScriptTypesItsCommandsWithTheirWaits) {
    // The server's shell records each line it reads, and its hangup, with
    // the time.
    StartSshd({"ForceCommand /bin/bash %D/record.sh"});
    const std::string typed = (Sshd->Files() / "typed").string();
    std::ofstream(Sshd->Files() / "record.sh")
        << "end() { echo \"$EPOCHREALTIME end\" >> " << typed << "; exit 0; }\n"
        << "trap end HUP TERM\n"
        << "while IFS= read -r line; do echo \"$EPOCHREALTIME $line\" >> " << typed
        << "; done\nend\n";
    WriteFile(SettingsFile(), "[Options]\nLogin=filelogin\n");
    WriteFile(Dir / "s.txt", Sshd->User() + "\nnot typed\necho one\n\n  shutdown \nafter\n");
    const std::string address = "ssh://127.0.0.1:" + std::to_string(Sshd->Port());
    DialogAnswers = {Yes};
    std::vector<int> sleeps;
    Window = std::make_unique<TMainWindow>(
        std::vector<std::string>{"B", (Dir / "s.txt").string(), "h", address}, Dir.Path().string());
    Window->OnScriptWait = [&](int ms) { sleeps.push_back(ms); };
    double connectedAt = 0;
    const auto connected = Window->SSH.OnConnected;
    Window->SSH.OnConnected = [&](TIdConnection& sender) {
        connectedAt =
            std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch())
                .count();
        connected(sender);
    };
    Window->show();
    ASSERT_TRUE(WaitClosed(20000));
    EXPECT_TRUE(Boxes.empty()) << testing::PrintToString(BoxTexts());
    EXPECT_EQ(DialogKinds(), std::vector<K>{K::YesNo});
    EXPECT_EQ(sleeps, (std::vector<int>{500, 200, 200, 200, 500}));
    EXPECT_EQ(FieldText(Window->ShellState.Password), "");

    ASSERT_TRUE(WaitUntil([&] { return ReadFile(typed).find(" end\n") != std::string::npos; }))
        << ReadFile(typed);
    std::istringstream lines(ReadFile(typed));
    std::vector<double> at;
    std::vector<std::string> text;
    for (std::string line; std::getline(lines, line);) {
        const std::size_t space = line.find(' ');
        at.push_back(std::stod(line.substr(0, space)));
        text.push_back(line.substr(space + 1));
    }
    ASSERT_EQ(text, (std::vector<std::string>{"echo one", "", "  shutdown ", "end"}));
    // Both clocks are the machine's. The server notes a line when its shell
    // reads it, never before it arrived but, on a busy machine, some time
    // after: each line is timed from the connection, by when it was due.
    const int due[] = {1000 + 200, 1000 + 400, 1000 + 600, 1000 + 600 + 500};
    for (std::size_t i = 0; i < text.size(); ++i) {
        const double seen = (at[i] - connectedAt) * 1000;
        EXPECT_GE(seen, due[i] - 15) << text[i];
        EXPECT_LE(seen, due[i] + 800) << text[i];
    }
}

// 8 MiB through the whole program with the log on: the log holds the stream
// as it came, 0xFF bytes and all, since SSH carries no telnet rules.
TEST_F(TSSHWindowTest, EightMiBAndTheLogHoldsThemAsSent) {
    std::string stream;
    for (std::size_t line = 0; stream.size() < (8u << 20); ++line) {
        stream += "line " + std::to_string(line) + " of the stream";
        if (line % 97 == 0)
            stream += "\xFF\xFF";
        stream += "\r\n";
    }
    stream.resize(8u << 20);
    StartSshd({"ForceCommand stty raw -echo; exec cat %D/stream"});
    std::ofstream(Sshd->Files() / "stream", std::ios::binary) << stream;
    const auto log = Dir / "lemnar.log";
    DialogAnswers = {Yes};
    Start({"P", log.string(), "h", Sshd->Address()});
    ASSERT_TRUE(WaitAttempt(20000));
    ASSERT_EQ(Window->Connected, 1) << testing::PrintToString(BoxTexts());
    ASSERT_TRUE(WaitUntil([&] { return Window->Connected == 0; }, 120000))
        << Delivered << " of " << stream.size();
    EXPECT_EQ(Delivered, stream.size());
    EXPECT_EQ(Caption(), Base + " Отключено.");
    EXPECT_TRUE(Boxes.empty());
    Window.reset(); // closes the log
    const std::string logged = LoggedData(log);
    EXPECT_EQ(logged.size(), stream.size());
    EXPECT_TRUE(logged == stream) << "the log differs from the stream";
}

// The dialogs themselves, with no hook: a window-modal Yes/No box over the
// window with the host and its fingerprint, then a hidden line for the
// password, answered while the event loop runs; what was typed is wiped
// from the line once it is taken.
TEST_F(TSSHWindowTest, TheDialogsThemselvesAnswerFromTheEventLoop) {
    SetSSHDialogHook(nullptr);
    StartDemo(SSH_AUTH_METHOD_PASSWORD);
    const std::string address = Demo->Address("anyone");
    Window =
        std::make_unique<TMainWindow>(std::vector<std::string>{"h", address}, Dir.Path().string());
    Window->show();
    QMessageBox* box = nullptr;
    ASSERT_TRUE(WaitUntil(
        [&] {
            box = Window->findChild<QMessageBox*>();
            return box != nullptr && box->isVisible();
        },
        20000));
    EXPECT_TRUE(Window->Connecting());
    EXPECT_EQ(box->windowModality(), Qt::WindowModal);
    EXPECT_NE(box->text().toStdString().find(Demo->Host.Fingerprint()), std::string::npos);
    EXPECT_NE(box->text().toStdString().find(address), std::string::npos);
    box->button(QMessageBox::Yes)->click();

    QPointer<QLineEdit> line;
    ASSERT_TRUE(WaitUntil(
        [&] {
            for (QDialog* dialog : Window->findChildren<QDialog*>()) {
                if (dialog->isVisible() && dialog->findChild<QLineEdit*>() != nullptr)
                    line = dialog->findChild<QLineEdit*>();
            }
            return !line.isNull();
        },
        20000));
    EXPECT_EQ(line->echoMode(), QLineEdit::Password);
    EXPECT_EQ(line->window()->windowModality(), Qt::WindowModal);
    QTest::keyClicks(line, "demo");
    QTest::keyClick(line, Qt::Key_Return);
    EXPECT_TRUE(line.isNull() || line->text().isEmpty());
    ASSERT_TRUE(WaitAttempt(20000));
    EXPECT_EQ(Window->Connected, 1);
    EXPECT_TRUE(Boxes.empty());
}

constexpr int Password = SSH_AUTH_METHOD_PASSWORD;
constexpr int Interactive = SSH_AUTH_METHOD_INTERACTIVE;

struct TDemoCase {
    const char* Name;
    int Methods;
    const char* User;   // in the address; "" for none
    const char* Script; // the script file, or "" to start with h alone
    std::vector<TSSHDialogAnswer> Answers;
    std::vector<TSSHDialogKind> Asked; // the host key's question first
    const char* Box;                   // the failure's text after the address; "" for none
    bool Connects;
};

void PrintTo(const TDemoCase& c, std::ostream* out) {
    *out << c.Name;
}

class TSSHDemoWindowTest : public TSSHWindowTest, public testing::WithParamInterface<TDemoCase> {};

// The demo server takes any user with the password "demo": typed into the
// dialogs (hidden), or the script's second line, which no dialog asks for.
// A password refused three times is an authentication failure, reported
// with its own text; a cancelled one is as Esc, with no box.
TEST_P(TSSHDemoWindowTest, LogsInThroughTheDialogs) {
    const TDemoCase& c = GetParam();
    StartDemo(c.Methods);
    const std::string address = Demo->Address(c.User);
    DialogAnswers.assign(c.Answers.begin(), c.Answers.end());
    if (*c.Script != '\0') {
        WriteFile(Dir / "s.txt", c.Script);
        Start({"B", (Dir / "s.txt").string(), "h", address});
        ASSERT_TRUE(WaitUntil([&] { return Window->Connected == 1; }, 20000));
    } else {
        Start({"h", address});
        ASSERT_TRUE(WaitAttempt(20000));
    }
    EXPECT_EQ(DialogKinds(), c.Asked);
    for (const TSSHDialog& dialog : Dialogs)
        EXPECT_NE(dialog.Text.find(address), std::string::npos) << dialog.Text;
    EXPECT_EQ(Window->Connected, c.Connects ? 1 : 0);
    if (*c.Box != '\0')
        EXPECT_EQ(BoxTexts(),
                  std::vector<std::string>{"Не удалось войти на сервер " + address + c.Box});
    else
        EXPECT_TRUE(Boxes.empty()) << testing::PrintToString(BoxTexts());
    if (!c.Connects) {
        EXPECT_FALSE(Window->Panel->isVisible());
        EXPECT_FALSE(Window->Closed);
        return;
    }
    const std::string status = demo::EncodeCp866("Терминал: QNX  Размер: ") +
                               std::to_string(Window->Terminal.ScreenCols) + "x" +
                               std::to_string(Window->Terminal.ScreenRows);
    EXPECT_TRUE(WaitUntil([&] { return ScreenHas(Window->Terminal, status); }, 10000));
    EXPECT_EQ(FieldText(Window->ShellState.Password), "");
}

INSTANTIATE_TEST_SUITE_P(
    Logins, TSSHDemoWindowTest,
    testing::Values(
        TDemoCase{
            "Password", Password, "anyone", "", {Yes, Typed}, {K::YesNo, K::HiddenText}, "", true},
        TDemoCase{"KeyboardInteractive",
                  Interactive,
                  "anyone",
                  "",
                  {Yes, Typed},
                  {K::YesNo, K::HiddenText},
                  "",
                  true},
        TDemoCase{"UserAsked",
                  Password,
                  "",
                  "",
                  {Yes, {true, "person"}, Typed},
                  {K::YesNo, K::Text, K::HiddenText},
                  "",
                  true},
        TDemoCase{"ScriptPassword",
                  Password | Interactive,
                  "",
                  "anyone\ndemo\n",
                  {Yes},
                  {K::YesNo},
                  "",
                  true},
        TDemoCase{"WrongPassword",
                  Password,
                  "anyone",
                  "",
                  {Yes, {true, "bad"}, {true, "worse"}, {true, "no"}},
                  {K::YesNo, K::HiddenText, K::HiddenText, K::HiddenText},
                  ": сервер не принял ни ключ, ни пароль.",
                  false},
        TDemoCase{"PasswordCancelled",
                  Password,
                  "anyone",
                  "",
                  {Yes, No},
                  {K::YesNo, K::HiddenText},
                  "",
                  false}),
    [](const auto& info) { return std::string(info.param.Name); });

} // namespace
} // namespace lemnar::test
