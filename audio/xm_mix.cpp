// XM voices: the 256 voice records, the period model and the per-tick voice update (mixing: xm_mixer.cpp).
#include "audio/xm_mix.h"

#include <cmath>
#include <cstdlib>

#include "audio/xm_song.h"

TMixVoice MixVoice[kXmVoices];

void ResetVoices() {
  for (int i = 0; i < kXmVoices; ++i) {
    MixVoice[i] = TMixVoice{};
    MixVoice[i].index = i;
    MixVoice[i].speedInt = 1;
    MixVoice[i].direction = 1;
  }
}

int32_t LinearPeriod(int32_t note, int32_t finetune) { return 7680 - note * 64 - finetune / 2; }

static int32_t AmigaBase(int32_t k) {
  return static_cast<int32_t>(std::nearbyint(13.375 * std::exp2((132 - k) / 12.0)));
}

int32_t NotePeriod(int32_t note, int32_t finetune) {
  int32_t p = AmigaBase(note);
  if (finetune < 0 && note != 0) return p - ((p - AmigaBase(note - 1)) * -finetune) / 128;
  return p + ((AmigaBase(note + 1) - p) * finetune) / 128;
}

bool PeriodFrequency(bool linear, int32_t period, int32_t delta, int32_t& frequency) {
  int64_t pd = static_cast<int64_t>(period) + delta;
  if (pd == 0) return false;
  if (linear) {
    double f = 8363.0 * std::exp2((4608.0 - period + delta) / 768.0);
    f = std::nearbyint(f);
    // Far-off periods (endless fine slides) stay representable.
    frequency = f > 2147483647.0 ? 2147483647 : static_cast<int32_t>(f);
  } else {
    frequency = static_cast<int32_t>(14317056 / pd);
  }
  return true;
}

// Panning 0 is hard left, 255 hard right, as in every XM module.
static void SideVolumes(TMixVoice* v) {
  v->leftVolume = v->volume * (255 - v->panning) / 255;
  v->rightVolume = v->volume * v->panning / 255;
}

void UpdateVoice(TXmChannel* ch, const TXmSample* sample, const TXmSong* song) {
  TMixVoice* v = ch->voice;
  if (!v) return;
  if (static_cast<int64_t>(ch->period) + ch->periodDelta == 0) ch->flags &= static_cast<uint8_t>(~kXmFrequency);
  if (ch->flags & kXmTrigger) {
    if (v->sample) {
      // The old note fades out on the partner voice's twin while the new one starts.
      int partner = v->index < 32 ? v->index + 32 : v->index - 32;
      TMixVoice* copy = &MixVoice[partner];
      *copy = *v;
      copy->index = partner;
      v->volume = v->volumeCopy = v->leftVolume = v->rightVolume = 0;
      ch->voice = copy;
      v = copy;
    }
    v->sample = sample ? sample : &XmEmptySample;
    uint64_t end = static_cast<uint64_t>(v->sample->loopStart) + v->sample->loopLength;
    if (v->startOffset >= end) v->startOffset = 0;
    v->position = static_cast<int32_t>(v->startOffset);
    v->fraction = 0;
    v->direction = 1;
    v->startOffset = 0;
    v->currentLeft = v->currentRight = 0;
    v->rampFrames = 0;
  }
  if (ch->flags & kXmVolume) {
    float f = static_cast<float>(ch->volEnv.output);
    f *= static_cast<float>(ch->volume + ch->volumeDelta);
    f *= static_cast<float>(ch->fadeoutVolume);
    f *= static_cast<float>(song->globalVolume);
    f *= 255.0f;
    f *= 1.0f / 34359738368.0f;  // 2^-35
    v->volume = v->volumeCopy = static_cast<int32_t>(std::lrintf(f));
    SideVolumes(v);
  }
  if (ch->flags & kXmPanning) {
    int32_t p = ch->panning;
    int32_t final = p + ((128 - std::abs(p - 128)) / 32) * (ch->panEnv.output - 32);
    final = final < 0 ? 0 : (final > 255 ? 255 : final);
    v->panning = v->panningCopy = final;
    SideVolumes(v);
  }
  if (ch->flags & kXmFrequency) {
    // Most ticks ask again for the frequency just computed (auto-vibrato flags every tick).
    const bool linear = song->flags & 1;
    int32_t freq;
    bool known = v->frequencyKnown && v->frequencyLinear == linear && v->frequencyPeriod == ch->period &&
                 v->frequencyDelta == ch->periodDelta;
    if (known) {
      freq = v->frequency;
    } else if (PeriodFrequency(linear, ch->period, ch->periodDelta, freq)) {
      v->frequencyKnown = true;
      v->frequencyLinear = linear;
      v->frequencyPeriod = ch->period;
      v->frequencyDelta = ch->periodDelta;
      known = true;
    }
    if (known) {
      v->frequency = freq;
      if (freq < 100) freq = 100;
      uint32_t f = static_cast<uint32_t>(freq);
      v->speedInt = f / kXmMixRate;
      v->speedFrac = static_cast<uint32_t>((static_cast<uint64_t>(f % kXmMixRate) << 32) / kXmMixRate);
    }
  }
  if (ch->flags & kXmRewind) {
    v->position = 0;
    v->fraction = 0;
    v->startOffset = 0;
  }
}
