// WAV sounds: the header reader (the fixed 44-byte layout, recomputed fields, refused records) and the
// generated sound effects (stable bytes, the format the game plays, sensible levels and shapes).

#include "audio/l_wave.h"
#include "generators.h"
#include "support/test_env.h"
#include "support/wave_files.h"

namespace {

using S = std::vector<int16_t>;
using V = std::vector<int64_t>;

bool Parse(const std::vector<uint8_t>& bytes, TWaveData& out) { return ParseWave(bytes.data(), bytes.size(), out); }

// Tag, channels, rate, bits, block align, bytes a second, extra size and data length.
V Format(const TWaveData& w) {
  const PlatformWaveFormat& f = w.format;
  return {f.formatTag, f.channels, f.samplesPerSec, f.bitsPerSample, f.blockAlign, f.avgBytesPerSec, f.extraSize,
          w.length};
}

struct SoundCase {
  const char* file;
  double minSeconds, maxSeconds;
};

void PrintTo(const SoundCase& c, std::ostream* os) { *os << c.file; }

// Every sound the game loads, by the path it uses.
const SoundCase kSounds[] = {
    {"sounds/gun/start.wav", 0.8, 1.5},       {"sounds/gun/stop.wav", 0.8, 1.5},
    {"sounds/gun/fire.wav", 0.5, 2.0},        {"sounds/footsteps/dirt1.wav", 0.1, 0.4},
    {"sounds/footsteps/dirt2.wav", 0.1, 0.4}, {"sounds/ric.wav", 0.2, 0.8},
    {"sounds/spider/attack.wav", 0.2, 0.8},   {"sounds/spider/die.wav", 0.3, 1.0},
    {"sounds/zenit/fire.wav", 0.1, 0.6},      {"sounds/zenit/aim.wav", 0.2, 0.8},
};

double Rms(const S& s, size_t from, size_t to) {
  double sum = 0;
  for (size_t i = from; i < to; ++i) sum += double(s[i]) * s[i];
  return std::sqrt(sum / std::max<size_t>(1, to - from)) / 32768.0;
}

int Crossings(const S& s, size_t from, size_t to) {
  int n = 0;
  for (size_t i = from + 1; i < to; ++i) n += (s[i] >= 0) != (s[i - 1] >= 0);
  return n;
}

// One generation shared by the cases; the samples as the game's parser reads them.
class GeneratedSounds : public ::testing::TestWithParam<SoundCase> {
 protected:
  static void SetUpTestSuite() {
    dir_ = new ScratchDir;
    TGenOutput out;
    out.Root = dir_->Path();
    GenerateSounds(out);
    ASSERT_TRUE(out.Ok);
    written_ = out.Written;
  }
  static void TearDownTestSuite() { delete dir_; }
  static S Samples(const std::string& rel) {
    const std::vector<uint8_t> bytes = ReadBytes(dir_->File(rel));
    TWaveData w{};
    if (!ParseWave(bytes.data(), bytes.size(), w)) {
      ADD_FAILURE() << rel << " does not parse";
      return {};
    }
    // 3D sounds must be mono.
    EXPECT_EQ((std::vector<uint32_t>{w.format.channels, w.format.samplesPerSec, w.format.bitsPerSample}),
              (std::vector<uint32_t>{1, 44100, 16})) << rel;
    S s(w.length / 2);
    std::memcpy(s.data(), w.data, s.size() * 2);  // little-endian, as the machines the tests run on
    return s;
  }
  static inline ScratchDir* dir_ = nullptr;
  static inline std::vector<std::string> written_;
};

TEST_P(GeneratedSounds, PlayableAudibleAndUnclipped) {
  const SoundCase& c = GetParam();
  ASSERT_NE(std::find(written_.begin(), written_.end(), c.file), written_.end());
  const S s = Samples(c.file);
  ASSERT_FALSE(s.empty());
  EXPECT_GE(s.size() / 44100.0, c.minSeconds);
  EXPECT_LE(s.size() / 44100.0, c.maxSeconds);
  int peak = 0;
  for (int16_t v : s) peak = std::max(peak, std::abs(int(v)));
  EXPECT_LT(peak, 32767) << "clipped";
  EXPECT_GT(peak, 32767 / 4) << "too quiet to hear among the others";
  EXPECT_GT(Rms(s, 0, s.size()), 0.03);
}

INSTANTIATE_TEST_SUITE_P(All, GeneratedSounds, ::testing::ValuesIn(kSounds));

class GeneratedSoundShapes : public GeneratedSounds {};

TEST_F(GeneratedSoundShapes, EveryOneShotStartsAndEndsWithoutAClick) {
  for (const SoundCase& c : kSounds) {
    if (std::string(c.file) == "sounds/gun/fire.wav") continue;  // the loop, below
    const S s = Samples(c.file);
    ASSERT_GT(s.size(), 2u);
    EXPECT_LT(std::abs(int(s.front())), 200) << c.file;
    EXPECT_LT(std::abs(int(s.back())), 200) << c.file;
  }
}

// The loop's last sample leads into its first no harder than most neighbours do, and it
// holds whole shots at the gun's ten a second.
TEST_F(GeneratedSoundShapes, FireLoopJoinsItselfAndHoldsWholeShots) {
  const S s = Samples("sounds/gun/fire.wav");
  ASSERT_GT(s.size(), 4410u);
  EXPECT_EQ(s.size() % 4410, 0u) << "a multiple of the 100 ms between shots";
  std::vector<int> steps;
  for (size_t i = 1; i < s.size(); ++i) steps.push_back(std::abs(s[i] - s[i - 1]));
  std::sort(steps.begin(), steps.end());
  EXPECT_LE(std::abs(s.front() - s.back()), steps[steps.size() * 95 / 100]);
  for (size_t k = 0, p = 4410; k < s.size() / p; ++k)  // ten loud moments a second: the shots
    EXPECT_GT(Rms(s, k * p, k * p + 300), 1.5 * Rms(s, k * p + 2000, k * p + 4000)) << k;
}

// The spin-up grows from quiet to the fire loop's level and climbs in pitch (zero crossings per
// quarter); the spin-down fades away and falls.
TEST_F(GeneratedSoundShapes, SpinUpRisesAndSpinDownFalls) {
  const S up = Samples("sounds/gun/start.wav"), down = Samples("sounds/gun/stop.wav");
  ASSERT_FALSE(up.empty() || down.empty());
  const size_t q = up.size() / 4, r = down.size() / 4;
  EXPECT_GT(Rms(up, 3 * q, 4 * q), 3 * Rms(up, 0, q));
  EXPECT_GT(Rms(down, 0, r), 3 * Rms(down, 3 * r, 4 * r));
  EXPECT_GT(Crossings(up, 3 * q, 4 * q), 2 * Crossings(up, 0, q));
  EXPECT_GT(Crossings(down, 0, r), 2 * Crossings(down, 3 * r, 4 * r));
}

// The same bytes every run: DataCheck.TheGeneratedTreePassesAndIsTheSameEveryRun.
TEST_F(GeneratedSoundShapes, TheTwoStepsDiffer) {
  EXPECT_NE(ReadBytes(dir_->File("sounds/footsteps/dirt1.wav")), ReadBytes(dir_->File("sounds/footsteps/dirt2.wav")));
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
