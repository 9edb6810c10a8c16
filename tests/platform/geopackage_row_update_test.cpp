// Rows of a GeoPackage table updated in an edit, where the attribute values go past GDAL's
// SetFeature: checked against GDAL's own SetFeature path on a copy of the same database, every
// column (value and storage type) and the spatial index read back through SQLite.
#include <gtest/gtest.h>

#include <sqlite3.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>

#include <ogrsf_frmts.h>

#include "platform/com/text.h"
#include "platform/host/data/data_errors.h"
#include "platform/host/data/gdal_dataset_handle.h"
#include "platform/host/geometry/geometry_objects.h"
#include "platform/host/data/geopackage_row_updater.h"
#include "platform/host/data/table_core.h"
#include "tests/fixtures/tool_output.h"

using namespace velk;
using namespace velk::host;
using namespace velk::test;

namespace {

constexpr int kRows = 6;
constexpr int kNullShapeRow = 4;

// pts: points with a spatial index; plain: a table without shapes. Both have the same fields,
// the last three empty (as the conversion's new output fields are).
void MakeFixture(const std::string& path) {
  EnsureGdalDrivers();
  GDALDriver* driver = GetGDALDriverManager()->GetDriverByName("GPKG");
  ASSERT_TRUE(driver);
  std::unique_ptr<GDALDataset> ds(driver->Create(path.c_str(), 0, 0, 0, GDT_Unknown, nullptr));
  ASSERT_TRUE(ds);
  OGRSpatialReference wgs;
  wgs.importFromEPSG(4326);
  wgs.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  for (const char* name : {"pts", "plain"}) {
    const bool shapes = std::string(name) == "pts";
    OGRLayer* layer = ds->CreateLayer(name, shapes ? &wgs : nullptr, shapes ? wkbPoint : wkbNone);
    ASSERT_TRUE(layer);
    auto field = [&](const char* fname, OGRFieldType type, int width) {
      OGRFieldDefn d(fname, type);
      d.SetWidth(width);
      ASSERT_EQ(layer->CreateField(&d), OGRERR_NONE);
    };
    field("NAME", OFTString, 20);
    field("N", OFTInteger, 0);
    field("R", OFTReal, 0);
    field("D", OFTDate, 0);
    field("X", OFTReal, 0);
    field("LABEL", OFTString, 40);
    field("NOTE", OFTString, 0);
    for (int i = 1; i <= kRows; ++i) {
      OGRFeature f(layer->GetLayerDefn());
      f.SetField("NAME", ("row " + std::to_string(i)).c_str());
      f.SetField("N", i);
      f.SetField("R", i * 1.25);
      if (i == 3) f.SetField(f.GetFieldIndex("D"), 2020, 1, i);
      OGRPoint p(10.0 + i, -0.5 * i);
      if (shapes && i != kNullShapeRow) f.SetGeometry(&p);
      ASSERT_EQ(layer->CreateFeature(&f), OGRERR_NONE);
    }
  }
}

// Every row of a table (or any query) as "type:value" texts, blobs in hex.
std::vector<std::vector<std::string>> Dump(const std::string& path, const std::string& sql) {
  std::vector<std::vector<std::string>> rows;
  sqlite3* db = nullptr;
  EXPECT_EQ(sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
  sqlite3_stmt* s = nullptr;
  EXPECT_EQ(sqlite3_prepare_v2(db, sql.c_str(), -1, &s, nullptr), SQLITE_OK) << sql;
  while (s && sqlite3_step(s) == SQLITE_ROW) {
    std::vector<std::string>& row = rows.emplace_back();
    for (int i = 0; i < sqlite3_column_count(s); ++i) {
      const int type = sqlite3_column_type(s, i);
      std::string text = std::to_string(type) + ":";
      if (type == SQLITE_BLOB) {
        const auto* b = static_cast<const unsigned char*>(sqlite3_column_blob(s, i));
        for (int k = 0; k < sqlite3_column_bytes(s, i); ++k) text += std::to_string(b[k]) + ".";
      } else if (type == SQLITE_FLOAT) {
        char buf[40];
        std::snprintf(buf, sizeof buf, "%.17g", sqlite3_column_double(s, i));
        text += buf;
      } else if (type != SQLITE_NULL) {
        text += reinterpret_cast<const char*>(sqlite3_column_text(s, i));
      }
      row.push_back(text);
    }
  }
  sqlite3_finalize(s);
  sqlite3_close(db);
  return rows;
}

// Everything the updates may touch: both tables, the spatial index, the contents' extents.
std::vector<std::vector<std::string>> DumpAll(const std::string& path) {
  std::vector<std::vector<std::string>> all;
  for (const char* sql :
       {"SELECT * FROM pts ORDER BY fid", "SELECT * FROM plain ORDER BY fid",
        "SELECT * FROM rtree_pts_geom ORDER BY id",
        "SELECT table_name, min_x, min_y, max_x, max_y FROM gpkg_contents ORDER BY table_name",
        "SELECT * FROM gpkg_ogr_contents ORDER BY table_name"})
    for (auto& row : Dump(path, sql)) all.push_back(std::move(row));
  return all;
}

// One row's new values; unset members keep the row's value.
struct Change {
  std::int64_t fid;
  std::wstring name;
  std::optional<int> n;  // nullopt: null
  std::optional<double> x;
  std::wstring label;      // empty: null
  std::optional<int> day;  // a date in D: the row goes through GDAL
  std::optional<std::pair<double, double>> moveTo;
};

const std::vector<Change> kChanges = {
    {1, L"Zürich – ✓", 7, 1.5, L"élan 東京", {}, {}},
    {2, L"plain", {}, {}, L"", {}, {}},
    {3, L"dated", 3, -2.25, L"d", 17, {}},
    {kNullShapeRow, L"no shape", 4, 1e300, L"n", {}, {}},
    {5, L"moved", 5, 0.1, L"m", {}, std::pair{30.5, 8.25}},
    {6, L"\"quoted\" 'text'", -2147483647, 6.0, L"last", {}, {}},
};

// The change through the host's table (an edit: one transaction).
void WriteThroughHost(TableCore& core, const Change& c) {
  std::vector<Variant> values;
  ASSERT_EQ(core.Read(c.fid, nullptr, values), S_OK);
  auto set = [&](const wchar_t* field, Variant v) {
    const LONG i = core.FindField(field);
    ASSERT_GE(i, 0);
    values[static_cast<std::size_t>(i)] = std::move(v);
  };
  Variant null;
  null.vt = VT_NULL;
  set(L"NAME", Variant(c.name));
  set(L"N", c.n ? Variant(*c.n) : null);
  set(L"X", c.x ? Variant(*c.x) : null);
  set(L"LABEL", c.label.empty() ? null : Variant(c.label));
  if (c.day) {
    Variant d;
    d.vt = VT_DATE;
    d.date = DateFromParts(2021, 3, *c.day, 0, 0, 0);
    set(L"D", d);
  }
  if (c.moveTo && core.HasShape()) {
    auto p = NewPoint(c.moveTo->first, c.moveTo->second, core.SpatialReference());
    set(core.ShapeName().c_str(), Variant(static_cast<IUnknown*>(p.Query<IGeometry>().get())));
  }
  std::int64_t fid = c.fid;
  ASSERT_EQ(core.Write(fid, values), S_OK) << c.fid;
}

// The same change through GDAL's SetFeature.
void WriteThroughGdal(OGRLayer* layer, const Change& c) {
  std::unique_ptr<OGRFeature> f(layer->GetFeature(c.fid));
  ASSERT_TRUE(f);
  f->SetField("NAME", ToUtf8(c.name).c_str());
  if (c.n)
    f->SetField("N", *c.n);
  else
    f->SetFieldNull(f->GetFieldIndex("N"));
  if (c.x)
    f->SetField("X", *c.x);
  else
    f->SetFieldNull(f->GetFieldIndex("X"));
  if (c.label.empty())
    f->SetFieldNull(f->GetFieldIndex("LABEL"));
  else
    f->SetField("LABEL", ToUtf8(c.label).c_str());
  if (c.day) f->SetField(f->GetFieldIndex("D"), 2021, 3, *c.day, 0, 0, 0.0F, 0);
  if (c.moveTo && f->GetGeomFieldCount() > 0) {
    OGRPoint p(c.moveTo->first, c.moveTo->second);
    f->SetGeometry(&p);
  }
  ASSERT_EQ(layer->SetFeature(f.get()), OGRERR_NONE) << c.fid;
}

std::unique_ptr<TableCore> OpenCore(const std::string& path, const char* table, DatasetPtr& ds) {
  EXPECT_EQ(OpenGdalDataset(path, DataKind::kVector, ds), OpenResult::kOk);
  if (!ds) return nullptr;
  return std::make_unique<TableCore>(ds, ds->get()->GetLayerByName(table), FromUtf8(table),
                                     path + "|" + table, false);
}

}  // namespace

// The blob written for a point is byte for byte GDAL's, in every dimension.
TEST(GeoPackageRowUpdate, PointBlobsAreGdals) {
  ScratchDir dir;
  EnsureGdalDrivers();
  const std::string path = dir / "kinds.gpkg";
  std::vector<std::pair<std::string, std::unique_ptr<OGRPoint>>> cases;
  cases.emplace_back("xy", std::make_unique<OGRPoint>(1.5, -2.25));
  cases.emplace_back("xyz", std::make_unique<OGRPoint>(1.5, -2.25, 100.0));
  cases.emplace_back("xym", std::unique_ptr<OGRPoint>(OGRPoint::createXYM(1.5, -2.25, 7.0)));
  cases.emplace_back("xyzm", std::make_unique<OGRPoint>(1.5, -2.25, 100.0, 7.0));
  {
    GDALDriver* driver = GetGDALDriverManager()->GetDriverByName("GPKG");
    std::unique_ptr<GDALDataset> ds(driver->Create(path.c_str(), 0, 0, 0, GDT_Unknown, nullptr));
    ASSERT_TRUE(ds);
    OGRSpatialReference sr;
    sr.importFromEPSG(32633);
    for (auto& [name, point] : cases) {
      OGRLayer* layer = ds->CreateLayer(name.c_str(), &sr, point->getGeometryType());
      ASSERT_TRUE(layer);
      OGRFeature f(layer->GetLayerDefn());
      f.SetGeometry(point.get());
      ASSERT_EQ(layer->CreateFeature(&f), OGRERR_NONE);
    }
  }
  for (auto& [name, point] : cases) {
    std::vector<unsigned char> blob;
    ASSERT_TRUE(GeoPackageRowUpdater::EncodePoint(*point, 32633, blob)) << name;
    std::string ours = "4:";
    for (unsigned char b : blob) ours += std::to_string(b) + ".";
    const auto stored = Dump(path, "SELECT geom FROM " + name);
    ASSERT_EQ(stored.size(), 1U) << name;
    EXPECT_EQ(stored[0][0], ours) << name;
  }
  OGRPoint empty;
  std::vector<unsigned char> blob;
  EXPECT_FALSE(GeoPackageRowUpdater::EncodePoint(empty, 4326, blob));
}

// The same changes through the host's edit and through GDAL's SetFeature leave the same
// database: values, storage types, shapes, spatial index and extents. Among them a date (GDAL
// writes that row), a moved point (GDAL writes it, the index follows) and a row without a shape.
TEST(GeoPackageRowUpdate, AnEditWritesWhatGdalWrites) {
  ScratchDir dir;
  MakeFixture(dir / "template.gpkg");
  std::filesystem::copy_file(dir / "template.gpkg", dir / "host.gpkg");
  std::filesystem::copy_file(dir / "template.gpkg", dir / "gdal.gpkg");
  const auto original = DumpAll(dir / "template.gpkg");

  for (const char* table : {"pts", "plain"}) {
    DatasetPtr ds;
    auto core = OpenCore(dir / "host.gpkg", table, ds);
    ASSERT_TRUE(core && core->Valid()) << table;
    core->BeginBatch();
    for (const Change& c : kChanges) WriteThroughHost(*core, c);
    ASSERT_EQ(core->CommitBatch(), S_OK) << table;
    // The host reads back what it wrote.
    std::vector<Variant> values;
    ASSERT_EQ(core->Read(1, nullptr, values), S_OK);
    EXPECT_EQ(BstrToWstring(values[static_cast<std::size_t>(core->FindField(L"LABEL"))].bstrVal),
              L"élan 東京");
  }
  {
    std::unique_ptr<GDALDataset> ds(
        GDALDataset::Open((dir / "gdal.gpkg").c_str(), GDAL_OF_VECTOR | GDAL_OF_UPDATE));
    ASSERT_TRUE(ds);
    ASSERT_EQ(ds->StartTransaction(), OGRERR_NONE);
    for (const char* table : {"pts", "plain"})
      for (const Change& c : kChanges) WriteThroughGdal(ds->GetLayerByName(table), c);
    ASSERT_EQ(ds->CommitTransaction(), OGRERR_NONE);
  }
  const auto host = DumpAll(dir / "host.gpkg");
  EXPECT_EQ(host, DumpAll(dir / "gdal.gpkg"));
  EXPECT_NE(host, original);
  // GDAL itself reads the values back as written.
  std::unique_ptr<GDALDataset> ds(GDALDataset::Open((dir / "host.gpkg").c_str(), GDAL_OF_VECTOR));
  ASSERT_TRUE(ds);
  std::unique_ptr<OGRFeature> f(ds->GetLayerByName("pts")->GetFeature(6));
  ASSERT_TRUE(f);
  EXPECT_STREQ(f->GetFieldAsString("NAME"), "\"quoted\" 'text'");
  EXPECT_EQ(f->GetFieldAsInteger("N"), -2147483647);
  EXPECT_EQ(f->GetFieldAsDouble("X"), 6.0);
  EXPECT_EQ(f->GetFieldAsDouble("R"), 7.5);
  std::unique_ptr<OGRFeature> moved(ds->GetLayerByName("pts")->GetFeature(5));
  ASSERT_TRUE(moved && moved->GetGeometryRef());
  EXPECT_EQ(moved->GetGeometryRef()->toPoint()->getX(), 30.5);
}

// What the updater itself takes and leaves to GDAL.
TEST(GeoPackageRowUpdate, TheUpdaterTakesExactRowsAndLeavesTheRestToGdal) {
  ScratchDir dir;
  MakeFixture(dir / "db.gpkg");
  std::unique_ptr<GDALDataset> ds(
      GDALDataset::Open((dir / "db.gpkg").c_str(), GDAL_OF_VECTOR | GDAL_OF_UPDATE));
  ASSERT_TRUE(ds);
  OGRLayer* layer = ds->GetLayerByName("pts");
  ASSERT_EQ(ds->StartTransaction(), OGRERR_NONE);
  {
    auto updater = GeoPackageRowUpdater::Open(ds.get(), layer);
    ASSERT_TRUE(updater);
    using R = GeoPackageRowUpdater::Result;
    struct Case {
      const char* what;
      std::function<void(OGRFeature&)> change;
      R expected;
    };
    const std::vector<Case> cases = {
        {"attributes", [](OGRFeature& f) { f.SetField("X", 2.5); }, R::kWritten},
        {"a null", [](OGRFeature& f) { f.SetFieldNull(f.GetFieldIndex("NAME")); }, R::kWritten},
        {"a date", [](OGRFeature& f) { f.SetField(f.GetFieldIndex("D"), 2000, 1, 1); },
         R::kNotHere},
        {"a moved point",
         [](OGRFeature& f) {
           OGRPoint p(12.0, -1.0);
           f.SetGeometry(&p);
         },
         R::kNotHere},
        {"a point outside the extent",
         [](OGRFeature& f) {
           OGRPoint p(1000.0, 0.0);
           f.SetGeometry(&p);
         },
         R::kNotHere},
        {"a shape where there was none",
         [](OGRFeature& f) {
           f.SetFID(kNullShapeRow);
           OGRPoint p(11.0, -0.5);
           f.SetGeometry(&p);
         },
         R::kNotHere},
        {"no such row", [](OGRFeature& f) { f.SetFID(999); }, R::kNotHere},
    };
    for (const Case& c : cases) {
      std::unique_ptr<OGRFeature> f(layer->GetFeature(1));
      ASSERT_TRUE(f);
      f->SetFieldNull(f->GetFieldIndex("D"));  // the date is the updater's only when null
      c.change(*f);
      EXPECT_EQ(updater->Update(*f), c.expected) << c.what;
    }
  }
  ASSERT_EQ(ds->RollbackTransaction(), OGRERR_NONE);

  // Formats and shapes it does not write.
  OGRSpatialReference wgs;
  wgs.importFromEPSG(4326);
  OGRLayer* lines = ds->CreateLayer("lines", &wgs, wkbLineString);
  OGRFieldDefn a("A", OFTString);
  ASSERT_EQ(lines->CreateField(&a), OGRERR_NONE);
  EXPECT_FALSE(GeoPackageRowUpdater::Open(ds.get(), lines));
  std::unique_ptr<GDALDataset> mem(
      GetGDALDriverManager()->GetDriverByName("Memory")->Create("", 0, 0, 0, GDT_Unknown, nullptr));
  OGRLayer* memLayer = mem->CreateLayer("m", &wgs, wkbPoint);
  ASSERT_EQ(memLayer->CreateField(&a), OGRERR_NONE);
  EXPECT_FALSE(GeoPackageRowUpdater::Open(mem.get(), memLayer));
}

// In an edit: a value that does not fit fails alone; an abandoned edit leaves the table as it
// was; a field added mid-edit is written with the rows after it; a full database fails the row
// and the edit is undone.
TEST(GeoPackageRowUpdate, FailuresSchemaChangesAndAbandonedEdits) {
  ScratchDir dir;
  MakeFixture(dir / "db.gpkg");
  const auto original = DumpAll(dir / "db.gpkg");
  DatasetPtr ds;
  auto core = OpenCore(dir / "db.gpkg", "pts", ds);
  ASSERT_TRUE(core && core->Valid());
  const auto nameIndex = static_cast<std::size_t>(core->FindField(L"NAME"));
  auto rename = [&](std::int64_t fid, const std::wstring& name) {
    std::vector<Variant> values;
    EXPECT_EQ(core->Read(fid, nullptr, values), S_OK);
    values[nameIndex] = Variant(name);
    return core->Write(fid, values);
  };

  // Abandoned: nothing stays.
  core->BeginBatch();
  for (int fid = 1; fid <= kRows; ++fid) ASSERT_EQ(rename(fid, L"gone"), S_OK);
  core->AbandonBatch();
  EXPECT_EQ(DumpAll(dir / "db.gpkg"), original);

  // Too long for NAME (20): that row fails, the others are written.
  core->BeginBatch();
  EXPECT_EQ(rename(1, L"first"), S_OK);
  EXPECT_EQ(rename(2, std::wstring(21, L'x')), E_DATA_VALUE_TOO_LONG);
  EXPECT_EQ(rename(4, L"fourth"), S_OK);

  // A field added mid-edit: later rows write it too.
  FieldSpec extra;
  extra.name = L"EXTRA";
  extra.type = kFieldInteger;
  ASSERT_EQ(core->AddField(extra, nullptr), S_OK);
  {
    std::vector<Variant> values;
    ASSERT_EQ(core->Read(5, nullptr, values), S_OK);
    values[static_cast<std::size_t>(core->FindField(L"EXTRA"))] = Variant(42);
    values[nameIndex] = Variant(L"fifth");
    std::int64_t fid = 5;
    ASSERT_EQ(core->Write(fid, values), S_OK);
  }
  ASSERT_EQ(core->CommitBatch(), S_OK);
  const auto names = Dump(dir / "db.gpkg", "SELECT NAME, EXTRA FROM pts ORDER BY fid");
  ASSERT_EQ(names.size(), static_cast<std::size_t>(kRows));
  EXPECT_EQ(names[0][0], "3:first");
  EXPECT_EQ(names[1][0], "3:row 2");
  EXPECT_EQ(names[2][0], "3:row 3");
  EXPECT_EQ(names[3][0], "3:fourth");
  EXPECT_EQ(names[4][0], "3:fifth");
  EXPECT_EQ(names[4][1], "1:42");
  EXPECT_EQ(names[5][1], "5:");

  // A database that may not grow: the row fails with a write failure, the edit is undone.
  const auto before = DumpAll(dir / "db.gpkg");
  core->BeginBatch();
  ASSERT_EQ(rename(1, L"a"), S_OK);  // GDAL's row; the rest go past it
  for (const char* pragma : {"PRAGMA max_page_count = 1"})
    if (OGRLayer* r = ds->get()->ExecuteSQL(pragma, nullptr, nullptr))
      ds->get()->ReleaseResultSet(r);
  HRESULT hr = S_OK;
  for (int fid = 2; fid <= kRows && SUCCEEDED(hr); ++fid) {
    std::vector<Variant> values;
    ASSERT_EQ(core->Read(fid, nullptr, values), S_OK);
    values[static_cast<std::size_t>(core->FindField(L"NOTE"))] = Variant(std::wstring(4000, L'n'));
    std::int64_t id = fid;
    hr = core->Write(id, values);
  }
  EXPECT_EQ(hr, E_DATA_WRITE_FAILED);
  core->AbandonBatch();
  core.reset();
  ds.reset();
  EXPECT_EQ(DumpAll(dir / "db.gpkg"), before);
}
