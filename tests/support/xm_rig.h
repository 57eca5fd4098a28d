// A one-pattern song prepared for playback so that tests can step ticks and inspect channels.
#pragma once
#include <vector>

#include "audio/xm_render.h"
#include "audio/xm_song.h"
#include "support/xm_builder.h"

struct XmRig {
  XmModuleDef def;
  TXmSong* song = nullptr;

  // One instrument with a long forward-looped 16-bit sample of constant value.
  explicit XmRig(int channels = 1, int rows = 16);
  ~XmRig();
  XmCell& Cell(int row, int channel = 0) { return def.patterns[0].At(row, channel); }
  // Builds, loads and prepares the song; false when the loader refused it.
  bool Start();
  void Tick(int n = 1);
  TXmChannel& Ch(int c = 0) { return song->channels[c]; }
};

// Row starts as (order, row) pairs and their frames, from an offline render.
std::vector<TXmRowStart> Timeline(TXmSong* song, double seconds);
