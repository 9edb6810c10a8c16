#include "platform/productline/vpf_table.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/com/plain_text.h"

namespace velk::productline {
namespace {

bool ReadAll(const std::string& path, std::string& bytes) {
  std::ifstream f(path, std::ios::binary);
  if (!f) return false;
  bytes.assign(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
  return !f.bad();
}

std::uint32_t Int32(const char* p, bool bigEndian) {
  unsigned char b[4];
  std::memcpy(b, p, 4);
  if (bigEndian) std::reverse(b, b + 4);
  return b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
}

// Bytes of one element of a fixed-size type; 0 for K (sized per value) and unknown types.
std::size_t ElementSize(char type) {
  switch (type) {
    case 'T':
    case 'L':
    case 'M':
    case 'N': return 1;
    case 'I':
    case 'F': return 4;
    case 'S': return 2;
    case 'R':
    case 'C': return 8;
    case 'B': return 16;
    case 'Z': return 12;
    case 'Y': return 24;
    case 'D': return 20;
    case 'X': return 0;
    default: return 0;
  }
}

bool KnownType(char type) { return type == 'K' || type == 'X' || ElementSize(type) > 0; }

// The columns of a header text: "L;description;narrative;NAME=T,8,...:NAME=...:;".
bool ParseHeader(const std::string& header, std::vector<VpfColumnDef>& columns,
                 std::string& reason) {
  std::size_t p = 0;
  if (!header.empty() && (std::toupper(static_cast<unsigned char>(header[0])) == 'L' ||
                          std::toupper(static_cast<unsigned char>(header[0])) == 'M'))
    p = header.size() > 1 && header[1] == ';' ? 2 : 1;
  for (int skip = 0; skip < 2; ++skip) {  // description and narrative
    const std::size_t semi = header.find(';', p);
    if (semi == std::string::npos) {
      reason = "its header has no column definitions";
      return false;
    }
    p = semi + 1;
  }
  while (p < header.size() && header[p] != ';') {
    const std::size_t end = header.find(':', p);
    if (end == std::string::npos) break;
    const std::string def = header.substr(p, end - p);
    p = end + 1;
    const std::size_t eq = def.find('=');
    if (eq == std::string::npos) {
      reason = "its header has a column without a type";
      return false;
    }
    VpfColumnDef c;
    c.name = ToUpper(std::string(Trim(def.substr(0, eq))));
    std::vector<std::string> parts;
    std::size_t q = eq + 1;
    while (q <= def.size()) {
      const std::size_t comma = std::min(def.find(',', q), def.size());
      parts.push_back(std::string(Trim(def.substr(q, comma - q))));
      q = comma + 1;
    }
    if (parts.size() < 2 || parts[0].size() != 1) {
      reason = "its header's column " + c.name + " has no type and count";
      return false;
    }
    c.type = static_cast<char>(std::toupper(static_cast<unsigned char>(parts[0][0])));
    if (!KnownType(c.type)) {
      reason = "its header's column " + c.name + " has an unknown type";
      return false;
    }
    if (parts[1] == "*") {
      c.count = -1;
    } else {
      char* stop = nullptr;
      const long n = std::strtol(parts[1].c_str(), &stop, 10);
      if (parts[1].empty() || *stop || n < 1 || n > 1000000) {
        reason = "its header's column " + c.name + " has a bad count";
        return false;
      }
      c.count = static_cast<int>(n);
    }
    columns.push_back(c);
  }
  if (columns.empty() || columns[0].name != "ID") {
    reason = "its header does not begin with an ID column";
    return false;
  }
  return true;
}

// Size of a triplet id at p (its first byte says how wide each of its three parts is).
std::size_t TripletSize(unsigned char first) {
  static const std::size_t width[4] = {0, 1, 2, 4};
  return 1 + width[(first >> 6) & 3] + width[(first >> 4) & 3] + width[(first >> 2) & 3];
}

// The entry of a folder whose name is name in any letter case, a folder or a regular file.
std::string FindEntry(const std::string& folder, const std::string& name, bool directory) {
  std::error_code ec;
  const std::string upper = ToUpper(name);
  for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end;
       it.increment(ec)) {
    if (ToUpper(it->path().filename().string()) != upper) continue;
    if (directory ? it->is_directory(ec) : it->is_regular_file(ec)) return it->path().string();
  }
  return "";
}

}  // namespace

std::string FindVpfFile(const std::string& folder, const std::string& name) {
  std::error_code ec;
  for (const auto& candidate : {name, ToUpper(name)}) {
    const std::filesystem::path p = std::filesystem::path(folder) / candidate;
    if (std::filesystem::is_regular_file(p, ec)) return p.string();
  }
  return FindEntry(folder, name, false);  // mixed case
}

std::string FindVpfFolder(const std::string& folder, const std::string& name) {
  return FindEntry(folder, name, true);
}

namespace {

// The bytes of one cell of column c from at on (its count first when variable), advancing at;
// false with the reason when the file ends first (row is the row's number from 1).
bool ReadCell(const std::string& bytes, bool bigEndian, const VpfColumnDef& c, std::size_t row,
              std::size_t& at, std::string& cell, std::string& reason) {
  std::size_t count = static_cast<std::size_t>(c.count);
  if (c.count < 0) {
    if (bytes.size() - at < 4) {
      reason = "it is cut short in row " + std::to_string(row);
      return false;
    }
    count = Int32(bytes.data() + at, bigEndian);
    at += 4;
  }
  std::size_t size = 0;
  if (c.type == 'K') {
    for (std::size_t i = 0; i < count; ++i) {
      if (at + size >= bytes.size()) {
        size = bytes.size() + 1;
        break;
      }
      size += TripletSize(static_cast<unsigned char>(bytes[at + size]));
    }
  } else {
    const std::size_t element = ElementSize(c.type);
    if (element != 0 && count > (bytes.size() - at) / element)
      size = bytes.size() + 1;
    else
      size = element * count;
  }
  if (size > bytes.size() - at) {
    reason = "it is cut short in row " + std::to_string(row) + " (column " + c.name + ")";
    return false;
  }
  cell = bytes.substr(at, size);
  at += size;
  return true;
}

// A variable-length table's index (the table's name ending in x) must list the rows where they
// start; a table without an index file is left as it is.
bool CheckRowIndex(const std::string& path, bool bigEndian, const std::vector<std::size_t>& starts,
                   std::string& reason) {
  const std::filesystem::path p(path);
  std::string indexName = p.filename().string();
  if (!indexName.empty())
    indexName.back() = std::isupper(static_cast<unsigned char>(indexName.back())) ? 'X' : 'x';
  const std::string indexPath = FindVpfFile(p.parent_path().string(), indexName);
  if (indexPath.empty()) return true;
  std::string index;
  if (!ReadAll(indexPath, index) || index.size() < 8) {
    reason = "its index " + indexPath + " cannot be read";
    return false;
  }
  const std::uint32_t listed = Int32(index.data(), bigEndian);
  if (listed != starts.size() || index.size() < 8 + 8 * static_cast<std::size_t>(listed)) {
    reason = "its index lists " + std::to_string(listed) + " rows but the table holds " +
             std::to_string(starts.size());
    return false;
  }
  for (std::size_t i = 0; i < starts.size(); ++i) {
    const std::uint32_t offset = Int32(index.data() + 8 + 8 * i, bigEndian);
    if (offset != starts[i]) {
      reason = "its index places row " + std::to_string(i + 1) + " where the table does not";
      return false;
    }
  }
  return true;
}

}  // namespace

bool VpfTableReader::Open(const std::string& path, std::string& reason) {
  columns_.clear();
  rows_.clear();
  std::string bytes;
  if (!ReadAll(path, bytes)) {
    reason = "it cannot be read";
    return false;
  }
  if (bytes.size() < 5) {
    reason = "it is too short to be a VPF table";
    return false;
  }
  const bool bigEndian = std::toupper(static_cast<unsigned char>(bytes[4])) == 'M';
  const std::uint32_t headerLength = Int32(bytes.data(), bigEndian);
  if (headerLength == 0 || headerLength > bytes.size() - 4) {
    reason = "its header says it is " + std::to_string(headerLength) +
             " bytes long but the file holds only " + std::to_string(bytes.size() - 4);
    return false;
  }
  if (!ParseHeader(bytes.substr(4, headerLength), columns_, reason)) return false;
  // Rows of zero-width columns only take no bytes: no count of them fits a file.
  if (std::none_of(columns_.begin(), columns_.end(), [](const VpfColumnDef& c) {
        return c.count < 0 || c.type == 'K' || ElementSize(c.type) > 0;
      })) {
    reason = "its header's columns are all zero-width";
    return false;
  }

  // Rows one after another, every length checked against the file.
  std::size_t at = 4 + headerLength;
  std::vector<std::size_t> starts;
  while (at < bytes.size()) {
    starts.push_back(at);
    std::vector<std::string> cells(columns_.size());
    for (std::size_t k = 0; k < columns_.size(); ++k)
      if (!ReadCell(bytes, bigEndian, columns_[k], starts.size(), at, cells[k], reason))
        return false;
    rows_.push_back(std::move(cells));
  }
  const bool variable = std::any_of(columns_.begin(), columns_.end(), [](const VpfColumnDef& c) {
    return c.count < 0 || c.type == 'K';
  });
  if (variable && !CheckRowIndex(path, bigEndian, starts, reason)) return false;
  big_ = bigEndian;
  return true;
}

int VpfTableReader::Column(const std::string& name) const {
  const std::string upper = ToUpper(name);
  for (std::size_t i = 0; i < columns_.size(); ++i)
    if (columns_[i].name == upper) return static_cast<int>(i);
  return -1;
}

std::string VpfTableReader::Text(std::size_t row, int column) const {
  if (row >= rows_.size() || column < 0 || static_cast<std::size_t>(column) >= columns_.size())
    return "";
  const std::string& cell = rows_[row][static_cast<std::size_t>(column)];
  switch (columns_[static_cast<std::size_t>(column)].type) {
    case 'T':
    case 'L':
    case 'M':
    case 'N': {
      std::string text = cell.substr(0, cell.find('\0'));
      return std::string(Trim(text));
    }
    case 'I':
    case 'S':
    case 'F':
    case 'R': {
      const double v = Number(row, column);
      // Whole numbers without decimals (only where a 64-bit integer holds them).
      if (std::isfinite(v) && std::fabs(v) < 9e15 && v == std::trunc(v))
        return std::to_string(static_cast<long long>(v));
      return std::to_string(v);
    }
    default: return "";
  }
}

double VpfTableReader::Number(std::size_t row, int column) const {
  if (row >= rows_.size() || column < 0 || static_cast<std::size_t>(column) >= columns_.size())
    return 0;
  std::string cell = rows_[row][static_cast<std::size_t>(column)];
  const char type = columns_[static_cast<std::size_t>(column)].type;
  if (big_)
    std::reverse(cell.begin(),
                 cell.begin() + std::min<std::size_t>(cell.size(), ElementSize(type)));
  switch (type) {
    case 'I': {
      if (cell.size() < 4) return 0;
      std::int32_t v;
      std::memcpy(&v, cell.data(), 4);
      return v;
    }
    case 'S': {
      if (cell.size() < 2) return 0;
      std::int16_t v;
      std::memcpy(&v, cell.data(), 2);
      return v;
    }
    case 'F': {
      if (cell.size() < 4) return 0;
      float v;
      std::memcpy(&v, cell.data(), 4);
      return v;
    }
    case 'R': {
      if (cell.size() < 8) return 0;
      double v;
      std::memcpy(&v, cell.data(), 8);
      return v;
    }
    default: return 0;
  }
}

}  // namespace velk::productline
