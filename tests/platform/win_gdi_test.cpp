// The software GDI: block transfers between colour and monochrome bitmaps with the raster
// operations of masks and embossing, edges, polygon interiors, bitmaps decoded from files, the
// pixels of windows painted through the message loop; and the windowing pieces a popup needs:
// rectangle subtraction, the window under a point, hit tests and tooltips with callback text.
#include <gtest/gtest.h>

#include <cstdio>
#include <cwchar>
#include <fstream>

#include "platform/win/common_controls.h"
#include "platform/win/gdi.h"
#include "platform/win/message_queue.h"
#include "tests/fixtures/pixel_map.h"
#include "tests/platform/win_fixture.h"

namespace velk::test {
namespace {

constexpr COLORREF kRed = RGB(220, 0, 0), kGreen = RGB(0, 160, 0), kBlue = RGB(0, 0, 200),
                   kYellow = RGB(250, 220, 0), kBack = RGB(10, 20, 30);
const PixelLegend kColours{{kRed, 'r'},
                           {kGreen, 'g'},
                           {kBlue, 'b'},
                           {kYellow, 'y'},
                           {kBack, '.'},
                           {RGB(0, 0, 0), 'k'},
                           {RGB(255, 255, 255), 'w'}};

class GdiTest : public WinTest {};

bool SameRect(const RECT& a, RECT b) { return EqualRect(&a, &b); }

TEST_F(GdiTest, TransfersConvertBetweenColourAndMonochrome) {
  HBITMAP image = BitmapFromRows({"rgr", "ggb"}, kColours);
  HDC imageDc = CreateCompatibleDC(nullptr);
  HGDIOBJ oldImage = SelectObject(imageDc, image);
  HDC maskDc = CreateCompatibleDC(nullptr);
  HBITMAP mask = CreateBitmap(3, 2, 1, 1, nullptr);
  HGDIOBJ oldMask = SelectObject(maskDc, mask);
  BITMAP bm;
  ASSERT_TRUE(GetObjectW(mask, sizeof bm, &bm));
  EXPECT_EQ(bm.bmBitsPixel, 1);

  // Colour to monochrome: the source's background colour (palette-relative flag and all)
  // becomes white, every other colour black.
  SetBkColor(imageDc, kRed | 0x02000000);
  BitBlt(maskDc, 0, 0, 3, 2, imageDc, 0, 0, SRCCOPY);
  EXPECT_EQ(PixelMap(maskDc, {0, 0, 3, 2}, kColours), (std::vector<std::string>{"wkw", "kkk"}));
  // The mask inverted onto itself, then green added to it.
  BitBlt(maskDc, 0, 0, 3, 2, maskDc, 0, 0, NOTSRCCOPY);
  EXPECT_EQ(PixelMap(maskDc, {0, 0, 3, 2}, kColours), (std::vector<std::string>{"kwk", "www"}));
  SetBkColor(imageDc, kGreen);
  BitBlt(maskDc, 0, 0, 3, 2, imageDc, 0, 0, SRCINVERT);
  EXPECT_EQ(PixelMap(maskDc, {0, 0, 3, 2}, kColours), (std::vector<std::string>{"kkk", "kkw"}));

  // Monochrome to colour: black takes the destination's text colour, white its background.
  MemoryCanvas canvas(4, 3, kBack);
  SetTextColor(canvas.dc(), kBlue);
  SetBkColor(canvas.dc(), kYellow | 0x02000000);
  BitBlt(canvas.dc(), 1, 1, 3, 2, maskDc, 0, 0, SRCCOPY);
  EXPECT_EQ(PixelMap(canvas.dc(), {0, 0, 4, 3}, kColours),
            (std::vector<std::string>{"....", ".bbb", ".bby"}));

  SelectObject(maskDc, oldMask);
  SelectObject(imageDc, oldImage);
  DeleteObject(mask);
  DeleteObject(image);
  DeleteDC(maskDc);
  DeleteDC(imageDc);
}

TEST_F(GdiTest, RasterOperationsCombineSourceAndDestinationBitwise) {
  struct Case {
    DWORD rop;
    COLORREF expect;
  };
  const COLORREF s = RGB(0xF0, 0x0F, 0x55), d = RGB(0xCC, 0xAA, 0x33);
  const Case cases[] = {
      {SRCCOPY, s},
      {SRCAND, RGB(0xC0, 0x0A, 0x11)},
      {SRCPAINT, RGB(0xFC, 0xAF, 0x77)},
      {SRCINVERT, RGB(0x3C, 0xA5, 0x66)},
      {NOTSRCCOPY, RGB(0x0F, 0xF0, 0xAA)},
      {SRCERASE, RGB(0x30, 0x05, 0x44)},
      {DSTINVERT, RGB(0x33, 0x55, 0xCC)},
      {BLACKNESS, RGB(0, 0, 0)},
      {WHITENESS, RGB(255, 255, 255)},
  };
  MemoryCanvas source(1, 1, s);
  for (const Case& c : cases) {
    MemoryCanvas target(1, 1, d);
    BitBlt(target.dc(), 0, 0, 1, 1, source.dc(), 0, 0, c.rop);
    EXPECT_EQ(GetPixel(target.dc(), 0, 0), c.expect) << std::hex << c.rop;
  }
}

TEST_F(GdiTest, StretchingPicksTheNearestSourcePixel) {
  HBITMAP image = BitmapFromRows({"rg", "by"}, kColours);
  HDC imageDc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(imageDc, image);
  MemoryCanvas canvas(5, 4, kBack);
  StretchBlt(canvas.dc(), 0, 0, 4, 4, imageDc, 0, 0, 2, 2, SRCCOPY);
  EXPECT_EQ(PixelMap(canvas.dc(), {0, 0, 5, 4}, kColours),
            (std::vector<std::string>{"rrgg.", "rrgg.", "bbyy.", "bbyy."}));
  MemoryCanvas small(1, 1, kBack);
  StretchBlt(small.dc(), 0, 0, 1, 1, imageDc, 0, 0, 2, 2, SRCCOPY);
  EXPECT_EQ(GetPixel(small.dc(), 0, 0), kRed);
  SelectObject(imageDc, old);
  DeleteObject(image);
  DeleteDC(imageDc);
}

TEST_F(GdiTest, EdgesDrawRingsOfTheSystemColours) {
  const PixelLegend legend{{kBack, '.'},
                           {GetSysColor(COLOR_3DHIGHLIGHT), 'H'},
                           {GetSysColor(COLOR_3DSHADOW), 'S'},
                           {GetSysColor(COLOR_3DDKSHADOW), 'D'},
                           {GetSysColor(COLOR_3DLIGHT), 'L'}};
  struct Case {
    UINT edge, flags;
    RECT r;
    std::vector<std::string> expect;
  };
  const Case cases[] = {
      {BDR_RAISEDINNER, BF_RECT, {0, 0, 5, 4}, {"HHHHS", "H...S", "H...S", "SSSSS"}},
      {BDR_SUNKENOUTER, BF_RECT, {0, 0, 5, 4}, {"SSSSH", "S...H", "S...H", "HHHHH"}},
      {EDGE_SUNKEN, BF_RECT, {0, 0, 4, 4}, {"SSSH", "SDLH", "SLLH", "HHHH"}},
      {EDGE_ETCHED, BF_LEFT, {2, 0, 6, 4}, {"..SH.", "..SH.", "..SH.", "..SH."}},
      {BDR_RAISEDINNER, BF_TOP | BF_BOTTOM, {1, 1, 4, 3}, {".....", ".HHH.", ".SSS.", "....."}},
  };
  for (const Case& c : cases) {
    int w = static_cast<int>(c.expect[0].size()), h = static_cast<int>(c.expect.size());
    MemoryCanvas canvas(w, h, kBack);
    RECT r = c.r;
    EXPECT_TRUE(DrawEdge(canvas.dc(), &r, c.edge, c.flags));
    EXPECT_EQ(PixelMap(canvas.dc(), {0, 0, w, h}, legend), c.expect) << c.edge << " " << c.flags;
  }
  MemoryCanvas canvas(6, 6, kBack);
  RECT r{0, 0, 6, 6};
  DrawEdge(canvas.dc(), &r, EDGE_RAISED, BF_RECT | BF_ADJUST);
  EXPECT_TRUE(SameRect(r, RECT{2, 2, 4, 4}));
}

TEST_F(GdiTest, PolygonsFillTheirInteriorRowByRow) {
  MemoryCanvas canvas(10, 8, kBack);
  HBRUSH brush = CreateSolidBrush(kBlue);
  HGDIOBJ oldBrush = SelectObject(canvas.dc(), brush);
  HGDIOBJ oldPen = SelectObject(canvas.dc(), GetStockObject(NULL_PEN));
  POINT arrow[] = {{1, 3}, {8, 3}, {4, 7}};
  Polygon(canvas.dc(), arrow, 3);
  SelectObject(canvas.dc(), oldPen);
  SelectObject(canvas.dc(), oldBrush);
  DeleteObject(brush);
  EXPECT_EQ(PixelMap(canvas.dc(), {0, 0, 10, 8}, kColours),
            (std::vector<std::string>{"..........", "..........", "..........", ".bbbbbbbb.",
                                      "..bbbbbb..", "...bbbb...", "....bb....", ".........."}));
}

TEST_F(GdiTest, BitmapFilesAreDecodedAndScaledWhenLoaded) {
  // A 2 x 2 bitmap of 24 bits, rows bottom up, each padded to 4 bytes.
  std::string bytes = "BM";
  auto le32 = [&](std::uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
  };
  auto le16 = [&](std::uint16_t v) {
    bytes.push_back(static_cast<char>(v & 0xFF));
    bytes.push_back(static_cast<char>(v >> 8));
  };
  le32(54 + 16);
  le32(0);
  le32(54);
  le32(40);
  le32(2);
  le32(2);
  le16(1);
  le16(24);
  for (int i = 0; i < 6; ++i) le32(0);
  auto bgr = [&](COLORREF c) {
    bytes.push_back(static_cast<char>((c >> 16) & 0xFF));
    bytes.push_back(static_cast<char>((c >> 8) & 0xFF));
    bytes.push_back(static_cast<char>(c & 0xFF));
  };
  bgr(kBlue);  // bottom row
  bgr(kYellow);
  bytes.append(2, '\0');
  bgr(kRed);  // top row
  bgr(kGreen);
  bytes.append(2, '\0');
  const std::string path = ::testing::TempDir() + "gdi_test_2x2.bmp";
  std::ofstream(path, std::ios::binary) << bytes;

  std::wstring wide(path.begin(), path.end());
  auto load = [&](int cx, int cy) {
    return static_cast<HBITMAP>(
        LoadImageW(nullptr, wide.c_str(), IMAGE_BITMAP, cx, cy, LR_LOADFROMFILE));
  };
  for (int size : {2, 4}) {
    HBITMAP bmp = load(size == 2 ? 0 : 4, size == 2 ? 0 : 4);
    ASSERT_TRUE(bmp);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bmp);
    std::vector<std::string> expect =
        size == 2 ? std::vector<std::string>{"rg", "by"}
                  : std::vector<std::string>{"rrgg", "rrgg", "bbyy", "bbyy"};
    EXPECT_EQ(PixelMap(dc, {0, 0, size, size}, kColours), expect);
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(bmp);
  }
  std::remove(path.c_str());
}

// A window class that paints a red square in its corner; its background is blue.
LRESULT SquareProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg != WM_PAINT) return DefWindowProcW(h, msg, wp, lp);
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(h, &ps);
  RECT square{0, 0, 2, 2};
  HBRUSH brush = CreateSolidBrush(kRed);
  FillRect(dc, &square, brush);
  DeleteObject(brush);
  EndPaint(h, &ps);
  return 0;
}

TEST_F(GdiTest, WindowsKeepTheirPixelsAndArePaintedByTheMessageLoop) {
  WNDCLASSEXW wc;
  wc.lpfnWndProc = SquareProc;
  wc.hbrBackground = CreateSolidBrush(kBlue);
  wc.lpszClassName = L"GdiTestSquare";
  RegisterClassExW(&wc);
  HWND top = MakeTopWindow();
  HWND w = CreateWindowExW(0, L"GdiTestSquare", L"", WS_CHILD | WS_VISIBLE, 10, 10, 4, 3, top,
                           nullptr, nullptr, nullptr);
  // Drawn through its DC before any paint: a yellow pixel.
  HDC dc = GetDC(w);
  SetPixel(dc, 3, 2, kYellow);
  ReleaseDC(w, dc);
  MemoryCanvas canvas(4, 3, kBack);
  ASSERT_TRUE(win::CopyWindowPixels(w, canvas.dc(), 0, 0));
  EXPECT_EQ(PixelMap(canvas.dc(), {0, 0, 4, 3}, kColours),
            (std::vector<std::string>{"bbbb", "bbbb", "bbby"}));
  // The message loop paints what is due: background, then the square.
  win::PumpMessages();
  ASSERT_TRUE(win::CopyWindowPixels(w, canvas.dc(), 0, 0));
  EXPECT_EQ(PixelMap(canvas.dc(), {0, 0, 4, 3}, kColours),
            (std::vector<std::string>{"rrbb", "rrbb", "bbbb"}));
  // What is drawn afterwards stays until the window is invalidated.
  dc = GetDC(w);
  SetPixel(dc, 3, 0, kYellow);
  ReleaseDC(w, dc);
  win::PumpMessages();
  win::CopyWindowPixels(w, canvas.dc(), 0, 0);
  EXPECT_EQ(GetPixel(canvas.dc(), 3, 0), kYellow);
  InvalidateRect(w, nullptr, TRUE);
  win::PumpMessages();
  win::CopyWindowPixels(w, canvas.dc(), 0, 0);
  EXPECT_EQ(GetPixel(canvas.dc(), 3, 0), kBlue);
  DestroyWindow(w);
  EXPECT_FALSE(win::HasWindowPixels(w));
  UnregisterClassW(L"GdiTestSquare", nullptr);
  DeleteObject(wc.hbrBackground);
}

TEST_F(GdiTest, RectangleSubtractionLeavesARectangleOnlyWhenOneSideIsCovered) {
  struct Case {
    RECT b;
    BOOL result;
    RECT expect;
  };
  const RECT a{0, 0, 10, 10};
  const Case cases[] = {
      {{0, 0, 10, 4}, TRUE, {0, 4, 10, 10}},    {{-2, 6, 12, 12}, TRUE, {0, 0, 10, 6}},
      {{-5, -5, 4, 20}, TRUE, {4, 0, 10, 10}},  {{7, -1, 10, 10}, TRUE, {0, 0, 7, 10}},
      {{2, 2, 5, 5}, TRUE, {0, 0, 10, 10}},     {{0, 0, 10, 10}, FALSE, {0, 0, 0, 0}},
      {{20, 20, 30, 30}, TRUE, {0, 0, 10, 10}}, {{5, 5, 15, 15}, TRUE, {0, 0, 10, 10}},
  };
  for (const Case& c : cases) {
    RECT out{-1, -1, -1, -1};
    EXPECT_EQ(SubtractRect(&out, &a, &c.b), c.result) << c.b.left << "," << c.b.top;
    EXPECT_TRUE(EqualRect(&out, &c.expect))
        << c.b.left << "," << c.b.top << " -> " << out.left << "," << out.top << "," << out.right
        << "," << out.bottom;
  }
  RECT out{};
  const RECT b{3, 4, 20, 5}, far{30, 30, 40, 40};
  EXPECT_TRUE(IntersectRect(&out, &a, &b));
  EXPECT_TRUE(SameRect(out, RECT{3, 4, 10, 5}));
  EXPECT_FALSE(IntersectRect(&out, &a, &far));
  EXPECT_TRUE(IsRectEmpty(&out));
}

TEST_F(GdiTest, TheWindowUnderAPointAndItsHitTest) {
  HWND top = MakeTopWindow();  // 800 x 600 at the origin, with caption and frame
  HWND child = MakeChild(top, WC_STATIC, L"", 0, 5, {100, 100, 200, 150});
  HWND popup = CreateWindowExW(WS_EX_TOOLWINDOW, WC_PLAINWINDOW, L"", WS_POPUP | WS_VISIBLE, 150,
                               120, 60, 60, top, nullptr, nullptr, nullptr);
  SetWindowPos(popup, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  SetActiveWindow(top);
  BringWindowToTop(top);
  EXPECT_EQ(WindowFromPoint({120, 110}), child);
  EXPECT_EQ(WindowFromPoint({160, 130}), popup);  // topmost stays above the active window
  EXPECT_EQ(WindowFromPoint({300, 300}), top);
  EXPECT_EQ(WindowFromPoint({900, 300}), nullptr);
  ShowWindow(child, SW_HIDE);
  EXPECT_EQ(WindowFromPoint({120, 110}), top);

  struct Case {
    HWND h;
    POINT p;
    LRESULT hit;
  };
  const Case cases[] = {{top, {0, 300}, HTBORDER},    {top, {799, 599}, HTBORDER},
                        {top, {300, 8}, HTCAPTION},   {top, {300, 21}, HTCLIENT},
                        {top, {300, 300}, HTCLIENT},  {top, {900, 300}, HTNOWHERE},
                        {popup, {150, 120}, HTCLIENT}};
  for (const Case& c : cases)
    EXPECT_EQ(DefWindowProcW(c.h, WM_NCHITTEST, 0,
                             MAKELPARAM(static_cast<WORD>(c.p.x), static_cast<WORD>(c.p.y))),
              c.hit)
        << c.p.x << "," << c.p.y;
}

TEST_F(GdiTest, TheWorkAreaIsSetForTheDesktop) {
  RECT work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  EXPECT_TRUE(SameRect(work, RECT{0, 0, 1920, 1040}));
  RECT small{100, 50, 900, 700};
  SystemParametersInfoW(SPI_SETWORKAREA, 0, &small, 0);
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  EXPECT_TRUE(EqualRect(&work, &small));
  win::ResetWindows();
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  EXPECT_EQ(work.right, 1920);
}

// Answers the tooltip's question for tool 7 with a pointer, for tool 8 in the notification's
// own buffer.
LRESULT TipAnswer(HWND h, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
  if (msg == WM_NOTIFY && reinterpret_cast<NMHDR*>(lp)->code == TTN_GETDISPINFOW) {
    auto* info = reinterpret_cast<NMTTDISPINFOW*>(lp);
    static std::wstring text = L"Find Highest Point";
    if (info->hdr.idFrom == 7)
      info->lpszText = text.data();
    else
      wcscpy(info->szText, L"Extract");
    return 0;
  }
  return DefSubclassProc(h, msg, wp, lp);
}

TEST_F(GdiTest, TooltipsAskTheToolsWindowForCallbackText) {
  HWND top = MakeTopWindow();
  SetWindowSubclass(top, TipAnswer, 1, 0);
  HWND tip = CreateWindowExW(0, TOOLTIPS_CLASS, nullptr, WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                             nullptr, nullptr);
  for (UINT_PTR id : {7, 8}) {
    TOOLINFOW ti;
    ti.hwnd = top;
    ti.uId = id;
    ti.lpszText = LPSTR_TEXTCALLBACKW;
    SendMessageW(tip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
  }
  for (auto [id, expect] : {std::pair<UINT_PTR, std::wstring>{7, L"Find Highest Point"},
                            std::pair<UINT_PTR, std::wstring>{8, L"Extract"}}) {
    wchar_t buf[80] = L"";
    TOOLINFOW ti;
    ti.hwnd = top;
    ti.uId = id;
    ti.lpszText = buf;
    SendMessageW(tip, TTM_GETTEXTW, 80, reinterpret_cast<LPARAM>(&ti));
    EXPECT_EQ(std::wstring(buf), expect);
  }
}

}  // namespace
}  // namespace velk::test
