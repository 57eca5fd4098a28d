// WAV header reading: the fixed 44-byte layout, recomputed fields and refused records.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "audio/l_wave.h"
#include "support/wave_files.h"

static bool Parse(const std::vector<uint8_t>& bytes, TWaveData& out) { return ParseWave(bytes.data(), bytes.size(), out); }

TEST(WaveHeader, ReadsFormatAndRecomputesDerivedFields) {
  std::vector<uint8_t> file = MakeWave({.rate = 22050}, std::vector<uint8_t>(100, 0x55));
  TWaveData w;
  ASSERT_TRUE(Parse(file, w));
  EXPECT_EQ(w.format.formatTag, 1);
  EXPECT_EQ(w.format.channels, 1);
  EXPECT_EQ(w.format.samplesPerSec, 22050u);
  EXPECT_EQ(w.format.bitsPerSample, 16);
  // The stored 7 and 12345 are ignored.
  EXPECT_EQ(w.format.blockAlign, 2);
  EXPECT_EQ(w.format.avgBytesPerSec, 44100u);
  EXPECT_EQ(w.length, 100u);
  EXPECT_EQ(w.data, file.data() + 44);
}

TEST(WaveHeader, StereoAndTagArePassedOnAsRead) {
  std::vector<uint8_t> file = MakeWave({.formatTag = 3, .channels = 2, .bits = 24}, std::vector<uint8_t>(12, 0));
  TWaveData w;
  ASSERT_TRUE(Parse(file, w));
  EXPECT_EQ(w.format.formatTag, 3);
  EXPECT_EQ(w.format.channels, 2);
  EXPECT_EQ(w.format.blockAlign, 6);
  EXPECT_EQ(w.format.avgBytesPerSec, 6u * 44100u);
  // The two bytes after the 16-byte record (here the "da" of "data") are the extra size.
  EXPECT_EQ(w.format.extraSize, 'd' | ('a' << 8));
}

TEST(WaveHeader, ChunksAreNotWalked) {
  std::vector<uint8_t> file = MakeWave(WaveLayout{}, std::vector<uint8_t>(8, 1));
  std::memcpy(&file[12], "LIST", 4);
  std::memcpy(&file[16], "\xff\xff\xff\xff", 4);
  std::memcpy(&file[36], "junk", 4);
  std::memcpy(&file[4], "\0\0\0\0", 4);
  TWaveData w;
  ASSERT_TRUE(Parse(file, w));
  EXPECT_EQ(w.length, 8u);
}

TEST(WaveHeader, TheDataLengthMayFallShortOfTheFileButNotPastIt) {
  const struct {
    size_t bytes;
    uint32_t length;
    bool ok;
  } cases[] = {{100, 4, true}, {0, 0, true}, {64, 64, true}, {64, 65, false}, {64, 0xFFFFFFFFu, false}};
  for (const auto& c : cases) {
    TWaveData w;
    const bool ok = Parse(MakeWave({.overrideLength = true, .length = c.length}, std::vector<uint8_t>(c.bytes)), w);
    EXPECT_EQ(ok, c.ok) << c.bytes << " " << c.length;
    EXPECT_TRUE(!ok || w.length == c.length) << w.length;
  }
}

TEST(WaveHeader, RefusesDamagedHeaders) {
  TWaveData w;
  std::vector<uint8_t> good = MakeWave(WaveLayout{}, std::vector<uint8_t>(16, 0));
  ASSERT_TRUE(Parse(good, w));
  EXPECT_FALSE(ParseWave(nullptr, 0, w));
  for (size_t n = 0; n < 44; n++) EXPECT_FALSE(ParseWave(good.data(), n, w)) << "shorter than the header: " << n;
  std::vector<uint8_t> bad = good;
  bad[0] = 'r';
  EXPECT_FALSE(Parse(bad, w)) << "RIFF is case-sensitive";
  bad = good;
  bad[11] = 'X';
  EXPECT_FALSE(Parse(bad, w)) << "WAVE magic";
}

TEST(WaveHeader, RefusesNonsenseFormatRecords) {
  // Below 8 bits, not whole bytes, no channels, no rate, and a block align beyond 16 bits
  // (8191 bytes a sample, 9 channels); with 8 channels 65528 still fits.
  const struct {
    WaveLayout layout;
    bool ok;
  } cases[] = {{{.bits = 4}, false},    {{.bits = 0}, false},
               {{.bits = 12}, false},   {{.channels = 0}, false},
               {{.rate = 0}, false},    {{.channels = 9, .bits = 65528}, false},
               {{.channels = 8, .bits = 65528}, true}};
  for (const auto& c : cases) {
    TWaveData w;
    EXPECT_EQ(Parse(MakeWave(c.layout, std::vector<uint8_t>(64, 0)), w), c.ok)
        << c.layout.bits << " bits, " << c.layout.channels << " channels, " << c.layout.rate << " Hz";
  }
}
