#pragma once
// Records the engine's events as text, and whether each ran on the thread
// that created the probe (the test's window thread).

#include "telnet/IdTelnet.h"

#include <string>
#include <thread>
#include <vector>

namespace lemnar {

class TTelnetProbe {
  public:
    // Wires every event of telnet.
    explicit TTelnetProbe(TIdTelnet& telnet);

    // "connected", "failed:<why>", "disconnected", "disconnect",
    // "data:<bytes>".
    std::vector<std::string> Events;
    // Events raised on some other thread.
    int ForeignThreadEvents = 0;
    int Disconnects = 0;

    bool Has(const std::string& event) const;

  private:
    void Record(std::string event);

    std::thread::id WindowThread = std::this_thread::get_id();
};

} // namespace lemnar
