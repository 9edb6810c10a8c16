// The record conversion of a table: every input notation read from real dBASE tables and
// shapefiles, unreadable records counted and left without values, the per-record guard, the
// cursors walking in step, and a run without a write cursor reported as a failure.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <optional>
#include <random>

#include "coordinates/conversion_output.h"
#include "coordinates/table_conversion_run.h"
#include "platform/com/object.h"
#include "platform/com/safearray.h"
#include "platform/host/data/data_errors.h"
#include "platform/host/data/feature_class.h"
#include "platform/host/geometry/geometry_objects.h"
#include "platform/registry/activation.h"
#include "platform/win/locale_source.h"
#include "tests/coordinates/coordinate_test_support.h"
#include "tests/fixtures/host_data_fixture.h"
#include "tests/fixtures/tool_output.h"
#include "tests/framework/host_session_fixture.h"

namespace velk::corvane {
namespace {

using Row = std::map<std::wstring, std::wstring>;  // field name to value text ("<null>" for null)
constexpr const wchar_t* kNull = L"<null>";

std::wstring Text(const VARIANT& v) {
  if (v.vt == VT_NULL || v.vt == VT_EMPTY) return kNull;
  Variant t;
  if (FAILED(VariantChangeTypeEx(&t, &v, 1033, 0, VT_BSTR))) return L"<?>";
  return BstrToWstring(t.bstrVal);
}

std::wstring NoSpaces(std::wstring s) {
  std::erase(s, L' ');
  return s;
}

class ConvertRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ws = test::OpenWorkspace(test::ShapefileFactory().get(), dir.path());
    Check(CoCreateInstance(productline::CLSID_CoordinateTool, nullptr, CLSCTX_ALL,
                           IidOf<ICoordinateTool>(), engine.put_void()));
  }

  // An empty point class with LON, LAT and ID fields.
  ComPtr<IFeatureClass> MakePlacesClass(const std::wstring& name) {
    ComPtr<IFeatureClass> fc;
    Check(test::CreateClass(
        ws.get(), name,
        {test::OidField(), test::ShapeField(kGeometryPoint, 4326), test::DoubleField(L"LON", 18, 9),
         test::DoubleField(L"LAT", 18, 9), test::IntegerField(L"ID", 9)},
        fc.put()));
    return fc;
  }

  // A point class of the places with LON, LAT and ID fields; the row nullShape has no shape and
  // null coordinates.
  ComPtr<ITable> MakePlaces(const std::wstring& name,
                            const std::vector<std::pair<double, double>>& places,
                            std::size_t nullShape) {
    ComPtr<IFeatureClass> fc = MakePlacesClass(name);
    ComPtr<IFeatureCursor> insert;
    Check(fc->Insert(VARIANT_TRUE, insert.put()));
    auto table = fc.As<ITable>();
    Variant null;
    null.vt = VT_NULL;
    for (std::size_t i = 0; i < places.size(); ++i) {
      ComPtr<IFeatureBuffer> b;
      Check(fc->CreateFeatureBuffer(b.put()));
      auto row = b.As<IRowBuffer>();
      if (i != nullShape) {
        Check(b->putref_Shape(host::NewPoint(places[i].first, places[i].second).get()));
        Check(row->put_Value(Index(table.get(), L"LON"), Variant(places[i].first)));
        Check(row->put_Value(Index(table.get(), L"LAT"), Variant(places[i].second)));
      }
      Check(row->put_Value(Index(table.get(), L"ID"), Variant(static_cast<LONG>(i))));
      Check(insert->InsertFeature(b.get(), nullptr));
    }
    Check(insert->Flush());
    return table;
  }

  // A dBASE table (or a point shapefile when specs hold a shape field) with the rows given as
  // values in the order of the specs' attribute fields.
  ComPtr<ITable> MakeTable(const std::wstring& name, const std::vector<host::FieldSpec>& specs,
                           const std::vector<std::vector<Variant>>& rows) {
    bool shape = false;
    for (const auto& s : specs) shape = shape || s.type == kFieldGeometry;
    ComPtr<ITable> table;
    if (shape) {
      ComPtr<IFeatureClass> fc;
      Check(test::CreateClass(ws.get(), name, specs, fc.put()));
      table = fc.As<ITable>();
    } else {
      Check(test::CreateTable(ws.get(), name, specs, table.put()));
    }
    ComPtr<ICursor> insert;
    Check(table->Insert(VARIANT_TRUE, insert.put()));
    for (const auto& values : rows) {
      ComPtr<IRowBuffer> buffer;
      Check(table->CreateRowBuffer(buffer.put()));
      std::size_t k = 0;
      for (const auto& s : specs) {
        if (s.type == kFieldOID) continue;
        LONG index = -1;
        table->FindField(Bstr(s.name), &index);
        if (k < values.size()) Check(buffer->put_Value(index, values[k]));
        ++k;
      }
      Check(insert->InsertRow(buffer.get(), nullptr));
    }
    Check(insert->Flush());
    return table;
  }

  static std::vector<Row> Rows(ITable* table) {
    std::vector<Row> out;
    ComPtr<IFields> fields;
    table->get_Fields(fields.put());
    LONG n = 0;
    fields->get_FieldCount(&n);
    ComPtr<ICursor> cursor;
    Check(table->Search(nullptr, VARIANT_FALSE, cursor.put()));
    for (;;) {
      ComPtr<IRow> row;
      Check(cursor->NextRow(row.put()));
      if (!row) break;
      Row r;
      for (LONG i = 0; i < n; ++i) {
        ComPtr<IField> f;
        fields->get_Field(i, f.put());
        Bstr name;
        f->get_Name(&name);
        Variant v;
        row->get_Value(i, &v);
        r[name.str()] = Text(v);
      }
      out.push_back(r);
    }
    return out;
  }

  // Adds the output fields and converts in place.
  RunOutcome InPlace(ITable* table, const RecordLayout& layout, const OutputFieldNames& names,
                     RunCounts& counts, LONG from = 0, LONG to = 0) {
    EXPECT_TRUE(AddOutputFields(nullptr, table, true, names));
    RecordTarget target;
    target.input = table;
    target.output = table;
    return RunRecords(engine.get(), parsers, target, names, layout, from, to, counts);
  }

  LONG Datum(const std::wstring& name) {
    SAFEARRAY* list = nullptr;
    Check(engine->GetDatumList(&list));
    LONG upper = -1, found = -1;
    SafeArrayGetUBound(list, 1, &upper);
    for (LONG i = 0; i <= upper && found < 0; ++i) {
      BSTR b = nullptr;
      SafeArrayGetElement(list, &i, &b);
      if (BstrToWstring(b) == name) found = i;
      SysFreeString(b);
    }
    SafeArrayDestroy(list);
    return found;
  }

  static LONG Index(ITable* table, const wchar_t* name) {
    LONG i = -1;
    table->FindField(Bstr(name), &i);
    return i;
  }

  test::HostSessionFixture host;
  test::ScratchDir dir;
  ComPtr<IWorkspace> ws;
  ComPtr<ICoordinateTool> engine;
  ConversionParsers parsers;
  const OutputFieldNames all{L"X", L"Y", L"DMS", L"", L"UTM", L"MGRS"};
};

// Rows of every notation the run reads: what each converts to, or null where the record fails.
struct NotationCase {
  const char* label;
  int format;
  bool twoFields;
  bool numeric;  // the input fields are numbers (else text)
  std::vector<std::pair<Variant, Variant>> values;
  std::vector<const wchar_t*>
      expected;                    // per row, the checked field's text; null: the record fails
  const wchar_t* field = L"MGRS";  // the field checked (spaces ignored)
};

std::vector<NotationCase> NotationCases() {
  Variant null;
  null.vt = VT_NULL;
  return {
      {"decimal degrees, numbers",
       productline::kFormatPoint,
       false,
       true,
       {{Variant(-74.0), Variant(40.75)},
        {null, Variant(40.75)},
        {Variant(-74.0), Variant(95.0)},
        {Variant(0.0), Variant(90.0)}},
       {L"18TWL8441911486", nullptr, nullptr, L"ZAH0000000000"}},
      {"decimal degrees, text",
       productline::kFormatPoint,
       false,
       false,
       {{Variant(L"-74"), Variant(L" 40.75 ")},
        {Variant(L"west"), Variant(L"40.75")},
        {Variant(L""), Variant(L"1")}},
       {L"18TWL8441911486", nullptr, nullptr}},
      {"DMS in one field",
       productline::kFormatDms,
       false,
       false,
       {{Variant(L"404500.00N 0740000.00W"), null},
        {Variant(L"40 45 N 74 W"), null},
        {Variant(L"not a place"), null},  // the DMS template must not stand in for it
        {Variant(L"954500.00N 0740000.00W"), null}},
       {L"18TWL8441911486", nullptr, nullptr, nullptr}},
      {"DMS in two fields",
       productline::kFormatDms,
       true,
       false,
       {{Variant(L"404500N"), Variant(L"0740000W")},
        {Variant(L"404500N"), null},
        {Variant(L"40N"), Variant(L"74W")}},
       {L"18TWL8441911486", nullptr, L"18TWK8536028236"}},
      {"UTM and UPS",
       productline::kFormatUtm,
       false,
       false,
       {{Variant(L"18T 583959 4507351"), null},
        {Variant(L"18T 583959"), null},
        {Variant(L"2000000 2000000 Z"), null},
        {Variant(L"18X 583959 4507351"), null}},
       {L"18T5839594507351", nullptr, L"20000002000000Z", nullptr},
       L"UTM"},
      {"MGRS",
       productline::kFormatMgrs,
       false,
       false,
       {{Variant(L"18TWL8395907350"), null},
        {Variant(L"18t wl 8395907350"), null},
        {Variant(L"18TWL839590735"), null},
        {Variant(L"ZAH0000000000"), null}},
       {L"18TWL8395907350", L"18TWL8395907350", nullptr, L"ZAH0000000000"}},
  };
}

// Every notation, each with records that convert and records that cannot be read: those are
// counted as failed and keep empty output fields, and the run goes on.
TEST_F(ConvertRunTest, EveryNotationConvertsWhatItCanReadAndCountsTheRest) {
  const std::vector<NotationCase> cases = NotationCases();
  int n = 0;
  for (const NotationCase& c : cases) {
    SCOPED_TRACE(c.label);
    std::vector<host::FieldSpec> specs = {test::OidField()};
    specs.push_back(c.numeric ? test::DoubleField(L"A", 18, 8) : test::TextField(L"A", 40));
    specs.push_back(c.numeric ? test::DoubleField(L"B", 18, 8) : test::TextField(L"B", 40));
    std::vector<std::vector<Variant>> rows;
    for (const auto& [a, b] : c.values) rows.push_back({a, b});
    ComPtr<ITable> table = MakeTable(L"t" + std::to_wstring(n++), specs, rows);

    RecordLayout layout;
    layout.format = c.format;
    layout.twoFields = c.twoFields;
    layout.xIndex = Index(table.get(), L"A");
    layout.yIndex = Index(table.get(), L"B");
    RunCounts counts;
    ASSERT_EQ(InPlace(table.get(), layout, all, counts), RunOutcome::kCompleted);

    std::vector<Row> out = Rows(table.get());
    ASSERT_EQ(out.size(), c.values.size());
    LONG failures = 0;
    for (std::size_t i = 0; i < out.size(); ++i) {
      SCOPED_TRACE(i);
      if (!c.expected[i]) {
        ++failures;
        for (const wchar_t* f : {L"X", L"Y", L"DMS", L"UTM", L"MGRS"})
          EXPECT_EQ(out[i][f], kNull) << f;
        continue;
      }
      EXPECT_EQ(NoSpaces(out[i][c.field]), c.expected[i]);
      for (const wchar_t* f : {L"X", L"Y", L"DMS", L"UTM", L"MGRS"})
        EXPECT_NE(out[i][f], kNull) << f;
    }
    EXPECT_EQ(counts.total, static_cast<LONG>(c.values.size()));
    EXPECT_EQ(counts.failed, failures);
  }
}

TEST_F(ConvertRunTest, WritesTheCanonicalTextsAndTheDatumPointAndSplitsDmsInTwo) {
  ComPtr<ITable> table = MakeTable(L"ny",
                                   {test::OidField(), test::DoubleField(L"LON", 18, 8),
                                    test::DoubleField(L"LAT", 18, 8), test::TextField(L"NAME", 20)},
                                   {{Variant(-74.0), Variant(40.75), Variant(L"kept")}});
  RecordLayout layout;
  layout.xIndex = Index(table.get(), L"LON");
  layout.yIndex = Index(table.get(), L"LAT");
  OutputFieldNames names{L"X", L"Y", L"LATDMS", L"LONDMS", L"UTM", L"MGRS"};
  RunCounts counts;
  ASSERT_EQ(InPlace(table.get(), layout, names, counts), RunOutcome::kCompleted);
  Row r = Rows(table.get()).at(0);
  EXPECT_EQ(r[L"LATDMS"], L"404500.00N");
  EXPECT_EQ(r[L"LONDMS"], L"0740000.00W");
  EXPECT_EQ(r[L"UTM"], L"18T 584419 4511486");
  EXPECT_EQ(r[L"MGRS"], L"18T WL 8441911486");
  EXPECT_EQ(r[L"X"], L"-74");
  EXPECT_EQ(r[L"Y"], L"40.75");
  EXPECT_EQ(r[L"NAME"], L"kept");

  // Onto another datum the point and its texts move together.
  ComPtr<ITable> again = MakeTable(
      L"ny27",
      {test::OidField(), test::DoubleField(L"LON", 18, 8), test::DoubleField(L"LAT", 18, 8)},
      {{Variant(-74.0), Variant(40.75)}});
  layout.xIndex = Index(again.get(), L"LON");
  layout.yIndex = Index(again.get(), L"LAT");
  const LONG nad27 = Datum(L"North American 1927, Mean Solution (CONUS)");
  ASSERT_GT(nad27, 0);
  ASSERT_EQ(InPlace(again.get(), layout, all, counts, 0, nad27), RunOutcome::kCompleted);
  Row moved = Rows(again.get()).at(0);
  double x = std::stod(moved[L"X"]), y = std::stod(moved[L"Y"]);
  EXPECT_NEAR(x, -74.0, 0.01);
  EXPECT_NE(x, -74.0);
  EXPECT_NEAR(y, 40.75, 0.01);
  ComPtr<IPoint> wgs, onDatum;
  Bstr dms, utm, mgrs;
  ASSERT_EQ(engine->ConvertLocation(
                Variant(static_cast<IUnknown*>(host::NewPoint(-74.0, 40.75).get())), 1,
                Variant(LONG{0}), Variant(nad27), wgs.put(), onDatum.put(), &dms, &utm, &mgrs),
            S_OK);
  EXPECT_EQ(NoSpaces(moved[L"MGRS"]), mgrs.str());
}

// Texts in the user's language and locale: hemisphere letters and decimal symbols go back to
// the engine's own forms and come out in the user's.
TEST_F(ConvertRunTest, DmsTravelsThroughLocalizedLettersAndADecimalComma) {
  testing::LocalizedLetters letters;  // "O" for east
  win::ScopedUserLocale locale(testing::DecimalCommaLocale());
  ConversionParsers localized;
  ComPtr<ITable> table =
      MakeTable(L"berlin", {test::OidField(), test::TextField(L"POS", 40)},
                {{Variant(L"523000N 0132400E")}, {Variant(L"523000,50N 0132400O")}});
  RecordLayout layout;
  layout.format = productline::kFormatDms;
  layout.xIndex = Index(table.get(), L"POS");
  OutputFieldNames names{L"", L"", L"DMS", L"", L"", L"MGRS"};
  ASSERT_TRUE(AddOutputFields(nullptr, table.get(), true, names));
  RecordTarget target;
  target.input = table;
  target.output = table;
  RunCounts counts;
  ASSERT_EQ(RunRecords(engine.get(), localized, target, names, layout, 0, 0, counts),
            RunOutcome::kCompleted);
  EXPECT_EQ(counts.failed, 0);
  std::vector<Row> out = Rows(table.get());
  EXPECT_EQ(out[0][L"DMS"], L"523000,00N 0132400,00O");
  EXPECT_EQ(out[1][L"DMS"], L"523000,50N 0132400,00O");
  EXPECT_EQ(NoSpaces(out[0][L"MGRS"]), L"33UUU9139017855");
}

// A point feature class in a projected system is converted from the geographic coordinates of
// its own datum; a feature without a shape fails.
TEST_F(ConvertRunTest, ShapesOfAProjectedClassAreTakenBackToGeographic) {
  ComPtr<IFeatureClass> fc;
  ASSERT_EQ(test::CreateClass(ws.get(), L"utm18",
                              {test::OidField(), test::ShapeField(kGeometryPoint, 32618),
                               test::TextField(L"NAME", 10)},
                              fc.put()),
            S_OK);
  ComPtr<ISpatialReference> sr = test::SpatialReference(32618);
  {
    ComPtr<IFeatureCursor> insert;
    Check(fc->Insert(VARIANT_TRUE, insert.put()));
    for (bool withShape : {true, false}) {
      ComPtr<IFeatureBuffer> b;
      Check(fc->CreateFeatureBuffer(b.put()));
      if (withShape) Check(b->putref_Shape(host::NewPoint(584419.14, 4511486.21, sr.get()).get()));
      Check(insert->InsertFeature(b.get(), nullptr));
    }
    Check(insert->Flush());
  }
  auto table = fc.As<ITable>();
  RecordLayout layout;
  layout.shapeField = true;
  layout.xIndex = Index(table.get(), L"Shape");
  layout.inputSpatialReference = sr;
  RunCounts counts;
  ASSERT_EQ(InPlace(table.get(), layout, all, counts), RunOutcome::kCompleted);
  EXPECT_EQ(counts.total, 2);
  EXPECT_EQ(counts.failed, 1);
  std::vector<Row> out = Rows(table.get());
  EXPECT_NEAR(std::stod(out[0][L"X"]), -74.0, 1e-5);
  EXPECT_NEAR(std::stod(out[0][L"Y"]), 40.75, 1e-5);
  EXPECT_EQ(out[0][L"UTM"], L"18T 584419 4511486");
  EXPECT_EQ(out[1][L"MGRS"], kNull);
}

// A record the host refuses to store (a value wider than its field) fails alone: its row keeps
// its values and the next record is converted.
TEST_F(ConvertRunTest, ARecordTheHostRefusesFailsAloneAndKeepsItsRow) {
  ComPtr<ITable> table = MakeTable(
      L"narrow", {test::OidField(), test::TextField(L"POS", 30), test::TextField(L"M", 16)},
      {{Variant(L"18TWL8395907350"), Variant(L"old")},
       {Variant(L"ZAH0000000000"), Variant(L"old")}});
  RecordLayout layout;
  layout.format = productline::kFormatMgrs;
  layout.xIndex = Index(table.get(), L"POS");
  OutputFieldNames names;
  names.mgrs = L"M";  // 16 characters hold "Z AH 0000000000" but not "18T WL 8395907350"
  RecordTarget target;
  target.input = table;
  target.output = table;
  RunCounts counts;
  ASSERT_EQ(RunRecords(engine.get(), parsers, target, names, layout, 0, 0, counts),
            RunOutcome::kCompleted);
  EXPECT_EQ(counts.total, 2);
  EXPECT_EQ(counts.failed, 1);
  std::vector<Row> out = Rows(table.get());
  EXPECT_EQ(out[0][L"M"], L"old");
  EXPECT_EQ(out[1][L"M"], L"Z AH 0000000000");
}

// A cursor that stops answering after some rows, as a file that breaks part-way.
class StoppingCursor : public ComObjectRoot<StoppingCursor, ICursor> {
 public:
  void Init(ComPtr<ICursor> inner, int rows) {
    inner_ = std::move(inner);
    left_ = rows;
  }
  HRESULT get_Fields(IFields** f) override { return inner_->get_Fields(f); }
  HRESULT FindField(BSTR n, LONG* i) override { return inner_->FindField(n, i); }
  HRESULT NextRow(IRow** row) override {
    return left_-- > 0 ? inner_->NextRow(row) : host::E_DATA_UNREADABLE;
  }
  HRESULT UpdateRow(IRow* row) override { return inner_->UpdateRow(row); }
  HRESULT DeleteRow() override { return inner_->DeleteRow(); }
  HRESULT InsertRow(IRowBuffer* b, VARIANT* oid) override { return inner_->InsertRow(b, oid); }
  HRESULT Flush() override { return inner_->Flush(); }

 private:
  ComPtr<ICursor> inner_;
  int left_ = 0;
};

// A table over a real one that refuses to be written, or whose reading breaks part-way.
class FaultyTable : public ComObjectRoot<FaultyTable, ITable> {
 public:
  void Init(ComPtr<ITable> inner, bool refuseWrites, int readableRows) {
    inner_ = std::move(inner);
    refuseWrites_ = refuseWrites;
    readable_ = readableRows;
  }
  HRESULT get_Fields(IFields** f) override { return inner_->get_Fields(f); }
  HRESULT FindField(BSTR n, LONG* i) override { return inner_->FindField(n, i); }
  HRESULT get_HasOID(VARIANT_BOOL* h) override { return inner_->get_HasOID(h); }
  HRESULT get_OIDFieldName(BSTR* n) override { return inner_->get_OIDFieldName(n); }
  HRESULT AddField(IField* f) override { return inner_->AddField(f); }
  HRESULT DeleteField(IField* f) override { return inner_->DeleteField(f); }
  HRESULT CreateRow(IRow** r) override { return inner_->CreateRow(r); }
  HRESULT CreateRowBuffer(IRowBuffer** b) override { return inner_->CreateRowBuffer(b); }
  HRESULT GetRow(LONG oid, IRow** r) override { return inner_->GetRow(oid, r); }
  HRESULT RowCount(IQueryFilter* f, LONG* c) override { return inner_->RowCount(f, c); }
  HRESULT Search(IQueryFilter* f, VARIANT_BOOL r, ICursor** c) override {
    ComPtr<ICursor> inner;
    HRESULT hr = inner_->Search(f, r, inner.put());
    if (FAILED(hr) || readable_ < 0) return FAILED(hr) ? hr : inner.CopyTo(c);
    auto stopping = MakeObjectPtr<StoppingCursor, ICursor>();
    static_cast<StoppingCursor*>(stopping.get())->Init(inner, readable_);
    return stopping.CopyTo(c);
  }
  HRESULT Update(IQueryFilter* f, VARIANT_BOOL r, ICursor** c) override {
    return refuseWrites_ ? host::E_DATA_WRITE_FAILED : inner_->Update(f, r, c);
  }
  HRESULT Insert(VARIANT_BOOL b, ICursor** c) override {
    return refuseWrites_ ? host::E_DATA_WRITE_FAILED : inner_->Insert(b, c);
  }
  HRESULT DeleteSearchedRows(IQueryFilter* f) override { return inner_->DeleteSearchedRows(f); }
  HRESULT Select(IQueryFilter* f, LONG t, LONG o, IWorkspace* w, ISelectionSet** s) override {
    return inner_->Select(f, t, o, w, s);
  }

 private:
  ComPtr<ITable> inner_;
  bool refuseWrites_ = false;
  int readable_ = -1;
};

ComPtr<ITable> Faulty(ComPtr<ITable> inner, bool refuseWrites, int readableRows) {
  auto t = MakeObjectPtr<FaultyTable, ITable>();
  static_cast<FaultyTable*>(t.get())->Init(std::move(inner), refuseWrites, readableRows);
  return t;
}

// A table that hands out rows but refuses to be written: the run says so instead of reporting
// "0 of 0" as done, and nothing is counted.
TEST_F(ConvertRunTest, NoWriteCursorIsAFailureNotAnEmptySuccess) {
  ComPtr<ITable> table = MakeTable(L"ro", {test::OidField(), test::TextField(L"POS", 30)},
                                   {{Variant(L"18TWL8395907350")}});
  ComPtr<ITable> readOnly = Faulty(table, true, -1);
  RecordLayout layout;
  layout.format = productline::kFormatMgrs;
  layout.xIndex = Index(table.get(), L"POS");
  for (bool newFile : {false, true}) {
    RecordTarget target;
    target.input = readOnly;
    target.output = readOnly;
    target.newFile = newFile;
    RunCounts counts;
    EXPECT_EQ(RunRecords(engine.get(), parsers, target, all, layout, 0, 0, counts),
              RunOutcome::kNoCursor);
    EXPECT_EQ(counts.total, 0);
  }
  // Nor without an engine.
  RecordTarget target;
  target.input = table;
  target.output = table;
  RunCounts counts;
  EXPECT_EQ(RunRecords(nullptr, parsers, target, all, layout, 0, 0, counts), RunOutcome::kNoCursor);
}

// Input that breaks part-way ends the run as a failure, never as a finished output of fewer rows.
TEST_F(ConvertRunTest, InputThatBreaksPartWayFailsTheRun) {
  ComPtr<ITable> table = MakeTable(
      L"broken", {test::OidField(), test::TextField(L"POS", 30)},
      {{Variant(L"18TWL8395907350")}, {Variant(L"ZAH0000000000")}, {Variant(L"18TWL8395907350")}});
  OutputFieldNames names;
  names.mgrs = L"MGRS";
  ComPtr<ITable> output = MakeTable(L"copy", {test::OidField(), test::TextField(L"MGRS", 30)}, {});
  RecordLayout layout;
  layout.format = productline::kFormatMgrs;
  layout.xIndex = Index(table.get(), L"POS");
  RecordTarget target;
  target.input = Faulty(table, false, 2);
  target.output = output;
  target.newFile = true;
  RunCounts counts;
  EXPECT_EQ(RunRecords(engine.get(), parsers, target, names, layout, 0, 0, counts),
            RunOutcome::kReadFailed);
  EXPECT_EQ(counts.total, 2);
}

// Only the selected rows are read and written, in step.
TEST_F(ConvertRunTest, ASelectionConvertsOnlyItsRows) {
  ComPtr<ITable> table = MakeTable(
      L"sel", {test::OidField(), test::TextField(L"POS", 30)},
      {{Variant(L"18TWL8395907350")}, {Variant(L"ZAH0000000000")}, {Variant(L"18TWL8395907350")}});
  OutputFieldNames names;
  names.utm = L"UTM";
  ASSERT_TRUE(AddOutputFields(nullptr, table.get(), true, names));
  ComPtr<ISelectionSet> selection;
  Check(table->Select(nullptr, kSelectionTypeIDSet, kSelectionOptionNormal, nullptr,
                      selection.put()));
  selection->Remove(0);
  selection->Remove(2);
  RecordLayout layout;
  layout.format = productline::kFormatMgrs;
  layout.xIndex = Index(table.get(), L"POS");
  RecordTarget target;
  target.input = table;
  target.output = table;
  target.selection = selection;
  RunCounts counts;
  ASSERT_EQ(RunRecords(engine.get(), parsers, target, names, layout, 0, 0, counts),
            RunOutcome::kCompleted);
  EXPECT_EQ(counts.total, 1);
  std::vector<Row> out = Rows(table.get());
  EXPECT_EQ(out[0][L"UTM"], kNull);
  EXPECT_EQ(out[1][L"UTM"], L"2000000 2000000 Z");
  EXPECT_EQ(out[2][L"UTM"], kNull);
}

// Places over the sphere (longitude, latitude) from a fixed seed, with the poles, the date line,
// negative zeros and places beyond the ranges mixed in.
std::vector<std::pair<double, double>> PlacesForThreads() {
  std::vector<std::pair<double, double>> places;  // longitude, latitude
  std::mt19937_64 rng(2026);
  std::uniform_real_distribution<double> unit(-1.0, 1.0), lon(-180.0, 180.0);
  for (int i = 0; i < 4500; ++i) places.push_back({lon(rng), std::asin(unit(rng)) * 180.0 / M_PI});
  const std::pair<double, double> special[] = {
      {0.0, 90.0},  {0.0, -90.0}, {180.0, 0.0},  {-180.0, -45.0}, {3.0, -0.0},
      {-0.0, -0.0}, {10.0, 95.0}, {200.0, 10.0}, {6.0, 84.25},    {-6.0, -80.25}};
  for (std::size_t i = 0; i < std::size(special); ++i)
    places.insert(places.begin() + 700 * i, special[i]);
  return places;
}

// Records converted on several threads come out as a run on one thread writes them: the same
// rows in the same order with the same values, the same failures and counts, into a new class
// (read from the shapes) and in place (read from number fields). The places are random over the
// sphere, with the poles, the date line, a negative zero and records that cannot be converted
// mixed in, over several batches.
TEST_F(ConvertRunTest, AnyNumberOfThreadsGivesTheOneThreadResult) {
  const std::vector<std::pair<double, double>> places = PlacesForThreads();
  const std::size_t nullShape = 1234;  // no shape, and null coordinates

  auto make = [&](const std::wstring& name) { return MakePlaces(name, places, nullShape); };
  ComPtr<ITable> input = make(L"places");

  struct Result {
    std::vector<Row> rows;
    RunCounts counts;
  };
  // Into a new class with the input's fields, from the shapes.
  auto intoNew = [&](unsigned threads) {
    auto output = MakePlacesClass(L"out" + std::to_wstring(threads)).As<ITable>();
    EXPECT_TRUE(AddOutputFields(nullptr, output.get(), true, all));
    RecordTarget target;
    target.input = input;
    target.output = output;
    target.newFile = true;
    for (const wchar_t* f : {L"Shape", L"LON", L"LAT", L"ID"})
      target.fieldMap[Index(input.get(), f)] = Index(output.get(), f);
    RecordLayout layout;
    layout.shapeField = true;
    layout.xIndex = Index(input.get(), L"Shape");
    Result r;
    RunOptions options;
    options.threads = threads;
    EXPECT_EQ(RunRecords(engine.get(), parsers, target, all, layout, 0, 0, r.counts, options),
              RunOutcome::kCompleted);
    r.rows = Rows(output.get());
    return r;
  };
  // In place, from the number fields.
  auto inPlace = [&](unsigned threads) {
    ComPtr<ITable> table = make(L"inplace" + std::to_wstring(threads));
    EXPECT_TRUE(AddOutputFields(nullptr, table.get(), true, all));
    RecordTarget target;
    target.input = table;
    target.output = table;
    RecordLayout layout;
    layout.xIndex = Index(table.get(), L"LON");
    layout.yIndex = Index(table.get(), L"LAT");
    Result r;
    RunOptions options;
    options.threads = threads;
    EXPECT_EQ(RunRecords(engine.get(), parsers, target, all, layout, 0, 0, r.counts, options),
              RunOutcome::kCompleted);
    r.rows = Rows(table.get());
    return r;
  };

  const Result one = intoNew(1);
  // Failed: the null shape, a latitude beyond the pole; a longitude beyond 180 wraps.
  EXPECT_EQ(one.counts.total, static_cast<LONG>(places.size()));
  EXPECT_EQ(one.counts.failed, 2);
  ASSERT_EQ(one.rows.size(), places.size() - 2);
  // The negative zero is written as zero (once refused as "31N 500000 -0").
  bool sawZero = false;
  for (const Row& row : one.rows)
    if (row.at(L"ID") == std::to_wstring(700 * 4)) {
      EXPECT_EQ(row.at(L"UTM"), L"31N 500000 0");
      sawZero = true;
    }
  EXPECT_TRUE(sawZero);
  for (unsigned threads : {2u, 7u, 0u}) {
    SCOPED_TRACE(threads);
    const Result many = intoNew(threads);
    EXPECT_EQ(many.counts.total, one.counts.total);
    EXPECT_EQ(many.counts.failed, one.counts.failed);
    EXPECT_TRUE(many.rows == one.rows);
  }

  const Result oneInPlace = inPlace(1);
  EXPECT_EQ(oneInPlace.counts.failed, 2);
  ASSERT_EQ(oneInPlace.rows.size(), places.size());
  for (unsigned threads : {3u, 0u}) {
    SCOPED_TRACE(threads);
    const Result many = inPlace(threads);
    EXPECT_EQ(many.counts.total, oneInPlace.counts.total);
    EXPECT_EQ(many.counts.failed, oneInPlace.counts.failed);
    EXPECT_TRUE(many.rows == oneInPlace.rows);
  }
}

}  // namespace
}  // namespace velk::corvane
