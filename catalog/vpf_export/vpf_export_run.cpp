#include "catalog/vpf_export/vpf_export_run.h"

#include <filesystem>
#include <map>
#include <sys/stat.h>

#include "catalog/vpf_export/export_names.h"
#include "framework/dataset_helpers.h"
#include "framework/map_lookups.h"
#include "framework/message_helpers.h"
#include "platform/com/text.h"
#include "platform/host/display/active_view.h"
#include "platform/host/shell/application.h"
#include "platform/host/data/data_class_ids.h"
#include "platform/host/data/dataset.h"
#include "platform/host/display/display.h"
#include "platform/host/display/display_class_ids.h"
#include "platform/host/data/feature_class.h"
#include "platform/host/operations/feature_data_converter.h"
#include "platform/host/geometry/geometry.h"
#include "platform/host/display/layer_kinds.h"
#include "platform/host/display/map.h"
#include "platform/host/geometry/spatial_reference.h"
#include "platform/host/shell/status_bar.h"
#include "platform/host/data/table.h"
#include "platform/host/data/table_objects.h"
#include "platform/host/data/vpf_workspace.h"
#include "platform/host/data/workspace.h"
#include "platform/host/data/workspace_objects.h"
#include "platform/registry/host_object_creation.h"
#include "platform/win/responder.h"

namespace velk::corvane {

namespace {

namespace fs = std::filesystem;

void Walk(ILayer* layer, const std::wstring& prefix, std::vector<VpfExportEntry>& out) {
  Bstr name;
  layer->get_Name(&name);
  const std::wstring text = prefix + L"|" + name.str();
  if (auto group = QueryAs<ICompositeLayer>(layer)) {
    LONG n = 0;
    group->get_Count(&n);
    for (LONG i = 0; i < n; ++i) {
      ComPtr<ILayer> child;
      if (SUCCEEDED(group->get_Layer(i, child.put())) && child) Walk(child.get(), text, out);
    }
    return;
  }
  VARIANT_BOOL valid = VARIANT_FALSE, visible = VARIANT_FALSE;
  if (FAILED(layer->get_Valid(&valid)) || !valid) return;
  layer->get_Visible(&visible);
  out.push_back({ComPtr<ILayer>(layer), visible != VARIANT_FALSE, text});
}

ComPtr<IWorkspaceName> WorkspaceName(const std::wstring& path, const wchar_t* progId) {
  ComPtr<IWorkspaceName> name;
  Check(host::CreateWorkspaceNameObject(nullptr, IidOf<IWorkspaceName>(), name.put_void()));
  Check(name->put_PathName(Bstr(path)));
  Check(name->put_WorkspaceFactoryProgID(Bstr(progId)));
  return name;
}

ComPtr<IStepProgressor> ProgressBar(HookStruct& hook) {
  ComPtr<IApplication> app;
  hook.GetApplication(app.put());
  ComPtr<IStatusBar> bar;
  if (app) app->get_StatusBar(bar.put());
  ComPtr<IStepProgressor> progress;
  if (auto p = QueryAs<IStatusBarProgress>(bar.get())) p->get_ProgressBar(progress.put());
  return progress;
}

// The name of the feature dataset holding a feature class ("lib1:pop" for a VPF class), and
// the class's own name.
std::pair<std::wstring, std::wstring> DatasetAndClass(IFeatureClass* fc) {
  Bstr full;
  if (auto ds = QueryAs<IDataset>(fc)) ds->get_Name(&full);
  const std::wstring name = full.str();
  const std::size_t colon = name.rfind(L':');
  if (colon == std::wstring::npos) return {L"", name};
  return {name.substr(0, colon), name.substr(colon + 1)};
}

using OutputNames = std::map<std::wstring, std::size_t>;  // output name to entry index

// The outputs of an export into a folder: a shapefile per checked entry, in folders made here.
// A shapefile of the user's there already keeps its name: the export takes another.
OutputNames PlanFolderOutputs(const VpfExportParameters& p) {
  std::vector<std::wstring> paths;
  std::vector<bool> checked;
  for (const auto& e : p.entries) {
    paths.push_back(e.path);
    checked.push_back(e.checked);
  }
  const FolderExportPlan plan =
      PlanFolderExport(p.location, paths, checked, [](const std::wstring& path) {
        std::error_code ec;
        for (const char* ext : {".shp", ".shx", ".dbf"})
          if (std::filesystem::exists(ToUtf8(path) + ext, ec)) return true;
        return false;
      });
  for (const auto& folder : plan.folders) ::mkdir(ToUtf8(folder).c_str(), 0777);
  return plan.outputs;
}

// The outputs of an export into a GeoPackage, made when it is not there yet: a feature class per
// checked entry with a feature class. False when the database cannot be made (outcome.problem
// says why) or opened.
bool PlanDatabaseOutputs(const VpfExportParameters& p, VpfExportOutcome& outcome,
                         OutputNames& names, ComPtr<IWorkspaceName>& databaseName) {
  std::wstring why;
  ComPtr<IWorkspace> made = OpenOrCreateDatabase(p.location, &why);
  if (!made) {
    outcome.problem = L"Cannot export the VPF features: " + why + L".";
    return false;
  }
  // The database's own file: a new one named without its extension is made with ".gpkg".
  Bstr file;
  made->get_PathName(&file);
  const std::wstring location = file.str().empty() ? p.location : file.str();
  databaseName = WorkspaceName(location, host::kDatabaseWorkspaceFactoryProgId);
  ComPtr<IUnknown> opened;
  if (FAILED(databaseName.As<IName>()->Open(opened.put())) || !opened) {
    outcome.problem = L"Cannot export the VPF features: \"" + location + L"\" cannot be opened.";
    return false;
  }
  std::map<std::wstring, std::size_t> byKey;
  for (std::size_t i = 0; i < p.entries.size(); ++i) {
    if (!p.entries[i].checked) continue;
    ComPtr<IFeatureClass> fc;
    if (auto fl = p.entries[i].layer.As<IFeatureLayer>()) fl->get_FeatureClass(fc.put());
    if (!fc) continue;
    const auto [dataset, cls] = DatasetAndClass(fc.get());
    byKey[dataset + L"\\" + cls] = i;
  }
  // Names that clean to one, or name a feature class of the user's, are made unique.
  ComPtr<IFeatureWorkspace> database = QueryAs<IFeatureWorkspace>(opened.get());
  auto there = [&](const std::wstring& name) {
    ComPtr<IFeatureClass> existing;
    return database && SUCCEEDED(database->OpenFeatureClass(Bstr(name), existing.put())) &&
           existing;
  };
  for (const auto& [key, index] : byKey) {
    const std::size_t slash = key.find(L'\\');
    names[UniqueOutputName(DatabaseExportName(key.substr(0, slash), key.substr(slash + 1)),
                           names, there)] = index;
  }
  return true;
}

// The host's progress bar, shown and set for steps outputs (null when the host has none).
ComPtr<IStepProgressor> StartProgress(HookStruct& hook, std::size_t steps) {
  ComPtr<IStepProgressor> progress = ProgressBar(hook);
  if (progress) {
    progress->put_MinRange(0);
    progress->put_MaxRange(static_cast<LONG>(steps));
    progress->put_Position(0);
    progress->Show();
  }
  return progress;
}

// Which features of the entry are exported: its selection, those in the view, or all.
void ChooseFeatures(HookStruct& hook, VpfExportFeatures features, const VpfExportEntry& entry,
                    ComPtr<IQueryFilter>& filter, ComPtr<ISelectionSet>& selection) {
  if (features == VpfExportFeatures::kSelected) {
    if (auto s = entry.layer.As<IFeatureSelection>()) s->get_SelectionSet(selection.put());
  } else if (features == VpfExportFeatures::kInView) {
    ComPtr<ISpatialFilter> spatial;
    Check(host::CreateSpatialFilterObject(nullptr, IidOf<ISpatialFilter>(), spatial.put_void()));
    ComPtr<IEnvelope> view = VisibleExtent(hook);
    if (view) spatial->putref_Geometry(view.As<IGeometry>().get());
    spatial->put_GeometryField(Bstr(L"Shape"));
    spatial->put_SpatialRel(2);
    filter = spatial.As<IQueryFilter>();
  }
}

// The written feature class as a layer of the export's group, named after the output.
void AddToGroup(IWorkspaceName* where, const std::wstring& className, const std::wstring& name,
                ILayer* group) {
  ComPtr<IUnknown> ws;
  ComPtr<IFeatureClass> made;
  if (SUCCEEDED(QueryAs<IName>(where)->Open(ws.put())))
    if (auto fw = QueryAs<IFeatureWorkspace>(ws.get()))
      fw->OpenFeatureClass(Bstr(className), made.put());
  if (made) {
    auto layer = CreateHostObject<IFeatureLayer>(host::CLSID_FeatureLayer);
    layer->putref_FeatureClass(made.get());
    auto asLayer = layer.As<ILayer>();
    asLayer->put_Name(Bstr(name));
    QueryAs<IGroupLayer>(group)->Add(asLayer.get());
  }
}

}  // namespace

std::vector<VpfExportEntry> CollectVpfEntries(ILayer* vectorLayer) {
  std::vector<VpfExportEntry> out;
  Bstr name;
  vectorLayer->get_Name(&name);
  auto group = QueryAs<ICompositeLayer>(vectorLayer);
  LONG n = 0;
  if (group) group->get_Count(&n);
  for (LONG i = 0; i < n; ++i) {
    ComPtr<ILayer> child;
    if (FAILED(group->get_Layer(i, child.put())) || !child) continue;
    if (QueryAs<ICompositeLayer>(child.get())) Walk(child.get(), name.str(), out);
  }
  return out;
}

VpfExportOutcome RunVpfExport(HookStruct& hook, const VpfExportParameters& p) {
  VpfExportOutcome outcome;
  if (p.location.empty()) {
    outcome.messages.push_back({kIdsVpfNoOutput, MB_ICONEXCLAMATION});
    return outcome;
  }
  // Output name to entry index, in name order.
  OutputNames names;
  ComPtr<IWorkspaceName> databaseName;
  if (p.folder)
    names = PlanFolderOutputs(p);
  else if (!PlanDatabaseOutputs(p, outcome, names, databaseName))
    return outcome;

  ShowStatusText(hook, 0, Bstr(L""));
  ComPtr<IStepProgressor> progress = StartProgress(hook, names.size());
  auto converter = CreateHostObject<IFeatureDataConverter>(host::CLSID_FeatureDataConverter);
  auto group = CreateHostObject<ILayer>(host::CLSID_GroupLayer);
  group->put_Name(Bstr(L"VPF Export"));
  ComPtr<IMap> map;
  hook.GetFocusMap(map.put());
  bool failed = false;
  for (const auto& [name, index] : names) {
    if (progress) {
      progress->Step();
      if (p.folder) progress->put_Message(Bstr(name));
    }
    const VpfExportEntry& entry = p.entries[index];
    ComPtr<IFeatureClass> fc;
    if (auto fl = entry.layer.As<IFeatureLayer>()) fl->get_FeatureClass(fc.put());
    VpfExportOutput written{name, 0, false};
    if (!fc) {
      failed = true;
      outcome.outputs.push_back(written);
      continue;
    }
    ComPtr<IQueryFilter> filter;
    ComPtr<ISelectionSet> selection;
    ChooseFeatures(hook, p.features, entry, filter, selection);
    ComPtr<ISpatialReference> target;
    if (p.mapCoordinateSystem && map) {
      ComPtr<IUnknown> sr;
      map->get_SpatialReference(sr.put());
      target = QueryAs<ISpatialReference>(sr.get());
    }
    ComPtr<IWorkspaceName> where = databaseName;
    std::wstring className = name;
    if (p.folder) {
      const std::size_t slash = name.rfind(L'/');
      where = WorkspaceName(name.substr(0, slash), host::kShapefileWorkspaceFactoryProgId);
      className = name.substr(slash + 1);
    }
    LONG count = 0;
    HRESULT hr = converter->ConvertFeatureClass(fc.get(), filter.get(), selection.get(), where.get(),
                                                Bstr(className), target.get(), p.cancel.get(),
                                                hook.GetWindowHandle(), &count);
    if (hr == E_ABORT) break;
    written.features = count;
    written.written = SUCCEEDED(hr);
    failed = failed || FAILED(hr);
    outcome.outputs.push_back(written);
    if (SUCCEEDED(hr) && p.addToMap) AddToGroup(where.get(), className, name, group.get());
  }
  if (p.addToMap && map) {
    map->AddLayer(group.get());
    outcome.group = group;
  }
  if (progress) progress->Hide();
  ShowStatusText(hook, 0, Bstr(L""));
  if (failed) outcome.messages.push_back({kIdsVpfCannotConvert, MB_ICONEXCLAMATION});
  outcome.done = !failed;
  return outcome;
}

}  // namespace velk::corvane
