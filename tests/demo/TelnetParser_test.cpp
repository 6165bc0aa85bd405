#include "tools/demo-server/TelnetParser.h"

#include <gtest/gtest.h>

namespace lemnar::demo {
namespace {

using TKind = TTelnetEvent::TKind;
using namespace std::string_literals;

struct TResult {
    std::string Data;
    std::vector<TTelnetEvent> Events;
};

TResult Parse(const std::vector<std::string>& blocks) {
    TTelnetParser parser;
    TResult result;
    for (const std::string& block : blocks) {
        result.Data += parser.Feed(block, result.Events);
    }
    return result;
}

// What a QNX-type client sends in answer to the opening negotiation.
const std::string ClientAnswer = "\xFF\xFB\x18"                         // WILL TERMINAL-TYPE
                                 "\xFF\xFB\x1F"                         // WILL NAWS
                                 "\xFF\xFA\x1F\x00\x50\x00\x19\xFF\xF0" // NAWS 80 x 25
                                 "ab"
                                 "\xFF\xFD\x01"                // DO ECHO
                                 "\xFF\xFA\x18\x00QNX\xFF\xF0" // IS QNX
                                 "c\xFF\xFF"
                                 "d"s;

const std::vector<TTelnetEvent> ClientEvents = {
    {TKind::Will, 24, ""},
    {TKind::Will, 31, ""},
    {TKind::Subnegotiation, 31, std::string("\x00\x50\x00\x19", 4)},
    {TKind::Do, 1, ""},
    {TKind::Subnegotiation, 24, std::string("\x00QNX", 4)},
};

TEST(TelnetParser, SeparatesDataFromCommands) {
    const TResult result = Parse({ClientAnswer});
    EXPECT_EQ(result.Data, "abc\xFF"
                           "d");
    EXPECT_EQ(result.Events, ClientEvents);
}

TEST(TelnetParser, GivesTheSameResultSplitAtEveryPosition) {
    for (std::size_t cut = 0; cut <= ClientAnswer.size(); ++cut) {
        const TResult result = Parse({ClientAnswer.substr(0, cut), ClientAnswer.substr(cut)});
        EXPECT_EQ(result.Data, "abc\xFF"
                               "d")
            << "cut at " << cut;
        EXPECT_EQ(result.Events, ClientEvents) << "cut at " << cut;
    }
}

TEST(TelnetParser, ReadsOneByteBlocks) {
    std::vector<std::string> blocks;
    for (const char ch : ClientAnswer) {
        blocks.emplace_back(1, ch);
    }
    const TResult result = Parse(blocks);
    EXPECT_EQ(result.Events, ClientEvents);
}

TEST(TelnetParser, KeepsQnxKeyCodesAfterDoubledIac) {
    // F2 of a QNX client: FF FF 82 on the wire is the data FF 82.
    EXPECT_EQ(Parse({"\xFF\xFF\x82"}).Data, "\xFF\x82");
    EXPECT_EQ(Parse({"\xFF", "\xFF\x82"}).Data, "\xFF\x82");
    EXPECT_EQ(Parse({"\xFF\xFF\xFF\xFF"}).Data, "\xFF\xFF");
}

TEST(TelnetParser, DropsOtherCommandsAndKeepsTheDataAround) {
    // NOP, GA, AYT, EOR
    const TResult result = Parse({"a\xFF\xF1"
                                  "b\xFF\xF9"
                                  "c\xFF\xF6\xFF\xEF"
                                  "d"});
    EXPECT_EQ(result.Data, "abcd");
    EXPECT_TRUE(result.Events.empty());
}

TEST(TelnetParser, UndoublesIacInsideSubnegotiation) {
    const TResult result = Parse({"\xFF\xFA\x1F\x00\xFF\xFF\x00\x19\xFF\xF0"s});
    ASSERT_EQ(result.Events.size(), 1u);
    EXPECT_EQ(result.Events[0].Data, std::string("\x00\xFF\x00\x19", 4));
}

TEST(TelnetParser, DropsABrokenSubnegotiationAndGoesOnWithData) {
    const TResult result = Parse({"\xFF\xFA\x18\x00QNX\xFF"
                                  "xy"s});
    EXPECT_TRUE(result.Events.empty());
    EXPECT_EQ(result.Data, "y");
}

TEST(TelnetParser, DropsAnOverlongSubnegotiationWhole) {
    const std::string longName(TTelnetParser::MaxSubnegotiation + 10, 'Q');
    const TResult result =
        Parse({"\xFF\xFA\x18\x00"s + longName + "\xFF\xF0" + "z" + "\xFF\xFA\x18\x00QNX\xFF\xF0"s});
    ASSERT_EQ(result.Events.size(), 1u);
    EXPECT_EQ(result.Events[0].Data, std::string("\x00QNX", 4));
    EXPECT_EQ(result.Data, "z");
}

} // namespace
} // namespace lemnar::demo
