#include "telnet/IdWakeup.h"

#include "telnet/IdException.h"

#include <cerrno>
#include <cstdint>
#include <sys/eventfd.h>
#include <unistd.h>

namespace lemnar {

TIdWakeup::TIdWakeup() : Event(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {
    if (Event < 0)
        throw EIdSocketError::FromErrno(errno);
}

TIdWakeup::~TIdWakeup() {
    ::close(Event);
}

void TIdWakeup::Signal() {
    const std::uint64_t one = 1;
    // A full counter (never in practice) already wakes the reader.
    while (::write(Event, &one, sizeof one) < 0 && errno == EINTR) {
    }
}

void TIdWakeup::Clear() {
    std::uint64_t count = 0;
    while (::read(Event, &count, sizeof count) < 0 && errno == EINTR) {
    }
}

} // namespace lemnar
