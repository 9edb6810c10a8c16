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

// The DTED level whose post spacing (arc seconds, latitude) this is; -1 when none is.
int DtedLevelOfSpacing(double arcSeconds);

// Runs work(i) for i in [0, count) on the option's worker threads, calling progress on the
// calling thread; returns false when progress asked to stop.
bool ForEachFile(std::size_t count, const ScanOptions& options,
                 const std::function<void(std::size_t index)>& work);

// Collects the files under folder for which accept(lower-case file name) holds, in path order.
std::vector<std::string> FindFiles(const std::string& folder,
                                   const std::function<bool(const std::string&)>& accept);

}  // namespace velk::productline
