#include "layers/shared_raster_helper.h"

#include "platform/host/documents/document.h"
#include "platform/host/display/globe.h"
#include "platform/host/display/globe_display.h"
#include "platform/host/application/host_session.h"
#include "platform/registry/host_object_creation.h"

namespace velk::lumeris {

namespace {
SharedRasterHelper* g_helper = nullptr;
}  // namespace

SharedRasterHelper::~SharedRasterHelper() {
  if (cached_) cached_->Release();
}

IUnknown* SharedRasterHelper::CachedHostObject() const {
  if (cached_) cached_->AddRef();
  return cached_;
}

IUnknown* SharedRasterHelper::FindHostApplicationObject() {
  if (cached_ || givenUp_) return CachedHostObject();
  try {
    ComPtr<IApplication> app;
    if (FAILED(CoCreateInstance(host::CLSID_AppRef, nullptr, kHostCreationContext,
                                IidOf<IApplication>(), app.put_void())) ||
        !app)
      return nullptr;
    ComPtr<IDocument> document;
    app->get_Document(document.put());
    if (!document) return nullptr;
    if (auto globeDocument = QueryAs<IGlobeDocument>(document.get())) {
      ComPtr<IGlobe> globe;
      Check(globeDocument->get_Globe(globe.put()));
      auto basic = RequireInterface<IGlobe>(globe.get());
      ComPtr<IGlobeDisplay> display;
      Check(basic->get_GlobeDisplay(display.put()));
      if (display)
        Check(display->QueryInterface(IidOf<IUnknown>(), reinterpret_cast<void**>(&cached_)));
    } else if (QueryAs<IMapDocument>(document.get())) {
      givenUp_ = 1;
    }
  } catch (...) {
    givenUp_ = 1;
  }
  return CachedHostObject();
}

SharedRasterHelper* GetSharedRasterHelper() {
  if (!g_helper) g_helper = new SharedRasterHelper();
  return g_helper;
}

bool SharedRasterHelperExists() { return g_helper != nullptr; }

void DeleteSharedRasterHelper() {
  delete g_helper;
  g_helper = nullptr;
}

}  // namespace velk::lumeris
