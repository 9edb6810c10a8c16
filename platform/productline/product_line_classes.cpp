#include "platform/productline/geosym_renderer.h"
#include "platform/productline/product_line_classes.h"

#include "platform/productline/catalog_filters.h"
#include "platform/productline/coordinate_tool.h"
#include "platform/productline/data_manager.h"
#include "platform/productline/tarvos_environment.h"
#include "platform/productline/zel_extension.h"
#include "platform/registry/activation.h"

namespace velk::productline {

std::vector<DWORD> RegisterProductLineClasses() {
  std::vector<DWORD> cookies = {
      RegisterProcessClass(CLSID_ZelExtension, &CreateZelExtension),
      RegisterProcessClass(CLSID_TarvosEnvironment, &CreateTarvosEnvironment),
      RegisterCoordinateToolClass(),
      RegisterDataManagerClass(),
      RegisterProcessClass(CLSID_GeoSymRenderer, &CreateGeoSymRendererObject),
  };
  for (DWORD c : RegisterCatalogFilterClasses()) cookies.push_back(c);
  return cookies;
}

void RevokeProductLineClasses(const std::vector<DWORD>& cookies) {
  for (DWORD c : cookies) RevokeProcessClass(c);
}

}  // namespace velk::productline
