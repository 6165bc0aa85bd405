#pragma once
// The receive thread of one telnet connection: it opens the connection, then
// reads a block, strips the telnet commands (answering negotiation on the
// way) and queues the block's data for the window thread, writing what the
// send queue holds whenever the socket takes it, and reading on while the
// window thread works, up to the receive queue's bound.

#include "telnet/IdThread.h"

namespace lemnar {

class TIdTelnet;

class TIdTelnetReadThread : public TIdThread {
  public:
    explicit TIdTelnetReadThread(TIdTelnet& owner) : Owner(owner) {}
    // Stops and joins; the owner must have woken it so a wait returns.
    ~TIdTelnetReadThread() override;

  protected:
    void Run() override;

  private:
    // Opens the connection. false: abandoned or failed, the loop ends.
    bool Open();

    TIdTelnet& Owner;
    bool Opened = false;
};

} // namespace lemnar
