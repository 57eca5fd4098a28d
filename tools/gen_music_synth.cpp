// Instrument synthesis: additive tones over whole-period loops, noise drums, all from fixed seeds.
#include "gen_music_synth.h"

#include <algorithm>
#include <cmath>

namespace {

const double kRate = 33452.0;  // 8363 Hz at C-4, two octaves up
const double kPi = 3.14159265358979323846;
const int kPeriod = 128;       // frames per cycle at C-4
const int kLoopCycles = 64;    // a loop of 8192 frames

struct Noise {
  uint32_t State;
  double Next() {  // xorshift32, -1..1
    State ^= State << 13;
    State ^= State >> 17;
    State ^= State << 5;
    return static_cast<double>(State) / 2147483648.0 - 1.0;
  }
};

TGenXmInstrument Make(const char* name, const std::vector<double>& wave, double peak) {
  TGenXmInstrument in;
  in.Name = name;
  in.RelativeNote = 24;
  in.Finetune = 2;  // 33452 / 128 Hz is two cents under middle C
  double m = 1e-9;
  for (double v : wave) m = std::max(m, std::fabs(v));
  in.Data.resize(wave.size());
  for (size_t i = 0; i < wave.size(); ++i) in.Data[i] = static_cast<int16_t>(std::lround(wave[i] / m * peak * 32767));
  return in;
}

// Sums harmonics of `cycles` periods over a loop; amp(h) gives each harmonic's level.
template <typename Amp>
void AddHarmonics(std::vector<double>& w, int cycles, int maxHarmonic, Amp amp, double phase = 0) {
  const int n = static_cast<int>(w.size());
  for (int h = 1; h <= maxHarmonic; ++h) {
    const double a = amp(h);
    if (a == 0) continue;
    const double k = 2 * kPi * h * cycles / n;
    for (int i = 0; i < n; ++i) w[i] += a * std::sin(k * i + phase * h);
  }
}

void Loop(TGenXmInstrument& in) {
  in.LoopStart = 0;
  in.LoopLength = static_cast<uint32_t>(in.Data.size());
}

TGenXmEnvelope Env(std::vector<std::pair<uint16_t, uint16_t>> pts, int sustain = -1) {
  TGenXmEnvelope e;
  e.Points = std::move(pts);
  e.Sustain = sustain;
  return e;
}

void AutoVibrato(TGenXmInstrument& in, uint8_t sweep, uint8_t depth, uint8_t rate) {
  in.VibratoType = 0;  // sine
  in.VibratoSweep = sweep;
  in.VibratoDepth = depth;
  in.VibratoRate = rate;
}

}  // namespace

TGenXmInstrument SynthKick() {
  std::vector<double> w(static_cast<size_t>(kRate * 0.42));
  double phase = 0;
  for (size_t i = 0; i < w.size(); ++i) {
    const double t = i / kRate;
    phase += 2 * kPi * (46 + 120 * std::exp(-t * 28)) / kRate;
    w[i] = std::sin(phase) * std::exp(-t * 6.5) + 0.3 * std::exp(-t * 400) * std::sin(phase * 7);
  }
  return Make("kick", w, 0.95);
}

TGenXmInstrument SynthSnare() {
  std::vector<double> w(static_cast<size_t>(kRate * 0.28));
  Noise r{0x5EED1234u};
  double lp = 0, prev = 0;
  for (size_t i = 0; i < w.size(); ++i) {
    const double t = i / kRate;
    lp += 0.45 * (r.Next() - lp);  // soften the top a little, then take the low body out
    const double hp = lp - prev;
    prev = lp;
    w[i] = 1.6 * hp * std::exp(-t * 13) + 0.5 * std::sin(2 * kPi * 186 * t) * std::exp(-t * 25);
  }
  return Make("snare", w, 0.9);
}

TGenXmInstrument SynthHat(bool open) {
  std::vector<double> w(static_cast<size_t>(kRate * (open ? 0.35 : 0.07)));
  Noise r{open ? 0xA11CE5u : 0xBEEFu};
  double a = 0, b = 0;
  for (size_t i = 0; i < w.size(); ++i) {
    const double t = i / kRate;
    const double x = r.Next();
    const double hp = x - 2 * a + b;  // second difference: only the hiss remains
    b = a;
    a = x;
    w[i] = hp * std::exp(-t * (open ? 9 : 70));
  }
  return Make(open ? "open hat" : "hat", w, 0.7);
}

TGenXmInstrument SynthBass(bool bright) {
  std::vector<double> w(kPeriod * kLoopCycles, 0.0);
  const int top = bright ? 18 : 8;
  AddHarmonics(w, kLoopCycles, top, [&](int h) { return (bright ? 1.0 : 0.8) / h * std::exp(-h * (bright ? 0.12 : 0.35)); });
  AddHarmonics(w, kLoopCycles / 2, 1, [](int) { return 0.6; });  // sub octave
  TGenXmInstrument in = Make(bright ? "acid bass" : "deep bass", w, 0.9);
  Loop(in);
  in.VolumeEnvelope = Env({{0, 64}, {6, 52}, {30, 40}, {90, 30}}, 3);
  in.Fadeout = 1200;
  return in;
}

TGenXmInstrument SynthLead() {
  std::vector<double> w(kPeriod * kLoopCycles, 0.0);
  AddHarmonics(w, kLoopCycles, 24, [](int h) { return std::fabs(std::sin(kPi * h * 0.3)) / h; });
  AddHarmonics(w, kLoopCycles + 1, 12, [](int h) { return 0.35 / h; }, 1.0);  // a slightly sharp second voice
  TGenXmInstrument in = Make("lead", w, 0.9);
  Loop(in);
  in.VolumeEnvelope = Env({{0, 0}, {3, 64}, {12, 50}, {40, 44}}, 3);
  in.Fadeout = 900;
  AutoVibrato(in, 40, 3, 10);
  return in;
}

TGenXmInstrument SynthPad(bool warm) {
  std::vector<double> w(kPeriod * kLoopCycles, 0.0);
  const int spread[3] = {kLoopCycles - 1, kLoopCycles, kLoopCycles + 1};
  for (int k = 0; k < 3; ++k)
    AddHarmonics(w, spread[k], warm ? 10 : 16, [&](int h) { return 1.0 / h * std::exp(-h * (warm ? 0.3 : 0.15)); }, k * 2.1);
  TGenXmInstrument in = Make(warm ? "warm pad" : "string pad", w, 0.85);
  Loop(in);
  in.VolumeEnvelope = Env({{0, 0}, {40, 48}, {80, 56}, {140, 50}, {200, 56}}, 4);
  in.VolumeEnvelope.LoopStart = 2;
  in.VolumeEnvelope.LoopEnd = 4;
  in.PanningEnvelope = Env({{0, 24}, {100, 40}, {200, 24}});
  in.PanningEnvelope.LoopStart = 0;
  in.PanningEnvelope.LoopEnd = 2;
  in.Fadeout = 300;
  AutoVibrato(in, 80, 2, 6);
  return in;
}

TGenXmInstrument SynthBell() {
  std::vector<double> w(static_cast<size_t>(kRate * 1.6), 0.0);
  const double base = kRate / kPeriod;
  const double ratio[5] = {1.0, 2.0, 2.76, 4.07, 5.4};
  const double level[5] = {1.0, 0.5, 0.35, 0.2, 0.1};
  const double decay[5] = {2.2, 3.0, 4.5, 6.0, 8.0};
  for (size_t i = 0; i < w.size(); ++i) {
    const double t = i / kRate;
    double v = 0;
    for (int p = 0; p < 5; ++p) v += level[p] * std::exp(-t * decay[p]) * std::sin(2 * kPi * base * ratio[p] * t);
    w[i] = v * std::min(1.0, t * 800);
  }
  return Make("bell", w, 0.9);
}

TGenXmInstrument SynthArp() {
  std::vector<double> w(kPeriod * 16, 0.0);
  AddHarmonics(w, 16, 15, [](int h) { return h % 2 ? 1.0 / (h * h) * (h % 4 == 1 ? 1 : -1) : 0.0; });
  AddHarmonics(w, 16, 4, [](int h) { return h == 2 ? 0.25 : 0.0; });
  TGenXmInstrument in = Make("arp", w, 0.9);
  Loop(in);
  in.VolumeEnvelope = Env({{0, 64}, {8, 36}, {24, 20}, {60, 0}});
  return in;
}
