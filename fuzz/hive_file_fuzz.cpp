// Option files (registry hives) as the options page restores them: any bytes are read or refused
// with a reason, never crash or hang, and what is read nests no deeper than the registry holds.
#include <cstdlib>
#include <string>

#include "fuzz/fuzz_input.h"
#include "platform/registry/hive_file.h"

using namespace velk::reg::detail;

namespace {

std::size_t Depth(const Node& node) {
  std::size_t deepest = 0;
  for (const Node& child : node.children) deepest = std::max(deepest, 1 + Depth(child));
  return deepest;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string path = velk::fuzz::AsFile(velk::fuzz::Bytes(data, size), "option.zelo");
  Node tree;
  std::string why;
  if (!ParseHive(path, tree, why)) {
    if (why.empty()) std::abort();  // a refusal always says why
    return 0;
  }
  if (Depth(tree) > kMaxKeyDepth) std::abort();
  // What was read is written again as a hive.
  std::string bytes;
  if (!FormatHive(tree, bytes, why) && why.empty()) std::abort();
  return 0;
}
