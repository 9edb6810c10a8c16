// The vector product layer over a VPF catalog of 500 libraries whose "_features" table holds
// 50,000 rows (100 feature classes in 10 coverages per library, made by code): refreshing the
// coverages with every coverage shown, and a first and a steady-state draw of a view of four
// libraries of one product. Each reports the layer's catalog and feature-table queries, the
// libraries it prepared and the feature classes it opened, per iteration.
#include <cstdlib>
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <unistd.h>

#include <gdal_priv.h>
#include <ogrsf_frmts.h>

#include "interfaces/zel_layer_interfaces.h"
#include "layers/zel_vector_layer.h"
#include "platform/com/object.h"
#include "platform/com/text.h"
#include "platform/host/data/data_class_ids.h"
#include "platform/host/application/data_classes.h"
#include "platform/host/data/feature_class.h"
#include "platform/host/display/layer.h"
#include "platform/host/display/map.h"
#include "platform/host/display/map_picture.h"
#include "platform/host/geometry/spatial_reference.h"
#include "platform/host/data/workspace.h"
#include "platform/host/data/workspace_objects.h"
#include "platform/productline/data_manager.h"
#include "platform/productline/product_line_classes.h"

namespace {

namespace fs = std::filesystem;
using namespace velk;

constexpr int kLibraries = 500;
constexpr int kCoverages = 10;
constexpr int kClassesPerCoverage = 10;

fs::path Root() {
  static const fs::path root = [] {
    fs::path p = fs::temp_directory_path() / ("velk-vector-bench-" + std::to_string(::getpid()));
    fs::create_directories(p);
    return p;
  }();
  return root;
}

// The catalog: one footprint per library in a 25 x 20 grid of degrees, levels 0 and 1 taking
// alternate columns; the feature table through OGR in one transaction. The VPF data itself is not
// there, so every open is tried and fails, as for a library whose disc is not mounted.
IFeatureClass* Catalog() {
  static ComPtr<IFeatureClass> catalog = [] {
    host::RegisterHostDataClasses();
    productline::RegisterProductLineClasses();
    auto factory = host::WorkspaceFactoryFromProgId(host::kDatabaseWorkspaceFactoryProgId);
    ComPtr<IWorkspace> db;
    factory->Create(Bstr(FromUtf8(Root().string())), Bstr(L"zel.gpkg"), nullptr, nullptr,
                    db.put());
    ComPtr<IDataManager> manager;
    productline::CreateDataManagerObject(nullptr, IidOf<IDataManager>(), manager.put_void());
    manager->CreateCatalog(db.get(), velkZelCatalogVPF, nullptr, Bstr(L"vmap"), 0, 0, nullptr);
    db.Reset();
    {
      GDALDatasetUniquePtr ds(GDALDataset::Open((Root() / "zel.gpkg").c_str(),
                                                GDAL_OF_VECTOR | GDAL_OF_UPDATE));
      OGRLayer* lat = ds->GetLayerByName("vmap");
      OGRLayer* features = ds->GetLayerByName("vmap_features");
      ds->StartTransaction();
      for (int i = 0; i < kLibraries; ++i) {
        const int lon = i % 25, latitude = i / 25;
        const std::string product = lon % 2 ? "VMAP$VMAP Level 1" : "VMAP$VMAP Level 0";
        const std::string library = "lib" + std::to_string(i);
        OGRFeature f(lat->GetLayerDefn());
        OGRPolygon polygon;
        OGRLinearRing ring;
        ring.addPoint(lon, latitude);
        ring.addPoint(lon, latitude + 1);
        ring.addPoint(lon + 1, latitude + 1);
        ring.addPoint(lon + 1, latitude);
        ring.addPoint(lon, latitude);
        polygon.addRing(&ring);
        f.SetGeometry(&polygon);
        f.SetField("PRODUCT", product.c_str());
        f.SetField("LIBRARY", library.c_str());
        if (lat->CreateFeature(&f) != OGRERR_NONE) std::abort();
        for (int c = 0; c < kCoverages; ++c)
          for (int k = 0; k < kClassesPerCoverage; ++k) {
            OGRFeature row(features->GetLayerDefn());
            const std::string coverage = "cov" + std::to_string(c);
            const std::string fclass = "fc" + std::to_string(k) + (k % 2 ? "l" : "a");
            row.SetField("PRODUCT", product.c_str());
            row.SetField("COVERAGE", coverage.c_str());
            row.SetField("FEAT_CLS", fclass.c_str());
            row.SetField("COV_DESC", ("Coverage " + std::to_string(c)).c_str());
            row.SetField("FC_DESC", ("Class " + fclass).c_str());
            row.SetField("FC_TYPE", k % 2 ? "Line" : "Area");
            row.SetField("PATH", (Root() / (lon % 2 ? "vmaplv1" : "vmaplv0")).c_str());
            row.SetField("LIBRARY", library.c_str());
            row.SetField("GEOSYM_PID", lon % 2 ? 2 : 1);
            if (features->CreateFeature(&row) != OGRERR_NONE) std::abort();
          }
      }
      ds->CommitTransaction();
    }
    factory->OpenFromFile(Bstr(FromUtf8((Root() / "zel.gpkg").string())), nullptr, db.put());
    ComPtr<IFeatureClass> fc;
    db.As<IFeatureWorkspace>()->OpenFeatureClass(Bstr(L"vmap"), fc.put());
    return fc;
  }();
  return catalog.get();
}

ComPtr<IZelVectorLayer> BuiltLayer() {
  IFeatureClass* catalog = Catalog();  // registers the host's classes first
  ComPtr<IZelVectorLayer> layer;
  lumeris::CreateZelVectorLayerObject(nullptr, IidOf<IZelVectorLayer>(), layer.put_void());
  layer->putref_FeatureClass(catalog);
  auto coverages = layer.As<IZelVpfCoverages>();
  LONG count = 0;
  coverages->get_CoverageCount(&count);
  for (LONG i = 0; i < count; ++i) coverages->put_ShowCoverage(i, VARIANT_TRUE);
  coverages->RefreshCoverages();
  layer->put_DisplayCoverages(VARIANT_TRUE);
  return layer;
}

void Report(benchmark::State& state, IUnknown* layer, const lumeris::VectorLayerStats& before) {
  lumeris::VectorLayerStats after;
  lumeris::GetVectorLayerStats(layer, &after);
  const double n = static_cast<double>(state.iterations());
  state.counters["catalog_queries"] = (after.catalogQueries - before.catalogQueries) / n;
  state.counters["feature_table_queries"] =
      (after.featureTableQueries - before.featureTableQueries) / n;
  state.counters["libraries_prepared"] =
      (after.libraryPreparations - before.libraryPreparations) / n;
  state.counters["opens"] = (after.featureClassOpens - before.featureClassOpens) / n;
}

void BM_RefreshAllCoverages(benchmark::State& state) {
  auto layer = BuiltLayer();
  lumeris::VectorLayerStats before;
  lumeris::GetVectorLayerStats(layer.get(), &before);
  for (auto _ : state) layer.As<IZelVpfCoverages>()->RefreshCoverages();
  Report(state, layer.get(), before);
}

// A view of 1.8 x 1.8 degrees at about 1:950,000 (level 0's range): four libraries in view, two of
// them level 0.
void DrawView(IZelVectorLayer* layer) {
  ComPtr<IMap> map;
  host::CreateMap(nullptr, IidOf<IMap>(), map.put_void());
  map->AddLayer(QueryAs<ILayer>(layer).get());
  host::PictureView view;
  view.xmin = 4.1;
  view.xmax = 5.9;
  view.ymin = 4.1;
  view.ymax = 5.9;
  view.width = 800;
  view.height = 800;
  host::SaveMapPicture(map.get(), view, (Root() / "view.png").string());
}

void BM_FirstDraw(benchmark::State& state) {
  lumeris::VectorLayerStats total;
  long iterations = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto layer = BuiltLayer();
    lumeris::VectorLayerStats before;
    lumeris::GetVectorLayerStats(layer.get(), &before);
    state.ResumeTiming();
    DrawView(layer.get());
    state.PauseTiming();
    lumeris::VectorLayerStats after;
    lumeris::GetVectorLayerStats(layer.get(), &after);
    total.catalogQueries += after.catalogQueries - before.catalogQueries;
    total.libraryPreparations += after.libraryPreparations - before.libraryPreparations;
    total.featureClassOpens += after.featureClassOpens - before.featureClassOpens;
    ++iterations;
    state.ResumeTiming();
  }
  const double n = static_cast<double>(std::max(1L, iterations));
  state.counters["catalog_queries"] = total.catalogQueries / n;
  state.counters["libraries_prepared"] = total.libraryPreparations / n;
  state.counters["opens"] = total.featureClassOpens / n;
}

void BM_SteadyDraw(benchmark::State& state) {
  auto layer = BuiltLayer();
  DrawView(layer.get());
  lumeris::VectorLayerStats before;
  lumeris::GetVectorLayerStats(layer.get(), &before);
  for (auto _ : state) DrawView(layer.get());
  Report(state, layer.get(), before);
}

BENCHMARK(BM_RefreshAllCoverages)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_FirstDraw)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SteadyDraw)->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace

BENCHMARK_MAIN();
