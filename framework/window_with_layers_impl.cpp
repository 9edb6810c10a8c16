#include "framework/window_with_layers_impl.h"

#include "framework/host_object_creation.h"
#include "framework/layer_queries.h"
#include "interfaces/zel_selected_layer.h"
#include "platform/host/shell/command.h"
#include "platform/host/display/map.h"
#include "platform/host/data/uid.h"

namespace velk::corvane {

std::vector<DWORD> ContextHelpIds(HWND dialog) {
  std::vector<DWORD> ids;
  for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    int id = GetDlgCtrlID(child);
    if (id == 0 || !IsWindowVisible(child)) continue;
    ids.push_back(static_cast<DWORD>(id));
    ids.push_back(static_cast<DWORD>(id));
  }
  ids.push_back(0);
  ids.push_back(0);
  return ids;
}

ComPtr<IEnumLayer> GetLayersByInterface(HookStruct& hook, REFIID iid) {
  ComPtr<IBasicMap> map;
  if (FAILED(hook.GetBasicFocusMap(map.put()))) return nullptr;
  std::wstring text = GuidToString(iid);
  auto uid = CreateHostObject<IUID>(host::CLSID_UID);
  Check(uid->put_Value(Variant(text)));
  if (!map) ThrowComError(E_POINTER);
  ComPtr<IEnumLayer> layers;
  if (FAILED(map->get_Layers(uid.get(), VARIANT_TRUE, layers.put()))) return nullptr;
  if (!layers) ThrowComError(E_POINTER);
  layers->Reset();
  return layers;
}

ComPtr<ILayer> CurrentSelectedLayer(HookStruct& hook) {
  ComPtr<IToolControl> control;
  FindSelectedLayerCommand(control.put(), &hook);
  auto selected = QueryAs<IZelSelectedLayer>(control.get());
  if (!selected) return nullptr;
  ComPtr<ILayer> layer;
  selected->get_CurrentSelectedLayer(layer.put());
  return layer;
}

}  // namespace velk::corvane
