#pragma once
// The telnet engine: opens the connection from its receive thread, strips
// telnet commands from the stream, answers the server's option negotiation
// with a fixed, stateless policy, and hands each block's application data to
// the window thread.
//
// Threads: Connect, Disconnect, SendCh and the destructor belong to the
// window thread, which must be the thread that runs the queue's functions.
// The receive thread connects, then queues each block's data, and the events
// raised while it read it, for the window thread (TIdReceiveQueue); every
// event except OnConnect/OnDisconnect (raised inside the window thread's own
// calls) arrives that way, in order. Negotiation replies go into the send
// queue through WriteBytes, so Negotiate runs without a socket when
// WriteBytes is overridden.

#include "telnet/IdTCPClient.h"
#include "telnet/IdTelnetError.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace lemnar {

class TIdTelnetReadThread;

// Parser states; the numbers are fixed.
enum TTnState : std::uint8_t {
    tnsDATA = 0,
    tnsIAC = 1,
    tnsIAC_SB = 2,
    tnsIAC_WILL = 3,
    tnsIAC_DO = 4,
    tnsIAC_WONT = 5,
    tnsIAC_DONT = 6,
    tnsIAC_SBIAC = 7,
    tnsIAC_SBDATA = 8,
    tnsSBDATA_IAC = 9,
    tnsWINS = 10, // transient: DO NAWS accepted, the size report is due
};

// Echo notifications raised through OnTelnetCommand.
enum TTelnetCommand : std::uint8_t {
    tncNoLocalEcho = 0,
    tncLocalEcho = 1,
    tncEcho = 2,
};

class TIdTelnet : public TIdTCPClient {
  public:
    using TTnDataAvail = TDataEvent;
    using TOnTelnetCommand = std::function<void(TIdTelnet& sender, TTelnetCommand status)>;
    using TClientEvent = std::function<void()>;

    // The queue must outlive the engine.
    explicit TIdTelnet(TIdMainThreadQueue& queue);
    // Closes the connection without raising any event: the owner is going.
    ~TIdTelnet() override;

    // Starts the receive thread, which opens the connection. Every socket
    // error of the attempt reaches OnConnectFailed as
    // EIdTelnetClientConnectError's text; other exceptions pass.
    void Connect() override;
    // Abandons the attempt, or stops the receive thread and closes the
    // connection. Blocks still queued for the window thread, and bytes not
    // yet sent, are dropped. OnDisconnected is raised here when the window
    // thread had been told of the connection and not yet of its end.
    void Disconnect() override;
    // Sends one byte; a carriage return is followed by LF until the peer has
    // shown it speaks telnet. Bytes are not IAC-doubled.
    void SendCh(std::uint8_t ch) override;
    // Sends bytes as SendCh would send each of them, in writes of at most
    // TextWriteSize bytes; a CR and the LF that follows it go in one write.
    // A paste of a long text is a few writes, not one per byte.
    void SendText(std::string_view bytes) override;
    static constexpr std::size_t TextWriteSize = 512;
    // Sends the window-size report from Rows and Columns.
    void Handle_WS() override;

    // Parses one received block and returns its application data; replies
    // are written while it runs. Called by the receive thread.
    std::string Negotiate(std::string_view buf);
    // A complete subnegotiation: data exactly SEND is answered with the
    // terminal-type report, whatever the option.
    void Handle_SB(std::uint8_t option, std::string_view data);
    // Writes the message in one write, then empties it.
    void SendNegotiationResp(std::string& message);
    void DoTelnetCommand(TTelnetCommand status);

    TOnTelnetCommand OnTelnetCommand; // on the window thread
    TClientEvent OnConnect;
    TClientEvent OnDisconnect;
    // Kept across blocks and connections; only the parser moves it.
    TTnState ReceiveState = tnsDATA;
    std::atomic<bool> PeerIsTelnet{false};

  protected:
    // From the receive thread the event is handed to the window thread.
    void DoOnDisconnected() override;
    std::unique_ptr<TIdThread> MakeThread() override;
    void DeliverOther(TIdReceiveQueue::TItem& item) override;

  private:
    friend class TIdTelnetReadThread;

    TTnState OnData(std::uint8_t b, std::string& output);
    TTnState OnCommand(std::uint8_t b, std::string& output);
    TTnState AnswerWill(std::uint8_t option);
    TTnState AnswerWont(std::uint8_t option);
    TTnState AnswerDo(std::uint8_t option);
    TTnState AnswerDont(std::uint8_t option);
    TTnState StartSubnegotiation(std::uint8_t b);
    TTnState CollectSubnegotiation(std::uint8_t b);
    TTnState EndSubnegotiation(std::uint8_t b);
    void SendReply(std::uint8_t verb, std::uint8_t option);
    // Counts a request (WILL, WONT, DO or DONT and its option). false: this
    // connection has already answered it RepliesPerRequest times, and it is
    // dropped unanswered.
    bool CountRequest(std::uint8_t verb, std::uint8_t option);
    // Whether this runs on the receive thread, whose events are queued.
    bool OnReadThread() const;

    const TIdTelnetReadThread* ReadThread = nullptr;
    // Requests answered on this connection, per verb (WILL, WONT, DO, DONT)
    // and option. Every request is answered, also a repeated one, but a server
    // that answers each reply with the opposite request would keep both sides
    // busy for ever; past this many the engine stops answering
    // that request. Servers that keep option state repeat a request
    // a few times at most.
    static constexpr int RepliesPerRequest = 64;
    std::array<std::uint8_t, 4 * 256> RequestsAnswered{};
    // The subnegotiation of the block being parsed.
    std::uint8_t SbOption = 0;
    std::string SbData;
};

} // namespace lemnar
