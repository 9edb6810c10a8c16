// The user header label of a DTED cell read before any other reader sees the file: the cell's
// origin, post spacing and size, each checked against what a DTED cell can hold, and the file's
// length against the posts the header promises. A file that fails is not a DTED cell. Plain
// data; the DTED catalog loader checks every cell through it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace velk::productline {

struct DtedHeader {
  double west = 0;   // origin: the south-west post, degrees
  double south = 0;
  double lonSpacing = 0;  // arc seconds between posts
  double latSpacing = 0;
  int columns = 0;   // longitude lines
  int rows = 0;      // points per line
};

// The bytes a cell of the header's size takes: the header records and every data record.
std::uint64_t DtedFileSize(const DtedHeader& header);

// Reads the header from the first bytes of a file (at least the 80-byte user header label);
// fileSize is the whole file's length. False with the reason when it is not a DTED cell.
bool ReadDtedHeader(std::string_view bytes, std::uint64_t fileSize, DtedHeader& out,
                    std::string& reason);

// Reads the header of the file at path (see above).
bool ReadDtedHeaderFile(const std::string& path, DtedHeader& out, std::string& reason);

}  // namespace velk::productline
