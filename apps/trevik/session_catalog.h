// Session actions over catalogs of map products and the map picture:
//   catalog-new DB NAME KIND            makes a catalog (KIND dted, rpf, referenced-rpf, vpf,
//                                       managed-vpf) in the GeoPackage DB (made when missing)
//   catalog-load DB NAME KIND FOLDER    loads the products under FOLDER into the catalog; every
//                                       event of the data manager is printed as it comes
//   add-catalog DB NAME [WHERE]         adds a raster-catalog layer over the catalog (its rows'
//                                       rasters in FULL_NAME) on top of the focus map
//   save-picture FILE.png               draws the focus map's current view into a PNG and prints
//                                       what the draw did
#pragma once

#include <string>
#include <vector>

#include "apps/trevik/session_actions.h"

namespace trevik {

// Runs the action when it is one of these; false for any other name.
bool RunCatalogAction(const std::string& action, const std::vector<std::wstring>& args,
                      const SessionActionContext& context);

}  // namespace trevik
