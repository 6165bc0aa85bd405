#include "telnet/IdTelnet.h"

#include "telnet/IdTelnetReadThread.h"

#include <algorithm>
#include <cstring>

namespace lemnar {

namespace {

constexpr std::uint8_t Iac = 255;
constexpr std::uint8_t Dont = 254;
constexpr std::uint8_t Do = 253;
constexpr std::uint8_t Wont = 252;
constexpr std::uint8_t Will = 251;
constexpr std::uint8_t Sb = 250;
constexpr std::uint8_t Se = 240;

constexpr std::uint8_t OptEcho = 1;
constexpr std::uint8_t OptTerminalType = 24;
constexpr std::uint8_t OptEndOfRecord = 25;
constexpr std::uint8_t OptNaws = 31;

constexpr std::uint8_t SbSend = 1;
constexpr std::uint8_t SbIs = 0;

// The whole negotiation policy: the server may perform ECHO and
// END-OF-RECORD; this side performs ECHO, TERMINAL-TYPE and NAWS. Any option
// not listed is refused both ways.
struct TOptionAnswer {
    std::uint8_t Option;
    std::uint8_t AnswerToWill;
    std::uint8_t AnswerToDo;
};

constexpr TOptionAnswer OptionPolicy[] = {
    {OptEcho, Do, Will},
    {OptTerminalType, Dont, Will},
    {OptEndOfRecord, Do, Wont},
    {OptNaws, Dont, Will},
};

constexpr TOptionAnswer RefusedOption{0, Dont, Wont};

const TOptionAnswer& AnswerFor(std::uint8_t option) {
    const auto* found =
        std::find_if(std::begin(OptionPolicy), std::end(OptionPolicy),
                     [option](const TOptionAnswer& a) { return a.Option == option; });
    return found == std::end(OptionPolicy) ? RefusedOption : *found;
}

char Byte(std::uint8_t b) {
    return static_cast<char>(b);
}

// Grid sizes go out as two bytes each.
std::uint16_t SizeField(std::int32_t value) {
    return static_cast<std::uint16_t>(std::clamp<std::int32_t>(value, 0, 65535));
}

} // namespace

TIdTelnet::TIdTelnet(TIdMainThreadQueue& queue) : TIdTCPClient(queue) {
    Port = 23;
}

TIdTelnet::~TIdTelnet() {
    Shut();
}

void TIdTelnet::Connect() {
    if (OnConnect)
        OnConnect();
    RequestsAnswered.fill(0);
    TIdTCPClient::Connect();
}

void TIdTelnet::Disconnect() {
    PeerIsTelnet = false;
    TIdTCPClient::Disconnect();
    if (OnDisconnect)
        OnDisconnect();
}

std::unique_ptr<TIdThread> TIdTelnet::MakeThread() {
    auto thread = std::make_unique<TIdTelnetReadThread>(*this);
    ReadThread = thread.get();
    return thread;
}

bool TIdTelnet::OnReadThread() const {
    return ReadThread != nullptr && TIdThread::Current() == ReadThread;
}

void TIdTelnet::DoOnDisconnected() {
    Queue({TIdReceiveQueue::TKind::Disconnected, {}, 0, 0, {}});
}

void TIdTelnet::DoTelnetCommand(TTelnetCommand status) {
    if (!OnReadThread()) {
        if (OnTelnetCommand)
            OnTelnetCommand(*this, status);
        return;
    }
    Queue({TIdReceiveQueue::TKind::Command, {}, status, 0, {}});
}

void TIdTelnet::DeliverOther(TIdReceiveQueue::TItem& item) {
    switch (item.Kind) {
    case TIdReceiveQueue::TKind::Data:
        throw EIdTelnetServerOnDataAvailableIsNil();
    case TIdReceiveQueue::TKind::Command:
        if (OnTelnetCommand)
            OnTelnetCommand(*this, static_cast<TTelnetCommand>(item.Status));
        break;
    default:
        break;
    }
}

void TIdTelnet::SendCh(std::uint8_t ch) {
    if (ch == '\r' && !PeerIsTelnet)
        WriteBytes("\r\n");
    else
        WriteBytes(std::string(1, Byte(ch)));
}

void TIdTelnet::SendText(std::string_view bytes) {
    if (bytes.empty())
        return;
    if (!IsConnected())
        throw EIdConnClosedGracefully();
    // Read once: the receive thread may learn meanwhile that the peer speaks
    // telnet, and one text keeps one rule.
    Outgoing().PutText(std::string(bytes), !PeerIsTelnet, TextWriteSize);
}

void TIdTelnet::Handle_WS() {
    std::uint16_t columns = SizeField(Columns);
    std::uint16_t rows = SizeField(Rows);
    std::string report{Byte(Iac),          Byte(Sb),      Byte(OptNaws),
                       Byte(columns >> 8), Byte(columns), Byte(rows >> 8),
                       Byte(rows),         Byte(Iac),     Byte(Se)};
    SendNegotiationResp(report);
}

void TIdTelnet::Handle_SB(std::uint8_t /*option*/, std::string_view data) {
    if (data.size() != 1 || static_cast<std::uint8_t>(data[0]) != SbSend)
        return;
    std::string terminal = Terminal;
    if (terminal.empty()) {
        terminal = "dumb";
        Terminal = terminal;
    }
    std::string report{Byte(Iac), Byte(Sb), Byte(OptTerminalType), Byte(SbIs)};
    report += terminal;
    report += Byte(Iac);
    report += Byte(Se);
    SendNegotiationResp(report);
}

void TIdTelnet::SendNegotiationResp(std::string& message) {
    WriteBytes(message);
    message.clear();
}

void TIdTelnet::SendReply(std::uint8_t verb, std::uint8_t option) {
    std::string reply{Byte(Iac), Byte(verb), Byte(option)};
    SendNegotiationResp(reply);
}

bool TIdTelnet::CountRequest(std::uint8_t verb, std::uint8_t option) {
    // WILL, WONT, DO and DONT are 251..254.
    std::uint8_t& answered = RequestsAnswered[static_cast<std::size_t>(verb - Will) * 256 + option];
    if (answered >= RepliesPerRequest)
        return false;
    ++answered;
    return true;
}

std::string TIdTelnet::Negotiate(std::string_view buf) {
    std::string output;
    output.reserve(buf.size());
    SbOption = 0;
    SbData.clear();
    for (std::size_t i = 0; i < buf.size(); ++i) {
        if (ReceiveState == tnsDATA) {
            // Data bytes up to the next IAC go across in one piece.
            const char* from = buf.data() + i;
            const auto* iac = static_cast<const char*>(std::memchr(from, Iac, buf.size() - i));
            const std::size_t run =
                iac == nullptr ? buf.size() - i : static_cast<std::size_t>(iac - from);
            output.append(from, run);
            i += run;
            if (i == buf.size())
                break;
        }
        auto b = static_cast<std::uint8_t>(buf[i]);
        switch (ReceiveState) {
        case tnsDATA: // data byte; IAC starts a command
            ReceiveState = OnData(b, output);
            break;
        case tnsIAC: // IAC x: IAC IAC is data 255, WILL/WONT/DO/DONT/SB go on, others drop
            ReceiveState = OnCommand(b, output);
            break;
        case tnsIAC_WILL: // IAC WILL opt: DO for ECHO and END-OF-RECORD, DONT otherwise
            ReceiveState = AnswerWill(b);
            break;
        case tnsIAC_WONT: // IAC WONT opt: always DONT
            ReceiveState = AnswerWont(b);
            break;
        case tnsIAC_DO: // IAC DO opt: WILL for ECHO, TERMINAL-TYPE and NAWS, WONT otherwise
            ReceiveState = AnswerDo(b);
            break;
        case tnsIAC_DONT: // IAC DONT opt: always WONT
            ReceiveState = AnswerDont(b);
            break;
        case tnsIAC_SB: // IAC SB opt: collect data for opt; IAC SB IAC drops the next byte
            ReceiveState = StartSubnegotiation(b);
            break;
        case tnsIAC_SBIAC: // the byte after IAC SB IAC: dropped
            ReceiveState = tnsDATA;
            break;
        case tnsIAC_SBDATA: // subnegotiation data until IAC
            ReceiveState = CollectSubnegotiation(b);
            break;
        case tnsSBDATA_IAC: // IAC in subnegotiation: SE ends, SB ends and restarts, IAC is 255
            ReceiveState = EndSubnegotiation(b);
            break;
        case tnsWINS: // left here only by a failed report: the byte is dropped
        default:
            ReceiveState = tnsDATA;
            break;
        }
    }
    return output;
}

TTnState TIdTelnet::OnData(std::uint8_t b, std::string& output) {
    if (b != Iac) {
        output += Byte(b);
        return tnsDATA;
    }
    PeerIsTelnet = true;
    return tnsIAC;
}

TTnState TIdTelnet::OnCommand(std::uint8_t b, std::string& output) {
    switch (b) {
    case Iac:
        output += Byte(Iac);
        return tnsDATA;
    case Will:
        return tnsIAC_WILL;
    case Wont:
        return tnsIAC_WONT;
    case Do:
        return tnsIAC_DO;
    case Dont:
        return tnsIAC_DONT;
    case Sb:
        return tnsIAC_SB;
    default: // NOP, GA, EOR, AYT and the rest: dropped unanswered
        return tnsDATA;
    }
}

TTnState TIdTelnet::AnswerWill(std::uint8_t option) {
    if (!CountRequest(Will, option))
        return tnsDATA;
    if (option == OptEcho)
        DoTelnetCommand(tncNoLocalEcho);
    SendReply(AnswerFor(option).AnswerToWill, option);
    return tnsDATA;
}

TTnState TIdTelnet::AnswerWont(std::uint8_t option) {
    if (!CountRequest(Wont, option))
        return tnsDATA;
    if (option == OptEcho)
        DoTelnetCommand(tncLocalEcho);
    SendReply(Dont, option);
    return tnsDATA;
}

TTnState TIdTelnet::AnswerDo(std::uint8_t option) {
    if (!CountRequest(Do, option))
        return tnsDATA;
    if (option == OptEcho)
        DoTelnetCommand(tncLocalEcho);
    // The size report follows the WILL NAWS at once, every time.
    ReceiveState = option == OptNaws ? tnsWINS : tnsIAC_DO;
    SendReply(AnswerFor(option).AnswerToDo, option);
    if (ReceiveState == tnsWINS)
        Handle_WS();
    return tnsDATA;
}

TTnState TIdTelnet::AnswerDont(std::uint8_t option) {
    if (!CountRequest(Dont, option))
        return tnsDATA;
    if (option == OptEcho)
        DoTelnetCommand(tncEcho);
    SendReply(Wont, option);
    return tnsDATA;
}

TTnState TIdTelnet::StartSubnegotiation(std::uint8_t b) {
    if (b == Iac)
        return tnsIAC_SBIAC;
    SbOption = b;
    SbData.clear();
    return tnsIAC_SBDATA;
}

TTnState TIdTelnet::CollectSubnegotiation(std::uint8_t b) {
    if (b == Iac)
        return tnsSBDATA_IAC;
    SbData += Byte(b);
    return tnsIAC_SBDATA;
}

TTnState TIdTelnet::EndSubnegotiation(std::uint8_t b) {
    switch (b) {
    case Se:
        Handle_SB(SbOption, SbData);
        return tnsDATA;
    case Sb: // a new subnegotiation follows without SE
        Handle_SB(SbOption, SbData);
        return tnsIAC_SB;
    case Iac:
        SbData += Byte(Iac);
        return tnsIAC_SBDATA;
    default: // malformed end: the subnegotiation is dropped
        return tnsDATA;
    }
}

} // namespace lemnar
