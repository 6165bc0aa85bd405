// lemnar-replay: feeds a byte stream through the terminal's receive path with
// no window and no network, then writes the final state and pictures.

#include "LogDecoder.h"
#include "ReplayOptions.h"
#include "StateJson.h"

#include "platform/OffscreenTerminal.h"
#include "telnet/IdTelnet.h"
#include "terminal/FontSize.h"

#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>

namespace {

// The telnet engine's parser with its replies thrown away: raw server bytes in,
// application data out, as the receive thread sees them.
class TReplayQueue final : public lemnar::TIdMainThreadQueue {
  public:
    void Post(std::function<void()> fn) override { fn(); }
};

class TReplayTelnet final : public lemnar::TIdTelnet {
  public:
    explicit TReplayTelnet(TReplayQueue& queue) : TIdTelnet(queue) {}
    void WriteBytes(const std::string&) override {}
};

int Fail(const std::string& message) {
    std::fprintf(stderr, "lemnar-replay: %s\n", message.c_str());
    return 2;
}

bool ReadInput(const std::string& path, std::string& out) {
    if (path.empty()) {
        std::ostringstream s;
        s << std::cin.rdbuf();
        out = s.str();
        return !std::cin.bad();
    }
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

bool WriteText(const std::string& path, const std::string& text) {
    if (path == "-") {
        std::fwrite(text.data(), 1, text.size(), stdout);
        return std::fflush(stdout) == 0;
    }
    std::ofstream out(path, std::ios::binary);
    out << text;
    return static_cast<bool>(out);
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string error;
    const auto options = lemnar::ParseReplayOptions(args, error);
    if (!options)
        return Fail(error);

    std::string input;
    if (!ReadInput(options->Input, input))
        return Fail("cannot read " + (options->Input.empty() ? "standard input" : options->Input));

    if (std::getenv("QT_QPA_PLATFORM") == nullptr)
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    int qtArgc = 1;
    QGuiApplication app(qtArgc, argv);

    lemnar::TOffscreenTerminal::TOptions termOptions;
    termOptions.Cols = options->Cols;
    termOptions.Rows = options->Rows;
    termOptions.TerminalType = options->TerminalType;
    if (options->FontSizePoints > 0)
        termOptions.FontPixelHeight = lemnar::FontPointsToPixels(options->FontSizePoints);
    lemnar::TOffscreenTerminal term(termOptions);

    if (options->Log) {
        for (const std::string& block : lemnar::DecodeLogBlocks(input))
            term.Feed(block, block.size() + 1);
    } else if (options->Telnet) {
        TReplayQueue queue;
        TReplayTelnet telnet(queue);
        telnet.Terminal = std::string(options->TerminalType == 0   ? "QNX"
                                      : options->TerminalType == 1 ? "ANSI"
                                                                   : "TTY");
        for (std::size_t at = 0; at < input.size(); at += options->Block) {
            const std::string data =
                telnet.Negotiate(std::string_view(input).substr(at, options->Block));
            term.Feed(data, data.size() + 1);
        }
    } else {
        term.Feed(input, options->Block);
    }

    if (!options->Cells.empty() && !WriteText(options->Cells, lemnar::StateJson(term.Terminal)))
        return Fail("cannot write " + options->Cells);
    if (!options->Bmp.empty() &&
        !term.Terminal.Renderer.Look(lemnar::TPicture::ScreenBitmap).SaveBmp(options->Bmp))
        return Fail("cannot write " + options->Bmp);
    if (!options->Png.empty() &&
        !term.BitmapImage().save(QString::fromStdString(options->Png), "PNG"))
        return Fail("cannot write " + options->Png);
    if (!options->WindowPng.empty() &&
        !term.WindowImage().save(QString::fromStdString(options->WindowPng), "PNG"))
        return Fail("cannot write " + options->WindowPng);
    return 0;
}
