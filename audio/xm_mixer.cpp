// XM mixer: adds the voices into the float mix buffer, four frames at a time where SSE2 exists.
#include <cmath>
#include <cstring>

#include "audio/xm_mix.h"
#include "audio/xm_song.h"

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#include <emmintrin.h>
#define XM_SSE2 1
#endif

static const float kInv255 = 1.0f / 255.0f;
static const float kInv256 = 1.0f / 256.0f;
static const float kInv2p32 = 1.0f / 4294967296.0f;
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

// How the position moves through a stretch. A line is a plain 32.32 position with a signed
// step. A looping voice that is not ramping walks its loop without stopping at the
// boundaries: z is the offset from the loop start, wrapped by the loop length (forward
// loop) or, unfolded, by twice the loop length (ping-pong), which is exactly what the
// boundary rule does each time the position crosses. Crossings only matter to ramps,
// whose gains are re-rounded at every boundary, so ramps keep to lines.
enum TPath { kLine, kWrap, kFold };

struct TWalk {
  int64_t z;       // kLine: the position; otherwise the offset from the loop start
  int64_t step;    // per frame (negative on a backward line)
  int64_t start;   // loop start, 32.32
  int64_t len;     // loop length, 32.32
  int64_t period;  // len (kWrap) or 2 len (kFold)
};

template <TPath P>
static inline int64_t WalkPosition(const TWalk& w) {
  if (P == kLine) return w.z;
  if (P == kWrap || w.z < w.len) return w.start + w.z;
  return w.start + 2 * w.len - 1 - w.z;
}

template <TPath P>
static inline void WalkAdvance(TWalk& w) {
  w.z += w.step;
  if (P != kLine) {
    w.z -= w.z >= w.period ? w.period : 0;
    if (w.z >= w.period) w.z %= w.period;  // only when one frame covers more than the loop
  }
}

static inline float MixFrame(const int16_t* data, int64_t pos) {
  const int64_t idx = pos >> 32;
  const float t = static_cast<float>(static_cast<uint32_t>(pos)) * kInv2p32;
  const float s0 = data[idx], s1 = data[idx + 1];
  return s0 + t * (s1 - s0);
}

#ifdef XM_SSE2
// Two neighbouring samples as one 32-bit word: the first in the low half (x86 is little-endian).
static inline __m128i SamplePair(const int16_t* data, int64_t pos) {
  int32_t w;
  std::memcpy(&w, data + (pos >> 32), 4);
  return _mm_cvtsi32_si128(w);
}

// MixFrame for four positions whose fractions are given, with the same single-precision
// operations in the same order.
static inline __m128 MixFrames4(const int16_t* data, int64_t p0, int64_t p1, int64_t p2, int64_t p3, __m128i frac) {
  const __m128i words = _mm_unpacklo_epi64(_mm_unpacklo_epi32(SamplePair(data, p0), SamplePair(data, p1)),
                                           _mm_unpacklo_epi32(SamplePair(data, p2), SamplePair(data, p3)));
  const __m128 s0 = _mm_cvtepi32_ps(_mm_srai_epi32(_mm_slli_epi32(words, 16), 16));
  const __m128 s1 = _mm_cvtepi32_ps(_mm_srai_epi32(words, 16));
  // The unsigned fraction converted exactly as a scalar conversion rounds it: both halves
  // are exact in single precision, so their sum is rounded once.
  const __m128 hi = _mm_cvtepi32_ps(_mm_srli_epi32(frac, 16));
  const __m128 lo = _mm_cvtepi32_ps(_mm_and_si128(frac, _mm_set1_epi32(0xFFFF)));
  const __m128 t = _mm_mul_ps(_mm_add_ps(_mm_mul_ps(hi, _mm_set1_ps(65536.0f)), lo), _mm_set1_ps(kInv2p32));
  return _mm_add_ps(s0, _mm_mul_ps(t, _mm_sub_ps(s1, s0)));
}

// Four frames on a straight line p, p + d, p + 2d, p + 3d; the fractions are the low halves.
struct TLine4 {
  int64_t d1, d2, d3;
  __m128i fracSteps;  // 0, d, 2d, 3d in the low 32 bits
  explicit TLine4(int64_t d)
      : d1(d), d2(2 * d), d3(3 * d),
        fracSteps(_mm_setr_epi32(0, static_cast<int32_t>(d), static_cast<int32_t>(2 * d), static_cast<int32_t>(3 * d))) {}
};

static inline __m128 MixLine4(const int16_t* data, int64_t p, const TLine4& l) {
  const __m128i frac = _mm_add_epi32(_mm_set1_epi32(static_cast<int32_t>(p)), l.fracSteps);
  return MixFrames4(data, p, p + l.d1, p + l.d2, p + l.d3, frac);
}

template <TPath P>
static inline __m128 MixWalk4(const int16_t* data, TWalk& w, const TLine4& forward, const TLine4& backward) {
  if (P == kLine) {
    const __m128 x = MixLine4(data, w.z, forward);
    w.z += 4 * w.step;
    return x;
  }
  // Four frames that stay on one side of every boundary are a straight line.
  const int64_t z3 = w.z + 3 * w.step;
  __m128 x;
  if (z3 < w.len) {
    x = MixLine4(data, w.start + w.z, forward);
  } else if (P == kFold && w.z >= w.len && z3 < w.period) {
    x = MixLine4(data, w.start + 2 * w.len - 1 - w.z, backward);
  } else {
    int64_t p[4];
    for (int64_t& q : p) {
      q = WalkPosition<P>(w);
      WalkAdvance<P>(w);
    }
    const __m128i frac = _mm_setr_epi32(static_cast<int32_t>(p[0]), static_cast<int32_t>(p[1]),
                                        static_cast<int32_t>(p[2]), static_cast<int32_t>(p[3]));
    return MixFrames4(data, p[0], p[1], p[2], p[3], frac);
  }
  w.z += 4 * w.step;
  w.z -= w.z >= w.period ? w.period : 0;
  if (w.z >= w.period) w.z %= w.period;
  return x;
}
#endif

// Adds n frames of one voice. Without a ramp the gains stay; with one they grow by their
// steps after every frame and are handed back as they end.
template <TPath P, bool Ramp>
static void MixRun(const int16_t* data, TWalk& w, float* out, int32_t n, float& lg, float& rg, float ls, float rs) {
  int32_t i = 0;
#ifdef XM_SSE2
  if (n >= 4) {
    const TLine4 forward(w.step), backward(-w.step);
    // Gains of frames i, i+1 and i+2, i+3; a lane advanced by two single steps is exactly
    // the gain two frames on.
    const __m128 st = _mm_setr_ps(ls, rs, ls, rs);
    __m128 g01 = Ramp ? _mm_setr_ps(lg, rg, lg + ls, rg + rs) : _mm_setr_ps(lg, rg, lg, rg);
    __m128 g23 = Ramp ? _mm_add_ps(_mm_add_ps(g01, st), st) : g01;
    for (; i + 4 <= n; i += 4) {
      const __m128 x = MixWalk4<P>(data, w, forward, backward);
      _mm_storeu_ps(out, _mm_add_ps(_mm_loadu_ps(out), _mm_mul_ps(_mm_unpacklo_ps(x, x), g01)));
      _mm_storeu_ps(out + 4, _mm_add_ps(_mm_loadu_ps(out + 4), _mm_mul_ps(_mm_unpackhi_ps(x, x), g23)));
      out += 8;
      if (Ramp) {
        g01 = _mm_add_ps(_mm_add_ps(g23, st), st);
        g23 = _mm_add_ps(_mm_add_ps(g01, st), st);
      }
    }
    if (Ramp) {
      float g[4];
      _mm_storeu_ps(g, g01);
      lg = g[0];
      rg = g[1];
    }
  }
#endif
  for (; i < n; ++i) {
    const float x = MixFrame(data, WalkPosition<P>(w));
    out[0] += x * lg;
    out[1] += x * rg;
    out += 2;
    if (Ramp) {
      lg += ls;
      rg += rs;
    }
    WalkAdvance<P>(w);
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
static void SkipWalk(TWalk& w, int32_t n) {
  const uint64_t step = static_cast<uint64_t>(w.step);
  while (n > 0) {
    // Whole frames whose distance cannot overflow, wrapping after each part.
    const uint64_t most = step ? (uint64_t{1} << 62) / step : static_cast<uint64_t>(n);
    const int32_t k = most < static_cast<uint64_t>(n) ? static_cast<int32_t>(most > 0 ? most : 1) : n;
    w.z += static_cast<int64_t>(step * static_cast<uint64_t>(k));
    if (w.z >= w.period) w.z %= w.period;
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
  int32_t remaining = frames;
  while (remaining > 0) {
    SetUpRamp(v);
    const bool ramping = v->rampFrames > 0;
    if (!ramping && walkable &&
        (v->direction == 1 ? pos < e : (mode == 4 && v->direction == 2 && pos >= s && pos < e))) {
      // The rest of the call in one pass, loop boundaries and all.
      const bool fold = mode == 4;
      TWalk w{0, static_cast<int64_t>(speed), s, e - s, fold ? 2 * (e - s) : e - s};
      w.z = v->direction == 1 ? pos - s : 2 * w.len - 1 - (pos - s);
      float lg = v->leftVolume * kInv255, rg = v->rightVolume * kInv255;
      if (lg == 0.0f && rg == 0.0f) SkipWalk(w, remaining);
      else if (fold) MixRun<kFold, false>(data, w, dst, remaining, lg, rg, 0.0f, 0.0f);
      else MixRun<kWrap, false>(data, w, dst, remaining, lg, rg, 0.0f, 0.0f);
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
    // While a ramp runs, a pass mixes at most the ramp's remaining frames.
    if (ramping && n > v->rampFrames) {
      n = v->rampFrames;
      boundary = false;
    }
    if (n > 0) {
      TWalk line{pos, v->direction == 1 ? static_cast<int64_t>(speed) : -static_cast<int64_t>(speed), 0, 0, 0};
      if (ramping) {
        float lg = v->currentLeft * kInv256 * kInv255, rg = v->currentRight * kInv256 * kInv255;
        MixRun<kLine, true>(data, line, dst, n, lg, rg, v->leftStep, v->rightStep);
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
        else MixRun<kLine, false>(data, line, dst, n, lg, rg, 0.0f, 0.0f);
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
