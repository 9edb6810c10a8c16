// The terrain tool palette in a session with the real library: the user opens the palette from
// the toolbar, chooses the Hillshade cell and releases (Hillshade becomes the current tool), the
// open palette is saved as a picture, and the popup lands inside the work area near each edge.
// The selected-layer control of the toolbar is a double here, holding the map's catalog
// elevation layer, since the tools need one to be enabled.
#include <gtest/gtest.h>

#include <cairo.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "apps/trevik/session_runner.h"
#include "interfaces/corvane_ids.h"
#include "interfaces/zel_layer_interfaces.h"
#include "interfaces/zel_selected_layer.h"
#include "platform/host/shell/application.h"
#include "platform/host/shell/command.h"
#include "platform/host/documents/document.h"
#include "platform/host/display/map.h"
#include "platform/registry/activation.h"
#include "platform/registry/registry.h"
#include "platform/win/message_queue.h"
#include "tests/fixtures/raster_cells.h"
#include "tests/fixtures/temp_root.h"

namespace velk::test {
namespace {

namespace fs = std::filesystem;

const std::string kScript =
    std::string(VELK_SOURCE_DIR) + "/tests/apps/sessions/terrain_palette.session";

// The toolbar's selected-layer control: its current layer is the first layer of the focus map
// that is a catalog elevation layer.
class SelectedLayer
    : public ComObjectRoot<SelectedLayer, ICommand, IToolControl, IZelSelectedLayer> {
 public:
  HRESULT get_Enabled(VARIANT_BOOL* e) override { return Set(e, VARIANT_TRUE); }
  HRESULT get_Checked(VARIANT_BOOL* c) override { return Set(c, VARIANT_FALSE); }
  HRESULT get_Name(BSTR* t) override { return Text(t); }
  HRESULT get_Caption(BSTR* t) override { return Text(t); }
  HRESULT get_Tooltip(BSTR* t) override { return Text(t); }
  HRESULT get_Message(BSTR* t) override { return Text(t); }
  HRESULT get_HelpFile(BSTR* t) override { return Text(t); }
  HRESULT get_HelpContextID(LONG* id) override { return Set(id, 0L); }
  HRESULT get_Bitmap(HBITMAP*) override { return S_OK; }
  HRESULT get_Category(BSTR* t) override { return Text(t); }
  HRESULT OnCreate(IUnknown* hook) override {
    app_ = QueryAs<IApplication>(hook);
    return S_OK;
  }
  HRESULT OnClick() override { return S_OK; }
  HRESULT get_hWnd(HWND* w) override { return Set(w, static_cast<HWND>(nullptr)); }
  HRESULT OnFocus(IUnknown*) override { return S_OK; }
  HRESULT OnDrop(LONG, VARIANT_BOOL* accept) override { return Set(accept, VARIANT_TRUE); }
  HRESULT get_CurrentSelectedLayer(ILayer** layer) override {
    if (!layer) return E_POINTER;
    *layer = nullptr;
    ComPtr<IDocument> document;
    if (app_) app_->get_Document(document.put());
    ComPtr<IMap> map;
    if (auto maps = QueryAs<IMapDocument>(document.get())) maps->get_FocusMap(map.put());
    LONG n = 0;
    if (map) map->get_LayerCount(&n);
    for (LONG i = 0; i < n; ++i) {
      ComPtr<ILayer> l;
      map->get_Layer(i, l.put());
      if (QueryAs<IZelDtedLayer>(l.get())) return l.CopyTo(layer);
    }
    return S_OK;
  }

 private:
  template <class T, class V>
  static HRESULT Set(T* out, V v) {
    if (!out) return E_POINTER;
    *out = v;
    return S_OK;
  }
  static HRESULT Text(BSTR* t) { return Set(t, AllocBstr(L"Layer")); }
  ComPtr<IApplication> app_;
};

class PaletteSession : public ::testing::Test {
 protected:
  void SetUp() override {
    cookie_ = RegisterProcessClass(ids::CLSID_SelectedLayer, &CreateInstance<SelectedLayer>);
  }
  void TearDown() override {
    RevokeProcessClass(cookie_);
    win::ResetWindows();
    win::ResetMessageQueue();
  }
  // Runs the script with the library and pictures in place; the transcript goes to out.
  int Run(std::string script) {
    script = std::regex_replace(script, std::regex("build/lib/libCorvane\\.so"),
                                std::string(VELK_LIB_DIR) + "/libCorvane.so");
    script = std::regex_replace(script, std::regex("(\\w+)\\.png"), dir_ + "/$1.png");
    std::istringstream in(script);
    std::ostringstream o, e;
    int status = trevik::RunSessionScript(in, "terrain_palette.session", o, e);
    out = o.str();
    err = e.str();
    return status;
  }
  bool Has(const std::string& what) const { return out.find(what) != std::string::npos; }

  TempRoot root_;
  std::string dir_ = root_.path();
  DWORD cookie_ = 0;
  std::string out, err;
};

std::string ReadFile(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST_F(PaletteSession, ChoosingTheHillshadeCellMakesItTheCurrentTool) {
  ASSERT_EQ(Run(ReadFile(kScript)), 0) << err << out;
  EXPECT_TRUE(Has("  velkTarvosUI.TerrainToolControl in the toolbar at (102, 100)-(138, 121)"))
      << out;
  EXPECT_TRUE(Has("caption=\"Command Menu Control\" enabled=yes")) << out;
  EXPECT_TRUE(Has("  VelkCmdMenuControlPopup at (102, 122)-(162, 182)")) << out;
  EXPECT_TRUE(Has("  no VelkCmdMenuControlPopup window")) << out;
  EXPECT_TRUE(Has("  current tool velkTarvosUI.TerrainTools 3")) << out;

  // The saved palette: 60 x 60 pixels, the Hillshade cell raised by the pointer.
  const std::string png = dir_ + "/palette.png";
  ASSERT_TRUE(fs::exists(png)) << out;
  cairo_surface_t* s = cairo_image_surface_create_from_png(png.c_str());
  ASSERT_EQ(cairo_surface_status(s), CAIRO_STATUS_SUCCESS);
  EXPECT_EQ(cairo_image_surface_get_width(s), 60);
  EXPECT_EQ(cairo_image_surface_get_height(s), 60);
  cairo_surface_flush(s);
  auto* data = cairo_image_surface_get_data(s);
  int stride = cairo_image_surface_get_stride(s);
  auto pixel = [&](int x, int y) {
    return *reinterpret_cast<std::uint32_t*>(data + y * stride + x * 4) & 0xFFFFFF;
  };
  EXPECT_EQ(pixel(4, 28), 0xFFFFFFu);   // the highlight at the cell's top-left corner
  EXPECT_EQ(pixel(27, 51), 0xA0A0A0u);  // the shadow at its bottom-right corner
  EXPECT_EQ(pixel(4, 4), 0xF0F0F0u);    // the first cell keeps the button face
  // Each cell shows its tool's own picture (the bitmap file as GDAL reads it) at (8, 8) of
  // the cell, its top-left colour showing the face.
  const int bitmapIds[4] = {3022, 3028, 3021, 3030};
  for (int i = 0; i < 4; ++i) {
    const RasterCells own =
        ReadRasterCells(std::string(VELK_SOURCE_DIR) + "/resources/corvane/bitmaps/" +
                        std::to_string(bitmapIds[i]) + ".bmp");
    ASSERT_EQ(own.bands, 3) << bitmapIds[i];
    ASSERT_EQ(own.columns * own.rows, 256) << bitmapIds[i];
    auto ownPixel = [&](int k) {
      return (static_cast<std::uint32_t>(own.values[static_cast<std::size_t>(k)]) << 16) |
             (static_cast<std::uint32_t>(own.values[256 + static_cast<std::size_t>(k)]) << 8) |
             static_cast<std::uint32_t>(own.values[512 + static_cast<std::size_t>(k)]);
    };
    int drawn = 0, wrong = 0;
    for (int k = 0; k < 256; ++k) {
      const std::uint32_t want = ownPixel(k) == ownPixel(0) ? 0xF0F0F0u : ownPixel(k);
      drawn += want != 0xF0F0F0u;
      wrong += pixel(8 + 24 * (i % 2) + k % 16, 8 + 24 * (i / 2) + k / 16) != want;
    }
    EXPECT_GT(drawn, 0) << bitmapIds[i];
    EXPECT_EQ(wrong, 0) << "cell " << i << ", bitmap " << bitmapIds[i];
  }
  cairo_surface_destroy(s);
  EXPECT_TRUE(fs::exists(dir_ + "/control.png"));
}

TEST_F(PaletteSession, ThePopupLandsInsideTheWorkAreaNearEachEdge) {
  struct Case {
    const char* where;
    const char* workArea;
    int x, y;
    bool vertical;
    const char* expect;
  };
  // The control sits 2 pixels right of the toolbar's corner and 4 below it (2 in a high
  // toolbar), its drop-down part 25 to 35 pixels right of its own left edge.
  const Case cases[] = {
      {"bottom", "0 0 1000 700", 100, 656, false, "(102, 600)-(162, 660)"},
      {"right, wide toolbar", "0 0 1000 700", 960, 96, false, "(902, 122)-(962, 182)"},
      {"right, high toolbar", "0 0 1000 700", 960, 96, true, "(940, 120)-(1000, 180)"},
      {"top", "0 0 1000 700", 100, 0, false, "(102, 26)-(162, 86)"},
      {"left, wide toolbar", "50 0 1000 700", 40, 96, false, "(78, 122)-(138, 182)"},
      {"left, high toolbar", "50 0 1000 700", 40, 96, true, "(50, 120)-(110, 180)"},
  };
  for (const Case& c : cases) {
    const int cx = c.x + 2, cy = c.y + (c.vertical ? 2 : 4);
    std::string script =
        "host map\nregister build/lib/libCorvane.so\nextension Tarvos on\n"
        "work-area " +
        std::string(c.workArea) + "\ntoolbar velkTarvosUI.TerrainToolControl " +
        std::to_string(c.x) + " " + std::to_string(c.y) + (c.vertical ? " vertical" : "") +
        "\nmouse move " + std::to_string(cx + 5) + " " + std::to_string(cy + 5) + "\nmouse down " +
        std::to_string(cx + 30) + " " + std::to_string(cy + 10) +
        "\nprint window VelkCmdMenuControlPopup\n";
    ASSERT_EQ(Run(script), 0) << c.where << "\n" << err << out;
    EXPECT_TRUE(Has(std::string("  VelkCmdMenuControlPopup at ") + c.expect)) << c.where << "\n"
                                                                              << out;
    win::ResetWindows();
  }
}

}  // namespace
}  // namespace velk::test
