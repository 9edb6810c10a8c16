// Session actions over the data a conversion works on: the bundled example of places, feature
// layers from vector files, selections.
#include "apps/trevik/session_action_table.h"
#include "apps/trevik/failure_text.h"
#include "apps/trevik/session_layers.h"

#include <filesystem>

#include "apps/trevik/session_places.h"
#include "platform/com/hresult_text.h"
#include "platform/com/text.h"
#include "platform/host/data/dataset.h"
#include "platform/host/application/editor.h"
#include "platform/host/data/feature_class.h"
#include "platform/host/geometry/geometry.h"
#include "platform/host/display/layer_kinds.h"
#include "platform/host/display/layer_objects.h"
#include "platform/host/data/table_objects.h"
#include "platform/host/data/workspace_objects.h"

namespace trevik {

namespace {

using velk::Bstr;
using velk::ComPtr;

// The feature class or table of a shapefile or dBASE file.
ComPtr<ITable> OpenVectorFile(const std::wstring& path) {
  namespace fs = std::filesystem;
  fs::path file(velk::ToUtf8(path));
  std::error_code ec;
  if (!fs::exists(file, ec)) throw SessionError{L"no such file: " + path};
  ComPtr<IWorkspaceFactory> factory;
  velk::Check(velk::host::CreateShapefileWorkspaceFactory(nullptr, IidOf<IWorkspaceFactory>(),
                                                          factory.put_void()));
  std::wstring folder =
      velk::FromUtf8(file.parent_path().empty() ? std::string(".") : file.parent_path().string());
  ComPtr<IWorkspace> ws;
  if (FAILED(factory->OpenFromFile(Bstr(folder), nullptr, ws.put())) || !ws)
    throw SessionError{L"cannot open the folder of " + path};
  ComPtr<ITable> table;
  HRESULT hr = ws.As<IFeatureWorkspace>()->OpenTable(Bstr(velk::FromUtf8(file.stem().string())),
                                                     table.put());
  if (FAILED(hr) || !table) throw SessionError{L"not a readable shapefile or dBASE table: " + path};
  return table;
}

//   make-places FILE                 writes the example point shapefile of places
void MakePlaces(SessionContext& context, const SessionLine& l) {
  {
    const std::wstring& path = l.Arg(0, L"a file");
    std::wstring problem;
    if (!WriteExamplePlaces(path, &problem)) throw SessionError{problem};
    context.Print(L"  wrote " + std::to_wstring(ExamplePlaces().size()) + L" places to " + path);
  }
}

//   add-features FILE [NAME]         adds a feature layer for a shapefile or dBASE table
void AddFeatures(SessionContext& context, const SessionLine& l) {
  const auto& args = l.args;
  {
    const std::wstring& path = l.Arg(0, L"a shapefile or dBASE file");
    ComPtr<ITable> table = OpenVectorFile(path);
    auto featureClass = table.As<IFeatureClass>();
    if (!featureClass) throw SessionError{path + L" holds no features"};
    ComPtr<IFeatureLayer> layer;
    velk::Check(
        velk::host::CreateFeatureLayerObject(nullptr, IidOf<IFeatureLayer>(), layer.put_void()));
    velk::Check(layer->putref_FeatureClass(featureClass.get()));
    std::wstring name =
        args.size() > 1 ? args[1]
                        : velk::FromUtf8(std::filesystem::path(velk::ToUtf8(path)).stem().string());
    auto general = layer.As<ILayer>();
    general->put_Name(Bstr(name));
    context.FocusMap()->AddLayer(general.get());
  }
}

//   select LAYER WHERE               selects the layer's features the where clause finds
void Select(SessionContext& context, const SessionLine& l) {
  {
    const std::wstring& name = l.Arg(0, L"a layer name");
    const std::wstring& where = l.Arg(1, L"a where clause");
    ComPtr<ILayer> layer = LayerByName(context.FocusMap().get(), name);
    auto featureLayer = layer.As<IFeatureLayer>();
    auto selection = layer.As<IFeatureSelection>();
    ComPtr<IFeatureClass> fc;
    if (featureLayer) featureLayer->get_FeatureClass(fc.put());
    if (!fc || !selection)
      throw SessionError{L"the layer \"" + name + L"\" has no features to select"};
    ComPtr<IQueryFilter> filter;
    velk::Check(
        velk::host::CreateQueryFilterObject(nullptr, IidOf<IQueryFilter>(), filter.put_void()));
    filter->put_WhereClause(Bstr(where));
    ComPtr<ISelectionSet> set;
    HRESULT hr =
        fc->Select(filter.get(), kSelectionTypeIDSet, kSelectionOptionNormal, nullptr, set.put());
    if (FAILED(hr) || !set)
      throw SessionError{L"the where clause cannot be used: " + FailureText(hr)};
    velk::Check(selection->putref_SelectionSet(set.get()));
    LONG count = 0;
    set->get_Count(&count);
    context.Print(L"  selected " + std::to_wstring(count) + L" features of \"" + name + L"\"");
  }
}

ComPtr<IEditor> HostEditor(SessionContext& context) {
  auto editor =
      velk::QueryAs<IEditor>(context.Session().Host().FindExtension(kEditorExtensionName).get());
  if (!editor) throw SessionError{L"the host has no editor"};
  return editor;
}

//   edit LAYER | edit stop           starts editing with a feature layer as target, or stops
void Edit(SessionContext& context, const SessionLine& l) {
  const std::wstring& what = l.Arg(0, L"a layer name or stop");
  ComPtr<IEditor> editor = HostEditor(context);
  if (what == L"stop") {
    velk::Check(editor->StopEditing());
    return;
  }
  auto layer = LayerByName(context.FocusMap().get(), what).As<IFeatureLayer>();
  HRESULT hr = editor->StartEditing(layer.get());
  if (hr == E_UNEXPECTED) throw SessionError{L"the editor is editing already"};
  if (FAILED(hr)) throw SessionError{L"the layer \"" + what + L"\" has no features to edit"};
  context.Print(L"  editing \"" + what + L"\"");
}

//   print features LAYER             the layer's features: count, then each point's coordinates
void PrintFeatures(SessionContext& context, const SessionLine& l) {
  const std::wstring& name = l.Arg(1, L"a layer name");
  auto layer = LayerByName(context.FocusMap().get(), name).As<IFeatureLayer>();
  ComPtr<IFeatureClass> fc;
  if (layer) layer->get_FeatureClass(fc.put());
  if (!fc) throw SessionError{L"the layer \"" + name + L"\" has no features"};
  LONG count = 0;
  fc->FeatureCount(nullptr, &count);
  LONG edits = static_cast<LONG>(velk::host::EditorOperations(HostEditor(context).get()).size());
  context.Print(L"  " + std::to_wstring(count) + L" features in \"" + name + L"\", " +
                std::to_wstring(edits) + L" edit operation(s)");
  ComPtr<IFeatureCursor> cursor;
  if (FAILED(fc->Search(nullptr, VARIANT_FALSE, cursor.put())) || !cursor) return;
  for (ComPtr<IFeature> f; SUCCEEDED(cursor->NextFeature(f.put())) && f; f.Reset()) {
    ComPtr<IGeometry> shape;
    f->get_Shape(shape.put());
    ComPtr<IPoint> point = velk::QueryAs<IPoint>(shape.get());
    if (auto points = velk::QueryAs<IPointCollection>(shape.get())) {
      LONG n = 0;
      points->get_PointCount(&n);
      if (n > 0) points->get_Point(0, point.put());
    }
    double x = 0, y = 0;
    if (!point || FAILED(point->QueryCoords(&x, &y))) continue;
    VARIANT_BOOL zAware = VARIANT_FALSE;
    shape->get_ZAware(&zAware);
    double z = 0;
    point->get_Z(&z);
    context.Print(L"  " + Number(x) + L" " + Number(y) + (zAware ? L" z " + Number(z) : L""));
  }
}

const SessionActions kRegistered({{"make-places", &MakePlaces},
                                  {"add-features", &AddFeatures},
                                  {"select", &Select},
                                  {"edit", &Edit}},
                                 {{"features", &PrintFeatures}});

}  // namespace

}  // namespace trevik
