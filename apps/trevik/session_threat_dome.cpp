// Session actions for the globe's threat domes:
//   elevation LAYER            the globe takes its heights from the layer (its globe layer kind
//                              becomes elevation), so the threat dome lists it as a base layer
//   escape-on-status TEXT      the user presses Esc when the status bar next shows a message
//                              that begins with TEXT; a run that asks its cancel tracker stops
#include "apps/trevik/session_action_table.h"
#include "apps/trevik/failure_text.h"

#include "platform/com/hresult_text.h"
#include "platform/host/display/globe_layer_kind.h"
#include "platform/host/display/layer_kinds.h"
#include "platform/host/data/track_cancel.h"
#include "platform/registry/activation.h"

namespace trevik {
namespace {

using velk::Bstr;
using velk::ComPtr;

void Elevation(SessionContext& s, const SessionLine& l) {
  const std::wstring& name = l.Arg(0, L"a layer");
  auto map = s.FocusMap();
  LONG count = 0;
  map->get_LayerCount(&count);
  for (LONG i = 0; i < count; ++i) {
    ComPtr<ILayer> layer;
    map->get_Layer(i, layer.put());
    Bstr n;
    if (layer) layer->get_Name(&n);
    if (!layer || n.str() != name) continue;
    auto extensions = velk::QueryAs<ILayerExtensions>(layer.get());
    if (!extensions) FailLine(L"the layer " + name + L" takes no extensions");
    ComPtr<IGlobeLayerKind> kind;
    HRESULT hr = CoCreateInstance(velk::host::CLSID_GlobeLayerKind, nullptr, CLSCTX_ALL,
                                  IidOf<IGlobeLayerKind>(), kind.put_void());
    if (FAILED(hr) || !kind)
      FailLine(L"the host cannot make a layer kind: " + FailureText(hr));
    kind->put_Kind(kGlobeLayerElevation);
    extensions->AddExtension(kind.get());
    return;
  }
  FailLine(L"no layer named " + name);
}

void EscapeOnStatus(SessionContext&, const SessionLine& l) {
  velk::host::ScriptEscape({l.Arg(0, L"a status text"), 1});
}

const SessionActions kRegistered({{"elevation", &Elevation},
                                  {"escape-on-status", &EscapeOnStatus}});

}  // namespace
}  // namespace trevik
