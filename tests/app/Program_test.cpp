// The real program, started from a directory of its own: it finds its
// settings file beside itself, connects, and writes its settings back there
// when the server ends the connection.

#include "shell/core/IniFile.h"
#include "support/ScriptedServer.h"

#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <thread>

namespace lemnar {
namespace {

namespace fs = std::filesystem;

TEST(ProgramTest, StartsFromItsDirectoryAndSavesItsSettingsThere) {
    test::TScriptedServer server(test::OwnThread);
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const fs::path home = dir.path().toStdString();
    fs::copy_file(LEMNAR_PROGRAM, home / "lemnar");
    std::ofstream(home / "Lemnar.ini", std::ios::binary)
        << "[Options]\r\nHost=" << server.HostPort()
        << "\r\nLogin=\r\nWidth=400\r\nHeight=300\r\nExitOnDisconnect=1\r\n";

    QProcess program;
    program.setWorkingDirectory(dir.path());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    program.setProcessEnvironment(env);
    program.start(QString::fromStdString((home / "lemnar").string()), {});
    ASSERT_TRUE(program.waitForStarted(10000));

    // The host comes from the settings file: the program connects at once.
    const auto deadline = test::TClock::now() + std::chrono::seconds(20);
    while (!server.Accepted() && test::TClock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_TRUE(server.Accepted()) << program.readAllStandardError().toStdString();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    // The server ends the connection; with ExitOnDisconnect the program saves
    // its settings and ends.
    server.Close();
    ASSERT_TRUE(program.waitForFinished(20000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);

    const TIniFile ini(home / "Lemnar.ini");
    EXPECT_EQ(ini.ReadString("Options", "Host", ""), server.HostPort());
    EXPECT_EQ(ini.ReadString("Options", "ExitOnDisconnect", ""), "1");
    EXPECT_EQ(ini.ReadString("Options", "Logfile", "<none>"), "");
    EXPECT_EQ(ini.ReadString("Options", "SaveDir", ""), home.string() + "/");
    EXPECT_EQ(ini.ReadString("Options", "HelpPath", ""), (home / "Lemnar.hlp").string());
    EXPECT_EQ(ini.ReadInteger("Options", "XCoord", -1), 198);
    EXPECT_EQ(ini.ReadInteger("Options", "FontSize", -1), 10);
    // The client area holds whole cells, no larger than asked for.
    const int width = ini.ReadInteger("Options", "Width", -1);
    const int height = ini.ReadInteger("Options", "Height", -1);
    EXPECT_GT(width, 300);
    EXPECT_LE(width, 400);
    EXPECT_GT(height, 200);
    EXPECT_LE(height, 300);
}

} // namespace
} // namespace lemnar
