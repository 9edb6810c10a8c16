// Rows rewritten during a batch go straight into a dBASE file when their shape is the one on file:
// the files come out byte for byte as GDAL's own rewrite of the same rows leaves them, and GDAL
// reads the values back. Rows the direct path cannot write exactly (a moved point, a line
// shapefile, an unwritable date) go through GDAL and come out the same.
#include <gtest/gtest.h>

#include <ogrsf_frmts.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/com/text.h"
#include "platform/host/data/data_errors.h"
#include "platform/host/data/gdal_drivers.h"
#include "platform/host/geometry/geometry_objects.h"
#include "platform/host/data/table_core.h"
#include "tests/fixtures/ogr_rows.h"
#include "tests/fixtures/requirement.h"
#include "tests/fixtures/temp_root.h"
#include "tests/fixtures/tool_output.h"

using namespace velk;
using namespace velk::host;
using namespace velk::test;

namespace {

namespace fs = std::filesystem;

enum class Kind { kPoints, kTable, kLines };

// A dataset made by GDAL: NAME text(12), COUNT integer(6), SHIFT real(18,8), SEEN date; rows
// with and without values, text beyond ASCII; points (the fourth without a shape), lines, or
// none. Twelve rows, or as many as asked; without the date field when asked.
void MakeFixture(const std::string& path, Kind kind, const char* encoding, int rows = 12,
                 bool dates = true) {
  EnsureGdalDrivers();
  GDALDriver* driver = GetGDALDriverManager()->GetDriverByName("ESRI Shapefile");
  GDALDataset* ds = driver->Create(path.c_str(), 0, 0, 0, GDT_Unknown, nullptr);
  ASSERT_NE(ds, nullptr);
  const char* options[] = {encoding, nullptr};
  const OGRwkbGeometryType type =
      kind == Kind::kPoints ? wkbPoint : kind == Kind::kLines ? wkbLineString : wkbNone;
  OGRLayer* layer = ds->CreateLayer(fs::path(path).stem().c_str(), nullptr, type,
                                    const_cast<char**>(options));
  ASSERT_NE(layer, nullptr);
  OGRFieldDefn name("NAME", OFTString), count("COUNT", OFTInteger), offset("SHIFT", OFTReal),
      seen("SEEN", OFTDate);
  name.SetWidth(12);
  count.SetWidth(6);
  offset.SetWidth(18);
  offset.SetPrecision(8);
  for (OGRFieldDefn* d : {&name, &count, &offset, &seen}) {
    if (d != &seen || dates) {
      ASSERT_EQ(layer->CreateField(d), OGRERR_NONE);
    }
  }
  for (int i = 0; i < rows; ++i) {
    OGRFeature f(layer->GetLayerDefn());
    if (i % 4) f.SetField("NAME", ("Zoë " + std::to_string(i)).c_str());
    if (i % 3) f.SetField("COUNT", i * 11 - 40);
    if (i % 5) f.SetField("SHIFT", i / 7.0 - 1);
    if (i % 2 && dates) f.SetField("SEEN", 2000 + i, 1 + i % 12, 1 + i);
    if (kind == Kind::kPoints && i != 3) {
      OGRPoint p(i * 0.5 - 2, 40 - i * 0.25);
      f.SetGeometry(&p);
    } else if (kind == Kind::kLines) {
      OGRLineString l;
      l.addPoint(i, 0);
      l.addPoint(i + 1, 1);
      f.SetGeometry(&l);
    }
    ASSERT_EQ(layer->CreateFeature(&f), OGRERR_NONE);
  }
  GDALClose(ds);
  // Last changed long ago: a rewrite puts today's date into the header.
  const std::string dbf = fs::path(path).replace_extension(".dbf").string();
  std::FILE* f = std::fopen(dbf.c_str(), "r+b");
  ASSERT_NE(f, nullptr);
  const unsigned char date[3] = {99, 12, 31};
  std::fseek(f, 1, SEEK_SET);
  std::fwrite(date, 1, sizeof date, f);
  std::fclose(f);
}

std::string Bytes(const std::string& path) { return ReadFileText(path); }

Variant Null() {
  Variant v;
  v.vt = VT_NULL;
  return v;
}

struct timespec Modified(const std::string& path) {
  struct stat st {};
  stat(path.c_str(), &st);
  return st.st_mtim;
}

bool SameTime(const struct timespec& a, const struct timespec& b) {
  return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

// Opens the dataset as the host does and rewrites its rows in one batch: edit(core, fid,
// values) changes the values read and returns the result Write must give.
void Rewrite(const std::string& path, bool direct,
             const std::function<HRESULT(TableCore&, std::int64_t, std::vector<Variant>&)>& edit) {
  DatasetPtr ds;
  ASSERT_EQ(OpenGdalDataset(path, DataKind::kVector, ds), OpenResult::kOk);
  TableCore core(ds, ds->get()->GetLayer(0), L"t", path, true);
  core.SetDirectUpdates(direct);
  core.BeginBatch();
  for (std::int64_t fid = 0; fid < 12; ++fid) {
    std::vector<Variant> values;
    ASSERT_EQ(core.Read(fid, nullptr, values), S_OK);
    const HRESULT want = edit(core, fid, values);
    EXPECT_EQ(core.Write(fid, values), want) << fid;
    if (fid == 6) {
      // A row written earlier in the batch reads back with its new values.
      std::vector<Variant> again;
      ASSERT_EQ(core.Read(2, nullptr, again), S_OK);
      const LONG name = core.FindField(L"NAME");
      ASSERT_EQ(again[name].vt, VT_BSTR);
      EXPECT_EQ(BstrToWstring(again[name].bstrVal), L"café 2");
    }
  }
  EXPECT_EQ(core.CommitBatch(), S_OK);
}

// New values for every row: text beyond ASCII, numbers, dates and nulls; row 5's name is too
// long and fails alone.
HRESULT NewValues(TableCore& core, std::int64_t fid, std::vector<Variant>& v) {
  v[core.FindField(L"NAME")] = fid % 5 == 4 ? Null() : Variant(L"café " + std::to_wstring(fid));
  v[core.FindField(L"COUNT")] =
      fid % 3 == 1 ? Null() : Variant(static_cast<LONG>(fid * -1234 + 17));
  v[core.FindField(L"SHIFT")] = Variant(fid * 3.14159265 - 7.5);
  Variant date;
  date.vt = VT_DATE;
  date.date = DateFromParts(1990 + static_cast<int>(fid), 2, 28, 13, 5, 0);
  v[core.FindField(L"SEEN")] = date;
  if (fid == 5) {
    v[core.FindField(L"NAME")] = Variant(L"much too long a name");
    return E_DATA_VALUE_TOO_LONG;
  }
  return S_OK;
}

const char* const kFiles[] = {".dbf", ".shp", ".shx"};

}  // namespace

// The same rows rewritten past GDAL and through GDAL give the same files, which GDAL reads back;
// a point shapefile's shapes are not written again at all.
TEST(DbaseRowUpdate, RewrittenRowsAreTheBytesGdalWrites) {
  VELK_REQUIRE(!ProgramOnPath("ogr2ogr").empty(), "ogr2ogr is not installed");
  struct Case {
    const char* name;
    Kind kind;
    const char* encoding;
  } cases[] = {{"points", Kind::kPoints, "ENCODING=UTF-8"},
               {"table", Kind::kTable, "ENCODING=UTF-8"},
               {"latin", Kind::kPoints, "ENCODING=LDID/87"},
               {"lines", Kind::kLines, "ENCODING=UTF-8"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchDir dir;
    const std::string ext = c.kind == Kind::kTable ? ".dbf" : ".shp";
    const std::string direct = dir / ("direct" + ext), gdal = dir / ("gdal" + ext);
    MakeFixture(direct, c.kind, c.encoding);
    MakeFixture(gdal, c.kind, c.encoding);
    const auto shpBefore = Modified(dir / "direct.shp"), shxBefore = Modified(dir / "direct.shx");
    Rewrite(direct, true, NewValues);
    Rewrite(gdal, false, NewValues);
    for (const char* e : kFiles) {
      if (!fs::exists(dir / (std::string("gdal") + e))) continue;
      EXPECT_TRUE(Bytes(dir / (std::string("direct") + e)) == Bytes(dir / (std::string("gdal") + e)))
          << e;
    }
    if (c.kind == Kind::kPoints) {
      EXPECT_TRUE(SameTime(Modified(dir / "direct.shp"), shpBefore));
      EXPECT_TRUE(SameTime(Modified(dir / "direct.shx"), shxBefore));
    }
    const auto rows = OgrRows(direct, "SELECT NAME, COUNT, SHIFT, SEEN FROM direct");
    ASSERT_EQ(rows.size(), 12u);
    EXPECT_EQ(rows[2].at("NAME"), "café 2");
    EXPECT_EQ(rows[2].at("COUNT"), "-2451");
    EXPECT_EQ(rows[4].at("NAME"), "");
    EXPECT_EQ(rows[4].at("COUNT"), "");
    EXPECT_EQ(rows[3].at("SHIFT"), "1.92477795");
    EXPECT_EQ(rows[3].at("SEEN"), "1993/02/28");
    // The row that did not fit keeps what it had.
    EXPECT_EQ(rows[5].at("NAME"), "Zoë 5");
  }
}

// A moved point, a shape taken away and a date the direct path does not write go through GDAL,
// between rows that do not: the files are GDAL's all the same.
TEST(DbaseRowUpdate, RowsGdalMustWriteComeOutTheSame) {
  ScratchDir dir;
  auto edit = [](TableCore& core, std::int64_t fid, std::vector<Variant>& v) {
    HRESULT hr = NewValues(core, fid, v);
    const LONG shape = core.ShapeIndex();
    if (fid == 7)
      v[shape] = Variant(static_cast<IUnknown*>(NewPoint(10.25, 20.5).get()));
    if (fid == 9) v[shape] = Null();
    if (fid == 10) {
      Variant early;
      early.vt = VT_DATE;
      early.date = DateFromParts(-20, 1, 1, 0, 0, 0);
      v[core.FindField(L"SEEN")] = early;
    }
    return hr;
  };
  MakeFixture(dir / "direct.shp", Kind::kPoints, "ENCODING=UTF-8");
  MakeFixture(dir / "gdal.shp", Kind::kPoints, "ENCODING=UTF-8");
  Rewrite(dir / "direct.shp", true, edit);
  Rewrite(dir / "gdal.shp", false, edit);
  for (const char* e : kFiles)
    EXPECT_TRUE(Bytes(dir / (std::string("direct") + e)) == Bytes(dir / (std::string("gdal") + e)))
        << e;
  const auto rows = OgrRows(dir / "direct.shp", "SELECT NAME FROM direct");
  ASSERT_EQ(rows.size(), 12u);
  EXPECT_EQ(rows[11].at("NAME"), "café 11");
}

// Records that cannot be written (the file size limit standing in for a full disk) fail the
// batch, and the files keep what they had.
TEST(DbaseRowUpdate, AFailedWriteFailsTheBatchAndChangesNothing) {
  ScratchDir dir;
  const std::string path = dir / "full.shp";
  MakeFixture(path, Kind::kPoints, "ENCODING=UTF-8");
  const std::string before = Bytes(dir / "full.dbf");
  {
    DatasetPtr ds;
    ASSERT_EQ(OpenGdalDataset(path, DataKind::kVector, ds), OpenResult::kOk);
    TableCore core(ds, ds->get()->GetLayer(0), L"full", path, true);
    core.BeginBatch();
    for (std::int64_t fid = 0; fid < 12; ++fid) {
      std::vector<Variant> values;
      ASSERT_EQ(core.Read(fid, nullptr, values), S_OK);
      if (NewValues(core, fid, values) == S_OK) {
        EXPECT_EQ(core.Write(fid, values), S_OK);
      }
    }
    struct rlimit old {};
    getrlimit(RLIMIT_FSIZE, &old);
    struct rlimit small = old;
    small.rlim_cur = 64;  // inside the header: no record can be written
    void (*previous)(int) = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const HRESULT committed = core.CommitBatch();
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previous);
    EXPECT_EQ(committed, E_DATA_WRITE_FAILED);
  }
  EXPECT_TRUE(Bytes(dir / "full.dbf") == before);
}

// Text goes into a table in the file's own encoding (here Latin-1, from its language driver), as
// GDAL recodes it: rows appended to the empty table (straight into the file) and rows rewritten.
TEST(DbaseRowUpdate, TextIsWrittenInTheFilesEncoding) {
  ScratchDir dir;
  const std::string path = dir / "latin.dbf";
  MakeFixture(path, Kind::kTable, "ENCODING=LDID/87", 0, false);
  for (bool append : {true, false}) {
    DatasetPtr ds;
    ASSERT_EQ(OpenGdalDataset(path, DataKind::kVector, ds), OpenResult::kOk);
    TableCore core(ds, ds->get()->GetLayer(0), L"latin", path, true);
    core.BeginBatch();
    for (std::int64_t row = 0; row < 3; ++row) {
      std::int64_t fid = append ? -1 : row;
      std::vector<Variant> values = core.NullValues();
      values[core.FindField(L"NAME")] =
          Variant((append ? L"café " : L"Zoë ") + std::to_wstring(row));
      EXPECT_EQ(core.Write(fid, values), S_OK);
    }
    EXPECT_EQ(core.CommitBatch(), S_OK);
    const std::string bytes = Bytes(path);
    EXPECT_NE(bytes.find(append ? "caf\xE9 2" : "Zo\xEB 2"), std::string::npos);
  }
  const auto rows = OgrRows(path, "SELECT NAME FROM latin");
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[1].at("NAME"), "Zoë 1");
}
