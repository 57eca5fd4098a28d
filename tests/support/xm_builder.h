// A small XM writer for tests and benchmarks: modules are described in code, never downloaded.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct TXmSong;

struct XmCell {
  uint8_t note = 0, instrument = 0, volume = 0, effect = 0, param = 0;
};

struct XmPatternDef {
  int rows = 64;
  int channels = 0;  // filled in by XmModuleDef::AddPattern
  std::vector<XmCell> cells;
  XmCell& At(int row, int channel) { return cells[static_cast<size_t>(row) * channels + channel]; }
};

struct XmSampleDef {
  std::vector<int16_t> data;  // the sample values (8-bit samples: -128..127)
  bool sixteenBit = false;
  uint8_t loopType = 0;  // type bits 0 and 1 as written: 1 forward, 2 ping-pong
  uint32_t loopStart = 0, loopLength = 0;  // in samples
  uint8_t volume = 64;
  int8_t finetune = 0;
  uint8_t panning = 128;
  int8_t relativeNote = 0;
  // Raw header values in bytes, written instead of the ones derived above when set.
  int64_t rawLength = -1, rawLoopStart = -1, rawLoopLength = -1;
  uint8_t extraTypeBits = 0;
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
  int sampleCountOverride = -1;  // written count (the headers written follow `samples`)
  int64_t headerSizeOverride = -1;
};

struct XmModuleDef {
  uint16_t channels = 4, tempo = 6, bpm = 125, flags = 1, restart = 0;
  std::vector<uint8_t> orders = {0};
  int songLengthOverride = -1, patternCountOverride = -1, instrumentCountOverride = -1;
  std::vector<XmPatternDef> patterns;
  std::vector<XmInstrumentDef> instruments;
  bool packCells = true;
  std::vector<int> zeroPackedPatterns;  // written with a packed size of 0 and no data

  XmPatternDef& AddPattern(int rows);
  XmInstrumentDef& AddInstrument();
};

std::vector<uint8_t> BuildXm(const XmModuleDef& def);

// A one-sample instrument whose single sample serves every note.
XmInstrumentDef& AddSimpleInstrument(XmModuleDef& def, const std::vector<int16_t>& data, bool sixteenBit,
                                     uint8_t loopType = 0, uint32_t loopStart = 0, uint32_t loopLength = 0);

// Loads bytes through the player's own SongLoad with memory callbacks over them.
TXmSong* LoadXmBytes(const std::vector<uint8_t>& bytes);

// A constant-valued 16-bit sample of the given length.
std::vector<int16_t> FlatSample(size_t length, int16_t value);

// A fresh scratch directory for a test's files (kept apart from the GL test fixtures).
class XmScratch {
 public:
  XmScratch();
  ~XmScratch();
  std::string File(const std::string& name) const { return path_ + "/" + name; }
  const std::string& Path() const { return path_; }
  void Write(const std::string& name, const std::vector<uint8_t>& bytes) const;

 private:
  std::string path_;
};

// XM note number (1 = C-0): octave 4 C is 49.
constexpr uint8_t XmNote(int octave, int semitone) { return static_cast<uint8_t>(octave * 12 + semitone + 1); }
