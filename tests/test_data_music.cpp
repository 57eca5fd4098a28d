// The generated songs: stable bytes, a well-formed file, their length, instruments, effects and levels.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
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

uint32_t Le(const std::vector<uint8_t>& b, size_t at, int bytes) {
  uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | b.at(at + i);
  return v;
}

// Walks the file as a strict reader of the public layout would: every size field must lead
// exactly to the next section and the sample data must end the file.
void ExpectWellFormed(const std::vector<uint8_t>& b, const TGenXmSong& song) {
  ASSERT_GE(b.size(), 336u);
  EXPECT_EQ(std::memcmp(b.data(), "Extended Module: ", 17), 0);
  // The 0x1A byte, version, header size, song length, channels and linear frequencies.
  EXPECT_EQ((std::vector<uint32_t>{b[37], Le(b, 58, 2), Le(b, 60, 4), Le(b, 64, 2), Le(b, 68, 2), Le(b, 74, 2) & 1}),
            (std::vector<uint32_t>{0x1A, 0x0104, 276, static_cast<uint32_t>(song.Orders.size()),
                                   static_cast<uint32_t>(song.Channels), 1}));
  size_t at = 336;
  for (uint32_t p = 0; p < Le(b, 70, 2); ++p) {
    ASSERT_EQ(Le(b, at, 4), 9u);
    const size_t rows = Le(b, at + 5, 2), end = at + 9 + Le(b, at + 7, 2);
    size_t cells = 0;
    for (at += 9; at < end; ++cells) {  // every cell decodes and the count matches rows x channels
      const uint8_t m = b.at(at);
      at += (m & 0x80) ? 1 + __builtin_popcount(m & 0x1F) : 5;
    }
    EXPECT_EQ(at, end);
    EXPECT_EQ(cells, rows * Le(b, 68, 2)) << "pattern " << p;
    at = end;
  }
  for (uint32_t i = 0; i < Le(b, 72, 2); ++i) {
    // Header size, one sample, sample header size.
    ASSERT_EQ((std::vector<uint32_t>{Le(b, at, 4), Le(b, at + 27, 2), Le(b, at + 29, 4)}),
              (std::vector<uint32_t>{263, 1, 40}));
    at += 263;
    EXPECT_LE(Le(b, at + 4, 4) + Le(b, at + 8, 4), Le(b, at, 4)) << "the loop inside the sample";
    EXPECT_TRUE(b.at(at + 14) & 16) << "16-bit";
    at += 40 + Le(b, at, 4);
  }
  EXPECT_EQ(at, b.size());
}

class DataMusic : public ::testing::TestWithParam<SongCase> {};

// Stable bytes: DataCheck.TheGeneratedTreePassesAndIsTheSameEveryRun.
TEST_P(DataMusic, WellFormed) {
  const TGenXmSong song = GetParam().compose();
  ExpectWellFormed(WriteXm(song), song);
}

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
