#include "platform/host/geometry/spatial_reference_objects.h"

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include <cpl_error.h>
#include <ogr_spatialref.h>
#include <proj.h>

#include "platform/com/out_param.h"
#include "platform/com/text.h"
#include "platform/host/geometry/spatial_reference_data.h"

namespace velk::host {
namespace {

std::uint64_t NextSerial() {
  static std::atomic<std::uint64_t> serial{0};
  return ++serial;
}

// Holds the definition; the three kinds below differ only in the interfaces they answer.
template <class Derived, class Leaf>
class ReferenceBase : public ComObjectRoot<Derived, Leaf, ISpatialReferenceData> {
 public:
  using Leaf::QueryInterface;  // one name for the runtime's typed QueryInterface helper
  void Init(std::unique_ptr<OGRSpatialReference> srs, LONG code) {
    srs_ = std::move(srs);
    code_ = code;
  }
  HRESULT QueryExtra(REFIID riid, void** ppv) {
    if (riid == IidOf<ISpatialReference>()) {
      *ppv = static_cast<ISpatialReference*>(static_cast<Leaf*>(this));
      static_cast<IUnknown*>(*ppv)->AddRef();
      return S_OK;
    }
    return E_NOINTERFACE;
  }

  HRESULT get_Name(BSTR* name) override {
    if (!name) return E_POINTER;
    const char* n = srs_ ? srs_->GetName() : nullptr;
    *name = AllocBstr(n ? FromUtf8(n) : std::wstring(L"Unknown"));
    return S_OK;
  }
  HRESULT get_FactoryCode(LONG* code) override {
    if (!code) return E_POINTER;
    *code = code_;
    return S_OK;
  }
  HRESULT IsSame(ISpatialReference* other, VARIANT_BOOL* same) override {
    if (!same) return E_POINTER;
    *same = ToVariantBool(SameReference(static_cast<Leaf*>(this), other));
    return S_OK;
  }
  HRESULT ExportToWkt(BSTR* wkt) override {
    if (!wkt) return E_POINTER;
    *wkt = nullptr;
    if (!srs_) {
      *wkt = AllocBstr(L"");
      return S_OK;
    }
    char* text = nullptr;
    if (srs_->exportToWkt(&text) != OGRERR_NONE) {
      CPLFree(text);
      return E_FAIL;
    }
    *wkt = AllocBstr(FromUtf8(text ? text : ""));
    CPLFree(text);
    return S_OK;
  }

  const OGRSpatialReference* Srs() override { return srs_.get(); }
  std::uint64_t Serial() override { return serial_; }

 protected:
  void Changed() {
    serial_ = NextSerial();
    code_ = 0;
  }
  std::unique_ptr<OGRSpatialReference> srs_;
  LONG code_ = 0;
  std::uint64_t serial_ = NextSerial();
};

class GeographicReference : public ReferenceBase<GeographicReference, IGeographicCoordinateSystem> {
 public:
  HRESULT get_DatumName(BSTR* name) override {
    if (!name) return E_POINTER;
    const char* d = srs_->GetAttrValue("DATUM");
    *name = AllocBstr(FromUtf8(d ? d : ""));
    return S_OK;
  }
};

// Parameter names under which a projection keeps its longitude and latitude of origin.
constexpr const char* kLongitudeParams[] = {SRS_PP_CENTRAL_MERIDIAN, SRS_PP_LONGITUDE_OF_CENTER,
                                            SRS_PP_LONGITUDE_OF_ORIGIN};
// A factory code from an authority's code: numbers only, from EPSG or another authority of
// PROJ's database; 0 for anything else.
LONG NumericCode(const char* authority, const char* code) {
  if (!authority || !code || !*code) return 0;
  for (const char* p = code; *p; ++p)
    if (*p < '0' || *p > '9') return 0;
  return static_cast<LONG>(std::atol(code));
}

// The authorities of PROJ's database other than EPSG, in its order.
const std::vector<std::string>& OtherAuthorities() {
  static const std::vector<std::string> names = [] {
    std::vector<std::string> out;
    if (PROJ_STRING_LIST list = proj_get_authorities_from_database(nullptr)) {
      for (PROJ_STRING_LIST p = list; *p; ++p)
        if (!EQUAL(*p, "EPSG")) out.emplace_back(*p);
      proj_string_list_destroy(list);
    }
    return out;
  }();
  return names;
}

constexpr const char* kLatitudeParams[] = {SRS_PP_LATITUDE_OF_ORIGIN, SRS_PP_LATITUDE_OF_CENTER};

class ProjectedReference : public ReferenceBase<ProjectedReference, IProjectedCoordinateSystem> {
 public:
  HRESULT get_GeographicCoordinateSystem(IGeographicCoordinateSystem** gcs) override {
    if (!gcs) return E_POINTER;
    *gcs = nullptr;
    std::unique_ptr<OGRSpatialReference> geog(srs_->CloneGeogCS());
    if (!geog) return E_FAIL;
    LONG code = 0;
    const char* auth = geog->GetAuthorityName(nullptr);
    const char* c = geog->GetAuthorityCode(nullptr);
    code = NumericCode(auth, c);
    ComPtr<ISpatialReference> r = WrapSrs(geog.get(), code);
    return r ? r->QueryInterface(IidOf<IGeographicCoordinateSystem>(),
                                 reinterpret_cast<void**>(gcs))
             : E_FAIL;
  }
  HRESULT get_CentralMeridian(VARIANT_BOOL inDegrees, double* value) override {
    if (!value) return E_POINTER;
    const char* p = FindParam(kLongitudeParams);
    if (!p) return E_FAIL;
    double deg = srs_->GetNormProjParm(p, 0.0);
    *value = inDegrees ? deg : deg * M_PI / 180.0;
    return S_OK;
  }
  HRESULT put_CentralMeridian(VARIANT_BOOL inDegrees, double value) override {
    return SetParam(kLongitudeParams, inDegrees ? value : value * 180.0 / M_PI);
  }
  HRESULT get_LatitudeOfOrigin(double* value) override {
    if (!value) return E_POINTER;
    const char* p = FindParam(kLatitudeParams);
    if (!p) return E_FAIL;
    *value = srs_->GetNormProjParm(p, 0.0);
    return S_OK;
  }
  HRESULT put_LatitudeOfOrigin(double value) override { return SetParam(kLatitudeParams, value); }
  HRESULT get_MetersPerUnit(double* value) override {
    if (!value) return E_POINTER;
    *value = srs_->GetLinearUnits();
    return S_OK;
  }

 private:
  // The name under which the system keeps the parameter (the lookup also answers for aliases,
  // but setting an alias would add a second parameter).
  template <std::size_t N>
  const char* FindParam(const char* const (&names)[N]) {
    const OGR_SRSNode* projcs = srs_->GetAttrNode("PROJCS");
    if (!projcs) return nullptr;
    for (const char* n : names) {
      int i = srs_->FindProjParm(n, projcs);
      if (i < 0) continue;
      const OGR_SRSNode* param = projcs->GetChild(i);
      if (param && param->GetChildCount() > 0) return param->GetChild(0)->GetValue();
    }
    return nullptr;
  }
  template <std::size_t N>
  HRESULT SetParam(const char* const (&names)[N], double degrees) {
    if (!std::isfinite(degrees)) return E_INVALIDARG;
    const char* found = FindParam(names);
    if (!found) return E_FAIL;
    std::string p = found;  // the node goes away when the value changes
    if (srs_->SetNormProjParm(p.c_str(), degrees) != OGRERR_NONE) return E_FAIL;
    DropRootAuthority();
    Changed();
    return S_OK;
  }
  // A changed system is no longer the one its code names: rebuild it without the code, so that
  // no file written from it claims the code.
  void DropRootAuthority() {
    char* text = nullptr;
    if (srs_->exportToWkt(&text) != OGRERR_NONE || !text) {
      CPLFree(text);
      return;
    }
    std::string wkt = text;
    CPLFree(text);
    std::size_t pos = wkt.rfind(",AUTHORITY[");
    if (pos == std::string::npos) return;
    std::size_t close = wkt.find(']', pos);
    if (close == std::string::npos || close + 2 != wkt.size()) return;  // not the root's own
    wkt.erase(pos, close + 1 - pos);
    auto rebuilt = std::make_unique<OGRSpatialReference>();
    if (rebuilt->importFromWkt(wkt.c_str()) != OGRERR_NONE) return;
    rebuilt->SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    srs_ = std::move(rebuilt);
  }
};

class UnknownReference : public ReferenceBase<UnknownReference, IUnknownCoordinateSystem> {};

template <class T>
ComPtr<ISpatialReference> Make(std::unique_ptr<OGRSpatialReference> srs, LONG code) {
  ComObject<T>* p = nullptr;
  if (FAILED(ComObject<T>::Create(&p))) return nullptr;
  p->Init(std::move(srs), code);
  ComPtr<ISpatialReference> r;
  p->QueryInterface(IidOf<ISpatialReference>(), r.put_void());
  p->Release();
  return r;
}

// Quiet while probing authorities: an unknown code is an answer, not an error to print.
struct QuietErrors {
  QuietErrors() { CPLPushErrorHandler(CPLQuietErrorHandler); }
  ~QuietErrors() { CPLPopErrorHandler(); }
};

}  // namespace

const OGRSpatialReference* SrsOf(ISpatialReference* sr) {
  if (!sr) return nullptr;
  auto data = QueryAs<ISpatialReferenceData>(sr);
  return data ? data->Srs() : nullptr;
}

std::uint64_t SerialOf(ISpatialReference* sr) {
  if (!sr) return 0;
  auto data = QueryAs<ISpatialReferenceData>(sr);
  return data ? data->Serial() : 0;
}

ComPtr<ISpatialReference> WrapSrs(const OGRSpatialReference* srs, LONG factoryCode) {
  if (!srs || srs->IsEmpty()) return Make<UnknownReference>(nullptr, 0);
  auto copy = std::make_unique<OGRSpatialReference>(*srs);
  copy->SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  if (factoryCode == 0) {
    const char* auth = copy->GetAuthorityName(nullptr);
    const char* c = copy->GetAuthorityCode(nullptr);
    factoryCode = NumericCode(auth, c);
  }
  if (copy->IsProjected()) return Make<ProjectedReference>(std::move(copy), factoryCode);
  if (copy->IsGeographic()) return Make<GeographicReference>(std::move(copy), factoryCode);
  return Make<UnknownReference>(nullptr, 0);
}

bool SameReference(ISpatialReference* a, ISpatialReference* b) {
  if (a == b) return true;
  const OGRSpatialReference* sa = SrsOf(a);
  const OGRSpatialReference* sb = SrsOf(b);
  if (!sa || !sb) return !sa && !sb;
  if (SerialOf(a) == SerialOf(b)) return true;
  const char* opts[] = {"IGNORE_DATA_AXIS_TO_SRS_AXIS_MAPPING=YES", nullptr};
  return sa->IsSame(sb, opts) != 0;
}

ComPtr<ISpatialReference> SpatialReferenceFromCode(LONG code) {
  if (code <= 0) return nullptr;
  QuietErrors quiet;
  auto srs = std::make_unique<OGRSpatialReference>();
  if (srs->importFromEPSG(code) != OGRERR_NONE) {
    // The host's own codes that are not EPSG codes (54032 and the like) stand in the other
    // authorities of PROJ's database under the same numbers.
    bool found = false;
    for (const std::string& authority : OtherAuthorities()) {
      srs = std::make_unique<OGRSpatialReference>();
      std::string def = authority + ":" + std::to_string(code);
      if (srs->SetFromUserInput(def.c_str()) == OGRERR_NONE) {
        found = true;
        break;
      }
    }
    if (!found) return nullptr;
  }
  return WrapSrs(srs.get(), code);
}

HRESULT SpatialReferenceFactory::CreateSpatialReference(LONG code, ISpatialReference** sr) {
  if (!sr) return E_POINTER;
  *sr = nullptr;
  ComPtr<ISpatialReference> r = SpatialReferenceFromCode(code);
  if (!r) return E_INVALIDARG;
  *sr = r.Detach();
  return S_OK;
}

HRESULT SpatialReferenceFactory::CreateGeographicCoordinateSystem(
    LONG code, IGeographicCoordinateSystem** gcs) {
  if (!gcs) return E_POINTER;
  *gcs = nullptr;
  ComPtr<ISpatialReference> r = SpatialReferenceFromCode(code);
  if (!r) return E_INVALIDARG;
  return SUCCEEDED(
             r->QueryInterface(IidOf<IGeographicCoordinateSystem>(), reinterpret_cast<void**>(gcs)))
             ? S_OK
             : E_INVALIDARG;
}

HRESULT SpatialReferenceFactory::CreateProjectedCoordinateSystem(LONG code,
                                                                 IProjectedCoordinateSystem** pcs) {
  if (!pcs) return E_POINTER;
  *pcs = nullptr;
  ComPtr<ISpatialReference> r = SpatialReferenceFromCode(code);
  if (!r) return E_INVALIDARG;
  return SUCCEEDED(
             r->QueryInterface(IidOf<IProjectedCoordinateSystem>(), reinterpret_cast<void**>(pcs)))
             ? S_OK
             : E_INVALIDARG;
}

HRESULT SpatialReferenceFactory::CreateFromWkt(BSTR wkt, ISpatialReference** sr) {
  if (!sr) return E_POINTER;
  *sr = nullptr;
  std::string text = ToUtf8(BstrToWstring(wkt));
  if (text.empty()) return E_INVALIDARG;
  QuietErrors quiet;
  OGRSpatialReference srs;
  if (srs.SetFromUserInput(text.c_str(), OGRSpatialReference::SET_FROM_USER_INPUT_LIMITATIONS) !=
      OGRERR_NONE)
    return E_INVALIDARG;
  ComPtr<ISpatialReference> r = WrapSrs(&srs, 0);
  if (!r) return E_FAIL;
  *sr = r.Detach();
  return S_OK;
}

HRESULT SpatialReferenceFactory::CreateUnknownCoordinateSystem(ISpatialReference** sr) {
  if (!sr) return E_POINTER;
  *sr = WrapSrs(nullptr).Detach();
  return *sr ? S_OK : E_OUTOFMEMORY;
}

}  // namespace velk::host
