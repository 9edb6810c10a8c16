// A VPF table and its variable-length index (the input's two parts) through the table reader:
// read or refused with a reason, no more rows than the file has bytes, and every cell reads.
#include <cstdlib>
#include <string>

#include "fuzz/fuzz_input.h"
#include "platform/productline/vpf_table.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto [table, index] = velk::fuzz::TwoParts(velk::fuzz::Bytes(data, size));
  const std::string path = velk::fuzz::AsFile(table, "edg");
  velk::fuzz::AsFile(index, "edx");
  velk::productline::VpfTableReader reader;
  std::string reason;
  if (!reader.Open(path, reason)) {
    if (reason.empty()) std::abort();
    return 0;
  }
  if (reader.RowCount() > table.size()) std::abort();
  for (std::size_t row = 0; row < reader.RowCount(); ++row)
    for (int column = 0; column < static_cast<int>(reader.Columns().size()); ++column) {
      reader.Text(row, column);
      reader.Number(row, column);
    }
  return 0;
}
