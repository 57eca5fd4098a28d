// XM 1.04 serialisation: the standard header sizes, packed pattern cells and delta-coded sample data.
#include "gen_xm_writer.h"

#include <cstring>

TGenXmPattern& TGenXmSong::NewPattern(int rows) {
  Patterns.emplace_back();
  Patterns.back().Rows = rows;
  Patterns.back().Cells.assign(static_cast<size_t>(rows) * Channels, TGenXmCell{});
  return Patterns.back();
}

static void Put8(std::vector<uint8_t>& b, unsigned v) { b.push_back(static_cast<uint8_t>(v)); }
static void Put16(std::vector<uint8_t>& b, unsigned v) {
  Put8(b, v & 0xFF);
  Put8(b, (v >> 8) & 0xFF);
}
static void Put32(std::vector<uint8_t>& b, uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}
static void PutText(std::vector<uint8_t>& b, const std::string& s, size_t n) {
  for (size_t i = 0; i < n; ++i) Put8(b, i < s.size() ? static_cast<uint8_t>(s[i]) : 0);
}

// Packed cells: a full cell is written as its five bytes, any other as a mask byte and the
// fields it names, so an empty cell costs one byte.
static void PutPattern(std::vector<uint8_t>& b, const TGenXmPattern& p) {
  std::vector<uint8_t> packed;
  for (const TGenXmCell& c : p.Cells) {
    const uint8_t f[5] = {c.Note, c.Instrument, c.Volume, c.Effect, c.Param};
    uint8_t mask = 0;
    for (int i = 0; i < 5; ++i)
      if (f[i]) mask |= static_cast<uint8_t>(1 << i);
    if (mask == 0x1F) {
      packed.insert(packed.end(), f, f + 5);
      continue;
    }
    packed.push_back(static_cast<uint8_t>(0x80 | mask));
    for (int i = 0; i < 5; ++i)
      if (mask & (1 << i)) packed.push_back(f[i]);
  }
  Put32(b, 9);
  Put8(b, 0);
  Put16(b, static_cast<unsigned>(p.Rows));
  Put16(b, static_cast<unsigned>(packed.size()));
  b.insert(b.end(), packed.begin(), packed.end());
}

static void PutEnvelopePoints(std::vector<uint8_t>& b, const TGenXmEnvelope& e) {
  for (size_t i = 0; i < 12; ++i) {
    Put16(b, i < e.Points.size() ? e.Points[i].first : 0);
    Put16(b, i < e.Points.size() ? e.Points[i].second : 0);
  }
}

static uint8_t EnvelopeType(const TGenXmEnvelope& e) {
  if (e.Points.size() < 2) return 0;
  return static_cast<uint8_t>(1 | (e.Sustain >= 0 ? 2 : 0) | (e.LoopStart >= 0 ? 4 : 0));
}

static void PutInstrument(std::vector<uint8_t>& b, const TGenXmInstrument& in) {
  const size_t start = b.size();
  Put32(b, 263);
  PutText(b, in.Name, 22);
  Put8(b, 0);
  Put16(b, 1);
  Put32(b, 40);
  for (int i = 0; i < 96; ++i) Put8(b, 0);  // every note plays sample 0
  PutEnvelopePoints(b, in.VolumeEnvelope);
  PutEnvelopePoints(b, in.PanningEnvelope);
  const TGenXmEnvelope& v = in.VolumeEnvelope;
  const TGenXmEnvelope& p = in.PanningEnvelope;
  Put8(b, static_cast<unsigned>(v.Points.size()));
  Put8(b, static_cast<unsigned>(p.Points.size()));
  Put8(b, v.Sustain < 0 ? 0 : static_cast<unsigned>(v.Sustain));
  Put8(b, v.LoopStart < 0 ? 0 : static_cast<unsigned>(v.LoopStart));
  Put8(b, v.LoopEnd < 0 ? 0 : static_cast<unsigned>(v.LoopEnd));
  Put8(b, p.Sustain < 0 ? 0 : static_cast<unsigned>(p.Sustain));
  Put8(b, p.LoopStart < 0 ? 0 : static_cast<unsigned>(p.LoopStart));
  Put8(b, p.LoopEnd < 0 ? 0 : static_cast<unsigned>(p.LoopEnd));
  Put8(b, EnvelopeType(v));
  Put8(b, EnvelopeType(p));
  Put8(b, in.VibratoType);
  Put8(b, in.VibratoSweep);
  Put8(b, in.VibratoDepth);
  Put8(b, in.VibratoRate);
  Put16(b, in.Fadeout);
  while (b.size() < start + 263) Put8(b, 0);  // reserved

  const uint32_t frames = static_cast<uint32_t>(in.Data.size());
  Put32(b, frames * 2);
  Put32(b, in.LoopLength ? in.LoopStart * 2 : 0);
  Put32(b, in.LoopLength * 2);
  Put8(b, in.Volume);
  Put8(b, static_cast<uint8_t>(in.Finetune));
  Put8(b, (in.LoopLength ? (in.PingPong ? 2 : 1) : 0) | 16);
  Put8(b, in.Panning);
  Put8(b, static_cast<uint8_t>(in.RelativeNote));
  Put8(b, 0);
  PutText(b, in.Name, 22);

  int16_t last = 0;
  for (int16_t s : in.Data) {
    Put16(b, static_cast<uint16_t>(static_cast<uint16_t>(s) - static_cast<uint16_t>(last)));
    last = s;
  }
}

std::vector<uint8_t> WriteXm(const TGenXmSong& song) {
  std::vector<uint8_t> b;
  PutText(b, "Extended Module: ", 17);
  PutText(b, song.Name, 20);
  Put8(b, 0x1A);
  PutText(b, "halvrost-data", 20);
  Put16(b, 0x0104);
  Put32(b, 276);
  Put16(b, static_cast<unsigned>(song.Orders.size()));
  Put16(b, static_cast<unsigned>(song.Restart));
  Put16(b, static_cast<unsigned>(song.Channels));
  Put16(b, static_cast<unsigned>(song.Patterns.size()));
  Put16(b, static_cast<unsigned>(song.Instruments.size()));
  Put16(b, 1);  // linear frequency table
  Put16(b, static_cast<unsigned>(song.Speed));
  Put16(b, static_cast<unsigned>(song.Bpm));
  for (size_t i = 0; i < 256; ++i) Put8(b, i < song.Orders.size() ? song.Orders[i] : 0);
  for (const TGenXmPattern& p : song.Patterns) PutPattern(b, p);
  for (const TGenXmInstrument& in : song.Instruments) PutInstrument(b, in);
  return b;
}
