// The inner step of the visibility sweep (viewshed.cpp): the rays of one octant advance from one
// line of cells (a column or a row) to the next. Single precision, eight rays side by side where
// the processor has AVX2 (chosen at run time), one by one otherwise, with the same arithmetic in
// the same order either way, so both give the same verdicts.
#pragma once

#include <cstddef>
#include <cstdint>

namespace velk::host::analysis::rays {

// What the rays of an octant share at one step.
struct LineStep {
  int i = 1;  // the line reached: major distance in cells
  int R = 1;  // the square's half side: ray m aims at minor offset m on line R
  float inv2R = 0.5f;
  float drop = 0;     // curvature: apparent z = z - drop * d * d
  float offsetB = 0;  // height added to every target
};

// The rays, one array per quantity, rays in order of m, and the cells of the line reached and
// of the one before. Ray k steps along its line from the observer; on line i it crosses the
// line of cell centres at minor offset y = m i / R, between cells floor(y) and floor(y) + 1; the
// cell nearest y is j (y rounded, halves down). Its horizon is the steepest slope num / den
// (den > 0, or den = 0 before anything was seen) of the terrain it passed.
struct RayArrays {
  std::int32_t* rem;         // R + 2 m i modulo 2 R
  std::int32_t* j;           // the ray's nearest cell on the line
  const std::int32_t* step;  // 2 m
  const float* stepLen;      // metres of one major step along the ray
  const float* halfInvM;     // 1 / (2 m), 0 for m = 0
  float* horizonNum;
  float* horizonDen;
  // Terrain minus the eye of the line's cells from index -1 (a void pad, NaN) to one past the
  // last cell read (another), and of the line before at the same indices. Every array of cells
  // here may be read 16 values past the last ray's cell and from index -1.
  const float* terrain;
  const float* before;
  // Of each cell of the line: its distance from the eye (NaN where no verdict is wanted) and
  // its target's height over the eye as the eye sees it (curvature included).
  const float* distance;
  const float* rise;
  // Set to 1 where the ray judges its cell j (it passes nearest the cell's centre) and the cell
  // clears the horizon; 0 elsewhere.
  std::uint8_t* seen;
  // When given, seen cells are counted here at once (j steps of countStep from the line's
  // first cell); the rays that see nothing write to spare[k] instead, so nothing branches.
  std::uint16_t* counts;
  std::ptrdiff_t countStep;
  std::uint16_t* spare;
};

// Rays 0 .. n - 1 take their step onto line g.i.
void StepRays(const LineStep& g, const RayArrays& r, int n);

}  // namespace velk::host::analysis::rays
