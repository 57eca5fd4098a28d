// Modules built for the XM benchmarks: a busy one with long loops and one of many short loops.
#include "support/xm_modules.h"

XmModuleDef BusyModule() {
  XmModuleDef def;
  def.channels = 24, def.tempo = 4, def.bpm = 140;
  for (int k = 0; k < 6; ++k) {
    std::vector<int16_t> wave(48000 + 4000 * k);
    for (size_t i = 0; i < wave.size(); ++i) {
      const double t = static_cast<double>(i) / (40 + 7 * k);
      wave[i] = static_cast<int16_t>(9000 * std::sin(t) + 3000 * std::sin(3.1 * t + k));
    }
    XmInstrumentDef& in = AddSimpleInstrument(def, wave, true, k % 2 ? 2 : 1, 1000, uint32_t(wave.size() - 2000));
    in.volume = {{{0, 64}, {8, 48}, {40, 40}, {120, 0}}, 3, 2};
    in.panning = {{{0, 16}, {30, 48}, {60, 16}}, 5, 0, 0, 2};
    in.fadeout = 300, in.vibType = static_cast<uint8_t>(k % 4), in.vibDepth = 4, in.vibRate = 20, in.vibSweep = 10;
  }
  const uint8_t effects[8][2] = {{0x4, 0x46}, {0xA, 0x02}, {0x0, 0x37}, {0x1, 0x02},
                                 {0x7, 0x64}, {25, 0x20}, {0x6, 0x10}, {27, 0x13}};
  for (int p = 0; p < 4; ++p) {
    XmPatternDef& pat = def.AddPattern(64);
    for (int c = 0; c < 24; ++c)
      for (int r = c % 4; r < 64; r += 4) {
        const uint8_t* fx = effects[(c + r / 4) % 8];
        pat.At(r, c) = {uint8_t(30 + (c * 5 + r + p * 7) % 48), uint8_t(1 + (c + p) % 6),
                        uint8_t(0x20 + (c * 3) % 0x30), fx[0], fx[1]};
        if (r + 2 < 64 && c % 3 == 0) pat.At(r + 2, c) = XmCell{0, 0, 0, 0x3, 0x20};
        if (r + 3 < 64 && c % 5 == 0) pat.At(r + 3, c) = XmCell{97, 0, 0, 0, 0};
      }
  }
  def.orders = {0, 1, 2, 3};
  return def;
}

XmModuleDef ShortLoopsModule() {
  XmModuleDef def;
  def.channels = 32, def.tempo = 3, def.bpm = 150;
  // Square, saw and noise-like waves, forward and ping-pong, 8-bit and 16-bit.
  const int8_t relative[8] = {0, 12, 24, -12, 12, 0, 24, 12};
  for (int k = 0; k < 8; ++k) {
    const int loop = 8 << (k % 5);
    std::vector<int16_t> wave(loop + 16);
    for (size_t i = 0; i < wave.size(); ++i) {
      const int phase = static_cast<int>(i % loop);
      const int square = phase < loop / 2 ? 9000 : -9000, saw = phase * 18000 / loop - 9000;
      const int noise = (phase * 7919 + k * 131) % 18001 - 9000;
      const int v = k % 3 == 0 ? square : (k % 3 == 1 ? saw : noise);
      wave[i] = static_cast<int16_t>(k == 5 ? v / 256 : v);
    }
    XmInstrumentDef& in = AddSimpleInstrument(def, wave, k != 5, k % 2 ? 2 : 1, 16, loop);
    in.samples[0].relativeNote = relative[k];
    if (k % 4 == 3) in.volume = {{{0, 64}, {6, 32}, {20, 16}}, 1}, in.fadeout = 800;  // a few plucked ones
  }
  for (int p = 0; p < 2; ++p) {
    XmPatternDef& pat = def.AddPattern(64);
    for (int c = 0; c < 32; ++c)
      for (int r = c % 8; r < 64; r += 8) {
        pat.At(r, c) = {uint8_t(25 + (c * 7 + r * 3 + p * 5) % 60), uint8_t(1 + (c + p) % 8),
                        uint8_t(0x18 + (c * 5) % 0x28), uint8_t(c % 4 == 1 ? 0x4 : 0),
                        uint8_t(c % 4 == 1 ? 0x34 : c % 4 == 2 ? 0x47 : 0)};
        if (r + 6 < 64 && c % 6 == 0) pat.At(r + 6, c) = XmCell{97, 0, 0, 0, 0};
      }
  }
  def.orders = {0, 1};
  return def;
}
