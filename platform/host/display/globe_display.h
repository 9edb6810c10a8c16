// The display of a globe: the globe it draws and the viewer it draws into. The globe document
// makes it with its globe and viewer; the headless host draws nothing and counts the redraws
// it was asked for.
//
// Window positions on the globe (Locate) follow one fixed rule rather than a perspective
// rendering: the centre of the device frame shows the camera's target; one pixel spans
// kPixelAngle radians seen from the camera, so d x kPixelAngle kilometres of ground, where d is
// the straight-line distance from the observer to the target (at least kMinViewDistanceKm);
// ground distance turns into degrees at kGlobeRadiusKm x pi / 180 km a degree, in latitude and
// in longitude alike (no narrowing of meridians). So pixel (x, y) lies at latitude
// target + (cy - y) x step and longitude target + (x - cx) x step, with (cx, cy) the frame's
// centre (y grows downwards). A position outside the frame, or one whose latitude passes a
// pole, hits nothing; longitudes wrap into [-180, 180]. The hit lies on the surface
// (altitude 0: the headless globe has no relief).
#pragma once

#include <vector>

#include "platform/com/object.h"
#include "platform/host/display/globe.h"

struct IGlobeDisplay : IUnknown {
  VELK_INTERFACE_ID("{B9658184-8456-4C3E-905D-B0B42ADE5036}")
  virtual HRESULT get_Globe(IGlobe** globe) = 0;
  // The viewer the globe is drawn into (the document's main viewer).
  virtual HRESULT get_ActiveViewer(IGlobeViewer** viewer) = 0;
  // Redraws every viewer of the globe.
  virtual HRESULT RefreshViewers() = 0;
  // How many redraws were asked for so far.
  virtual HRESULT get_RefreshCount(LONG* count) = 0;
  // The active viewer's window area in pixels (1000 x 800 from the origin at first).
  virtual HRESULT get_DeviceFrame(RECT* frame) = 0;
  // E_INVALIDARG for an empty frame (nothing changes).
  virtual HRESULT put_DeviceFrame(RECT frame) = 0;
  // The surface point at a window position of the active viewer: a new z-aware point (x
  // longitude, y latitude, z altitude in kilometres) and S_OK; S_FALSE and null when the
  // position hits nothing.
  virtual HRESULT Locate(LONG x, LONG y, IPoint** hit) = 0;
};

// What the globe display keeps for drawing one layer.
struct IGlobeLayerProperties : IUnknown {
  VELK_INTERFACE_ID("{5C1E8B7A-2D4F-4A6B-9E3C-7F1A0B2C4D6E}")
  // Whether the sun's lighting shades the layer (on until set off).
  virtual HRESULT get_Lighting(VARIANT_BOOL* on) = 0;
  virtual HRESULT put_Lighting(VARIANT_BOOL on) = 0;
};

// The globe display's properties per layer (made on the first ask for a layer, then the same
// object), and the redraw of one layer.
struct IGlobeDisplayLayers : IUnknown {
  VELK_INTERFACE_ID("{8E2D4C6A-1B3F-4E5D-A7C9-0F2E4D6B8A1C}")
  // E_POINTER for a null layer or out-pointer.
  virtual HRESULT get_LayerProperties(ILayer* layer, IGlobeLayerProperties** properties) = 0;
  virtual HRESULT RefreshLayer(ILayer* layer) = 0;
  // How many redraws of the layer were asked for so far.
  virtual HRESULT get_LayerRefreshCount(ILayer* layer, LONG* count) = 0;
};

namespace velk::host {

// Radians one pixel spans as seen from the camera.
inline constexpr double kPixelAngle = 0.001;
// The shortest observer-to-target distance the display scales by.
inline constexpr double kMinViewDistanceKm = 0.001;

// Degrees one pixel spans for a camera whose observer is distanceKm from its target.
double GlobeDegreesPerPixel(double distanceKm);

class GlobeDisplay : public ComObjectRoot<GlobeDisplay, IGlobeDisplay, IGlobeDisplayLayers> {
 public:
  void Init(IGlobe* globe, IGlobeViewer* viewer) {
    globe_ = globe;
    viewer_ = viewer;
  }
  HRESULT get_Globe(IGlobe** globe) override { return globe_.CopyTo(globe); }
  HRESULT get_ActiveViewer(IGlobeViewer** viewer) override { return viewer_.CopyTo(viewer); }
  HRESULT RefreshViewers() override;
  HRESULT get_RefreshCount(LONG* count) override;
  HRESULT get_DeviceFrame(RECT* frame) override;
  HRESULT put_DeviceFrame(RECT frame) override;
  HRESULT Locate(LONG x, LONG y, IPoint** hit) override;
  HRESULT get_LayerProperties(ILayer* layer, IGlobeLayerProperties** properties) override;
  HRESULT RefreshLayer(ILayer* layer) override;
  HRESULT get_LayerRefreshCount(ILayer* layer, LONG* count) override;

 private:
  struct LayerEntry {
    ComPtr<ILayer> layer;
    ComPtr<IGlobeLayerProperties> properties;
    LONG refreshes = 0;
  };
  LayerEntry& EntryOf(ILayer* layer);
  std::vector<LayerEntry> layers_;
  RECT frame_{0, 0, 1000, 800};
  ComPtr<IGlobe> globe_;
  ComPtr<IGlobeViewer> viewer_;
  LONG refreshes_ = 0;
};

}  // namespace velk::host
