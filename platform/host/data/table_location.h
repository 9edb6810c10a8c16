// Where a layer's table lies, as the host's layers save it in a map document: the workspace's
// path (a database file or a folder) and the table's name; and the table opened again from it.
// Platform-internal.
#pragma once

#include <string>

#include "platform/com/unknown.h"
#include "platform/host/data/persist_bytes.h"

struct ITable;

namespace velk::host {

struct TableLocation {
  std::wstring workspace;
  std::wstring table;

  // The location of a table of a workspace (empty for a table that has none).
  static TableLocation Of(IUnknown* table);
  void Write(ByteWriter& w) const;
  // False when the bytes ran short.
  bool Read(ByteReader& r);
  // The table opened again (a database file through the database factory, a folder through the
  // shapefile factory); null when it is no longer there.
  ComPtr<ITable> Reopen() const;
};

}  // namespace velk::host
