// The dBASE layout reader over any header bytes, and the file check over any file: a layout it
// takes has fields that fill its records, and a record of it can be cleared and filled.
#include <cstdlib>
#include <string>

#include "fuzz/fuzz_input.h"
#include "platform/host/data/dbase_record.h"

using namespace velk::host;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  for (bool anyType : {false, true}) {
    DbaseLayout layout;
    std::string why;
    if (!ParseDbaseLayout(data, size, layout, why, anyType)) {
      if (why.empty()) std::abort();
      continue;
    }
    int end = 1;
    for (const DbaseField& f : layout.fields) {
      if (f.offset != end || f.width < 0) std::abort();
      end += f.width;
    }
    if (end != layout.recordLength) std::abort();
    if (anyType) continue;
    DbaseRecord record(layout.fields, layout.recordLength);
    for (int i = 0; i < static_cast<int>(layout.fields.size()); ++i) {
      record.SetText(i, "text");
      record.SetNumber(i, -12.5);
      record.SetDate(i, 2026, 12, 11);
    }
    record.Clear();
    if (record.Bytes().size() != static_cast<std::size_t>(layout.recordLength)) std::abort();
  }
  std::string why;
  if (!CheckDbaseFile(velk::fuzz::AsFile(velk::fuzz::Bytes(data, size), "table.dbf"), why) &&
      why.empty())
    std::abort();
  return 0;
}
