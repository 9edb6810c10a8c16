#include "platform/host/data/dbase_record.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstring>

#include "platform/host/data/dataset_files.h"

namespace velk::host {

bool ParseDbaseLayout(const unsigned char* h, std::size_t size, DbaseLayout& out,
                      std::string& why, bool anyFieldType) {
  if (size < 32) {
    why = "the dBASE header cannot be read";
    return false;
  }
  out.records = h[4] | h[5] << 8 | h[6] << 16 | static_cast<std::uint32_t>(h[7]) << 24;
  out.headerLength = h[8] | h[9] << 8;
  out.recordLength = h[10] | h[11] << 8;
  out.fields.clear();
  if (out.headerLength < 33 || out.recordLength < 1) {
    why = "the dBASE header is not whole";
    return false;
  }
  if (static_cast<std::size_t>(out.headerLength) > size) {
    why = "the dBASE fields cannot be read";
    return false;
  }
  int offset = 1;  // after the deletion flag
  int at = 32;
  for (; at + 32 <= out.headerLength && h[at] != 0x0D; at += 32) {
    const unsigned char* d = h + at;
    DbaseField f;
    f.type = static_cast<char>(d[11]);
    if (f.type == 'N' || f.type == 'F' || f.type == 'D') {
      f.width = d[16];
      f.decimals = d[17];
    } else if (f.type == 'C') {
      f.width = d[16] + d[17] * 256;
    } else if (anyFieldType) {
      f.width = d[16];
      f.decimals = d[17];
    } else {
      why = "a dBASE field of another type";
      return false;
    }
    f.offset = offset;
    offset += f.width;
    out.fields.push_back(f);
  }
  if (at >= out.headerLength || h[at] != 0x0D) {
    why = "the dBASE header's field list does not end where its length says";
    return false;
  }
  if (offset != out.recordLength) {
    why = "the dBASE fields do not fill its records";
    return false;
  }
  return true;
}

bool ReadDbaseLayout(int fd, DbaseLayout& out, std::string& why) {
  unsigned char h[32];
  if (::pread(fd, h, sizeof h, 0) != static_cast<ssize_t>(sizeof h)) {
    why = "the dBASE header cannot be read";
    return false;
  }
  std::vector<unsigned char> header(std::max<std::size_t>(sizeof h, h[8] | h[9] << 8));
  if (::pread(fd, header.data(), header.size(), 0) != static_cast<ssize_t>(header.size())) {
    why = "the dBASE fields cannot be read";
    return false;
  }
  return ParseDbaseLayout(header.data(), header.size(), out, why);
}

bool CheckDbaseFile(const std::string& path, std::string& why) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    why = "the dBASE file cannot be opened";
    return false;
  }
  struct stat st {};
  std::vector<unsigned char> header(32);
  bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
            ::pread(fd, header.data(), header.size(), 0) == static_cast<ssize_t>(header.size());
  if (ok) {
    header.resize(std::max<std::size_t>(32, header[8] | header[9] << 8));
    ok = static_cast<std::uintmax_t>(st.st_size) >= header.size() &&
         ::pread(fd, header.data(), header.size(), 0) == static_cast<ssize_t>(header.size());
  }
  ::close(fd);
  if (!ok) {
    why = "the dBASE header cannot be read: it is longer than the file";
    return false;
  }
  DbaseLayout layout;
  if (!ParseDbaseLayout(header.data(), header.size(), layout, why, true)) return false;
  // The records the header counts must fill the file, give or take the end-of-file mark.
  const std::uint64_t data = static_cast<std::uint64_t>(st.st_size) - layout.headerLength;
  const std::uint64_t counted = static_cast<std::uint64_t>(layout.records) * layout.recordLength;
  if (counted > data) {
    why = "the dBASE header counts " + std::to_string(layout.records) +
          " records but the file is cut short after " +
          std::to_string(data / static_cast<std::uint64_t>(layout.recordLength));
    return false;
  }
  if (data - counted >= static_cast<std::uint64_t>(layout.recordLength) + 1) {
    why = "the dBASE header counts " + std::to_string(layout.records) +
          " records but the file holds " +
          std::to_string(data / static_cast<std::uint64_t>(layout.recordLength));
    return false;
  }
  return true;
}

DbaseRecord::DbaseRecord(std::vector<DbaseField> fields, int recordLength)
    : fields_(std::move(fields)), nullRecord_(static_cast<std::size_t>(recordLength), ' ') {
  for (const DbaseField& f : fields_)
    std::fill_n(nullRecord_.begin() + f.offset, f.width, DbaseNullMark(f.type));
  record_ = nullRecord_;
}

void DbaseRecord::Clear() { std::memcpy(record_.data(), nullRecord_.data(), record_.size()); }

bool DbaseRecord::SetText(int field, std::string_view bytes) {
  const DbaseField& f = fields_[static_cast<std::size_t>(field)];
  if (f.type != 'C' || bytes.size() > static_cast<std::size_t>(f.width)) return false;
  bytes = bytes.substr(0, bytes.find('\0'));
  char* at = record_.data() + f.offset;
  std::memcpy(at, bytes.data(), bytes.size());
  std::fill_n(at + bytes.size(), f.width - static_cast<int>(bytes.size()), ' ');
  return true;
}

bool DbaseRecord::SetNumber(int field, double value) {
  const DbaseField& f = fields_[static_cast<std::size_t>(field)];
  if (f.type == 'C') return false;
  // "%*.*f": the digits right-aligned in the field's width.
  char text[400];
  auto r = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, f.decimals);
  const int length = static_cast<int>(r.ptr - text);
  if (r.ec != std::errc() || length > f.width) return false;
  char* at = record_.data() + f.offset;
  std::fill_n(at, f.width - length, ' ');
  std::memcpy(at + f.width - length, text, static_cast<std::size_t>(length));
  return true;
}

bool DbaseRecord::SetDate(int field, int year, int month, int day) {
  const DbaseField& f = fields_[static_cast<std::size_t>(field)];
  if (f.type != 'D' || year < 0 || year > 9999 || (year == 0 && month == 0 && day == 0))
    return false;
  return SetNumber(field, year * 10000.0 + month * 100.0 + day);
}

}  // namespace velk::host
