// The display of a globe: the globe it draws and the viewer it draws into. The globe document
// makes it with its globe and viewer; the headless host draws nothing and counts the redraws
// it was asked for.
#pragma once

#include "platform/com/object.h"
#include "platform/host/globe.h"

struct IGlobeDisplay : IUnknown {
  VELK_INTERFACE_ID("{B9658184-8456-4C3E-905D-B0B42ADE5036}")
  virtual HRESULT get_Globe(IGlobe** globe) = 0;
  // The viewer the globe is drawn into (the document's main viewer).
  virtual HRESULT get_ActiveViewer(IGlobeViewer** viewer) = 0;
  // Redraws every viewer of the globe.
  virtual HRESULT RefreshViewers() = 0;
  // How many redraws were asked for so far.
  virtual HRESULT get_RefreshCount(LONG* count) = 0;
};

namespace velk::host {

class GlobeDisplay : public ComObjectRoot<GlobeDisplay, IGlobeDisplay> {
 public:
  void Init(IGlobe* globe, IGlobeViewer* viewer) {
    globe_ = globe;
    viewer_ = viewer;
  }
  HRESULT get_Globe(IGlobe** globe) override { return globe_.CopyTo(globe); }
  HRESULT get_ActiveViewer(IGlobeViewer** viewer) override { return viewer_.CopyTo(viewer); }
  HRESULT RefreshViewers() override;
  HRESULT get_RefreshCount(LONG* count) override;

 private:
  ComPtr<IGlobe> globe_;
  ComPtr<IGlobeViewer> viewer_;
  LONG refreshes_ = 0;
};

}  // namespace velk::host
