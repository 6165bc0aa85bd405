// Start-up of the real main window: the command line, the settings file and
// its precedence, the window's size, the log, and the first action.

#include "app/AppFixture.h"
#include "support/ScriptedServer.h"

#include "keyboard/Cp1251.h"
#include "shell/core/IniFile.h"
#include "support/ScopedEnv.h"
#include "terminal/FontSize.h"

#include <QAction>
#include <QDir>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>

namespace lemnar::test {
namespace {

using TMainWindowTest = TAppTest;

struct TCommandLineError {
    std::vector<std::string> Args;
    const char* Text;
};

class TCommandLineErrorTest : public TAppTest,
                              public ::testing::WithParamInterface<TCommandLineError> {};

// Every error stops start-up: one box, the window visible for it even when
// started hidden, nothing connected, nothing read or saved, and the program
// ends through the quit procedure without a question.
TEST_P(TCommandLineErrorTest, ShowsTheMessageAndQuits) {
    TScriptedServer server(OwnThread);
    std::vector<std::string> args = {"h", server.HostPort(), "S"};
    args.insert(args.end(), GetParam().Args.begin(), GetParam().Args.end());
    Start(args);
    ASSERT_TRUE(WaitClosed());
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_EQ(Boxes[0].Text, GetParam().Text);
    EXPECT_EQ(Boxes[0].Kind, TMessageKind::Ok);
    EXPECT_TRUE(Boxes[0].WindowVisible);
    EXPECT_FALSE(server.Accepted());
    EXPECT_FALSE(std::filesystem::exists(SettingsFile()));
    EXPECT_EQ(Window->ShellState.Quitting, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Errors, TCommandLineErrorTest,
    ::testing::Values(TCommandLineError{{"T"}, "В строке запуска не указан тип терминала"},
                      TCommandLineError{{"T", "vt100"},
                                        "В строке запуска указан неизвестный тип терминала"},
                      TCommandLineError{{"W"}, "В строке запуска не указана ширина окна"},
                      TCommandLineError{{"P", "/nonexistent-dir/x/lemnar.log"},
                                        "Ошибка открытия лога на запись"}));

TEST_F(TMainWindowTest, NoArgumentsAndNoSettingsShowTheEmptyPrompt) {
    Start({});
    EXPECT_EQ(Caption(), "Lemnar v. 2.54");
    EXPECT_EQ(Window->ShellState.DisconnectedCaption, "Lemnar v. 2.54 Отключено.");
    EXPECT_TRUE(Window->Panel->isVisible());
    EXPECT_TRUE(Window->HostEdit->isVisible());
    EXPECT_TRUE(Window->HostEdit->text().isEmpty());
    EXPECT_FALSE(Window->WaitText->isVisible());
    EXPECT_EQ(Window->Terminal.TerminalType, 0);
    EXPECT_EQ(std::string(Window->Telnet.Terminal), "QNX");
    EXPECT_EQ(Window->ShellState.ExitOnDisconnect, 0);
    EXPECT_FALSE(Window->N3->isChecked());
    EXPECT_EQ(Window->Terminal.LogEnabled, 0);
    EXPECT_TRUE(Window->Conn->isEnabled());
    EXPECT_FALSE(Window->DisConn->isEnabled());
    // 640 x 480 snapped to whole cells, and the engine told the grid.
    const int cw = Window->Terminal.CellWidth;
    const int ch = Window->Terminal.CellHeight;
    EXPECT_EQ(Window->Terminal.ScreenCols, 640 / cw);
    EXPECT_EQ(Window->Terminal.ScreenRows, 480 / ch);
    EXPECT_EQ(Window->ClientWidth(), 640 / cw * cw);
    EXPECT_EQ(Window->ClientHeight(), 480 / ch * ch);
    EXPECT_EQ(Window->Telnet.Rows, Window->Terminal.ScreenRows);
    EXPECT_EQ(Window->Telnet.Columns, Window->Terminal.ScreenCols);
    // The program's own places.
    const std::string dir = Dir.Path().string() + "/";
    EXPECT_EQ(FieldText(Window->ShellState.ProgramDir), dir);
    EXPECT_EQ(FieldText(Window->ShellState.SettingsPath), dir + "Lemnar.ini");
    EXPECT_EQ(FieldText(Window->ShellState.HelpPath), dir + "Lemnar.hlp");
    EXPECT_EQ(Window->ShellState.HelpAvailable, 0);
    EXPECT_EQ(FieldText(Window->ShellState.SaveDir), QDir::currentPath().toStdString() + "/");
    EXPECT_TRUE(Boxes.empty());
    EXPECT_FALSE(std::filesystem::exists(SettingsFile()));
}

// The command line wins over the settings file, key by key.
TEST_F(TMainWindowTest, CommandLineOverridesTheSettingsFile) {
    WriteFile(SettingsFile(), "[Options]\nXCoord=50\nYCoord=60\nWidth=400\nHeight=300\n"
                              "FontSize=12\nLogin=filelogin\nHost=\nExitOnDisconnect=yes\n");
    Start({"-x", "10", "W", "500", "Y", "70", "T", "ansi"});
    EXPECT_EQ(Window->x(), 50);
    EXPECT_EQ(Window->y(), 70);
    EXPECT_EQ(Window->FontSize, 12);
    EXPECT_EQ(Window->Font.PixelHeight, FontPointsToPixels(12));
    const int cw = Window->Terminal.CellWidth;
    const int ch = Window->Terminal.CellHeight;
    EXPECT_EQ(Window->ClientWidth(), 500 / cw * cw);
    EXPECT_EQ(Window->ClientHeight(), 300 / ch * ch);
    EXPECT_EQ(FieldText(Window->ShellState.Login), "filelogin");
    EXPECT_EQ(Window->ShellState.LoginKnown, 1);
    EXPECT_EQ(Window->ShellState.HostKnown, 0);
    // Only a leading "1" counts.
    EXPECT_EQ(Window->ShellState.ExitOnDisconnect, 0);
    EXPECT_EQ(Window->Terminal.TerminalType, 1);
    EXPECT_EQ(std::string(Window->Telnet.Terminal), "ANSI");
}

TEST_F(TMainWindowTest, ExitOptionIsNotOverriddenByTheFile) {
    WriteFile(SettingsFile(), "[Options]\nExitOnDisconnect=0\nFontSize=10\n");
    Start({"E", "F", "14"});
    EXPECT_EQ(Window->ShellState.ExitOnDisconnect, 1);
    EXPECT_TRUE(Window->N3->isChecked());
    EXPECT_EQ(Window->FontSize, 14);
    // E without a log is not quiet mode.
    EXPECT_EQ(Window->ShellState.QuietMode, 0);
}

// The grids the README names: with the fallback face (cells of 8 x 15) the
// default client area of 640 x 480 holds 80 x 32 cells, and H 375 gives
// 80 x 25.
TEST_F(TMainWindowTest, DefaultAndShortenedGridsOfTheFallbackFace) {
    Start({});
    if (Window->Terminal.CellWidth != 8 || Window->Terminal.CellHeight != 15)
        GTEST_SKIP() << "cells of " << Window->Terminal.CellWidth << " x "
                     << Window->Terminal.CellHeight << ": not the fallback face";
    EXPECT_EQ(Window->Terminal.ScreenCols, 80);
    EXPECT_EQ(Window->Terminal.ScreenRows, 32);
    Window.reset();
    Start({"H", "375"});
    EXPECT_EQ(Window->Terminal.ScreenCols, 80);
    EXPECT_EQ(Window->Terminal.ScreenRows, 25);
    EXPECT_EQ(Window->ClientHeight(), 375);
}

TEST_F(TMainWindowTest, HeightIsCappedAtEightyRows) {
    Start({"W", "1000", "H", "4000"});
    const int cw = Window->Terminal.CellWidth;
    const int ch = Window->Terminal.CellHeight;
    EXPECT_EQ(Window->Terminal.ScreenRows, 80);
    EXPECT_EQ(Window->Terminal.ScreenCols, std::min(160, 1000 / cw));
    EXPECT_EQ(Window->ClientHeight(), 80 * ch);
}

TEST_F(TMainWindowTest, ScriptWithoutHostIsRefusedAndThePromptStaysDown) {
    WriteFile(Dir / "s.txt", "user\npass\n");
    Start({"B", (Dir / "s.txt").string()});
    ASSERT_EQ(BoxTexts(), std::vector<std::string>{"Невозможно запустить сценарий на выполнение.\n"
                                                   "Не указан IP-адрес сервера."});
    EXPECT_EQ(Window->ShellState.ScriptMode, 0);
    EXPECT_FALSE(Window->Panel->isVisible());
    Pump(100);
    EXPECT_FALSE(Window->Closed);
}

// Quiet mode: the error goes to the log as code page 1251 with CR LF, and
// the program ends without any box.
TEST_F(TMainWindowTest, QuietScriptWithoutHostWritesTheLogAndQuits) {
    WriteFile(Dir / "s.txt", "user\npass\n");
    const auto log = Dir / "lemnar.log";
    WriteFile(log, "old\r\n");
    Start({"S", "P", log.string(), "B", (Dir / "s.txt").string()});
    ASSERT_TRUE(WaitClosed());
    EXPECT_TRUE(Boxes.empty());
    EXPECT_FALSE(Window->isVisible());
    EXPECT_EQ(ReadFile(log), "old\r\n"
                             "\xcd\xe5\xe2\xee\xe7\xec\xee\xe6\xed\xee \xe7\xe0\xef\xf3\xf1\xf2"
                             "\xe8\xf2\xfc \xf1\xf6\xe5\xed\xe0\xf0\xe8\xe9 \xed\xe0 "
                             "\xe2\xfb\xef\xee\xeb\xed\xe5\xed\xe8\xe5. \xcd\xe5 \xf3\xea\xe0"
                             "\xe7\xe0\xed IP-\xe0\xe4\xf0\xe5\xf1 \xf1\xe5\xf0\xe2\xe5\xf0"
                             "\xe0.\r\n");
    EXPECT_FALSE(std::filesystem::exists(SettingsFile()));
}

TEST_F(TMainWindowTest, StartedHiddenTheWindowHides) {
    Start({"S"});
    EXPECT_TRUE(WaitUntil([this] { return !OnScreen(); }, 2000));
    EXPECT_EQ(Window->ShellState.QuietMode, 0);
}

// A script started hidden that cannot connect: the box is the only thing
// shown, and the program stays, idle and hidden.
TEST_F(TMainWindowTest, StartedHiddenScriptFailureShowsOnlyTheBox) {
    const std::string host = "127.0.0.1:" + std::to_string(RefusingPort());
    WriteFile(Dir / "s.txt", "user\npass\n");
    BoxLoopMs = 50;
    Start({"S", "B", (Dir / "s.txt").string(), "h", host});
    ASSERT_TRUE(WaitUntil([this] { return !Boxes.empty(); }, 5000));
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Удалённый сервер " + host +
                                                   " не отвечает. Проверьте правильность адреса"});
    EXPECT_FALSE(Boxes[0].WindowVisible);
    Pump(100);
    EXPECT_FALSE(OnScreen());
    EXPECT_FALSE(Window->Closed);
}

// A log named in the settings file that cannot be opened: started hidden, the
// window is shown for the box, and the program ends.
TEST_F(TMainWindowTest, StartedHiddenLogErrorShowsTheWindowAndQuits) {
    WriteFile(SettingsFile(), "[Options]\nLogfile=/nonexistent-dir/x/lemnar.log\n");
    BoxLoopMs = 50;
    Start({"S"});
    ASSERT_TRUE(WaitClosed());
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Ошибка открытия лога на запись"});
    EXPECT_TRUE(Boxes[0].WindowVisible);
    EXPECT_EQ(Window->Terminal.LogEnabled, 0);
}

TEST_F(TMainWindowTest, HelpFileBesideTheProgramIsFound) {
    WriteFile(Dir / "Lemnar.hlp", "x\n");
    Start({});
    EXPECT_EQ(Window->ShellState.HelpAvailable, 1);
}

// Where the settings file is: beside the program while its directory can be
// written, else in the user's configuration directory. Tests run as root, who
// may write into any directory, so a program directory that cannot be written
// is one below a regular file, where nobody can create anything.
class TSettingsPlaceTest : public TAppTest {
  protected:
    TSettingsPlaceTest() { WriteFile(Dir / "blocker", "not a directory"); }

    std::filesystem::path UnwritableProgramDir() const { return Dir / "blocker" / "bin"; }
    std::filesystem::path UserSettings() const { return Dir / "config" / "Lemnar" / "Lemnar.ini"; }

    TScopedEnv ConfigHome{"XDG_CONFIG_HOME", (Dir / "config").c_str()};
};

TEST_F(TSettingsPlaceTest, WritableProgramDirectoryKeepsTheFileBesideTheProgram) {
    WriteFile(SettingsFile(), "[Options]\nLogin=portable\n");
    Start({});
    EXPECT_EQ(FieldText(Window->ShellState.SettingsPath), SettingsFile().string());
    EXPECT_EQ(FieldText(Window->ShellState.Login), "portable");
    Window->SaveSettings();
    EXPECT_EQ(TIniFile(SettingsFile()).ReadString("Options", "Width", ""),
              std::to_string(Window->ClientWidth()));
    EXPECT_FALSE(std::filesystem::exists(Dir / "config"));
    EXPECT_TRUE(Boxes.empty());
}

// The settings the peer's close saves are read back at the next start.
TEST_F(TSettingsPlaceTest, UnwritableProgramDirectorySavesInTheConfigDirectory) {
    TScriptedServer server(OwnThread);
    Start({"h", server.HostPort(), "L", "bob", "W", "400", "F", "12"}, UnwritableProgramDir());
    EXPECT_EQ(FieldText(Window->ShellState.SettingsPath), UserSettings().string());
    ASSERT_EQ(Window->Connected, 1);
    ASSERT_TRUE(WaitUntil([&] { return server.Accepted(); }));
    EXPECT_FALSE(std::filesystem::exists(Dir / "config"));
    server.Close();
    ASSERT_TRUE(WaitUntil([&] { return Window->Connected == 0; }));
    EXPECT_TRUE(Boxes.empty());
    ASSERT_TRUE(std::filesystem::exists(UserSettings()));
    const int width = Window->ClientWidth();
    Window.reset();

    Start({}, UnwritableProgramDir());
    EXPECT_EQ(FieldText(Window->ShellState.Host), server.HostPort());
    EXPECT_EQ(Window->ShellState.HostKnown, 1);
    EXPECT_EQ(FieldText(Window->ShellState.Login), "bob");
    EXPECT_EQ(Window->FontSize, 12);
    EXPECT_EQ(Window->ClientWidth(), width);
    EXPECT_TRUE(Boxes.empty());
}

TEST_F(TSettingsPlaceTest, WithoutConfigHomeTheFileGoesToDotConfig) {
    TScopedEnv noConfigHome("XDG_CONFIG_HOME", nullptr);
    TScopedEnv home("HOME", (Dir / "home").c_str());
    Start({}, UnwritableProgramDir());
    const auto file = Dir / "home" / ".config" / "Lemnar" / "Lemnar.ini";
    EXPECT_EQ(FieldText(Window->ShellState.SettingsPath), file.string());
    Window->SaveSettings();
    EXPECT_TRUE(std::filesystem::exists(file));
    EXPECT_TRUE(Boxes.empty());
}

// A file that cannot be written anywhere is reported once, in a box, and the
// program goes on.
TEST_F(TSettingsPlaceTest, UnwritableEverywhereIsReportedOnceInABox) {
    TScopedEnv blockedConfig("XDG_CONFIG_HOME", (Dir / "blocker").c_str());
    TScriptedServer server(OwnThread);
    Start({"h", server.HostPort()}, UnwritableProgramDir());
    ASSERT_EQ(Window->Connected, 1);
    ASSERT_TRUE(WaitUntil([&] { return server.Accepted(); }));
    server.Close();
    ASSERT_TRUE(WaitUntil([&] { return Window->Connected == 0; }));
    Window->SaveSettings();
    const std::string file = (Dir / "blocker" / "Lemnar" / "Lemnar.ini").string();
    ASSERT_EQ(BoxTexts(),
              std::vector<std::string>{"Не удалось сохранить настройки в файл " + file});
    EXPECT_EQ(Boxes[0].Kind, TMessageKind::Ok);
    Pump(100);
    EXPECT_FALSE(Window->Closed);
    EXPECT_TRUE(Window->Conn->isEnabled());
}

// With a log the report goes there instead of a box, also once.
TEST_F(TSettingsPlaceTest, UnwritableEverywhereIsReportedOnceInTheLog) {
    TScopedEnv blockedConfig("XDG_CONFIG_HOME", (Dir / "blocker").c_str());
    const auto log = Dir / "lemnar.log";
    Start({"P", log.string()}, UnwritableProgramDir());
    ASSERT_EQ(Window->Terminal.LogEnabled, 1);
    Window->SaveSettings();
    Window->SaveSettings();
    const std::string file = (Dir / "blocker" / "Lemnar" / "Lemnar.ini").string();
    EXPECT_EQ(ReadFile(log),
              Utf8ToCp1251("Не удалось сохранить настройки в файл " + file) + "\r\n");
    EXPECT_TRUE(Boxes.empty());
    EXPECT_FALSE(Window->Closed);
}

} // namespace
} // namespace lemnar::test
