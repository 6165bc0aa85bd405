#include "shell/core/LogFile.h"

#include "support/TempDir.h"
#include "terminal/LogWriter.h"

#include <gtest/gtest.h>

namespace lemnar {
namespace {

using test::ReadFile;
using test::TTempDir;
using test::WriteFile;

TEST(LogFileTest, TestLeavesContentAndFailsOnBadPath) {
    TTempDir dir;
    WriteFile(dir / "a.log", "old\r\n");
    EXPECT_TRUE(TestLog((dir / "a.log").c_str()));
    EXPECT_EQ(ReadFile(dir / "a.log"), "old\r\n");
    EXPECT_TRUE(TestLog((dir / "new.log").c_str()));
    EXPECT_TRUE(std::filesystem::exists(dir / "new.log"));
    EXPECT_FALSE(TestLog((dir / "missing" / "x.log").c_str()));
    EXPECT_FALSE(TestLog(dir.Path().c_str()));
}

TEST(LogFileTest, ReceivedBlockWithLineFeed) {
    TTempDir dir;
    WriteFile(dir / "a.log", "old");
    std::FILE* log = OpenLog((dir / "a.log").c_str());
    ASSERT_NE(log, nullptr);
    const char block[] = {'a', '\n', 'b'};
    std::fprintf(log, "--%d chars recvd: ", 3);
    LogWrite(log, block, sizeof block);
    LogWrite(log, "\n", 1);
    std::fclose(log);
    EXPECT_EQ(ReadFile(dir / "a.log"), "old--3 chars recvd: a\r\nb\r\n");
}

TEST(LogFileTest, ErrorLinesInCp1251) {
    const struct {
        std::string Text;
        std::string Bytes;
    } cases[] = {
        {std::string(ScriptNoHostLogText),
         "\xcd\xe5\xe2\xee\xe7\xec\xee\xe6\xed\xee \xe7\xe0\xef\xf3\xf1\xf2\xe8\xf2\xfc "
         "\xf1\xf6\xe5\xed\xe0\xf0\xe8\xe9 \xed\xe0 \xe2\xfb\xef\xee\xeb\xed\xe5\xed\xe8\xe5. "
         "\xcd\xe5 \xf3\xea\xe0\xe7\xe0\xed IP-\xe0\xe4\xf0\xe5\xf1 "
         "\xf1\xe5\xf0\xe2\xe5\xf0\xe0.\r\n"},
        {std::string(ScriptOpenErrorText),
         "\xce\xf8\xe8\xe1\xea\xe0 \xee\xf2\xea\xf0\xfb\xf2\xe8\xff \xf4\xe0\xe9\xeb\xe0 "
         "\xf1\xf6\xe5\xed\xe0\xf0\xe8\xff\r\n"},
        {std::string(ScriptNoLoginText),
         "\xcd\xe5 \xf3\xe4\xe0\xeb\xee\xf1\xfc \xf1\xf7\xe8\xf2\xe0\xf2\xfc "
         "\xeb\xee\xe3\xe8\xed\r\n"},
        {std::string(ScriptNoPasswordText),
         "\xcd\xe5 \xf3\xe4\xe0\xeb\xee\xf1\xfc \xf1\xf7\xe8\xf2\xe0\xf2\xfc "
         "\xef\xe0\xf0\xee\xeb\xfc\r\n"},
        {ConnectFailedText("10.0.0.5"),
         "\xd3\xe4\xe0\xeb\xb8\xed\xed\xfb\xe9 \xf1\xe5\xf0\xe2\xe5\xf0 10.0.0.5 "
         "\xed\xe5 \xee\xf2\xe2\xe5\xf7\xe0\xe5\xf2. \xcf\xf0\xee\xe2\xe5\xf0\xfc\xf2\xe5 "
         "\xef\xf0\xe0\xe2\xe8\xeb\xfc\xed\xee\xf1\xf2\xfc \xe0\xe4\xf0\xe5\xf1\xe0\r\n"},
        // Every letter of the alphabet, Ё and ё included.
        {"АБВГДЕЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯабвгдеёжзийклмнопрстуфхцчшщъыьэюя",
         "\xc0\xc1\xc2\xc3\xc4\xc5\xa8\xc6\xc7\xc8\xc9\xca\xcb\xcc\xcd\xce\xcf\xd0\xd1\xd2\xd3"
         "\xd4\xd5\xd6\xd7\xd8\xd9\xda\xdb\xdc\xdd\xde\xdf"
         "\xe0\xe1\xe2\xe3\xe4\xe5\xb8\xe6\xe7\xe8\xe9\xea\xeb\xec\xed\xee\xef\xf0\xf1\xf2\xf3"
         "\xf4\xf5\xf6\xf7\xf8\xf9\xfa\xfb\xfc\xfd\xfe\xff\r\n"},
        // No 1251 letter, a broken sequence and a line feed inside the text.
        {"\xe4\xb8\xad|\xd0|a\nb", "?|?|a\r\nb\r\n"},
    };
    for (const auto& c : cases) {
        TTempDir dir;
        std::FILE* log = OpenLog((dir / "e.log").c_str());
        ASSERT_NE(log, nullptr);
        WriteLogError(log, c.Text);
        std::fclose(log);
        EXPECT_EQ(ReadFile(dir / "e.log"), c.Bytes) << c.Text;
    }
}

TEST(LogFileTest, ErrorLinesFollowEarlierContent) {
    TTempDir dir;
    WriteFile(dir / "e.log", "--1 chars recvd: x\r\n");
    std::FILE* log = OpenLog((dir / "e.log").c_str());
    ASSERT_NE(log, nullptr);
    std::fgetc(log); // a read moves the position; the error line still goes to the end
    WriteLogError(log, "Ok");
    WriteLogError(nullptr, "ignored");
    std::fclose(log);
    EXPECT_EQ(ReadFile(dir / "e.log"), "--1 chars recvd: x\r\nOk\r\n");
}

} // namespace
} // namespace lemnar
