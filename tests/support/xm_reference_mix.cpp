// The straightforward XM mixer and block conversion, a sample at a time as designed; the fast ones must match them.
#include "support/xm_reference_mix.h"

#include <cmath>

#include "audio/xm_mix.h"
#include "audio/xm_song.h"

static const float kInv255 = 1.0f / 255.0f;
static const float kInv256 = 1.0f / 256.0f;
static const float kInv2p32 = 1.0f / 4294967296.0f;
static const uint64_t kZeroSpeedStandIn = 0x017C6F8Cu;
static const int64_t kFarDistance = int64_t{1} << 56;

// The sample at a 32.32 position, linearly between its two neighbours.
static float Interpolate(const int16_t* data, int64_t pos) {
  int64_t idx = pos >> 32;
  float t = static_cast<float>(static_cast<uint32_t>(pos)) * kInv2p32;
  float s0 = data[idx], s1 = data[idx + 1];
  return s0 + t * (s1 - s0);
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
          float x = Interpolate(data, pos);
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
          for (int32_t i = 0; i < n; ++i) {
            float x = Interpolate(data, pos);
            out[0] += x * lg;
            out[1] += x * rg;
            out += 2;
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

void ReferenceMixVoices(float* destination, int32_t frames) {
  if (frames <= 0 || !destination) return;
  for (int i = 0; i < kXmMixedVoices; ++i)
    if (MixVoice[i].sample) MixOne(&MixVoice[i], destination, frames);
}

void ReferenceConvertBlock(const float* mix, uint32_t* out, int32_t frames) {
  for (int32_t i = 0; i < frames; ++i) {
    float l = mix[2 * i], r = mix[2 * i + 1];
    l = l < -32768.0f ? -32768.0f : (l > 32767.0f ? 32767.0f : l);
    r = r < -32768.0f ? -32768.0f : (r > 32767.0f ? 32767.0f : r);
    uint32_t lo = static_cast<uint16_t>(static_cast<int16_t>(std::lrintf(l)));
    uint32_t hi = static_cast<uint16_t>(static_cast<int16_t>(std::lrintf(r)));
    out[i] = lo | (hi << 16);
  }
}
