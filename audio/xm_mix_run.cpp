// XM mixer inner loops and block conversion: four frames at a time in SSE2, eight in AVX2 where present.
#include "audio/xm_mix_run.h"

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

static const float kInv2p32 = 1.0f / 4294967296.0f;

template <TXmPath P>
static inline int64_t WalkPosition(const TXmWalk& w) {
  if (P == kXmLine) return w.z;
  if (P == kXmWrap || w.z < w.len) return w.start + w.z;
  return w.start + 2 * w.len - 1 - w.z;
}

template <TXmPath P>
static inline void WalkAdvance(TXmWalk& w) {
  w.z += w.step;
  if (P != kXmLine) {
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
        fracSteps(_mm_setr_epi32(0, static_cast<int32_t>(d), static_cast<int32_t>(2 * d),
                                 static_cast<int32_t>(3 * d))) {}
};

static inline __m128 MixLine4(const int16_t* data, int64_t p, const TLine4& l) {
  const __m128i frac = _mm_add_epi32(_mm_set1_epi32(static_cast<int32_t>(p)), l.fracSteps);
  return MixFrames4(data, p, p + l.d1, p + l.d2, p + l.d3, frac);
}

template <TXmPath P>
static inline __m128 MixWalk4(const int16_t* data, TXmWalk& w, const TLine4& forward, const TLine4& backward) {
  if (P == kXmLine) {
    const __m128 x = MixLine4(data, w.z, forward);
    w.z += 4 * w.step;
    return x;
  }
  // Four frames that stay on one side of every boundary are a straight line.
  const int64_t z3 = w.z + 3 * w.step;
  __m128 x;
  if (z3 < w.len) {
    x = MixLine4(data, w.start + w.z, forward);
  } else if (P == kXmFold && w.z >= w.len && z3 < w.period) {
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

// MixRun four frames at a time, then one by one.
template <TXmPath P, bool Ramp>
static void RunSse2(const int16_t* data, TXmWalk& w, float* out, int32_t n, float& lg, float& rg, float ls, float rs) {
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

// MixFrame for eight sample pairs and fractions, the arithmetic as in MixFrames4.
XM_TARGET_AVX2 static inline __m256 Interpolate8(__m256i words, __m256i frac) {
  const __m256 s0 = _mm256_cvtepi32_ps(_mm256_srai_epi32(_mm256_slli_epi32(words, 16), 16));
  const __m256 s1 = _mm256_cvtepi32_ps(_mm256_srai_epi32(words, 16));
  const __m256 fhi = _mm256_cvtepi32_ps(_mm256_srli_epi32(frac, 16));
  const __m256 flo = _mm256_cvtepi32_ps(_mm256_and_si256(frac, _mm256_set1_epi32(0xFFFF)));
  const __m256 t =
      _mm256_mul_ps(_mm256_add_ps(_mm256_mul_ps(fhi, _mm256_set1_ps(65536.0f)), flo), _mm256_set1_ps(kInv2p32));
  return _mm256_add_ps(s0, _mm256_mul_ps(t, _mm256_sub_ps(s1, s0)));
}

// MixFrame for eight positions on a line.
XM_TARGET_AVX2 static inline __m256 MixLine8(const int16_t* data, int64_t p, const TLine8& l, int64_t readable) {
  const __m256i base = _mm256_set1_epi64x(p);
  const __m256 lo4 = _mm256_castsi256_ps(_mm256_add_epi64(base, l.low));
  const __m256 hi4 = _mm256_castsi256_ps(_mm256_add_epi64(base, l.high));
  // The high halves of the eight positions, in frame order.
  const __m256 highs = _mm256_shuffle_ps(lo4, hi4, _MM_SHUFFLE(3, 1, 3, 1));  // frames 0 1 4 5 | 2 3 6 7
  const __m256i idx = _mm256_permute4x64_epi64(_mm256_castps_si256(highs), _MM_SHUFFLE(3, 1, 2, 0));
  const __m256i frac = _mm256_add_epi32(_mm256_set1_epi32(static_cast<int32_t>(p)), l.fracSteps);
  return Interpolate8(SamplePairs8(data, idx, p, p + l.d7, readable), frac);
}

// Eight frames of a walk that passes at most one boundary among them: the offsets wrap
// lane by lane (and fold back for ping-pong), the sample pairs are gathered.
template <TXmPath P>
XM_TARGET_AVX2 static inline __m256 MixWrapped8(const int16_t* data, const TXmWalk& w, const TLine8& l) {
  const __m256i z = _mm256_set1_epi64x(w.z), period = _mm256_set1_epi64x(w.period);
  const __m256i last = _mm256_set1_epi64x(w.period - 1), start = _mm256_set1_epi64x(w.start);
  __m256i za = _mm256_add_epi64(z, l.low), zb = _mm256_add_epi64(z, l.high);
  za = _mm256_sub_epi64(za, _mm256_and_si256(_mm256_cmpgt_epi64(za, last), period));
  zb = _mm256_sub_epi64(zb, _mm256_and_si256(_mm256_cmpgt_epi64(zb, last), period));
  __m256i pa = _mm256_add_epi64(start, za), pb = _mm256_add_epi64(start, zb);
  if (P == kXmFold) {
    // Offsets in the second half of the unfolded loop run backward from its end.
    const __m256i top = _mm256_set1_epi64x(w.start + 2 * w.len - 1), half = _mm256_set1_epi64x(w.len - 1);
    pa = _mm256_blendv_epi8(pa, _mm256_sub_epi64(top, za), _mm256_cmpgt_epi64(za, half));
    pb = _mm256_blendv_epi8(pb, _mm256_sub_epi64(top, zb), _mm256_cmpgt_epi64(zb, half));
  }
  const __m256 fa = _mm256_castsi256_ps(pa), fb = _mm256_castsi256_ps(pb);
  // High and low halves of the eight positions, in frame order.
  const __m256 highs = _mm256_shuffle_ps(fa, fb, _MM_SHUFFLE(3, 1, 3, 1));
  const __m256 lows = _mm256_shuffle_ps(fa, fb, _MM_SHUFFLE(2, 0, 2, 0));
  const __m256i idx = _mm256_permute4x64_epi64(_mm256_castps_si256(highs), _MM_SHUFFLE(3, 1, 2, 0));
  const __m256i frac = _mm256_permute4x64_epi64(_mm256_castps_si256(lows), _MM_SHUFFLE(3, 1, 2, 0));
  return Interpolate8(_mm256_i32gather_epi32(reinterpret_cast<const int*>(data), idx, 2), frac);
}

template <TXmPath P>
XM_TARGET_AVX2 static inline __m256 MixWalk8(const int16_t* data, TXmWalk& w, const TLine8& forward,
                                             const TLine8& backward, const TLine4& forward4,
                                             const TLine4& backward4) {
  if (P == kXmLine) {
    const __m256 x = MixLine8(data, w.z, forward, w.readable);
    w.z += 8 * w.step;
    return x;
  }
  const int64_t z7 = w.z + 7 * w.step;
  __m256 x;
  if (z7 < w.len) {
    x = MixLine8(data, w.start + w.z, forward, w.readable);
  } else if (P == kXmFold && w.z >= w.len && z7 < w.period) {
    x = MixLine8(data, w.start + 2 * w.len - 1 - w.z, backward, w.readable);
  } else if (z7 < 2 * w.period) {
    x = MixWrapped8<P>(data, w, forward);
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

// RunSse2 eight frames at a time; the rest goes through RunSse2.
template <TXmPath P, bool Ramp>
XM_TARGET_AVX2 static void RunAvx2(const int16_t* data, TXmWalk& w, float* out, int32_t n, float& lg, float& rg,
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
  RunSse2<P, Ramp>(data, w, out, n - i, lg, rg, ls, rs);
}
#endif

// The widest kernel the processor runs.
template <TXmPath P, bool Ramp>
static void Run(const int16_t* data, TXmWalk& w, float* out, int32_t n, float& lg, float& rg, float ls, float rs) {
#ifdef XM_AVX2
  if (UseAvx2) return RunAvx2<P, Ramp>(data, w, out, n, lg, rg, ls, rs);
#endif
  RunSse2<P, Ramp>(data, w, out, n, lg, rg, ls, rs);
}

void MixRun(TXmPath path, bool ramp, const int16_t* data, TXmWalk& w, float* out, int32_t n, float& lg, float& rg,
            float ls, float rs) {
  if (ramp) {
    if (path == kXmLine) Run<kXmLine, true>(data, w, out, n, lg, rg, ls, rs);
    else if (path == kXmWrap) Run<kXmWrap, true>(data, w, out, n, lg, rg, ls, rs);
    else Run<kXmFold, true>(data, w, out, n, lg, rg, ls, rs);
  } else {
    if (path == kXmLine) Run<kXmLine, false>(data, w, out, n, lg, rg, ls, rs);
    else if (path == kXmWrap) Run<kXmWrap, false>(data, w, out, n, lg, rg, ls, rs);
    else Run<kXmFold, false>(data, w, out, n, lg, rg, ls, rs);
  }
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
