#include "platform/host/data/gdal_drivers.h"
#include "platform/com/plain_text.h"

#include <algorithm>
#include <cctype>
#include <mutex>
#include <sstream>

#include <gdal_priv.h>

namespace velk::host {

void EnsureGdalDrivers() {
  static std::once_flag once;
  std::call_once(once, [] {
    // Reading statistics must not leave .aux.xml files beside other people's data.
    CPLSetConfigOption("GDAL_PAM_ENABLED", "NO");
    GDALAllRegister();
  });
}

namespace {

bool Lists(GDALDriver* d, const std::string& ext) {
  const char* list = d->GetMetadataItem(GDAL_DMD_EXTENSIONS);
  if (!list) list = d->GetMetadataItem(GDAL_DMD_EXTENSION);
  if (!list) return false;
  std::istringstream words{ToLower(list)};
  std::string w;
  while (words >> w)
    if (w == ext) return true;
  return false;
}

}  // namespace

GDALDriver* DriverForExtension(std::string_view extension, DataKind kind, bool forWriting) {
  EnsureGdalDrivers();
  if (!extension.empty() && extension.front() == '.') extension.remove_prefix(1);
  std::string ext = ToLower(extension);
  if (ext.empty()) return nullptr;
  GDALDriverManager* dm = GetGDALDriverManager();
  const char* capability = kind == DataKind::kRaster ? GDAL_DCAP_RASTER : GDAL_DCAP_VECTOR;
  for (int i = 0; i < dm->GetDriverCount(); ++i) {
    GDALDriver* d = dm->GetDriver(i);
    if (!d || !d->GetMetadataItem(capability) || !Lists(d, ext)) continue;
    if (forWriting && !d->GetMetadataItem(GDAL_DCAP_CREATE) &&
        !d->GetMetadataItem(GDAL_DCAP_CREATECOPY))
      continue;
    return d;
  }
  return nullptr;
}

std::string ExtensionOf(std::string_view fileName) {
  std::size_t slash = fileName.find_last_of("/\\");
  std::string_view base = slash == std::string_view::npos ? fileName : fileName.substr(slash + 1);
  std::size_t dot = base.rfind('.');
  if (dot == std::string_view::npos || dot == 0) return {};
  return ToLower(base.substr(dot + 1));
}

}  // namespace velk::host
