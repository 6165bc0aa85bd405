#include "bench/Workloads.h"

#include "terminal/Terminal.h"

namespace lemnar::bench {

namespace {

constexpr int Cols = 80;
constexpr int Rows = 25;

// A small linear congruential generator: fixed output on every platform.
class TRandom {
  public:
    explicit TRandom(std::uint32_t seed) : State(seed) {}
    std::uint32_t Next() {
        State = State * 1664525u + 1013904223u;
        return State >> 8;
    }
    int Below(int n) { return static_cast<int>(Next() % static_cast<std::uint32_t>(n)); }

  private:
    std::uint32_t State;
};

// Printable ASCII, and now and then a code page 866 Cyrillic letter
// (0x80..0xAF or 0xE0..0xEF).
char TextByte(TRandom& random) {
    if (random.Below(8) == 0) {
        const int letter = random.Below(0x40);
        return static_cast<char>(letter < 0x30 ? 0x80 + letter : 0xE0 + letter - 0x30);
    }
    return static_cast<char>(0x20 + random.Below(0x5F));
}

// The box-drawing bytes of code page 866.
char BoxByte(TRandom& random) {
    return static_cast<char>(0xB0 + random.Below(0xDF - 0xB0 + 1));
}

void AppendPlain(std::string& out, TRandom& random) {
    for (int c = 0; c < Cols; ++c)
        out += TextByte(random);
    out += "\r\n";
}

void AppendColour(std::string& out, TRandom& random) {
    int written = 0;
    while (written < Cols) {
        out += "\x1b[";
        out += random.Below(2) == 0 ? '3' : '4';
        out += static_cast<char>('0' + random.Below(8));
        out += 'm';
        const int run = 1 + random.Below(6);
        for (int i = 0; i < run && written < Cols; ++i, ++written)
            out += static_cast<char>(0x20 + random.Below(0x5F));
    }
    out += "\x1b[0m\r\n";
}

void AppendAddress(std::string& out, int row, int col) {
    out += "\x1b=";
    out += static_cast<char>(row + 32);
    out += static_cast<char>(col + 32);
}

void AppendColours(std::string& out, int fg, int bg) {
    out += "\x1b@";
    out += static_cast<char>('0' + fg);
    out += static_cast<char>('0' + bg);
}

// One screen: a clear, a framed panel of rows with repeats, labels and line
// clears, and at times a rectangle clear. The bottom row is never passed.
void AppendScreen(std::string& out, TRandom& random) {
    AppendColours(out, 7, 1);
    out += "\x1b!71";
    out += '\x0c';
    AppendAddress(out, 0, 0);
    AppendColours(out, 15, 1);
    out += static_cast<char>(0xC9);
    out += "\x1bg";
    out += static_cast<char>(Cols - 2 + 32);
    out += static_cast<char>(0xCD);
    out += static_cast<char>(0xBB);
    for (int row = 1; row < Rows - 1; ++row) {
        AppendAddress(out, row, 0);
        AppendColours(out, 15, 1);
        out += static_cast<char>(0xBA);
        int col = 1;
        while (col < Cols - 1) {
            const int kind = random.Below(4);
            const int room = Cols - 1 - col;
            const int len = 1 + random.Below(room < 12 ? room : 12);
            AppendColours(out, random.Below(16), random.Below(8));
            if (kind == 0) {
                out += "\x1bg";
                out += static_cast<char>(len + 32);
                out += BoxByte(random);
            } else {
                for (int i = 0; i < len; ++i)
                    out += kind == 1 ? BoxByte(random) : TextByte(random);
            }
            col += len;
        }
        AppendColours(out, 15, 1);
        out += static_cast<char>(0xBA);
        if (random.Below(6) == 0) {
            AppendAddress(out, row, 1 + random.Below(Cols - 2));
            out += "\x1bK";
        }
    }
    AppendAddress(out, Rows - 1, 0);
    AppendColours(out, 14, 3);
    for (int col = 0; col < Cols - 1; ++col)
        out += TextByte(random);
    if (random.Below(3) == 0) {
        AppendAddress(out, 4 + random.Below(Rows - 8), 4 + random.Below(Cols - 8));
        out += "\x1bJ";
    }
}

} // namespace

std::uint8_t TerminalTypeOf(TWorkload workload) {
    return workload == TWorkload::Colour ? TermAnsi : TermQnx;
}

const char* NameOf(TWorkload workload) {
    switch (workload) {
    case TWorkload::Plain:
        return "plain";
    case TWorkload::Colour:
        return "colour";
    case TWorkload::QnxFullscreen:
        return "qnx-fullscreen";
    }
    return "";
}

bool WorkloadNamed(const std::string& name, TWorkload& workload) {
    for (TWorkload w : {TWorkload::Plain, TWorkload::Colour, TWorkload::QnxFullscreen}) {
        if (name == NameOf(w)) {
            workload = w;
            return true;
        }
    }
    return false;
}

std::string MakeWorkload(TWorkload workload, std::size_t size) {
    TRandom random(0x4C656D6Eu + static_cast<std::uint32_t>(workload));
    std::string out;
    out.reserve(size + 8192);
    while (out.size() < size) {
        switch (workload) {
        case TWorkload::Plain:
            AppendPlain(out, random);
            break;
        case TWorkload::Colour:
            AppendColour(out, random);
            break;
        case TWorkload::QnxFullscreen:
            AppendScreen(out, random);
            break;
        }
    }
    return out;
}

} // namespace lemnar::bench
