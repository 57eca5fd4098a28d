// The generated sound effects: stable bytes, the format the game plays, sensible levels and shapes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "audio/l_sound.h"
#include "audio/l_wave.h"
#include "generators.h"
#include "support/test_env.h"

namespace {

using S = std::vector<int16_t>;

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

TEST_F(GeneratedSoundShapes, TheSameBytesEveryRunAndTheTwoStepsDiffer) {
  ScratchDir other;
  TGenOutput out;
  out.Root = other.Path();
  GenerateSounds(out);
  ASSERT_EQ(out.Written, written_);
  for (const std::string& rel : written_) EXPECT_EQ(ReadBytes(other.File(rel)), ReadBytes(dir_->File(rel))) << rel;
  EXPECT_NE(ReadBytes(dir_->File("sounds/footsteps/dirt1.wav")), ReadBytes(dir_->File("sounds/footsteps/dirt2.wav")));
}

// The sound module takes every file as a positional sample.
TEST_F(GeneratedSoundShapes, TheSoundModuleLoadsEachAsA3DSample) {
  if (!InitSound()) GTEST_SKIP() << "no OpenAL device (the tests use its null output)";
  for (const SoundCase& c : kSounds) {
    const int32_t id = LoadSample(dir_->File(c.file));
    EXPECT_GT(id, 0) << c.file;
    EXPECT_GE(PlaySample(id, false, {0, 0, 0}), 0) << c.file;
  }
  ShutdownSound();
}

}  // namespace
