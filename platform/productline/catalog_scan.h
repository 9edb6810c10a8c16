// Finding and reading the products under a folder tree for a catalog: what each DTED cell and
// RPF frame contributes as a catalog row, and what could not be read. Plain data; the data
// manager turns it into rows and events.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace velk::productline {

// A geographic rectangle (degrees, WGS 84).
struct Footprint {
  double west = 0;
  double south = 0;
  double east = 0;
  double north = 0;
};

struct DtedCellRow {
  std::string path;  // full path of the cell file
  std::string name;  // its file name
  int level = 0;     // DTED level 0 .. 5
  Footprint footprint;
  // Elevation statistics of the cell (void posts left out), computed once when it is read.
  double minimum = 0;
  double maximum = 0;
  double mean = 0;
  double stdDev = 0;
};

struct RpfFrameRow {
  std::string path;     // full path of the frame file
  std::string name;     // its file name
  std::string product;  // "CADRG", "CIB" (the product type of its boundary rectangle)
  std::string series;   // series code: the first two characters of the file's extension
  std::uint32_t scale = 0;
  Footprint footprint;
};

// One feature class of a coverage of a VPF library.
struct VpfFeatureClassRow {
  std::string coverage;             // coverage name as the library's coverage table lists it
  std::string featureClass;         // feature class name ("roadl")
  std::string coverageDescription;  // from the coverage table
  std::string classDescription;     // from the coverage's feature class attribute table
  std::string type;                 // "Point", "Line", "Area" or "Text"
  std::string ogdiLayer;            // the layer GDAL's OGDI driver shows for it
};

// One library of a VPF database.
struct VpfLibraryRow {
  std::string database;  // full path of the database folder (the one holding dht and lat)
  std::string library;   // library name as the database's library table lists it
  std::string path;      // full path of the library folder
  std::string product;   // dataset key: product type, "$", product name ("VMAP$VMAP Level 0")
  int geosymProduct = 0;  // 1 VMAP level 0, 2 level 1, 3 level 2, 4 UVMAP, 5 DNC, else 0
  Footprint footprint;
  std::vector<VpfFeatureClassRow> classes;
};

// A file that could not be read, and why.
struct ScanProblem {
  std::string path;
  std::string reason;
};

struct ScanOptions {
  // Worker threads; 0: one per core.
  unsigned threads = 0;
  // Called on the calling thread from time to time with the files done so far and the files
  // found; returning false stops the scan (the rows read so far are kept).
  std::function<bool(std::size_t done, std::size_t total)> progress;
};

template <typename Row>
struct ScanResult {
  std::vector<Row> rows;  // in file order
  std::vector<ScanProblem> problems;
  // Places not read and why (a second way to a folder or file already read): not faults.
  std::vector<ScanProblem> skipped;
  std::size_t filesFound = 0;
  bool cancelled = false;
};

// Every .dt0 .. .dt5 file under the folder (letter case ignored), read through GDAL's DTED
// driver: footprint, level and statistics. A file that GDAL cannot read, whose level does not
// match its extension, or whose posts cannot all be read is a problem.
ScanResult<DtedCellRow> ScanDtedTree(const std::string& folder, const ScanOptions& options = {});

// Every A.TOC under the folder (letter case ignored) and the frames it lists, each frame read
// through GDAL's NITF driver. A table of contents that cannot be read, a listed frame that is
// missing, and a frame that is not a readable 1536 x 1536 frame are problems.
ScanResult<RpfFrameRow> ScanRpfTree(const std::string& folder, const ScanOptions& options = {});

// Every VPF database under the folder (a folder holding "dht" and "lat", letter case ignored)
// and its libraries: each library's tables are checked against their files (a table whose stated
// lengths do not fit its file is a problem naming it), then the library is opened through GDAL's
// OGDI driver, which must show every feature class its coverages list. A library with a problem
// is left out; the others load.
ScanResult<VpfLibraryRow> ScanVpfTree(const std::string& folder, const ScanOptions& options = {});

// Checks every table of a VPF library folder (its own tables, its coverages' schema, feature and
// primitive tables, tiles included) against its file, before a reader that trusts them (GDAL's
// OGDI driver, libvpf) opens the library. False with the file at fault and why.
bool CheckVpfLibraryTables(const std::string& libraryFolder, std::string& problemPath,
                           std::string& reason);

// The product key of a library: the library header's product type, "$", and the product's name
// told by the database name ("vmaplv0" "VMAP Level 0", "uvmap" "UVMAP"; DNC libraries by the
// first letter of the library name: A Approach, C Coastal, G General, H Harbor), else the
// database description.
std::string VpfProductKey(const std::string& productType, const std::string& databaseName,
                          const std::string& databaseDescription, const std::string& library);
// The number GeoSym knows the product by (see VpfLibraryRow).
int VpfGeoSymProduct(const std::string& productKey);
// The name prefix of a product's feature classes in a geodatabase ("vmaplv0", "UVMap", "DNCH");
// for another product, the database name.
std::string VpfProductPrefix(const std::string& productKey, const std::string& databaseName);

// The DTED level whose post spacing (arc seconds, latitude) this is; -1 when none is.
int DtedLevelOfSpacing(double arcSeconds);

// Runs work(i) for i in [0, count) on the option's worker threads, calling progress on the
// calling thread; returns false when progress asked to stop.
bool ForEachFile(std::size_t count, const ScanOptions& options,
                 const std::function<void(std::size_t index)>& work);

// Whether the path lies inside the folder, both taken as written (made absolute, "." and ".."
// resolved without following links).
bool PathInside(const std::string& folder, const std::string& path);

// Collects the files under folder for which accept(lower-case file name) holds, in path order.
// Links to folders and files are followed, each folder and file once by its identity on disk
// (a second way to the same one, through a link or a bind mount, is skipped); what is skipped
// (that, a link to nothing, a folder that cannot be read) goes to skipped with the reason.
std::vector<std::string> FindFiles(const std::string& folder,
                                   const std::function<bool(const std::string&)>& accept,
                                   std::vector<ScanProblem>* skipped = nullptr);

}  // namespace velk::productline
