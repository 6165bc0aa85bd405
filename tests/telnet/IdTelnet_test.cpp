// The telnet engine without a socket: the parser, the reply policy, the
// reports and the carriage-return rule, with every write recorded.

#include "TestQueue.h"
#include "support/Bytes.h"
#include "telnet/IdTelnet.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

namespace lemnar {
namespace {

using test::Bytes;

class TRecordingTelnet : public TIdTelnet {
  public:
    explicit TRecordingTelnet(TIdMainThreadQueue& queue) : TIdTelnet(queue) {
        OnTelnetCommand = [this](TIdTelnet&, TTelnetCommand status) { Commands.push_back(status); };
        Rows = 25;
        Columns = 80;
    }
    void WriteBytes(const std::string& bytes) override { Writes.push_back(bytes); }

    std::vector<std::string> Writes;
    std::vector<TTelnetCommand> Commands;
};

class IdTelnetTest : public ::testing::Test {
  protected:
    TTestQueue Queue;
    TRecordingTelnet Telnet{Queue};
};

const std::string Naws25x80 = Bytes({0xFF, 0xFA, 0x1F, 0x00, 0x50, 0x00, 0x19, 0xFF, 0xF0});

// A server that repeats one request without end gets many answers, then none:
// the bound that stops a negotiation loop with a server that contradicts
// every reply.
TEST_F(IdTelnetTest, AnEndlesslyRepeatedRequestIsAnsweredManyTimesThenNoMore) {
    std::string doSga;
    std::string doNaws;
    for (int i = 0; i < 200; ++i) {
        doSga += Bytes({255, 253, 3});
        doNaws += Bytes({255, 253, 31});
    }
    EXPECT_EQ(Telnet.Negotiate(doSga), "");
    EXPECT_EQ(Telnet.Writes.size(), 64u);
    Telnet.Writes.clear();
    // Another request is counted on its own; a size report goes with each
    // WILL NAWS that is sent.
    Telnet.Negotiate(doNaws);
    EXPECT_EQ(Telnet.Writes.size(), 2 * 64u);
    EXPECT_EQ(Telnet.Writes.back(), Naws25x80);
    Telnet.Writes.clear();
    Telnet.Negotiate(Bytes({255, 254, 3}));
    EXPECT_EQ(Telnet.Writes, std::vector<std::string>{Bytes({255, 252, 3})})
        << "DONT is a request of its own, counted apart from DO";
}

struct TNegotiationCase {
    std::string Input;
    std::vector<std::string> Writes;
    std::vector<TTelnetCommand> Commands;
};

TEST_F(IdTelnetTest, AnswersEveryRequestWithTheFixedReply) {
    const TNegotiationCase cases[] = {
        // WILL: the server may perform ECHO and END-OF-RECORD only.
        {Bytes({255, 251, 1}), {Bytes({255, 253, 1})}, {tncNoLocalEcho}},
        {Bytes({255, 251, 3}), {Bytes({255, 254, 3})}, {}},
        {Bytes({255, 251, 24}), {Bytes({255, 254, 24})}, {}},
        {Bytes({255, 251, 25}), {Bytes({255, 253, 25})}, {}},
        {Bytes({255, 251, 31}), {Bytes({255, 254, 31})}, {}},
        {Bytes({255, 251, 37}), {Bytes({255, 254, 37})}, {}},
        {Bytes({255, 251, 200}), {Bytes({255, 254, 200})}, {}},
        // WONT: always DONT.
        {Bytes({255, 252, 1}), {Bytes({255, 254, 1})}, {tncLocalEcho}},
        {Bytes({255, 252, 3}), {Bytes({255, 254, 3})}, {}},
        {Bytes({255, 252, 24}), {Bytes({255, 254, 24})}, {}},
        {Bytes({255, 252, 25}), {Bytes({255, 254, 25})}, {}},
        {Bytes({255, 252, 31}), {Bytes({255, 254, 31})}, {}},
        {Bytes({255, 252, 37}), {Bytes({255, 254, 37})}, {}},
        {Bytes({255, 252, 200}), {Bytes({255, 254, 200})}, {}},
        // DO: this side performs ECHO, TERMINAL-TYPE and NAWS.
        {Bytes({255, 253, 1}), {Bytes({255, 251, 1})}, {tncLocalEcho}},
        {Bytes({255, 253, 3}), {Bytes({255, 252, 3})}, {}},
        {Bytes({255, 253, 24}), {Bytes({255, 251, 24})}, {}},
        {Bytes({255, 253, 25}), {Bytes({255, 252, 25})}, {}},
        {Bytes({255, 253, 31}), {Bytes({255, 251, 31}), Naws25x80}, {}},
        {Bytes({255, 253, 37}), {Bytes({255, 252, 37})}, {}},
        {Bytes({255, 253, 200}), {Bytes({255, 252, 200})}, {}},
        // DONT: always WONT.
        {Bytes({255, 254, 1}), {Bytes({255, 252, 1})}, {tncEcho}},
        {Bytes({255, 254, 3}), {Bytes({255, 252, 3})}, {}},
        {Bytes({255, 254, 24}), {Bytes({255, 252, 24})}, {}},
        {Bytes({255, 254, 25}), {Bytes({255, 252, 25})}, {}},
        {Bytes({255, 254, 31}), {Bytes({255, 252, 31})}, {}},
        {Bytes({255, 254, 37}), {Bytes({255, 252, 37})}, {}},
        {Bytes({255, 254, 200}), {Bytes({255, 252, 200})}, {}},
        // Nothing is remembered: a repeated request is answered again.
        {Bytes({255, 253, 24, 255, 253, 24}), {Bytes({255, 251, 24}), Bytes({255, 251, 24})}, {}},
        {Bytes({255, 253, 31, 255, 253, 31}),
         {Bytes({255, 251, 31}), Naws25x80, Bytes({255, 251, 31}), Naws25x80},
         {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.Input));
        Telnet.Writes.clear();
        Telnet.Commands.clear();
        EXPECT_EQ(Telnet.Negotiate(c.Input), "");
        EXPECT_EQ(Telnet.Writes, c.Writes);
        EXPECT_EQ(Telnet.Commands, c.Commands);
        EXPECT_EQ(Telnet.ReceiveState, tnsDATA);
    }
}

TEST_F(IdTelnetTest, StripsCommandsFromTheData) {
    struct TCase {
        std::string Input;
        std::string Output;
    };
    const TCase cases[] = {
        {Bytes({0x41, 0xFF, 0xFF, 0x42}), Bytes({0x41, 0xFF, 0x42})},
        {Bytes({0x41, 255, 241, 0x42}), "AB"}, // NOP
        {Bytes({0x41, 255, 249, 0x42}), "AB"}, // GA
        {Bytes({0x41, 255, 239, 0x42}), "AB"}, // EOR
        {Bytes({0x41, 255, 246, 0x42}), "AB"}, // AYT
        {Bytes({0x41, 255, 240, 0x42}), "AB"}, // stray SE
        {Bytes({0x41, 255, 0, 0x42}), "AB"},
        {Bytes({255, 255, 255, 255}), Bytes({0xFF, 0xFF})},
        {Bytes({0x0D, 0x00, 0x0A}), Bytes({0x0D, 0x00, 0x0A})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.Input));
        EXPECT_EQ(Telnet.Negotiate(c.Input), c.Output);
        EXPECT_TRUE(Telnet.Writes.empty());
        EXPECT_EQ(Telnet.ReceiveState, tnsDATA);
    }
}

TEST_F(IdTelnetTest, AnswersSubnegotiationsWithDataSendOnly) {
    struct TCase {
        std::string Terminal;
        std::string Input;
        std::vector<std::string> Writes;
        std::string Output;
    };
    const std::string ansiReport = Bytes({255, 250, 24, 0, 'A', 'N', 'S', 'I', 255, 240});
    const TCase cases[] = {
        {"ANSI", Bytes({255, 250, 24, 1, 255, 240}), {ansiReport}, ""},
        {"QNX",
         Bytes({255, 250, 24, 1, 255, 240}),
         {Bytes({0xFF, 0xFA, 0x18, 0x00, 0x51, 0x4E, 0x58, 0xFF, 0xF0})},
         ""},
        {"",
         Bytes({255, 250, 24, 1, 255, 240}),
         {Bytes({255, 250, 24, 0, 'd', 'u', 'm', 'b', 255, 240})},
         ""},
        // The name goes out as stored, without a case change.
        {"tty",
         Bytes({255, 250, 24, 1, 255, 240}),
         {Bytes({255, 250, 24, 0, 't', 't', 'y', 255, 240})},
         ""},
        // A server's IS and data other than exactly SEND are ignored.
        {"ANSI", Bytes({255, 250, 24, 0, 'x', 255, 240}), {}, ""},
        {"ANSI", Bytes({255, 250, 24, 1, 1, 255, 240}), {}, ""},
        {"ANSI", Bytes({255, 250, 24, 255, 240}), {}, ""},
        // The option is not looked at.
        {"ANSI", Bytes({255, 250, 39, 1, 255, 240}), {ansiReport}, ""},
        // IAC IAC inside the data is one 255 of data.
        {"ANSI", Bytes({255, 250, 24, 255, 255, 255, 240}), {}, ""},
        // A malformed end drops the subnegotiation and its end byte.
        {"ANSI", Bytes({255, 250, 24, 1, 255, 'X', 'Y'}), {}, "Y"},
        // SB without SE: the first is handled, the second follows.
        {"ANSI", Bytes({255, 250, 24, 1, 255, 250, 24, 1, 255, 240}), {ansiReport, ansiReport}, ""},
        // IAC SB IAC: the next byte is dropped.
        {"ANSI", Bytes({255, 250, 255, 'X', 'Y'}), {}, "Y"},
        {"ANSI", Bytes({'a', 255, 250, 24, 1, 255, 240, 'b'}), {ansiReport}, "ab"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.Input));
        Telnet.Writes.clear();
        Telnet.Terminal = c.Terminal;
        EXPECT_EQ(Telnet.Negotiate(c.Input), c.Output);
        EXPECT_EQ(Telnet.Writes, c.Writes);
        EXPECT_EQ(Telnet.ReceiveState, tnsDATA);
    }
    Telnet.Terminal = "";
    Telnet.Negotiate(Bytes({255, 250, 24, 1, 255, 240}));
    EXPECT_EQ(Telnet.Terminal.Get(), "dumb");
}

// Everything but subnegotiations gives the same result however the stream
// is cut into blocks, since the state carries over.
TEST_F(IdTelnetTest, SplitAnywhereGivesTheSameResult) {
    const std::string stream = Bytes({'A', 255, 251, 1,   'B', 255, 255, 'C', 255, 253, 31,
                                      255, 241, 'D', 255, 254, 24,  255, 252, 1,   'E'});
    TRecordingTelnet whole(Queue);
    const std::string expectedOutput = whole.Negotiate(stream);
    ASSERT_EQ(expectedOutput, Bytes({'A', 'B', 255, 'C', 'D', 'E'}));
    for (std::size_t cut = 0; cut <= stream.size(); ++cut) {
        SCOPED_TRACE(cut);
        TRecordingTelnet split(Queue);
        std::string output = split.Negotiate(stream.substr(0, cut));
        output += split.Negotiate(stream.substr(cut));
        EXPECT_EQ(output, expectedOutput);
        EXPECT_EQ(split.Writes, whole.Writes);
        EXPECT_EQ(split.Commands, whole.Commands);
    }
}

TEST_F(IdTelnetTest, KeepsTheStateBetweenBlocks) {
    struct TCase {
        std::string Block;
        TTnState State;
    };
    const TCase cases[] = {
        {Bytes({'a', 255}), tnsIAC},
        {Bytes({255, 251}), tnsIAC_WILL},
        {Bytes({255, 252}), tnsIAC_WONT},
        {Bytes({255, 253}), tnsIAC_DO},
        {Bytes({255, 254}), tnsIAC_DONT},
        {Bytes({255, 250}), tnsIAC_SB},
        {Bytes({255, 250, 255}), tnsIAC_SBIAC},
        {Bytes({255, 250, 24, 1}), tnsIAC_SBDATA},
        {Bytes({255, 250, 24, 1, 255}), tnsSBDATA_IAC},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.Block));
        TRecordingTelnet telnet(Queue);
        telnet.Negotiate(c.Block);
        EXPECT_EQ(telnet.ReceiveState, c.State);
    }
    // A byte met in the transient NAWS state is dropped.
    Telnet.ReceiveState = tnsWINS;
    EXPECT_EQ(Telnet.Negotiate("xy"), "y");
}

// The subnegotiation's option and data start afresh with every block: the
// block that ends one judges it on its own bytes.
TEST_F(IdTelnetTest, JudgesASplitSubnegotiationByItsLastBlock) {
    struct TCase {
        std::string First;
        std::string Second;
        bool Reported;
    };
    const TCase cases[] = {
        {Bytes({255, 250, 24}), Bytes({1, 255, 240}), true},
        {Bytes({255, 250, 24, 1}), Bytes({255, 240}), false},
        {Bytes({255, 250, 24, 1, 255}), Bytes({240}), false},
        {Bytes({255, 250, 24, 0, 'x'}), Bytes({1, 255, 240}), true},
        {Bytes({255, 250}), Bytes({24, 1, 255, 240}), true},
        {Bytes({255}), Bytes({250, 24, 1, 255, 240}), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.First + "|" + c.Second));
        TRecordingTelnet telnet(Queue);
        telnet.Terminal = "QNX";
        EXPECT_EQ(telnet.Negotiate(c.First), "");
        EXPECT_EQ(telnet.Negotiate(c.Second), "");
        EXPECT_EQ(telnet.Writes.size(), c.Reported ? 1u : 0u);
        EXPECT_EQ(telnet.ReceiveState, tnsDATA);
    }
}

TEST_F(IdTelnetTest, SendsCarriageReturnByThePeerKind) {
    Telnet.SendCh(13);
    Telnet.SendCh('a');
    Telnet.SendCh(255);
    EXPECT_FALSE(Telnet.PeerIsTelnet);
    Telnet.Negotiate(Bytes({'x', 255, 241}));
    EXPECT_TRUE(Telnet.PeerIsTelnet);
    Telnet.SendCh(13);
    Telnet.Disconnect();
    Telnet.SendCh(13);
    const std::vector<std::string> expected = {"\r\n", "a", Bytes({255}), "\r", "\r\n"};
    EXPECT_EQ(Telnet.Writes, expected);
}

TEST_F(IdTelnetTest, ReportsTheWindowSize) {
    struct TCase {
        int Rows;
        int Columns;
        std::string Report;
    };
    const TCase cases[] = {
        {25, 80, Naws25x80},
        {80, 160, Bytes({0xFF, 0xFA, 0x1F, 0x00, 0xA0, 0x00, 0x50, 0xFF, 0xF0})},
        {300, 256, Bytes({0xFF, 0xFA, 0x1F, 0x01, 0x00, 0x01, 0x2C, 0xFF, 0xF0})},
        {0, 0, Bytes({0xFF, 0xFA, 0x1F, 0x00, 0x00, 0x00, 0x00, 0xFF, 0xF0})},
        {-5, 70000, Bytes({0xFF, 0xFA, 0x1F, 0xFF, 0xFF, 0x00, 0x00, 0xFF, 0xF0})},
    };
    for (const auto& c : cases) {
        Telnet.Writes.clear();
        Telnet.Rows = c.Rows;
        Telnet.Columns = c.Columns;
        Telnet.Handle_WS();
        EXPECT_EQ(Telnet.Writes, std::vector<std::string>{c.Report}) << c.Rows << "x" << c.Columns;
    }
}

} // namespace
} // namespace lemnar
