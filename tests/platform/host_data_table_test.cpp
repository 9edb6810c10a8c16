// Tables and feature classes on real files: shapefiles and dBASE tables in a folder, tables and
// feature classes in a GeoPackage database; checked against GDAL's ogrinfo.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "platform/com/text.h"
#include "platform/host/data/data_errors.h"
#include "platform/host/geometry/geometry_objects.h"
#include "platform/host/data/table_objects.h"
#include "tests/fixtures/host_data_fixture.h"
#include "tests/fixtures/ogr_rows.h"
#include "tests/fixtures/requirement.h"
#include "tests/fixtures/tool_output.h"

using namespace velk;
using namespace velk::host;
using namespace velk::test;

namespace {

std::string OgrInfo(const std::string& args) { return ToolOutput("ogrinfo -ro " + args + " 2>&1"); }

Variant V(const wchar_t* s) { return Variant(s); }

// Inserts one point feature with the given attribute values (by field name).
HRESULT InsertPoint(IFeatureClass* fc, double x, double y, ISpatialReference* sr,
                    const std::vector<std::pair<std::wstring, Variant>>& values) {
  ComPtr<IFeatureCursor> cursor;
  HRESULT hr = fc->Insert(VARIANT_TRUE, cursor.put());
  if (FAILED(hr)) return hr;
  ComPtr<IFeatureBuffer> buffer;
  fc->CreateFeatureBuffer(buffer.put());
  buffer->putref_Shape(NewPoint(x, y, sr).Query<IGeometry>().get());
  for (const auto& [name, value] : values) {
    LONG i = -1;
    fc->FindField(Bstr(name), &i);
    if (i < 0) return E_INVALIDARG;
    hr = buffer->put_Value(i, value);
    if (FAILED(hr)) return hr;
  }
  Variant oid;
  hr = cursor->InsertFeature(buffer.get(), &oid);
  if (FAILED(hr)) return hr;
  return cursor->Flush();
}

std::vector<Variant> ValuesOf(IFeatureClass* fc, const std::wstring& field) {
  std::vector<Variant> out;
  LONG i = -1;
  fc->FindField(Bstr(field), &i);
  ComPtr<IFeatureCursor> c;
  EXPECT_EQ(fc->Search(nullptr, VARIANT_FALSE, c.put()), S_OK);
  ComPtr<IFeature> f;
  while (SUCCEEDED(c->NextFeature(f.put())) && f) {
    Variant v;
    f->get_Value(i, &v);
    out.push_back(v);
  }
  return out;
}

const std::vector<FieldSpec> kObserverLike = {
    OidField(), ShapeField(kGeometryPoint, 4326), TextField(L"NAME", 20),
    DoubleField(L"OFFSETA", 18, 8), IntegerField(L"COUNT", 6)};

}  // namespace

// The shapefile a feature class makes is what ogrinfo reads: fields, widths, values, reference.
TEST(HostDataTable, ShapefileFeatureClassAsOgrinfoSeesIt) {
  ScratchDir dir;
  auto ws = OpenWorkspace(ShapefileFactory().get(), dir.path());
  ComPtr<IFeatureClass> fc;
  ASSERT_EQ(CreateClass(ws.get(), L"observers", kObserverLike, fc.put()), S_OK);
  auto wgs = SpatialReference(4326);
  ASSERT_EQ(
      InsertPoint(fc.get(), 6.25, 0.5, wgs.get(),
                  {{L"NAME", V(L"Ridge")}, {L"OFFSETA", Variant(1.75)}, {L"COUNT", Variant(3)}}),
      S_OK);
  ASSERT_EQ(InsertPoint(fc.get(), 6.75, 0.25, wgs.get(),
                        {{L"name", V(L"Valley")}, {L"offseta", Variant(-2.5)}}),
            S_OK);

  std::string schema = OgrInfo("-so -al " + ShellQuote(dir / "observers.shp"));
  EXPECT_TRUE(Has(schema, "Geometry: Point")) << schema;
  EXPECT_TRUE(Has(schema, "Feature Count: 2")) << schema;
  EXPECT_TRUE(Has(schema, "NAME: String (20.0)")) << schema;
  EXPECT_TRUE(Has(schema, "OFFSETA: Real (18.8)")) << schema;
  EXPECT_TRUE(Has(schema, "COUNT: Integer (6.0)")) << schema;
  EXPECT_TRUE(Has(schema, "WGS 84") || Has(schema, "WGS_1984")) << schema;
  std::string rows = OgrInfo("-al -q " + ShellQuote(dir / "observers.shp"));
  EXPECT_TRUE(Has(rows, "NAME (String) = Ridge")) << rows;
  EXPECT_TRUE(Has(rows, "OFFSETA (Real) = 1.75")) << rows;
  EXPECT_TRUE(Has(rows, "POINT (6.25 0.5)")) << rows;
  EXPECT_TRUE(Has(rows, "OFFSETA (Real) = -2.5")) << rows;

  // The host's view of the same class: OID first, then the shape, then the attributes.
  ComPtr<IFields> fields;
  fc->get_Fields(fields.put());
  LONG n = 0;
  fields->get_FieldCount(&n);
  ASSERT_EQ(n, 5);
  struct Expect {
    const wchar_t* name;
    LONG type;
  } expect[] = {{L"FID", kFieldOID},
                {L"Shape", kFieldGeometry},
                {L"NAME", kFieldString},
                {L"OFFSETA", kFieldDouble},
                {L"COUNT", kFieldInteger}};
  for (LONG i = 0; i < n; ++i) {
    ComPtr<IField> f;
    fields->get_Field(i, f.put());
    Bstr name;
    f->get_Name(&name);
    LONG type = -1;
    f->get_Type(&type);
    EXPECT_EQ(name.str(), expect[i].name);
    EXPECT_EQ(type, expect[i].type) << i;
  }
  LONG shapeType = 0;
  fc->get_ShapeType(&shapeType);
  EXPECT_EQ(shapeType, kGeometryPoint);
  auto names = ValuesOf(fc.get(), L"Name");
  ASSERT_EQ(names.size(), 2u);
  EXPECT_EQ(BstrToWstring(names[0].bstrVal), L"Ridge");
  auto counts = ValuesOf(fc.get(), L"COUNT");
  EXPECT_EQ(counts[0].lVal, 3);
  EXPECT_EQ(counts[1].vt, VT_NULL);  // never written
}

TEST(HostDataTable, DatabaseTablesAndClassesAsOgrinfoSeesThem) {
  ScratchDir dir;
  ComPtr<IWorkspace> ws;
  ASSERT_EQ(DatabaseFactory()->Create(Bstr(FromUtf8(dir.path())), Bstr(L"analysis"), nullptr,
                                      nullptr, ws.put()),
            S_OK);
  ComPtr<IFeatureClass> fc;
  ASSERT_EQ(CreateClass(ws.get(), L"sight_lines",
                        {OidField(L"OBJECTID"), ShapeField(kGeometryPolyline, 32632),
                         TextField(L"LABEL", 40), DoubleField(L"LENGTH_M")},
                        fc.put()),
            S_OK);
  ComPtr<ITable> table;
  ASSERT_EQ(CreateTable(ws.get(), L"log",
                        {OidField(), TextField(L"EVENT", 100), IntegerField(L"CODE")}, table.put()),
            S_OK);

  ComPtr<IFeature> feature;
  ASSERT_EQ(fc->CreateFeature(feature.put()), S_OK);
  auto line = NewPolyline();
  auto pc = line.Query<IPointCollection>();
  pc->AddPoint(NewPoint(500000, 0).get());
  pc->AddPoint(NewPoint(501000, 1000).get());
  ASSERT_EQ(feature->putref_Shape(line.Query<IGeometry>().get()), S_OK);
  LONG label = -1;
  fc->FindField(Bstr(L"label"), &label);
  feature->put_Value(label, V(L"first"));
  ASSERT_EQ(feature->Store(), S_OK);

  ComPtr<IRow> row;
  ASSERT_EQ(table->CreateRow(row.put()), S_OK);
  LONG event = -1;
  table->FindField(Bstr(L"EVENT"), &event);
  row->put_Value(event, V(L"started"));
  ASSERT_EQ(row->Store(), S_OK);

  std::string gpkg = dir / "analysis.gpkg";
  std::string info = OgrInfo("-so -al " + ShellQuote(gpkg));
  EXPECT_TRUE(Has(info, "Layer name: sight_lines")) << info;
  EXPECT_TRUE(Has(info, "Layer name: log")) << info;
  EXPECT_TRUE(Has(info, "FID Column = OBJECTID")) << info;
  EXPECT_TRUE(Has(info, "Geometry Column = Shape")) << info;
  EXPECT_TRUE(Has(info, "LABEL: String (40.0)")) << info;
  EXPECT_TRUE(Has(info, "LENGTH_M: Real")) << info;
  EXPECT_TRUE(Has(info, "EVENT: String (100.0)")) << info;
  EXPECT_TRUE(Has(info, "CODE: Integer")) << info;
  EXPECT_TRUE(Has(info, "UTM zone 32N")) << info;
  std::string rows = OgrInfo("-al -q " + ShellQuote(gpkg));
  EXPECT_TRUE(Has(rows, "LABEL (String) = first")) << rows;
  EXPECT_TRUE(Has(rows, "MULTILINESTRING ((500000 0,501000 1000))")) << rows;
  EXPECT_TRUE(Has(rows, "EVENT (String) = started")) << rows;
}

// What the formats refuse is refused before anything is written, and nothing is left behind.
TEST(HostDataTable, RefusedSchemasLeaveNothingBehind) {
  ScratchDir dir;
  auto ws = OpenWorkspace(ShapefileFactory().get(), dir.path());
  struct Case {
    const char* what;
    std::vector<FieldSpec> fields;
    HRESULT expected;
  } cases[] = {
      {"name longer than 10",
       {OidField(), ShapeField(kGeometryPoint, 4326), TextField(L"ELEVATION_M", 10)},
       E_DATA_INVALID_NAME},
      {"name with a space",
       {OidField(), ShapeField(kGeometryPoint, 4326), TextField(L"MY NAME", 10)},
       E_DATA_INVALID_NAME},
      {"name starting with a digit",
       {OidField(), ShapeField(kGeometryPoint, 4326), TextField(L"1ST", 10)},
       E_DATA_INVALID_NAME},
      {"duplicate names",
       {OidField(), ShapeField(kGeometryPoint, 4326), TextField(L"Spot", 10),
        TextField(L"SPOT", 5)},
       E_DATA_INVALID_NAME},
      {"text wider than dBASE",
       {OidField(), ShapeField(kGeometryPoint, 4326), TextField(L"NOTE", 300)},
       E_DATA_INVALID_FIELD},
      {"no shape field", {OidField(), TextField(L"NOTE", 10)}, E_DATA_INVALID_FIELD},
      {"envelope shape type",
       {OidField(), ShapeField(kGeometryEnvelope, 4326)},
       E_DATA_INVALID_FIELD},
  };
  for (const auto& c : cases) {
    ComPtr<IFeatureClass> fc;
    EXPECT_EQ(CreateClass(ws.get(), L"refused", c.fields, fc.put()), c.expected) << c.what;
    EXPECT_FALSE(fc) << c.what;
    EXPECT_TRUE(FilesIn(dir.path()).empty()) << c.what;
  }
  ComPtr<IFeatureClass> fc;
  EXPECT_EQ(
      CreateClass(ws.get(), L"bad/name", {OidField(), ShapeField(kGeometryPoint, 4326)}, fc.put()),
      E_DATA_INVALID_NAME);

  // The database refuses a table name that is not a plain identifier; no layer appears.
  ComPtr<IWorkspace> db;
  ASSERT_EQ(DatabaseFactory()->Create(Bstr(FromUtf8(dir.path())), Bstr(L"store.gpkg"), nullptr,
                                      nullptr, db.put()),
            S_OK);
  EXPECT_EQ(
      CreateClass(db.get(), L"two words", {OidField(), ShapeField(kGeometryPoint, 4326)}, fc.put()),
      E_DATA_INVALID_NAME);
  EXPECT_EQ(
      CreateClass(db.get(), L"pts",
                  {OidField(), ShapeField(kGeometryPoint, 4326), TextField(L"a-b", 5)}, fc.put()),
      E_DATA_INVALID_NAME);
  EXPECT_FALSE(Has(OgrInfo("-so " + ShellQuote(dir / "store.gpkg")), "pts"))
      << "a refused class left a layer";

  // An existing dataset of that name is not touched.
  ASSERT_EQ(
      CreateClass(ws.get(), L"kept",
                  {OidField(), ShapeField(kGeometryPoint, 4326), TextField(L"A", 5)}, fc.put()),
      S_OK);
  ASSERT_EQ(InsertPoint(fc.get(), 1, 1, nullptr, {{L"A", V(L"x")}}), S_OK);
  ComPtr<IFeatureClass> again;
  EXPECT_EQ(
      CreateClass(ws.get(), L"kept", {OidField(), ShapeField(kGeometryPolygon, 4326)}, again.put()),
      E_DATA_EXISTS);
  EXPECT_TRUE(Has(OgrInfo("-so -al " + ShellQuote(dir / "kept.shp")), "Feature Count: 1"));
}

TEST(HostDataTable, UnwritableFolderReportsAndLeavesNothing) {
  // /proc/self is a folder nobody can create files in, whoever runs the test.
  auto ws = OpenWorkspace(ShapefileFactory().get(), "/proc/self");
  ComPtr<IFeatureClass> fc;
  EXPECT_EQ(CreateClass(ws.get(), L"out", {OidField(), ShapeField(kGeometryPoint, 4326)}, fc.put()),
            E_DATA_WRITE_FAILED);
  EXPECT_FALSE(std::filesystem::exists("/proc/self/out.shp"));
  if (geteuid() != 0) {
    ScratchDir dir;
    std::filesystem::permissions(
        dir.path(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    auto ro = OpenWorkspace(ShapefileFactory().get(), dir.path());
    EXPECT_EQ(
        CreateClass(ro.get(), L"out", {OidField(), ShapeField(kGeometryPoint, 4326)}, fc.put()),
        E_DATA_WRITE_FAILED);
    std::filesystem::permissions(dir.path(), std::filesystem::perms::owner_all);
    EXPECT_TRUE(FilesIn(dir.path()).empty());
  }
}

TEST(HostDataTable, MissingAndCorruptDatasets) {
  ScratchDir dir;
  {
    std::ofstream(dir / "broken.shp") << "garbage, not a shapefile";
    std::ofstream(dir / "broken.dbf") << "garbage";
  }
  auto ws = OpenWorkspace(ShapefileFactory().get(), dir.path());
  auto fw = ws.Query<IFeatureWorkspace>();
  ComPtr<IFeatureClass> fc;
  EXPECT_EQ(fw->OpenFeatureClass(Bstr(L"absent"), fc.put()), E_DATA_NOT_FOUND);
  EXPECT_EQ(fw->OpenFeatureClass(Bstr(L"broken"), fc.put()), E_DATA_UNREADABLE);
  EXPECT_FALSE(fc);
  ComPtr<IWorkspace> none;
  EXPECT_EQ(ShapefileFactory()->OpenFromFile(Bstr(FromUtf8(dir / "nowhere")), nullptr, none.put()),
            E_DATA_NOT_FOUND);
  EXPECT_EQ(
      DatabaseFactory()->OpenFromFile(Bstr(FromUtf8(dir / "broken.shp")), nullptr, none.put()),
      E_DATA_UNREADABLE);
  EXPECT_EQ(
      DatabaseFactory()->OpenFromFile(Bstr(FromUtf8(dir / "nowhere.gpkg")), nullptr, none.put()),
      E_DATA_NOT_FOUND);
}

// A .dbf whose header disagrees with its file is a read failure, for a shapefile and for the
// table alone: it is never read with the wrong fields or records (GDAL reads on regardless).
TEST(HostDataTable, DbaseHeadersThatLieAreReadFailures) {
  struct Case {
    const char* what;
    std::size_t offset;  // where the patch goes; npos: cut the file
    std::string bytes;
    HRESULT expected;
  };
  auto u32 = [](std::uint32_t v) { return std::string(reinterpret_cast<const char*>(&v), 4); };
  auto u16 = [](std::uint16_t v) { return std::string(reinterpret_cast<const char*>(&v), 2); };
  const Case cases[] = {
      {"sound", 0, "", S_OK},
      {"counts more records than it holds", 4, u32(5000), E_DATA_UNREADABLE},
      {"counts fewer records than it holds", 4, u32(20), E_DATA_UNREADABLE},
      {"counts no records but holds 50", 4, u32(0), E_DATA_UNREADABLE},
      {"header longer than the file", 8, u16(60000), E_DATA_UNREADABLE},
      {"header shorter than its fields", 8, u16(64), E_DATA_UNREADABLE},
      {"record length the fields do not fill", 10, u16(3), E_DATA_UNREADABLE},
      {"cut short", std::string::npos, "", E_DATA_UNREADABLE},
  };
  const std::filesystem::path examples = std::filesystem::path(VELK_SOURCE_DIR) / "examples";
  for (const Case& c : cases) {
    ScratchDir dir;
    for (const char* ext : {".shp", ".shx", ".dbf", ".prj"})
      std::filesystem::copy_file(examples / (std::string("places") + ext),
                                 dir / (std::string("places") + ext));
    // The example holds 316 records; keep 50 so a lying count is easy to tell.
    const std::string dbf = dir / "places.dbf";
    {
      std::fstream f(dbf, std::ios::in | std::ios::out | std::ios::binary);
      unsigned char h[12];
      f.read(reinterpret_cast<char*>(h), 12);
      const std::uint32_t headerLength = h[8] | h[9] << 8, recordLength = h[10] | h[11] << 8;
      f.seekp(4);
      f.write(u32(50).data(), 4);
      f.close();
      std::filesystem::resize_file(dbf, headerLength + 50 * recordLength + 1);
    }
    std::filesystem::copy_file(dbf, dir / "table.dbf");
    for (const std::string& file : {dbf, dir / "table.dbf"}) {
      if (c.offset == std::string::npos) {
        std::filesystem::resize_file(file, std::filesystem::file_size(file) - 100);
      } else if (!c.bytes.empty()) {
        std::fstream f(file, std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(static_cast<std::streamoff>(c.offset));
        f.write(c.bytes.data(), static_cast<std::streamsize>(c.bytes.size()));
      }
    }
    auto ws = OpenWorkspace(ShapefileFactory().get(), dir.path());
    auto fw = ws.Query<IFeatureWorkspace>();
    ComPtr<IFeatureClass> fc;
    EXPECT_EQ(fw->OpenFeatureClass(Bstr(L"places"), fc.put()), c.expected) << c.what;
    ComPtr<ITable> table;
    EXPECT_EQ(fw->OpenTable(Bstr(L"table"), table.put()), c.expected) << c.what;
  }
}

// Values that do not fit their field are refused, and the row is not written with a cut value.
TEST(HostDataTable, ValuesThatDoNotFitAreRefused) {
  ScratchDir dir;
  auto ws = OpenWorkspace(ShapefileFactory().get(), dir.path());
  host::FieldSpec whenField;
  whenField.name = L"WHEN";
  whenField.type = kFieldDate;
  ComPtr<ITable> table;
  ASSERT_EQ(CreateTable(ws.get(), L"values",
                        {OidField(),
                         TextField(L"CODE", 4),
                         DoubleField(L"RATIO", 6, 2),
                         IntegerField(L"N", 3),
                         whenField},
                        table.put()),
            S_OK);
  ComPtr<IRow> row;
  ASSERT_EQ(table->CreateRow(row.put()), S_OK);
  LONG code, ratio, n, when;
  table->FindField(Bstr(L"CODE"), &code);
  table->FindField(Bstr(L"RATIO"), &ratio);
  table->FindField(Bstr(L"N"), &n);
  table->FindField(Bstr(L"WHEN"), &when);

  struct Case {
    LONG field;
    Variant value;
    HRESULT store;
  } cases[] = {
      {code, V(L"ABCDE"), E_DATA_VALUE_TOO_LONG},
      {code, V(L"\u00C4\u00D6\u00DC"), E_DATA_VALUE_TOO_LONG},  // six bytes in UTF-8
      {ratio, Variant(12345.5), E_DATA_VALUE_TOO_LONG},
      {n, Variant(1234), E_DATA_VALUE_TOO_LONG},
      // the width of the text dBASE keeps: rounding may add a digit, the sign counts
      {ratio, Variant(999.994), S_OK},
      {ratio, Variant(999.996), E_DATA_VALUE_TOO_LONG},  // "1000.00"
      {ratio, Variant(-99.994), S_OK},
      {ratio, Variant(-99.996), E_DATA_VALUE_TOO_LONG},  // "-100.00"
      {ratio, Variant(-0.001), S_OK},                    // "-0.00"
      {ratio, Variant(1e300), E_DATA_VALUE_TOO_LONG},
      {n, Variant(999), S_OK},
      {n, Variant(-100), E_DATA_VALUE_TOO_LONG},
      {code, V(L"ABCD"), S_OK},
      {ratio, Variant(-12.25), S_OK},
      {n, Variant(-99), S_OK},
  };
  for (auto& c : cases) {
    ComPtr<IRow> fresh;
    table->GetRow(0, fresh.put());
    ASSERT_EQ(fresh->put_Value(c.field, c.value), S_OK);
    EXPECT_EQ(fresh->Store(), c.store) << c.field;
  }
  EXPECT_EQ(row->put_Value(n, V(L"not a number")), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(row->put_Value(0, Variant(7)), E_DATA_FIELD_NOT_EDITABLE);

  Variant date;
  date.vt = VT_DATE;
  date.date = DateFromParts(2024, 2, 29, 0, 0, 0);
  ComPtr<IRow> r;
  table->GetRow(0, r.put());
  ASSERT_EQ(r->put_Value(when, date), S_OK);
  ASSERT_EQ(r->Store(), S_OK);

  ComPtr<IRow> back;
  ASSERT_EQ(table->GetRow(0, back.put()), S_OK);
  Variant v;
  v.Clear();
  back->get_Value(code, &v);
  EXPECT_EQ(BstrToWstring(v.bstrVal), L"ABCD");
  v.Clear();
  back->get_Value(ratio, &v);
  EXPECT_DOUBLE_EQ(v.dblVal, -12.25);
  v.Clear();
  back->get_Value(n, &v);
  EXPECT_EQ(v.lVal, -99);
  v.Clear();
  back->get_Value(when, &v);
  ASSERT_EQ(v.vt, VT_DATE);
  EXPECT_DOUBLE_EQ(v.date, date.date);
  std::string rows = OgrInfo("-al -q " + ShellQuote(dir / "values.dbf"));
  EXPECT_TRUE(Has(rows, "WHEN (Date) = 2024/02/29")) << rows;
  EXPECT_TRUE(Has(rows, "CODE (String) = ABCD")) << rows;
}

// A shape in another reference is projected into the class's; a shape of another kind is refused.
TEST(HostDataTable, StoredShapesAreProjectedAndKindChecked) {
  ScratchDir dir;
  auto ws = OpenWorkspace(ShapefileFactory().get(), dir.path());
  ComPtr<IFeatureClass> fc;
  ASSERT_EQ(
      CreateClass(ws.get(), L"utm", {OidField(), ShapeField(kGeometryPoint, 32632)}, fc.put()),
      S_OK);
  ASSERT_EQ(InsertPoint(fc.get(), 9.0, 48.0, SpatialReference(4326).get(), {}), S_OK);
  ComPtr<IFeature> f;
  ASSERT_EQ(fc->GetFeature(0, f.put()), S_OK);
  ComPtr<IGeometry> shape;
  f->get_Shape(shape.put());
  double x = 0, y = 0;
  shape.Query<IPoint>()->QueryCoords(&x, &y);
  std::istringstream cs(ToolOutput(
      "echo 9 48 | cs2cs -f %.4f +proj=longlat +datum=WGS84 +to +proj=utm +zone=32 +datum=WGS84"));
  double ex = 0, ey = 0;
  cs >> ex >> ey;
  EXPECT_NEAR(x, ex, 1e-3);
  EXPECT_NEAR(y, ey, 1e-3);

  // An output reference on the filter hands shapes back in it.
  ComPtr<IQueryFilter> filter;
  ASSERT_EQ(CreateQueryFilterObject(nullptr, IidOf<IQueryFilter>(), filter.put_void()), S_OK);
  filter->putref_OutputSpatialReference(SpatialReference(4326).get());
  ComPtr<IFeatureCursor> c;
  ASSERT_EQ(fc->Search(filter.get(), VARIANT_FALSE, c.put()), S_OK);
  ASSERT_EQ(c->NextFeature(f.put()), S_OK);
  f->get_Shape(shape.put());
  shape.Query<IPoint>()->QueryCoords(&x, &y);
  EXPECT_NEAR(x, 9.0, 1e-9);
  EXPECT_NEAR(y, 48.0, 1e-9);

  ComPtr<IFeature> wrong;
  ASSERT_EQ(fc->CreateFeature(wrong.put()), S_OK);
  wrong->putref_Shape(NewPolyline().Query<IGeometry>().get());
  auto line = NewPolyline();
  line.Query<IPointCollection>()->AddPoint(NewPoint(1, 1).get());
  line.Query<IPointCollection>()->AddPoint(NewPoint(2, 2).get());
  wrong->putref_Shape(line.Query<IGeometry>().get());
  EXPECT_EQ(wrong->Store(), E_DATA_GEOMETRY_MISMATCH);
  // A point beyond the pole cannot be placed in the class's reference.
  wrong->putref_Shape(NewPoint(9.0, 95.0, SpatialReference(4326).get()).Query<IGeometry>().get());
  EXPECT_EQ(wrong->Store(), E_DATA_PROJECTION_FAILED);
}

// The table conversion walks a search cursor and an update cursor over the same rows in step.
TEST(HostDataTable, SearchAndUpdateCursorsInStepFiltersAndSelections) {
  ScratchDir dir;
  auto ws = OpenWorkspace(ShapefileFactory().get(), dir.path());
  ComPtr<IFeatureClass> fc;
  ASSERT_EQ(CreateClass(ws.get(), L"grid",
                        {OidField(), ShapeField(kGeometryPoint, 4326), IntegerField(L"K"),
                         DoubleField(L"OUT", 12, 3)},
                        fc.put()),
            S_OK);
  for (int k = 0; k < 10; ++k)
    ASSERT_EQ(InsertPoint(fc.get(), k, k % 3, nullptr, {{L"K", Variant(k)}}), S_OK);
  LONG kIndex = -1, outIndex = -1;
  fc->FindField(Bstr(L"K"), &kIndex);
  fc->FindField(Bstr(L"OUT"), &outIndex);

  ComPtr<IFeatureCursor> read, write;
  ASSERT_EQ(fc->Search(nullptr, VARIANT_FALSE, read.put()), S_OK);
  ASSERT_EQ(fc->Update(nullptr, VARIANT_FALSE, write.put()), S_OK);
  ComPtr<IFeature> in, out;
  int count = 0;
  while (SUCCEEDED(read->NextFeature(in.put())) && in) {
    ASSERT_EQ(write->NextFeature(out.put()), S_OK);
    ASSERT_TRUE(out);
    Variant k;
    in->get_Value(kIndex, &k);
    out->put_Value(outIndex, Variant(k.lVal * 1.5));
    ASSERT_EQ(write->UpdateFeature(out.get()), S_OK);
    ++count;
  }
  EXPECT_EQ(count, 10);
  std::string rows = OgrInfo("-al -q " + ShellQuote(dir / "grid.shp"));
  EXPECT_TRUE(Has(rows, "OUT (Real) = 13.500")) << rows;

  // where clause, spatial filter, invalid clause
  ComPtr<IQueryFilter> q;
  CreateQueryFilterObject(nullptr, IidOf<IQueryFilter>(), q.put_void());
  q->put_WhereClause(Bstr(L"K >= 7"));
  LONG n = 0;
  ASSERT_EQ(fc->FeatureCount(q.get(), &n), S_OK);
  EXPECT_EQ(n, 3);
  q->put_WhereClause(Bstr(L"K >>= nonsense"));
  EXPECT_EQ(fc->FeatureCount(q.get(), &n), E_DATA_INVALID_WHERE);

  ComPtr<ISpatialFilter> sf;
  CreateSpatialFilterObject(nullptr, IidOf<ISpatialFilter>(), sf.put_void());
  sf->putref_Geometry(
      NewEnvelope(1.5, -0.5, 6.5, 0.5, SpatialReference(4326).get()).Query<IGeometry>().get());
  sf->put_SpatialRel(kSpatialRelIntersects);
  ASSERT_EQ(fc->FeatureCount(sf.get(), &n), S_OK);
  EXPECT_EQ(n, 2);  // (3,0) and (6,0)
  EXPECT_TRUE(QueryAs<IQueryFilter>(sf.get()));
  EXPECT_FALSE(QueryAs<ISpatialFilter>(q.get()));

  // selection sets
  q->put_WhereClause(Bstr(L"K < 4"));
  ComPtr<ISelectionSet> sel;
  ASSERT_EQ(fc->Select(q.get(), kSelectionTypeIDSet, kSelectionOptionNormal, nullptr, sel.put()),
            S_OK);
  LONG selected = 0;
  sel->get_Count(&selected);
  EXPECT_EQ(selected, 4);
  sel->Remove(0);
  sel->Add(9);
  ComPtr<ICursor> sc;
  ASSERT_EQ(sel->Search(nullptr, VARIANT_FALSE, sc.put()), S_OK);
  std::vector<LONG> oids;
  ComPtr<IRow> r;
  while (SUCCEEDED(sc->NextRow(r.put())) && r) {
    LONG oid = -1;
    r->get_OID(&oid);
    oids.push_back(oid);
  }
  EXPECT_EQ(oids, (std::vector<LONG>{1, 2, 3, 9}));
  // an empty selection gives a cursor that ends at once
  q->put_WhereClause(Bstr(L"K > 100"));
  ASSERT_EQ(fc->Select(q.get(), kSelectionTypeIDSet, kSelectionOptionNormal, nullptr, sel.put()),
            S_OK);
  ASSERT_EQ(sel->Search(nullptr, VARIANT_FALSE, sc.put()), S_OK);
  EXPECT_EQ(sc->NextRow(r.put()), S_OK);
  EXPECT_FALSE(r);
}

// Fields added under an exclusive schema lock, on a table that already holds rows.
TEST(HostDataTable, AddFieldUnderSchemaLockKeepsRows) {
  ScratchDir dir;
  auto ws = OpenWorkspace(ShapefileFactory().get(), dir.path());
  ComPtr<IFeatureClass> fc;
  ASSERT_EQ(
      CreateClass(ws.get(), L"pts",
                  {OidField(), ShapeField(kGeometryPoint, 4326), TextField(L"NAME", 8)}, fc.put()),
      S_OK);
  ASSERT_EQ(InsertPoint(fc.get(), 1, 2, nullptr, {{L"NAME", V(L"keep")}}), S_OK);
  auto lock = fc.Query<ISchemaLock>();
  ASSERT_EQ(lock->ChangeSchemaLock(kSchemaLockExclusive), S_OK);
  LONG kind = 0;
  lock->get_CurrentSchemaLock(&kind);
  EXPECT_EQ(kind, kSchemaLockExclusive);
  auto field = MakeField(DoubleField(L"X_DD", 18, 8));
  ASSERT_EQ(fc->AddField(field.get()), S_OK);
  EXPECT_EQ(fc->AddField(field.get()), E_DATA_INVALID_NAME);  // already there
  EXPECT_EQ(fc->AddField(MakeField(TextField(L"LONGER_THAN_TEN", 5)).get()), E_DATA_INVALID_NAME);
  ASSERT_EQ(lock->ChangeSchemaLock(kSchemaLockShared), S_OK);
  lock->get_CurrentSchemaLock(&kind);
  EXPECT_EQ(kind, kSchemaLockShared);

  LONG x = -1;
  fc->FindField(Bstr(L"x_dd"), &x);
  ASSERT_EQ(x, 3);
  ComPtr<IFeature> f;
  ASSERT_EQ(fc->GetFeature(0, f.put()), S_OK);
  Variant v;
  f->get_Value(2, &v);
  EXPECT_EQ(BstrToWstring(v.bstrVal), L"keep");
  v.Clear();
  f->get_Value(x, &v);
  EXPECT_EQ(v.vt, VT_NULL);
  std::string schema = OgrInfo("-so -al " + ShellQuote(dir / "pts.shp"));
  EXPECT_TRUE(Has(schema, "X_DD: Real (18.8)")) << schema;
}

// A shapefile or dBASE table the host writes holds the bytes GDAL's own writer gives the same
// rows: rows inserted into an empty point class (the first with and without a shape) or table,
// a field added afterwards and another row inserted through GDAL, the dBASE end-of-file mark
// kept throughout.
TEST(HostDataTable, ShapefileFilesAreTheBytesGdalWrites) {
  struct Case {
    const char* name;
    bool shapes;
    bool firstWithoutShape;
  } cases[] = {{"points", true, false}, {"nullfirst", true, true}, {"table", false, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchDir dir;
    const std::wstring name = FromUtf8(c.name);
    {
      auto ws = OpenWorkspace(ShapefileFactory().get(), dir.path());
      auto wgs = SpatialReference(4326);
      ComPtr<ITable> table;
      if (c.shapes) {
        ComPtr<IFeatureClass> fc;
        ASSERT_EQ(CreateClass(ws.get(), name, kObserverLike, fc.put()), S_OK);
        table = fc.Query<ITable>();
      } else {
        ASSERT_EQ(CreateTable(ws.get(), name,
                              {OidField(), TextField(L"NAME", 20), DoubleField(L"OFFSETA", 18, 8),
                               IntegerField(L"COUNT", 6)},
                              table.put()),
                  S_OK);
      }
      LONG nameField = -1, offsetField = -1, countField = -1, shapeField = -1;
      table->FindField(Bstr(L"NAME"), &nameField);
      table->FindField(Bstr(L"OFFSETA"), &offsetField);
      table->FindField(Bstr(L"COUNT"), &countField);
      table->FindField(Bstr(L"Shape"), &shapeField);
      ComPtr<ICursor> cursor;
      ASSERT_EQ(table->Insert(VARIANT_TRUE, cursor.put()), S_OK);
      for (int i = 0; i < 300; ++i) {
        ComPtr<IRowBuffer> buffer;
        table->CreateRowBuffer(buffer.put());
        if (c.shapes && !(i == 0 && c.firstWithoutShape) && i % 50 != 7)
          buffer->put_Value(shapeField, Variant(static_cast<IUnknown*>(
                                            NewPoint(i * 0.5 - 20, -i * 0.25, wgs.get()).get())));
        buffer->put_Value(nameField, Variant(std::wstring(L"row ") + std::to_wstring(i)));
        if (i % 3) buffer->put_Value(offsetField, Variant(i / 7.0 - 9.0));
        if (i % 5) buffer->put_Value(countField, Variant(i * 37 - 4000));
        ASSERT_EQ(cursor->InsertRow(buffer.get(), nullptr), S_OK);
      }
      // A value too long for its field is refused and writes nothing.
      ComPtr<IRowBuffer> buffer;
      table->CreateRowBuffer(buffer.put());
      buffer->put_Value(nameField, Variant(L"a name longer than twenty"));
      EXPECT_EQ(cursor->InsertRow(buffer.get(), nullptr), E_DATA_VALUE_TOO_LONG);
      ASSERT_EQ(cursor->Flush(), S_OK);
      cursor = nullptr;
      std::ifstream dbf(dir / (std::string(c.name) + ".dbf"), std::ios::binary);
      std::string bytes((std::istreambuf_iterator<char>(dbf)), std::istreambuf_iterator<char>());
      ASSERT_FALSE(bytes.empty());
      EXPECT_EQ(bytes.back(), '\x1A');

      auto lock = table.Query<ISchemaLock>();
      ASSERT_EQ(lock->ChangeSchemaLock(kSchemaLockExclusive), S_OK);
      ASSERT_EQ(table->AddField(MakeField(DoubleField(L"X_DD", 18, 8)).get()), S_OK);
      ASSERT_EQ(lock->ChangeSchemaLock(kSchemaLockShared), S_OK);
      ComPtr<IRow> row;
      ASSERT_EQ(table->CreateRow(row.put()), S_OK);
      row->put_Value(nameField, Variant(L"last"));
      ASSERT_EQ(row->Store(), S_OK);
    }
    // GDAL's copy of the same rows, written with its defaults (and the host's encoding).
    const std::string ours = dir / (std::string(c.name) + (c.shapes ? ".shp" : ".dbf"));
    const std::string copy = dir / (c.shapes ? "copy.shp" : "copy.dbf");
    int status = -1;
    ToolOutput("ogr2ogr -lco ENCODING=UTF-8 " + ShellQuote(copy) + " " + ShellQuote(ours) + " 2>&1",
               &status);
    ASSERT_EQ(status, 0);
    std::string rows = OgrInfo("-al -q " + ShellQuote(ours));
    EXPECT_TRUE(Has(rows, "NAME (String) = row 299")) << rows;
    EXPECT_TRUE(Has(rows, "COUNT (Integer) = 7063")) << rows;
    EXPECT_TRUE(Has(rows, "NAME (String) = last")) << rows;
    EXPECT_FALSE(Has(rows, "a name longer")) << rows;
    if (c.shapes) {
      EXPECT_TRUE(Has(rows, "POINT (129.5 -74.75)")) << rows;
    }
    if (c.firstWithoutShape) {
      // GDAL's writer counts a first row without a shape into the extent as (0, 0); the host
      // gives the extent of the shapes.
      std::string schema = OgrInfo("-so -al " + ShellQuote(ours));
      EXPECT_TRUE(Has(schema, "Extent: (-19.500000, -74.750000) - (129.500000, -0.250000)"))
          << schema;
    }
    for (std::string ext : {".dbf", ".shp", ".shx"}) {
      if (!c.shapes && ext != ".dbf") continue;
      std::ifstream a(dir / (c.name + ext), std::ios::binary), b(dir / ("copy" + ext), std::ios::binary);
      std::string x((std::istreambuf_iterator<char>(a)), std::istreambuf_iterator<char>());
      std::string y((std::istreambuf_iterator<char>(b)), std::istreambuf_iterator<char>());
      if (c.firstWithoutShape && ext != ".dbf" && x.size() > 100 && y.size() > 100) {
        x = x.substr(0, 36) + x.substr(68);
        y = y.substr(0, 36) + y.substr(68);
      }
      EXPECT_TRUE(x == y) << ext;
    }
  }
}

// Fields added to a shapefile that has rows (the records copied once into the wider file) give
// the bytes GDAL's own ALTER TABLE gives a copy of the same files: text, real, integer and date
// fields one after another, rows with and without values. A row deleted before a field is added
// is gone afterwards and the rows after it move up, as GDAL packs the files when it adds a field.
TEST(HostDataTable, FieldsAddedToRowsAreTheBytesGdalAddsInPlace) {
  VELK_REQUIRE(!ProgramOnPath("ogrinfo").empty(), "ogrinfo is not installed");
  ScratchDir dir;
  {
    auto ws = OpenWorkspace(ShapefileFactory().get(), dir.path());
    ComPtr<IFeatureClass> fc;
    ASSERT_EQ(CreateClass(ws.get(), L"pts", kObserverLike, fc.put()), S_OK);
    for (int i = 0; i < 40; ++i) {
      std::vector<std::pair<std::wstring, Variant>> values;
      if (i % 4) values.push_back({L"NAME", Variant(L"place " + std::to_wstring(i))});
      if (i % 3) values.push_back({L"OFFSETA", Variant(i * 1.25 - 7)});
      ASSERT_EQ(InsertPoint(fc.get(), i * 0.5, -i * 0.25, nullptr, values), S_OK);
    }
  }
  for (const char* ext : {".shp", ".shx", ".dbf", ".prj", ".cpg"})
    if (std::filesystem::exists(dir / (std::string("pts") + ext)))
      std::filesystem::copy_file(dir / (std::string("pts") + ext),
                                 dir / (std::string("gdal") + ext));
  auto bytes = [&](const char* name) {
    std::ifstream in(dir / name, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  };

  FieldSpec seen;
  seen.name = L"SEEN";
  seen.type = kFieldDate;
  const std::pair<FieldSpec, const char*> added[] = {
      {TextField(L"MGRS", 20), "MGRS character(20)"},
      {DoubleField(L"X", 18, 8), "X numeric(18,8)"},
      {IntegerField(L"N", 6), "N integer(6)"},
      {seen, "SEEN date"}};
  auto ws = OpenWorkspace(ShapefileFactory().get(), dir.path());
  ComPtr<IFeatureClass> fc;
  ASSERT_EQ(ws.Query<IFeatureWorkspace>()->OpenFeatureClass(Bstr(L"pts"), fc.put()), S_OK);
  for (const auto& [spec, sql] : added) {
    ASSERT_EQ(fc->AddField(MakeField(spec).get()), S_OK) << sql;
    int status = -1;
    ToolOutput("ogrinfo -q " + ShellQuote(dir / "gdal.shp") + " -sql " +
                   ShellQuote(std::string("ALTER TABLE gdal ADD COLUMN ") + sql) + " 2>&1",
               &status);
    ASSERT_EQ(status, 0) << sql;
  }
  const std::string ours = bytes("pts.dbf"), gdal = bytes("gdal.dbf");
  ASSERT_GT(ours.size(), 32u);
  EXPECT_EQ(ours.size(), gdal.size());
  EXPECT_TRUE(ours == gdal);
  EXPECT_EQ(bytes("pts.shp"), bytes("gdal.shp"));

  // The rows read back as they were, the new fields empty.
  LONG nameField = -1, mgrsField = -1;
  fc->FindField(Bstr(L"NAME"), &nameField);
  fc->FindField(Bstr(L"MGRS"), &mgrsField);
  auto nameOf = [&](LONG oid) {
    ComPtr<IFeature> f;
    Variant v;
    if (FAILED(fc->GetFeature(oid, f.put())) || FAILED(f->get_Value(nameField, &v)) ||
        v.vt != VT_BSTR)
      return std::wstring(L"<none>");
    return BstrToWstring(v.bstrVal);
  };
  EXPECT_EQ(nameOf(6), L"place 6");
  ComPtr<IFeature> f;
  ASSERT_EQ(fc->GetFeature(6, f.put()), S_OK);
  Variant mgrs;
  f->get_Value(mgrsField, &mgrs);
  EXPECT_EQ(mgrs.vt, VT_NULL);

  // A row deleted, then a field added.
  ComPtr<IFeature> gone;
  ASSERT_EQ(fc->GetFeature(5, gone.put()), S_OK);
  ASSERT_EQ(gone->Delete(), S_OK);
  ASSERT_EQ(fc->AddField(MakeField(TextField(L"LATE", 4)).get()), S_OK);
  LONG rows = 0;
  ASSERT_EQ(fc->FeatureCount(nullptr, &rows), S_OK);
  EXPECT_EQ(rows, 39);
  EXPECT_EQ(nameOf(5), L"place 6");
  EXPECT_EQ(nameOf(38), L"place 39");
}
