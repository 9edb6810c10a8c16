#include "platform/host/analysis/viewshed_rays.h"

#if defined(__GNUC__) && defined(__x86_64__)
#include <immintrin.h>
#define VELK_RAYS_X86 1
#endif

namespace velk::host::analysis::rays {

namespace {

// How much steeper, seen from the eye, terrain z at distance d is than terrain hz at distance
// hd: the sign of (apparent slope of the first - that of the second) * d * hd. Written so that
// flat ground (z = hz) leaves the exact (d - hd) (eye - drop d hd) instead of a difference of
// two nearly equal slopes.
inline float Steeper(float z, float d, float hz, float hd, float eye, float drop) {
  return z * hd - hz * d + (d - hd) * (eye - drop * d * hd);
}

// Linear interpolation from a (t = 0) to b (t = 1); a void gives way to the other.
inline float Interpolate(float a, float b, float t) {
  return a != a ? b : (b != b ? a : a + (b - a) * t);
}

// Ray k takes its step. The terrain is taken where the ray crosses the line (between cells kr
// and kr + 1) and where it crossed row kr since the line before (between the two lines), and
// the horizon is raised by each in the order the ray meets them; the cell it judges is seen
// when its centre, or the terrain where the ray passes it, clears the horizon before it: the
// ray runs up to half a ray spacing beside the centre, and on an even slope that offset alone
// must not hide the cell.
void StepOne(const LineStep& g, const RayArrays& r, int k) {
  const int R = g.R, i = g.i;
  int rem = r.rem[k] + r.step[k];
  int j = r.j[k];
  if (rem >= 2 * R) {
    rem -= 2 * R;
    ++j;
  }
  r.rem[k] = rem;
  r.j[k] = j;
  const bool ahead = rem >= R;
  const int kr = ahead ? j : j - 1;
  // 2 R times the ray's distance past row kr on this line.
  const int num = ahead ? rem - R : rem + R;
  const float f = static_cast<float>(num) * g.inv2R;
  const float stepLen = r.stepLen[k];
  const float di = static_cast<float>(i) * stepLen;
  const float a = r.terrain[kr];
  const float zc = Interpolate(a, r.terrain[kr + 1], f);
  float hz = r.horizonZ[k], hd = r.horizonD[k];
  const auto steeper = [&](float z, float d) { return Steeper(z, d, hz, hd, g.eye, g.drop); };
  // Row kr was crossed since the line before when the ray passed it by less than one step.
  bool row = false;
  float zr = 0, rowDist = 0;
  if (num > 0 && num < r.step[k]) {
    const float w = 1.0f - static_cast<float>(num) * r.halfInvM[k];
    zr = Interpolate(r.before[kr], a, w);
    row = zr == zr;
    rowDist = (static_cast<float>(i - 1) + w) * stepLen;
  }
  if (row && !ahead && steeper(zr, rowDist) > 0) {
    hz = zr;
    hd = rowDist;
  }
  bool seen = false;
  const float h = r.distance[j];
  if (rem > R - i && rem <= R + i && h == h)
    seen = steeper(r.target[j], h) >= 0 || steeper(zc + g.offsetB, di) >= 0;
  if (r.seen) r.seen[k] = seen;
  if (r.counts && seen) r.counts[j] = 1;
  if (row && ahead && steeper(zr, rowDist) > 0) {
    hz = zr;
    hd = rowDist;
  }
  if (zc == zc && steeper(zc, di) > 0) {
    hz = zc;
    hd = di;
  }
  r.horizonZ[k] = hz;
  r.horizonD[k] = hd;
}

#ifdef VELK_RAYS_X86
#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2,avx512f,avx512bw,avx512vl,avx512dq"))), \
                             apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2,avx512f,avx512bw,avx512vl,avx512dq")
// GCC 12's own AVX-512 headers start some results from an undefined register and warn of it.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

// Sixteen lanes: StepOne lane by lane, without branches.
struct Lanes16 {
  __m512 eye, drop;
  __m512 Steeper(__m512 z, __m512 d, __m512 hz, __m512 hd) const {
    const __m512 lift = _mm512_sub_ps(eye, _mm512_mul_ps(_mm512_mul_ps(drop, d), hd));
    return _mm512_add_ps(_mm512_sub_ps(_mm512_mul_ps(z, hd), _mm512_mul_ps(hz, d)),
                         _mm512_mul_ps(_mm512_sub_ps(d, hd), lift));
  }
  static __m512 Interpolate(__m512 a, __m512 b, __m512 t) {
    const __m512 lerp = _mm512_add_ps(a, _mm512_mul_ps(_mm512_sub_ps(b, a), t));
    const __mmask16 voidA = _mm512_cmp_ps_mask(a, a, _CMP_UNORD_Q);
    const __mmask16 voidB = _mm512_cmp_ps_mask(b, b, _CMP_UNORD_Q);
    return _mm512_mask_blend_ps(voidA, _mm512_mask_blend_ps(voidB, lerp, a), b);
  }
  // The horizon of the lanes in mask raised to (z, d) where that is steeper.
  void Raise(__mmask16 mask, __m512 z, __m512 d, __m512& hz, __m512& hd) const {
    const __mmask16 take =
        _mm512_mask_cmp_ps_mask(mask, Steeper(z, d, hz, hd), _mm512_setzero_ps(), _CMP_GT_OQ);
    hz = _mm512_mask_blend_ps(take, hz, z);
    hd = _mm512_mask_blend_ps(take, hd, d);
  }
};

// The line's values at the lanes' cells: neighbouring rays sit on neighbouring cells, so those
// of sixteen rays mostly lie within 32 cells from the first lane's, read as a window.
struct Cells16 {
  int first;
  bool window;
  __m512i offset, at;
  __m512 From(const float* line) const {
    if (!window) return _mm512_i32gather_ps(at, line, 4);
    return _mm512_permutex2var_ps(_mm512_loadu_ps(line + first), offset,
                                  _mm512_loadu_ps(line + first + 16));
  }
};

void StepSixteen(const LineStep& g, const RayArrays& r, int k) {
  const Lanes16 lanes{_mm512_set1_ps(g.eye), _mm512_set1_ps(g.drop)};
  const __m512i R = _mm512_set1_epi32(g.R), one = _mm512_set1_epi32(1);
  const __m512i step = _mm512_loadu_si512(r.step + k);
  __m512i rem = _mm512_add_epi32(_mm512_loadu_si512(r.rem + k), step);
  const __mmask16 wrap = _mm512_cmpge_epi32_mask(rem, _mm512_set1_epi32(2 * g.R));
  rem = _mm512_mask_sub_epi32(rem, wrap, rem, _mm512_set1_epi32(2 * g.R));
  __m512i j = _mm512_loadu_si512(r.j + k);
  j = _mm512_mask_add_epi32(j, wrap, j, one);
  _mm512_storeu_si512(r.rem + k, rem);
  _mm512_storeu_si512(r.j + k, j);
  const __mmask16 ahead = _mm512_cmpge_epi32_mask(rem, R);
  const __m512i kr = _mm512_mask_sub_epi32(j, static_cast<__mmask16>(~ahead), j, one);
  const __m512i num =
      _mm512_mask_blend_epi32(ahead, _mm512_add_epi32(rem, R), _mm512_sub_epi32(rem, R));
  const __m512 numF = _mm512_cvtepi32_ps(num);
  const __m512 f = _mm512_mul_ps(numF, _mm512_set1_ps(g.inv2R));
  const __m512 stepLen = _mm512_loadu_ps(r.stepLen + k);
  const __m512 di = _mm512_mul_ps(_mm512_set1_ps(static_cast<float>(g.i)), stepLen);
  const int first = _mm_cvtsi128_si32(_mm512_castsi512_si128(kr));
  const int last = _mm_extract_epi32(_mm512_extracti32x4_epi32(kr, 3), 3);
  const bool window = last - first <= 30;
  const __m512i base = _mm512_set1_epi32(first);
  const Cells16 crossing{first, window, _mm512_sub_epi32(kr, base), kr};
  const Cells16 judged{first, window, _mm512_sub_epi32(j, base), j};
  const __m512 a = crossing.From(r.terrain);
  const __m512 zc = Lanes16::Interpolate(a, crossing.From(r.terrain + 1), f);
  __m512 hz = _mm512_loadu_ps(r.horizonZ + k), hd = _mm512_loadu_ps(r.horizonD + k);
  const __mmask16 crossed = _mm512_cmpgt_epi32_mask(num, _mm512_setzero_si512()) &
                            _mm512_cmpgt_epi32_mask(step, num);
  const __m512 w = _mm512_sub_ps(_mm512_set1_ps(1.0f),
                                 _mm512_mul_ps(numF, _mm512_loadu_ps(r.halfInvM + k)));
  const __m512 zr = Lanes16::Interpolate(crossing.From(r.before), a, w);
  const __mmask16 row = crossed & _mm512_cmp_ps_mask(zr, zr, _CMP_ORD_Q);
  const __m512 rowDist =
      _mm512_mul_ps(_mm512_add_ps(_mm512_set1_ps(static_cast<float>(g.i - 1)), w), stepLen);
  lanes.Raise(row & static_cast<__mmask16>(~ahead), zr, rowDist, hz, hd);
  const __m512 h = judged.From(r.distance);
  const __m512 target = judged.From(r.target);
  const __m512i iV = _mm512_set1_epi32(g.i);
  const __mmask16 near = _mm512_cmpgt_epi32_mask(rem, _mm512_sub_epi32(R, iV)) &
                         _mm512_cmple_epi32_mask(rem, _mm512_add_epi32(R, iV)) &
                         _mm512_cmp_ps_mask(h, h, _CMP_ORD_Q);
  const __m512 zero = _mm512_setzero_ps();
  const __mmask16 clears =
      _mm512_mask_cmp_ps_mask(near, lanes.Steeper(target, h, hz, hd), zero, _CMP_GE_OQ) |
      _mm512_mask_cmp_ps_mask(
          near, lanes.Steeper(_mm512_add_ps(zc, _mm512_set1_ps(g.offsetB)), di, hz, hd), zero,
          _CMP_GE_OQ);
  if (r.seen)
    _mm_storeu_si128(reinterpret_cast<__m128i*>(r.seen + k),
                     _mm_and_si128(_mm_movm_epi8(clears), _mm_set1_epi8(1)));
  if (r.counts) _mm512_mask_i32scatter_epi32(r.counts, clears, j, one, 4);
  lanes.Raise(row & ahead, zr, rowDist, hz, hd);
  lanes.Raise(_mm512_cmp_ps_mask(zc, zc, _CMP_ORD_Q), zc, di, hz, hd);
  _mm512_storeu_ps(r.horizonZ + k, hz);
  _mm512_storeu_ps(r.horizonD + k, hd);
}

#if defined(__clang__)
#pragma clang attribute pop
#pragma clang attribute push(__attribute__((target("avx2"))), apply_to = function)
#else
#pragma GCC diagnostic pop
#pragma GCC pop_options

#pragma GCC push_options
#pragma GCC target("avx2")
#endif

// Eight lanes for processors without AVX-512: StepSixteen's arithmetic, masks as vectors.
struct Lanes8 {
  __m256 eye, drop;
  __m256 Steeper(__m256 z, __m256 d, __m256 hz, __m256 hd) const {
    const __m256 lift = _mm256_sub_ps(eye, _mm256_mul_ps(_mm256_mul_ps(drop, d), hd));
    return _mm256_add_ps(_mm256_sub_ps(_mm256_mul_ps(z, hd), _mm256_mul_ps(hz, d)),
                         _mm256_mul_ps(_mm256_sub_ps(d, hd), lift));
  }
  static __m256 Void(__m256 v) { return _mm256_cmp_ps(v, v, _CMP_UNORD_Q); }
  static __m256 Interpolate(__m256 a, __m256 b, __m256 t) {
    const __m256 lerp = _mm256_add_ps(a, _mm256_mul_ps(_mm256_sub_ps(b, a), t));
    return _mm256_blendv_ps(_mm256_blendv_ps(lerp, a, Void(b)), b, Void(a));
  }
  void Raise(__m256 mask, __m256 z, __m256 d, __m256& hz, __m256& hd) const {
    const __m256 take = _mm256_and_ps(
        mask, _mm256_cmp_ps(Steeper(z, d, hz, hd), _mm256_setzero_ps(), _CMP_GT_OQ));
    hz = _mm256_blendv_ps(hz, z, take);
    hd = _mm256_blendv_ps(hd, d, take);
  }
};

// The line's values at the lanes' cells, from a window of sixteen cells where they lie in one.
struct Cells8 {
  int first;
  bool window;
  __m256i offset, at;
  __m256 From(const float* line) const {
    if (!window) return _mm256_i32gather_ps(line, at, 4);
    const __m256 lo = _mm256_permutevar8x32_ps(_mm256_loadu_ps(line + first), offset);
    const __m256 hi = _mm256_permutevar8x32_ps(_mm256_loadu_ps(line + first + 8), offset);
    const __m256i upper = _mm256_cmpgt_epi32(offset, _mm256_set1_epi32(7));
    return _mm256_blendv_ps(lo, hi, _mm256_castsi256_ps(upper));
  }
};

void StepEight(const LineStep& g, const RayArrays& r, int k) {
  const Lanes8 lanes{_mm256_set1_ps(g.eye), _mm256_set1_ps(g.drop)};
  const __m256i R = _mm256_set1_epi32(g.R), one = _mm256_set1_epi32(1);
  const __m256i zeroI = _mm256_setzero_si256();
  const __m256i step = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(r.step + k));
  __m256i rem = _mm256_add_epi32(_mm256_loadu_si256(reinterpret_cast<__m256i*>(r.rem + k)), step);
  const __m256i wrap = _mm256_cmpgt_epi32(rem, _mm256_set1_epi32(2 * g.R - 1));
  rem = _mm256_sub_epi32(rem, _mm256_and_si256(wrap, _mm256_set1_epi32(2 * g.R)));
  const __m256i j =
      _mm256_sub_epi32(_mm256_loadu_si256(reinterpret_cast<__m256i*>(r.j + k)), wrap);
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(r.rem + k), rem);
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(r.j + k), j);
  const __m256i aheadI = _mm256_cmpgt_epi32(rem, _mm256_sub_epi32(R, one));
  const __m256 ahead = _mm256_castsi256_ps(aheadI);
  const __m256i kr = _mm256_sub_epi32(j, _mm256_andnot_si256(aheadI, one));
  const __m256i num =
      _mm256_blendv_epi8(_mm256_add_epi32(rem, R), _mm256_sub_epi32(rem, R), aheadI);
  const __m256 numF = _mm256_cvtepi32_ps(num);
  const __m256 f = _mm256_mul_ps(numF, _mm256_set1_ps(g.inv2R));
  const __m256 stepLen = _mm256_loadu_ps(r.stepLen + k);
  const __m256 di = _mm256_mul_ps(_mm256_set1_ps(static_cast<float>(g.i)), stepLen);
  const int first = _mm256_cvtsi256_si32(kr);
  const bool window = _mm256_extract_epi32(kr, 7) - first <= 14;
  const __m256i base = _mm256_set1_epi32(first);
  const Cells8 crossing{first, window, _mm256_sub_epi32(kr, base), kr};
  const Cells8 judged{first, window, _mm256_sub_epi32(j, base), j};
  const __m256 a = crossing.From(r.terrain);
  const __m256 zc = Lanes8::Interpolate(a, crossing.From(r.terrain + 1), f);
  __m256 hz = _mm256_loadu_ps(r.horizonZ + k), hd = _mm256_loadu_ps(r.horizonD + k);
  const __m256 crossed = _mm256_castsi256_ps(
      _mm256_and_si256(_mm256_cmpgt_epi32(num, zeroI), _mm256_cmpgt_epi32(step, num)));
  const __m256 w = _mm256_sub_ps(_mm256_set1_ps(1.0f),
                                 _mm256_mul_ps(numF, _mm256_loadu_ps(r.halfInvM + k)));
  const __m256 zr = Lanes8::Interpolate(crossing.From(r.before), a, w);
  const __m256 row = _mm256_andnot_ps(Lanes8::Void(zr), crossed);
  const __m256 rowDist =
      _mm256_mul_ps(_mm256_add_ps(_mm256_set1_ps(static_cast<float>(g.i - 1)), w), stepLen);
  lanes.Raise(_mm256_andnot_ps(ahead, row), zr, rowDist, hz, hd);
  const __m256 h = judged.From(r.distance);
  const __m256 target = judged.From(r.target);
  const __m256i iV = _mm256_set1_epi32(g.i);
  const __m256 near = _mm256_andnot_ps(
      Lanes8::Void(h),
      _mm256_castsi256_ps(_mm256_and_si256(
          _mm256_cmpgt_epi32(rem, _mm256_sub_epi32(R, iV)),
          _mm256_cmpgt_epi32(_mm256_add_epi32(_mm256_add_epi32(R, iV), one), rem))));
  const __m256 zero = _mm256_setzero_ps();
  const __m256 beside = _mm256_add_ps(zc, _mm256_set1_ps(g.offsetB));
  const __m256 clears = _mm256_and_ps(
      near,
      _mm256_or_ps(_mm256_cmp_ps(lanes.Steeper(target, h, hz, hd), zero, _CMP_GE_OQ),
                   _mm256_cmp_ps(lanes.Steeper(beside, di, hz, hd), zero, _CMP_GE_OQ)));
  const int seen = _mm256_movemask_ps(clears);
  if (r.seen)
    for (int l = 0; l < 8; ++l) r.seen[k + l] = static_cast<std::uint8_t>((seen >> l) & 1);
  if (r.counts && seen) {
    alignas(32) std::int32_t cells[8];
    _mm256_store_si256(reinterpret_cast<__m256i*>(cells), j);
    for (int l = 0; l < 8; ++l)
      if ((seen >> l) & 1) r.counts[cells[l]] = 1;
  }
  lanes.Raise(_mm256_and_ps(ahead, row), zr, rowDist, hz, hd);
  lanes.Raise(_mm256_cmp_ps(zc, zc, _CMP_ORD_Q), zc, di, hz, hd);
  _mm256_storeu_ps(r.horizonZ + k, hz);
  _mm256_storeu_ps(r.horizonD + k, hd);
}

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif

bool HasAvx2() {
  static const bool has = __builtin_cpu_supports("avx2");
  return has;
}

bool HasAvx512() {
  static const bool has = __builtin_cpu_supports("avx512f") &&
                          __builtin_cpu_supports("avx512bw") &&
                          __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("avx512dq");
  return has;
}

#endif

}  // namespace

void StepRays(const LineStep& g, const RayArrays& r, int n, Lanes lanes) {
  int k = 0;
#ifdef VELK_RAYS_X86
  if (lanes == Lanes::kWidest && HasAvx512())
    for (; k + 16 <= n; k += 16) StepSixteen(g, r, k);
  if (lanes != Lanes::kOne && HasAvx2())
    for (; k + 8 <= n; k += 8) StepEight(g, r, k);
#endif
  for (; k < n; ++k) StepOne(g, r, k);
}

}  // namespace velk::host::analysis::rays
