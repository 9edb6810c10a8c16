#include "tests/layers/catalog_layer_test_support.h"

#include <gtest/gtest.h>

#include <regex>

#include "platform/host/display/layer.h"
#include "platform/host/geometry/spatial_reference_data.h"

namespace velk::test {

LayerMap::LayerMap() { EXPECT_EQ(host::CreateMap(nullptr, IidOf<IMap>(), map_.put_void()), S_OK); }

void LayerMap::Add(IUnknown* layer) {
  auto l = QueryAs<ILayer>(layer);
  ASSERT_TRUE(l);
  ASSERT_EQ(map_->AddLayer(l.get()), S_OK);
}

DrawResult LayerMap::Draw(double xmin, double ymin, double xmax, double ymax, double scale,
                          int width, int height, const std::string& png,
                          ITrackCancel* cancel) {
  host::PictureView view;
  view.xmin = xmin;
  view.ymin = ymin;
  view.xmax = xmax;
  view.ymax = ymax;
  view.width = width;
  view.height = height;
  view.scale = scale;
  view.sr = host::SpatialReferenceFromCode(4326);
  view.cancel = cancel;
  DrawResult result;
  host::QueryLog log;
  EXPECT_EQ(host::SaveMapPicture(map_.get(), view, png.empty() ? out_ / "map.png" : png,
                                 &result.counters),
            S_OK);
  result.queries = log.Clauses();
  return result;
}

std::pair<double, double> GdalinfoMinMax(const std::string& path) {
  const std::string out = ToolOutput("gdalinfo -stats " + ShellQuote(path));
  const std::regex minimum(R"(STATISTICS_MINIMUM=(-?[0-9.eE+]+))");
  const std::regex maximum(R"(STATISTICS_MAXIMUM=(-?[0-9.eE+]+))");
  std::smatch a, b;
  if (!std::regex_search(out, a, minimum) || !std::regex_search(out, b, maximum)) {
    ADD_FAILURE() << "gdalinfo gave no statistics for " << path << ":\n" << out;
    return {0, 0};
  }
  return {std::stod(a[1]), std::stod(b[1])};
}

}  // namespace velk::test
