// A screen capture into a directory that cannot be written, or that does not
// exist, fails with false and leaves no file behind.

#include "platform/QtSurface.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <sys/stat.h>

namespace lemnar {
namespace {

namespace fs = std::filesystem;

TEST(CaptureDirTest, UnwritableDirectoriesFailCleanly) {
    const fs::path dir = fs::temp_directory_path() / "lemnar_reliability_capture";
    fs::remove_all(dir);
    fs::create_directories(dir / "locked");
    TQtSurface surface(64, 32);
    surface.SetBrushColor(Rgb(255, 0, 0));
    surface.FillRect(0, 0, 64, 32);
    EXPECT_FALSE(surface.SaveBmp((dir / "missing" / "RUV_1.bmp").string()));
    EXPECT_FALSE(surface.SaveBmp((dir / std::string(300, 'n') / "RUV_1.bmp").string()));
    EXPECT_FALSE(surface.SaveBmp(""));
    ::chmod((dir / "locked").c_str(), 0500);
    const bool enforced = ::access((dir / "locked").c_str(), W_OK) != 0;
    if (enforced) {
        EXPECT_FALSE(surface.SaveBmp((dir / "locked" / "RUV_1.bmp").string()));
        EXPECT_FALSE(fs::exists(dir / "locked" / "RUV_1.bmp"));
    }
    // A file standing where a directory should be, and a file system that
    // takes no new files, stop every user, root included.
    std::FILE* plain = std::fopen((dir / "plain").c_str(), "w");
    ASSERT_NE(plain, nullptr);
    std::fclose(plain);
    EXPECT_FALSE(surface.SaveBmp((dir / "plain" / "RUV_1.bmp").string()));
    EXPECT_FALSE(surface.SaveBmp("/proc/RUV_1.bmp"));
    EXPECT_TRUE(surface.SaveBmp((dir / "RUV_ok.bmp").string()));
    ::chmod((dir / "locked").c_str(), 0700);
    fs::remove_all(dir);
}

} // namespace
} // namespace lemnar
