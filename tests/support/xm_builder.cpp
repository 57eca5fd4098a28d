// A small XM writer for tests and benchmarks, loading from memory, and the rig that steps a song.
#include "support/xm_builder.h"

#include "audio/xm_file.h"

XmPatternDef& XmModuleDef::AddPattern(int rows) {
  patterns.push_back({rows, channels, std::vector<XmCell>(static_cast<size_t>(std::max(rows, 0)) * channels)});
  return patterns.back();
}

// Each value little-endian in `bytes` bytes.
template <class... T>
static void Put(std::vector<uint8_t>& b, int bytes, T... values) {
  for (uint64_t v : {static_cast<uint64_t>(values)...})
    for (int i = 0; i < bytes; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

static void PutText(std::vector<uint8_t>& b, const char* text, size_t width) {
  for (size_t i = 0, n = std::strlen(text); i < width; ++i) b.push_back(i < n ? static_cast<uint8_t>(text[i]) : 0);
}

static void PutPattern(std::vector<uint8_t>& b, const XmPatternDef& p, bool pack, bool zeroPacked) {
  std::vector<uint8_t> data;
  for (size_t i = 0; i < p.cells.size() && !zeroPacked; ++i) {
    const XmCell& c = p.cells[i];
    const uint8_t f[5] = {c.note, c.instrument, c.volume, c.effect, c.param};
    uint8_t mask = 0x80;
    for (int k = 0; k < 5; ++k) mask |= f[k] ? 1 << k : 0;
    if (pack) data.push_back(mask);
    for (int k = 0; k < 5; ++k)
      if (!pack || f[k]) data.push_back(f[k]);  // the plain form: the note byte keeps bit 7 clear
  }
  Put(b, 4, 9);
  Put(b, 1, 0);
  Put(b, 2, p.rows, data.size());
  b.insert(b.end(), data.begin(), data.end());
}

static void PutInstrument(std::vector<uint8_t>& b, const XmInstrumentDef& in) {
  const bool full = !in.samples.empty();
  Put(b, 4, in.headerSizeOverride >= 0 ? in.headerSizeOverride : full ? 263 : 29);
  PutText(b, "instrument", 22);
  Put(b, 1, 0);
  Put(b, 2, in.sampleCountOverride >= 0 ? in.sampleCountOverride : static_cast<int>(in.samples.size()));
  if (!full) return;
  Put(b, 4, 40);
  b.insert(b.end(), in.noteMap, in.noteMap + 96);
  for (const XmEnvelopeDef* e : {&in.volume, &in.panning})
    for (size_t i = 0; i < 12; ++i)
      Put(b, 2, i < e->points.size() ? e->points[i].first : 0, i < e->points.size() ? e->points[i].second : 0);
  auto count = [](const XmEnvelopeDef& e) { return e.countOverride >= 0 ? e.countOverride : int(e.points.size()); };
  const XmEnvelopeDef &v = in.volume, &p = in.panning;
  Put(b, 1, count(v), count(p), v.sustain, v.loopStart, v.loopEnd, p.sustain, p.loopStart, p.loopEnd, v.type,
      p.type, in.vibType, in.vibSweep, in.vibDepth, in.vibRate);
  Put(b, 2, in.fadeout);
  b.resize(b.size() + 22, 0);
  for (const XmSampleDef& s : in.samples) {
    const uint64_t unit = s.sixteenBit ? 2 : 1;
    Put(b, 4, s.rawLength >= 0 ? s.rawLength : s.data.size() * unit, s.loopStart * unit, s.loopLength * unit);
    // Volume 64, finetune 0, the type, panning 128, the relative note, a reserved byte.
    Put(b, 1, 64, 0, (s.loopType & 3) | (s.sixteenBit ? 16 : 0), 128, static_cast<uint8_t>(s.relativeNote), 0);
    PutText(b, "sample", 22);
  }
  for (const XmSampleDef& s : in.samples)  // sample data is stored as deltas
    for (size_t i = 0; i < s.data.size(); ++i) Put(b, s.sixteenBit ? 2 : 1, s.data[i] - (i ? s.data[i - 1] : 0));
}

std::vector<uint8_t> BuildXm(const XmModuleDef& def) {
  std::vector<uint8_t> b;
  PutText(b, "Extended Module: test module", 37);
  b.push_back(0x1A);
  PutText(b, "halvrost tests", 20);
  Put(b, 2, 0x0104);
  Put(b, 4, 276);
  Put(b, 2, def.songLengthOverride >= 0 ? def.songLengthOverride : static_cast<int>(def.orders.size()), def.restart,
      def.channels, def.patterns.size(),
      def.instrumentCountOverride >= 0 ? def.instrumentCountOverride : static_cast<int>(def.instruments.size()),
      def.flags, def.tempo, def.bpm);
  for (size_t i = 0; i < 256; ++i) b.push_back(i < def.orders.size() ? def.orders[i] : 0);
  for (size_t i = 0; i < def.patterns.size(); ++i)
    PutPattern(b, def.patterns[i], def.packCells, static_cast<int>(i) == def.zeroPackedPattern);
  for (const XmInstrumentDef& in : def.instruments) PutInstrument(b, in);
  return b;
}

XmInstrumentDef& AddSimpleInstrument(XmModuleDef& def, const std::vector<int16_t>& data, bool sixteenBit,
                                     uint8_t loopType, uint32_t loopStart, uint32_t loopLength) {
  def.instruments.emplace_back().samples.push_back({data, sixteenBit, loopType, loopStart, loopLength});
  return def.instruments.back();
}

static const std::vector<uint8_t>* PendingBytes = nullptr;

TXmSong* LoadXmBytes(const std::vector<uint8_t>& bytes) {
  PendingBytes = &bytes;
  auto open = [](const char*) -> void* {
    return PendingBytes ? MemFileCreate(PendingBytes->data(), static_cast<uint32_t>(PendingBytes->size())) : nullptr;
  };
  SetFileCallbacks(open, MemFileClose, MemFileRead, MemFileSeek, MemFileTell);
  TXmSong* song = SongLoad("memory");
  PendingBytes = nullptr;
  return song;
}

XmRig::XmRig(int channels, int rows) {
  def.channels = static_cast<uint16_t>(channels);
  AddSimpleInstrument(def, FlatSample(4000, 8000), true, 1, 0, 4000);
  def.AddPattern(rows);
}

XmRig::~XmRig() {
  if (song) SongRenderEnd(song), SongFree(song);
}

bool XmRig::Start(const std::vector<XmCell>& rows) {
  for (size_t r = 0; r < rows.size(); ++r) Cell(static_cast<int>(r)) = rows[r];
  if (song) SongFree(song);
  song = LoadXmBytes(BuildXm(def));
  return song && SongRenderBegin(song);
}
