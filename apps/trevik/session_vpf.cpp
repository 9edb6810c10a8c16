// Session actions over the vector product layer of a VPF catalog (Lumeris must be registered):
//   add-vector DB NAME                  adds a ZelVectorLayer bound to the VPF catalog NAME of the
//                                       GeoPackage DB on top of the focus map
//   add-managed-vpf DB NAME             the same with a ZelManagedVpfLayer over the geodatabase
//                                       VPF catalog NAME
// The other actions serve both kinds of layer.
//   vector-coverages LAYER              prints the layer's coverages: index, shown, description
//   show-coverage LAYER INDEX...        shows the coverages (refresh-coverages builds them)
//   refresh-coverages LAYER             rebuilds the layer's tree of coverage layers
//   vector-switch LAYER SWITCH on|off   display-coverages, use-geosym or use-scale-dep
//   vector-tree LAYER                   prints the layer's tree: groups with their scale range,
//                                       feature layers and whether their data is open
#include "apps/trevik/session_action_table.h"
#include "apps/trevik/failure_text.h"

#include "interfaces/lumeris_ids.h"
#include "interfaces/zel_layer_interfaces.h"
#include "platform/com/hresult_text.h"
#include "platform/com/object.h"
#include "platform/com/out_param.h"
#include "platform/com/text.h"
#include "platform/host/data/data_class_ids.h"
#include "platform/host/data/feature_class.h"
#include "platform/host/display/layer.h"
#include "platform/host/display/layer_drawing.h"
#include "platform/host/display/layer_kinds.h"
#include "platform/host/display/map.h"
#include "platform/host/data/workspace.h"
#include "platform/host/data/workspace_objects.h"
#include "platform/registry/activation.h"

namespace trevik {
namespace {

using velk::Bstr;
using velk::ComPtr;

ComPtr<ILayer> MapLayer(SessionContext& context, const std::wstring& name) {
  auto map = velk::QueryAs<IMap>(context.FocusMap().get());
  LONG count = 0;
  if (map) map->get_LayerCount(&count);
  for (LONG i = 0; i < count; ++i) {
    ComPtr<ILayer> layer;
    Bstr text;
    if (SUCCEEDED(map->get_Layer(i, layer.put())) && layer &&
        SUCCEEDED(layer->get_Name(&text)) && text.str() == name)
      return layer;
  }
  FailLine(L"the map has no layer \"" + name + L"\"");
}

template <class I>
ComPtr<I> VectorLayer(SessionContext& context, const std::wstring& name) {
  auto p = velk::QueryAs<I>(MapLayer(context, name).get());
  if (!p) FailLine(L"\"" + name + L"\" is not a vector product layer");
  return p;
}

void Check(HRESULT hr, const std::wstring& what) {
  if (FAILED(hr)) FailLine(what + L" failed: " + FailureText(hr));
}

// A layer of the class bound to the catalog NAME of the GeoPackage DB, on top of the focus map.
void AddVpfLayer(SessionContext& context, const SessionLine& l, REFCLSID clsid) {
  const std::wstring& db = l.Arg(0, L"a GeoPackage file");
  const std::wstring& name = l.Arg(1, L"a catalog name");
  auto factory = velk::host::WorkspaceFactoryFromProgId(velk::host::kDatabaseWorkspaceFactoryProgId);
  ComPtr<IWorkspace> ws;
  Check(factory ? factory->OpenFromFile(Bstr(db), nullptr, ws.put()) : E_FAIL,
        L"opening " + db);
  ComPtr<IFeatureClass> catalog;
  Check(ws.As<IFeatureWorkspace>()->OpenFeatureClass(Bstr(name), catalog.put()),
        L"opening the catalog " + name);
  ComPtr<IZelVectorLayer> layer;
  Check(CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IidOf<IZelVectorLayer>(), layer.put_void()),
        L"creating the layer");
  Check(layer->putref_FeatureClass(catalog.get()), L"binding the catalog");
  context.FocusMap()->AddLayer(layer.As<ILayer>().get());
}

void AddVector(SessionContext& context, const SessionLine& l) {
  AddVpfLayer(context, l, velk::ids::CLSID_ZelVectorLayer);
}

void AddManagedVpf(SessionContext& context, const SessionLine& l) {
  AddVpfLayer(context, l, velk::ids::CLSID_ZelManagedVpfLayer);
}

void VectorCoverages(SessionContext& context, const SessionLine& l) {
  auto coverages = VectorLayer<IZelVpfCoverages>(context, l.Arg(0, L"a layer name"));
  LONG count = 0;
  coverages->get_CoverageCount(&count);
  for (LONG i = 0; i < count; ++i) {
    Bstr text;
    VARIANT_BOOL show = 0;
    coverages->get_Coverage(i, &text);
    coverages->get_ShowCoverage(i, &show);
    context.Print(L"  " + std::to_wstring(i) + L". " + (show ? L"[x] " : L"[ ] ") + text.str());
  }
}

void ShowCoverage(SessionContext& context, const SessionLine& l) {
  auto coverages = VectorLayer<IZelVpfCoverages>(context, l.Arg(0, L"a layer name"));
  l.Arg(1, L"a coverage index");
  for (std::size_t i = 1; i < l.args.size(); ++i)
    Check(coverages->put_ShowCoverage(ParseLong(l.args[i], L"a coverage index"), VARIANT_TRUE),
          L"showing coverage " + l.args[i]);
}

void RefreshCoverages(SessionContext& context, const SessionLine& l) {
  Check(VectorLayer<IZelVpfCoverages>(context, l.Arg(0, L"a layer name"))->RefreshCoverages(),
        L"refreshing the coverages");
}

void VectorSwitch(SessionContext& context, const SessionLine& l) {
  auto layer = VectorLayer<IZelVectorLayer>(context, l.Arg(0, L"a layer name"));
  const std::wstring& which = l.Arg(1, L"a switch");
  const std::wstring& state = l.Arg(2, L"on or off");
  if (state != L"on" && state != L"off") FailLine(L"a switch is on or off, not " + state);
  const VARIANT_BOOL value = velk::ToVariantBool(state == L"on");
  if (which == L"display-coverages")
    layer->put_DisplayCoverages(value);
  else if (which == L"use-geosym")
    layer->put_UseGeoSym(value);
  else if (which == L"use-scale-dep")
    layer->put_UseScaleDep(value);
  else
    FailLine(L"no switch \"" + which + L"\" (display-coverages, use-geosym, use-scale-dep)");
}

void PrintTree(SessionContext& context, ICompositeLayer* group, const std::wstring& indent) {
  LONG count = 0;
  group->get_Count(&count);
  for (LONG i = 0; i < count; ++i) {
    ComPtr<ILayer> member;
    if (FAILED(group->get_Layer(i, member.put())) || !member) continue;
    Bstr name;
    member->get_Name(&name);
    std::wstring line = indent + name.str();
    if (auto range = velk::QueryAs<ILayerScaleRange>(member.get())) {
      double out = 0, in = 0;
      range->get_MinimumScale(&out);
      range->get_MaximumScale(&in);
      if (out != 0 || in != 0)
        line += L" (1:" + std::to_wstring(static_cast<long long>(out)) + L" to 1:" +
                std::to_wstring(static_cast<long long>(in)) + L")";
    }
    if (auto features = velk::QueryAs<IFeatureLayer>(member.get())) {
      ComPtr<IFeatureClass> fc;
      features->get_FeatureClass(fc.put());
      line += fc ? L" [open]" : L" [not open]";
    }
    context.Print(line);
    if (auto sub = velk::QueryAs<ICompositeLayer>(member.get())) PrintTree(context, sub.get(), indent + L"  ");
  }
}

void VectorTree(SessionContext& context, const SessionLine& l) {
  auto group = VectorLayer<ICompositeLayer>(context, l.Arg(0, L"a layer name"));
  PrintTree(context, group.get(), L"  ");
}

const SessionActions kRegistered({{"add-vector", &AddVector},
                                  {"add-managed-vpf", &AddManagedVpf},
                                  {"vector-coverages", &VectorCoverages},
                                  {"show-coverage", &ShowCoverage},
                                  {"refresh-coverages", &RefreshCoverages},
                                  {"vector-switch", &VectorSwitch},
                                  {"vector-tree", &VectorTree}});

}  // namespace
}  // namespace trevik
