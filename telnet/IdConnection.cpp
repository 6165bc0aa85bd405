#include "telnet/IdConnection.h"

#include "telnet/IdException.h"

#include <utility>

namespace lemnar {

TIdConnection::TIdConnection(TIdMainThreadQueue& queue)
    : MainQueue(queue), Wake(std::make_shared<TIdWakeup>()),
      SendQueue([wake = Wake] { wake->Signal(); }) {}

TIdConnection::~TIdConnection() = default;

void TIdConnection::Shut() {
    StopThread();
    CloseTransport();
    State = TState::Idle;
}

void TIdConnection::Connect() {
    if (State != TState::Idle && !PeerGone)
        throw EIdAlreadyConnected();
    // The previous connection's thread has ended, or ends now; a close by
    // its peer that was never handed over is raised here.
    const bool raise = std::exchange(ConnectedRaised, false);
    Shut();
    if (raise && OnDisconnected)
        OnDisconnected(*this);
    AttemptHost = Host;
    AttemptPort = Port;
    AttemptKeepAlive = KeepAliveIdle;
    SendQueue.Clear();
    Wake->Clear();
    PeerGone = false;
    StopRequested = false;
    ConnectedRaised = false;
    State = TState::Connecting;
    // A handler that fails ends the connection as a dropped one ends; the
    // failure goes on to whoever shows it.
    Received = TIdReceiveQueue::Make(
        MainQueue,
        [this](TIdReceiveQueue::TItem& item) {
            try {
                Deliver(item);
            } catch (...) {
                Disconnect();
                throw;
            }
        },
        [wake = Wake] { wake->Signal(); });
    Thread = MakeThread();
    Thread->Start();
}

void TIdConnection::Disconnect() {
    const bool raise = ConnectedRaised;
    ConnectedRaised = false;
    Shut();
    if (raise && OnDisconnected)
        OnDisconnected(*this);
}

void TIdConnection::StopThread() {
    if (Received)
        Received->Cancel();
    SendQueue.Clear();
    StopRequested = true;
    if (Thread) {
        Thread->Terminate();
        Interrupt();
        Thread->WaitFor();
        Thread.reset();
    }
    Received.reset();
}

void TIdConnection::Interrupt() {
    Wake->Signal();
}

bool TIdConnection::IsConnected() const {
    return State == TState::Open && !PeerGone;
}

bool TIdConnection::IsConnecting() const {
    return State == TState::Connecting;
}

void TIdConnection::WriteBytes(const std::string& bytes) {
    if (bytes.empty())
        return;
    if (State == TState::Idle || PeerGone)
        throw EIdConnClosedGracefully();
    SendQueue.Put(bytes);
}

void TIdConnection::AfterSent(std::function<void()> done) {
    if (State == TState::Idle || PeerGone)
        return;
    SendQueue.PutMarker(std::move(done));
}

TIdSendQueue::TProgress TIdConnection::TextProgress() const {
    return SendQueue.Progress();
}

bool TIdConnection::StopText() {
    return SendQueue.StopText();
}

bool TIdConnection::Queue(TIdReceiveQueue::TItem item) {
    return Received->Put(std::move(item));
}

bool TIdConnection::QueueConnected() {
    return Queue({TIdReceiveQueue::TKind::Connected, {}, 0, 0, {}});
}

void TIdConnection::QueueConnectFailed(const TIdConnectFailure& failure) {
    Queue({TIdReceiveQueue::TKind::ConnectFailed,
           failure.Detail,
           static_cast<std::uint8_t>(failure.Step),
           0,
           {}});
}

void TIdConnection::QueueReached(std::vector<TIdSendQueue::TMarker>& reached) {
    for (auto& marker : reached)
        Queue({TIdReceiveQueue::TKind::Sent, {}, 0, 0, std::move(marker)});
    reached.clear();
}

void TIdConnection::Deliver(TIdReceiveQueue::TItem& item) {
    switch (item.Kind) {
    case TIdReceiveQueue::TKind::Connected:
        State = TState::Open;
        ConnectedRaised = true;
        if (OnConnected)
            OnConnected(*this);
        break;
    case TIdReceiveQueue::TKind::ConnectFailed: {
        // The thread has ended, or is about to.
        Shut();
        const TIdConnectFailure failure{static_cast<TIdConnectStep>(item.Status), item.Data};
        if (OnConnectFailed)
            OnConnectFailed(*this, failure);
        break;
    }
    case TIdReceiveQueue::TKind::Data: {
        // The handler runs from a copy: it may disconnect, or set another
        // handler, while it runs.
        TDataEvent handler = OnDataAvailable;
        if (handler)
            handler(std::move(item.Data));
        else
            DeliverOther(item);
        break;
    }
    case TIdReceiveQueue::TKind::Disconnected:
        if (std::exchange(ConnectedRaised, false) && OnDisconnected)
            OnDisconnected(*this);
        break;
    case TIdReceiveQueue::TKind::Sent:
        if (item.Reached)
            item.Reached();
        break;
    case TIdReceiveQueue::TKind::Command:
        DeliverOther(item);
        break;
    }
}

void TIdConnection::DeliverOther(TIdReceiveQueue::TItem&) {}

} // namespace lemnar
