#include "layers/vpf_layer_support.h"

#include "layers/vpf_layer_base.h"

#include "layers/catalog_layer_support.h"
#include "layers/lumeris_module.h"
#include "platform/com/text.h"
#include "platform/host/display/color_ramp.h"
#include "platform/host/display/symbol.h"
#include "platform/com/variant.h"
#include "platform/host/data/data_class_ids.h"
#include "platform/host/display/display_class_ids.h"
#include "platform/host/display/display_class_ids.h"
#include "platform/host/display/layer.h"
#include "platform/host/display/layer_drawing.h"
#include "platform/host/display/layer_kinds.h"
#include "platform/host/data/table.h"
#include "platform/host/data/track_cancel.h"
#include "platform/productline/geosym_renderer.h"

namespace velk::lumeris {

std::wstring Cut(std::wstring s, std::size_t limit) {
  if (s.size() > limit) s.resize(limit);
  return s;
}

std::wstring ProductFamily(const std::wstring& key) { return key.substr(0, key.find(L'$')); }

std::wstring ProductTitle(const std::wstring& key) {
  const std::size_t d = key.find(L'$');
  return d == std::wstring::npos ? key : key.substr(d + 1);
}

std::wstring Quoted(const std::wstring& value) {
  std::wstring out = L"'";
  for (wchar_t c : value) out += c == L'\'' ? std::wstring(L"''") : std::wstring(1, c);
  return out + L"'";
}

std::wstring RowText(IRowBuffer* row, LONG index) {
  if (!row || index < 0) return L"";
  Variant v;
  if (FAILED(row->get_Value(index, &v))) return L"";
  Variant text;
  if (v.vt == VT_EMPTY || v.vt == VT_NULL || FAILED(VariantChangeType(&text, &v, 0, VT_BSTR)) ||
      !text.bstrVal)
    return L"";
  return BstrToWstring(text.bstrVal);
}

LONG RowLong(IRowBuffer* row, LONG index) {
  if (!row || index < 0) return 0;
  Variant v;
  if (FAILED(row->get_Value(index, &v))) return 0;
  Variant number;
  if (v.vt == VT_EMPTY || v.vt == VT_NULL || FAILED(VariantChangeType(&number, &v, 0, VT_I4)))
    return 0;
  return number.lVal;
}

bool KeepGoing(ITrackCancel* tracker) {
  if (!tracker) return true;
  VARIANT_BOOL go = VARIANT_TRUE;
  return FAILED(tracker->Continue(&go)) || go != VARIANT_FALSE;
}

ComPtr<IGroupLayer> NewGroup(const std::wstring& name) {
  auto group = CreateHostObject<IGroupLayer>(host::CLSID_GroupLayer);
  RequireInterface<ILayer>(group.get())->put_Name(Bstr(name));
  return group;
}

void SetScaleRange(IUnknown* layer, double zoomedOut, double zoomedIn) {
  if (auto range = QueryAs<ILayerScaleRange>(layer)) {
    range->put_MinimumScale(zoomedOut);
    range->put_MaximumScale(zoomedIn);
  }
}

void GetScaleRange(IUnknown* layer, double* zoomedOut, double* zoomedIn) {
  *zoomedOut = *zoomedIn = 0;
  if (auto range = QueryAs<ILayerScaleRange>(layer)) {
    range->get_MinimumScale(zoomedOut);
    range->get_MaximumScale(zoomedIn);
  }
}

void ClearGroupLayer(IUnknown* layer) {
  auto group = QueryAs<IGroupLayer>(layer);
  auto composite = QueryAs<ICompositeLayer>(layer);
  if (!group || !composite) return;
  LONG count = 0;
  composite->get_Count(&count);
  for (LONG i = 0; i < count; ++i) {
    ComPtr<ILayer> member;
    if (SUCCEEDED(composite->get_Layer(i, member.put()))) ClearGroupLayer(member.get());
  }
  group->Clear();
}

void AddLayerOnce(IGroupLayer* group, ILayer* layer) {
  auto composite = QueryAs<ICompositeLayer>(group);
  if (!group || !layer || !composite) return;
  LONG count = 0;
  composite->get_Count(&count);
  for (LONG i = 0; i < count; ++i) {
    ComPtr<ILayer> member;
    if (SUCCEEDED(composite->get_Layer(i, member.put())) && IsSameObject(member.get(), layer))
      return;
  }
  group->Add(layer);
}

bool SplitCoverageKey(const std::wstring& key, const std::wstring& family, std::wstring* coverage,
                      std::wstring* featureClass) {
  const std::size_t d = key.find(L'$');
  if (d == std::wstring::npos || key.compare(0, d, family) != 0 || d != family.size()) return false;
  const std::size_t dot = key.find(L'.', d + 1);
  if (dot == std::wstring::npos) return false;
  *coverage = key.substr(d + 1, dot - d - 1);
  *featureClass = key.substr(dot + 1);
  return true;
}

ComPtr<IFeatureRenderer> NewGeoSymRenderer(LONG productId) {
  ComPtr<IGSGeoSymRenderer> geoSym;
  if (FAILED(CoCreateInstance(productline::CLSID_GeoSymRenderer, nullptr, kHostCreationContext,
                              IidOf<IGSGeoSymRenderer>(), geoSym.put_void())) ||
      !geoSym)
    return nullptr;
  geoSym->put_ProductID(productId);
  double mariner = 0;
  geoSym->get_MarinerDepthContour(&mariner);
  geoSym->put_ShipsSafetyDepthContour(mariner + 1);
  return geoSym.As<IFeatureRenderer>();
}

ComPtr<IFeatureRenderer> BuildProductFootprintRenderer(
    const std::set<std::wstring, Utf16Less>& labels) {
  auto renderer = CreateHostObject<IUniqueValueRenderer>(host::CLSID_UniqueValueRenderer);
  Check(renderer->put_FieldCount(1));
  Check(renderer->put_Field(0, Bstr(L"PRODUCT")));
  Check(renderer->put_FieldDelimiter(Bstr(L",")));
  // Hues from red round to purple at one saturation and value, one colour more than there are
  // products.
  auto from = CreateHostObject<IColor>(host::CLSID_RgbColor);
  auto to = CreateHostObject<IColor>(host::CLSID_RgbColor);
  Check(from->put_RGB(0x6060BF));
  Check(to->put_RGB(0xBF60A0));
  auto ramp = CreateHostObject<IAlgorithmicColorRamp>(host::CLSID_AlgorithmicColorRamp);
  Check(ramp->putref_FromColor(from.get()));
  Check(ramp->putref_ToColor(to.get()));
  Check(ramp->put_Algorithm(kRampAlgorithmHsv));
  auto colours = RequireInterface<IColorRamp>(ramp.get());
  Check(colours->put_Size(static_cast<LONG>(labels.size()) + 1));
  VARIANT_BOOL made = VARIANT_FALSE;
  Check(colours->CreateRamp(&made));
  LONG k = 0;
  for (const std::wstring& label : labels) {
    LONG rgb = 0x808080;
    if (made) colours->get_Color(k++, &rgb);
    Check(renderer->AddValue(Bstr(label), Bstr(L""), OutlineSymbol(rgb, 2.0).get()));
    Check(renderer->put_Label(Bstr(label), Bstr(ProductTitle(label))));
  }
  Check(renderer->putref_DefaultSymbol(OutlineSymbol(0x808080, 2.0).get()));
  Check(renderer->put_DefaultLabel(Bstr(LoadResString(4))));
  Check(renderer->put_UseDefaultSymbol(VARIANT_TRUE));
  return RequireInterface<IFeatureRenderer>(renderer.get());
}

}  // namespace velk::lumeris
