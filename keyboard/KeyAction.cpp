#include "keyboard/KeyAction.h"

#include "keyboard/EscapeSequence.h"

namespace lemnar {

void SendQnxCode(TKeyOutput& output, std::uint8_t code) {
    output.SendCh(static_cast<char>(0xFF));
    output.SendCh(static_cast<char>(0xFF));
    output.SendCh(static_cast<char>(code));
}

void ExecuteKeyAction(const TKeyBinding& binding, bool connected, TKeyOutput& output) {
    if (!connected) {
        return;
    }
    switch (binding.Send) {
    case TKeySend::Nothing:
        break;
    case TKeySend::QnxCode:
        SendQnxCode(output, binding.Code);
        break;
    case TKeySend::Byte:
        output.SendCh(static_cast<char>(binding.Code));
        break;
    case TKeySend::EscapeSequence:
        SendEscapeSequence(output, binding.Text);
        break;
    }
}

} // namespace lemnar
