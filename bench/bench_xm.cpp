// XM player speed: the two generated songs and two built modules rendered offline, as times real time.
#include <benchmark/benchmark.h>

#include "audio/xm_render.h"
#include "audio/xm_song.h"
#include "support/bench_data.h"
#include "support/test_env.h"
#include "support/xm_builder.h"
#include "support/xm_modules.h"

// Renders `seconds` of the song per iteration and reports seconds of music per CPU second
// (the rate divides by the measured CPU time).
static void TimeRendering(benchmark::State& state, TXmSong* song, double seconds) {
  for (auto _ : state) {
    TXmRender r;
    r.sink = [](const int16_t* frames, uint32_t, void*) { benchmark::DoNotOptimize(frames[0]); };
    RenderSong(song, seconds, r);
    benchmark::DoNotOptimize(r.frames);
  }
  state.counters["x_realtime"] = benchmark::Counter(seconds * static_cast<double>(state.iterations()),
                                                    benchmark::Counter::kIsRate);
}

// A built module, 60 seconds of it per iteration.
static void RenderBuilt(benchmark::State& state, XmModuleDef (*module)()) {
  const std::vector<uint8_t> bytes = BuildXm(module());
  TXmSong* song = LoadXmBytes(bytes);
  if (!song) {
    state.SkipWithError("the module did not load");
    return;
  }
  TimeRendering(state, song, 60.0);
  SongFree(song);
}

static void BM_XmRenderBusy(benchmark::State& state) { RenderBuilt(state, BusyModule); }
BENCHMARK(BM_XmRenderBusy)->Unit(benchmark::kMillisecond)->MinTime(2.0);

static void BM_XmRenderShortLoops(benchmark::State& state) { RenderBuilt(state, ShortLoopsModule); }
BENCHMARK(BM_XmRenderShortLoops)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// One song of the data set, 30 seconds of it per iteration.
static void RenderGenerated(benchmark::State& state, const char* file) {
  if (!EnterBenchData()) {
    state.SkipWithError("the data set could not be generated");
    return;
  }
  TXmSong* song = LoadXmBytes(ReadBytes(BenchDataRoot() + "/data/music/" + file));
  if (!song) {
    state.SkipWithError("the song did not load");
    return;
  }
  TimeRendering(state, song, 30.0);
  SongFree(song);
}

static const bool kSongBenchmarks = [] {
  for (const char* song : {"baits.xm", "rave.xm"}) {
    std::string name = std::string("BM_XmRender/") + song;
    name.resize(name.size() - 3);
    benchmark::RegisterBenchmark(name.c_str(), RenderGenerated, song)->Unit(benchmark::kMillisecond)->MinTime(2.0);
  }
  return true;
}();
