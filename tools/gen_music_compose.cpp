// Note names, chord voicing and the little line notation the generated songs are written in.
#include "gen_music_compose.h"

#include <cctype>
#include <cstring>
#include <string>

int NoteNumber(const char* name) {
  static const int kSemis[7] = {9, 11, 0, 2, 4, 5, 7};  // A B C D E F G
  if (!name || name[0] < 'A' || name[0] > 'G') return 0;
  int semi = kSemis[name[0] - 'A'];
  const char* p = name + 1;
  if (*p == '#') semi += 1, ++p;
  else if (*p == 'b') semi -= 1, ++p;
  else if (*p == '-') ++p;
  if (!std::isdigit(static_cast<unsigned char>(*p))) return 0;
  const int n = 12 * (*p - '0') + semi + 1;
  return n >= 1 && n <= 96 ? n : 0;
}

int ChordNote(TChord c, int degree, int octave) {
  const int interval = degree == 0 ? 0 : degree == 1 ? (c.Minor ? 3 : 4) : 7;
  return 12 * octave + c.Root + interval + 1;
}

void Put(TGenXmSong& s, TGenXmPattern& p, int row, int ch, int note, int ins, int vol, int fx, int param) {
  if (row < 0 || row >= p.Rows || ch < 0 || ch >= s.Channels) return;
  TGenXmCell& c = s.At(p, row, ch);
  if (note) c.Note = static_cast<uint8_t>(note);
  if (ins) c.Instrument = static_cast<uint8_t>(ins);
  if (vol) c.Volume = static_cast<uint8_t>(vol);
  if (fx || param) {
    c.Effect = static_cast<uint8_t>(fx);
    c.Param = static_cast<uint8_t>(param);
  }
}

void PutEffect(TGenXmSong& s, TGenXmPattern& p, int row, int ch, int fx, int param) {
  Put(s, p, row, ch, 0, 0, 0, fx, param);
}

int PutLine(TGenXmSong& s, TGenXmPattern& p, int row, int ch, int ins, int vol, const char* line, int vibrato,
            int slide) {
  std::string text(line);
  size_t at = 0;
  int r = row, held = -1;
  while (at < text.size()) {
    while (at < text.size() && text[at] == ' ') ++at;
    if (at >= text.size()) break;
    size_t end = text.find(' ', at);
    if (end == std::string::npos) end = text.size();
    std::string tok = text.substr(at, end - at);
    at = end;
    if (tok == ".") {
      if (held >= 0 && r - held >= 2) PutEffect(s, p, r, ch, xm::Vibrato, vibrato);
    } else if (tok == "-") {
      Put(s, p, r, ch, xm::KeyOff, 0);
      held = -1;
    } else {
      const bool glide = tok[0] == '~';
      const int n = NoteNumber(tok.c_str() + (glide ? 1 : 0));
      if (glide) Put(s, p, r, ch, n, 0, 0, xm::TonePorta, slide);
      else Put(s, p, r, ch, n, ins, vol);
      held = r;
    }
    ++r;
  }
  return r - row;
}

void PutArpeggios(TGenXmSong& s, TGenXmPattern& p, int ch, int ins, const TChord* chords, int onBeat, int offBeat) {
  for (int r = 0; r < p.Rows; r += 2) {
    const TChord& chord = chords[r / 16];
    Put(s, p, r, ch, ChordNote(chord, 0, 5), ins, xm::Vol(r % 4 ? offBeat : onBeat), xm::Arpeggio,
        chord.Minor ? 0x37 : 0x47);
  }
}

TGenXmSong NewSong(const char* name, int channels, int bpm, std::vector<TGenXmInstrument> instruments,
                   const std::vector<int>& volumes) {
  TGenXmSong s;
  s.Name = name;
  s.Channels = channels;
  s.Speed = 6;
  s.Bpm = bpm;
  s.Restart = 1;
  s.Instruments = std::move(instruments);
  for (size_t i = 0; i < s.Instruments.size() && i < volumes.size(); ++i)
    s.Instruments[i].Volume = static_cast<uint8_t>(volumes[i]);
  return s;
}

void PutPadChords(TGenXmSong& s, TGenXmPattern& p, int ch, int ins, int vol, const TChord* chords, int count,
                  int rows) {
  for (int k = 0; k < count; ++k)
    for (int d = 0; d < 3; ++d) {
      int n = ChordNote(chords[k], d, 4);
      if (n > NoteNumber("G#4")) n -= 12;  // close voicing around middle C
      Put(s, p, k * rows, ch + d, n, ins, vol);
    }
}
