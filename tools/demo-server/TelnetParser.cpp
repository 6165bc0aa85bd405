#include "TelnetParser.h"

namespace lemnar::demo {

std::string TTelnetParser::Feed(std::string_view block, std::vector<TTelnetEvent>& events) {
    std::string data;
    data.reserve(block.size());
    for (const char ch : block) {
        const auto byte = static_cast<std::uint8_t>(ch);
        switch (State) {
        // plain data; IAC starts a command
        case TState::Data:
            if (byte == Telnet::Iac) {
                State = TState::Iac;
            } else {
                data.push_back(ch);
            }
            break;
        // IAC IAC is the data byte 255; other commands pick their state
        case TState::Iac:
            if (byte == Telnet::Iac) {
                data.push_back(ch);
                State = TState::Data;
            } else {
                OnIac(byte);
            }
            break;
        // IAC WILL/WONT/DO/DONT option
        case TState::Will:
            events.push_back({TTelnetEvent::TKind::Will, byte, {}});
            State = TState::Data;
            break;
        case TState::Wont:
            events.push_back({TTelnetEvent::TKind::Wont, byte, {}});
            State = TState::Data;
            break;
        case TState::Do:
            events.push_back({TTelnetEvent::TKind::Do, byte, {}});
            State = TState::Data;
            break;
        case TState::Dont:
            events.push_back({TTelnetEvent::TKind::Dont, byte, {}});
            State = TState::Data;
            break;
        // IAC SB option
        case TState::SbOption:
            SbOption = byte;
            SbData.clear();
            SbOverflow = false;
            State = TState::SbData;
            break;
        // subnegotiation data up to IAC
        case TState::SbData:
            if (byte == Telnet::Iac) {
                State = TState::SbIac;
            } else if (SbData.size() < MaxSubnegotiation) {
                SbData.push_back(ch);
            } else {
                SbOverflow = true;
            }
            break;
        // IAC inside a subnegotiation: SE ends it, IAC is data, anything else drops it
        case TState::SbIac:
            OnSbIac(byte, events);
            break;
        }
    }
    return data;
}

void TTelnetParser::OnIac(std::uint8_t byte) {
    switch (byte) {
    case Telnet::Will:
        State = TState::Will;
        break;
    case Telnet::Wont:
        State = TState::Wont;
        break;
    case Telnet::Do:
        State = TState::Do;
        break;
    case Telnet::Dont:
        State = TState::Dont;
        break;
    case Telnet::Sb:
        State = TState::SbOption;
        break;
    default:
        // NOP, GA, AYT and the rest carry nothing this server needs
        State = TState::Data;
        break;
    }
}

void TTelnetParser::OnSbIac(std::uint8_t byte, std::vector<TTelnetEvent>& events) {
    if (byte == Telnet::Iac) {
        if (SbData.size() < MaxSubnegotiation) {
            SbData.push_back(static_cast<char>(byte));
        } else {
            SbOverflow = true;
        }
        State = TState::SbData;
    } else if (byte == Telnet::Se) {
        if (!SbOverflow) {
            events.push_back({TTelnetEvent::TKind::Subnegotiation, SbOption, SbData});
        }
        SbData.clear();
        State = TState::Data;
    } else {
        SbData.clear();
        State = TState::Data;
    }
}

} // namespace lemnar::demo
