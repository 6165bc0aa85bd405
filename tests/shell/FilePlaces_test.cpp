#include "shell/core/FilePlaces.h"

#include "support/ScopedEnv.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace lemnar {
namespace {

namespace fs = std::filesystem;
using test::TScopedEnv;
using test::TTempDir;
using test::WriteFile;

struct TUserPathCase {
    const char* Name;
    const char* ConfigHome;
    const char* Home;
    const char* Expected;
};

void PrintTo(const TUserPathCase& c, std::ostream* out) {
    *out << c.Name;
}

class UserSettingsPathTest : public ::testing::TestWithParam<TUserPathCase> {};

TEST_P(UserSettingsPathTest, FromConfigHomeElseHome) {
    EXPECT_EQ(UserSettingsPath(GetParam().ConfigHome, GetParam().Home), GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UserSettingsPathTest,
    ::testing::Values(
        TUserPathCase{"ConfigHome", "/srv/cfg", "/home/u", "/srv/cfg/Lemnar/Lemnar.ini"},
        TUserPathCase{"ConfigHomeWithSeparator", "/srv/cfg/", "/home/u",
                      "/srv/cfg/Lemnar/Lemnar.ini"},
        TUserPathCase{"ConfigHomeUnset", nullptr, "/home/u", "/home/u/.config/Lemnar/Lemnar.ini"},
        TUserPathCase{"ConfigHomeEmpty", "", "/home/u", "/home/u/.config/Lemnar/Lemnar.ini"},
        // A relative XDG_CONFIG_HOME is invalid and ignored.
        TUserPathCase{"ConfigHomeRelative", "cfg", "/home/u/", "/home/u/.config/Lemnar/Lemnar.ini"},
        TUserPathCase{"NoHome", nullptr, nullptr, ""},
        TUserPathCase{"RelativeHome", "", "home", ""}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(FilePlacesTest, UserSettingsPathFromTheEnvironment) {
    {
        TScopedEnv config("XDG_CONFIG_HOME", "/srv/cfg");
        TScopedEnv home("HOME", "/home/u");
        EXPECT_EQ(UserSettingsPath(), "/srv/cfg/Lemnar/Lemnar.ini");
    }
    {
        TScopedEnv config("XDG_CONFIG_HOME", nullptr);
        TScopedEnv home("HOME", "/home/u");
        EXPECT_EQ(UserSettingsPath(), "/home/u/.config/Lemnar/Lemnar.ini");
    }
    {
        // Without HOME the password database names the home directory.
        TScopedEnv config("XDG_CONFIG_HOME", nullptr);
        TScopedEnv home("HOME", nullptr);
        const std::string path = UserSettingsPath();
        ASSERT_FALSE(path.empty());
        EXPECT_EQ(path.front(), '/');
        EXPECT_TRUE(path.ends_with("/.config/Lemnar/Lemnar.ini")) << path;
    }
}

// Root may write into any directory, so "cannot be written" here is a place
// below a regular file, which nobody can create anything in.
TEST(FilePlacesTest, DirectoryWritable) {
    TTempDir dir;
    WriteFile(dir / "file", "x");
    EXPECT_TRUE(DirectoryWritable(dir.Path().c_str()));
    EXPECT_FALSE(DirectoryWritable((dir / "file" / "bin").c_str()));
    EXPECT_FALSE(DirectoryWritable((dir / "missing").c_str()));
}

TEST(FilePlacesTest, SettingsStayBesideAWritableProgram) {
    TShellState state;
    ASSERT_TRUE(InitShellState(state, "/opt/lemnar", "/", "x"));
    PlaceSettings(state, true, "/home/u/.config/Lemnar/Lemnar.ini");
    EXPECT_EQ(FieldText(state.SettingsPath), "/opt/lemnar/Lemnar.ini");
}

TEST(FilePlacesTest, SettingsOfAnUnwritableProgramGoToTheUser) {
    TShellState state;
    ASSERT_TRUE(InitShellState(state, "/usr/bin", "/", "x"));
    PlaceSettings(state, false, "/home/u/.config/Lemnar/Lemnar.ini");
    EXPECT_EQ(FieldText(state.SettingsPath), "/home/u/.config/Lemnar/Lemnar.ini");
    EXPECT_EQ(FieldText(state.ProgramDir), "/usr/bin/");

    // No place for the user's file, or one too long for the field: the file
    // stays beside the program, never a cut path that names another file.
    TShellState noUser;
    ASSERT_TRUE(InitShellState(noUser, "/usr/bin", "/", "x"));
    PlaceSettings(noUser, false, "");
    EXPECT_EQ(FieldText(noUser.SettingsPath), "/usr/bin/Lemnar.ini");
    PlaceSettings(noUser, false, "/" + std::string(PathFieldSize, 'c') + "/Lemnar.ini");
    EXPECT_EQ(FieldText(noUser.SettingsPath), "/usr/bin/Lemnar.ini");
}

TEST(FilePlacesTest, SettingsReadBesideTheProgramUntilTheUsersFileExists) {
    TTempDir dir;
    fs::create_directories(dir / "bin");
    TShellState state;
    ASSERT_TRUE(InitShellState(state, (dir / "bin").string(), "/", "x"));
    const fs::path user = dir / "config" / "Lemnar" / "Lemnar.ini";
    PlaceSettings(state, false, user.string());

    EXPECT_EQ(SettingsReadPath(state), user.string());
    WriteFile(dir / "bin" / "Lemnar.ini", "[Options]\nHost=preset\n");
    EXPECT_EQ(SettingsReadPath(state), (dir / "bin" / "Lemnar.ini").string());
    fs::create_directories(user.parent_path());
    WriteFile(user, "[Options]\nHost=own\n");
    EXPECT_EQ(SettingsReadPath(state), user.string());
}

TEST(FilePlacesTest, SettingsDirectoryMadeForTheUserAlone) {
    TTempDir dir;
    fs::create_directories(dir / "home");
    TShellState state;
    ASSERT_TRUE(InitShellState(state, "/usr/bin", "/", "x"));
    PlaceSettings(state, false, (dir / "home" / ".config" / "Lemnar" / "Lemnar.ini").string());
    ASSERT_TRUE(MakeSettingsDirectory(state));
    for (const fs::path& made : {dir / "home" / ".config", dir / "home" / ".config" / "Lemnar"}) {
        struct stat info {};
        ASSERT_EQ(::stat(made.c_str(), &info), 0) << made;
        EXPECT_TRUE(S_ISDIR(info.st_mode));
        EXPECT_EQ(info.st_mode & 077, 0u) << made;
    }
    // Directories that exist are taken as they are.
    EXPECT_TRUE(MakeSettingsDirectory(state));
    EXPECT_FALSE(fs::exists(dir / "home" / ".config" / "Lemnar" / "Lemnar.ini"));

    WriteFile(dir / "file", "x");
    TShellState blocked;
    ASSERT_TRUE(InitShellState(blocked, "/usr/bin", "/", "x"));
    PlaceSettings(blocked, false, (dir / "file" / "Lemnar" / "Lemnar.ini").string());
    EXPECT_FALSE(MakeSettingsDirectory(blocked));
}

} // namespace
} // namespace lemnar
