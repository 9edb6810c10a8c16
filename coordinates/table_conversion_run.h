// The record conversion of a table or feature class: every row of the input is read in its
// notation, converted by the coordinate engine between two datums into every notation, and the
// requested results are written into the output, either into new fields of the input itself or
// into rows of a new dataset. Rows whose coordinates cannot be read are counted as failed and
// left without values; the run goes on with the next row.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "coordinates/dms_formatter.h"
#include "coordinates/dms_validator.h"
#include "coordinates/mgrs_formatter.h"
#include "coordinates/mgrs_validator.h"
#include "coordinates/parser.h"
#include "coordinates/utm_formatter.h"
#include "coordinates/utm_validator.h"
#include "platform/com/variant.h"
#include "platform/host/geometry/spatial_reference.h"
#include "platform/host/data/table.h"
#include "platform/productline/coordinate_engine.h"
#include "platform/productline/coordinate_tool.h"

namespace velk::corvane {

// The six output field names; an empty name is not wanted.
struct OutputFieldNames {
  std::wstring x, y, dms1, dms2, utm, mgrs;
  // The non-empty names in the order the fields are added.
  std::vector<std::wstring> Requested() const;
};

// The DMS, UTM and MGRS parsers with their validators and formatters.
class ConversionParsers {
 public:
  ConversionParsers();
  ConversionParsers(const ConversionParsers&) = delete;
  ConversionParsers& operator=(const ConversionParsers&) = delete;

  // DMS text as the engine reads it: the localized hemisphere letters back to N, S, E and W
  // and the locale's decimal symbol back to '.'.
  std::wstring DmsForEngine(const std::wstring& text) const;
  // Engine DMS text ("403000.00N 0731500.00W") with the locale's decimal symbol, ready for the
  // DMS parser.
  std::wstring DmsFromEngine(const std::wstring& text) const;

  DMSValidator dmsValidator;
  DMSFormatter dmsFormatter;
  UTMValidator utmValidator;
  UTMFormatter utmFormatter;
  MGRSValidator mgrsValidator;
  MGRSFormatter mgrsFormatter;
  Parser dms;
  Parser utm;
  Parser mgrs;
};

// How the records hold their coordinates.
struct RecordLayout {
  int format = productline::kFormatPoint;
  LONG xIndex = -1;        // the first field (X, the DMS text or latitude, UTM, MGRS, or the shape)
  LONG yIndex = -1;        // the second field (Y or longitude), when one is read
  bool twoFields = false;  // DMS in two fields
  bool shapeField = false;  // format 1 read from the point shape
  // Shape-field mode: the input's spatial reference; a projected one is taken back to its
  // geographic system before conversion.
  ComPtr<ISpatialReference> inputSpatialReference;

  // Whether each record reads a second value.
  bool ReadsSecondValue() const;
};

// The engine's input for one record: a host point (format 1) or a text. False when the
// record's values cannot be read as a location (the record then fails).
bool BuildEngineValue(const RecordLayout& layout, ConversionParsers& parsers, const VARIANT& first,
                      const VARIANT& second, IPoint* scratchPoint, Variant& value);

// What the run walks and where it writes.
struct RecordTarget {
  ComPtr<ITable> input;
  ComPtr<ITable> output;  // the input itself when converting in place
  bool newFile = false;
  // Only these rows of the input, when given.
  ComPtr<ISelectionSet> selection;
  // New file: input field index to output field index (-1: not copied).
  std::map<LONG, LONG> fieldMap;
};

struct RunCounts {
  LONG total = 0;   // every record read
  LONG failed = 0;  // records left without converted values

  // Records were read and none of them converted: the run failed, though it went to its end
  // (an empty input converted nothing and did not fail).
  bool NoneConverted() const { return total > 0 && failed >= total; }
};

enum class RunOutcome {
  kCompleted,   // every record was read (some may have failed)
  kNoCursor,    // the data could not be opened for reading or writing; nothing was written
  kReadFailed,  // the input stopped answering part-way
  kWriteFailed,  // the written rows could not be made final
  kCancelled     // the caller's progress check said stop; the written rows are not final
};

struct RunOptions {
  // Threads converting records (reading stays on the caller's thread; a new output is written
  // on one thread of its own, in the input's order); 0: one per core. The result is the same
  // for any number.
  unsigned threads = 0;
  // Asked on the caller's thread after each batch of records is written, with the number of
  // records so far; false stops the run (kCancelled). None: the run goes to its end.
  std::function<bool(LONG records)> keepGoing;
};

// Converts every record. fromDatum and toDatum are positions in the engine's datum list. The
// engine is called from several threads at once unless options say one.
RunOutcome RunRecords(ICoordinateTool* engine, ConversionParsers& parsers,
                      const RecordTarget& target, const OutputFieldNames& names,
                      const RecordLayout& layout, LONG fromDatum, LONG toDatum, RunCounts& counts,
                      const RunOptions& options = {});

}  // namespace velk::corvane
