#include "ScreenWriter.h"

#include "AnsiScreenWriter.h"
#include "QnxScreenWriter.h"
#include "TtyScreenWriter.h"

namespace lemnar::demo {

namespace {

struct TFrameChars {
    char Horizontal;
    char Vertical;
    char TopLeft;
    char TopRight;
    char BottomLeft;
    char BottomRight;
};

// Code page 866 box-drawing bytes.
constexpr TFrameChars SingleFrame = {'\xC4', '\xB3', '\xDA', '\xBF', '\xC0', '\xD9'};
constexpr TFrameChars DoubleFrame = {'\xCD', '\xBA', '\xC9', '\xBB', '\xC8', '\xBC'};

const TFrameChars& CharsOf(TFrameStyle style) {
    return style == TFrameStyle::Double ? DoubleFrame : SingleFrame;
}

} // namespace

TTerminalKind TerminalKindFromName(std::string_view name) {
    if (name == "QNX") {
        return TTerminalKind::Qnx;
    }
    if (name == "ANSI") {
        return TTerminalKind::Ansi;
    }
    return TTerminalKind::Tty;
}

void TScreenWriter::Frame(int top, int left, int height, int width, TFrameStyle style) {
    if (height < 2 || width < 2) {
        return;
    }
    const TFrameChars& chars = CharsOf(style);
    MoveTo(top, left);
    Text(std::string_view(&chars.TopLeft, 1));
    Repeat(chars.Horizontal, width - 2);
    Text(std::string_view(&chars.TopRight, 1));
    for (int row = top + 1; row < top + height - 1; ++row) {
        MoveTo(row, left);
        Text(std::string_view(&chars.Vertical, 1));
        MoveTo(row, left + width - 1);
        Text(std::string_view(&chars.Vertical, 1));
    }
    MoveTo(top + height - 1, left);
    Text(std::string_view(&chars.BottomLeft, 1));
    Repeat(chars.Horizontal, width - 2);
    Text(std::string_view(&chars.BottomRight, 1));
}

void TScreenWriter::HorizontalLine(int row, int left, int width, TFrameStyle style) {
    MoveTo(row, left);
    Repeat(CharsOf(style).Horizontal, width);
}

void TScreenWriter::BeginGraphics(std::string_view commands) {
    Raw("\x1bG1~");
    Raw(commands);
}

void TScreenWriter::EndGraphics() {
    Raw("&G0~");
}

std::unique_ptr<TScreenWriter> MakeScreenWriter(TTerminalKind kind, int rows, int cols) {
    switch (kind) {
    case TTerminalKind::Qnx:
        return std::make_unique<TQnxScreenWriter>();
    case TTerminalKind::Ansi:
        return std::make_unique<TAnsiScreenWriter>();
    case TTerminalKind::Tty:
        return std::make_unique<TTtyScreenWriter>(rows, cols);
    }
    return std::make_unique<TTtyScreenWriter>(rows, cols);
}

} // namespace lemnar::demo
