// Session actions that write example inputs for the tools a session cannot feed otherwise:
//   make-observers FILE FAR_KM OFFSET_M LON LAT [LON LAT]...
//                                  an observer point shapefile (WGS 84) with the observer fields
//                                  the radial line of sight writes, for the threat dome
//   make-vpf FOLDER                a small VPF product (database "sample", one library) under
//                                  FOLDER, for the VPF catalog and its export
// Neither touches a dataset that is there already.
#include <cmath>
#include <filesystem>

#include "apps/trevik/session_action_table.h"
#include "apps/trevik/session_places.h"
#include "platform/com/text.h"
#include "platform/host/data/field.h"
#include "platform/productline/vpf_writer.h"

namespace trevik {
namespace {

namespace fs = std::filesystem;
using velk::Variant;

// The observer class's fields, in the order and layout the radial line of sight writes them.
const std::vector<PointField>& ObserverFields() {
  static const std::vector<PointField> kFields = {
      {L"OFFSETA", kFieldDouble, 12, 8, 4},  {L"OFFSETB", kFieldDouble, 8, 8, 4},
      {L"VERT1", kFieldSingle, 4, 8, 4},     {L"VERT2", kFieldSingle, 4, 8, 4},
      {L"RADIUS1", kFieldDouble, 16, 14, 6}, {L"RADIUS2", kFieldDouble, 16, 14, 6},
      {L"REFCONST", kFieldDouble, 8, 10, 4}, {L"AZIMUTH1", kFieldSingle, 4, 8, 4},
      {L"AZIMUTH2", kFieldSingle, 4, 8, 4},
  };
  return kFields;
}

void MakeObservers(SessionContext& context, const SessionLine& l) {
  const std::wstring& path = l.Arg(0, L"a file");
  const double farKm =
      ParseNumber(l.Arg(1, L"the far distance in kilometres"), L"the far distance");
  const double offset = ParseNumber(l.Arg(2, L"the observer offset in metres"), L"the offset");
  if (farKm <= 0) FailLine(L"the far distance must be more than 0 km, not " + l.args[1]);
  if (l.args.size() > 3 && (l.args.size() - 3) % 2 != 0)
    FailLine(L"the last observer has no latitude");
  l.Arg(4, L"an observer's longitude and latitude");
  std::vector<PointRecord> records;
  for (std::size_t k = 3; k + 1 < l.args.size(); k += 2) {
    const double lon = ParseNumber(l.args[k], L"a longitude");
    const double lat = ParseNumber(l.args[k + 1], L"a latitude");
    if (std::fabs(lon) > 180 || std::fabs(lat) > 90)
      FailLine(L"no place on the earth at longitude " + l.args[k] + L", latitude " + l.args[k + 1]);
    // Every direction, every elevation angle, from the observer out to the far distance
    // (distances are stored as negative metres).
    records.push_back({lon,
                       lat,
                       {Variant(offset), Variant(0.0), Variant(90.0), Variant(-90.0), Variant(0.0),
                        Variant(-1000.0 * farKm), Variant(1.0), Variant(0.0), Variant(360.0)}});
  }
  std::wstring problem;
  if (!WritePointShapefile(path, ObserverFields(), records, &problem)) FailLine(problem);
  context.Print(L"  wrote " + std::to_wstring(records.size()) + L" observers to " + path);
}

// The example product: one library over 6 to 7 east, 0 to 1 north, with towns and a city in a
// population coverage and a road in a transportation coverage.
velk::productline::VpfDatabaseSpec ExampleProduct() {
  using velk::productline::VpfCoverageSpec;
  velk::productline::VpfDatabaseSpec db;
  db.name = "sample";
  db.description = "Sample vector product";
  velk::productline::VpfLibrarySpec lib;
  lib.name = "east6";
  lib.west = 6;
  lib.south = 0;
  lib.east = 7;
  lib.north = 1;
  VpfCoverageSpec pop;
  pop.name = "pop";
  pop.description = "Population";
  pop.pointClass = "builtp";
  pop.points = {{{6.3, 0.3}, "North Town"}, {{6.7, 0.2}, "South Town"}};
  pop.areaClass = "builta";
  pop.areas = {{{{6.45, 0.45}, {6.55, 0.45}, {6.55, 0.55}, {6.45, 0.55}, {6.45, 0.45}}, "City"}};
  VpfCoverageSpec trans;
  trans.name = "trans";
  trans.description = "Transportation";
  trans.lineClass = "roadl";
  trans.lines = {{{{6.3, 0.3}, {6.5, 0.5}, {6.7, 0.2}}, "Coast Road"}};
  lib.coverages = {pop, trans};
  db.libraries.push_back(lib);
  return db;
}

void MakeVpf(SessionContext& context, const SessionLine& l) {
  const std::wstring& folder = l.Arg(0, L"a folder");
  const velk::productline::VpfDatabaseSpec spec = ExampleProduct();
  const fs::path target = fs::path(velk::ToUtf8(folder)) / spec.name;
  std::error_code ec;
  if (fs::exists(target, ec))
    FailLine(velk::FromUtf8(target.string()) + L" is there already; it is left as it is");
  if (!velk::productline::MakeVpfDatabase(velk::ToUtf8(folder), spec)) {
    fs::remove_all(target, ec);  // nothing half-written stays
    FailLine(L"cannot write the VPF product into " + folder);
  }
  context.Print(L"  wrote the VPF product " + velk::FromUtf8(target.string()));
}

const SessionActions kRegistered({{"make-observers", &MakeObservers}, {"make-vpf", &MakeVpf}});

}  // namespace
}  // namespace trevik
