#include "layers/shared_raster_helper.h"

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
