#include "terrain/linear_los/linear_los_dlg.h"

#include <cmath>
#include <cwchar>
#include <cwctype>
#include <limits>

#include "framework/dialog_field_helpers.h"
#include "framework/extension_lookup.h"
#include "framework/host_object_creation.h"
#include "framework/map_graphics.h"
#include "framework/map_lookups.h"
#include "framework/message_helpers.h"
#include "framework/modeless_dialog_set.h"
#include "interfaces/zel_extension.h"
#include "interfaces/zel_layer_interfaces.h"
#include "platform/com/hresult_text.h"
#include "platform/host/display/active_view.h"
#include "platform/host/data/data_class_ids.h"
#include "platform/host/display/display.h"
#include "platform/host/display/display_class_ids.h"
#include "platform/host/display/layer_kinds.h"
#include "platform/host/display/map.h"
#include "platform/host/data/raster.h"
#include "platform/host/geometry/spatial_reference.h"
#include "platform/host/display/symbol.h"
#include "framework/resource_text.h"

namespace velk::corvane {

namespace {

constexpr UINT kBrowseBitmapId = 3005;
constexpr UINT kPickBitmapId = 3009;
constexpr LONG kDrawPhaseGeography = 8;
constexpr LONG kWgs84 = 4326;
constexpr std::size_t kStart = 0, kEnd = 1, kLine = 2;

HBITMAP LoadBitmap(UINT id) {
  return static_cast<HBITMAP>(::LoadImageW(ResourceInstance(), MAKEINTRESOURCEW(id), IMAGE_BITMAP,
                                           0, 0,
                                           LR_LOADMAP3DCOLORS | LR_DEFAULTSIZE |
                                               LR_LOADTRANSPARENT));
}

// A number in the user's way of writing it: blanks around it, a decimal point or comma.
bool ParseNumber(std::wstring text, double& value) {
  while (!text.empty() && std::iswspace(text.back())) text.pop_back();
  std::size_t start = 0;
  while (start < text.size() && std::iswspace(text[start])) ++start;
  text = text.substr(start);
  if (text.empty()) return false;
  for (wchar_t& c : text)
    if (c == L',') c = L'.';
  wchar_t* end = nullptr;
  value = std::wcstod(text.c_str(), &end);
  return end && *end == L'\0' && std::isfinite(value);
}

ComPtr<ISpatialReference> MapReference(HookStruct& hook) {
  ComPtr<IMap> map;
  hook.GetFocusMap(map.put());
  if (!map) return nullptr;
  ComPtr<IUnknown> sr;
  map->get_SpatialReference(sr.put());
  return QueryAs<ISpatialReference>(sr.get());
}

}  // namespace

LinearLosDlg::LinearLosDlg() {
  m_interfaceIds = {IidOf<IRasterLayer>(), IidOf<IZelDtedLayer>()};
  m_browseBitmap = LoadBitmap(kBrowseBitmapId);
  m_pickBitmap = LoadBitmap(kPickBitmapId);
  try {
    auto factory = CreateHostObject<ISpatialReferenceFactory>(host::CLSID_SpatialReferenceFactory);
    ComPtr<IGeographicCoordinateSystem> gcs;
    Check(factory->CreateGeographicCoordinateSystem(kWgs84, gcs.put()));
    m_wgs84 = gcs.As<ISpatialReference>();
  } catch (...) {
    // Without the host's reference factory the points go without a system.
  }
}

LinearLosDlg::~LinearLosDlg() {
  try {
    if (m_listener) m_listener->StopListening(true);
  } catch (...) {
    // The host may be gone already.
  }
  if (m_browseBitmap) ::DeleteObject(m_browseBitmap);
  if (m_pickBitmap) ::DeleteObject(m_pickBitmap);
}

LRESULT LinearLosDlg::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&) {
  RegisterModelessDialog(m_hWnd);
  ::SendDlgItemMessageW(m_hWnd, lld::kBrowse, BM_SETIMAGE, IMAGE_BITMAP,
                        reinterpret_cast<LPARAM>(m_browseBitmap));
  for (int id : {lld::kPickStart, lld::kPickEnd})
    ::SendDlgItemMessageW(m_hWnd, id, BM_SETIMAGE, IMAGE_BITMAP,
                          reinterpret_cast<LPARAM>(m_pickBitmap));
  // The browse button is never offered.
  ::ShowWindow(::GetDlgItem(m_hWnd, lld::kBrowse), SW_HIDE);
  m_initialised = true;
  return 1;
}

void LinearLosDlg::Init() {
  if (!::IsWindow(m_hWnd)) return;
  try {
    CWindowWithLayersImpl::FillLayerCombo();
    ::CheckDlgButton(m_hWnd, lld::kPickStart, BST_UNCHECKED);
    ::CheckDlgButton(m_hWnd, lld::kPickEnd, BST_UNCHECKED);
    auto extension = FindZelExtension();
    m_settings.Reset();
    if (extension) extension->get_Settings(m_settings.put());
    auto terrain = QueryAs<ITerrainSettings>(m_settings.get());
    const LONG kinds[3] = {velkZelTerrainLLOSStartPointSymbol1,
                           velkZelTerrainLLOSStartPointSymbol2, velkZelTerrainLLOSVisibleSymbol};
    for (std::size_t i = 0; i < 3; ++i) {
      ComPtr<IUnknown> symbol;
      if (terrain) terrain->GetSymbol(kinds[i], symbol.put());
      if (i < 2) {
        auto marker = CreateHostObject<IMarkerElement>(host::CLSID_MarkerElement);
        if (auto s = QueryAs<IMarkerSymbol>(symbol.get())) Check(marker->put_Symbol(s.get()));
        m_elements[i] = RequireInterface<IElement>(marker.get());
      } else {
        auto line = CreateHostObject<ILineElement>(host::CLSID_LineElement);
        if (auto s = QueryAs<ILineSymbol>(symbol.get())) Check(line->put_Symbol(s.get()));
        m_elements[i] = RequireInterface<IElement>(line.get());
      }
      m_offMap[i] = true;
      m_geometries[i].Reset();
    }
    SelectCurrentLayer();
    SelectSurfaceLayer();
  } catch (...) {
    ShowError(std::current_exception());
  }
  ClearPoints();
  UpdateControls();
}

void LinearLosDlg::SelectSurfaceLayer() {
  const LRESULT selected = ::SendDlgItemMessageW(m_hWnd, lld::kSurface, CB_GETCURSEL, 0, 0);
  if (selected < 0) return;
  if (static_cast<std::size_t>(selected) >= m_layers.size()) ThrowComError(E_INVALIDARG);
  m_surfaceLayer = m_layers[static_cast<std::size_t>(selected)];
  if (auto surfaceLayer = QueryAs<ISurfaceLayer>(m_surfaceLayer.get())) {
    ComPtr<ISurface> surface;
    Check(surfaceLayer->get_Surface(surface.put()));
    m_surfaceDataset = surface.As<IUnknown>();
  } else if (auto raster = QueryAs<IRasterLayer>(m_surfaceLayer.get())) {
    ComPtr<IRaster> r;
    raster->get_Raster(r.put());
    if (auto bands = QueryAs<IRasterBandCollection>(r.get())) {
      ComPtr<IRasterBand> band;
      Check(bands->Item(0, band.put()));
      m_surfaceDataset = band.As<IUnknown>();
    }
  }
}

ComPtr<IActiveView> LinearLosDlg::View() { return GetDrawingView(Hook()); }

ComPtr<IEnvelope> LinearLosDlg::GetGraphicsEnvelope() {
  ComPtr<IEnvelope> result;
  ComPtr<IActiveView> view = View();
  ComPtr<IScreenDisplay> display;
  if (view) view->get_ScreenDisplay(display.put());
  for (std::size_t i = 0; i < 3; ++i) {
    if (!m_elements[i]) ThrowComError(E_POINTER);
    if (m_offMap[i]) continue;
    auto bounds = CreateHostObject<IPolygon>(host::CLSID_Polygon);
    Check(m_elements[i]->QueryBounds(QueryAs<IDisplay>(display.get()).get(), bounds.get()));
    ComPtr<IEnvelope> envelope;
    Check(bounds->get_Envelope(envelope.put()));
    if (!result)
      result = envelope;
    else
      Check(result->Union(envelope.get()));
  }
  return result;
}

void LinearLosDlg::UpdateLineOfSightGraphics() {
  ComPtr<IActiveView> view = View();
  if (!view) ThrowComError(E_POINTER);
  auto container = RequireInterface<IGraphicsContainer>(view.get());
  ComPtr<ISpatialReference> mapSr = MapReference(Hook());
  if (m_geometries[kStart] && m_geometries[kEnd]) {
    auto line = CreateHostObject<IPolyline>(host::CLSID_Polyline);
    auto points = RequireInterface<IPointCollection>(line.get());
    Check(points->AddPoint(RequireInterface<IPoint>(m_geometries[kStart].get()).get()));
    Check(points->AddPoint(RequireInterface<IPoint>(m_geometries[kEnd].get()).get()));
    if (!SameSpatialReference(m_wgs84.get(), mapSr.get())) {
      Check(line->put_SpatialReference(m_wgs84.get()));
      if (mapSr) Check(line->Project(mapSr.get()));
    }
    m_geometries[kLine] = RequireInterface<IGeometry>(line.get());
  }
  ComPtr<IEnvelope> before = GetGraphicsEnvelope();
  for (std::size_t i = 0; i < 3; ++i) {
    if (!m_elements[i]) ThrowComError(E_POINTER);
    if (!m_geometries[i]) continue;
    Check(m_elements[i]->put_Geometry(m_geometries[i].get()));
    if (m_offMap[i]) {
      m_offMap[i] = false;
      Check(container->AddElement(m_elements[i].get(), 0));
    }
  }
  ComPtr<IEnvelope> after = GetGraphicsEnvelope();
  ComPtr<IEnvelope> area = before ? before : after;
  if (before && after) Check(area->Union(after.get()));
  if (area) Check(View()->PartialRefresh(kDrawPhaseGeography, nullptr, area.get()));
}

void LinearLosDlg::RemoveLineOfSightGraphics() {
  ComPtr<IEnvelope> before = GetGraphicsEnvelope();
  ComPtr<IMap> map;
  Hook().GetFocusMap(map.put());
  if (!m_surfaceLayer || !map) return;
  ComPtr<IActiveView> view = View();
  if (!view) ThrowComError(E_POINTER);
  auto container = RequireInterface<IGraphicsContainer>(view.get());
  for (std::size_t i = 0; i < 3; ++i) {
    if (!m_elements[i]) ThrowComError(E_POINTER);
    if (!m_geometries[i] || m_offMap[i]) continue;
    Check(container->DeleteElement(m_elements[i].get()));
    m_offMap[i] = true;
    m_geometries[i].Reset();
  }
  if (before) {
    ComPtr<IScreenDisplay> display;
    Check(view->get_ScreenDisplay(display.put()));
    SHORT cache = 0;
    Check(view->get_ScreenCacheID(kDrawPhaseGeography, &cache));
    Check(display->Invalidate(before.get(), VARIANT_TRUE, cache));
  }
}

void LinearLosDlg::ClearPoints() {
  if (!::IsWindow(m_hWnd)) return;
  const std::wstring none = LoadResString(kIdsNone);
  for (int id : {lld::kStartLongitude, lld::kStartLatitude, lld::kEndLongitude, lld::kEndLatitude})
    ::SetDlgItemTextW(m_hWnd, id, none.c_str());
  m_startPicked = m_endPicked = false;
  SetDlgItemDouble(m_hWnd, lld::kStartOffset, 2.0, 0, none);
  SetDlgItemDouble(m_hWnd, lld::kEndOffset, 2.0, 0, none);
}

void LinearLosDlg::UpdateControls() {
  if (!::IsWindow(m_hWnd)) return;
  const LRESULT n = ::SendDlgItemMessageW(m_hWnd, lld::kSurface, CB_GETCOUNT, 0, 0);
  for (int id : {lld::kPickEnd, lld::kPickStart, lld::kClear, lld::kStartLatitude,
                 lld::kStartLongitude, lld::kStartOffset, lld::kEndLatitude, lld::kEndLongitude,
                 lld::kEndOffset, lld::kSurface})
    ::EnableWindow(::GetDlgItem(m_hWnd, id), n >= 1);
  ::EnableWindow(::GetDlgItem(m_hWnd, lld::kOk), n >= 1 && m_startPicked && m_endPicked);
}

void LinearLosDlg::OnPointPicked(IPoint* wgs84) {
  if (!::IsWindow(m_hWnd) || !wgs84) return;
  try {
    double x = 0, y = 0;
    Check(wgs84->QueryCoords(&x, &y));
    auto point = CreateHostObject<IPoint>(host::CLSID_Point);
    Check(point->PutCoords(x, y));
    Check(point->put_SpatialReference(m_wgs84.get()));
    const std::wstring none = LoadResString(kIdsNone);
    if (m_pickMode == 1) {
      SetDlgItemDouble(m_hWnd, lld::kStartLongitude, x, 6, none);
      SetDlgItemDouble(m_hWnd, lld::kStartLatitude, y, 6, none);
      m_geometries[kStart] = RequireInterface<IGeometry>(point.get());
      m_startPicked = true;
    } else if (m_pickMode == 2) {
      SetDlgItemDouble(m_hWnd, lld::kEndLongitude, x, 6, none);
      SetDlgItemDouble(m_hWnd, lld::kEndLatitude, y, 6, none);
      m_geometries[kEnd] = RequireInterface<IGeometry>(point.get());
      m_endPicked = true;
    }
    UpdateControls();
    UpdateLineOfSightGraphics();
  } catch (...) {
    ShowError(std::current_exception());
  }
}

void LinearLosDlg::TogglePicking(int mode) {
  const int own = mode == 1 ? lld::kPickStart : lld::kPickEnd;
  const int other = mode == 1 ? lld::kPickEnd : lld::kPickStart;
  ::CheckDlgButton(m_hWnd, other, BST_UNCHECKED);
  try {
    if (m_pickMode == mode) {
      m_pickMode = 0;
      ::CheckDlgButton(m_hWnd, own, BST_UNCHECKED);
      if (m_listener) m_listener->StopListening(false);
    } else {
      m_pickMode = mode;
      ::CheckDlgButton(m_hWnd, own, BST_CHECKED);
      if (mode == 1) FindCoordToolCommand(Hook());
      if (m_listener) m_listener->StartListening(true);
    }
  } catch (...) {
    ShowError(std::current_exception());
  }
}

LRESULT LinearLosDlg::OnPickStart(WORD, WORD, HWND, BOOL&) {
  TogglePicking(1);
  return 0;
}

LRESULT LinearLosDlg::OnPickEnd(WORD, WORD, HWND, BOOL&) {
  TogglePicking(2);
  return 0;
}

LRESULT LinearLosDlg::OnLayerSelChange(WORD, WORD, HWND, BOOL&) {
  m_selectedIndex =
      static_cast<LONG>(::SendDlgItemMessageW(m_hWnd, lld::kSurface, CB_GETCURSEL, 0, 0));
  try {
    SelectSurfaceLayer();
  } catch (...) {
    ShowError(std::current_exception());
  }
  return 0;
}

LRESULT LinearLosDlg::OnClear(WORD, WORD, HWND, BOOL&) {
  ClearPoints();
  UpdateControls();
  try {
    RemoveLineOfSightGraphics();
  } catch (...) {
    ShowError(std::current_exception());
  }
  return 0;
}

LRESULT LinearLosDlg::OnClose(UINT, WPARAM, LPARAM, BOOL& handled) {
  try {
    if (m_listener) m_listener->StopListening(true);
  } catch (...) {
    ShowError(std::current_exception());
  }
  handled = FALSE;  // the default processing sends IDCANCEL
  return 0;
}

LRESULT LinearLosDlg::OnCancel(WORD, WORD, HWND, BOOL&) {
  try {
    if (m_listener) m_listener->StopListening(true);
    m_pickMode = 0;
    RemoveLineOfSightGraphics();
  } catch (...) {
    ShowError(std::current_exception());
  }
  ClearPoints();
  UnregisterModelessDialog(m_hWnd);
  BeforeClose();
  ::DestroyWindow(m_hWnd);
  return 0;
}

LRESULT LinearLosDlg::OnCloseCmd(WORD, WORD, HWND, BOOL&) {
  // Enter: the window goes; picking and graphics stay as they are.
  UnregisterModelessDialog(m_hWnd);
  BeforeClose();
  ::DestroyWindow(m_hWnd);
  return 0;
}

double LinearLosDlg::ReadOffset(int id, bool& errorShown) {
  wchar_t text[64] = {};
  ::GetDlgItemTextW(m_hWnd, id, text, 64);
  double value = 0.0;
  if (text[0] == L'\0') {
    errorShown = ReadDlgItemDouble(m_hWnd, id, &value, errorShown);
    return 0.0;
  }
  if (!ParseNumber(text, value)) {
    FlashInputError(::GetDlgItem(m_hWnd, id), true);
    return std::numeric_limits<double>::quiet_NaN();
  }
  return value;
}

void LinearLosDlg::ShowError(const std::exception_ptr& error) { ShowComErrorBox(m_hWnd, error); }

LRESULT LinearLosDlg::OnOK(WORD, WORD, HWND, BOOL&) {
  m_analysisExtension = IsExtensionEnabled(SorrelinName().Copy());
  if (!m_analysisExtension) {
    try {
      ShowStatusTextById(Hook(), 0, kIdsEnableSorrelin);
    } catch (...) {
      ShowError(std::current_exception());
    }
    return 0;
  }
  Run();
  return 0;
}

void LinearLosDlg::Run() {
  bool errorShown = false;
  // The coordinate edits only show the points; the run takes them from the graphics.
  double unused = 0.0;
  for (int id : {lld::kStartLongitude, lld::kStartLatitude})
    errorShown = ReadDlgItemDouble(m_hWnd, id, &unused, errorShown);
  const double startOffset = ReadOffset(lld::kStartOffset, errorShown);
  for (int id : {lld::kEndLongitude, lld::kEndLatitude})
    errorShown = ReadDlgItemDouble(m_hWnd, id, &unused, errorShown);
  const double endOffset = ReadOffset(lld::kEndOffset, errorShown);
  if (std::isnan(startOffset) || std::isnan(endOffset)) {
    // An offset that is no number would silently count as 0: nothing is run.
    ShowMessageBox(m_hWnd, kIdsOffsetNotANumber, kErrorCaptionId, MB_ICONEXCLAMATION);
    return;
  }
  LinearLosRunParameters p;
  p.surfaceLayer = m_surfaceLayer;
  p.surfaceDataset = m_surfaceDataset;
  p.observer = QueryAs<IPoint>(m_geometries[kStart].get());
  p.target = QueryAs<IPoint>(m_geometries[kEnd].get());
  p.startOffset = startOffset;
  p.endOffset = endOffset;
  p.zAware = m_analysisExtension;
  HCURSOR previous = ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
  m_lastOutcome = LinearLosRunOutcome();
  try {
    p.graphicsEnvelope = GetGraphicsEnvelope();
    m_lastOutcome = RunLinearLos(Hook(), QueryAs<ITerrainSettings>(m_settings.get()).get(), p);
  } catch (...) {
    ::SetCursor(previous);
    ShowError(std::current_exception());
    return;
  }
  ::SetCursor(previous);
  for (UINT id : m_lastOutcome.profile.messages)
    ShowMessageBox(m_hWnd, id, kErrorCaptionId, MB_ICONEXCLAMATION);
  for (UINT id : m_lastOutcome.messages)
    ShowMessageBox(m_hWnd, id, kErrorCaptionId, MB_ICONEXCLAMATION);
  if (m_lastOutcome.status) {
    try {
      PumpWaitingMessages();
      ShowStatusTextById(Hook(), 0, m_lastOutcome.status);
    } catch (...) {
      ShowError(std::current_exception());
    }
  }
}

}  // namespace velk::corvane
