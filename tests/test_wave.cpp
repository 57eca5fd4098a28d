// WAV header reading: the fixed 44-byte layout, recomputed fields and refused records.
#include <gtest/gtest.h>

#include <cstring>

#include "audio/l_wave.h"
#include "support/wave_files.h"

static bool Parse(const std::vector<uint8_t>& bytes, TWaveData& out) { return ParseWave(bytes.data(), bytes.size(), out); }

TEST(WaveHeader, ReadsFormatAndRecomputesDerivedFields) {
  WaveLayout layout;
  layout.rate = 22050;
  std::vector<uint8_t> data(100, 0x55);
  std::vector<uint8_t> file = MakeWave(layout, data);
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
  WaveLayout layout;
  layout.channels = 2;
  layout.formatTag = 3;
  layout.bits = 24;
  std::vector<uint8_t> file = MakeWave(layout, std::vector<uint8_t>(12, 0));
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

TEST(WaveHeader, DataMayBeShorterThanTheFile) {
  WaveLayout layout;
  layout.overrideLength = true;
  layout.length = 4;
  std::vector<uint8_t> file = MakeWave(layout, std::vector<uint8_t>(100, 0));
  TWaveData w;
  ASSERT_TRUE(Parse(file, w));
  EXPECT_EQ(w.length, 4u);
  layout.length = 0;
  ASSERT_TRUE(Parse(MakeWave(layout, {}), w));
  EXPECT_EQ(w.length, 0u);
}

TEST(WaveHeader, RefusesDamagedHeaders) {
  TWaveData w;
  std::vector<uint8_t> good = MakeWave(WaveLayout{}, std::vector<uint8_t>(16, 0));
  ASSERT_TRUE(Parse(good, w));

  EXPECT_FALSE(ParseWave(nullptr, 0, w));
  EXPECT_FALSE(ParseWave(good.data(), 43, w)) << "shorter than the header";
  for (size_t n = 0; n < 44; n++) EXPECT_FALSE(ParseWave(good.data(), n, w));

  std::vector<uint8_t> bad = good;
  bad[0] = 'r';
  EXPECT_FALSE(Parse(bad, w)) << "RIFF is case-sensitive";
  bad = good;
  bad[11] = 'X';
  EXPECT_FALSE(Parse(bad, w)) << "WAVE magic";
}

TEST(WaveHeader, RefusesNonsenseFormatRecords) {
  TWaveData w;
  auto refused = [&](WaveLayout s) { return !Parse(MakeWave(s, std::vector<uint8_t>(64, 0)), w); };
  WaveLayout s;
  s.bits = 4;
  EXPECT_TRUE(refused(s)) << "below 8 bits";
  s.bits = 0;
  EXPECT_TRUE(refused(s));
  s.bits = 12;
  EXPECT_TRUE(refused(s)) << "not whole bytes";
  s = WaveLayout{};
  s.channels = 0;
  EXPECT_TRUE(refused(s));
  s = WaveLayout{};
  s.rate = 0;
  EXPECT_TRUE(refused(s));
  s = WaveLayout{};
  s.bits = 65528;  // 8191 bytes a sample
  s.channels = 9;
  EXPECT_TRUE(refused(s)) << "block align beyond 16 bits";
  s.channels = 8;
  EXPECT_FALSE(refused(s)) << "65528 still fits";
}

TEST(WaveHeader, RefusesLengthsPastTheEnd) {
  TWaveData w;
  WaveLayout s;
  s.overrideLength = true;
  s.length = 65;
  EXPECT_FALSE(Parse(MakeWave(s, std::vector<uint8_t>(64, 0)), w));
  s.length = 0xFFFFFFFFu;
  EXPECT_FALSE(Parse(MakeWave(s, std::vector<uint8_t>(64, 0)), w)) << "huge length";
  s.length = 64;
  EXPECT_TRUE(Parse(MakeWave(s, std::vector<uint8_t>(64, 0)), w));
}
