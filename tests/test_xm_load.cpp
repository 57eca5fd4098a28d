// XM module loader: header rules, pattern unpacking, instruments, samples and damaged files.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "audio/xm_load.h"
#include "audio/xm_play.h"
#include "audio/xm_song.h"
#include "support/xm_builder.h"

namespace {

struct SongFreer {
  void operator()(TXmSong* song) const { SongFree(song); }
};
using Song = std::unique_ptr<TXmSong, SongFreer>;

Song Load(const XmModuleDef& def) { return Song(LoadXmBytes(BuildXm(def))); }

// A module with one pattern of the given rows (4 channels, as the header defaults say).
XmModuleDef OnePattern(int rows = 4) {
  XmModuleDef def;
  def.AddPattern(rows);
  return def;
}

bool CellsEmpty(const TXmSong* song, int pattern) {
  const TXmPattern& p = song->patterns[pattern];
  for (int i = 0; i < p.rows * song->channelCount * 5; ++i)
    if (p.cells[i]) return false;
  return true;
}

// The five bytes of a cell: note, instrument, volume, effect, parameter.
std::vector<int> CellAt(const TXmSong* song, int pattern, int row, int channel) {
  const uint8_t* c = song->patterns[pattern].cells + (row * song->channelCount + channel) * 5;
  return std::vector<int>(c, c + 5);
}

// Loop mode, start and length.
std::vector<uint32_t> Loop(const TXmSample* s) { return {s->loopMode, s->loopStart, s->loopLength}; }

bool ErrorSays(const char* words) { return std::string(XmLastLoadError()).find(words) != std::string::npos; }

}  // namespace

TEST(XmLoadHeader, SignatureIsAllThatIsChecked) {
  std::vector<uint8_t> bytes = BuildXm(OnePattern());
  bytes[58] = 0x77;  // version
  bytes[37] = 0;     // the 0x1A byte
  bytes[20] = 'Z';   // module name
  Song song(LoadXmBytes(bytes));
  ASSERT_NE(song, nullptr);
  EXPECT_EQ(song->channelCount, 4);
  EXPECT_EQ(song->defaultTempo, 6);
  EXPECT_EQ(song->defaultBpm, 125);
  EXPECT_EQ(XmLastLoadError()[0], 0);

  bytes[16] = '!';  // "Extended Module!"
  EXPECT_EQ(LoadXmBytes(bytes), nullptr);
  EXPECT_TRUE(ErrorSays("signature"));
  EXPECT_EQ(LoadXmBytes({}), nullptr);
  std::vector<uint8_t> onlySignature(bytes.begin(), bytes.begin() + 17);
  onlySignature[16] = ' ';
  // The signature alone is accepted, but then the file names no channels.
  EXPECT_EQ(LoadXmBytes(onlySignature), nullptr);
  EXPECT_TRUE(ErrorSays("no channels"));
}

TEST(XmLoadHeader, OrdersWithinTheSongLengthDecideThePatternSlots) {
  XmModuleDef def;
  for (int i = 0; i < 10; ++i) def.AddPattern(16);
  def.orders = {0, 40, 3, 200};
  def.songLengthOverride = 3;  // order 3's pattern 200 does not count
  Song song = Load(def);
  ASSERT_NE(song, nullptr);
  EXPECT_EQ(song->patternsUsed, 41);
  EXPECT_EQ(song->patternSlots, 41);
  EXPECT_EQ(song->orders[3], 200);
  EXPECT_EQ(song->patterns[9].rows, 16);
  for (int p = 10; p <= 40; ++p) {  // named but missing: empty slots
    EXPECT_EQ(song->patterns[p].rows, 64);
    EXPECT_TRUE(CellsEmpty(song.get(), p));
  }
}

TEST(XmLoadHeader, ChannelCountsTheVoicesCannotServeAreRefused) {
  XmModuleDef def;
  def.channels = 33;
  def.AddPattern(4);
  EXPECT_EQ(Load(def), nullptr);
  EXPECT_TRUE(ErrorSays("33 channels"));
  def.channels = 32;
  def.patterns.clear();
  def.AddPattern(4).At(3, 31).note = 50;
  Song song = Load(def);
  ASSERT_NE(song, nullptr);
  EXPECT_EQ(CellAt(song.get(), 0, 3, 31)[0], 50);
}

TEST(XmLoadHeader, SongLengthIsCutToTheOrderListAndRestartKeptInside) {
  XmModuleDef def = OnePattern();
  def.songLengthOverride = 300;
  def.restart = 5;
  Song song = Load(def);
  ASSERT_NE(song, nullptr);
  EXPECT_EQ(song->songLength, 256);
  EXPECT_EQ(song->restartPosition, 5);
  def.songLengthOverride = -1;  // length 1: restart 5 lies beyond it
  song = Load(def);
  ASSERT_NE(song, nullptr);
  EXPECT_EQ(song->restartPosition, 0);
}

TEST(XmLoadPatterns, PackedSizeZeroKeepsTheDeclaredRowsEmpty) {
  XmModuleDef def;
  def.AddPattern(32).At(0, 0).note = 49;
  def.AddPattern(8).At(7, 3) = XmCell{60, 1, 0x40, 0xC, 0x20};
  def.zeroPackedPatterns = {0};
  def.orders = {0, 1};
  Song song = Load(def);
  ASSERT_NE(song, nullptr);
  EXPECT_EQ(song->patterns[0].rows, 32);
  EXPECT_TRUE(CellsEmpty(song.get(), 0));
  EXPECT_EQ(CellAt(song.get(), 1, 7, 3), (std::vector<int>{60, 1, 0x40, 0xC, 0x20}));
}

TEST(XmLoadPatterns, KeyOffAndOutOfRangeInstrumentsInBothCellForms) {
  for (bool pack : {true, false}) {
    XmModuleDef def;
    def.packCells = pack;
    XmPatternDef& p = def.AddPattern(4);
    p.At(0, 0) = XmCell{97, 129, 0, 0, 0};
    p.At(1, 1) = XmCell{96, 128, 0x10, 0x0F, 0x03};
    p.At(2, 2) = XmCell{0, 255, 0, 0, 0};
    Song song = Load(def);
    ASSERT_NE(song, nullptr) << pack;
    EXPECT_EQ(CellAt(song.get(), 0, 0, 0), (std::vector<int>{255, 0, 0, 0, 0})) << pack;
    EXPECT_EQ(CellAt(song.get(), 0, 1, 1), (std::vector<int>{96, 128, 0x10, 0x0F, 0x03})) << pack;
    EXPECT_EQ(CellAt(song.get(), 0, 2, 2)[1], 0) << pack;
  }
}

TEST(XmLoadPatterns, ZeroOrTooManyRowsPlayAsSixtyFourEmptyRows) {
  XmModuleDef def;
  def.channels = 2;
  def.AddPattern(0);
  def.AddPattern(300).At(0, 0).note = 10;
  def.AddPattern(3).At(2, 1).note = 77;
  def.orders = {0, 1, 2};
  Song song = Load(def);
  ASSERT_NE(song, nullptr);
  for (int p : {0, 1}) {
    EXPECT_EQ(song->patterns[p].rows, 64);
    EXPECT_TRUE(CellsEmpty(song.get(), p));
  }
  // The oversized pattern's data was read past, so the next one is intact.
  EXPECT_EQ(song->patterns[2].rows, 3);
  EXPECT_EQ(CellAt(song.get(), 2, 2, 1)[0], 77);
}

TEST(XmLoadSamples, SixteenBitLengthsAreHalvedAndDeltasDecoded) {
  XmModuleDef def = OnePattern();
  std::vector<int16_t> wave(500);
  for (int i = 0; i < 500; ++i) wave[i] = static_cast<int16_t>(i * 131 - 30000);
  AddSimpleInstrument(def, wave, true, 1, 100, 300);
  Song song = Load(def);
  ASSERT_NE(song, nullptr);
  const TXmSample* s = song->instruments[0].samples[0];
  EXPECT_EQ(s->length, 500u);
  EXPECT_EQ(Loop(s), (std::vector<uint32_t>{2, 100, 300}));
  EXPECT_EQ(s->bits, 16);
  // Forward loop guard: the sample after the loop end repeats the loop start (a
  // forward loop never plays past its end, so the overwritten value is never heard).
  std::vector<int16_t> expect = wave;
  expect[400] = wave[100];
  EXPECT_EQ(std::vector<int16_t>(s->data, s->data + 500), expect);
}

TEST(XmLoadSamples, EightBitSamplesAreWidened) {
  XmModuleDef def = OnePattern();
  AddSimpleInstrument(def, {0, 1, -1, 127, -128, 5}, false);
  Song song = Load(def);
  ASSERT_NE(song, nullptr);
  const TXmSample* s = song->instruments[0].samples[0];
  EXPECT_EQ(s->length, 6u);
  EXPECT_EQ(s->bits, 16);
  EXPECT_EQ(Loop(s), (std::vector<uint32_t>{1, 0, 6}));
  // Then zeroed slack, which the interpolation may read.
  EXPECT_EQ(std::vector<int>(s->data, s->data + 14),
            (std::vector<int>{0, 256, -256, 32512, -32768, 1280, 0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST(XmLoadSamples, PingPongWinsAndGetsItsGuard) {
  XmModuleDef def = OnePattern();
  AddSimpleInstrument(def, {10, 20, 30, 40, 50, 60}, true, 3, 1, 3);
  Song song = Load(def);
  ASSERT_NE(song, nullptr);
  const TXmSample* s = song->instruments[0].samples[0];
  EXPECT_EQ(s->loopMode, 4);
  EXPECT_EQ(s->data[4], 40);  // guard at loop end = the sample before it
}

TEST(XmLoadSamples, LoopsBeyondTheSampleAreCutToIt) {
  XmModuleDef def = OnePattern();
  XmInstrumentDef& in = AddSimpleInstrument(def, FlatSample(100, 7), true, 1, 60, 1000);
  XmSampleDef beyond = in.samples[0];
  beyond.loopStart = 5000;
  beyond.loopLength = 10;
  in.samples.push_back(beyond);
  XmSampleDef empty = in.samples[0];  // loop length 0 means no loop
  empty.loopStart = 20;
  empty.loopLength = 0;
  in.samples.push_back(empty);
  Song song = Load(def);
  ASSERT_NE(song, nullptr);
  TXmSample* const* s = song->instruments[0].samples;
  EXPECT_EQ(Loop(s[0]), (std::vector<uint32_t>{2, 60, 40}));
  EXPECT_EQ(s[0]->data[100], 7);  // the guard lands in the slack, inside the buffer
  EXPECT_EQ(Loop(s[1]), (std::vector<uint32_t>{1, 0, 100}));
  EXPECT_EQ(Loop(s[2]), (std::vector<uint32_t>{1, 0, 100}));
}

TEST(XmLoadInstruments, SeventeenSamplesRefuseTheWholeModule) {
  XmModuleDef def = OnePattern();
  AddSimpleInstrument(def, FlatSample(10, 1), true);
  AddSimpleInstrument(def, FlatSample(10, 1), true).sampleCountOverride = 17;
  EXPECT_EQ(Load(def), nullptr);  // the sanitizer build checks nothing leaks
  EXPECT_TRUE(ErrorSays("instrument 2 has 17 samples"));
}

TEST(XmLoadInstruments, EnvelopesFadeoutAndEmptySlots) {
  XmModuleDef def = OnePattern();
  XmInstrumentDef& in = AddSimpleInstrument(def, FlatSample(10, 1), true);
  in.volume.points = {{0, 64}, {10, 32}, {20, 80}};
  in.volume.type = 7;
  in.volume.sustain = 1;
  in.volume.loopEnd = 2;
  in.panning.points = {{0, 32}};
  in.panning.type = 1;
  in.fadeout = 0x500;
  in.noteMap[40] = 15;
  def.AddInstrument();  // no samples at all
  Song song = Load(def);
  ASSERT_NE(song, nullptr);
  const TXmInstrument& a = song->instruments[0];
  EXPECT_EQ(a.sampleCount, 1);
  EXPECT_EQ(a.volCount, 3);
  EXPECT_EQ(a.volType, 7);
  EXPECT_EQ(a.volPoints[1].x, 10);
  EXPECT_EQ(a.volPoints[2].y, 64);  // values are kept within 0..64
  EXPECT_EQ(a.panType, 0);          // one point is no envelope
  EXPECT_EQ(a.fadeout, 0xA00);
  EXPECT_EQ(a.noteMap[40], 15);
  for (int k = 1; k < 16; ++k) EXPECT_EQ(a.samples[k], &XmEmptySample);
  const TXmInstrument& b = song->instruments[1];
  EXPECT_EQ(b.sampleCount, 0);
  for (int k = 0; k < 16; ++k) EXPECT_EQ(b.samples[k], &XmEmptySample);
}

TEST(XmLoadInstruments, EnvelopeCountsAndIndicesStayInsideTwelvePoints) {
  XmModuleDef def = OnePattern();
  XmInstrumentDef& in = AddSimpleInstrument(def, FlatSample(10, 1), true);
  in.volume.points = {{0, 64}, {10, 32}};
  in.volume.countOverride = 200;
  in.volume.type = 5;
  in.volume.loopStart = 40;
  in.volume.loopEnd = 1;
  Song song = Load(def);
  ASSERT_NE(song, nullptr);
  EXPECT_EQ(song->instruments[0].volCount, 12);
  EXPECT_EQ(song->instruments[0].volType, 1);  // the loop bit goes: its start is no point
}

TEST(XmLoadInstruments, HeaderSizesPointingOutsideTheFileAreHarmless) {
  XmModuleDef def = OnePattern();
  AddSimpleInstrument(def, FlatSample(10, 1), true).headerSizeOverride = 0xFFFFFFF0;
  AddSimpleInstrument(def, FlatSample(10, 1), true);
  Song song = Load(def);
  ASSERT_NE(song, nullptr);
  // The first header size sends the stream to the end: the second instrument reads as empty.
  EXPECT_EQ(song->instruments[0].samples[0]->length, 0u);
  EXPECT_EQ(song->instruments[1].sampleCount, 0);
}

TEST(XmLoadInstruments, CountsBeyondWhatCellsCanNameAreCut) {
  XmModuleDef def = OnePattern();
  AddSimpleInstrument(def, FlatSample(10, 1), true);
  def.instrumentCountOverride = 60000;
  Song song = Load(def);
  ASSERT_NE(song, nullptr);
  EXPECT_EQ(song->instrumentCount, 128);
  EXPECT_EQ(song->instruments[0].samples[0]->length, 10u);
  EXPECT_EQ(song->instruments[127].sampleCount, 0);
}

TEST(XmLoadDamage, SampleLengthsBeyondTheFileAreCutToIt) {
  XmModuleDef def = OnePattern();
  AddSimpleInstrument(def, FlatSample(100, 3), true, 1, 0, 100).samples[0].rawLength = 0xFFFFFFF0;
  Song song = Load(def);
  ASSERT_NE(song, nullptr);
  const TXmSample* s = song->instruments[0].samples[0];
  EXPECT_EQ(s->length, 100u);
  EXPECT_LE(s->loopStart + s->loopLength, s->length);
}

TEST(XmLoadDamage, EveryTruncationLoadsSafely) {
  XmModuleDef def;
  def.channels = 3;
  XmPatternDef& p = def.AddPattern(16);
  for (int r = 0; r < 16; ++r) p.At(r, r % 3) = XmCell{static_cast<uint8_t>(40 + r), 1, 0x30, 0xA, 0x21};
  def.AddPattern(4);
  def.orders = {0, 1};
  XmInstrumentDef& in = AddSimpleInstrument(def, FlatSample(64, 1000), true, 2, 8, 40);
  in.volume.points = {{0, 64}, {4, 20}};
  in.volume.type = 1;
  XmSampleDef second;
  second.data = FlatSample(32, 5);
  in.samples.push_back(second);
  const std::vector<uint8_t> full = BuildXm(def);
  for (size_t n = 0; n <= full.size(); ++n) {
    Song song(LoadXmBytes(std::vector<uint8_t>(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(n))));
    ASSERT_TRUE(n >= 17 || !song) << n;  // not even the signature
    if (!song) continue;                  // a header cut before the channel count
    for (int s = 0; s < song->patternSlots; ++s) ASSERT_GE(song->patterns[s].rows, 1);
    for (int i = 0; i < song->instrumentCount; ++i) {
      for (const TXmSample* smp : song->instruments[i].samples) {
        ASSERT_NE(smp, nullptr);
        ASSERT_LE(uint64_t{smp->loopStart} + smp->loopLength, smp->length);
      }
    }
    if (n == full.size() - 10) {
      // Cut inside the second sample's data: it keeps what the file holds.
      EXPECT_EQ(song->instruments[0].samples[1]->length, 22u);
    }
  }
}

TEST(XmLoadDamage, ValuesAShortFileNeverDeliveredAreZero) {
  std::vector<uint8_t> bytes = BuildXm(OnePattern());
  bytes.resize(60 + 4 + 6);  // up to the channel count
  Song song(LoadXmBytes(bytes));
  ASSERT_NE(song, nullptr);
  EXPECT_EQ(song->channelCount, 4);
  EXPECT_EQ(song->instrumentCount, 0);
  EXPECT_EQ(song->defaultTempo, 0);
  EXPECT_EQ(song->defaultBpm, 0);
  EXPECT_EQ(song->patternSlots, 1);  // order 0 names pattern 0
  EXPECT_EQ(song->patterns[0].rows, 64);
}
