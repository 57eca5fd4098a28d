// XM channel steps: envelopes, channel reset, volume column and the continuing effects.
#include "audio/xm_channel.h"

#include <climits>
#include <cmath>

#include "audio/xm_song.h"

static const double kPi = 3.141592;

static int32_t Clamp(int32_t v, int32_t lo, int32_t hi) { return v < lo ? lo : (v > hi ? hi : v); }

static int32_t EnvelopeValueClamp(int32_t v) { return Clamp(v, 0, 64 << 16); }

void StepEnvelope(TXmChannel* ch, TXmEnvelopeKind kind, const TXmInstrument* inst) {
  const bool vol = kind == kXmVolumeEnvelope;
  TXmEnvelopeState& e = vol ? ch->volEnv : ch->panEnv;
  const TXmEnvelopePoint* pts = vol ? inst->volPoints : inst->panPoints;
  const int32_t n = Clamp(vol ? inst->volCount : inst->panCount, 0, 12);
  const uint8_t type = vol ? inst->volType : inst->panType;
  const int32_t sustain = vol ? inst->volSustain : inst->panSustain;
  const int32_t loopStart = vol ? inst->volLoopStart : inst->panLoopStart;
  const int32_t loopEnd = vol ? inst->volLoopEnd : inst->panLoopEnd;
  ch->flags |= vol ? kXmVolume : kXmPanning;
  if (e.point >= 0 && e.point < n) {
    if (e.tick == pts[e.point].x) {
      if ((type & 4) && e.point == loopEnd && loopStart < n) {
        e.point = loopStart;
        e.tick = pts[e.point].x;
      }
      const TXmEnvelopePoint& a = pts[e.point];
      if (e.point + 1 >= n) {
        e.value = a.y << 16;
        e.output = Clamp(a.y, 0, 64);
        e.finished = true;
        return;
      }
      if ((type & 2) && e.point == sustain && !ch->keyOff) {
        e.value = a.y << 16;
        e.output = Clamp(a.y, 0, 64);
        return;
      }
      const TXmEnvelopePoint& b = pts[e.point + 1];
      e.step = b.x == a.x ? 0 : ((b.y - a.y) * 65536) / (b.x - a.x);
      e.value = a.y * 65536;
      e.point++;
    } else {
      // Clamped so that points with falling ticks cannot run the value away.
      e.value = EnvelopeValueClamp(e.value + e.step);
    }
  }
  e.output = Clamp(e.value >> 16, 0, 64);
  if (e.tick < INT_MAX) e.tick++;
}

void SetEnvelopePosition(TXmChannel* ch, const TXmInstrument* inst, int32_t tick) {
  TXmEnvelopeState& e = ch->volEnv;
  const TXmEnvelopePoint* pts = inst->volPoints;
  const int32_t n = Clamp(inst->volCount, 0, 12);
  if (n < 1) return;
  int32_t j = -1;
  for (int32_t k = 0; k + 1 < n; ++k) {
    if (pts[k + 1].x >= tick) {
      j = k;
      break;
    }
  }
  ch->flags |= kXmVolume;
  if (j < 0) {
    e.point = n - 1;
    e.tick = tick;
    e.step = 0;
    e.value = pts[n - 1].y << 16;
    e.output = Clamp(pts[n - 1].y, 0, 64);
    e.finished = true;
    return;
  }
  const TXmEnvelopePoint& a = pts[j];
  const TXmEnvelopePoint& b = pts[j + 1];
  e.finished = false;
  e.tick = tick;
  if (tick <= a.x) {
    // Before the first point: the next step reaches it in the usual way.
    e.point = j;
    e.step = 0;
    e.value = a.y << 16;
  } else {
    // The state StepEnvelope leaves after tick - 1, so that the next step is the given tick.
    e.point = j + 1;
    e.step = b.x == a.x ? 0 : ((b.y - a.y) * 65536) / (b.x - a.x);
    e.value = EnvelopeValueClamp((a.y << 16) + (tick - 1 - a.x) * e.step);
  }
  e.output = Clamp(e.value >> 16, 0, 64);
}

void ResetChannelFromSample(TXmChannel* ch, const TXmSample* sample) {
  ch->volume = sample->volume;
  ch->panning = sample->panning;
  ch->volEnv = TXmEnvelopeState{0, 0, 64 << 16, 0, 64, false};
  ch->panEnv = TXmEnvelopeState{0, 0, 32 << 16, 0, 32, false};
  ch->keyOff = false;
  ch->fadeoutVolume = 65536;
  ch->autoVibPos = 0;
  ch->autoVibSweep = 0;
  if ((ch->waveControl & 0x0F) < 4) ch->vibratoPos = 0;
  if ((ch->waveControl >> 4) < 4) ch->tremoloPos = 0;
  ch->tremorCount = 0;
  ch->flags |= kXmVolume | kXmPanning;
}

void ApplyVolumeColumn(TXmChannel* ch, uint8_t value) {
  if (value >= 0x10 && value <= 0x50) {
    ch->volume = value - 16;
    ch->flags |= kXmVolume;
    return;
  }
  const int32_t y = value & 15;
  switch (value >> 4) {
    case 0x6:
    case 0x8:
      ch->volume = ch->volume - y < 0 ? 0 : ch->volume - y;
      ch->flags |= kXmVolume;
      break;
    case 0x7:
    case 0x9:
      ch->volume = ch->volume + y > 64 ? 64 : ch->volume + y;
      ch->flags |= kXmVolume;
      break;
    case 0xA: ch->vibratoSpeed = y; break;
    case 0xB: ch->vibratoDepth = y; break;
    case 0xC:
      ch->panning = y * 16;
      ch->flags |= kXmPanning;
      break;
    case 0xD:
      ch->panning -= y;  // unbounded here; the voice's final panning is clamped
      ch->flags |= kXmPanning;
      break;
    case 0xE:
      ch->panning += y;
      ch->flags |= kXmPanning;
      break;
    case 0xF:
      if (y != 0) ch->tonePortaSpeed = y * 16;
      ch->flags &= static_cast<uint8_t>(~kXmTrigger);
      break;
    default: break;
  }
}

static int32_t SineValue(int32_t pos, double scale, double steps) {
  return static_cast<int32_t>(std::nearbyint(scale * std::sin(pos * 2 * kPi / steps)));
}

// The two sines every tick asks for, worked out once with the same formula.
struct TSineTables {
  int32_t vibrato[64];    // |SineValue(pos, 256, 64)| for positions -32 to 31
  int32_t autoVibrato[256];  // SineValue(pos, 64, 256) for positions 0 to 255
  TSineTables() {
    for (int32_t p = -32; p < 32; ++p) vibrato[p + 32] = std::abs(SineValue(p, 256.0, 64.0));
    for (int32_t p = 0; p < 256; ++p) autoVibrato[p] = SineValue(p, 64.0, 256.0);
  }
};
static const TSineTables Sines;

// Waveform value for vibrato and tremolo positions -32 to 31.
static int32_t WaveValue(int32_t wave, int32_t pos) {
  switch (wave) {
    case 0: return pos >= -32 && pos < 32 ? Sines.vibrato[pos + 32] : std::abs(SineValue(pos, 256.0, 64.0));
    case 1: return (pos >= 0 ? 8 * pos : -8 * pos - 1) & 255;
    default: return 255;
  }
}

void VibratoStep(TXmChannel* ch) {
  const int32_t wave = ch->waveControl & 3;
  const int32_t delta = (WaveValue(wave == 3 ? 2 : wave, ch->vibratoPos) * ch->vibratoDepth) >> 7;
  ch->periodDelta = ch->vibratoPos < 0 ? delta * 4 : -delta * 4;
  ch->flags |= kXmFrequency;
}

void VibratoAdvance(TXmChannel* ch) {
  ch->vibratoPos += ch->vibratoSpeed;
  if (ch->vibratoPos > 31) ch->vibratoPos -= 64;
}

void TremoloStep(TXmChannel* ch) {
  int32_t wave = (ch->waveControl >> 4) & 3;
  if (wave == 3) wave = 0;
  const int32_t delta = (WaveValue(wave, ch->tremoloPos) * ch->tremoloDepth) >> 6;
  if (ch->tremoloPos >= 0) {
    ch->volumeDelta = ch->volume + delta > 64 ? 64 - ch->volume : delta;
  } else {
    ch->volumeDelta = ch->volume - delta < 0 ? -ch->volume : -delta;
  }
  ch->tremoloPos += ch->tremoloSpeed;
  if (ch->tremoloPos >= 32) ch->tremoloPos -= 64;
  ch->flags |= kXmVolume;
}

void TremorStep(TXmChannel* ch) {
  if (ch->tremorCount >= ch->tremorOn) ch->volumeDelta = -ch->volume;
  ch->tremorCount++;
  if (ch->tremorCount >= ch->tremorOn + ch->tremorOff) ch->tremorCount = 0;
  ch->flags |= kXmVolume;
}

void TonePortaStep(TXmChannel* ch) {
  const int32_t target = ch->notePeriod;
  const int32_t step = ch->tonePortaSpeed * 4;
  if (ch->period < target) {
    ch->period = ch->period + step > target ? target : ch->period + step;
  } else if (ch->period > target) {
    ch->period = ch->period - step < target ? target : ch->period - step;
  }
  ch->flags |= kXmFrequency;
}

void VolumeSlide(TXmChannel* ch) {
  const int32_t x = ch->volumeSlide >> 4, y = ch->volumeSlide & 15;
  if (x != 0) ch->volume = ch->volume + x > 64 ? 64 : ch->volume + x;
  else ch->volume = ch->volume - y < 0 ? 0 : ch->volume - y;
  ch->flags |= kXmVolume;
}

void AutoVibrato(TXmChannel* ch, const TXmInstrument* inst) {
  const int32_t pos = ch->autoVibPos;
  int32_t value = 0;
  switch (inst->vibType) {
    case 0: value = pos >= 0 && pos < 256 ? Sines.autoVibrato[pos] : SineValue(pos, 64.0, 256.0); break;
    case 1: value = pos >= 128 ? -64 : 64; break;
    case 2: value = (128 - ((pos + 128) % 256)) >> 1; break;
    case 3: value = (128 - ((384 - pos) % 256)) >> 1; break;
    default: break;
  }
  value *= inst->vibDepth;
  if (inst->vibSweep != 0) value = value * ch->autoVibSweep / inst->vibSweep;
  ch->periodDelta += value >> 6;
  if (ch->autoVibSweep < inst->vibSweep) ch->autoVibSweep++;
  ch->autoVibPos = (ch->autoVibPos + inst->vibRate) & 255;
  ch->flags |= kXmFrequency;
}
