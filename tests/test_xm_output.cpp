// Music output: the ring, the output thread and the game-facing operations over the output device.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <mutex>
#include <thread>

#include "audio/l_music.h"
#include "audio/xm_song.h"
#include "platform/p_waveout.h"
#include "support/test_env.h"
#include "support/xm_rig.h"

namespace {

// A short song with notes, slides and a loop so that every block differs.
XmModuleDef BusySong(int channels) {
  XmModuleDef def;
  def.channels = static_cast<uint16_t>(channels);
  std::vector<int16_t> wave(3000);
  for (size_t i = 0; i < wave.size(); ++i) wave[i] = static_cast<int16_t>(((i * 37) % 200) * 100 - 10000);
  AddSimpleInstrument(def, wave, true, 1, 500, 2500);
  XmPatternDef& p = def.AddPattern(32);
  for (int r = 0; r < 32; r += 2) {
    p.At(r, 0) = XmCell{static_cast<uint8_t>(40 + r % 12), 1, 0, 0x4, 0x46};
    if (channels > 1) p.At(r + 1, 1) = XmCell{static_cast<uint8_t>(52 + r % 7), 1, 0x30, 0xA, 0x02};
  }
  return def;
}

class MusicOutput : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { SetDefaultEnv("SDL_AUDIODRIVER", "dummy"); }
  void TearDown() override {
    StopMusic();
    FreeMusic();
    WaveOutSetMonitor(nullptr, nullptr);
  }
  std::string Write(const std::string& name, const XmModuleDef& def) {
    dir.Write(name, BuildXm(def));
    return dir.File(name);
  }
  XmScratch dir;
};

std::mutex CaptureLock;
std::vector<uint8_t> Captured;

void Capture(const uint8_t* bytes, uint32_t count, void*) {
  std::lock_guard<std::mutex> lock(CaptureLock);
  Captured.insert(Captured.end(), bytes, bytes + count);
}

// A copy of what the device was given so far; optionally starts afresh.
std::vector<uint8_t> CapturedBytes(bool clear = false) {
  std::lock_guard<std::mutex> lock(CaptureLock);
  if (clear) Captured.clear();
  return Captured;
}

}  // namespace

TEST_F(MusicOutput, StopReturnsAfterTheThreadEndedAndPlayStartsCleanlyAgain) {
  ASSERT_TRUE(LoadMusic(Write("a.xm", BusySong(2))));
  ASSERT_TRUE(PlayMusic()) << "no audio device (SDL_AUDIODRIVER=dummy, or a sound server)";
  EXPECT_TRUE(StopMusic());
  ASSERT_TRUE(PlayMusic());  // a clean start after a stop
  std::this_thread::sleep_for(std::chrono::milliseconds(250));
  EXPECT_GT(XmOutput.infoIndex.load(), 3);  // the thread keeps the ring filled as it plays
  EXPECT_FALSE(XmOutput.finished.load());
  TXmSong* song = XmOutput.playing;
  ASSERT_NE(song, nullptr);
  uint32_t heard = SongGetTime(song);
  EXPECT_GT(heard, 60u);
  EXPECT_LT(heard, 1500u);
  // Playing again restarts from the first order with the header's tempo.
  ASSERT_TRUE(PlayMusic());
  EXPECT_EQ(SongGetOrder(song), 0);
  EXPECT_EQ(SongGetRow(song), 0);
  EXPECT_LE(SongGetTime(song), 40u);
  EXPECT_EQ(song->bpm, 125);
  EXPECT_TRUE(StopMusic());
  EXPECT_TRUE(XmOutput.finished.load());
  EXPECT_EQ(XmOutput.thread, nullptr);
  EXPECT_FALSE(XmOutput.mixing.load());
  EXPECT_FALSE(WaveOutIsOpen());
  EXPECT_EQ(XmOutput.outputBuffer, nullptr);
  EXPECT_EQ(XmOutput.timeInfo, nullptr);
  EXPECT_TRUE(FreeMusic());
  EXPECT_EQ(XmOutput.playing, nullptr);
  EXPECT_EQ(SongGetTime(song), 0u);  // no buffers: 0 (the pointer is not read)
}

TEST_F(MusicOutput, AMissingFileLeavesNoSong) {
  EXPECT_TRUE(LoadMusic(dir.File("nothing.xm")));  // true even when the load failed
  EXPECT_FALSE(PlayMusic());
  EXPECT_FALSE(StopMusic());
  EXPECT_FALSE(FreeMusic());
  XmModuleDef def;
  def.AddPattern(4);
  std::vector<uint8_t> bad = BuildXm(def);
  bad[0] = 'e';
  dir.Write("bad.xm", bad);
  EXPECT_TRUE(LoadMusic(dir.File("bad.xm")));
  EXPECT_FALSE(PlayMusic());
  EXPECT_TRUE(LoadMusic(Write("good.xm", BusySong(1))));  // the slot is still free
  EXPECT_TRUE(PlayMusic());
}

TEST_F(MusicOutput, WithoutAnAudioDevicePlayFailsAndTheSongStays) {
  ASSERT_TRUE(LoadMusic(Write("a.xm", BusySong(2))));
  WaveOutTestRefuseOpen(true);
  EXPECT_FALSE(PlayMusic());
  EXPECT_EQ(XmOutput.outputBuffer, nullptr);
  EXPECT_EQ(XmOutput.thread, nullptr);
  WaveOutTestRefuseOpen(false);
  EXPECT_TRUE(PlayMusic());
}

TEST_F(MusicOutput, TheDevicePlaysExactlyWhatAnOfflineRenderGives) {
  const std::vector<uint8_t> bytes = BuildXm(BusySong(2));
  dir.Write("ring.xm", bytes);
  CapturedBytes(true);
  WaveOutSetMonitor(Capture, nullptr);
  ASSERT_TRUE(LoadMusic(dir.File("ring.xm")));
  ASSERT_TRUE(PlayMusic());
  // A little more than the one-second ring: the second lap comes from blocks the thread refilled.
  const size_t ringBytes = 88400 * 4;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(8);
  while (std::chrono::steady_clock::now() < deadline && CapturedBytes().size() <= ringBytes + 30000)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  StopMusic();
  WaveOutSetMonitor(nullptr, nullptr);
  const std::vector<uint8_t> heard = CapturedBytes();
  ASSERT_GT(heard.size(), ringBytes + 20000);

  TXmSong* song = LoadXmBytes(bytes);
  ASSERT_NE(song, nullptr);
  TXmRender render;
  RenderSong(song, 3.0, render);
  SongFree(song);
  const size_t n = std::min(heard.size(), render.pcm.size() * 2);
  ASSERT_GT(n, ringBytes);
  size_t firstDiff = n;
  for (size_t i = 0; i < n; ++i) {
    if (heard[i] != reinterpret_cast<const uint8_t*>(render.pcm.data())[i]) {
      firstDiff = i;
      break;
    }
  }
  EXPECT_EQ(firstDiff, n) << "first differing byte " << firstDiff << " of " << n;
}

TEST_F(MusicOutput, TheGamesCallingSequence) {
  const std::string menu = Write("baits.xm", BusySong(2));
  const std::string game = Write("rave.xm", BusySong(4));
  EXPECT_TRUE(LoadMusic(menu));  // the menu starts
  ASSERT_TRUE(PlayMusic());
  EXPECT_FALSE(LoadMusic(game));  // a second load keeps the first song
  EXPECT_EQ(XmOutput.playing->channelCount, 2);
  EXPECT_TRUE(FreeMusic());  // a new game
  EXPECT_TRUE(LoadMusic(game));
  EXPECT_TRUE(PlayMusic());
  EXPECT_EQ(XmOutput.playing->channelCount, 4);
  for (int wave = 0; wave < 3; ++wave) {  // every new wave restarts the song; the thread ends each time
    EXPECT_TRUE(StopMusic());
    EXPECT_EQ(XmOutput.thread, nullptr);
    EXPECT_FALSE(WaveOutIsOpen());
    EXPECT_TRUE(PlayMusic());
    ASSERT_NE(XmOutput.playing, nullptr);
  }
  EXPECT_TRUE(FreeMusic());  // back to the menu music
  EXPECT_TRUE(LoadMusic(menu));
  EXPECT_TRUE(PlayMusic());
  for (int pass = 0; pass < 2; ++pass) {  // the close handling may run twice
    EXPECT_EQ(StopMusic(), pass == 0);
    EXPECT_EQ(FreeMusic(), pass == 0);
  }
  EXPECT_EQ(XmOutput.thread, nullptr);
  EXPECT_FALSE(WaveOutIsOpen());
}

TEST(SongQueries, ZeroWithoutPlaybackBuffers) {
  XmRig rig;
  rig.Cell(0).note = 49;
  ASSERT_TRUE(rig.Start());
  SongRenderEnd(rig.song);
  EXPECT_EQ(SongGetOrder(rig.song), 0);
  EXPECT_EQ(SongGetRow(rig.song), 0);
  EXPECT_EQ(SongGetTime(rig.song), 0u);
  EXPECT_EQ(SongGetTime(nullptr), 0u);
  EXPECT_FALSE(SongStop(nullptr));
  EXPECT_FALSE(SongPlay(nullptr));
}

TEST(SongQueries, TimeInfoPerBlockRecordsWhereTheBlockEnded) {
  XmRig rig(1, 4);
  ASSERT_TRUE(rig.Start());
  for (int i = 0; i < 10; ++i) SongRenderBlock(nullptr);
  // 10 blocks of 884 frames: per-stretch rounding of 882-frame ticks (20 ms) and remainders.
  EXPECT_EQ(XmOutput.timeInfo[9].load() >> 32, rig.song->songTime);
  EXPECT_NEAR(static_cast<double>(rig.song->songTime), 10 * 884 * 1000.0 / 44100, 6.0);
  EXPECT_EQ(static_cast<int>((XmOutput.timeInfo[9].load() >> 8) & 0xFF), rig.song->row);
}
