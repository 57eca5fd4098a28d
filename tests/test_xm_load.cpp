// XM module loader and its file access: header rules, patterns, instruments, samples, damaged files, streams.

#include <memory>

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

// Only the signature is checked: not the version, the 0x1A byte or the name. The song length is cut to the
// order list, a restart inside it is kept, and 32 channels are served.
TEST(XmLoadHeader, SignatureLengthRestartAndChannels) {
  XmModuleDef def;
  def.channels = 32;
  def.AddPattern(4).At(3, 31).note = 50;
  def.songLengthOverride = 300;
  def.restart = 5;
  std::vector<uint8_t> bytes = BuildXm(def);
  bytes[58] = 0x77;
  bytes[37] = 0;
  bytes[20] = 'Z';
  Song song(LoadXmBytes(bytes));
  ASSERT_NE(song, nullptr);
  EXPECT_EQ((V{song->channelCount, song->defaultTempo, song->defaultBpm, XmLastLoadError()[0], song->songLength,
               song->restartPosition, CellAt(song.get(), 0, 3, 31)[0]}),
            (V{32, 6, 125, 0, 256, 5, 50}));
  def.songLengthOverride = -1;  // length 1: restart 5 lies beyond it
  song = Load(def);
  ASSERT_NE(song, nullptr);
  EXPECT_EQ(song->restartPosition, 0);
}

// The sanitizer build checks that nothing leaks.
TEST(XmLoadHeader, RefusedModulesSayWhy) {
  std::vector<uint8_t> wrong = BuildXm(OnePattern()), onlySignature(wrong.begin(), wrong.begin() + 17);
  wrong[16] = '!';  // "Extended Module!"
  onlySignature[16] = ' ';  // accepted, but then the file names no channels
  XmModuleDef wide, many = OnePattern();
  wide.channels = 33;
  wide.AddPattern(4);
  AddSimpleInstrument(many, FlatSample(10, 1), true);
  AddSimpleInstrument(many, FlatSample(10, 1), true).sampleCountOverride = 17;
  const std::pair<std::vector<uint8_t>, const char*> cases[] = {{wrong, "signature"}, {onlySignature, "no channels"},
      {BuildXm(wide), "33 channels"}, {BuildXm(many), "instrument 2 has 17 samples"}, {{}, ""}};
  for (const auto& [bytes, words] : cases) {
    EXPECT_EQ(LoadXmBytes(bytes), nullptr) << words;
    EXPECT_TRUE(ErrorSays(words)) << XmLastLoadError();
  }
}

// Orders within the song length decide the pattern slots: named but missing ones are empty. Packed size 0
// keeps the declared rows, empty; zero or too many rows play as 64 empty rows, and the oversized pattern's
// data is read past, so the next one is intact.
TEST(XmLoadPatterns, SlotsAndEmptyZeroAndOversizedPatterns) {
  XmModuleDef def;
  def.channels = 2;
  def.AddPattern(32).At(0, 0).note = 49;
  def.AddPattern(0);
  def.AddPattern(300).At(0, 0).note = 10;
  def.AddPattern(3).At(2, 1) = XmCell{60, 1, 0x40, 0xC, 0x20};
  for (int i = 4; i < 10; ++i) def.AddPattern(16);
  def.zeroPackedPattern = 0;
  def.orders = {0, 40, 3, 200};
  def.songLengthOverride = 3;  // order 3's pattern 200 does not count
  Song song = Load(def);
  ASSERT_NE(song, nullptr);
  EXPECT_EQ((V{song->patternsUsed, song->patternSlots, song->orders[3], song->patterns[0].rows, song->patterns[1].rows,
               song->patterns[2].rows, song->patterns[3].rows, song->patterns[9].rows}),
            (V{41, 41, 200, 32, 64, 64, 3, 16}));
  EXPECT_EQ(CellAt(song.get(), 3, 2, 1), (V{60, 1, 0x40, 0xC, 0x20}));
  for (int p = 0; p <= 40; ++p) EXPECT_EQ(CellsEmpty(song.get(), p), p != 3) << p;
  for (int p = 10; p <= 40; ++p) EXPECT_EQ(song->patterns[p].rows, 64);
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
// the interpolation may read; ping-pong wins over forward and gets its guard; loops beyond the sample are cut
// to it, and loop length 0 means no loop; envelope values are kept within 0..64, one point is no envelope,
// counts stay within twelve points and a loop whose start is no point goes; the fadeout is doubled.
TEST(XmLoadInstruments, SamplesLoopsEnvelopesAndEmptySlots) {
  XmModuleDef def = OnePattern();
  std::vector<int16_t> wave(500);
  for (int i = 0; i < 500; ++i) wave[i] = static_cast<int16_t>(i * 131 - 30000);
  AddSimpleInstrument(def, wave, true, 1, 100, 300);
  AddSimpleInstrument(def, {0, 1, -1, 127, -128, 5}, false);
  AddSimpleInstrument(def, {10, 20, 30, 40, 50, 60}, true, 3, 1, 3);
  XmInstrumentDef& cut = AddSimpleInstrument(def, FlatSample(100, 7), true, 1, 60, 1000);
  cut.samples.push_back({FlatSample(100, 7), true, 1, 5000, 10});
  cut.samples.push_back({FlatSample(100, 7), true, 1, 20, 0});
  XmInstrumentDef& env = AddSimpleInstrument(def, FlatSample(10, 1), true);
  env.volume = {{{0, 64}, {10, 32}, {20, 80}}, 7, 1, 0, 2};
  env.panning = {{{0, 32}}, 1};
  env.fadeout = 0x500;
  env.noteMap[40] = 15;
  AddSimpleInstrument(def, FlatSample(10, 1), true).volume = {{{0, 64}, {10, 32}}, 5, 0, 40, 1, 200};
  def.instruments.emplace_back();  // no samples at all
  Song song = Load(def);
  ASSERT_NE(song, nullptr);
  auto smp = [&](int i, int k = 0) { return song->instruments[i].samples[k]; };
  EXPECT_EQ((V{smp(0)->length, smp(0)->bits, smp(1)->length, smp(1)->bits}), (V{500, 16, 6, 16}));
  EXPECT_EQ(Loop(smp(0)), (V{2, 100, 300}));
  EXPECT_EQ(Loop(smp(1)), (V{1, 0, 6}));
  // Forward loop guard: the sample after the loop end repeats the loop start (a forward loop never
  // plays past its end, so the overwritten value is never heard).
  std::vector<int16_t> expect = wave;
  expect[400] = wave[100];
  EXPECT_EQ(std::vector<int16_t>(smp(0)->data, smp(0)->data + 500), expect);
  EXPECT_EQ(V(smp(1)->data, smp(1)->data + 14), (V{0, 256, -256, 32512, -32768, 1280, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ((V{smp(2)->loopMode, smp(2)->data[4]}), (V{4, 40}));  // guard at loop end = the sample before it
  EXPECT_EQ(Loop(smp(3)), (V{2, 60, 40}));
  EXPECT_EQ(smp(3)->data[100], 7);  // the guard lands in the slack, inside the buffer
  EXPECT_EQ(Loop(smp(3, 1)), (V{1, 0, 100}));
  EXPECT_EQ(Loop(smp(3, 2)), (V{1, 0, 100}));
  const TXmInstrument &a = song->instruments[4], &b = song->instruments[6];
  EXPECT_EQ((V{a.sampleCount, a.volCount, a.volType, a.volPoints[1].x, a.volPoints[2].y, a.panType, a.fadeout,
               a.noteMap[40], b.sampleCount, song->instruments[5].volCount, song->instruments[5].volType}),
            (V{1, 3, 7, 10, 64, 0, 0xA00, 15, 0, 12, 1}));
  for (int k = 0; k < 16; ++k) EXPECT_EQ(b.samples[k], &XmEmptySample);
  for (int k = 1; k < 16; ++k) EXPECT_EQ(a.samples[k], &XmEmptySample);
}

TEST(XmLoadDamage, HeaderSizesLengthsAndCountsBeyondTheFileOrTheCellsAreHarmless) {
  XmModuleDef def = OnePattern();
  AddSimpleInstrument(def, FlatSample(10, 1), true).headerSizeOverride = 0xFFFFFFF0;
  AddSimpleInstrument(def, FlatSample(10, 1), true);
  Song song = Load(def);
  ASSERT_NE(song, nullptr);
  // The first header size sends the stream to the end: the second instrument reads as empty.
  EXPECT_EQ((V{song->instruments[0].samples[0]->length, song->instruments[1].sampleCount}), (V{0, 0}));
  def = OnePattern();
  AddSimpleInstrument(def, FlatSample(100, 3), true, 1, 0, 100).samples[0].rawLength = 0xFFFFFFF0;
  def.instrumentCountOverride = 60000;  // more than cells can name
  song = Load(def);
  ASSERT_NE(song, nullptr);
  const TXmSample* s = song->instruments[0].samples[0];  // the length is cut to the file
  EXPECT_EQ((V{song->instrumentCount, s->length, song->instruments[127].sampleCount}), (V{128, 100, 0}));
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
  EXPECT_EQ((V{FileCallbacksSet(), XmFile.open != nullptr, XmFile.tell != nullptr}), (V{0, 0, 0}));
  EXPECT_EQ(SongLoad("anything"), nullptr);
  EXPECT_EQ((V{SongPlay(song), XmOutput.outputBuffer != nullptr, SongFree(song), SongFree(nullptr)}), (V{0, 0, 1, 0}));
}
