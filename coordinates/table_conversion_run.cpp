#include "coordinates/table_conversion_run.h"

#include <cmath>
#include <cwctype>
#include <memory>

#include "framework/host_object_creation.h"
#include "platform/com/parallel.h"
#include "platform/com/plain_text.h"
#include "platform/host/data/data_class_ids.h"
#include "platform/host/data/data_errors.h"
#include "platform/host/geometry/geometry.h"

namespace velk::corvane {

namespace {

constexpr LCID kEnglishUs = 1033;

bool IsNullValue(const VARIANT& v) { return v.vt == VT_NULL || v.vt == VT_EMPTY; }

void ReplaceAll(std::wstring& text, const std::wstring& from, const std::wstring& to) {
  if (from.empty() || from == to) return;
  for (std::size_t at = text.find(from); at != std::wstring::npos;
       at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
}

bool TextOf(const VARIANT& v, std::wstring& out) {
  Variant text;
  if (FAILED(VariantChangeType(&text, &v, 0, VT_BSTR))) return false;
  out = BstrToWstring(text.bstrVal);
  return true;
}

// A coordinate number: numbers as they are, text in the user's locale and else in English.
// Blank text, NaN and infinities are not coordinates.
bool NumberOf(const VARIANT& v, double& out) {
  Variant number;
  VARTYPE vt = v.vt & ~VT_BYREF;
  if (vt == VT_BSTR) {
    std::wstring text;
    if (!TextOf(v, text)) return false;
    std::size_t first = text.find_first_not_of(L" \t");
    if (first == std::wstring::npos) return false;
    Variant trimmed(text.substr(first, text.find_last_not_of(L" \t") - first + 1));
    if (FAILED(VariantChangeType(&number, &trimmed, 0, VT_R8)) &&
        FAILED(VariantChangeTypeEx(&number, &trimmed, kEnglishUs, 0, VT_R8)))
      return false;
  } else if (FAILED(VariantChangeType(&number, &v, 0, VT_R8))) {
    return false;
  }
  if (!std::isfinite(number.dblVal)) return false;
  out = number.dblVal;
  return true;
}

}  // namespace

std::vector<std::wstring> OutputFieldNames::Requested() const {
  std::vector<std::wstring> out;
  for (const std::wstring* n : {&x, &y, &dms1, &dms2, &utm, &mgrs})
    if (!n->empty()) out.push_back(*n);
  return out;
}

ConversionParsers::ConversionParsers()
    : dms(&dmsValidator, &dmsFormatter),
      utm(&utmValidator, &utmFormatter),
      mgrs(&mgrsValidator, &mgrsFormatter) {}

std::wstring ConversionParsers::DmsForEngine(const std::wstring& text) const {
  const LocalizedCoordinateSymbols& s = dmsFormatter.Symbols();
  std::wstring out = text;
  ReplaceAll(out, s.decimalSeparator, L".");
  // The canonical text ends each half with its hemisphere letter.
  std::wstring result;
  std::size_t start = 0;
  while (start <= out.size()) {
    std::size_t end = out.find(L' ', start);
    std::wstring half =
        out.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
    for (const auto& [local, english] : {std::pair{s.north, L"N"}, std::pair{s.south, L"S"},
                                         std::pair{s.east, L"E"}, std::pair{s.west, L"W"}}) {
      if (!local.empty() && half.size() >= local.size() &&
          half.compare(half.size() - local.size(), local.size(), local) == 0) {
        half = half.substr(0, half.size() - local.size()) + english;
        break;
      }
    }
    result += half;
    if (end == std::wstring::npos) break;
    result += L' ';
    start = end + 1;
  }
  return result;
}

std::wstring ConversionParsers::DmsFromEngine(const std::wstring& text) const {
  std::wstring out = text;
  ReplaceAll(out, L".", dmsFormatter.Symbols().decimalSeparator);
  return out;
}

bool RecordLayout::ReadsSecondValue() const {
  if (format == productline::kFormatPoint) return !shapeField;
  return format != productline::kFormatUtm && format != productline::kFormatMgrs && twoFields;
}

namespace {

// The geographic system a projected reference is based on; null for any other reference.
ComPtr<ISpatialReference> GeographicBase(ISpatialReference* sr) {
  auto projected = QueryAs<IProjectedCoordinateSystem>(sr);
  if (!projected) return nullptr;
  ComPtr<IGeographicCoordinateSystem> gcs;
  if (FAILED(projected->get_GeographicCoordinateSystem(gcs.put())) || !gcs) return nullptr;
  return gcs.As<ISpatialReference>();
}

bool BuildValue(const RecordLayout& layout, ISpatialReference* geographic,
                ConversionParsers& parsers, const VARIANT& first, const VARIANT& second,
                IPoint* scratchPoint, Variant& value) {
  value = Variant();
  if (IsNullValue(first)) return false;
  switch (layout.format) {
    case productline::kFormatPoint: {
      if (!scratchPoint) return false;
      double x = 0.0, y = 0.0;
      if (layout.shapeField) {
        VARTYPE vt = first.vt & ~VT_BYREF;
        if (vt != VT_UNKNOWN && vt != VT_DISPATCH) return false;
        Variant copy;
        if (FAILED(VariantCopyInd(&copy, &first))) return false;
        auto shape = QueryAs<IPoint>(copy.punkVal);
        if (!shape || FAILED(shape->QueryCoords(&x, &y)) || !std::isfinite(x) || !std::isfinite(y))
          return false;
        scratchPoint->put_SpatialReference(nullptr);
        scratchPoint->PutCoords(x, y);
        if (geographic) {
          scratchPoint->put_SpatialReference(layout.inputSpatialReference.get());
          if (FAILED(scratchPoint->Project(geographic))) return false;
        }
      } else {
        if (IsNullValue(second) || !NumberOf(first, x) || !NumberOf(second, y)) return false;
        scratchPoint->put_SpatialReference(nullptr);
        scratchPoint->PutCoords(x, y);
      }
      value = Variant(static_cast<IUnknown*>(scratchPoint));
      return true;
    }
    case productline::kFormatUtm:
    case productline::kFormatMgrs: {
      std::wstring text;
      if (!TextOf(first, text)) return false;
      Parser& parser = layout.format == productline::kFormatUtm ? parsers.utm : parsers.mgrs;
      // A text that fails its check becomes the notation's template, which is a location of
      // its own: such a record cannot be read.
      if (!parser.ParseText(&text)) return false;
      value = Variant(text);
      return true;
    }
    case productline::kFormatDms: {
      std::wstring text;
      if (!TextOf(first, text)) return false;
      if (layout.twoFields) {
        std::wstring longitude;
        if (IsNullValue(second) || !TextOf(second, longitude)) return false;
        text += L" " + longitude;
        text = ToUpper(std::move(text));
      }
      if (!parsers.dms.ParseText(&text)) return false;
      value = Variant(parsers.DmsForEngine(text));
      return true;
    }
    default: return false;
  }
}

// The output's files refused a write.
struct WriteFailure {};

// The run's fixed parts.
struct RunContext {
  ICoordinateTool* engine;
  const RecordTarget& target;
  const RecordLayout& layout;
  ComPtr<ISpatialReference> geographic{};
  Variant fromDatum{}, toDatum{};
  LONG xOut = -1, yOut = -1, dms1Out = -1, dms2Out = -1, utmOut = -1, mgrsOut = -1;
  bool second = false;
  bool writeFailed = false;  // the output refused a write: the run stops
  ComPtr<ICursor> write{};
  // New file: one row buffer for every record. Each record that is inserted sets the same
  // fields (the converted values and the copied ones), so nothing of one record reaches the
  // next.
  ComPtr<IRowBuffer> newRow{};
};

// What one worker converts with: its own parsers (they keep per-call state) and point.
struct WorkerTools {
  ConversionParsers* parsers;
  ComPtr<IPoint> scratch;
};

// One record on its way from the read cursor to the write cursor.
struct RecordWork {
  ComPtr<IRow> row;
  Variant first, second;
  bool readable = false;   // the values could be read
  bool converted = false;  // the values were converted into every requested text
  double x = 0.0, y = 0.0;
  std::wstring dms1, dms2, utm, mgrs;
};

LONG OutputIndex(ITable* output, const std::wstring& name) {
  if (name.empty()) return -1;
  LONG index = -1;
  Check(output->FindField(Bstr(name), &index));
  return index;
}

void Put(IRowBuffer* buffer, LONG index, const Variant& value) {
  if (index >= 0) Check(buffer->put_Value(index, value));
}

// Reading: the record's coordinate values.
void ReadRecord(const RunContext& c, RecordWork& w) {
  w.readable = false;
  w.converted = false;
  w.first = Variant();
  w.second = Variant();
  try {
    Check(w.row->get_Value(c.layout.xIndex, &w.first));
    if (c.second) Check(w.row->get_Value(c.layout.yIndex, &w.second));
    w.readable = true;
  } catch (...) {
    // A record whose values cannot be read counts as failed when it is written.
  }
}

// Converting: the engine's answer for the record, each text in its canonical form. Raises a
// COM error when the engine leaves out an object it should have supplied.
bool ConvertValues(const RunContext& c, WorkerTools& tools, RecordWork& w) {
  if (!w.readable) return false;
  if (IsNullValue(w.first) || (c.second && IsNullValue(w.second))) return false;
  ConversionParsers& parsers = *tools.parsers;
  Variant value;
  if (!BuildValue(c.layout, c.geographic.get(), parsers, w.first, w.second, tools.scratch.get(),
                  value))
    return false;

  ComPtr<IPoint> wgs84, onDatum;
  Bstr dms, utm, mgrs;
  if (FAILED(c.engine->ConvertLocation(value, c.layout.format, c.fromDatum, c.toDatum, wgs84.put(),
                                       onDatum.put(), &dms, &utm, &mgrs)))
    return false;
  if (!onDatum) ThrowComError(E_POINTER);
  Check(onDatum->QueryCoords(&w.x, &w.y));

  // Each text is brought into its canonical form; one that does not validate would be written
  // as the notation's template, a wrong location, so the record fails instead.
  if (c.dms1Out >= 0) {
    std::wstring dmsText = parsers.DmsFromEngine(dms.str());
    if (!parsers.dms.ParseText(&dmsText)) return false;
    if (c.dms2Out < 0) {
      w.dms1 = std::move(dmsText);
      w.dms2.clear();
    } else {
      std::size_t space = dmsText.find(L' ');
      w.dms1 = dmsText.substr(0, space);
      w.dms2 = space == std::wstring::npos ? std::wstring() : dmsText.substr(space + 1);
    }
  }
  if (c.utmOut >= 0) {
    w.utm = utm.str();
    if (!parsers.utm.ParseText(&w.utm)) return false;
  }
  if (c.mgrsOut >= 0) {
    w.mgrs = mgrs.str();
    if (!parsers.mgrs.ParseText(&w.mgrs)) return false;
  }
  return true;
}

void Convert(const RunContext& c, WorkerTools& tools, RecordWork& w) {
  try {
    w.converted = ConvertValues(c, tools, w);
  } catch (...) {
    w.converted = false;  // the engine left something out: the record fails
  }
}

// Writing: the record's target row, filled and stored. False when the record fails. Raises a
// COM error when the host leaves out an object it should have supplied.
bool WriteRecord(RunContext& c, RecordWork& w) {
  ComPtr<IRowBuffer> buffer;
  ComPtr<IRow> targetRow;
  if (c.target.newFile) {
    if (!c.newRow) Check(c.target.output->CreateRowBuffer(c.newRow.put()));
    buffer = c.newRow;
  } else {
    targetRow = w.row;  // read by the update cursor itself
    buffer = targetRow.As<IRowBuffer>();
  }
  if (!buffer) ThrowComError(E_POINTER);
  if (!w.converted) return false;

  Put(buffer.get(), c.xOut, Variant(w.x));
  Put(buffer.get(), c.yOut, Variant(w.y));
  if (c.dms1Out >= 0) {
    Put(buffer.get(), c.dms1Out, Variant(w.dms1));
    Put(buffer.get(), c.dms2Out, Variant(w.dms2));
  }
  Put(buffer.get(), c.utmOut, Variant(w.utm));
  Put(buffer.get(), c.mgrsOut, Variant(w.mgrs));

  HRESULT stored = S_OK;
  if (c.target.newFile) {
    for (const auto& [from, to] : c.target.fieldMap) {
      if (to < 0) continue;
      Variant v;
      Check(w.row->get_Value(from, &v));
      Check(buffer->put_Value(to, v));
    }
    stored = c.write->InsertRow(buffer.get(), nullptr);
  } else {
    stored = c.write->UpdateRow(targetRow.get());
  }
  // The files refusing a write (a full disk) is no fault of the record: the run stops.
  if (stored == host::E_DATA_WRITE_FAILED) throw WriteFailure{};
  Check(stored);
  return true;
}

void Count(RunContext& c, RecordWork& w, RunCounts& counts) {
  bool written = false;
  if (c.writeFailed) return;
  try {
    written = WriteRecord(c, w);
  } catch (const WriteFailure&) {
    c.writeFailed = true;  // the run stops; this record is not counted
    return;
  } catch (...) {
    // A record the host could not take counts as failed; the run goes on.
    written = false;
  }
  ++counts.total;
  if (!written) ++counts.failed;
  w.row = nullptr;
}

// Records read, converted and written a batch at a time.
constexpr std::size_t kBatch = 2048;

// Reads up to kBatch records into batch; false when the cursor failed.
bool ReadBatch(const RunContext& c, ICursor* read, std::vector<RecordWork>& batch,
               std::size_t& count, bool& end) {
  count = 0;
  while (count < batch.size()) {
    RecordWork& w = batch[count];
    if (FAILED(read->NextRow(w.row.put()))) return false;
    if (!w.row) {
      end = true;
      return true;
    }
    ReadRecord(c, w);
    ++count;
  }
  return true;
}

// Whether parsers made now check and write texts as the caller's do (the worker threads need
// their own).
bool SameSymbols(const ConversionParsers& a, const ConversionParsers& b) {
  return a.dmsValidator.PatternText() == b.dmsValidator.PatternText() &&
         a.dmsFormatter.Template() == b.dmsFormatter.Template() &&
         a.dmsFormatter.Symbols().decimalSeparator == b.dmsFormatter.Symbols().decimalSeparator;
}

}  // namespace

bool BuildEngineValue(const RecordLayout& layout, ConversionParsers& parsers, const VARIANT& first,
                      const VARIANT& second, IPoint* scratchPoint, Variant& value) {
  ComPtr<ISpatialReference> geographic =
      layout.shapeField ? GeographicBase(layout.inputSpatialReference.get()) : nullptr;
  return BuildValue(layout, geographic.get(), parsers, first, second, scratchPoint, value);
}

RunOutcome RunRecords(ICoordinateTool* engine, ConversionParsers& parsers,
                      const RecordTarget& target, const OutputFieldNames& names,
                      const RecordLayout& layout, LONG fromDatum, LONG toDatum, RunCounts& counts,
                      const RunOptions& options) {
  if (!engine || !target.input || !target.output) return RunOutcome::kNoCursor;
  RunContext c{engine, target, layout};
  c.fromDatum = Variant(fromDatum);
  c.toDatum = Variant(toDatum);
  try {
    // A new file: a search cursor reads and an insert cursor writes. In place one update cursor
    // does both, so each row is read once and written back as it was read, with its new values.
    ComPtr<ICursor> read;
    HRESULT hr = S_OK;
    if (target.newFile) {
      hr = target.selection ? target.selection->Search(nullptr, VARIANT_FALSE, read.put())
                            : target.input->Search(nullptr, VARIANT_FALSE, read.put());
      if (hr == host::E_DATA_UNREADABLE) return RunOutcome::kReadFailed;
      if (FAILED(hr) || !read) return RunOutcome::kNoCursor;
      hr = target.output->Insert(VARIANT_FALSE, c.write.put());
    } else {
      hr = target.selection ? target.selection->Update(nullptr, VARIANT_FALSE, c.write.put())
                            : target.input->Update(nullptr, VARIANT_FALSE, c.write.put());
      if (hr == host::E_DATA_UNREADABLE) return RunOutcome::kReadFailed;
      read = c.write;
    }
    if (FAILED(hr) || !c.write) return RunOutcome::kNoCursor;

    c.xOut = OutputIndex(target.output.get(), names.x);
    c.yOut = OutputIndex(target.output.get(), names.y);
    c.dms1Out = OutputIndex(target.output.get(), names.dms1);
    c.dms2Out = OutputIndex(target.output.get(), names.dms2);
    c.utmOut = OutputIndex(target.output.get(), names.utm);
    c.mgrsOut = OutputIndex(target.output.get(), names.mgrs);
    c.second = layout.ReadsSecondValue();
    if (layout.shapeField) c.geographic = GeographicBase(layout.inputSpatialReference.get());

    // The workers: the caller's parsers for the first, parsers of the same symbols for the
    // others. Points projected between references stay on this thread (the projection library
    // shares its state).
    unsigned threads = WorkerThreads(options.threads);
    if (c.geographic) threads = 1;
    std::vector<std::unique_ptr<ConversionParsers>> ownParsers;
    std::vector<WorkerTools> tools;
    tools.push_back({&parsers, nullptr});
    for (unsigned t = 1; t < threads; ++t) {
      auto p = std::make_unique<ConversionParsers>();
      if (!SameSymbols(*p, parsers)) break;
      tools.push_back({p.get(), nullptr});
      ownParsers.push_back(std::move(p));
    }
    if (layout.format == productline::kFormatPoint)
      for (auto& t : tools) t.scratch = CreateHostObject<IPoint>(host::CLSID_Point);

    // Records are read on this thread and written in the input's order; a batch at a time.
    std::vector<RecordWork> current(kBatch);
    std::size_t currentCount = 0;
    bool end = false;
    bool readOk = ReadBatch(c, read.get(), current, currentCount, end);
    if (tools.size() == 1) {
      for (;;) {
        for (std::size_t i = 0; i < currentCount; ++i) Convert(c, tools[0], current[i]);
        for (std::size_t i = 0; i < currentCount; ++i) Count(c, current[i], counts);
        if (c.writeFailed) return RunOutcome::kWriteFailed;
        if (!readOk) return RunOutcome::kReadFailed;
        if (options.keepGoing && !options.keepGoing(counts.total)) return RunOutcome::kCancelled;
        if (end) break;
        readOk = ReadBatch(c, read.get(), current, currentCount, end);
      }
    } else {
      // Three batches go round: this thread reads one while the workers convert the one read
      // before and the one before that is written. A new output is written on a thread of its
      // own; in place the update cursor both reads and writes, so it is written here.
      std::vector<RecordWork> batches[3] = {std::vector<RecordWork>(kBatch),
                                            std::vector<RecordWork>(kBatch), std::move(current)};
      std::size_t sizes[3] = {0, 0, currentCount};
      std::size_t reading = 0, writing = 1, converting = 2;
      WorkerPool pool(static_cast<unsigned>(tools.size()));
      std::unique_ptr<WorkerPool> writer;
      if (target.newFile) writer = std::make_unique<WorkerPool>(1);
      // The jobs hold the batch's records themselves: the batches go round afterwards.
      auto convertJob = [&](std::vector<RecordWork>& batch) {
        return [&c, &tools, records = batch.data()](unsigned worker, std::size_t i) {
          Convert(c, tools[worker], records[i]);
        };
      };
      auto writeJob = [&](std::vector<RecordWork>& batch) {
        return [&c, &counts, records = batch.data()](unsigned, std::size_t i) {
          Count(c, records[i], counts);
        };
      };
      auto waitAll = [&] {
        pool.Wait();
        if (writer) writer->Wait();
      };
      pool.Start(sizes[converting], convertJob(batches[converting]));
      for (;;) {
        sizes[reading] = 0;
        if (readOk && !end)
          readOk = ReadBatch(c, read.get(), batches[reading], sizes[reading], end);
        waitAll();
        if (c.writeFailed) return RunOutcome::kWriteFailed;
        if (options.keepGoing && !options.keepGoing(counts.total)) return RunOutcome::kCancelled;
        const std::size_t written = writing;
        writing = converting;
        converting = reading;
        reading = written;
        if (sizes[converting] > 0) pool.Start(sizes[converting], convertJob(batches[converting]));
        if (writer) {
          writer->Start(sizes[writing], writeJob(batches[writing]));
        } else {
          for (std::size_t i = 0; i < sizes[writing]; ++i) Count(c, batches[writing][i], counts);
        }
        if (sizes[converting] == 0) {
          waitAll();
          if (c.writeFailed) return RunOutcome::kWriteFailed;
          if (!readOk) return RunOutcome::kReadFailed;
          break;
        }
        if (c.writeFailed) {
          waitAll();
          return RunOutcome::kWriteFailed;
        }
      }
    }
    if (target.newFile && FAILED(c.write->Flush())) return RunOutcome::kWriteFailed;
  } catch (const WriteFailure&) {
    return RunOutcome::kWriteFailed;
  } catch (...) {
    return counts.total == 0 ? RunOutcome::kNoCursor : RunOutcome::kReadFailed;
  }
  return RunOutcome::kCompleted;
}

}  // namespace velk::corvane
