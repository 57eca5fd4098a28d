// The menu song "baits": a calm D minor piece of pads, bell melody and soft drums.
#include "gen_music_compose.h"
#include "gen_music_synth.h"

namespace {

enum Ch { Bass, Pad, Lead = 4, Arp, Kick, Hat };
enum Ins { IPad = 1, IBass, IBell, IArp, IKick, IHat, ILead };

const TChord kA[4] = {{2, true}, {10, false}, {5, false}, {0, false}};   // Dm Bb F C
const TChord kB[4] = {{7, true}, {10, false}, {2, true}, {9, false}};    // Gm Bb Dm A

void BassLine(TGenXmSong& s, TGenXmPattern& p, const TChord* c, bool glide) {
  for (int bar = 0; bar < 4; ++bar) {
    Put(s, p, bar * 16, Bass, ChordNote(c[bar], 0, 2), IBass, xm::Vol(48));
    Put(s, p, bar * 16 + 8, Bass, ChordNote(c[bar], 2, 2), IBass, xm::Vol(40));
    if (glide && bar < 3) Put(s, p, bar * 16 + 12, Bass, ChordNote(c[bar + 1], 0, 2), 0, 0, xm::TonePorta, 0x10);
  }
}

void SoftDrums(TGenXmSong& s, TGenXmPattern& p) {
  for (int r = 0; r < 64; ++r) {
    if (r % 8 == 0) Put(s, p, r, Kick, NoteNumber("C-4"), IKick, xm::Vol(r % 16 ? 28 : 40));
    if (r % 4 == 2) Put(s, p, r, Hat, NoteNumber("C-4"), IHat, xm::Vol(r % 8 == 6 ? 24 : 14), xm::Extended, 0xC2);
  }
}

void Melody(TGenXmSong& s, TGenXmPattern& p, int ch, int ins, int vol, const char* const bars[4]) {
  for (int bar = 0; bar < 4; ++bar) PutLine(s, p, bar * 16, ch, ins, vol, bars[bar]);
}

}  // namespace

TGenXmSong ComposeMenuSong() {
  TGenXmSong s = NewSong("baits", 8, 84,
                         {SynthPad(true), SynthBass(false), SynthBell(), SynthArp(), SynthKick(), SynthHat(false),
                          SynthLead()},
                         {54, 64, 60, 46, 62, 40, 54});

  {  // 0: intro, the pads swell in over a bass drone
    TGenXmPattern& p = s.NewPattern();
    PutPadChords(s, p, Pad, IPad, xm::Vol(8), kA, 4, 16);
    for (int r = 1; r < 12; ++r)
      for (int c = Pad; c < Pad + 3; ++c) PutEffect(s, p, r, c, xm::VolumeSlide, 0x10);
    for (int bar = 1; bar < 4; ++bar)
      for (int c = Pad; c < Pad + 3; ++c) s.At(p, bar * 16, c).Volume = xm::Vol(40);
    Put(s, p, 0, Bass, NoteNumber("D-2"), IBass, xm::Vol(10));
    for (int r = 1; r < 11; ++r) s.At(p, r, Bass).Volume = xm::VolUp(1);
    Put(s, p, 48, Lead, NoteNumber("A-5"), IBell, xm::Vol(30));
    Put(s, p, 56, Lead, NoteNumber("D-6"), IBell, xm::Vol(24));
  }
  {  // 1: the theme on the bell
    TGenXmPattern& p = s.NewPattern();
    PutPadChords(s, p, Pad, IPad, xm::Vol(40), kA, 4, 16);
    BassLine(s, p, kA, false);
    const char* bars[4] = {"A5 . . . F5 . E5 . D5 . . . . . . .", "D5 . F5 . Bb5 . . . A5 . . . F5 . . .",
                           "C6 . . . A5 . . . F5 . G5 . A5 . . .", "G5 . . . E5 . . . C5 . . . . . . ."};
    Melody(s, p, Lead, IBell, xm::Vol(44), bars);
    for (int r = 49; r < 60; ++r) s.At(p, r, Lead).Volume = xm::VolDown(1);
  }
  {  // 2: the theme answered, with arpeggios and soft drums
    TGenXmPattern& p = s.NewPattern();
    PutPadChords(s, p, Pad, IPad, xm::Vol(34), kA, 4, 16);
    BassLine(s, p, kA, false);
    PutArpeggios(s, p, Arp, IArp, kA, 26, 18);
    SoftDrums(s, p);
    const char* bars[4] = {"D6 . . . C6 . A5 . . . G5 . F5 . . .", "F5 . . . D5 . F5 . G5 . . . Bb5 . . .",
                           "A5 . . . . . C6 . A5 . F5 . . . . .", "E5 . . . G5 . . . C6 . . . . . . ."};
    Melody(s, p, Lead, IBell, xm::Vol(40), bars);
  }
  {  // 3: the middle section, a singing lead that slides and bends
    TGenXmPattern& p = s.NewPattern();
    PutPadChords(s, p, Pad, IPad, xm::Vol(34), kB, 4, 16);
    BassLine(s, p, kB, true);
    SoftDrums(s, p);
    const char* bars[4] = {"G5 . . . . . . . ~A5 . . . Bb5 . . .", "D6 . . . . . C6 . Bb5 . . . A5 . . .",
                           "F5 . . . . . . . ~A5 . . . . . . .", "E5 . . . C#5 . . . ~E5 . . . . . - ."};
    Melody(s, p, Lead, ILead, xm::Vol(40), bars);
    for (int r = 57; r < 60; ++r) PutEffect(s, p, r, Lead, xm::PortaUp, 0x03);
    for (int r = 40; r < 44; ++r) PutEffect(s, p, r, Bass, xm::PortaDown, 0x02);
  }
  {  // 4: breakdown: the first bar twice, then on at three quarters
    TGenXmPattern& p = s.NewPattern();
    PutPadChords(s, p, Pad, IPad, xm::Vol(30), kA, 4, 16);
    PutArpeggios(s, p, Arp, IArp, kA, 26, 18);
    PutEffect(s, p, 0, Kick, xm::Extended, 0x60);
    PutEffect(s, p, 15, Kick, xm::Extended, 0x61);
    Put(s, p, 8, Lead, NoteNumber("A-5"), IBell, xm::Vol(30));
    Put(s, p, 36, Lead, NoteNumber("F-5"), IBell, xm::Vol(30));
    PutEffect(s, p, 48, Kick, xm::Break, 0x00);
  }
  {  // 5: ending that fades and leads back to the theme
    TGenXmPattern& p = s.NewPattern(64);
    const TChord end[3] = {kA[0], kA[1], kA[0]};
    PutPadChords(s, p, Pad, IPad, xm::Vol(38), end, 3, 16);
    Put(s, p, 0, Bass, NoteNumber("D-2"), IBass, xm::Vol(44));
    Put(s, p, 16, Bass, NoteNumber("A#1"), IBass, xm::Vol(44));
    Put(s, p, 32, Bass, NoteNumber("D-2"), IBass, xm::Vol(40));
    const char* line = "A5 . . . . . . . G5 . F5 . E5 . . . F5 . . . D5 . . . . . . . . . . . D5 . . .";
    PutLine(s, p, 0, Lead, IBell, xm::Vol(36), line);
    for (int r = 33; r < 48; ++r)
      for (int c = Pad; c < Pad + 3; ++c) PutEffect(s, p, r, c, xm::VolumeSlide, 0x01);
    PutEffect(s, p, 47, Kick, xm::Jump, 0x01);
  }
  s.Orders = {0, 1, 2, 3, 1, 4, 3, 5};
  return s;
}
