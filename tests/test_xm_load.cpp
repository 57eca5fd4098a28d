// XM module loader: header rules, pattern unpacking, instruments, samples and damaged files.
#include <gtest/gtest.h>

#include "audio/xm_load.h"
#include "audio/xm_play.h"
#include "audio/xm_song.h"
#include "support/xm_builder.h"

static TXmSong* Load(const XmModuleDef& def) { return LoadXmBytes(BuildXm(def)); }

static bool CellsEmpty(const TXmSong* song, int pattern) {
  const TXmPattern& p = song->patterns[pattern];
  for (int i = 0; i < p.rows * song->channelCount * 5; ++i)
    if (p.cells[i]) return false;
  return true;
}

TEST(XmLoadHeader, SignatureIsAllThatIsChecked) {
  XmModuleDef def;
  def.AddPattern(4);
  std::vector<uint8_t> bytes = BuildXm(def);
  bytes[58] = 0x77;  // version
  bytes[37] = 0;     // the 0x1A byte
  bytes[20] = 'Z';   // module name
  TXmSong* song = LoadXmBytes(bytes);
  ASSERT_NE(song, nullptr);
  EXPECT_EQ(song->tick, &SongTick);
  EXPECT_EQ(song->initialGlobalVolume, 64);
  EXPECT_EQ(song->channelCount, 4);
  EXPECT_EQ(song->defaultTempo, 6);
  EXPECT_EQ(song->defaultBpm, 125);
  EXPECT_EQ(XmLastLoadError()[0], 0);
  SongFree(song);

  bytes[16] = '!';  // "Extended Module!"
  EXPECT_EQ(LoadXmBytes(bytes), nullptr);
  EXPECT_NE(std::string(XmLastLoadError()).find("signature"), std::string::npos);
  EXPECT_EQ(LoadXmBytes({}), nullptr);
  std::vector<uint8_t> onlySignature(bytes.begin(), bytes.begin() + 17);
  onlySignature[16] = ' ';
  // The signature alone is accepted, but then the file names no channels.
  EXPECT_EQ(LoadXmBytes(onlySignature), nullptr);
  EXPECT_NE(std::string(XmLastLoadError()).find("no channels"), std::string::npos);
}

TEST(XmLoadHeader, OrderListNamingMissingPatternsGetsEmptySlots) {
  XmModuleDef def;
  for (int i = 0; i < 10; ++i) def.AddPattern(16);
  def.orders = {0, 40, 3};
  TXmSong* song = Load(def);
  ASSERT_NE(song, nullptr);
  EXPECT_EQ(song->patternsUsed, 41);
  EXPECT_EQ(song->patternSlots, 41);
  EXPECT_EQ(song->patterns[9].rows, 16);
  for (int p = 10; p <= 40; ++p) {
    EXPECT_EQ(song->patterns[p].rows, 64);
    EXPECT_TRUE(CellsEmpty(song, p));
  }
  SongFree(song);
}

TEST(XmLoadHeader, OrdersBeyondTheSongLengthDoNotCount) {
  XmModuleDef def;
  def.AddPattern(8);
  def.AddPattern(8);
  def.orders = {0, 1, 200};
  def.songLengthOverride = 2;
  TXmSong* song = Load(def);
  ASSERT_NE(song, nullptr);
  EXPECT_EQ(song->patternsUsed, 2);
  EXPECT_EQ(song->patternSlots, 2);
  EXPECT_EQ(song->orders[2], 200);
  SongFree(song);
}

TEST(XmLoadHeader, ChannelCountsTheVoicesCannotServeAreRefused) {
  XmModuleDef def;
  def.channels = 33;
  def.AddPattern(4);
  EXPECT_EQ(Load(def), nullptr);
  EXPECT_NE(std::string(XmLastLoadError()).find("33 channels"), std::string::npos);
  def.channels = 0;
  def.patterns.clear();
  def.AddPattern(4);
  EXPECT_EQ(Load(def), nullptr);
  def.channels = 32;
  def.patterns.clear();
  def.AddPattern(4).At(3, 31).note = 50;
  TXmSong* song = Load(def);
  ASSERT_NE(song, nullptr);
  EXPECT_EQ(song->patterns[0].cells[(3 * 32 + 31) * 5], 50);
  SongFree(song);
}

TEST(XmLoadHeader, SongLengthIsCutToTheOrderListAndRestartKeptInside) {
  XmModuleDef def;
  def.AddPattern(4);
  def.orders = {0};
  def.songLengthOverride = 300;
  def.restart = 5;
  TXmSong* song = Load(def);
  ASSERT_NE(song, nullptr);
  EXPECT_EQ(song->songLength, 256);
  EXPECT_EQ(song->restartPosition, 5);
  SongFree(song);
  def.songLengthOverride = -1;  // length 1: restart 5 lies beyond it
  song = Load(def);
  ASSERT_NE(song, nullptr);
  EXPECT_EQ(song->restartPosition, 0);
  SongFree(song);
}

TEST(XmLoadPatterns, PackedSizeZeroKeepsTheDeclaredRowsEmpty) {
  XmModuleDef def;
  def.AddPattern(32).At(0, 0).note = 49;
  def.AddPattern(8).At(7, 3) = XmCell{60, 1, 0x40, 0xC, 0x20};
  def.zeroPackedPatterns = {0};
  def.orders = {0, 1};
  TXmSong* song = Load(def);
  ASSERT_NE(song, nullptr);
  EXPECT_EQ(song->patterns[0].rows, 32);
  EXPECT_TRUE(CellsEmpty(song, 0));
  const uint8_t* c = song->patterns[1].cells + (7 * 4 + 3) * 5;
  EXPECT_EQ(c[0], 60);
  EXPECT_EQ(c[1], 1);
  EXPECT_EQ(c[2], 0x40);
  EXPECT_EQ(c[3], 0xC);
  EXPECT_EQ(c[4], 0x20);
  SongFree(song);
}

TEST(XmLoadPatterns, KeyOffAndOutOfRangeInstrumentsInBothCellForms) {
  for (bool pack : {true, false}) {
    XmModuleDef def;
    def.packCells = pack;
    XmPatternDef& p = def.AddPattern(4);
    p.At(0, 0) = XmCell{97, 129, 0, 0, 0};
    p.At(1, 1) = XmCell{96, 128, 0x10, 0x0F, 0x03};
    p.At(2, 2) = XmCell{0, 255, 0, 0, 0};
    TXmSong* song = Load(def);
    ASSERT_NE(song, nullptr) << pack;
    const uint8_t* cells = song->patterns[0].cells;
    EXPECT_EQ(cells[0], 255);
    EXPECT_EQ(cells[1], 0);
    EXPECT_EQ(cells[(1 * 4 + 1) * 5 + 0], 96);
    EXPECT_EQ(cells[(1 * 4 + 1) * 5 + 1], 128);
    EXPECT_EQ(cells[(1 * 4 + 1) * 5 + 4], 3);
    EXPECT_EQ(cells[(2 * 4 + 2) * 5 + 1], 0);
    SongFree(song);
  }
}

TEST(XmLoadPatterns, ZeroOrTooManyRowsPlayAsSixtyFourEmptyRows) {
  XmModuleDef def;
  def.channels = 2;
  def.AddPattern(0);
  XmPatternDef& big = def.AddPattern(300);
  big.At(0, 0).note = 10;
  def.AddPattern(3).At(2, 1).note = 77;
  def.orders = {0, 1, 2};
  TXmSong* song = Load(def);
  ASSERT_NE(song, nullptr);
  EXPECT_EQ(song->patterns[0].rows, 64);
  EXPECT_EQ(song->patterns[1].rows, 64);
  EXPECT_TRUE(CellsEmpty(song, 0));
  EXPECT_TRUE(CellsEmpty(song, 1));
  // The oversized pattern's data was read past, so the next one is intact.
  EXPECT_EQ(song->patterns[2].rows, 3);
  EXPECT_EQ(song->patterns[2].cells[(2 * 2 + 1) * 5], 77);
  SongFree(song);
}

TEST(XmLoadSamples, SixteenBitLengthsAreHalvedAndDeltasDecoded) {
  XmModuleDef def;
  def.AddPattern(4);
  std::vector<int16_t> wave(500);
  for (int i = 0; i < 500; ++i) wave[i] = static_cast<int16_t>(i * 131 - 30000);
  AddSimpleInstrument(def, wave, true, 1, 100, 300);
  TXmSong* song = Load(def);
  ASSERT_NE(song, nullptr);
  const TXmSample* s = song->instruments[0].samples[0];
  EXPECT_EQ(s->length, 500u);
  EXPECT_EQ(s->loopStart, 100u);
  EXPECT_EQ(s->loopLength, 300u);
  EXPECT_EQ(s->bits, 16);
  EXPECT_EQ(s->loopMode, 2);
  for (int i = 0; i < 500; ++i) {
    if (i == 400) continue;
    ASSERT_EQ(s->data[i], wave[i]) << i;
  }
  // Forward loop guard: the sample after the loop end repeats the loop start (a
  // forward loop never plays past its end, so the overwritten value is never heard).
  EXPECT_EQ(s->data[400], wave[100]);
  SongFree(song);
}

TEST(XmLoadSamples, EightBitSamplesAreWidened) {
  XmModuleDef def;
  def.AddPattern(4);
  AddSimpleInstrument(def, {0, 1, -1, 127, -128, 5}, false);
  TXmSong* song = Load(def);
  ASSERT_NE(song, nullptr);
  const TXmSample* s = song->instruments[0].samples[0];
  EXPECT_EQ(s->length, 6u);
  EXPECT_EQ(s->bits, 16);
  EXPECT_EQ(s->loopMode, 1);
  EXPECT_EQ(s->loopStart, 0u);
  EXPECT_EQ(s->loopLength, 6u);
  const int16_t expect[6] = {0, 256, -256, 32512, -32768, 1280};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(s->data[i], expect[i]);
  for (int i = 6; i < 14; ++i) EXPECT_EQ(s->data[i], 0);  // zeroed slack
  SongFree(song);
}

TEST(XmLoadSamples, PingPongWinsAndGetsItsGuard) {
  XmModuleDef def;
  def.AddPattern(4);
  AddSimpleInstrument(def, {10, 20, 30, 40, 50, 60}, true, 3, 1, 3);
  TXmSong* song = Load(def);
  ASSERT_NE(song, nullptr);
  const TXmSample* s = song->instruments[0].samples[0];
  EXPECT_EQ(s->loopMode, 4);
  EXPECT_EQ(s->data[4], 40);  // guard at loop end = the sample before it
  SongFree(song);
}

TEST(XmLoadSamples, LoopsBeyondTheSampleAreCutToIt) {
  XmModuleDef def;
  def.AddPattern(4);
  XmInstrumentDef& in = AddSimpleInstrument(def, FlatSample(100, 7), true, 1, 60, 1000);
  XmSampleDef beyond = in.samples[0];
  beyond.loopStart = 5000;
  beyond.loopLength = 10;
  in.samples.push_back(beyond);
  XmSampleDef empty = in.samples[0];  // loop length 0 means no loop
  empty.loopStart = 20;
  empty.loopLength = 0;
  in.samples.push_back(empty);
  TXmSong* song = Load(def);
  ASSERT_NE(song, nullptr);
  const TXmSample* cut = song->instruments[0].samples[0];
  EXPECT_EQ(cut->loopMode, 2);
  EXPECT_EQ(cut->loopStart, 60u);
  EXPECT_EQ(cut->loopLength, 40u);
  EXPECT_EQ(cut->data[100], 7);  // the guard lands in the slack, inside the buffer
  const TXmSample* off = song->instruments[0].samples[1];
  EXPECT_EQ(off->loopMode, 1);
  EXPECT_EQ(off->loopStart, 0u);
  EXPECT_EQ(off->loopLength, 100u);
  const TXmSample* none = song->instruments[0].samples[2];
  EXPECT_EQ(none->loopMode, 1);
  EXPECT_EQ(none->loopStart, 0u);
  EXPECT_EQ(none->loopLength, 100u);
  SongFree(song);
}

TEST(XmLoadInstruments, SeventeenSamplesRefuseTheWholeModule) {
  XmModuleDef def;
  def.AddPattern(4);
  AddSimpleInstrument(def, FlatSample(10, 1), true);
  XmInstrumentDef& bad = AddSimpleInstrument(def, FlatSample(10, 1), true);
  bad.sampleCountOverride = 17;
  EXPECT_EQ(Load(def), nullptr);  // the sanitizer build checks nothing leaks
  EXPECT_NE(std::string(XmLastLoadError()).find("instrument 2 has 17 samples"), std::string::npos);
}

TEST(XmLoadInstruments, EnvelopesFadeoutAndEmptySlots) {
  XmModuleDef def;
  def.AddPattern(4);
  XmInstrumentDef& in = AddSimpleInstrument(def, FlatSample(10, 1), true);
  in.volume.points = {{0, 64}, {10, 32}, {20, 80}};
  in.volume.type = 7;
  in.volume.sustain = 1;
  in.volume.loopStart = 0;
  in.volume.loopEnd = 2;
  in.panning.points = {{0, 32}};
  in.panning.type = 1;
  in.fadeout = 0x500;
  in.noteMap[40] = 15;
  def.AddInstrument();  // no samples at all
  TXmSong* song = Load(def);
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
  SongFree(song);
}

TEST(XmLoadInstruments, EnvelopeCountsAndIndicesStayInsideTwelvePoints) {
  XmModuleDef def;
  def.AddPattern(4);
  XmInstrumentDef& in = AddSimpleInstrument(def, FlatSample(10, 1), true);
  in.volume.points = {{0, 64}, {10, 32}};
  in.volume.countOverride = 200;
  in.volume.type = 5;
  in.volume.loopStart = 40;
  in.volume.loopEnd = 1;
  TXmSong* song = Load(def);
  ASSERT_NE(song, nullptr);
  EXPECT_EQ(song->instruments[0].volCount, 12);
  EXPECT_EQ(song->instruments[0].volType, 1);  // the loop bit goes: its start is no point
  SongFree(song);
}

TEST(XmLoadInstruments, HeaderSizesPointingOutsideTheFileAreHarmless) {
  XmModuleDef def;
  def.AddPattern(4);
  AddSimpleInstrument(def, FlatSample(10, 1), true).headerSizeOverride = 0xFFFFFFF0;
  AddSimpleInstrument(def, FlatSample(10, 1), true);
  TXmSong* song = Load(def);
  ASSERT_NE(song, nullptr);
  // The first header size sends the stream to the end: the second instrument reads as empty.
  EXPECT_EQ(song->instruments[0].samples[0]->length, 0u);
  EXPECT_EQ(song->instruments[1].sampleCount, 0);
  SongFree(song);
}

TEST(XmLoadInstruments, CountsBeyondWhatCellsCanNameAreCut) {
  XmModuleDef def;
  def.AddPattern(4);
  AddSimpleInstrument(def, FlatSample(10, 1), true);
  def.instrumentCountOverride = 60000;
  TXmSong* song = Load(def);
  ASSERT_NE(song, nullptr);
  EXPECT_EQ(song->instrumentCount, 128);
  EXPECT_EQ(song->instruments[0].samples[0]->length, 10u);
  EXPECT_EQ(song->instruments[127].sampleCount, 0);
  SongFree(song);
}

TEST(XmLoadDamage, SampleLengthsBeyondTheFileAreCutToIt) {
  XmModuleDef def;
  def.AddPattern(4);
  XmInstrumentDef& in = AddSimpleInstrument(def, FlatSample(100, 3), true, 1, 0, 100);
  in.samples[0].rawLength = 0xFFFFFFF0;
  TXmSong* song = Load(def);
  ASSERT_NE(song, nullptr);
  const TXmSample* s = song->instruments[0].samples[0];
  EXPECT_EQ(s->length, 100u);
  EXPECT_LE(s->loopStart + s->loopLength, s->length);
  SongFree(song);
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
    std::vector<uint8_t> cut(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(n));
    TXmSong* song = LoadXmBytes(cut);
    if (n < 17) {
      ASSERT_EQ(song, nullptr);
      continue;
    }
    if (!song) continue;  // a header cut before the channel count
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
    SongFree(song);
  }
}

TEST(XmLoadDamage, ValuesAShortFileNeverDeliveredAreZero) {
  XmModuleDef def;
  def.AddPattern(4);
  std::vector<uint8_t> bytes = BuildXm(def);
  bytes.resize(60 + 4 + 6);  // up to the channel count
  TXmSong* song = LoadXmBytes(bytes);
  ASSERT_NE(song, nullptr);
  EXPECT_EQ(song->channelCount, 4);
  EXPECT_EQ(song->instrumentCount, 0);
  EXPECT_EQ(song->defaultTempo, 0);
  EXPECT_EQ(song->defaultBpm, 0);
  EXPECT_EQ(song->patternSlots, 1);  // order 0 names pattern 0
  EXPECT_EQ(song->patterns[0].rows, 64);
  SongFree(song);
}
