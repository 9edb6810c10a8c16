// VPF databases of a folder tree: their libraries, coverages and feature classes, read from the
// VPF tables and opened through GDAL's OGDI driver.
#include <algorithm>
#include <filesystem>
#include <map>
#include <mutex>
#include <set>

#include <gdal_priv.h>
#include <ogrsf_frmts.h>

#include "platform/productline/catalog_scan.h"
#include "platform/com/plain_text.h"
#include "platform/productline/gdal_error_capture.h"
#include "platform/productline/vpf_table.h"

namespace velk::productline {
namespace {

// Opens a table, naming it in the problem when it cannot be read.
bool ReadTable(const std::string& path, VpfTableReader& table, std::string& problemPath,
               std::string& reason) {
  if (table.Open(path, reason)) return true;
  problemPath = path;
  reason = "not a readable VPF table: " + reason;
  return false;
}

// GDAL's OGDI driver keeps state of its own: one library open at a time.
std::mutex& OgdiMutex() {
  static std::mutex m;
  return m;
}

std::string KindOfTable(const std::string& tableName) {
  const std::string lower = ToLower(tableName);
  const std::size_t dot = lower.rfind('.');
  const std::string ext = dot == std::string::npos ? "" : lower.substr(dot + 1);
  if (ext == "pft") return "Point";
  if (ext == "lft") return "Line";
  if (ext == "aft") return "Area";
  if (ext == "tft") return "Text";
  return "";
}

std::string OgdiSuffix(const std::string& kind) {
  if (kind == "Point") return "_point";
  if (kind == "Line") return "_line";
  if (kind == "Area") return "_area";
  return "_text";
}

// The tables of a library: its own, its coverages' schema tables and their primitive tables,
// tiles included (file names without letter case). Indexes and spatial indexes are not tables.
bool IsLibraryTable(const std::string& lowerName) {
  static const std::set<std::string> kNames = {"cat", "lht", "grt", "dqt", "fcs", "fca",
                                               "end", "cnd", "edg", "fac", "rng", "ebr",
                                               "fbr", "txt", "char.vdt", "int.vdt"};
  return kNames.count(lowerName) || !KindOfTable(lowerName).empty();
}

// Reads the library's own tables and every table its coverages name, then opens it through
// OGDI. False with the file at fault and why.
bool ReadLibrary(VpfLibraryRow& row, std::string& problemPath, std::string& reason) {
  if (!CheckVpfLibraryTables(row.path, problemPath, reason)) return false;
  problemPath = row.path;
  VpfTableReader cat;
  const std::string catPath = FindVpfFile(row.path, "cat");
  if (catPath.empty()) {
    reason = "the library has no coverage attribute table (cat)";
    return false;
  }
  if (!ReadTable(catPath, cat, problemPath, reason)) return false;
  const std::string lhtPath = FindVpfFile(row.path, "lht");
  if (!lhtPath.empty()) {
    VpfTableReader lht;
    if (!ReadTable(lhtPath, lht, problemPath, reason)) return false;
  }
  const int covName = cat.Column("COVERAGE_NAME");
  const int covDesc = cat.Column("DESCRIPTION");
  for (std::size_t r = 0; r < cat.RowCount(); ++r) {
    const std::string coverage = cat.Text(r, covName);
    const std::string covFolder = FindVpfFolder(row.path, coverage);
    if (coverage.empty() || covFolder.empty()) continue;  // listed but not delivered
    const std::string fcsPath = FindVpfFile(covFolder, "fcs");
    if (fcsPath.empty()) continue;  // a coverage without features (a reference coverage)
    VpfTableReader fcs;
    if (!ReadTable(fcsPath, fcs, problemPath, reason)) return false;
    std::map<std::string, std::string> descriptions;
    const std::string fcaPath = FindVpfFile(covFolder, "fca");
    if (!fcaPath.empty()) {
      VpfTableReader fca;
      if (!ReadTable(fcaPath, fca, problemPath, reason)) return false;
      for (std::size_t i = 0; i < fca.RowCount(); ++i)
        descriptions[ToLower(fca.Text(i, fca.Column("FCLASS")))] = fca.Text(i, fca.Column("DESCR"));
    }
    // Every table the schema names must read whole.
    std::set<std::string> checked;
    const int fcCol = fcs.Column("FEATURE_CLASS");
    const int t1 = fcs.Column("TABLE1");
    const int t2 = fcs.Column("TABLE2");
    std::set<std::string> classesSeen;
    for (std::size_t i = 0; i < fcs.RowCount(); ++i) {
      for (int col : {t1, t2}) {
        const std::string name = fcs.Text(i, col);
        if (name.empty() || !checked.insert(ToLower(name)).second) continue;
        const std::string path = FindVpfFile(covFolder, name);
        if (path.empty()) continue;  // OGDI reports a missing feature table below
        VpfTableReader table;
        if (!ReadTable(path, table, problemPath, reason)) return false;
      }
      const std::string fclass = fcs.Text(i, fcCol);
      // The row that joins the class to its feature table names it in TABLE1.
      const std::string kind = KindOfTable(fcs.Text(i, t1));
      if (fclass.empty() || kind.empty() || ToLower(fcs.Text(i, t1)).rfind(ToLower(fclass), 0) != 0 ||
          !classesSeen.insert(ToLower(fclass)).second)
        continue;
      VpfFeatureClassRow c;
      c.coverage = coverage;
      c.featureClass = fclass;
      c.coverageDescription = cat.Text(r, covDesc);
      const auto d = descriptions.find(ToLower(fclass));
      c.classDescription = d != descriptions.end() && !d->second.empty() ? d->second : fclass;
      c.type = kind;
      c.ogdiLayer = fclass + "@" + coverage + "(*)" + OgdiSuffix(kind);
      row.classes.push_back(c);
    }
  }
  // The library as GDAL's OGDI driver shows it: every feature class must be one of its layers.
  std::lock_guard<std::mutex> lock(OgdiMutex());
  GdalErrorCapture errors;
  const std::string url = "gltp:/vrf" + row.path;
  const char* drivers[] = {"OGR_OGDI", nullptr};
  GDALDatasetUniquePtr ds(GDALDataset::Open(url.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY,
                                            drivers, nullptr, nullptr));
  problemPath = row.path;
  if (!ds) {
    reason = errors.Reason("GDAL's OGDI driver cannot open the library");
    return false;
  }
  std::set<std::string> layers;
  for (int i = 0; i < ds->GetLayerCount(); ++i) layers.insert(ds->GetLayer(i)->GetName());
  for (const VpfFeatureClassRow& c : row.classes) {
    if (!layers.count(c.ogdiLayer)) {
      reason = "GDAL's OGDI driver does not show its feature class " + c.featureClass + " of " +
               c.coverage;
      return false;
    }
  }
  return true;
}

}  // namespace

bool CheckVpfLibraryTables(const std::string& libraryFolder, std::string& problemPath,
                           std::string& reason) {
  const std::vector<std::string> tables = FindFiles(libraryFolder, IsLibraryTable);
  for (const std::string& path : tables) {
    VpfTableReader table;
    if (!ReadTable(path, table, problemPath, reason)) return false;
  }
  return true;
}

std::string VpfProductKey(const std::string& productType, const std::string& databaseName,
                          const std::string& databaseDescription, const std::string& library) {
  const std::string db = ToLower(databaseName);
  std::string family = ToUpper(productType);
  if (db.rfind("vmap", 0) == 0 || db.rfind("uvmap", 0) == 0) family = "VMAP";
  if (db.rfind("dnc", 0) == 0) family = "DNC";
  if (family.empty()) family = databaseName;
  std::string name = databaseDescription.empty() ? databaseName : databaseDescription;
  if (db == "vmaplv0" || db == "vmaplv1" || db == "vmaplv2") name = "VMAP Level " + db.substr(6, 1);
  if (db.rfind("uvmap", 0) == 0) name = "UVMAP";
  if (family == "DNC" && !library.empty()) {
    switch (std::toupper(static_cast<unsigned char>(library[0]))) {
      case 'A': name = "DNC Approach"; break;
      case 'C': name = "DNC Coastal"; break;
      case 'G': name = "DNC General"; break;
      case 'H': name = "DNC Harbor"; break;
      default: break;
    }
  }
  return family + "$" + name;
}

int VpfGeoSymProduct(const std::string& productKey) {
  if (productKey == "VMAP$VMAP Level 0") return 1;
  if (productKey == "VMAP$VMAP Level 1") return 2;
  if (productKey == "VMAP$VMAP Level 2") return 3;
  if (productKey == "VMAP$UVMAP") return 4;
  if (productKey.rfind("DNC$", 0) == 0) return 5;
  return 0;
}

std::string VpfProductPrefix(const std::string& productKey, const std::string& databaseName) {
  static const std::pair<const char*, const char*> kPrefixes[] = {
      {"VMAP$VMAP Level 0", "vmaplv0"}, {"VMAP$VMAP Level 1", "vmaplv1"},
      {"VMAP$VMAP Level 2", "vmaplv2"}, {"VMAP$UVMAP", "UVMap"},
      {"DNC$DNC Approach", "DNCA"},     {"DNC$DNC Coastal", "DNCC"},
      {"DNC$DNC General", "DNCG"},      {"DNC$DNC Harbor", "DNCH"}};
  for (const auto& p : kPrefixes)
    if (productKey == p.first) return p.second;
  return databaseName;
}

ScanResult<VpfLibraryRow> ScanVpfTree(const std::string& folder, const ScanOptions& options) {
  GDALAllRegister();
  ScanResult<VpfLibraryRow> result;
  const std::vector<std::string> lats =
      FindFiles(
          folder, [](const std::string& name) { return name == "lat"; }, &result.skipped);
  std::vector<VpfLibraryRow> work;
  for (const std::string& latPath : lats) {
    const std::string database = std::filesystem::path(latPath).parent_path().string();
    const std::string dhtPath = FindVpfFile(database, "dht");
    if (dhtPath.empty()) continue;  // a library table outside a database
    ++result.filesFound;
    VpfTableReader dht, lat;
    std::string problemPath, reason;
    if (!ReadTable(dhtPath, dht, problemPath, reason) ||
        !ReadTable(latPath, lat, problemPath, reason)) {
      result.problems.push_back({problemPath, reason});
      continue;
    }
    const std::string dbName = dht.Text(0, dht.Column("DATABASE_NAME"));
    const std::string dbDesc = dht.Text(0, dht.Column("DATABASE_DESC"));
    const int nameCol = lat.Column("LIBRARY_NAME");
    for (std::size_t r = 0; r < lat.RowCount(); ++r) {
      VpfLibraryRow row;
      row.database = database;
      row.library = lat.Text(r, nameCol);
      if (row.library.empty() || ToLower(row.library) == "rference") continue;
      row.path = FindVpfFolder(database, row.library);
      if (row.path.empty()) {
        result.problems.push_back({(std::filesystem::path(database) / row.library).string(),
                                   "the database lists this library but it is not there"});
        continue;
      }
      std::string productType;
      if (const std::string lhtPath = FindVpfFile(row.path, "lht"); !lhtPath.empty()) {
        VpfTableReader lht;
        std::string ignored;
        if (lht.Open(lhtPath, ignored)) productType = lht.Text(0, lht.Column("PRODUCT_TYPE"));
      }
      row.product = VpfProductKey(productType, dbName.empty() ? std::filesystem::path(database).filename().string() : dbName, dbDesc, row.library);
      row.geosymProduct = VpfGeoSymProduct(row.product);
      row.footprint.west = lat.Number(r, lat.Column("XMIN"));
      row.footprint.south = lat.Number(r, lat.Column("YMIN"));
      row.footprint.east = lat.Number(r, lat.Column("XMAX"));
      row.footprint.north = lat.Number(r, lat.Column("YMAX"));
      work.push_back(std::move(row));
    }
  }
  std::vector<std::string> problemPaths(work.size()), reasons(work.size());
  std::vector<char> read(work.size(), 0);
  result.cancelled = !ForEachFile(work.size(), options, [&](std::size_t i) {
    read[i] = ReadLibrary(work[i], problemPaths[i], reasons[i]) ? 1 : 2;
  });
  for (std::size_t i = 0; i < work.size(); ++i) {
    if (read[i] == 1) result.rows.push_back(std::move(work[i]));
    if (read[i] == 2) result.problems.push_back({problemPaths[i], reasons[i]});
  }
  return result;
}

}  // namespace velk::productline
