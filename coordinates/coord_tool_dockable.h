// The dockable coordinate window: the host's dockable-window definition whose only content is
// the coordinate tool dialog. The coordinate tool reaches it through the host window's user
// data (IZelCoordToolDockable) to hand it map clicks, tell it when it is hidden and read the
// location it shows.
#pragma once

#include "coordinates/coord_tool_dlg.h"
#include "framework/command_impl.h"
#include "interfaces/zel_coord_tool.h"
#include "platform/host/shell/dockable_window.h"

namespace velk::corvane {

class CoordToolDockable
    : public ComObjectRoot<CoordToolDockable, IDockableWindowDef, IZelCoordToolDockable>,
      public CHookImpl<CoordToolDockable> {
 public:
  static constexpr UINT kNameId = 3157;  // "Coordinate Tool"

  CoordToolDockable() = default;
  ~CoordToolDockable() override = default;
  CoordToolDockable(const CoordToolDockable&) = delete;
  CoordToolDockable& operator=(const CoordToolDockable&) = delete;

  // IDockableWindowDef
  HRESULT OnCreate(IUnknown* hook) override;
  HRESULT get_ChildHWND(HWND* window) override;
  HRESULT get_Name(BSTR* name) override;
  HRESULT get_Caption(BSTR* caption) override;
  HRESULT OnDestroy() override;
  HRESULT get_UserData(VARIANT* data) override;
  // IZelCoordToolDockable
  HRESULT OnMouseUp(LONG button, LONG shift, LONG x, LONG y) override;
  HRESULT OnVisibilityChanged(LONG bNowVisible) override;
  HRESULT QueryCurrentLocation(IPoint* WGS84Point, IPoint* DatumPoint, IPoint* MapPoint) override;

  bool Created() const { return created_; }
  CoordToolDlg& Dialog() { return dialog_; }

 private:
  bool created_ = false;
  CoordToolDlg dialog_;
};

// The creation routine of the object map (plain or aggregated).
HRESULT CreateCoordToolDockable(IUnknown* outer, REFIID riid, void** ppv);

}  // namespace velk::corvane
