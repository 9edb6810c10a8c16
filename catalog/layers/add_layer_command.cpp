#include "catalog/layers/add_layer_command.h"

#include "catalog/layers/add_zel_layers_operation.h"
#include "framework/host_object_creation.h"
#include "interfaces/corvane_ids.h"
#include "platform/com/out_param.h"
#include "platform/host/shell/browse_dialog.h"
#include "platform/productline/catalog_filters.h"

namespace velk::corvane {

HRESULT AddLayer::OnClick() {
  VELK_TRY
  auto dialog = CreateHostObject<IBrowseDialog>(host::CLSID_BrowseDialog);
  auto operation = CreateHostObject<IAddZelLayersOperation>(ids::CLSID_AddZelLayersOperation);
  ComPtr<IGlobe> globe;
  GetGlobe(globe.put());
  ComPtr<IBrowseFilterCollection> filters;
  Check(dialog->get_ObjectFilters(filters.put()));
  if (!filters) ThrowComError(E_POINTER);
  filters->RemoveAllFilters();
  // DTED first and by default; the globe shows elevation and rasters only.
  const CLSID* kinds[] = {&productline::CLSID_QcFilterZelDtedCatalog,
                          &productline::CLSID_QcFilterZelRpfCatalog,
                          &productline::CLSID_QcFilterZelVpfCatalog,
                          &productline::CLSID_QcFilterZelManagedVpfCatalog};
  const std::size_t offered = globe ? 2 : 4;
  for (std::size_t i = 0; i < offered; ++i)
    filters->AddFilter(CreateHostObject<IBrowseFilter>(*kinds[i]).get(), ToVariantBool(i == 0));
  dialog->put_Title(Bstr(LoadResString(kIdsZelCatalogsTitle)));
  dialog->put_AllowMultiSelect(VARIANT_TRUE);
  HWND owner = nullptr;
  if (Application) Application->get_hWnd(&owner);
  ComPtr<IEnumBrowseObject> picks;
  VARIANT_BOOL ok = VARIANT_FALSE;
  dialog->DoModalOpen(owner, picks.put(), &ok);
  if (!ok || !picks) return S_OK;
  ComPtr<IMap> focusMap;
  ComPtr<IBasicMap> basicMap;
  GetFocusMap(focusMap.put());
  GetBasicFocusMap(basicMap.put());
  if (!focusMap && !basicMap) return E_UNEXPECTED;
  operation->SetParameters(focusMap.get(), basicMap.get(), globe.get(), Application.get(),
                           picks.get());
  ComPtr<IOperationStack> stack;
  GetOperationStack(stack.put());
  auto asOperation = RequireInterface<IOperation>(operation.get());
  if (stack) return stack->Do(asOperation.get());
  return asOperation->Do();
  VELK_CATCH
}

HRESULT CreateAddLayer(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<AddLayer>(outer, riid, ppv);
}

}  // namespace velk::corvane
