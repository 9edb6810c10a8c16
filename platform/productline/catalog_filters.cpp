#include "platform/productline/catalog_filters.h"

#include "platform/com/object.h"
#include "platform/host/shell/browse_dialog.h"
#include "platform/registry/activation.h"

namespace velk::productline {
namespace {

template <int kKind>
class CatalogFilter : public ComObjectRoot<CatalogFilter<kKind>, IBrowseFilter> {
 public:
  HRESULT get_Name(BSTR* name) override {
    static const wchar_t* const kNames[] = {L"DTED Catalogs", L"RPF Catalogs", L"VPF Catalogs",
                                            L"Managed VPF Catalogs"};
    if (!name) return E_POINTER;
    *name = AllocBstr(kNames[kKind]);
    return S_OK;
  }
  // Catalogs are tables of a database.
  HRESULT get_Patterns(BSTR* patterns) override {
    if (!patterns) return E_POINTER;
    *patterns = AllocBstr(L"*.gpkg");
    return S_OK;
  }
};

}  // namespace

std::vector<DWORD> RegisterCatalogFilterClasses() {
  return {
      RegisterProcessClass(CLSID_QcFilterZelDtedCatalog, &CreateInstance<CatalogFilter<0>>),
      RegisterProcessClass(CLSID_QcFilterZelRpfCatalog, &CreateInstance<CatalogFilter<1>>),
      RegisterProcessClass(CLSID_QcFilterZelVpfCatalog, &CreateInstance<CatalogFilter<2>>),
      RegisterProcessClass(CLSID_QcFilterZelManagedVpfCatalog,
                           &CreateInstance<CatalogFilter<3>>),
  };
}

}  // namespace velk::productline
