// The bundled example: a point shapefile of places around the world, the poles and the polar
// research stations included, with their names and their latitude and longitude in decimal
// degrees (WGS 84).
#pragma once

#include <string>
#include <vector>

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

// Writes them as a point shapefile (fields NAME, KIND, LAT, LON; WGS 84) at path (".shp"). A
// dataset that exists there is not touched: false with the reason.
bool WriteExamplePlaces(const std::wstring& path, std::wstring* problem);

}  // namespace trevik
