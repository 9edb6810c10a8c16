#include "platform/productline/catalog_table_writer.h"

#include <filesystem>
#include <memory>
#include <set>
#include <tuple>

#include <gdal_priv.h>
#include <ogrsf_frmts.h>

#include "platform/com/plain_text.h"
#include "platform/productline/gdal_error_capture.h"

namespace velk::productline {
namespace {

std::unique_ptr<OGRPolygon> Polygon(const Footprint& f) {
  auto ring = std::make_unique<OGRLinearRing>();
  ring->addPoint(f.west, f.south);
  ring->addPoint(f.west, f.north);
  ring->addPoint(f.east, f.north);
  ring->addPoint(f.east, f.south);
  ring->addPoint(f.west, f.south);
  auto polygon = std::make_unique<OGRPolygon>();
  polygon->addRingDirectly(ring.release());
  return polygon;
}

// The footprint as the table declares its shapes: a table the host made in a GeoPackage holds
// multipolygons, and its records must be of that type too.
OGRGeometry* FootprintShape(OGRLayer* layer, const Footprint& f) {
  OGRGeometry* polygon = Polygon(f).release();
  if (wkbFlatten(layer->GetGeomType()) != wkbMultiPolygon) return polygon;
  return OGRGeometryFactory::forceToMultiPolygon(polygon);
}

int Field(OGRLayer* layer, const char* name) { return layer->GetLayerDefn()->GetFieldIndex(name); }

// The full paths the catalog holds already.
std::set<std::string> ExistingPaths(OGRLayer* layer) {
  std::set<std::string> paths;
  const int index = Field(layer, "FULL_NAME");
  if (index < 0) return paths;
  layer->SetAttributeFilter(nullptr);
  layer->SetSpatialFilter(nullptr);
  layer->ResetReading();
  for (auto& feature : *layer)
    if (feature->IsFieldSetAndNotNull(index)) paths.insert(feature->GetFieldAsString(index));
  layer->ResetReading();
  return paths;
}

// Runs write() inside one transaction; on failure nothing it did stays.
template <typename Write>
bool InTransaction(GDALDataset* ds, std::string& reason, Write write) {
  GdalErrorCapture errors;
  const bool transaction = ds->StartTransaction() == OGRERR_NONE;
  if (!write()) {
    if (transaction) ds->RollbackTransaction();
    reason = errors.Reason("the catalog table cannot be written");
    return false;
  }
  if (transaction && ds->CommitTransaction() != OGRERR_NONE) {
    reason = errors.Reason("the catalog table cannot be written");
    return false;
  }
  return true;
}

void SetText(OGRFeature& f, int index, const std::string& value) {
  if (index >= 0) f.SetField(index, value.c_str());
}
void SetNumber(OGRFeature& f, int index, double value) {
  if (index >= 0) f.SetField(index, value);
}

}  // namespace

bool WriteDtedRows(GDALDataset* ds, OGRLayer* layer, const std::vector<DtedCellRow>& rows,
                   CatalogWriteResult& result, std::string& reason) {
  result = CatalogWriteResult{};
  const std::set<std::string> existing = ExistingPaths(layer);
  const int type = Field(layer, "DTED_TYPE");
  const int name = Field(layer, "NAME");
  const int fullName = Field(layer, "FULL_NAME");
  const int minimum = Field(layer, "ELEV_MIN");
  const int maximum = Field(layer, "ELEV_MAX");
  const int mean = Field(layer, "ELEV_MEAN");
  const int stdDev = Field(layer, "ELEV_STD");
  CatalogWriteResult counts;
  const bool ok = InTransaction(ds, reason, [&] {
    for (const DtedCellRow& row : rows) {
      if (existing.count(row.path)) {
        ++counts.alreadyThere;
        continue;
      }
      OGRFeature feature(layer->GetLayerDefn());
      feature.SetGeometryDirectly(FootprintShape(layer, row.footprint));
      SetText(feature, type, "DTED Level " + std::to_string(row.level));
      SetText(feature, name, row.name);
      SetText(feature, fullName, row.path);
      SetNumber(feature, minimum, row.minimum);
      SetNumber(feature, maximum, row.maximum);
      SetNumber(feature, mean, row.mean);
      SetNumber(feature, stdDev, row.stdDev);
      if (layer->CreateFeature(&feature) != OGRERR_NONE) return false;
      ++counts.added;
    }
    return true;
  });
  if (ok) result = counts;
  return ok;
}

bool WriteRpfRows(GDALDataset* ds, OGRLayer* layer, OGRLayer* uidsLayer,
                  const std::vector<RpfFrameRow>& rows, CatalogWriteResult& result,
                  std::string& reason) {
  result = CatalogWriteResult{};
  const std::set<std::string> existing = ExistingPaths(layer);
  const int product = Field(layer, "PRODUCT");
  const int scale = Field(layer, "SCALE");
  const int series = Field(layer, "SERIES");
  const int name = Field(layer, "NAME");
  const int fullName = Field(layer, "FULL_NAME");
  using Key = std::tuple<std::string, std::string, std::uint32_t>;
  std::set<Key> uids;
  int uidProduct = -1, uidSeries = -1, uidScale = -1;
  if (uidsLayer) {
    uidProduct = Field(uidsLayer, "PRODUCT");
    uidSeries = Field(uidsLayer, "SERIES");
    uidScale = Field(uidsLayer, "SCALE");
    uidsLayer->ResetReading();
    for (auto& f : *uidsLayer)
      uids.insert(
          {uidProduct >= 0 ? f->GetFieldAsString(uidProduct) : "",
           uidSeries >= 0 ? f->GetFieldAsString(uidSeries) : "",
           uidScale >= 0 ? static_cast<std::uint32_t>(f->GetFieldAsInteger64(uidScale)) : 0});
    uidsLayer->ResetReading();
  }
  CatalogWriteResult counts;
  const bool ok = InTransaction(ds, reason, [&] {
    for (const RpfFrameRow& row : rows) {
      if (existing.count(row.path)) {
        ++counts.alreadyThere;
        continue;
      }
      OGRFeature feature(layer->GetLayerDefn());
      feature.SetGeometryDirectly(FootprintShape(layer, row.footprint));
      SetText(feature, product, row.product);
      SetNumber(feature, scale, row.scale);
      SetText(feature, series, row.series);
      SetText(feature, name, row.name);
      SetText(feature, fullName, row.path);
      if (layer->CreateFeature(&feature) != OGRERR_NONE) return false;
      ++counts.added;
      if (uidsLayer && uids.insert({row.product, row.series, row.scale}).second) {
        OGRFeature uid(uidsLayer->GetLayerDefn());
        SetText(uid, uidProduct, row.product);
        SetText(uid, uidSeries, row.series);
        SetNumber(uid, uidScale, row.scale);
        if (uidsLayer->CreateFeature(&uid) != OGRERR_NONE) return false;
      }
    }
    return true;
  });
  if (ok) result = counts;
  return ok;
}

namespace {

std::string FeatureClassName(const VpfLibraryRow& row, const VpfFeatureClassRow& c) {
  const std::string db = std::filesystem::path(row.database).filename().string();
  return VpfProductPrefix(row.product, db) + "_" + c.coverage + "_" + c.featureClass;
}

// Copies the features of one feature class of a library into the geodatabase's feature class,
// making it when missing.
bool CopyVpfFeatures(GDALDataset* ds, const VpfLibraryRow& row, const VpfFeatureClassRow& c,
                     std::string& reason) {
  const std::string url = "gltp:/vrf" + row.path;
  const char* drivers[] = {"OGR_OGDI", nullptr};
  GDALDatasetUniquePtr source(GDALDataset::Open(url.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY,
                                                drivers, nullptr, nullptr));
  OGRLayer* from = source ? source->GetLayerByName(c.ogdiLayer.c_str()) : nullptr;
  if (!from) {
    reason = "the feature class " + c.featureClass + " of " + row.path + " cannot be read";
    return false;
  }
  const std::string name = FeatureClassName(row, c);
  OGRLayer* to = ds->GetLayerByName(name.c_str());
  if (!to) {
    OGRSpatialReference wgs84;
    wgs84.SetWellKnownGeogCS("WGS84");
    wgs84.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    OGRwkbGeometryType type = wkbUnknown;
    if (c.type == "Point" || c.type == "Text") type = wkbPoint;
    if (c.type == "Line") type = wkbLineString;
    if (c.type == "Area") type = wkbPolygon;
    to = ds->CreateLayer(name.c_str(), &wgs84, type, nullptr);
    if (!to) return false;
    OGRFeatureDefn* defn = from->GetLayerDefn();
    for (int i = 0; i < defn->GetFieldCount(); ++i) {
      OGRFieldDefn field(defn->GetFieldDefn(i));
      if (to->CreateField(&field) != OGRERR_NONE) return false;
    }
    OGRFieldDefn library("LIBRARY", OFTString);
    library.SetWidth(20);
    if (to->GetLayerDefn()->GetFieldIndex("LIBRARY") < 0 && to->CreateField(&library) != OGRERR_NONE)
      return false;
  }
  const int libraryField = to->GetLayerDefn()->GetFieldIndex("LIBRARY");
  from->ResetReading();
  for (auto& f : *from) {
    OGRFeature copy(to->GetLayerDefn());
    copy.SetFrom(f.get(), TRUE);
    for (int i = 0; i < copy.GetFieldCount(); ++i)
      if (copy.GetFieldDefnRef(i)->GetType() == OFTString && copy.IsFieldSetAndNotNull(i)) {
        std::string text = copy.GetFieldAsString(i);
        text.erase(text.find_last_not_of(' ') + 1);
        copy.SetField(i, text.c_str());
      }
    copy.SetField(libraryField, row.library.c_str());
    if (to->CreateFeature(&copy) != OGRERR_NONE) return false;
  }
  return true;
}

}  // namespace

bool WriteVpfRows(GDALDataset* ds, OGRLayer* layer, OGRLayer* featuresLayer,
                  const std::vector<VpfLibraryRow>& rows, bool copyFeatures,
                  CatalogWriteResult& result, std::string& reason) {
  result = CatalogWriteResult{};
  const int product = Field(layer, "PRODUCT");
  const int library = Field(layer, "LIBRARY");
  std::set<std::pair<std::string, std::string>> existing;
  layer->SetAttributeFilter(nullptr);
  layer->SetSpatialFilter(nullptr);
  layer->ResetReading();
  for (auto& f : *layer)
    existing.insert({product >= 0 ? f->GetFieldAsString(product) : "",
                     library >= 0 ? f->GetFieldAsString(library) : ""});
  layer->ResetReading();
  CatalogWriteResult counts;
  std::string copyProblem;
  const bool ok = InTransaction(ds, reason, [&] {
    for (const VpfLibraryRow& row : rows) {
      if (!existing.insert({row.product, row.library}).second) {
        ++counts.alreadyThere;
        continue;
      }
      OGRFeature feature(layer->GetLayerDefn());
      feature.SetGeometryDirectly(FootprintShape(layer, row.footprint));
      SetText(feature, product, row.product);
      SetText(feature, library, row.library);
      if (layer->CreateFeature(&feature) != OGRERR_NONE) return false;
      ++counts.added;
      for (const VpfFeatureClassRow& c : row.classes) {
        if (featuresLayer) {
          OGRFeature f(featuresLayer->GetLayerDefn());
          SetText(f, Field(featuresLayer, "PRODUCT"), row.product);
          SetText(f, Field(featuresLayer, "COVERAGE"), c.coverage);
          SetText(f, Field(featuresLayer, "FEAT_CLS"), c.featureClass);
          SetText(f, Field(featuresLayer, "COV_DESC"), c.coverageDescription);
          SetText(f, Field(featuresLayer, "FC_DESC"), c.classDescription);
          SetText(f, Field(featuresLayer, "FC_TYPE"), c.type);
          SetText(f, Field(featuresLayer, "PATH"), row.database);
          SetText(f, Field(featuresLayer, "LIBRARY"), row.library);
          SetNumber(f, Field(featuresLayer, "GEOSYM_PID"), row.geosymProduct);
          if (featuresLayer->CreateFeature(&f) != OGRERR_NONE) return false;
        }
        if (copyFeatures && !CopyVpfFeatures(ds, row, c, copyProblem)) return false;
      }
    }
    return true;
  });
  if (!ok && !copyProblem.empty()) reason = copyProblem;
  if (ok) result = counts;
  return ok;
}

void EnsureCatalogIndexes(GDALDataset* ds, OGRLayer* layer) {
  const std::string table = layer->GetName();
  auto index = [&](const std::string& suffix, const std::vector<const char*>& fields) {
    for (const char* f : fields)
      if (Field(layer, f) < 0) return;
    std::string columns;
    for (const char* f : fields) columns += (columns.empty() ? "" : ", ") + SqlQuotedName(f);
    const std::string sql = "CREATE INDEX IF NOT EXISTS " +
                            SqlQuotedName(table + "_" + suffix + "_idx") + " ON " +
                            SqlQuotedName(table) + " (" + columns + ")";
    GdalErrorCapture quiet;
    if (OGRLayer* r = ds->ExecuteSQL(sql.c_str(), nullptr, nullptr)) ds->ReleaseResultSet(r);
  };
  index("scale", {"SCALE"});
  index("product", {"PRODUCT"});
  index("product_coverage_fc", {"PRODUCT", "COVERAGE", "FEAT_CLS"});
  index("full_name", {"FULL_NAME"});
}

}  // namespace velk::productline
