// XM mixer: adds the voices into the float mix buffer and converts blocks to 16 bits, in SSE2 or AVX2.
#include <cmath>
#include <cstring>

#include "audio/xm_mix.h"
#include "audio/xm_song.h"

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#include <emmintrin.h>
#define XM_SSE2 1
#endif
// Eight frames at a time where the processor has AVX2, chosen at run time (GCC and clang).
#if defined(XM_SSE2) && (defined(__GNUC__) || defined(__clang__)) && (defined(__x86_64__) || defined(__i386__))
#include <immintrin.h>
#define XM_AVX2 1
#define XM_TARGET_AVX2 __attribute__((target("avx2")))
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
  int64_t readable;  // samples the data holds: the length and the 8 of slack
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

#ifdef XM_AVX2
static bool HasAvx2() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2");
}

static bool UseAvx2 = HasAvx2();

// Eight frames on a straight line p, p + d, ..., p + 7d.
struct TLine8 {
  int64_t d7;         // 7d
  __m256i low, high;  // 0, d, 2d, 3d and 4d .. 7d
  __m256i fracSteps;  // 0, d, ..., 7d in the low 32 bits
};

XM_TARGET_AVX2 static TLine8 MakeLine8(int64_t d) {
  TLine8 l;
  l.d7 = 7 * d;
  l.low = _mm256_setr_epi64x(0, d, 2 * d, 3 * d);
  l.high = _mm256_setr_epi64x(4 * d, 5 * d, 6 * d, 7 * d);
  const int32_t f = static_cast<int32_t>(d);
  l.fracSteps = _mm256_mullo_epi32(_mm256_set1_epi32(f), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
  return l;
}

// The sample pairs of eight frames. When they lie within 16 samples (speeds up to about
// two samples a frame) two overlapping loads and a permutation replace the slower gather.
XM_TARGET_AVX2 static inline __m256i SamplePairs8(const int16_t* data, __m256i idx, int64_t first, int64_t last,
                                                 int64_t readable) {
  const int64_t lo = (first < last ? first : last) >> 32, hi = (first < last ? last : first) >> 32;
  if (hi - lo > 15 || lo + 17 > readable)
    return _mm256_i32gather_epi32(reinterpret_cast<const int*>(data), idx, 2);
  const __m256i even = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(data + lo));
  const __m256i odd = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(data + lo + 1));
  const __m256i rel = _mm256_sub_epi32(idx, _mm256_set1_epi32(static_cast<int32_t>(lo)));
  const __m256i half = _mm256_srli_epi32(rel, 1);
  return _mm256_castps_si256(_mm256_blendv_ps(_mm256_castsi256_ps(_mm256_permutevar8x32_epi32(even, half)),
                                              _mm256_castsi256_ps(_mm256_permutevar8x32_epi32(odd, half)),
                                              _mm256_castsi256_ps(_mm256_slli_epi32(rel, 31))));
}

// MixFrame for eight positions on a line, the arithmetic as in MixFrames4.
XM_TARGET_AVX2 static inline __m256 MixLine8(const int16_t* data, int64_t p, const TLine8& l, int64_t readable) {
  const __m256i base = _mm256_set1_epi64x(p);
  const __m256 lo4 = _mm256_castsi256_ps(_mm256_add_epi64(base, l.low));
  const __m256 hi4 = _mm256_castsi256_ps(_mm256_add_epi64(base, l.high));
  // The high halves of the eight positions, in frame order.
  const __m256i idx = _mm256_permute4x64_epi64(_mm256_castps_si256(_mm256_shuffle_ps(lo4, hi4, _MM_SHUFFLE(3, 1, 3, 1))),
                                               _MM_SHUFFLE(3, 1, 2, 0));
  const __m256i frac = _mm256_add_epi32(_mm256_set1_epi32(static_cast<int32_t>(p)), l.fracSteps);
  const __m256i words = SamplePairs8(data, idx, p, p + l.d7, readable);
  const __m256 s0 = _mm256_cvtepi32_ps(_mm256_srai_epi32(_mm256_slli_epi32(words, 16), 16));
  const __m256 s1 = _mm256_cvtepi32_ps(_mm256_srai_epi32(words, 16));
  const __m256 fhi = _mm256_cvtepi32_ps(_mm256_srli_epi32(frac, 16));
  const __m256 flo = _mm256_cvtepi32_ps(_mm256_and_si256(frac, _mm256_set1_epi32(0xFFFF)));
  const __m256 t =
      _mm256_mul_ps(_mm256_add_ps(_mm256_mul_ps(fhi, _mm256_set1_ps(65536.0f)), flo), _mm256_set1_ps(kInv2p32));
  return _mm256_add_ps(s0, _mm256_mul_ps(t, _mm256_sub_ps(s1, s0)));
}

template <TPath P>
XM_TARGET_AVX2 static inline __m256 MixWalk8(const int16_t* data, TWalk& w, const TLine8& forward,
                                             const TLine8& backward, const TLine4& forward4,
                                             const TLine4& backward4) {
  if (P == kLine) {
    const __m256 x = MixLine8(data, w.z, forward, w.readable);
    w.z += 8 * w.step;
    return x;
  }
  const int64_t z7 = w.z + 7 * w.step;
  __m256 x;
  if (z7 < w.len) {
    x = MixLine8(data, w.start + w.z, forward, w.readable);
  } else if (P == kFold && w.z >= w.len && z7 < w.period) {
    x = MixLine8(data, w.start + 2 * w.len - 1 - w.z, backward, w.readable);
  } else {
    const __m128 a = MixWalk4<P>(data, w, forward4, backward4);
    const __m128 b = MixWalk4<P>(data, w, forward4, backward4);
    return _mm256_setr_m128(a, b);
  }
  w.z += 8 * w.step;
  w.z -= w.z >= w.period ? w.period : 0;
  if (w.z >= w.period) w.z %= w.period;
  return x;
}

// MixRun eight frames at a time; the rest goes through MixRun.
template <TPath P, bool Ramp>
XM_TARGET_AVX2 static void MixRunAvx2(const int16_t* data, TWalk& w, float* out, int32_t n, float& lg, float& rg,
                                      float ls, float rs) {
  int32_t i = 0;
  if (n >= 8) {
    const TLine8 forward = MakeLine8(w.step), backward = MakeLine8(-w.step);
    const TLine4 forward4(w.step), backward4(-w.step);
    const __m256i firstHalf = _mm256_setr_epi32(0, 0, 1, 1, 2, 2, 3, 3);
    const __m256i secondHalf = _mm256_setr_epi32(4, 4, 5, 5, 6, 6, 7, 7);
    // Gains of frames i .. i+3 and i+4 .. i+7, left and right; a lane advanced by four
    // single steps is exactly the gain four frames on.
    const __m256 st = _mm256_setr_ps(ls, rs, ls, rs, ls, rs, ls, rs);
    __m256 ga, gb;
    if (Ramp) {
      float g[8];
      for (int k = 0; k < 4; ++k) {
        g[2 * k] = lg;
        g[2 * k + 1] = rg;
        lg += ls;
        rg += rs;
      }
      ga = _mm256_loadu_ps(g);
      gb = _mm256_add_ps(_mm256_add_ps(_mm256_add_ps(_mm256_add_ps(ga, st), st), st), st);
    } else {
      ga = gb = _mm256_setr_ps(lg, rg, lg, rg, lg, rg, lg, rg);
    }
    for (; i + 8 <= n; i += 8) {
      const __m256 x = MixWalk8<P>(data, w, forward, backward, forward4, backward4);
      const __m256 a = _mm256_mul_ps(_mm256_permutevar8x32_ps(x, firstHalf), ga);
      const __m256 b = _mm256_mul_ps(_mm256_permutevar8x32_ps(x, secondHalf), gb);
      _mm256_storeu_ps(out, _mm256_add_ps(_mm256_loadu_ps(out), a));
      _mm256_storeu_ps(out + 8, _mm256_add_ps(_mm256_loadu_ps(out + 8), b));
      out += 16;
      if (Ramp) {
        ga = _mm256_add_ps(_mm256_add_ps(_mm256_add_ps(_mm256_add_ps(gb, st), st), st), st);
        gb = _mm256_add_ps(_mm256_add_ps(_mm256_add_ps(_mm256_add_ps(ga, st), st), st), st);
      }
    }
    if (Ramp) {
      float g[8];
      _mm256_storeu_ps(g, ga);
      lg = g[0];
      rg = g[1];
    }
  }
  MixRun<P, Ramp>(data, w, out, n - i, lg, rg, ls, rs);
}
#endif

// The widest kernel the processor runs.
template <TPath P, bool Ramp>
static void Mix(const int16_t* data, TWalk& w, float* out, int32_t n, float& lg, float& rg, float ls, float rs) {
#ifdef XM_AVX2
  if (UseAvx2) return MixRunAvx2<P, Ramp>(data, w, out, n, lg, rg, ls, rs);
#endif
  MixRun<P, Ramp>(data, w, out, n, lg, rg, ls, rs);
}

bool XmMixerUseWidest(bool widest) {
#ifdef XM_AVX2
  UseAvx2 = widest && HasAvx2();
  return UseAvx2;
#else
  (void)widest;
  return false;
#endif
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
    // Whole frames whose distance cannot overflow (all of them at any real speed).
    int32_t k = n;
    if (step > (uint64_t{1} << 52) >> 10 || n > 1024) {
      const uint64_t most = (uint64_t{1} << 62) / step;
      if (most < static_cast<uint64_t>(n)) k = static_cast<int32_t>(most > 0 ? most : 1);
    }
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
  const int64_t readable = playable ? static_cast<int64_t>(smp->length) + 8 : 0;
  int32_t remaining = frames;
  while (remaining > 0) {
    SetUpRamp(v);
    const bool ramping = v->rampFrames > 0;
    if (!ramping && walkable &&
        (v->direction == 1 ? pos < e : (mode == 4 && v->direction == 2 && pos >= s && pos < e))) {
      // The rest of the call in one pass, loop boundaries and all.
      const bool fold = mode == 4;
      TWalk w{0, static_cast<int64_t>(speed), s, e - s, fold ? 2 * (e - s) : e - s, readable};
      w.z = v->direction == 1 ? pos - s : 2 * w.len - 1 - (pos - s);
      float lg = v->leftVolume * kInv255, rg = v->rightVolume * kInv255;
      if (lg == 0.0f && rg == 0.0f) SkipWalk(w, remaining);
      else if (fold) Mix<kFold, false>(data, w, dst, remaining, lg, rg, 0.0f, 0.0f);
      else Mix<kWrap, false>(data, w, dst, remaining, lg, rg, 0.0f, 0.0f);
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
      TWalk line{pos, v->direction == 1 ? static_cast<int64_t>(speed) : -static_cast<int64_t>(speed), 0, 0, 0, readable};
      if (ramping) {
        float lg = v->currentLeft * kInv256 * kInv255, rg = v->currentRight * kInv256 * kInv255;
        Mix<kLine, true>(data, line, dst, n, lg, rg, v->leftStep, v->rightStep);
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
        else Mix<kLine, false>(data, line, dst, n, lg, rg, 0.0f, 0.0f);
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

// Four frames at a time (eight with AVX2): clipped, rounded to nearest even as lrintf does
// in the default rounding mode, and packed left, right; the values are in range, so the
// packing never saturates. Left lands in the low half of each word on little-endian x86.
#ifdef XM_AVX2
XM_TARGET_AVX2 static int32_t ConvertAvx2(const float* mix, uint32_t* out, int32_t frames) {
  const __m256 lo = _mm256_set1_ps(-32768.0f), hi = _mm256_set1_ps(32767.0f);
  int32_t i = 0;
  for (; i + 8 <= frames; i += 8) {
    const __m256 a = _mm256_min_ps(_mm256_max_ps(_mm256_loadu_ps(mix + 2 * i), lo), hi);
    const __m256 b = _mm256_min_ps(_mm256_max_ps(_mm256_loadu_ps(mix + 2 * i + 8), lo), hi);
    const __m256i packed = _mm256_packs_epi32(_mm256_cvtps_epi32(a), _mm256_cvtps_epi32(b));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), _mm256_permute4x64_epi64(packed, _MM_SHUFFLE(3, 1, 2, 0)));
  }
  return i;
}
#endif

void ConvertBlock(const float* mix, uint32_t* out, int32_t frames) {
  int32_t i = 0;
#ifdef XM_AVX2
  if (UseAvx2) i = ConvertAvx2(mix, out, frames);
#endif
#ifdef XM_SSE2
  const __m128 lo = _mm_set1_ps(-32768.0f), hi = _mm_set1_ps(32767.0f);
  for (; i + 4 <= frames; i += 4) {
    const __m128 a = _mm_min_ps(_mm_max_ps(_mm_loadu_ps(mix + 2 * i), lo), hi);
    const __m128 b = _mm_min_ps(_mm_max_ps(_mm_loadu_ps(mix + 2 * i + 4), lo), hi);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packs_epi32(_mm_cvtps_epi32(a), _mm_cvtps_epi32(b)));
  }
#endif
  for (; i < frames; ++i) {
    float l = mix[2 * i], r = mix[2 * i + 1];
    // Clip before converting so that the conversion itself never overflows.
    l = l < -32768.0f ? -32768.0f : (l > 32767.0f ? 32767.0f : l);
    r = r < -32768.0f ? -32768.0f : (r > 32767.0f ? 32767.0f : r);
    const uint32_t left = static_cast<uint16_t>(static_cast<int16_t>(std::lrintf(l)));
    const uint32_t right = static_cast<uint16_t>(static_cast<int16_t>(std::lrintf(r)));
    out[i] = left | (right << 16);
  }
}
