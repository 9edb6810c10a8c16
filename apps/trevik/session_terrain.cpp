// Session actions for the terrain tools' surfaces and their results in the map's tree:
//   add-raster FILE [NAME]     adds a host raster layer over a raster file (DTED, GeoTIFF, ...)
//                              on top of the focus map
//   group NAME LAYER...        puts the named top-level layers, in that order, into a new group
//                              layer NAME, which takes the place of the first of them
//   print tree                 the focus map's layers with the members of groups indented, and
//                              a raster layer's transparency when it has one
#include <filesystem>

#include "apps/trevik/session_action_table.h"
#include "apps/trevik/failure_text.h"

#include "platform/com/hresult_text.h"
#include "platform/com/text.h"
#include "platform/host/display/display_class_ids.h"
#include "platform/host/display/globe_display.h"
#include "platform/host/display/layer_kinds.h"
#include "platform/registry/activation.h"

namespace trevik {
namespace {

using velk::Bstr;
using velk::ComPtr;

template <class I>
ComPtr<I> Create(SessionContext& s, REFCLSID clsid) {
  s.Session();  // the host's classes come with a running host
  ComPtr<I> p;
  HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IidOf<I>(), p.put_void());
  if (FAILED(hr) || !p) FailLine(L"the host cannot make a layer: " + FailureText(hr));
  return p;
}

std::wstring NameOf(ILayer* layer) {
  Bstr name;
  layer->get_Name(&name);
  return name.str();
}

void AddRaster(SessionContext& s, const SessionLine& l) {
  const std::wstring& file = l.Arg(0, L"a raster file");
  auto raster = Create<IRasterLayer>(s, velk::host::CLSID_RasterLayer);
  HRESULT hr = raster->CreateFromFilePath(Bstr(file));
  if (FAILED(hr)) FailLine(L"cannot open the raster " + file + L": " + FailureText(hr));
  auto layer = raster.As<ILayer>();
  layer->put_Name(
      Bstr(l.args.size() > 1
               ? l.args[1]
               : velk::FromUtf8(std::filesystem::path(velk::ToUtf8(file)).stem().string())));
  s.FocusMap()->AddLayer(layer.get());
}

void Group(SessionContext& s, const SessionLine& l) {
  const std::wstring& name = l.Arg(0, L"a group name");
  l.Arg(1, L"a layer");
  auto map = s.FocusMap();
  auto layers = velk::QueryAs<IMapLayers>(map.get());
  if (!layers) FailLine(L"this map cannot place layers");
  auto group = Create<ILayer>(s, velk::host::CLSID_GroupLayer);
  group->put_Name(Bstr(name));
  LONG at = -1;
  for (std::size_t k = 1; k < l.args.size(); ++k) {
    LONG n = 0;
    map->get_LayerCount(&n);
    ComPtr<ILayer> found;
    for (LONG i = 0; i < n && !found; ++i) {
      ComPtr<ILayer> layer;
      map->get_Layer(i, layer.put());
      if (layer && NameOf(layer.get()) == l.args[k]) {
        found = layer;
        if (at < 0) at = i;
      }
    }
    if (!found) FailLine(L"no layer " + l.args[k] + L" at the top of the map");
    map->DeleteLayer(found.get());
    group.As<IGroupLayer>()->Add(found.get());
  }
  layers->InsertLayer(group.get(), VARIANT_FALSE, at);
}

// A layer of the tree, with its transparency and, on a globe, "unlit" when the globe draws it
// without the sun's lighting.
void PrintLayer(SessionContext& s, ILayer* layer, int depth, int number,
                IGlobeDisplayLayers* globeLayers) {
  std::wstring line(2 + 3 * depth, L' ');
  line += std::to_wstring(number) + L". \"" + NameOf(layer) + L"\"";
  if (auto effects = velk::QueryAs<ILayerEffects>(layer)) {
    SHORT t = 0;
    if (SUCCEEDED(effects->get_Transparency(&t)) && t) line += L" " + std::to_wstring(t) + L"%";
  }
  velk::ComPtr<IGlobeLayerProperties> properties;
  VARIANT_BOOL lit = VARIANT_TRUE;
  if (globeLayers && SUCCEEDED(globeLayers->get_LayerProperties(layer, properties.put())) &&
      properties && SUCCEEDED(properties->get_Lighting(&lit)) && !lit)
    line += L" unlit";
  s.Print(line);
  if (auto group = velk::QueryAs<ICompositeLayer>(layer)) {
    LONG n = 0;
    group->get_Count(&n);
    for (LONG i = 0; i < n; ++i) {
      ComPtr<ILayer> child;
      group->get_Layer(i, child.put());
      if (child) PrintLayer(s, child.get(), depth + 1, i + 1, globeLayers);
    }
  }
}

void PrintTree(SessionContext& s, const SessionLine&) {
  auto map = s.FocusMap();
  LONG n = 0;
  map->get_LayerCount(&n);
  if (!n) s.Print(L"  no layers");
  velk::ComPtr<IGlobeDisplayLayers> globeLayers;
  if (auto globe = velk::QueryAs<IGlobe>(map.get())) {
    velk::ComPtr<IGlobeDisplay> display;
    globe->get_GlobeDisplay(display.put());
    globeLayers = velk::QueryAs<IGlobeDisplayLayers>(display.get());
  }
  for (LONG i = 0; i < n; ++i) {
    ComPtr<ILayer> layer;
    map->get_Layer(i, layer.put());
    if (layer) PrintLayer(s, layer.get(), 0, i + 1, globeLayers.get());
  }
}

const SessionActions kRegistered({{"add-raster", &AddRaster}, {"group", &Group}},
                                 {{"tree", &PrintTree}});

}  // namespace
}  // namespace trevik
