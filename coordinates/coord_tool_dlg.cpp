#include "coordinates/coord_tool_dlg.h"

#include <cmath>
#include <cwctype>
#include <limits>

#include "framework/coord_tool_helpers.h"
#include "framework/dialog_field_helpers.h"
#include "framework/numeric_field_helpers.h"
#include "coordinates/shift_point.h"
#include "framework/extension_lookup.h"
#include "framework/host_object_creation.h"
#include "framework/map_graphics.h"
#include "framework/message_helpers.h"
#include "framework/modeless_dialog_set.h"
#include "framework/numeric_helpers.h"
#include "framework/scene_helpers.h"
#include "interfaces/zel_coord_tool.h"
#include "platform/com/safearray.h"
#include "platform/host/shell/command_bars.h"
#include "platform/host/data/data_class_ids.h"
#include "platform/host/data/dataset.h"
#include "platform/host/display/display.h"
#include "platform/host/application/editor.h"
#include "platform/host/data/feature_class.h"
#include "platform/host/data/field.h"
#include "platform/host/display/layer_kinds.h"
#include "platform/host/data/uid.h"
#include "platform/registry/activation.h"
#include "platform/win/responder.h"
#include "platform/com/plain_text.h"
#include "platform/productline/coordinate_engine.h"

namespace velk::corvane {

namespace {

// The coordinate engine's notation codes of ConvertLocation.
using productline::kFormatDms;
using productline::kFormatMgrs;
using productline::kFormatPoint;
using productline::kFormatUtm;

constexpr int kFieldDecimals = 6;
constexpr int kMaxTipLength = 499;
constexpr LPARAM kMaxTipWidth = 500;
constexpr int kBottomMarginUnits = 7;   // dialog units below the button row
constexpr UINT kMessageBoxType = 0x30;  // exclamation, OK
constexpr UINT kErrorCaption = 3576;

constexpr int kAllControls[] = {
    CoordToolDlg::kConvertButton, CoordToolDlg::kClearButton,  CoordToolDlg::kDrawPointCheck,
    CoordToolDlg::kCenterCheck,   CoordToolDlg::kDatumList,    CoordToolDlg::kDmsEdit,
    CoordToolDlg::kMgrsEdit,      CoordToolDlg::kUtmEdit,      CoordToolDlg::kLongitudeEdit,
    CoordToolDlg::kLatitudeEdit,  CoordToolDlg::kEllipsoidEdit};

ComPtr<IPoint> NewHostPoint(double x, double y) {
  auto p = CreateHostObject<IPoint>(host::CLSID_Point);
  Check(p->PutCoords(x, y));
  return p;
}

bool IsEmptyPoint(IPoint* point) {
  VARIANT_BOOL empty = VARIANT_TRUE;
  return !point || FAILED(point->get_IsEmpty(&empty)) || empty != VARIANT_FALSE;
}

ComPtr<ISpatialReference> ReferenceOf(IBasicMap* map) {
  if (!map) return nullptr;
  ComPtr<IUnknown> reference;
  map->get_SpatialReference(reference.put());
  return QueryAs<ISpatialReference>(reference.get());
}

LONG FactoryCode(ISpatialReference* reference) {
  LONG code = 0;
  reference->get_FactoryCode(&code);
  return code;
}

bool NeedsShift(ISpatialReference* reference) {
  LONG code = FactoryCode(reference);
  return code != kFactoryCodeWgs84 && code != kFactoryCodeAssumedGeographic;
}

}  // namespace

CoordToolDlg::CoordToolDlg() : noneText_(LoadResString(kNoneTextId)) {
  m_bModal = false;
  GetWgs84CoordinateSystem();
}

CoordToolDlg::~CoordToolDlg() {
  // The dialog's own handlers (keyboard hook, current tool) run while its parts still live.
  if (::IsWindow(m_hWnd)) ::DestroyWindow(m_hWnd);
}

void CoordToolDlg::HookUp(IUnknown* hook) {
  SetHook(hook);
  try {
    ComPtr<IApplication> app;
    GetApplication(app.put());
    if (!app) return;  // no application: no editor to look for
    ComPtr<IDocument> document;
    app->get_Document(document.put());
    if (QueryAs<IGlobeDocument>(document.get())) {
      globeHost_ = true;
      if (m_hWnd) ::EnableWindow(GetDlgItem(kDrawPointCheck), FALSE);
    }
    editor_ = FindExtensionByName(AllocBstr(kEditorExtensionName));
  } catch (...) {
    editor_.Reset();
  }
}

LRESULT CoordToolDlg::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&) {
  RegisterModelessDialog(m_hWnd);
  drawPointCheck_ = GetDlgItem(kDrawPointCheck);
  centerCheck_ = GetDlgItem(kCenterCheck);
  datumList_ = GetDlgItem(kDatumList);
  try {
    lastShown_ = NewHostPoint(0.0, 0.0);
  } catch (...) {
    lastShown_.Reset();
  }
  CoCreateInstance(productline::CLSID_CoordinateTool, nullptr, kHostCreationContext,
                   IidOf<ICoordinateTool>(), engine_.put_void());
  if (!engine_) {
    WriteInitialTexts();
    DisableAllControls();
    return TRUE;
  }
  drawPointCheck_.SetCheck(BST_UNCHECKED);
  SetTimer(kReadoutTimer, kReadoutPeriod);
  FillDatumList();
  m_dms.SubclassWindow(GetDlgItem(kDmsEdit));
  m_mgrs.SubclassWindow(GetDlgItem(kMgrsEdit));
  m_utm.SubclassWindow(GetDlgItem(kUtmEdit));
  WriteInitialTexts();
  latitudeEdit_ = GetDlgItem(kLatitudeEdit);
  longitudeEdit_ = GetDlgItem(kLongitudeEdit);
  ResizeToButtons();
  if (tips_.Create(m_hWnd, WS_POPUP | TTS_NOPREFIX | TTS_BALLOON)) {
    tips_.AddTool(datumList_, L"");
    tips_.Activate(TRUE);
    tips_.SendMessage(TTM_SETMAXTIPWIDTH, 0, kMaxTipWidth);
    SetDatumTip();
  }
  EnableConvert(false);
  return TRUE;
}

void CoordToolDlg::FillDatumList() {
  SAFEARRAY* names = nullptr;
  if (FAILED(engine_->GetDatumList(&names)) || !names) return;
  LONG lower = 0, upper = -1;
  SafeArrayGetLBound(names, 1, &lower);
  SafeArrayGetUBound(names, 1, &upper);
  for (LONG i = lower; i <= upper; ++i) {
    BSTR name = nullptr;
    if (FAILED(SafeArrayGetElement(names, &i, &name))) continue;
    datumNames_.push_back(BstrToWstring(name));
    SysFreeString(name);
    // Each name at its own position: the list keeps the engine's order (datum number i).
    datumList_.InsertString(static_cast<int>(datumNames_.size() - 1), datumNames_.back().c_str());
  }
  SafeArrayDestroy(names);
  datumList_.SetCurSel(0);
  ShowEllipsoid(0);
  currentDatum_ = 0;
}

void CoordToolDlg::ShowEllipsoid(LONG datum) {
  Bstr ellipsoid;
  engine_->GetDatumEllipsoid(Variant(datum), &ellipsoid);
  SetDlgItemText(kEllipsoidEdit, ellipsoid.str().c_str());
}

void CoordToolDlg::WriteInitialTexts() {
  SetDlgItemText(kLongitudeEdit, noneText_.c_str());
  SetDlgItemText(kLatitudeEdit, noneText_.c_str());
  SetDlgItemText(kDmsEdit, m_dms.m_formatter.Template().c_str());
  SetDlgItemText(kUtmEdit, m_utm.m_formatter.Template().c_str());
  SetDlgItemText(kMgrsEdit, m_mgrs.m_formatter.Template().c_str());
}

void CoordToolDlg::DisableAllControls() {
  for (int id : kAllControls) ::EnableWindow(GetDlgItem(id), FALSE);
}

void CoordToolDlg::ResizeToButtons() {
  RECT button{}, frame{};
  ::GetWindowRect(GetDlgItem(kConvertButton), &button);
  GetWindowRect(&frame);
  RECT margin{0, 0, 0, kBottomMarginUnits};
  MapDialogRect(&margin);
  int height = button.bottom - frame.top + margin.bottom;
  if (height > 0)
    SetWindowPos(nullptr, 0, 0, frame.right - frame.left, height, SWP_NOMOVE | SWP_NOZORDER);
}

void CoordToolDlg::SetDatumTip() {
  if (!tips_.m_hWnd) return;
  std::wstring text;
  int selection = datumList_.GetCurSel();
  if (selection >= 0) datumList_.GetLBText(selection, text);
  if (text.size() > static_cast<std::size_t>(kMaxTipLength)) text.resize(kMaxTipLength);
  tips_.UpdateTipText(text.c_str(), datumList_);
}

void CoordToolDlg::EnableConvert(bool enable) {
  ::EnableWindow(GetDlgItem(kConvertButton), enable ? TRUE : FALSE);
}

std::wstring CoordToolDlg::ItemText(int id, std::size_t maxLength) const {
  std::wstring buffer(maxLength + 1, L'\0');
  UINT n = ::GetDlgItemTextW(m_hWnd, id, buffer.data(), static_cast<int>(buffer.size()));
  buffer.resize(n);
  return buffer;
}

ValidatedEditCtrl* CoordToolDlg::NotationEdit(int id) {
  switch (id) {
    case kDmsEdit: return &m_dms;
    case kUtmEdit: return &m_utm;
    case kMgrsEdit: return &m_mgrs;
    default: return nullptr;
  }
}

LONG CoordToolDlg::SelectedDatum() const {
  int selection = datumList_.m_hWnd ? datumList_.GetCurSel() : -1;
  return selection < 0 ? 0 : selection;
}

std::wstring CoordToolDlg::EngineDmsToDisplay(const std::wstring& text) const {
  if (symbols_.decimalSeparator == L".") return text;
  std::wstring out;
  for (wchar_t c : text) {
    if (c == L'.')
      out += symbols_.decimalSeparator;
    else
      out += c;
  }
  return out;
}

std::wstring CoordToolDlg::DisplayDmsToEngine(const std::wstring& text) const {
  // The engine reads N/S/E/W and a "." (or ",") fraction; the field shows the user's letters and
  // decimal symbol. Each character is mapped once, so letters that swap meaning stay apart.
  auto letter = [](const std::wstring& s) { return s.empty() ? L'\0' : s[0]; };
  const wchar_t north = letter(symbols_.north), south = letter(symbols_.south),
                east = letter(symbols_.east), west = letter(symbols_.west),
                decimal = letter(symbols_.decimalSeparator);
  std::wstring out;
  for (wchar_t c : text) {
    if (c == north)
      out += L'N';
    else if (c == south)
      out += L'S';
    else if (c == east)
      out += L'E';
    else if (c == west)
      out += L'W';
    else if (c == decimal)
      out += L'.';
    else
      out += c;
  }
  return out;
}

// ---- the live readout and showing a location ----

LRESULT CoordToolDlg::OnTimer(UINT, WPARAM wParam, LPARAM, BOOL& bHandled) {
  if (wParam != kReadoutTimer) {
    bHandled = FALSE;
    return 0;
  }
  try {
    LiveReadout();
  } catch (...) {
    // A failing tick stops the readout until the draw-point box is ticked and cleared again.
    KillTimer(kReadoutTimer);
  }
  return 0;
}

void CoordToolDlg::LiveReadout() {
  if (!engine_) return;
  ComPtr<IApplication> app;
  GetApplication(app.put());
  if (!app) return;  // not hooked up yet
  ComPtr<IDocument> document;
  app->get_Document(document.put());
  if (auto mapDocument = QueryAs<IMapDocument>(document.get())) {
    ComPtr<IPoint> location;
    Check(mapDocument->get_CurrentLocation(location.put()));
    if (IsEmptyPoint(location.get())) return;  // the mouse has not been over the map
    ComPtr<IMap> map;
    GetFocusMap(map.put());
    ShowLocation(location.get(), false, ReferenceOf(map.get()).get());
    return;
  }
  // The globe host: the camera's position while another tool (or none) is current; while the
  // coordinate tool is current the fields keep the location clicked last.
  if (!QueryAs<IGlobeDocument>(document.get()) || IsCoordToolCurrent(*this)) return;
  ComPtr<IGlobeCamera> camera;
  GetGlobeCameraObject(camera.put(), *this);
  if (!camera) return;
  double latitude = 0.0, longitude = 0.0, altitude = 0.0;
  Check(camera->GetObserverLatLonAlt(&latitude, &longitude, &altitude));
  ShowLocation(NewHostPoint(longitude, latitude).get(), false, nullptr);
}

bool CoordToolDlg::ShowLocation(IPoint* point, bool draw, ISpatialReference* reference) {
  if (!engine_ || !point) return false;
  if (!lastShown_) lastShown_ = NewHostPoint(0.0, 0.0);
  VARIANT_BOOL same = VARIANT_FALSE;
  auto shownClone = RequireInterface<IClone>(lastShown_.get());
  shownClone->IsEqual(RequireInterface<IClone>(point).get(), &same);
  if (same != VARIANT_FALSE) return true;

  double x = 0.0, y = 0.0;
  Check(point->QueryCoords(&x, &y));
  Check(point->PutCoords(RoundToDecimals(x, kFieldDecimals), RoundToDecimals(y, kFieldDecimals)));

  ComPtr<IPoint> copy = ClonePoint(point);
  if (reference) {
    copy->put_SpatialReference(reference);
    if (!QueryAs<IUnknownCoordinateSystem>(reference)) {
      ComPtr<IGeographicCoordinateSystem> geographic;
      if (auto projected = QueryAs<IProjectedCoordinateSystem>(reference)) {
        Check(projected->get_GeographicCoordinateSystem(geographic.put()));
        if (FAILED(copy->Project(geographic.get()))) return false;
      } else {
        geographic = QueryAs<IGeographicCoordinateSystem>(reference);
      }
      if (!geographic) return false;
      if (NeedsShift(reference)) {
        if (!ShiftPointToWgs84(true, geographic.get(), copy.get())) return false;
        copy->put_SpatialReference(GetWgs84CoordinateSystem().get());
      }
    }
  }

  ConvertAndShow(Variant(static_cast<IUnknown*>(copy.get())), kFormatPoint, 0, SelectedDatum());
  if (MgrsStatusBarSetting()) PutMgrsInStatusBar();
  mapPoint_ = point;
  WriteMapPointItems();
  if (draw) DrawPoint(point);
  Check(shownClone->Assign(RequireInterface<IClone>(point).get()));
  return true;
}

void CoordToolDlg::MapClick(LONG, LONG, LONG x, LONG y) {
  if (!engine_) return;
  try {
    ComPtr<IApplication> app;
    GetApplication(app.put());
    if (!app) return;
    ComPtr<IDocument> document;
    app->get_Document(document.put());
    auto mapDocument = QueryAs<IMapDocument>(document.get());
    if (!mapDocument) {
      // The globe host: the surface point under the mouse in the globe's main viewer.
      ComPtr<IGlobeDisplay> display;
      GetGlobeFromHook(display.put(), *this);
      if (!display) return;
      ComPtr<IPoint> hit;
      if (display->Locate(x, y, hit.put()) != S_OK || !hit) return;  // off the globe
      ShowLocation(hit.get(), true, nullptr);
      return;
    }
    ComPtr<IPoint> location;
    Check(mapDocument->get_CurrentLocation(location.put()));
    if (IsEmptyPoint(location.get())) return;
    ComPtr<IMap> map;
    GetFocusMap(map.put());
    ComPtr<ISpatialReference> reference = ReferenceOf(map.get());
    if (!ShowLocation(location.get(), true, reference.get()) && reference) {
      Bstr name;
      reference->get_Name(&name);
      std::wstring text = name.str() + LoadResString(kUnsupportedSystemTextId);
      ::MessageBoxW(m_hWnd, text.c_str(), LoadResString(kErrorCaption).c_str(), kMessageBoxType);
    }
  } catch (...) {
    // The click shows nothing; the tool still reports the location shown last.
  }
}

// ---- conversions and their results ----

HRESULT CoordToolDlg::ConvertAndShow(const VARIANT& value, int format, LONG fromDatum,
                                     LONG toDatum) {
  IPoint* wgs84 = wgs84_.Detach();
  IPoint* datum = datum_.Detach();
  BSTR dms = nullptr, utm = nullptr, mgrs = nullptr;
  Variant from(fromDatum), to(toDatum);
  HRESULT hr = engine_->ConvertLocation(value, format, from, to, &wgs84, &datum, &dms, &utm, &mgrs);
  wgs84_ = ComPtr<IPoint>::Attach(wgs84);
  datum_ = ComPtr<IPoint>::Attach(datum);
  lastMgrs_ = BstrToWstring(mgrs);
  WriteResults(dms, utm, mgrs);
  SysFreeString(dms);
  SysFreeString(utm);
  SysFreeString(mgrs);
  return hr;
}

void CoordToolDlg::WriteResults(BSTR dms, BSTR utm, BSTR mgrs) {
  WriteNotation(m_dms, EngineDmsToDisplay(BstrToWstring(dms)));
  WriteNotation(m_utm, BstrToWstring(utm));
  WriteNotation(m_mgrs, BstrToWstring(mgrs));
  double x = std::numeric_limits<double>::quiet_NaN(), y = x;
  if (datum_) {
    datum_->get_X(&x);
    datum_->get_Y(&y);
  }
  SetDlgItemDouble(m_hWnd, kLongitudeEdit, x, kFieldDecimals, noneText_);
  SetDlgItemDouble(m_hWnd, kLatitudeEdit, y, kFieldDecimals, noneText_);
}

void CoordToolDlg::WriteNotation(ValidatedEditCtrl& edit, const std::wstring& text) {
  BSTR value = AllocBstr(text);
  bool valid = edit.m_parser.Parse(&value);
  std::wstring shown = BstrToWstring(value);
  SysFreeString(value);
  if (!edit.m_hWnd) return;
  edit.SetWindowText(shown.c_str());
  edit.SetNormalColors(valid ? kDefaultColor : kInvalidTextColor, kDefaultColor);
}

void CoordToolDlg::WriteMapPointItems() {
  HWND xItem = GetDlgItem(kMapXEdit), yItem = GetDlgItem(kMapYEdit);
  if (!xItem && !yItem) return;
  double x = 0.0, y = 0.0;
  if (mapPoint_ && SUCCEEDED(mapPoint_->QueryCoords(&x, &y))) {
    SetDlgItemDouble(m_hWnd, kMapXEdit, x, kFieldDecimals, noneText_);
    SetDlgItemDouble(m_hWnd, kMapYEdit, y, kFieldDecimals, noneText_);
  } else {
    std::wstring none = LoadResString(kNoMapPointTextId);
    SetDlgItemText(kMapXEdit, none.c_str());
    SetDlgItemText(kMapYEdit, none.c_str());
  }
}

bool CoordToolDlg::MgrsStatusBarSetting() {
  try {
    ComPtr<IZelExtension> extension = FindZelExtension();
    if (!extension) return false;
    ComPtr<IZelSettings> settings;
    extension->get_Settings(settings.put());
    auto coordTool = QueryAs<ICoordToolSettings>(settings.get());
    if (!coordTool) return false;
    VARIANT_BOOL show = VARIANT_FALSE;
    coordTool->get_MGRSStatusBar(&show);
    return show == VARIANT_TRUE;
  } catch (...) {
    return false;
  }
}

void CoordToolDlg::PutMgrsInStatusBar() {
  try {
    ShowStatusText(*this, 0, Bstr(lastMgrs_));
  } catch (...) {
    // A host without a status bar shows no hint.
  }
}

bool CoordToolDlg::ReadDegrees(bool emptyIsZero, double* longitude, double* latitude) {
  std::wstring texts[2] = {ItemText(kLongitudeEdit), ItemText(kLatitudeEdit)};
  const int ids[2] = {kLongitudeEdit, kLatitudeEdit};
  double* values[2] = {longitude, latitude};
  if (!emptyIsZero && (texts[0].empty() || texts[1].empty())) return false;
  for (int i = 0; i < 2; ++i) {
    std::wstring text(Trim(texts[i]));
    if (text.empty()) text = L"0";
    Variant number(text);
    // A text that is no number ("none" after Clear, or anything typed) is an input error: it
    // is never converted as some undefined value.
    if (FAILED(number.ChangeType(VT_R8)) || !std::isfinite(number.dblVal)) {
      FlashInputError(GetDlgItem(ids[i]), true);
      return false;
    }
    *values[i] = number.dblVal;
  }
  return true;
}

void CoordToolDlg::ComputeMapPoint() {
  if (!wgs84_) return;
  ComPtr<IPoint> copy = ClonePoint(wgs84_.get());
  ComPtr<IGeographicCoordinateSystem> wgs84System = GetWgs84CoordinateSystem();
  copy->put_SpatialReference(wgs84System.get());
  ComPtr<IBasicMap> map;
  GetBasicFocusMap(map.put());
  ComPtr<ISpatialReference> reference = ReferenceOf(map.get());
  if (!reference) return;  // the map point stays as it was
  if (!QueryAs<IUnknownCoordinateSystem>(reference.get()) && NeedsShift(reference.get())) {
    auto projected = QueryAs<IProjectedCoordinateSystem>(reference.get());
    ComPtr<IGeographicCoordinateSystem> geographic;
    if (projected)
      Check(projected->get_GeographicCoordinateSystem(geographic.put()));
    else
      geographic = QueryAs<IGeographicCoordinateSystem>(reference.get());
    if (geographic && ShiftPointToWgs84(false, geographic.get(), copy.get())) {
      copy->put_SpatialReference(geographic.get());
      if (projected && FAILED(copy->Project(projected.get()))) return;
    } else if (projected) {
      // A projection on a datum the table does not know: the host projects the WGS 84 point
      // itself rather than taking degrees for projected units.
      if (FAILED(copy->Project(projected.get()))) return;
    }
  }
  copy->put_SpatialReference(reference.get());
  mapPoint_ = copy;
  WriteMapPointItems();
}

// ---- drawing ----

// With the host's editor editing a point or multipoint layer, the point becomes a new feature of
// it in one edit operation; false (nothing done) otherwise.
bool CoordToolDlg::AddPointFeature(IPoint* point) {
  auto layers = QueryAs<IEditLayers>(editor_.get());
  auto editor = QueryAs<IEditor>(editor_.get());
  if (!layers || !editor) return false;
  ComPtr<IFeatureLayer> layer;
  layers->get_CurrentLayer(layer.put());
  ComPtr<IFeatureClass> features;
  if (!layer || FAILED(layer->get_FeatureClass(features.put())) || !features) return false;
  LONG shapeType = kGeometryNull;
  features->get_ShapeType(&shapeType);
  if (shapeType != kGeometryPoint && shapeType != kGeometryMultipoint) return false;
  RemoveMarker();
  // The class's shape field says whether its shapes carry z.
  VARIANT_BOOL hasZ = VARIANT_FALSE;
  ComPtr<IFields> fields;
  Bstr shapeName;
  features->get_Fields(fields.put());
  features->get_ShapeFieldName(&shapeName);
  LONG at = -1;
  if (fields) fields->FindField(shapeName.get(), &at);
  ComPtr<IField> shapeField;
  if (at >= 0) fields->get_Field(at, shapeField.put());
  ComPtr<IGeometryDef> def;
  if (shapeField) shapeField->get_GeometryDef(def.put());
  if (def) def->get_HasZ(&hasZ);

  ComPtr<IPoint> copy = ClonePoint(point);
  ComPtr<ISpatialReference> reference;
  if (auto geo = QueryAs<IGeoDataset>(features.get())) geo->get_SpatialReference(reference.put());
  if (reference) Check(copy->Project(reference.get()));
  if (hasZ) {
    copy->put_ZAware(VARIANT_TRUE);
    copy->put_Z(0.0);
  }
  ComPtr<IGeometry> shape = copy.As<IGeometry>();
  if (shapeType == kGeometryMultipoint) {
    auto multi = CreateHostObject<IGeometry>(host::CLSID_Multipoint);
    if (reference) multi->put_SpatialReference(reference.get());
    if (hasZ) multi->put_ZAware(VARIANT_TRUE);
    Check(RequireInterface<IPointCollection>(multi.get())->AddPoint(copy.get()));
    shape = multi;
  }
  Check(editor->StartOperation());
  ComPtr<IFeature> feature;
  HRESULT hr = features->CreateFeature(feature.put());
  if (SUCCEEDED(hr)) hr = feature->putref_Shape(shape.get());
  if (SUCCEEDED(hr)) hr = feature->Store();
  if (FAILED(hr)) {
    editor->AbortOperation();
    ThrowComError(hr);
  }
  editor->StopOperation(Bstr(L"").get());
  ComPtr<IActiveView> view;
  GetActiveView(view.put());
  if (view) view->PartialRefresh(kViewGeography, layer.get(), nullptr);
  return true;
}

void CoordToolDlg::DrawPoint(IPoint* point) {
  if (globeHost_ || !point || drawPointCheck_.GetCheck() != BST_CHECKED) return;
  try {
    if (AddPointFeature(point)) return;
    ComPtr<IElement> element = CreateCoordToolMarkerElement(ClonePoint(point).get());
    ReplaceMapGraphic(*this, element.get(), marker_.get());
    marker_ = element;
  } catch (...) {
    // No view to draw into: nothing is drawn.
  }
}

void CoordToolDlg::RemoveMarker() {
  if (!marker_) return;
  ComPtr<IElement> marker = std::move(marker_);
  try {
    DeleteMapGraphic(*this, marker.get(), 1);
  } catch (...) {
    // The view has gone with its graphics.
  }
}

void CoordToolDlg::CenterDisplay() {
  if (globeHost_) {
    CenterGlobe();
    return;
  }
  if (!mapPoint_) return;
  ComPtr<IActiveView> view;
  GetActiveView(view.put());
  if (!view) return;
  ComPtr<IScreenDisplay> display;
  Check(view->get_ScreenDisplay(display.put()));
  ComPtr<IDisplayTransformation> transformation;
  Check(RequireInterface<IScreenDisplay>(display.get())
            ->get_DisplayTransformation(transformation.put()));
  ComPtr<IEnvelope> extent;
  Check(transformation->get_VisibleBounds(extent.put()));
  Check(extent->CenterAt(mapPoint_.get()));
  Check(transformation->put_VisibleBounds(extent.get()));
  view->Refresh();
}

void CoordToolDlg::CenterGlobe() {
  if (!wgs84_) return;
  double longitude = 0.0, latitude = 0.0;
  Check(wgs84_->QueryCoords(&longitude, &latitude));
  ComPtr<IGlobeCamera> camera;
  GetGlobeCameraObject(camera.put(), *this);
  if (!camera) return;
  double observerLatitude = 0.0, observerLongitude = 0.0, altitude = 0.0;
  if (FAILED(camera->GetObserverLatLonAlt(&observerLatitude, &observerLongitude, &altitude)))
    return;
  // The observer goes above the point at its altitude and looks straight down at it: moving
  // the observer alone would leave the view on the old target. A point the camera refuses
  // leaves it as it was (the listeners still hear of the conversion).
  if (FAILED(camera->SetObserverLatLonAlt(latitude, longitude, altitude))) return;
  camera->SetTargetLatLonAlt(latitude, longitude, 0.0);
  ComPtr<IGlobeDisplay> display;
  GetGlobeFromHook(display.put(), *this);
  if (display) display->RefreshViewers();
}

void CoordToolDlg::NotifyCoordTool() {
  ComPtr<IApplication> app;
  GetApplication(app.put());
  if (!app) return;
  ComPtr<IDocument> document;
  app->get_Document(document.put());
  if (!document) return;
  ComPtr<ICommandBars> bars;
  document->get_CommandBars(bars.put());
  if (!bars) return;
  auto uid = CreateHostObject<IUID>(host::CLSID_UID);
  uid->put_Value(Variant(L"velkTarvosUI.CoordTool"));
  ComPtr<ICommandItem> item;
  bars->Find(uid.get(), VARIANT_TRUE, VARIANT_TRUE, item.put());
  if (!item) return;
  ComPtr<IUnknown> command;
  item->get_Command(command.put());
  if (auto tool = QueryAs<IZelCoordTool>(command.get())) tool->NewPointEntered();
}

// ---- the user's controls ----

LRESULT CoordToolDlg::OnConvert(WORD, WORD, HWND, BOOL&) {
  if (!engine_) return 0;
  const int field = lastEdited_;
  try {
    Variant value;
    int format = kFormatPoint;
    if (field == kLongitudeEdit || field == kLatitudeEdit) {
      double longitude = 0.0, latitude = 0.0;
      if (!ReadDegrees(false, &longitude, &latitude)) return 0;
      ComPtr<IPoint> point = NewHostPoint(longitude, latitude);
      value = Variant(static_cast<IUnknown*>(point.get()));
    } else {
      ValidatedEditCtrl* edit = NotationEdit(field);
      if (!edit) return 0;
      if (!edit->ParseWindowText()) {
        // A text the parser could not read now shows the notation's mask in red; the mask is
        // no location, so nothing is converted, drawn or announced.
        FlashInputError(edit->m_hWnd, true);
        EnableConvert(false);
        return 0;
      }
      std::wstring text = edit->GetWindowText();
      if (field == kDmsEdit) {
        text = DisplayDmsToEngine(text);
        format = kFormatDms;
      } else {
        format = field == kUtmEdit ? kFormatUtm : kFormatMgrs;
      }
      value = Variant(text);
    }
    LONG datum = SelectedDatum();
    HRESULT hr = ConvertAndShow(value, format, datum, datum);
    PutMgrsInStatusBar();
    if (SUCCEEDED(hr)) {
      ComputeMapPoint();
      DrawPoint(mapPoint_.get());
      if (centerCheck_.GetCheck() == BST_CHECKED) CenterDisplay();
      NotifyCoordTool();
    } else {
      // The engine refused the location (a latitude beyond 90, say): the fields show "none"
      // and nobody is told of a point that does not exist.
      FlashInputError(GetDlgItem(field), true);
    }
  } catch (...) {
    // A host object missing half-way ends the conversion.
  }
  EnableConvert(false);
  return 0;
}

LRESULT CoordToolDlg::OnClear(WORD, WORD, HWND, BOOL&) {
  Clear();
  return 0;
}

void CoordToolDlg::Clear() {
  if (!m_hWnd) return;
  WriteInitialTexts();
  RemoveMarker();
  EnableConvert(false);
}

LRESULT CoordToolDlg::OnDrawPointClicked(WORD, WORD, HWND, BOOL&) {
  if (drawPointCheck_.GetCheck() == BST_CHECKED) {
    KillTimer(kReadoutTimer);
  } else {
    SetTimer(kReadoutTimer, kReadoutPeriod);
    RemoveMarker();
  }
  return 0;
}

LRESULT CoordToolDlg::OnDatumChange(WORD, WORD, HWND, BOOL&) {
  if (!engine_) return 0;
  int selection = datumList_.GetCurSel();
  if (selection < 0) return 0;
  try {
    double longitude = 0.0, latitude = 0.0;
    if (ReadDegrees(true, &longitude, &latitude)) {
      ComPtr<IPoint> point = NewHostPoint(longitude, latitude);
      ConvertAndShow(Variant(static_cast<IUnknown*>(point.get())), kFormatPoint, currentDatum_,
                     selection);
      PutMgrsInStatusBar();
    }
    // Without a location to convert the new datum still applies to what is typed next.
    ShowEllipsoid(selection);
    currentDatum_ = selection;
    SetDatumTip();
    EnableConvert(true);
  } catch (...) {
    // A host object missing half-way leaves the fields as they are.
  }
  return 0;
}

LRESULT CoordToolDlg::OnNotationChange(WORD, WORD id, HWND, BOOL&) {
  if (!engine_) return 0;
  ValidatedEditCtrl* edit = NotationEdit(id);
  if (!edit) return 0;
  std::wstring text = ::velk::win::WindowText(GetDlgItem(id));
  std::wstring& previous = previousTexts_[id];
  if (text == previous) return 0;
  previous = text;
  // Convert is offered only for a text it can read: the validator's pattern and the
  // formatter's own limits both.
  bool valid = edit->m_parser.CanParse(text);
  if (edit->m_hWnd) edit->SetNormalColors(valid ? kDefaultColor : kInvalidTextColor, kDefaultColor);
  lastEdited_ = id;
  EnableConvert(valid);
  return 0;
}

LRESULT CoordToolDlg::OnDegreesChange(WORD, WORD id, HWND, BOOL&) {
  if (!engine_) return 0;
  std::wstring text = ::velk::win::WindowText(GetDlgItem(id));
  std::wstring& previous = previousTexts_[id];
  if (text == previous) return 0;
  previous = text;
  lastEdited_ = id;
  EnableConvert(true);
  return 0;
}

LRESULT CoordToolDlg::OnKillFocus(WORD, WORD id, HWND, BOOL& bHandled) {
  switch (id) {
    case kDmsEdit:
    case kMgrsEdit:
    case kUtmEdit:
    case kLongitudeEdit:
    case kLatitudeEdit:
    case kEllipsoidEdit: return 0;
    default: bHandled = FALSE; return 0;
  }
}

LRESULT CoordToolDlg::OnDestroy(UINT, WPARAM, LPARAM, BOOL& bHandled) {
  UnregisterModelessDialog(m_hWnd);
  KillTimer(kReadoutTimer);
  try {
    ClearCurrentCoordTool(*this);
  } catch (...) {
    // A host that has gone has no current tool to clear.
  }
  bHandled = FALSE;
  return 0;
}

}  // namespace velk::corvane
