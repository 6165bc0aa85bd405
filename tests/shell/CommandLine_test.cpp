#include "shell/core/CommandLine.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <climits>

namespace lemnar {
namespace {

using test::TTempDir;

struct TParsed {
    TShellState State;
    TStartOptions Options;
    std::optional<std::string> Error;
};

TParsed Parse(const std::vector<std::string>& args) {
    TParsed parsed;
    parsed.Error = ParseCommandLine(args, parsed.State, parsed.Options);
    return parsed;
}

TEST(CommandLineTest, NoArguments) {
    const TParsed p = Parse({});
    EXPECT_FALSE(p.Error);
    EXPECT_EQ(p.Options.TerminalType, 0);
    EXPECT_EQ(p.Options.TerminalName, "QNX");
    EXPECT_EQ(p.State.ExitOnDisconnect, 2);
    EXPECT_FALSE(p.Options.HostGiven || p.Options.LoginGiven || p.Options.WidthGiven ||
                 p.Options.LogGiven || p.Options.HelpGiven || p.Options.ExitGiven);
}

TEST(CommandLineTest, MissingValueOfEachOption) {
    const struct {
        const char* Option;
        const char* Message;
    } cases[] = {
        {"?", "В строке запуска не указан путь к файлу помощи"},
        {"B", "В строке запуска не указан файл сценария"},
        {"b", "В строке запуска не указан файл сценария"},
        {"D", "В строке запуска не указана директория сохранения экрана"},
        {"F", "В строке запуска не указан размер шрифта"},
        {"H", "В строке запуска не указана высота окна"},
        {"h", "В строке запуска не указан адрес узла"},
        {"host", "В строке запуска не указан адрес узла"},
        {"L", "В строке запуска не указан логин"},
        {"p", "В строке запуска не указан файл лога"},
        {"T", "В строке запуска не указан тип терминала"},
        {"w", "В строке запуска не указана ширина окна"},
        {"X", "В строке запуска не указана координата по X"},
        {"y", "В строке запуска не указана координата по Y"},
    };
    for (const auto& c : cases) {
        const TParsed p = Parse({"S", c.Option});
        ASSERT_TRUE(p.Error) << c.Option;
        EXPECT_EQ(*p.Error, c.Message) << c.Option;
        EXPECT_EQ(p.State.StartHidden, 1) << "options before the error still count";
    }
}

TEST(CommandLineTest, ErrorStopsTheRest) {
    const TParsed p = Parse({"T", "vt100", "h", "host"});
    ASSERT_TRUE(p.Error);
    EXPECT_EQ(*p.Error, "В строке запуска указан неизвестный тип терминала");
    EXPECT_EQ(FieldText(p.State.Host), "");
}

TEST(CommandLineTest, TerminalTypes) {
    const struct {
        const char* Value;
        int Type;
        const char* Name;
    } cases[] = {
        {"ansi", 1, "ANSI"}, {"A", 1, "ANSI"},  {"Qnx", 0, "QNX"},
        {"q", 0, "QNX"},     {"tty", 2, "TTY"}, {"T", 2, "TTY"},
    };
    for (const auto& c : cases) {
        const TParsed p = Parse({"t", c.Value});
        EXPECT_FALSE(p.Error) << c.Value;
        EXPECT_EQ(p.Options.TerminalType, c.Type) << c.Value;
        EXPECT_EQ(p.Options.TerminalName, c.Name) << c.Value;
    }
    for (const char* bad : {"vt100", "", "-a", "1"}) {
        const TParsed p = Parse({"T", bad});
        ASSERT_TRUE(p.Error) << bad;
        EXPECT_EQ(*p.Error, "В строке запуска указан неизвестный тип терминала");
    }
}

TEST(CommandLineTest, ValuesAndFlags) {
    const TParsed p =
        Parse({"h", "10.0.0.5", "login", "root", "x", "-5",         "Y", "20", "W", "1000",
               "H", "2000",     "f",     "12",   "b", "script.txt", "e", "s",  "T", "ansi"});
    ASSERT_FALSE(p.Error);
    EXPECT_EQ(FieldText(p.State.Host), "10.0.0.5");
    EXPECT_EQ(p.State.HostKnown, 1);
    EXPECT_EQ(FieldText(p.State.Login), "root");
    EXPECT_EQ(p.State.LoginKnown, 1);
    EXPECT_EQ(p.Options.Window.Left, -5);
    EXPECT_EQ(p.Options.Window.Top, 20);
    EXPECT_EQ(p.Options.Window.Width, 1000);
    EXPECT_EQ(p.Options.Window.Height, 2000);
    EXPECT_EQ(p.Options.Window.FontSize, 12);
    EXPECT_EQ(FieldText(p.State.ScriptPath), "script.txt");
    EXPECT_EQ(p.State.ScriptMode, 1);
    EXPECT_EQ(p.State.ExitOnDisconnect, 1);
    EXPECT_EQ(p.State.StartHidden, 1);
    EXPECT_EQ(p.Options.TerminalType, 1);
    EXPECT_TRUE(p.Options.HostGiven && p.Options.LoginGiven && p.Options.LeftGiven &&
                p.Options.TopGiven && p.Options.WidthGiven && p.Options.HeightGiven &&
                p.Options.FontSizeGiven && p.Options.ExitGiven);
    EXPECT_FALSE(p.Options.LogGiven || p.Options.HelpGiven);
}

TEST(CommandLineTest, CapitalHIsHeightSmallHIsHost) {
    const TParsed height = Parse({"H", "600"});
    EXPECT_EQ(height.Options.Window.Height, 600);
    EXPECT_TRUE(height.Options.HeightGiven);
    EXPECT_FALSE(height.Options.HostGiven);
    EXPECT_EQ(FieldText(height.State.Host), "");

    const TParsed host = Parse({"h", "600"});
    EXPECT_EQ(FieldText(host.State.Host), "600");
    EXPECT_FALSE(host.Options.HeightGiven);
    EXPECT_EQ(host.Options.Window.Height, 480);

    // Only the first character counts: "Height" is H, "host" is h.
    EXPECT_EQ(Parse({"Height", "300"}).Options.Window.Height, 300);
    EXPECT_EQ(FieldText(Parse({"hX", "srv"}).State.Host), "srv");
}

TEST(CommandLineTest, UnknownArgumentsAreSkipped) {
    const TParsed p = Parse({"-x", "10", "/h", "", "zzz", "W", "700"});
    ASSERT_FALSE(p.Error);
    EXPECT_FALSE(p.Options.LeftGiven);
    EXPECT_FALSE(p.Options.HostGiven);
    EXPECT_EQ(p.Options.Window.Left, 198);
    EXPECT_EQ(p.Options.Window.Width, 700);
}

TEST(CommandLineTest, ValueIsTheNextArgumentWhateverItIs) {
    const TParsed p = Parse({"h", "W", "L", "-h"});
    ASSERT_FALSE(p.Error);
    EXPECT_EQ(FieldText(p.State.Host), "W");
    EXPECT_EQ(FieldText(p.State.Login), "-h");
    EXPECT_FALSE(p.Options.WidthGiven);
}

TEST(CommandLineTest, LaterOptionsOverride) {
    const TParsed p = Parse({"h", "one", "W", "100", "t", "ansi", "H", "1", "h", "two", "w", "200",
                             "T", "tty", "H", "2"});
    ASSERT_FALSE(p.Error);
    EXPECT_EQ(FieldText(p.State.Host), "two");
    EXPECT_EQ(p.Options.Window.Width, 200);
    EXPECT_EQ(p.Options.Window.Height, 2);
    EXPECT_EQ(p.Options.TerminalName, "TTY");
}

TEST(CommandLineTest, NumbersReadLikeAtolAndClampedToInt) {
    const struct {
        const char* Value;
        int Width;
    } cases[] = {
        {"-5", -5}, {"99999999999", INT_MAX}, {"-99999999999", INT_MIN}, {"12px", 12}, {"wide", 0},
        {"", 0},
    };
    for (const auto& c : cases) {
        const TParsed p = Parse({"W", c.Value});
        EXPECT_EQ(p.Options.Window.Width, c.Width) << c.Value;
        EXPECT_TRUE(p.Options.WidthGiven);
    }
}

TEST(CommandLineTest, LongValuesAreCutToTheirFields) {
    const std::string host(1000, 'a');
    const std::string login(25, 'l');
    const TParsed p = Parse({"h", host, "L", login, "b", std::string(400, 's')});
    ASSERT_FALSE(p.Error);
    EXPECT_EQ(FieldText(p.State.Host), host.substr(0, 255));
    EXPECT_EQ(FieldText(p.State.Login), login.substr(0, 19));
    EXPECT_EQ(FieldText(p.State.ScriptPath), std::string(259, 's'));
    EXPECT_EQ(FieldText(p.State.Password), "");
}

TEST(CommandLineTest, SaveDirGetsSeparatorAndIsCreated) {
    TTempDir dir;
    const std::string deep = (dir / "a" / "b" / "c").string();
    const TParsed p = Parse({"d", deep});
    ASSERT_FALSE(p.Error);
    EXPECT_EQ(FieldText(p.State.SaveDir), deep + "/");
    EXPECT_TRUE(std::filesystem::is_directory(deep));

    const std::string withSeparator = (dir / "x").string() + "/";
    EXPECT_EQ(FieldText(Parse({"D", withSeparator}).State.SaveDir), withSeparator);
    EXPECT_TRUE(std::filesystem::is_directory(dir / "x"));

    // A directory that cannot be made is not an error.
    test::WriteFile(dir / "file", "");
    const TParsed blocked = Parse({"D", (dir / "file" / "sub").string()});
    EXPECT_FALSE(blocked.Error);
    EXPECT_EQ(FieldText(blocked.State.SaveDir), (dir / "file" / "sub").string() + "/");
}

TEST(CommandLineTest, HelpFileIsProbed) {
    TTempDir dir;
    test::WriteFile(dir / "help.hlp", "text");
    const TParsed found = Parse({"?", (dir / "help.hlp").string()});
    EXPECT_FALSE(found.Error);
    EXPECT_EQ(found.State.HelpAvailable, 1);
    EXPECT_TRUE(found.Options.HelpGiven);
    EXPECT_EQ(FieldText(found.State.HelpPath), (dir / "help.hlp").string());

    const TParsed missing = Parse({"?", (dir / "none.hlp").string()});
    EXPECT_FALSE(missing.Error) << "a missing help file only disables help";
    EXPECT_EQ(missing.State.HelpAvailable, 0);
    EXPECT_TRUE(missing.Options.HelpGiven);
}

TEST(CommandLineTest, LogFileIsProbed) {
    TTempDir dir;
    test::WriteFile(dir / "old.log", "old");
    const TParsed p = Parse({"P", (dir / "old.log").string()});
    EXPECT_FALSE(p.Error);
    EXPECT_TRUE(p.Options.LogEnabled);
    EXPECT_TRUE(p.Options.LogGiven);
    EXPECT_EQ(test::ReadFile(dir / "old.log"), "old") << "the test adds nothing";

    const TParsed bad = Parse({"p", (dir / "no" / "such.log").string(), "h", "host"});
    ASSERT_TRUE(bad.Error);
    EXPECT_EQ(*bad.Error, "Ошибка открытия лога на запись");
    EXPECT_FALSE(bad.Options.LogEnabled);
    EXPECT_EQ(FieldText(bad.State.Host), "");
}

} // namespace
} // namespace lemnar
