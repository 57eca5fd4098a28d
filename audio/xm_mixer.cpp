// XM mixer: adds every voice into the float mix buffer, stretch by stretch between boundaries and ramp ends.
#include <cmath>

#include "audio/xm_mix.h"
#include "audio/xm_mix_run.h"
#include "audio/xm_song.h"

static const float kInv255 = 1.0f / 255.0f;
static const float kInv256 = 1.0f / 256.0f;
// Stand-in speed for a voice whose speed is 0, used only to count frames to a boundary.
static const uint64_t kZeroSpeedStandIn = 0x017C6F8Cu;
// Distances of 2^24 samples and more are not tracked to the boundary in one pass.
static const int64_t kFarDistance = int64_t{1} << 56;

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

// Ramp set-up: a running ramp towards unchanged targets goes on; otherwise each side whose
// target differs from its current volume starts one.
static void SetUpRamp(TMixVoice* v) {
  if (v->rampFrames > 0 && v->leftVolume == v->lastLeft && v->rightVolume == v->lastRight) return;
  const float rampInv = XmOutput.invRampLength;
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

// Moves a silent looping voice n frames on along its walk, in one go.
static void SkipWalk(TXmWalk& w, int32_t n) {
  const uint64_t step = static_cast<uint64_t>(w.step);
  while (n > 0) {
    // Whole frames whose distance cannot overflow (all of them at any real speed).
    int32_t k = n;
    if (step > (uint64_t{1} << 52) >> 10 || n > 1024) {
      const uint64_t most = (uint64_t{1} << 62) / step;
      if (most < static_cast<uint64_t>(n)) k = static_cast<int32_t>(most > 0 ? most : 1);
    }
    w.z += static_cast<int64_t>(step * static_cast<uint64_t>(k));
    if (w.z >= w.period) {
      w.z -= w.period;  // mostly enough: a block rarely covers the loop more than once
      if (w.z >= w.period) w.z %= w.period;
    }
    n -= k;
  }
}

static void MixOne(TMixVoice* v, float* dst, int32_t frames) {
  const TXmSample* smp = v->sample;
  const bool playable = smp->data && smp->length > 0;
  int64_t pos = static_cast<int64_t>(static_cast<uint64_t>(static_cast<int64_t>(v->position)) << 32) |
                static_cast<int64_t>(v->fraction);
  const uint64_t speed = (static_cast<uint64_t>(v->speedInt) << 32) | v->speedFrac;
  const uint64_t sp = speed ? speed : kZeroSpeedStandIn;
  const int64_t s = playable ? static_cast<int64_t>(smp->loopStart) << 32 : 0;
  const int64_t e =
      playable ? static_cast<int64_t>(static_cast<uint64_t>(smp->loopStart) + smp->loopLength) << 32 : 0;
  const uint8_t mode = playable ? smp->loopMode : 0;
  // Loops short enough that every distance to a boundary is tracked can be walked.
  const bool walkable = (mode == 2 || mode == 4) && e > s && e < kFarDistance && speed != 0;
  const int16_t* data = smp->data;
  const int64_t readable = playable ? static_cast<int64_t>(smp->length) + 8 : 0;
  int32_t remaining = frames;
  while (remaining > 0) {
    SetUpRamp(v);
    const bool ramping = v->rampFrames > 0;
    if (!ramping && walkable &&
        (v->direction == 1 ? pos < e : (mode == 4 && v->direction == 2 && pos >= s && pos < e))) {
      // The rest of the call in one pass, loop boundaries and all.
      const bool fold = mode == 4;
      TXmWalk w{0, static_cast<int64_t>(speed), s, e - s, fold ? 2 * (e - s) : e - s, readable};
      w.z = v->direction == 1 ? pos - s : 2 * w.len - 1 - (pos - s);
      float lg = v->leftVolume * kInv255, rg = v->rightVolume * kInv255;
      if (lg == 0.0f && rg == 0.0f) SkipWalk(w, remaining);
      else if (fold) MixRun(kXmFold, false, data, w, dst, remaining, lg, rg, 0.0f, 0.0f);
      else MixRun(kXmWrap, false, data, w, dst, remaining, lg, rg, 0.0f, 0.0f);
      const bool backward = fold && w.z >= w.len;
      pos = backward ? s + 2 * w.len - 1 - w.z : s + w.z;
      v->direction = backward ? 2 : 1;
      break;
    }

    // Boundary: the frames until the loop end (or start, backward) or the sample's end.
    int32_t n = remaining;
    bool boundary = false;
    if (!playable) {
      n = 0;
      boundary = true;
    } else {
      // Backward, positions down to the loop start itself are still inside the loop.
      int64_t dist = v->direction == 1 ? e - pos : pos - s + 1;
      if (ramping && dist > static_cast<int64_t>(v->rampFrames) * static_cast<int64_t>(sp)) {
        // The ramp ends first: no need to count the frames to the boundary.
      } else if (dist <= 0) {
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
    // While a ramp runs, a pass mixes at most the ramp's remaining frames.
    if (ramping && n > v->rampFrames) {
      n = v->rampFrames;
      boundary = false;
    }
    if (n > 0) {
      const int64_t step = v->direction == 1 ? static_cast<int64_t>(speed) : -static_cast<int64_t>(speed);
      TXmWalk line{pos, step, 0, 0, 0, readable};
      if (ramping) {
        float lg = v->currentLeft * kInv256 * kInv255, rg = v->currentRight * kInv256 * kInv255;
        MixRun(kXmLine, true, data, line, dst, n, lg, rg, v->leftStep, v->rightStep);
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
        float lg = v->leftVolume * kInv255, rg = v->rightVolume * kInv255;
        if (lg == 0.0f && rg == 0.0f) line.z += line.step * n;  // silent: only the position moves
        else MixRun(kXmLine, false, data, line, dst, n, lg, rg, 0.0f, 0.0f);
      }
      pos = line.z;
    }
    if (boundary) {
      if (mode == 2) {
        if (pos >= e) pos -= ((pos - e) / (e - s) + 1) * (e - s);
      } else if (mode == 4) {
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
