#include "platform/host/documents/globe_document.h"

namespace velk::host {

HRESULT GlobeDocument::FinalConstruct() {
  VELK_TRY
  globe_ = MakeObjectPtr<Globe, IGlobe>();
  viewer_ = MakeObjectPtr<GlobeViewer, IGlobeViewer>();
  static_cast<GlobeViewer*>(viewer_.get())->Init(globe_.get(), nullptr);
  display_ = MakeObjectPtr<GlobeDisplay, IGlobeDisplay>();
  static_cast<GlobeDisplay*>(display_.get())->Init(globe_.get(), viewer_.get());
  static_cast<Globe*>(globe_.get())->SetDisplay(display_.get());
  return S_OK;
  VELK_CATCH
}

GlobeDocument::~GlobeDocument() {
  if (globe_) static_cast<Globe*>(globe_.get())->SetDisplay(nullptr);
}

void GlobeDocument::SetMapObserver(MapObserver* observer) {
  static_cast<Globe*>(globe_.get())->SetObserver(observer);
}

}  // namespace velk::host
