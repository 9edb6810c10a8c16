// Writing a small VPF database: the database tables (dht, lat), and per library its header,
// coverage and feature-class tables (lht, cat, fcs, fca) with point, line and area features over
// untiled primitives (end, edg with its edx index, fac, rng, ebr, fbr). Written little-endian as
// the format describes; GDAL's OGDI driver reads it back ("gltp:/vrf/<database>/<library>").
// Plain data; the host program writes its example product with it.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace velk::productline {

// A column of a VPF table: type I (32-bit integer), S (16-bit), F (float), R (double), T
// (text), C (x/y float pairs); count 0 stands for a variable count ("*").
struct VpfColumn {
  std::string name;
  char type = 'I';
  int count = 1;
  std::string description;
};

using VpfCoords = std::vector<std::pair<float, float>>;
using VpfValue = std::variant<std::int32_t, std::int16_t, float, double, std::string, VpfCoords>;

struct VpfTable {
  std::string description;
  std::vector<VpfColumn> columns;  // the first is ID
  std::vector<std::vector<VpfValue>> rows;
};

// Writes the table, and its variable-length index (the name's last letter replaced by 'x') when
// a column has a variable count.
bool WriteVpfTable(const std::string& path, const VpfTable& table);

using VpfXY = std::pair<double, double>;

struct VpfCoverageSpec {
  std::string name = "pop";
  std::string description = "Population";
  // Feature classes of the coverage: their names end in p, l and a ("builtp", "roadl",
  // "landa"); an empty name leaves the class out.
  std::string pointClass;
  std::vector<std::pair<VpfXY, std::string>> points;  // place, name
  std::string lineClass;
  std::vector<std::pair<std::vector<VpfXY>, std::string>> lines;
  std::string areaClass;
  // Closed rings, anticlockwise, the first point repeated last.
  std::vector<std::pair<std::vector<VpfXY>, std::string>> areas;
};

struct VpfLibrarySpec {
  std::string name = "lib1";
  double west = 0, south = 0, east = 1, north = 1;
  std::vector<VpfCoverageSpec> coverages;
};

struct VpfDatabaseSpec {
  std::string name = "vmaplv0";  // also the database's folder name
  std::string description = "Vector Map Level 0";
  std::string productType = "VMAP";
  std::vector<VpfLibrarySpec> libraries;
};

// Writes the database under folder/<spec.name>; false on failure.
bool MakeVpfDatabase(const std::string& folder, const VpfDatabaseSpec& spec);

}  // namespace velk::productline
