#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lemnar::demo {

namespace Telnet {
constexpr std::uint8_t Se = 240;
constexpr std::uint8_t Sb = 250;
constexpr std::uint8_t Will = 251;
constexpr std::uint8_t Wont = 252;
constexpr std::uint8_t Do = 253;
constexpr std::uint8_t Dont = 254;
constexpr std::uint8_t Iac = 255;
constexpr std::uint8_t OptEcho = 1;
constexpr std::uint8_t OptSuppressGoAhead = 3;
constexpr std::uint8_t OptTerminalType = 24;
constexpr std::uint8_t OptNaws = 31;
constexpr std::uint8_t SubIs = 0;
constexpr std::uint8_t SubSend = 1;
} // namespace Telnet

// One telnet command taken out of the stream: a WILL/WONT/DO/DONT with its option,
// or a complete subnegotiation with its option and (IAC-undoubled) data.
struct TTelnetEvent {
    enum class TKind { Will, Wont, Do, Dont, Subnegotiation };
    TKind Kind;
    std::uint8_t Option;
    std::string Data;

    bool operator==(const TTelnetEvent&) const = default;
};

// Server-side telnet stream parser. Keeps its state between blocks, so a command
// may be split anywhere. Subnegotiation data is bounded: a longer one is dropped whole.
class TTelnetParser {
  public:
    static constexpr std::size_t MaxSubnegotiation = 256;

    // Parses one received block: returns its application data (IAC IAC as one 255),
    // and appends the commands found to events, in order.
    std::string Feed(std::string_view block, std::vector<TTelnetEvent>& events);

  private:
    enum class TState { Data, Iac, Will, Wont, Do, Dont, SbOption, SbData, SbIac };

    void OnIac(std::uint8_t byte);
    void OnSbIac(std::uint8_t byte, std::vector<TTelnetEvent>& events);

    TState State = TState::Data;
    std::uint8_t SbOption = 0;
    std::string SbData;
    bool SbOverflow = false;
};

} // namespace lemnar::demo
