// The dialog-template reader: any text is read or refused with a line, never crashes.
#include <cstdlib>
#include <string>

#include "fuzz/fuzz_input.h"
#include "platform/win/dialog_template.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  velk::win::DialogTemplate dialog;
  std::string error;
  if (!velk::win::ParseDialogTemplate(velk::fuzz::Bytes(data, size), &dialog, &error) &&
      error.empty())
    std::abort();  // a refusal always says why
  return 0;
}
