// The whole program in this process, offscreen: the main window with its
// telnet engine, window-thread hand-off, terminal and widget, started with
// "h 127.0.0.1:port T <type> H 375" (80 x 25 cells of the fallback face's
// 8 x 15) against a loopback server.
//
// Program/<workload>: the server sends the workload (CR LF line ends); timed
// from the server's accept until the widget has painted the screen holding
// the last byte, which is then checked against a terminal that took the same
// bytes headless (both pictures and the cells).
// Program/KeyEcho: a key pressed on the widget, its byte echoed by the
// server; timed from the key event until the widget has painted the echoed
// character; median and 99th percentile.

#include "bench/BenchSupport.h"
#include "bench/Workloads.h"
#include "platform/MessageBox.h"
#include "platform/OffscreenTerminal.h"
#include "shell/MainWindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QTemporaryDir>
#include <QTest>
#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace lemnar::bench {

namespace {

using Clock = TClock;
constexpr std::size_t StreamSize = std::size_t{64} << 20;

// Runs a function after every paint of a widget, once the paint is done.
class TAfterPaint : public QObject {
  public:
    TAfterPaint(QWidget& widget, std::function<void()> then)
        : Widget(widget), Then(std::move(then)) {
        widget.installEventFilter(this);
    }
    ~TAfterPaint() override { Widget.removeEventFilter(this); }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != &Widget || event->type() != QEvent::Paint)
            return false;
        // The widget paints now, and the check follows its paint.
        static_cast<QObject&>(Widget).event(event);
        Then();
        return true;
    }

  private:
    QWidget& Widget;
    std::function<void()> Then;
};

// The program's main window on a fresh program directory, connected to port.
struct TProgram {
    TProgram(int port, const char* type) {
        SetMessageBoxHook([](const std::string&, TMessageKind) { return IdOk; });
        Window = std::make_unique<TMainWindow>(
            std::vector<std::string>{"h", "127.0.0.1:" + std::to_string(port), "T", type, "H",
                                     "375"},
            Directory.path().toStdString());
        Window->show();
    }
    ~TProgram() {
        Window.reset();
        SetMessageBoxHook(nullptr);
    }
    QTemporaryDir Directory;
    std::unique_ptr<TMainWindow> Window;
};

bool RunUntil(const std::function<bool()>& done) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > TimeoutSeconds * 1000)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    return true;
}

const std::string& Workload(TWorkload workload) {
    static std::string made[3];
    std::string& bytes = made[static_cast<int>(workload)];
    if (bytes.empty())
        bytes = MakeWorkload(workload, StreamSize);
    return bytes;
}

void Stream(benchmark::State& state, TWorkload workload) {
    const std::string& bytes = Workload(workload);
    const char* type = TerminalTypeOf(workload) == TermAnsi ? "ansi" : "qnx";
    for (auto _ : state) {
        TLoopbackServer server([&](TLoopbackServer& self, int client) {
            SendAll(client, bytes);
            while (!self.Done)
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
        });
        TProgram program(server.Port(), type);
        TMainWindow& window = *program.Window;
        if (window.Terminal.ScreenCols != 80 || window.Terminal.ScreenRows != 25) {
            state.SkipWithError("the window does not hold 80 x 25 cells");
            break;
        }
        std::size_t handled = 0;
        const auto handler = window.Telnet.OnDataAvailable;
        window.Telnet.OnDataAvailable = [&](std::string block) {
            handled += block.size();
            handler(std::move(block));
        };
        Clock::time_point drawn{};
        TAfterPaint afterPaint(*window.View, [&] {
            if (handled == bytes.size() && drawn == Clock::time_point{})
                drawn = Clock::now();
        });
        const bool finished = RunUntil([&] { return drawn != Clock::time_point{}; });
        server.Done = true;
        if (!finished) {
            state.SkipWithError("the last block was not drawn in time");
            break;
        }
        state.SetIterationTime(std::chrono::duration<double>(drawn - server.Accepted()).count());

        // The final screen: what a terminal that took the same bytes shows.
        TOffscreenTerminal::TOptions options;
        options.TerminalType = TerminalTypeOf(workload);
        TOffscreenTerminal expected(options);
        expected.Feed(bytes);
        const bool sameCells =
            std::memcmp(expected.Terminal.ScreenCells, window.Terminal.ScreenCells,
                        sizeof expected.Terminal.ScreenCells) == 0;
        if (!sameCells || expected.BitmapImage() != window.Pictures.ScreenBitmap.Image() ||
            expected.WindowImage() != window.Pictures.Window.Image()) {
            state.SkipWithError("the final screen is not the one the bytes make");
            break;
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
    state.SetLabel(NameOf(workload));
}

void KeyEcho(benchmark::State& state) {
    constexpr int Keys = 400;
    std::vector<double> latencies;
    for (auto _ : state) {
        TLoopbackServer server([&](TLoopbackServer& self, int client) {
            timeval slice{0, 20000};
            setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, &slice, sizeof(slice));
            char byte[64];
            while (!self.Done) {
                const ssize_t n = recv(client, byte, sizeof byte, 0);
                if (n > 0)
                    send(client, byte, static_cast<std::size_t>(n), MSG_NOSIGNAL);
                else if (n == 0)
                    break;
            }
        });
        TProgram program(server.Port(), "tty");
        TMainWindow& window = *program.Window;
        TTerminal& t = window.Terminal;
        RunUntil([&] { return window.Connected == 1; });
        int row = 0;
        int col = 0;
        char expected = 0;
        Clock::time_point shown{};
        TAfterPaint afterPaint(*window.View, [&] {
            if (expected != 0 && shown == Clock::time_point{} &&
                t.ScreenCells[row][col].Ch == static_cast<std::uint8_t>(expected))
                shown = Clock::now();
        });
        for (int i = 0; i < Keys; ++i) {
            row = t.CursorRow;
            col = t.CursorCol;
            expected = static_cast<char>('a' + i % 26);
            shown = {};
            const Clock::time_point pressed = Clock::now();
            QTest::keyClick(window.View, static_cast<char>(expected));
            if (!RunUntil([&] { return shown != Clock::time_point{}; })) {
                state.SkipWithError("an echo was not shown in time");
                break;
            }
            latencies.push_back(std::chrono::duration<double, std::micro>(shown - pressed).count());
            if (col >= t.ScreenCols - 2) {
                QTest::keyClick(window.View, Qt::Key_Return);
                RunUntil([&] { return t.CursorCol == 0; });
            }
            // A quiet spell between keys, as between a typist's keys: longer than
            // two frames, so no echo waits for the frame of the one before.
            RunUntil([start = Clock::now()] {
                return Clock::now() - start > std::chrono::milliseconds(50);
            });
        }
        server.Done = true;
    }
    std::sort(latencies.begin(), latencies.end());
    if (!latencies.empty()) {
        state.counters["median_us"] = latencies[latencies.size() / 2];
        state.counters["p99_us"] = latencies[latencies.size() * 99 / 100];
    }
}

BENCHMARK_CAPTURE(Stream, Plain, TWorkload::Plain)
    ->Name("Program/Plain")
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1);
BENCHMARK_CAPTURE(Stream, Colour, TWorkload::Colour)
    ->Name("Program/Colour")
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1);
BENCHMARK_CAPTURE(Stream, QnxFullscreen, TWorkload::QnxFullscreen)
    ->Name("Program/QnxFullscreen")
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1);
BENCHMARK(KeyEcho)->Name("Program/KeyEcho")->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

} // namespace lemnar::bench
