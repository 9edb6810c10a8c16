#include "apps/trevik/session_layers.h"

#include "apps/trevik/session_action_table.h"
#include "platform/com/out_param.h"
#include "platform/com/plain_text.h"
#include "platform/host/display/contents_view.h"
#include "platform/host/display/layer.h"

#include <gdal_priv.h>

#include <algorithm>
#include <filesystem>

#include "interfaces/catalog_layer_ids.h"
#include "platform/com/text.h"
#include "platform/host/data/gdal_drivers.h"
#include <cwctype>

namespace trevik {

namespace {

class SessionLayer : public velk::ComObjectRoot<SessionLayer, ILayer> {
 public:
  void Init(std::wstring name, std::vector<IID> answers, bool valid) {
    name_ = std::move(name);
    answers_ = std::move(answers);
    valid_ = valid;
  }
  HRESULT QueryExtra(REFIID riid, void** ppv) {
    for (const IID& iid : answers_)
      if (iid == riid) {
        *ppv = static_cast<ILayer*>(this);
        AddRef();
        return S_OK;
      }
    return E_NOINTERFACE;
  }
  HRESULT get_Name(BSTR* name) override {
    if (!name) return E_POINTER;
    *name = velk::AllocBstr(name_);
    return S_OK;
  }
  HRESULT put_Name(BSTR name) override {
    name_ = velk::BstrToWstring(name);
    return S_OK;
  }
  HRESULT get_Visible(VARIANT_BOOL* visible) override {
    if (!visible) return E_POINTER;
    *visible = velk::ToVariantBool(visible_);
    return S_OK;
  }
  HRESULT put_Visible(VARIANT_BOOL visible) override {
    visible_ = visible != VARIANT_FALSE;
    return S_OK;
  }
  HRESULT get_Valid(VARIANT_BOOL* valid) override {
    if (!valid) return E_POINTER;
    *valid = velk::ToVariantBool(valid_);
    return S_OK;
  }

 private:
  std::wstring name_;
  std::vector<IID> answers_;
  bool valid_ = true;
  bool visible_ = true;
};

velk::ComPtr<ILayer> Make(const std::wstring& name, const std::vector<IID>& answers, bool valid) {
  velk::ComObject<SessionLayer>* p = nullptr;
  velk::Check(velk::ComObject<SessionLayer>::Create(&p));
  p->Init(name, answers, valid);
  velk::ComPtr<ILayer> layer(static_cast<ILayer*>(p));
  p->Release();
  return layer;
}

}  // namespace

velk::ComPtr<ILayer> MakeDataLayer(const std::wstring& path, const std::wstring& name,
                                   std::wstring* problem) {
  std::string file = velk::ToUtf8(path);
  std::error_code ec;
  if (!std::filesystem::exists(file, ec)) {
    *problem = L"no such file: " + path;
    return nullptr;
  }
  velk::host::EnsureGdalDrivers();
  GDALDataset* ds = static_cast<GDALDataset*>(GDALOpenEx(
      file.c_str(), GDAL_OF_RASTER | GDAL_OF_VECTOR | GDAL_OF_READONLY, nullptr, nullptr, nullptr));
  if (!ds) {
    *problem = L"not a readable raster or vector file: " + path;
    return nullptr;
  }
  GDALClose(ds);
  std::wstring shown =
      name.empty() ? velk::FromUtf8(std::filesystem::path(file).stem().string()) : name;
  return Make(shown, {}, true);
}

velk::ComPtr<ILayer> MakeNamedLayer(const std::wstring& name, const std::vector<IID>& interfaces,
                                    bool valid) {
  return Make(name, interfaces, valid);
}

bool InterfaceByName(const std::wstring& word, IID* iid) {
  struct Named {
    const wchar_t* name;
    IID iid;
  };
  const Named names[] = {
      {L"IZelDtedLayer", velk::ids::IID_IZelDtedLayer},
      {L"IZelRasterLayer", velk::ids::IID_IZelRasterLayer},
      {L"IZelVectorLayer", velk::ids::IID_IZelVectorLayer},
      {L"ILayer", IidOf<ILayer>()},
  };
  for (const Named& n : names)
    if (velk::EqualsNoCase(word, n.name)) {
      *iid = n.iid;
      return true;
    }
  return velk::GuidFromString(word, *iid);
}

namespace {

using velk::Bstr;
using velk::ComPtr;
using velk::QueryAs;

ComPtr<ILayer> FindIn(ILayer* layer, const std::wstring& name) {
  Bstr n;
  layer->get_Name(&n);
  if (n.str() == name) return ComPtr<ILayer>(layer);
  if (auto group = QueryAs<ICompositeLayer>(layer)) {
    LONG count = 0;
    group->get_Count(&count);
    for (LONG i = 0; i < count; ++i) {
      ComPtr<ILayer> child;
      group->get_Layer(i, child.put());
      if (!child) continue;
      if (auto found = FindIn(child.get(), name)) return found;
    }
  }
  return nullptr;
}


// The map's top-level layers, top first.
std::vector<ComPtr<ILayer>> MapLayers(IBasicMap* map) {
  LONG n = 0;
  map->get_LayerCount(&n);
  std::vector<ComPtr<ILayer>> out;
  for (LONG i = 0; i < n; ++i) {
    ComPtr<ILayer> l;
    if (SUCCEEDED(map->get_Layer(i, l.put())) && l) out.push_back(l);
  }
  return out;
}

std::wstring LayerName(ILayer* l) {
  Bstr n;
  l->get_Name(&n);
  return n.str();
}

std::wstring Quote(const std::wstring& s) { return L"\"" + s + L"\""; }

// The map's layers become these, top first.
void SetMapLayers(IBasicMap* map, const std::vector<ComPtr<ILayer>>& layers) {
  map->ClearLayers();
  for (auto it = layers.rbegin(); it != layers.rend(); ++it) map->AddLayer(it->get());
}

//   add-data FILE [NAME]             a layer for a raster or vector file GDAL opens
//   add-layer NAME [INTERFACE...] [invalid]
//                                    a named layer answering the interfaces
//   remove-layer NAME, move-layer NAME POSITION
//   print layers                     the focus map's layers, then its standalone tables
void AddData(SessionContext& s, const SessionLine& l) {
  std::wstring problem;
  ComPtr<ILayer> layer =
      MakeDataLayer(l.Arg(0, L"a file"), l.args.size() > 1 ? l.args[1] : L"", &problem);
  if (!layer) throw SessionError{problem};
  s.FocusMap()->AddLayer(layer.get());
}

void AddLayer(SessionContext& s, const SessionLine& l) {
  std::wstring name = l.Arg(0, L"a layer name");
  std::vector<IID> answers;
  bool valid = true;
  for (std::size_t k = 1; k < l.args.size(); ++k) {
    if (l.args[k] == L"invalid") {
      valid = false;
      continue;
    }
    IID iid;
    if (!InterfaceByName(l.args[k], &iid)) throw SessionError{L"unknown interface " + l.args[k]};
    answers.push_back(iid);
  }
  s.FocusMap()->AddLayer(MakeNamedLayer(name, answers, valid).get());
}

void RemoveLayer(SessionContext& s, const SessionLine& l) {
  const std::string& a = l.action;
  std::wstring name = l.Arg(0, L"a layer name");
  auto layers = MapLayers(s.FocusMap().get());
  auto it = std::find_if(layers.begin(), layers.end(),
                         [&](const ComPtr<ILayer>& x) { return LayerName(x.get()) == name; });
  if (it == layers.end()) throw SessionError{L"no layer " + Quote(name) + L" in the map"};
  ComPtr<ILayer> layer = *it;
  // The user removes the one layer; the rest of the map stays as it is.
  if (a == "remove-layer") {
    s.FocusMap()->DeleteLayer(layer.get());
    return;
  }
  layers.erase(it);
  if (a == "move-layer") {
    long long pos = l.Int(1, L"a position (1 is the top)");
    if (pos < 1 || pos > static_cast<long long>(layers.size()) + 1)
      throw SessionError{L"no position " + l.args[1]};
    layers.insert(layers.begin() + (pos - 1), layer);
  }
  SetMapLayers(s.FocusMap().get(), layers);
}

void PrintLayers(SessionContext& s, const SessionLine&) {
  auto layers = MapLayers(s.FocusMap().get());
  if (layers.empty()) s.Print(L"  no layers");
  int i = 0;
  for (auto& layer : layers) {
    VARIANT_BOOL visible = VARIANT_FALSE, valid = VARIANT_FALSE;
    layer->get_Visible(&visible);
    layer->get_Valid(&valid);
    s.Print(L"  " + std::to_wstring(++i) + L". " + Quote(LayerName(layer.get())) +
          (visible ? L"" : L" hidden") + (valid ? L"" : L" invalid"));
  }
  // the tables shown beside the layers
  LONG tableCount = 0;
  auto tables = velk::QueryAs<IStandaloneTableCollection>(s.FocusMap().get());
  if (tables) tables->get_StandaloneTableCount(&tableCount);
  for (LONG t = 0; t < tableCount; ++t) {
    ComPtr<IStandaloneTable> table;
    tables->get_StandaloneTable(t, table.put());
    velk::Bstr name;
    if (table) table->get_Name(&name);
    s.Print(L"  table " + Quote(name.str()));
  }
}

const SessionActions kRegistered({{"add-data", &AddData},
                                  {"add-layer", &AddLayer},
                                  {"remove-layer", &RemoveLayer},
                                  {"move-layer", &RemoveLayer}},
                                 {{"layers", &PrintLayers}});

}  // namespace

// The map's own layers are looked at first, then the members of its groups.
ComPtr<ILayer> LayerByName(IBasicMap* map, const std::wstring& name) {
  LONG count = 0;
  map->get_LayerCount(&count);
  std::vector<ComPtr<ILayer>> top;
  for (LONG i = 0; i < count; ++i) {
    ComPtr<ILayer> layer;
    if (FAILED(map->get_Layer(i, layer.put())) || !layer) continue;
    Bstr n;
    layer->get_Name(&n);
    if (n.str() == name) return layer;
    top.push_back(layer);
  }
  for (const auto& layer : top)
    if (auto found = FindIn(layer.get(), name)) return found;
  FailLine(L"no layer \"" + name + L"\" in the map");
}

ComPtr<ILayer> FindLayerNamed(SessionContext& s, const std::wstring& name) {
  return LayerByName(s.FocusMap().get(), name);
}

}  // namespace trevik
