// A small layer class on the catalog layer frame, for the frame's tests: an aggregated inner
// object (TestInner, which answers ILayer and IFeatureSelection; the layer refuses the
// latter), a flag, a name and a layer id saved in a stream of version 9201 (the name and id
// only from 9201 on).
#pragma once

#include "layers/layer_stream.h"
#include "layers/new_guid_string.h"
#include "layers/wireframe_display_props_impl.h"
#include "layers/zel_layer_frame.h"
#include "platform/com/bstr.h"
#include "platform/host/display/layer.h"
#include "platform/host/display/layer_kinds.h"
#include "tests/fixtures/fixed_layer.h"

namespace velk::test {

inline constexpr CLSID CLSID_TestZelLayer = MakeGuid("{5B0C93A1-7E2D-4F61-9C3B-2A8E1D4F6B70}");
inline constexpr CLSID CLSID_TestInner = MakeGuid("{0E6F4D2B-93A7-4C58-B1E0-7D3C5A9F2E41}");

class TestInner
    : public test::FixedLayer<TestInner, ComObjectRoot<TestInner, ILayer, IFeatureSelection>> {
 public:
  static constexpr const wchar_t* kLayerName = L"inner";
  HRESULT get_SelectionSet(ISelectionSet** s) override {
    return s ? (*s = nullptr, S_OK) : E_POINTER;
  }
  HRESULT putref_SelectionSet(ISelectionSet*) override { return S_OK; }
  HRESULT Clear() override { return S_OK; }
};

class TestZelLayer
    : public lumeris::ZelLayerFrame<TestZelLayer, IZelLayer, lumeris::EmptyConnectionPointContainer,
                                    lumeris::WireframeDisplayPropsImpl,
                                    lumeris::LayerPersistStreamImpl<TestZelLayer>> {
 public:
  static constexpr LONG kVersion = 9201;
  static const CLSID& ClassId() { return CLSID_TestZelLayer; }
  static bool IsRefusedIid(REFIID riid) { return riid == IidOf<IFeatureSelection>(); }

  HRESULT FinalConstruct() {
    HRESULT hr = CreateInner(CLSID_TestInner);
    if (FAILED(hr)) return hr;
    layerId_ = Bstr::Attach(lumeris::NewGuidString());
    return S_OK;
  }

  HRESULT IsDirty() override { return S_FALSE; }

  HRESULT Save(IStream* stream, BOOL) override {
    using namespace lumeris;
    HRESULT hr = WriteStreamVersion(stream, kVersion);
    if (FAILED(hr)) return hr;
    if (FAILED(WriteStreamBool(stream, flag_)) ||
        FAILED(WriteStreamLong(stream, wireframeDisplay_)) ||
        FAILED(WriteStreamString(stream, name_)) || FAILED(WriteStreamString(stream, layerId_)))
      return E_FAIL;
    return S_OK;
  }

  // Reads every field into temporaries and takes them only when the whole stream was good; a
  // failure leaves the layer and the stream's position as they were.
  HRESULT Load(IStream* stream) override {
    using namespace lumeris;
    if (!stream) return E_POINTER;
    StreamMark mark(stream);
    LONG version = 0;
    HRESULT hr = ReadStreamVersion(stream, kVersion, &version);
    if (FAILED(hr)) return hr;
    VARIANT_BOOL flag = 0;
    LONG mode = 0;
    if (FAILED(ReadStreamBool(stream, &flag)) || FAILED(ReadStreamLong(stream, &mode)))
      return E_FAIL;
    Bstr name;
    Bstr id;
    if (version >= 9201) {
      if (FAILED(hr = ReadStreamString(stream, &name))) return hr;
      if (FAILED(hr = ReadStreamString(stream, &id))) return hr;
    }
    flag_ = flag;
    wireframeDisplay_ = static_cast<velkZelWireframeDisplayEnum>(mode);
    if (version >= 9201) {
      name_ = std::move(name);
      layerId_ = std::move(id);
    }
    mark.Keep();
    return S_OK;
  }

  VARIANT_BOOL flag_ = VARIANT_TRUE;
  Bstr name_;
  Bstr layerId_;
  using WireframeDisplayPropsImpl::wireframeDisplay_;
};

}  // namespace velk::test
