// A small XM module writer for the generated songs: patterns of cells, instruments of one sample each.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct TGenXmCell {
  uint8_t Note = 0;  // 1..96 (C-0 = 1, C-4 = 49), 97 key off
  uint8_t Instrument = 0;
  uint8_t Volume = 0;  // volume column byte (0x10 + v sets volume v, 0x60.. slides)
  uint8_t Effect = 0;
  uint8_t Param = 0;
};

struct TGenXmPattern {
  int Rows = 64;
  std::vector<TGenXmCell> Cells;  // Rows * channels
};

struct TGenXmEnvelope {
  std::vector<std::pair<uint16_t, uint16_t>> Points;  // (tick, value 0..64)
  int Sustain = -1;                                    // point index, -1 none
  int LoopStart = -1, LoopEnd = -1;
};

struct TGenXmInstrument {
  std::string Name;
  std::vector<int16_t> Data;
  uint32_t LoopStart = 0, LoopLength = 0;  // frames; length 0 = no loop
  bool PingPong = false;
  uint8_t Volume = 64;
  int8_t Finetune = 0;
  int8_t RelativeNote = 0;
  uint8_t Panning = 128;
  TGenXmEnvelope VolumeEnvelope, PanningEnvelope;
  uint16_t Fadeout = 0;
  uint8_t VibratoType = 0, VibratoSweep = 0, VibratoDepth = 0, VibratoRate = 0;
};

struct TGenXmSong {
  std::string Name;
  int Channels = 8;
  int Speed = 6;
  int Bpm = 125;
  int Restart = 0;
  std::vector<uint8_t> Orders;
  std::vector<TGenXmPattern> Patterns;
  std::vector<TGenXmInstrument> Instruments;

  TGenXmPattern& NewPattern(int rows = 64);
  TGenXmCell& At(TGenXmPattern& p, int row, int channel) const { return p.Cells[row * Channels + channel]; }
};

// The module as an XM 1.04 file with linear frequencies and 16-bit delta-coded samples.
std::vector<uint8_t> WriteXm(const TGenXmSong& song);
