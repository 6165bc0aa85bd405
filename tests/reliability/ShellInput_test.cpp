// Bad input from the user and the disk: odd command-line values, a settings
// file with garbage, a script file with overlong lines, NULs and a byte 26,
// and files that are missing or cannot be read. Each gives the program's
// behaviour or its message; no field is ever written past its end.

#include "shell/ScriptFile.h"
#include "shell/core/CommandLine.h"
#include "shell/core/IniFile.h"
#include "shell/core/LogFile.h"
#include "shell/core/Settings.h"
#include "support/TempDir.h"

#include <cstring>

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace lemnar {
namespace {

namespace fs = std::filesystem;
using test::WriteFile;

template <std::size_t N> bool Terminated(const char (&field)[N]) {
    return std::memchr(field, '\0', N) != nullptr;
}

bool AllTerminated(const TShellState& s) {
    return Terminated(s.ProgramDir) && Terminated(s.SettingsPath) && Terminated(s.Host) &&
           Terminated(s.Login) && Terminated(s.Password) && Terminated(s.SaveDir) &&
           Terminated(s.HelpPath) && Terminated(s.LogPath) && Terminated(s.ScriptPath);
}

// True when permissions are enforced here (not so for root).
bool PermissionsApply(const fs::path& dir) {
    const fs::path probe = dir / "probe";
    WriteFile(probe, "x");
    ::chmod(probe.c_str(), 0);
    std::FILE* f = std::fopen(probe.c_str(), "r");
    if (f != nullptr)
        std::fclose(f);
    fs::remove(probe);
    return f == nullptr;
}

struct TArgCase {
    std::vector<std::string> Args;
    std::string Expect; // what the case must leave, checked below
};

TEST(ShellInputTest, OddCommandLineValues) {
    test::TTempDir temp;
    const std::string longHost(1000, 'h');
    const std::string longPath = (temp.Path() / std::string(300, 'p')).string();
    const std::string cyrillic = "логин-" + std::string(40, 'x');
    {
        TShellState s;
        TStartOptions o;
        EXPECT_FALSE(ParseCommandLine({"h", longHost, "L", cyrillic}, s, o));
        EXPECT_TRUE(AllTerminated(s));
        EXPECT_EQ(FieldText(s.Host), longHost.substr(0, HostFieldSize - 1));
        EXPECT_EQ(s.HostKnown, 1);
        // Cut on a character boundary: the login stays valid UTF-8.
        EXPECT_LE(FieldText(s.Login).size(), LoginFieldSize - 1);
        EXPECT_EQ(cyrillic.compare(0, FieldText(s.Login).size(), FieldText(s.Login)), 0);
    }
    {
        TShellState s;
        TStartOptions o;
        EXPECT_FALSE(ParseCommandLine(
            {"W", "-5", "H", "99999999999", "X", "abc", "Y", "-99999999999", "F", "12pt"}, s, o));
        EXPECT_EQ(o.Window.Width, -5);
        // atol-like reading: out-of-range values saturate, text gives 0.
        EXPECT_GT(o.Window.Height, 0);
        EXPECT_EQ(o.Window.Left, 0);
        EXPECT_LT(o.Window.Top, 0);
        EXPECT_EQ(o.Window.FontSize, 12);
    }
    {
        // Paths longer than a field: cut, never past the field; D and P
        // still try the long path itself and fail quietly or with the log
        // message.
        TShellState s;
        TStartOptions o;
        const std::string longHelp = (temp.Path() / std::string(300, 'q')).string();
        EXPECT_FALSE(ParseCommandLine({"D", longPath, "B", longPath, "?", longHelp}, s, o));
        EXPECT_TRUE(AllTerminated(s));
        EXPECT_EQ(s.HelpAvailable, 0);
        EXPECT_EQ(s.ScriptMode, 1);
        TShellState s2;
        TStartOptions o2;
        const auto error = ParseCommandLine({"P", longPath}, s2, o2);
        ASSERT_TRUE(error);
        EXPECT_EQ(*error, "Ошибка открытия лога на запись");
        EXPECT_TRUE(AllTerminated(s2));
    }
    for (const auto& [args, message] :
         std::vector<std::pair<std::vector<std::string>, std::string>>{
             {{"T", "vt100"}, "В строке запуска указан неизвестный тип терминала"},
             {{"T", ""}, "В строке запуска указан неизвестный тип терминала"},
             {{"h"}, "В строке запуска не указан адрес узла"},
             {{"", "-x", "10", "P"}, "В строке запуска не указан файл лога"},
         }) {
        TShellState s;
        TStartOptions o;
        const auto error = ParseCommandLine(args, s, o);
        ASSERT_TRUE(error);
        EXPECT_EQ(*error, message);
    }
}

TEST(ShellInputTest, SettingsFileWithGarbage) {
    test::TTempDir temp;
    const fs::path ini = temp.Path() / "Lemnar.ini";
    struct TCase {
        std::string Text;
        std::string Host; // read with the 31-character limit
        int Width;
    };
    // A header line with garbage around it names no section.
    const std::string garbled("\x00\x01\xFF\xFE[Options]\x00\r\nHost=a\r\n", 23);
    const std::string binary("[Options]\r\nHost=a\x00"
                             "b\r\n\x01\xFF=\xFE\n",
                             25);
    for (const TCase& c : std::vector<TCase>{
             {"Host=nosection\nWidth=800\n", "", 640},
             {"[Options]\nWidth=99999999999999999999\nHost=" + std::string(5000, 'x') + "\n",
              std::string(31, 'x'), INT_MAX},
             {"[Options]\nWidth=-99999999999999999999\n", "", INT_MIN},
             {"[Options]\nWidth=12abc\nHost\n=\n==\n[\n]\n", "", 12},
             {"\xEF\xBB\xBF[Options]\r\nHost = spaced value \r\n", "", 640},
             {garbled, "", 640},
             {binary,
              std::string("a\0"
                          "b",
                          3),
              640},
             {std::string(100000, '['), "", 640},
         }) {
        SCOPED_TRACE(c.Text.substr(0, 40));
        WriteFile(ini, c.Text);
        const TIniFile file(ini);
        const std::string host = file.ReadString("Options", "Host", "", 31);
        EXPECT_LE(host.size(), 31u);
        if (c.Text.rfind("\xEF\xBB\xBF", 0) != 0) {
            EXPECT_EQ(host, c.Host);
        }
        EXPECT_EQ(file.ReadInteger("Options", "Width", 640), c.Width);
        // Start-up reads such a file into the record without overrunning it.
        TShellState s;
        TStartOptions o;
        ReadLateSettings(s, o, false, file);
        EXPECT_TRUE(AllTerminated(s));
        const TWindowGeometry g = ReadWindowSettings(o, file, 198, 107, 10);
        EXPECT_EQ(g.Width, c.Width);
    }
}

// A bare CR that ends the file belongs to the line end, not to the value:
// writing another key must not change what the last key reads.
// Stray carriage returns at the end of a line are no part of its value, and
// writing one key never changes what another key reads.
TEST(ShellInputTest, SettingsFileWithStrayCarriageReturns) {
    test::TTempDir temp;
    const fs::path ini = temp.Path() / "Lemnar.ini";
    for (const std::string& content :
         {std::string("[Options]\nLogin=a\r"), std::string("[Options]\nLogin=a\r\r"),
          std::string("[Options]\r\nLogin=a \r\r\n"),
          std::string("\x05new  [Options]v\nLogin=a]\r\r")}) {
        WriteFile(ini, content);
        const TIniFile file(ini);
        const std::string before = file.ReadString("Options", "Login", "");
        ASSERT_TRUE(file.WriteString("Options", "Host", "h"));
        EXPECT_EQ(file.ReadString("Options", "Login", ""), before) << content;
        EXPECT_EQ(before.find('\r'), std::string::npos) << content;
        EXPECT_EQ(file.ReadString("Options", "Host", ""), "h") << content;
    }
}

TEST(ShellInputTest, ScriptFileWithOddBytes) {
    test::TTempDir temp;
    const fs::path path = temp.Path() / "script.txt";
    struct TCase {
        std::string Bytes;
        std::vector<std::string> Lines; // ReadLine(20) until nothing
    };
    for (const TCase& c : std::vector<TCase>{
             // An overlong line comes in pieces of the field's size.
             {std::string(45, 'L') + "\n", {std::string(20, 'L'), std::string(20, 'L'), "LLLLL\n"}},
             // No final line feed: the last line still comes.
             {"root\npass", {"root\n", "pass"}},
             // A byte 26 ends the file where it stands.
             {"root\npa\x1Ass\nmore\n", {"root\n", "pa"}},
             // NUL bytes are kept as bytes of the line.
             {std::string("ro\0t\n", 5), {std::string("ro\0t\n", 5)}},
             // CR LF line ends lose their CR.
             {"a\r\nb\r\n", {"a\n", "b\n"}},
             {"", {}},
         }) {
        SCOPED_TRACE(testing::PrintToString(c.Bytes.substr(0, 30)));
        WriteFile(path, c.Bytes);
        TScriptFile script;
        ASSERT_TRUE(script.Open(path.c_str()));
        std::vector<std::string> lines;
        for (int i = 0; i < 100; ++i) {
            auto line = script.ReadLine(20);
            if (!line)
                break;
            EXPECT_LE(line->size(), 20u);
            lines.push_back(*line);
        }
        EXPECT_EQ(lines, c.Lines);
    }
}

TEST(ShellInputTest, MissingAndUnreadableFiles) {
    test::TTempDir temp;
    const fs::path missing = temp.Path() / "missing" / "file";
    TScriptFile script;
    EXPECT_FALSE(script.Open(missing.c_str()));
    EXPECT_FALSE(script.ReadLine(20));
    EXPECT_FALSE(TestLog(missing.c_str()));
    EXPECT_EQ(OpenLog(missing.c_str()), nullptr);
    {
        TShellState s;
        TStartOptions o;
        EXPECT_FALSE(ParseCommandLine({"?", missing.string()}, s, o));
        EXPECT_EQ(s.HelpAvailable, 0);
        const auto error = ParseCommandLine({"P", missing.string()}, s, o);
        ASSERT_TRUE(error);
        EXPECT_EQ(*error, "Ошибка открытия лога на запись");
    }
    // A settings file that does not exist gives every default, and one that
    // cannot be written is reported by the write.
    const TIniFile none(missing);
    EXPECT_EQ(none.ReadInteger("Options", "Width", 640), 640);
    EXPECT_EQ(none.ReadString("Options", "Host", "d"), "d");
    EXPECT_FALSE(none.WriteString("Options", "Host", "x"));

    if (!PermissionsApply(temp.Path())) {
        // File modes do not stop this user (root): a file system that takes
        // no new files does.
        EXPECT_FALSE(TestLog("/proc/lemnar.log"));
        EXPECT_FALSE(TIniFile("/proc/Lemnar.ini").WriteString("Options", "Host", "x"));
        return;
    }
    const fs::path locked = temp.Path() / "locked";
    WriteFile(locked, "root\n");
    ::chmod(locked.c_str(), 0);
    EXPECT_FALSE(script.Open(locked.c_str()));
    EXPECT_FALSE(TestLog(locked.c_str()));
    TShellState s;
    TStartOptions o;
    EXPECT_FALSE(ParseCommandLine({"?", locked.string()}, s, o));
    EXPECT_EQ(s.HelpAvailable, 0);
    const TIniFile lockedIni(locked);
    EXPECT_EQ(lockedIni.ReadString("Options", "Host", "d"), "d");
}

} // namespace
} // namespace lemnar
