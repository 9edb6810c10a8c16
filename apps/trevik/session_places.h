// The bundled example: a point shapefile of places around the world, the poles and the polar
// research stations included, with their names and their latitude and longitude in decimal
// degrees (WGS 84).
#pragma once

#include <string>
#include <vector>

#include "platform/com/variant.h"

namespace trevik {

struct ExamplePlace {
  std::wstring name;
  std::wstring kind;  // "city", "station", "pole", "sample"
  double lat;
  double lon;
};

// The places in file order: named places first, then sample points spread evenly over the
// globe from pole to pole.
std::vector<ExamplePlace> ExamplePlaces();

// A field of a point shapefile: its name and the host's field type, length, precision, scale.
struct PointField {
  std::wstring name;
  LONG type;
  LONG length, precision, scale;
};

// A point in WGS 84 with its values, one per field in the fields' order.
struct PointRecord {
  double lon, lat;
  std::vector<velk::Variant> values;
};

// Writes a new point shapefile in WGS 84 at path (".shp"). A dataset that exists there is not
// touched: false with the reason.
bool WritePointShapefile(const std::wstring& path, const std::vector<PointField>& fields,
                         const std::vector<PointRecord>& records, std::wstring* problem);

// Writes them as a point shapefile (fields NAME, KIND, LAT, LON; WGS 84) at path (".shp"). A
// dataset that exists there is not touched: false with the reason.
bool WriteExamplePlaces(const std::wstring& path, std::wstring* problem);

}  // namespace trevik
