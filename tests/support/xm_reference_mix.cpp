// The straightforward XM mixer and block conversion, a frame at a time as designed; the fast ones must match them.
#include "support/xm_reference_mix.h"

#include "audio/xm_mix.h"
#include "audio/xm_song.h"

static const float kInv255 = 1.0f / 255.0f, kInv256 = 1.0f / 256.0f;

// Maps a position past a ping-pong boundary back into the loop, unfolded into a forward line
// of period 2L: the same as reflecting at the end and at the start as often as needed.
static void PingPong(int64_t& pos, uint8_t& dir, int64_t s, int64_t e) {
  const int64_t len = e - s, z = dir == 1 ? pos - s : 2 * len - 1 - (pos - s);
  const int64_t w = (z % (2 * len) + 2 * len) % (2 * len);
  dir = w < len ? 1 : 2;
  pos = w < len ? s + w : s + 2 * len - 1 - w;
}

// Stretch by stretch: each ends at a loop boundary, the end of a ramp or the end of the block,
// and a ramp's gains are stored (rounded) at the end of each stretch.
static void MixOne(TMixVoice* v, float* dst, int32_t frames) {
  const TXmSample* smp = v->sample;
  const bool playable = smp->data && smp->length > 0;
  const int64_t s = int64_t{smp->loopStart} << 32, e = (int64_t{smp->loopStart} + smp->loopLength) << 32;
  const uint64_t speed = (uint64_t{v->speedInt} << 32) | v->speedFrac, sp = speed ? speed : 0x017C6F8Cu;
  int64_t pos = (int64_t{v->position} << 32) | v->fraction;
  for (int32_t remaining = frames; remaining > 0;) {
    int32_t n = 0;
    bool boundary = true;
    if (playable) {  // backward, positions down to the loop start itself are still inside the loop
      const int64_t dist = v->direction == 1 ? e - pos : pos - s + 1;
      const uint64_t until = dist <= 0 ? 0 : (static_cast<uint64_t>(dist) + sp - 1) / sp;
      boundary = until <= static_cast<uint64_t>(remaining);
      n = boundary ? static_cast<int32_t>(until) : remaining;
    }
    // A running ramp towards unchanged targets goes on; otherwise each side off its target starts one.
    if (v->rampFrames <= 0 || v->leftVolume != v->lastLeft || v->rightVolume != v->lastRight) {
      const bool left = v->leftVolume != v->currentLeft / 256, right = v->rightVolume != v->currentRight / 256;
      v->lastLeft = v->leftVolume;
      v->lastRight = v->rightVolume;
      v->rampFrames = left || right ? XmOutput.rampLength : 0;
      v->leftStep = left ? (v->leftVolume - v->currentLeft * kInv256) * kInv255 * XmOutput.invRampLength : 0;
      v->rightStep = right ? (v->rightVolume - v->currentRight * kInv256) * kInv255 * XmOutput.invRampLength : 0;
    }
    const bool ramping = v->rampFrames > 0;
    if (ramping && n > v->rampFrames) n = v->rampFrames, boundary = false;
    float lg = ramping ? v->currentLeft * kInv256 * kInv255 : v->leftVolume * kInv255;
    float rg = ramping ? v->currentRight * kInv256 * kInv255 : v->rightVolume * kInv255;
    const bool audible = ramping || lg != 0.0f || rg != 0.0f;
    for (int32_t i = 0; i < n; ++i, pos += v->direction == 1 ? int64_t(speed) : -int64_t(speed)) {
      if (!audible) continue;  // silent: only the position moves
      const int64_t idx = pos >> 32;
      const float t = static_cast<float>(static_cast<uint32_t>(pos)) * (1.0f / 4294967296.0f);
      const float x = smp->data[idx] + t * (smp->data[idx + 1] - smp->data[idx]);
      dst[2 * i] += x * lg;
      dst[2 * i + 1] += x * rg;
      if (ramping) lg += v->leftStep, rg += v->rightStep;
    }
    if (ramping && n > 0) {
      v->currentLeft = static_cast<int32_t>(std::lrintf(lg * 255.0f * 256.0f));
      v->currentRight = static_cast<int32_t>(std::lrintf(rg * 255.0f * 256.0f));
      if ((v->rampFrames -= n) <= 0) {
        v->rampFrames = 0;
        v->leftStep = v->rightStep = 0;
        v->currentLeft = v->leftVolume * 256;
        v->currentRight = v->rightVolume * 256;
      }
    }
    if (boundary && playable && smp->loopMode == 2) {
      if (pos >= e) pos -= ((pos - e) / (e - s) + 1) * (e - s);
    } else if (boundary && playable && smp->loopMode == 4) {
      PingPong(pos, v->direction, s, e);
    } else if (boundary) {
      v->sample = nullptr;
      v->position = 0;
      v->fraction = 0;
      return;
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
  auto word = [](float f) { return uint32_t{static_cast<uint16_t>(std::lrintf(std::clamp(f, -32768.0f, 32767.0f)))}; };
  for (int32_t i = 0; i < frames; ++i) out[i] = word(mix[2 * i]) | word(mix[2 * i + 1]) << 16;
}
