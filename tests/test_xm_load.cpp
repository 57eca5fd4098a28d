// XM module loader and its file access: header rules, patterns, instruments, samples, damaged files, streams.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "audio/xm_file.h"
#include "audio/xm_load.h"
#include "support/test_env.h"
#include "support/xm_builder.h"

namespace {

struct SongFreer {
  void operator()(TXmSong* song) const { SongFree(song); }
};
using Song = std::unique_ptr<TXmSong, SongFreer>;
using V = std::vector<int64_t>;

Song Load(const XmModuleDef& def) { return Song(LoadXmBytes(BuildXm(def))); }

// A module with one pattern of the given rows (4 channels, as the header defaults say).
XmModuleDef OnePattern(int rows = 4) {
  XmModuleDef def;
  def.AddPattern(rows);
  return def;
}

bool CellsEmpty(const TXmSong* song, int pattern) {
  const TXmPattern& p = song->patterns[pattern];
  return std::all_of(p.cells, p.cells + p.rows * song->channelCount * 5, [](uint8_t b) { return b == 0; });
}

// The five bytes of a cell: note, instrument, volume, effect, parameter.
V CellAt(const TXmSong* song, int pattern, int row, int channel) {
  const uint8_t* c = song->patterns[pattern].cells + (row * song->channelCount + channel) * 5;
  return V(c, c + 5);
}

// Loop mode, start and length.
V Loop(const TXmSample* s) { return {s->loopMode, s->loopStart, s->loopLength}; }

bool ErrorSays(const char* words) { return std::string(XmLastLoadError()).find(words) != std::string::npos; }

}  // namespace

TEST(XmLoadHeader, SignatureIsAllThatIsChecked) {
  std::vector<uint8_t> bytes = BuildXm(OnePattern());
  bytes[58] = 0x77;  // version
  bytes[37] = 0;     // the 0x1A byte
  bytes[20] = 'Z';   // module name
  Song song(LoadXmBytes(bytes));
  ASSERT_NE(song, nullptr);
  EXPECT_EQ((V{song->channelCount, song->defaultTempo, song->defaultBpm, XmLastLoadError()[0]}), (V{4, 6, 125, 0}));
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
  EXPECT_EQ((V{song->patternsUsed, song->patternSlots, song->orders[3], song->patterns[9].rows}), (V{41, 41, 200, 16}));
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
  EXPECT_EQ((V{song->songLength, song->restartPosition}), (V{256, 5}));
  def.songLengthOverride = -1;  // length 1: restart 5 lies beyond it
  song = Load(def);
  ASSERT_NE(song, nullptr);
  EXPECT_EQ(song->restartPosition, 0);
}

// Packed size 0 keeps the declared rows, empty; zero or too many rows play as 64 empty rows, and the
// oversized pattern's data is read past, so the next one is intact.
TEST(XmLoadPatterns, EmptyZeroAndOversizedPatterns) {
  XmModuleDef def;
  def.channels = 2;
  def.AddPattern(32).At(0, 0).note = 49;
  def.AddPattern(0);
  def.AddPattern(300).At(0, 0).note = 10;
  def.AddPattern(3).At(2, 1) = XmCell{60, 1, 0x40, 0xC, 0x20};
  def.zeroPackedPattern = 0;
  def.orders = {0, 1, 2, 3};
  Song song = Load(def);
  ASSERT_NE(song, nullptr);
  for (int p = 0; p < 3; ++p) EXPECT_TRUE(CellsEmpty(song.get(), p)) << p;
  EXPECT_EQ((V{song->patterns[0].rows, song->patterns[1].rows, song->patterns[2].rows, song->patterns[3].rows}),
            (V{32, 64, 64, 3}));
  EXPECT_EQ(CellAt(song.get(), 3, 2, 1), (V{60, 1, 0x40, 0xC, 0x20}));
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
    EXPECT_EQ(CellAt(song.get(), 0, 0, 0), (V{255, 0, 0, 0, 0})) << pack;
    EXPECT_EQ(CellAt(song.get(), 0, 1, 1), (V{96, 128, 0x10, 0x0F, 0x03})) << pack;
    EXPECT_EQ(CellAt(song.get(), 0, 2, 2)[1], 0) << pack;
  }
}

// 16-bit lengths are halved and deltas decoded; 8-bit samples are widened, then zeroed slack follows, which
// the interpolation may read; ping-pong wins over forward and gets its guard.
TEST(XmLoadSamples, DecodingWideningAndLoopGuards) {
  XmModuleDef def = OnePattern();
  std::vector<int16_t> wave(500);
  for (int i = 0; i < 500; ++i) wave[i] = static_cast<int16_t>(i * 131 - 30000);
  AddSimpleInstrument(def, wave, true, 1, 100, 300);
  AddSimpleInstrument(def, {0, 1, -1, 127, -128, 5}, false);
  AddSimpleInstrument(def, {10, 20, 30, 40, 50, 60}, true, 3, 1, 3);
  Song song = Load(def);
  ASSERT_NE(song, nullptr);
  const TXmSample *a = song->instruments[0].samples[0], *b = song->instruments[1].samples[0];
  EXPECT_EQ((V{a->length, a->bits, b->length, b->bits}), (V{500, 16, 6, 16}));
  EXPECT_EQ(Loop(a), (V{2, 100, 300}));
  EXPECT_EQ(Loop(b), (V{1, 0, 6}));
  // Forward loop guard: the sample after the loop end repeats the loop start (a forward loop never
  // plays past its end, so the overwritten value is never heard).
  std::vector<int16_t> expect = wave;
  expect[400] = wave[100];
  EXPECT_EQ(std::vector<int16_t>(a->data, a->data + 500), expect);
  EXPECT_EQ(V(b->data, b->data + 14), (V{0, 256, -256, 32512, -32768, 1280, 0, 0, 0, 0, 0, 0, 0, 0}));
  const TXmSample* c = song->instruments[2].samples[0];
  EXPECT_EQ((V{c->loopMode, c->data[4]}), (V{4, 40}));  // guard at loop end = the sample before it
}

TEST(XmLoadSamples, LoopsBeyondTheSampleAreCutToIt) {
  XmModuleDef def = OnePattern();
  XmInstrumentDef& in = AddSimpleInstrument(def, FlatSample(100, 7), true, 1, 60, 1000);
  in.samples.push_back(in.samples[0]);
  in.samples[1].loopStart = 5000;
  in.samples[1].loopLength = 10;
  in.samples.push_back(in.samples[0]);  // loop length 0 means no loop
  in.samples[2].loopStart = 20;
  in.samples[2].loopLength = 0;
  Song song = Load(def);
  ASSERT_NE(song, nullptr);
  TXmSample* const* s = song->instruments[0].samples;
  EXPECT_EQ(Loop(s[0]), (V{2, 60, 40}));
  EXPECT_EQ(s[0]->data[100], 7);  // the guard lands in the slack, inside the buffer
  EXPECT_EQ(Loop(s[1]), (V{1, 0, 100}));
  EXPECT_EQ(Loop(s[2]), (V{1, 0, 100}));
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
  in.volume = {{{0, 64}, {10, 32}, {20, 80}}, 7, 1, 0, 2};
  in.panning = {{{0, 32}}, 1};
  in.fadeout = 0x500;
  in.noteMap[40] = 15;
  def.instruments.emplace_back();  // no samples at all
  Song song = Load(def);
  ASSERT_NE(song, nullptr);
  const TXmInstrument &a = song->instruments[0], &b = song->instruments[1];
  // Envelope values are kept within 0..64; one point is no envelope; the fadeout is doubled.
  EXPECT_EQ((V{a.sampleCount, a.volCount, a.volType, a.volPoints[1].x, a.volPoints[2].y, a.panType, a.fadeout,
               a.noteMap[40], b.sampleCount}),
            (V{1, 3, 7, 10, 64, 0, 0xA00, 15, 0}));
  for (int k = 0; k < 16; ++k) EXPECT_EQ(b.samples[k], &XmEmptySample);
  for (int k = 1; k < 16; ++k) EXPECT_EQ(a.samples[k], &XmEmptySample);
}

TEST(XmLoadInstruments, EnvelopeCountsAndIndicesStayInsideTwelvePoints) {
  XmModuleDef def = OnePattern();
  XmInstrumentDef& in = AddSimpleInstrument(def, FlatSample(10, 1), true);
  in.volume = {{{0, 64}, {10, 32}}, 5, 0, 40, 1, 200};
  Song song = Load(def);
  ASSERT_NE(song, nullptr);
  // The loop bit goes: its start is no point.
  EXPECT_EQ((V{song->instruments[0].volCount, song->instruments[0].volType}), (V{12, 1}));
}

TEST(XmLoadInstruments, HeaderSizesAndCountsBeyondTheFileOrTheCellsAreHarmless) {
  XmModuleDef def = OnePattern();
  AddSimpleInstrument(def, FlatSample(10, 1), true).headerSizeOverride = 0xFFFFFFF0;
  AddSimpleInstrument(def, FlatSample(10, 1), true);
  Song song = Load(def);
  ASSERT_NE(song, nullptr);
  // The first header size sends the stream to the end: the second instrument reads as empty.
  EXPECT_EQ((V{song->instruments[0].samples[0]->length, song->instruments[1].sampleCount}), (V{0, 0}));
  def = OnePattern();
  AddSimpleInstrument(def, FlatSample(10, 1), true);
  def.instrumentCountOverride = 60000;  // more than cells can name
  song = Load(def);
  ASSERT_NE(song, nullptr);
  EXPECT_EQ((V{song->instrumentCount, song->instruments[0].samples[0]->length, song->instruments[127].sampleCount}),
            (V{128, 10, 0}));
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
  in.volume = {{{0, 64}, {4, 20}}, 1};
  in.samples.push_back({FlatSample(32, 5)});
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
    // Cut inside the second sample's data: it keeps what the file holds.
    EXPECT_TRUE(n != full.size() - 10 || song->instruments[0].samples[1]->length == 22u);
  }
}

TEST(XmLoadDamage, ValuesAShortFileNeverDeliveredAreZero) {
  std::vector<uint8_t> bytes = BuildXm(OnePattern());
  bytes.resize(60 + 4 + 6);  // up to the channel count
  Song song(LoadXmBytes(bytes));
  ASSERT_NE(song, nullptr);
  // Order 0 names pattern 0: one slot.
  EXPECT_EQ((V{song->channelCount, song->instrumentCount, song->defaultTempo, song->defaultBpm, song->patternSlots,
               song->patterns[0].rows}),
            (V{4, 0, 0, 0, 1, 64}));
}

TEST(MemFile, ReadCutsAtTheEndAndAdvances) {
  const std::vector<uint8_t> bytes = {1, 2, 3, 4, 5};
  TMemFile* f = MemFileCreate(bytes.data(), 5);
  uint8_t buf[8] = {9, 9, 9, 9, 9, 9, 9, 9};
  EXPECT_EQ((V{MemFileRead(buf, 3, f), buf[2], MemFileTell(f)}), (V{3, 3, 3}));
  EXPECT_EQ(MemFileRead(buf, 8, f), 2u);
  EXPECT_EQ(V(buf, buf + 4), (V{4, 5, 3, 9}));  // the rest is left alone
  EXPECT_EQ((V{MemFileRead(buf, 8, f), MemFileTell(f)}), (V{0, 5}));
  MemFileSeek(f, 1, 0);  // a count that would wrap the position still stops at the end
  EXPECT_EQ(MemFileRead(buf, 0xFFFFFFFFu, f), 4u);
  MemFileClose(f);
}

TEST(MemFile, SeekModesAndCutToSize) {
  const std::vector<uint8_t> bytes(100, 0);
  TMemFile* f = MemFileCreate(bytes.data(), 100);
  // Unsigned 32-bit offsets: from the end they wrap around; an unknown mode leaves the position.
  const struct { uint32_t offset; int mode; uint32_t position; } seeks[] = {
      {40, 0, 40}, {10, 1, 50}, {static_cast<uint32_t>(-20), 2, 80}, {5, 7, 80}, {1000, 0, 100}, {0xFFFFFFF0u, 1, 84}};
  for (const auto& s : seeks) {
    MemFileSeek(f, s.offset, s.mode);
    EXPECT_EQ(MemFileTell(f), s.position) << s.offset << " " << s.mode;
  }
  MemFileClose(f);
}

TEST(MemFile, OpenReadsTheWholeFileAndMissingFilesAreEmpty) {
  ScratchDir dir;
  WriteBytes(dir.File("Song.XM"), {7, 8, 9});
  // Game paths resolve case and separators.
  TMemFile* f = static_cast<TMemFile*>(MemFileOpen((dir.Path() + "\\song.xm").c_str()));
  ASSERT_NE(f, nullptr);
  EXPECT_EQ((V{f->size, f->data[2]}), (V{3, 9}));
  MemFileClose(f);
  TMemFile* missing = static_cast<TMemFile*>(MemFileOpen(dir.File("none.xm").c_str()));
  ASSERT_NE(missing, nullptr);
  EXPECT_EQ(missing->size, 0u);
  MemFileClose(missing);
}

TEST(FileCallbacks, AnyMissingOperationClearsAllFiveAndLoadAndPlayNeedThem) {
  TXmSong* song = LoadXmBytes(BuildXm(OnePattern()));
  ASSERT_NE(song, nullptr);
  UseMemFileCallbacks();
  EXPECT_TRUE(FileCallbacksSet());
  SetFileCallbacks(MemFileOpen, MemFileClose, nullptr, MemFileSeek, MemFileTell);
  EXPECT_FALSE(FileCallbacksSet());
  EXPECT_EQ(XmFile.open, nullptr);
  EXPECT_EQ(XmFile.tell, nullptr);
  EXPECT_EQ(SongLoad("anything"), nullptr);
  EXPECT_FALSE(SongPlay(song));
  EXPECT_EQ(XmOutput.outputBuffer, nullptr);
  EXPECT_TRUE(SongFree(song));
  EXPECT_FALSE(SongFree(nullptr));
}
