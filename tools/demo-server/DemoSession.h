#pragma once

#include "DemoApp.h"
#include "KeyDecoder.h"
#include "TelnetParser.h"

#include <bitset>
#include <memory>
#include <string>
#include <string_view>

namespace lemnar::demo {

// One client from the first byte to the goodbye, without the socket: telnet
// negotiation, the wait for the terminal type, login and password, then the
// application. Raw bytes in, raw bytes out (IAC doubled in screen data).
// Over SSH the transport has done all but the application: StartPlain opens
// it at once, and bytes pass both ways as they are.
class TDemoSession {
  public:
    static constexpr int DefaultRows = 25;
    static constexpr int DefaultCols = 80;
    static constexpr std::size_t MaxLoginLine = 32;
    static constexpr std::size_t MaxTerminalName = 40;

    TDemoSession();

    // The opening negotiation; call once, before anything else.
    void Start();
    // Instead of Start: the application at once for a terminal type and size
    // the transport has already learned.
    void StartPlain(std::string_view terminalName, int rows, int cols);
    // A new size from the transport (NAWS comes in the stream instead).
    void Resize(int rows, int cols);
    void Receive(std::string_view raw);
    // The terminal type did not arrive in time: go on as "TTY".
    void TerminalTypeTimeout();

    bool WaitingForTerminalType() const { return Phase == TPhase::Negotiating; }
    bool Finished() const { return Phase == TPhase::Done; }
    const std::string& TerminalName() const { return Terminal; }
    int Rows() const { return ReportedRows; }
    int Cols() const { return ReportedCols; }
    const TDemoApp* App() const { return Application.get(); }

    std::string TakeOutput();

  private:
    enum class TPhase { Negotiating, Login, Password, Running, Done };

    void OnEvent(const TTelnetEvent& event);
    void OnSubnegotiation(const TTelnetEvent& event);
    void Refuse(std::uint8_t answer, std::uint8_t option);
    void ChooseKeys();
    void BeginLogin();
    void LoginKey(const TKey& key);
    void Screen(std::string_view bytes);
    void CollectApp();

    TPhase Phase = TPhase::Negotiating;
    bool Plain = false; // no telnet either way
    TTelnetParser Parser;
    TKeyDecoder Decoder{TKeyDecoder::TStyle::Ansi};
    std::unique_ptr<TDemoApp> Application;
    std::string Terminal = "TTY";
    int ReportedRows = DefaultRows;
    int ReportedCols = DefaultCols;
    std::string Line;
    std::bitset<256> Refused; // options already refused: each is refused once
    std::string Output;
};

} // namespace lemnar::demo
