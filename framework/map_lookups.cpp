#include "framework/map_lookups.h"

#include "framework/host_object_creation.h"
#include "platform/host/display/active_view.h"
#include "platform/host/shell/command_bars.h"
#include "platform/host/display/display.h"
#include "platform/host/data/uid.h"

namespace velk::corvane {

namespace {
constexpr const wchar_t* kCoordToolProgId = L"velkTarvosUI.CoordTool";
constexpr int kGuidTextLength = 100;
}  // namespace

ComPtr<IEnumLayer> GetMapLayersByInterface(HookStruct& hook, const IID& iid) {
  try {
    ComPtr<IBasicMap> map;
    if (FAILED(hook.GetBasicFocusMap(map.put())) || !map) return nullptr;
    wchar_t text[kGuidTextLength];
    if (StringFromGUID2(iid, text, kGuidTextLength) == 0) return nullptr;
    ComPtr<IUID> uid;
    if (FAILED(CoCreateInstance(host::CLSID_UID, nullptr, kHostCreationContext, IidOf<IUID>(),
                                uid.put_void())) ||
        !uid)
      return nullptr;
    if (FAILED(uid->put_Value(Variant(text)))) return nullptr;
    ComPtr<IEnumLayer> layers;
    if (FAILED(map->get_Layers(uid.get(), VARIANT_TRUE, layers.put())) || !layers) return nullptr;
    layers->Reset();
    return layers;
  } catch (...) {
    return nullptr;
  }
}

ComPtr<ICommandBars> DocumentCommandBars(IApplication* app) {
  if (!app) ThrowComError(E_POINTER);
  ComPtr<IDocument> document;
  app->get_Document(document.put());
  if (!document) ThrowComError(E_POINTER);
  ComPtr<ICommandBars> bars;
  document->get_CommandBars(bars.put());
  if (!bars) ThrowComError(E_POINTER);
  return bars;
}

ComPtr<ICommandItem> FindCommandItem(HookStruct& hook, const wchar_t* progId,
                                     ComPtr<IApplication>& app) {
  hook.GetApplication(app.put());
  ComPtr<ICommandBars> bars = DocumentCommandBars(app.get());
  auto uid = CreateHostObject<IUID>(host::CLSID_UID);
  uid->put_Value(Variant(progId));
  ComPtr<ICommandItem> item;
  bars->Find(uid.get(), VARIANT_TRUE, VARIANT_TRUE, item.put());
  return item;
}

void FindCoordToolCommand(HookStruct& hook) {
  ComPtr<IApplication> app;
  ComPtr<ICommandItem> item = FindCommandItem(hook, kCoordToolProgId, app);
  if (item) app->put_CurrentTool(item.get());
}

ComPtr<IEnvelope> VisibleExtent(HookStruct& hook) {
  ComPtr<IEnvelope> extent;
  ComPtr<IActiveView> view;
  hook.GetActiveView(view.put());
  ComPtr<IScreenDisplay> display;
  if (view) view->get_ScreenDisplay(display.put());
  ComPtr<IDisplayTransformation> transformation;
  if (display) display->get_DisplayTransformation(transformation.put());
  if (transformation) transformation->get_VisibleBounds(extent.put());
  return extent;
}

}  // namespace velk::corvane
