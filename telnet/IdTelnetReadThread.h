#pragma once
// The receive thread of one connection: reads a block, strips the telnet
// commands (answering negotiation on the way) and queues the block's data for
// the window thread, reading on while the window thread works, up to the
// queue's bound.

#include "telnet/IdReceiveQueue.h"
#include "telnet/IdThread.h"

#include <memory>

namespace lemnar {

class TIdTelnet;

class TIdTelnetReadThread : public TIdThread {
  public:
    TIdTelnetReadThread(TIdTelnet& owner, std::shared_ptr<TIdReceiveQueue> received);
    // Stops and joins; the owner must have shut the socket so a read returns.
    ~TIdTelnetReadThread() override;

  protected:
    void Run() override;

  private:
    TIdTelnet& Owner;
    std::shared_ptr<TIdReceiveQueue> Received;
};

} // namespace lemnar
