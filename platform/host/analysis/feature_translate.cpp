#include "platform/host/analysis/feature_translate.h"

#include <atomic>
#include <filesystem>
#include <memory>
#include <vector>

#include <gdal_priv.h>
#include <gdal_utils.h>
#include <ogrsf_frmts.h>

namespace velk::host::analysis {

namespace {

namespace fs = std::filesystem;

struct QuietGdal {
  QuietGdal() { CPLPushErrorHandler(CPLQuietErrorHandler); }
  ~QuietGdal() { CPLPopErrorHandler(); }
};

const char* const kShapefileParts[] = {".shp", ".shx", ".dbf", ".prj", ".cpg", ".qix", ".sbn", ".sbx"};

int CPL_STDCALL OnProgress(double done, const char*, void* data) {
  auto* callback = static_cast<const std::function<bool(double)>*>(data);
  return (*callback)(done) ? TRUE : FALSE;
}

std::string WorkName(const std::string& name) {
  static std::atomic<unsigned> counter{0};
  return name + "_velk_part" + std::to_string(counter++);
}

long long CountFeatures(GDALDataset* ds, const std::string& layer) {
  OGRLayer* l = ds ? ds->GetLayerByName(layer.c_str()) : nullptr;
  return l ? l->GetFeatureCount(TRUE) : 0;
}

// "EPSG:n" when the layer's system has no authority of its own but is that EPSG system (its
// axis order aside); empty otherwise (the system is then copied as it is).
std::string KnownSystemOf(GDALDataset* source, const std::string& layerName) {
  OGRLayer* layer = source ? source->GetLayerByName(layerName.c_str()) : nullptr;
  const OGRSpatialReference* own = layer ? layer->GetSpatialRef() : nullptr;
  if (!own || own->GetAuthorityName(nullptr)) return {};
  int count = 0;
  int* confidence = nullptr;
  OGRSpatialReferenceH* matches = own->FindMatches(nullptr, &count, &confidence);
  std::string found;
  for (int i = 0; i < count && found.empty(); ++i) {
    const OGRSpatialReference* m = OGRSpatialReference::FromHandle(matches[i]);
    const char* authority = m->GetAuthorityName(nullptr);
    const char* code = m->GetAuthorityCode(nullptr);
    // IsSame leaves the axis order of geographic systems aside, as the data's order is kept.
    if (authority && code && EQUAL(authority, "EPSG") && own->IsSame(m))
      found = std::string("EPSG:") + code;
  }
  OSRFreeSRSArray(matches);
  CPLFree(confidence);
  return found;
}

// Why the request cannot run (no source layer, a name that is not one name); empty when it can.
std::string Refusal(const FeatureTranslateRequest& r) {
  if (!r.source || !r.source->GetLayerByName(r.layer.c_str()))
    return "the source layer cannot be read";
  if (r.name.empty() || r.name.find_first_of("/\\") != std::string::npos || r.name == "." ||
      r.name == "..")
    return "the output name is not allowed: " + r.name;
  return {};
}

// Where the features are written under their working name, and whether a dataset of the final
// name is there already.
struct Destination {
  std::string path;
  bool exists = false;
  std::string error;
};

Destination PlanDestination(const FeatureTranslateRequest& r, const std::string& work) {
  Destination d;
  std::error_code ec;
  if (r.database) {
    d.path = r.output;
    if (fs::exists(r.output, ec)) {
      // In update mode, as it is written to: GDAL opens a GeoPackage without tables (a new
      // one) only so.
      std::unique_ptr<GDALDataset> db(
          GDALDataset::Open(r.output.c_str(), GDAL_OF_VECTOR | GDAL_OF_UPDATE));
      if (!db) {
        d.error = r.output + " is not a GeoPackage";
        return d;
      }
      d.exists = db->GetLayerByName(r.name.c_str()) != nullptr;
    }
  } else {
    if (!fs::is_directory(r.output, ec)) {
      d.error = "the output folder is missing: " + r.output;
      return d;
    }
    d.path = (fs::path(r.output) / (work + ".shp")).string();
    d.exists = fs::exists(fs::path(r.output) / (r.name + ".shp"), ec);
  }
  if (d.exists && !r.replace) d.error = r.name + " exists";
  return d;
}

// The vector translate's arguments: format, working name, filters, spatial reference.
std::vector<std::string> TranslateArguments(const FeatureTranslateRequest& r,
                                            const std::string& work) {
  std::error_code ec;
  std::vector<std::string> args = {"-f", r.database ? "GPKG" : "ESRI Shapefile", "-nln", work,
                                   "-lco", "SPATIAL_INDEX=NO"};
  if (r.database && fs::exists(r.output, ec)) args.push_back("-update");
  if (!r.where.empty()) args.insert(args.end(), {"-where", r.where});
  if (r.box) {
    args.insert(args.end(), {"-spat", CPLSPrintf("%.17g", r.box->xmin), CPLSPrintf("%.17g", r.box->ymin),
                             CPLSPrintf("%.17g", r.box->xmax), CPLSPrintf("%.17g", r.box->ymax)});
  }
  if (!r.targetWkt.empty()) {
    args.insert(args.end(), {"-t_srs", r.targetWkt});
  } else if (const std::string code = KnownSystemOf(r.source, r.layer); !code.empty()) {
    // The source's own system under its name (a VPF library's WGS 84 comes from OGDI as a
    // bare definition, which would be written as an unknown system).
    args.insert(args.end(), {"-a_srs", code});
  }
  if (!r.database) args.insert(args.end(), {"-lco", "ENCODING=UTF-8"});
  args.push_back(r.layer);
  return args;
}

// Runs the vector translate into the destination; the written dataset (null when none), with
// the error and the count of features written in result.
GDALDatasetH Translate(const FeatureTranslateRequest& r, const std::string& destination,
                       std::vector<std::string> args, const std::string& work,
                       FeatureTranslateResult& result) {
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  GDALVectorTranslateOptions* options = GDALVectorTranslateOptionsNew(argv.data(), nullptr);
  if (!options) {
    result.error = "the conversion cannot be set up";
    return nullptr;
  }
  if (r.progress)
    GDALVectorTranslateOptionsSetProgress(options, &OnProgress,
                                          const_cast<std::function<bool(double)>*>(&r.progress));
  GDALDatasetH source = GDALDataset::ToHandle(r.source);
  int usageError = 0;
  CPLErrorReset();
  GDALDatasetH out = GDALVectorTranslate(destination.c_str(), nullptr, 1, &source, options, &usageError);
  GDALVectorTranslateOptionsFree(options);
  if (!out || CPLGetLastErrorType() == CE_Failure) {
    result.error = std::string("the features cannot be written: ") + CPLGetLastErrorMsg();
  } else {
    result.features = CountFeatures(GDALDataset::FromHandle(out), work);
  }
  return out;
}

// In a GeoPackage: the finished table takes the name and the older one goes only then; a
// failed one is dropped. Closes the database.
void FinishInDatabase(const FeatureTranslateRequest& r, const std::string& work, GDALDatasetH out,
                      FeatureTranslateResult& result) {
  if (!out) return;
  GDALDataset* db = GDALDataset::FromHandle(out);
  if (result.error.empty()) {
    for (int i = 0; i < db->GetLayerCount(); ++i)
      if (EQUAL(db->GetLayer(i)->GetName(), r.name.c_str())) db->DeleteLayer(i);
    OGRLayer* made = db->GetLayerByName(work.c_str());
    if (!made || made->Rename(r.name.c_str()) != OGRERR_NONE)
      result.error = "cannot name the features " + r.name;
  }
  if (!result.error.empty()) {
    for (int i = 0; i < db->GetLayerCount(); ++i)
      if (EQUAL(db->GetLayer(i)->GetName(), work.c_str())) db->DeleteLayer(i);
  }
  GDALClose(out);
}

// In a folder: the older shapefile moves aside, the new one takes its name, then the older one
// goes; a rename that fails puts the older one back. Nothing under the working name stays.
void FinishInFolder(const FeatureTranslateRequest& r, const std::string& work,
                    FeatureTranslateResult& result) {
  std::error_code ec;
  const fs::path folder(r.output);
  if (result.error.empty()) {
    const std::string aside = work + "_old";
    auto move = [&](const std::string& from, const std::string& to) {
      bool ok = true;
      for (const char* part : kShapefileParts) {
        std::error_code e;
        if (fs::exists(folder / (from + part), e)) fs::rename(folder / (from + part), folder / (to + part), e);
        ok = ok && !e;
      }
      return ok;
    };
    if (!move(r.name, aside) || !move(work, r.name)) {
      move(r.name, work);
      move(aside, r.name);
      result.error = "cannot name the features " + r.name;
    }
    for (const char* part : kShapefileParts) fs::remove(folder / (aside + part), ec);
  }
  for (const char* part : kShapefileParts) fs::remove(folder / (work + part), ec);
}

}  // namespace

FeatureTranslateResult TranslateFeatures(const FeatureTranslateRequest& r) {
  FeatureTranslateResult result;
  result.error = Refusal(r);
  if (!result.error.empty()) return result;
  GDALAllRegister();
  QuietGdal quiet;
  const std::string work = WorkName(r.name);
  const Destination destination = PlanDestination(r, work);
  if (!destination.error.empty()) {
    result.error = destination.error;
    return result;
  }
  GDALDatasetH out =
      Translate(r, destination.path, TranslateArguments(r, work), work, result);
  if (r.database) {
    FinishInDatabase(r, work, out, result);
    return result;
  }
  if (out) GDALClose(out);
  FinishInFolder(r, work, result);
  return result;
}

}  // namespace velk::host::analysis
