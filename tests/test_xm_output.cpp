// Music output: the ring, the output thread and the game-facing operations over the output device.

#include <chrono>
#include <mutex>
#include <thread>

#include "audio/l_music.h"
#include "audio/xm_render.h"
#include "platform/p_waveout.h"
#include "support/test_env.h"
#include "support/xm_builder.h"

namespace {

using V = std::vector<int64_t>;

// A short song with notes, slides and a loop so that every block differs.
std::vector<uint8_t> BusySong(int channels) {
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
  return BuildXm(def);
}

std::mutex CaptureLock;
std::vector<uint8_t> Captured;  // what the device was given

class MusicOutput : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { SetDefaultEnv("SDL_AUDIODRIVER", "dummy"); }
  void TearDown() override {
    StopMusic();
    FreeMusic();
    WaveOutSetMonitor(nullptr, nullptr);
  }
  std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) {
    WriteBytes(dir.File(name), bytes);
    return dir.File(name);
  }
  // Finished, a thread, mixing, the device open, an output buffer and time records: 1 0 0 0 0 0 when stopped.
  static V State() {
    return {XmOutput.finished.load(), XmOutput.thread != nullptr, XmOutput.mixing.load(), WaveOutIsOpen(),
            XmOutput.outputBuffer != nullptr, XmOutput.timeInfo != nullptr};
  }
  ScratchDir dir;
};

}  // namespace

TEST_F(MusicOutput, TheGamesCallingSequence) {
  const std::string menu = Write("baits.xm", BusySong(2)), game = Write("rave.xm", BusySong(4));
  EXPECT_TRUE(LoadMusic(menu));  // the menu starts
  ASSERT_TRUE(PlayMusic()) << "no audio device (SDL_AUDIODRIVER=dummy, or a sound server)";
  EXPECT_TRUE(StopMusic());
  ASSERT_TRUE(PlayMusic());  // a clean start after a stop
  std::this_thread::sleep_for(std::chrono::milliseconds(250));
  EXPECT_GT(XmOutput.infoIndex.load(), 3);  // the thread keeps the ring filled as it plays
  EXPECT_FALSE(XmOutput.finished.load());
  TXmSong* song = XmOutput.playing;
  ASSERT_NE(song, nullptr);
  ASSERT_TRUE(PlayMusic());  // playing again restarts from the first order with the header's tempo
  EXPECT_EQ((V{SongGetOrder(song), SongGetRow(song), song->bpm}), (V{0, 0, 125}));
  EXPECT_LE(SongGetTime(song), 40u);
  EXPECT_FALSE(LoadMusic(game));  // a second load keeps the first song
  EXPECT_EQ(XmOutput.playing->channelCount, 2);
  EXPECT_TRUE(StopMusic());
  EXPECT_EQ(State(), (V{1, 0, 0, 0, 0, 0}));
  EXPECT_TRUE(FreeMusic());  // a new game
  EXPECT_EQ(XmOutput.playing, nullptr);
  EXPECT_EQ(SongGetTime(song), 0u);  // no buffers: 0 (the pointer is not read)
  EXPECT_TRUE(LoadMusic(game));
  EXPECT_TRUE(PlayMusic());
  EXPECT_EQ(XmOutput.playing->channelCount, 4);
  for (int wave = 0; wave < 3; ++wave) {  // every new wave restarts the song; the thread ends each time
    EXPECT_TRUE(StopMusic());
    EXPECT_EQ(State(), (V{1, 0, 0, 0, 0, 0})) << wave;
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
  EXPECT_EQ(State(), (V{1, 0, 0, 0, 0, 0}));
}

TEST_F(MusicOutput, AMissingOrBadFileLeavesNoSongAndNoDeviceNoPlay) {
  EXPECT_TRUE(LoadMusic(dir.File("nothing.xm")));  // true even when the load failed
  EXPECT_EQ((V{PlayMusic(), StopMusic(), FreeMusic()}), (V{0, 0, 0}));
  std::vector<uint8_t> bad = BusySong(1);
  bad[0] = 'e';
  EXPECT_TRUE(LoadMusic(Write("bad.xm", bad)));
  EXPECT_FALSE(PlayMusic());
  EXPECT_TRUE(LoadMusic(Write("good.xm", BusySong(2))));  // the slot is still free
  WaveOutTestRefuseOpen(true);  // without an audio device play fails and the song stays
  EXPECT_FALSE(PlayMusic());
  EXPECT_EQ((V{XmOutput.outputBuffer != nullptr, XmOutput.thread != nullptr}), (V{0, 0}));
  WaveOutTestRefuseOpen(false);
  EXPECT_TRUE(PlayMusic());
}

TEST_F(MusicOutput, TheDevicePlaysExactlyWhatAnOfflineRenderGives) {
  const std::vector<uint8_t> bytes = BusySong(2);
  auto captured = [] {
    std::lock_guard<std::mutex> lock(CaptureLock);
    return Captured;
  };
  Captured.clear();
  WaveOutSetMonitor([](const uint8_t* b, uint32_t n, void*) {
    std::lock_guard<std::mutex> lock(CaptureLock);
    Captured.insert(Captured.end(), b, b + n);
  }, nullptr);
  ASSERT_TRUE(LoadMusic(Write("ring.xm", bytes)));
  ASSERT_TRUE(PlayMusic());
  // A little more than the one-second ring: the second lap comes from blocks the thread refilled.
  const size_t ringBytes = 88400 * 4;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(8);
  while (std::chrono::steady_clock::now() < deadline && captured().size() <= ringBytes + 30000)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  StopMusic();
  WaveOutSetMonitor(nullptr, nullptr);
  const std::vector<uint8_t> heard = captured();
  ASSERT_GT(heard.size(), ringBytes + 20000);
  TXmSong* song = LoadXmBytes(bytes);
  ASSERT_NE(song, nullptr);
  TXmRender render;
  RenderSong(song, 3.0, render);
  SongFree(song);
  const size_t n = std::min(heard.size(), render.pcm.size() * 2);
  ASSERT_GT(n, ringBytes);
  const uint8_t* rendered = reinterpret_cast<const uint8_t*>(render.pcm.data());
  const size_t same = std::mismatch(heard.begin(), heard.begin() + n, rendered).first - heard.begin();
  EXPECT_EQ(same, n) << "the first differing byte";
}

TEST(SongQueries, ZeroWithoutPlaybackBuffersAndTheTimeOfEachBlock) {
  XmRig rig(1, 4);
  ASSERT_TRUE(rig.Start({{49, 0, 0, 0, 0}}));
  for (int i = 0; i < 10; ++i) SongRenderBlock(nullptr);
  // 10 blocks of 884 frames: per-stretch rounding of 882-frame ticks (20 ms) and remainders.
  EXPECT_EQ(XmOutput.timeInfo[9].load() >> 32, rig.song->songTime);
  EXPECT_NEAR(static_cast<double>(rig.song->songTime), 10 * 884 * 1000.0 / 44100, 6.0);
  EXPECT_EQ(static_cast<int>((XmOutput.timeInfo[9].load() >> 8) & 0xFF), rig.song->row);
  SongRenderEnd(rig.song);
  EXPECT_EQ((V{SongGetOrder(rig.song), SongGetRow(rig.song), SongGetTime(rig.song), SongGetTime(nullptr),
               SongStop(nullptr), SongPlay(nullptr)}),
            (V{0, 0, 0, 0, 0, 0}));
}
