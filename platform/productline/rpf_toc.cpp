#include "platform/productline/rpf_toc.h"
#include "platform/com/plain_text.h"

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace velk::productline {
namespace {

// Big-endian reading with bounds checks: a read past the end marks the reader failed.
class Reader {
 public:
  explicit Reader(const std::vector<unsigned char>& bytes) : bytes_(bytes) {}
  bool Seek(std::size_t at) {
    if (at > bytes_.size()) ok_ = false;
    pos_ = at;
    return ok_;
  }
  std::uint32_t U(int width) {
    std::uint32_t v = 0;
    for (int i = 0; i < width; ++i) v = v << 8 | Byte();
    return v;
  }
  double F64() {
    std::uint64_t bits = static_cast<std::uint64_t>(U(4)) << 32;
    bits |= U(4);
    double v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
  }
  std::string Text(std::size_t width) {
    std::string s;
    for (std::size_t i = 0; i < width; ++i) s.push_back(static_cast<char>(Byte()));
    const std::size_t first = s.find_first_not_of(' ');
    const std::size_t last = s.find_last_not_of(' ');
    return first == std::string::npos ? std::string() : s.substr(first, last - first + 1);
  }
  bool ok() const { return ok_; }

 private:
  unsigned Byte() {
    if (pos_ >= bytes_.size()) {
      ok_ = false;
      return 0;
    }
    return bytes_[pos_++];
  }
  const std::vector<unsigned char>& bytes_;
  std::size_t pos_ = 0;
  bool ok_ = true;
};

constexpr unsigned kBoundarySubheader = 148;
constexpr unsigned kFrameIndexTable = 151;

// Where the 48-byte RPF header starts: at 0, or inside the NITF file header's RPFHDR extension.
bool FindHeader(const std::vector<unsigned char>& bytes, std::size_t& at) {
  if (bytes.size() >= 4 && std::memcmp(bytes.data(), "NITF", 4) == 0) {
    const std::string head(bytes.begin(),
                           bytes.begin() + std::min<std::size_t>(bytes.size(), 4096));
    const std::size_t tre = head.find("RPFHDR00048");
    if (tre == std::string::npos) return false;
    at = tre + 11;
    return true;
  }
  at = 0;
  return bytes.size() >= 48 && bytes[0] <= 1;
}

std::string FrameFolder(const std::filesystem::path& tocFolder, std::string folder) {
  while (!folder.empty() && folder.back() == '/') folder.pop_back();
  while (folder.rfind("./", 0) == 0) folder.erase(0, 2);
  while (!folder.empty() && folder.front() == '/' && !std::filesystem::path(folder).is_absolute())
    folder.erase(0, 1);
  if (folder.empty() || folder == ".") return tocFolder.string();
  std::filesystem::path p(folder);
  return (p.is_absolute() ? p : tocFolder / p).lexically_normal().string();
}

// The path of a frame as it lies on disk: names on media are often upper case while the copy
// on disk is lower case, or the other way round.
std::string ExistingPath(const std::string& folder, const std::string& name) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::path exact = fs::path(folder) / name;
  if (fs::exists(exact, ec)) return exact.string();
  fs::path lowered = fs::path(folder) / ToLower(name);
  if (fs::exists(lowered, ec)) return lowered.string();
  return exact.string();
}

}  // namespace

bool ReadRpfToc(const std::string& path, RpfToc& toc, std::string& reason) {
  toc = RpfToc{};
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    reason = "the file cannot be opened";
    return false;
  }
  const std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)),
                                         std::istreambuf_iterator<char>());
  std::size_t header = 0;
  if (!FindHeader(bytes, header)) {
    reason = "not an RPF table of contents";
    return false;
  }
  Reader r(bytes);
  r.Seek(header + 44);
  const std::uint32_t location = r.U(4);
  if (!r.ok() || !r.Seek(location)) {
    reason = "not an RPF table of contents: its location section lies past its end";
    return false;
  }
  r.U(2);
  const std::uint32_t tableOffset = r.U(4);
  const std::uint32_t count = r.U(2);
  const std::uint32_t recordLength = r.U(2);
  if (!r.ok() || recordLength != 10 || !r.Seek(location + tableOffset)) {
    reason = "not an RPF table of contents: its location section is damaged";
    return false;
  }
  std::uint32_t where[4] = {0, 0, 0, 0};
  for (std::uint32_t i = 0; i < count && r.ok(); ++i) {
    const std::uint32_t id = r.U(2);
    r.U(4);
    const std::uint32_t offset = r.U(4);
    if (id >= kBoundarySubheader && id <= kFrameIndexTable) where[id - kBoundarySubheader] = offset;
  }
  if (!r.ok() || !where[0] || !where[1] || !where[2] || !where[3]) {
    reason = "not an RPF table of contents: it has no boundary rectangles or frame index";
    return false;
  }
  r.Seek(where[0]);
  r.U(4);
  const std::uint32_t boundaries = r.U(2);
  const std::uint32_t boundaryLength = r.U(2);
  for (std::uint32_t i = 0; i < boundaries && r.ok(); ++i) {
    r.Seek(where[1] + static_cast<std::size_t>(i) * boundaryLength);
    RpfTocBoundaryInfo b;
    b.productType = r.Text(5);
    r.Text(5);
    b.scale = r.Text(12);
    b.zone = r.Text(1);
    toc.boundaries.push_back(b);
  }
  r.Seek(where[2]);
  r.U(1);
  r.U(4);
  const std::uint32_t frames = r.U(4);
  r.U(2);
  const std::uint32_t frameLength = r.U(2);
  if (!r.ok() || frameLength < 28) {
    reason = "the table of contents is cut short";
    return false;
  }
  // Boundary numbers start at 0 in the tables the standard describes and at 1 in some others.
  bool fromOne = false;
  const std::filesystem::path tocFolder = std::filesystem::path(path).parent_path();
  for (std::uint32_t i = 0; i < frames && r.ok(); ++i) {
    if (!r.Seek(where[3] + static_cast<std::size_t>(i) * frameLength)) break;
    std::uint32_t boundary = r.U(2);
    if (i == 0 && boundary != 0) fromOne = true;
    if (fromOne) --boundary;
    RpfTocFrameInfo f;
    f.boundary = boundary;
    f.row = static_cast<int>(r.U(2));
    f.column = static_cast<int>(r.U(2));
    const std::uint32_t pathOffset = r.U(4);
    f.fileName = r.Text(12);
    if (!r.ok()) break;
    if (boundary >= toc.boundaries.size() || f.fileName.empty()) {
      reason = "frame record " + std::to_string(i + 1) + " of the table of contents is damaged";
      return false;
    }
    r.Seek(where[3] + static_cast<std::size_t>(pathOffset));
    const std::uint32_t length = r.U(2);
    if (!r.ok() || length == 0 || length > 256) {
      reason = "frame record " + std::to_string(i + 1) + " of the table of contents has no folder";
      return false;
    }
    const std::string folder = r.Text(length);
    f.path = ExistingPath(FrameFolder(tocFolder, folder), f.fileName);
    toc.frames.push_back(std::move(f));
  }
  if (!r.ok()) {
    reason = "the table of contents is cut short";
    return false;
  }
  return true;
}

}  // namespace velk::productline
