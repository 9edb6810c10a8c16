// The options sheet as a user works it in a session: symbols chosen in the host's selector,
// pages with their symbol buttons saved as pictures, the choices in the settings after OK.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include <gdal_priv.h>

#include "tests/fixtures/session_runner.h"
#include "tests/fixtures/temp_root.h"
#include "tests/fixtures/tool_output.h"

namespace velk::test {
namespace {

// Pixels of a PNG whose red, green and blue are each within 60 of the wanted colour.
int PixelsNear(const std::string& png, int red, int green, int blue) {
  GDALAllRegister();
  GDALDatasetUniquePtr ds(GDALDataset::Open(png.c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY));
  if (!ds || ds->GetRasterCount() < 3) return -1;
  const int w = ds->GetRasterXSize(), h = ds->GetRasterYSize();
  std::vector<unsigned char> band[3];
  for (int b = 0; b < 3; ++b) {
    band[b].resize(static_cast<std::size_t>(w) * h);
    if (ds->GetRasterBand(b + 1)->RasterIO(GF_Read, 0, 0, w, h, band[b].data(), w, h, GDT_Byte, 0,
                                           0) != CE_None)
      return -1;
  }
  const int want[3] = {red, green, blue};
  int n = 0;
  for (std::size_t i = 0; i < band[0].size(); ++i) {
    bool near = true;
    for (int b = 0; b < 3; ++b) near = near && std::abs(band[b][i] - want[b]) <= 60;
    n += near;
  }
  return n;
}

TEST(OptionsSession, ChosenSymbolsShowOnTheSavedPagesAndReachTheSettings) {
  TempRoot root;
  ScratchDir dir;
  const std::string coord = dir / "coord.png", geodesy = dir / "geodesy.png";
  const std::string script = "host map\nregister " + kCorvaneLibrary +
                             "\n"
                             "click velkTarvosUI.Options2\n"
                             "tab 12320 1\n"
                             "help 3519\n"
                             "focus 3726\n"
                             "key f4\n"
                             "symbol cancel\n"
                             "press 3726\n"
                             "symbol \"marker 0x00FF00 10 0\"\n"
                             "save-dialog " +
                             coord +
                             "\n"
                             "tab 12320 2\n"
                             "press 3733\n"
                             "symbol \"text 0x0000FF 10\"\n"
                             "press 3730\n"
                             "symbol cancel\n"
                             "save-dialog " +
                             geodesy +
                             "\n"
                             "press OK\n"
                             "setting CoordToolSymbol?\n"
                             "setting GeodesyLabelSymbol?\n"
                             "setting GeodesyLineSymbol?\n";
  CommandResult r = RunSession(root, dir.path(), "options.session", script);
  ASSERT_EQ(r.status, 0) << r.err << r.out;
  for (const char* line :
       {"symbol selector offers \"marker 0x0000FF 8 0\"",
        "symbol selector offers \"text 0x000000 10\"", "CoordToolSymbol=marker 0x00FF00 10 0",
        "GeodesyLabelSymbol=text 0x0000FF 10", "GeodesyLineSymbol=line 0xFF0000 1.5 0"})
    EXPECT_NE(r.out.find(line), std::string::npos) << line << "\n" << r.out;
  // F1 over a control: the help file's pop-up for it; F4 on a symbol button opens the selector
  // as a click does (the cancelled one changes nothing).
  EXPECT_NE(r.out.find("help \"velk_csTarvos.hlp\" popup 3519"), std::string::npos) << r.out;
  const std::size_t f4 = r.out.find("> key f4");
  ASSERT_NE(f4, std::string::npos);
  EXPECT_NE(r.out.find("symbol selector offers \"marker 0x0000FF 8 0\"", f4), std::string::npos);
  EXPECT_NE(
      r.out.find("symbol selector offers \"marker 0x0000FF 8 0\"", r.out.find("> press 3726")),
      std::string::npos)
      << "the cancelled choice left the symbol as it was\n"
      << r.out;
  // The green marker on the Coordinate Tool page; the red label text on the Geodesy page (and
  // no green marker there).
  EXPECT_GT(PixelsNear(coord, 0, 255, 0), 20);
  EXPECT_GT(PixelsNear(geodesy, 255, 0, 0), 5);
  EXPECT_EQ(PixelsNear(geodesy, 0, 255, 0), 0);
}

}  // namespace
}  // namespace velk::test
