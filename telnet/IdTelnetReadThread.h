#pragma once
// The receive thread of one connection: reads a block, strips the telnet
// commands (answering negotiation on the way) and hands the block's data to
// the window thread, waiting until the handler has returned.

#include "telnet/IdThread.h"

#include <string>

namespace lemnar {

class TIdTelnet;

class TIdTelnetReadThread : public TIdThread {
  public:
    TIdTelnetReadThread(TIdTelnet& owner, TIdMainThreadQueue& queue);
    // Stops and joins; the owner must have shut the socket so a read returns.
    ~TIdTelnetReadThread() override;

    // The application data of the block last parsed.
    std::string ReceivedData;

  protected:
    void Run() override;

  private:
    // Runs on the window thread.
    void DoOnDataAvailable();

    TIdTelnet& Owner;
};

} // namespace lemnar
