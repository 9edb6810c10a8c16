// Writes what a scan found into a catalog table of a database workspace (a GeoPackage layer),
// in one transaction: one row per file, none for a file the catalog already holds (by its full
// path), and the indexes the catalog layers' queries use. Platform-internal.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/productline/catalog_scan.h"

class GDALDataset;
class OGRLayer;

namespace velk::productline {

struct CatalogWriteResult {
  std::size_t added = 0;
  std::size_t alreadyThere = 0;
};

// ds holds layer; uidsLayer, when given, is the referenced catalog's companion table of
// product series (PRODUCT, SERIES, SCALE), kept to one row per series the catalog holds.
// False with the reason when the rows cannot be written (nothing is then added).
bool WriteDtedRows(GDALDataset* ds, OGRLayer* layer, const std::vector<DtedCellRow>& rows,
                   CatalogWriteResult& result, std::string& reason);
bool WriteRpfRows(GDALDataset* ds, OGRLayer* layer, OGRLayer* uidsLayer,
                  const std::vector<RpfFrameRow>& rows, CatalogWriteResult& result,
                  std::string& reason);

// A VPF catalog: one footprint row per library (PRODUCT, LIBRARY), none for a library the catalog
// holds already (same PRODUCT and LIBRARY). featuresLayer, the catalog's "_features" table, gains
// one row per feature class of the new libraries. With copyFeatures (a geodatabase VPF catalog)
// the features of each new library are copied, through GDAL's OGDI driver, into the feature
// class named prefix "_" coverage "_" feature class of ds (made when missing, with the source's
// fields and a LIBRARY field). All of it in one transaction.
bool WriteVpfRows(GDALDataset* ds, OGRLayer* layer, OGRLayer* featuresLayer,
                  const std::vector<VpfLibraryRow>& rows, bool copyFeatures,
                  CatalogWriteResult& result, std::string& reason);

// Creates the indexes of the fields that the layers query, when the table has the fields and
// lacks the index: SCALE, PRODUCT, and PRODUCT + COVERAGE + FEAT_CLS.
void EnsureCatalogIndexes(GDALDataset* ds, OGRLayer* layer);

}  // namespace velk::productline
