// What every host layer class is made of: name, visibility, validity, extent, extensions,
// transparency, scale range (ILayerScaleRange) and drawing (ILayerDraw). Derived supplies
// IsValid(), Extent() and Draw.
// Platform-internal.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/com/object.h"
#include "platform/com/out_param.h"
#include "platform/com/text.h"
#include "platform/host/geometry/geometry.h"
#include "platform/host/geometry/geometry_objects.h"
#include "platform/host/display/layer.h"
#include "platform/host/display/layer_draw.h"
#include "platform/host/display/layer_drawing.h"
#include "platform/host/display/layer_kinds.h"
#include "platform/host/data/persist_bytes.h"
#include "platform/host/display/raster_catalog_layer.h"

namespace velk::host {

template <class Derived, class... More>
class LayerBase : public ComObjectRoot<Derived, ILayer, ILayerExtent, ILayerExtensions,
                                       ILayerEffects, ILayerScaleRange, ILayerDraw, More...> {
 public:
  using ILayer::QueryInterface;
  HRESULT get_MinimumScale(double* scale) override {
    if (!scale) return E_POINTER;
    *scale = minimumScale_;
    return S_OK;
  }
  HRESULT put_MinimumScale(double scale) override {
    minimumScale_ = scale;
    return S_OK;
  }
  HRESULT get_MaximumScale(double* scale) override {
    if (!scale) return E_POINTER;
    *scale = maximumScale_;
    return S_OK;
  }
  HRESULT put_MaximumScale(double scale) override {
    maximumScale_ = scale;
    return S_OK;
  }
  HRESULT get_Name(BSTR* name) override {
    if (!name) return E_POINTER;
    *name = AllocBstr(name_);
    return S_OK;
  }
  HRESULT put_Name(BSTR name) override {
    name_ = BstrToWstring(name);
    return S_OK;
  }
  HRESULT get_Visible(VARIANT_BOOL* visible) override {
    if (!visible) return E_POINTER;
    *visible = ToVariantBool(visible_);
    return S_OK;
  }
  HRESULT put_Visible(VARIANT_BOOL visible) override {
    visible_ = visible != 0;
    return S_OK;
  }
  HRESULT get_Valid(VARIANT_BOOL* valid) override {
    if (!valid) return E_POINTER;
    *valid = ToVariantBool(static_cast<Derived*>(this)->IsValid());
    return S_OK;
  }
  HRESULT get_AreaOfInterest(IEnvelope** extent) override {
    if (!extent) return E_POINTER;
    *extent = nullptr;
    VELK_TRY
    ComPtr<IEnvelope> e = static_cast<Derived*>(this)->Extent();
    *extent = (e ? e : NewEnvelope()).Detach();
    return S_OK;
    VELK_CATCH
  }
  HRESULT get_ExtensionCount(LONG* count) override {
    if (!count) return E_POINTER;
    *count = static_cast<LONG>(extensions_.size());
    return S_OK;
  }
  HRESULT get_Extension(LONG index, IUnknown** extension) override {
    if (!extension) return E_POINTER;
    *extension = nullptr;
    if (index < 0 || static_cast<std::size_t>(index) >= extensions_.size()) return E_INVALIDARG;
    return extensions_[index].CopyTo(extension);
  }
  HRESULT AddExtension(IUnknown* extension) override {
    if (!extension) return E_POINTER;
    extensions_.emplace_back(extension);
    return S_OK;
  }
  HRESULT RemoveExtension(LONG index) override {
    if (index < 0 || static_cast<std::size_t>(index) >= extensions_.size()) return E_INVALIDARG;
    extensions_.erase(extensions_.begin() + index);
    return S_OK;
  }
  HRESULT get_Transparency(SHORT* percent) override {
    if (!percent) return E_POINTER;
    *percent = transparency_;
    return S_OK;
  }
  HRESULT put_Transparency(SHORT percent) override {
    if (percent < 0 || percent > 100) return E_INVALIDARG;
    transparency_ = percent;
    return S_OK;
  }

 protected:
  // A layer's stream record (IPersistStream), framed by its byte count: the version, the
  // layer's texts, its visibility, then what `more` adds.
  template <std::size_t N, class WriteMore>
  HRESULT SaveLayerRecord(IStream* stream, const std::array<std::wstring, N>& texts,
                          WriteMore&& more) const {
    ByteWriter w;
    w.U32(kLayerStreamVersion);
    for (const std::wstring& text : texts) w.Text(ToUtf8(text));
    w.U32(visible_ ? 1 : 0);
    more(w);
    return WriteFramedRecord(stream, w.bytes);
  }
  // Reads a record written by SaveLayerRecord; `more` reads what the class added and gives the
  // result. E_FAIL for a record cut short or of another version; the layer takes nothing then.
  template <std::size_t N, class ReadMore>
  static HRESULT LoadLayerRecord(IStream* stream, std::array<std::wstring, N>* texts, bool* visible,
                                 ReadMore&& more) {
    std::string bytes;
    if (FAILED(ReadFramedRecord(stream, bytes))) return E_FAIL;
    ByteReader r{bytes};
    if (r.U32() != kLayerStreamVersion) return E_FAIL;
    for (std::wstring& text : *texts) text = FromUtf8(r.Text());
    *visible = r.U32() != 0;
    if (!r.ok) return E_FAIL;
    return more(r);
  }

  std::wstring name_;
  bool visible_ = true;
  double minimumScale_ = 0;
  double maximumScale_ = 0;
  SHORT transparency_ = 0;
  std::vector<ComPtr<IUnknown>> extensions_;

 private:
  static constexpr std::uint32_t kLayerStreamVersion = 1;
};

// A layer with a definition query that a document keeps in its stream: the query
// (IFeatureLayerDefinition) and the fixed part of IPersistStream (the class id, always dirty, no
// size); Derived saves and loads itself through SaveLayerRecord and LoadLayerRecord.
template <class Derived, const CLSID& kClassId, class... More>
class PersistentLayerBase
    : public LayerBase<Derived, More..., IFeatureLayerDefinition, IPersistStream> {
 public:
  HRESULT get_DefinitionExpression(BSTR* expression) override {
    return OutText(expression, definition_);
  }
  HRESULT put_DefinitionExpression(BSTR expression) override {
    definition_ = BstrToWstring(expression);
    return S_OK;
  }
  HRESULT GetClassID(CLSID* clsid) override { return Out(clsid, kClassId); }
  HRESULT IsDirty() override { return S_OK; }
  HRESULT GetSizeMax(ULARGE_INTEGER*) override { return E_NOTIMPL; }

 protected:
  std::wstring definition_;
};

}  // namespace velk::host
