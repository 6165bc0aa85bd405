// End to end: a loopback server sends a workload through the real telnet
// engine (receive thread, negotiation, hand-off to the window thread's Qt
// queue) into an offscreen terminal. Timed from the connect until the last
// byte has been drawn. And the program itself, offscreen, against the same
// server.

#include "bench/BenchSupport.h"
#include "bench/Workloads.h"
#include "platform/MainThreadQueue.h"
#include "platform/OffscreenTerminal.h"
#include "telnet/IdTelnet.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

namespace lemnar::bench {

namespace {

constexpr std::size_t FastSize = std::size_t{64} << 20;
constexpr std::size_t ReferenceSize = std::size_t{1} << 20;

// What the terminal gets: drawn on the usual path or the plain one, or only
// counted, which leaves the transport, the engine and the hand-off alone.
enum class TSink { Terminal, Plain, Nothing };

void Loopback(benchmark::State& state, TSink sink) {
    const bool reference = sink == TSink::Plain;
    const std::string bytes = MakeWorkload(TWorkload::Plain, reference ? ReferenceSize : FastSize);
    for (auto _ : state) {
        state.PauseTiming();
        TOffscreenTerminal term;
        if (reference)
            UseReferencePath(term);
        TClock::time_point closed;
        TLoopbackServer server(SendThenDrain(bytes, closed));
        TQtMainThreadQueue queue;
        TIdTelnet telnet(queue);
        telnet.Host = "127.0.0.1:" + std::to_string(server.Port());
        telnet.Rows = term.Terminal.ScreenRows;
        telnet.Columns = term.Terminal.ScreenCols;
        telnet.Terminal = "QNX";
        std::size_t drawn = 0;
        telnet.OnDataAvailable = [&](std::string block) {
            if (sink != TSink::Nothing)
                term.Feed(block);
            drawn += block.size();
        };
        state.ResumeTiming();

        telnet.Connect();
        QElapsedTimer clock;
        clock.start();
        while (drawn < bytes.size() && clock.elapsed() < TimeoutSeconds * 1000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
        term.Terminal.Renderer.Update();

        state.PauseTiming();
        telnet.Disconnect();
        if (drawn != bytes.size())
            state.SkipWithError("the loopback transfer did not complete");
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
    state.SetLabel("plain over loopback telnet");
}

// The program as users start it, in the offscreen platform, connected at
// once and quitting when the server has closed ("e", "h host"). Timed by the
// server from the program's connection until the program has closed it,
// which it does once the last block has been drawn and the end of the
// stream read. Its window shows the picture as it goes; the default client
// area of 640 x 480 holds 80 x 32 cells of the fallback font's 8 x 15.
void Program(benchmark::State& state) {
    const std::string bytes = MakeWorkload(TWorkload::Plain, FastSize);
    // A copy in a directory of its own: the program keeps its settings file
    // next to itself, and starts from the defaults here.
    QTemporaryDir directory;
    const QString copy = directory.filePath(QStringLiteral("lemnar"));
    if (!directory.isValid() || !QFile::copy(QStringLiteral(LEMNAR_PROGRAM), copy)) {
        state.SkipWithError("the program could not be copied");
        return;
    }
    for (auto _ : state) {
        TClock::time_point closed;
        TLoopbackServer server(SendThenDrain(bytes, closed));
        QFile::remove(directory.filePath(QStringLiteral("Lemnar.ini")));
        QProcess program;
        program.setProgram(copy);
        program.setArguments({"e", "h", QStringLiteral("127.0.0.1:%1").arg(server.Port())});
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        program.setProcessEnvironment(environment);
        program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        program.start();
        const bool quit = program.waitForFinished(TimeoutSeconds * 1000);
        if (!quit) {
            program.kill();
            program.waitForFinished();
            state.SkipWithError("the program did not quit after the transfer");
            break;
        }
        server.Join();
        state.SetIterationTime(std::chrono::duration<double>(closed - server.Accepted()).count());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
    state.SetLabel("plain, the program over loopback telnet");
}

BENCHMARK(Program)
    ->Name("Process/PlainFast")
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(3);

BENCHMARK_CAPTURE(Loopback, PlainFast, TSink::Terminal)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);
BENCHMARK_CAPTURE(Loopback, PlainReference, TSink::Plain)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);
BENCHMARK_CAPTURE(Loopback, TransportOnly, TSink::Nothing)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

} // namespace

} // namespace lemnar::bench
