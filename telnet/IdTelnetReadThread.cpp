#include "telnet/IdTelnetReadThread.h"

#include "telnet/IdTelnet.h"
#include "telnet/IdTelnetError.h"

#include <algorithm>

namespace lemnar {

TIdTelnetReadThread::TIdTelnetReadThread(TIdTelnet& owner,
                                         std::shared_ptr<TIdReceiveQueue> received)
    : Owner(owner), Received(std::move(received)) {}

TIdTelnetReadThread::~TIdTelnetReadThread() {
    Terminate();
    WaitFor();
}

void TIdTelnetReadThread::Run() {
    // A window thread that is busy or asleep holds the server back here.
    if (!Received->WaitForRoom()) {
        Terminate();
        return;
    }
    TIdReceiveQueue::TItem item;
    try {
        const std::string block = Owner.ReadChunk();
        // A queue cancelled while this thread waited in its read (a
        // disconnect, a failed handler) takes nothing more: the block is
        // dropped unanswered and the loop ends.
        if (Received->Cancelled()) {
            Terminate();
            return;
        }
        item.Data = Owner.Negotiate(block);
        item.Read = std::max<std::size_t>(block.size(), 1);
    } catch (const EIdSocketError&) {
        // A reset or a failed reply ends this thread; without it nobody would
        // notice the dead connection, so it is closed and reported here.
        Owner.CloseConnection();
        throw;
    }
    // Cancelled by Disconnect: the block is dropped and the loop ends.
    if (!Received->Put(std::move(item))) {
        Terminate();
        return;
    }
    Owner.CheckClosed();
}

} // namespace lemnar
