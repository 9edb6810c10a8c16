#include "apps/trevik/session_places.h"

#include <cmath>
#include <cstdio>
#include <filesystem>

#include "apps/trevik/failure_text.h"
#include "platform/com/hresult_text.h"
#include "platform/com/text.h"
#include "platform/host/data/feature_class.h"
#include "platform/host/data/field_objects.h"
#include "platform/host/geometry/geometry_objects.h"
#include "platform/host/geometry/spatial_reference_data.h"
#include "platform/host/data/workspace_objects.h"

namespace trevik {

namespace {

using velk::Bstr;
using velk::ComPtr;

// Named places: cities on every continent, places on the grid's special zones (south-west
// Norway, Svalbard), next to the antimeridian and the equator, and the polar stations and poles
// that MGRS writes in its polar (UPS) form.
const ExamplePlace kNamed[] = {
    {L"London", L"city", 51.5074, -0.1278},
    {L"Paris", L"city", 48.8566, 2.3522},
    {L"New York", L"city", 40.7128, -74.0060},
    {L"Tokyo", L"city", 35.6762, 139.6503},
    {L"Sydney", L"city", -33.8688, 151.2093},
    {L"Cape Town", L"city", -33.9249, 18.4241},
    {L"Rio de Janeiro", L"city", -22.9068, -43.1729},
    {L"Buenos Aires", L"city", -34.6037, -58.3816},
    {L"Cairo", L"city", 30.0444, 31.2357},
    {L"Moscow", L"city", 55.7558, 37.6173},
    {L"Beijing", L"city", 39.9042, 116.4074},
    {L"Mumbai", L"city", 19.0760, 72.8777},
    {L"Singapore", L"city", 1.3521, 103.8198},
    {L"Nairobi", L"city", -1.2921, 36.8219},
    {L"Lagos", L"city", 6.5244, 3.3792},
    {L"Mexico City", L"city", 19.4326, -99.1332},
    {L"Los Angeles", L"city", 34.0522, -118.2437},
    {L"Vancouver", L"city", 49.2827, -123.1207},
    {L"Anchorage", L"city", 61.2181, -149.9003},
    {L"Honolulu", L"city", 21.3069, -157.8583},
    {L"Auckland", L"city", -36.8485, 174.7633},
    {L"Wellington", L"city", -41.2865, 174.7762},
    {L"Lima", L"city", -12.0464, -77.0428},
    {L"Santiago", L"city", -33.4489, -70.6693},
    {L"Bogota", L"city", 4.7110, -74.0721},
    {L"Quito", L"city", -0.1807, -78.4678},
    {L"Reykjavik", L"city", 64.1466, -21.9426},
    {L"Oslo", L"city", 59.9139, 10.7522},
    {L"Bergen", L"city", 60.3913, 5.3221},
    {L"Helsinki", L"city", 60.1699, 24.9384},
    {L"Istanbul", L"city", 41.0082, 28.9784},
    {L"Tehran", L"city", 35.6892, 51.3890},
    {L"Riyadh", L"city", 24.7136, 46.6753},
    {L"Dubai", L"city", 25.2048, 55.2708},
    {L"Karachi", L"city", 24.8607, 67.0011},
    {L"Delhi", L"city", 28.7041, 77.1025},
    {L"Kathmandu", L"city", 27.7172, 85.3240},
    {L"Bangkok", L"city", 13.7563, 100.5018},
    {L"Jakarta", L"city", -6.2088, 106.8456},
    {L"Manila", L"city", 14.5995, 120.9842},
    {L"Seoul", L"city", 37.5665, 126.9780},
    {L"Perth", L"city", -31.9505, 115.8605},
    {L"Darwin", L"city", -12.4634, 130.8456},
    {L"Hobart", L"city", -42.8821, 147.3272},
    {L"Johannesburg", L"city", -26.2041, 28.0473},
    {L"Dakar", L"city", 14.7167, -17.4677},
    {L"Accra", L"city", 5.6037, -0.1870},
    {L"Kinshasa", L"city", -4.4419, 15.2663},
    {L"Addis Ababa", L"city", 9.0300, 38.7400},
    {L"Antananarivo", L"city", -18.8792, 47.5079},
    {L"Suva", L"city", -18.1248, 178.4501},
    {L"Apia", L"city", -13.8506, -171.7513},
    {L"Ushuaia", L"city", -54.8019, -68.3030},
    {L"Punta Arenas", L"city", -53.1638, -70.9171},
    {L"Nuuk", L"city", 64.1814, -51.6941},
    {L"Tromso", L"city", 69.6492, 18.9553},
    {L"Utqiagvik", L"city", 71.2906, -156.7886},
    {L"Resolute", L"city", 74.6973, -94.8297},
    {L"Tiksi", L"city", 71.6872, 128.8694},
    {L"Norilsk", L"city", 69.3558, 88.1893},
    {L"Anadyr", L"city", 64.7337, 177.4968},
    {L"Longyearbyen", L"city", 78.2232, 15.6267},
    {L"Ny-Alesund", L"station", 78.9235, 11.9220},
    {L"Alert", L"station", 82.5018, -62.3481},
    {L"Cape Morris Jesup", L"station", 83.6625, -33.3756},
    {L"Kaffeklubben Island", L"station", 83.6667, -29.8333},
    {L"McMurdo Station", L"station", -77.8463, 166.6682},
    {L"Vostok Station", L"station", -78.4642, 106.8339},
    {L"Casey Station", L"station", -66.2823, 110.5278},
    {L"Rothera", L"station", -67.5678, -68.1253},
    {L"Dome A", L"station", -80.3675, 77.3767},
    {L"Ellsworth Land", L"station", -82.0, -80.0},
    {L"Queen Maud Land", L"station", -85.0, 0.0},
    {L"Arctic Ocean 86N", L"station", 86.0, 45.0},
    {L"North Pole", L"pole", 90.0, 0.0},
    {L"South Pole", L"pole", -90.0, 0.0},
};

constexpr int kSamplePoints = 240;

}  // namespace

std::vector<ExamplePlace> ExamplePlaces() {
  std::vector<ExamplePlace> out(std::begin(kNamed), std::end(kNamed));
  // A spiral of evenly spaced points from near the north pole to near the south pole.
  const double golden = M_PI * (3.0 - std::sqrt(5.0));
  for (int i = 0; i < kSamplePoints; ++i) {
    double z = 1.0 - (i + 0.5) * 2.0 / kSamplePoints;
    double lat = std::asin(z) * 180.0 / M_PI;
    double lon = std::remainder(i * golden * 180.0 / M_PI, 360.0);
    wchar_t name[32];
    std::swprintf(name, 32, L"Sample %03d", i + 1);
    out.push_back({name, L"sample", std::round(lat * 1e6) / 1e6, std::round(lon * 1e6) / 1e6});
  }
  return out;
}

bool WritePointShapefile(const std::wstring& path, const std::vector<PointField>& fields,
                         const std::vector<PointRecord>& records, std::wstring* problem) {
  namespace fs = std::filesystem;
  fs::path file(velk::ToUtf8(path));
  std::wstring folder =
      velk::FromUtf8(file.parent_path().empty() ? std::string(".") : file.parent_path().string());
  std::wstring name = velk::FromUtf8(file.stem().string());
  auto fail = [&](const std::wstring& why) {
    if (problem) *problem = why;
    return false;
  };
  try {
    ComPtr<IWorkspaceFactory> factory;
    velk::Check(velk::host::CreateShapefileWorkspaceFactory(nullptr, IidOf<IWorkspaceFactory>(),
                                                            factory.put_void()));
    ComPtr<IWorkspace> ws;
    if (FAILED(factory->OpenFromFile(Bstr(folder), nullptr, ws.put())) || !ws)
      return fail(L"the folder " + folder + L" cannot be opened");
    auto features = ws.As<IFeatureWorkspace>();
    ComPtr<ISpatialReference> wgs84 = velk::host::SpatialReferenceFromCode(4326);

    std::vector<velk::host::FieldSpec> specs(2);
    specs[0].name = L"FID";
    specs[0].type = kFieldOID;
    specs[1].name = L"Shape";
    specs[1].type = kFieldGeometry;
    specs[1].geometryType = kGeometryPoint;
    specs[1].sr = wgs84;
    for (const PointField& f : fields) {
      velk::host::FieldSpec spec;
      spec.name = f.name;
      spec.type = f.type;
      spec.length = f.length;
      spec.precision = f.precision;
      spec.scale = f.scale;
      specs.push_back(spec);
    }
    ComPtr<IFeatureClass> fc;
    HRESULT hr = features->CreateFeatureClass(Bstr(name), velk::host::MakeFields(specs).get(),
                                              nullptr, nullptr, kFeatureTypeSimple, Bstr(L"Shape"),
                                              Bstr(L""), fc.put());
    if (FAILED(hr) || !fc) return fail(L"cannot create " + path + L" (is it there already?)");
    std::vector<LONG> index(fields.size(), -1);
    for (std::size_t k = 0; k < fields.size(); ++k) fc->FindField(Bstr(fields[k].name), &index[k]);
    ComPtr<IFeatureCursor> cursor;
    velk::Check(fc->Insert(VARIANT_TRUE, cursor.put()));
    for (const PointRecord& r : records) {
      ComPtr<IFeatureBuffer> buffer;
      velk::Check(fc->CreateFeatureBuffer(buffer.put()));
      velk::Check(buffer->putref_Shape(velk::host::NewPoint(r.lon, r.lat, wgs84.get()).get()));
      for (std::size_t k = 0; k < fields.size() && k < r.values.size(); ++k)
        velk::Check(buffer->put_Value(index[k], r.values[k]));
      velk::Check(cursor->InsertFeature(buffer.get(), nullptr));
    }
    velk::Check(cursor->Flush());
  } catch (const velk::ComError& e) {
    return fail(L"writing " + path + L" failed: " + FailureText(e.Error()));
  }
  return true;
}

bool WriteExamplePlaces(const std::wstring& path, std::wstring* problem) {
  const std::vector<PointField> fields = {{L"NAME", kFieldString, 48, 0, 0},
                                          {L"KIND", kFieldString, 10, 0, 0},
                                          {L"LAT", kFieldDouble, 0, 13, 7},
                                          {L"LON", kFieldDouble, 0, 13, 7}};
  std::vector<PointRecord> records;
  for (const ExamplePlace& p : ExamplePlaces())
    records.push_back({p.lon,
                       p.lat,
                       {velk::Variant(p.name), velk::Variant(p.kind), velk::Variant(p.lat),
                        velk::Variant(p.lon)}});
  return WritePointShapefile(path, fields, records, problem);
}

}  // namespace trevik
