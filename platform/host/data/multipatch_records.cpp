#include "platform/host/data/multipatch_records.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <limits>
#include <vector>

#include "platform/host/geometry/multipatch.h"

namespace velk::host {

namespace {

// Measures below this are "no value" in shapefiles.
constexpr double kNoMeasure = -1e38;

std::uint32_t Big(const unsigned char* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
         p[3];
}
void PutBig(unsigned char* p, std::uint32_t v) {
  p[0] = static_cast<unsigned char>(v >> 24);
  p[1] = static_cast<unsigned char>(v >> 16);
  p[2] = static_cast<unsigned char>(v >> 8);
  p[3] = static_cast<unsigned char>(v);
}
template <typename T>
T Little(const unsigned char* p) {
  T v;
  std::memcpy(&v, p, sizeof v);  // shapefiles are little-endian, as this host is
  return v;
}
template <typename T>
void PutLittle(std::string& out, T v) {
  char b[sizeof v];
  std::memcpy(b, &v, sizeof v);
  out.append(b, sizeof v);
}

bool ReadAll(const std::string& path, std::vector<unsigned char>& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

bool WriteAll(const std::string& path, const std::vector<unsigned char>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  out.flush();
  return static_cast<bool>(out);
}

struct Range {
  double lo = std::numeric_limits<double>::infinity();
  double hi = -std::numeric_limits<double>::infinity();
  void Add(double v) {
    lo = std::min(lo, v);
    hi = std::max(hi, v);
  }
  bool Empty() const { return lo > hi; }
};

// The record's content: type, box, parts, kinds, points, z and m.
std::string RecordContent(const GeomData& d) {
  std::int32_t points = 0;
  for (const auto& p : d.parts) points += static_cast<std::int32_t>(p.size());
  Range x, y, z, m;
  for (const auto& p : d.parts)
    for (const Vertex& v : p) {
      x.Add(v.x);
      y.Add(v.y);
      z.Add(v.z);
      if (std::isfinite(v.m)) m.Add(v.m);
    }
  std::string out;
  PutLittle<std::int32_t>(out, kShpMultiPatch);
  for (double v : {x.lo, y.lo, x.hi, y.hi}) PutLittle(out, v);
  PutLittle<std::int32_t>(out, static_cast<std::int32_t>(d.parts.size()));
  PutLittle<std::int32_t>(out, points);
  std::int32_t start = 0;
  for (const auto& p : d.parts) {
    PutLittle(out, start);
    start += static_cast<std::int32_t>(p.size());
  }
  for (std::size_t i = 0; i < d.parts.size(); ++i)
    PutLittle<std::int32_t>(out, i < d.partKinds.size() ? d.partKinds[i] : kPatchTriangleStrip);
  for (const auto& p : d.parts)
    for (const Vertex& v : p) {
      PutLittle(out, v.x);
      PutLittle(out, v.y);
    }
  PutLittle(out, z.lo);
  PutLittle(out, z.hi);
  for (const auto& p : d.parts)
    for (const Vertex& v : p) PutLittle(out, v.z);
  PutLittle(out, m.Empty() ? kNoMeasure * 10 : m.lo);
  PutLittle(out, m.Empty() ? kNoMeasure * 10 : m.hi);
  for (const auto& p : d.parts)
    for (const Vertex& v : p) PutLittle(out, std::isfinite(v.m) ? v.m : kNoMeasure * 10);
  return out;
}

// Rewrites the extents of a header (100 bytes) from every record the index lists.
void RewriteExtents(const std::vector<unsigned char>& shp, const std::vector<unsigned char>& shx,
                    unsigned char* header) {
  Range x, y, z, m;
  const std::size_t records = (shx.size() - 100) / 8;
  for (std::size_t i = 0; i < records; ++i) {
    const std::size_t at = std::size_t{Big(&shx[100 + 8 * i])} * 2;
    const std::size_t length = std::size_t{Big(&shx[104 + 8 * i])} * 2;
    if (at + 8 + length > shp.size() || length < 4) continue;
    const unsigned char* c = &shp[at + 8];
    const auto type = Little<std::int32_t>(c);
    if (type == 0) continue;
    if (type == 1 || type == 11 || type == 21) {
      if (length < 20) continue;
      x.Add(Little<double>(c + 4));
      y.Add(Little<double>(c + 12));
      if (type == 11 && length >= 28) z.Add(Little<double>(c + 20));
      continue;
    }
    if (length < 44) continue;
    x.Add(Little<double>(c + 4));
    y.Add(Little<double>(c + 12));
    x.Add(Little<double>(c + 20));
    y.Add(Little<double>(c + 28));
    if (type == kShpMultiPatch) {
      const auto parts = static_cast<std::size_t>(Little<std::int32_t>(c + 36));
      const auto points = static_cast<std::size_t>(Little<std::int32_t>(c + 40));
      const std::size_t zAt = 44 + 8 * parts + 16 * points;
      if (zAt + 16 <= length) {
        z.Add(Little<double>(c + zAt));
        z.Add(Little<double>(c + zAt + 8));
      }
      const std::size_t mAt = zAt + 16 + 8 * points;
      if (mAt + 16 <= length && Little<double>(c + mAt) > kNoMeasure) {
        m.Add(Little<double>(c + mAt));
        m.Add(Little<double>(c + mAt + 8));
      }
    }
  }
  auto put = [&](std::size_t at, double v) { std::memcpy(header + at, &v, sizeof v); };
  put(36, x.Empty() ? 0.0 : x.lo);
  put(44, y.Empty() ? 0.0 : y.lo);
  put(52, x.Empty() ? 0.0 : x.hi);
  put(60, y.Empty() ? 0.0 : y.hi);
  put(68, z.Empty() ? 0.0 : z.lo);
  put(76, z.Empty() ? 0.0 : z.hi);
  put(84, m.Empty() ? 0.0 : m.lo);
  put(92, m.Empty() ? 0.0 : m.hi);
}

}  // namespace

int ShapefileHeaderType(const std::string& shp) {
  std::ifstream in(shp, std::ios::binary);
  unsigned char header[36];
  if (!in.read(reinterpret_cast<char*>(header), sizeof header)) return -1;
  if (Big(header) != 9994) return -1;
  return Little<std::int32_t>(header + 32);
}

bool WriteMultipatchRecord(const std::string& shpPath, const std::string& shxPath, long index,
                           const GeomData& patch, std::string& why) {
  std::vector<unsigned char> shp, shx;
  if (!ReadAll(shpPath, shp) || !ReadAll(shxPath, shx) || shp.size() < 100 || shx.size() < 100) {
    why = "the shapefile cannot be read";
    return false;
  }
  if (Big(shp.data()) != 9994 || Little<std::int32_t>(&shp[32]) != kShpMultiPatch) {
    why = "the shapefile holds no multipatches";
    return false;
  }
  const std::size_t records = (shx.size() - 100) / 8;
  if (index < 0 || static_cast<std::size_t>(index) >= records) {
    why = "the shapefile has no such record";
    return false;
  }
  const std::size_t entry = 100 + 8 * static_cast<std::size_t>(index);
  const std::size_t at = std::size_t{Big(&shx[entry])} * 2;
  const std::size_t oldLength = std::size_t{Big(&shx[entry + 4])} * 2;
  if (at < 100 || at + 8 + oldLength > shp.size()) {
    why = "the shapefile's index does not match its records";
    return false;
  }
  const std::string content = RecordContent(patch);
  if (content.size() / 2 > 0x7fffffffu - shp.size() / 2) {
    why = "the shapefile would grow past its size limit";
    return false;
  }
  // In place when the record is the last one, else at the end.
  const std::size_t start = at + 8 + oldLength == shp.size() ? at : shp.size();
  shp.resize(start);
  unsigned char head[8];
  PutBig(head, static_cast<std::uint32_t>(index + 1));
  PutBig(head + 4, static_cast<std::uint32_t>(content.size() / 2));
  shp.insert(shp.end(), head, head + 8);
  shp.insert(shp.end(), content.begin(), content.end());
  PutBig(&shx[entry], static_cast<std::uint32_t>(start / 2));
  PutBig(&shx[entry + 4], static_cast<std::uint32_t>(content.size() / 2));
  PutBig(&shp[24], static_cast<std::uint32_t>(shp.size() / 2));
  RewriteExtents(shp, shx, shp.data());
  std::memcpy(&shx[36], &shp[36], 64);
  if (!WriteAll(shpPath, shp) || !WriteAll(shxPath, shx)) {
    why = "the shapefile cannot be written";
    return false;
  }
  return true;
}

bool ReadMultipatchRecord(const std::string& shpPath, const std::string& shxPath, long index,
                          GeomData& out) {
  std::ifstream shx(shxPath, std::ios::binary), shp(shpPath, std::ios::binary);
  if (!shx || !shp || index < 0) return false;
  unsigned char entry[8];
  shx.seekg(100 + 8 * static_cast<std::streamoff>(index));
  if (!shx.read(reinterpret_cast<char*>(entry), 8)) return false;
  const std::size_t at = std::size_t{Big(entry)} * 2, length = std::size_t{Big(entry + 4)} * 2;
  if (length < 44) return false;
  // The index may name any place and length: only a record inside the file is read.
  shp.seekg(0, std::ios::end);
  const std::streamoff size = shp.tellg();
  if (size < 0 || at + 8 > static_cast<std::size_t>(size) ||
      length > static_cast<std::size_t>(size) - at - 8)
    return false;
  std::vector<unsigned char> c(length);
  shp.seekg(static_cast<std::streamoff>(at + 8));
  if (!shp.read(reinterpret_cast<char*>(c.data()), static_cast<std::streamsize>(length)))
    return false;
  if (Little<std::int32_t>(c.data()) != kShpMultiPatch) return false;
  const auto parts = Little<std::int32_t>(&c[36]);
  const auto points = Little<std::int32_t>(&c[40]);
  if (parts < 0 || points < 0) return false;
  const std::size_t np = static_cast<std::size_t>(parts), n = static_cast<std::size_t>(points);
  const std::size_t xyAt = 44 + 8 * np, zAt = xyAt + 16 * n + 16, mAt = zAt + 8 * n + 16;
  if (zAt + 8 * n > length) return false;
  const bool hasM = mAt + 8 * n <= length;
  GeomData d = GeomData::Empty(kGeometryMultiPatch);
  d.zAware = d.mAware = true;
  for (std::size_t k = 0; k < np; ++k) {
    const auto first = Little<std::int32_t>(&c[44 + 4 * k]);
    const auto last = k + 1 < np ? Little<std::int32_t>(&c[44 + 4 * (k + 1)]) : points;
    if (first < 0 || last < first || last > points) return false;
    std::vector<Vertex> part;
    for (auto i = static_cast<std::size_t>(first); i < static_cast<std::size_t>(last); ++i) {
      Vertex v;
      v.x = Little<double>(&c[xyAt + 16 * i]);
      v.y = Little<double>(&c[xyAt + 16 * i + 8]);
      v.z = Little<double>(&c[zAt + 8 * i]);
      const double m = hasM ? Little<double>(&c[mAt + 8 * i]) : kNaN;
      v.m = m > kNoMeasure ? m : kNaN;
      part.push_back(v);
    }
    d.parts.push_back(std::move(part));
    d.partKinds.push_back(Little<std::int32_t>(&c[44 + 4 * np + 4 * k]));
  }
  out = std::move(d);
  return true;
}

}  // namespace velk::host
