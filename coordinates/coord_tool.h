// The coordinate tool: a command and map tool of the map and globe hosts. Clicking it shows the
// dockable coordinate window; while it is the current tool it hands map clicks (and moves with
// the left button held) to that window, snaps a click to a point feature under the mouse, and
// tells its listeners through IZelCoordToolEvents. It owns no window itself: it reaches the
// coordinate window through the host's dockable-window manager.
#pragma once

#include "coordinates/coord_tool_events.h"
#include "framework/class_catalogue.h"
#include "framework/command_impl.h"
#include "framework/coord_tool_event_handler.h"
#include "interfaces/zel_coord_tool.h"
#include "platform/host/shell/dockable_window.h"
#include "platform/host/data/feature_class.h"

namespace velk::corvane {

class CoordTool : public CToolImpl<CoordTool, IZelCoordTool, IConnectionPointContainer>,
                  public CatalogueIds<ClassId::CoordTool> {
 public:
  static constexpr UINT kSnapCursorId = kCatalogueSnapCursor;  // 3245
  static constexpr const wchar_t* kDockableProgId = L"velkTarvosUI.CoordToolDockable";

  CoordTool();
  ~CoordTool() override;
  CoordTool(const CoordTool&) = delete;
  CoordTool& operator=(const CoordTool&) = delete;

  HRESULT FinalConstruct();
  void FinalRelease();

  // ICommand
  HRESULT get_Enabled(VARIANT_BOOL* enabled) override;
  HRESULT get_Checked(VARIANT_BOOL* checked) override;
  HRESULT OnCreate(IUnknown* hook) override;
  HRESULT OnClick() override;
  // ITool
  HRESULT get_Cursor(HCURSOR* cursor) override;
  HRESULT OnMouseMove(LONG button, LONG shift, LONG x, LONG y) override;
  HRESULT OnMouseUp(LONG button, LONG shift, LONG x, LONG y) override;
  HRESULT Deactivate(VARIANT_BOOL* canDeactivate) override;
  // IZelCoordTool
  HRESULT NewPointEntered() override;
  // IConnectionPointContainer
  HRESULT EnumConnectionPoints(IEnumConnectionPoints** ppEnum) override;
  HRESULT FindConnectionPoint(REFIID riid, IConnectionPoint** ppCP) override;

  CProxyIZelCoordToolEvents& Events() { return events_; }
  IDockableWindow* DockableWindow() const { return window_.get(); }
  bool SnapFound() const { return found_; }
  IFeature* SnapFeature() const { return feature_.get(); }
  HCURSOR SnapCursor() const { return snapCursor_; }

 private:
  // The window's own interface, reached through the host window's user data; null when the
  // window gives none.
  ComPtr<IZelCoordToolDockable> Dockable();
  bool WindowVisible();
  // Looks for a point feature under the mouse and keeps the first one found.
  void SearchPointFeature();
  // Makes the kept feature's location the map document's current location.
  void SnapToFeature();
  // Three new points filled by the window; null when the window cannot say.
  struct Points {
    ComPtr<IPoint> wgs84, datum, map;
  };
  bool QueryLocation(IZelCoordToolDockable* dock, Points& points);

  CProxyIZelCoordToolEvents events_;
  ComPtr<IDockableWindowManager> manager_;
  ComPtr<IDockableWindow> window_;
  VARIANT_BOOL lastVisible_ = VARIANT_FALSE;
  HCURSOR snapCursor_ = nullptr;
  bool found_ = false;
  ComPtr<IFeature> feature_;
  CoordToolLifetime lifetime_;
};

// The creation routine of the object map (plain or aggregated).
HRESULT CreateCoordTool(IUnknown* outer, REFIID riid, void** ppv);

}  // namespace velk::corvane
