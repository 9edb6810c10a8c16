// The registry file's reader: any text is read or refused with a line, never crashes, and what
// it reads is written back to a text that reads into the same trees.
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz/fuzz_input.h"
#include "platform/registry/registry_file.h"

using namespace velk::reg::detail;

namespace {

std::string Format(const std::vector<Node>& trees, const std::vector<std::wstring>& roots) {
  std::vector<RootTree> list;
  for (std::size_t i = 0; i < trees.size(); ++i) list.push_back({roots[i], &trees[i]});
  return FormatTrees("trevik-registry", list);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::wstring> roots = {L"HKCR", L"HKCU", L"HKLM"};
  std::vector<Node> trees;
  std::string error;
  if (!ParseTrees(velk::fuzz::Bytes(data, size), "trevik-registry", roots, trees, error)) {
    if (error.empty()) std::abort();  // a refusal always says why
    return 0;
  }
  if (trees.size() != roots.size()) std::abort();
  const std::string text = Format(trees, roots);
  std::vector<Node> again;
  if (!ParseTrees(text, "trevik-registry", roots, again, error)) std::abort();
  if (Format(again, roots) != text) std::abort();
  return 0;
}
