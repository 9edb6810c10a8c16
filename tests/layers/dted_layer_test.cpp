// The DTED layer over a catalog loaded from cells made in code: the level chosen at Setup and
// applied at the first draw, the footprint queries, the common stretch against gdalinfo's
// statistics and its cache, persistence through the document container, and the clip against
// gdalwarp.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include <gdal_priv.h>
#include <ogr_spatialref.h>

#include "layers/zel_dted_layer.h"
#include "platform/com/text.h"
#include "platform/host/display/color_ramp.h"
#include "platform/host/data/dataset.h"
#include "platform/host/geometry/geometry_objects.h"
#include "platform/host/display/layer_kinds.h"
#include "platform/host/display/map.h"
#include "platform/host/documents/map_document_file.h"
#include "platform/host/display/raster_catalog_layer.h"
#include "platform/host/geometry/spatial_reference_data.h"
#include "platform/registry/activation.h"
#include "tests/fixtures/catalog_fixture.h"
#include "tests/fixtures/dted_fixture.h"
#include "tests/fixtures/requirement.h"
#include "tests/fixtures/tool_output.h"
#include "tests/layers/catalog_layer_test_support.h"

namespace velk::test {
namespace {

using lumeris::ZelDtedLayer;
namespace fs = std::filesystem;

std::wstring Definition(IUnknown* layer) {
  Bstr text;
  EXPECT_EQ(QueryAs<IFeatureLayerDefinition>(layer)->get_DefinitionExpression(&text), S_OK);
  return text.str();
}

std::vector<VARIANT_BOOL> Flags(IZelDtedLayer* layer) {
  auto d = QueryAs<IZelDatasets>(layer);
  LONG n = 0;
  d->get_DatasetCount(&n);
  std::vector<VARIANT_BOOL> flags(static_cast<std::size_t>(n));
  for (LONG i = 0; i < n; ++i) d->get_UseDataset(i, &flags[static_cast<std::size_t>(i)]);
  return flags;
}

// Three cells: level 0 at 6 and 7 east on the equator, level 1 at 6 east, 1 north.
class DtedLayerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(MakeDtedCell(cellA_, 6, 0, 0));
    ASSERT_TRUE(MakeDtedCell(cellB_, 7, 0, 0, [](int c, int r) { return 500 + c * 3 - r; }));
    ASSERT_TRUE(MakeDtedCell(DtedCellPath(data_.path(), 6, 1, 1), 6, 1, 1));
    ASSERT_EQ(catalog_.Load(data_.path()), S_OK);
  }

  ComPtr<IZelDtedLayer> NewLayer(VARIANT_BOOL displayElevation = VARIANT_TRUE) {
    auto layer = MakeObjectPtr<ZelDtedLayer, IZelDtedLayer>();
    EXPECT_TRUE(layer);
    if (!layer) return layer;
    EXPECT_EQ(layer->put_DisplayElevation(displayElevation), S_OK);
    VARIANT_BOOL ok = VARIANT_FALSE;
    EXPECT_EQ(layer->Setup(catalog_.table(), &ok), S_OK);
    EXPECT_EQ(ok, VARIANT_TRUE);
    return layer;
  }
  static ZelDtedLayer& Impl(IZelDtedLayer* l) { return *static_cast<ZelDtedLayer*>(l); }

  HostClassesScope classes_;
  ScratchDir data_;
  std::string cellA_ = DtedCellPath(data_.path(), 6, 0, 0);
  std::string cellB_ = DtedCellPath(data_.path(), 7, 0, 0);
  CatalogFixture catalog_{velkZelCatalogDTED, data_.path(), L"dted"};
};

TEST_F(DtedLayerTest, SetupKeepsTheFirstLevelAndTheFirstDrawAppliesIt) {
  auto layer = NewLayer(VARIANT_FALSE);
  EXPECT_EQ(Flags(layer.get()), (std::vector<VARIANT_BOOL>{VARIANT_TRUE, VARIANT_FALSE}));
  EXPECT_EQ(Definition(layer.get()), L"DTED_TYPE = 'No Rasters please'");
  LayerMap map;
  map.Add(layer.get());
  auto hidden = map.Draw(6, 0, 8, 1, 500000);
  EXPECT_EQ(hidden.counters.rastersDrawn, 0);
  EXPECT_EQ(layer->put_DisplayElevation(VARIANT_TRUE), S_OK);
  auto shown = map.Draw(6, 0, 8, 1, 500000);
  EXPECT_EQ(Definition(layer.get()), L"(DTED_TYPE = 'DTED Level 0' )");
  EXPECT_EQ(shown.counters.rastersDrawn, 2);
}

TEST_F(DtedLayerTest, FootprintQueryFollowsTheWireframeMode) {
  auto layer = NewLayer();
  auto wire = QueryAs<IWireframeDisplayProps>(layer.get());
  const std::pair<velkZelWireframeDisplayEnum, std::wstring> kCases[] = {
      {velkWireframeDisplayNone, L"DTED_TYPE = 'No Wireframe please'"},
      {velkWireframeDisplaySelected, L"(DTED_TYPE = 'DTED Level 0' )"},
      {velkWireframeDisplayAll, L""},
  };
  LayerMap map;
  map.Add(layer.get());
  for (const auto& [mode, query] : kCases) {
    ASSERT_EQ(wire->put_DisplayWireframe(mode), S_OK);
    auto drawn = map.Draw(6, 0, 8, 2, 500000);
    EXPECT_EQ(Definition(Impl(layer.get()).FootprintLayer()), query) << mode;
    EXPECT_EQ(drawn.counters.featuresDrawn, mode == velkWireframeDisplayNone    ? 0
                                            : mode == velkWireframeDisplayAll ? 3
                                                                              : 2)
        << mode;
  }
}

TEST_F(DtedLayerTest, StretchSpansGdalinfoStatisticsOfTheCellsInViewReadOnce) {
  VELK_REQUIRE(!ToolOutput("command -v gdalinfo").empty(), "gdalinfo is not installed");
  auto layer = NewLayer();
  LayerMap map;
  map.Add(layer.get());
  ScratchDir copies;  // gdalinfo -stats writes beside the file it reads
  auto oracle = [&](const std::string& cell) {
    const std::string copy = copies / fs::path(cell).filename().string();
    fs::copy_file(cell, copy, fs::copy_options::overwrite_existing);
    auto mm = GdalinfoMinMax(copy);
    fs::remove(copy);
    fs::remove(copy + ".aux.xml");
    return mm;
  };
  const auto a = oracle(cellA_);
  const auto b = oracle(cellB_);
  map.Draw(6.1, 0.1, 7.9, 0.9, 500000);
  EXPECT_EQ(Impl(layer.get()).LastStretch(),
            std::make_pair(std::min(a.first, b.first), std::max(a.second, b.second)));
  EXPECT_EQ(Impl(layer.get()).StatisticsReads(), 2);
  map.Draw(7.1, 0.1, 7.9, 0.9, 250000);
  EXPECT_EQ(Impl(layer.get()).LastStretch(), b);
  EXPECT_EQ(Impl(layer.get()).StatisticsReads(), 2);  // from the cache
  // No cell in view: the default span.
  map.Draw(20, 20, 21, 21, 250000);
  EXPECT_EQ(Impl(layer.get()).LastStretch(), std::make_pair(-1000.0, 8500.0));

  // The stretch runs over the seven-part elevation ramp; switched off, the cells get their own
  // statistics and the ramp they had back (none).
  auto renderer = Impl(layer.get()).StretchRenderer();
  ASSERT_TRUE(renderer);
  ComPtr<IColorRamp> ramp;
  ASSERT_EQ(QueryAs<IRasterRendererColorRamp>(renderer.get())->get_ColorRamp(ramp.put()), S_OK);
  ASSERT_TRUE(ramp);
  Bstr rampName;
  ramp->get_Name(&rampName);
  EXPECT_EQ(rampName.str(), L"Zel DTED #1");
  LONG size = 0, first = 0, last = 0;
  ramp->get_Size(&size);
  EXPECT_EQ(size, 70);
  ramp->get_Color(0, &first);
  ramp->get_Color(size - 1, &last);
  EXPECT_EQ(first, 0xD3DB76);
  EXPECT_EQ(last, 0xFFFFFF);
  ASSERT_EQ(layer->put_UseUniformRenderer(VARIANT_FALSE), S_OK);
  ComPtr<IColorRamp> back;
  QueryAs<IRasterRendererColorRamp>(renderer.get())->get_ColorRamp(back.put());
  EXPECT_FALSE(back);
  VARIANT_BOOL custom = VARIANT_TRUE;
  QueryAs<IRasterStretchRenderer>(renderer.get())->get_UseCustomStatistics(&custom);
  EXPECT_EQ(custom, VARIANT_FALSE);
}

TEST_F(DtedLayerTest, DocumentRoundTripKeepsSettingsAndLevels) {
  const DWORD cookie =
      RegisterProcessClass(ids::CLSID_ZelDtedLayer, &CreateInstance<ZelDtedLayer>);
  auto layer = NewLayer(VARIANT_FALSE);
  auto datasets = QueryAs<IZelDatasets>(layer.get());
  ASSERT_EQ(datasets->put_UseDataset(0, VARIANT_FALSE), S_OK);
  ASSERT_EQ(datasets->put_UseDataset(1, VARIANT_TRUE), S_OK);
  ASSERT_EQ(layer->put_UseUniformRenderer(VARIANT_FALSE), S_OK);
  ASSERT_EQ(QueryAs<IWireframeDisplayProps>(layer.get())->put_DisplayWireframe(
                velkWireframeDisplaySelected),
            S_OK);
  QueryAs<ILayer>(layer.get())->put_Name(Bstr(L"Elevation"));
  LayerMap map;
  map.Add(layer.get());
  ScratchDir docs;
  const std::wstring doc = FromUtf8(docs / "map.vmap");
  ASSERT_EQ(host::SaveMapLayers(QueryAs<IBasicMap>(map.map()).get(), doc), S_OK);

  LayerMap loaded;
  ASSERT_EQ(host::LoadMapLayers(doc, QueryAs<IBasicMap>(loaded.map()).get()), S_OK);
  ComPtr<ILayer> back;
  ASSERT_EQ(loaded.map()->get_Layer(0, back.put()), S_OK);
  auto dted = QueryAs<IZelDtedLayer>(back.get());
  ASSERT_TRUE(dted);
  VARIANT_BOOL uniform = VARIANT_TRUE, elevation = VARIANT_TRUE;
  dted->get_UseUniformRenderer(&uniform);
  dted->get_DisplayElevation(&elevation);
  EXPECT_EQ(uniform, VARIANT_FALSE);
  EXPECT_EQ(elevation, VARIANT_FALSE);
  velkZelWireframeDisplayEnum mode{};
  QueryAs<IWireframeDisplayProps>(dted.get())->get_DisplayWireframe(&mode);
  EXPECT_EQ(mode, velkWireframeDisplaySelected);
  EXPECT_EQ(Flags(dted.get()), (std::vector<VARIANT_BOOL>{VARIANT_FALSE, VARIANT_TRUE}));
  Bstr name;
  back->get_Name(&name);
  EXPECT_EQ(name.str(), L"Elevation");
  // Saved with the cells hidden, switched on after loading: the chosen level is drawn.
  ASSERT_EQ(dted->put_DisplayElevation(VARIANT_TRUE), S_OK);
  auto drawn = loaded.Draw(6, 1, 7, 2, 500000);
  EXPECT_EQ(Definition(dted.get()), L"(DTED_TYPE = 'DTED Level 1' )");
  EXPECT_EQ(drawn.counters.rastersDrawn, 1);

  // A document cut anywhere in the layer's record loads nothing.
  std::string bytes;
  {
    std::ifstream in(ToUtf8(doc), std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), {});
  }
  for (std::size_t cut : {bytes.size() - 1, bytes.size() - 7, bytes.size() / 2}) {
    const std::string path = docs / ("cut" + std::to_string(cut) + ".vmap");
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(cut));
    LayerMap other;
    EXPECT_NE(host::LoadMapLayers(FromUtf8(path), QueryAs<IBasicMap>(other.map()).get()), S_OK)
        << cut;
    LONG count = -1;
    other.map()->get_LayerCount(&count);
    EXPECT_EQ(count, 0) << cut;
  }
  RevokeProcessClass(cookie);
}

TEST_F(DtedLayerTest, TruncatedStreamLoadsNothingAndRewinds) {
  auto layer = NewLayer();
  ComPtr<IStream> stream;
  ASSERT_EQ(CreateMemoryStream(stream.put()), S_OK);
  ASSERT_EQ(QueryAs<IPersistStream>(layer.get())->Save(stream.get(), TRUE), S_OK);
  std::string bytes;
  ASSERT_EQ(ReadStreamContents(stream.get(), bytes), S_OK);
  for (std::size_t cut : {std::size_t{3}, bytes.size() / 2, bytes.size() - 1}) {
    auto fresh = MakeObjectPtr<ZelDtedLayer, IZelDtedLayer>();
    ComPtr<IStream> part;
    ASSERT_EQ(CreateMemoryStream(std::string_view(bytes).substr(0, cut), part.put()), S_OK);
    EXPECT_EQ(QueryAs<IPersistStream>(fresh.get())->Load(part.get()), E_FAIL) << cut;
    ULARGE_INTEGER pos{};
    part->Seek(LARGE_INTEGER{0}, STREAM_SEEK_CUR, &pos);
    EXPECT_EQ(pos.QuadPart, 0u) << cut;
    LONG n = -1;
    QueryAs<IZelDatasets>(fresh.get())->get_DatasetCount(&n);
    EXPECT_EQ(n, 0) << cut;
  }
}

// The clip against gdalwarp onto the same grid: in the catalog's system the grid is the
// envelope itself; reprojected, an azimuthal equidistant system centred on the envelope.
TEST_F(DtedLayerTest, ClipEqualsGdalwarpOnTheSameGrid) {
  VELK_REQUIRE(!ToolOutput("command -v gdalwarp").empty(), "gdalwarp is not installed");
  auto layer = NewLayer();
  auto helper = QueryAs<IInternalZelHelper>(layer.get());
  ASSERT_TRUE(helper);
  ScratchDir out;
  for (VARIANT_BOOL reproject : {VARIANT_FALSE, VARIANT_TRUE}) {
    SCOPED_TRACE(reproject ? "reprojected" : "own system");
    auto envelope =
        host::NewEnvelope(6.25, 0.2, 7.75, 0.8, host::SpatialReferenceFromCode(4326).get());
    const std::wstring name = reproject ? L"clip_aeqd" : L"clip_own";
    ComPtr<IGeoDataset> clipped;
    ASSERT_EQ(helper->ClipRegion(envelope.get(), Bstr(FromUtf8(out.path())), Bstr(name), reproject,
                                 clipped.put()),
              S_OK);
    ASSERT_TRUE(clipped);
    const std::string ours = out / (ToUtf8(name) + ".tif");
    GDALDatasetUniquePtr a(GDALDataset::Open(ours.c_str(), GDAL_OF_RASTER));
    ASSERT_TRUE(a);
    double gt[6];
    ASSERT_EQ(a->GetGeoTransform(gt), CE_None);
    const int w = a->GetRasterXSize(), h = a->GetRasterYSize();
    const double xmin = gt[0], ymax = gt[3], xmax = gt[0] + w * gt[1], ymin = gt[3] + h * gt[5];
    OGRSpatialReference srs(*a->GetSpatialRef());
    if (!reproject) {
      EXPECT_NEAR(xmin, 6.25, 1e-9);
      EXPECT_NEAR(xmax, 7.75, 1e-9);
      EXPECT_NEAR(ymin, 0.2, 1e-9);
      EXPECT_NEAR(ymax, 0.8, 1e-9);
      EXPECT_TRUE(srs.IsGeographic());
    } else {
      EXPECT_TRUE(srs.IsProjected());
      EXPECT_NEAR(srs.GetProjParm(SRS_PP_CENTRAL_MERIDIAN), 7.0, 1e-9);
      EXPECT_NEAR(srs.GetProjParm(SRS_PP_LATITUDE_OF_ORIGIN), 0.5, 1e-9);
    }
    char* wkt = nullptr;
    srs.exportToWkt(&wkt);
    const std::string wktFile = out / (ToUtf8(name) + ".wkt");
    std::ofstream(wktFile) << wkt;
    CPLFree(wkt);
    const std::string theirs = out / (ToUtf8(name) + "_gdalwarp.tif");
    auto num = [](double v) {
      char b[64];
      std::snprintf(b, sizeof b, "%.17g", v);
      return std::string(b);
    };
    int status = -1;
    const std::string mosaic = out / (ToUtf8(name) + "_mosaic.vrt");
    ToolOutput("gdalbuildvrt -q -resolution highest " + ShellQuote(mosaic) + " " +
                   ShellQuote(cellA_) + " " + ShellQuote(cellB_),
               &status);
    ASSERT_EQ(status, 0);
    ToolOutput("gdalwarp -q -t_srs " + ShellQuote(wktFile) + " -te " + num(xmin) + " " +
                   num(ymin) + " " + num(xmax) + " " + num(ymax) + " -ts " + std::to_string(w) +
                   " " + std::to_string(h) + " -r bilinear -ot Float32 " + ShellQuote(mosaic) +
                   " " + ShellQuote(theirs),
               &status);
    ASSERT_EQ(status, 0);
    GDALDatasetUniquePtr b(GDALDataset::Open(theirs.c_str(), GDAL_OF_RASTER));
    ASSERT_TRUE(b);
    std::vector<float> va(static_cast<std::size_t>(w) * h), vb(va.size());
    ASSERT_EQ(a->GetRasterBand(1)->RasterIO(GF_Read, 0, 0, w, h, va.data(), w, h, GDT_Float32, 0,
                                            0, nullptr),
              CE_None);
    ASSERT_EQ(b->GetRasterBand(1)->RasterIO(GF_Read, 0, 0, w, h, vb.data(), w, h, GDT_Float32, 0,
                                            0, nullptr),
              CE_None);
    double worst = 0;
    for (std::size_t i = 0; i < va.size(); ++i)
      worst = std::max(worst, static_cast<double>(std::fabs(va[i] - vb[i])));
    EXPECT_LE(worst, 1e-3);
  }
  // Outside the catalog there is nothing to clip.
  ComPtr<IGeoDataset> none;
  auto far = host::NewEnvelope(40, 40, 41, 41, host::SpatialReferenceFromCode(4326).get());
  EXPECT_TRUE(FAILED(helper->ClipRegion(far.get(), Bstr(FromUtf8(out.path())), Bstr(L"far"),
                                        VARIANT_FALSE, none.put())));
  EXPECT_FALSE(none);
  EXPECT_FALSE(fs::exists(out / "far.tif"));
  EXPECT_EQ(helper->ClipRegion(far.get(), Bstr(L"/no/such/folder"), Bstr(L"x"), VARIANT_FALSE,
                               none.put()),
            E_INVALIDARG);
}

}  // namespace
}  // namespace velk::test
