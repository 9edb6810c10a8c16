// Reading one VPF table (a relational table of a vector product database): its header of column
// definitions and its rows, fixed-length or through the variable-length index beside it. Every
// length the file states is checked against the file before it is used, so a table that lies
// about its length is refused with the reason instead of being read past its end. Plain data;
// the VPF catalog loader reads the database, library and coverage tables through it.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace velk::productline {

struct VpfColumnDef {
  std::string name;  // upper case
  char type = 0;     // T, I, S, F, R, C, B, Z, Y, D, K, X
  int count = 1;     // -1: variable
};

class VpfTableReader {
 public:
  // Reads the whole table; false with the reason when the file is not a readable VPF table.
  bool Open(const std::string& path, std::string& reason);

  const std::vector<VpfColumnDef>& Columns() const { return columns_; }
  std::size_t RowCount() const { return rows_.size(); }
  // The column's position, -1 when the table has none of that name (letter case ignored).
  int Column(const std::string& name) const;
  // A cell as text: text trimmed of trailing blanks, numbers in decimal; "" for another type or
  // a column out of range.
  std::string Text(std::size_t row, int column) const;
  double Number(std::size_t row, int column) const;

 private:
  std::vector<VpfColumnDef> columns_;
  // Each row's cells as raw bytes (variable cells without their count).
  std::vector<std::vector<std::string>> rows_;
  bool big_ = false;  // numbers stored most significant byte first
};

// The file of a table in a folder, whatever the letter case of its name on disk ("lat" or
// "LAT"); "" when there is none.
std::string FindVpfFile(const std::string& folder, const std::string& name);
// The sub-folder of a folder likewise (a library, a coverage); "" when there is none.
std::string FindVpfFolder(const std::string& folder, const std::string& name);

}  // namespace velk::productline
