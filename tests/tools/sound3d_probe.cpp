// Test program for a recording to measure: five looping tones placed round a listener set as the
// camera sets it (facing +x, so +z is on the right), played together for four seconds through the
// game's sound module: 440 Hz on the right, 554 Hz on the left, 659, 880 and 988 Hz straight ahead
// at 1, 21 and 101 units.
#include <cstdio>

#include "audio/l_sound.h"
#include "platform/p_timer.h"
#include "support/test_env.h"
#include "support/wave_files.h"

int main() {
  const struct {
    float hz;
    TVector at;
  } tones[] = {{440, {0, 2, 5}}, {554, {0, 2, -5}}, {659, {1, 2, 0}}, {880, {21, 2, 0}}, {988, {101, 2, 0}}};
  if (!InitSound()) return std::fprintf(stderr, "no sound device\n"), 1;
  SetListenerOrientation(TVector{1, 0, 0}, TVector{0, -1, 0});
  SetListenerPosition(TVector{0, 2, 0});
  ScratchDir dir;
  for (const auto& t : tones) {
    // A whole number of periods in one second, so the loop joins without a click; quiet
    // enough that the five together never clip.
    std::string file = dir.File(std::to_string(static_cast<int>(t.hz)) + ".wav");
    WriteBytes(file, MakeWave(WaveLayout{}, SineData16(44100, t.hz, 44100, 0.15f)));
    if (PlaySample(LoadSample(file), true, t.at) < 0) return std::fprintf(stderr, "%g Hz did not start\n", t.hz), 1;
  }
  for (int step = 0; step < 200; ++step) UpdateSound(), PlatformSleep(20);
  ShutdownSound();
  return 0;
}
