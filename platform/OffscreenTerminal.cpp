#include "platform/OffscreenTerminal.h"

#include <algorithm>

namespace lemnar {

TOffscreenTerminal::TOffscreenTerminal() : TOffscreenTerminal(TOptions{}) {}

TOffscreenTerminal::TOffscreenTerminal(const TOptions& options)
    : Terminal(*this, Pictures.Surfaces()) {
    Font.PixelHeight = options.FontPixelHeight;
    Pictures.Window.SetFont(Font);
    const TTextMetrics metrics = Pictures.Window.TextMetrics();
    ClientW = std::max(1, options.Cols) * std::max(1, metrics.AveCharWidth);
    ClientH = std::max(1, options.Rows) * std::max(1, metrics.Height);
    Terminal.TerminalType = options.TerminalType;
    Terminal.UpdateCellMetrics();
    Terminal.ResetScreen();
}

void TOffscreenTerminal::SetClientSize(int width, int height) {
    ClientW = width;
    ClientH = height;
}

void TOffscreenTerminal::MessageBeep(unsigned) {
    ++BeepCount;
}

void TOffscreenTerminal::Feed(std::string_view bytes, std::size_t blockSize) {
    blockSize = std::max<std::size_t>(1, blockSize);
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
    for (std::size_t at = 0; at < bytes.size(); at += blockSize)
        Terminal.TelnetDataAvailable(data + at, std::min(blockSize, bytes.size() - at));
}

std::string TOffscreenTerminal::RowBytes(int row) const {
    std::string out;
    if (row < 0 || row >= Terminal.ScreenRows)
        return out;
    for (int c = 0; c < Terminal.ScreenCols; ++c)
        out.push_back(static_cast<char>(Terminal.ScreenCells[row][c].Ch));
    return out;
}

void TOffscreenTerminal::Resize(int clientWidth, int clientHeight) {
    ClientW = clientWidth;
    ClientH = clientHeight;
    Terminal.UpdateCellMetrics();
}

} // namespace lemnar
