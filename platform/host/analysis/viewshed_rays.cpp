#include "platform/host/analysis/viewshed_rays.h"

#if defined(__GNUC__) && defined(__x86_64__)
#include <immintrin.h>
#define VELK_RAYS_AVX2 1
#endif

namespace velk::host::analysis::rays {

namespace {

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
  float hn = r.horizonNum[k], hd = r.horizonDen[k];
  // Row kr was crossed since the line before when the ray passed it by less than one step.
  bool row = false;
  float rowRise = 0, rowDist = 0;
  if (num > 0 && num < r.step[k]) {
    const float w = 1.0f - static_cast<float>(num) * r.halfInvM[k];
    const float zr = Interpolate(r.before[kr], a, w);
    row = zr == zr;
    rowDist = (static_cast<float>(i - 1) + w) * stepLen;
    rowRise = zr - g.drop * rowDist * rowDist;
  }
  if (row && !ahead && rowRise * hd > hn * rowDist) {
    hn = rowRise;
    hd = rowDist;
  }
  bool seen = false;
  const float h = r.distance[j];
  if (rem > R - i && rem <= R + i && h == h) {
    const float beside = zc + g.offsetB - g.drop * di * di;
    seen = r.rise[j] * hd >= hn * h || beside * hd >= hn * di;
  }
  r.seen[k] = seen;
  if (r.counts) ++*(seen ? r.counts + j * r.countStep : r.spare + k);
  if (row && ahead && rowRise * hd > hn * rowDist) {
    hn = rowRise;
    hd = rowDist;
  }
  const float rise = zc - g.drop * di * di;
  if (zc == zc && rise * hd > hn * di) {
    hn = rise;
    hd = di;
  }
  r.horizonNum[k] = hn;
  r.horizonDen[k] = hd;
}

#ifdef VELK_RAYS_AVX2
#pragma GCC push_options
#pragma GCC target("avx2")

inline __m256 IsNaN(__m256 v) { return _mm256_cmp_ps(v, v, _CMP_UNORD_Q); }

inline __m256 Interpolate(__m256 a, __m256 b, __m256 t) {
  const __m256 lerp = _mm256_add_ps(a, _mm256_mul_ps(_mm256_sub_ps(b, a), t));
  return _mm256_blendv_ps(_mm256_blendv_ps(lerp, a, IsNaN(b)), b, IsNaN(a));
}

// The horizon (num, den) of each lane taken where the mask is set and rise / dist is steeper.
inline void Raise(__m256 mask, __m256 rise, __m256 dist, __m256& num, __m256& den) {
  const __m256 higher =
      _mm256_cmp_ps(_mm256_mul_ps(rise, den), _mm256_mul_ps(num, dist), _CMP_GT_OQ);
  const __m256 take = _mm256_and_ps(mask, higher);
  num = _mm256_blendv_ps(num, rise, take);
  den = _mm256_blendv_ps(den, dist, take);
}

// Values base[idx] of eight lanes, idx in 0 .. 15: from two loads, without a gather.
inline __m256 Pick16(const float* base, __m256i idx) {
  const __m256 lo = _mm256_permutevar8x32_ps(_mm256_loadu_ps(base), idx);
  const __m256 hi = _mm256_permutevar8x32_ps(_mm256_loadu_ps(base + 8), idx);
  return _mm256_blendv_ps(lo, hi, _mm256_castsi256_ps(_mm256_cmpgt_epi32(idx, _mm256_set1_epi32(7))));
}

// The line's values at the eight lanes' cells: neighbouring rays sit on neighbouring cells, so
// those of eight rays mostly lie within sixteen cells from the first lane's, read as a window.
struct Cells {
  int first;  // the first lane's cell
  bool window;
  __m256i offset;  // of each lane's cell from the first
  __m256i at;
  __m256 From(const float* line) const {
    return window ? Pick16(line + first, offset) : _mm256_i32gather_ps(line, at, 4);
  }
};

inline Cells CellsAt(__m256i at, int first, bool window) {
  return {first, window, _mm256_sub_epi32(at, _mm256_set1_epi32(first)), at};
}

// Rays k .. k + 7 side by side: StepOne lane by lane, without branches.
void StepEight(const LineStep& g, const RayArrays& r, int k) {
  const __m256i R = _mm256_set1_epi32(g.R), R2 = _mm256_set1_epi32(2 * g.R);
  const __m256i ones = _mm256_set1_epi32(-1), zero = _mm256_setzero_si256();
  auto* remAt = reinterpret_cast<__m256i*>(r.rem + k);
  auto* jAt = reinterpret_cast<__m256i*>(r.j + k);
  const __m256i step = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(r.step + k));
  __m256i rem = _mm256_add_epi32(_mm256_loadu_si256(remAt), step);
  const __m256i wrap = _mm256_cmpgt_epi32(rem, _mm256_sub_epi32(R2, _mm256_set1_epi32(1)));
  rem = _mm256_sub_epi32(rem, _mm256_and_si256(wrap, R2));
  const __m256i j = _mm256_sub_epi32(_mm256_loadu_si256(jAt), wrap);
  _mm256_storeu_si256(remAt, rem);
  _mm256_storeu_si256(jAt, j);
  const __m256i aheadI = _mm256_cmpgt_epi32(rem, _mm256_sub_epi32(R, _mm256_set1_epi32(1)));
  const __m256 ahead = _mm256_castsi256_ps(aheadI);
  const __m256i kr = _mm256_add_epi32(j, _mm256_andnot_si256(aheadI, ones));
  const __m256i num =
      _mm256_blendv_epi8(_mm256_add_epi32(rem, R), _mm256_sub_epi32(rem, R), aheadI);
  const __m256 numF = _mm256_cvtepi32_ps(num);
  const __m256 f = _mm256_mul_ps(numF, _mm256_set1_ps(g.inv2R));
  const __m256 stepLen = _mm256_loadu_ps(r.stepLen + k);
  const __m256 di = _mm256_mul_ps(_mm256_set1_ps(static_cast<float>(g.i)), stepLen);
  const __m256 drop = _mm256_set1_ps(g.drop);
  // The window holds the lanes' cells kr, kr + 1 (and j) when they span at most 15.
  const int first = _mm256_cvtsi256_si32(kr);
  const bool window = _mm256_extract_epi32(kr, 7) - first <= 14;
  const Cells crossing = CellsAt(kr, first, window), judged = CellsAt(j, first, window);
  const __m256 a = crossing.From(r.terrain);
  const __m256 zc = Interpolate(a, crossing.From(r.terrain + 1), f);
  __m256 hn = _mm256_loadu_ps(r.horizonNum + k), hd = _mm256_loadu_ps(r.horizonDen + k);
  const __m256i crossed =
      _mm256_and_si256(_mm256_cmpgt_epi32(num, zero), _mm256_cmpgt_epi32(step, num));
  const __m256 w = _mm256_sub_ps(_mm256_set1_ps(1.0f),
                                 _mm256_mul_ps(numF, _mm256_loadu_ps(r.halfInvM + k)));
  const __m256 zr = Interpolate(crossing.From(r.before), a, w);
  const __m256 row =
      _mm256_andnot_ps(IsNaN(zr), _mm256_castsi256_ps(crossed));
  const __m256 rowDist =
      _mm256_mul_ps(_mm256_add_ps(_mm256_set1_ps(static_cast<float>(g.i - 1)), w), stepLen);
  const __m256 rowRise = _mm256_sub_ps(zr, _mm256_mul_ps(_mm256_mul_ps(drop, rowDist), rowDist));
  Raise(_mm256_andnot_ps(ahead, row), rowRise, rowDist, hn, hd);
  const __m256 h = judged.From(r.distance);
  const __m256 dz = judged.From(r.rise);
  const __m256i iV = _mm256_set1_epi32(g.i);
  const __m256i near = _mm256_and_si256(_mm256_cmpgt_epi32(rem, _mm256_sub_epi32(R, iV)),
                                        _mm256_cmpgt_epi32(_mm256_add_epi32(R, _mm256_add_epi32(
                                                               iV, _mm256_set1_epi32(1))),
                                                           rem));
  const __m256 judging = _mm256_andnot_ps(IsNaN(h), _mm256_castsi256_ps(near));
  const __m256 dropD = _mm256_mul_ps(_mm256_mul_ps(drop, di), di);
  const __m256 beside = _mm256_sub_ps(_mm256_add_ps(zc, _mm256_set1_ps(g.offsetB)), dropD);
  const __m256 clears = _mm256_or_ps(
      _mm256_cmp_ps(_mm256_mul_ps(dz, hd), _mm256_mul_ps(hn, h), _CMP_GE_OQ),
      _mm256_cmp_ps(_mm256_mul_ps(beside, hd), _mm256_mul_ps(hn, di), _CMP_GE_OQ));
  const int seen = _mm256_movemask_ps(_mm256_and_ps(judging, clears));
  for (int l = 0; l < 8; ++l) r.seen[k + l] = static_cast<std::uint8_t>((seen >> l) & 1);
  if (r.counts) {
    alignas(32) std::int32_t jl[8];
    _mm256_store_si256(reinterpret_cast<__m256i*>(jl), j);
    for (int l = 0; l < 8; ++l) {
      const auto cell = reinterpret_cast<std::uintptr_t>(r.counts + jl[l] * r.countStep);
      const auto spare = reinterpret_cast<std::uintptr_t>(r.spare + k + l);
      const auto mask = static_cast<std::uintptr_t>(0) - static_cast<std::uintptr_t>((seen >> l) & 1);
      ++*reinterpret_cast<std::uint16_t*>((cell & mask) | (spare & ~mask));
    }
  }
  Raise(_mm256_and_ps(ahead, row), rowRise, rowDist, hn, hd);
  Raise(_mm256_andnot_ps(IsNaN(zc), _mm256_castsi256_ps(ones)), _mm256_sub_ps(zc, dropD), di, hn,
        hd);
  _mm256_storeu_ps(r.horizonNum + k, hn);
  _mm256_storeu_ps(r.horizonDen + k, hd);
}

#pragma GCC pop_options

bool HasAvx2() {
  static const bool has = __builtin_cpu_supports("avx2");
  return has;
}

#endif

}  // namespace

void StepRays(const LineStep& g, const RayArrays& r, int n) {
  int k = 0;
#ifdef VELK_RAYS_AVX2
  if (HasAvx2())
    for (; k + 8 <= n; k += 8) StepEight(g, r, k);
#endif
  for (; k < n; ++k) StepOne(g, r, k);
}

}  // namespace velk::host::analysis::rays
