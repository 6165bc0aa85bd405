// Print Screen on a connected main window saves the screen picture as a .bmp
// file named after the local time; with a modifier held, or while not
// connected, nothing is saved.

#include "keys/KeySession.h"

#include <QDir>
#include <QImage>
#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <regex>

namespace lemnar::test {
namespace {

std::vector<std::filesystem::path> Captures(const std::filesystem::path& dir) {
    std::vector<std::filesystem::path> found;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        if (entry.path().extension() == ".bmp")
            found.push_back(entry.path());
    }
    return found;
}

// Seconds since the epoch of a name RUV_dd-mm-yyyy_hh-mm-ss.bmp, or -1.
std::time_t NameTime(const std::string& name) {
    static const std::regex pattern(R"(RUV_(\d\d)-(\d\d)-(\d{4})_(\d\d)-(\d\d)-(\d\d)\.bmp)");
    std::smatch m;
    if (!std::regex_match(name, m, pattern))
        return -1;
    std::tm t{};
    t.tm_mday = std::stoi(m[1]);
    t.tm_mon = std::stoi(m[2]) - 1;
    t.tm_year = std::stoi(m[3]) - 1900;
    t.tm_hour = std::stoi(m[4]);
    t.tm_min = std::stoi(m[5]);
    t.tm_sec = std::stoi(m[6]);
    t.tm_isdst = -1;
    return std::mktime(&t);
}

// A session whose screen shows some coloured text, capturing into its own
// directory.
class ScreenCaptureTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(Session.Ready());
        SetField(Main().ShellState.SaveDir, Session.Dir.Path().string() + "/");
        const QImage blank = Main().ScreenBitmapImage().copy();
        ASSERT_TRUE(Session.Server.Send("Lemnar \x1B@?1capture")); // ESC @ ? 1: white on blue
        ASSERT_TRUE(Session.WaitFor([&] { return Main().ScreenBitmapImage() != blank; }, 3s));
        Session.Settle();
    }
    TMainWindow& Main() { return *Session.Main; }

    TKeySession Session{"qnx"};
};

TEST_F(ScreenCaptureTest, PrintScreenSavesTheScreenPictureUnderTheTimeName) {
    const std::time_t before = std::time(nullptr);
    QTest::keyClick(Main().View, Qt::Key_Print);
    const std::time_t after = std::time(nullptr);

    const auto files = Captures(Session.Dir.Path());
    ASSERT_EQ(files.size(), 1u);
    const std::time_t named = NameTime(files[0].filename().string());
    EXPECT_GE(named, before);
    EXPECT_LE(named, after);

    const QImage saved(QString::fromStdString(files[0].string()));
    ASSERT_FALSE(saved.isNull());
    const QImage shown = Main().ScreenBitmapImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(saved.size(), shown.size());
    const QImage savedRgb = saved.convertToFormat(QImage::Format_RGB32);
    int differing = 0;
    for (int y = 0; y < shown.height(); ++y) {
        for (int x = 0; x < shown.width(); ++x) {
            if (savedRgb.pixel(x, y) != shown.pixel(x, y))
                ++differing;
        }
    }
    EXPECT_EQ(differing, 0);
    EXPECT_TRUE(Session.Boxes.empty());
    // Print Screen itself sends nothing.
    EXPECT_EQ(Hex(Session.SentBy(Qt::Key_F3, Qt::NoModifier, 3)), "FF FF 83");
}

TEST_F(ScreenCaptureTest, ModifiersHeldSaveNothing) {
    for (Qt::KeyboardModifiers modifiers :
         {Qt::KeyboardModifiers(Qt::ShiftModifier), Qt::KeyboardModifiers(Qt::ControlModifier),
          Qt::KeyboardModifiers(Qt::AltModifier)}) {
        QTest::keyClick(Main().View, Qt::Key_Print, modifiers);
        EXPECT_TRUE(Captures(Session.Dir.Path()).empty()) << modifiers.toInt();
    }
}

TEST_F(ScreenCaptureTest, NothingIsSavedOnceDisconnected) {
    Session.Server.Close();
    ASSERT_TRUE(Session.WaitFor([&] { return Main().Connected == 0; }, 5s));
    QTest::keyClick(Main().View, Qt::Key_Print);
    EXPECT_TRUE(Captures(Session.Dir.Path()).empty());
}

TEST_F(ScreenCaptureTest, UnwritableDirectoryIsReportedAndTheConnectionGoesOn) {
    const std::string missing = (Session.Dir / "missing").string() + "/";
    SetField(Main().ShellState.SaveDir, missing);
    QTest::keyClick(Main().View, Qt::Key_Print);
    ASSERT_EQ(Session.Boxes.size(), 1u);
    EXPECT_NE(Session.Boxes[0].find("Cannot create file \"" + missing + "RUV_"), std::string::npos)
        << Session.Boxes[0];
    EXPECT_FALSE(std::filesystem::exists(Session.Dir / "missing"));
    EXPECT_EQ(Main().Connected, 1);
    EXPECT_EQ(Hex(Session.SentBy(Qt::Key_F1, Qt::NoModifier, 3)), "FF FF 81");
}

TEST_F(ScreenCaptureTest, EmptyDirectoryMeansTheCurrentOne) {
    const QString previous = QDir::currentPath();
    const std::filesystem::path here = Session.Dir / "cwd";
    std::filesystem::create_directories(here);
    ASSERT_TRUE(QDir::setCurrent(QString::fromStdString(here.string())));
    SetField(Main().ShellState.SaveDir, "");
    QTest::keyClick(Main().View, Qt::Key_Print);
    QDir::setCurrent(previous);
    EXPECT_EQ(Captures(here).size(), 1u);
    EXPECT_TRUE(Captures(Session.Dir.Path()).empty());
}

} // namespace
} // namespace lemnar::test
