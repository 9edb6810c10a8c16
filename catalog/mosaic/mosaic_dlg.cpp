#include "catalog/mosaic/mosaic_dlg.h"

#include "framework/map_lookups.h"
#include "framework/message_helpers.h"
#include "framework/raster_helpers.h"
#include "framework/scratch_folder.h"
#include "interfaces/zel_layer_interfaces.h"
#include "platform/com/out_param.h"
#include "platform/com/text.h"
#include "platform/host/display/display_class_ids.h"
#include "platform/host/data/raster_catalog.h"
#include "platform/registry/host_object_creation.h"
#include "platform/win/gdi.h"

namespace velk::corvane {

namespace {

constexpr UINT kBrowseBitmapId = 3005;

// The six places a mosaic can be saved to; the second is the default.
const CLSID* const kSaveFilters[] = {
    &host::CLSID_FilterRasterGrid,    &host::CLSID_FilterRasterTiff,
    &host::CLSID_FilterRasterImagine, &host::CLSID_FilterRasterNitf,
    &host::CLSID_FilterRasterPcidsk,  &host::CLSID_FilterRasterDatabase,
};

std::wstring SelectedText(HWND combo) {
  const LRESULT sel = ::SendMessageW(combo, CB_GETCURSEL, 0, 0);
  if (sel < 0) return {};
  const LRESULT length = ::SendMessageW(combo, CB_GETLBTEXTLEN, sel, 0);
  if (length < 0) return {};
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  ::SendMessageW(combo, CB_GETLBTEXT, sel, reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<size_t>(length));
  return text;
}

// Whether the layer's catalog has selected records.
bool HasSelectedRecords(ILayer* layer) {
  ComPtr<IRasterCatalog> catalog;
  if (auto dted = QueryAs<IZelDtedLayer>(layer)) dted->get_InternalObject(catalog.put());
  else if (auto chart = QueryAs<IZelRasterLayer>(layer)) chart->get_InternalObject(catalog.put());
  LONG count = 0;
  if (catalog) catalog->get_SelectedCount(&count);
  return count > 0;
}

}  // namespace

MosaicRastersDlg::MosaicRastersDlg() {
  // The catalog elevation layers; a catalog raster layer comes only preset by the terrain tools.
  m_interfaceIds = {IidOf<IZelDtedLayer>()};
  try {
    m_browse = CreateHostObject<IBrowseDialog>(host::CLSID_BrowseDialog);
    m_browse->put_Title(Bstr(LoadResString(kIdsSaveMosaicAs)));
    ComPtr<IBrowseFilterCollection> filters;
    m_browse->get_ObjectFilters(filters.put());
    for (std::size_t i = 0; filters && i < std::size(kSaveFilters); ++i) {
      auto filter = CreateHostObject<IBrowseFilter>(*kSaveFilters[i]);
      filters->AddFilter(filter.get(), ToVariantBool(i == 1));
    }
  } catch (...) {
    // Without the host's browse dialog the output is typed.
    m_browse.Reset();
  }
  m_browseBitmap = static_cast<HBITMAP>(
      ::LoadImageW(ResourceInstance(), MAKEINTRESOURCEW(kBrowseBitmapId), IMAGE_BITMAP, 0, 0,
                   LR_LOADMAP3DCOLORS | LR_DEFAULTSIZE | LR_LOADTRANSPARENT));
  const UINT ids[] = {kIdsMosaicSelectedDatasets, kIdsMosaicVisibleDatasets, kIdsMosaicAllDatasets,
                      kIdsMosaicSelectedRegion};
  for (int i = 0; i < 4; ++i) m_choiceTexts[i] = LoadResString(ids[i]);
}

MosaicRastersDlg::~MosaicRastersDlg() {
  if (m_browseBitmap) ::DeleteObject(m_browseBitmap);
}

void MosaicRastersDlg::SetInputs(ILayer* layer, IEnvelope* region) {
  m_region = ComPtr<IEnvelope>(region);
  m_inputLayer = ComPtr<ILayer>(layer);
}

LRESULT MosaicRastersDlg::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&) {
  FillLayerCombo();
  ::SetDlgItemTextW(m_hWnd, msd::kOutput, L"");
  m_browsedPath.clear();
  for (int id : {msd::kInputBrowse, msd::kOutputBrowse})
    ::SendMessageW(Item(id), BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(m_browseBitmap));
  HWND choice = Item(msd::kChoice);
  if (m_region) {
    SelectLayer(m_inputLayer.get());
    ::SendMessageW(choice, CB_RESETCONTENT, 0, 0);
    for (int i : {3, 1, 2})
      ::SendMessageW(choice, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(m_choiceTexts[i].c_str()));
    ::SendMessageW(choice, CB_SETCURSEL, 0, 0);
    for (int id : {msd::kInput, msd::kInputBrowse, msd::kChoice, msd::kInputLabel,
                   msd::kChoiceLabel})
      ::EnableWindow(Item(id), FALSE);
  } else {
    FillChoices();
  }
  try {
    ScratchWorkFolder(L"Mosaic");
  } catch (...) {
    // Without a scratch folder the run still writes where the user chose.
  }
  return TRUE;
}

void MosaicRastersDlg::FillChoices() {
  if (m_selectedIndex < 0 || static_cast<std::size_t>(m_selectedIndex) >= m_layers.size()) return;
  m_inputLayer = m_layers[static_cast<std::size_t>(m_selectedIndex)];
  HWND choice = Item(msd::kChoice);
  ::SendMessageW(choice, CB_RESETCONTENT, 0, 0);
  ::EnableWindow(choice, TRUE);
  if (HasSelectedRecords(m_inputLayer.get()))
    ::SendMessageW(choice, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(m_choiceTexts[0].c_str()));
  for (int i : {1, 2})
    ::SendMessageW(choice, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(m_choiceTexts[i].c_str()));
  ::SendMessageW(choice, CB_SETCURSEL, 0, 0);
}

LRESULT MosaicRastersDlg::OnInputChanged(WORD, WORD, HWND, BOOL&) {
  m_selectedIndex = static_cast<LONG>(::SendMessageW(Item(msd::kInput), CB_GETCURSEL, 0, 0));
  FillChoices();
  return 0;
}

LRESULT MosaicRastersDlg::OnBrowseOutput(WORD, WORD, HWND, BOOL&) {
  if (!m_browse) return 0;
  try {
    VARIANT_BOOL ok = VARIANT_FALSE;
    Check(m_browse->DoModalSave(m_hWnd, &ok));
    if (ok != VARIANT_TRUE) return 0;
    ComPtr<IBrowseObject> location;
    m_browse->get_FinalLocation(location.put());
    Bstr place, name;
    if (location) location->get_FullName(&place);
    m_browse->get_Name(&name);
    MosaicOutput out;
    out.location = place.str();
    out.name = name.str();
    if (auto answers = m_browse.As<ISaveDialogAnswers>()) {
      ComPtr<IBrowseFilter> filter;
      answers->get_ChosenFilter(filter.put());
      if (auto raster = filter.As<IRasterFormatFilter>()) {
        Bstr suffix, format;
        VARIANT_BOOL db = VARIANT_FALSE;
        raster->get_Suffix(&suffix);
        raster->get_Format(&format);
        raster->get_IsDatabase(&db);
        out.suffix = suffix.str();
        out.format = format.str();
        out.database = db != VARIANT_FALSE;
      }
      VARIANT_BOOL replace = VARIANT_FALSE;
      answers->get_ReplaceExisting(&replace);
      out.replace = replace != VARIANT_FALSE;
    }
    m_browsed = out;
    m_browsedPath = out.location + L"/" + out.name;
    ::SetDlgItemTextW(m_hWnd, msd::kOutput, m_browsedPath.c_str());
  } catch (...) {
    // No save dialog: the output stays as typed.
  }
  return 0;
}

MosaicOutput MosaicRastersDlg::Output(const std::wstring& text) {
  if (!m_browsedPath.empty() && text == m_browsedPath) return m_browsed;
  return OutputFromPath(text);
}

LRESULT MosaicRastersDlg::OnOK(WORD, WORD, HWND, BOOL&) {
  MosaicRunParameters p;
  p.layer = m_inputLayer;
  p.selectedDatasetsOnly = ComboShowsItem(Item(msd::kChoice), kIdsMosaicSelectedDatasets);
  const int length = ::GetWindowTextLengthW(Item(msd::kOutput));
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  ::GetDlgItemTextW(m_hWnd, msd::kOutput, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(length));
  p.outputText = text;
  p.environment = m_environment;
  p.region = m_region;
  if (!p.region && SelectedText(Item(msd::kChoice)) == m_choiceTexts[1])
    p.region = corvane::VisibleExtent(Hook());
  if (!text.empty()) p.output = Output(text);
  ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
  try {
    m_lastOutcome = RunMosaic(Hook(), p);
  } catch (...) {
    // A host object that did not come back ends the run; the dialog stays open.
    m_lastOutcome = MosaicRunOutcome();
    m_lastOutcome.statusId = kIdsMosaicCannotCreate;
    m_lastOutcome.reason = "a host object is missing";
    try {
      ShowStatusTextById(Hook(), 0, kIdsMosaicCannotCreate);
    } catch (...) {
      // No status bar to tell it on.
    }
  }
  ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
  if (m_lastOutcome.done) {
    m_inputLayer.Reset();
    m_region.Reset();
    CloseDialog(IDOK);
  }
  return 0;
}

LRESULT MosaicRastersDlg::OnCancel(WORD, WORD, HWND, BOOL&) {
  m_inputLayer.Reset();
  m_region.Reset();
  CloseDialog(IDCANCEL);
  return 0;
}

}  // namespace velk::corvane
