// The conversion of a whole table: a point shapefile of N random places with decimal-degree
// fields LAT and LON is converted into a new shapefile with X/Y, DMS, UTM and MGRS fields, as
// OK of the convert-coordinates dialog does it (new output, output fields, the record run,
// the output taking its name). Reports records per second and the peak memory the run adds
// (resident memory sampled while it runs, less the memory before it), which should not grow
// with the number of records.
#include <benchmark/benchmark.h>

#include <ogrsf_frmts.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>

#include "bench/peak_memory.h"
#include "platform/host/data/gdal_drivers.h"
#include "coordinates/conversion_output.h"
#include "coordinates/table_conversion_run.h"
#include "platform/com/object.h"
#include "platform/com/text.h"
#include "platform/host/data/data_class_ids.h"
#include "platform/host/application/host_session.h"
#include "platform/host/data/workspace_objects.h"
#include "platform/productline/coordinate_tool.h"
#include "platform/registry/activation.h"

namespace {

namespace fs = std::filesystem;
using namespace velk;
using namespace velk::corvane;

using bench::PeakSampler;
using bench::ResidentBytes;

// A point shapefile of n random places (fixed seed) under the system's temporary folder, made
// once and kept for later runs.
std::string InputFolder(long n) {
  std::string folder =
      (fs::temp_directory_path() / ("velk-bench-convert-" + std::to_string(n))).string();
  std::string path = folder + "/places.shp";
  std::error_code ec;
  if (fs::exists(path, ec)) return folder;
  fs::create_directories(folder, ec);
  velk::host::EnsureGdalDrivers();
  GDALDriver* driver = velk::host::DriverForExtension("shp", velk::host::DataKind::kVector, true);
  GDALDataset* ds = driver->Create(path.c_str(), 0, 0, 0, GDT_Unknown, nullptr);
  OGRSpatialReference wgs84;
  wgs84.importFromEPSG(4326);
  wgs84.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  OGRLayer* layer = ds->CreateLayer("places", &wgs84, wkbPoint, nullptr);
  for (const char* name : {"LAT", "LON"}) {
    OGRFieldDefn f(name, OFTReal);
    f.SetWidth(13);
    f.SetPrecision(7);
    layer->CreateField(&f);
  }
  std::mt19937_64 rng(11);
  std::uniform_real_distribution<double> unit(-1.0, 1.0), lon(-180.0, 180.0);
  for (long i = 0; i < n; ++i) {
    OGRFeature f(layer->GetLayerDefn());
    double lat = std::asin(unit(rng)) * 180.0 / M_PI, x = lon(rng);
    f.SetField(0, lat);
    f.SetField(1, x);
    OGRPoint p(x, lat);
    f.SetGeometry(&p);
    if (layer->CreateFeature(&f) != OGRERR_NONE) break;
  }
  GDALClose(ds);
  return folder;
}

// The output location the user would pick in the browse dialog: a folder.
class FolderLocation : public ComObjectRoot<FolderLocation, IBrowseObject> {
 public:
  void Init(std::wstring path) { path_ = std::move(path); }
  HRESULT get_FullName(BSTR* path) override {
    *path = AllocBstr(path_);
    return S_OK;
  }
  HRESULT get_BaseName(BSTR* name) override {
    *name = AllocBstr(path_);
    return S_OK;
  }
  HRESULT get_InternalObjectName(IName** name) override {
    ComPtr<IWorkspaceName> ws;
    HRESULT hr = host::CreateWorkspaceNameObject(nullptr, IidOf<IWorkspaceName>(), ws.put_void());
    if (FAILED(hr)) return hr;
    ws->put_PathName(Bstr(path_));
    ws->put_WorkspaceFactoryProgID(Bstr(host::kShapefileWorkspaceFactoryProgId));
    return ws->QueryInterface(IidOf<IName>(), reinterpret_cast<void**>(name));
  }

 private:
  std::wstring path_;
};

struct Host {
  Host() : cookies(host::RegisterHostClasses()) {
    cookies.push_back(productline::RegisterCoordinateToolClass());
  }
  ~Host() {
    for (DWORD c : cookies) RevokeProcessClass(c);
  }
  std::vector<DWORD> cookies;
};

void BM_ConvertTable(benchmark::State& state) {
  static Host host;
  const long n = state.range(0);
  const std::string folder = InputFolder(n);
  const std::string outFolder = folder + "/out";

  ComPtr<ICoordinateTool> engine;
  CoCreateInstance(productline::CLSID_CoordinateTool, nullptr, CLSCTX_ALL, IidOf<ICoordinateTool>(),
                   engine.put_void());
  ConversionParsers parsers;
  OutputFieldNames names{L"X", L"Y", L"DMS", L"", L"UTM", L"MGRS"};
  long long peakGrowth = 0;
  RunCounts counts;

  for (auto _ : state) {
    state.PauseTiming();
    std::error_code ec;
    fs::remove_all(outFolder, ec);
    fs::create_directories(outFolder, ec);
    ComPtr<ITable> input;
    {
      ComPtr<IWorkspaceFactory> factory;
      host::CreateShapefileWorkspaceFactory(nullptr, IidOf<IWorkspaceFactory>(),
                                            factory.put_void());
      ComPtr<IWorkspace> ws;
      factory->OpenFromFile(Bstr(FromUtf8(folder)), nullptr, ws.put());
      ws.As<IFeatureWorkspace>()->OpenTable(Bstr(L"places"), input.put());
    }
    auto location = MakeObjectPtr<FolderLocation, IBrowseObject>();
    static_cast<FolderLocation*>(location.get())->Init(FromUtf8(outFolder));
    state.ResumeTiming();

    PeakSampler sampler;
    const long long before = ResidentBytes();
    std::wstring name = L"converted";
    NewOutput out;
    if (!CreateOutput(nullptr, location.get(), name, input.get(), false, out) ||
        !AddOutputFields(nullptr, out.table.get(), true, names)) {
      state.SkipWithError("the output could not be made");
      break;
    }
    RecordTarget target;
    target.input = input;
    target.output = out.table;
    target.newFile = true;
    target.fieldMap = out.fieldMap;
    RecordLayout layout;
    layout.format = productline::kFormatPoint;
    input->FindField(Bstr(L"LON"), &layout.xIndex);
    input->FindField(Bstr(L"LAT"), &layout.yIndex);
    counts = RunCounts{};
    RunOutcome outcome = RunRecords(engine.get(), parsers, target, names, layout, 0, 0, counts);
    target = RecordTarget{};
    if (outcome != RunOutcome::kCompleted || !FinishOutput(nullptr, out)) {
      state.SkipWithError("the run did not complete");
      break;
    }
    out = NewOutput{};
    peakGrowth = std::max(peakGrowth, sampler.Stop() - before);
  }
  state.counters["records"] = static_cast<double>(counts.total);
  state.counters["failed"] = static_cast<double>(counts.failed);
  state.counters["records_per_second"] =
      benchmark::Counter(static_cast<double>(n), benchmark::Counter::kIsIterationInvariantRate);
  state.counters["peak_memory_added_MiB"] = static_cast<double>(peakGrowth) / (1024.0 * 1024.0);
}

BENCHMARK(BM_ConvertTable)
    ->Arg(100000)
    ->Arg(1000000)
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
