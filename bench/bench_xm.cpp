// XM player speed: the two generated songs and a busy 24-channel module rendered offline, as times real time.
#include <benchmark/benchmark.h>

#include <cmath>

#include "audio/xm_render.h"
#include "audio/xm_song.h"
#include "support/bench_data.h"
#include "support/test_env.h"
#include "support/xm_builder.h"

// 24 channels, long looped samples (forward and ping-pong), envelopes and a spread of effects.
static XmModuleDef BusyModule() {
  XmModuleDef def;
  def.channels = 24;
  def.tempo = 4;
  def.bpm = 140;
  for (int k = 0; k < 6; ++k) {
    std::vector<int16_t> wave(48000 + 4000 * k);
    for (size_t i = 0; i < wave.size(); ++i) {
      double t = static_cast<double>(i) / (40 + 7 * k);
      wave[i] = static_cast<int16_t>(9000 * std::sin(t) + 3000 * std::sin(3.1 * t + k));
    }
    XmInstrumentDef& in = AddSimpleInstrument(def, wave, true, k % 2 ? 2 : 1, 1000, static_cast<uint32_t>(wave.size() - 2000));
    in.volume.points = {{0, 64}, {8, 48}, {40, 40}, {120, 0}};
    in.volume.type = 3;
    in.volume.sustain = 2;
    in.panning.points = {{0, 16}, {30, 48}, {60, 16}};
    in.panning.type = 5;
    in.panning.loopStart = 0;
    in.panning.loopEnd = 2;
    in.fadeout = 300;
    in.vibType = static_cast<uint8_t>(k % 4);
    in.vibDepth = 4;
    in.vibRate = 20;
    in.vibSweep = 10;
  }
  const uint8_t effects[8][2] = {{0x4, 0x46}, {0xA, 0x02}, {0x0, 0x37}, {0x1, 0x02},
                                 {0x7, 0x64}, {25, 0x20}, {0x6, 0x10}, {27, 0x13}};
  for (int p = 0; p < 4; ++p) {
    XmPatternDef& pat = def.AddPattern(64);
    for (int c = 0; c < 24; ++c) {
      for (int r = (c % 4); r < 64; r += 4) {
        XmCell& cell = pat.At(r, c);
        cell.note = static_cast<uint8_t>(30 + (c * 5 + r + p * 7) % 48);
        cell.instrument = static_cast<uint8_t>(1 + (c + p) % 6);
        cell.volume = static_cast<uint8_t>(0x20 + (c * 3) % 0x30);
        cell.effect = effects[(c + r / 4) % 8][0];
        cell.param = effects[(c + r / 4) % 8][1];
        if (r + 2 < 64 && c % 3 == 0) pat.At(r + 2, c) = XmCell{0, 0, 0, 0x3, 0x20};
        if (r + 3 < 64 && c % 5 == 0) pat.At(r + 3, c) = XmCell{97, 0, 0, 0, 0};
      }
    }
  }
  def.orders = {0, 1, 2, 3};
  return def;
}

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

static void BM_XmRenderBusy(benchmark::State& state) {
  const std::vector<uint8_t> bytes = BuildXm(BusyModule());
  TXmSong* song = LoadXmBytes(bytes);
  if (!song) {
    state.SkipWithError("the busy module did not load");
    return;
  }
  TimeRendering(state, song, 60.0);
  SongFree(song);
}
BENCHMARK(BM_XmRenderBusy)->Unit(benchmark::kMillisecond)->MinTime(2.0);

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
