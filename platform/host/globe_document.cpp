#include "platform/host/globe_document.h"

namespace velk::host {

HRESULT GlobeDocument::FinalConstruct() {
  VELK_TRY
  globe_ = MakeObjectPtr<Globe, IGlobe>();
  viewer_ = MakeObjectPtr<GlobeViewer, IGlobeViewer>();
  static_cast<GlobeViewer*>(viewer_.get())->Init(globe_.get(), nullptr);
  return S_OK;
  VELK_CATCH
}

void GlobeDocument::SetViewerWindow(HWND window) {
  static_cast<GlobeViewer*>(viewer_.get())->Init(globe_.get(), window);
}

void GlobeDocument::SetMapObserver(MapObserver* observer) {
  static_cast<Globe*>(globe_.get())->SetObserver(observer);
}

}  // namespace velk::host
