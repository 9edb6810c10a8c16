#include "platform/host/documents/map_document_file.h"

#include <vector>

#include "platform/com/bstr.h"
#include "platform/com/object.h"
#include "platform/com/stream.h"
#include "platform/host/display/display_class_ids.h"
#include "platform/host/display/layer.h"
#include "platform/host/display/layer_objects.h"
#include "platform/host/display/map.h"
#include "platform/host/data/persist_bytes.h"
#include "platform/host/display/raster_catalog_layer.h"
#include "platform/registry/activation.h"

namespace velk::host {
namespace {

constexpr char kMagic[8] = {'V', 'M', 'A', 'P', 'D', 'O', 'C', '1'};

std::wstring LayerName(ILayer* layer) {
  Bstr name;
  if (layer) layer->get_Name(&name);
  return name.str();
}

// The host's own layer classes are made here; any other through the class table.
HRESULT CreateLayer(const CLSID& clsid, IPersistStream** out) {
  if (clsid == CLSID_RasterCatalogLayer)
    return CreateRasterCatalogLayerObject(nullptr, IidOf<IPersistStream>(),
                                          reinterpret_cast<void**>(out));
  if (clsid == CLSID_FeatureLayer)
    return CreateFeatureLayerObject(nullptr, IidOf<IPersistStream>(),
                                    reinterpret_cast<void**>(out));
  return CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IidOf<IPersistStream>(),
                          reinterpret_cast<void**>(out));
}

void Tell(std::wstring* problem, const std::wstring& text) {
  if (problem) *problem = text;
}

}  // namespace

HRESULT SaveMapLayers(IBasicMap* map, const std::wstring& path, std::wstring* problem) {
  if (!map) return E_POINTER;
  LONG count = 0;
  HRESULT hr = map->get_LayerCount(&count);
  if (FAILED(hr)) return hr;
  ByteWriter doc;
  doc.bytes.append(kMagic, sizeof kMagic);
  doc.U32(static_cast<std::uint32_t>(count));
  for (LONG i = 0; i < count; ++i) {
    ComPtr<ILayer> layer;
    hr = map->get_Layer(i, layer.put());
    if (FAILED(hr)) return hr;
    ComPtr<IPersistStream> persist;
    CLSID clsid{};
    if (!layer || FAILED(layer->QueryInterface(IidOf<IPersistStream>(), persist.put_void())) ||
        FAILED(persist->GetClassID(&clsid))) {
      Tell(problem, L"the layer \"" + LayerName(layer.get()) + L"\" cannot be saved");
      return E_NOTIMPL;
    }
    ComPtr<IStream> memory;
    hr = CreateMemoryStream(memory.put());
    if (SUCCEEDED(hr)) hr = persist->Save(memory.get(), TRUE);
    std::string bytes;
    if (SUCCEEDED(hr)) hr = ReadStreamContents(memory.get(), bytes);
    if (FAILED(hr)) {
      Tell(problem, L"the layer \"" + LayerName(layer.get()) + L"\" failed to save itself");
      return hr;
    }
    doc.bytes.append(reinterpret_cast<const char*>(&clsid), sizeof clsid);
    doc.Text(bytes);
  }
  ComPtr<IStream> file;
  hr = CreateFileStream(path, STGM_WRITE | STGM_CREATE, file.put());
  ULONG written = 0;
  if (SUCCEEDED(hr))
    hr = file->Write(doc.bytes.data(), static_cast<ULONG>(doc.bytes.size()), &written);
  if (SUCCEEDED(hr)) hr = file->Commit(0);
  if (FAILED(hr)) Tell(problem, L"the document cannot be written");
  return hr;
}

HRESULT LoadMapLayers(const std::wstring& path, IBasicMap* map, std::wstring* problem) {
  if (!map) return E_POINTER;
  ComPtr<IStream> file;
  HRESULT hr = CreateFileStream(path, STGM_READ, file.put());
  std::string bytes;
  if (SUCCEEDED(hr)) hr = ReadStreamContents(file.get(), bytes);
  if (FAILED(hr)) {
    Tell(problem, L"the document cannot be read");
    return hr;
  }
  ByteReader r{bytes};
  char magic[sizeof kMagic];
  if (!r.Take(magic, sizeof magic) || std::memcmp(magic, kMagic, sizeof kMagic) != 0) {
    Tell(problem, L"not a map document");
    return E_FAIL;
  }
  const std::uint32_t count = r.U32();
  std::vector<ComPtr<ILayer>> layers;
  for (std::uint32_t i = 0; r.ok && i < count; ++i) {
    CLSID clsid{};
    r.Take(&clsid, sizeof clsid);
    const std::string stream = r.Text();
    if (!r.ok) break;
    ComPtr<IPersistStream> persist;
    hr = CreateLayer(clsid, persist.put());
    ComPtr<IStream> memory;
    if (SUCCEEDED(hr)) hr = CreateMemoryStream(stream, memory.put());
    if (SUCCEEDED(hr)) hr = persist->Load(memory.get());
    ComPtr<ILayer> layer = SUCCEEDED(hr) ? persist.As<ILayer>() : ComPtr<ILayer>();
    if (!layer) {
      Tell(problem, L"layer " + std::to_wstring(i + 1) + L" of the document cannot be loaded");
      return FAILED(hr) ? hr : E_NOINTERFACE;
    }
    layers.push_back(layer);
  }
  if (!r.ok || r.at != bytes.size()) {
    Tell(problem, L"the map document is cut short or damaged");
    return E_FAIL;
  }
  // The map adds each layer on top: the bottom layer goes first.
  for (auto it = layers.rbegin(); it != layers.rend(); ++it) map->AddLayer(it->get());
  return S_OK;
}

}  // namespace velk::host
