#pragma once
// Exceptions of the telnet engine.

#include "telnet/IdException.h"

namespace lemnar {

class EIdTelnetError : public EIdException {
  public:
    using EIdException::EIdException;
};

// Every socket-level failure of Connect, whatever its cause.
class EIdTelnetClientConnectError : public EIdTelnetError {
  public:
    EIdTelnetClientConnectError() : EIdTelnetError("server not responding") {}
};

class EIdTelnetServerOnDataAvailableIsNil : public EIdTelnetError {
  public:
    EIdTelnetServerOnDataAvailableIsNil() : EIdTelnetError("OnDataAvailable event is nil.") {}
};

} // namespace lemnar
