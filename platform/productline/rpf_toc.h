// Reader of an RPF table of contents (A.TOC, with or without its NITF wrapper): its boundary
// rectangles and the frame files it lists, with the frames' full paths. Plain bytes in, plain
// data out; every length and offset is checked against the file.
#pragma once

#include <string>
#include <vector>

namespace velk::productline {

struct RpfTocBoundaryInfo {
  std::string productType;  // "CADRG", "CIB", ...
  std::string scale;        // as written: "1:1M"
  std::string zone;
};

struct RpfTocFrameInfo {
  std::size_t boundary = 0;  // index into the boundaries
  int row = 0;
  int column = 0;
  std::string fileName;
  std::string path;  // the folder it names, joined to the table's folder
};

struct RpfToc {
  std::vector<RpfTocBoundaryInfo> boundaries;
  std::vector<RpfTocFrameInfo> frames;
};

// Reads the table; false with the reason when the file is not one or is cut short.
bool ReadRpfToc(const std::string& path, RpfToc& toc, std::string& reason);

}  // namespace velk::productline
