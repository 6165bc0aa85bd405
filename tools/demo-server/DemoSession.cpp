#include "DemoSession.h"

#include "Cp866.h"

#include <cctype>
#include <utility>

namespace lemnar::demo {

namespace {

std::string Command(std::uint8_t verb, std::uint8_t option) {
    return {static_cast<char>(Telnet::Iac), static_cast<char>(verb), static_cast<char>(option)};
}

// A terminal name as shown on screen: printable ASCII, upper case.
std::string CleanName(std::string_view raw, std::size_t limit) {
    std::string name;
    for (const char ch : raw.substr(0, limit)) {
        const auto byte = static_cast<unsigned char>(ch);
        if (byte > 0x20 && byte < 0x7F) {
            name.push_back(static_cast<char>(std::toupper(byte)));
        }
    }
    return name;
}

} // namespace

TDemoSession::TDemoSession() = default;

void TDemoSession::Start() {
    Output += Command(Telnet::Do, Telnet::OptTerminalType);
    Output += Command(Telnet::Do, Telnet::OptNaws);
    Output += Command(Telnet::Will, Telnet::OptEcho);
    Output += Command(Telnet::Will, Telnet::OptSuppressGoAhead);
    Output += {static_cast<char>(Telnet::Iac),
               static_cast<char>(Telnet::Sb),
               static_cast<char>(Telnet::OptTerminalType),
               static_cast<char>(Telnet::SubSend),
               static_cast<char>(Telnet::Iac),
               static_cast<char>(Telnet::Se)};
}

void TDemoSession::StartPlain(std::string_view terminalName, int rows, int cols) {
    Plain = true;
    const std::string name = CleanName(terminalName, MaxTerminalName);
    if (!name.empty()) {
        Terminal = name;
    }
    if (rows > 0 && cols > 0) {
        ReportedRows = rows;
        ReportedCols = cols;
    }
    ChooseKeys();
    Phase = TPhase::Running;
    Application = std::make_unique<TDemoApp>(Terminal, ReportedRows, ReportedCols);
    Application->Draw();
    CollectApp();
}

void TDemoSession::Resize(int rows, int cols) {
    if (rows <= 0 || cols <= 0) {
        return;
    }
    ReportedRows = rows;
    ReportedCols = cols;
    if (Phase == TPhase::Running) {
        Application->Resize(rows, cols);
        CollectApp();
    }
}

void TDemoSession::Receive(std::string_view raw) {
    std::vector<TTelnetEvent> events;
    const std::string data = Plain ? std::string(raw) : Parser.Feed(raw, events);
    for (const TTelnetEvent& event : events) {
        OnEvent(event);
    }
    if (Phase == TPhase::Negotiating || Phase == TPhase::Done) {
        // typed ahead of the prompt, or after the goodbye: nobody reads it
        return;
    }
    for (const TKey& key : Decoder.Feed(data)) {
        if (Phase == TPhase::Running) {
            Application->HandleKey(key);
        } else if (Phase == TPhase::Login || Phase == TPhase::Password) {
            LoginKey(key);
        }
    }
    if (Phase == TPhase::Running) {
        CollectApp();
    }
}

void TDemoSession::OnEvent(const TTelnetEvent& event) {
    switch (event.Kind) {
    // the answers to what the session asked for need no reply; anything else is refused once
    case TTelnetEvent::TKind::Will:
        if (event.Option != Telnet::OptTerminalType && event.Option != Telnet::OptNaws) {
            Refuse(Telnet::Dont, event.Option);
        }
        break;
    case TTelnetEvent::TKind::Do:
        if (event.Option != Telnet::OptEcho && event.Option != Telnet::OptSuppressGoAhead) {
            Refuse(Telnet::Wont, event.Option);
        }
        break;
    case TTelnetEvent::TKind::Wont:
    case TTelnetEvent::TKind::Dont:
        break;
    case TTelnetEvent::TKind::Subnegotiation:
        OnSubnegotiation(event);
        break;
    }
}

void TDemoSession::Refuse(std::uint8_t answer, std::uint8_t option) {
    // A client that answers refusals with refusals would otherwise loop for ever.
    if (!Refused.test(option)) {
        Refused.set(option);
        Output += Command(answer, option);
    }
}

void TDemoSession::OnSubnegotiation(const TTelnetEvent& event) {
    if (event.Option == Telnet::OptTerminalType && !event.Data.empty() &&
        static_cast<std::uint8_t>(event.Data[0]) == Telnet::SubIs) {
        if (Phase != TPhase::Negotiating) {
            return;
        }
        const std::string name = CleanName(std::string_view(event.Data).substr(1), MaxTerminalName);
        if (!name.empty()) {
            Terminal = name;
        }
        BeginLogin();
        return;
    }
    if (event.Option == Telnet::OptNaws && event.Data.size() == 4) {
        const auto byteAt = [&](std::size_t i) {
            return static_cast<unsigned char>(event.Data[i]);
        };
        const int cols = byteAt(0) * 256 + byteAt(1);
        const int rows = byteAt(2) * 256 + byteAt(3);
        if (cols == 0 || rows == 0) {
            return;
        }
        ReportedCols = cols;
        ReportedRows = rows;
        if (Phase == TPhase::Running) {
            Application->Resize(rows, cols);
        }
    }
}

void TDemoSession::TerminalTypeTimeout() {
    if (Phase == TPhase::Negotiating) {
        BeginLogin();
    }
}

void TDemoSession::ChooseKeys() {
    Decoder.SetStyle(TerminalKindFromName(Terminal) == TTerminalKind::Qnx
                         ? TKeyDecoder::TStyle::Qnx
                         : TKeyDecoder::TStyle::Ansi);
}

void TDemoSession::BeginLogin() {
    ChooseKeys();
    Phase = TPhase::Login;
    Screen("\r\n" + EncodeCp866("Демонстрационный сервер Lemnar. Подойдут любые имя и пароль.") +
           "\r\n\r\nlogin: ");
}

void TDemoSession::LoginKey(const TKey& key) {
    const bool echo = Phase == TPhase::Login;
    if (key.Kind == TKey::TKind::Char) {
        if (Line.size() < MaxLoginLine) {
            Line.push_back(static_cast<char>(key.Value));
            if (echo) {
                Screen(std::string(1, static_cast<char>(key.Value)));
            }
        }
        return;
    }
    if (key.Kind == TKey::TKind::Backspace) {
        if (!Line.empty()) {
            Line.pop_back();
            if (echo) {
                Screen("\b \b");
            }
        }
        return;
    }
    if (key.Kind != TKey::TKind::Enter) {
        return;
    }
    Line.clear();
    Screen("\r\n");
    if (Phase == TPhase::Login) {
        Phase = TPhase::Password;
        Screen("Password: ");
        return;
    }
    Phase = TPhase::Running;
    Application = std::make_unique<TDemoApp>(Terminal, ReportedRows, ReportedCols);
    Application->Draw();
    CollectApp();
}

void TDemoSession::CollectApp() {
    Screen(Application->Take());
    if (Application->Finished()) {
        Phase = TPhase::Done;
    }
}

void TDemoSession::Screen(std::string_view bytes) {
    for (const char ch : bytes) {
        Output.push_back(ch);
        if (!Plain && static_cast<std::uint8_t>(ch) == Telnet::Iac) {
            Output.push_back(ch);
        }
    }
}

std::string TDemoSession::TakeOutput() {
    return std::exchange(Output, {});
}

} // namespace lemnar::demo
