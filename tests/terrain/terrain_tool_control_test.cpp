// The terrain tool palette in a running 2-D host whose command bars hold the four terrain
// tools: the split button and its popup palette driven by the mouse, the drawing of the face,
// the cells, the embossed and transparent bitmaps and the arrow (checked against small pixel
// pictures built from the control's geometry), the texts it shows, where the popup lands, the
// presses it passes on, and the host application it keeps only while a control lives.
#include "terrain/terrain_tools/terrain_tool_control.h"

#include <gtest/gtest.h>

#include <sstream>

#include "interfaces/corvane_ids.h"
#include "interfaces/zel_layer_interfaces.h"
#include "platform/com/text.h"
#include "platform/host/data/uid.h"
#include "platform/win/common_controls.h"
#include "platform/win/message_queue.h"
#include "platform/win/user_input.h"
#include "framework/command_images.h"
#include "terrain/terrain_tools/terrain_tools.h"
#include "tests/fixtures/pixel_map.h"
#include "tests/fixtures/raster_cells.h"
#include "tests/framework/host_session_fixture.h"
#include "tests/framework/layer_doubles.h"
#include "tests/platform/win_fixture.h"

namespace velk::corvane {
namespace {

using Picture = std::vector<std::string>;

const COLORREF kFace = GetSysColor(COLOR_BTNFACE);
constexpr COLORREF kTransparent = RGB(192, 192, 192), kRed = RGB(220, 0, 0), kBlue = RGB(0, 0, 200),
                   kWhite = RGB(255, 255, 255), kBack = RGB(10, 20, 30);

// Legend of the pictures: F button face, H highlight, S shadow, K the arrow's colour, r and b
// the bitmap's own colours, w white, '.' a background that is none of those.
test::PixelLegend Legend() {
  return {{kFace, 'F'},
          {GetSysColor(COLOR_BTNHIGHLIGHT), 'H'},
          {GetSysColor(COLOR_BTNSHADOW), 'S'},
          {GetSysColor(COLOR_WINDOWFRAME), 'K'},
          {kRed, 'r'},
          {kBlue, 'b'},
          {kBack, '.'},
          {kTransparent, 'T'}};
}

// A 16 x 16 tool picture: transparent but for a red 2 x 2 block at (7, 7), a white pixel at
// (3, 3) and a blue one at (15, 15).
HBITMAP ToolBitmap() {
  Picture rows(16, std::string(16, 'T'));
  rows[7][7] = rows[7][8] = rows[8][7] = rows[8][8] = 'r';
  rows[3][3] = 'w';
  rows[15][15] = 'b';
  return test::BitmapFromRows(rows,
                              {{kTransparent, 'T'}, {kRed, 'r'}, {kBlue, 'b'}, {kWhite, 'w'}});
}

Picture Blank(int w, int h, char c) {
  return Picture(static_cast<std::size_t>(h), std::string(w, c));
}
void Mark(Picture& p, int x, int y, char c) {
  p[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)] = c;
}
void Row(Picture& p, int y, int x0, int x1, char c) {
  for (int x = x0; x <= x1; ++x) Mark(p, x, y, c);
}
void Column(Picture& p, int x, int y0, int y1, char c) {
  for (int y = y0; y <= y1; ++y) Mark(p, x, y, c);
}
// A one-pixel ring: top and left in a, bottom and right in b.
void Ring(Picture& p, RECT r, char a, char b) {
  Row(p, r.top, r.left, r.right - 1, a);
  Column(p, r.left, r.top, r.bottom - 1, a);
  Row(p, r.bottom - 1, r.left, r.right - 1, b);
  Column(p, r.right - 1, r.top, r.bottom - 1, b);
}

// The drop-down arrow of the 36 x 21 control: rows of 8, 6, 4 and 2 pixels from (27, 10).
void Arrow(Picture& p) {
  Row(p, 10, 27, 34, 'K');
  Row(p, 11, 28, 33, 'K');
  Row(p, 12, 29, 32, 'K');
  Row(p, 13, 30, 31, 'K');
}

// The face of the control: the tool's bitmap at (4, 2), and the arrow.
Picture FaceBase() {
  Picture p = Blank(36, 21, 'F');
  Mark(p, 11, 9, 'r');
  Mark(p, 12, 9, 'r');
  Mark(p, 11, 10, 'r');
  Mark(p, 12, 10, 'r');
  Mark(p, 7, 5, 'w');
  Mark(p, 19, 17, 'b');
  Arrow(p);
  return p;
}

Picture DrawFace(const ControlFaceState& state, const PaletteItemLook& look, RECT* button = nullptr,
                 RECT* arrow = nullptr) {
  test::MemoryCanvas canvas(36, 21, kBack);
  ControlFaceRects rects = PaintControlFace(canvas.dc(), {0, 0, 36, 21}, state, [&](const RECT& r) {
    DrawPaletteItem(canvas.dc(), look, r, state.pressed);
  });
  if (button) *button = rects.button;
  if (arrow) *arrow = rects.arrow;
  return test::PixelMap(canvas.dc(), {0, 0, 36, 21}, Legend());
}

class PaletteDrawing : public test::WinTest {
 protected:
  void SetUp() override {
    WinTest::SetUp();
    bitmap = ToolBitmap();
    look.bitmap = bitmap;
  }
  void TearDown() override {
    DeleteObject(bitmap);
    WinTest::TearDown();
  }
  HBITMAP bitmap = nullptr;
  PaletteItemLook look;
};

TEST_F(PaletteDrawing, TheIdleFaceShowsTheToolWithoutItsBackgroundAndTheArrow) {
  RECT button{}, arrow{};
  Picture face = DrawFace({}, look, &button, &arrow);
  Picture expect = FaceBase();
  // The white pixel is the tool's own; it only looks like the highlight colour.
  Mark(expect, 7, 5, 'H');
  EXPECT_EQ(face, expect);
  const RECT buttonPart{0, 0, 24, 21}, arrowPart{25, 0, 36, 21};
  EXPECT_TRUE(EqualRect(&button, &buttonPart));
  EXPECT_TRUE(EqualRect(&arrow, &arrowPart));
}

TEST_F(PaletteDrawing, HoverRaisesBothPartsWithASeparator) {
  Picture expect = FaceBase();
  Mark(expect, 7, 5, 'H');
  Ring(expect, {0, 0, 24, 21}, 'H', 'S');
  Column(expect, 24, 0, 20, 'S');
  Column(expect, 25, 0, 20, 'H');
  Ring(expect, {25, 0, 36, 21}, 'H', 'S');
  EXPECT_EQ(DrawFace({true, false, false}, look), expect);
}

TEST_F(PaletteDrawing, PressedCheckedAndCurrentToolsAreSunken) {
  // Pressed while hovering: the button part sunken instead of raised.
  Picture pressed = FaceBase();
  Mark(pressed, 7, 5, 'H');
  Column(pressed, 24, 0, 20, 'S');
  Column(pressed, 25, 0, 20, 'H');
  Ring(pressed, {25, 0, 36, 21}, 'H', 'S');
  Ring(pressed, {0, 0, 24, 21}, 'S', 'H');
  EXPECT_EQ(DrawFace({true, true, false}, look), pressed);

  // The host's current tool, or a checked one, is sunken when idle; the open palette sinks
  // the arrow part.
  Picture current = FaceBase();
  Mark(current, 7, 5, 'H');
  Ring(current, {0, 0, 24, 21}, 'S', 'H');
  Ring(current, {25, 0, 36, 21}, 'S', 'H');
  PaletteItemLook active = look;
  active.active = true;
  EXPECT_EQ(DrawFace({false, false, true}, active), current);
  PaletteItemLook checked = look;
  checked.checked = true;
  EXPECT_EQ(DrawFace({false, false, true}, checked), current);
}

TEST_F(PaletteDrawing, ADisabledToolIsEmbossedInShadowWithAHighlightFringe) {
  test::MemoryCanvas canvas(20, 20, kFace);
  DrawDisabledBitmap(canvas.dc(), bitmap, {0, 0, 20, 20});  // at (2, 2)
  Picture expect = Blank(20, 20, 'F');
  // The red block (own colour, not white) at (9, 9) in highlight, then at (8, 8) in shadow.
  Row(expect, 9, 9, 10, 'H');
  Row(expect, 10, 9, 10, 'H');
  Row(expect, 8, 8, 9, 'S');
  Row(expect, 9, 8, 9, 'S');
  Mark(expect, 17, 17, 'H');
  Mark(expect, 16, 16, 'S');
  // White pixels and the transparent colour take no part.
  EXPECT_EQ(test::PixelMap(canvas.dc(), {0, 0, 20, 20}, Legend()), expect);

  // A disabled face: the emboss in the button part, still sunken when checked.
  PaletteItemLook disabled = look;
  disabled.enabled = false;
  disabled.checked = true;
  Picture face = Blank(36, 21, 'F');
  Arrow(face);
  Ring(face, {0, 0, 24, 21}, 'S', 'H');
  Row(face, 9, 11, 12, 'H');
  Row(face, 10, 11, 12, 'H');
  Row(face, 8, 10, 11, 'S');
  Row(face, 9, 10, 11, 'S');
  Mark(face, 19, 17, 'H');
  Mark(face, 18, 16, 'S');
  EXPECT_EQ(DrawFace({}, disabled), face);
}

TEST_F(PaletteDrawing, TransparentPixelsShowWhatIsBehindAndOtherSizesAreScaled) {
  test::MemoryCanvas canvas(20, 20, kBack);
  DrawTransparentBitmap(canvas.dc(), bitmap, {0, 0, 20, 20});
  Picture expect = Blank(20, 20, '.');
  Row(expect, 9, 9, 10, 'r');
  Row(expect, 10, 9, 10, 'r');
  Mark(expect, 5, 5, 'H');
  Mark(expect, 17, 17, 'b');
  EXPECT_EQ(test::PixelMap(canvas.dc(), {0, 0, 20, 20}, Legend()), expect);

  // An 8 x 8 picture is drawn at 16 x 16: each pixel twice as wide and high.
  Picture small(8, std::string(8, 'T'));
  small[2][3] = 'r';
  HBITMAP half = test::BitmapFromRows(small, {{kTransparent, 'T'}, {kRed, 'r'}});
  test::MemoryCanvas scaled(16, 16, kBack);
  DrawTransparentBitmap(scaled.dc(), half, {0, 0, 16, 16});
  Picture twice = Blank(16, 16, '.');
  Row(twice, 4, 6, 7, 'r');
  Row(twice, 5, 6, 7, 'r');
  EXPECT_EQ(test::PixelMap(scaled.dc(), {0, 0, 16, 16}, Legend()), twice);
  DeleteObject(half);
}

TEST_F(PaletteDrawing, AWhiteBackgroundEmbossesTheDrawnPixels) {
  Picture rows(16, std::string(16, 'w'));
  rows[4][4] = 'r';
  HBITMAP white = test::BitmapFromRows(rows, {{kWhite, 'w'}, {kRed, 'r'}});
  test::MemoryCanvas canvas(16, 16, kFace);
  DrawDisabledBitmap(canvas.dc(), white, {0, 0, 16, 16});
  Picture expect = Blank(16, 16, 'F');
  Mark(expect, 4, 4, 'H');
  Mark(expect, 3, 3, 'S');
  EXPECT_EQ(test::PixelMap(canvas.dc(), {0, 0, 16, 16}, Legend()), expect);
  DeleteObject(white);
}

// ---- The control in a host ----

constexpr wchar_t kToolsId[] = L"{4A60DA54-6B34-439E-8D34-24C5CE8988DF}";

struct PaletteHost {
  test::HostSessionFixture fixture;
  ComPtr<IToolControl> selected;
  ComPtr<ILayer> cells;
  std::vector<ComPtr<ICommand>> tools;
  ComPtr<ICommand> command;
  TerrainToolControl* control = nullptr;
  HWND toolbar = nullptr;

  explicit PaletteHost(int toolCount = 4) {
    fixture.SetStates(1, 1, 1);
    auto& bars = fixture.Session().App().Document().Bars();
    selected = MakeObjectPtr<test::SelectedLayerDouble, IToolControl>();
    EXPECT_EQ(bars.AddItem(L"velkTarvosUI.SelectedLayer", 0, selected.get(), nullptr), S_OK);
    cells = test::MakeLayer(L"cells", {IidOf<IZelDtedLayer>()});
    static_cast<test::SelectedLayerDouble*>(selected.get())->current = cells;
    for (LONG n = 1; n <= toolCount; ++n) {
      ComPtr<ICommand> tool;
      EXPECT_EQ(CreateTerrainTools(nullptr, IidOf<ICommand>(), tool.put_void()), S_OK);
      tool.Query<ICommandSubType>()->SetSubType(n);
      tool->OnCreate(fixture.Session().Hook());
      EXPECT_EQ(bars.AddItem(kToolsId, n, tool.get(), nullptr), S_OK);
      tools.push_back(tool);
    }
    EXPECT_EQ(CreateTerrainToolControl(nullptr, IidOf<ICommand>(), command.put_void()), S_OK);
    control = static_cast<TerrainToolControl*>(command.Query<ITerrainToolControl>().get());
    EXPECT_EQ(command->OnCreate(fixture.Session().Hook()), S_OK);
  }
  ~PaletteHost() {
    if (IsWindow(toolbar)) DestroyWindow(toolbar);
  }
  // The host puts the control into a toolbar whose top-left corner is at (x, y) on the screen.
  void Place(int x, int y, bool horizontal = true) {
    HWND main = nullptr;
    fixture.Session().Hook()->get_hWnd(&main);
    toolbar =
        CreateWindowExW(0, WC_PLAINWINDOW, L"", WS_POPUP | WS_VISIBLE, x, y, horizontal ? 400 : 40,
                        horizontal ? 30 : 400, main, nullptr, nullptr, nullptr);
    HWND h = nullptr;
    command.Query<IToolControl>()->get_hWnd(&h);
    SetParent(h, toolbar);
    MoveWindow(h, 2, 4, kPaletteControlWidth, kPaletteControlHeight, TRUE);
    Poll();
  }
  VARIANT_BOOL Poll() {
    VARIANT_BOOL enabled = VARIANT_FALSE;
    command->get_Enabled(&enabled);
    win::PumpMessages();
    return enabled;
  }
  // The mouse at a screen point; the host's message loop runs.
  void Mouse(UINT msg, int x, int y) {
    win::user::MouseAt(msg, {x, y}, msg == WM_LBUTTONDOWN ? MK_LBUTTON : 0);
    win::PumpMessages();
  }
  // The pointer comes onto the control placed at (100, 96) and presses its drop-down part.
  void OpenPalette() {
    Mouse(WM_MOUSEMOVE, 110, 110);
    Mouse(WM_LBUTTONDOWN, 132, 110);
  }
  // The screen point of a palette client point.
  POINT OnPalette(int x, int y) {
    POINT p{x, y};
    ClientToScreen(control->PaletteWindow(), &p);
    return p;
  }
  void Choose(int cellX, int cellY) {
    POINT p = OnPalette(cellX, cellY);
    Mouse(WM_MOUSEMOVE, p.x, p.y);
    Mouse(WM_LBUTTONDOWN, p.x, p.y);
    Mouse(WM_LBUTTONUP, p.x, p.y);
  }
  LONG CurrentToolSubtype() {
    ComPtr<ICommandItem> tool;
    fixture.Session().Hook()->get_CurrentTool(tool.put());
    LONG subtype = 0;
    if (tool) tool->get_SubType(&subtype);
    return subtype;
  }
  std::wstring Text(HRESULT (ICommand::*get)(BSTR*)) {
    Bstr text;
    (command.get()->*get)(&text);
    return text.str();
  }
  std::wstring ToolText(int index, HRESULT (ICommand::*get)(BSTR*)) {
    Bstr text;
    (tools[static_cast<std::size_t>(index)].get()->*get)(&text);
    return text.str();
  }
};

class PaletteControl : public test::WinTest {};

TEST_F(PaletteControl, FindsTheFourToolsAndShowsItsOwnTexts) {
  PaletteHost host;
  EXPECT_EQ(host.control->ItemCount(), 4);
  EXPECT_EQ(host.control->Grid().rows, 2);
  EXPECT_EQ(host.control->Grid().columns, 2);
  EXPECT_EQ(host.Text(&ICommand::get_Name), L"Developer Samples_Command Menu Control");
  EXPECT_EQ(host.Text(&ICommand::get_Caption), L"Command Menu Control");
  EXPECT_EQ(host.Text(&ICommand::get_Category), L"Developer Samples");
  EXPECT_EQ(host.Text(&ICommand::get_Tooltip), host.ToolText(0, &ICommand::get_Tooltip));
  EXPECT_EQ(host.Text(&ICommand::get_Message), host.ToolText(0, &ICommand::get_Message));
  EXPECT_EQ(host.command->get_Name(nullptr), E_INVALIDARG);
  EXPECT_EQ(host.command->get_Enabled(nullptr), E_POINTER);
  HBITMAP none = reinterpret_cast<HBITMAP>(1);
  EXPECT_EQ(host.command->get_Bitmap(&none), S_OK);
  EXPECT_EQ(none, nullptr);
  HWND h = nullptr;
  host.command.Query<IToolControl>()->get_hWnd(&h);
  EXPECT_EQ(win::WindowClassName(h), kPaletteControlClass);
  RECT r{};
  GetClientRect(h, &r);
  EXPECT_EQ(r.right, 36);
  EXPECT_EQ(r.bottom, 21);
  // The control's tooltip asks for the current tool's tooltip.
  wchar_t buf[80] = L"";
  TOOLINFOW ti;
  ti.hwnd = h;
  ti.uId = reinterpret_cast<UINT_PTR>(h);
  ti.lpszText = buf;
  SendMessageW(host.control->ControlTooltip(), TTM_GETTEXTW, 80, reinterpret_cast<LPARAM>(&ti));
  EXPECT_EQ(std::wstring(buf), host.ToolText(0, &ICommand::get_Tooltip));
  VARIANT_BOOL accept = VARIANT_FALSE;
  host.command.Query<IToolControl>()->OnDrop(0, &accept);
  EXPECT_EQ(accept, VARIANT_TRUE);
}

TEST_F(PaletteControl, ChoosingTheHillshadeCellMakesItTheCurrentToolAndRunsIt) {
  PaletteHost host;
  host.Place(100, 96);  // the control at (102, 100)-(138, 121) on the screen
  EXPECT_EQ(host.Poll(), VARIANT_TRUE);
  host.Mouse(WM_MOUSEMOVE, 110, 110);
  EXPECT_TRUE(host.control->Hover());
  host.Mouse(WM_LBUTTONDOWN, 132, 110);  // the drop-down part
  ASSERT_TRUE(host.control->PaletteOpen());
  RECT popup{};
  GetWindowRect(host.control->PopupWindow(), &popup);
  EXPECT_EQ(popup.left, 102);
  EXPECT_EQ(popup.top, 122);
  EXPECT_EQ(popup.right - popup.left, 60);
  EXPECT_EQ(GetCapture(), host.control->PaletteWindow());
  // No cell highlighted yet: the message is one space; then the Hillshade cell's.
  EXPECT_EQ(host.Text(&ICommand::get_Message), L" ");
  POINT cell = host.OnPalette(10, 30);
  host.Mouse(WM_MOUSEMOVE, cell.x, cell.y);
  EXPECT_EQ(host.control->HoverIndex(), 2);
  EXPECT_EQ(host.Text(&ICommand::get_Message), host.ToolText(2, &ICommand::get_Message));
  // The palette's tooltip describes each cell by its tool.
  wchar_t buf[80] = L"";
  TOOLINFOW ti;
  ti.hwnd = host.control->PaletteWindow();
  ti.uId = 3;
  ti.lpszText = buf;
  SendMessageW(host.control->PaletteTooltip(), TTM_GETTEXTW, 80, reinterpret_cast<LPARAM>(&ti));
  EXPECT_EQ(std::wstring(buf), host.ToolText(3, &ICommand::get_Tooltip));

  host.Mouse(WM_LBUTTONDOWN, cell.x, cell.y);
  EXPECT_EQ(host.control->PressedIndex(), 2);
  host.Mouse(WM_LBUTTONUP, cell.x, cell.y);
  EXPECT_FALSE(host.control->PaletteOpen());
  EXPECT_FALSE(IsWindow(host.control->PopupWindow()));
  EXPECT_EQ(host.control->CurrentIndex(), 2);
  EXPECT_EQ(host.CurrentToolSubtype(), 3);
  EXPECT_EQ(host.Text(&ICommand::get_Tooltip), host.ToolText(2, &ICommand::get_Tooltip));

  // The button part now runs Hillshade again; being the current tool, it is clicked, not
  // executed anew.
  host.fixture.Session().Hook()->put_CurrentTool(nullptr);
  host.Poll();
  host.Mouse(WM_MOUSEMOVE, 110, 110);
  host.Mouse(WM_LBUTTONDOWN, 110, 110);
  EXPECT_EQ(host.CurrentToolSubtype(), 3);
  host.Mouse(WM_LBUTTONUP, 110, 110);
  host.Poll();
  host.Mouse(WM_LBUTTONDOWN, 110, 110);
  EXPECT_EQ(host.CurrentToolSubtype(), 3);
}

TEST_F(PaletteControl, AReleaseBeforeAnyCellWasPressedChoosesNothing) {
  PaletteHost host;
  host.Place(100, 96);
  host.OpenPalette();
  POINT cell = host.OnPalette(30, 10);
  host.Mouse(WM_MOUSEMOVE, cell.x, cell.y);
  host.Mouse(WM_LBUTTONUP, cell.x, cell.y);
  EXPECT_TRUE(host.control->PaletteOpen());
  EXPECT_EQ(host.control->CurrentIndex(), 0);
  EXPECT_EQ(host.CurrentToolSubtype(), 0);
  // Points left of and above the first bitmap hit no cell.
  POINT margin = host.OnPalette(6, 20);
  host.Mouse(WM_LBUTTONDOWN, margin.x, margin.y);
  host.Mouse(WM_LBUTTONUP, margin.x, margin.y);
  EXPECT_TRUE(host.control->PaletteOpen());
  EXPECT_EQ(host.CurrentToolSubtype(), 0);
}

TEST_F(PaletteControl, ADisabledToolIsNotRunFromTheButtonButThePaletteStillOpens) {
  PaletteHost host;
  host.fixture.SetStates(1, 0, 0);  // Quentara off: the highest point is disabled
  host.Place(100, 96);
  EXPECT_EQ(host.Poll(), VARIANT_TRUE);  // the control itself stays enabled
  host.Mouse(WM_MOUSEMOVE, 110, 110);
  host.Mouse(WM_LBUTTONDOWN, 110, 110);
  EXPECT_EQ(host.CurrentToolSubtype(), 0);
  host.Mouse(WM_LBUTTONUP, 110, 110);
  host.Mouse(WM_LBUTTONDOWN, 132, 110);
  EXPECT_TRUE(host.control->PaletteOpen());
}

TEST_F(PaletteControl, TheOpenPaletteShowsEveryToolAndHighlightsTheCellUnderThePointer) {
  PaletteHost host;
  host.Place(100, 96);
  host.OpenPalette();
  POINT cell = host.OnPalette(30, 10);
  host.Mouse(WM_MOUSEMOVE, cell.x, cell.y);
  ASSERT_EQ(host.control->HoverIndex(), 1);
  HWND palette = host.control->PaletteWindow();
  test::MemoryCanvas canvas(60, 60, kBack);
  ASSERT_TRUE(win::CopyWindowPixels(palette, canvas.dc(), 0, 0));
  auto row = [&](int y, int x0, int x1) {
    return test::PixelMap(canvas.dc(), {x0, y, x1, y + 1}, Legend())[0];
  };
  auto column = [&](int x, int y0, int y1) {
    std::string c;
    for (const auto& r : test::PixelMap(canvas.dc(), {x, y0, x + 1, y1}, Legend())) c += r;
    return c;
  };
  // A raised edge round cell 1, (28, 4)-(52, 28); cell 0's rectangle keeps the face.
  EXPECT_EQ(row(4, 28, 52), std::string(23, 'H') + "S");
  EXPECT_EQ(row(27, 28, 52), std::string(24, 'S'));
  EXPECT_EQ(column(28, 4, 28), std::string(23, 'H') + "S");
  EXPECT_EQ(column(51, 4, 28), std::string(24, 'S'));
  EXPECT_EQ(row(4, 4, 28), std::string(24, 'F'));
  // Moving on wipes it with the menu colour and raises the next cell.
  cell = host.OnPalette(10, 30);
  host.Mouse(WM_MOUSEMOVE, cell.x, cell.y);
  ASSERT_TRUE(win::CopyWindowPixels(palette, canvas.dc(), 0, 0));
  EXPECT_EQ(row(4, 28, 52), std::string(24, 'F'));
  EXPECT_EQ(column(51, 4, 28), std::string(24, 'F'));
  EXPECT_EQ(row(28, 4, 28), std::string(23, 'H') + "S");
  EXPECT_TRUE(win::WriteWindowPng(host.control->PopupWindow(),
                                  ::testing::TempDir() + "terrain_palette_open.png"));
}

// The real tools' pictures, as GDAL reads their bitmap files: 0x00RRGGBB, row by row.
std::vector<std::uint32_t> OwnPicture(UINT bitmapId) {
  const test::RasterCells cells =
      test::ReadRasterCells(std::string(VELK_SOURCE_DIR) + "/resources/corvane/bitmaps/" +
                            std::to_string(bitmapId) + ".bmp");
  std::vector<std::uint32_t> out;
  if (cells.bands != 3 || cells.columns != 16 || cells.rows != 16) return out;
  const std::size_t n = 16 * 16;
  for (std::size_t i = 0; i < n; ++i)
    out.push_back((static_cast<std::uint32_t>(cells.values[i]) << 16) |
                  (static_cast<std::uint32_t>(cells.values[n + i]) << 8) |
                  static_cast<std::uint32_t>(cells.values[2 * n + i]));
  return out;
}

// What a 16 x 16 box at (x, y) of the DC must show for a tool's picture: enabled, its own
// colours with the top-left colour showing the face; disabled, the shape of the pixels that
// are neither white nor that colour in shadow, with a highlight fringe one pixel lower right.
// Differences are listed as "(x, y) want W got G".
std::string CompareBox(HDC dc, int x, int y, const std::vector<std::uint32_t>& picture,
                       bool enabled) {
  auto rgb = [](std::uint32_t p) { return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF); };
  const std::uint32_t transparent = picture[0];
  auto shape = [&](int px, int py) {
    if (px < 0 || py < 0 || px > 15 || py > 15) return false;
    const std::uint32_t p =
        picture[static_cast<std::size_t>(py) * 16 + static_cast<std::size_t>(px)];
    return p != transparent && p != 0xFFFFFFu;
  };
  std::ostringstream diff;
  for (int py = 0; py < 16; ++py)
    for (int px = 0; px < 16; ++px) {
      COLORREF want = kFace;
      if (enabled) {
        const std::uint32_t p =
            picture[static_cast<std::size_t>(py) * 16 + static_cast<std::size_t>(px)];
        if (p != transparent) want = rgb(p);
      } else if (shape(px + 1, py + 1)) {
        want = GetSysColor(COLOR_BTNSHADOW);
      } else if (shape(px, py)) {
        want = GetSysColor(COLOR_BTNHIGHLIGHT);
      }
      const COLORREF got = GetPixel(dc, x + px, y + py);
      if ((want & 0xFFFFFF) != (got & 0xFFFFFF))
        diff << "(" << px << ", " << py << ") want " << std::hex << want << " got " << got
             << std::dec << "; ";
    }
  return diff.str();
}

// The palette and the button of the control show the real tools' own pictures: the enabled
// ones without their top-left colour, the disabled ones (Highest and Lowest without
// Quentara) embossed.
TEST_F(PaletteControl, TheCellsAndTheButtonShowTheToolsOwnPictures) {
  PaletteHost host;
  host.fixture.SetStates(1, 0, 1);
  host.Place(100, 96);
  host.OpenPalette();
  ASSERT_TRUE(host.control->PaletteOpen());
  test::MemoryCanvas canvas(60, 60, kBack);
  ASSERT_TRUE(win::CopyWindowPixels(host.control->PaletteWindow(), canvas.dc(), 0, 0));
  std::vector<std::vector<std::uint32_t>> pictures;
  for (int i = 0; i < 4; ++i) {
    HBITMAP bitmap = nullptr;
    ASSERT_EQ(host.tools[static_cast<std::size_t>(i)]->get_Bitmap(&bitmap), S_OK);
    const CommandBitmapInfo* info = DescribeCommandBitmap(bitmap);
    ASSERT_NE(info, nullptr) << i;
    pictures.push_back(OwnPicture(info->id));
    ASSERT_EQ(pictures.back().size(), 256u) << info->id;
    VARIANT_BOOL enabled = VARIANT_FALSE;
    host.tools[static_cast<std::size_t>(i)]->get_Enabled(&enabled);
    EXPECT_EQ(enabled != VARIANT_FALSE, i >= 2) << i;
    const int cellX = 8 + 24 * (i % 2), cellY = 8 + 24 * (i / 2);
    EXPECT_EQ(CompareBox(canvas.dc(), cellX, cellY, pictures.back(), i >= 2), "") << "tool " << i;
  }
  // Choosing the Mosaic cell makes it the current tool; the button then shows its picture.
  host.Choose(34, 34);
  host.Poll();
  test::MemoryCanvas face(36, 21, kBack);
  HWND control = nullptr;
  host.command.Query<IToolControl>()->get_hWnd(&control);
  ASSERT_TRUE(win::CopyWindowPixels(control, face.dc(), 0, 0));
  EXPECT_EQ(CompareBox(face.dc(), 4, 2, pictures[3], true), "");
}

TEST_F(PaletteControl, TheCurrentToolIsSunkenInItsCellAndNeverHighlighted) {
  PaletteHost host;
  host.Place(100, 96);
  host.OpenPalette();
  host.Choose(10, 30);  // Hillshade becomes the current tool
  host.Poll();
  host.OpenPalette();
  ASSERT_TRUE(host.control->PaletteOpen());
  // Opened again, no cell is highlighted yet: the message is no stale cell's.
  EXPECT_EQ(host.control->HoverIndex(), -1);
  EXPECT_EQ(host.Text(&ICommand::get_Message), L" ");
  POINT cell = host.OnPalette(10, 30);
  host.Mouse(WM_MOUSEMOVE, cell.x, cell.y);
  EXPECT_EQ(host.control->HoverIndex(), -1);
  test::MemoryCanvas canvas(60, 60, kBack);
  win::CopyWindowPixels(host.control->PaletteWindow(), canvas.dc(), 0, 0);
  EXPECT_EQ(test::PixelMap(canvas.dc(), {4, 28, 28, 29}, Legend())[0], std::string(23, 'S') + "H");
  EXPECT_EQ(test::PixelMap(canvas.dc(), {4, 4, 28, 5}, Legend())[0], std::string(24, 'F'));
}

TEST_F(PaletteControl, ThePopupStaysOnTheWorkAreaAtTheBottomAndRightEdges) {
  RECT work{0, 0, 1000, 700};
  SystemParametersInfoW(SPI_SETWORKAREA, 0, &work, 0);
  struct Case {
    int x, y;
    bool horizontal;
    RECT expect;
  };
  const Case cases[] = {
      {100, 96, true, {102, 122, 162, 182}},    // room below
      {100, 656, true, {102, 600, 162, 660}},   // bottom: above the control
      {960, 96, true, {902, 122, 962, 182}},    // right, wide toolbar: left of the control
      {960, 96, false, {940, 122, 1000, 182}},  // right, high toolbar: moved back in
  };
  for (const Case& c : cases) {
    PaletteHost host;
    host.Place(c.x, c.y, c.horizontal);
    EXPECT_EQ(host.control->Horizontal(), c.horizontal);
    host.Mouse(WM_MOUSEMOVE, c.x + 10, c.y + 14);
    host.Mouse(WM_LBUTTONDOWN, c.x + 32, c.y + 14);
    RECT popup{};
    GetWindowRect(host.control->PopupWindow(), &popup);
    EXPECT_TRUE(EqualRect(&popup, &c.expect))
        << c.x << "," << c.y << ": " << popup.left << "," << popup.top;
  }
}

TEST_F(PaletteControl, APressOutsideClosesThePaletteAndReachesTheWindowBelow) {
  PaletteHost host;
  host.Place(100, 96);
  HWND other = CreateWindowExW(0, WC_PLAINWINDOW, L"other", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 400,
                               300, 300, 200, nullptr, nullptr, nullptr, nullptr);
  test::MessageLog log;
  log.Watch(other);
  struct Case {
    POINT p;
    UINT msg;
    WPARAM wp;
    LPARAM lp;
  };
  const Case cases[] = {
      {{500, 305}, WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(500, 305)},  // its caption
      {{400, 400}, WM_NCLBUTTONDOWN, HTBORDER, MAKELPARAM(400, 400)},   // its frame
      {{500, 400}, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 100)},   // its client area
  };
  for (const Case& c : cases) {
    host.OpenPalette();
    ASSERT_TRUE(host.control->PaletteOpen());
    log.entries.clear();
    host.Mouse(WM_LBUTTONDOWN, c.p.x, c.p.y);
    EXPECT_FALSE(host.control->PaletteOpen());
    bool found = false;
    for (const auto& m : log.entries) found |= m.msg == c.msg && m.wp == c.wp && m.lp == c.lp;
    EXPECT_TRUE(found) << c.p.x << "," << c.p.y;
  }
  // A press on the control itself only closes the palette.
  host.OpenPalette();
  ASSERT_TRUE(host.control->PaletteOpen());
  host.Mouse(WM_LBUTTONDOWN, 132, 110);
  EXPECT_FALSE(host.control->PaletteOpen());
  EXPECT_EQ(host.CurrentToolSubtype(), 0);
  DestroyWindow(other);
}

TEST_F(PaletteControl, TheApplicationIsHeldWhileAControlLivesAndDroppedWithTheHost) {
  IApplication* first = nullptr;
  {
    auto host = std::make_unique<PaletteHost>();
    first = host->fixture.Session().Hook();
    EXPECT_EQ(TerrainToolControl::SharedApplication(), first);
    host->control = nullptr;
    host->command = nullptr;
    host->fixture.End();  // the host goes and takes its commands with it
    EXPECT_EQ(TerrainToolControl::SharedApplication(), nullptr);
  }
  PaletteHost second;
  EXPECT_EQ(TerrainToolControl::SharedApplication(), second.fixture.Session().Hook());
  EXPECT_EQ(second.control->ItemCount(), 4);
}

TEST_F(PaletteControl, ReleasedWhileInTheToolbarItTakesItsWindowsAlong) {
  // The host took the control's window into its toolbar; the object must not be left behind
  // in a window that outlives it.
  PaletteHost host;
  host.Place(100, 96);
  host.OpenPalette();
  HWND control = host.control->ControlWindow(), popup = host.control->PopupWindow();
  ASSERT_TRUE(IsWindow(popup));
  host.control = nullptr;
  host.command = nullptr;
  EXPECT_FALSE(IsWindow(control));
  EXPECT_FALSE(IsWindow(popup));
  EXPECT_EQ(GetCapture(), nullptr);
  host.Mouse(WM_MOUSEMOVE, 110, 110);
  host.Mouse(WM_LBUTTONDOWN, 132, 110);
  EXPECT_EQ(host.CurrentToolSubtype(), 0);
}

TEST_F(PaletteControl, WithoutToolsItAnswersWithoutReadingAnyItem) {
  PaletteHost host(0);
  EXPECT_EQ(host.control->ItemCount(), 0);
  EXPECT_EQ(host.Text(&ICommand::get_Message), L" ");
  EXPECT_EQ(host.Text(&ICommand::get_Tooltip), L" ");
  BSTR help = nullptr;
  EXPECT_EQ(host.command->get_HelpFile(&help), E_NOTIMPL);
  host.Place(100, 96);
  host.Mouse(WM_MOUSEMOVE, 110, 110);
  host.Mouse(WM_LBUTTONDOWN, 110, 110);
  host.Mouse(WM_LBUTTONDOWN, 132, 110);
  EXPECT_TRUE(host.control->PaletteOpen());
  RECT popup{};
  GetWindowRect(host.control->PopupWindow(), &popup);
  EXPECT_EQ(popup.right - popup.left, 12);
}

}  // namespace
}  // namespace velk::corvane
