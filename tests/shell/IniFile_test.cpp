#include "shell/core/IniFile.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace lemnar {
namespace {

using test::ReadFile;
using test::TTempDir;
using test::WriteFile;
using namespace std::string_literals;

TEST(IniFileTest, MissingFileSectionOrKeyGivesTheDefault) {
    TTempDir dir;
    const TIniFile ini(dir / "Lemnar.ini");
    EXPECT_EQ(ini.ReadString("Options", "Host", "dflt"), "dflt");
    EXPECT_EQ(ini.ReadInteger("Options", "Width", 640), 640);
    EXPECT_FALSE(std::filesystem::exists(dir / "Lemnar.ini")) << "a read creates nothing";

    WriteFile(dir / "Lemnar.ini", "[Other]\r\nHost=a\r\n[Options]\r\nLogin=b\r\n");
    EXPECT_EQ(ini.ReadString("Options", "Host", "dflt"), "dflt");
    EXPECT_EQ(ini.ReadString("Missing", "Login", "dflt"), "dflt");
    EXPECT_EQ(ini.ReadInteger("Options", "Width", 640), 640);
}

TEST(IniFileTest, ReadsValues) {
    TTempDir dir;
    WriteFile(dir / "Lemnar.ini", "; comment=1\n"
                                  "Host=before any section\n"
                                  "[other]\n"
                                  "Host=wrong\n"
                                  "  [ OPTIONS ]  \n"
                                  "; Host=commented\n"
                                  "  hOsT  =  10.0.0.5:2323  \r\n"
                                  "Login=\n"
                                  "Path=C:\\dir with blanks\\ \n"
                                  "Eq=a=b\n"
                                  "Width=1000px\n"
                                  "Height=-20\n"
                                  "Font=big\n"
                                  "noequals\n"
                                  "Host=second\n"
                                  "[Next]\n"
                                  "Width=1\n"
                                  "Last=no line end");
    const TIniFile ini(dir / "Lemnar.ini");
    const struct {
        const char* Section;
        const char* Key;
        const char* Value;
    } strings[] = {
        {"Options", "Host", "10.0.0.5:2323"}, // first key in the first matching section
        {"options", "HOST", "10.0.0.5:2323"},
        {"Options", "Login", ""}, // present and empty: not the default
        {"Options", "Path", "C:\\dir with blanks\\"},
        {"Options", "Eq", "a=b"},
        {"Options", "noequals", "dflt"},
        {"Next", "Last", "no line end"},
        {"Other", "Host", "wrong"},
    };
    for (const auto& c : strings) {
        EXPECT_EQ(ini.ReadString(c.Section, c.Key, "dflt"), c.Value) << c.Section << '.' << c.Key;
    }
    EXPECT_EQ(ini.ReadString("Options", "Host", "dflt", 4), "10.0");
    EXPECT_EQ(ini.ReadString("Options", "Missing", "default", 3), "def");
    EXPECT_EQ(ini.ReadInteger("Options", "Width", 5), 1000);
    EXPECT_EQ(ini.ReadInteger("Options", "Height", 5), -20);
    EXPECT_EQ(ini.ReadInteger("Options", "Font", 5), 0);
    EXPECT_EQ(ini.ReadInteger("Options", "Login", 5), 0);
    EXPECT_EQ(ini.ReadInteger("Next", "Width", 5), 1);
}

TEST(IniFileTest, WriteCreatesFileSectionAndKey) {
    TTempDir dir;
    const TIniFile ini(dir / "Lemnar.ini");
    ASSERT_TRUE(ini.WriteString("Options", "Host", "a"));
    EXPECT_EQ(ReadFile(dir / "Lemnar.ini"), "[Options]\r\nHost=a\r\n");
    ASSERT_TRUE(ini.WriteString("Options", "Login", "b"));
    ASSERT_TRUE(ini.WriteString("options", "HOST", "c"));
    EXPECT_EQ(ReadFile(dir / "Lemnar.ini"), "[Options]\r\nHost=c\r\nLogin=b\r\n");
    EXPECT_EQ(ini.ReadString("Options", "Host", ""), "c");
}

TEST(IniFileTest, WriteKeepsEverythingElseByteForByte) {
    const struct {
        const char* Name;
        std::string Before;
        const char* Section;
        const char* Key;
        const char* Value;
        std::string After;
    } cases[] = {
        {"ReplaceKeepsCaseIndentAndLf",
         "; top\n[A]\nx=1\n\n[options]\n  HOST = old  \n; c\n\n[B]\ny=2\n", "Options", "Host",
         "new", "; top\n[A]\nx=1\n\n[options]\n  HOST=new\n; c\n\n[B]\ny=2\n"},
        {"NewKeyAfterLastFilledLine", "[Options]\r\nHost=h\r\n\r\n[B]\r\ny=2\r\n", "Options",
         "Login", "l", "[Options]\r\nHost=h\r\nLogin=l\r\n\r\n[B]\r\ny=2\r\n"},
        {"NewSectionAtEnd", "[B]\ny=2\n", "Options", "Host", "h", "[B]\ny=2\n[Options]\nHost=h\n"},
        {"LastLineWithoutEnd", "[Options]\nHost=h", "Options", "Login", "l",
         "[Options]\nHost=h\nLogin=l\n"},
        {"NewSectionAfterLineWithoutEnd", "; only", "Options", "Host", "h",
         "; only\r\n[Options]\r\nHost=h\r\n"},
        {"OnlyFirstSectionOfAName", "[Options]\nHost=1\n[Options]\nHost=2\n", "Options", "Host",
         "3", "[Options]\nHost=3\n[Options]\nHost=2\n"},
        {"ValueEndsAtLineBreak", "[Options]\n", "Options", "Host", "evil\r\nPassword=x",
         "[Options]\nHost=evil\n"},
        {"BinaryKept", "\0\xff[x\n[Options]\nHost=1\n\x01\x02"s, "Options", "Host", "2",
         "\0\xff[x\n[Options]\nHost=2\n\x01\x02"s},
    };
    for (const auto& c : cases) {
        TTempDir dir;
        WriteFile(dir / "s.ini", c.Before);
        ASSERT_TRUE(TIniFile(dir / "s.ini").WriteString(c.Section, c.Key, c.Value)) << c.Name;
        EXPECT_EQ(ReadFile(dir / "s.ini"), c.After) << c.Name;
    }
}

TEST(IniFileTest, BinaryGarbageDoesNotBreakReadsOrWrites) {
    TTempDir dir;
    std::string garbage;
    for (int i = 0; i < 4096; ++i) {
        garbage += static_cast<char>((i * 7919 + 13) % 256);
    }
    garbage += std::string("\0[Options]\0Host=\0\0", 18);
    WriteFile(dir / "s.ini", garbage);
    const TIniFile ini(dir / "s.ini");
    (void)ini.ReadString("Options", "Host", "d", 127);
    (void)ini.ReadInteger("Options", "Width", 640);
    ASSERT_TRUE(ini.WriteString("Options", "Host", "h"));
    EXPECT_EQ(ini.ReadString("Options", "Host", "d"), "h");
    const std::string after = ReadFile(dir / "s.ini");
    EXPECT_EQ(after.substr(0, garbage.size()), garbage) << "the old bytes stay";
}

TEST(IniFileTest, WriteKeepsPermissionsAndLeavesNoTemporaryFile) {
    TTempDir dir;
    WriteFile(dir / "s.ini", "[Options]\n");
    ::chmod((dir / "s.ini").c_str(), 0640);
    ASSERT_TRUE(TIniFile(dir / "s.ini").WriteString("Options", "Host", "h"));
    struct stat info {};
    ASSERT_EQ(::stat((dir / "s.ini").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    int files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
        ++files;
    }
    EXPECT_EQ(files, 1);
}

TEST(IniFileTest, WriteIntoMissingDirectoryFails) {
    TTempDir dir;
    EXPECT_FALSE(TIniFile(dir / "no" / "s.ini").WriteString("Options", "Host", "h"));
}

} // namespace
} // namespace lemnar
