#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lemnar::demo {

// One key as the client sent it. Char carries a typed byte (ASCII or code page 866),
// Function its number 1..12, Alt its letter 'A'..'Z', Control the control byte,
// QnxCode a QNX key code that has no kind of its own.
struct TKey {
    enum class TKind {
        Char,
        Enter,
        Backspace,
        Tab,
        Escape,
        Function,
        Up,
        Down,
        Left,
        Right,
        Home,
        End,
        PageUp,
        PageDown,
        Insert,
        Delete,
        Alt,
        Control,
        QnxCode,
    };
    TKind Kind;
    std::uint8_t Value = 0;
    std::string Bytes{}; // the application bytes that made the key

    bool operator==(const TKey& other) const { return Kind == other.Kind && Value == other.Value; }
};

// Readable name of a key for the screen, in code page 866 ("F2", "Alt+X", "Вверх").
std::string KeyName(const TKey& key);

// Turns the application data of a connection into keys. QNX style reads the byte
// 0xFF followed by a key code; ANSI style reads ESC [ ... and ESC O ... sequences.
// A line ends with CR, CR LF, CR NUL or LF alone. State carries over between blocks.
class TKeyDecoder {
  public:
    enum class TStyle { Qnx, Ansi };
    static constexpr std::size_t MaxSequence = 8;

    explicit TKeyDecoder(TStyle style) : Style(style) {}

    void SetStyle(TStyle style) { Style = style; }
    std::vector<TKey> Feed(std::string_view data);

  private:
    enum class TState { Ground, AfterCr, QnxCode, Esc, Ss3, Csi };

    void Ground(std::uint8_t byte, std::vector<TKey>& keys);
    void Emit(TKey::TKind kind, std::uint8_t value, std::vector<TKey>& keys);
    void QnxKey(std::uint8_t code, std::vector<TKey>& keys);
    void CsiFinal(std::uint8_t byte, std::vector<TKey>& keys);

    TStyle Style;
    TState State = TState::Ground;
    std::string Pending;
};

} // namespace lemnar::demo
