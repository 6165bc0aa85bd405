#include "telnet/IdTelnetReadThread.h"

#include "telnet/IdTelnet.h"
#include "telnet/IdTelnetError.h"

#include <algorithm>

namespace lemnar {

TIdTelnetReadThread::~TIdTelnetReadThread() {
    Terminate();
    WaitFor();
}

bool TIdTelnetReadThread::Open() {
    try {
        if (Owner.OpenConnection())
            return Owner.QueueConnected();
    } catch (const EIdSocketError&) {
        // Every socket-level failure reads the same.
        Owner.QueueConnectFailed(
            {TIdConnectStep::Unreachable, EIdTelnetClientConnectError().what()});
    }
    return false;
}

void TIdTelnetReadThread::Run() {
    if (!Opened) {
        Opened = true;
        if (!Open()) {
            Terminate();
            return;
        }
    }
    const std::optional<std::string> block = Owner.ReadChunk();
    if (!block) {
        // Woken to stop, or the window thread has not yet made room.
        if (Owner.Stopping())
            Terminate();
        return;
    }
    TIdReceiveQueue::TItem item;
    item.Data = Owner.Negotiate(*block);
    item.Read = std::max<std::size_t>(block->size(), 1);
    // Cancelled by Disconnect: the block is dropped and the loop ends.
    if (!Owner.Queue(std::move(item))) {
        Terminate();
        return;
    }
    Owner.CheckClosed();
}

} // namespace lemnar
