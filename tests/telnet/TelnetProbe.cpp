#include "TelnetProbe.h"

#include <algorithm>

namespace lemnar {

TTelnetProbe::TTelnetProbe(TIdTelnet& telnet) {
    telnet.OnConnected = [this](TIdConnection&) { Record("connected"); };
    telnet.OnConnectFailed = [this](TIdConnection&, const TIdConnectFailure& failure) {
        Record("failed:" + failure.Detail);
    };
    telnet.OnDisconnected = [this](TIdConnection&) {
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
