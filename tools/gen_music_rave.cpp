// The game song "rave": a driving E minor track of four-to-the-floor drums, acid bass and leads.
#include "gen_music_compose.h"
#include "gen_music_synth.h"

namespace {

enum Ch { Kick, Snare, Hat, Bass, Lead, Arp, Pad };
enum Ins { IKick = 1, ISnare, IHat, IOpenHat, IBass, ILead, IPad, IArp, IBell };

const TChord kA[4] = {{4, true}, {0, false}, {7, false}, {2, false}};   // Em C G D
const TChord kB[4] = {{9, true}, {0, false}, {4, true}, {11, false}};   // Am C Em B
const int C4 = 49;

void Drums(TGenXmSong& s, TGenXmPattern& p, bool kick, bool snare, bool hats, int rows = 64) {
  for (int r = 0; r < rows; ++r) {
    if (kick && r % 4 == 0) Put(s, p, r, Kick, C4, IKick, xm::Vol(60));
    if (snare && r % 8 == 4) Put(s, p, r, Snare, C4, ISnare, xm::Vol(48));
    if (snare && r % 16 == 14) Put(s, p, r, Snare, C4, ISnare, xm::Vol(22));  // ghost note
    if (hats && r % 2 == 0) {
      if (r % 8 == 6) Put(s, p, r, Hat, C4, IOpenHat, xm::Vol(26), xm::Extended, 0xC4);
      else Put(s, p, r, Hat, C4, IHat, xm::Vol(r % 4 == 2 ? 34 : 20));
    }
  }
}

// Eighth notes bouncing between the root and its octave.
void BassLine(TGenXmSong& s, TGenXmPattern& p, const TChord* c, bool bendDown) {
  for (int r = 0; r < 64; r += 2) {
    const TChord& chord = c[r / 16];
    Put(s, p, r, Bass, ChordNote(chord, 0, r % 4 ? 3 : 2), IBass, xm::Vol(r % 4 ? 36 : 48));
    if (bendDown && r % 16 == 14) PutEffect(s, p, r + 1, Bass, xm::PortaDown, 0x08);
  }
}

void Melody(TGenXmSong& s, TGenXmPattern& p, int ins, int vol, const char* const bars[4]) {
  for (int bar = 0; bar < 4; ++bar) PutLine(s, p, bar * 16, Lead, ins, vol, bars[bar], 0x46, 0x28);
}

const char* const kTheme[4] = {"E5 . G5 . B5 . . . A5 . G5 . F#5 . E5 .", "E5 . . . G5 . . . C6 . B5 . G5 . . .",
                               "D5 . . . G5 . B5 . D6 . . . B5 . . .", "A5 . . . F#5 . . . ~A5 . . . . . - ."};
const char* const kDrop[4] = {"B5 . B5 . A5 . G5 . E5 . . . G5 . A5 .", "C6 . . . B5 . G5 . E5 . . . . . . .",
                              "D6 . D6 . B5 . G5 . B5 . D6 . E6 . . .", "F#6 . . . . . . . ~D6 . . . . . - ."};
const char* const kCounter[4] = {"A5 . . . . . . . C6 . . . B5 . A5 .", "G5 . . . . . . . E5 . . . ~G5 . . .",
                                 "B5 . . . . . . . G5 . . . E5 . . .", "D#5 . . . F#5 . . . B5 . . . . . - ."};

}  // namespace

TGenXmSong ComposeGameSong() {
  TGenXmSong s = NewSong("rave", 9, 140,
                         {SynthKick(), SynthSnare(), SynthHat(false), SynthHat(true), SynthBass(true), SynthLead(),
                          SynthPad(false), SynthArp(), SynthBell()},
                         {64, 60, 40, 36, 60, 52, 42, 42, 54});

  {  // 0: intro: the beat, then a bass that rises into the groove
    TGenXmPattern& p = s.NewPattern();
    Drums(s, p, true, false, false);
    for (int r = 16; r < 64; r += 2) Put(s, p, r, Hat, C4, IHat, xm::Vol(r % 4 ? 30 : 16));
    PutPadChords(s, p, Pad, IPad, xm::Vol(20), kA, 4, 16);
    Put(s, p, 32, Bass, NoteNumber("E-1"), IBass, xm::Vol(44));
    for (int r = 33; r < 64; ++r) PutEffect(s, p, r, Bass, xm::PortaUp, 0x01);
  }
  {  // 1: the groove
    TGenXmPattern& p = s.NewPattern();
    Drums(s, p, true, true, true);
    BassLine(s, p, kA, false);
    PutPadChords(s, p, Pad, IPad, xm::Vol(26), kA, 4, 16);
  }
  {  // 2: the groove with the theme
    TGenXmPattern& p = s.NewPattern();
    Drums(s, p, true, true, true);
    BassLine(s, p, kA, false);
    PutPadChords(s, p, Pad, IPad, xm::Vol(22), kA, 4, 16);
    Melody(s, p, ILead, xm::Vol(42), kTheme);
  }
  {  // 3: second section: other chords, arpeggios and a counter-melody
    TGenXmPattern& p = s.NewPattern();
    Drums(s, p, true, true, true);
    BassLine(s, p, kB, false);
    PutPadChords(s, p, Pad, IPad, xm::Vol(24), kB, 4, 16);
    PutArpeggios(s, p, Arp, IArp, kB, 24, 24);
    Melody(s, p, ILead, xm::Vol(36), kCounter);
  }
  {  // 4: breakdown: pads, arpeggio and bell, the first bar twice, a snare roll to finish
    TGenXmPattern& p = s.NewPattern();
    PutPadChords(s, p, Pad, IPad, xm::Vol(34), kA, 4, 16);
    PutArpeggios(s, p, Arp, IArp, kA, 20, 20);
    const char* bell = "E6 . . . B5 . . . G5 . . . B5 . . .";
    for (int bar = 0; bar < 3; ++bar) {
      PutLine(s, p, bar * 16, Lead, IBell, xm::Vol(34), bell);
      for (int r = 1; r < 4; ++r) s.At(p, bar * 16 + 12 + r, Lead).Volume = xm::VolDown(2);  // the last bell dies away
    }
    PutEffect(s, p, 0, Kick, xm::Extended, 0x60);
    PutEffect(s, p, 15, Kick, xm::Extended, 0x61);
    for (int r = 48; r < 64; ++r) Put(s, p, r, Snare, C4, ISnare, xm::Vol(12 + (r - 48) * 2));
    for (int r = 60; r < 64; ++r) PutEffect(s, p, r, Snare, xm::Extended, 0x93);
    for (int r = 56; r < 64; ++r) PutEffect(s, p, r, Pad, xm::VolumeSlide, 0x20);
  }
  {  // 5: build-up: doubled kicks and a rising bass, cut short into the drop
    TGenXmPattern& p = s.NewPattern();
    for (int r = 0; r < 32; r += 2) Put(s, p, r, Kick, C4, IKick, xm::Vol(40 + r / 2));
    for (int r = 4; r < 32; r += 8) Put(s, p, r, Snare, C4, ISnare, xm::Vol(40));
    Put(s, p, 0, Bass, NoteNumber("E-2"), IBass, xm::Vol(40));
    for (int r = 1; r < 32; ++r) PutEffect(s, p, r, Bass, xm::PortaUp, 0x02);
    PutPadChords(s, p, Pad, IPad, xm::Vol(30), kA + 3, 1, 16);
    PutEffect(s, p, 32, Kick, xm::Break, 0x00);
  }
  {  // 6: the drop: full beat, bending bass, the second theme over arpeggios
    TGenXmPattern& p = s.NewPattern();
    Drums(s, p, true, true, true);
    BassLine(s, p, kA, true);
    PutArpeggios(s, p, Arp, IArp, kA, 18, 18);
    Melody(s, p, ILead, xm::Vol(44), kDrop);
  }
  {  // 7: turnaround with bell accents, back to the groove
    TGenXmPattern& p = s.NewPattern();
    Drums(s, p, true, true, true);
    BassLine(s, p, kA, false);
    PutPadChords(s, p, Pad, IPad, xm::Vol(26), kA, 4, 16);
    for (int bar = 0; bar < 4; ++bar) Put(s, p, bar * 16 + 10, Lead, ChordNote(kA[bar], 2, 5), IBell, xm::Vol(30));
    PutEffect(s, p, 63, Kick, xm::Jump, 0x01);
  }
  s.Orders = {0, 1, 2, 1, 2, 3, 4, 5, 6, 3, 6, 1, 2, 7};
  return s;
}
