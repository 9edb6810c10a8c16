#include "platform/host/display/layer_objects.h"

#include <filesystem>
#include <vector>

#include "platform/com/out_param.h"
#include "platform/com/text.h"
#include "platform/host/data/dataset.h"
#include "platform/host/data/feature_class.h"
#include "platform/host/geometry/geometry_data.h"
#include "platform/host/display/display.h"
#include "platform/host/display/display_class_ids.h"
#include "platform/host/geometry/geometry_objects.h"
#include "platform/host/data/persist_bytes.h"
#include "platform/host/display/raster_catalog_layer.h"
#include "platform/host/data/workspace.h"
#include "platform/host/data/workspace_objects.h"
#include "platform/com/stream.h"
#include "platform/host/display/graphics_objects.h"
#include "platform/host/display/layer_base.h"
#include "platform/host/display/map_picture.h"
#include "platform/host/data/table_location.h"
#include "platform/host/data/raster.h"
#include "platform/host/data/raster_objects.h"
#include "platform/host/display/symbol.h"
#include "platform/host/display/symbol_objects.h"

namespace velk::host {

namespace {

class SimpleRendererObject
    : public ComObjectRoot<SimpleRendererObject, ISimpleRenderer, IFeatureRenderer> {
 public:
  using ISimpleRenderer::QueryInterface;
  HRESULT get_Symbol(IUnknown** symbol) override { return symbol_.CopyTo(symbol); }
  HRESULT putref_Symbol(IUnknown* symbol) override {
    symbol_ = symbol;
    return S_OK;
  }
  HRESULT get_Label(BSTR* label) override {
    if (!label) return E_POINTER;
    *label = AllocBstr(label_);
    return S_OK;
  }
  HRESULT put_Label(BSTR label) override {
    label_ = BstrToWstring(label);
    return S_OK;
  }

 private:
  ComPtr<IUnknown> symbol_;
  std::wstring label_;
};

class UniqueValueRendererObject
    : public ComObjectRoot<UniqueValueRendererObject, IUniqueValueRenderer, IFeatureRenderer> {
 public:
  using IUniqueValueRenderer::QueryInterface;
  HRESULT get_FieldCount(LONG* count) override {
    if (!count) return E_POINTER;
    *count = static_cast<LONG>(fields_.size());
    return S_OK;
  }
  HRESULT put_FieldCount(LONG count) override {
    if (count < 0) return E_INVALIDARG;
    fields_.resize(static_cast<std::size_t>(count));
    return S_OK;
  }
  HRESULT get_Field(LONG index, BSTR* name) override {
    if (!name) return E_POINTER;
    if (index < 0 || static_cast<std::size_t>(index) >= fields_.size()) return E_INVALIDARG;
    *name = AllocBstr(fields_[static_cast<std::size_t>(index)]);
    return S_OK;
  }
  HRESULT put_Field(LONG index, BSTR name) override {
    if (index < 0 || static_cast<std::size_t>(index) >= fields_.size()) return E_INVALIDARG;
    fields_[static_cast<std::size_t>(index)] = BstrToWstring(name);
    return S_OK;
  }
  HRESULT get_FieldDelimiter(BSTR* delimiter) override {
    if (!delimiter) return E_POINTER;
    *delimiter = AllocBstr(delimiter_);
    return S_OK;
  }
  HRESULT put_FieldDelimiter(BSTR delimiter) override {
    delimiter_ = BstrToWstring(delimiter);
    return S_OK;
  }
  HRESULT put_FieldType(LONG index, VARIANT_BOOL isString) override {
    if (index < 0 || static_cast<std::size_t>(index) >= fields_.size()) return E_INVALIDARG;
    textFields_.resize(fields_.size());
    textFields_[static_cast<std::size_t>(index)] = isString != VARIANT_FALSE;
    return S_OK;
  }
  HRESULT get_FieldType(LONG index, VARIANT_BOOL* isString) override {
    if (!isString) return E_POINTER;
    if (index < 0 || static_cast<std::size_t>(index) >= fields_.size()) return E_INVALIDARG;
    const auto i = static_cast<std::size_t>(index);
    *isString = ToVariantBool(i < textFields_.size() && textFields_[i]);
    return S_OK;
  }
  HRESULT AddValue(BSTR value, BSTR heading, IUnknown* symbol) override {
    const std::wstring key = BstrToWstring(value);
    if (Find(key)) return E_INVALIDARG;
    values_.push_back({key, BstrToWstring(heading), key, ComPtr<IUnknown>(symbol)});
    return S_OK;
  }
  HRESULT get_ValueCount(LONG* count) override {
    if (!count) return E_POINTER;
    *count = static_cast<LONG>(values_.size());
    return S_OK;
  }
  HRESULT get_Value(LONG index, BSTR* value) override {
    if (!value) return E_POINTER;
    if (index < 0 || static_cast<std::size_t>(index) >= values_.size()) return E_INVALIDARG;
    *value = AllocBstr(values_[static_cast<std::size_t>(index)].value);
    return S_OK;
  }
  HRESULT get_Symbol(BSTR value, IUnknown** symbol) override {
    if (!symbol) return E_POINTER;
    *symbol = nullptr;
    const Entry* e = Find(BstrToWstring(value));
    return e ? e->symbol.CopyTo(symbol) : S_OK;
  }
  HRESULT get_Heading(BSTR value, BSTR* heading) override {
    if (!heading) return E_POINTER;
    const Entry* e = Find(BstrToWstring(value));
    *heading = AllocBstr(e ? e->heading : std::wstring());
    return e ? S_OK : E_INVALIDARG;
  }
  HRESULT get_Label(BSTR value, BSTR* label) override {
    if (!label) return E_POINTER;
    const Entry* e = Find(BstrToWstring(value));
    *label = AllocBstr(e ? e->label : std::wstring());
    return e ? S_OK : E_INVALIDARG;
  }
  HRESULT put_Label(BSTR value, BSTR label) override {
    Entry* e = Find(BstrToWstring(value));
    if (!e) return E_INVALIDARG;
    e->label = BstrToWstring(label);
    return S_OK;
  }
  HRESULT get_DefaultSymbol(IUnknown** symbol) override { return defaultSymbol_.CopyTo(symbol); }
  HRESULT putref_DefaultSymbol(IUnknown* symbol) override {
    defaultSymbol_ = symbol;
    return S_OK;
  }
  HRESULT get_DefaultLabel(BSTR* label) override {
    if (!label) return E_POINTER;
    *label = AllocBstr(defaultLabel_);
    return S_OK;
  }
  HRESULT put_DefaultLabel(BSTR label) override {
    defaultLabel_ = BstrToWstring(label);
    return S_OK;
  }
  HRESULT get_UseDefaultSymbol(VARIANT_BOOL* use) override {
    if (!use) return E_POINTER;
    *use = ToVariantBool(useDefault_);
    return S_OK;
  }
  HRESULT put_UseDefaultSymbol(VARIANT_BOOL use) override {
    useDefault_ = use != VARIANT_FALSE;
    return S_OK;
  }
  HRESULT get_ColorScheme(BSTR* name) override {
    if (!name) return E_POINTER;
    *name = AllocBstr(scheme_);
    return S_OK;
  }
  HRESULT put_ColorScheme(BSTR name) override {
    scheme_ = BstrToWstring(name);
    return S_OK;
  }
  HRESULT get_LegendGroupHeading(BSTR* heading) override {
    if (!heading) return E_POINTER;
    *heading = AllocBstr(legendHeading_);
    return S_OK;
  }
  HRESULT put_LegendGroupHeading(BSTR heading) override {
    legendHeading_ = BstrToWstring(heading);
    return S_OK;
  }

 private:
  struct Entry {
    std::wstring value, heading, label;
    ComPtr<IUnknown> symbol;
  };
  Entry* Find(const std::wstring& value) {
    for (Entry& e : values_)
      if (e.value == value) return &e;
    return nullptr;
  }
  std::vector<std::wstring> fields_;
  std::vector<bool> textFields_;
  std::wstring delimiter_, scheme_, legendHeading_;
  std::vector<Entry> values_;
  ComPtr<IUnknown> defaultSymbol_;
  std::wstring defaultLabel_;
  bool useDefault_ = false;
};

class FeatureLayerObject
    : public PersistentLayerBase<FeatureLayerObject, CLSID_FeatureLayer, IFeatureLayer,
                                 IFeatureSelection, IGeoFeatureLayer> {
 public:
  HRESULT Draw(LONG phase, IDisplay* display, ITrackCancel* cancel) override {
    if (phase != kDrawPhaseGeography || !visible_) return S_OK;
    return DrawFeaturesOnDisplay(display, featureClass_.get(), renderer_.get(), definition_,
                                 cancel);
  }

  // IPersistStream: the layer's settings and where its feature class lies (the workspace
  // factory's ProgID, the workspace's path and the class's name); a class no longer there
  // leaves the layer without one rather than failing the document.
  HRESULT Save(IStream* stream, BOOL) override {
    if (!stream) return E_POINTER;
    VELK_TRY
    std::wstring progId, workspace, dataset;
    if (auto ds = featureClass_.As<IDataset>()) {
      ComPtr<IName> full;
      if (SUCCEEDED(ds->get_FullName(full.put())) && full) {
        if (auto name = full.As<IDatasetName>()) {
          Bstr text;
          if (SUCCEEDED(name->get_Name(&text))) dataset = text.str();
          ComPtr<IWorkspaceName> ws;
          if (SUCCEEDED(name->get_WorkspaceName(ws.put())) && ws) {
            Bstr path, factory;
            ws->get_PathName(&path);
            ws->get_WorkspaceFactoryProgID(&factory);
            workspace = path.str();
            progId = factory.str();
          }
        }
      }
    }
    return SaveLayerRecord(stream, std::array{name_, definition_, progId, workspace, dataset},
                           [this](ByteWriter& w) {
                             w.F64(minimumScale_);
                             w.F64(maximumScale_);
                           });
    VELK_CATCH
  }
  HRESULT Load(IStream* stream) override {
    if (!stream) return E_POINTER;
    VELK_TRY
    std::array<std::wstring, 5> texts;
    bool visible = false;
    double minimum = 0, maximum = 0;
    HRESULT hr = LoadLayerRecord(stream, &texts, &visible, [&](ByteReader& r) {
      minimum = r.F64();
      maximum = r.F64();
      return r.ok ? S_OK : E_FAIL;
    });
    if (FAILED(hr)) return hr;
    name_ = texts[0];
    definition_ = texts[1];
    visible_ = visible;
    minimumScale_ = minimum;
    maximumScale_ = maximum;
    featureClass_.Reset();
    selection_.Reset();
    if (auto factory = WorkspaceFactoryFromProgId(texts[2]); factory && !texts[4].empty()) {
      ComPtr<IWorkspace> ws;
      if (SUCCEEDED(factory->OpenFromFile(Bstr(texts[3]), nullptr, ws.put())) && ws)
        if (auto features = ws.As<IFeatureWorkspace>())
          features->OpenFeatureClass(Bstr(texts[4]), featureClass_.put());
    }
    return S_OK;
    VELK_CATCH
  }

  HRESULT FinalConstruct() {
    ComPtr<IMarkerSymbol> symbol;
    HRESULT hr = CreateMarkerSymbolObject(nullptr, IidOf<IMarkerSymbol>(), symbol.put_void());
    if (FAILED(hr)) return hr;
    hr = CreateSimpleRendererObject(nullptr, IidOf<IFeatureRenderer>(), renderer_.put_void());
    if (FAILED(hr)) return hr;
    return renderer_.As<ISimpleRenderer>()->putref_Symbol(symbol.get());
  }
  bool IsValid() const { return featureClass_ != nullptr; }
  ComPtr<IEnvelope> Extent() {
    ComPtr<IEnvelope> e;
    if (auto geo = featureClass_.As<IGeoDataset>()) geo->get_Extent(e.put());
    return e;
  }

  HRESULT get_FeatureClass(IFeatureClass** fc) override { return featureClass_.CopyTo(fc); }
  HRESULT putref_FeatureClass(IFeatureClass* fc) override {
    featureClass_ = fc;
    selection_.Reset();
    if (fc && name_.empty()) {
      Bstr n;
      if (auto ds = QueryAs<IDataset>(fc); ds && SUCCEEDED(ds->get_Name(&n))) name_ = n.str();
    }
    return S_OK;
  }
  HRESULT get_SelectionSet(ISelectionSet** selection) override {
    if (!selection) return E_POINTER;
    *selection = nullptr;
    if (!selection_) {
      if (!featureClass_) return E_FAIL;
      auto q = MakeEmptySelection();
      if (!q) return E_FAIL;
      selection_ = q;
    }
    return selection_.CopyTo(selection);
  }
  HRESULT putref_SelectionSet(ISelectionSet* selection) override {
    selection_ = selection;
    return S_OK;
  }
  HRESULT Clear() override {
    selection_.Reset();
    return S_OK;
  }
  HRESULT get_Renderer(IFeatureRenderer** renderer) override { return renderer_.CopyTo(renderer); }
  HRESULT putref_Renderer(IFeatureRenderer* renderer) override {
    renderer_ = renderer;
    return S_OK;
  }

 private:
  // A selection of no feature: the class's selection by a where clause that holds for none.
  ComPtr<ISelectionSet> MakeEmptySelection() {
    ComPtr<ISelectionSet> s;
    if (FAILED(featureClass_->Select(nullptr, kSelectionTypeIDSet, kSelectionOptionNormal, nullptr,
                                     s.put())) ||
        !s)
      return nullptr;
    ComPtr<IEnumIDs> ids;
    s->get_IDs(ids.put());
    std::vector<LONG> all;
    LONG id = -1;
    while (ids && ids->Next(&id) == S_OK) all.push_back(id);
    for (LONG i : all) s->Remove(i);
    return s;
  }
  ComPtr<IFeatureClass> featureClass_;
  ComPtr<ISelectionSet> selection_;
  ComPtr<IFeatureRenderer> renderer_;
};

class RasterRendererObject : public ComObjectRoot<RasterRendererObject, IRasterRenderer> {
 public:
  HRESULT get_Raster(IRaster** raster) override { return raster_.CopyTo(raster); }
  HRESULT putref_Raster(IRaster* raster) override {
    raster_ = raster;
    return S_OK;
  }
  HRESULT Update() override {
    ++updates_;
    return S_OK;
  }
  HRESULT get_DisplayOption(LONG* option) override {
    if (!option) return E_POINTER;
    *option = option_;
    return S_OK;
  }
  HRESULT put_DisplayOption(LONG option) override {
    option_ = option;
    return S_OK;
  }
  HRESULT get_UpdateCount(LONG* count) override {
    if (!count) return E_POINTER;
    *count = updates_;
    return S_OK;
  }

 private:
  ComPtr<IRaster> raster_;
  LONG option_ = kRasterDisplayDefault;
  LONG updates_ = 0;
};

class RasterLayerObject : public LayerBase<RasterLayerObject, IRasterLayer, IRasterLayerRenderer> {
 public:
  // The raster as its resampling mode asks (IRasterResampling; nearest when it has none).
  HRESULT Draw(LONG phase, IDisplay* display, ITrackCancel*) override {
    if (phase != kDrawPhaseGeography || !visible_ || path_.empty()) return S_OK;
    LONG mode = kRasterResampleNearest;
    if (auto resampling = raster_.As<IRasterResampling>()) resampling->get_ResamplingMode(&mode);
    return DrawRasterFileOnDisplay(display, path_, mode);
  }
  HRESULT get_Renderer(IRasterRenderer** renderer) override { return renderer_.CopyTo(renderer); }
  HRESULT putref_Renderer(IRasterRenderer* renderer) override {
    renderer_ = renderer;
    return S_OK;
  }
  bool IsValid() const { return raster_ != nullptr; }
  ComPtr<IEnvelope> Extent() {
    ComPtr<IEnvelope> e;
    if (auto props = raster_.As<IRasterProps>()) props->get_Extent(e.put());
    return e;
  }
  HRESULT CreateFromFilePath(BSTR path) override {
    std::string p = ToUtf8(BstrToWstring(path));
    ComPtr<IRasterDataset> ds;
    HRESULT hr = OpenRasterFile(p, nullptr, ds.put());
    if (FAILED(hr)) return hr;
    ComPtr<IRaster> raster;
    hr = ds->CreateDefaultRaster(raster.put());
    if (FAILED(hr)) return hr;
    raster_ = raster;
    path_ = BstrToWstring(path);
    name_ = FromUtf8(std::filesystem::path(p).filename().string());
    return S_OK;
  }
  HRESULT CreateFromRaster(IRaster* raster) override {
    if (!raster) return E_POINTER;
    raster_ = raster;
    ComPtr<IRasterDataset> ds;
    Bstr path;
    if (SUCCEEDED(raster->get_RasterDataset(ds.put())) && ds &&
        SUCCEEDED(ds->get_CompleteName(&path))) {
      path_ = path.str();
      if (name_.empty()) name_ = FromUtf8(std::filesystem::path(ToUtf8(path_)).filename().string());
    }
    return S_OK;
  }
  HRESULT get_Raster(IRaster** raster) override { return raster_.CopyTo(raster); }
  HRESULT get_FilePath(BSTR* path) override {
    if (!path) return E_POINTER;
    *path = AllocBstr(path_);
    return S_OK;
  }
  HRESULT get_SurfaceColumns(LONG* columns) override {
    if (!columns) return E_POINTER;
    *columns = 0;
    if (auto props = raster_.As<IRasterProps>()) props->get_Width(columns);
    return S_OK;
  }
  HRESULT get_SurfaceRows(LONG* rows) override {
    if (!rows) return E_POINTER;
    *rows = 0;
    if (auto props = raster_.As<IRasterProps>()) props->get_Height(rows);
    return S_OK;
  }

 private:
  ComPtr<IRaster> raster_;
  std::wstring path_;
  ComPtr<IRasterRenderer> renderer_;
};

ComPtr<IEnvelope> UnionOf(const std::vector<ComPtr<IEnvelope>>& parts) {
  ComPtr<IEnvelope> all = NewEnvelope();
  for (const auto& e : parts) {
    if (!e) continue;
    VARIANT_BOOL empty = VARIANT_TRUE;
    e->get_IsEmpty(&empty);
    if (!empty) all->Union(e.get());
  }
  return all;
}

// The map scale a display draws at (0: unknown): the drawing display's, else its
// transformation's.
double DisplayMapScale(IDisplay* display) {
  double scale = 0;
  if (auto drawing = QueryAs<IDrawDisplay>(display)) {
    if (SUCCEEDED(drawing->get_MapScale(&scale))) return scale;
  }
  ComPtr<IDisplayTransformation> transformation;
  if (display && SUCCEEDED(display->get_DisplayTransformation(transformation.put())))
    if (auto ratio = transformation.As<IDisplayScale>()) ratio->get_ScaleRatio(&scale);
  return scale;
}

// Out of the scale range the layer gives itself at that scale (never at an unknown scale).
bool OutOfScaleRange(IUnknown* layer, double scale) {
  auto range = QueryAs<ILayerScaleRange>(layer);
  if (!range || scale <= 0) return false;
  double zoomedOut = 0, zoomedIn = 0;
  range->get_MinimumScale(&zoomedOut);
  range->get_MaximumScale(&zoomedIn);
  return (zoomedIn != 0 && scale < zoomedIn) || (zoomedOut != 0 && scale > zoomedOut);
}

class GroupLayerObject
    : public LayerBase<GroupLayerObject, ICompositeLayer, IGroupLayer, IGroupLayerOrder> {
 public:
  // The visible members within their scale ranges, the last first (the first member lies on
  // top).
  HRESULT Draw(LONG phase, IDisplay* display, ITrackCancel* cancel) override {
    if (!visible_) return S_OK;
    const double scale = DisplayMapScale(display);
    for (auto it = layers_.rbegin(); it != layers_.rend(); ++it) {
      VARIANT_BOOL visible = VARIANT_FALSE;
      if (FAILED((*it)->get_Visible(&visible)) || !visible) continue;
      if (OutOfScaleRange(it->get(), scale)) continue;
      if (auto draw = it->As<ILayerDraw>()) draw->Draw(phase, display, cancel);
    }
    return S_OK;
  }
  HRESULT InsertAt(ILayer* layer, LONG index) override {
    if (!layer) return E_POINTER;
    if (index < 0 || IsSameObject(layer, static_cast<ILayer*>(this))) return E_INVALIDARG;
    for (const auto& l : layers_)
      if (IsSameObject(l.get(), layer)) return E_INVALIDARG;
    const auto at = std::min<std::size_t>(static_cast<std::size_t>(index), layers_.size());
    layers_.insert(layers_.begin() + at, ComPtr<ILayer>(layer));
    return S_OK;
  }
  bool IsValid() const { return true; }
  ComPtr<IEnvelope> Extent() {
    std::vector<ComPtr<IEnvelope>> parts;
    for (const auto& l : layers_)
      if (auto ext = l.As<ILayerExtent>()) {
        ComPtr<IEnvelope> e;
        ext->get_AreaOfInterest(e.put());
        parts.push_back(e);
      }
    return UnionOf(parts);
  }
  HRESULT get_Count(LONG* count) override {
    if (!count) return E_POINTER;
    *count = static_cast<LONG>(layers_.size());
    return S_OK;
  }
  HRESULT get_Layer(LONG index, ILayer** layer) override {
    if (!layer) return E_POINTER;
    *layer = nullptr;
    if (index < 0 || static_cast<std::size_t>(index) >= layers_.size()) return E_INVALIDARG;
    return layers_[index].CopyTo(layer);
  }
  HRESULT Add(ILayer* layer) override {
    if (!layer) return E_POINTER;
    if (IsSameObject(layer, static_cast<ILayer*>(this)))
      return E_INVALIDARG;  // a group never holds itself
    layers_.emplace_back(layer);
    return S_OK;
  }
  HRESULT Delete(ILayer* layer) override {
    for (auto it = layers_.begin(); it != layers_.end(); ++it)
      if (IsSameObject(it->get(), layer)) {
        layers_.erase(it);
        return S_OK;
      }
    return S_FALSE;
  }
  HRESULT Clear() override {
    layers_.clear();
    return S_OK;
  }

 private:
  std::vector<ComPtr<ILayer>> layers_;
};

class GraphicsLayerObject
    : public LayerBase<GraphicsLayerObject, IGraphicsLayer, IGraphicsContainer> {
 public:
  // The headless host draws no graphics.
  HRESULT Draw(LONG, IDisplay*, ITrackCancel*) override { return S_OK; }
  bool IsValid() const { return true; }
  ComPtr<IEnvelope> Extent() {
    std::vector<ComPtr<IEnvelope>> parts;
    graphics_.Reset();
    ComPtr<IElement> e;
    while (graphics_.Next(e.put()) == S_OK && e) {
      ComPtr<IGeometry> g;
      e->get_Geometry(g.put());
      ComPtr<IEnvelope> env;
      if (g && SUCCEEDED(g->get_Envelope(env.put()))) parts.push_back(env);
    }
    graphics_.Reset();
    return UnionOf(parts);
  }
  HRESULT get_Active(VARIANT_BOOL* active) override {
    if (!active) return E_POINTER;
    *active = VARIANT_TRUE;
    return S_OK;
  }
  VELK_GRAPHICS_CONTAINER_FORWARDS

 private:
  GraphicsList graphics_;
};

class ThreeDPropertiesObject : public ComObjectRoot<ThreeDPropertiesObject, I3DProperties> {
 public:
  HRESULT get_BaseOption(LONG* kind) override {
    if (!kind) return E_POINTER;
    *kind = option_;
    return S_OK;
  }
  HRESULT put_BaseOption(LONG kind) override {
    option_ = kind;
    return S_OK;
  }
  HRESULT get_BaseSurface(IUnknown** surface) override { return surface_.CopyTo(surface); }
  HRESULT putref_BaseSurface(IUnknown* surface) override {
    surface_ = surface;
    return S_OK;
  }
  HRESULT get_BaseRows(LONG* rows) override { return Out(rows, rows_); }
  HRESULT put_BaseRows(LONG rows) override {
    rows_ = rows;
    return S_OK;
  }
  HRESULT get_BaseColumns(LONG* columns) override { return Out(columns, columns_); }
  HRESULT put_BaseColumns(LONG columns) override {
    columns_ = columns;
    return S_OK;
  }

 private:
  LONG rows_ = 0, columns_ = 0;
  LONG option_ = kBaseOptionShape;
  ComPtr<IUnknown> surface_;
};

}  // namespace

HRESULT CreateFeatureLayerObject(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<FeatureLayerObject>(outer, riid, ppv);
}
HRESULT CreateRasterRendererObject(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<RasterRendererObject>(outer, riid, ppv);
}

HRESULT CreateRasterLayerObject(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<RasterLayerObject>(outer, riid, ppv);
}
HRESULT CreateGroupLayerObject(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<GroupLayerObject>(outer, riid, ppv);
}
HRESULT CreateGraphicsLayerObject(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<GraphicsLayerObject>(outer, riid, ppv);
}
HRESULT CreateUniqueValueRendererObject(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<UniqueValueRendererObject>(outer, riid, ppv);
}
HRESULT CreateSimpleRendererObject(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<SimpleRendererObject>(outer, riid, ppv);
}
HRESULT Create3DPropertiesObject(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<ThreeDPropertiesObject>(outer, riid, ppv);
}

}  // namespace velk::host
