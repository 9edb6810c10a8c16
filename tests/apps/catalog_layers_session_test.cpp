// Catalog layers into the map as a user puts them there: the add-layer command's picks as one
// undoable operation, the selected-layer control, new catalogs made from the catalog window,
// and loads with their run log; session scripts run by trevik over trees made here.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <regex>

#include "tests/fixtures/dted_fixture.h"
#include "tests/fixtures/ogr_rows.h"
#include "tests/fixtures/requirement.h"
#include "tests/fixtures/rpf_fixture.h"
#include "tests/fixtures/session_runner.h"
#include "tests/fixtures/temp_root.h"
#include "tests/fixtures/tool_output.h"
#include "tests/fixtures/vpf_fixture.h"

namespace velk::test {
namespace {

std::size_t Count(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
    ++n;
  return n;
}

// The transcript from the line "> LINE" on.
std::string After(const std::string& text, const std::string& line) {
  const std::size_t at = text.find("> " + line + "\n");
  return at == std::string::npos ? std::string() : text.substr(at);
}

// Three catalogs, one of each kind the map takes, in one database.
void MakeCatalogTrees(const ScratchDir& dir) {
  for (int lon = 6; lon < 8; ++lon)
    ASSERT_TRUE(MakeDtedCell(DtedCellPath(dir / "dted", lon, 0, 0), lon, 0, 0));
  RpfTocBoundary onc;
  onc.columns = 2;
  onc.frames = {{0, 0, "0000001A.ON2"}, {0, 1, "0000002A.ON2"}};
  ASSERT_TRUE(MakeRpfTree(dir / "charts", {onc}));
  EXPECT_EQ(RpfTocDisagreements(dir / "charts"), "");
  ASSERT_TRUE(MakeVpfDatabase(dir / "vpf", SmallVpfDatabase()));
}

constexpr const char* kMakeCatalogs = R"(catalog-new zel.gpkg elevation dted
catalog-load zel.gpkg elevation dted dted
catalog-new zel.gpkg charts rpf
catalog-load zel.gpkg charts rpf charts
catalog-new zel.gpkg libs vpf
catalog-load zel.gpkg libs vpf vpf
)";

TEST(CatalogLayersSession, ThreePicksAreOneUndoStepAndTheControlFollowsTheMap) {
  TempRoot root;
  ScratchDir dir;
  MakeCatalogTrees(dir);
  const CommandResult r =
      RunSession(root, dir.path(), "catalog_layers.session", std::string(R"(host map
register {corvane}
register {lumeris}
extension Tarvos on
map-reference 4326
map-extent 5 -1 13 52
)") + kMakeCatalogs + R"(setting DataManDTEDDisplayRasters=false
setting DataManDTEDUseUniformRenderer=true
setting DataManRPFUseBestMapSet=false
setting DataManRPFWireframe=1
setting DataManVPFUseGeosym=true
setting DataManVPFShowData=false
click velkTarvosUI.SelectedLayer
dialog 3065
print 3550
click velkTarvosUI.AddLayer
file {dir}/zel.gpkg/elevation {dir}/zel.gpkg/charts {dir}/zel.gpkg/libs
print zel-layers
print history
dialog 3065
print 3550
pick 3550 1
add-raster {dir}/dted/e006/n00.dt0 surface
print 3550
undo
print zel-layers
print 3550
undo
redo
print zel-layers
print history
print 3550
layer-visibility dword 0
click velkTarvosUI.AddLayer
file {dir}/zel.gpkg/charts
layer-visibility string 0
click velkTarvosUI.AddLayer
file {dir}/zel.gpkg/elevation
click velkTarvosUI.AddLayer
file cancel
print zel-layers
print history
)");
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  // The browse dialog offers the four catalog filters, DTED first.
  const std::string added = After(r.out, "print history");
  // In pick order, each on top: the VPF layer lies above the chart layer above the DTED layer,
  // with the settings applied.
  const std::string first = After(r.out, "print zel-layers");
  EXPECT_EQ(first.find("> print zel-layers\n"
                       "  1. #1 vpf geosym on scale-dep on coverages off wireframe 2\n"
                       "  2. #2 rpf rasters on best-map off wireframe 1\n"
                       "  3. #3 dted elevation off uniform on wireframe 2\n"),
            0u)
      << r.out;
  EXPECT_NE(added.find("  1. \"Add Zel Layer(s)\" can undo\n"), std::string::npos) << r.out;
  // The combo: empty and disabled before, then the DTED and chart layers (not the VPF layer).
  EXPECT_NE(r.out.find("> print 3550\n  3550 combo \"\" items [] selected -1 disabled\n"),
            std::string::npos)
      << r.out;
  // One undo removes all three; a second has nothing to undo; redo adds three new objects.
  const std::string undone = After(r.out, "undo");
  EXPECT_NE(undone.find("> print zel-layers\n  no catalog layers\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("> undo\n  nothing to undo\n"), std::string::npos) << r.out;
  const std::string redone = After(r.out, "redo");
  EXPECT_EQ(redone.find("> redo\n> print zel-layers\n"
                        "  1. #4 vpf geosym on scale-dep on coverages off wireframe 2\n"
                        "  2. #5 rpf rasters on best-map off wireframe 1\n"
                        "  3. #6 dted elevation off uniform on wireframe 2\n"),
            0u)
      << r.out;
  // LayerVisibility 0 as a number hides the new layer; as a text it does not count.
  const std::string last = After(redone, "layer-visibility dword 0");
  EXPECT_NE(last.find("  1. #7 dted elevation off uniform on wireframe 2\n"
                      "  2. #8 rpf rasters on best-map off wireframe 1 hidden\n"),
            std::string::npos)
      << r.out;
  // A cancelled browse adds no operation: three in the history.
  const std::string history = After(last, "print history");
  EXPECT_NE(history.find("  3. \"Add Zel Layer(s)\" can undo\n"), std::string::npos) << r.out;
  EXPECT_EQ(history.find("  4. "), std::string::npos) << r.out;
}

TEST(CatalogLayersSession, TheSelectedLayerControlKeepsTheChoiceAndFollowsRemovals) {
  TempRoot root;
  ScratchDir dir;
  const CommandResult r = RunSession(root, dir.path(), "catalog_layers.session", R"(host map
register {corvane}
extension Tarvos on
click velkTarvosUI.SelectedLayer
dialog 3065
print dialog
add-layer points
add-layer broken IZelDtedLayer invalid
add-layer charts IZelRasterLayer
add-layer elevation IZelDtedLayer
print 3550
pick 3550 charts
add-layer more IZelDtedLayer
print 3550
remove-layer charts
print 3550
pick 3550 more
remove-layer more
remove-layer elevation
print dialog
)");
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  // Empty map: label and combo disabled.
  const std::string empty = After(r.out, "print dialog");
  EXPECT_NE(empty.find("3596 label \"Layer:\" disabled"), std::string::npos) << r.out;
  EXPECT_NE(empty.find("3550 combo \"\" items [] selected -1 disabled"), std::string::npos)
      << r.out;
  // DTED layers before raster chart layers; the broken one and the point layer not listed; the
  // first layer listed stays chosen when another comes.
  EXPECT_NE(r.out.find("> print 3550\n  3550 combo \"charts\" items [\"elevation\", "
                       "\"charts\"] selected 1\n"),
            std::string::npos)
      << r.out;
  // Adding keeps the choice; removing the chosen layer selects the first one.
  EXPECT_NE(r.out.find("> print 3550\n  3550 combo \"charts\" items [\"more\", \"elevation\", "
                       "\"charts\"] selected 2 focused\n"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("> print 3550\n  3550 combo \"more\" items [\"more\", \"elevation\"] "
                       "selected 0 focused\n"),
            std::string::npos)
      << r.out;
  const std::string last = After(r.out, "remove-layer elevation");
  EXPECT_NE(last.find("3550 combo \"\" items [] selected -1 disabled"), std::string::npos)
      << r.out;
}

// The run log's records: each starts with the UTC date, four blanks, the time with
// milliseconds and " > "; its message runs to the next record (a message may hold line feeds,
// each written as CR LF) and ends with CR LF.
const std::regex kStamp(R"((^|\n)(\d{4})-(\d{2})-(\d{2})    (\d{2}):(\d{2}):(\d{2})\.(\d{3}) > )");

struct LogRecord {
  std::chrono::system_clock::time_point at;
  std::string message;  // without its final CR LF
};

std::vector<LogRecord> ReadLog(const std::string& path, std::string* problems) {
  std::ifstream in(path, std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<LogRecord> records;
  std::vector<std::pair<std::size_t, std::size_t>> spans;  // record start, message start
  for (auto it = std::sregex_iterator(text.begin(), text.end(), kStamp);
       it != std::sregex_iterator(); ++it) {
    const std::smatch& m = *it;
    std::tm t{};
    t.tm_year = std::stoi(m[2]) - 1900;
    t.tm_mon = std::stoi(m[3]) - 1;
    t.tm_mday = std::stoi(m[4]);
    t.tm_hour = std::stoi(m[5]);
    t.tm_min = std::stoi(m[6]);
    t.tm_sec = std::stoi(m[7]);
    records.push_back({std::chrono::system_clock::from_time_t(timegm(&t)) +
                           std::chrono::milliseconds(std::stoi(m[8])),
                       {}});
    const std::size_t start = static_cast<std::size_t>(m.position(0)) + m[1].length();
    spans.emplace_back(start, static_cast<std::size_t>(m.position(0) + m.length(0)));
  }
  if (spans.empty() || spans.front().first != 0) *problems += "no stamp at the start; ";
  for (std::size_t i = 0; i < spans.size(); ++i) {
    const std::size_t end = i + 1 < spans.size() ? spans[i + 1].first : text.size();
    std::string body = text.substr(spans[i].second, end - spans[i].second);
    if (body.size() < 2 || body.compare(body.size() - 2, 2, "\r\n") != 0)
      *problems += "a record without CR LF; ";
    else
      body.resize(body.size() - 2);
    for (std::size_t at = body.find('\n'); at != std::string::npos; at = body.find('\n', at + 1))
      if (at == 0 || body[at - 1] != '\r') *problems += "a bare line feed; ";
    records[i].message = body;
  }
  return records;
}

TEST(CatalogLayersSession, ALoadWithOneBadFileWritesAStampedLogAndOneStopBox) {
  TempRoot root;
  ScratchDir dir;
  for (int lon = 6; lon < 9; ++lon)
    ASSERT_TRUE(MakeDtedCell(DtedCellPath(dir / "dted", lon, 0, 0), lon, 0, 0));
  const std::string badCell = DtedCellPath(dir / "dted", 9, 0, 0);
  ASSERT_TRUE(MakeDtedCell(badCell, 9, 0, 0));
  std::filesystem::resize_file(badCell, 1000);
  std::filesystem::create_directories(dir / "out");
  const auto before = std::chrono::system_clock::now();
  const CommandResult r = RunSession(root, dir.path(), "catalog_layers.session", R"(host catalog
register {corvane}
extension Tarvos on
setting GeneralOutputWorkspacePath={dir}/out
catalog-new zel.gpkg elevation dted
command velkTarvosUI.LoadData
catalog-select {dir}/zel.gpkg/elevation
command velkTarvosUI.LoadData
click velkTarvosUI.LoadData
press 3026
file {dir}/dted
print 3086
press OK
print catalog
print status
expect error
)");
  const auto after = std::chrono::system_clock::now();
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_NE(r.out.find("opened dialog 3055 \"Load Data Into Zel Catalog\""), std::string::npos)
      << r.out;
  // Enabled only once a catalog is selected.
  EXPECT_NE(r.out.find("caption=\"Load Zel Catalog...\" enabled=no"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("caption=\"Load Zel Catalog...\" enabled=yes"), std::string::npos) << r.out;
  // One stop box for the one bad file.
  EXPECT_EQ(Count(r.out, "One or more errors occurred during the Data Management process."), 1u)
      << r.out;
  EXPECT_NE(r.out.find("refreshed 1 time(s)"), std::string::npos) << r.out;
  const std::string log = dir / "out/DataManagement/DtedError.log";
  EXPECT_NE(r.out.find("Log File Available at : " + log), std::string::npos) << r.out;
  // Every good cell is in the catalog.
  const auto cells = OgrRows(dir / "zel.gpkg", "SELECT NAME FROM elevation ORDER BY FULL_NAME");
  EXPECT_EQ(cells.size(), 3u);
  // The log: start, the bad file, end; each stamped within the run (to the millisecond), each
  // ending with CR LF, nothing else in the file.
  std::string problems;
  const auto records = ReadLog(log, &problems);
  EXPECT_EQ(problems, "");
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records[0].message, "Starting the operation ...");
  EXPECT_EQ(records[1].message.rfind("\"" + badCell + "\" was not loaded", 0), 0u)
      << records[1].message;
  EXPECT_EQ(records[2].message, "Operation complete ...");
  for (const LogRecord& record : records) {
    EXPECT_GE(record.at, std::chrono::floor<std::chrono::milliseconds>(before)) << record.message;
    EXPECT_LE(record.at, after) << record.message;
  }
  EXPECT_LE(records[0].at, records[2].at);
}

TEST(CatalogLayersSession, NewCatalogsOfEachKindFromTheCatalogWindow) {
  TempRoot root;
  ScratchDir dir;
  const CommandResult r = RunSession(root, dir.path(), "catalog_layers.session", R"(host catalog
register {corvane}
extension Tarvos on
catalog-new zel.gpkg seed dted
catalog-select {dir}/zel.gpkg/seed
click velkTarvosUI.CreateZelLayer
print IDOK
print 3026
press Cancel
catalog-select {dir}/zel.gpkg
click velkTarvosUI.CreateZelLayer
print 3549
set 3090 libraries
press OK
click velkTarvosUI.CreateZelLayer
set 3090 cells
pick 3549 "DTED Catalog"
press OK
click velkTarvosUI.CreateZelLayer
set 3090 frames
pick 3549 2
press OK
click velkTarvosUI.CreateZelLayer
set 3090 cells
pick 3549 1
press OK
print catalog
expect error
)");
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  // A catalog is no workspace a catalog can be made in: OK and browse disabled.
  EXPECT_NE(r.out.find("> print IDOK\n  1 button \"OK\" default disabled\n"), std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("opened dialog 3061 \"New Tarvos Catalog\""), std::string::npos) << r.out;
  const std::string gpkg = dir / "zel.gpkg";
  // Each kind told by its fields, as the data manager made it.
  for (const char* sql : {"SELECT LIBRARY FROM libraries", "SELECT PATH FROM libraries_features",
                          "SELECT DTED_TYPE FROM cells", "SELECT SERIES, SCALE FROM frames"}) {
    bool ok = false;
    EXPECT_EQ(OgrRows(gpkg, sql, &ok).size(), 0u) << sql;
    EXPECT_TRUE(ok) << sql;
  }
  // A second catalog of a taken name is one error and one stop box.
  EXPECT_EQ(Count(r.out, "One or more errors occurred during the Data Management process."), 1u)
      << r.out;
  EXPECT_NE(r.out.find("refreshed 4 time(s)"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("> print 3026\n  3026 button \"...\" disabled\n"), std::string::npos)
      << r.out;
}

TEST(CatalogLayersSession, PicksThatAreNoCatalogsAddNothingAndTheRestGoesInAsOneStep) {
  TempRoot root;
  ScratchDir dir;
  MakeCatalogTrees(dir);
  const CommandResult r =
      RunSession(root, dir.path(), "catalog_layers.session", std::string(R"(host map
register {corvane}
register {lumeris}
extension Tarvos on
map-reference 4326
map-extent 5 -1 13 52
)") + kMakeCatalogs + R"(click velkTarvosUI.AddLayer
file {dir}/zel.gpkg/libs_features {dir}/zel.gpkg/gone
print zel-layers
click velkTarvosUI.AddLayer
file {dir}/vanished.gpkg/elevation
print zel-layers
click velkTarvosUI.AddLayer
file {dir}/zel.gpkg/libs_features {dir}/zel.gpkg/elevation {dir}/zel.gpkg/gone
print zel-layers
undo
print zel-layers
)");
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  // A table that is no catalog, a table that is not there and a database that vanished: the
  // map unchanged, no message.
  const std::string first = After(r.out, "print zel-layers");
  EXPECT_EQ(first.find("> print zel-layers\n  no catalog layers\n"), 0u) << r.out;
  EXPECT_EQ(Count(r.out, "message box"), 0u) << r.out;
  // Among bad picks the good one is added, and one undo takes it away.
  const std::string mixed = r.out.substr(r.out.find("libs_features elevation gone"));
  EXPECT_NE(mixed.find("> print zel-layers\n  1. #1 dted"), std::string::npos) << r.out;
  EXPECT_NE(After(mixed, "undo").find("  no catalog layers\n"), std::string::npos) << r.out;
}

TEST(CatalogLayersSession, AnUnwritableLogIsNotNamedAndACancelledLoadKeepsWhatItRead) {
  TempRoot root;
  ScratchDir dir;
  for (int lon = 0; lon < 12; ++lon)
    ASSERT_TRUE(MakeDtedCell(DtedCellPath(dir / "good", lon, 0, 0), lon, 0, 0));
  for (int lon = 0; lon < 3; ++lon)
    ASSERT_TRUE(MakeDtedCell(DtedCellPath(dir / "dted", lon, 0, 0), lon, 0, 0));
  const std::string badCell = DtedCellPath(dir / "dted", 20, 0, 0);
  ASSERT_TRUE(MakeDtedCell(badCell, 20, 0, 0));
  std::filesystem::resize_file(badCell, 1000);
  // The log's place is taken by a folder: the log cannot be opened, whoever runs the test.
  std::filesystem::create_directories(dir / "out/DataManagement/DtedError.log");
  const CommandResult r = RunSession(root, dir.path(), "catalog_layers.session", R"(host catalog
register {corvane}
extension Tarvos on
setting GeneralOutputWorkspacePath={dir}/out
catalog-new zel.gpkg elevation dted
catalog-select {dir}/zel.gpkg/elevation
click velkTarvosUI.LoadData
set 3086 {dir}/dted
press OK
print status
catalog-new zel.gpkg other dted
catalog-select {dir}/zel.gpkg/other
escape-during-next 1
click velkTarvosUI.LoadData
set 3086 {dir}/good
press OK
print status
click velkTarvosUI.LoadData
set 3086 {dir}/no-such-folder
press OK
print status
expect error
)");
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  const std::string log = dir / "out/DataManagement/DtedError.log";
  EXPECT_EQ(r.out.find("Log File Available at"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("No log file was written: " + log + " could not be opened"),
            std::string::npos)
      << r.out;
  EXPECT_EQ(OgrRows(dir / "zel.gpkg", "SELECT NAME FROM elevation").size(), 3u);
  // Cancelled at the first check: the cells read by then kept, and the last word says so.
  const std::size_t kept = OgrRows(dir / "zel.gpkg", "SELECT NAME FROM other").size();
  EXPECT_GE(kept, 1u);
  EXPECT_NE(r.out.find("status \"Cancelled: added " + std::to_string(kept) + " DTED cells"),
            std::string::npos)
      << r.out;
  // A folder that is not there is an error: one box for each run with errors (the cancelled
  // one had none).
  EXPECT_EQ(Count(r.out, "One or more errors occurred during the Data Management process."), 2u)
      << r.out;
}

}  // namespace
}  // namespace velk::test
