#include "keyboard/EscapeSequence.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace lemnar {
namespace {

class TRecorder : public TKeyOutput {
  public:
    std::vector<std::string> Writes;
    int SendChCalls = 0;
    void SendCh(char) override { ++SendChCalls; }
    void WriteBytes(std::string_view bytes) override { Writes.emplace_back(bytes); }
};

TEST(EscapeSequence, EscAndTextAtMostEighteenCharacters) {
    const std::string eighteen = "[123456789012345~";
    ASSERT_EQ(eighteen.size() + 1, 18u);
    const std::pair<std::string, std::string> cases[] = {
        {"OP", "\x1BOP"},
        {"[15~", "\x1B[15~"},
        {"", "\x1B"},
        {eighteen + "x", "\x1B" + eighteen + "x"},
        {eighteen + "xy", "\x1B" + eighteen + "x"},
        {std::string(300, 'z'), "\x1B" + std::string(18, 'z')},
        {std::string("[1\0~", 4), "\x1B[1"}, // the buffer ends at the zero
    };
    for (const auto& [text, bytes] : cases) {
        EXPECT_EQ(BuildEscapeSequence(text), bytes) << text;
    }
}

TEST(EscapeSequence, SentInOneWrite) {
    TRecorder recorder;
    SendEscapeSequence(recorder, "[24~");
    EXPECT_EQ(recorder.Writes, std::vector<std::string>{"\x1B[24~"});
    EXPECT_EQ(recorder.SendChCalls, 0);
}

} // namespace
} // namespace lemnar
