// XM mixer: voices with interpolation, loops and volume ramps; periods and the voice update.
#include "audio/xm_mix.h"

#include <cmath>
#include <cstdlib>

#include "audio/xm_song.h"

TMixVoice MixVoice[kXmVoices];

static const float kInv255 = 1.0f / 255.0f;
static const float kInv256 = 1.0f / 256.0f;
static const float kInv2p32 = 1.0f / 4294967296.0f;
// Stand-in speed for a voice whose speed is 0, used only to count frames to a boundary.
static const uint64_t kZeroSpeedStandIn = 0x017C6F8Cu;
// Distances of 2^24 samples and more are not tracked to the boundary in one pass.
static const int64_t kFarDistance = int64_t{1} << 56;

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
    int32_t freq;
    if (PeriodFrequency(song->flags & 1, ch->period, ch->periodDelta, freq)) {
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

// Maps a position past a ping-pong boundary back into the loop. The loop is unfolded
// into a forward line of period 2L, which equals reflecting at E (2E - p - 2^-32) and at
// the loop start (2S - p - 2^-32) as often as needed.
static void PingPong(int64_t& pos, uint8_t& dir, int64_t s, int64_t e) {
  const int64_t len = e - s;
  int64_t z = dir == 1 ? pos - s : 2 * len - 1 - (pos - s);
  int64_t w = z % (2 * len);
  if (w < 0) w += 2 * len;
  if (w < len) {
    pos = s + w;
    dir = 1;
  } else {
    pos = s + 2 * len - 1 - w;
    dir = 2;
  }
}

static void MixOne(TMixVoice* v, float* dst, int32_t frames) {
  const TXmSample* smp = v->sample;
  int64_t pos = static_cast<int64_t>(static_cast<uint64_t>(static_cast<int64_t>(v->position)) << 32) |
                static_cast<int64_t>(v->fraction);
  const uint64_t speed = (static_cast<uint64_t>(v->speedInt) << 32) | v->speedFrac;
  const float rampInv = XmOutput.invRampLength;
  int32_t remaining = frames;
  while (remaining > 0) {
    int32_t n = remaining;
    bool boundary = false;
    int64_t s = 0, e = 0;
    if (!smp->data || smp->length == 0) {
      n = 0;
      boundary = true;
    } else {
      s = static_cast<int64_t>(smp->loopStart) << 32;
      e = static_cast<int64_t>(static_cast<uint64_t>(smp->loopStart) + smp->loopLength) << 32;
      // Backward, positions down to the loop start itself are still inside the loop.
      int64_t dist = v->direction == 1 ? e - pos : pos - s + 1;
      uint64_t sp = speed ? speed : kZeroSpeedStandIn;
      if (dist <= 0) {
        n = 0;
        boundary = true;
      } else if (dist < kFarDistance) {
        uint64_t until = (static_cast<uint64_t>(dist) + sp - 1) / sp;
        if (until <= static_cast<uint64_t>(remaining)) {
          n = static_cast<int32_t>(until);
          boundary = true;
        }
      } else {
        uint64_t most = static_cast<uint64_t>(kFarDistance) / sp;
        if (most < 1) most = 1;
        if (most < static_cast<uint64_t>(n)) n = static_cast<int32_t>(most);
      }
    }
    // Ramp set-up: a running ramp towards unchanged targets goes on.
    if (!(v->rampFrames > 0 && v->leftVolume == v->lastLeft && v->rightVolume == v->lastRight)) {
      v->lastLeft = v->leftVolume;
      v->lastRight = v->rightVolume;
      v->rampFrames = 0;
      v->leftStep = v->rightStep = 0;
      if (v->leftVolume != v->currentLeft / 256) {
        v->leftStep = (v->leftVolume - v->currentLeft * kInv256) * kInv255 * rampInv;
        v->rampFrames = XmOutput.rampLength;
      }
      if (v->rightVolume != v->currentRight / 256) {
        v->rightStep = (v->rightVolume - v->currentRight * kInv256) * kInv255 * rampInv;
        v->rampFrames = XmOutput.rampLength;
      }
    }
    const bool ramping = v->rampFrames > 0;
    if (ramping && n > v->rampFrames) {
      n = v->rampFrames;
      boundary = false;
    }
    if (n > 0) {
      const int16_t* data = smp->data;
      const int64_t step = v->direction == 1 ? static_cast<int64_t>(speed) : -static_cast<int64_t>(speed);
      float* out = dst;
      if (ramping) {
        float lg = v->currentLeft * kInv256 * kInv255, rg = v->currentRight * kInv256 * kInv255;
        for (int32_t i = 0; i < n; ++i) {
          int64_t idx = pos >> 32;
          float t = static_cast<float>(static_cast<uint32_t>(pos)) * kInv2p32;
          float s0 = data[idx], s1 = data[idx + 1];
          float x = s0 + t * (s1 - s0);
          out[0] += x * lg;
          out[1] += x * rg;
          out += 2;
          lg += v->leftStep;
          rg += v->rightStep;
          pos += step;
        }
        v->currentLeft = static_cast<int32_t>(std::lrintf(lg * 255.0f * 256.0f));
        v->currentRight = static_cast<int32_t>(std::lrintf(rg * 255.0f * 256.0f));
        v->rampFrames -= n;
        if (v->rampFrames <= 0) {
          v->rampFrames = 0;
          v->leftStep = v->rightStep = 0;
          v->currentLeft = v->leftVolume * 256;
          v->currentRight = v->rightVolume * 256;
        }
      } else {
        const float lg = v->leftVolume * kInv255, rg = v->rightVolume * kInv255;
        if (lg == 0.0f && rg == 0.0f) {
          pos += step * n;  // silent: only the position moves
        } else {
          int32_t i = 0;
          for (; i + 1 < n; i += 2) {
            int64_t i0 = pos >> 32;
            float t0 = static_cast<float>(static_cast<uint32_t>(pos)) * kInv2p32;
            int64_t p1 = pos + step;
            int64_t i1 = p1 >> 32;
            float t1 = static_cast<float>(static_cast<uint32_t>(p1)) * kInv2p32;
            float a0 = data[i0], a1 = data[i0 + 1], b0 = data[i1], b1 = data[i1 + 1];
            float x0 = a0 + t0 * (a1 - a0), x1 = b0 + t1 * (b1 - b0);
            out[0] += x0 * lg;
            out[1] += x0 * rg;
            out[2] += x1 * lg;
            out[3] += x1 * rg;
            out += 4;
            pos = p1 + step;
          }
          if (i < n) {
            int64_t i0 = pos >> 32;
            float t0 = static_cast<float>(static_cast<uint32_t>(pos)) * kInv2p32;
            float a0 = data[i0], a1 = data[i0 + 1];
            float x0 = a0 + t0 * (a1 - a0);
            out[0] += x0 * lg;
            out[1] += x0 * rg;
            pos += step;
          }
        }
      }
    }
    if (boundary) {
      if (smp->data && smp->length > 0 && smp->loopMode == 2) {
        if (pos >= e) pos -= ((pos - e) / (e - s) + 1) * (e - s);
      } else if (smp->data && smp->length > 0 && smp->loopMode == 4) {
        PingPong(pos, v->direction, s, e);
      } else {
        v->sample = nullptr;
        v->position = 0;
        v->fraction = 0;
        return;
      }
    }
    remaining -= n;
    dst += static_cast<size_t>(n) * 2;
  }
  v->position = static_cast<int32_t>(pos >> 32);
  v->fraction = static_cast<uint32_t>(pos);
}

void MixVoices(float* destination, int32_t frames) {
  if (frames <= 0 || !destination) return;
  for (int i = 0; i < kXmMixedVoices; ++i)
    if (MixVoice[i].sample) MixOne(&MixVoice[i], destination, frames);
}
