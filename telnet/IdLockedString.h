#pragma once
// A string that two threads may read and write: the window thread sets the
// terminal name while the receive thread reads it for a report.

#include <mutex>
#include <string>

namespace lemnar {

class TIdLockedString {
  public:
    explicit TIdLockedString(std::string value = {}) : Value(std::move(value)) {}
    TIdLockedString& operator=(std::string value) {
        std::lock_guard lock(Mutex);
        Value = std::move(value);
        return *this;
    }
    std::string Get() const {
        std::lock_guard lock(Mutex);
        return Value;
    }
    operator std::string() const { return Get(); }

  private:
    mutable std::mutex Mutex;
    std::string Value;
};

} // namespace lemnar
