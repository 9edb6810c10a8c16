// The coordinate tool's readout and entry panel (dialog template 3047), the content of the
// dockable coordinate window. It shows one location in five notations (latitude and longitude
// in decimal degrees, DMS, UTM, MGRS) on a datum the user picks; the location comes from the
// mouse over the map every 50 ms, from map clicks while the coordinate tool is current, from a
// typed location converted with Convert, or from a change of datum. All conversion is asked of
// the product line's coordinate engine.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "coordinates/localized_coordinate_symbols.h"
#include "coordinates/validated_edit_ctrl.h"
#include "framework/basic_window_impl.h"
#include "platform/com/variant.h"
#include "platform/host/shell/extension_manager.h"
#include "platform/host/geometry/geometry.h"
#include "platform/host/display/graphics.h"
#include "platform/host/geometry/spatial_reference.h"
#include "platform/productline/coordinate_tool.h"
#include "platform/win/control_wrappers.h"

namespace velk::corvane {

class CoordToolDlg : public CBasicWindowImpl<CoordToolDlg> {
 public:
  enum { IDD = 3047 };

  // Controls of template 3047.
  static constexpr int kLatitudeEdit = 3110;
  static constexpr int kLongitudeEdit = 3109;
  static constexpr int kDmsEdit = 3074;
  static constexpr int kUtmEdit = 3106;
  static constexpr int kMgrsEdit = 3089;
  static constexpr int kDatumList = 3556;
  static constexpr int kEllipsoidEdit = 3080;
  static constexpr int kDrawPointCheck = 3515;
  static constexpr int kCenterCheck = 3513;
  static constexpr int kConvertButton = 3670;
  static constexpr int kClearButton = 3006;
  // Items a localized template may add for the map point's x and y.
  static constexpr int kMapXEdit = 3107;
  static constexpr int kMapYEdit = 3090;

  static constexpr UINT_PTR kReadoutTimer = 2;
  static constexpr UINT kReadoutPeriod = 50;  // ms
  static constexpr UINT kNoneTextId = 3578;
  static constexpr UINT kUnsupportedSystemTextId = 3580;
  static constexpr UINT kNoMapPointTextId = 3648;

  CoordToolDlg();
  ~CoordToolDlg() override;

  BEGIN_MSG_MAP(CoordToolDlg)
  MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
  MESSAGE_HANDLER(WM_TIMER, OnTimer)
  COMMAND_HANDLER(kConvertButton, BN_CLICKED, OnConvert)
  COMMAND_HANDLER(kClearButton, BN_CLICKED, OnClear)
  COMMAND_HANDLER(kDrawPointCheck, BN_CLICKED, OnDrawPointClicked)
  COMMAND_HANDLER(kDatumList, CBN_SELCHANGE, OnDatumChange)
  COMMAND_HANDLER(kDmsEdit, EN_CHANGE, OnNotationChange)
  COMMAND_HANDLER(kMgrsEdit, EN_CHANGE, OnNotationChange)
  COMMAND_HANDLER(kUtmEdit, EN_CHANGE, OnNotationChange)
  COMMAND_HANDLER(kLongitudeEdit, EN_CHANGE, OnDegreesChange)
  COMMAND_HANDLER(kLatitudeEdit, EN_CHANGE, OnDegreesChange)
  COMMAND_CODE_HANDLER(EN_KILLFOCUS, OnKillFocus)
  MESSAGE_HANDLER(WM_HELP, OnHelp)
  MESSAGE_HANDLER(WM_CONTEXTMENU, OnContextMenu)
  MESSAGE_HANDLER(WM_DESTROY, OnDestroy)
  REFLECT_NOTIFICATIONS()
  END_MSG_MAP()

  // The host hook, handed over by the window after the dialog window was created.
  void HookUp(IUnknown* hook);

  // What the dockable window asks of the dialog.
  void MapClick(LONG button, LONG shift, LONG x, LONG y);
  void Clear();
  bool HasEngine() const { return static_cast<bool>(engine_); }
  // The points of the last conversion (null before the first).
  IPoint* Wgs84Point() const { return wgs84_.get(); }
  IPoint* DatumPoint() const { return datum_.get(); }
  IPoint* MapPoint() const { return mapPoint_.get(); }

  // State the window and tests look at.
  int LastEditedField() const { return lastEdited_; }
  LONG CurrentDatumIndex() const { return currentDatum_; }
  bool IsGlobeHost() const { return globeHost_; }
  IElement* Marker() const { return marker_.get(); }
  IPoint* LastShownPoint() const { return lastShown_.get(); }
  const std::vector<std::wstring>& DatumNames() const { return datumNames_; }
  HWND ToolTipWindow() const { return tips_.m_hWnd; }
  // Shows a location as the live readout and map clicks do (see the source); false when the
  // map's geographic system is one the datum table does not know.
  bool ShowLocation(IPoint* point, bool draw, ISpatialReference* reference);

  DMSValidatedEditCtrl m_dms;
  UTMValidatedEditCtrl m_utm;
  MGRSValidatedEditCtrl m_mgrs;

 private:
  LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnTimer(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnConvert(WORD, WORD, HWND, BOOL&);
  LRESULT OnClear(WORD, WORD, HWND, BOOL&);
  LRESULT OnDrawPointClicked(WORD, WORD, HWND, BOOL&);
  LRESULT OnDatumChange(WORD, WORD, HWND, BOOL&);
  LRESULT OnNotationChange(WORD, WORD, HWND, BOOL&);
  LRESULT OnDegreesChange(WORD, WORD, HWND, BOOL&);
  LRESULT OnKillFocus(WORD, WORD, HWND, BOOL&);
  LRESULT OnDestroy(UINT, WPARAM, LPARAM, BOOL&);

  void LiveReadout();
  void FillDatumList();
  void ShowEllipsoid(LONG datum);
  void WriteInitialTexts();
  void DisableAllControls();
  void ResizeToButtons();
  void SetDatumTip();
  void EnableConvert(bool enable);
  std::wstring ItemText(int id, std::size_t maxLength = 100) const;
  ValidatedEditCtrl* NotationEdit(int id);
  LONG SelectedDatum() const;

  // Reads the longitude and latitude fields as numbers; an unreadable text is flagged as an
  // input error and gives false. emptyIsZero: an empty field reads as 0 (datum change), else
  // an empty field gives false without a flag (Convert does nothing then).
  bool ReadDegrees(bool emptyIsZero, double* longitude, double* latitude);
  // ConvertLocation with the dialog's own points, then the results written into the fields.
  HRESULT ConvertAndShow(const VARIANT& value, int format, LONG fromDatum, LONG toDatum);
  void WriteResults(BSTR dms, BSTR utm, BSTR mgrs);
  void WriteNotation(ValidatedEditCtrl& edit, const std::wstring& text);
  void WriteMapPointItems();
  void PutMgrsInStatusBar();
  bool MgrsStatusBarSetting();
  // The map point of the last converted WGS 84 point (Convert).
  void ComputeMapPoint();
  void DrawPoint(IPoint* point);
  bool AddPointFeature(IPoint* point);
  void RemoveMarker();
  void CenterDisplay();
  // Centring in the globe host: the camera above the last converted WGS 84 point.
  void CenterGlobe();
  void NotifyCoordTool();

  // Engine text forms and the forms the user's notation symbols give.
  std::wstring EngineDmsToDisplay(const std::wstring& text) const;
  std::wstring DisplayDmsToEngine(const std::wstring& text) const;

  WTL::CButton drawPointCheck_;
  WTL::CButton centerCheck_;
  WTL::CComboBox datumList_;
  ATL::CWindow latitudeEdit_;
  ATL::CWindow longitudeEdit_;
  WTL::CToolTipCtrl tips_;
  bool globeHost_ = false;
  ComPtr<IExtension> editor_;
  ComPtr<IPoint> lastShown_;
  ComPtr<IElement> marker_;
  std::vector<std::wstring> datumNames_;
  int lastEdited_ = kLongitudeEdit;
  LONG currentDatum_ = 0;
  std::map<int, std::wstring> previousTexts_;
  LocalizedCoordinateSymbols symbols_;
  ComPtr<ICoordinateTool> engine_;
  ComPtr<IPoint> wgs84_;
  ComPtr<IPoint> datum_;
  ComPtr<IPoint> mapPoint_;
  std::wstring lastMgrs_;
  std::wstring noneText_;
};

}  // namespace velk::corvane
