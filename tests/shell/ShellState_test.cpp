#include "shell/core/ShellState.h"

#include <gtest/gtest.h>

#include <string>

namespace lemnar {
namespace {

struct TSetFieldCase {
    const char* Name;
    std::string Value;
    std::string Stored; // what an 8-byte field holds afterwards
    bool Whole;
};

class SetFieldTest : public ::testing::TestWithParam<TSetFieldCase> {};

TEST_P(SetFieldTest, StoresWithinTheField) {
    const TSetFieldCase& c = GetParam();
    // The field sits between guards that must stay untouched.
    struct {
        char Before[4];
        char Field[8];
        char After[4];
    } block;
    std::string(sizeof block, '#').copy(reinterpret_cast<char*>(&block), sizeof block);

    EXPECT_EQ(SetField(block.Field, c.Value), c.Whole);
    EXPECT_EQ(FieldText(block.Field), c.Stored);
    EXPECT_EQ(std::string(block.Before, 4), "####");
    EXPECT_EQ(std::string(block.After, 4), "####");
    // The rest of the field is cleared, so no old text shows through.
    for (std::size_t i = c.Stored.size(); i < sizeof block.Field; ++i) {
        EXPECT_EQ(block.Field[i], '\0') << i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Values, SetFieldTest,
    ::testing::Values(TSetFieldCase{"Empty", "", "", true},
                      TSetFieldCase{"Short", "abc", "abc", true},
                      TSetFieldCase{"ExactlyFits", "1234567", "1234567", true},
                      TSetFieldCase{"OneTooLong", "12345678", "1234567", false},
                      TSetFieldCase{"MuchTooLong", std::string(1000, 'x'), "xxxxxxx", false},
                      // "абвг" is 8 bytes; 7 would split the last letter.
                      TSetFieldCase{"Utf8NotSplit", "абвг", "абв", false},
                      TSetFieldCase{"Utf8EndsAtCut",
                                    "a"
                                    "абв",
                                    "aабв", true},
                      TSetFieldCase{"Utf8AfterCut", "1234567я", "1234567", false},
                      // Stray continuation bytes are kept as bytes.
                      TSetFieldCase{"NotUtf8", std::string(10, '\x80'), std::string(7, '\x80'),
                                    false}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(ShellStateTest, LongHostCutWithoutTouchingTheNextField) {
    TShellState state;
    EXPECT_FALSE(SetField(state.Host, std::string(1000, 'h')));
    EXPECT_EQ(FieldText(state.Host), std::string(255, 'h'));
    EXPECT_EQ(FieldText(state.Login), "");
}

TEST(ShellStateTest, InitFromSurroundings) {
    TShellState state;
    ASSERT_TRUE(InitShellState(state, "/opt/lemnar", "/home/u", "Lemnar v. 2.54"));
    EXPECT_EQ(FieldText(state.ProgramDir), "/opt/lemnar/");
    EXPECT_EQ(FieldText(state.SettingsPath), "/opt/lemnar/Lemnar.ini");
    EXPECT_EQ(FieldText(state.SaveDir), "/home/u/");
    EXPECT_EQ(state.DisconnectedCaption, "Lemnar v. 2.54 Отключено.");

    ASSERT_TRUE(InitShellState(state, "/opt/", "", "x"));
    EXPECT_EQ(FieldText(state.ProgramDir), "/opt/");
    EXPECT_EQ(FieldText(state.SaveDir), "/");
}

TEST(ShellStateTest, ProgramDirTooLongForTheSettingsPath) {
    TShellState state;
    // 250 + "/" fits ProgramDir, but not with "Lemnar.ini" behind it.
    EXPECT_FALSE(InitShellState(state, "/" + std::string(249, 'd'), "/", "x"));
}

} // namespace
} // namespace lemnar
