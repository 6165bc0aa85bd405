#include "telnet/IdTelnetReadThread.h"

#include "telnet/IdTelnet.h"
#include "telnet/IdTelnetError.h"

namespace lemnar {

TIdTelnetReadThread::TIdTelnetReadThread(TIdTelnet& owner, TIdMainThreadQueue& queue)
    : TIdThread(queue), Owner(owner) {}

TIdTelnetReadThread::~TIdTelnetReadThread() {
    Terminate();
    WaitFor();
}

void TIdTelnetReadThread::Run() {
    try {
        std::string block = Owner.ReadChunk();
        ReceivedData = Owner.Negotiate(block);
    } catch (const EIdSocketError&) {
        // A reset or a failed reply ends this thread; without it nobody would
        // notice the dead connection, so it is closed and reported here.
        Owner.CloseConnection();
        throw;
    }
    // Cancelled by Disconnect: the block is dropped and the loop ends.
    if (!Synchronize([this] { DoOnDataAvailable(); }))
        return;
    Owner.CheckClosed();
}

void TIdTelnetReadThread::DoOnDataAvailable() {
    if (!Owner.OnDataAvailable)
        throw EIdTelnetServerOnDataAvailableIsNil();
    // The handler gets its own copy: it may disconnect, which destroys this
    // thread object while the handler still runs.
    TIdTelnet::TTnDataAvail handler = Owner.OnDataAvailable;
    handler(ReceivedData);
}

} // namespace lemnar
