// The highest or lowest elevation of a surface inside a dragged area: every cell that carries it
// becomes a point of a new numbered shapefile ("MaxPt0000.shp", "MinPt0000.shp") in the work
// folder, added to the map as a point layer (red for the highest, black for the lowest)
// labelled with the elevation. The chain runs through the host's raster analysis: cell
// statistics over the area, a map-algebra expression that keeps only the extreme cells, and
// raster to points.
#pragma once

#include <string>

#include "framework/hook_struct.h"
#include "platform/com/bstr.h"
#include "platform/host/geometry/geometry.h"
#include "platform/host/display/layer.h"

namespace velk::corvane {

struct HighLowPointOutcome {
  ComPtr<ILayer> layer;   // the point layer added to the focus map; null after a quiet stop
  std::wstring shapefile; // its file name ("MaxPt0000.shp")
  double value = 0.0;     // the extreme elevation
  bool areaMissesSurface = false;  // the statistics found no cell of the surface in the area
  // More cells carry the extreme than a point shapefile holds: nothing added, and the run's
  // rasters removed again.
  bool tooManyPoints = false;
};

// The map-algebra expression that keeps the cells equal to the extreme: "setnull([in] < v ,
// [in])" for the highest, "setnull([in] > v , [in])" for the lowest, v written so that it reads
// back as the same double (six decimals would round the extreme past every cell).
std::wstring HighLowExpression(double extreme, bool isHighest);

// folder: the work folder (ending in a separator); area: in the focus map's spatial
// reference; layer: a host raster layer over the surface. Stops quietly (nothing added) when
// the raster has no geodataset, the statistics give no result or no value in the area, or the
// expression gives no result. A host object that does not come back raises a COM error.
HighLowPointOutcome FindHighLowPoint(HookStruct& hook, const Bstr& folder, IEnvelope* area,
                                     ILayer* layer, bool isHighest);

}  // namespace velk::corvane
