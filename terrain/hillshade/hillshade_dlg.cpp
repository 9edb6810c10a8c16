#include "terrain/hillshade/hillshade_dlg.h"

#include <cmath>
#include <cwchar>
#include <cwctype>
#include <limits>

#include "framework/dialog_field_helpers.h"
#include "framework/numeric_field_helpers.h"
#include "framework/dataset_helpers.h"
#include "framework/extension_lookup.h"
#include "framework/host_object_creation.h"
#include "framework/map_lookups.h"
#include "framework/message_helpers.h"
#include "framework/raster_helpers.h"
#include "interfaces/zel_extension.h"
#include "interfaces/zel_layer_interfaces.h"
#include "interfaces/zel_settings.h"
#include "platform/host/display/active_view.h"
#include "platform/host/shell/browse_dialog.h"
#include "platform/host/data/data_class_ids.h"
#include "platform/host/data/dataset.h"
#include "platform/host/display/display_class_ids.h"
#include "platform/host/display/layer_kinds.h"
#include "platform/host/data/raster.h"
#include "platform/host/operations/surface_analysis.h"
#include "platform/win/gdi.h"

namespace velk::corvane {

namespace {

constexpr UINT kBrowseBitmapId = 3005;
constexpr UINT kChooseSurfaceTitle = 3617;
constexpr UINT kOpenCaption = 3275;

std::wstring ItemText(HWND combo, LRESULT index) {
  const LRESULT length = ::SendMessageW(combo, CB_GETLBTEXTLEN, index, 0);
  if (length < 0) return {};
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  ::SendMessageW(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<size_t>(length));
  return text;
}

std::wstring SelectedText(HWND combo) {
  const LRESULT sel = ::SendMessageW(combo, CB_GETCURSEL, 0, 0);
  return sel < 0 ? std::wstring() : ItemText(combo, sel);
}

// The extent of the data behind a raster layer (its dataset's extent).
ComPtr<IEnvelope> DatasetExtent(ILayer* layer) {
  ComPtr<IEnvelope> extent;
  auto raster = QueryAs<IRasterLayer>(layer);
  if (!raster) return extent;
  ComPtr<IRaster> r;
  raster->get_Raster(r.put());
  ComPtr<IRasterDataset> ds;
  if (r) r->get_RasterDataset(ds.put());
  if (auto geo = QueryAs<IGeoDataset>(ds.get())) geo->get_Extent(extent.put());
  return extent;
}

ComPtr<IEnvelope> LayerExtent(ILayer* layer) {
  ComPtr<IEnvelope> extent;
  if (auto e = QueryAs<ILayerExtent>(layer)) e->get_AreaOfInterest(extent.put());
  return extent;
}

}  // namespace

// The extent the active view shows.
ComPtr<IEnvelope> HillshadeDlg::VisibleExtent() { return corvane::VisibleExtent(Hook()); }

HillshadeDlg::HillshadeDlg() {
  m_interfaceIds = {IidOf<IRasterLayer>(), IidOf<IZelDtedLayer>()};
  m_browseBitmap = static_cast<HBITMAP>(
      ::LoadImageW(ResourceInstance(), MAKEINTRESOURCEW(kBrowseBitmapId), IMAGE_BITMAP, 0, 0,
                   LR_LOADMAP3DCOLORS | LR_DEFAULTSIZE | LR_LOADTRANSPARENT));
}

HillshadeDlg::~HillshadeDlg() {
  if (m_browseBitmap) ::DeleteObject(m_browseBitmap);
}

void HillshadeDlg::SetInputs(ILayer* layer, IEnvelope* area) {
  m_area = area;
  m_inputLayer = layer;
}

void HillshadeDlg::ClearStatus() {
  try {
    ShowStatusText(Hook(), 0, Bstr(L""));
  } catch (...) {
    // Without a status bar there is nothing to clear.
  }
}

LRESULT HillshadeDlg::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&) {
  FillLayerCombo();
  for (int id : {hsd::kInputBrowse, hsd::kOutputBrowse})
    ::SendMessageW(Item(id), BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(m_browseBitmap));
  wchar_t number[64];
  std::swprintf(number, 64, L"%f", 315.0);
  ::SetDlgItemTextW(m_hWnd, hsd::kAzimuth, number);
  std::swprintf(number, 64, L"%f", 45.0);
  ::SetDlgItemTextW(m_hWnd, hsd::kAltitude, number);
  ::CheckDlgButton(m_hWnd, hsd::kShadows, BST_UNCHECKED);
  ::CheckDlgButton(m_hWnd, hsd::kOverlay, BST_CHECKED);
  ::SetDlgItemTextW(m_hWnd, hsd::kOutput, L"<TEMPORARY>");

  HWND extent = Item(hsd::kExtent);
  if (m_area) {
    SelectLayer(m_inputLayer.get());
    ::SendMessageW(extent, CB_RESETCONTENT, 0, 0);
    if (QueryAs<IZelDtedLayer>(m_inputLayer.get())) {
      for (UINT id : {kIdsSelectedRegion, kIdsVisibleExtentDatasets, kIdsAllDatasets})
        ::SendMessageW(extent, CB_ADDSTRING, 0,
                       reinterpret_cast<LPARAM>(LoadResString(id).c_str()));
      ::SendMessageW(extent, CB_SETCURSEL, 0, 0);
    }
    for (int id :
         {hsd::kExtent, hsd::kInput, hsd::kInputBrowse, hsd::kInputLabel, hsd::kExtentLabel})
      ::EnableWindow(Item(id), FALSE);
  } else {
    SelectCurrentLayer();
    TakeSelectedInputLayer();
    FillExtentChoices();
  }
  UpdateOkButton();
  m_zFactorEdited = false;
  UpdateZFactor();
  return TRUE;
}

void HillshadeDlg::TakeSelectedInputLayer() {
  const LRESULT sel = ::SendMessageW(Item(hsd::kInput), CB_GETCURSEL, 0, 0);
  m_selectedIndex = static_cast<LONG>(sel);
  if (!m_layers.empty() && sel >= 0 && static_cast<size_t>(sel) < m_layers.size())
    m_inputLayer = m_layers[static_cast<size_t>(sel)];
}

void HillshadeDlg::FillExtentChoices() {
  HWND extent = Item(hsd::kExtent);
  ::SendMessageW(extent, CB_RESETCONTENT, 0, 0);
  if (!QueryAs<IZelDtedLayer>(m_inputLayer.get())) {
    ::EnableWindow(extent, FALSE);
    return;
  }
  ::EnableWindow(extent, TRUE);
  LONG selected = 0;
  try {
    selected = SelectedDatasetCount(m_inputLayer.get());
  } catch (...) {
    selected = 0;  // a layer without its catalog offers no selection
  }
  if (selected > 0)
    ::SendMessageW(extent, CB_ADDSTRING, 0,
                   reinterpret_cast<LPARAM>(LoadResString(kIdsSelectedDatasets).c_str()));
  for (UINT id : {kIdsVisibleExtentDatasets, kIdsAllDatasets})
    ::SendMessageW(extent, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(LoadResString(id).c_str()));
  ::SendMessageW(extent, CB_SETCURSEL, 0, 0);
}

void HillshadeDlg::UpdateOkButton() {
  const bool enabled = m_inputLayer && ::GetWindowTextLengthW(Item(hsd::kOutput)) > 0;
  ::EnableWindow(Item(IDOK), enabled ? TRUE : FALSE);
  // While OK can be pressed, Cancel carries the default style; otherwise OK does.
  ::SendMessageW(Item(enabled ? IDCANCEL : IDOK), BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
  ::SendMessageW(Item(enabled ? IDOK : IDCANCEL), BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
}

void HillshadeDlg::MakeHillshadeLayerName() {
  m_layerName.clear();
  HWND combo = Item(hsd::kInput);
  const LRESULT sel = ::SendMessageW(combo, CB_GETCURSEL, 0, 0);
  if (sel < 0 || ::SendMessageW(combo, CB_GETLBTEXTLEN, sel, 0) < 0 || !m_inputLayer) return;
  Bstr name;
  m_inputLayer->get_Name(&name);
  std::vector<std::wstring> listed;
  const LRESULT count = ::SendMessageW(combo, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) listed.push_back(ItemText(combo, i));
  m_layerName = corvane::MakeHillshadeLayerName(name.str(), listed);
}

void HillshadeDlg::UpdateZFactor() {
  if (m_zFactorEdited) return;
  std::wstring text = DefaultZFactorText();
  bool compute = false;
  try {
    if (auto zel = FindZelExtension()) {
      ComPtr<IZelSettings> settings;
      zel->get_Settings(settings.put());
      if (auto terrain = QueryAs<ITerrainSettings>(settings.get())) {
        VARIANT_BOOL on = VARIANT_FALSE;
        terrain->get_TerrainCalculateZ(&on);
        compute = on != VARIANT_FALSE;
      }
    }
  } catch (...) {
    compute = false;
  }
  if (compute) {
    ComPtr<ILayer> layer;
    if (m_selectedIndex >= 0 && static_cast<size_t>(m_selectedIndex) < m_layers.size())
      layer = m_layers[static_cast<size_t>(m_selectedIndex)];
    if (!layer || QueryAs<ISurfaceLayer>(layer.get())) return;
    ComPtr<IEnvelope> extent;
    if (QueryAs<IZelDtedLayer>(layer.get())) {
      const std::wstring choice = SelectedText(Item(hsd::kExtent));
      if (choice == LoadResString(kIdsAllDatasets)) {
        extent = LayerExtent(layer.get());
      } else if (choice == LoadResString(kIdsSelectedDatasets)) {
        // The selected datasets' own area; the layer's when their union stays empty.
        try {
          extent = SelectedDatasetsExtent(layer.get());
        } catch (...) {
          extent.Reset();
        }
        if (!extent) extent = LayerExtent(layer.get());
      } else if (m_area) {
        extent = m_area;
      } else if (choice == LoadResString(kIdsVisibleExtentDatasets)) {
        extent = VisibleExtent();
      }
    } else {
      extent = DatasetExtent(layer.get());
    }
    text = FormatZFactor(ZFactorForExtent(extent.get()));
  }
  const bool edited = m_zFactorEdited;
  m_writingZFactor = true;
  ::SetDlgItemTextW(m_hWnd, hsd::kZFactor, text.substr(0, 20).c_str());
  m_writingZFactor = false;
  m_zFactorEdited = edited;
}

double HillshadeDlg::ReadNumber(int id) const {
  wchar_t buffer[256] = {};
  ::GetDlgItemTextW(m_hWnd, id, buffer, 256);
  double value = std::numeric_limits<double>::quiet_NaN();
  ParseFieldNumber(buffer, &value);
  return value;
}

bool HillshadeDlg::TypedNumbersAreValid(double azimuth, double altitude, double zFactor) {
  // A text that is no number (or beyond the double range, "1e999") would shade as 0: the
  // range messages of the sun's angles are said for it, the z factor is named; no run.
  if (std::isnan(azimuth))
    ShowMessageBox(m_hWnd, kIdsAzimuthOutOfRange, kErrorCaptionId, MB_ICONWARNING);
  if (std::isnan(altitude))
    ShowMessageBox(m_hWnd, kIdsAltitudeOutOfRange, kErrorCaptionId, MB_ICONWARNING);
  if (std::isnan(azimuth) || std::isnan(altitude)) {
    FlashInputError(Item(std::isnan(azimuth) ? hsd::kAzimuth : hsd::kAltitude), true);
    return false;
  }
  if (std::isnan(zFactor)) {
    FlashInputError(Item(hsd::kZFactor), true);
    ShowFormattedMessageBox(m_hWnd, kIdsFieldNotANumber, L"Z factor");
    return false;
  }
  return true;
}

LRESULT HillshadeDlg::OnOK(WORD, WORD, HWND, BOOL&) {
  MakeHillshadeLayerName();
  ClearStatus();
  if (!m_inputLayer) return 0;
  HillshadeRunParameters p;
  p.input = m_inputLayer;
  wchar_t output[512] = {};
  ::GetDlgItemTextW(m_hWnd, hsd::kOutput, output, 512);
  p.output = output;
  p.azimuth = ReadNumber(hsd::kAzimuth);
  p.altitude = ReadNumber(hsd::kAltitude);
  p.zFactor = ReadNumber(hsd::kZFactor);
  if (!TypedNumbersAreValid(p.azimuth, p.altitude, p.zFactor)) return 0;
  p.shadows = ::IsDlgButtonChecked(m_hWnd, hsd::kShadows) == BST_CHECKED;
  p.overlay = ::IsDlgButtonChecked(m_hWnd, hsd::kOverlay) == BST_CHECKED;
  p.layerName = m_layerName;
  if (QueryAs<IZelDtedLayer>(m_inputLayer.get())) {
    if (!m_area &&
        SelectedText(Item(hsd::kExtent)) == LoadResString(kIdsVisibleExtentDatasets))
      m_area = VisibleExtent();
    p.selectedDatasetsOnly = ComboShowsItem(Item(hsd::kExtent), kIdsSelectedDatasets);
    p.area = m_area;
  }
  ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
  try {
    m_lastOutcome = RunHillshade(Hook(), p);
    // A raster of the output's name is replaced only with the user's yes (No is the default).
    if (m_lastOutcome.outputExists) {
      ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
      if (AskMessageBox(m_hWnd, kIdsOverwriteQuestion, kErrorCaptionId,
                        MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
        return 0;
      ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
      p.replaceExisting = true;
      m_lastOutcome = RunHillshade(Hook(), p);
    }
  } catch (...) {
    // A host object that did not come back ends the run; the dialog stays open.
    m_lastOutcome = HillshadeRunOutcome();
    m_lastOutcome.messages.push_back({kIdsCannotHillshade, MB_ICONERROR});
  }
  ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
  for (const auto& m : m_lastOutcome.messages)
    ShowMessageBox(m_hWnd, m.textId, kErrorCaptionId, m.type);
  if (!m_lastOutcome.notSaved.empty())
    ShowFormattedMessageBox(m_hWnd, kIdsHillshadeNotSaved, m_lastOutcome.notSaved);
  if (m_lastOutcome.done) {
    m_area.Reset();
    CloseDialog(IDOK);
  }
  return 0;
}

LRESULT HillshadeDlg::OnCancel(WORD, WORD, HWND, BOOL&) {
  ClearStatus();
  CloseDialog(IDCANCEL);
  return 0;
}

LRESULT HillshadeDlg::OnInputChanged(WORD, WORD, HWND, BOOL&) {
  TakeSelectedInputLayer();
  FillExtentChoices();
  UpdateZFactor();
  return 0;
}

LRESULT HillshadeDlg::OnExtentChanged(WORD, WORD, HWND, BOOL&) {
  UpdateZFactor();
  return 0;
}

LRESULT HillshadeDlg::OnZFactorChanged(WORD, WORD, HWND, BOOL&) {
  if (!m_writingZFactor) m_zFactorEdited = true;
  return 0;
}

LRESULT HillshadeDlg::OnBrowseSurface(WORD, WORD, HWND, BOOL&) {
  ClearStatus();
  try {
    const BrowsePick picked =
        BrowseToOpen(m_hWnd, kChooseSurfaceTitle, kOpenCaption, {host::CLSID_FilterRasterDatasets});
    if (!picked.object) return 0;
    auto raster = CreateHostObject<IRasterLayer>(host::CLSID_RasterLayer);
    if (FAILED(raster->CreateFromFilePath(Bstr(picked.path)))) {
      ShowMessageBox(m_hWnd, kIdsCannotHillshade, kErrorCaptionId, MB_ICONWARNING);
      return 0;
    }
    auto layer = RequireInterface<ILayer>(raster.get());
    m_layers.push_back(layer);
    m_selectedIndex = static_cast<LONG>(m_layers.size() - 1);
    m_inputLayer = layer;
    Bstr name;
    layer->get_Name(&name);
    HWND combo = Item(hsd::kInput);
    const LRESULT at = ::SendMessageW(combo, CB_INSERTSTRING, static_cast<WPARAM>(m_selectedIndex),
                                      reinterpret_cast<LPARAM>(name.get() ? name.get() : L""));
    ::SendMessageW(combo, CB_SETCURSEL, at, 0);
    // The browsed surface goes into the map too, so that the overlay has a place beside it.
    ComPtr<IMap> map;
    Hook().GetFocusMap(map.put());
    if (map) map->AddLayer(layer.get());
    FillExtentChoices();
    UpdateZFactor();
    UpdateOkButton();
  } catch (...) {
    ShowMessageBox(m_hWnd, kIdsCannotHillshade, kErrorCaptionId, MB_ICONWARNING);
  }
  return 0;
}

LRESULT HillshadeDlg::OnBrowseOutput(WORD, WORD, HWND, BOOL&) {
  ClearStatus();
  wchar_t text[512] = {};
  ::GetDlgItemTextW(m_hWnd, hsd::kOutput, text, 512);
  Bstr path(text), location(text);
  try {
    if (ShowSaveDatasetDialog(&path, &location, kSaveRaster, m_hWnd))
      ::SetDlgItemTextW(m_hWnd, hsd::kOutput, path.get() ? path.get() : L"");
  } catch (...) {
    // No save dialog: the output stays as typed.
  }
  HWND edit = Item(hsd::kOutput);
  const int length = ::GetWindowTextLengthW(edit);
  ::SendMessageW(edit, EM_SETSEL, length, length);
  return 0;
}

}  // namespace velk::corvane
