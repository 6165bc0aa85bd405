#pragma once
// A terminal with its pictures on QImage and no window: the receive path of
// the program, headless. The replay tool and the tests use it.

#include "platform/Pictures.h"
#include "terminal/Terminal.h"

#include <QImage>
#include <string>
#include <string_view>

namespace lemnar {

class TOffscreenTerminal final : public TTerminalHost {
  public:
    struct TOptions {
        int Cols = 80;
        int Rows = 25;
        int FontPixelHeight = 13;
        std::uint8_t TerminalType = TermQnx;
    };

    TOffscreenTerminal();
    explicit TOffscreenTerminal(const TOptions& options);

    int ClientWidth() const override { return ClientW; }
    int ClientHeight() const override { return ClientH; }
    void SetClientSize(int width, int height) override;
    TFontSpec WindowFont() const override { return Font; }
    void MessageBeep(unsigned type) override;

    // Hands the bytes to the data handler in blocks of at most blockSize bytes.
    void Feed(std::string_view bytes, std::size_t blockSize = RecvBlockSize);
    // The bytes of one row of the grid in use.
    std::string RowBytes(int row) const;
    // Resizes the client area as a window resize would, and updates the metrics.
    void Resize(int clientWidth, int clientHeight);

    // The pictures, brought up to date.
    const QImage& WindowImage() { return Pictures.Look(Terminal.Renderer, TPicture::Window); }
    const QImage& BitmapImage() { return Pictures.Look(Terminal.Renderer, TPicture::ScreenBitmap); }
    // What a window would show: the window picture, or the history and the
    // selection over it.
    const QImage& ShownImage() { return Pictures.Showing(Terminal.Renderer); }

    TFontSpec Font;
    int ClientW = 0;
    int ClientH = 0;
    int BeepCount = 0;
    TPictures Pictures;
    TTerminal Terminal;
};

} // namespace lemnar
