// Composition helpers shared by the two generated songs: note names, chords and written lines.
#pragma once

#include "gen_xm_writer.h"

namespace xm {
enum : uint8_t {
  Arpeggio = 0x0,
  PortaUp = 0x1,
  PortaDown = 0x2,
  TonePorta = 0x3,
  Vibrato = 0x4,
  VolumeSlide = 0xA,
  Jump = 0xB,
  Break = 0xD,
  Extended = 0xE,
};
const uint8_t KeyOff = 97;
inline uint8_t Vol(int v) { return static_cast<uint8_t>(0x10 + v); }  // volume column: set
inline uint8_t VolDown(int x) { return static_cast<uint8_t>(0x60 + x); }
inline uint8_t VolUp(int x) { return static_cast<uint8_t>(0x70 + x); }
}  // namespace xm

// "C-4", "C4", "F#5", "Bb3" -> 1..96 (C-0 = 1); 0 for anything else.
int NoteNumber(const char* name);

struct TChord {
  int Root;  // semitone 0 (C) .. 11 (B)
  bool Minor;
};
// The chord's degree (0 root, 1 third, 2 fifth) in the given octave.
int ChordNote(TChord c, int degree, int octave);

// Writes one cell; zero fields are left as they are.
void Put(TGenXmSong& s, TGenXmPattern& p, int row, int ch, int note, int ins, int vol = 0, int fx = 0, int param = 0);
void PutEffect(TGenXmSong& s, TGenXmPattern& p, int row, int ch, int fx, int param);

// A written line of one token per row starting at `row`: "." holds, "-" releases, a note name
// plays, "~" before a note slides into it (tone portamento). Notes held three rows or more get
// a vibrato from their third row on. Returns the rows written.
int PutLine(TGenXmSong& s, TGenXmPattern& p, int row, int ch, int ins, int vol, const char* line,
            int vibrato = 0x34, int slide = 0x20);

// Quick arpeggiated chords every other row: louder on the beat, softer between.
void PutArpeggios(TGenXmSong& s, TGenXmPattern& p, int ch, int ins, const TChord* chords, int onBeat, int offBeat);

// A song at speed 6 that loops back to its second order, its instruments at the given volumes.
TGenXmSong NewSong(const char* name, int channels, int bpm, std::vector<TGenXmInstrument> instruments,
                   const std::vector<int>& volumes);

// Three pad voices (channels ch, ch+1, ch+2) holding each chord for `rows` rows.
void PutPadChords(TGenXmSong& s, TGenXmPattern& p, int ch, int ins, int vol, const TChord* chords, int count, int rows);

TGenXmSong ComposeMenuSong();  // "baits": calm, D minor
TGenXmSong ComposeGameSong();  // "rave": driving, E minor
