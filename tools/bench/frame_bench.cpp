// Frame benchmarks. Every variant draws the spiral's 300 discs repeatedly into the same buffer, as
// the screen saver does (nothing is cleared between frames). Run:
//   build/bench/tools/bench/gyrata-bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>

#include <vector>

#include "app/spiral.h"
#include "app/steering.h"
#include "host/frame_buffer.h"
#include "host/headless_buffer.h"
#include "raster/draw_helper.h"
#include "tools/bench/bench_discs.h"

namespace {

constexpr float kFirstShownPhase = -3.2725f;  // 85 frames turning at -0.0385

std::vector<BenchDisc> DiscsOfPhase(int32_t width, int32_t height, float phase) {
    std::vector<BenchDisc> discs;
    const float step = PeriodStep(Load(settings.period));
    const float cx = static_cast<float>(width / 2), cy = static_cast<float>(height / 2);
    SpiralCursor cursor;
    for (int32_t i = 0; i < kSpiralDiscCount; ++i) {
        const SpiralDisc d = NextSpiralDisc(cursor, step, phase, cx, cy);
        discs.push_back({d.x, d.y, d.radius, SchemeColour(Load(settings.colourScheme), d.bright, d.dim)});
    }
    return discs;
}

void SpiralFrame(benchmark::State& state, int32_t hiddenFrames) {
    const auto width = static_cast<int32_t>(state.range(0)), height = static_cast<int32_t>(state.range(1));
    if (!CreateHeadlessBuffer(width, height)) {
        state.SkipWithError("no memory for the buffer");
        return;
    }
    spiralPhase = kFirstShownPhase;
    for (auto _ : state) {
        Store(steering.hiddenFrames, hiddenFrames);
        DrawSpiralFrame();
        benchmark::ClobberMemory();
    }
    ReleaseHeadlessBuffer();
}

void PolygonFrame(benchmark::State& state) { SpiralFrame(state, 0); }
void FastDiscFrame(benchmark::State& state) { SpiralFrame(state, 1); }
// A presented frame as a machine with one core draws it, without the helper thread: the CPU that
// the second core's band costs beside it.
void PolygonFrameOneCore(benchmark::State& state) {
    AllowDrawHelper(false);
    SpiralFrame(state, 0);
    AllowDrawHelper(true);
}

using Renderer = bool (*)(uint32_t*, int32_t, int32_t, const std::vector<BenchDisc>&);

void ReferenceFrame(benchmark::State& state, Renderer draw) {
    const auto width = static_cast<int32_t>(state.range(0)), height = static_cast<int32_t>(state.range(1));
    std::vector<uint32_t> pixels(static_cast<size_t>(width) * static_cast<size_t>(height), 0xff000000u);
    const std::vector<BenchDisc> discs = DiscsOfPhase(width, height, kFirstShownPhase);
    if (!draw(pixels.data(), width, height, discs)) {
        state.SkipWithError("library not built in");
        return;
    }
    for (auto _ : state) {
        draw(pixels.data(), width, height, discs);
        benchmark::ClobberMemory();
    }
}

void CairoFrame(benchmark::State& state) { ReferenceFrame(state, DrawWithCairo); }
void FreeTypeFrame(benchmark::State& state) { ReferenceFrame(state, DrawWithFreeType); }
void AggFrame(benchmark::State& state) { ReferenceFrame(state, DrawWithAgg); }

// Wall-clock time per frame, as the screen shows it; the CPU column is the whole process's, both
// threads of a split polygon frame included.
void Sizes(benchmark::internal::Benchmark* b) {
    b->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMillisecond);
    b->UseRealTime()->MeasureProcessCPUTime();
}

BENCHMARK(PolygonFrame)->Apply(Sizes);
BENCHMARK(PolygonFrameOneCore)->Apply(Sizes);
BENCHMARK(FastDiscFrame)->Apply(Sizes);
BENCHMARK(CairoFrame)->Apply(Sizes);
BENCHMARK(FreeTypeFrame)->Apply(Sizes);
BENCHMARK(AggFrame)->Apply(Sizes);

}  // namespace

BENCHMARK_MAIN();
