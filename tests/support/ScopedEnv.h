#pragma once
// An environment variable set (or unset) for one scope and restored after it.

#include <cstdlib>
#include <optional>
#include <string>

namespace lemnar::test {

class TScopedEnv {
  public:
    // value nullptr: the variable is unset for the scope.
    TScopedEnv(const char* name, const char* value) : Name(name) {
        if (const char* old = std::getenv(name))
            Old = old;
        Set(value);
    }
    ~TScopedEnv() { Set(Old ? Old->c_str() : nullptr); }
    TScopedEnv(const TScopedEnv&) = delete;
    TScopedEnv& operator=(const TScopedEnv&) = delete;

  private:
    void Set(const char* value) {
        if (value != nullptr)
            ::setenv(Name.c_str(), value, 1);
        else
            ::unsetenv(Name.c_str());
    }

    std::string Name;
    std::optional<std::string> Old;
};

} // namespace lemnar::test
