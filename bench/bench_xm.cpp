// XM player speed: the two generated songs and two built modules rendered offline, as times real time.
#include <benchmark/benchmark.h>

#include "audio/xm_render.h"
#include "support/bench_data.h"
#include "support/test_env.h"
#include "support/xm_modules.h"

// Renders `seconds` of the module per iteration and reports seconds of music per CPU second
// (the rate divides by the measured CPU time).
static void TimeRendering(benchmark::State& state, const std::vector<uint8_t>& bytes, double seconds) {
  TXmSong* song = LoadXmBytes(bytes);
  if (!song) return state.SkipWithError("the module did not load");
  for (auto _ : state) {
    TXmRender r;
    r.sink = [](const int16_t* frames, uint32_t, void*) { benchmark::DoNotOptimize(frames[0]); };
    RenderSong(song, seconds, r);
    benchmark::DoNotOptimize(r.frames);
  }
  state.counters["x_realtime"] = benchmark::Counter(seconds * static_cast<double>(state.iterations()),
                                                    benchmark::Counter::kIsRate);
  SongFree(song);
}

// A built module, 60 seconds of it per iteration.
static void BM_XmRenderBusy(benchmark::State& state) { TimeRendering(state, BuildXm(BusyModule()), 60.0); }
BENCHMARK(BM_XmRenderBusy)->Unit(benchmark::kMillisecond)->MinTime(2.0);

static void BM_XmRenderShortLoops(benchmark::State& state) { TimeRendering(state, BuildXm(ShortLoopsModule()), 60.0); }
BENCHMARK(BM_XmRenderShortLoops)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// One song of the data set, 30 seconds of it per iteration.
static void RenderGenerated(benchmark::State& state, const char* file) {
  if (!EnterBenchData()) return state.SkipWithError("the data set could not be generated");
  TimeRendering(state, ReadBytes(std::string("data/music/") + file + ".xm"), 30.0);
}

static const bool kSongBenchmarks = [] {
  for (const char* song : {"baits", "rave"})
    benchmark::RegisterBenchmark(("BM_XmRender/" + std::string(song)).c_str(), RenderGenerated, song)
        ->Unit(benchmark::kMillisecond)->MinTime(2.0);
  return true;
}();
