// Shared pieces of the catalog layer tests: a map holding one layer drawn into a picture at a
// given view and scale, with the queries the draw ran, and documents saved and loaded back.
#pragma once

#include <string>
#include <vector>

#include "platform/com/object.h"
#include "platform/host/display/map.h"
#include "platform/host/display/map_picture.h"
#include "platform/host/data/query_log.h"
#include "tests/fixtures/tool_output.h"

namespace velk::test {

struct DrawResult {
  host::DrawCounters counters;
  std::vector<std::wstring> queries;
};

class LayerMap {
 public:
  LayerMap();
  void Add(IUnknown* layer);
  IMap* map() const { return map_.get(); }
  // Draws the view (degrees) at the map scale into a picture of width x height pixels.
  DrawResult Draw(double xmin, double ymin, double xmax, double ymax, double scale,
                  int width = 200, int height = 200, const std::string& png = {},
                  ITrackCancel* cancel = nullptr);

 private:
  ComPtr<IMap> map_;
  ScratchDir out_;
};

// gdalinfo -stats of a raster file: {minimum, maximum}; {0, 0} and a test failure when the tool
// gives none.
std::pair<double, double> GdalinfoMinMax(const std::string& path);

}  // namespace velk::test
