#include "platform/host/display/map_picture.h"

#include <cairo.h>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <memory>
#include <vector>

#include <gdal_priv.h>
#include <gdal_utils.h>
#include <ogrsf_frmts.h>

#include "platform/com/text.h"
#include "platform/host/display/cairo_symbols.h"
#include "platform/host/display/color_ramp.h"
#include "platform/host/display/display.h"
#include "platform/host/display/display_objects.h"
#include "platform/host/display/layer_drawing.h"
#include "platform/host/data/feature_class.h"
#include "platform/host/geometry/geometry_objects.h"
#include "platform/host/display/layer.h"
#include "platform/host/display/layer_draw.h"
#include "platform/host/display/layer_kinds.h"
#include "platform/host/data/track_cancel.h"
#include "platform/host/display/map.h"
#include "platform/host/display/raster_catalog_layer.h"
#include "platform/host/geometry/spatial_reference_data.h"
#include "platform/host/data/table.h"
#include "platform/host/data/table_core.h"
#include "platform/host/data/table_objects.h"

namespace velk::host {
namespace {

constexpr double kNoData = -1e30;

struct Canvas {
  cairo_t* cr;
  const PictureView& view;
  const OGRSpatialReference* srs;  // null: data coordinates
  DrawCounters& counters;
  double scale = 0;  // the map scale's denominator

  double PixelX(double x) const { return (x - view.xmin) / (view.xmax - view.xmin) * view.width; }
  double PixelY(double y) const { return (view.ymax - y) / (view.ymax - view.ymin) * view.height; }
};

TableCore* CoreOf(IUnknown* table) {
  ComPtr<ITable> t;
  if (!table || FAILED(table->QueryInterface(IidOf<ITable>(), t.put_void())) || !t) return nullptr;
  ComPtr<IRowBuffer> buffer;
  if (FAILED(t->CreateRowBuffer(buffer.put())) || !buffer) return nullptr;
  auto data = buffer.As<IRowData>();
  return data ? data->Core() : nullptr;
}

// Transformation from a layer's reference to the view's; null when none is needed.
std::unique_ptr<OGRCoordinateTransformation> ToView(const OGRSpatialReference* from,
                                                    const OGRSpatialReference* to) {
  if (!from || !to || from->IsSame(to)) return nullptr;
  std::unique_ptr<OGRCoordinateTransformation> ct(OGRCreateCoordinateTransformation(from, to));
  return ct;
}

// Runs a spatial query of the view's extent (in the layer's reference) over the core's layer.
void QueryView(Canvas& c, OGRLayer* layer, const std::wstring& where) {
  layer->SetAttributeFilter(where.empty() ? nullptr : ToUtf8(where).c_str());
  double x0 = c.view.xmin, y0 = c.view.ymin, x1 = c.view.xmax, y1 = c.view.ymax;
  if (auto back = ToView(c.srs, layer->GetSpatialRef())) {
    back->TransformBounds(c.view.xmin, c.view.ymin, c.view.xmax, c.view.ymax, &x0, &y0, &x1, &y1,
                          21);
  }
  layer->SetSpatialFilterRect(x0, y0, x1, y1);
  layer->ResetReading();
  ++c.counters.searches;
}

void EndQuery(OGRLayer* layer) {
  layer->SetSpatialFilter(nullptr);
  layer->SetAttributeFilter(nullptr);
  layer->ResetReading();
}

// ------------------------------------------------------------------ rasters

struct Stretch {
  bool known = false;
  double low = 0, high = 0;
  ComPtr<IColorRamp> ramp;  // null: the host's elevation ramp
};

void PaintPixels(Canvas& c, const std::vector<std::uint32_t>& argb) {
  cairo_surface_t* image = cairo_image_surface_create_for_data(
      reinterpret_cast<unsigned char*>(const_cast<std::uint32_t*>(argb.data())),
      CAIRO_FORMAT_ARGB32, c.view.width, c.view.height, c.view.width * 4);
  cairo_save(c.cr);
  cairo_set_source_surface(c.cr, image, 0, 0);
  cairo_paint(c.cr);
  cairo_restore(c.cr);
  cairo_surface_destroy(image);
}

std::uint32_t Argb(LONG bgr) {
  return 0xFF000000u | static_cast<std::uint32_t>(bgr & 0xFF) << 16 |
         static_cast<std::uint32_t>(bgr & 0xFF00) | static_cast<std::uint32_t>(bgr >> 16 & 0xFF);
}

// Warps the rasters (a VRT of them when several) to the view and paints them.
void DrawRasters(Canvas& c, const std::vector<std::string>& paths, LONG resampling,
                 Stretch stretch) {
  if (paths.empty()) return;
  std::vector<const char*> names;
  for (const std::string& p : paths) names.push_back(p.c_str());
  const char* vrtArgs[] = {"-resolution", "highest", nullptr};
  GDALBuildVRTOptions* vrtOptions = GDALBuildVRTOptionsNew(const_cast<char**>(vrtArgs), nullptr);
  int error = 0;
  CPLPushErrorHandler(CPLQuietErrorHandler);
  GDALDatasetH vrt =
      GDALBuildVRT("", static_cast<int>(names.size()), nullptr, names.data(), vrtOptions, &error);
  CPLPopErrorHandler();
  GDALBuildVRTOptionsFree(vrtOptions);
  c.counters.frameOpens += static_cast<long>(paths.size());
  if (!vrt) return;
  GDALDataset* src = GDALDataset::FromHandle(vrt);
  GDALRasterBand* first = src->GetRasterBand(1);
  GDALColorTable* palette = first ? first->GetColorTable() : nullptr;
  const int bands = src->GetRasterCount() >= 3 && !palette ? 3 : 1;
  GDALDriver* mem = GetGDALDriverManager()->GetDriverByName("MEM");
  // The warp fills every band of the destination from the same band of the source.
  const int warped = std::min(src->GetRasterCount(), 4);
  GDALDataset* dst = mem->Create("", c.view.width, c.view.height, warped, GDT_Float32, nullptr);
  double gt[6] = {c.view.xmin, (c.view.xmax - c.view.xmin) / c.view.width,  0, c.view.ymax,
                  0,           -(c.view.ymax - c.view.ymin) / c.view.height};
  dst->SetGeoTransform(gt);
  if (c.srs)
    dst->SetSpatialRef(c.srs);
  else if (src->GetSpatialRef())
    dst->SetSpatialRef(src->GetSpatialRef());
  for (int b = 1; b <= warped; ++b) {
    dst->GetRasterBand(b)->SetNoDataValue(kNoData);
    dst->GetRasterBand(b)->Fill(kNoData);
  }
  const char* method = resampling == 2 ? "cubic" : resampling == 1 ? "bilinear" : "near";
  std::vector<const char*> warpArgs = {"-r", method, "-dstnodata", "-1e30"};
  if (palette) warpArgs[1] = "near";  // palette indexes cannot be averaged
  warpArgs.push_back(nullptr);
  GDALWarpAppOptions* warpOptions =
      GDALWarpAppOptionsNew(const_cast<char**>(warpArgs.data()), nullptr);
  CPLPushErrorHandler(CPLQuietErrorHandler);
  GDALWarp(nullptr, GDALDataset::ToHandle(dst), 1, &vrt, warpOptions, &error);
  CPLPopErrorHandler();
  GDALWarpAppOptionsFree(warpOptions);
  const std::size_t n = static_cast<std::size_t>(c.view.width) * c.view.height;
  std::vector<std::vector<float>> values(bands, std::vector<float>(n));
  bool read = true;
  for (int b = 0; b < bands; ++b)
    read = read && dst->GetRasterBand(b + 1)->RasterIO(
                       GF_Read, 0, 0, c.view.width, c.view.height, values[b].data(), c.view.width,
                       c.view.height, GDT_Float32, 0, 0, nullptr) == CE_None;
  if (read && bands == 1 && !palette && !stretch.known) {
    // No statistics from the catalog or a renderer: the rasters' own are read.
    double minmax[2];
    if (first->ComputeRasterMinMax(FALSE, minmax) == CE_None)
      stretch = {true, minmax[0], minmax[1], stretch.ramp};
    c.counters.statisticsReads += static_cast<long>(paths.size());
  }
  if (read) {
    std::vector<std::uint32_t> argb(n, 0);
    for (std::size_t i = 0; i < n; ++i) {
      if (values[0][i] <= kNoData / 2) continue;
      if (bands == 3) {
        auto channel = [&](int b) {
          return static_cast<std::uint32_t>(std::clamp(values[b][i], 0.0f, 255.0f));
        };
        argb[i] = 0xFF000000u | channel(0) << 16 | channel(1) << 8 | channel(2);
      } else if (palette) {
        const GDALColorEntry* e = palette->GetColorEntry(static_cast<int>(values[0][i]));
        if (e && e->c4 > 0)
          argb[i] = 0xFF000000u | static_cast<std::uint32_t>(e->c1) << 16 |
                    static_cast<std::uint32_t>(e->c2) << 8 | static_cast<std::uint32_t>(e->c3);
      } else {
        argb[i] = Argb(stretch.ramp
                           ? RampColour(stretch.ramp.get(), values[0][i], stretch.low, stretch.high)
                           : ElevationRampColour(values[0][i], stretch.low, stretch.high));
      }
    }
    PaintPixels(c, argb);
  }
  GDALClose(dst);
  GDALClose(vrt);
}

Stretch StretchOf(IRasterCatalogLayer* layer) {
  LONG count = 0;
  layer->get_RendererCount(&count);
  for (LONG i = 0; i < count; ++i) {
    ComPtr<IUnknown> renderer;
    layer->get_Renderer(i, renderer.put());
    ComPtr<IRasterStretchRenderer> stretch;
    if (!renderer ||
        FAILED(renderer->QueryInterface(IidOf<IRasterStretchRenderer>(), stretch.put_void())))
      continue;
    Stretch s;
    if (auto ramp = QueryAs<IRasterRendererColorRamp>(stretch.get())) {
      ramp->get_ColorRamp(s.ramp.put());
      LONG size = 0;
      if (s.ramp && (FAILED(s.ramp->get_Size(&size)) || size < 1)) s.ramp.Reset();
    }
    VARIANT_BOOL custom = VARIANT_FALSE;
    stretch->get_UseCustomStatistics(&custom);
    if (!custom) return s;
    s.known = true;
    stretch->get_Minimum(&s.low);
    stretch->get_Maximum(&s.high);
    return s;
  }
  return {};
}

void DrawRasterCatalog(Canvas& c, IRasterCatalogLayer* layer, const std::wstring& where) {
  ComPtr<ITable> table;
  layer->get_Table(table.put());
  TableCore* core = CoreOf(table.get());
  if (!core || !core->Valid()) return;
  OGRLayer* ogr = core->Layer();
  Bstr pathField;
  layer->get_RasterPathField(&pathField);
  const int path = ogr->GetLayerDefn()->GetFieldIndex(ToUtf8(pathField.str()).c_str());
  const int minField = ogr->GetLayerDefn()->GetFieldIndex("ELEV_MIN");
  const int maxField = ogr->GetLayerDefn()->GetFieldIndex("ELEV_MAX");
  if (path < 0) return;
  Stretch stretch = StretchOf(layer);
  Stretch catalog;
  catalog.known = minField >= 0 && maxField >= 0;
  catalog.low = std::numeric_limits<double>::max();
  catalog.high = std::numeric_limits<double>::lowest();
  std::vector<std::string> paths;
  QueryView(c, ogr, where);
  for (auto& feature : *ogr) {
    if (!feature->IsFieldSetAndNotNull(path)) continue;
    paths.emplace_back(feature->GetFieldAsString(path));
    if (catalog.known && feature->IsFieldSetAndNotNull(minField) &&
        feature->IsFieldSetAndNotNull(maxField)) {
      catalog.low = std::min(catalog.low, feature->GetFieldAsDouble(minField));
      catalog.high = std::max(catalog.high, feature->GetFieldAsDouble(maxField));
    } else {
      catalog.known = false;
    }
  }
  EndQuery(ogr);
  if (paths.empty()) return;
  c.counters.rastersDrawn += static_cast<long>(paths.size());
  LONG resampling = 0;
  layer->get_ResamplingType(&resampling);
  if (!stretch.known) {
    catalog.ramp = stretch.ramp;
    stretch = catalog;
  }
  DrawRasters(c, paths, resampling, stretch);
}

// ------------------------------------------------------------------ features

PixelPath Pixels(Canvas& c, const OGRSimpleCurve& curve) {
  PixelPath out;
  for (int i = 0; i < curve.getNumPoints(); ++i)
    out.emplace_back(c.PixelX(curve.getX(i)), c.PixelY(curve.getY(i)));
  return out;
}

void DrawGeometry(Canvas& c, const OGRGeometry* g, IUnknown* symbol) {
  switch (wkbFlatten(g->getGeometryType())) {
    case wkbPoint: {
      const auto* p = g->toPoint();
      DrawMarker(c.cr, c.PixelX(p->getX()), c.PixelY(p->getY()), MarkerLookOf(symbol));
      break;
    }
    case wkbLineString: DrawLine(c.cr, Pixels(c, *g->toLineString()), LineLookOf(symbol)); break;
    case wkbPolygon: {
      std::vector<PixelPath> rings;
      for (const auto* ring : *g->toPolygon()) rings.push_back(Pixels(c, *ring));
      DrawFill(c.cr, rings, FillLookOf(symbol));
      break;
    }
    case wkbMultiPoint:
    case wkbMultiLineString:
    case wkbMultiPolygon:
    case wkbGeometryCollection:
      for (const auto* part : *g->toGeometryCollection()) DrawGeometry(c, part, symbol);
      break;
    default: break;
  }
}

// The symbol of a feature: the renderer's for its value, else its default when in use.
class FeatureSymbols {
 public:
  FeatureSymbols(IFeatureRenderer* renderer, OGRLayer* ogr) {
    if (auto simple = QueryAs<ISimpleRenderer>(renderer)) {
      simple->get_Symbol(symbol_.put());
      return;
    }
    unique_ = QueryAs<IUniqueValueRenderer>(renderer);
    // A renderer of an outside component (the product line's symbology) draws every feature
    // with the default look of its geometry kind.
    defaultLooks_ = renderer && !unique_;
    if (!unique_) return;
    LONG count = 0;
    unique_->get_FieldCount(&count);
    for (LONG i = 0; i < count; ++i) {
      Bstr name;
      unique_->get_Field(i, &name);
      fields_.push_back(ogr->GetLayerDefn()->GetFieldIndex(ToUtf8(name.str()).c_str()));
    }
    Bstr delimiter;
    unique_->get_FieldDelimiter(&delimiter);
    delimiter_ = ToUtf8(delimiter.str());
    VARIANT_BOOL use = VARIANT_FALSE;
    unique_->get_UseDefaultSymbol(&use);
    if (use) unique_->get_DefaultSymbol(symbol_.put());
  }
  // Null: the default look, when the renderer draws with it; else the feature is not drawn.
  bool Draws(IUnknown* symbol) const { return symbol || defaultLooks_; }
  ComPtr<IUnknown> For(OGRFeature& f) const {
    if (!unique_) return symbol_;
    std::string value;
    for (std::size_t i = 0; i < fields_.size(); ++i) {
      if (i) value += delimiter_;
      if (fields_[i] >= 0 && f.IsFieldSetAndNotNull(fields_[i]))
        value += f.GetFieldAsString(fields_[i]);
    }
    ComPtr<IUnknown> symbol;
    unique_->get_Symbol(Bstr(FromUtf8(value)), symbol.put());
    return symbol ? symbol : symbol_;
  }

 private:
  ComPtr<IUniqueValueRenderer> unique_;
  std::vector<int> fields_;
  std::string delimiter_;
  bool defaultLooks_ = false;
  ComPtr<IUnknown> symbol_;
};

bool KeepGoing(ITrackCancel* cancel) {
  VARIANT_BOOL go = VARIANT_TRUE;
  return !cancel || FAILED(cancel->Continue(&go)) || go != VARIANT_FALSE;
}

void DrawFeatures(Canvas& c, IFeatureClass* fc, IFeatureRenderer* renderer,
                  const std::wstring& where, ITrackCancel* cancel) {
  TableCore* core = CoreOf(fc);
  if (!core || !core->Valid() || !core->HasShape()) return;
  OGRLayer* ogr = core->Layer();
  FeatureSymbols symbols(renderer, ogr);
  auto toView = ToView(ogr->GetSpatialRef(), c.srs);
  QueryView(c, ogr, where);
  for (auto& feature : *ogr) {
    if (!KeepGoing(cancel)) break;
    OGRGeometry* g = feature->GetGeometryRef();
    if (!g) continue;
    ComPtr<IUnknown> symbol = symbols.For(*feature);
    if (!symbols.Draws(symbol.get())) continue;
    if (toView && g->transform(toView.get()) != OGRERR_NONE) continue;
    DrawGeometry(c, g, symbol.get());
    ++c.counters.featuresDrawn;
  }
  EndQuery(ogr);
}

std::wstring DefinitionOf(IUnknown* layer) {
  std::wstring where;
  if (auto definition = QueryAs<IFeatureLayerDefinition>(layer)) {
    Bstr text;
    definition->get_DefinitionExpression(&text);
    where = text.str();
  }
  return where;
}

bool Cancelled(ITrackCancel* tracker) {
  VARIANT_BOOL go = VARIANT_TRUE;
  return tracker && SUCCEEDED(tracker->Continue(&go)) && go == VARIANT_FALSE;
}

// Out of the scale range the layer gives itself.
bool OutOfScale(const Canvas& c, IUnknown* layer) {
  auto range = QueryAs<ILayerScaleRange>(layer);
  if (!range) return false;
  double zoomedOut = 0, zoomedIn = 0;
  range->get_MinimumScale(&zoomedOut);
  range->get_MaximumScale(&zoomedIn);
  return (zoomedIn != 0 && c.scale < zoomedIn) || (zoomedOut != 0 && c.scale > zoomedOut);
}

void DrawLayer(Canvas& c, IDisplay* display, ILayer* layer, ITrackCancel* tracker);

// A host layer drawn by the host's rules (the layer itself is not asked to draw).
void DrawHostLayer(Canvas& c, IDisplay* display, IUnknown* layer, ITrackCancel* tracker) {
  if (!layer || OutOfScale(c, layer)) return;
  if (auto catalog = QueryAs<IRasterCatalogLayer>(layer)) {
    DrawRasterCatalog(c, catalog.get(), DefinitionOf(layer));
  } else if (auto raster = QueryAs<IRasterLayer>(layer)) {
    Bstr path;
    if (SUCCEEDED(raster->get_FilePath(&path)) && path.get() && *path.get()) {
      ++c.counters.rastersDrawn;
      DrawRasters(c, {ToUtf8(path.str())}, 0, {});
    }
  } else if (auto features = QueryAs<IFeatureLayer>(layer)) {
    ComPtr<IFeatureClass> fc;
    features->get_FeatureClass(fc.put());
    ComPtr<IFeatureRenderer> renderer;
    if (auto geo = QueryAs<IGeoFeatureLayer>(layer)) geo->get_Renderer(renderer.put());
    DrawFeatures(c, fc.get(), renderer.get(), DefinitionOf(layer), tracker);
  } else if (auto group = QueryAs<ICompositeLayer>(layer)) {
    LONG count = 0;
    group->get_Count(&count);
    for (LONG i = count - 1; i >= 0 && !Cancelled(tracker); --i) {
      ComPtr<ILayer> member;
      if (SUCCEEDED(group->get_Layer(i, member.put())))
        DrawLayer(c, display, member.get(), tracker);
    }
  }
}

// The display a picture hands to the layers: the view's transformation (with its map scale),
// the canvas, and the picture's scale and extent and the host's drawing of the host layers a
// layer that draws itself holds.
struct IPictureCanvas : IUnknown {
  VELK_INTERFACE_ID("{E3A95B27-0C4D-4A61-B8F2-5D7C1E9A3B60}")
  virtual Canvas* GetCanvas() = 0;
};

class PictureDisplay
    : public ComObjectRoot<PictureDisplay, IDisplay, IPictureCanvas, IDrawDisplay> {
 public:
  using IDisplay::QueryInterface;
  void Init(Canvas* canvas, IDisplayTransformation* transformation) {
    canvas_ = canvas;
    transformation_ = transformation;
  }
  HRESULT get_DisplayTransformation(IDisplayTransformation** t) override {
    return transformation_.CopyTo(t);
  }
  HRESULT get_hWnd(HWND* window) override {
    if (!window) return E_POINTER;
    *window = nullptr;
    return S_OK;
  }
  Canvas* GetCanvas() override { return canvas_; }
  HRESULT get_MapScale(double* scale) override {
    if (!scale) return E_POINTER;
    *scale = canvas_->scale;
    return S_OK;
  }
  HRESULT get_VisibleExtent(IEnvelope** extent) override {
    if (!extent) return E_POINTER;
    const PictureView& v = canvas_->view;
    double x0 = v.xmin, y0 = v.ymin, x1 = v.xmax, y1 = v.ymax;
    if (canvas_->srs && !canvas_->srs->IsGeographic()) {
      OGRSpatialReference wgs84;
      wgs84.SetWellKnownGeogCS("WGS84");
      wgs84.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
      std::unique_ptr<OGRCoordinateTransformation> ct(
          OGRCreateCoordinateTransformation(canvas_->srs, &wgs84));
      if (ct) ct->TransformBounds(v.xmin, v.ymin, v.xmax, v.ymax, &x0, &y0, &x1, &y1, 21);
    }
    *extent = NewEnvelope(x0, y0, x1, y1).Detach();
    return S_OK;
  }
  HRESULT DrawLayer(IUnknown* layer, ITrackCancel* tracker) override {
    if (!layer) return E_POINTER;
    VELK_TRY
    auto general = QueryAs<ILayer>(layer);
    VARIANT_BOOL visible = VARIANT_TRUE;
    if (general && SUCCEEDED(general->get_Visible(&visible)) && !visible) return S_OK;
    DrawHostLayer(*canvas_, static_cast<IDisplay*>(this), layer, tracker);
    return Cancelled(tracker) ? S_FALSE : S_OK;
    VELK_CATCH
  }

 private:
  Canvas* canvas_ = nullptr;
  ComPtr<IDisplayTransformation> transformation_;
};

Canvas* CanvasOf(IDisplay* display) {
  auto picture = QueryAs<IPictureCanvas>(display);
  return picture ? picture->GetCanvas() : nullptr;
}

// A layer of the map: hidden and out-of-scale layers are not drawn, a layer that draws itself
// is asked to (the geography phase), any other by the host's rules.
void DrawLayer(Canvas& c, IDisplay* display, ILayer* layer, ITrackCancel* tracker) {
  VARIANT_BOOL visible = VARIANT_TRUE;
  if (!layer || FAILED(layer->get_Visible(&visible)) || !visible) return;
  if (OutOfScale(c, layer)) return;
  if (auto self = QueryAs<ILayerDraw>(layer)) {
    self->Draw(kDrawPhaseGeography, display, tracker);
    return;
  }
  DrawHostLayer(c, display, layer, tracker);
}

}  // namespace

HRESULT DrawFeaturesOnDisplay(IDisplay* display, IFeatureClass* features,
                              IFeatureRenderer* renderer, const std::wstring& where,
                              ITrackCancel* cancel) {
  if (Canvas* c = CanvasOf(display); c && features) DrawFeatures(*c, features, renderer, where, cancel);
  return S_OK;
}

HRESULT DrawRasterCatalogOnDisplay(IDisplay* display, IRasterCatalogLayer* layer,
                                   const std::wstring& where) {
  if (Canvas* c = CanvasOf(display); c && layer) DrawRasterCatalog(*c, layer, where);
  return S_OK;
}

HRESULT DrawRasterFileOnDisplay(IDisplay* display, const std::wstring& path, LONG resampling) {
  Canvas* c = CanvasOf(display);
  if (!c || path.empty()) return S_OK;
  ++c->counters.rastersDrawn;
  DrawRasters(*c, {ToUtf8(path)}, resampling, {});
  return S_OK;
}

double PictureScale(const PictureView& view) {
  constexpr double kMetresPerPixel = 0.0254 / 96;
  constexpr double kMetresPerDegree = 6378137.0 * 3.14159265358979323846 / 180;
  double unit = 1.0;
  if (const OGRSpatialReference* srs = SrsOf(view.sr.get()); srs && srs->IsGeographic())
    unit = kMetresPerDegree;
  else if (srs && srs->IsProjected())
    unit = srs->GetLinearUnits();
  else if (!srs && std::fabs(view.xmax) <= 360 && std::fabs(view.xmin) <= 360)
    unit = kMetresPerDegree;  // data coordinates that look like degrees
  return (view.xmax - view.xmin) * unit / view.width / kMetresPerPixel;
}

LONG ElevationRampColour(double value, double low, double high) {
  // Lowland green through tan and brown to white summits.
  static constexpr double kStops[][3] = {
      {47, 122, 59}, {134, 184, 78}, {232, 216, 138}, {168, 116, 68}, {255, 255, 255}};
  double t = high > low ? (value - low) / (high - low) : 0.5;
  t = std::clamp(t, 0.0, 1.0) * 4;
  const int i = std::min(3, static_cast<int>(t));
  const double f = t - i;
  LONG rgb = 0;
  for (int k = 0; k < 3; ++k) {
    const double v = kStops[i][k] + (kStops[i + 1][k] - kStops[i][k]) * f;
    rgb |= static_cast<LONG>(std::lround(v)) << (8 * k);
  }
  return rgb;
}

HRESULT SaveMapPicture(IMap* map, const PictureView& view, const std::string& path,
                       DrawCounters* counters) {
  if (!map) return E_POINTER;
  if (!(view.xmax > view.xmin) || !(view.ymax > view.ymin) || view.width <= 0 || view.height <= 0 ||
      view.width > 20000 || view.height > 20000)
    return E_INVALIDARG;
  GDALAllRegister();
  DrawCounters local;
  cairo_surface_t* surface =
      cairo_image_surface_create(CAIRO_FORMAT_ARGB32, view.width, view.height);
  cairo_t* cr = cairo_create(surface);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_paint(cr);
  Canvas canvas{cr, view, SrsOf(view.sr.get()), local};
  canvas.scale = view.scale > 0 ? view.scale : PictureScale(view);
  ComPtr<IDisplayTransformation> transformation;
  HRESULT hr = CreateDisplayTransformationObject(nullptr, IidOf<IDisplayTransformation>(),
                                                 transformation.put_void());
  if (SUCCEEDED(hr)) hr = transformation->put_DeviceFrame(RECT{0, 0, view.width, view.height});
  if (SUCCEEDED(hr))
    hr = transformation->put_VisibleBounds(
        NewEnvelope(view.xmin, view.ymin, view.xmax, view.ymax, view.sr.get()).get());
  if (SUCCEEDED(hr)) hr = transformation->putref_SpatialReference(view.sr.get());
  if (SUCCEEDED(hr))
    hr = transformation.As<IDisplayScale>()->put_ScaleRatio(canvas.scale);
  ComPtr<IDisplay> display;
  if (SUCCEEDED(hr)) {
    ComObject<PictureDisplay>* d = nullptr;
    hr = ComObject<PictureDisplay>::Create(&d);
    if (SUCCEEDED(hr)) {
      d->Init(&canvas, transformation.get());
      display = ComPtr<IDisplay>(static_cast<IDisplay*>(d));
      d->Release();
    }
  }
  if (FAILED(hr)) {
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
    return hr;
  }
  LONG count = 0;
  map->get_LayerCount(&count);
  for (LONG i = count - 1; i >= 0; --i) {
    ComPtr<ILayer> layer;
    if (SUCCEEDED(map->get_Layer(i, layer.put())))
      DrawLayer(canvas, display.get(), layer.get(), view.cancel.get());
  }
  display.Reset();
  cairo_destroy(cr);
  cairo_surface_flush(surface);
  const std::string part = path + ".part";
  const bool written = cairo_surface_write_to_png(surface, part.c_str()) == CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(surface);
  std::error_code ec;
  if (written) std::filesystem::rename(part, path, ec);
  if (!written || ec) {
    std::filesystem::remove(part, ec);
    return E_FAIL;
  }
  if (counters) *counters = local;
  return S_OK;
}

}  // namespace velk::host
