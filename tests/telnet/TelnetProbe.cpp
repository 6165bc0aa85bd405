#include "TelnetProbe.h"

#include <algorithm>

namespace lemnar {

TTelnetProbe::TTelnetProbe(TIdTelnet& telnet) {
    telnet.OnConnected = [this](TIdTCPClient&) { Record("connected"); };
    telnet.OnDisconnected = [this](TIdTCPClient&) {
        ++Disconnects;
        Record("disconnected");
    };
    telnet.OnDisconnect = [this] { Record("disconnect"); };
    telnet.OnDataAvailable = [this](std::string buffer) { Record("data:" + buffer); };
}

bool TTelnetProbe::Has(const std::string& event) const {
    return std::find(Events.begin(), Events.end(), event) != Events.end();
}

void TTelnetProbe::Record(std::string event) {
    if (std::this_thread::get_id() != WindowThread)
        ++ForeignThreadEvents;
    Events.push_back(std::move(event));
}

} // namespace lemnar
