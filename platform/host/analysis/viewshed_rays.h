// The inner step of the visibility sweep (viewshed.cpp): the rays of one octant advance from one
// line of cells (a column or a row) to the next. Single precision, sixteen or eight rays side by
// side where the processor has AVX-512 or AVX2 (chosen at run time), one by one otherwise, with
// the same arithmetic in the same order every way, so all give the same verdicts.
#pragma once

#include <cstddef>
#include <cstdint>

namespace velk::host::analysis::rays {

// What the rays of an octant share at one step.
struct LineStep {
  int i = 1;  // the line reached: major distance in cells
  int R = 1;  // the square's half side: ray m aims at minor offset m on line R
  float inv2R = 0.5f;
  float eye = 0;   // height of the eye
  float drop = 0;  // curvature: the terrain at distance d looks drop * d * d lower
  float offsetB = 0;  // height added to every target
};

// The rays, one array per quantity, rays in order of m, and the cells of the line reached and
// of the one before. Ray k steps along its line from the observer; on line i it crosses the
// line of cell centres at minor offset y = m i / R, between cells floor(y) and floor(y) + 1; the
// cell nearest y is j (y rounded, halves down). Its horizon is the steepest terrain it passed,
// kept as that terrain's height and distance (heights are compared so that flat ground far out,
// where the slopes seen from the eye differ by less than a float resolves, is still told apart).
struct RayArrays {
  std::int32_t* rem;         // R + 2 m i modulo 2 R
  std::int32_t* j;           // the ray's nearest cell on the line
  const std::int32_t* step;  // 2 m
  const float* stepLen;      // metres of one major step along the ray
  const float* halfInvM;     // 1 / (2 m), 0 for m = 0
  float* horizonZ;
  float* horizonD;
  // Terrain of the line's cells from index -1 (a void pad, NaN) to one past the last cell read
  // (another), and of the line before at the same indices. Every array of cells here may be
  // read from index -1 to 32 values past the last ray's cell.
  const float* terrain;
  const float* before;
  // Of each cell of the line: its distance from the eye (NaN where no verdict is wanted) and
  // its target's height (terrain and target offset).
  const float* distance;
  const float* target;
  // When given, set to 1 where the ray judges its cell j (it passes nearest the cell's centre)
  // and the cell clears the horizon; 0 elsewhere.
  std::uint8_t* seen;
  // When given, set to 1 at the cells seen (each cell of a line has one ray that judges it).
  std::uint32_t* counts;
};

// How many rays step side by side: as many as the processor takes, at most eight, or one (the
// plain form the others must equal).
enum class Lanes { kWidest, kEight, kOne };

// Rays 0 .. n - 1 take their step onto line g.i.
void StepRays(const LineStep& g, const RayArrays& r, int n, Lanes lanes = Lanes::kWidest);

}  // namespace velk::host::analysis::rays
