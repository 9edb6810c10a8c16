// Cost of one coordinate-engine conversion per input format (1 point, 2 DMS, 3 UTM, 4 MGRS),
// on WGS 84 and between two other datums: the engine itself, and ConvertLocation through the
// CoordinateTool component as the dialogs call it (VARIANT in, host points and BSTRs out).
#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "platform/com/variant.h"
#include "platform/host/geometry/geometry_objects.h"
#include "platform/productline/coordinate_engine.h"
#include "platform/productline/coordinate_tool.h"
#include "platform/registry/activation.h"

namespace {

using velk::productline::ConvertedLocation;
using velk::productline::CoordinateEngine;
using velk::productline::GeoPoint;

struct Inputs {
  std::vector<GeoPoint> points;
  std::vector<std::wstring> dms, utm, mgrs;
};

// 1,024 points over the globe (fixed seed) and their texts on the given datum.
const Inputs& InputsFor(int datum) {
  static Inputs cache[2];
  Inputs& in = cache[datum == 0 ? 0 : 1];
  if (!in.points.empty()) return in;
  CoordinateEngine engine;
  std::mt19937_64 rng(5);
  std::uniform_real_distribution<double> unit(-1.0, 1.0), lon(-180.0, 180.0);
  for (int i = 0; i < 1024; ++i) {
    const GeoPoint p{lon(rng), std::asin(unit(rng)) * 180.0 / M_PI};
    ConvertedLocation r;
    if (FAILED(engine.ConvertPoint(p, datum, datum, &r))) continue;
    in.points.push_back(p);
    in.dms.push_back(r.dms);
    in.utm.push_back(r.utm);
    in.mgrs.push_back(r.mgrs);
  }
  return in;
}

// args: format, from datum, to datum
void BM_ConvertLocation(benchmark::State& state) {
  const int format = static_cast<int>(state.range(0));
  const int from = static_cast<int>(state.range(1));
  const int to = static_cast<int>(state.range(2));
  const Inputs& in = InputsFor(from);
  CoordinateEngine engine;
  ConvertedLocation r;
  std::size_t i = 0;
  for (auto _ : state) {
    const std::size_t k = i++ % in.points.size();
    HRESULT hr;
    switch (format) {
      case 1: hr = engine.ConvertPoint(in.points[k], from, to, &r); break;
      case 2: hr = engine.ConvertText(in.dms[k], 2, from, to, &r); break;
      case 3: hr = engine.ConvertText(in.utm[k], 3, from, to, &r); break;
      default: hr = engine.ConvertText(in.mgrs[k], 4, from, to, &r); break;
    }
    benchmark::DoNotOptimize(hr);
    benchmark::DoNotOptimize(r);
  }
}

// WGS 84 to WGS 84, then North American 1927 (CONUS) to European 1950 (mean).
BENCHMARK(BM_ConvertLocation)
    ->ArgNames({"format", "from", "to"})
    ->Args({1, 0, 0})
    ->Args({2, 0, 0})
    ->Args({3, 0, 0})
    ->Args({4, 0, 0})
    ->Args({1, 107, 51})
    ->Args({2, 107, 51})
    ->Args({3, 107, 51})
    ->Args({4, 107, 51});

// The same through ICoordinateTool, the tool made by class identifier. The value VARIANTs are
// made beforehand; each call replaces the two points and three strings of the previous one, as
// the coordinate dialog's members are.
void BM_ConvertLocationCom(benchmark::State& state) {
  const int format = static_cast<int>(state.range(0));
  const Inputs& in = InputsFor(static_cast<int>(state.range(1)));
  const velk::Variant from(static_cast<LONG>(state.range(1)));
  const velk::Variant to(static_cast<LONG>(state.range(2)));

  static const DWORD cookie = velk::productline::RegisterCoordinateToolClass();
  (void)cookie;
  velk::ComPtr<ICoordinateTool> tool;
  if (FAILED(CoCreateInstance(velk::productline::CLSID_CoordinateTool, nullptr, CLSCTX_ALL,
                              IidOf<ICoordinateTool>(), tool.put_void()))) {
    state.SkipWithError("CoordinateTool cannot be created");
    return;
  }
  std::vector<velk::Variant> values;
  for (std::size_t k = 0; k < in.points.size(); ++k) {
    switch (format) {
      case 1:
        values.emplace_back(
            static_cast<IUnknown*>(velk::host::NewPoint(in.points[k].lon, in.points[k].lat).get()));
        break;
      case 2: values.emplace_back(in.dms[k]); break;
      case 3: values.emplace_back(in.utm[k]); break;
      default: values.emplace_back(in.mgrs[k]); break;
    }
  }

  IPoint* wgs84 = nullptr;
  IPoint* datum = nullptr;
  BSTR dms = nullptr, utm = nullptr, mgrs = nullptr;
  std::size_t i = 0;
  for (auto _ : state) {
    const HRESULT hr = tool->ConvertLocation(values[i++ % values.size()], format, from, to, &wgs84,
                                             &datum, &dms, &utm, &mgrs);
    benchmark::DoNotOptimize(hr);
  }
  if (wgs84) wgs84->Release();
  if (datum) datum->Release();
  SysFreeString(dms);
  SysFreeString(utm);
  SysFreeString(mgrs);
}

BENCHMARK(BM_ConvertLocationCom)
    ->ArgNames({"format", "from", "to"})
    ->Args({1, 0, 0})
    ->Args({2, 0, 0})
    ->Args({3, 0, 0})
    ->Args({4, 0, 0})
    ->Args({1, 107, 51})
    ->Args({2, 107, 51})
    ->Args({3, 107, 51})
    ->Args({4, 107, 51});

}  // namespace

BENCHMARK_MAIN();
