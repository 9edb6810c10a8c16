// Multipatch records of shapefiles (shape type 31), read and written by the host itself: GDAL's
// shapefile writer turns strips and fans into other triangle parts and drops the measures,
// which carry the texture coordinates and normals of 3-D vertices. Platform-internal.
#pragma once

#include <string>

#include "platform/host/geometry/geometry_data.h"

namespace velk::host {

inline constexpr int kShpMultiPatch = 31;

// The shape type in a .shp file's header; -1 when the file cannot be read.
int ShapefileHeaderType(const std::string& shp);

// Puts the multipatch (x, y, z, m of every part, with its part kind) into record index (from
// 0) of the .shp file, for a record that the index file already lists: the last record is
// rewritten in place, another one moves to the end of the file. The index entry and the
// extents of both headers (x, y, z and m) follow. False, with why, when the files cannot be
// read or written.
bool WriteMultipatchRecord(const std::string& shp, const std::string& shx, long index,
                           const GeomData& patch, std::string& why);

// The multipatch of record index: parts with their kinds, z- and m-aware (m NaN where the
// record keeps none). False for a null record or one that is no multipatch, or a file that
// cannot be read.
bool ReadMultipatchRecord(const std::string& shp, const std::string& shx, long index,
                          GeomData& out);

}  // namespace velk::host
