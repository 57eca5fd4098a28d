// WAV header reading: the fixed 44-byte layout, recomputed fields and refused records.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "audio/l_wave.h"
#include "support/wave_files.h"

namespace {

using V = std::vector<int64_t>;

bool Parse(const std::vector<uint8_t>& bytes, TWaveData& out) { return ParseWave(bytes.data(), bytes.size(), out); }

// Tag, channels, rate, bits, block align, bytes a second, extra size and data length.
V Format(const TWaveData& w) {
  const PlatformWaveFormat& f = w.format;
  return {f.formatTag, f.channels, f.samplesPerSec, f.bitsPerSample, f.blockAlign, f.avgBytesPerSec, f.extraSize,
          w.length};
}

}  // namespace

// The stored block align 7 and 12345 bytes a second are recomputed; stereo and the tag are passed on as read,
// and the two bytes after the 16-byte record (the "da" of "data") are the extra size.
TEST(WaveHeader, ReadsFormatAndRecomputesDerivedFields) {
  const std::vector<uint8_t> mono = MakeWave({.rate = 22050}, std::vector<uint8_t>(100, 0x55));
  const std::vector<uint8_t> wide = MakeWave({.formatTag = 3, .channels = 2, .bits = 24}, std::vector<uint8_t>(12));
  TWaveData w, s;
  ASSERT_TRUE(Parse(mono, w));
  ASSERT_TRUE(Parse(wide, s));
  EXPECT_EQ(Format(w), (V{1, 1, 22050, 16, 2, 44100, 'd' | ('a' << 8), 100}));
  EXPECT_EQ(w.data, mono.data() + 44);
  EXPECT_EQ(Format(s), (V{3, 2, 44100, 24, 6, 6 * 44100, 'd' | ('a' << 8), 12}));
}

TEST(WaveHeader, ChunksAreNotWalked) {
  std::vector<uint8_t> file = MakeWave(WaveLayout{}, std::vector<uint8_t>(8, 1));
  std::memcpy(&file[12], "LIST\xff\xff\xff\xff", 8);
  std::memcpy(&file[36], "junk", 4);
  std::memcpy(&file[4], "\0\0\0\0", 4);
  TWaveData w;
  ASSERT_TRUE(Parse(file, w));
  EXPECT_EQ(w.length, 8u);
}

TEST(WaveHeader, TheDataLengthMayFallShortOfTheFileButNotPastIt) {
  const struct { size_t bytes; uint32_t length; bool ok; } cases[] = {
      {100, 4, true}, {0, 0, true}, {64, 64, true}, {64, 65, false}, {64, 0xFFFFFFFFu, false}};
  for (const auto& c : cases) {
    TWaveData w;
    const bool ok = Parse(MakeWave({.overrideLength = true, .length = c.length}, std::vector<uint8_t>(c.bytes)), w);
    EXPECT_EQ(ok, c.ok) << c.bytes << " " << c.length;
    EXPECT_TRUE(!ok || w.length == c.length) << w.length;
  }
}

TEST(WaveHeader, RefusesDamagedHeadersAndNonsenseFormatRecords) {
  TWaveData w;
  const std::vector<uint8_t> good = MakeWave(WaveLayout{}, std::vector<uint8_t>(16, 0));
  ASSERT_TRUE(Parse(good, w));
  EXPECT_FALSE(ParseWave(nullptr, 0, w));
  for (size_t n = 0; n < 44; n++) EXPECT_FALSE(ParseWave(good.data(), n, w)) << "shorter than the header: " << n;
  for (size_t at : {0, 11}) {  // "RIFF" is case-sensitive; the WAVE magic
    std::vector<uint8_t> bad = good;
    bad[at] = at ? 'X' : 'r';
    EXPECT_FALSE(Parse(bad, w)) << at;
  }
  // Below 8 bits, not whole bytes, no channels, no rate, and a block align beyond 16 bits
  // (8191 bytes a sample, 9 channels); with 8 channels 65528 still fits.
  const struct { WaveLayout layout; bool ok; } cases[] = {
      {{.bits = 4}, false}, {{.bits = 0}, false}, {{.bits = 12}, false}, {{.channels = 0}, false},
      {{.rate = 0}, false}, {{.channels = 9, .bits = 65528}, false}, {{.channels = 8, .bits = 65528}, true}};
  for (const auto& c : cases)
    EXPECT_EQ(Parse(MakeWave(c.layout, std::vector<uint8_t>(64, 0)), w), c.ok)
        << c.layout.bits << " bits, " << c.layout.channels << " channels, " << c.layout.rate << " Hz";
}
