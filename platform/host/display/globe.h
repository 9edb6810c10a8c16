// The host's 3-D globe: a basic map (layers, name) shown by the globe document's viewer, with
// the graphics drawn over it.
#pragma once

#include "platform/host/display/animation.h"
#include "platform/host/display/camera.h"
#include "platform/host/display/globe_surface.h"
#include "platform/host/display/graphics_objects.h"
#include "platform/host/display/map.h"
#include "platform/win/window_handle.h"

struct IGlobeDisplay;

struct IGlobe : IBasicMap {
  VELK_INTERFACE_ID("{53E69AF7-1FFB-4B12-BD3F-71B403A9E0BD}")
  // Vertical exaggeration of the surface (1 by default).
  virtual HRESULT get_VerticalExaggeration(double* factor) = 0;
  virtual HRESULT put_VerticalExaggeration(double factor) = 0;
  // The display that draws the globe (null for a globe no document shows).
  virtual HRESULT get_GlobeDisplay(IGlobeDisplay** display) = 0;
};

// The viewer of a globe document: its window and the globe it shows.
struct IGlobeViewer : IUnknown {
  VELK_INTERFACE_ID("{A1A094E5-E046-4008-A9EA-C4509F4AA1B3}")
  virtual HRESULT get_Globe(IGlobe** globe) = 0;
  virtual HRESULT get_hWnd(HWND* window) = 0;
  // The viewer's camera (it answers IGlobeCamera too).
  virtual HRESULT get_Camera(ICamera** camera) = 0;
};

namespace velk::host {

inline constexpr CLSID CLSID_Globe = MakeGuid("{64AF2950-4BC8-4370-8EFD-FDEE20868CB6}");

// The globe also answers IGraphicsContainer: the graphics drawn over it.
// A globe is geographic: its spatial reference starts as WGS 84 (factory code 4326). It keeps
// its animation tracks (IAnimationTracks) and answers for its surface (IGlobeSurface,
// globe_surface.cpp).
class Globe
    : public ComObjectRoot<Globe, IGlobe, IGraphicsContainer, IAnimationTracks, IGlobeSurface> {
 public:
  HRESULT FinalConstruct();
  HRESULT QueryExtra(REFIID riid, void** ppv);

  HRESULT get_Name(BSTR* name) override;
  HRESULT put_Name(BSTR name) override;
  HRESULT get_LayerCount(LONG* count) override { return layers_.Count(count); }
  HRESULT get_Layer(LONG index, ILayer** layer) override { return layers_.At(index, layer); }
  HRESULT AddLayer(ILayer* layer) override { return layers_.Add(layer); }
  HRESULT DeleteLayer(ILayer* layer) override { return layers_.Delete(layer); }
  HRESULT ClearLayers() override { return layers_.Clear(); }
  HRESULT get_Layers(IUID* uid, VARIANT_BOOL recursive, IEnumLayer** layers) override {
    return layers_.Enumerate(uid, recursive, layers);
  }
  HRESULT get_SpatialReference(IUnknown** spatialReference) override;
  HRESULT put_SpatialReference(IUnknown* spatialReference) override;
  HRESULT get_VerticalExaggeration(double* factor) override;
  HRESULT put_VerticalExaggeration(double factor) override;
  HRESULT get_GlobeDisplay(IGlobeDisplay** display) override;
  VELK_GRAPHICS_CONTAINER_FORWARDS
  VELK_ANIMATION_TRACKS_FORWARDS
  HRESULT get_HeightFactor(double* factor) override;
  HRESULT GetSurfaceHeight(double longitude, double latitude, VARIANT_BOOL inMetres,
                           double* height) override;

  void SetObserver(MapObserver* observer) { layers_.SetObserver(observer); }
  // The display of the document that shows the globe; not owned (the document holds it and
  // sets it back to null before it lets go of it).
  void SetDisplay(IGlobeDisplay* display) { display_ = display; }

 private:
  Bstr name_{L"Globe"};
  LayerList layers_;
  GraphicsList graphics_;
  AnimationTrackList tracks_;
  IGlobeDisplay* display_ = nullptr;
  ComPtr<IUnknown> spatialReference_;
  double exaggeration_ = 1.0;
};

class GlobeViewer : public ComObjectRoot<GlobeViewer, IGlobeViewer> {
 public:
  HRESULT FinalConstruct();
  void Init(IGlobe* globe, HWND window) {
    globe_ = globe;
    window_ = window;
  }
  HRESULT get_Globe(IGlobe** globe) override { return globe_.CopyTo(globe); }
  HRESULT get_hWnd(HWND* window) override;
  HRESULT get_Camera(ICamera** camera) override;

 private:
  ComPtr<IGlobe> globe_;
  HWND window_ = nullptr;
  ComPtr<ICamera> camera_;
};

HRESULT CreateGlobe(IUnknown* outer, REFIID riid, void** ppv);

}  // namespace velk::host
