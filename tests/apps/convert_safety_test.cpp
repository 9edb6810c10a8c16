// The table conversion when things go wrong under it: the process killed part-way, a disk that
// fills up, an input cut short or without its attribute file. The input is always either as it
// was or completely converted, and nothing incomplete is left under an output's name.
#include <gtest/gtest.h>

#include <ogrsf_frmts.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>

#include "platform/host/data/gdal_drivers.h"
#include "tests/fixtures/session_runner.h"
#include "tests/fixtures/temp_root.h"
#include "tests/fixtures/tool_output.h"

extern char** environ;

namespace velk::test {
namespace {

namespace fs = std::filesystem;

// A point shapefile of `count` places with a NAME each.
void WritePlaces(const std::string& path, int count) {
  host::EnsureGdalDrivers();
  GDALDriver* driver = host::DriverForExtension("shp", host::DataKind::kVector, true);
  GDALDataset* ds = driver->Create(path.c_str(), 0, 0, 0, GDT_Unknown, nullptr);
  ASSERT_NE(ds, nullptr);
  OGRSpatialReference wgs84;
  wgs84.importFromEPSG(4326);
  OGRLayer* layer = ds->CreateLayer("places", &wgs84, wkbPoint, nullptr);
  OGRFieldDefn name("NAME", OFTString);
  name.SetWidth(20);
  ASSERT_EQ(layer->CreateField(&name), OGRERR_NONE);
  for (int i = 0; i < count; ++i) {
    OGRFeature f(layer->GetLayerDefn());
    f.SetField("NAME", ("place " + std::to_string(i)).c_str());
    const int row = i / 100;
    OGRPoint p(-75.0 + (i % 100) * 0.013, 40.0 + row * 0.011);
    f.SetGeometry(&p);
    ASSERT_EQ(layer->CreateFeature(&f), OGRERR_NONE);
  }
  GDALClose(ds);
}

std::string Bytes(const std::string& path) { return ReadFileText(path); }

// The session that converts the shapefile in place (shape field to every notation), or into a
// new shapefile `output` when one is given.
std::string Script(const std::string& input, const std::string& output = "") {
  std::string s = "host map\nregister " + kCorvaneLibrary +
                  "\nextension Tarvos on\nclick velkTarvosUI.ConvertCoords\npress 3023\nfile " +
                  input + "\ncheck 3524\ncheck 3527\ncheck 3514\ncheck 3526\ncheck 3519\n";
  if (!output.empty()) s += "check 3720\npress 3032\nfile " + output + "\n";
  return s + "press OK\nprint windows\n";
}

// Files of the folder whose names start with a text.
std::vector<std::string> FilesStartingWith(const std::string& folder, const std::string& start) {
  std::vector<std::string> out;
  for (const auto& e : fs::directory_iterator(folder))
    if (e.path().filename().string().rfind(start, 0) == 0) out.push_back(e.path().filename());
  return out;
}

// Runs a session and kills it with SIGKILL after that many microseconds.
void KillPartWay(const TempRoot& root, const std::string& scriptFile, long long micros) {
  const char* argv[] = {kTrevikProgram.c_str(), "--root", root.path().c_str(), "run",
                        scriptFile.c_str(),     nullptr};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  int spawned = posix_spawn(&pid, kTrevikProgram.c_str(), &actions, nullptr,
                            const_cast<char**>(argv), environ);
  posix_spawn_file_actions_destroy(&actions);
  ASSERT_EQ(spawned, 0);
  std::this_thread::sleep_for(std::chrono::microseconds(micros));
  kill(pid, SIGKILL);
  int status = 0;
  waitpid(pid, &status, 0);
}

const char* const kParts[] = {".shp", ".shx", ".dbf", ".prj"};

struct Snapshot {
  std::string files[4];
  bool operator==(const Snapshot& o) const {
    for (int i = 0; i < 4; ++i)
      if (files[i] != o.files[i]) return false;
    return true;
  }
};

Snapshot Take(const std::string& base) {
  Snapshot s;
  for (int i = 0; i < 4; ++i) s.files[i] = Bytes(base + kParts[i]);
  return s;
}

TEST(ConvertSafety, AKilledInPlaceRunLeavesTheOriginalOrTheCompleteResult) {
  TempRoot root;
  ScratchDir dir;
  const int kRecords = 1500;
  WritePlaces(dir / "template.shp", kRecords);
  const Snapshot original = Take(dir / "template");

  // The complete result, from a run left alone.
  auto fresh = [&](const std::string& folder) {
    fs::create_directories(folder);
    for (const char* part : kParts)
      fs::copy_file(dir / (std::string("template") + part), folder + "/places" + part,
                    fs::copy_options::overwrite_existing);
  };
  fresh(dir / "whole");
  auto start = std::chrono::steady_clock::now();
  CommandResult whole =
      RunSession(root, dir.path(), "whole.session", Script(dir / "whole/places.shp"));
  const auto took = std::chrono::steady_clock::now() - start;
  ASSERT_EQ(whole.status, 0) << whole.err << whole.out;
  ASSERT_NE(whole.out.find("1500 of 1500 record(s) converted successfully"), std::string::npos)
      << whole.out;
  const Snapshot complete = Take(dir / "whole/places");
  ASSERT_FALSE(complete == original);
  const std::string script = Script(dir / "killed/places.shp");
  std::ofstream(dir / "killed.session") << script;

  std::mt19937 random(20261210);
  const auto span = std::chrono::duration_cast<std::chrono::microseconds>(took).count();
  int sawOriginal = 0, sawComplete = 0;
  for (int round = 0; round < 8; ++round) {
    fs::remove_all(dir / "killed");
    fresh(dir / "killed");
    KillPartWay(root, dir / "killed.session",
                std::uniform_int_distribution<long long>(span / 10, span)(random));

    const Snapshot now = Take(dir / "killed/places");
    const bool isOriginal = now == original;
    const bool isComplete = now == complete;
    EXPECT_TRUE(isOriginal || isComplete) << "round " << round << ": a half-converted input";
    sawOriginal += isOriginal;
    sawComplete += isComplete;
  }
  std::cout << "kills: " << sawOriginal << " left the original, " << sawComplete
            << " the complete result\n";
}

// A GeoPackage converted in place is one transaction: a kill leaves the table as it was (no new
// fields) or complete. Compared as ogrinfo lists it.
TEST(ConvertSafety, AKilledInPlaceRunOnAGeoPackageLeavesTheOriginalOrTheCompleteResult) {
  TempRoot root;
  ScratchDir dir;
  WritePlaces(dir / "template.shp", 1500);
  int status = 0;
  ToolOutput("ogr2ogr -f GPKG " + ShellQuote(dir / "template.gpkg") + " " +
                 ShellQuote(dir / "template.shp") + " -nln places",
             &status);
  ASSERT_EQ(status, 0);
  auto listing = [](const std::string& gpkg) {
    return ToolOutput("ogrinfo -q -al " + ShellQuote(gpkg) + " places");
  };
  const std::string original = listing(dir / "template.gpkg");
  ASSERT_NE(original.find("place 1499"), std::string::npos);
  fs::copy_file(dir / "template.gpkg", dir / "whole.gpkg");
  auto start = std::chrono::steady_clock::now();
  CommandResult whole =
      RunSession(root, dir.path(), "whole.session", Script(dir / "whole.gpkg/places"));
  const auto took = std::chrono::steady_clock::now() - start;
  ASSERT_NE(whole.out.find("1500 of 1500 record(s) converted successfully"), std::string::npos)
      << whole.out;
  const std::string complete = listing(dir / "whole.gpkg");
  ASSERT_NE(complete, original);
  std::ofstream(dir / "killed.session") << Script(dir / "killed.gpkg/places");

  std::mt19937 random(20261211);
  const auto span = std::chrono::duration_cast<std::chrono::microseconds>(took).count();
  for (int round = 0; round < 6; ++round) {
    fs::remove(dir / "killed.gpkg");
    fs::copy_file(dir / "template.gpkg", dir / "killed.gpkg");
    KillPartWay(root, dir / "killed.session",
                std::uniform_int_distribution<long long>(span / 10, span)(random));
    const std::string now = listing(dir / "killed.gpkg");
    EXPECT_TRUE(now == original || now == complete) << "round " << round;
  }
}

// A file size limit stands in for a full disk: every write past it fails.
const std::string kSmallDisk = "trap '' XFSZ; ulimit -f 400; ";

TEST(ConvertSafety, InPlaceOnAFullDiskLeavesTheInputUntouched) {
  TempRoot root;
  ScratchDir dir;
  WritePlaces(dir / "places.shp", 3000);  // its .dbf grows from about 60 KB to about 800 KB
  const Snapshot before = Take(dir / "places");
  CommandResult r = RunSession(root, dir.path(), "s.session", Script(dir / "places.shp"),
                               "sh -c " + ShellQuote(kSmallDisk + "exec \"$0\" \"$@\"") + " ");
  ASSERT_EQ(r.status, 1) << r.err << r.out;
  EXPECT_EQ(r.out.find("record(s) converted successfully"), std::string::npos) << r.out;
  // The new fields cannot even be made in the working copy, or its values not saved.
  EXPECT_TRUE(r.out.find("Unable to add field") != std::string::npos ||
              r.out.find("file size limit reached") != std::string::npos)
      << r.out;
  EXPECT_TRUE(Take(dir / "places") == before) << "the input changed";
  EXPECT_TRUE(FilesStartingWith(dir.path(), "places_").empty()) << "a working copy was left";
}

TEST(ConvertSafety, ANewOutputOnAFullDiskLeavesNothingUnderItsName) {
  TempRoot root;
  ScratchDir dir;
  WritePlaces(dir / "places.shp", 3000);
  fs::create_directories(dir / "out");
  CommandResult r = RunSession(root, dir.path(), "s.session",
                               Script(dir / "places.shp", dir / "out/converted.shp"),
                               "sh -c " + ShellQuote(kSmallDisk + "exec \"$0\" \"$@\"") + " ");
  ASSERT_EQ(r.status, 1) << r.err << r.out;
  EXPECT_EQ(r.out.find("record(s) converted successfully"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("file size limit reached"), std::string::npos) << r.out;
  EXPECT_TRUE(FilesStartingWith(dir / "out", "converted").empty());
}

// An existing output replaced by a complete one; the old one goes only after.
TEST(ConvertSafety, AnOverwriteReplacesTheOldOutputWhole) {
  TempRoot root;
  ScratchDir dir;
  WritePlaces(dir / "places.shp", 50);
  fs::create_directories(dir / "out");
  WritePlaces(dir / "out/converted.shp", 7);
  std::ofstream(dir / "out/converted.qix") << "an old index";
  std::string script = Script(dir / "places.shp", dir / "out/converted.shp");
  script.insert(script.find("print windows"), "answer Yes\n");
  CommandResult r = RunSession(root, dir.path(), "s.session", script);
  ASSERT_EQ(r.status, 0) << r.err << r.out;
  EXPECT_NE(r.out.find("50 of 50 record(s) converted successfully"), std::string::npos) << r.out;
  std::string info = ToolOutput("ogrinfo -so -al " + ShellQuote(dir / "out/converted.shp"));
  EXPECT_NE(info.find("Feature Count: 50"), std::string::npos) << info;
  EXPECT_NE(info.find("MGRS: String"), std::string::npos) << info;
  EXPECT_FALSE(fs::exists(dir / "out/converted.qix")) << "the old dataset's index went with it";
  std::vector<std::string> left = FilesStartingWith(dir / "out", "converted_");
  EXPECT_TRUE(left.empty()) << left.front();
}

// A part of the old output that cannot be deleted (here a non-empty folder in place of its
// .qix): the new output is complete under the name, and the message names what was left.
TEST(ConvertSafety, AnOldOutputPartThatCannotBeDeletedIsNamedAndTheNewOutputKept) {
  TempRoot root;
  ScratchDir dir;
  WritePlaces(dir / "places.shp", 30);
  fs::create_directories(dir / "out");
  WritePlaces(dir / "out/converted.shp", 7);
  fs::create_directories(dir / "out/converted.qix");
  std::ofstream(dir / "out/converted.qix/inside") << "keeps the folder from going";
  std::string script = Script(dir / "places.shp", dir / "out/converted.shp");
  script.insert(script.find("print windows"), "answer Yes\n");
  CommandResult r = RunSession(root, dir.path(), "s.session", script);
  ASSERT_EQ(r.status, 1) << r.err << r.out;
  EXPECT_NE(r.out.find("could not delete converted_replaced.qix"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("incomplete output was removed"), std::string::npos) << r.out;
  std::string info = ToolOutput("ogrinfo -so -al " + ShellQuote(dir / "out/converted.shp"));
  EXPECT_NE(info.find("Feature Count: 30"), std::string::npos) << info;
  EXPECT_NE(info.find("MGRS: String"), std::string::npos) << info;
}

// A .dbf cut short after 20 of its 50 records, and a shapefile without its .dbf.
TEST(ConvertSafety, AnInputCutShortIsAReadFailure) {
  TempRoot root;
  ScratchDir dir;
  WritePlaces(dir / "places.shp", 50);
  {
    std::string dbf = Bytes(dir / "places.dbf");
    const auto u16 = [&](int at) {
      return static_cast<unsigned char>(dbf[at]) | static_cast<unsigned char>(dbf[at + 1]) << 8;
    };
    std::size_t cut = static_cast<std::size_t>(u16(8)) + 20 * static_cast<std::size_t>(u16(10));
    std::ofstream(dir / "places.dbf", std::ios::binary) << dbf.substr(0, cut);
  }
  const Snapshot before = Take(dir / "places");
  fs::create_directories(dir / "out");
  CommandResult newFile = RunSession(root, dir.path(), "a.session",
                                     Script(dir / "places.shp", dir / "out/converted.shp"));
  // Refused when the input is opened (its header counts records the file does not hold) or
  // when the run reaches the cut.
  ASSERT_EQ(newFile.status, 1) << newFile.err << newFile.out;
  EXPECT_TRUE(newFile.out.find("could not be read to its end") != std::string::npos ||
              newFile.out.find("Could not open input dataset") != std::string::npos)
      << newFile.out;
  EXPECT_EQ(newFile.out.find("converted successfully"), std::string::npos) << newFile.out;
  EXPECT_TRUE(FilesStartingWith(dir / "out", "converted").empty());

  CommandResult inPlace = RunSession(root, dir.path(), "b.session", Script(dir / "places.shp"));
  ASSERT_EQ(inPlace.status, 1) << inPlace.err << inPlace.out;
  EXPECT_TRUE(inPlace.out.find("could not be read to its end") != std::string::npos ||
              inPlace.out.find("Unable to add field") != std::string::npos ||
              inPlace.out.find("Could not open input dataset") != std::string::npos)
      << inPlace.out;
  EXPECT_EQ(inPlace.out.find("converted successfully"), std::string::npos) << inPlace.out;
  EXPECT_TRUE(Take(dir / "places") == before);

  // A header whose record length disagrees with the fields: not "0 of 0".
  {
    std::string dbf = before.files[2];
    dbf[10] = static_cast<char>(dbf[10] + 7);
    std::ofstream(dir / "places.dbf", std::ios::binary) << dbf;
  }
  CommandResult badLength = RunSession(root, dir.path(), "d.session",
                                       Script(dir / "places.shp", dir / "out/converted.shp"));
  EXPECT_EQ(badLength.out.find("0 of 0"), std::string::npos) << badLength.out;
  EXPECT_EQ(badLength.out.find("converted successfully"), std::string::npos) << badLength.out;
  EXPECT_TRUE(FilesStartingWith(dir / "out", "converted").empty());

  fs::remove(dir / "places.dbf");
  CommandResult noDbf = RunSession(root, dir.path(), "c.session", Script(dir / "places.shp"));
  EXPECT_NE(noDbf.out.find("Could not open input dataset"), std::string::npos) << noDbf.out;
  EXPECT_EQ(noDbf.out.find("converted successfully"), std::string::npos) << noDbf.out;
  EXPECT_FALSE(fs::exists(dir / "places.dbf"));
}

// Paths that cannot be an input get a message saying why, each its own; a pipe never blocks.
TEST(ConvertSafety, AnInputThatCannotBeADatasetIsNamedForWhatItIs) {
  TempRoot root;
  ScratchDir dir;
  WritePlaces(dir / "nosh.shp", 5);
  fs::remove(dir / "nosh.shp");
  ASSERT_EQ(mkfifo((dir / "pipe.shp").c_str(), 0600), 0);
  fs::create_directories(dir / "folder.shp");
  struct Case {
    std::string path;
    const char* why;
  };
  const Case cases[] = {
      {dir / "pipe.shp", "it is a named pipe, not a file"},
      {dir / "folder.shp", "it is a folder"},
      {dir / (std::string(5000, 'a') + ".shp"), "too long"},
      {dir / "nosh.shp", "the shapefile's .shp file is missing (only its .dbf is there)"},
      {dir / "we|ird.shp", "the character '|'"},
      {dir / "quo\"te.shp", "the character '\"'"},
      {dir / "st*r.shp", "the character '*'"},
      {dir / "q?.shp", "the character '?'"},
      {dir / "c:d.shp", "the character ':'"},
  };
  std::string script = "host map\nregister " + kCorvaneLibrary +
                       "\nextension Tarvos on\nclick velkTarvosUI.ConvertCoords\n";
  for (const Case& c : cases) {
    std::string quoted;
    for (char ch : c.path) quoted += ch == '"' ? std::string("\\\"") : std::string(1, ch);
    script += "press 3023\nfile \"" + quoted + "\"\n";
  }
  CommandResult r = RunSession(root, dir.path(), "s.session", script);
  ASSERT_EQ(r.status, 1) << r.err << r.out;
  std::size_t at = 0;
  for (const Case& c : cases) {
    std::size_t found = r.out.find("Could not open input dataset: ", at);
    ASSERT_NE(found, std::string::npos) << c.why << "\n" << r.out;
    std::size_t end = r.out.find('\n', found);
    std::string line = r.out.substr(found, end - found);
    EXPECT_NE(line.find(c.why), std::string::npos) << line;
    at = end;
  }
}

// Esc while records are converted: the status shows the progress, then says the run was
// cancelled; a new output leaves nothing under its name, and in place the input stays as it
// was, byte for byte.
TEST(ConvertSafety, EscDuringTheConversionLeavesNothingThatLooksComplete) {
  TempRoot root;
  ScratchDir dir;
  WritePlaces(dir / "places.shp", 5000);  // three batches of records
  const Snapshot before = Take(dir / "places");
  fs::create_directories(dir / "out");
  auto stopped = [&](std::string script) {
    script.insert(script.find("press OK"), "escape-during-next 2\n");
    return RunSession(root, dir.path(), "s.session", script + "print status\n");
  };
  const CommandResult newFile = stopped(Script(dir / "places.shp", dir / "out/converted.shp"));
  ASSERT_EQ(newFile.status, 0) << newFile.err << newFile.out;
  EXPECT_NE(newFile.out.find("  status \"Operation cancelled\""), std::string::npos)
      << newFile.out;
  EXPECT_EQ(newFile.out.find("converted successfully"), std::string::npos) << newFile.out;
  EXPECT_NE(newFile.err.find("the user cancelled a run (Esc)"), std::string::npos)
      << newFile.err;
  EXPECT_TRUE(fs::is_empty(dir / "out")) << "no working copy is left either";

  const CommandResult inPlace = stopped(Script(dir / "places.shp"));
  ASSERT_EQ(inPlace.status, 0) << inPlace.err << inPlace.out;
  EXPECT_NE(inPlace.out.find("  status \"Operation cancelled\""), std::string::npos)
      << inPlace.out;
  EXPECT_TRUE(Take(dir / "places") == before);
}

}  // namespace
}  // namespace velk::test
