#include "platform/registry/hive_file.h"

#include <hivex.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <type_traits>

#include "platform/com/text.h"
#include "platform/registry/file_io.h"

namespace velk::reg::detail {
namespace {

constexpr std::size_t kHeaderSize = 0x1000;
constexpr std::size_t kBinSize = 0x1000;

void Put16(std::string& b, std::size_t at, std::uint16_t v) {
  b[at] = static_cast<char>(v & 0xFF);
  b[at + 1] = static_cast<char>(v >> 8);
}
void Put32(std::string& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}
std::uint32_t Get32(const std::string& b, std::size_t at) {
  std::uint32_t v = 0;
  for (int i = 0; i < 4; ++i)
    v |= static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + i])) << (8 * i);
  return v;
}

// A self-relative security descriptor: owner and group BUILTIN\Administrators, a DACL that
// gives Everyone full access to the key.
std::string SecurityDescriptor() {
  const unsigned char admins[16] = {1, 2, 0, 0, 0, 0, 0, 5, 32, 0, 0, 0, 0x20, 0x02, 0, 0};
  const unsigned char everyone[12] = {1, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0};
  std::string sd(80, '\0');
  sd[0] = 1;             // revision
  Put16(sd, 2, 0x8004);  // self-relative, DACL present
  Put32(sd, 4, 20);      // owner
  Put32(sd, 8, 36);      // group
  Put32(sd, 12, 0);      // no SACL
  Put32(sd, 16, 52);     // DACL
  std::memcpy(&sd[20], admins, 16);
  std::memcpy(&sd[36], admins, 16);
  sd[52] = 2;              // ACL revision
  Put16(sd, 54, 28);       // ACL size
  Put16(sd, 56, 1);        // one ACE
  sd[60] = 0;              // access allowed
  sd[61] = 0x02;           // container inherit
  Put16(sd, 62, 20);       // ACE size
  Put32(sd, 64, 0xF003F);  // KEY_ALL_ACCESS
  std::memcpy(&sd[68], everyone, 12);
  return sd;
}

// An empty hive: the base block and one bin holding the root key, its security cell and a free
// cell for the rest. hivex grows it as keys and values are added.
std::string EmptyHive(const std::string& rootName) {
  std::string b(kHeaderSize + kBinSize, '\0');
  std::memcpy(&b[0], "regf", 4);
  Put32(b, 0x04, 1);
  Put32(b, 0x08, 1);
  Put32(b, 0x14, 1);  // version 1.3
  Put32(b, 0x18, 3);
  Put32(b, 0x1C, 0);
  Put32(b, 0x20, 1);
  Put32(b, 0x24, 0x20);  // root cell
  Put32(b, 0x28, kBinSize);
  Put32(b, 0x2C, 1);

  const std::size_t bin = kHeaderSize;
  std::memcpy(&b[bin], "hbin", 4);
  Put32(b, bin + 4, 0);
  Put32(b, bin + 8, kBinSize);

  const std::size_t nkOffset = 0x20;
  const std::size_t nkLength = (4 + 0x4C + rootName.size() + 7) & ~std::size_t{7};
  const std::string sd = SecurityDescriptor();
  const std::size_t skOffset = nkOffset + nkLength;
  const std::size_t skLength = (4 + 0x14 + sd.size() + 7) & ~std::size_t{7};
  const std::size_t freeOffset = skOffset + skLength;

  std::size_t nk = bin + nkOffset;
  Put32(b, nk, static_cast<std::uint32_t>(-static_cast<std::int32_t>(nkLength)));
  nk += 4;
  std::memcpy(&b[nk], "nk", 2);
  Put16(b, nk + 0x02, 0x2C);  // hive entry, no delete, compressed name
  Put32(b, nk + 0x10, 0);
  Put32(b, nk + 0x1C, 0xFFFFFFFF);
  Put32(b, nk + 0x20, 0xFFFFFFFF);
  Put32(b, nk + 0x28, 0xFFFFFFFF);
  Put32(b, nk + 0x2C, static_cast<std::uint32_t>(skOffset));
  Put32(b, nk + 0x30, 0xFFFFFFFF);
  Put16(b, nk + 0x48, static_cast<std::uint16_t>(rootName.size()));
  std::memcpy(&b[nk + 0x4C], rootName.data(), rootName.size());

  std::size_t sk = bin + skOffset;
  Put32(b, sk, static_cast<std::uint32_t>(-static_cast<std::int32_t>(skLength)));
  sk += 4;
  std::memcpy(&b[sk], "sk", 2);
  Put32(b, sk + 0x04, static_cast<std::uint32_t>(skOffset));
  Put32(b, sk + 0x08, static_cast<std::uint32_t>(skOffset));
  Put32(b, sk + 0x0C, 1);
  Put32(b, sk + 0x10, static_cast<std::uint32_t>(sd.size()));
  std::memcpy(&b[sk + 0x14], sd.data(), sd.size());

  Put32(b, bin + freeOffset, static_cast<std::uint32_t>(kBinSize - freeOffset));

  std::uint32_t sum = 0;
  for (std::size_t i = 0; i < 0x1FC; i += 4) sum ^= Get32(b, i);
  if (sum == 0xFFFFFFFF) sum = 0xFFFFFFFE;
  if (sum == 0) sum = 1;
  Put32(b, 0x1FC, sum);
  return b;
}

std::string EncodeValue(const Value& v) {
  switch (v.type) {
    case REG_SZ:
    case REG_EXPAND_SZ: return ToUtf16Le(v.text) + std::string(2, '\0');
    case REG_MULTI_SZ: return ToUtf16Le(v.text) + std::string(4, '\0');
    case REG_DWORD: {
      std::string out(4, '\0');
      Put32(out, 0, v.number);
      return out;
    }
    default: return v.bytes;
  }
}

bool DecodeValue(std::uint32_t type, const char* data, std::size_t len, Value& v) {
  v = Value{};
  v.type = static_cast<DWORD>(type);
  switch (type) {
    case hive_t_REG_SZ:
    case hive_t_REG_EXPAND_SZ:
    case hive_t_REG_MULTI_SZ: {
      v.text = FromUtf16Le(std::string_view(data, len));
      int terminators = type == static_cast<std::uint32_t>(hive_t_REG_MULTI_SZ) ? 2 : 1;
      for (int i = 0; i < terminators && !v.text.empty() && v.text.back() == L'\0'; ++i)
        v.text.pop_back();
      return true;
    }
    case hive_t_REG_DWORD:
      if (len != 4) return false;
      v.number = Get32(std::string(data, len), 0);
      return true;
    default: v.bytes.assign(data, len); return true;
  }
}

struct HiveCloser {
  void operator()(hive_h* h) const { hivex_close(h); }
};
using HivePtr = std::unique_ptr<hive_h, HiveCloser>;

// A file in the temporary folder, removed when the object goes.
class TempFile {
 public:
  TempFile() {
    std::string pattern = (std::filesystem::temp_directory_path() / "velk-hive-XXXXXX").string();
    int fd = ::mkstemp(pattern.data());
    if (fd >= 0) {
      ::close(fd);
      path_ = pattern;
    }
  }
  ~TempFile() {
    if (!path_.empty()) ::unlink(path_.c_str());
  }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

bool AddTree(hive_h* h, hive_node_h at, const Node& node, std::string& why) {
  std::vector<std::string> names, data;
  names.reserve(node.values.size());
  data.reserve(node.values.size());
  std::vector<hive_set_value> values;
  for (const auto& [name, value] : node.values) {
    names.push_back(ToUtf8(name));
    data.push_back(EncodeValue(value));
  }
  for (std::size_t i = 0; i < names.size(); ++i) {
    hive_set_value sv;
    sv.key = names[i].data();
    sv.t = static_cast<hive_type>(node.values[i].second.type);
    sv.len = data[i].size();
    sv.value = data[i].data();
    values.push_back(sv);
  }
  if (!values.empty() && hivex_node_set_values(h, at, values.size(), values.data(), 0) != 0) {
    why = std::string("hivex could not set the values: ") + std::strerror(errno);
    return false;
  }
  for (const Node& child : node.children) {
    hive_node_h c = hivex_node_add_child(h, at, ToUtf8(child.name).c_str());
    if (!c) {
      why = std::string("hivex could not add a key: ") + std::strerror(errno);
      return false;
    }
    if (!AddTree(h, c, child, why)) return false;
  }
  return true;
}

// depthLeft: how many levels of subkeys may still follow (a key nested deeper, or a hive whose
// keys loop back on themselves, is refused before the recursion can run away).
bool ReadTree(hive_h* h, hive_node_h at, Node& out, std::string& why, std::size_t depthLeft) {
  std::unique_ptr<char, decltype(&std::free)> name(hivex_node_name(h, at), &std::free);
  if (!name) {
    why = "a key has no readable name";
    return false;
  }
  out.name = FromUtf8(name.get());
  std::unique_ptr<hive_value_h, decltype(&std::free)> values(hivex_node_values(h, at), &std::free);
  if (!values) {
    why = "the values of a key cannot be read";
    return false;
  }
  for (hive_value_h* v = values.get(); *v; ++v) {
    std::unique_ptr<char, decltype(&std::free)> key(hivex_value_key(h, *v), &std::free);
    // Any 32-bit type a file states, read as a number: not every one is a hive_type.
    std::underlying_type_t<hive_type> t = 0;
    std::size_t len = 0;
    std::unique_ptr<char, decltype(&std::free)> data(
        hivex_value_value(h, *v, reinterpret_cast<hive_type*>(&t), &len), &std::free);
    if (!key || !data) {
      why = "a value cannot be read";
      return false;
    }
    Value value;
    if (!DecodeValue(t, data.get(), len, value)) {
      why = "a value holds malformed data";
      return false;
    }
    out.values.emplace_back(FromUtf8(key.get()), std::move(value));
  }
  std::unique_ptr<hive_node_h, decltype(&std::free)> children(hivex_node_children(h, at),
                                                              &std::free);
  if (!children) {
    why = "the subkeys of a key cannot be read";
    return false;
  }
  if (*children && depthLeft == 0) {
    why = "keys nested deeper than " + std::to_string(kMaxKeyDepth) + " levels";
    return false;
  }
  for (hive_node_h* c = children.get(); *c; ++c) {
    Node child;
    if (!ReadTree(h, *c, child, why, depthLeft - 1)) return false;
    out.children.push_back(std::move(child));
  }
  return true;
}

std::string HiveRootName(const std::wstring& name) {
  std::string ascii;
  for (wchar_t c : name) {
    if (c < 0x20 || c > 0x7E) return "ROOT";
    ascii.push_back(static_cast<char>(c));
  }
  return ascii.empty() ? "ROOT" : ascii;
}

}  // namespace

bool FormatHive(const Node& key, std::string& out, std::string& why) {
  TempFile base, result;
  if (base.path().empty() || result.path().empty()) {
    why = "no temporary file";
    return false;
  }
  if (int err = WriteFileAtomically(base.path(), EmptyHive(HiveRootName(key.name)))) {
    why = std::string("cannot write a temporary file: ") + std::strerror(err);
    return false;
  }
  HivePtr h(hivex_open(base.path().c_str(), HIVEX_OPEN_WRITE));
  if (!h) {
    why = std::string("hivex cannot open the empty hive: ") + std::strerror(errno);
    return false;
  }
  if (!AddTree(h.get(), hivex_root(h.get()), key, why)) return false;
  if (hivex_commit(h.get(), result.path().c_str(), 0) != 0) {
    why = std::string("hivex cannot write the hive: ") + std::strerror(errno);
    return false;
  }
  if (int err = ReadWholeFile(result.path(), out)) {
    why = std::string("cannot read the written hive: ") + std::strerror(err);
    return false;
  }
  return true;
}

bool ParseHive(const std::string& path, Node& out, std::string& why, std::size_t maxDepth) {
  // hivex reads bins lazily from the mapped file: a file shorter than its header says is cut
  // short, whatever hivex makes of it.
  std::string bytes;
  if (int err = ReadWholeFile(path, bytes)) {
    why = std::strerror(err);
    return false;
  }
  if (bytes.size() < kHeaderSize + kBinSize || bytes.compare(0, 4, "regf") != 0) {
    why = "not a registry hive";
    return false;
  }
  if (Get32(bytes, 0x28) == 0 || kHeaderSize + Get32(bytes, 0x28) > bytes.size()) {
    why = "the hive is cut short";
    return false;
  }
  HivePtr h(hivex_open(path.c_str(), 0));
  if (!h) {
    why = std::string("not a registry hive: ") + std::strerror(errno);
    return false;
  }
  Node tree;
  if (!ReadTree(h.get(), hivex_root(h.get()), tree, why, std::min(maxDepth, kMaxKeyDepth)))
    return false;
  out = std::move(tree);
  return true;
}

}  // namespace velk::reg::detail
