#include "shell/core/Settings.h"

#include "shell/core/FilePlaces.h"

#include "support/TempDir.h"

#include <functional>
#include <gtest/gtest.h>

namespace lemnar {
namespace {

using test::ReadFile;
using test::TTempDir;
using test::WriteFile;

class SettingsTest : public ::testing::Test {
  protected:
    SettingsTest() : Ini(Dir / "Lemnar.ini") {
        InitShellState(State, Dir.Path().string(), Dir.Path().string(), "Lemnar v. 2.54");
    }

    TTempDir Dir;
    TIniFile Ini;
    TShellState State;
    TStartOptions Options;
};

TEST_F(SettingsTest, WindowFromDefaultsFileAndCommandLine) {
    const TWindowGeometry none = ReadWindowSettings(Options, Ini, 198, 107, 9);
    EXPECT_EQ(none.Left, 198);
    EXPECT_EQ(none.Top, 107);
    EXPECT_EQ(none.Width, 640);
    EXPECT_EQ(none.Height, 480);
    EXPECT_EQ(none.FontSize, 9);

    WriteFile(Dir / "Lemnar.ini", "[Options]\nXCoord=-10\nYCoord=20\nWidth=800\nHeight=600\n"
                                  "FontSize=14\n");
    const TWindowGeometry file = ReadWindowSettings(Options, Ini, 198, 107, 9);
    EXPECT_EQ(file.Left, -10);
    EXPECT_EQ(file.Top, 20);
    EXPECT_EQ(file.Width, 800);
    EXPECT_EQ(file.Height, 600);
    EXPECT_EQ(file.FontSize, 14);

    ASSERT_FALSE(ParseCommandLine({"X", "1", "H", "300", "F", "10"}, State, Options));
    const TWindowGeometry mixed = ReadWindowSettings(Options, Ini, 198, 107, 9);
    EXPECT_EQ(mixed.Left, 1);
    EXPECT_EQ(mixed.Top, 20);
    EXPECT_EQ(mixed.Width, 800);
    EXPECT_EQ(mixed.Height, 300);
    EXPECT_EQ(mixed.FontSize, 10);
}

TEST_F(SettingsTest, LogFromTheFileUnlessGiven) {
    EXPECT_FALSE(ReadLogSetting(State, Options, Ini));
    EXPECT_FALSE(Options.LogEnabled);
    EXPECT_EQ(FieldText(State.LogPath), "");

    const std::string logPath = (Dir / "run.log").string();
    WriteFile(Dir / "Lemnar.ini", "[Options]\nLogfile=" + logPath + "\n");
    EXPECT_FALSE(ReadLogSetting(State, Options, Ini));
    EXPECT_TRUE(Options.LogEnabled);
    EXPECT_EQ(FieldText(State.LogPath), logPath);
    EXPECT_TRUE(std::filesystem::exists(logPath));

    WriteFile(Dir / "Lemnar.ini", "[Options]\nLogfile=" + (Dir / "no" / "x.log").string() + "\n");
    TStartOptions fresh;
    const std::optional<std::string> error = ReadLogSetting(State, fresh, Ini);
    ASSERT_TRUE(error);
    EXPECT_EQ(*error, "Ошибка открытия лога на запись");
    EXPECT_FALSE(fresh.LogEnabled);

    // With P given the file is not consulted at all.
    TStartOptions given;
    given.LogGiven = true;
    SetField(State.LogPath, "from-p");
    EXPECT_FALSE(ReadLogSetting(State, given, Ini));
    EXPECT_EQ(FieldText(State.LogPath), "from-p");
}

TEST_F(SettingsTest, LogfileReadAtMost258Characters) {
    const std::string longPath = Dir.Path().string() + "/" + std::string(300, 'l');
    WriteFile(Dir / "Lemnar.ini", "[Options]\nLogfile=" + longPath + "\n");
    ReadLogSetting(State, Options, Ini);
    EXPECT_EQ(FieldText(State.LogPath), longPath.substr(0, 258));
}

TEST_F(SettingsTest, ExitOnDisconnect) {
    const struct {
        const char* FileValue; // nullptr: no key
        bool OptionE;
        int Expected;
    } cases[] = {
        {nullptr, false, 0}, {"1", false, 1},   {"0", false, 0}, {"yes", false, 0},
        {"10", false, 1},    {" 1 ", false, 1}, {"", false, 0},  {"0", true, 1},
    };
    for (const auto& c : cases) {
        TShellState state;
        TStartOptions options;
        WriteFile(Dir / "Lemnar.ini",
                  c.FileValue ? std::string("[Options]\nExitOnDisconnect=") + c.FileValue + "\n"
                              : std::string("[Options]\n"));
        if (c.OptionE) {
            ASSERT_FALSE(ParseCommandLine({"E"}, state, options));
        }
        ReadLateSettings(state, options, false, Ini);
        EXPECT_EQ(state.ExitOnDisconnect, c.Expected) << (c.FileValue ? c.FileValue : "none");
    }
}

TEST_F(SettingsTest, QuietModeOnlyFromLogWithSOrE) {
    WriteFile(Dir / "Lemnar.ini", "[Options]\nExitOnDisconnect=1\n");
    const struct {
        std::vector<std::string> Args;
        bool LogEnabled;
        int Quiet;
    } cases[] = {
        {{}, true, 0}, // the file's ExitOnDisconnect comes too late to count
        {{"S"}, true, 1},
        {{"E"}, true, 1},
        {{"S", "E"}, false, 0},
    };
    for (const auto& c : cases) {
        TShellState state;
        TStartOptions options;
        ASSERT_FALSE(ParseCommandLine(c.Args, state, options));
        ReadLateSettings(state, options, c.LogEnabled, Ini);
        EXPECT_EQ(state.QuietMode, c.Quiet) << c.Args.size();
        EXPECT_EQ(state.ExitOnDisconnect, 1);
    }
}

TEST_F(SettingsTest, LoginAndHostFromTheFileOnlyWhenEmpty) {
    WriteFile(Dir / "Lemnar.ini", "[Options]\nHost=filehost\nLogin=filelogin\n");
    ASSERT_FALSE(ParseCommandLine({"h", "cmdhost"}, State, Options));
    ReadLateSettings(State, Options, false, Ini);
    EXPECT_EQ(FieldText(State.Host), "cmdhost");
    EXPECT_EQ(FieldText(State.Login), "filelogin");
    EXPECT_EQ(State.LoginKnown, 1);
    EXPECT_EQ(State.HostKnown, 1);

    TShellState empty;
    WriteFile(Dir / "Lemnar.ini", "[Options]\nHost=\n");
    ReadLateSettings(empty, TStartOptions{}, false, Ini);
    EXPECT_EQ(empty.HostKnown, 0);
    EXPECT_EQ(empty.LoginKnown, 0);
}

TEST_F(SettingsTest, LongHostAndLoginFromTheFile) {
    const std::string host = std::string(90, 'n') + ".example.org:2323"; // 107 characters
    WriteFile(Dir / "Lemnar.ini",
              "[Options]\nHost=" + host + "\nLogin=" + std::string(30, 'u') + "\n");
    ReadLateSettings(State, Options, false, Ini);
    EXPECT_EQ(FieldText(State.Host), host);
    EXPECT_EQ(FieldText(State.Login), std::string(19, 'u'));

    WriteFile(Dir / "Lemnar.ini", "[Options]\nHost=" + std::string(500, 'h') + "\n");
    TShellState tooLong;
    ReadLateSettings(tooLong, Options, false, Ini);
    EXPECT_EQ(FieldText(tooLong.Host), std::string(255, 'h'));
}

TEST_F(SettingsTest, HelpBesideTheProgramUnlessGiven) {
    ReadLateSettings(State, Options, false, Ini);
    EXPECT_EQ(FieldText(State.HelpPath), (Dir / "Lemnar.hlp").string());
    EXPECT_EQ(State.HelpAvailable, 0);

    WriteFile(Dir / "Lemnar.hlp", "help");
    ReadLateSettings(State, Options, false, Ini);
    EXPECT_EQ(State.HelpAvailable, 1);

    TShellState given;
    TStartOptions options;
    ASSERT_FALSE(ParseCommandLine({"?", (Dir / "other.hlp").string()}, given, options));
    ReadLateSettings(given, options, false, Ini);
    EXPECT_EQ(FieldText(given.HelpPath), (Dir / "other.hlp").string());
    EXPECT_EQ(given.HelpAvailable, 0);
}

// An installed program finds the help file in the data directory; a copy
// beside the program comes first.
TEST_F(SettingsTest, HelpBesideTheProgramFirstThenInTheDataDirectory) {
    const std::filesystem::path bin = Dir / "usr" / "bin";
    std::filesystem::create_directories(bin);
    TShellState state;
    ASSERT_TRUE(InitShellState(state, bin.string(), "/", "x"));
    const std::string data = DataDir(FieldText(state.ProgramDir));
    ASSERT_NE(data, std::string(FieldText(state.ProgramDir)));

    ReadLateSettings(state, Options, false, Ini);
    EXPECT_EQ(FieldText(state.HelpPath), (bin / "Lemnar.hlp").string());
    EXPECT_EQ(state.HelpAvailable, 0);

    std::filesystem::create_directories(data);
    WriteFile(data + "Lemnar.hlp", "installed");
    ReadLateSettings(state, Options, false, Ini);
    EXPECT_EQ(FieldText(state.HelpPath), data + "Lemnar.hlp");
    EXPECT_EQ(state.HelpAvailable, 1);

    WriteFile(bin / "Lemnar.hlp", "beside");
    ReadLateSettings(state, Options, false, Ini);
    EXPECT_EQ(FieldText(state.HelpPath), (bin / "Lemnar.hlp").string());
    EXPECT_EQ(state.HelpAvailable, 1);

    // A help file named on the command line is the only one looked at.
    TShellState given;
    TStartOptions options;
    ASSERT_TRUE(InitShellState(given, bin.string(), "/", "x"));
    ASSERT_FALSE(ParseCommandLine({"?", (Dir / "other.hlp").string()}, given, options));
    ReadLateSettings(given, options, false, Ini);
    EXPECT_EQ(FieldText(given.HelpPath), (Dir / "other.hlp").string());
    EXPECT_EQ(given.HelpAvailable, 0);
}

TEST_F(SettingsTest, SaveFreshFileByteForByte) {
    SetField(State.Host, "10.0.0.5");
    SetField(State.Login, "root");
    SetField(State.SaveDir, "/home/u/shots/");
    SetField(State.HelpPath, "/opt/lemnar/Lemnar.hlp");
    SetField(State.LogPath, "/var/log/l.log");
    SetField(State.Password, "secret");
    State.ExitOnDisconnect = 1;
    ASSERT_TRUE(SaveSettings(State, Ini, true, {-4, 20, 800, 600, 12}));
    EXPECT_EQ(ReadFile(Dir / "Lemnar.ini"), "[Options]\r\n"
                                            "Host=10.0.0.5\r\n"
                                            "Login=root\r\n"
                                            "SaveDir=/home/u/shots/\r\n"
                                            "HelpPath=/opt/lemnar/Lemnar.hlp\r\n"
                                            "Logfile=/var/log/l.log\r\n"
                                            "XCoord=-4\r\n"
                                            "YCoord=20\r\n"
                                            "Width=800\r\n"
                                            "Height=600\r\n"
                                            "FontSize=12\r\n"
                                            "ExitOnDisconnect=1\r\n");

    // Logging off: Logfile is written empty.
    ASSERT_TRUE(SaveSettings(State, Ini, false, {-4, 20, 800, 600, 12}));
    EXPECT_EQ(Ini.ReadString("Options", "Logfile", "x"), "");
}

TEST_F(SettingsTest, SaveKeepsTheRestOfTheFile) {
    const std::string before = "; Lemnar settings\n"
                               "[Window]\n"
                               "Theme=dark\n"
                               "\n"
                               "[options]\n"
                               "  HOST = old  \n"
                               "; keep me\n"
                               "Extra=1\n"
                               "\n"
                               "[Tail]\n"
                               "x=y\n";
    WriteFile(Dir / "Lemnar.ini", before);
    SetField(State.Host, "new");
    State.ExitOnDisconnect = 0;
    ASSERT_TRUE(SaveSettings(State, Ini, false, {1, 2, 3, 4, 5}));
    EXPECT_EQ(ReadFile(Dir / "Lemnar.ini"), "; Lemnar settings\n"
                                            "[Window]\n"
                                            "Theme=dark\n"
                                            "\n"
                                            "[options]\n"
                                            "  HOST=new\n"
                                            "; keep me\n"
                                            "Extra=1\n"
                                            "Login=\n"
                                            "SaveDir=" +
                                                std::string(FieldText(State.SaveDir)) +
                                                "\n"
                                                "HelpPath=\n"
                                                "Logfile=\n"
                                                "XCoord=1\n"
                                                "YCoord=2\n"
                                                "Width=3\n"
                                                "Height=4\n"
                                                "FontSize=5\n"
                                                "ExitOnDisconnect=0\n"
                                                "\n"
                                                "[Tail]\n"
                                                "x=y\n");
}

TEST_F(SettingsTest, HundredCharacterHostSavedAndReadBackWhole) {
    const std::string host = std::string(100, 'q');
    SetField(State.Host, host);
    ASSERT_TRUE(SaveSettings(State, Ini, false, {}));

    TShellState next;
    ReadLateSettings(next, TStartOptions{}, false, Ini);
    EXPECT_EQ(FieldText(next.Host), host);
    EXPECT_EQ(next.HostKnown, 1);

    TShellState script;
    SetField(script.Host, "scripthost");
    RestoreSettingsFields(script, Ini);
    EXPECT_EQ(FieldText(script.Host), host);
}

TEST_F(SettingsTest, RestoreFieldsForScriptMode) {
    WriteFile(Dir / "Lemnar.ini", "[Options]\nLogin=" + std::string(25, 'u') +
                                      "\nSaveDir=" + std::string(300, 'd') + "\n");
    SetField(State.Login, "script");
    SetField(State.Host, "scripthost");
    RestoreSettingsFields(State, Ini);
    EXPECT_EQ(FieldText(State.Login), std::string(19, 'u'));
    EXPECT_EQ(FieldText(State.Host), "");
    EXPECT_EQ(FieldText(State.SaveDir), std::string(255, 'd'));
}

// Scrollback (rows of history) and KeepAlive (idle seconds before probing):
// the number when the key holds one, the default otherwise, never more than
// the bound; a save leaves the line alone.
TEST_F(SettingsTest, NumbersFromTheFileWithinTheirBounds) {
    struct TKey {
        std::string Name;
        int Default;
        int Most;
        std::function<int()> Read;
    };
    const TKey keys[] = {
        {"Scrollback", 5000, MaxScrollbackRows, [&] { return ReadScrollbackSetting(Ini, 5000); }},
        {"KeepAlive", 60, 32767, [&] { return ReadKeepAliveSetting(Ini); }},
    };
    for (const TKey& key : keys) {
        SCOPED_TRACE(key.Name);
        EXPECT_EQ(key.Read(), key.Default) << "no file";
        const std::pair<std::string, int> cases[] = {
            {"=200", 200},
            {" = 0", 0},
            {"=00120", 120},
            {"=" + std::to_string(key.Most), key.Most},
            {"=" + std::to_string(key.Most + 1), key.Most},
            {"=" + std::string(40, '9'), key.Most},
            {"=", key.Default},
            {"=-1", key.Default},
            {"=+7", key.Default},
            {"=12 rows", key.Default},
            {"=lots", key.Default},
        };
        for (const auto& [value, number] : cases) {
            WriteFile(Dir / "Lemnar.ini", "[Options]\n" + key.Name + value + "\n");
            EXPECT_EQ(key.Read(), number) << value;
        }
        WriteFile(Dir / "Lemnar.ini", "[Options]\nOther=1\n" + key.Name + " = 250 \nHost=a\n");
        ASSERT_TRUE(SaveSettings(State, Ini, false, {1, 2, 3, 4, 5}));
        const std::string saved = ReadFile(Dir / "Lemnar.ini");
        EXPECT_EQ(saved.rfind("[Options]\nOther=1\n" + key.Name + " = 250 \nHost=", 0), 0u)
            << saved;
        EXPECT_EQ(key.Read(), 250);
    }
}

TEST_F(SettingsTest, GarbageSettingsFileDoesNotCrash) {
    std::string garbage;
    for (int i = 0; i < 20000; ++i) {
        garbage += static_cast<char>((i * 131 + i / 7) % 256);
    }
    WriteFile(Dir / "Lemnar.ini", garbage + "\n[Options]\nHost=" + std::string(5000, '\xd0') +
                                      "\nWidth=" + std::string(5000, '9') + "\n");
    const TWindowGeometry window = ReadWindowSettings(Options, Ini, 198, 107, 9);
    EXPECT_EQ(window.Width, INT_MAX);
    EXPECT_FALSE(ReadLogSetting(State, Options, Ini));
    ReadLateSettings(State, Options, false, Ini);
    EXPECT_EQ(FieldText(State.Host).size(), 255u);
    EXPECT_TRUE(SaveSettings(State, Ini, false, window));
}

} // namespace
} // namespace lemnar
