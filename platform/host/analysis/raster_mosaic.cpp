#include "platform/host/analysis/raster_mosaic.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <filesystem>
#include <memory>
#include <optional>

#include <gdal_priv.h>
#include <gdal_utils.h>

#include "platform/com/plain_text.h"
#include "platform/host/data/sqlite_database.h"

namespace velk::host::analysis {

namespace {

namespace fs = std::filesystem;

struct QuietGdal {
  QuietGdal() { CPLPushErrorHandler(CPLQuietErrorHandler); }
  ~QuietGdal() { CPLPopErrorHandler(); }
};

std::string MemName(const char* what, int n) {
  static std::atomic<unsigned> counter{0};
  return "/vsimem/velk_mosaic_" + std::to_string(counter++) + "_" + what + std::to_string(n) +
         ".vrt";
}

struct Argv {
  Argv() = default;
  explicit Argv(std::vector<std::string> list) : items(std::move(list)) {}
  std::vector<std::string> items;
  std::vector<char*> pointers;
  char** get() {
    pointers.clear();
    for (auto& a : items) pointers.push_back(a.data());
    pointers.push_back(nullptr);
    return pointers.data();
  }
};

bool SamePalette(GDALColorTable* a, GDALColorTable* b) {
  if (a->GetColorEntryCount() != b->GetColorEntryCount()) return false;
  for (int i = 0; i < a->GetColorEntryCount(); ++i) {
    const GDALColorEntry* x = a->GetColorEntry(i);
    const GDALColorEntry* y = b->GetColorEntry(i);
    if (x->c1 != y->c1 || x->c2 != y->c2 || x->c3 != y->c3 || x->c4 != y->c4) return false;
  }
  return true;
}

// A raster changed since it was chosen (cut short, rewritten) is named before the mosaic
// half-reads it: it must open, and its last cell must read (the block holding it lies at the
// end of the file, whether the file is stored by rows, columns or tiles).
std::string CheckReadable(const std::vector<std::string>& inputs) {
  QuietGdal quiet;
  for (const auto& path : inputs) {
    std::unique_ptr<GDALDataset> ds(
        GDALDataset::Open(path.c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY));
    if (!ds) return "cannot read " + path;
    const int w = ds->GetRasterXSize(), h = ds->GetRasterYSize();
    double cell = 0;
    if (ds->GetRasterCount() > 0 && w > 0 && h > 0 &&
        ds->GetRasterBand(1)->RasterIO(GF_Read, w - 1, h - 1, 1, 1, &cell, 1, 1, GDT_Float64, 0,
                                       0, nullptr) != CE_None)
      return "cannot read " + path + ": it is cut short or damaged";
  }
  return "";
}

// Checks that every raster has the same bands and cell types; rasters whose palettes differ are
// expanded to RGB through a VRT each (their names replace the inputs and are listed in made).
std::string PrepareInputs(std::vector<std::string>& inputs, std::vector<std::string>& made) {
  struct Shape {
    int bands = 0;
    std::vector<GDALDataType> types;
  };
  std::optional<Shape> first;
  std::unique_ptr<GDALColorTable> palette;
  bool palettesDiffer = false, allPaletted = true;
  for (const auto& path : inputs) {
    std::unique_ptr<GDALDataset> ds(
        GDALDataset::Open(path.c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY));
    if (!ds) return "cannot read " + path;
    Shape s;
    s.bands = ds->GetRasterCount();
    for (int b = 1; b <= s.bands; ++b) s.types.push_back(ds->GetRasterBand(b)->GetRasterDataType());
    if (s.bands == 0) return path + " holds no raster bands";
    if (!first) {
      first = s;
    } else if (s.bands != first->bands || s.types != first->types) {
      return "the rasters differ in their bands or cell types (" + path + ")";
    }
    GDALColorTable* table = s.bands == 1 ? ds->GetRasterBand(1)->GetColorTable() : nullptr;
    if (!table) {
      allPaletted = false;
    } else if (!palette) {
      palette.reset(table->Clone());
    } else if (!SamePalette(palette.get(), table)) {
      palettesDiffer = true;
    }
  }
  if (palette && !allPaletted)
    return "the rasters differ in their bands: some have a palette, some have none";
  if (!palettesDiffer) return {};
  for (std::size_t i = 0; i < inputs.size(); ++i) {
    GDALDatasetH src = GDALOpen(inputs[i].c_str(), GA_ReadOnly);
    if (!src) return "cannot read " + inputs[i];
    Argv args({"-of", "VRT", "-expand", "rgb"});
    GDALTranslateOptions* o = GDALTranslateOptionsNew(args.get(), nullptr);
    const std::string name = MemName("rgb", static_cast<int>(i));
    GDALDatasetH rgb = GDALTranslate(name.c_str(), src, o, nullptr);
    GDALTranslateOptionsFree(o);
    // The VRT refers to the source: it goes first.
    if (rgb) GDALClose(rgb);
    GDALClose(src);
    if (!rgb) return "cannot expand the palette of " + inputs[i];
    made.push_back(name);
    inputs[i] = name;
  }
  return {};
}

// The catalog tables of a GeoPackage that name a raster table, with the column that does.
const std::pair<const char*, const char*> kRasterCatalogTables[] = {
    {"gpkg_contents", "table_name"},
    {"gpkg_tile_matrix_set", "table_name"},
    {"gpkg_tile_matrix", "table_name"},
    {"gpkg_extensions", "table_name"},
    {"gpkg_2d_gridded_coverage_ancillary", "tile_matrix_set_name"},
    {"gpkg_2d_gridded_tile_ancillary", "tpudt_name"},
    {"gpkg_metadata_reference", "table_name"},
};

// Whether the GeoPackage lists a raster table of the name (table names ignore letter case).
bool ListsRaster(SqliteDatabase& db, const std::string& name) {
  int rows = 0;
  return db.Run("SELECT 1 FROM gpkg_contents WHERE lower(table_name) = lower(?) AND data_type IN "
                "('tiles', '2d-gridded-coverage')",
                {name}, &rows) &&
         rows > 0;
}

bool DropRaster(SqliteDatabase& db, const std::string& table) {
  bool ok = true;
  for (const auto& [catalog, column] : kRasterCatalogTables) {
    if (!db.HasTable(catalog)) continue;
    ok = db.Run(std::string("DELETE FROM ") + catalog + " WHERE lower(" + column + ") = lower(?)",
                {table}) && ok;
  }
  if (db.HasTable(table)) ok = db.Exec("DROP TABLE " + SqlQuotedName(table)) && ok;
  return ok;
}

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
  for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

// Gives the raster table `from` the name `to`, in its table, its triggers (named after it and
// naming it in their checks) and every catalog entry.
bool RenameRaster(SqliteDatabase& db, const std::string& from, const std::string& to) {
  const auto triggers = db.Pairs(
      "SELECT name, sql FROM sqlite_master WHERE type = 'trigger' AND lower(tbl_name) = lower(?)",
      {from});
  for (const auto& [name, sql] : triggers)
    if (!db.Exec("DROP TRIGGER " + SqlQuotedName(name))) return false;
  if (!db.Exec("ALTER TABLE " + SqlQuotedName(from) + " RENAME TO " + SqlQuotedName(to)))
    return false;
  for (const auto& [name, sql] : triggers)
    if (!db.Exec(ReplaceAll(sql, from, to))) return false;
  for (const auto& [catalog, column] : kRasterCatalogTables) {
    if (!db.HasTable(catalog)) continue;
    if (!db.Run(std::string("UPDATE ") + catalog + " SET " + column + " = ? WHERE " + column +
                    " = ?",
                {to, from}))
      return false;
  }
  return db.Run("UPDATE gpkg_contents SET identifier = ? WHERE table_name = ? AND identifier = ?",
                {to, to, from});
}

std::vector<std::string> CreationOptions(const MosaicOptions& o, const std::string& workTable) {
  std::vector<std::string> co;
  if (o.format == "GPKG") {
    co = {"-co", "APPEND_SUBDATASET=YES", "-co", "RASTER_TABLE=" + workTable,
          "-co", "BLOCKXSIZE=" + std::to_string(o.storage.tileWidth),
          "-co", "BLOCKYSIZE=" + std::to_string(o.storage.tileHeight)};
    if (o.storage.compression == 1) co.insert(co.end(), {"-co", "TILE_FORMAT=PNG"});
    if (o.storage.compression == 2) {
      co.insert(co.end(), {"-co", "TILE_FORMAT=JPEG", "-co",
                           "QUALITY=" + std::to_string(o.storage.quality)});
    }
  } else if (o.format == "GTiff") {
    co = {"-co", "BIGTIFF=IF_SAFER"};
  }
  return co;
}

std::string BuildOverviews(GDALDataset* ds, const RasterStorage& s) {
  if (s.pyramidLevel == 0) return {};
  std::vector<int> factors;
  const int size = std::max(ds->GetRasterXSize(), ds->GetRasterYSize());
  const int tile = std::max(1, std::min(s.tileWidth, s.tileHeight));
  for (int f = 2; static_cast<int>(factors.size()) < (s.pyramidLevel < 0 ? 30 : s.pyramidLevel);
       f *= 2) {
    if (s.pyramidLevel < 0 && (size + f / 2 - 1) / (f / 2) <= tile) break;
    factors.push_back(f);
  }
  if (factors.empty()) return {};
  const char* method = s.resampling == 2 ? "CUBIC" : s.resampling == 1 ? "BILINEAR" : "NEAREST";
  if (ds->BuildOverviews(method, static_cast<int>(factors.size()), factors.data(), 0, nullptr,
                         nullptr, nullptr) != CE_None)
    return "cannot build the overviews";
  return {};
}

struct ProgressBridge {
  const std::function<bool(double)>* callback;
  double start, span;
};

int CPL_STDCALL OnProgress(double done, const char*, void* data) {
  auto* p = static_cast<ProgressBridge*>(data);
  return (*p->callback)(p->start + p->span * done) ? TRUE : FALSE;
}

// Why the mosaic cannot be written to output as the options say; empty when it can.
std::string CheckTarget(const std::string& output, const MosaicOptions& options, bool gpkg,
                        bool outputExisted) {
  if (!gpkg && outputExisted && !options.replace) return output + " exists";
  if (gpkg && outputExisted) {
    SqliteDatabase db(output);
    if (!db || !db.HasTable("gpkg_contents")) return output + " is not a GeoPackage";
    const bool raster = ListsRaster(db, options.table);
    if (!raster && db.HasTable(options.table))
      return "a dataset that is no raster is named " + options.table + " in " + output;
    if (raster && !options.replace) return options.table + " exists in " + output;
  }
  return {};
}

// The written table takes the raster's name (error empty), or goes; a GeoPackage the run made
// goes with it.
std::string NameRasterTable(const std::string& output, const std::string& workTable,
                            const MosaicOptions& options, bool outputExisted, std::string error) {
  {
    SqliteDatabase db(output);
    if (!db) return error.empty() ? "cannot open " + output : error;
    if (error.empty()) {
      // The finished table takes the name, replacing an older one, in one step.
      if (!db.Exec("BEGIN IMMEDIATE")) return db.Error();
      bool ok = DropRaster(db, options.table) && RenameRaster(db, workTable, options.table) &&
                db.Exec("COMMIT");
      if (ok) return {};
      error = "cannot name the raster " + options.table + ": " + db.Error();
      db.Exec("ROLLBACK");
    }
    DropRaster(db, workTable);
  }
  std::error_code ec;
  if (!outputExisted) fs::remove(output, ec);
  return error;
}

// The written file takes the output's name (error empty), or goes.
std::string NameRasterFile(const std::string& temp, const std::string& output, bool outputExisted,
                           const std::string& error) {
  std::error_code ec;
  if (error.empty()) {
    fs::rename(temp, output, ec);
    if (!ec && outputExisted) fs::remove(output + ".aux.xml", ec), ec.clear();
  }
  if (!error.empty() || ec) {
    fs::remove(temp, ec);
    fs::remove(temp + ".aux.xml", ec);
    return error.empty() ? "cannot write " + output : error;
  }
  return {};
}

}  // namespace

bool GeoPackageHasRaster(const std::string& database, const std::string& table) {
  std::error_code ec;
  if (!fs::is_regular_file(database, ec)) return false;
  SqliteDatabase db(database);
  return db && db.HasTable("gpkg_contents") && ListsRaster(db, table);
}

std::string DeleteGeoPackageRaster(const std::string& database, const std::string& table) {
  SqliteDatabase db(database);
  if (!db) return "cannot open " + database;
  if (!db.Exec("BEGIN IMMEDIATE")) return db.Error();
  if (!DropRaster(db, table) || !db.Exec("COMMIT")) {
    std::string e = db.Error();
    db.Exec("ROLLBACK");
    return e;
  }
  return {};
}

std::string MosaicRasters(const std::vector<std::string>& rasters, const std::string& output,
                          const MosaicOptions& options) {
  if (rasters.empty()) return "there are no rasters to put together";
  const bool gpkg = options.format == "GPKG";
  if (gpkg && options.table.empty()) return "no raster table name given";
  GDALAllRegister();
  QuietGdal quiet;
  std::error_code ec;
  const bool outputExisted = fs::exists(output, ec);
  if (std::string error = CheckTarget(output, options, gpkg, outputExisted); !error.empty())
    return error;

  std::vector<std::string> inputs = rasters, made;
  auto cleanMade = [&] {
    for (const auto& m : made) VSIUnlink(m.c_str());
  };
  if (std::string error = CheckReadable(inputs); !error.empty()) return error;
  if (!options.firstBandOnly) {
    std::string error = PrepareInputs(inputs, made);
    if (!error.empty()) {
      cleanMade();
      return error;
    }
  }

  Argv vrtArgs;
  if (options.firstBandOnly) vrtArgs.items = {"-b", "1"};
  if (options.bounds) {
    const auto& b = *options.bounds;
    vrtArgs.items.insert(vrtArgs.items.end(),
                         {"-te", CPLSPrintf("%.17g", b.xmin), CPLSPrintf("%.17g", b.ymin),
                          CPLSPrintf("%.17g", b.xmax), CPLSPrintf("%.17g", b.ymax)});
  }
  std::vector<const char*> names;
  for (const auto& r : inputs) names.push_back(r.c_str());
  const std::string vrt = MemName("mosaic", 0);
  GDALBuildVRTOptions* vrtOptions = GDALBuildVRTOptionsNew(vrtArgs.get(), nullptr);
  int usageError = 0;
  GDALDatasetH mosaic = vrtOptions ? GDALBuildVRT(vrt.c_str(), static_cast<int>(names.size()),
                                                  nullptr, names.data(), vrtOptions, &usageError)
                                   : nullptr;
  GDALBuildVRTOptionsFree(vrtOptions);
  if (!mosaic) {
    cleanMade();
    return "cannot put the rasters together";
  }
  if (GDALGetRasterCount(mosaic) == 0) {
    GDALClose(mosaic);
    VSIUnlink(vrt.c_str());
    cleanMade();
    return "the rasters cannot be put together (no common bands)";
  }

  // A file is written beside the output under a working name; a table under a working name.
  const fs::path out(output);
  const std::string temp =
      gpkg ? output : (out.parent_path() / ("." + out.filename().string() + ".part")).string();
  const std::string workTable = gpkg ? options.table + "_velk_part" : std::string();
  if (gpkg && fs::exists(output, ec)) {
    SqliteDatabase db(output);
    if (db) DropRaster(db, workTable);  // what an interrupted run may have left
  }
  Argv translate({"-of", options.format});
  for (auto& c : CreationOptions(options, workTable)) translate.items.push_back(c);
  GDALTranslateOptions* t = GDALTranslateOptionsNew(translate.get(), nullptr);
  ProgressBridge bridge{&options.progress, 0.0, 0.9};
  if (options.progress) GDALTranslateOptionsSetProgress(t, &OnProgress, &bridge);
  CPLErrorReset();
  GDALDatasetH written = GDALTranslate(temp.c_str(), mosaic, t, &usageError);
  GDALTranslateOptionsFree(t);
  std::string error;
  if (!written || CPLGetLastErrorType() == CE_Failure) {
    error = "cannot write " + output;
    if (*CPLGetLastErrorMsg()) error += std::string(": ") + CPLGetLastErrorMsg();
  }
  if (written && error.empty() && gpkg) {
    GDALClose(written);
    written = nullptr;
    const std::string sub = "GPKG:" + output + ":" + workTable;
    std::unique_ptr<GDALDataset> ds(GDALDataset::Open(sub.c_str(), GDAL_OF_RASTER | GDAL_OF_UPDATE));
    error = ds ? BuildOverviews(ds.get(), options.storage) : "cannot open " + sub;
  }
  if (written) GDALClose(written);
  GDALClose(mosaic);
  VSIUnlink(vrt.c_str());
  cleanMade();
  if (error.empty() && options.progress && !options.progress(0.95)) error = "cancelled";

  if (gpkg) return NameRasterTable(output, workTable, options, outputExisted, error);
  return NameRasterFile(temp, output, outputExisted, error);
}

}  // namespace velk::host::analysis
