// The registry-script reader: any script is read or refused with a line, never crashes.
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "fuzz/fuzz_input.h"
#include "platform/registry/rgs_script.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::map<std::wstring, std::wstring> replacements = {
      {L"MODULE", L"/opt/velk/lib/libCorvane.so"}, {L"Quote", L"'}{ForceRemove"}};
  std::vector<velk::reg::detail::ScriptHive> hives;
  std::wstring error;
  const std::wstring text = velk::fuzz::Wide(velk::fuzz::Bytes(data, size));
  if (!velk::reg::detail::ParseRegistryScript(text, replacements, hives, error) && error.empty())
    std::abort();  // a refusal always says why
  return 0;
}
