#include "terrain/radial/radial_los_dlg.h"

#include "framework/dialog_field_helpers.h"
#include "framework/numeric_field_helpers.h"
#include "framework/extension_lookup.h"
#include "framework/host_object_creation.h"
#include "framework/map_graphics.h"
#include "framework/message_helpers.h"
#include "framework/modeless_dialog_set.h"
#include "interfaces/zel_extension.h"
#include "interfaces/zel_layer_interfaces.h"
#include "platform/host/display/active_view.h"
#include "platform/host/data/data_class_ids.h"
#include "platform/host/display/display.h"
#include "platform/host/display/display_class_ids.h"
#include "platform/host/display/layer_kinds.h"
#include "platform/host/display/map.h"
#include "platform/host/display/symbol.h"
#include "platform/win/common_controls.h"
#include "platform/win/gdi.h"
#include "terrain/radial/observer_extent.h"

namespace velk::corvane {

namespace {

constexpr LONG kGreen = 0x00FF00;
constexpr LONG kBlue = 0xFF0000;
constexpr UINT kBitmapIds[4] = {3005, 3002, 3013, 3009};
constexpr int kBitmapButtons[4] = {rld::kBrowse, rld::kAdd, rld::kRemove, rld::kStart};

// The default texts of the edits (and "none" for latitude and longitude).
struct EditDefault {
  int id;
  double value;
};
constexpr EditDefault kDefaults[] = {
    {rld::kCentreOffset, 2},    {rld::kTerrainOffset, 0},  {rld::kDistanceNear, 0},
    {rld::kDistanceFar, 10},    {rld::kAzimuthFrom, 0},    {rld::kAzimuthTo, 360},
    {rld::kElevationFrom, -90}, {rld::kElevationTo, 90},   {rld::kObserverElevation, 0},
};

// One remembered observer for the range edits' kill focus, for the whole module.
std::optional<RadialLosObserver>& RememberedRanges() {
  static std::optional<RadialLosObserver> remembered;
  return remembered;
}

ComPtr<IGraphicsContainer> MapGraphics(HookStruct& hook) {
  ComPtr<IMap> map;
  hook.GetFocusMap(map.put());
  return QueryAs<IGraphicsContainer>(map.get());
}

// The geometry's envelope in the map's system (sr; null leaves it in its own).
ComPtr<IEnvelope> EnvelopeOfGeometry(IUnknown* object, ISpatialReference* sr) {
  auto g = QueryAs<IGeometry>(object);
  if (!g) return nullptr;
  VARIANT_BOOL empty = VARIANT_TRUE;
  g->get_IsEmpty(&empty);
  if (empty) return nullptr;
  ComPtr<IEnvelope> e;
  g->get_Envelope(e.put());
  if (e && sr && FAILED(e->Project(sr))) return nullptr;
  return e;
}

ComPtr<ISpatialReference> MapReference(HookStruct& hook) {
  ComPtr<IMap> map;
  hook.GetFocusMap(map.put());
  ComPtr<IUnknown> reference;
  if (map) map->get_SpatialReference(reference.put());
  return QueryAs<ISpatialReference>(reference.get());
}

void PutColour(IUnknown* symbolHolder, LONG rgb) {
  auto colour = CreateHostObject<IColor>(host::CLSID_RgbColor);
  colour->put_RGB(rgb);
  if (auto marker = QueryAs<IMarkerElement>(symbolHolder)) {
    ComPtr<IMarkerSymbol> s;
    marker->get_Symbol(s.put());
    if (s) {
      s->put_Color(colour.get());
      marker->put_Symbol(s.get());
    }
  } else if (auto fill = QueryAs<IFillShapeElement>(symbolHolder)) {
    ComPtr<IFillSymbol> s;
    fill->get_Symbol(s.put());
    if (s) {
      s->put_Color(colour.get());
      fill->put_Symbol(s.get());
    }
  }
}

}  // namespace

RadialLosDlg::RadialLosDlg() {
  m_interfaceIds = {IidOf<IRasterLayer>(), IidOf<IZelDtedLayer>()};
  for (int i = 0; i < 4; ++i)
    m_bitmaps[i] = static_cast<HBITMAP>(
        ::LoadImageW(ResourceInstance(), MAKEINTRESOURCEW(kBitmapIds[i]), IMAGE_BITMAP, 0, 0,
                     LR_DEFAULTSIZE | LR_LOADTRANSPARENT | LR_LOADMAP3DCOLORS));
}

RadialLosDlg::~RadialLosDlg() {
  if (m_listener) {
    try {
      m_listener->StopListening(true);
    } catch (...) {
      // A host that has gone has no current tool to clear.
    }
  }
  for (HBITMAP b : m_bitmaps)
    if (b) ::DeleteObject(b);
}

RadialLosObserver RadialLosDlg::NewObserver() {
  RadialLosObserver o;
  auto marker = CreateHostObject<IElement>(host::CLSID_MarkerElement);
  auto fill = CreateHostObject<IElement>(host::CLSID_PolygonElement);
  if (m_settings) {
    ComPtr<IUnknown> symbol;
    m_settings->GetSymbol(velkZelTerrainRLOSObserverSym, symbol.put());
    if (auto s = QueryAs<IMarkerSymbol>(symbol.get()))
      RequireInterface<IMarkerElement>(marker.get())->put_Symbol(s.get());
    symbol.Reset();
    m_settings->GetSymbol(velkZelTerrainRLOSExtentSym, symbol.put());
    if (auto s = QueryAs<IFillSymbol>(symbol.get()))
      RequireInterface<IFillShapeElement>(fill.get())->put_Symbol(s.get());
  }
  o.markerElement = marker;
  o.extentElement = fill;
  return o;
}

LRESULT RadialLosDlg::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&) {
  RegisterModelessDialog(m_hWnd);
  try {
    if (auto zel = FindZelExtension()) {
      ComPtr<IZelSettings> settings;
      zel->get_Settings(settings.put());
      m_settings = QueryAs<ITerrainSettings>(settings.get());
    }
  } catch (...) {
    m_settings.Reset();  // the previews then draw with the host's default symbols
  }
  m_current = NewObserver();
  m_wgs84 = MakeWgs84();
  for (int i = 0; i < 4; ++i)
    ::SendMessageW(Item(kBitmapButtons[i]), BM_SETIMAGE, IMAGE_BITMAP,
                   reinterpret_cast<LPARAM>(m_bitmaps[i]));
  ::ShowWindow(Item(rld::kBrowse), SW_HIDE);
  return TRUE;
}

void RadialLosDlg::Refill() {
  CWindowWithLayersImpl::FillLayerCombo();
  if (!::IsWindow(m_hWnd)) return;
  ResetObserverControls();
  MeasureModeHeights();
  SetUpObserverColumns();
  OnRangeEditKillFocus(0);
  m_selectedRow = -999;
  TakeSelectedSurface();
  UpdateControlStates();
}

void RadialLosDlg::ResetObserverControls() {
  const std::wstring none = LoadResString(kIdsNone);
  ::SetDlgItemTextW(m_hWnd, rld::kLatitude, none.c_str());
  ::SetDlgItemTextW(m_hWnd, rld::kLongitude, none.c_str());
  for (const auto& d : kDefaults) SetDlgItemDouble(m_hWnd, d.id, d.value, 0, none);
  EraseObserverGraphics(m_current);
}

void RadialLosDlg::MeasureModeHeights() {
  if (m_expandedHeight < 0) {
    RECT window{}, button{};
    ::GetWindowRect(m_hWnd, &window);
    ::GetWindowRect(Item(rld::kMode), &button);
    m_expandedHeight = window.bottom - window.top;
    m_collapsedHeight = button.bottom - window.top + 10;
  }
  ShowSingleObserver();
}

void RadialLosDlg::ShowSingleObserver() {
  RECT r{};
  ::GetWindowRect(m_hWnd, &r);
  ::SetWindowPos(m_hWnd, nullptr, 0, 0, r.right - r.left, m_collapsedHeight,
                 SWP_NOMOVE | SWP_NOZORDER);
  m_multipleMode = false;
  for (int id : {rld::kAdd, rld::kRemove, rld::kList}) ::EnableWindow(Item(id), FALSE);
  EraseAllObserverGraphics(false);
  ::SetDlgItemTextW(m_hWnd, rld::kMode, LoadResString(kIdsMultipleObservers).c_str());
  ::SetFocus(Item(rld::kMode));
}

void RadialLosDlg::ShowMultipleObservers() {
  RECT r{};
  ::GetWindowRect(m_hWnd, &r);
  ::SetWindowPos(m_hWnd, nullptr, 0, 0, r.right - r.left, m_expandedHeight,
                 SWP_NOMOVE | SWP_NOZORDER);
  m_multipleMode = true;
  for (int id : {rld::kAdd, rld::kRemove, rld::kList}) ::EnableWindow(Item(id), TRUE);
  ShowAllObserverGraphics();
  ::SetDlgItemTextW(m_hWnd, rld::kMode, LoadResString(kIdsSingleObserver).c_str());
  UpdateControlStates();
}

void RadialLosDlg::SetUpObserverColumns() {
  HWND list = Item(rld::kList);
  ::SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
  LVCOLUMNW first;
  first.mask = LVCF_WIDTH;
  if (::SendMessageW(list, LVM_GETCOLUMNW, 0, reinterpret_cast<LPARAM>(&first))) return;
  RECT client{};
  ::GetClientRect(list, &client);
  for (int i = 0; i < 12; ++i) {
    std::wstring title = LoadResString(kIdsFirstColumn + i);
    LVCOLUMNW column;
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = LVCFMT_LEFT;
    column.cx = (client.right - client.left) / 6;
    column.pszText = title.data();
    column.iSubItem = i;
    ::SendMessageW(list, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
  }
}

void RadialLosDlg::TakeSelectedSurface() {
  const LRESULT sel = ::SendMessageW(Item(rld::kSurface), CB_GETCURSEL, 0, 0);
  m_selectedIndex = static_cast<LONG>(sel);
  if (sel >= 0 && static_cast<std::size_t>(sel) < m_layers.size())
    m_surfaceLayer = m_layers[static_cast<std::size_t>(sel)];
}

LRESULT RadialLosDlg::OnSurfaceChanged(WORD, WORD, HWND, BOOL&) {
  TakeSelectedSurface();
  return 0;
}

void RadialLosDlg::UpdateControlStates() {
  if (!::IsWindow(m_hWnd)) return;
  const BOOL haveSurface = ::SendMessageW(Item(rld::kSurface), CB_GETCOUNT, 0, 0) >= 1;
  ::EnableWindow(Item(rld::kStart), haveSurface);
  const bool currentMissing = m_current.markerOff;
  bool firstMissing = true;
  if (m_multipleMode && RowCount() > 0 && !m_observers.empty())
    firstMissing = m_observers.front().markerOff;
  for (int id : {rld::kOk, rld::kAdd, rld::kRemove})
    ::EnableWindow(Item(id), currentMissing && firstMissing ? FALSE : haveSurface);
  for (int id : {rld::kLatitude, rld::kLongitude, rld::kCentreOffset, rld::kTerrainOffset,
                 rld::kDistanceNear, rld::kDistanceFar, rld::kAzimuthFrom, rld::kAzimuthTo,
                 rld::kElevationFrom, rld::kElevationTo, rld::kUseElevation})
    ::EnableWindow(Item(id), haveSurface);
  UpdateObserverElevationControls();
  for (int id : {rld::kSurface, rld::kMode, rld::kList}) ::EnableWindow(Item(id), haveSurface);
}

void RadialLosDlg::UpdateObserverElevationControls() {
  const BOOL on = ::SendMessageW(Item(rld::kUseElevation), BM_GETCHECK, 0, 0) != 0;
  ::EnableWindow(Item(rld::kObserverElevation), on);
  ::EnableWindow(Item(rld::kElevationUnit), on);
}

LRESULT RadialLosDlg::OnUseElevation(WORD, WORD, HWND, BOOL&) {
  UpdateObserverElevationControls();
  return 0;
}

RadialLosObserver RadialLosDlg::ReadObserverFromControls(int focusId) {
  bool shown = false;
  RadialLosObserver& o = m_current;
  shown = ReadDlgItemDouble(m_hWnd, rld::kLongitude, &o.longitude, shown);
  shown = ReadDlgItemDouble(m_hWnd, rld::kLatitude, &o.latitude, shown);
  shown = ReadDlgItemDouble(m_hWnd, rld::kCentreOffset, &o.centreOffset, shown);
  shown = ReadDlgItemDouble(m_hWnd, rld::kTerrainOffset, &o.terrainOffset, shown);
  shown = ReadDlgItemDouble(m_hWnd, rld::kDistanceNear, &o.distanceNear, shown);
  shown = ReadDlgItemDouble(m_hWnd, rld::kDistanceFar, &o.distanceFar, shown);
  // A distance that is no number is said at Ok, not taken as 0 here.
  const bool distancesTyped =
      ParseFieldNumber(win::WindowText(Item(rld::kDistanceNear)), nullptr) &&
      ParseFieldNumber(win::WindowText(Item(rld::kDistanceFar)), nullptr);
  if (!shown && distancesTyped && o.distanceFar <= o.distanceNear) {
    const bool alreadySaid = o.distanceNear == m_saidNear && o.distanceFar == m_saidFar;
    m_movingFocus = true;
    if (!alreadySaid) {
      m_saidNear = o.distanceNear;
      m_saidFar = o.distanceFar;
      ShowMessageBox(m_hWnd, kIdsNearBeyondFar, kErrorCaptionId, MB_ICONEXCLAMATION);
    }
    ::SetFocus(Item(focusId));
    m_movingFocus = false;
    shown = true;
  }
  shown = ReadDlgItemDouble(m_hWnd, rld::kAzimuthFrom, &o.azimuthFrom, shown);
  shown = ReadDlgItemDouble(m_hWnd, rld::kAzimuthTo, &o.azimuthTo, shown);
  shown = ReadDlgItemDouble(m_hWnd, rld::kElevationFrom, &o.elevationFrom, shown);
  shown = ReadDlgItemDouble(m_hWnd, rld::kElevationTo, &o.elevationTo, shown);
  ReadDlgItemDouble(m_hWnd, rld::kObserverElevation, &o.observerElevation, shown);
  return o;
}

LRESULT RadialLosDlg::OnKillFocus(WORD, WORD id, HWND, BOOL& handled) {
  if (m_movingFocus) return 0;
  switch (id) {
    case rld::kDistanceNear:
    case rld::kDistanceFar:
    case rld::kAzimuthFrom:
    case rld::kAzimuthTo: OnRangeEditKillFocus(id); return 0;
    case rld::kLatitude:
    case rld::kLongitude:
    case rld::kCentreOffset:
    case rld::kTerrainOffset:
    case rld::kElevationFrom:
    case rld::kElevationTo:
    case rld::kObserverElevation: ReadObserverFromControls(id); return 0;
    default: handled = FALSE; return 0;
  }
}

void RadialLosDlg::OnRangeEditKillFocus(int id) {
  RadialLosObserver cur = ReadObserverFromControls(id);
  auto& remembered = RememberedRanges();
  if (remembered &&
      (cur.distanceNear != remembered->distanceNear || cur.distanceFar != remembered->distanceFar ||
       cur.azimuthFrom != remembered->azimuthFrom || cur.azimuthTo != remembered->azimuthTo) &&
      cur.distanceFar >= cur.distanceNear) {
    auto area = BuildObserverGraphics(m_current);
    RefreshGraphics(area.get());
  }
  remembered = cur;
}

void RadialLosDlg::OnObserverPoint(IPoint* point) {
  if (!::IsWindow(m_hWnd) || !point) return;
  if (m_selectedRow > -1 && m_selectedRow < RowCount())
    SetObserverColour(m_observers[static_cast<std::size_t>(m_selectedRow)], kBlue);
  double x = 0, y = 0;
  point->QueryCoords(&x, &y);
  const std::wstring none = LoadResString(kIdsNone);
  SetDlgItemDouble(m_hWnd, rld::kLongitude, x, 6, none);
  SetDlgItemDouble(m_hWnd, rld::kLatitude, y, 6, none);
  PlaceObserver(m_current, x, y);
  auto area = BuildObserverGraphics(m_current);
  RefreshGraphics(area.get());
  UpdateControlStates();
}

LRESULT RadialLosDlg::OnStart(WORD, WORD, HWND, BOOL&) {
  if (!m_listener) return 0;
  try {
    if (::IsDlgButtonChecked(m_hWnd, rld::kStart) == BST_CHECKED)
      m_listener->StartListening(true);
    else
      m_listener->StopListening(false);
  } catch (...) {
    // Without the coordinate tool there are no points to take; the dialog stays usable.
  }
  return 0;
}

// ---- Preview graphics ----

ComPtr<IPolygon> RadialLosDlg::BuildObserverGraphics(RadialLosObserver& o) {
  if (!o.location || (o.elevationFrom == 0 && o.elevationTo == 0) ||
      o.distanceFar <= o.distanceNear || (o.azimuthFrom == 0 && o.azimuthTo == 0))
    return nullptr;
  o.extent = BuildObserverExtent(o.location.get(), o.distanceNear, o.distanceFar, o.azimuthFrom,
                                 o.azimuthTo);
  auto mapSr = MapReference(Hook());
  if (o.extent && mapSr && o.projection) {
    VARIANT_BOOL same = VARIANT_FALSE;
    mapSr->IsSame(o.projection.get(), &same);
    if (!same) {
      o.extent->put_SpatialReference(o.projection.get());
      o.extent->Project(mapSr.get());
    }
  }
  auto graphics = MapGraphics(Hook());
  auto place = [&](IElement* element, IGeometry* geometry, bool& off) {
    if (!element || !geometry || !graphics) return;
    element->put_Geometry(geometry);
    if (off) {
      off = false;
      graphics->AddElement(element, 0);
    }
  };
  place(o.markerElement.get(), QueryAs<IGeometry>(o.location.get()).get(), o.markerOff);
  place(o.extentElement.get(), QueryAs<IGeometry>(o.extent.get()).get(), o.extentOff);
  return o.extent;
}

void RadialLosDlg::EraseObserverGraphics(RadialLosObserver& o) {
  auto graphics = MapGraphics(Hook());
  for (auto [element, off] : {std::pair{o.markerElement.get(), &o.markerOff},
                              std::pair{o.extentElement.get(), &o.extentOff}}) {
    if (!element) continue;
    if (graphics && !*off) graphics->DeleteElement(element);
    *off = true;
  }
  ComPtr<IActiveView> view;
  Hook().GetActiveView(view.put());
  if (view) view->PartialRefresh(kViewGraphics, nullptr, nullptr);
}

void RadialLosDlg::EraseAllObserverGraphics(bool withCurrent) {
  if (withCurrent) EraseObserverGraphics(m_current);
  for (auto& o : m_observers) EraseObserverGraphics(o);
}

void RadialLosDlg::ShowAllObserverGraphics() {
  if (m_observers.empty()) return;
  ComPtr<IPolygon> last = BuildObserverGraphics(m_current);
  for (auto& o : m_observers) last = BuildObserverGraphics(o);
  RefreshGraphics(last.get());
}

void RadialLosDlg::SetObserverColour(RadialLosObserver& o, LONG rgb) {
  if (o.markerElement) PutColour(o.markerElement.get(), rgb);
  if (o.extentElement) PutColour(o.extentElement.get(), rgb);
}

ComPtr<IEnvelope> RadialLosDlg::GetObserverGraphicsExtent() {
  ComPtr<IEnvelope> all;
  auto mapSr = MapReference(Hook());
  auto add = [&](const RadialLosObserver& o) {
    for (auto [geometry, off] : {std::pair{ComPtr<IUnknown>(o.location), o.markerOff},
                                 std::pair{ComPtr<IUnknown>(o.extent), o.extentOff}}) {
      if (off) continue;
      auto e = EnvelopeOfGeometry(geometry.get(), mapSr.get());
      if (!e) continue;
      if (all)
        all->Union(e.get());
      else
        all = e;
    }
  };
  add(m_current);
  for (const auto& o : m_observers) add(o);
  if (!all) {
    ComPtr<IActiveView> view;
    Hook().GetActiveView(view.put());
    ComPtr<IScreenDisplay> display;
    if (view) view->get_ScreenDisplay(display.put());
    ComPtr<IDisplayTransformation> transformation;
    if (display) display->get_DisplayTransformation(transformation.put());
    if (transformation) transformation->get_VisibleBounds(all.put());
  }
  return all;
}

void RadialLosDlg::RefreshGraphics(IPolygon* area) {
  ComPtr<IEnvelope> all = GetObserverGraphicsExtent();
  if (auto e = EnvelopeOfGeometry(area, MapReference(Hook()).get())) {
    if (all)
      all->Union(e.get());
    else
      all = e;
  }
  if (!all) return;
  ComPtr<IActiveView> view;
  Hook().GetActiveView(view.put());
  if (view) view->PartialRefresh(kViewGraphics, nullptr, all.get());
}

// ---- The observer list ----

int RadialLosDlg::RowCount() const {
  return static_cast<int>(::SendMessageW(Item(rld::kList), LVM_GETITEMCOUNT, 0, 0));
}

void RadialLosDlg::Renumber() {
  HWND list = Item(rld::kList);
  for (int i = 0; i < RowCount(); ++i) {
    std::wstring text;
    FormatLongAsText(text, i + 1);
    LVITEMW item;
    item.iSubItem = 0;
    item.pszText = text.data();
    ::SendMessageW(list, LVM_SETITEMTEXTW, i, reinterpret_cast<LPARAM>(&item));
  }
}

void RadialLosDlg::AddObserverRow(const RadialLosObserver& obs) {
  RadialLosObserver n = obs;
  RadialLosObserver fresh = NewObserver();
  n.markerElement = fresh.markerElement;
  n.extentElement = fresh.extentElement;
  n.markerOff = n.extentOff = true;
  n.extent.Reset();
  EraseObserverGraphics(m_current);
  BuildObserverGraphics(n);
  m_observers.push_back(n);
  HWND list = Item(rld::kList);
  const int row = RowCount();
  std::wstring number;
  FormatLongAsText(number, row + 1);
  LVITEMW item;
  item.mask = LVIF_TEXT;
  item.iItem = row;
  item.pszText = number.data();
  const int at = static_cast<int>(::SendMessageW(list, LVM_INSERTITEMW, 0,
                                                 reinterpret_cast<LPARAM>(&item)));
  m_selectedRow = at;
  const double values[11] = {obs.latitude,      obs.longitude,    obs.centreOffset,
                             obs.terrainOffset, obs.distanceNear, obs.distanceFar,
                             obs.azimuthFrom,   obs.azimuthTo,    obs.elevationFrom,
                             obs.elevationTo,   obs.observerElevation};
  for (int c = 0; c < 11; ++c) {
    std::wstring text;
    FormatDoubleAsText(text, values[c]);
    LVITEMW sub;
    sub.iSubItem = c + 1;
    sub.pszText = text.data();
    ::SendMessageW(list, LVM_SETITEMTEXTW, at, reinterpret_cast<LPARAM>(&sub));
  }
}

void RadialLosDlg::RemoveObserverRow(int row) {
  ::SendMessageW(Item(rld::kList), LVM_DELETEITEM, row, 0);
  if (row >= 0 && static_cast<std::size_t>(row) < m_observers.size()) {
    EraseObserverGraphics(m_observers[static_cast<std::size_t>(row)]);
    m_observers.erase(m_observers.begin() + row);
  }
  UpdateControlStates();
}

void RadialLosDlg::RemoveAllObservers() {
  for (int i = RowCount() - 1; i >= 0; --i) RemoveObserverRow(i);
  // Rows kept while the window was gone are dropped with their records.
  while (!m_observers.empty()) {
    EraseObserverGraphics(m_observers.back());
    m_observers.pop_back();
  }
  UpdateControlStates();
}

bool RadialLosDlg::ObserverFieldsAreNumbers() {
  if (!CheckDlgItemNumbers(m_hWnd, {{rld::kCentreOffset, L"Center Offset"},
                                    {rld::kTerrainOffset, L"Terrain Offset"},
                                    {rld::kDistanceNear, L"Distance Range (from)"},
                                    {rld::kDistanceFar, L"Distance Range (to)"},
                                    {rld::kAzimuthFrom, L"Azimuth Range (from)"},
                                    {rld::kAzimuthTo, L"Azimuth Range (to)"},
                                    {rld::kElevationFrom, L"Elevation Range (from)"},
                                    {rld::kElevationTo, L"Elevation Range (to)"}}))
    return false;
  // The observer elevation counts only while its box is checked.
  return ::IsDlgButtonChecked(m_hWnd, rld::kUseElevation) != BST_CHECKED ||
         CheckDlgItemNumbers(m_hWnd, {{rld::kObserverElevation, L"Observer Elevation"}});
}

LRESULT RadialLosDlg::OnAdd(WORD, WORD, HWND, BOOL&) {
  // A text that is no number would be listed as 0.
  if (!ObserverFieldsAreNumbers()) return 0;
  RadialLosObserver c = ReadObserverFromControls(rld::kDistanceNear);
  auto area = BuildObserverGraphics(c);
  RefreshGraphics(area.get());
  AddObserverRow(c);
  return 0;
}

LRESULT RadialLosDlg::OnRemove(WORD, WORD, HWND, BOOL&) {
  HWND list = Item(rld::kList);
  if (::SendMessageW(list, LVM_GETSELECTEDCOUNT, 0, 0) == 0) return 0;
  for (int i = RowCount() - 1; i >= 0; --i)
    if (::SendMessageW(list, LVM_GETITEMSTATE, i, LVIS_SELECTED) & LVIS_SELECTED)
      RemoveObserverRow(i);
  Renumber();
  UpdateControlStates();
  return 0;
}

LRESULT RadialLosDlg::OnClear(WORD, WORD, HWND, BOOL&) {
  RemoveAllObservers();
  ResetObserverControls();
  UpdateControlStates();
  return 0;
}

LRESULT RadialLosDlg::OnMode(WORD, WORD, HWND, BOOL&) {
  if (m_multipleMode)
    ShowSingleObserver();
  else
    ShowMultipleObservers();
  return 0;
}

LRESULT RadialLosDlg::OnListClick(int, LPNMHDR header, BOOL&) {
  auto* click = reinterpret_cast<NMITEMACTIVATE*>(header);
  LVHITTESTINFO hit;
  hit.pt = click->ptAction;
  const int row = static_cast<int>(
      ::SendMessageW(Item(rld::kList), LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
  if (m_selectedRow > -1 && m_selectedRow < static_cast<int>(m_observers.size()))
    SetObserverColour(m_observers[static_cast<std::size_t>(m_selectedRow)], kBlue);
  m_selectedRow = row;
  if (row >= 0 && row < static_cast<int>(m_observers.size())) {
    EraseObserverGraphics(m_current);
    auto& o = m_observers[static_cast<std::size_t>(row)];
    SetObserverColour(o, kGreen);
    auto area = BuildObserverGraphics(o);
    RefreshGraphics(area.get());
  }
  return 0;
}

// ---- Ok and Cancel ----

LRESULT RadialLosDlg::OnOK(WORD, WORD, HWND, BOOL&) {
  // A text that is no number would run as 0.
  if (!ObserverFieldsAreNumbers()) return 0;
  if (!m_multipleMode && RowCount() > 0) {
    for (int i = RowCount() - 1; i >= 0; --i) RemoveObserverRow(i);
    ReadObserverFromControls(rld::kDistanceNear);
  }
  NormaliseAzimuths(m_current.azimuthFrom, m_current.azimuthTo);
  const bool inRange = m_current.elevationFrom >= -90 && m_current.elevationFrom <= 90 &&
                       m_current.elevationTo >= -90 && m_current.elevationTo <= 90;
  if (!inRange) {
    ShowMessageBox(m_hWnd, kIdsElevationRange, kErrorCaptionId, MB_ICONEXCLAMATION);
    return 0;
  }
  // Every observer the run uses is checked, not only the current one.
  for (const auto& o : m_observers) {
    if (!(o.elevationFrom >= -90 && o.elevationFrom <= 90 && o.elevationTo >= -90 &&
          o.elevationTo <= 90)) {
      ShowMessageBox(m_hWnd, kIdsElevationRange, kErrorCaptionId, MB_ICONEXCLAMATION);
      return 0;
    }
  }
  RadialLosRunParameters p;
  p.surfaceLayer = m_surfaceLayer;
  if (m_observers.empty())
    p.observers = {m_current};
  else
    p.observers = m_observers;
  p.withObserverElevation = ::IsDlgButtonChecked(m_hWnd, rld::kUseElevation) == BST_CHECKED;
  p.observerExtent = GetObserverGraphicsExtent();
  p.settings = m_settings;
  ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
  try {
    m_lastOutcome = RunRadialLos(Hook(), p);
  } catch (...) {
    // A host object that did not come back ends the run; the dialog stays usable.
    m_lastOutcome = RadialLosRunOutcome();
    m_lastOutcome.statusId = kIdsCouldNotCreateViewshed;
  }
  ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
  for (const auto& m : m_lastOutcome.messages)
    ShowMessageBox(m_hWnd, m.textId, kErrorCaptionId, m.type);
  if (m_lastOutcome.statusId) {
    try {
      ShowStatusTextById(Hook(), 0, m_lastOutcome.statusId);
    } catch (...) {
      // No status bar: the message has nowhere to go.
    }
  }
  return 0;
}

LRESULT RadialLosDlg::OnCancel(WORD, WORD, HWND, BOOL&) {
  if (m_listener) {
    try {
      m_listener->StopListening(true);
    } catch (...) {
      // A host without a current tool has nothing to clear.
    }
  }
  EraseAllObserverGraphics(true);
  ResetObserverControls();
  RemoveAllObservers();
  BOOL handled = TRUE;
  return OnCloseCmd(0, IDCANCEL, nullptr, handled);
}

LRESULT RadialLosDlg::OnCloseCmd(WORD, WORD, HWND, BOOL&) {
  UnregisterModelessDialog(m_hWnd);
  BeforeClose();
  ::DestroyWindow(m_hWnd);
  return 0;
}

}  // namespace velk::corvane
