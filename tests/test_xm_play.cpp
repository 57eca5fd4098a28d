// XM playback: rows in order (speed, tempo, jumps, breaks, loops, the song's end) and, tick by tick, the
// volume column, the effect column, envelopes, auto-vibrato and key-off.

#include "audio/xm_mix.h"
#include "audio/xm_render.h"
#include "support/xm_builder.h"

namespace {

const uint8_t C4 = 49, C5 = 61, Off = 97;
using V = std::vector<int>;

// A one-channel song stepped tick by tick: what `read` gives after each step, one step after another.
struct Case {
  const char* what;
  std::vector<XmCell> rows;  // rows 0, 1, ... of channel 0
  V ticks;                   // the ticks of each step, in turn
  V (*read)(XmRig&);
  V expect;
  void (*setup)(XmRig&) = nullptr;  // changes to the module before it starts
};

void Envelope(XmRig& r, XmEnvelopeDef e, uint16_t fadeout = 0) {
  r.def.instruments[0].volume = e;
  r.def.instruments[0].fadeout = fadeout;
}

void Vibrato(XmRig& r, uint8_t type, uint8_t sweep) {
  XmInstrumentDef& in = r.def.instruments[0];
  in.vibType = type, in.vibSweep = sweep, in.vibDepth = 8, in.vibRate = 64, r.def.tempo = 1;
}

// A second channel with the given rows.
void SecondChannel(XmRig& r, const std::vector<XmCell>& rows) {
  r.def.channels = 2;
  r.def.patterns.clear();
  r.def.AddPattern(16);
  for (size_t i = 0; i < rows.size(); ++i) r.Cell(static_cast<int>(i), 1) = rows[i];
}

V Volume(XmRig& r) { return {r.Ch().volume}; }
V Period(XmRig& r) { return {r.Ch().period}; }
V Panning(XmRig& r) { return {r.Ch().panning}; }
V PeriodDelta(XmRig& r) { return {r.Ch().periodDelta}; }
V VolumeDelta(XmRig& r) { return {r.Ch().volumeDelta}; }
int VoiceVolume(XmRig& r) { return r.Ch().voice->volume; }
V Arpeggio(XmRig& r) { return {r.Ch().periodDelta, r.Ch().voice->frequency}; }
// The voice's number shows whether a note was triggered: a trigger moves to the partner voice.
int VoiceNumber(XmRig& r) { return r.Ch().voice->index; }

const Case kCases[] = {
    // Period delta and the voice's frequency: the note, a minor third and a fifth up, in either period model.
    // Linear: 3 and 7 x 64 down, 8363 x 2^(7/12) Hz; Amiga: the table's periods 1440 and 1143 from 1712, and
    // 14317056 / 1143 Hz.
    {"arpeggio, linear periods", {{C4, 1, 0, 0x0, 0x37}}, {1}, Arpeggio,
     {0, 8363, 192, 9945, 448, 12530}},
    {"arpeggio, Amiga periods", {{C4, 1, 0, 0x0, 0x37}}, {1}, Arpeggio,
     {0, 8362, -272, 9942, -569, 12525}, [](XmRig& r) { r.def.flags = 0; }},
    // Each row's value after its first tick and after its last (six ticks a row).
    {"volume column: set, slides every tick, fine slides once, nothing above 0x50",
     {{C4, 1, 0x30, 0, 0}, {0, 0, 0x62, 0, 0}, {0, 0, 0x73, 0, 0}, {0, 0, 0x84, 0, 0}, {0, 0, 0x95, 0, 0},
      {0, 0, 0x7F, 0, 0}, {0, 0, 0x55, 0, 0}, {0, 0, 0x10, 0, 0}},
     {1, 5}, Volume, {32, 32, 30, 20, 23, 38, 34, 34, 39, 39, 54, 64, 64, 64, 0, 0}},
    // Period delta and position: Ax only sets the speed; Bx steps from the second tick on.
    {"volume column vibrato", {{C4, 1, 0xA8, 0, 0}, {0, 0, 0xBF, 0, 0}}, {7, 1, 1},
     [](XmRig& r) { return V{r.Ch().periodDelta, r.Ch().vibratoPos}; }, {0, 0, 0, 8, -84, 16}},
    // The channel's value slides past 0 and comes back; the voice's is clamped.
    {"volume column panning", {{C4, 1, 0xC4, 0, 0}, {0, 0, 0xD3, 0, 0}, {0, 0, 0xE5, 0, 0}, {0, 0, 0xC0, 0, 0},
     {0, 0, 0xDF, 0, 0}, {0, 0, 0xEF, 0, 0}}, {1, 5}, [](XmRig& r) { return V{r.Ch().panning, r.Ch().voice->panning}; },
     {64, 64, 64, 64, 61, 61, 46, 46, 51, 51, 76, 76, 0, 0, 0, 0, -15, 0, -90, 0, -75, 0, 0, 0}},
    // Voice, period, speed, note period and note: period 4608 - 60, then speed 16 (64 a tick) back to the note,
    // then a new note without trigger: a tone-portamento row, where the note neither jumps nor becomes the
    // channel's note; it slides.
    {"volume column tone portamento", {{C4, 1, 0, 0, 0}, {0, 0, 0, 0xE, 0x1F}, {0, 0, 0xF1, 0, 0}, {C5, 1, 0xF2, 0, 0}},
     {12, 2, 5, 1}, [](XmRig& r) { return V{VoiceNumber(r), r.Ch().period, r.Ch().notePeriod, r.Ch().note}; },
     {0, 4548, 4608, 48, 0, 4608, 4608, 48, 0, 4608, 3840, 48, 0, 4480, 3840, 48}},
    // Voice volume and panning, then the envelope's output.
    {"the envelopes drive the voice", {{C4, 1, 0, 0, 0}}, {1, 2},
     [](XmRig& r) { return V{r.Ch().voice->volume, r.Ch().voice->panning, r.Ch().volEnv.output}; },
     {128, 128, 64, 64, 255, 32}, [](XmRig& r) {
       r.def.instruments[0].volume = {{{0, 64}, {2, 32}, {3, 32}}, 1};
       r.def.instruments[0].panning = {{{0, 32}, {1, 64}, {5, 64}}, 1};
     }},
    {"auto-vibrato square: 64 x depth 8 >> 6", {{C4, 1, 0, 0, 0}}, {1}, PeriodDelta, {8, 8, -8, -8, 8, 8},
     [](XmRig& r) { Vibrato(r, 1, 0); }},
    {"auto-vibrato sine at 0, 64, 128, 192", {{C4, 1, 0, 0, 0}}, {1}, PeriodDelta, {0, 8, 0, -8, 0, 8},
     [](XmRig& r) { Vibrato(r, 0, 0); }},
    {"auto-vibrato (128 - ((p + 128) mod 256)) >> 1", {{C4, 1, 0, 0, 0}}, {1}, PeriodDelta, {0, -4, 8, 4, 0, -4},
     [](XmRig& r) { Vibrato(r, 2, 0); }},
    {"auto-vibrato (128 - ((384 - p) mod 256)) >> 1", {{C4, 1, 0, 0, 0}}, {1}, PeriodDelta, {0, 4, 8, -4, 0, 4},
     [](XmRig& r) { Vibrato(r, 3, 0); }},
    {"auto-vibrato sweep fades it in", {{C4, 1, 0, 0, 0}}, {1}, PeriodDelta, {0, 2, -4, -6, 8, 8},
     [](XmRig& r) { Vibrato(r, 1, 4); }},
    {"portamento up and down keep separate memories",
     {{C4, 1, 0, 0x1, 0x10}, {0, 0, 0, 0x1, 0}, {0, 0, 0, 0x2, 0x20}, {0, 0, 0, 0x1, 0}, {0, 0, 0, 0x2, 0}}, {1, 5},
     Period, {4608, 4288, 4288, 3968, 3968, 4608, 4608, 4288, 4288, 4928}},
    {"portamento up stops at period 56", {{96, 1, 0, 0x1, 0xFF}}, {1, 5}, Period, {1600, 56}},  // B-7
    {"volume slide: memory, both directions, up wins over down",
     {{C4, 1, 0, 0xA, 0x0F}, {0, 0, 0, 0xA, 0xF0}, {0, 0, 0x30, 0xA, 0x11}, {0, 0, 0, 0xA, 0}}, {1, 5}, Volume,
     {64, 0, 0, 64, 32, 37, 37, 42}},
    {"panning slide: memory and both directions",
     {{C4, 1, 0, 25, 0x0F}, {0, 0, 0, 25, 0x20}, {0, 0, 0, 25, 0}, {0, 0, 0, 25, 0xF0}, {0, 0, 0, 25, 0},
      {0, 0, 0, 25, 0x0F}, {0, 0, 0, 25, 0}},
     {1, 5}, Panning, {128, 53, 53, 63, 63, 73, 73, 148, 148, 223, 223, 148, 148, 73}},
    {"fine portamento acts once a row, four period units a step",
     {{C4, 1, 0, 0xE, 0x12}, {0, 0, 0, 0xE, 0x10}, {0, 0, 0, 0xE, 0x23}, {0, 0, 0, 0xE, 0x20}}, {1, 5}, Period,
     {4600, 4600, 4592, 4592, 4604, 4604, 4616, 4616}},
    {"extra fine portamento acts once a row, one unit a step",
     {{C4, 1, 0, 33, 0x12}, {0, 0, 0, 33, 0x10}, {0, 0, 0, 33, 0x23}, {0, 0, 0, 33, 0x20}}, {1, 5}, Period,
     {4606, 4606, 4604, 4604, 4607, 4607, 4610, 4610}},
    {"fine volume slides share one memory",
     {{C4, 1, 0x30, 0xE, 0xA3}, {0, 0, 0, 0xE, 0xB0}, {0, 0, 0, 0xE, 0xBF}, {0, 0, 0, 0xE, 0xBF},
      {0, 0, 0x50, 0xE, 0xAF}},
     {1, 5}, Volume, {35, 35, 32, 32, 17, 17, 2, 2, 64, 64}},
    {"tremor: two ticks on, three off", {{C4, 1, 0, 29, 0x12}, {0, 0, 0, 29, 0}}, {1}, VolumeDelta,
     {0, 0, -64, -64, -64, 0, 0, -64, -64, -64, 0, 0}},
    // Delta and volume: nothing on the first tick; then 0, 42, 60, 42 and 0, the middle three cut to 64 - 32;
    // the negative half stops at volume 0; the last delta sticks when the effect ends.
    {"tremolo", {{C4, 1, 0x30, 0x7, 0x8F}, {0, 0, 0, 0x7, 0}, {0, 0, 0, 0, 0}}, {1, 1, 1, 5, 4, 1},
     [](XmRig& r) { return V{r.Ch().volumeDelta, r.Ch().volume}; }, {0, 32, 0, 32, 32, 32, -32, 32, 32, 32, 0, 64}},
    // The first tick steps but does not advance. Positions 0, 8, 16, 24, -32: |256 sin| = 0, 181, 256, 181, 0,
    // times 15 >> 7, times 4; each then advances 8.
    {"vibrato sine", {{C4, 1, 0, 0x4, 0x8F}}, {1}, [](XmRig& r) { return V{r.Ch().periodDelta, r.Ch().vibratoPos}; },
     {0, 0, 0, 8, -84, 16, -120, 24, -84, -32, 0, -24}},
    // Delta, position, waveform and tremolo delta. Ramp: 8 x position, or -8 x position - 1 below 0, times 15 >> 7,
    // times 4 (-28, -60, -88, 116); row 3's first tick: square at -24; row 5, tick 1: tremolo square at 0.
    {"vibrato and tremolo waveforms",
     {{C4, 1, 0x30, 0xE, 0x41}, {0, 0, 0, 0x4, 0x8F}, {0, 0, 0, 0xE, 0x42}, {0, 0, 0, 0x4, 0}, {0, 0, 0, 0xE, 0x72},
      {0, 0, 0, 0x7, 0x84}},
     {9, 1, 1, 1, 7, 13},
     [](XmRig& r) { return V{r.Ch().periodDelta, r.Ch().vibratoPos, r.Ch().waveControl, r.Ch().volumeDelta}; },
     {-28, 16, 1, 0, -60, 24, 1, 0, -88, -32, 1, 0, 116, -24, 1, 0, 116, -24, 0x02, 0, 0, 16, 0x22, (255 * 4) >> 6}},
    // Voice, period and volume: 5xy goes on sliding to the note (5 x 32 a row), without a trigger.
    {"tone portamento with volume slide", {{C4, 1, 0, 0, 0}, {C5, 0, 0, 0x3, 0x08}, {0, 0, 0, 0x5, 0x02}}, {13, 5},
     [](XmRig& r) { return V{VoiceNumber(r), r.Ch().period, r.Ch().volume}; }, {0, 4448, 64, 0, 4288, 54}},
    // Position, delta and volume: 6xy goes on with the vibrato, a step at -24 on the first tick.
    {"vibrato with volume slide", {{C4, 1, 0x30, 0x4, 0x8F}, {0, 0, 0, 0x6, 0x20}}, {6, 1, 1, 4},
     [](XmRig& r) { return V{r.Ch().vibratoPos, r.Ch().periodDelta, r.Ch().volume}; },
     {-24, 0, 32, -24, 84, 32, -16, 84, 34, 16, -84, 42}},
    // The channel's volume, not clamped, and the voice's.
    {"set volume", {{C4, 1, 0, 0xC, 0x80}}, {1}, [](XmRig& r) { return V{r.Ch().volume, r.Ch().voice->volume}; },
     {128, 255}},
    // The channel's and the voice's: set panning acts at once for the voice too; a slide stops at 255; E8x.
    {"set panning", {{C4, 1, 0, 8, 0xFA}, {0, 0, 0, 25, 0x90}, {0, 0, 0, 0xE, 0x8C}}, {1, 11, 1},
     [](XmRig& r) { return V{r.Ch().panning, r.Ch().voice->panning}; }, {0xFA, 0xFA, 255, 255, 0xC0, 0xC0}},
    // The sample record's finetune, the period (this row's note was computed before) and the empty sample's.
    {"set finetune changes the sample record", {{C4, 1, 0, 0xE, 0x53}, {C4, 1, 0, 0, 0}}, {1, 6},
     [](XmRig& r) { return V{r.song->instruments[0].samples[0]->finetune, r.Ch().period, XmEmptySample.finetune}; },
     {3, 4608, 0, 3, LinearPeriod(48, 3), 0}},
    // Voice, volume, period and voice volume: until tick 2 the values from before the row hold; then a new
    // voice starts the note with the volume column applied.
    {"note delay", {{C4, 1, 0, 0, 0}, {C5, 1, 0x20, 0xE, 0xD2}}, {8, 1},
     [](XmRig& r) { return V{r.Ch().volume, r.Ch().period, r.Ch().voice->volume}; }, {64, 4608, 128, 16, 3840, 32}},
    // Channel 0's voice and channel 1's volume and voice volume: channel 0 retriggers every second tick (onto the
    // partner voice and back); channel 1 is cut on tick 3.
    {"retrigger and note cut", {{C4, 1, 0, 0xE, 0x92}}, {1},
     [](XmRig& r) { return V{VoiceNumber(r), r.Ch(1).volume, r.Ch(1).voice->volume}; },
     {0, 64, 128, 0, 64, 128, 32, 64, 128, 32, 0, 0, 0, 0, 0},
     [](XmRig& r) { SecondChannel(r, {{C4, 1, 0, 0xE, 0xC3}}); }},
    // Finished and output: the values at envelope ticks 5, 6 and 9, then placed beyond the last point.
    {"set envelope position", {{C4, 1, 0, 0, 0}, {0, 0, 0, 21, 5}, {0, 0, 0, 21, 250}}, {8, 1, 3, 1},
     [](XmRig& r) { return V{r.Ch().volEnv.finished, r.Ch().volEnv.output}; }, {0, 32, 0, 25, 0, 6, 1, 40},
     [](XmRig& r) { Envelope(r, {{{0, 64}, {10, 0}, {20, 40}}, 1}); }},
    {"set envelope position without an envelope: nothing to place", {{C4, 1, 0, 21, 5}}, {1},
     [](XmRig& r) { return V{r.Ch().volEnv.output, r.Ch().volEnv.tick}; }, {64, 0}},
    // Own sample kept, the voice's sample empty, instrument, volume and period.
    {"an instrument beyond the count works with the empty instrument", {{C4, 1, 0, 0, 0}, {C5, 9, 0, 0, 0}}, {6, 1},
     [](XmRig& r) {
       return V{r.Ch().sample == r.song->instruments[0].samples[0], r.Ch().voice->sample == &XmEmptySample,
                r.Ch().instrument, r.Ch().volume, r.Ch().period};
     },
     {1, 0, 0, 64, 4608, 1, 1, 8, 0, LinearPeriod(60, 0)}},
    // Key-off, the envelope's output and the voice volume, after the first row and on the key-off.
    {"key-off note without a volume envelope silences at once", {{C4, 1, 0, 0, 0}, {Off, 0, 0, 0, 0}}, {6, 1},
     [](XmRig& r) { return V{r.Ch().keyOff, r.Ch().volEnv.output, r.Ch().voice->volume}; }, {0, 64, 128, 1, 0, 0}},
    {"K whatever its parameter does the same", {{C4, 1, 0, 0, 0}, {0, 0, 0, 20, 0x05}}, {6, 1},
     [](XmRig& r) { return V{r.Ch().keyOff, r.Ch().volEnv.output, r.Ch().voice->volume}; }, {0, 64, 128, 1, 0, 0}},
    // Key-off, output, fadeout and finished: held at the sustain point until the key-off; then released,
    // fading 2000 a tick.
    {"key-off releases the envelope from its sustain and fades out", {{C4, 1, 0, 0, 0}, {}, {0, 0, 0, 20, 0x33}},
     {12, 1, 1, 3, 60},
     [](XmRig& r) { return V{r.Ch().keyOff, r.Ch().volEnv.output, r.Ch().fadeoutVolume, r.Ch().volEnv.finished}; },
     {0, 32, 65536, 0, 1, 32, 63536, 0, 1, 24, 61536, 0, 1, 0, 55536, 1, 1, 0, 0, 1},
     [](XmRig& r) { Envelope(r, {{{0, 64}, {2, 32}, {6, 0}}, 3, 1}, 1000); }},
    // Finished, output, fadeout and voice volume: the sustain is the last point, reached long before the
    // key-off; 8192 a tick fades it to silence 8 ticks after the key-off, across the next row start.
    {"key-off after the envelope finished holds its last value and fades out", {{C4, 1, 0, 0, 0}, {}, {Off}},
     {12, 1, 6, 1}, [](XmRig& r) { return V{r.Ch().volEnv.output, r.Ch().fadeoutVolume, VoiceVolume(r)}; },
     {48, 65536, 96, 48, 57344, 84, 48, 8192, 12, 48, 0, 0},
     [](XmRig& r) { Envelope(r, {{{0, 64}, {4, 48}}, 3, 1}, 4096); }},
    // Voice, position, note, period and note period: no trigger (same voice and sample, playing on); the speed
    // is remembered; the slide arrives, never past.
    {"tone portamento keeps the sample and slides",
     {{C4, 1, 0, 0, 0}, {C5, 1, 0, 0x3, 0x10}, {0, 0, 0, 0x3, 0}, {0, 0, 0, 0x3, 0}}, {7, 1, 16},
     [](XmRig& r) { return V{VoiceNumber(r), r.Ch().voice->position, r.Ch().note, r.Ch().period, r.Ch().notePeriod}; },
     {0, 0, 48, 4608, 3840, 0, 0, 48, 4544, 3840, 0, 0, 48, 3840, 3840}},
};

TEST(XmChannelSteps, EachCase) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    XmRig rig;
    if (c.setup) c.setup(rig);
    ASSERT_TRUE(rig.Start(c.rows));
    std::vector<int> got;
    for (const V& step : rig.Trace(static_cast<int>(c.expect.size() / c.read(rig).size()), c.ticks, c.read))
      got.insert(got.end(), step.begin(), step.end());
    EXPECT_EQ(got, c.expect);
  }
}

}  // namespace

TEST(XmEffects, SampleOffsetStartsLaterOrRewindsWhenPastTheLoop) {
  XmRig rig;
  // 0x20 x 256 = 8192 is past the 4000-sample loop; 0x00 repeats the remembered 0x20.
  ASSERT_TRUE(rig.Start({{C4, 1, 0, 0x9, 0x02}, {C5, 1, 0, 0x9, 0x20}, {C5, 1, 0, 0x9, 0x00}}));
  rig.Tick(1);
  TMixVoice* voice = rig.Ch().voice;
  EXPECT_EQ(voice->position, 512);
  for (int32_t played : {1234, 99}) {
    voice->position = played;
    rig.Tick(6);
    EXPECT_EQ(rig.Ch().voice, voice) << played;  // no trigger
    EXPECT_EQ(voice->position, 0) << played;     // rewound
    EXPECT_EQ(voice->sample, rig.song->instruments[0].samples[0]);
  }
}

TEST(XmEffects, GlobalVolumeAndItsSlide) {
  XmRig rig;
  SecondChannel(rig, {{0, 0, 0, 16, 0x30}, {0, 0, 0, 17, 0x02}, {0, 0, 0, 17, 0}, {0, 0, 0, 17, 0x50},
                      {0, 0, 0, 17, 0xF0}, {0, 0, 0, 16, 0x80}});
  ASSERT_TRUE(rig.Start({{C4, 1, 0, 0, 0}}));
  EXPECT_EQ(rig.Trace(6, {6}, [](XmRig& r) { return r.song->globalVolume; }), (V{48, 38, 28, 53, 64, 64}));
  // A new start resets the global volume but keeps the slide's memory.
  SongRenderEnd(rig.song);
  ASSERT_TRUE(SongRenderBegin(rig.song));
  EXPECT_EQ((V{rig.song->globalVolume, rig.song->globalVolumeSlide}), (V{64, 0xF0}));
}

TEST(XmEffects, MultiRetriggerVolumeTypes) {
  const int expect[16] = {32, 31, 30, 28, 24, 16, 21, 16, 32, 33, 34, 36, 40, 48, 48, 64};
  for (int type = 0; type < 16; ++type) {
    XmRig rig;
    ASSERT_TRUE(rig.Start({{C4, 1, 0x30, 27, static_cast<uint8_t>((type << 4) | 2)}}));
    // Ticks 0 and 1 leave it; tick 2 retriggers and changes the volume.
    rig.Tick(3);
    EXPECT_EQ((V{VoiceNumber(rig), rig.Ch().volume}), (V{32, expect[type]})) << type;
  }
}

// Volume and panning envelopes alike: from 0 up to 64 at tick 4, down to 32 at tick 8.
TXmInstrument RiseAndFall(uint8_t type) {
  TXmInstrument inst{};
  inst.volCount = inst.panCount = 3;
  inst.volPoints[1] = inst.panPoints[1] = {4, 64};
  inst.volPoints[2] = inst.panPoints[2] = {8, 32};
  inst.volType = inst.panType = type;
  return inst;
}

// The envelope's output after each of n steps.
V Outputs(TXmChannel& ch, TXmEnvelopeKind kind, const TXmInstrument& inst, int n) {
  V out;
  for (int t = 0; t < n; ++t) {
    StepEnvelope(&ch, kind, &inst);
    out.push_back(kind == kXmVolumeEnvelope ? ch.volEnv.output : ch.panEnv.output);
  }
  return out;
}

TEST(XmEnvelope, InterpolatesBetweenPointsAndFinishes) {
  const TXmInstrument inst = RiseAndFall(1);
  TXmChannel ch{};
  EXPECT_EQ(Outputs(ch, kXmVolumeEnvelope, inst, 10), (V{0, 16, 32, 48, 64, 56, 48, 40, 32, 32}));
  ch.flags = 0;
  EXPECT_EQ(Outputs(ch, kXmVolumeEnvelope, inst, 1), (V{32}));
  // Flagged even when finished; the tick does not advance at the last point.
  EXPECT_EQ((V{ch.flags, ch.volEnv.finished, ch.volEnv.tick}), (V{kXmVolume, true, 8}));
}

// The panning envelope's own sustain and loop points (the volume envelope's: the key-off cases above).
TEST(XmEnvelope, PanningSustainHoldsUntilKeyOffAndLoopsRepeat) {
  TXmInstrument inst = RiseAndFall(3);
  inst.panSustain = 1;
  TXmChannel ch{};
  EXPECT_EQ(Outputs(ch, kXmPanningEnvelope, inst, 6), (V{0, 16, 32, 48, 64, 64}));
  ch.keyOff = true;
  EXPECT_EQ(Outputs(ch, kXmPanningEnvelope, inst, 2), (V{64, 56}));
  inst.panType = 5, inst.panLoopStart = 1, inst.panLoopEnd = 2;  // loop from point 1 to point 2
  TXmChannel loop{};
  EXPECT_EQ(Outputs(loop, kXmPanningEnvelope, inst, 10), (V{0, 16, 32, 48, 64, 56, 48, 40, 64, 56}));
  EXPECT_EQ((V{loop.flags & kXmPanning, loop.panEnv.finished}), (V{kXmPanning, false}));
}

TEST(XmEnvelope, FallingPointTicksCannotRunAway) {
  TXmInstrument inst{};
  inst.volCount = 2, inst.volType = 1;
  inst.volPoints[0] = {5, 64};
  inst.volPoints[1] = {2, 0};  // the tick never comes
  TXmChannel ch{};
  ch.volEnv.tick = 5;
  for (int t = 0; t < 5000; ++t) StepEnvelope(&ch, kXmVolumeEnvelope, &inst);
  EXPECT_TRUE(ch.volEnv.output >= 0 && ch.volEnv.output <= 64) << ch.volEnv.output;
}

TEST(XmChannel, ResetFromSampleAndWaveformRetrigger) {
  TXmSample smp{};
  smp.volume = 40, smp.panning = 200;
  TXmChannel ch{};
  ch.keyOff = ch.volEnv.finished = true;
  ch.fadeoutVolume = ch.volEnv.point = ch.tremorCount = 3;
  ch.vibratoPos = 7, ch.tremoloPos = -5, ch.autoVibPos = 99;
  ch.waveControl = 0x41;  // tremolo waveform 4: keeps its position
  ResetChannelFromSample(&ch, &smp);
  // Key-off and finished flags, channel flags, volume and panning, envelope outputs and point, fadeout,
  // auto-vibrato, vibrato, tremolo and tremor positions.
  EXPECT_EQ((V{ch.keyOff, ch.volEnv.finished, ch.flags, ch.volume, ch.panning, ch.volEnv.output, ch.panEnv.output,
               ch.volEnv.point, ch.fadeoutVolume, ch.autoVibPos, ch.vibratoPos, ch.tremoloPos, ch.tremorCount}),
            (V{0, 0, kXmVolume | kXmPanning, 40, 200, 64, 32, 0, 65536, 0, 0, -5, 0}));
}

namespace {

using P = std::vector<std::pair<int, int>>;

// A two-channel song of empty patterns played by orders 0, 1, ... in turn, rendered for 3.5 seconds.
struct Playback {
  const char* what;
  std::vector<int> rows;  // each pattern's row count
  std::vector<std::tuple<int, int, int, XmCell>> cells;  // pattern, row, channel, cell
  P path;  // the order and row of each row started, from row `from` on
  std::vector<uint64_t> frames = {};  // and the frames they start at, when given
  void (*tweak)(XmModuleDef&) = nullptr;
  size_t from = 0;
};

const XmCell D05{0, 0, 0, 0xD, 0x05}, B2{0, 0, 0, 0xB, 2}, E60{0, 0, 0, 0xE, 0x60};

const Playback kPlaybacks[] = {
    {"speed 6 at 125 BPM: rows of 6 x 882 frames", {8}, {}, {{0, 0}, {0, 1}, {0, 2}, {0, 3}},
     {0, 6 * 882, 12 * 882, 18 * 882}},
    {"set speed with parameter 0 changes nothing", {8}, {{0, 0, 0, {0, 0, 0, 0xF, 0x02}}, {0, 1, 1, {0, 0, 0, 0xF, 0}}},
     {{0, 0}, {0, 1}, {0, 2}, {0, 3}, {0, 4}}, {0, 2 * 882, 4 * 882, 6 * 882, 8 * 882}},
    {"a break above 63 goes to row 0 of the next order", {8, 128}, {{0, 1, 1, {0, 0, 0, 0xD, 0x70}}},
     {{0, 0}, {0, 1}, {1, 0}, {1, 1}}},
    {"break rows are decimal digits", {8, 128}, {{0, 1, 1, {0, 0, 0, 0xD, 0x15}}}, {{0, 0}, {0, 1}, {1, 15}, {1, 16}}},
    {"a jump then a break: the jump's order, the break's row", {8, 8, 8}, {{0, 0, 0, B2}, {0, 0, 1, D05}},
     {{0, 0}, {2, 5}, {2, 6}}},
    {"a break then a jump: the jump decides both", {8, 8, 8}, {{0, 0, 0, D05}, {0, 0, 1, B2}},
     {{0, 0}, {2, 0}, {2, 1}}},
    {"a jump beyond the song goes to order 0", {8, 8, 8}, {{0, 0, 1, {0, 0, 0, 0xB, 9}}}, {{0, 0}, {0, 0}}},
    {"a loop with two repeats plays the section three times", {4}, {{0, 1, 0, E60}, {0, 2, 0, {0, 0, 0, 0xE, 0x62}}},
     {{0, 0}, {0, 1}, {0, 2}, {0, 1}, {0, 2}, {0, 1}, {0, 2}, {0, 3}, {0, 0}}},
    {"the song's end continues at the restart position", {2, 2}, {},
     {{0, 0}, {0, 1}, {1, 0}, {1, 1}, {1, 0}, {1, 1}, {1, 0}}, {}, [](XmModuleDef& d) { d.restart = 1; }},
    // Order 0's entry does not count towards the slots with song length 0 (one slot, below).
    {"an order without a pattern slot plays empty rows at order 0", {4}, {}, {{0, 63}, {0, 0}, {0, 1}}, {},
     [](XmModuleDef& d) { d.orders = {7}, d.songLengthOverride = 0, d.tempo = 1; }, 63},
    // Pattern 1 loops back to row 20, which a 4-row pattern does not have: row 0.
    {"a loop start from a longer pattern is kept inside a short one", {32, 4},
     {{0, 20, 0, E60}, {0, 21, 0, {0, 0, 0, 0xD, 0}}, {1, 1, 0, {0, 0, 0, 0xE, 0x61}}}, {{1, 0}, {1, 1}, {1, 0}}, {},
     nullptr, 22},
};

}  // namespace

TEST(XmSequencer, RowsPlayInOrder) {
  for (const Playback& c : kPlaybacks) {
    SCOPED_TRACE(c.what);
    XmModuleDef def;
    def.channels = 2;
    def.orders.clear();
    for (int r : c.rows) def.orders.push_back(static_cast<uint8_t>(def.patterns.size())), def.AddPattern(r);
    for (const auto& [pattern, row, channel, cell] : c.cells) def.patterns[pattern].At(row, channel) = cell;
    if (c.tweak) c.tweak(def);
    TXmSong* song = LoadXmBytes(BuildXm(def));
    ASSERT_NE(song, nullptr);
    EXPECT_EQ(song->patternSlots, def.songLengthOverride == 0 ? 1 : static_cast<int>(c.rows.size()));
    TXmRender r;
    ASSERT_TRUE(RenderSong(song, 3.5, r));
    SongFree(song);
    ASSERT_GE(r.rows.size(), c.from + c.path.size());
    P path;
    std::vector<uint64_t> frames;
    for (size_t i = c.from; i < c.from + c.path.size(); ++i)
      path.push_back({r.rows[i].order, r.rows[i].row}), frames.push_back(r.rows[i].frame);
    EXPECT_EQ(path, c.path);
    EXPECT_EQ(c.frames.empty() ? c.frames : frames, c.frames);
  }
}

TEST(XmSequencer, TheTempoSetsTheTickLength) {
  XmRig rig;
  ASSERT_TRUE(rig.Start());
  EXPECT_EQ(rig.song->samplesPerTick, 882);
  const struct { int bpm, frames; } tempos[] = {{150, 735}, {32, 3445}, {0, 882}};  // 0: never an endless tick
  for (const auto& t : tempos) {
    SongSetBpm(rig.song, t.bpm);
    EXPECT_EQ(rig.song->samplesPerTick, t.frames) << t.bpm;
  }
}
