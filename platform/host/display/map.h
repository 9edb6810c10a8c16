// The host's map: the basic-map interface that 2-D maps and 3-D globes share (name, layer
// list, spatial reference) and the 2-D map interface built on it, with the host's map class.
#pragma once

#include <vector>

#include "platform/com/object.h"
#include "platform/host/display/active_view.h"
#include "platform/host/display/contents_view.h"
#include "platform/host/display/display_objects.h"
#include "platform/host/display/graphics_objects.h"
#include "platform/host/display/layer.h"

struct IUID;

// The layer list and name that every map-like object of the host offers.
struct IBasicMap : IUnknown {
  VELK_INTERFACE_ID("{2A318401-ECD1-46BA-804F-B5FC4EC72DE6}")
  virtual HRESULT get_Name(BSTR* name) = 0;
  virtual HRESULT put_Name(BSTR name) = 0;
  virtual HRESULT get_LayerCount(LONG* count) = 0;
  // Top-level layer by 0-based index; E_INVALIDARG outside 0 .. count - 1.
  virtual HRESULT get_Layer(LONG index, ILayer** layer) = 0;
  // Adds a layer on top of the list (index 0), as the host does with new layers. A layer that
  // the map already holds is not added twice (S_FALSE).
  virtual HRESULT AddLayer(ILayer* layer) = 0;
  // Removes a layer; S_FALSE when the map does not hold it.
  virtual HRESULT DeleteLayer(ILayer* layer) = 0;
  virtual HRESULT ClearLayers() = 0;
  // The layers that answer the interface named by uid (its value: the braced identifier text),
  // every layer when uid is null; recursive goes into group layers (a group itself is listed
  // before its members when it answers). E_INVALIDARG for a uid whose value is no identifier.
  virtual HRESULT get_Layers(IUID* uid, VARIANT_BOOL recursive, IEnumLayer** layers) = 0;
  // The map's spatial reference (any object, null when unset).
  virtual HRESULT get_SpatialReference(IUnknown** spatialReference) = 0;
  virtual HRESULT put_SpatialReference(IUnknown* spatialReference) = 0;
};

// The 2-D map of a map document. Everything of IBasicMap, and the map scale the view draws at.
struct IMap : IBasicMap {
  VELK_INTERFACE_ID("{4D0011A8-0598-4BB2-9404-50BA9D9597E0}")
  virtual HRESULT get_MapScale(double* scale) = 0;
  virtual HRESULT put_MapScale(double scale) = 0;
};

// Placing layers by index in a map or in one of its group layers (index 0: the top).
struct IMapLayers : IUnknown {
  VELK_INTERFACE_ID("{DF1737C1-B1F5-4F1E-A310-BC47AE67D119}")
  // Inserts a top-level layer before the layer at index (past the last: at the bottom). A layer
  // the map already holds is not added twice (S_FALSE); E_INVALIDARG for a negative index.
  // autoArrange is accepted and ignored: this host keeps the order it is given.
  virtual HRESULT InsertLayer(ILayer* layer, VARIANT_BOOL autoArrange, LONG index) = 0;
  // The same inside a group layer (IGroupLayerOrder); E_INVALIDARG for an object that is no
  // such group.
  virtual HRESULT InsertLayerInGroup(IUnknown* group, ILayer* layer, VARIANT_BOOL autoArrange,
                                     LONG index) = 0;
};

namespace velk::host {

inline constexpr CLSID CLSID_Map = MakeGuid("{FD65E0F4-BB3C-483E-A100-F536853DCAE5}");

// Observes changes of a map's layer list (the host's view events reach the extension object
// through this; see HostSession).
class MapObserver {
 public:
  virtual void LayerAdded(ILayer* layer) = 0;
  virtual void LayerDeleted(ILayer* layer) = 0;
  virtual void LayersCleared() = 0;

 protected:
  ~MapObserver() = default;
};

// Layer list shared by the map and the globe.
class LayerList {
 public:
  HRESULT Count(LONG* count) const;
  HRESULT At(LONG index, ILayer** layer) const;
  HRESULT Add(ILayer* layer);
  HRESULT Insert(ILayer* layer, LONG index);
  HRESULT Delete(ILayer* layer);
  HRESULT Clear();
  HRESULT Enumerate(IUID* uid, VARIANT_BOOL recursive, IEnumLayer** layers) const;

  void SetObserver(MapObserver* observer) { observer_ = observer; }
  const std::vector<ComPtr<ILayer>>& Layers() const { return layers_; }

 private:
  std::vector<ComPtr<ILayer>> layers_;
  MapObserver* observer_ = nullptr;
};

// The host's 2-D map. In data view the map is also the document's active view, with the
// map's graphics container (IGraphicsContainer) and display.
class Map : public ComObjectRoot<Map, IMap, IActiveView, IGraphicsContainer, IRefreshLog,
                                 IMapLayers, IStandaloneTableCollection> {
 public:
  HRESULT QueryExtra(REFIID riid, void** ppv);

  HRESULT get_Name(BSTR* name) override;
  HRESULT put_Name(BSTR name) override;
  HRESULT get_LayerCount(LONG* count) override { return layers_.Count(count); }
  HRESULT get_Layer(LONG index, ILayer** layer) override { return layers_.At(index, layer); }
  HRESULT AddLayer(ILayer* layer) override { return layers_.Add(layer); }
  HRESULT DeleteLayer(ILayer* layer) override { return layers_.Delete(layer); }
  HRESULT InsertLayer(ILayer* layer, VARIANT_BOOL, LONG index) override {
    return layers_.Insert(layer, index);
  }
  HRESULT InsertLayerInGroup(IUnknown* group, ILayer* layer, VARIANT_BOOL, LONG index) override;
  HRESULT ClearLayers() override { return layers_.Clear(); }
  HRESULT get_Layers(IUID* uid, VARIANT_BOOL recursive, IEnumLayer** layers) override {
    return layers_.Enumerate(uid, recursive, layers);
  }
  HRESULT get_SpatialReference(IUnknown** spatialReference) override;
  HRESULT put_SpatialReference(IUnknown* spatialReference) override;
  HRESULT get_MapScale(double* scale) override;
  HRESULT put_MapScale(double scale) override;

  // The view of the map: its focus map is itself.
  HRESULT get_FocusMap(IMap** map) override;
  HRESULT put_FocusMap(IMap* map) override;
  HRESULT Refresh() override;
  int RefreshCount() const { return refreshes_; }
  HRESULT get_ScreenDisplay(IScreenDisplay** display) override {
    return display_.get_ScreenDisplay(display);
  }
  HRESULT PartialRefresh(LONG phase, IUnknown* data, IEnvelope* area) override {
    return display_.PartialRefresh(phase, data, area);
  }
  HRESULT get_ScreenCacheID(LONG phase, SHORT* cacheId) override {
    return display_.get_ScreenCacheID(phase, cacheId);
  }
  HRESULT get_PartialRefreshCount(LONG* count) override {
    return display_.get_PartialRefreshCount(count);
  }
  HRESULT GetPartialRefresh(LONG index, LONG* phase, IUnknown** data, IEnvelope** area) override {
    return display_.GetPartialRefresh(index, phase, data, area);
  }
  VELK_GRAPHICS_CONTAINER_FORWARDS

  // Tables shown beside the layers.
  HRESULT get_StandaloneTableCount(LONG* count) override { return tables_.Count(count); }
  HRESULT get_StandaloneTable(LONG index, IStandaloneTable** table) override {
    return tables_.At(index, table);
  }
  HRESULT AddStandaloneTable(IStandaloneTable* table) override { return tables_.Add(table); }

  // Host-side access (not an interface): the document and tests watch the layer list.
  void SetObserver(MapObserver* observer) { layers_.SetObserver(observer); }

 private:
  Bstr name_{L"Layers"};
  LayerList layers_;
  StandaloneTableList tables_;
  ComPtr<IUnknown> spatialReference_;
  double scale_ = 0.0;
  int refreshes_ = 0;
  ViewDisplay display_;
  GraphicsList graphics_;
};

HRESULT CreateMap(IUnknown* outer, REFIID riid, void** ppv);

}  // namespace velk::host
