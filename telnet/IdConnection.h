#pragma once
// A connection to a server as the program sees it, whatever carries it:
// start an attempt, send, report the window size, end it; and the events of
// its life. Telnet (TIdTelnet) and SSH are built on it.
//
// The window thread never waits on the network here. Connect only starts an
// attempt, and Disconnect abandons it or ends the connection at once, dropping
// what has not left. Everything sent goes into the connection's send queue in
// order and leaves from the connection's own thread as the socket takes it.
//
// Threads: every public function belongs to the window thread, which must be
// the thread that runs the queue's functions; every event runs there too, in
// order: OnConnected or OnConnectFailed once per attempt (none for an
// abandoned one), then the blocks, then OnDisconnected once. The connection's
// thread reaches the window thread only through the receive queue.

#include "telnet/IdLockedString.h"
#include "telnet/IdMainThreadQueue.h"
#include "telnet/IdReceiveQueue.h"
#include "telnet/IdSendQueue.h"
#include "telnet/IdThread.h"
#include "telnet/IdWakeup.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace lemnar {

// The step at which an attempt failed.
enum class TIdConnectStep : std::uint8_t {
    Unreachable,    // name lookup or TCP connect
    HostKey,        // the server's key was refused
    Authentication, // no way of logging in was accepted
    Channel,        // the session could not be opened
    Abandoned,      // a person said no (to an unknown host key, a prompt)
};

struct TIdConnectFailure {
    TIdConnectStep Step = TIdConnectStep::Unreachable;
    std::string Detail; // in English, for logs and exceptions
};

class TIdConnection {
  public:
    using TDataEvent = std::function<void(std::string buffer)>;
    using TNotifyEvent = std::function<void(TIdConnection& sender)>;
    using TFailEvent = std::function<void(TIdConnection& sender, const TIdConnectFailure& failure)>;

    // The queue must outlive the connection.
    explicit TIdConnection(TIdMainThreadQueue& queue);
    // A derived class stops the connection's thread in its own destructor
    // (Shut), before the members that thread uses go.
    virtual ~TIdConnection();
    TIdConnection(const TIdConnection&) = delete;
    TIdConnection& operator=(const TIdConnection&) = delete;

    // Starts an attempt on Host and returns at once; OnConnected or
    // OnConnectFailed follows. Raises EIdAlreadyConnected while a connection
    // is open or being opened.
    virtual void Connect();
    // Abandons an attempt or ends the connection, dropping what is queued
    // both ways, without waiting on the network. OnDisconnected is raised
    // inside when OnConnected was and the peer's close was not yet handed
    // over.
    virtual void Disconnect();
    // Open, and the window thread has been told so; false again once the
    // peer has gone, even before OnDisconnected runs.
    bool IsConnected() const;
    // An attempt is under way.
    bool IsConnecting() const;

    // One key's byte, by the protocol's rules.
    virtual void SendCh(std::uint8_t ch) = 0;
    // Queues one message, which leaves in one write whenever the socket takes
    // it whole. Raises EIdConnClosedGracefully without a connection.
    virtual void WriteBytes(const std::string& bytes);
    // Queues a text (a paste) as typing it would send it, held once and sent
    // in pieces as the socket takes them.
    virtual void SendText(std::string_view bytes) = 0;
    // Reports Rows and Columns to the server.
    virtual void Handle_WS() = 0;

    // Runs done on the window thread once every byte queued so far has left;
    // never, if the connection ends first.
    void AfterSent(std::function<void()> done);
    // How far the texts queued (pastes) have got.
    TIdSendQueue::TProgress TextProgress() const;
    // Drops what texts have not yet sent; the write under way finishes.
    // true: something was dropped.
    bool StopText();

    std::string Host;
    int Port = 23;
    TIdLockedString Terminal{"dumb"};
    std::atomic<std::int32_t> Rows{0};
    std::atomic<std::int32_t> Columns{0};
    // TCP keep-alive: idle seconds before the first probe; 0 turns it off.
    int KeepAliveIdle = 60;
    TDataEvent OnDataAvailable;
    TNotifyEvent OnConnected;
    TNotifyEvent OnDisconnected;
    TFailEvent OnConnectFailed;

  protected:
    // The thread that makes the connection and then serves it; started by
    // Connect.
    virtual std::unique_ptr<TIdThread> MakeThread() = 0;
    // Window thread, before the thread is joined: wakes it out of whatever it
    // waits in. The default signals Wakeup.
    virtual void Interrupt();
    // Window thread, once the thread has ended: lets go of the transport.
    virtual void CloseTransport() {}
    // An item on the window thread, for the kinds this class leaves alone
    // (Command).
    virtual void DeliverOther(TIdReceiveQueue::TItem& item);
    // Stops and joins the thread and lets go of the transport; no event.
    void Shut();
    // What Connect was asked for, read by the connection's thread.
    std::string AttemptHost;
    int AttemptPort = 23;
    int AttemptKeepAlive = 0;

    // The connection's thread.
    TIdSendQueue& Outgoing() { return SendQueue; }
    TIdWakeup& Wakeup() { return *Wake; }
    std::shared_ptr<TIdWakeup> SharedWakeup() { return Wake; }
    // false: the queue was cancelled (Disconnect); the thread ends.
    bool Queue(TIdReceiveQueue::TItem item);
    bool QueueConnected();
    void QueueConnectFailed(const TIdConnectFailure& failure);
    // The peer has gone (a close, a reset, a failed write): nothing more is
    // sent; the window thread learns it through the Disconnected item.
    void MarkPeerGone() { PeerGone = true; }
    bool HasRoom() { return Received && Received->HasRoom(); }
    bool Stopping() const { return StopRequested; }
    // Markers reached by the writer go to the window thread in order.
    void QueueReached(std::vector<TIdSendQueue::TMarker>& reached);

    TIdMainThreadQueue& MainQueue;

  private:
    enum class TState : std::uint8_t { Idle, Connecting, Open };
    void Deliver(TIdReceiveQueue::TItem& item);
    void StopThread();

    std::atomic<TState> State{TState::Idle};
    std::atomic<bool> PeerGone{false};
    std::atomic<bool> StopRequested{false};
    bool ConnectedRaised = false; // window thread: OnConnected ran, OnDisconnected not yet
    std::shared_ptr<TIdWakeup> Wake;
    TIdSendQueue SendQueue;
    std::shared_ptr<TIdReceiveQueue> Received;
    std::unique_ptr<TIdThread> Thread;
};

} // namespace lemnar
