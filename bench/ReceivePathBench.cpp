// The receive path headless: a workload fed in 1024-byte blocks to an
// offscreen terminal. "Fast": the pictures are brought up to date once, at
// the end, as a window that shows them once a frame does over a long stream;
// "EachBlock": after every block, the most drawing the renderer can be asked
// for; "Reference": the plain path, every change drawn at once, every glyph
// painted with QPainter and every block copy moving every pixel.

#include "bench/BenchSupport.h"
#include "bench/Workloads.h"
#include "platform/OffscreenTerminal.h"

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <string_view>

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

enum class TLooks { AtTheEnd, EachBlock, Reference };

// The terminal's glyphs are rendered once per font and kept while a surface
// uses the font: one kept here spares every iteration that start-up cost.
void KeepGlyphs() {
    static TQtSurface keeper;
    keeper.SetFont(TFontSpec{});
    keeper.TextMetrics();
}

void ReceivePath(benchmark::State& state, TWorkload workload, TLooks looks) {
    KeepGlyphs();
    const bool reference = looks == TLooks::Reference;
    const std::string& bytes = Workload(workload, reference ? ReferenceSize : FastSize);
    for (auto _ : state) {
        state.PauseTiming();
        TOffscreenTerminal::TOptions options;
        options.TerminalType = TerminalTypeOf(workload);
        auto term = std::make_unique<TOffscreenTerminal>(options);
        if (reference)
            UseReferencePath(*term);
        state.ResumeTiming();
        if (looks == TLooks::EachBlock) {
            for (std::size_t at = 0; at < bytes.size(); at += RecvBlockSize) {
                term->Feed(std::string_view(bytes).substr(at, RecvBlockSize));
                term->Terminal.Renderer.Update();
            }
        } else {
            term->Feed(bytes);
            term->Terminal.Renderer.Update();
        }
        benchmark::DoNotOptimize(term->Terminal.CursorRow);
        state.PauseTiming();
        term.reset();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
    state.SetLabel(NameOf(workload));
}

BENCHMARK_CAPTURE(ReceivePath, PlainFast, TWorkload::Plain, TLooks::AtTheEnd)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ReceivePath, ColourFast, TWorkload::Colour, TLooks::AtTheEnd)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ReceivePath, QnxFullscreenFast, TWorkload::QnxFullscreen, TLooks::AtTheEnd)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ReceivePath, PlainEachBlock, TWorkload::Plain, TLooks::EachBlock)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ReceivePath, ColourEachBlock, TWorkload::Colour, TLooks::EachBlock)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ReceivePath, QnxFullscreenEachBlock, TWorkload::QnxFullscreen, TLooks::EachBlock)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ReceivePath, PlainReference, TWorkload::Plain, TLooks::Reference)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ReceivePath, ColourReference, TWorkload::Colour, TLooks::Reference)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ReceivePath, QnxFullscreenReference, TWorkload::QnxFullscreen, TLooks::Reference)
    ->Unit(benchmark::kMillisecond);

} // namespace

} // namespace lemnar::bench
