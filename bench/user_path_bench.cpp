// The conversion as a user runs it, timed from outside: the host program `trevik` (next to this
// program) plays the convert-coordinates session on a point shapefile of N random places, from
// its start to its end, and writes a new shapefile with X/Y, DMS, UTM and MGRS fields read from
// the point shapes, or adds them to the input itself (a shapefile, a GeoPackage table). Beside
// it GeoConvert (GeographicLib's command-line converter) writes DMS, UTM and MGRS for the same
// places, one run a notation, as text (it writes no shapefile). The four sides run in turn,
// round after round; records per second by the minimum and the median time, peak memory.
//
// The inputs are made once under the system's temporary folder and kept for later runs.
//   build/bin/bench_user_path_bench [N...]     (VELK_BENCH_ROUNDS: rounds, 3 unless set)

#include <ogrsf_frmts.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

// The folder of this program (trevik and the libraries are built beside it).
fs::path BinFolder() { return fs::read_symlink("/proc/self/exe").parent_path(); }

fs::path DataFolder(long n) {
  return fs::temp_directory_path() / ("velk-bench-user-path-" + std::to_string(n));
}

// n random places over the sphere (fixed seed): a point shapefile places.shp (WGS 84, with a
// name field), the same points as a GeoPackage table places.gpkg/places, and as "lat lon"
// lines for GeoConvert in places.txt.
fs::path Inputs(long n) {
  fs::path folder = DataFolder(n);
  if (fs::exists(folder / "complete")) return folder;
  fs::remove_all(folder);
  fs::create_directories(folder);
  GDALAllRegister();
  std::mt19937_64 rng(11);
  std::uniform_real_distribution<double> unit(-1.0, 1.0), lon(-180.0, 180.0);
  std::vector<std::pair<double, double>> places;
  places.reserve(static_cast<std::size_t>(n));
  for (long i = 0; i < n; ++i) {
    double lat = std::asin(unit(rng)) * 180.0 / M_PI;
    places.push_back({lon(rng), lat});
  }
  OGRSpatialReference wgs84;
  wgs84.importFromEPSG(4326);
  wgs84.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  for (const char* driverName : {"ESRI Shapefile", "GPKG"}) {
    GDALDriver* driver = GetGDALDriverManager()->GetDriverByName(driverName);
    std::string path = (folder / (driverName[0] == 'E' ? "places.shp" : "places.gpkg")).string();
    GDALDataset* ds = driver->Create(path.c_str(), 0, 0, 0, GDT_Unknown, nullptr);
    OGRLayer* layer = ds->CreateLayer("places", &wgs84, wkbPoint, nullptr);
    OGRFieldDefn name("NAME", OFTString);
    name.SetWidth(16);
    layer->CreateField(&name);
    ds->StartTransaction();
    for (long i = 0; i < n; ++i) {
      OGRFeature f(layer->GetLayerDefn());
      f.SetField(0, ("place " + std::to_string(i)).c_str());
      OGRPoint p(places[i].first, places[i].second);
      f.SetGeometry(&p);
      if (layer->CreateFeature(&f) != OGRERR_NONE) break;
    }
    ds->CommitTransaction();
    GDALClose(ds);
  }
  std::ofstream text(folder / "places.txt");
  char line[64];
  for (const auto& [x, y] : places) {
    std::snprintf(line, sizeof line, "%.17g %.17g\n", y, x);
    text << line;
  }
  text.close();
  std::ofstream(folder / "complete") << "made\n";
  return folder;
}

struct ChildRun {
  int status = -1;
  double seconds = 0.0;
  double peakMiB = 0.0;
};

// The high-water mark of a process's resident memory (its own image, since its last exec), in
// KiB; 0 once it has ended.
long long HighWaterKiB(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmHWM:", 0) == 0) return std::stoll(line.substr(6));
  return 0;
}

// Runs a program with stdin and stdout redirected to files; the wall time and the child's peak
// resident memory. The memory is sampled from /proc while the child runs: the kernel's own
// figure for a spawned child also counts this program's memory at the time of the spawn.
ChildRun Run(const std::vector<std::string>& args, const std::string& in, const std::string& out) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, in.c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  std::vector<char*> argv;
  argv.reserve(args.size() + 1);
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  ChildRun r;
  auto start = std::chrono::steady_clock::now();
  pid_t pid = 0;
  if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
    posix_spawn_file_actions_destroy(&actions);
    return r;
  }
  posix_spawn_file_actions_destroy(&actions);
  int status = 0;
  long long peak = 0;
  for (;;) {
    pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) break;
    if (done < 0) return r;
    peak = std::max(peak, HighWaterKiB(pid));
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  r.peakMiB = static_cast<double>(peak) / 1024.0;
  return r;
}

std::string ReadFile(const fs::path& p) {
  std::ifstream in(p);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

enum class Output { kNewShapefile, kInPlaceShapefile, kInPlaceGeoPackage };

// The session a user plays: the input from a file, the coordinates from the point shapes, the
// four kinds of output field, into a new shapefile or into the input.
std::string Session(const fs::path& input, const fs::path& output, bool newFile) {
  std::string s = "host map\nregister " + (BinFolder() / "../lib/libCorvane.so").string() +
                  "\nextension Tarvos on\nclick velkTarvosUI.ConvertCoords\npress 3023\nfile " +
                  input.string() +
                  "\ncheck \"Get coordinates from shape field\"\ncheck \"X/Y Fields\"\n"
                  "check \"DMS Field(s)\"\ncheck \"UTM Field:\"\ncheck \"MGRS Field:\"\n";
  if (newFile) s += "check \"Create new output file\"\npress 3032\nfile " + output.string() + "\n";
  return s + "press OK\n";
}

// One run of the session, its time and peak memory; false when it did not convert every record.
bool Convert(long n, Output kind, double* peakMiB, double* seconds) {
  const fs::path folder = Inputs(n);
  // The inputs are shared by every run of the benchmark on the machine, the work folder is
  // this process's own.
  const fs::path work = folder / ("work-" + std::to_string(::getpid()));
  fs::remove_all(work);
  fs::create_directories(work / "root");
  // In place changes the input: each run gets a fresh copy (copied before the clock starts).
  fs::path input = folder / "places.shp";
  if (kind == Output::kInPlaceShapefile) {
    for (const char* ext : {".shp", ".shx", ".dbf", ".prj", ".cpg"})
      if (fs::exists(folder / (std::string("places") + ext)))
        fs::copy_file(folder / (std::string("places") + ext), work / (std::string("places") + ext));
    input = work / "places.shp";
  } else if (kind == Output::kInPlaceGeoPackage) {
    fs::copy_file(folder / "places.gpkg", work / "places.gpkg");
    input = work / "places.gpkg" / "places";
  }
  std::ofstream(work / "convert.session")
      << Session(input, work / "converted.shp", kind == Output::kNewShapefile);
  ChildRun r = Run({(BinFolder() / "trevik").string(), "--root", (work / "root").string(), "run",
                    (work / "convert.session").string()},
                   "/dev/null", (work / "transcript.txt").string());
  *peakMiB = std::max(*peakMiB, r.peakMiB);
  *seconds = r.seconds;
  const std::string expected = "\"" + std::to_string(n) + " of " + std::to_string(n) +
                               " record(s) converted successfully\"";
  return r.status == 0 && ReadFile(work / "transcript.txt").find(expected) != std::string::npos;
}

// The sides for n places: GeoConvert writing the same notations (DMS, UTM, MGRS: three runs, as
// it writes one notation a run, into text, which is what it writes), and the three sessions.
// Each side times itself from outside its processes; the in-place copies are made untimed.
void Measure(long n, int rounds) {
  const fs::path folder = Inputs(n);
  const std::string in = (folder / "places.txt").string();
  const std::string out = (folder / ("geoconvert-" + std::to_string(::getpid()) + ".out")).string();
  double peakGeo = 0, peak[3] = {0, 0, 0};
  std::vector<double> geo, ours[3];
  auto geoRun = [&] {
    double seconds = 0;
    for (const char* notation : {"-d", "-u", "-m"}) {
      ChildRun r = Run({"GeoConvert", notation, "-p", "0"}, in, out);
      if (r.status != 0) {
        std::printf("GeoConvert could not be run (install geographiclib-tools)\n");
        std::exit(1);
      }
      seconds += r.seconds;
      peakGeo = std::max(peakGeo, r.peakMiB);
    }
    return seconds;
  };
  const Output kinds[3] = {Output::kNewShapefile, Output::kInPlaceShapefile,
                           Output::kInPlaceGeoPackage};
  for (int round = 0; round < rounds; ++round) {
    geo.push_back(geoRun());
    for (int k = 0; k < 3; ++k) {
      double seconds = 0;
      if (!Convert(n, kinds[k], &peak[k], &seconds)) {
        std::printf("the session did not convert every record; see %s\n",
                    (folder / ("work-" + std::to_string(::getpid())) / "transcript.txt").c_str());
        std::exit(1);
      }
      ours[k].push_back(seconds);
    }
  }
  auto minOf = [](std::vector<double> v) { return *std::min_element(v.begin(), v.end()); };
  auto median = [](std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
  };
  const char* names[3] = {"new shapefile", "in place, shapefile", "in place, GeoPackage"};
  std::printf("%ld places, %d rounds (records/s by min and median time; peak memory)\n", n,
              rounds);
  std::printf("  GeoConvert DMS + UTM + MGRS   %9.0f  %9.0f  %6.0f MiB\n", n / minOf(geo),
              n / median(geo), peakGeo);
  for (int k = 0; k < 3; ++k)
    std::printf("  session, %-20s %9.0f  %9.0f  %6.0f MiB  ratio to GeoConvert %.2fx / %.2fx\n",
                names[k], n / minOf(ours[k]), n / median(ours[k]), peak[k],
                minOf(geo) / minOf(ours[k]), median(geo) / median(ours[k]));
}

}  // namespace

// Sizes from the arguments (100000 and 1000000 unless given); rounds from VELK_BENCH_ROUNDS.
int main(int argc, char** argv) {
  std::vector<long> sizes;
  for (int i = 1; i < argc; ++i)
    if (std::atol(argv[i]) > 0) sizes.push_back(std::atol(argv[i]));
  if (sizes.empty()) sizes = {100000, 1000000};
  const char* r = std::getenv("VELK_BENCH_ROUNDS");
  const int rounds = r && std::atoi(r) > 0 ? std::atoi(r) : 3;
  for (long n : sizes) Measure(n, rounds);
  for (long n : sizes) {
    fs::remove_all(DataFolder(n) / ("work-" + std::to_string(::getpid())));
    fs::remove(DataFolder(n) / ("geoconvert-" + std::to_string(::getpid()) + ".out"));
  }
  return 0;
}
