// Session actions of the catalog window and the host's undo history:
//   catalog-select PATH                 the user selects an item of the catalog window: a
//                                       folder, a database or a table of one ("db.gpkg/name");
//                                       an empty text clears the selection
//   undo | redo                         the host's Undo and Redo of the map's latest operation
//   layer-visibility dword N | string TEXT | none
//                                       the host's setting whether new layers are visible
//   escape-during-next N                the user presses Esc while the next long operation runs,
//                                       at its N-th progress check
//   print catalog                       the selected item and how often an item was refreshed
//   print history                       the operations of the undo history, oldest first
//   print zel-layers                    the focus map's catalog layers, top first: kind,
//                                       visibility, the switches the user's settings set, the
//                                       footprint mode, and a number per layer object (a new
//                                       object gets a new number)
#include "apps/trevik/session_action_table.h"
#include "apps/trevik/failure_text.h"

#include "platform/com/hresult_text.h"
#include "platform/com/text.h"
#include "interfaces/zel_layer_interfaces.h"
#include "platform/host/shell/catalog_selection.h"
#include "platform/host/documents/document.h"
#include "platform/host/application/host_session.h"
#include "platform/host/display/operation_stack.h"
#include "platform/host/shell/result_settings.h"
#include "platform/host/data/track_cancel.h"
#include "platform/registry/registry.h"

namespace trevik {
namespace {

using velk::Bstr;
using velk::ComPtr;

ComPtr<ICatalogApplication> CatalogWindow(SessionContext& s) {
  auto catalog = velk::QueryAs<ICatalogApplication>(s.Session().Host().Hook());
  if (!catalog) FailLine(L"the host has no catalog window (start it with host catalog)");
  return catalog;
}

void CatalogSelect(SessionContext& s, const SessionLine& l) {
  HRESULT hr = CatalogWindow(s)->SelectItem(Bstr(l.Arg(0, L"a path")));
  if (FAILED(hr)) FailLine(L"cannot select " + l.args[0] + L": " + FailureText(hr));
}

void PrintCatalog(SessionContext& s, const SessionLine&) {
  auto catalog = CatalogWindow(s);
  ComPtr<ICatalogItem> item;
  catalog->get_SelectedItem(item.put());
  Bstr path;
  if (item) item->get_FullName(&path);
  LONG refreshes = 0;
  catalog->get_RefreshCount(&refreshes);
  s.Print(L"  catalog selected " + (item ? L"\"" + path.str() + L"\"" : std::wstring(L"nothing")) +
          L", refreshed " + std::to_wstring(refreshes) + L" time(s)");
}

ComPtr<IOperationStack> History(SessionContext& s) {
  ComPtr<IOperationStack> stack;
  if (auto doc = velk::QueryAs<IMapDocument>(s.Session().Host().Document().get()))
    doc->get_OperationStack(stack.put());
  if (!stack) FailLine(L"the host's document keeps no undo history");
  return stack;
}

void UndoRedo(SessionContext& s, const SessionLine& l) {
  auto stack = History(s);
  const bool undo = l.action == "undo";
  const HRESULT hr = undo ? stack->Undo() : stack->Redo();
  if (FAILED(hr)) FailLine(velk::FromUtf8(l.action) + L" failed: " + FailureText(hr));
  if (hr == S_FALSE) s.Print(undo ? L"  nothing to undo" : L"  nothing to redo");
}

void PrintHistory(SessionContext& s, const SessionLine&) {
  auto stack = History(s);
  LONG n = 0;
  stack->get_Count(&n);
  if (!n) s.Print(L"  no operations");
  for (LONG i = 0; i < n; ++i) {
    ComPtr<IOperation> op;
    stack->get_Item(i, op.put());
    Bstr text;
    VARIANT_BOOL canUndo = VARIANT_FALSE, canRedo = VARIANT_FALSE;
    if (op) {
      op->get_MenuString(&text);
      op->get_CanUndo(&canUndo);
      op->get_CanRedo(&canRedo);
    }
    s.Print(L"  " + std::to_wstring(i + 1) + L". \"" + text.str() + L"\"" +
            (canUndo ? L" can undo" : L"") + (canRedo ? L" can redo" : L""));
  }
}

// A number per layer object, in the order the session first met them.
class LayerNumbers : public SessionState {
 public:
  explicit LayerNumbers(SessionContext&) {}
  int Of(IUnknown* layer) {
    ComPtr<IUnknown> identity = velk::QueryAs<IUnknown>(layer);
    for (std::size_t i = 0; i < seen_.size(); ++i)
      if (velk::IsSameObject(seen_[i].get(), identity.get())) return static_cast<int>(i + 1);
    seen_.push_back(identity);
    return static_cast<int>(seen_.size());
  }

 private:
  std::vector<ComPtr<IUnknown>> seen_;
};

std::wstring OnOff(const wchar_t* name, VARIANT_BOOL value) {
  return std::wstring(L" ") + name + (value ? L" on" : L" off");
}

void PrintZelLayers(SessionContext& s, const SessionLine&) {
  auto map = s.FocusMap();
  LONG n = 0;
  map->get_LayerCount(&n);
  int shown = 0;
  for (LONG i = 0; i < n; ++i) {
    ComPtr<ILayer> layer;
    map->get_Layer(i, layer.put());
    if (!velk::QueryAs<IZelLayer>(layer.get())) continue;
    ++shown;
    VARIANT_BOOL visible = VARIANT_FALSE, a = VARIANT_FALSE, b = VARIANT_FALSE, c = VARIANT_FALSE;
    layer->get_Visible(&visible);
    std::wstring line = L"  " + std::to_wstring(i + 1) + L". #" +
                        std::to_wstring(s.State<LayerNumbers>().Of(layer.get()));
    if (auto dted = velk::QueryAs<IZelDtedLayer>(layer.get())) {
      dted->get_DisplayElevation(&a);
      dted->get_UseUniformRenderer(&b);
      line += L" dted" + OnOff(L"elevation", a) + OnOff(L"uniform", b);
    } else if (auto raster = velk::QueryAs<IZelRasterLayer>(layer.get())) {
      raster->get_DisplayRasters(&a);
      raster->get_UseBestMap(&b);
      line += (velk::QueryAs<IZelReferencedRpfLayer>(layer.get()) ? L" referenced-rpf" : L" rpf") +
              OnOff(L"rasters", a) + OnOff(L"best-map", b);
    } else if (auto vector = velk::QueryAs<IZelVectorLayer>(layer.get())) {
      vector->get_UseGeoSym(&a);
      vector->get_UseScaleDep(&b);
      vector->get_DisplayCoverages(&c);
      line += (velk::QueryAs<IZelManagedVpfLayer>(layer.get()) ? L" managed-vpf" : L" vpf") +
              OnOff(L"geosym", a) + OnOff(L"scale-dep", b) + OnOff(L"coverages", c);
    }
    if (auto wire = velk::QueryAs<IWireframeDisplayProps>(layer.get())) {
      velkZelWireframeDisplayEnum mode = velkWireframeDisplayNone;
      wire->get_DisplayWireframe(&mode);
      line += L" wireframe " + std::to_wstring(static_cast<int>(mode));
    }
    s.Print(line + (visible ? L"" : L" hidden"));
  }
  if (!shown) s.Print(L"  no catalog layers");
}

void LayerVisibility(SessionContext& s, const SessionLine& l) {
  s.Session();  // a host runs
  const std::wstring& kind = l.Arg(0, L"dword, string or none");
  using namespace velk::reg;
  LSTATUS status = 0;
  if (kind == L"dword")
    status = WriteDword(Hive::CurrentUser, velk::host::kHostSettingsKey, L"LayerVisibility",
                        static_cast<DWORD>(l.Int(1, L"a number")));
  else if (kind == L"string")
    status = WriteString(Hive::CurrentUser, velk::host::kHostSettingsKey, L"LayerVisibility",
                         l.Arg(1, L"a text"));
  else if (kind == L"none") {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, velk::host::kHostSettingsKey, 0, KEY_ALL_ACCESS, &key) ==
        0) {
      RegDeleteValueW(key, L"LayerVisibility");
      RegCloseKey(key);
    }
  } else
    FailLine(L"layer-visibility needs dword, string or none");
  if (status != 0) FailLine(L"cannot write the host's settings: " + std::to_wstring(status));
}

void EscapeDuringNext(SessionContext& s, const SessionLine& l) {
  s.Session();  // a host runs
  const long long n = l.Int(0, L"the progress check at which Esc is pressed");
  if (n < 1) FailLine(L"escape-during-next needs a check number from 1");
  velk::host::ScriptEscape({L"", static_cast<int>(n)});
}

const SessionActions kRegistered({{"catalog-select", &CatalogSelect},
                                  {"escape-during-next", &EscapeDuringNext},
                                  {"undo", &UndoRedo},
                                  {"redo", &UndoRedo},
                                  {"layer-visibility", &LayerVisibility}},
                                 {{"catalog", &PrintCatalog},
                                  {"history", &PrintHistory},
                                  {"zel-layers", &PrintZelLayers}});

}  // namespace
}  // namespace trevik
