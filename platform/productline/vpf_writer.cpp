#include "platform/productline/vpf_writer.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace velk::productline {
namespace {

void PutInt(std::string& out, std::int32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((static_cast<std::uint32_t>(v) >> (8 * i)) & 0xFF));
}

template <typename T>
void PutRaw(std::string& out, T v) {
  char bytes[sizeof(T)];
  std::memcpy(bytes, &v, sizeof(T));  // the machine is little-endian, as the tables are
  out.append(bytes, sizeof(T));
}

std::string Header(const VpfTable& t) {
  std::string h = "L;" + t.description + ";-;";
  for (const VpfColumn& c : t.columns) {
    h += c.name + "=" + c.type + "," + (c.count == 0 ? std::string("*") : std::to_string(c.count)) +
         "," + (c.name == "ID" ? "P" : "N") + "," + c.description + ",-,-,-,:";
  }
  return h + ";";
}

// One cell; variable counts are written ahead of their values.
bool PutValue(std::string& out, const VpfColumn& c, const VpfValue& v) {
  switch (c.type) {
    case 'I':
      if (!std::holds_alternative<std::int32_t>(v)) return false;
      PutRaw(out, std::get<std::int32_t>(v));
      return true;
    case 'S':
      if (!std::holds_alternative<std::int16_t>(v)) return false;
      PutRaw(out, std::get<std::int16_t>(v));
      return true;
    case 'F':
      if (!std::holds_alternative<float>(v)) return false;
      PutRaw(out, std::get<float>(v));
      return true;
    case 'R':
      if (!std::holds_alternative<double>(v)) return false;
      PutRaw(out, std::get<double>(v));
      return true;
    case 'T': {
      if (!std::holds_alternative<std::string>(v)) return false;
      std::string text = std::get<std::string>(v);
      if (c.count == 0) {
        PutInt(out, static_cast<std::int32_t>(text.size()));
      } else {
        text.resize(static_cast<std::size_t>(c.count), ' ');
      }
      out += text;
      return true;
    }
    case 'C': {
      if (!std::holds_alternative<VpfCoords>(v)) return false;
      const VpfCoords& xy = std::get<VpfCoords>(v);
      if (c.count == 0) {
        PutInt(out, static_cast<std::int32_t>(xy.size()));
      } else if (xy.size() != static_cast<std::size_t>(c.count)) {
        return false;
      }
      for (const auto& p : xy) {
        PutRaw(out, p.first);
        PutRaw(out, p.second);
      }
      return true;
    }
    default: return false;
  }
}

bool WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  f.close();
  return !f.fail();
}

VpfColumn Id() { return {"ID", 'I', 1, "Row Identifier"}; }
VpfColumn Int(const std::string& name, const std::string& what) { return {name, 'I', 1, what}; }
VpfColumn Text(const std::string& name, int width, const std::string& what) {
  return {name, 'T', width, what};
}
VpfColumn Float(const std::string& name, const std::string& what) { return {name, 'F', 1, what}; }

std::int32_t N(std::size_t v) { return static_cast<std::int32_t>(v); }

VpfCoords Coords(const std::vector<VpfXY>& xy) {
  VpfCoords out;
  for (const auto& p : xy) out.emplace_back(static_cast<float>(p.first), static_cast<float>(p.second));
  return out;
}

std::vector<VpfValue> Box(std::size_t id, const std::vector<VpfXY>& xy) {
  double x0 = xy.front().first, x1 = x0, y0 = xy.front().second, y1 = y0;
  for (const auto& p : xy) {
    x0 = std::min(x0, p.first);
    x1 = std::max(x1, p.first);
    y0 = std::min(y0, p.second);
    y1 = std::max(y1, p.second);
  }
  return {N(id), static_cast<float>(x0), static_cast<float>(y0), static_cast<float>(x1),
          static_cast<float>(y1)};
}

VpfTable BoxTable(const std::string& what) {
  return {what,
          {Id(), Float("XMIN", "Minimum X"), Float("YMIN", "Minimum Y"), Float("XMAX", "Maximum X"),
           Float("YMAX", "Maximum Y")},
          {}};
}

// A coverage's primitives and feature tables. Lines and area rings are edges of their own;
// each area is a face of one ring (face 1 is the universe face).
bool WriteCoverage(const std::filesystem::path& dir, const VpfCoverageSpec& cov) {
  std::filesystem::create_directories(dir);
  VpfTable fcs{"Feature Class Schema",
               {Id(), Text("FEATURE_CLASS", 8, "Feature Class Name"),
                Text("TABLE1", 12, "First Table"), Text("TABLE1_KEY", 16, "First Table Key"),
                Text("TABLE2", 12, "Second Table"), Text("TABLE2_KEY", 16, "Second Table Key")},
               {}};
  VpfTable fca{"Feature Class Attribute Table",
               {Id(), Text("FCLASS", 8, "Feature Class"), Text("TYPE", 1, "Feature Type"),
                Text("DESCR", 50, "Feature Class Description")},
               {}};
  auto featureTable = [](const std::string& what, const std::string& key) {
    return VpfTable{what, {Id(), Text("NAM", 30, "Name"), Int(key, "Primitive Key")}, {}};
  };

  if (!cov.pointClass.empty()) {
    VpfTable end{"Entity Node Primitive Table",
                 {Id(), {"COORDINATE", 'C', 1, "Coordinates"}},
                 {}};
    VpfTable pft = featureTable(cov.description + " points", "END_ID");
    for (std::size_t i = 0; i < cov.points.size(); ++i) {
      end.rows.push_back({N(i + 1), Coords({cov.points[i].first})});
      pft.rows.push_back({N(i + 1), cov.points[i].second, N(i + 1)});
    }
    if (!WriteVpfTable((dir / "end").string(), end) ||
        !WriteVpfTable((dir / (cov.pointClass + ".pft")).string(), pft))
      return false;
    fcs.rows.push_back({N(fcs.rows.size() + 1), cov.pointClass, cov.pointClass + ".pft",
                        std::string("END_ID"), std::string("end"), std::string("ID")});
    fca.rows.push_back({N(fca.rows.size() + 1), cov.pointClass, std::string("P"),
                        cov.description + " points"});
  }

  VpfTable edg{"Edge Primitive Table",
               {Id(), Int("START_NODE", "Start Node"), Int("END_NODE", "End Node"),
                Int("RIGHT_FACE", "Right Face"), Int("LEFT_FACE", "Left Face"),
                Int("RIGHT_EDGE", "Right Edge"), Int("LEFT_EDGE", "Left Edge"),
                {"COORDINATES", 'C', 0, "Coordinates"}},
               {}};
  VpfTable ebr = BoxTable("Edge Bounding Rectangle Table");
  auto addEdge = [&](const std::vector<VpfXY>& xy, std::int32_t rightFace,
                     std::int32_t leftFace) {
    const std::int32_t id = N(edg.rows.size() + 1);
    edg.rows.push_back({id, 1, 1, rightFace, leftFace, id, id, Coords(xy)});
    ebr.rows.push_back(Box(static_cast<std::size_t>(id), xy));
    return id;
  };

  if (!cov.lineClass.empty()) {
    VpfTable lft = featureTable(cov.description + " lines", "EDG_ID");
    for (std::size_t i = 0; i < cov.lines.size(); ++i) {
      const std::int32_t edge = addEdge(cov.lines[i].first, 1, 1);
      lft.rows.push_back({N(i + 1), cov.lines[i].second, edge});
    }
    if (!WriteVpfTable((dir / (cov.lineClass + ".lft")).string(), lft)) return false;
    fcs.rows.push_back({N(fcs.rows.size() + 1), cov.lineClass, cov.lineClass + ".lft",
                        std::string("EDG_ID"), std::string("edg"), std::string("ID")});
    fca.rows.push_back({N(fca.rows.size() + 1), cov.lineClass, std::string("L"),
                        cov.description + " lines"});
  }

  if (!cov.areaClass.empty()) {
    VpfTable fac{"Face Primitive Table", {Id(), Int("RING_PTR", "Ring Pointer")}, {}};
    VpfTable rng{"Ring Table",
                 {Id(), Int("FACE_ID", "Face"), Int("START_EDGE", "Start Edge")},
                 {}};
    VpfTable fbr = BoxTable("Face Bounding Rectangle Table");
    VpfTable aft = featureTable(cov.description + " areas", "FAC_ID");
    // The universe face, outside every area.
    fac.rows.push_back({1, 1});
    std::vector<VpfXY> world{{-180, -90}, {180, -90}, {180, 90}, {-180, 90}, {-180, -90}};
    fbr.rows.push_back(Box(1, world));
    std::vector<std::int32_t> edges;
    for (std::size_t i = 0; i < cov.areas.size(); ++i) {
      const std::int32_t face = N(i + 2);
      edges.push_back(addEdge(cov.areas[i].first, 1, face));
    }
    rng.rows.push_back({1, 1, edges.empty() ? 1 : edges.front()});
    for (std::size_t i = 0; i < cov.areas.size(); ++i) {
      const std::int32_t face = N(i + 2);
      fac.rows.push_back({face, face});
      rng.rows.push_back({face, face, edges[i]});
      fbr.rows.push_back(Box(static_cast<std::size_t>(face), cov.areas[i].first));
      aft.rows.push_back({N(i + 1), cov.areas[i].second, face});
    }
    if (!WriteVpfTable((dir / "fac").string(), fac) || !WriteVpfTable((dir / "rng").string(), rng) ||
        !WriteVpfTable((dir / "fbr").string(), fbr) ||
        !WriteVpfTable((dir / (cov.areaClass + ".aft")).string(), aft))
      return false;
    fcs.rows.push_back({N(fcs.rows.size() + 1), cov.areaClass, cov.areaClass + ".aft",
                        std::string("FAC_ID"), std::string("fac"), std::string("ID")});
    fca.rows.push_back({N(fca.rows.size() + 1), cov.areaClass, std::string("A"),
                        cov.description + " areas"});
  }
  if (!edg.rows.empty() &&
      (!WriteVpfTable((dir / "edg").string(), edg) || !WriteVpfTable((dir / "ebr").string(), ebr)))
    return false;
  return WriteVpfTable((dir / "fcs").string(), fcs) && WriteVpfTable((dir / "fca").string(), fca);
}

bool WriteLibrary(const std::filesystem::path& dir, const VpfDatabaseSpec& db,
                  const VpfLibrarySpec& lib) {
  std::filesystem::create_directories(dir);
  VpfTable lht{"Library Header Table",
               {Id(), Text("PRODUCT_TYPE", 12, "Product Type"),
                Text("LIBRARY_NAME", 8, "Library Name"), Text("DESCRIPTION", 100, "Description")},
               {{1, db.productType, lib.name, db.description + " library " + lib.name}}};
  VpfTable cat{"Coverage Attribute Table",
               {Id(), Text("COVERAGE_NAME", 8, "Coverage Name"),
                Text("DESCRIPTION", 50, "Coverage Description"), {"LEVEL", 'S', 1, "Topological Level"}},
               {}};
  for (const VpfCoverageSpec& cov : lib.coverages) {
    cat.rows.push_back({N(cat.rows.size() + 1), cov.name, cov.description, std::int16_t{3}});
    if (!WriteCoverage(dir / cov.name, cov)) return false;
  }
  return WriteVpfTable((dir / "lht").string(), lht) && WriteVpfTable((dir / "cat").string(), cat);
}

}  // namespace

bool WriteVpfTable(const std::string& path, const VpfTable& table) {
  const std::string header = Header(table);
  std::string bytes;
  PutInt(bytes, static_cast<std::int32_t>(header.size()));
  bytes += header;
  bool variable = false;
  for (const VpfColumn& c : table.columns) variable = variable || c.count == 0;
  std::string index;
  PutInt(index, static_cast<std::int32_t>(table.rows.size()));
  PutInt(index, static_cast<std::int32_t>(header.size()));
  for (const auto& row : table.rows) {
    if (row.size() != table.columns.size()) return false;
    const std::size_t start = bytes.size();
    for (std::size_t i = 0; i < row.size(); ++i)
      if (!PutValue(bytes, table.columns[i], row[i])) return false;
    PutInt(index, static_cast<std::int32_t>(start));
    PutInt(index, static_cast<std::int32_t>(bytes.size() - start));
  }
  if (!WriteFile(path, bytes)) return false;
  if (!variable) return true;
  std::string indexPath = path;
  indexPath.back() = 'x';
  return WriteFile(indexPath, index);
}

bool MakeVpfDatabase(const std::string& folder, const VpfDatabaseSpec& spec) {
  std::error_code ec;
  const std::filesystem::path dir = std::filesystem::path(folder) / spec.name;
  std::filesystem::create_directories(dir, ec);
  if (ec) return false;
  VpfTable dht{"Database Header Table",
               {Id(), Text("VPF_VERSION", 10, "VPF Version"),
                Text("DATABASE_NAME", 8, "Database Name"),
                Text("DATABASE_DESC", 100, "Database Description")},
               {{1, std::string("MIL-STD-2407"), spec.name, spec.description}}};
  VpfTable lat{"Library Attribute Table",
               {Id(), Text("LIBRARY_NAME", 8, "Library Name"), Float("XMIN", "Western Extent"),
                Float("YMIN", "Southern Extent"), Float("XMAX", "Eastern Extent"),
                Float("YMAX", "Northern Extent")},
               {}};
  for (const VpfLibrarySpec& lib : spec.libraries) {
    lat.rows.push_back({N(lat.rows.size() + 1), lib.name, static_cast<float>(lib.west),
                        static_cast<float>(lib.south), static_cast<float>(lib.east),
                        static_cast<float>(lib.north)});
    if (!WriteLibrary(dir / lib.name, spec, lib)) return false;
  }
  return WriteVpfTable((dir / "dht").string(), dht) && WriteVpfTable((dir / "lat").string(), lat);
}

}  // namespace velk::productline
