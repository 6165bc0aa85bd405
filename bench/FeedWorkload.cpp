// Feeds one workload to an offscreen terminal once, for profilers:
//   lemnar_bench_feed plain|colour|qnx-fullscreen [KiB] [reference|each-block|once]
// "each-block" brings the pictures up to date after every 1024-byte block,
// "once" only at the end; the default is what the program's window does
// while a stream runs, once every 64 KiB.

#include "bench/BenchSupport.h"
#include "bench/Workloads.h"
#include "platform/OffscreenTerminal.h"

#include <QGuiApplication>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    using namespace lemnar;
    using namespace lemnar::bench;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const std::string name = argc > 1 ? argv[1] : "plain";
    const std::size_t kib = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 256;
    const std::string mode = argc > 3 ? argv[3] : "";
    const bool reference = mode == "reference";
    TWorkload workload = TWorkload::Plain;
    if (!WorkloadNamed(name, workload)) {
        std::fprintf(stderr, "unknown workload %s\n", name.c_str());
        return 2;
    }
    const std::string bytes = MakeWorkload(workload, kib * 1024);
    TOffscreenTerminal::TOptions options;
    options.TerminalType = TerminalTypeOf(workload);
    TOffscreenTerminal term(options);
    if (reference)
        UseReferencePath(term);
    const std::size_t every = mode == "each-block" ? 1024
                              : mode == "once"     ? bytes.size()
                                                   : std::size_t{64} << 10;
    const auto start = std::chrono::steady_clock::now();
    for (std::size_t at = 0; at < bytes.size(); at += every) {
        term.Feed(std::string_view(bytes).substr(at, every));
        term.Terminal.Renderer.Update();
    }
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    std::printf("%s: %zu bytes in %.3f s (%.1f MiB/s), cursor at %d,%d, pictures brought up "
                "to date %llu times\n",
                NameOf(workload), bytes.size(), took.count(),
                static_cast<double>(bytes.size()) / 1048576.0 / took.count(),
                term.Terminal.CursorRow, term.Terminal.CursorCol, term.Terminal.Renderer.Updates());
    return 0;
}
