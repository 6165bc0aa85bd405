#pragma once
// Exceptions of the connection transport. Socket failures surface only as
// EIdSocketError, a close by the peer as EIdConnClosedGracefully, misuse as
// EIdAlreadyConnected.

#include <exception>
#include <string>

namespace lemnar {

class EIdException : public std::exception {
  public:
    explicit EIdException(std::string message) : Message(std::move(message)) {}
    const char* what() const noexcept override { return Message.c_str(); }

  private:
    std::string Message;
};

// A failed socket call. LastError is the errno value, or the negative
// getaddrinfo code when a name lookup failed.
class EIdSocketError : public EIdException {
  public:
    EIdSocketError(int lastError, const std::string& text);
    // Built from an errno value, with the system's text for it.
    static EIdSocketError FromErrno(int lastError);

    int LastError;
};

class EIdConnClosedGracefully : public EIdException {
  public:
    EIdConnClosedGracefully() : EIdException("Connection Closed Gracefully.") {}
};

class EIdAlreadyConnected : public EIdException {
  public:
    EIdAlreadyConnected() : EIdException("Already connected.") {}
};

} // namespace lemnar
