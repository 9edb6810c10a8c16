#include "framework/window_with_layers_impl.h"

#include "interfaces/zel_selected_layer.h"
#include "platform/host/application.h"
#include "platform/host/command.h"
#include "platform/host/command_bars.h"
#include "platform/host/document.h"
#include "platform/host/map.h"
#include "platform/host/uid.h"
#include "platform/registry/activation.h"

namespace velk::corvane {

namespace {
// Context of host object creations: in-process, handler, local and remote server.
constexpr DWORD kHostContext = 0x17;

ComPtr<IUID> MakeUidObject(const std::wstring& value) {
  ComPtr<IUID> uid;
  HRESULT hr = CoCreateInstance(host::CLSID_UID, nullptr, kHostContext, IidOf<IUID>(), uid.put_void());
  if (FAILED(hr) || !uid) ThrowComError(E_POINTER);
  Check(uid->put_Value(Variant(value)));
  return uid;
}
}  // namespace

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
  ComPtr<IUID> uid = MakeUidObject(text);
  if (!map) ThrowComError(E_POINTER);
  ComPtr<IEnumLayer> layers;
  if (FAILED(map->get_Layers(uid.get(), VARIANT_TRUE, layers.put()))) return nullptr;
  if (!layers) ThrowComError(E_POINTER);
  layers->Reset();
  return layers;
}

ComPtr<ILayer> CurrentSelectedLayer(HookStruct& hook) {
  ComPtr<IApplication> app;
  hook.GetApplication(app.put());
  if (!app) ThrowComError(E_POINTER);
  ComPtr<IDocument> doc;
  Check(app->get_Document(doc.put()));
  ComPtr<ICommandBars> bars;
  Check(doc->get_CommandBars(bars.put()));
  ComPtr<IUID> uid = MakeUidObject(L"velkTarvosUI.SelectedLayer");
  ComPtr<ICommandItem> item;
  Check(bars->Find(uid.get(), VARIANT_TRUE, VARIANT_TRUE, item.put()));
  if (!item) return nullptr;
  ComPtr<IUnknown> command;
  item->get_Command(command.put());
  auto control = QueryAs<IToolControl>(command.get());
  auto selected = QueryAs<IZelSelectedLayer>(control.get());
  if (!selected) return nullptr;
  ComPtr<ILayer> layer;
  selected->get_CurrentSelectedLayer(layer.put());
  return layer;
}

}  // namespace velk::corvane
