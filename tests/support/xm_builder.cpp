// A small XM writer for tests and benchmarks, plus loading from memory.
#include "support/xm_builder.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "audio/xm_file.h"
#include "audio/xm_song.h"
#include "support/test_env.h"

XmPatternDef& XmModuleDef::AddPattern(int rows) {
  patterns.emplace_back();
  XmPatternDef& p = patterns.back();
  p.rows = rows;
  p.channels = channels;
  p.cells.assign(static_cast<size_t>(rows > 0 ? rows : 0) * channels, XmCell{});
  return p;
}

XmInstrumentDef& XmModuleDef::AddInstrument() {
  instruments.emplace_back();
  return instruments.back();
}

static void Put(std::vector<uint8_t>& b, uint64_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

static void PutText(std::vector<uint8_t>& b, const char* text, size_t width) {
  size_t n = std::strlen(text);
  for (size_t i = 0; i < width; ++i) b.push_back(i < n ? static_cast<uint8_t>(text[i]) : 0);
}

static void PutPattern(std::vector<uint8_t>& b, const XmPatternDef& p, bool pack, bool zeroPacked) {
  std::vector<uint8_t> data;
  if (!zeroPacked) {
    for (const XmCell& c : p.cells) {
      const uint8_t f[5] = {c.note, c.instrument, c.volume, c.effect, c.param};
      if (pack) {
        uint8_t mask = 0x80;
        for (int k = 0; k < 5; ++k)
          if (f[k]) mask |= static_cast<uint8_t>(1 << k);
        data.push_back(mask);
        for (int k = 0; k < 5; ++k)
          if (f[k]) data.push_back(f[k]);
      } else {
        // The plain form: the note byte must keep bit 7 clear.
        data.insert(data.end(), f, f + 5);
      }
    }
  }
  Put(b, 9, 4);
  Put(b, 0, 1);
  Put(b, static_cast<uint64_t>(p.rows), 2);
  Put(b, data.size(), 2);
  b.insert(b.end(), data.begin(), data.end());
}

static void PutEnvelopePoints(std::vector<uint8_t>& b, const XmEnvelopeDef& e) {
  for (int i = 0; i < 12; ++i) {
    uint16_t x = 0, y = 0;
    if (i < static_cast<int>(e.points.size())) {
      x = e.points[i].first;
      y = e.points[i].second;
    }
    Put(b, x, 2);
    Put(b, y, 2);
  }
}

static void PutInstrument(std::vector<uint8_t>& b, const XmInstrumentDef& in) {
  const uint16_t count = in.sampleCountOverride >= 0 ? static_cast<uint16_t>(in.sampleCountOverride)
                                                      : static_cast<uint16_t>(in.samples.size());
  const bool full = !in.samples.empty();
  const uint64_t size = in.headerSizeOverride >= 0 ? static_cast<uint64_t>(in.headerSizeOverride) : (full ? 263 : 29);
  Put(b, size, 4);
  PutText(b, "instrument", 22);
  Put(b, 0, 1);
  Put(b, count, 2);
  if (!full) return;
  Put(b, 40, 4);
  b.insert(b.end(), in.noteMap, in.noteMap + 96);
  PutEnvelopePoints(b, in.volume);
  PutEnvelopePoints(b, in.panning);
  auto countOf = [](const XmEnvelopeDef& e) {
    return static_cast<uint8_t>(e.countOverride >= 0 ? e.countOverride : static_cast<int>(e.points.size()));
  };
  const uint8_t tail[14] = {countOf(in.volume),    countOf(in.panning),   in.volume.sustain,  in.volume.loopStart,
                            in.volume.loopEnd,     in.panning.sustain,    in.panning.loopStart, in.panning.loopEnd,
                            in.volume.type,        in.panning.type,       in.vibType,         in.vibSweep,
                            in.vibDepth,           in.vibRate};
  b.insert(b.end(), tail, tail + 14);
  Put(b, in.fadeout, 2);
  for (int i = 0; i < 22; ++i) b.push_back(0);
  for (const XmSampleDef& s : in.samples) {
    const uint32_t unit = s.sixteenBit ? 2 : 1;
    Put(b, s.rawLength >= 0 ? static_cast<uint64_t>(s.rawLength) : s.data.size() * unit, 4);
    Put(b, s.rawLoopStart >= 0 ? static_cast<uint64_t>(s.rawLoopStart) : uint64_t{s.loopStart} * unit, 4);
    Put(b, s.rawLoopLength >= 0 ? static_cast<uint64_t>(s.rawLoopLength) : uint64_t{s.loopLength} * unit, 4);
    Put(b, s.volume, 1);
    Put(b, static_cast<uint8_t>(s.finetune), 1);
    Put(b, static_cast<uint8_t>((s.loopType & 3) | (s.sixteenBit ? 16 : 0) | s.extraTypeBits), 1);
    Put(b, s.panning, 1);
    Put(b, static_cast<uint8_t>(s.relativeNote), 1);
    Put(b, 0, 1);
    PutText(b, "sample", 22);
  }
  for (const XmSampleDef& s : in.samples) {
    // Sample data is stored as deltas.
    int32_t previous = 0;
    for (int16_t v : s.data) {
      if (s.sixteenBit) {
        Put(b, static_cast<uint16_t>(v - previous), 2);
      } else {
        Put(b, static_cast<uint8_t>(v - previous), 1);
      }
      previous = v;
    }
  }
}

std::vector<uint8_t> BuildXm(const XmModuleDef& def) {
  std::vector<uint8_t> b;
  PutText(b, "Extended Module: ", 17);
  PutText(b, "test module", 20);
  b.push_back(0x1A);
  PutText(b, "halvrost tests", 20);
  Put(b, 0x0104, 2);
  const size_t songLength = def.songLengthOverride >= 0 ? static_cast<size_t>(def.songLengthOverride) : def.orders.size();
  const size_t patternCount =
      def.patternCountOverride >= 0 ? static_cast<size_t>(def.patternCountOverride) : def.patterns.size();
  const size_t instrumentCount =
      def.instrumentCountOverride >= 0 ? static_cast<size_t>(def.instrumentCountOverride) : def.instruments.size();
  Put(b, 276, 4);
  Put(b, songLength, 2);
  Put(b, def.restart, 2);
  Put(b, def.channels, 2);
  Put(b, patternCount, 2);
  Put(b, instrumentCount, 2);
  Put(b, def.flags, 2);
  Put(b, def.tempo, 2);
  Put(b, def.bpm, 2);
  for (size_t i = 0; i < 256; ++i) b.push_back(i < def.orders.size() ? def.orders[i] : 0);
  for (size_t i = 0; i < def.patterns.size(); ++i) {
    bool zero = false;
    for (int z : def.zeroPackedPatterns) zero = zero || z == static_cast<int>(i);
    PutPattern(b, def.patterns[i], def.packCells, zero);
  }
  for (const XmInstrumentDef& in : def.instruments) PutInstrument(b, in);
  return b;
}

XmInstrumentDef& AddSimpleInstrument(XmModuleDef& def, const std::vector<int16_t>& data, bool sixteenBit,
                                     uint8_t loopType, uint32_t loopStart, uint32_t loopLength) {
  XmInstrumentDef& in = def.AddInstrument();
  XmSampleDef s;
  s.data = data;
  s.sixteenBit = sixteenBit;
  s.loopType = loopType;
  s.loopStart = loopStart;
  s.loopLength = loopLength;
  in.samples.push_back(s);
  return in;
}

static const std::vector<uint8_t>* PendingBytes = nullptr;

static void* OpenPending(const char*) {
  return PendingBytes ? MemFileCreate(PendingBytes->data(), static_cast<uint32_t>(PendingBytes->size())) : nullptr;
}

TXmSong* LoadXmBytes(const std::vector<uint8_t>& bytes) {
  PendingBytes = &bytes;
  SetFileCallbacks(OpenPending, MemFileClose, MemFileRead, MemFileSeek, MemFileTell);
  TXmSong* song = SongLoad("memory");
  PendingBytes = nullptr;
  return song;
}

std::vector<int16_t> FlatSample(size_t length, int16_t value) { return std::vector<int16_t>(length, value); }

XmScratch::XmScratch() : path_(MakeUniqueDir("halvrost-xm-")) {}

XmScratch::~XmScratch() {
  std::error_code ec;
  if (!path_.empty()) std::filesystem::remove_all(path_, ec);
}

void XmScratch::Write(const std::string& name, const std::vector<uint8_t>& bytes) const {
  std::ofstream f(File(name), std::ios::binary);
  f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}
