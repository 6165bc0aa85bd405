#include "KeyDecoder.h"

#include "Cp866.h"

#include <array>
#include <charconv>

namespace lemnar::demo {

namespace {

constexpr std::uint8_t Nul = 0x00;
constexpr std::uint8_t Bs = 0x08;
constexpr std::uint8_t Ht = 0x09;
constexpr std::uint8_t Lf = 0x0A;
constexpr std::uint8_t Cr = 0x0D;
constexpr std::uint8_t Esc = 0x1B;
constexpr std::uint8_t Del = 0x7F;
constexpr std::uint8_t QnxPrefix = 0xFF;

struct TCodeKey {
    std::uint8_t Code;
    TKey::TKind Kind;
    std::uint8_t Value;
};

// QNX key codes with a kind of their own; F1..F10 and Alt+letter are ranges.
constexpr std::array<TCodeKey, 12> QnxCodes = {{
    {0xA0, TKey::TKind::Home, 0},
    {0xA1, TKey::TKind::Up, 0},
    {0xA2, TKey::TKind::PageUp, 0},
    {0xA4, TKey::TKind::Left, 0},
    {0xA6, TKey::TKind::Right, 0},
    {0xA8, TKey::TKind::End, 0},
    {0xA9, TKey::TKind::Down, 0},
    {0xAA, TKey::TKind::PageDown, 0},
    {0xAB, TKey::TKind::Insert, 0},
    {0xAC, TKey::TKind::Delete, 0},
    {0xAE, TKey::TKind::Function, 11},
    {0xAF, TKey::TKind::Function, 12},
}};

struct TTildeKey {
    int Number;
    TKey::TKind Kind;
    std::uint8_t Value;
};

// ESC [ n ~ sequences.
constexpr std::array<TTildeKey, 16> TildeKeys = {{
    {1, TKey::TKind::Home, 0},
    {2, TKey::TKind::Insert, 0},
    {3, TKey::TKind::Delete, 0},
    {4, TKey::TKind::End, 0},
    {5, TKey::TKind::PageUp, 0},
    {6, TKey::TKind::PageDown, 0},
    {15, TKey::TKind::Function, 5},
    {17, TKey::TKind::Function, 6},
    {18, TKey::TKind::Function, 7},
    {19, TKey::TKind::Function, 8},
    {20, TKey::TKind::Function, 9},
    {21, TKey::TKind::Function, 10},
    {23, TKey::TKind::Function, 11},
    {24, TKey::TKind::Function, 12},
    {7, TKey::TKind::Home, 0},
    {8, TKey::TKind::End, 0},
}};

bool IsDigit(std::uint8_t byte) {
    return byte >= '0' && byte <= '9';
}

} // namespace

std::string KeyName(const TKey& key) {
    switch (key.Kind) {
    case TKey::TKind::Char:
        return std::string(1, static_cast<char>(key.Value));
    case TKey::TKind::Enter:
        return "Enter";
    case TKey::TKind::Backspace:
        return "Backspace";
    case TKey::TKind::Tab:
        return "Tab";
    case TKey::TKind::Escape:
        return "Esc";
    case TKey::TKind::Function:
        return "F" + std::to_string(key.Value);
    case TKey::TKind::Up:
        return EncodeCp866("Вверх");
    case TKey::TKind::Down:
        return EncodeCp866("Вниз");
    case TKey::TKind::Left:
        return EncodeCp866("Влево");
    case TKey::TKind::Right:
        return EncodeCp866("Вправо");
    case TKey::TKind::Home:
        return "Home";
    case TKey::TKind::End:
        return "End";
    case TKey::TKind::PageUp:
        return "PgUp";
    case TKey::TKind::PageDown:
        return "PgDn";
    case TKey::TKind::Insert:
        return "Ins";
    case TKey::TKind::Delete:
        return "Del";
    case TKey::TKind::Alt:
        return std::string("Alt+") + static_cast<char>(key.Value);
    case TKey::TKind::Control:
        return std::string("Ctrl+") + static_cast<char>('@' + key.Value);
    case TKey::TKind::QnxCode:
        return EncodeCp866("код ") + std::to_string(key.Value);
    }
    return "?";
}

std::vector<TKey> TKeyDecoder::Feed(std::string_view data) {
    std::vector<TKey> keys;
    for (const char ch : data) {
        const auto byte = static_cast<std::uint8_t>(ch);
        Pending.push_back(ch);
        switch (State) {
        case TState::Ground:
            Ground(byte, keys);
            break;
        // the LF or NUL that completes a CR is no key of its own
        case TState::AfterCr:
            State = TState::Ground;
            if (byte == Lf || byte == Nul) {
                Pending.clear();
            } else {
                Ground(byte, keys);
            }
            break;
        // 0xFF code: a QNX key
        case TState::QnxCode:
            State = TState::Ground;
            QnxKey(byte, keys);
            break;
        // ESC [ and ESC O open a sequence; ESC before anything else is the Esc key
        case TState::Esc:
            if (byte == '[') {
                State = TState::Csi;
            } else if (byte == 'O') {
                State = TState::Ss3;
            } else {
                Pending.pop_back();
                Emit(TKey::TKind::Escape, 0, keys);
                State = TState::Ground;
                Pending.push_back(ch);
                Ground(byte, keys);
            }
            break;
        // ESC O P..S: F1..F4
        case TState::Ss3:
            State = TState::Ground;
            if (byte >= 'P' && byte <= 'S') {
                Emit(TKey::TKind::Function, static_cast<std::uint8_t>(byte - 'P' + 1), keys);
            } else {
                Pending.clear();
            }
            break;
        // ESC [ digits final; an overlong sequence is dropped
        case TState::Csi:
            if (IsDigit(byte) || byte == ';') {
                if (Pending.size() > MaxSequence) {
                    Pending.clear();
                    State = TState::Ground;
                }
            } else {
                State = TState::Ground;
                CsiFinal(byte, keys);
            }
            break;
        }
    }
    return keys;
}

void TKeyDecoder::Ground(std::uint8_t byte, std::vector<TKey>& keys) {
    if (byte == Cr) {
        Emit(TKey::TKind::Enter, 0, keys);
        State = TState::AfterCr;
    } else if (byte == Lf) {
        Emit(TKey::TKind::Enter, 0, keys);
    } else if (byte == Bs || byte == Del) {
        Emit(TKey::TKind::Backspace, 0, keys);
    } else if (byte == Ht) {
        Emit(TKey::TKind::Tab, 0, keys);
    } else if (byte == Esc) {
        if (Style == TStyle::Qnx) {
            Emit(TKey::TKind::Escape, 0, keys);
        } else {
            State = TState::Esc;
        }
    } else if (byte == QnxPrefix) {
        State = TState::QnxCode;
    } else if (byte < 0x20) {
        if (byte == Nul) {
            Pending.clear();
        } else {
            Emit(TKey::TKind::Control, byte, keys);
        }
    } else {
        Emit(TKey::TKind::Char, byte, keys);
    }
}

void TKeyDecoder::Emit(TKey::TKind kind, std::uint8_t value, std::vector<TKey>& keys) {
    keys.push_back({kind, value, Pending});
    Pending.clear();
}

void TKeyDecoder::QnxKey(std::uint8_t code, std::vector<TKey>& keys) {
    if (code >= 0x81 && code <= 0x8A) {
        Emit(TKey::TKind::Function, static_cast<std::uint8_t>(code - 0x80), keys);
        return;
    }
    if (code >= 0xE1 && code <= 0xFA) {
        Emit(TKey::TKind::Alt, static_cast<std::uint8_t>('A' + (code - 0xE1)), keys);
        return;
    }
    for (const TCodeKey& entry : QnxCodes) {
        if (entry.Code == code) {
            Emit(entry.Kind, entry.Value, keys);
            return;
        }
    }
    Emit(TKey::TKind::QnxCode, code, keys);
}

void TKeyDecoder::CsiFinal(std::uint8_t byte, std::vector<TKey>& keys) {
    switch (byte) {
    case 'A':
        Emit(TKey::TKind::Up, 0, keys);
        return;
    case 'B':
        Emit(TKey::TKind::Down, 0, keys);
        return;
    case 'C':
        Emit(TKey::TKind::Right, 0, keys);
        return;
    case 'D':
        Emit(TKey::TKind::Left, 0, keys);
        return;
    case 'H':
        Emit(TKey::TKind::Home, 0, keys);
        return;
    case 'F':
        Emit(TKey::TKind::End, 0, keys);
        return;
    case '~':
        break;
    default:
        Pending.clear();
        return;
    }
    // Pending holds ESC [ digits ~
    const char* first = Pending.data() + 2;
    const char* last = Pending.data() + Pending.size() - 1;
    int number = 0;
    const auto result = std::from_chars(first, last, number);
    if (result.ec == std::errc()) {
        for (const TTildeKey& entry : TildeKeys) {
            if (entry.Number == number) {
                Emit(entry.Kind, entry.Value, keys);
                return;
            }
        }
    }
    Pending.clear();
}

} // namespace lemnar::demo
