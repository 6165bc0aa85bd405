// Feeds one workload to an offscreen terminal once, for profilers:
//   lemnar_bench_feed plain|colour|qnx-fullscreen [KiB] [reference]

#include "bench/BenchSupport.h"
#include "bench/Workloads.h"
#include "platform/OffscreenTerminal.h"

#include <QGuiApplication>

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
    const bool reference = argc > 3 && std::string(argv[3]) == "reference";
    TWorkload workload = TWorkload::Plain;
    if (name == NameOf(TWorkload::Colour))
        workload = TWorkload::Colour;
    else if (name == NameOf(TWorkload::QnxFullscreen))
        workload = TWorkload::QnxFullscreen;
    else if (name != NameOf(TWorkload::Plain)) {
        std::fprintf(stderr, "unknown workload %s\n", name.c_str());
        return 2;
    }
    const std::string bytes = MakeWorkload(workload, kib * 1024);
    TOffscreenTerminal::TOptions options;
    options.TerminalType = TerminalTypeOf(workload);
    TOffscreenTerminal term(options);
    if (reference)
        UseReferencePath(term);
    term.Feed(bytes);
    std::printf("%s: %zu bytes, cursor at %d,%d, window following cut short %llu times\n",
                NameOf(workload), bytes.size(), term.Terminal.CursorRow, term.Terminal.CursorCol,
                term.Terminal.Pictures.EarlyEnds());
    return 0;
}
