// The generated songs: their length, instruments, effects and levels as the game plays them.

#include <set>

#include "audio/xm_file.h"
#include "audio/xm_load.h"
#include "audio/xm_render.h"
#include "audio/xm_song.h"
#include "gen_music_compose.h"
#include "generators.h"
#include "support/test_env.h"

namespace {

struct SongCase {
  const char* file;
  TGenXmSong (*compose)();
  double minSeconds;
  int instruments;
};

void PrintTo(const SongCase& c, std::ostream* os) { *os << c.file; }

const SongCase kSongs[] = {{"baits.xm", ComposeMenuSong, 60.0, 7}, {"rave.xm", ComposeGameSong, 90.0, 9}};

class DataMusic : public ::testing::TestWithParam<SongCase> {};

TEST_P(DataMusic, UsesTheWholeRangeOfEffects) {
  std::set<int> used;
  for (const TGenXmPattern& p : GetParam().compose().Patterns)
    for (const TGenXmCell& c : p.Cells) {
      if (c.Effect == xm::Extended) used.insert(0xE0 | (c.Param >> 4));
      else if (c.Effect || c.Param) used.insert(c.Effect);
      if (c.Volume >= 0x60 && c.Volume < 0x80) used.insert(0x100);  // volume column slide
    }
  for (int fx : {0x0, 0x1, 0x2, 0x3, 0x4, 0xA, 0xB, 0xD, 0xE6, 0x100}) EXPECT_TRUE(used.count(fx)) << std::hex << fx;
}

TEST_P(DataMusic, PlaysLongEnoughCleanAndWithoutGaps) {
  const SongCase& c = GetParam();
  ScratchDir dir;
  TGenOutput out;
  out.Root = dir.Path();
  GenerateMusic(out);
  ASSERT_TRUE(out.Ok);
  UseMemFileCallbacks();
  TXmSong* song = SongLoad(dir.File(std::string("music/") + c.file).c_str());
  ASSERT_NE(song, nullptr) << XmLastLoadError();
  EXPECT_EQ(song->instrumentCount, c.instruments);
  TXmRender r;
  ASSERT_TRUE(RenderSong(song, 0, r));
  SongFree(song);
  EXPECT_TRUE(r.endedWithSong);
  EXPECT_GE(r.frames / 44100.0, c.minSeconds);
  EXPECT_LT(r.frames / 44100.0, c.minSeconds + 60);
  // One pass, to the last order, which jumps back.
  ASSERT_FALSE(r.rows.empty());
  EXPECT_EQ(r.rows.back().order, static_cast<int>(c.compose().Orders.size()) - 1);
  EXPECT_EQ(std::count_if(r.pcm.begin(), r.pcm.end(), [](int16_t v) { return v == 32767 || v == -32768; }), 0)
      << "clipped";
  for (size_t s = 0; s + 1 < r.frames / 44100; ++s) {  // no silent second
    double sum = 0;
    for (size_t i = s * 88200; i < (s + 1) * 88200; ++i) sum += double(r.pcm[i]) * r.pcm[i];
    EXPECT_GT(std::sqrt(sum / 88200), 500.0) << "second " << s;
  }
}

INSTANTIATE_TEST_SUITE_P(Songs, DataMusic, ::testing::ValuesIn(kSongs), [](const auto& info) {
  return std::string(info.param.compose == ComposeMenuSong ? "Menu" : "Game");
});

}  // namespace
