// A one-pattern song prepared for playback so that tests can step ticks and inspect channels.
#include "support/xm_rig.h"

XmRig::XmRig(int channels, int rows) {
  def.channels = static_cast<uint16_t>(channels);
  AddSimpleInstrument(def, FlatSample(4000, 8000), true, 1, 0, 4000);
  def.AddPattern(rows);
}

XmRig::~XmRig() {
  if (!song) return;
  SongRenderEnd(song);
  SongFree(song);
}

bool XmRig::Start() {
  if (song) SongFree(song);
  song = LoadXmBytes(BuildXm(def));
  if (!song) return false;
  return SongRenderBegin(song);
}

void XmRig::Tick(int n) {
  for (int i = 0; i < n; ++i) SongTick(song);
}

std::vector<TXmRowStart> Timeline(TXmSong* song, double seconds) {
  TXmRender r;
  RenderSong(song, seconds, r);
  return r.rows;
}
