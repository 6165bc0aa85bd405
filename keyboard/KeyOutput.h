#pragma once
// Where key handlers send their bytes: the telnet engine's connection.

#include <string_view>

namespace lemnar {

class TKeyOutput {
  public:
    virtual ~TKeyOutput() = default;
    // One byte through the engine's SendCh, with its carriage-return rule.
    virtual void SendCh(char c) = 0;
    // The bytes in one raw write on the connection, nothing added.
    virtual void WriteBytes(std::string_view bytes) = 0;
};

} // namespace lemnar
