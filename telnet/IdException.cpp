#include "telnet/IdException.h"

#include <system_error>

namespace lemnar {

EIdSocketError::EIdSocketError(int lastError, const std::string& text)
    : EIdException("Socket Error # " + std::to_string(lastError) + "\n" + text),
      LastError(lastError) {}

EIdSocketError EIdSocketError::FromErrno(int lastError) {
    return EIdSocketError(lastError, std::generic_category().message(lastError));
}

} // namespace lemnar
