// The ways rows reach a table's files: GDAL's path, the direct dBASE/shapefile writer, the
// GeoPackage row writer and the multipatch records. A table picks one writer per batch (and
// one outside batches), hands it every row, and has it finish what waits before anything else
// reads or writes the files. The table keeps the schema and the value conversions; each writer
// keeps its own state. Platform-internal.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/com/variant.h"

namespace velk::host {

class TableCore;

class TableWriter {
 public:
  virtual ~TableWriter() = default;
  // Writes the values to row fid, or to a new row when fid is -1 (fid then receives its OID).
  virtual HRESULT Write(std::int64_t& fid, const std::vector<Variant>& values) = 0;
  // Whether row fid waits in the writer for the files (a read of it finishes the writer first).
  virtual bool Waiting(std::int64_t fid) const {
    (void)fid;
    return false;
  }
  // Puts the rows that wait into the files, so that GDAL reads and writes what is there.
  virtual void Finish() {}
  // Finishes, and leaves the rows to GDAL until the files are opened again.
  virtual void Stop() { Finish(); }
  // The files or the schema change, or the transaction ends: lets go of what holds them.
  virtual void Release() {}
};

// The writer for the table's next rows: in a batch, the direct writer of a dBASE table or
// point shapefile, or the GeoPackage row writer; a shapefile of multipatches always writes its
// records itself; else GDAL's path.
std::unique_ptr<TableWriter> ChooseTableWriter(TableCore& table, bool inBatch);

}  // namespace velk::host
