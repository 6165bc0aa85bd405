// The data handler: every received block is dumped to the log, its NUL bytes
// after CR are dropped, and each byte goes to the command collector, to the
// interpreter of the terminal type, or to PutChar.

#include "terminal/LogWriter.h"
#include "terminal/Terminal.h"

#include <algorithm>
#include <cstring>

namespace lemnar {

namespace {

constexpr bool IsDispatchedControl(char c, std::uint8_t terminalType) {
    return c == Bel || c == Bs || c == Lf || c == Cr || (c == Ff && terminalType == TermQnx);
}

// Whether a byte, outside any sequence, goes straight to PutChar: for QNX
// and for the other types, which leave form feed to PutChar.
struct TWrittenBytes {
    bool Qnx[256];
    bool Other[256];
};

constexpr TWrittenBytes WrittenBytes = [] {
    TWrittenBytes t{};
    for (int b = 0; b < 256; ++b) {
        const char c = static_cast<char>(b);
        t.Qnx[b] = c != Esc && !IsDispatchedControl(c, TermQnx);
        t.Other[b] = c != Esc && !IsDispatchedControl(c, TermAnsi);
    }
    return t;
}();

} // namespace

void TTerminal::TelnetDataAvailable(const std::uint8_t* data, std::size_t n) {
    if (LogEnabled == 1)
        LogBlock(data, n);
    // Blocks from the network are at most RecvBlockSize bytes; a longer one is
    // taken in pieces so RecvText never overflows. A NUL that survives the
    // filter ends the whole block.
    std::size_t i = 0;
    while (i < n) {
        // The bytes between NULs go across whole; a NUL after a CR is
        // dropped, any other one ends the block there.
        int length = 0;
        bool ended = false;
        while (i < n && length < RecvBlockSize && !ended) {
            const std::size_t span =
                std::min(n - i, static_cast<std::size_t>(RecvBlockSize - length));
            const auto* nul = static_cast<const std::uint8_t*>(std::memchr(data + i, 0, span));
            const std::size_t take =
                nul == nullptr ? span : static_cast<std::size_t>(nul - (data + i));
            std::memcpy(RecvText + length, data + i, take);
            length += static_cast<int>(take);
            i += take;
            if (nul == nullptr)
                break;
            ended = i == 0 || data[i - 1] != '\r';
            ++i;
        }
        RecvText[length] = 0;
        const int count = length;
        const bool* written = TerminalType == TermQnx ? WrittenBytes.Qnx : WrittenBytes.Other;
        for (int i = 0; i < count;) {
            // Outside any sequence, the bytes up to the next one the
            // interpreters act on are characters, written in one go.
            if (CommandMode == 0 && EscState == EscGround &&
                written[static_cast<std::uint8_t>(RecvText[i])]) {
                int end = i + 1;
                while (end < count && written[static_cast<std::uint8_t>(RecvText[end])])
                    ++end;
                CurrentByte = RecvText[end - 1];
                PutText(RecvText + i, end - i);
                i = end;
                continue;
            }
            DispatchByte(RecvText[i]);
            ++i;
        }
        if (ended)
            return;
    }
}

void TTerminal::LogBlock(const std::uint8_t* data, std::size_t n) {
    if (LogFile == nullptr)
        return;
    std::fseek(LogFile, 0, SEEK_END);
    const bool head = std::fprintf(LogFile, "--%d chars recvd: ", static_cast<int>(n)) > 0;
    const bool body = LogWrite(LogFile, data, n);
    if (!(LogWrite(LogFile, "\n", 1) && body && head))
        LogWriteFailed = true;
}

void TTerminal::DispatchByte(char c) {
    CurrentByte = c;
    if (CommandMode == 1) {
        CollectCommandByte(c);
        return;
    }
    // ESC starts a new sequence in any state.
    if (c == Esc) {
        HideCursor();
        EscState = EscAfterEsc;
        return;
    }
    // An ANSI sequence may end without consuming its byte: the interpreter
    // has then set EscState to ground, and the byte is taken from the start.
    if (EscState != EscGround && EscState != EscControl && !Interpret())
        return;
    if (EscState == EscGround && IsDispatchedControl(c, TerminalType)) {
        EscState = EscControl;
        if (!Interpret())
            return;
        // A control character the interpreter left is written as a
        // character.
        EscState = EscGround;
    }
    PutChar(c);
}

bool TTerminal::Interpret() {
    if (TerminalType == TermQnx) {
        InterpretQnx();
        return false;
    }
    if (TerminalType == TermAnsi)
        return InterpretAnsi();
    InterpretTty();
    return false;
}

void TTerminal::CollectCommandByte(char c) {
    if (CommandLength == 0) {
        if (c != '&') {
            AbortCommand();
            return;
        }
        CommandBuffer[CommandLength++] = c;
        return;
    }
    if (c == '&') {
        AbortCommand();
        return;
    }
    CommandBuffer[CommandLength++] = c;
    if (c == '~') {
        ExecuteCommand();
        CommandLength = 0;
        return;
    }
    if (CommandLength > 80)
        AbortCommand();
}

// Any protocol error ends command mode exactly as the switch-off command does;
// the offending byte is consumed.
void TTerminal::AbortCommand() {
    std::memcpy(CommandBuffer, SwitchOff, 4);
    CommandLength = 4;
    ExecuteCommand();
    CommandLength = 0;
}

} // namespace lemnar
