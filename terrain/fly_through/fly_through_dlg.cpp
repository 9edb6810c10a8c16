#include "terrain/fly_through/fly_through_dlg.h"

#include <string>

#include "coordinates/coordinate_edit_readers.h"
#include "framework/extension_lookup.h"
#include "framework/host_object_creation.h"
#include "framework/layer_queries.h"
#include "framework/map_lookups.h"
#include "framework/message_helpers.h"
#include "framework/modeless_dialog_set.h"
#include "interfaces/zel_settings.h"
#include "platform/com/hresult_text.h"
#include "platform/com/variant.h"
#include "platform/host/data/data_class_ids.h"
#include "platform/host/display/display_class_ids.h"
#include "platform/host/data/feature_class.h"
#include "platform/host/display/animation.h"
#include "platform/host/display/globe_display.h"
#include "platform/host/display/globe_graphics_layer.h"
#include "platform/host/display/layer_kinds.h"
#include "platform/host/display/symbol.h"
#include "terrain/radial/radial_los_observer.h"

namespace velk::corvane {

namespace {

constexpr UINT kPickBitmapId = 3009;
constexpr UINT kIdsStartLabel = 3710;     // "Start: "
constexpr UINT kIdsObserverLabel = 3706;  // "Observer: "
constexpr UINT kInputTypeTexts[] = {3691, 3702, 3701};
constexpr LONG kDddPathSymbol = 13;

// The last settings read, for a dialog opened while the settings cannot be reached.
LONG g_defaultHeight = 1000;
LONG g_defaultInclination = 0;

constexpr int kStartRow[] = {ftd::kRowLabel, ftd::kLatitude, ftd::kLongitude, ftd::kPick};
constexpr int kHeightRow[] = {3787, ftd::kHeightOffset, 3788};
constexpr int kInclinationRow[] = {3785, ftd::kInclination, 3786};
constexpr int kDistanceRow[] = {3789, ftd::kTargetDistance, 3790};
constexpr int kAzimuthRow[] = {3791, ftd::kStartAzimuth, 3792};

void Enable(HWND dialog, const int* ids, std::size_t n, bool on) {
  for (std::size_t i = 0; i < n; ++i) ::EnableWindow(::GetDlgItem(dialog, ids[i]), on);
}
template <std::size_t N>
void Enable(HWND dialog, const int (&ids)[N], bool on) {
  Enable(dialog, ids, N, on);
}

std::wstring NumberText(double v) { return Variant(v).ToString(); }

}  // namespace

FlyThroughDlg::FlyThroughDlg() {
  m_interfaceIds = {IidOf<IFeatureLayer>()};
  m_pickBitmap = static_cast<HBITMAP>(
      ::LoadImageW(ResourceInstance(), MAKEINTRESOURCEW(kPickBitmapId), IMAGE_BITMAP, 0, 0,
                   LR_LOADTRANSPARENT | LR_LOADMAP3DCOLORS | LR_DEFAULTSIZE));
}

FlyThroughDlg::~FlyThroughDlg() {
  try {
    if (m_listener) m_listener->StopListening(true);
  } catch (...) {
    // The host may be gone already.
  }
  if (m_pickBitmap) ::DeleteObject(m_pickBitmap);
}

bool FlyThroughDlg::AcceptLayer(IID iid, ComPtr<ILayer> layer) {
  if (iid != IidOf<IFeatureLayer>() || !layer) return false;
  VARIANT_BOOL valid = VARIANT_FALSE;
  if (FAILED(layer->get_Valid(&valid)) || !valid) return false;
  if (IsObserverPointLayer(layer.get()) || IsVisibilityLayer(layer.get())) return true;
  auto featureLayer = QueryAs<IFeatureLayer>(layer.get());
  ComPtr<IFeatureClass> fc;
  if (featureLayer) featureLayer->get_FeatureClass(fc.put());
  LONG type = 0;
  if (!fc || FAILED(fc->get_ShapeType(&type))) return false;
  return type == kGeometryPolyline || type == kGeometryLine;
}

void FlyThroughDlg::FillLayerCombo() {
  if (!::IsWindow(m_hWnd)) return;
  CWindowWithLayersImpl::FillLayerCombo();
  for (std::size_t i = 0; i < m_layers.size(); ++i) {
    LONG kind = IsObserverPointLayer(m_layers[i].get()) ? kLayerObserver
                : IsVisibilityLayer(m_layers[i].get())  ? kLayerVisibility
                                                        : kLayerOther;
    ::SendDlgItemMessageW(m_hWnd, ftd::kLayers, CB_SETITEMDATA, i, kind);
  }
  LRESULT selected = ::SendDlgItemMessageW(m_hWnd, ftd::kLayers, CB_GETCURSEL, 0, 0);
  m_selectedIndex = selected < 0 ? 0 : static_cast<LONG>(selected);
  UpdateControls();
}

ComPtr<IGlobe> FlyThroughDlg::DocumentGlobe() {
  ComPtr<IGlobe> globe;
  if (FAILED(Hook().GetGlobe(globe.put()))) return nullptr;
  return globe;
}

LRESULT FlyThroughDlg::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&) {
  try {
    auto settings = RequireZelSettings<IDDDSettings>();
    settings->get_DDDFlyThruDefaultHt(&g_defaultHeight);
    settings->get_DDDFlyThruDefaultIncl(&g_defaultInclination);
  } catch (...) {
    // Without the settings the last values read stay.
  }
  m_defaultHeight = g_defaultHeight;
  m_defaultInclination = g_defaultInclination;
  ::SendDlgItemMessageW(m_hWnd, ftd::kInputType, CB_RESETCONTENT, 0, 0);
  for (LONG i = 0; i < 3; ++i) {
    const std::wstring text = LoadResString(kInputTypeTexts[i]);
    ::SendDlgItemMessageW(m_hWnd, ftd::kInputType, CB_ADDSTRING, 0,
                          reinterpret_cast<LPARAM>(text.c_str()));
    ::SendDlgItemMessageW(m_hWnd, ftd::kInputType, CB_SETITEMDATA, i, i);
  }
  m_inputType = kInputExisting;
  ::SendDlgItemMessageW(m_hWnd, ftd::kInputType, CB_SETCURSEL, 0, 0);
  ::SetDlgItemInt(m_hWnd, ftd::kInclination, static_cast<UINT>(m_defaultInclination), TRUE);
  ::SetDlgItemInt(m_hWnd, ftd::kHeightOffset, static_cast<UINT>(m_defaultHeight), TRUE);
  ::SetDlgItemInt(m_hWnd, ftd::kTargetDistance, 10, TRUE);
  ::SetDlgItemInt(m_hWnd, ftd::kStartAzimuth, 0, TRUE);
  ::SendDlgItemMessageW(m_hWnd, ftd::kPick, BM_SETIMAGE, IMAGE_BITMAP,
                        reinterpret_cast<LPARAM>(m_pickBitmap));
  m_pickState = 0;
  FillLayerCombo();
  RegisterModelessDialog(m_hWnd);
  try {
    m_path = CreateHostObject<IPointCollection>(host::CLSID_Polyline);
    RequireInterface<IGeometry>(m_path.get())->put_SpatialReference(MakeWgs84().get());
  } catch (...) {
    ShowError(std::current_exception());
  }
  m_pathElement.Reset();
  m_graphicsLayer.Reset();
  m_pathElementIndex = -1;
  UpdateControls();
  return 1;
}

void FlyThroughDlg::UpdateControls() {
  if (!::IsWindow(m_hWnd)) return;
  HWND d = m_hWnd;
  const bool existing = m_inputType == kInputExisting;
  const bool path = m_inputType == kInputNewPath;
  const bool observer = m_inputType == kInputNewObserver;
  Enable(d, {ftd::kLayerLabel, ftd::kLayers}, existing);
  Enable(d, {ftd::kNewLabel, ftd::kLongitudeLabel, ftd::kLatitudeLabel}, path || observer);
  if (path || observer)
    ::SetDlgItemTextW(d, ftd::kRowLabel,
                      LoadResString(path ? kIdsStartLabel : kIdsObserverLabel).c_str());
  Enable(d, kStartRow, path || observer);
  Enable(d, {ftd::kAddPathGraphic}, path);
  bool height = path || observer, inclination = path, check = path;
  if (existing) {
    LONG kind = -1;
    if (!m_layers.empty() && m_selectedIndex >= 0 &&
        static_cast<std::size_t>(m_selectedIndex) < m_layers.size())
      kind = static_cast<LONG>(
          ::SendDlgItemMessageW(d, ftd::kLayers, CB_GETITEMDATA, m_selectedIndex, 0));
    height = inclination = check = kind == kLayerOther || kind == kLayerVisibility;
  }
  Enable(d, {ftd::kAddPathGraphic}, check);
  Enable(d, kHeightRow, height);
  Enable(d, kInclinationRow, inclination);
  Enable(d, kDistanceRow, observer);
  Enable(d, kAzimuthRow, observer);
}

LRESULT FlyThroughDlg::OnLayerChange(WORD, WORD, HWND, BOOL&) {
  LRESULT selected = ::SendDlgItemMessageW(m_hWnd, ftd::kLayers, CB_GETCURSEL, 0, 0);
  m_selectedIndex = static_cast<LONG>(selected);
  UpdateControls();
  return 0;
}

LRESULT FlyThroughDlg::OnInputTypeChange(WORD, WORD, HWND, BOOL&) {
  LRESULT selected = ::SendDlgItemMessageW(m_hWnd, ftd::kInputType, CB_GETCURSEL, 0, 0);
  if (selected >= 0)
    m_inputType = static_cast<LONG>(
        ::SendDlgItemMessageW(m_hWnd, ftd::kInputType, CB_GETITEMDATA, selected, 0));
  UpdateControls();
  return 0;
}

LRESULT FlyThroughDlg::OnPickButton(WORD, WORD, HWND, BOOL&) {
  try {
    if (m_pickState == 1) {
      m_pickState = 0;
      ::CheckDlgButton(m_hWnd, ftd::kPick, BST_UNCHECKED);
      if (m_listener) m_listener->StopListening(false);
    } else {
      m_pickState = 1;
      ::CheckDlgButton(m_hWnd, ftd::kPick, BST_CHECKED);
      FindCoordToolCommand(Hook());
      if (m_listener) m_listener->StartListening(true);
    }
  } catch (...) {
    ShowError(std::current_exception());
  }
  return 0;
}

void FlyThroughDlg::OnPointPicked(IPoint* wgs84) {
  if (!::IsWindow(m_hWnd) || !wgs84 || m_pickState != 1) return;
  try {
    double x = 0, y = 0;
    Check(wgs84->QueryCoords(&x, &y));
    ::SetDlgItemTextW(m_hWnd, ftd::kLongitude, NumberText(x).c_str());
    ::SetDlgItemTextW(m_hWnd, ftd::kLatitude, NumberText(y).c_str());
    if (m_inputType == kInputNewPath && m_path) {
      auto point = CreateHostObject<IPoint>(host::CLSID_Point);
      Check(point->PutCoords(x, y));
      Check(m_path->AddPoint(point.get()));
      RedrawPathGraphic();
    }
  } catch (...) {
    ShowError(std::current_exception());
  }
}

void FlyThroughDlg::RedrawPathGraphic() {
  LONG count = 0;
  if (!m_path || FAILED(m_path->get_PointCount(&count)) || count < 2) return;
  auto globe = DocumentGlobe();
  if (!globe) return;
  if (!m_graphicsLayer) {
    // The globe's graphics layer: the first it holds, else a new one on top.
    LONG layers = 0;
    globe->get_LayerCount(&layers);
    for (LONG i = 0; i < layers && !m_graphicsLayer; ++i) {
      ComPtr<ILayer> layer;
      globe->get_Layer(i, layer.put());
      if (QueryAs<IGlobeGraphicsLayer>(layer.get())) m_graphicsLayer = layer;
    }
    if (!m_graphicsLayer) {
      m_graphicsLayer = CreateHostObject<ILayer>(host::CLSID_GlobeGraphicsLayer);
      Check(globe->AddLayer(m_graphicsLayer.get()));
    }
  }
  auto graphics = RequireInterface<IGlobeGraphicsLayer>(m_graphicsLayer.get());
  if (!m_pathElement) {
    auto line = CreateHostObject<ILineElement>(host::CLSID_LineElement);
    ComPtr<IUnknown> symbol;
    RequireZelSettings<IDDDSettings>()->DDDGetSymbol(kDddPathSymbol, symbol.put());
    if (auto s = QueryAs<ILineSymbol>(symbol.get())) Check(line->put_Symbol(s.get()));
    m_pathElement = RequireInterface<IElement>(line.get());
  }
  auto polyline = MakeFlightPathPolyline(m_path.get());
  DensifyFlightPath(polyline.get());
  Check(m_pathElement->put_Geometry(RequireInterface<IGeometry>(polyline.get()).get()));
  if (m_pathElementIndex == -1) {
    auto properties = CreateHostObject<IGlobeElementProperties>(host::CLSID_GlobeElementProperties);
    properties->put_DrapeElement(VARIANT_TRUE);
    properties->put_MaxViewDistance(1000.0);
    Check(graphics->AddIndexedElement(m_pathElement.get(), properties.get(), &m_pathElementIndex));
  } else {
    Check(graphics->UpdateElementByIndex(m_pathElementIndex, m_pathElement.get()));
  }
  ComPtr<IGlobeDisplay> display;
  globe->get_GlobeDisplay(display.put());
  if (display) display->RefreshViewers();
}

void FlyThroughDlg::DeletePathGraphic() {
  if (m_pathElementIndex == -1 || !m_graphicsLayer) return;
  RequireInterface<IGlobeGraphicsLayer>(m_graphicsLayer.get())
      ->DeleteElementByIndex(m_pathElementIndex);
  m_pathElementIndex = -1;
}

FlyThroughOutcome FlyThroughDlg::Build(bool& readFailed) {
  readFailed = true;
  HWND d = m_hWnd;
  double x = 0, y = 0, distance = 0, azimuth = 0, offset = 0;
  LONG inclination = 0;
  if (m_inputType == kInputNewPath || m_inputType == kInputNewObserver) {
    // Longitude and latitude in decimal degrees: a place on the globe.
    if (!ReadCoordinatePairEdits(::GetDlgItem(d, ftd::kLongitude), ::GetDlgItem(d, ftd::kLatitude),
                                 1, true, &x, &y))
      return {};
  }
  if (m_inputType == kInputNewObserver) {
    if (!ReadEditDouble(::GetDlgItem(d, ftd::kTargetDistance), -999999999.0, 999999999.0, true,
                        &distance) ||
        !ReadEditDouble(::GetDlgItem(d, ftd::kStartAzimuth), -360.0, 360.0, true, &azimuth))
      return {};
    // At no distance every keyframe would look at the observer's own place.
    if (distance == 0.0) {
      ShowEditReadError(::GetDlgItem(d, ftd::kTargetDistance));
      return {};
    }
  }
  if (!ReadEditDouble(::GetDlgItem(d, ftd::kHeightOffset), -999999999.0, 999999999.0, true,
                      &offset) ||
      !ReadEditLong(::GetDlgItem(d, ftd::kInclination), 0, 0, 90, true, &inclination))
    return {};
  readFailed = false;
  auto globe = DocumentGlobe();
  if (m_inputType == kInputNewPath) {
    auto polyline = MakeFlightPathPolyline(m_path.get());
    DensifyFlightPath(polyline.get());
    FlyThroughOutcome o =
        BuildLinearFlyThroughTrack(RequireInterface<IPointCollection>(polyline.get()).get(),
                                   nullptr, globe.get(), inclination, offset);
    if (o.Built() && ::IsDlgButtonChecked(d, ftd::kAddPathGraphic) != BST_CHECKED)
      DeletePathGraphic();
    return o;
  }
  if (m_inputType == kInputNewObserver)
    return BuildRadialTrackAroundPoint(globe.get(), x, y, distance, azimuth, offset);
  if (m_layers.empty() || m_selectedIndex < 0 ||
      static_cast<std::size_t>(m_selectedIndex) >= m_layers.size()) {
    FlyThroughOutcome o;
    o.messageId = kIdsNoLayer;
    return o;
  }
  return BuildTrackFromLayer(globe.get(), m_layers[static_cast<std::size_t>(m_selectedIndex)].get(),
                             inclination, offset);
}

LRESULT FlyThroughDlg::OnOK(WORD, WORD, HWND, BOOL&) {
  bool readFailed = false;
  try {
    m_lastOutcome = Build(readFailed);
  } catch (...) {
    m_lastOutcome = {};
    m_lastOutcome.messageId = 0;
    ShowError(std::current_exception());
    RefreshAnimationControls();
    return 0;
  }
  if (readFailed) return 0;
  // Whatever came of it, the host's animation controls read the tracks anew.
  RefreshAnimationControls();
  if (!m_lastOutcome.Built()) {
    ShowFlyMessage(m_lastOutcome.messageId);
    if (m_inputType == kInputExisting) ::SetFocus(::GetDlgItem(m_hWnd, ftd::kLayers));
    return 0;
  }
  Close();
  try {
    ShowStatusTextById(Hook(), 0, kIdsTrackCreated);
  } catch (...) {
    // A host without a status bar just does not show the note.
  }
  return 0;
}

LRESULT FlyThroughDlg::OnCancel(WORD, WORD, HWND, BOOL&) {
  Close();
  return 0;
}

void FlyThroughDlg::RefreshAnimationControls() {
  try {
    CreateHostObject<IAnimationControls>(host::CLSID_AnimationControls)->Refresh();
  } catch (...) {
    // A host without animation controls has no player to tell.
  }
}

void FlyThroughDlg::Close() {
  try {
    if (m_listener) m_listener->StopListening(true);
  } catch (...) {
    // The host may be gone already.
  }
  m_pickState = 0;
  ShowWindow(SW_HIDE);
  UnregisterModelessDialog(m_hWnd);
  BeforeClose();
  ::DestroyWindow(m_hWnd);
}

void FlyThroughDlg::ShowFlyMessage(UINT textId) {
  const std::wstring text = LoadResString(textId);
  ::MessageBoxW(m_hWnd, text.c_str(), nullptr, MB_OK | MB_ICONERROR);
}

void FlyThroughDlg::ShowError(const std::exception_ptr& error) { ShowComErrorBox(m_hWnd, error); }

}  // namespace velk::corvane
