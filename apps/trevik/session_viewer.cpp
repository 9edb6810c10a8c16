// Session actions for the 3-D viewer:
//   select-layer NAME           the main toolbar's selected-layer control chooses the focus map's
//                               layer NAME (members of groups included); while the bars hold no
//                               selected-layer control, a stand-in control takes its place
//   save-scene FILE.glb         the open 3-D view writes what it holds as binary glTF
//   save-camera-path FILE.csv   the open 3-D view's camera, one line per redraw
#include "apps/trevik/session_action_table.h"
#include "apps/trevik/session_layers.h"

#include "interfaces/zel_selected_layer.h"
#include "platform/com/text.h"
#include "platform/host/shell/command.h"
#include "platform/host/shell/command_bars.h"
#include "platform/host/application/host_application.h"
#include "platform/host/display/layer.h"
#include "platform/host/display/scene.h"
#include "platform/host/display/scene_view_picture.h"
#include "platform/host/data/uid.h"

namespace trevik {
namespace {

using velk::Bstr;
using velk::ComPtr;

// Stands in for the selected-layer control of the main toolbar.
class SelectedLayerStandIn
    : public velk::ComObjectRoot<SelectedLayerStandIn, IToolControl, IZelSelectedLayer> {
 public:
  HRESULT get_hWnd(HWND* w) override {
    if (!w) return E_POINTER;
    *w = nullptr;
    return S_OK;
  }
  HRESULT OnFocus(IUnknown*) override { return S_OK; }
  HRESULT OnDrop(LONG, VARIANT_BOOL* accept) override {
    if (!accept) return E_POINTER;
    *accept = VARIANT_TRUE;
    return S_OK;
  }
  HRESULT get_CurrentSelectedLayer(ILayer** layer) override {
    if (!layer) return E_POINTER;
    return current.CopyTo(layer);
  }
  ComPtr<ILayer> current;
};

// The stand-in the session put into the bars, kept for the next choice.
struct StandInState : SessionState {
  explicit StandInState(SessionContext&) {}
  ComPtr<IToolControl> control;
};

void SelectLayer(SessionContext& s, const SessionLine& l) {
  ComPtr<ILayer> layer = FindLayerNamed(s, l.Arg(0, L"a layer name"));
  auto& state = s.State<StandInState>();
  if (!state.control) {
    auto& bars = s.Session().Host().App().Document().Bars();
    ComPtr<ICommandItem> item;
    bars.Find(velk::host::MakeUid(L"velkTarvosUI.SelectedLayer").get(), VARIANT_FALSE,
              VARIANT_TRUE, item.put());
    if (item) FailLine(L"the toolbar's own selected-layer control chooses its layers itself");
    state.control = velk::MakeObjectPtr<SelectedLayerStandIn, IToolControl>();
    velk::Check(bars.AddItem(L"velkTarvosUI.SelectedLayer", 0, state.control.get(), item.put()));
  }
  static_cast<SelectedLayerStandIn*>(state.control.get())->current = layer;
}

ComPtr<IUnknown> OpenView() {
  ComPtr<IUnknown> view = velk::host::LatestSceneView();
  if (!view) FailLine(L"no 3-D view is open");
  return view;
}

void SaveScene(SessionContext& s, const SessionLine& l) {
  const std::wstring& file = l.Arg(0, L"a .glb file");
  std::string problem;
  if (!velk::host::SaveScenePicture(OpenView().get(), velk::ToUtf8(file), &problem))
    FailLine(velk::FromUtf8(problem));
  s.Print(L"  scene saved to " + file);
}

void SaveCameraPath(SessionContext& s, const SessionLine& l) {
  const std::wstring& file = l.Arg(0, L"a .csv file");
  auto view = OpenView();
  std::string problem;
  if (!velk::host::SaveCameraPath(view.get(), velk::ToUtf8(file), &problem))
    FailLine(velk::FromUtf8(problem));
  s.Print(L"  camera path of " + std::to_wstring(velk::host::CameraPathOf(view.get()).size()) +
          L" redraw(s) saved to " + file);
}

const SessionActions kRegistered({{"select-layer", &SelectLayer},
                                  {"save-scene", &SaveScene},
                                  {"save-camera-path", &SaveCameraPath}});

}  // namespace
}  // namespace trevik
