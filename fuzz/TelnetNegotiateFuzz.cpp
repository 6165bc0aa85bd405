// The telnet parser on its own: blocks of server bytes through Negotiate, with
// every reply captured instead of written. Each write must be one whole reply
// of the fixed policy, a terminal-type report or a window-size report, in the
// order the policy gives them, and the data handed on never grows.

#include "FuzzInput.h"
#include "FuzzSurface.h"
#include "telnet/IdTelnet.h"

#include <string>
#include <vector>

namespace lemnar {
namespace {

constexpr std::uint8_t Iac = 0xFF, Will = 0xFB, Wont = 0xFC, Do = 0xFD, Dont = 0xFE;
constexpr std::uint8_t OptEcho = 1, OptTerminalType = 24, OptEor = 25, OptNaws = 31;

class TDropQueue final : public TIdMainThreadQueue {
  public:
    void Post(std::function<void()>) override {}
};

// Replies and echo notifications, in the order they were made.
class TCapturingTelnet final : public TIdTelnet {
  public:
    explicit TCapturingTelnet(TIdMainThreadQueue& queue) : TIdTelnet(queue) {
        OnTelnetCommand = [this](TIdTelnet&, TTelnetCommand status) {
            Events.push_back(std::string(1, static_cast<char>('0' + status)));
        };
    }
    void WriteBytes(const std::string& bytes) override {
        FuzzCheck(!bytes.empty());
        Events.push_back(bytes);
    }
    std::vector<std::string> Events; // one byte '0'..'2': a notification
};

std::string Bytes(std::initializer_list<std::uint8_t> b) {
    return std::string(b.begin(), b.end());
}

bool IsNotification(const std::string& e) {
    return e.size() == 1;
}

// A three-byte reply the policy can give: DO only for ECHO and END-OF-RECORD,
// WILL only for ECHO, TERMINAL-TYPE and NAWS; DONT and WONT for anything.
bool IsPolicyReply(const std::string& e) {
    if (e.size() != 3 || static_cast<std::uint8_t>(e[0]) != Iac)
        return false;
    const auto verb = static_cast<std::uint8_t>(e[1]);
    const auto option = static_cast<std::uint8_t>(e[2]);
    if (verb == Do)
        return option == OptEcho || option == OptEor;
    if (verb == Will)
        return option == OptEcho || option == OptTerminalType || option == OptNaws;
    return verb == Wont || verb == Dont;
}

void CheckEvents(const std::vector<std::string>& events, const std::string& terminal,
                 const std::string& windowSize) {
    const std::string willNaws = Bytes({Iac, Will, OptNaws});
    const std::string report =
        Bytes({Iac, 0xFA, OptTerminalType, 0}) + terminal + Bytes({Iac, 0xF0});
    for (std::size_t i = 0; i < events.size(); ++i) {
        const std::string& e = events[i];
        const std::string next = i + 1 < events.size() ? events[i + 1] : std::string();
        if (IsNotification(e)) {
            // Each echo notification comes just before the reply about ECHO.
            const char status = e[0];
            FuzzCheck(status >= '0' && status <= '2');
            const std::uint8_t verb = status == '0' ? Do : status == '2' ? Wont : 0;
            FuzzCheck(next.size() == 3 && static_cast<std::uint8_t>(next[2]) == OptEcho);
            if (verb != 0)
                FuzzCheck(static_cast<std::uint8_t>(next[1]) == verb);
            continue;
        }
        if (e == windowSize) {
            FuzzCheck(i > 0 && events[i - 1] == willNaws);
            continue;
        }
        if (e == report)
            continue;
        FuzzCheck(IsPolicyReply(e));
        if (e == willNaws)
            FuzzCheck(next == windowSize);
    }
}

} // namespace
} // namespace lemnar

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace lemnar;
    TFuzzInput input(data, size);
    const std::uint8_t split = input.TakeByte();
    const std::uint8_t terminalChoice = input.TakeByte();
    input.SeedSplits(split * 2654435761u + terminalChoice);

    static const char* const Terminals[] = {"QNX", "ANSI", "TTY", ""};
    const std::string terminal = Terminals[terminalChoice % 4];
    const int rows = 1 + terminalChoice % StoreRows;
    const int cols = 1 + (terminalChoice * 13) % StoreCols;

    TDropQueue queue;
    TCapturingTelnet telnet(queue);
    telnet.Terminal = terminal;
    telnet.Rows = rows;
    telnet.Columns = cols;
    const std::string windowSize = Bytes({Iac, 0xFA, OptNaws, 0, static_cast<std::uint8_t>(cols), 0,
                                          static_cast<std::uint8_t>(rows), Iac, 0xF0});

    std::size_t inputBytes = 0;
    const std::size_t maxBlock = split == 0 ? RecvBlockSize : split;
    while (!input.AtEnd()) {
        std::string_view block = input.NextBlock(maxBlock);
        inputBytes += block.size();
        const bool plain = telnet.ReceiveState == tnsDATA &&
                           block.find(static_cast<char>(Iac)) == std::string_view::npos;
        const std::string out = telnet.Negotiate(block);
        FuzzCheck(out.size() <= block.size());
        if (plain)
            FuzzCheck(out == block);
        FuzzCheck(telnet.ReceiveState <= tnsSBDATA_IAC);
    }
    // An empty Terminal is reported, and kept, as "dumb".
    CheckEvents(telnet.Events, terminal.empty() ? "dumb" : terminal, windowSize);
    std::size_t writes = 0;
    for (const std::string& e : telnet.Events)
        writes += IsNotification(e) ? 0 : 1;
    // The most a server gets for its bytes is DO NAWS: three bytes, two writes.
    FuzzCheck(writes * 3 <= inputBytes * 2);
    return 0;
}
