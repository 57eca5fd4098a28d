// A small XM writer for tests and benchmarks (modules are described in code, never downloaded) and a rig to step one.
#pragma once
#include "support/test_env.h"
#include <utility>

#include "audio/xm_song.h"

struct XmCell {
  uint8_t note = 0, instrument = 0, volume = 0, effect = 0, param = 0;
};

struct XmPatternDef {
  int rows = 64, channels = 0;  // channels: filled in by XmModuleDef::AddPattern
  std::vector<XmCell> cells;
  XmCell& At(int row, int channel) { return cells[static_cast<size_t>(row) * channels + channel]; }
};

struct XmSampleDef {
  std::vector<int16_t> data;  // the sample values (8-bit samples: -128..127)
  bool sixteenBit = false;
  uint8_t loopType = 0;  // type bits 0 and 1 as written: 1 forward, 2 ping-pong
  uint32_t loopStart = 0, loopLength = 0;  // in samples
  int8_t relativeNote = 0;
  int64_t rawLength = -1;  // written in bytes instead of the real length when set
};

struct XmEnvelopeDef {
  std::vector<std::pair<uint16_t, uint16_t>> points;
  uint8_t type = 0, sustain = 0, loopStart = 0, loopEnd = 0;
  int countOverride = -1;
};

struct XmInstrumentDef {
  std::vector<XmSampleDef> samples;
  uint8_t noteMap[96] = {};
  XmEnvelopeDef volume, panning;
  uint8_t vibType = 0, vibSweep = 0, vibDepth = 0, vibRate = 0;
  uint16_t fadeout = 0;
  int sampleCountOverride = -1;  // the count written (the headers written follow `samples`)
  int64_t headerSizeOverride = -1;
};

struct XmModuleDef {
  uint16_t channels = 4, tempo = 6, bpm = 125, flags = 1, restart = 0;
  std::vector<uint8_t> orders = {0};
  int songLengthOverride = -1, instrumentCountOverride = -1;
  std::vector<XmPatternDef> patterns;
  std::vector<XmInstrumentDef> instruments;
  bool packCells = true;
  int zeroPackedPattern = -1;  // written with a packed size of 0 and no data
  XmPatternDef& AddPattern(int rows);
};

std::vector<uint8_t> BuildXm(const XmModuleDef& def);
// A one-sample instrument whose single sample serves every note.
XmInstrumentDef& AddSimpleInstrument(XmModuleDef& def, const std::vector<int16_t>& data, bool sixteenBit,
                                     uint8_t loopType = 0, uint32_t loopStart = 0, uint32_t loopLength = 0);
// Loads bytes through the player's own SongLoad with memory callbacks over them.
TXmSong* LoadXmBytes(const std::vector<uint8_t>& bytes);
inline std::vector<int16_t> FlatSample(size_t length, int16_t value) { return std::vector<int16_t>(length, value); }
// XM note number (1 = C-0): octave 4 C is 49.
constexpr uint8_t XmNote(int octave, int semitone) { return static_cast<uint8_t>(octave * 12 + semitone + 1); }

// A one-pattern song, with one instrument of a long forward-looped constant 16-bit sample,
// prepared for playback so that tests can step ticks and inspect channels.
struct XmRig {
  XmModuleDef def;
  TXmSong* song = nullptr;
  explicit XmRig(int channels = 1, int rows = 16);
  ~XmRig();
  XmCell& Cell(int row, int channel = 0) { return def.patterns[0].At(row, channel); }
  // Puts `rows` in rows 0, 1, ... of channel 0, then builds, loads and prepares the song; false when refused.
  bool Start(const std::vector<XmCell>& rows = {});
  void Tick(int n = 1) { for (int i = 0; i < n; ++i) SongTick(song); }
  TXmChannel& Ch(int c = 0) { return song->channels[c]; }
  // What `read` gives after each of `count` steps; the steps take the tick counts in `ticks` in turn.
  template <class Read>
  auto Trace(int count, const std::vector<int>& ticks, Read read) {
    std::vector<decltype(read(*this))> out;
    for (int i = 0; i < count; ++i) Tick(ticks[i % ticks.size()]), out.push_back(read(*this));
    return out;
  }
};
