// Resampling a grid into another grid of another system by bilinear interpolation:
// each target cell takes the value at the source position of its centre, weighted over the four
// source cells around it (voids and cells off the source left out, the weights of the others
// renormalised), as GDAL's bilinear warp does. Target cell centres are mapped into the source
// exactly on a lattice and interpolated between its points, which over the smooth mappings of
// an analysis area stays far below a thousandth of a cell.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/host/analysis/grid_view.h"

namespace velk::host::analysis {

// A grid's placement: GDAL's geotransform (rows and columns along the axes) and its size.
struct WarpGrid {
  std::array<double, 6> geoTransform{0, 1, 0, 0, 0, -1};
  int columns = 0;
  int rows = 0;
};

// Maps count points from the target's system into the source's, in place; ok[i] = 0 where a
// point cannot be mapped.
using PointMapping = std::function<void(int count, double* x, double* y, int* ok)>;

struct BilinearWarpOptions {
  int latticeStep = 16;  // target cells between exactly mapped points, each way
  int threads = 0;       // 0: every core
};

// Where the target's cell centres fall in the source, in the source's cell coordinates
// (column, row; a cell's centre at +0.5), held on a lattice.
struct WarpPositions {
  int columns = 0, rows = 0;            // the target's
  int latticeStep = 1;
  std::vector<int> latticeColumns;      // target columns of the lattice points, ascending
  std::vector<int> latticeRows;         // target rows of the lattice points, ascending
  std::vector<double> sourceX, sourceY;  // per lattice point, row-major
  std::vector<std::uint8_t> mapped;      // per lattice point: 0 where the mapping failed
  PointMapping mapping;                  // for cells next to a point that failed
  std::array<double, 6> sourceGeoTransform{};
  WarpGrid target;

  // The source cells the positions reach, with a cell's margin for the interpolation, clipped
  // to a source of sourceColumns x sourceRows; empty (zero size) when none.
  struct Window {
    int column = 0, row = 0, columns = 0, rows = 0;
  };
  Window SourceWindow(int sourceColumns, int sourceRows) const;
};

// Maps the lattice of the target's cell centres into the source (a geotransform along the axes).
// Empty with the reason in error when the target has no cells or the source transform cannot
// be inverted.
WarpPositions MapCellCentres(const WarpGrid& target, const std::array<double, 6>& sourceGeoTransform,
                             PointMapping mapping, const BilinearWarpOptions& options,
                             std::string* error);

// The source cells read into memory: window is where they lie in the whole source of
// sourceColumns x sourceRows (the bounds a target cell's centre must fall within).
template <typename T>
struct WarpSource {
  GridView<T> cells;
  WarpPositions::Window window;
  int sourceColumns = 0, sourceRows = 0;
};

// Fills out (target columns x rows, row-major, every cell written, first touched by the thread
// that fills it) with the bilinear values; cells whose centre falls off the source or on a void
// get noData.
template <typename T>
void BilinearWarp(const WarpSource<T>& source, const WarpPositions& positions, float noData,
                  float* out, const BilinearWarpOptions& options = {});

extern template void BilinearWarp<std::int16_t>(const WarpSource<std::int16_t>&,
                                                const WarpPositions&, float, float*,
                                                const BilinearWarpOptions&);
extern template void BilinearWarp<float>(const WarpSource<float>&, const WarpPositions&, float,
                                         float*, const BilinearWarpOptions&);
extern template void BilinearWarp<double>(const WarpSource<double>&, const WarpPositions&, float,
                                          float*, const BilinearWarpOptions&);

}  // namespace velk::host::analysis
