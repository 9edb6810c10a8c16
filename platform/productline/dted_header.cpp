#include "platform/productline/dted_header.h"

#include <cctype>
#include <fstream>

namespace velk::productline {
namespace {

// The user header, data set identification and accuracy records before the posts.
constexpr std::uint64_t kHeaderRecords = 80 + 648 + 2700;
// Each longitude line: sentinel, block count, longitude and latitude counts, then the posts
// (two bytes each) and a checksum.
constexpr std::uint64_t kLineOverhead = 8 + 4;

// Digits only, as a whole number; -1 when a character is not a digit.
long Digits(std::string_view text) {
  long value = 0;
  for (char c : text) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return -1;
    value = value * 10 + (c - '0');
  }
  return value;
}

// "DDDMMSSH": degrees, minutes, seconds and hemisphere; false when out of range.
bool Angle(std::string_view text, char positive, char negative, int maxDegrees, double& out) {
  const long degrees = Digits(text.substr(0, 3));
  const long minutes = Digits(text.substr(3, 2));
  const long seconds = Digits(text.substr(5, 2));
  const char h = static_cast<char>(std::toupper(static_cast<unsigned char>(text[7])));
  if (degrees < 0 || minutes < 0 || seconds < 0 || minutes >= 60 || seconds >= 60) return false;
  if (h != positive && h != negative) return false;
  const double value = degrees + minutes / 60.0 + seconds / 3600.0;
  if (value > maxDegrees) return false;
  out = h == negative ? -value : value;
  return true;
}

}  // namespace

std::uint64_t DtedFileSize(const DtedHeader& header) {
  return kHeaderRecords + static_cast<std::uint64_t>(header.columns) *
                              (kLineOverhead + 2 * static_cast<std::uint64_t>(header.rows));
}

bool ReadDtedHeader(std::string_view bytes, std::uint64_t fileSize, DtedHeader& out,
                    std::string& reason) {
  if (bytes.size() < 80 || bytes.substr(0, 3) != "UHL") {
    reason = "not a DTED cell: it does not begin with a user header label";
    return false;
  }
  DtedHeader h;
  if (!Angle(bytes.substr(4, 8), 'E', 'W', 180, h.west)) {
    reason = "not a DTED cell: its header's longitude \"" + std::string(bytes.substr(4, 8)) +
             "\" is out of range";
    return false;
  }
  if (!Angle(bytes.substr(12, 8), 'N', 'S', 90, h.south)) {
    reason = "not a DTED cell: its header's latitude \"" + std::string(bytes.substr(12, 8)) +
             "\" is out of range";
    return false;
  }
  const long lonTenths = Digits(bytes.substr(20, 4));
  const long latTenths = Digits(bytes.substr(24, 4));
  h.columns = static_cast<int>(Digits(bytes.substr(47, 4)));
  h.rows = static_cast<int>(Digits(bytes.substr(51, 4)));
  if (lonTenths <= 0 || latTenths <= 0 || h.columns < 2 || h.rows < 2) {
    reason = "not a DTED cell: its header's post spacing or size is out of range";
    return false;
  }
  h.lonSpacing = lonTenths / 10.0;
  h.latSpacing = latTenths / 10.0;
  // The cell must lie on the earth.
  const double east = h.west + (h.columns - 1) * h.lonSpacing / 3600.0;
  const double north = h.south + (h.rows - 1) * h.latSpacing / 3600.0;
  if (east > 180 + 1e-9 || north > 90 + 1e-9) {
    reason = "not a DTED cell: its header places it beyond the edge of the earth";
    return false;
  }
  if (fileSize < DtedFileSize(h)) {
    reason = "the cell is cut short: its header promises " + std::to_string(DtedFileSize(h)) +
             " bytes but the file holds " + std::to_string(fileSize);
    return false;
  }
  out = h;
  return true;
}

bool ReadDtedHeaderFile(const std::string& path, DtedHeader& out, std::string& reason) {
  std::ifstream f(path, std::ios::binary | std::ios::ate);
  if (!f) {
    reason = "it cannot be read";
    return false;
  }
  const std::streamoff size = f.tellg();
  char label[80] = {};
  f.seekg(0);
  f.read(label, sizeof label);
  const std::string_view bytes(label, static_cast<std::size_t>(f.gcount()));
  return ReadDtedHeader(bytes, size < 0 ? 0 : static_cast<std::uint64_t>(size), out, reason);
}

}  // namespace velk::productline
