// The receive path headless: a workload fed in 1024-byte blocks to an
// offscreen terminal, both pictures drawn. "Fast" is the path the program
// uses; "Reference" paints every glyph with QPainter and moves every pixel of
// every block copy, the plain way the fast path must match.

#include "bench/BenchSupport.h"
#include "bench/Workloads.h"
#include "platform/OffscreenTerminal.h"

#include <benchmark/benchmark.h>

#include <map>
#include <string>

namespace lemnar::bench {

namespace {

// Big enough to scroll or redraw many times; the reference path gets a prefix
// of the same stream, as it is slow.
constexpr std::size_t FastSize = std::size_t{4} << 20;
constexpr std::size_t ReferenceSize = std::size_t{1} << 20;

const std::string& Workload(TWorkload workload, std::size_t size) {
    static std::map<std::pair<TWorkload, std::size_t>, std::string> made;
    auto [it, fresh] = made.try_emplace({workload, size});
    if (fresh)
        it->second = MakeWorkload(workload, size);
    return it->second;
}

void ReceivePath(benchmark::State& state, TWorkload workload, bool reference) {
    const std::string& bytes = Workload(workload, reference ? ReferenceSize : FastSize);
    for (auto _ : state) {
        state.PauseTiming();
        TOffscreenTerminal::TOptions options;
        options.TerminalType = TerminalTypeOf(workload);
        auto term = std::make_unique<TOffscreenTerminal>(options);
        if (reference)
            UseReferencePath(*term);
        state.ResumeTiming();
        term->Feed(bytes);
        benchmark::DoNotOptimize(term->Terminal.CursorRow);
        state.PauseTiming();
        term.reset();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
    state.SetLabel(NameOf(workload));
}

BENCHMARK_CAPTURE(ReceivePath, PlainFast, TWorkload::Plain, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ReceivePath, ColourFast, TWorkload::Colour, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ReceivePath, QnxFullscreenFast, TWorkload::QnxFullscreen, false)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ReceivePath, PlainReference, TWorkload::Plain, true)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK_CAPTURE(ReceivePath, ColourReference, TWorkload::Colour, true)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK_CAPTURE(ReceivePath, QnxFullscreenReference, TWorkload::QnxFullscreen, true)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

} // namespace

} // namespace lemnar::bench
