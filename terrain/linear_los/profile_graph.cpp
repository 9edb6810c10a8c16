#include "terrain/linear_los/profile_graph.h"

#include <filesystem>

#include "framework/corvane_module.h"
#include "framework/dataset_helpers.h"
#include "framework/host_object_creation.h"
#include "platform/host/shell/application.h"
#include "platform/host/data/data_class_ids.h"
#include "platform/host/data/dataset.h"
#include "platform/host/display/display_class_ids.h"
#include "platform/host/documents/document.h"
#include "platform/host/data/field.h"
#include "platform/host/display/layer_kinds.h"
#include "platform/host/data/property_set.h"
#include "platform/host/data/table.h"
#include "platform/host/data/workspace.h"
#include "platform/registry/registry.h"
#include "terrain/linear_los/los_results.h"

namespace velk::corvane {

namespace {

constexpr LONG kFieldDouble = 3;

ComPtr<IDocument> Document(HookStruct& hook) {
  ComPtr<IApplication> application;
  hook.GetApplication(application.put());
  if (!application) ThrowComError(E_POINTER);
  ComPtr<IDocument> document;
  Check(application->get_Document(document.put()));
  return document;
}

}  // namespace

std::wstring GraphTemplatePath() {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Velk\\Desktop10.0", 0, KEY_READ, &key) !=
      ERROR_SUCCESS)
    return {};
  // The folder whatever its length (a fixed buffer would lose a long one).
  DWORD size = 0, type = 0;
  std::wstring folder;
  LSTATUS status = RegQueryValueExW(key, L"InstallDir", nullptr, &type, nullptr, &size);
  if (status == ERROR_SUCCESS && type == REG_SZ && size >= sizeof(wchar_t)) {
    folder.resize(size / sizeof(wchar_t));
    status = RegQueryValueExW(key, L"InstallDir", nullptr, &type,
                              reinterpret_cast<BYTE*>(folder.data()), &size);
  }
  RegCloseKey(key);
  if (status != ERROR_SUCCESS || type != REG_SZ || folder.empty()) return {};
  folder.resize(folder.find(L'\0') == std::wstring::npos ? folder.size() : folder.find(L'\0'));
  return folder + L"GraphTemplates/Default.tee";
}

ProfileGraphOutcome DrawProfileGraph(HookStruct& hook, IFeatureClass* profileClass,
                                     const std::wstring& graphName) {
  ProfileGraphOutcome outcome;
  auto layer = CreateHostObject<IFeatureLayer>(host::CLSID_FeatureLayer);
  Check(layer->putref_FeatureClass(profileClass));
  ComPtr<IFeatureClass> fc;
  layer->get_FeatureClass(fc.put());
  auto table = QueryAs<ITable>(fc.get());
  if (!table) return outcome;

  ComPtr<IDocument> document = Document(hook);
  auto graphs = RequireInterface<IDataGraphs>(document.get());
  ComPtr<IDataGraph> graph;
  LONG count = 0;
  Check(graphs->get_DataGraphCount(&count));
  for (LONG i = 0; i < count && !graph; ++i) {
    ComPtr<IDataGraph> candidate;
    Check(graphs->get_DataGraph(i, candidate.put()));
    if (FindGraphWindow(hook, candidate.get())) graph = candidate;
  }
  outcome.newGraph = !graph;
  if (!graph) {
    graph = CreateHostObject<IDataGraph>(host::CLSID_DataGraph);
    const std::wstring path = GraphTemplatePath();
    // A template that cannot be read leaves the host's own defaults.
    if (!path.empty()) graph->LoadTemplate(Bstr(path));
    Check(graph->put_Title(Bstr(LoadResString(kIdsProfileTitle))));
    Check(graph->put_AxisTitle(kGraphAxisVertical, Bstr(LoadResString(kIdsProfileVerticalAxis))));
    Check(graph->put_AxisTitle(kGraphAxisHorizontal,
                               Bstr(LoadResString(kIdsProfileHorizontalAxis))));
    Check(graph->put_Name(Bstr(graphName)));
  }
  ComPtr<IDataGraphSeries> series;
  Check(graph->AddSeries(Bstr(L"line:vertical"), series.put()));
  Check(series->put_Color(kProfileColor));
  Check(series->putref_Table(table.get()));
  Check(series->put_Field(kGraphAxisHorizontal, Bstr(L"M")));
  Check(series->put_Field(kGraphAxisVertical, Bstr(L"Z")));
  Check(series->put_OrderBy(Bstr(L"M")));
  Check(graph->Update());
  if (outcome.newGraph) {
    auto window = CreateHostObject<IGraphWindow>(host::CLSID_GraphWindow);
    Check(window->putref_DataGraph(graph.get()));
    ComPtr<IApplication> application;
    hook.GetApplication(application.put());
    Check(window->Init(application.get()));
    Check(window->Show(VARIANT_TRUE));
    Check(graphs->AddDataGraph(graph.get()));
  }
  outcome.graph = graph;
  return outcome;
}

ProfileGraphOutcome WriteProfileFeatures(HookStruct& hook, IPolyline* profile,
                                         const std::wstring& folder,
                                         const std::wstring& fileName,
                                         const std::wstring& graphName) {
  ProfileGraphOutcome outcome;
  auto points = QueryAs<IPointCollection>(profile);
  if (!points) {
    outcome.messages.push_back(kIdsNoGeometryFound);
    return outcome;
  }
  auto measures = QueryAs<IMSegmentation>(profile);
  if (!measures) {
    outcome.messages.push_back(kIdsNotAPolyCurve);
    return outcome;
  }
  Check(profile->put_ZAware(VARIANT_TRUE));
  Check(profile->put_MAware(VARIANT_TRUE));
  Check(measures->SetMsAsDistance(VARIANT_FALSE));

  ComPtr<ISpatialReference> sr;
  profile->get_SpatialReference(sr.put());
  // Wide enough to keep the values whole: a width of 8 without decimals would round them.
  ComPtr<IFeatureClass> fc =
      CreateShapefileClass(folder, fileName, kGeometryPoint, sr.get(), true, true,
                           {{L"M", kFieldDouble, 24, 24, 12}, {L"Z", kFieldDouble, 24, 24, 12}});
  if (!fc) return outcome;
  // The shapefile goes again whatever happens from here on.
  struct Remove {
    IFeatureClass* fc;
    ~Remove() {
      if (auto ds = QueryAs<IDataset>(fc)) ds->Delete();
    }
  } remove{fc.get()};

  LONG m = -1, z = -1;
  Check(fc->FindField(Bstr(L"M"), &m));
  Check(fc->FindField(Bstr(L"Z"), &z));
  ComPtr<IFeatureCursor> cursor;
  Check(fc->Insert(VARIANT_TRUE, cursor.put()));
  ComPtr<IFeatureBuffer> buffer;
  Check(fc->CreateFeatureBuffer(buffer.put()));
  LONG count = 0;
  Check(points->get_PointCount(&count));
  for (LONG i = 0; i < count; ++i) {
    ComPtr<IPoint> vertex;
    Check(points->get_Point(i, vertex.put()));
    double mv = 0, zv = 0;
    vertex->get_M(&mv);
    vertex->get_Z(&zv);
    Check(buffer->putref_Shape(RequireInterface<IGeometry>(vertex.get()).get()));
    if (m >= 0) Check(buffer->put_Value(m, Variant(mv)));
    if (z >= 0) Check(buffer->put_Value(z, Variant(zv)));
    Variant oid;
    Check(cursor->InsertFeature(buffer.get(), &oid));
  }
  Check(cursor->Flush());
  cursor.Reset();
  ProfileGraphOutcome drawn = DrawProfileGraph(hook, fc.get(), graphName);
  drawn.messages.insert(drawn.messages.begin(), outcome.messages.begin(), outcome.messages.end());
  return drawn;
}

}  // namespace velk::corvane
