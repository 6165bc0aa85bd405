// The whole program under transport faults: the socket calls interrupted,
// not ready or short at 5 % and 30 %, writes that fail part way, and a proxy
// that stalls, drips, resets or half-closes. A stream with the log on and a
// paste must arrive whole, once and in order, with no false end of the
// connection; a fault that ends the connection ends it the usual way, having
// delivered a prefix of what was sent.

#include "app/AppFixture.h"
#include "support/FaultProxy.h"
#include "support/FaultySocketCalls.h"
#include "support/LoggedData.h"
#include "support/StreamPeer.h"

#include <QString>
#include <optional>

namespace lemnar::test {
namespace {

enum class TWork { Stream, Paste };

struct TFaultCase {
    const char* Name;
    std::optional<TSocketFault> Seam;
    double Rate = 0;
    std::optional<TProxyFault> Proxy;
    TWork Work = TWork::Stream;
    std::size_t Bytes = 0;
    bool Ends = false; // the fault ends the connection
};

void PrintTo(const TFaultCase& c, std::ostream* out) {
    *out << c.Name;
}

constexpr std::size_t MiB = 1024 * 1024;

// Text lines with an IAC IAC now and then, which the server means as one
// 0xFF.
std::string Stream(std::size_t size) {
    std::string s;
    s.reserve(size + 80);
    for (std::size_t line = 0; s.size() < size; ++line) {
        s += "line " + std::to_string(line) + " of the stream";
        if (line % 97 == 0)
            s += "\xFF\xFF";
        s += "\r\n";
    }
    s.resize(size);
    return s;
}

// What the server means by bytes it sends: IAC IAC is one 0xFF; a lone IAC
// cut off at the end is not data yet.
std::string Unescape(const std::string& sent) {
    std::string data;
    for (std::size_t i = 0; i < sent.size(); ++i) {
        if (sent[i] == '\xFF' && ++i == sent.size())
            break;
        data += sent[i];
    }
    return data;
}

class TTransportFaultTest : public TAppTest, public ::testing::WithParamInterface<TFaultCase> {
  protected:
    // The window's connection uses the socket calls and the proxy: it goes
    // first.
    ~TTransportFaultTest() override { Window.reset(); }

    // Starts the program against host with the fault's socket calls.
    void StartWith(const std::string& host, std::vector<std::string> args) {
        args.insert(args.end(), {"h", host});
        Window = std::make_unique<TMainWindow>(std::move(args), Dir.Path().string());
        if (Calls)
            Window->Telnet.Calls = &*Calls;
        CountDelivered();
        Window->show();
        ASSERT_TRUE(WaitAttempt(10000));
        // A fault may end the connection in the batch that opens it.
        ASSERT_EQ(Connections, 1) << ::testing::PrintToString(BoxTexts());
    }

    std::string HostFor(const TStreamPeer& peer) {
        const TFaultCase& c = GetParam();
        if (c.Seam)
            Calls.emplace(*c.Seam, c.Rate, c.Bytes / 3);
        if (!c.Proxy)
            return peer.HostPort();
        TFaultProxy::TOptions options;
        options.TargetPort = peer.Port();
        options.Fault = *c.Proxy;
        options.After = c.Bytes / 3;
        Proxy.emplace(options);
        return Proxy->HostPort();
    }

    void ExpectStillConnected() {
        EXPECT_EQ(Window->Connected, 1);
        EXPECT_NE(Caption(), "Lemnar v. 2.54 Отключено.");
        EXPECT_TRUE(Boxes.empty());
    }

    void ExpectEndedTheUsualWay() {
        ASSERT_TRUE(WaitUntil([&] { return Window->Connected == 0; }, 20000));
        EXPECT_EQ(Caption(), "Lemnar v. 2.54 Отключено.");
        EXPECT_TRUE(Window->Conn->isEnabled());
        EXPECT_TRUE(Boxes.empty());
    }

    std::optional<TFaultySocketCalls> Calls;
    std::optional<TFaultProxy> Proxy;
};

TEST_P(TTransportFaultTest, EveryByteOnceAndInOrder) {
    const TFaultCase& c = GetParam();
    if (c.Work == TWork::Stream) {
        const std::string sent = Stream(c.Bytes);
        const std::string data = Unescape(sent);
        TStreamPeer peer({sent});
        const auto log = Dir / "lemnar.log";
        StartWith(HostFor(peer), {"P", log.string()});
        if (c.Ends) {
            ExpectEndedTheUsualWay();
        } else {
            ASSERT_TRUE(WaitUntil([&] { return Delivered >= data.size(); }, 60000))
                << Delivered << " of " << data.size();
            ExpectStillConnected();
        }
        Window.reset(); // closes the log
        const std::string logged = LoggedData(log);
        if (c.Ends) {
            EXPECT_LT(logged.size(), data.size());
            EXPECT_EQ(logged, data.substr(0, logged.size())) << "not a prefix of the stream";
        } else {
            EXPECT_EQ(logged.size(), data.size());
            EXPECT_TRUE(logged == data) << "the log differs from the stream";
        }
        return;
    }
    const std::string text = PasteLines(c.Bytes);
    const std::string expected = PastedBytes(text);
    TStreamPeer peer({});
    StartWith(HostFor(peer), {});
    Answers = {IdYes};
    Window->PasteText(QString::fromStdString(text));
    Boxes.clear(); // the question about the lines
    if (c.Ends) {
        ExpectEndedTheUsualWay();
        const std::string got = peer.Received();
        EXPECT_LT(got.size(), expected.size());
        EXPECT_EQ(got, expected.substr(0, got.size())) << "not a prefix of the paste";
        return;
    }
    ASSERT_TRUE(WaitUntil([&] { return peer.ReceivedSize() >= expected.size(); }, 120000))
        << peer.ReceivedSize() << " of " << expected.size();
    Pump(20);
    EXPECT_TRUE(peer.Received() == expected) << "the paste arrived changed";
    ExpectStillConnected();
}

using F = TSocketFault;
using P = TProxyFault;

INSTANTIATE_TEST_SUITE_P(
    Faults, TTransportFaultTest,
    ::testing::Values(TFaultCase{"EintrStream5", F::Eintr, 0.05, {}, TWork::Stream, 8 * MiB},
                      TFaultCase{"EintrStream30", F::Eintr, 0.30, {}, TWork::Stream, 8 * MiB},
                      TFaultCase{"EagainStream5", F::Eagain, 0.05, {}, TWork::Stream, 8 * MiB},
                      TFaultCase{"EagainStream30", F::Eagain, 0.30, {}, TWork::Stream, 8 * MiB},
                      TFaultCase{"ShortStream5", F::Short, 0.05, {}, TWork::Stream, 8 * MiB},
                      TFaultCase{"ShortStream30", F::Short, 0.30, {}, TWork::Stream, 8 * MiB},
                      TFaultCase{"EintrPaste5", F::Eintr, 0.05, {}, TWork::Paste, MiB},
                      TFaultCase{"EintrPaste30", F::Eintr, 0.30, {}, TWork::Paste, MiB},
                      TFaultCase{"EagainPaste5", F::Eagain, 0.05, {}, TWork::Paste, MiB},
                      TFaultCase{"EagainPaste30", F::Eagain, 0.30, {}, TWork::Paste, MiB},
                      TFaultCase{"ShortPaste5", F::Short, 0.05, {}, TWork::Paste, MiB},
                      TFaultCase{"ShortPaste30", F::Short, 0.30, {}, TWork::Paste, MiB},
                      TFaultCase{"ResetMidWrite", F::ResetMidWrite, 0, {}, TWork::Paste, MiB, true},
                      TFaultCase{"PipeMidWrite", F::PipeMidWrite, 0, {}, TWork::Paste, MiB, true},
                      TFaultCase{"ProxyStallStream", {}, 0, P::Stall, TWork::Stream, MiB},
                      TFaultCase{"ProxyStallPaste", {}, 0, P::Stall, TWork::Paste, MiB},
                      TFaultCase{"ProxyDripStream", {}, 0, P::Drip, TWork::Stream, 16 * 1024},
                      TFaultCase{"ProxyDripPaste", {}, 0, P::Drip, TWork::Paste, 16 * 1024},
                      TFaultCase{"ProxyResetStream", {}, 0, P::Reset, TWork::Stream, MiB, true},
                      TFaultCase{
                          "ProxyHalfCloseStream", {}, 0, P::HalfClose, TWork::Stream, MiB, true}),
    [](const ::testing::TestParamInfo<TFaultCase>& info) { return std::string(info.param.Name); });

} // namespace
} // namespace lemnar::test
