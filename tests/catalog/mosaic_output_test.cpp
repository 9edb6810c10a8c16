// Where a typed mosaic output goes: the folder (the current one for a bare name), the dataset's
// name, and the format its extension chooses; a path inside a GeoPackage is a database raster.
#include <gtest/gtest.h>

#include <cwchar>
#include <string>

#include "catalog/mosaic/mosaic_run.h"

namespace velk::corvane {
namespace {

TEST(MosaicOutput, TypedPathsNameTheirFolderNameAndFormat) {
  struct Case {
    const wchar_t* typed;
    const wchar_t* location;
    const wchar_t* name;
    const wchar_t* suffix;
    const wchar_t* format;
    bool database;
  } cases[] = {
      // A bare name is the current folder's, as its "./" spelling is.
      {L"mosaic.tif", L".", L"mosaic", L".tif", L"TIFF", false},
      {L"./mosaic.tif", L".", L"mosaic", L".tif", L"TIFF", false},
      {L"mosaic", L".", L"mosaic", L"", L"GRID", false},
      {L"relief.IMG", L".", L"relief", L".img", L"IMAGINE", false},
      {L"out/all.ntf", L"out", L"all", L".ntf", L"NITF", false},
      {L"/data/m.pix", L"/data", L"m", L".pix", L"PCIDSK", false},
      // An extension the host does not write stays in the name (the run refuses it).
      {L"m.vrt", L".", L"m.vrt", L"", L"GRID", false},
      {L"store.gpkg/elevation", L"store.gpkg", L"elevation", L"", L"", true},
      {L"out/Store.GPKG/dem", L"out/Store.GPKG", L"dem", L"", L"", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.typed, c.typed + std::wcslen(c.typed)));
    const MosaicOutput o = OutputFromPath(c.typed);
    EXPECT_EQ(o.location, c.location);
    EXPECT_EQ(o.name, c.name);
    EXPECT_EQ(o.suffix, c.suffix);
    EXPECT_EQ(o.format, c.format);
    EXPECT_EQ(o.database, c.database);
    EXPECT_FALSE(o.replace);
  }
}

}  // namespace
}  // namespace velk::corvane
