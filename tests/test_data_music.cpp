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
  EXPECT_EQ(b[37], 0x1A);
  EXPECT_EQ(Le(b, 58, 2), 0x0104u);
  EXPECT_EQ(Le(b, 60, 4), 276u);
  EXPECT_EQ(Le(b, 64, 2), song.Orders.size());
  EXPECT_EQ(Le(b, 68, 2), static_cast<uint32_t>(song.Channels));
  EXPECT_EQ(Le(b, 74, 2) & 1, 1u) << "linear frequencies";
  const uint32_t channels = Le(b, 68, 2);
  size_t at = 336;
  for (uint32_t p = 0; p < Le(b, 70, 2); ++p) {
    ASSERT_EQ(Le(b, at, 4), 9u);
    const uint32_t rows = Le(b, at + 5, 2), packed = Le(b, at + 7, 2);
    size_t cell = at + 9, end = cell + packed, cells = 0;
    while (cell < end) {  // every cell decodes and the count matches rows x channels
      const uint8_t m = b.at(cell);
      cell += (m & 0x80) ? 1 + __builtin_popcount(m & 0x1F) : 5;
      ++cells;
    }
    EXPECT_EQ(cell, end);
    EXPECT_EQ(cells, rows * channels) << "pattern " << p;
    at = end;
  }
  for (uint32_t i = 0; i < Le(b, 72, 2); ++i) {
    ASSERT_EQ(Le(b, at, 4), 263u);
    ASSERT_EQ(Le(b, at + 27, 2), 1u);
    ASSERT_EQ(Le(b, at + 29, 4), 40u);
    at += 263;
    const uint32_t bytes = Le(b, at, 4), loopStart = Le(b, at + 4, 4), loopLength = Le(b, at + 8, 4);
    EXPECT_LE(loopStart + loopLength, bytes);
    EXPECT_TRUE(b.at(at + 14) & 16) << "16-bit";
    at += 40 + bytes;
  }
  EXPECT_EQ(at, b.size());
}

std::set<int> EffectsUsed(const TGenXmSong& song) {
  std::set<int> used;
  for (const TGenXmPattern& p : song.Patterns)
    for (const TGenXmCell& c : p.Cells) {
      if (c.Effect == xm::Extended) used.insert(0xE0 | (c.Param >> 4));
      else if (c.Effect || c.Param) used.insert(c.Effect);
      if (c.Volume >= 0x60 && c.Volume < 0x80) used.insert(0x100);  // volume column slide
    }
  return used;
}

class DataMusic : public ::testing::TestWithParam<SongCase> {};

TEST_P(DataMusic, BytesAreStableAndWellFormed) {
  const SongCase& c = GetParam();
  const TGenXmSong song = c.compose();
  const std::vector<uint8_t> bytes = WriteXm(song);
  EXPECT_EQ(bytes, WriteXm(c.compose()));
  ExpectWellFormed(bytes, song);
}

TEST_P(DataMusic, UsesTheWholeRangeOfEffects) {
  const std::set<int> used = EffectsUsed(GetParam().compose());
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
  const double seconds = r.frames / 44100.0;
  EXPECT_GE(seconds, c.minSeconds);
  EXPECT_LT(seconds, c.minSeconds + 60);
  // One pass: from the first order to the last, which jumps back.
  ASSERT_FALSE(r.rows.empty());
  EXPECT_EQ(r.rows.front().order, 0);
  EXPECT_EQ(r.rows.back().order, static_cast<int>(c.compose().Orders.size()) - 1);

  size_t clipped = 0;
  for (int16_t v : r.pcm) clipped += (v == 32767 || v == -32768);
  EXPECT_EQ(clipped, 0u);
  for (size_t s = 0; s + 1 < r.frames / 44100; ++s) {  // no silent second
    double sum = 0;
    for (size_t i = s * 88200; i < (s + 1) * 88200; ++i) sum += double(r.pcm[i]) * r.pcm[i];
    EXPECT_GT(std::sqrt(sum / 88200), 500.0) << "second " << s;
  }
}

INSTANTIATE_TEST_SUITE_P(Songs, DataMusic, ::testing::ValuesIn(kSongs),
                         [](const auto& info) { return std::string(info.param.compose == ComposeMenuSong ? "Menu" : "Game"); });

TEST(DataMusicSet, TogetherTheSongsUseSixKindsOfInstrument) {
  std::set<std::string> names;
  for (const SongCase& c : kSongs)
    for (const TGenXmInstrument& in : c.compose().Instruments) names.insert(in.Name);
  EXPECT_GE(names.size(), 6u);
  for (const char* kind : {"kick", "snare", "hat", "lead", "bell", "arp"}) EXPECT_TRUE(names.count(kind)) << kind;
}

}  // namespace
