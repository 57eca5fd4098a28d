// XM pattern playback: the tick procedure, the first tick of a row and the later ticks.
#include "audio/xm_play.h"

#include "audio/xm_channel.h"
#include "audio/xm_mix.h"
#include "audio/xm_song.h"

// Played for an order whose pattern has no slot (only reachable with an empty song).
static const uint8_t kEmptyCells[64 * kXmMaxChannels * 5] = {};

static int32_t Min(int32_t a, int32_t b) { return a < b ? a : b; }
static int32_t Max(int32_t a, int32_t b) { return a > b ? a : b; }

static bool OrderHasSlot(const TXmSong* song, int32_t order) {
  return order >= 0 && order < 256 && song->orders[order] < song->patternSlots && song->patterns &&
         song->patterns[song->orders[order]].cells;
}

static int32_t OrderRows(const TXmSong* song, int32_t order) {
  return OrderHasSlot(song, order) ? song->patterns[song->orders[order]].rows : 64;
}

static const uint8_t* RowCells(const TXmSong* song) {
  if (!OrderHasSlot(song, song->order)) return kEmptyCells;
  const TXmPattern& p = song->patterns[song->orders[song->order]];
  return p.cells + static_cast<size_t>(song->row) * song->channelCount * 5;
}

// The instrument and sample a channel's current instrument and note give; false (and
// the shared empty ones) when the instrument number is beyond the instrument count.
static bool FindSample(const TXmSong* song, const TXmChannel* ch, const TXmInstrument*& inst, TXmSample*& smp) {
  if (ch->instrument >= 0 && ch->instrument < song->instrumentCount && song->instruments) {
    inst = &song->instruments[ch->instrument];
    uint8_t m = inst->noteMap[Min(Max(ch->note, 0), 95)];
    smp = m < 16 && inst->samples[m] ? inst->samples[m] : &XmEmptySample;
    return true;
  }
  inst = &XmEmptyInstrument;
  smp = &XmEmptySample;
  return false;
}

static int32_t PeriodOf(const TXmSong* song, int32_t note, int32_t finetune) {
  return (song->flags & 1) ? LinearPeriod(note, finetune) : NotePeriod(note, finetune);
}

static void StepEnvelopes(TXmChannel* ch, const TXmInstrument* inst) {
  if ((inst->volType & 1) && !ch->volEnv.finished) StepEnvelope(ch, kXmVolumeEnvelope, inst);
  if ((inst->panType & 1) && !ch->panEnv.finished) StepEnvelope(ch, kXmPanningEnvelope, inst);
}

static void Fadeout(TXmChannel* ch, const TXmInstrument* inst) {
  ch->fadeoutVolume = Max(ch->fadeoutVolume - inst->fadeout, 0);
  ch->flags |= kXmVolume;
}

static void FirstTickEffect(TXmSong* song, TXmChannel* ch, TXmSample* smp, const TXmInstrument* inst,
                            uint8_t effect, uint8_t param, bool& jumped) {
  const int32_t x = param >> 4, y = param & 15;
  switch (effect) {
    case 0x1: if (param) ch->portaUp = param; break;
    case 0x2: if (param) ch->portaDown = param; break;
    case 0x3:
      if (param) ch->tonePortaSpeed = param;
      ch->flags &= static_cast<uint8_t>(~(kXmTrigger | kXmFrequency));
      break;
    case 0x4:
      if (x) ch->vibratoSpeed = x;
      if (y) ch->vibratoDepth = y;
      VibratoStep(ch);
      break;
    case 0x5:
      if (param) ch->volumeSlide = param;
      ch->flags &= static_cast<uint8_t>(~kXmTrigger);
      break;
    case 0x6:
      if (param) ch->volumeSlide = param;
      VibratoStep(ch);
      break;
    case 0x7:
      if (x) ch->tremoloSpeed = x;
      if (y) ch->tremoloDepth = y;
      break;
    case 0x8:
      ch->panning = param;
      ch->flags |= kXmPanning;
      break;
    case 0x9: {
      if (param) ch->sampleOffset = param;
      uint64_t offset = static_cast<uint64_t>(ch->sampleOffset) * 256;
      if (offset < static_cast<uint64_t>(smp->loopStart) + smp->loopLength) {
        if (ch->voice) ch->voice->startOffset = static_cast<uint32_t>(offset);
      } else {
        ch->flags &= static_cast<uint8_t>(~kXmTrigger);
        ch->flags |= kXmRewind;
      }
      break;
    }
    case 0xA: if (param) ch->volumeSlide = param; break;
    case 0xB:
      song->nextOrder = param < song->songLength ? param : 0;
      song->nextRow = 0;
      jumped = true;
      break;
    case 0xC:
      ch->volume = param;
      ch->flags |= kXmVolume;
      break;
    case 0xD:
      song->nextRow = x * 10 + y;
      if (song->nextRow > 63) song->nextRow = 0;
      if (!jumped) {
        song->nextOrder = song->order + 1;
        if (song->nextOrder >= song->songLength) song->nextOrder = 0;
      }
      break;
    case 0xE:
      switch (x) {
        case 0x1:
          if (y) ch->finePortaUp = y;
          ch->period -= ch->finePortaUp * 4;
          break;
        case 0x2:
          if (y) ch->finePortaDown = y;
          ch->period += ch->finePortaDown * 4;
          break;
        case 0x4: ch->waveControl = static_cast<uint8_t>((ch->waveControl & 0xF0) | y); break;
        case 0x5:
          // The empty sample is shared by every missing slot and keeps its finetune of 0.
          if (ch->sample && ch->sample != &XmEmptySample) ch->sample->finetune = static_cast<int8_t>(y);
          break;
        case 0x6:
          if (y == 0) {
            ch->loopStartRow = song->row;
          } else {
            ch->loopCount = ch->loopCount == 0 ? y : ch->loopCount - 1;
            if (ch->loopCount != 0) song->nextRow = ch->loopStartRow;
          }
          break;
        case 0x7: ch->waveControl = static_cast<uint8_t>((ch->waveControl & 0x0F) | (y << 4)); break;
        case 0x8:
          ch->panning = y * 16;
          ch->flags |= kXmPanning;
          break;
        case 0xA:
          if (y) ch->fineVolumeSlide = y;
          ch->volume = Min(ch->volume + ch->fineVolumeSlide, 64);
          break;
        case 0xB:
          if (y) ch->fineVolumeSlide = y;
          ch->volume = Max(ch->volume - ch->fineVolumeSlide, 0);
          break;
        case 0xD:
          ch->volume = ch->savedVolume;
          ch->period = ch->savedPeriod;
          ch->panning = ch->savedPanning;
          ch->flags = 0;
          break;
        case 0xE: song->patternDelay = y * song->speed; break;
        default: break;
      }
      break;
    case 0xF:
      // F00 is ignored, as trackers do; a speed of 0 would make every tick a row.
      if (param >= 32) SongSetBpm(song, param);
      else if (param != 0) song->speed = param;
      break;
    case 16:  // G
      song->globalVolume = Min(param, 64);
      ch->flags |= kXmVolume;
      break;
    case 17:  // H
      if (param) song->globalVolumeSlide = param;
      break;
    case 21:  // L
      if (inst->volType & 1) SetEnvelopePosition(ch, inst, param);
      break;
    case 25:  // P
      if (param) ch->panningSlide = param;
      ch->flags |= kXmPanning;
      break;
    case 27:  // R
      if (param) {
        ch->retrigType = x;
        ch->retrigInterval = y;
      }
      break;
    case 29:  // T
      if (param) {
        ch->tremorOn = x + 1;
        ch->tremorOff = y + 1;
      }
      TremorStep(ch);
      break;
    case 33:  // X
      if (x == 1) {
        if (y) ch->extraFineUp = y;
        ch->period -= ch->extraFineUp;
      } else if (x == 2) {
        if (y) ch->extraFineDown = y;
        ch->period += ch->extraFineDown;
      }
      break;
    default: break;
  }
}

void ProcessRow(TXmSong* song) {
  song->nextOrder = -1;
  song->nextRow = -1;
  const uint8_t* cells = RowCells(song);
  bool jumped = false;
  for (int c = 0; c < song->channelCount && c < kXmMaxChannels; ++c) {
    TXmChannel* ch = &song->channels[c];
    const uint8_t* cell = cells + c * 5;
    const uint8_t note = cell[0], ins = cell[1], vol = cell[2], effect = cell[3], param = cell[4];
    // The volume column's Fx slides to the note as effects 3 and 5 do.
    const bool porta = effect == 3 || effect == 5 || (vol >> 4) == 0xF;
    if (!porta) {
      if (ins) ch->instrument = ins - 1;
      if (note >= 1 && note <= 96) ch->note = note - 1;
    }
    const TXmInstrument* inst;
    TXmSample* smp;
    if (FindSample(song, ch, inst, smp) && !porta) ch->sample = smp;

    ch->savedVolume = ch->volume;
    ch->savedPeriod = ch->period;
    ch->savedPanning = ch->panning;
    if (ch->previousEffect == 7 && effect != 7) ch->volume += ch->volumeDelta;
    ch->previousEffect = effect;
    ch->volumeDelta = 0;
    ch->flags = 0;

    if (note >= 1 && note <= 96) {
      ch->realNote = static_cast<uint8_t>(note - 1 + smp->relativeNote);
      ch->notePeriod = PeriodOf(song, ch->realNote, smp->finetune);
      if (!porta) ch->period = ch->notePeriod;
      ch->flags = kXmTrigger;
    }
    ch->periodDelta = 0;
    ch->flags |= kXmFrequency | kXmVolume;
    if (ins) ResetChannelFromSample(ch, smp);
    if (vol) ApplyVolumeColumn(ch, vol);
    if (note == 255 || effect == 20) ch->keyOff = true;

    // Key-off silences at once only without a volume envelope; with one, the envelope is
    // released (a finished one holds its last value) and the fadeout brings the note down.
    if (inst->volType & 1) {
      if (!ch->volEnv.finished) StepEnvelope(ch, kXmVolumeEnvelope, inst);
    } else if (ch->keyOff) {
      ch->volEnv.output = 0;
    }
    if ((inst->panType & 1) && !ch->panEnv.finished) StepEnvelope(ch, kXmPanningEnvelope, inst);
    if (ch->keyOff) Fadeout(ch, inst);

    FirstTickEffect(song, ch, smp, inst, effect, param, jumped);
    AutoVibrato(ch, inst);
    UpdateVoice(ch, smp, song);
  }
}

static void RetriggerVolume(TXmChannel* ch) {
  int32_t v = ch->volume;
  switch (ch->retrigType) {
    case 1: v -= 1; break;
    case 2: v -= 2; break;
    case 3: v -= 4; break;
    case 4: v -= 8; break;
    case 5: v -= 16; break;
    case 6: v = v * 2 / 3; break;
    case 7: v /= 2; break;
    case 9: v += 1; break;
    case 10: v += 2; break;
    case 11: v += 4; break;
    case 12: v += 8; break;
    case 13: v += 16; break;
    case 14: v = v * 3 / 2; break;
    case 15: v *= 2; break;
    default: break;
  }
  ch->volume = Max(0, Min(v, 64));
}

static void LaterTickEffect(TXmSong* song, TXmChannel* ch, const TXmSample* smp, uint8_t vol, uint8_t effect,
                            uint8_t param) {
  const int32_t x = param >> 4, y = param & 15;
  const int32_t tick = song->tickCounter;
  switch (effect) {
    case 0x0:
      if (param && tick % 3 != 0) {
        const int32_t k = tick % 3 == 1 ? x : y;
        ch->periodDelta = (song->flags & 1) ? k * 64
                                            : NotePeriod(ch->realNote + k, smp->finetune) -
                                                  NotePeriod(ch->realNote, smp->finetune);
        ch->flags |= kXmFrequency;
      }
      break;
    case 0x1:
      ch->period = Max(ch->period - ch->portaUp * 4, 56);
      ch->flags |= kXmFrequency;
      break;
    case 0x2:
      ch->period += ch->portaDown * 4;
      ch->flags |= kXmFrequency;
      break;
    case 0x3: TonePortaStep(ch); break;
    case 0x4:
      VibratoStep(ch);
      VibratoAdvance(ch);
      break;
    case 0x5:
      TonePortaStep(ch);
      VolumeSlide(ch);
      break;
    case 0x6:
      VibratoStep(ch);
      VibratoAdvance(ch);
      VolumeSlide(ch);
      break;
    case 0x7: TremoloStep(ch); break;
    case 0xA: VolumeSlide(ch); break;
    case 0xE:
      if (x == 0x9) {
        if (y != 0 && tick % y == 0) ch->flags |= kXmTrigger | kXmVolume | kXmFrequency;
      } else if (x == 0xC) {
        if (tick == y) {
          ch->volume = 0;
          ch->flags |= kXmVolume;
        }
      } else if (x == 0xD) {
        if (tick == y) {
          ResetChannelFromSample(ch, smp);
          ch->period = ch->notePeriod;
          if (vol) ApplyVolumeColumn(ch, vol);
          ch->flags |= kXmFrequency | kXmTrigger;
        } else {
          ch->flags = 0;
        }
      }
      break;
    case 17: {  // H
      const int32_t mx = song->globalVolumeSlide >> 4, my = song->globalVolumeSlide & 15;
      if (mx) song->globalVolume = Min(song->globalVolume + mx, 64);
      else song->globalVolume = Max(song->globalVolume - my, 0);
      break;
    }
    case 25: {  // P
      const int32_t mx = ch->panningSlide >> 4, my = ch->panningSlide & 15;
      if (mx) ch->panning = Min(ch->panning + mx, 255);
      else ch->panning = Max(ch->panning - my, 0);
      ch->flags |= kXmPanning;
      break;
    }
    case 27:  // R
      if (ch->retrigInterval != 0 && tick % ch->retrigInterval == 0) {
        if (ch->retrigType != 0) {
          RetriggerVolume(ch);
          ch->flags |= kXmVolume;
        }
        ch->flags |= kXmTrigger;
      }
      break;
    case 29: TremorStep(ch); break;  // T
    default: break;
  }
}

void ProcessTick(TXmSong* song) {
  const uint8_t* cells = RowCells(song);
  for (int c = 0; c < song->channelCount && c < kXmMaxChannels; ++c) {
    TXmChannel* ch = &song->channels[c];
    const uint8_t* cell = cells + c * 5;
    const uint8_t vol = cell[2], effect = cell[3], param = cell[4];
    const TXmInstrument* inst;
    TXmSample* smp;
    FindSample(song, ch, inst, smp);
    ch->volumeDelta = 0;
    ch->periodDelta = 0;
    ch->flags = 0;
    StepEnvelopes(ch, inst);
    if (ch->keyOff) Fadeout(ch, inst);
    if (vol >= 0x60) {
      const int32_t y = vol & 15;
      switch (vol >> 4) {
        case 0x6:
          ch->volume = Max(ch->volume - y, 0);
          ch->flags |= kXmVolume;
          break;
        case 0x7:
          ch->volume = Min(ch->volume + y, 64);
          ch->flags |= kXmVolume;
          break;
        case 0xB:
          ch->vibratoDepth = y;
          VibratoStep(ch);
          VibratoAdvance(ch);
          break;
        case 0xD:
          ch->panning -= y;  // unbounded, as on the first tick
          ch->flags |= kXmPanning;
          break;
        case 0xE:
          ch->panning += y;
          ch->flags |= kXmPanning;
          break;
        case 0xF: TonePortaStep(ch); break;
        default: break;
      }
    }
    LaterTickEffect(song, ch, smp, vol, effect, param);
    AutoVibrato(ch, inst);
    UpdateVoice(ch, smp, song);
  }
}

void SongTick(TXmSong* song) {
  if (song->tickCounter != 0) {
    ProcessTick(song);
  } else {
    if (song->nextOrder >= 0) song->order = song->nextOrder;
    if (song->nextRow >= 0) song->row = song->nextRow;
    // An order naming a pattern without a slot continues at order 0, a row past the
    // pattern's end (a break or loop start from a longer pattern) at row 0.
    if (!OrderHasSlot(song, song->order)) song->order = 0;
    const int32_t rows = OrderRows(song, song->order);
    if (song->row < 0 || song->row >= rows) song->row = 0;
    ProcessRow(song);
    if (song->nextRow == -1) {
      song->nextRow = song->row + 1;
      if (song->nextRow >= rows) {
        song->nextOrder = song->order + 1;
        if (song->nextOrder >= song->songLength) song->nextOrder = song->restartPosition;
        song->nextRow = 0;
      }
    }
  }
  song->tickCounter++;
  if (song->tickCounter >= song->speed + song->patternDelay) {
    song->patternDelay = 0;
    song->tickCounter = 0;
  }
}
