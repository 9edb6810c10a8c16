// Drawing objects as values: device contexts that record the colours and mode set into them,
// brushes, system colours, stock objects, text measures by one fixed rule, and the bitmaps,
// icons and cursors of resource modules.
#pragma once

#include <cstddef>

#include "platform/win/window.h"

// System colour indexes.
constexpr int COLOR_SCROLLBAR = 0;
constexpr int COLOR_BACKGROUND = 1;
constexpr int COLOR_ACTIVECAPTION = 2;
constexpr int COLOR_INACTIVECAPTION = 3;
constexpr int COLOR_MENU = 4;
constexpr int COLOR_WINDOW = 5;
constexpr int COLOR_WINDOWFRAME = 6;
constexpr int COLOR_MENUTEXT = 7;
constexpr int COLOR_WINDOWTEXT = 8;
constexpr int COLOR_CAPTIONTEXT = 9;
constexpr int COLOR_ACTIVEBORDER = 10;
constexpr int COLOR_INACTIVEBORDER = 11;
constexpr int COLOR_APPWORKSPACE = 12;
constexpr int COLOR_HIGHLIGHT = 13;
constexpr int COLOR_HIGHLIGHTTEXT = 14;
constexpr int COLOR_BTNFACE = 15;
constexpr int COLOR_3DFACE = 15;
constexpr int COLOR_BTNSHADOW = 16;
constexpr int COLOR_3DSHADOW = 16;
constexpr int COLOR_GRAYTEXT = 17;
constexpr int COLOR_BTNTEXT = 18;
constexpr int COLOR_INACTIVECAPTIONTEXT = 19;
constexpr int COLOR_BTNHIGHLIGHT = 20;
constexpr int COLOR_3DHIGHLIGHT = 20;
constexpr int COLOR_3DHILIGHT = 20;
constexpr int COLOR_3DDKSHADOW = 21;
constexpr int COLOR_3DLIGHT = 22;
constexpr int COLOR_INFOTEXT = 23;
constexpr int COLOR_INFOBK = 24;
constexpr int COLOR_HOTLIGHT = 26;
constexpr int COLOR_GRADIENTACTIVECAPTION = 27;
constexpr int COLOR_GRADIENTINACTIVECAPTION = 28;
constexpr int COLOR_MENUHILIGHT = 29;
constexpr int COLOR_MENUBAR = 30;

constexpr int TRANSPARENT = 1;
constexpr int OPAQUE = 2;
constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;

// Stock objects.
constexpr int WHITE_BRUSH = 0;
constexpr int LTGRAY_BRUSH = 1;
constexpr int GRAY_BRUSH = 2;
constexpr int DKGRAY_BRUSH = 3;
constexpr int BLACK_BRUSH = 4;
constexpr int NULL_BRUSH = 5;
constexpr int HOLLOW_BRUSH = 5;
constexpr int DEFAULT_GUI_FONT = 17;

// LoadImageW flags.
constexpr UINT LR_DEFAULTCOLOR = 0x0000;
constexpr UINT LR_LOADFROMFILE = 0x0010;
constexpr UINT LR_LOADTRANSPARENT = 0x0020;
constexpr UINT LR_DEFAULTSIZE = 0x0040;
constexpr UINT LR_LOADMAP3DCOLORS = 0x1000;
constexpr UINT LR_CREATEDIBSECTION = 0x2000;
constexpr UINT LR_SHARED = 0x8000;

// System cursors and icons (integer resource names).
constexpr std::uintptr_t IDC_ARROW_ID = 32512;
constexpr std::uintptr_t IDC_IBEAM_ID = 32513;
constexpr std::uintptr_t IDC_WAIT_ID = 32514;
constexpr std::uintptr_t IDC_CROSS_ID = 32515;
constexpr std::uintptr_t IDC_HAND_ID = 32649;
#define IDC_ARROW MAKEINTRESOURCEW(IDC_ARROW_ID)
#define IDC_IBEAM MAKEINTRESOURCEW(IDC_IBEAM_ID)
#define IDC_WAIT MAKEINTRESOURCEW(IDC_WAIT_ID)
#define IDC_CROSS MAKEINTRESOURCEW(IDC_CROSS_ID)
#define IDC_HAND MAKEINTRESOURCEW(IDC_HAND_ID)

struct BITMAP {
  LONG bmType = 0;
  LONG bmWidth = 0;
  LONG bmHeight = 0;
  LONG bmWidthBytes = 0;
  WORD bmPlanes = 1;
  WORD bmBitsPixel = 0;
  void* bmBits = nullptr;
};

DWORD GetSysColor(int index);
HBRUSH GetSysColorBrush(int index);
HBRUSH CreateSolidBrush(COLORREF color);
HGDIOBJ GetStockObject(int index);
BOOL DeleteObject(HGDIOBJ obj);
HGDIOBJ SelectObject(HDC dc, HGDIOBJ obj);
int GetObjectW(HGDIOBJ obj, int size, void* out);

HDC GetDC(HWND h);
int ReleaseDC(HWND h, HDC dc);
COLORREF SetTextColor(HDC dc, COLORREF color);
COLORREF GetTextColor(HDC dc);
COLORREF SetBkColor(HDC dc, COLORREF color);
COLORREF GetBkColor(HDC dc);
int SetBkMode(HDC dc, int mode);
int GetBkMode(HDC dc);
// Text extent by the fixed rule: 6 pixels per character, 13 pixels high.
BOOL GetTextExtentPoint32W(HDC dc, LPCWSTR text, int count, SIZE* size);

// Bitmaps (resource type BITMAPS, Windows bitmap files), icons and cursors (CURSORS).
HANDLE LoadImageW(HINSTANCE inst, LPCWSTR name, UINT type, int cx, int cy, UINT flags);
HBITMAP LoadBitmapW(HINSTANCE inst, LPCWSTR name);
HCURSOR LoadCursorW(HINSTANCE inst, LPCWSTR name);
HCURSOR SetCursor(HCURSOR cursor);

// ---- Drawing into memory device contexts ----
// A memory DC draws into the bitmap selected into it (pens outline, brushes fill, text in the
// DC's text colour). A window's DC (GetDC, BeginPaint) draws into the window's own pixels, what
// the screen shows of it; the screen's DC (GetDC(nullptr)) records colours only.
constexpr int PS_SOLID = 0;
constexpr int PS_DASH = 1;
constexpr int PS_DOT = 2;
constexpr int PS_NULL = 5;
constexpr int BLACK_PEN = 7;
constexpr int NULL_PEN = 8;
constexpr int LOGPIXELSX = 88;
constexpr int LOGPIXELSY = 90;
constexpr UINT DFC_BUTTON = 4;
constexpr UINT DFCS_BUTTONCHECK = 0x0000;
constexpr UINT DFCS_BUTTONRADIO = 0x0004;
constexpr UINT DFCS_BUTTONPUSH = 0x0010;
constexpr UINT DFCS_INACTIVE = 0x0100;
constexpr UINT DFCS_PUSHED = 0x0200;
constexpr UINT DFCS_CHECKED = 0x0400;
constexpr UINT DT_LEFT = 0x0000;
constexpr UINT DT_CENTER = 0x0001;
constexpr UINT DT_RIGHT = 0x0002;
constexpr UINT DT_VCENTER = 0x0004;
constexpr UINT DT_SINGLELINE = 0x0020;

struct TEXTMETRICW {
  LONG tmHeight = 0;
  LONG tmAscent = 0;
  LONG tmDescent = 0;
  LONG tmAveCharWidth = 0;
  LONG tmMaxCharWidth = 0;
};

HDC CreateCompatibleDC(HDC dc);
BOOL DeleteDC(HDC dc);
// A 32-bit bitmap, all black.
HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height);
HPEN CreatePen(int style, int width, COLORREF color);
int FillRect(HDC dc, const RECT* r, HBRUSH brush);
int FrameRect(HDC dc, const RECT* r, HBRUSH brush);
BOOL Rectangle(HDC dc, int left, int top, int right, int bottom);
BOOL Ellipse(HDC dc, int left, int top, int right, int bottom);
BOOL Polygon(HDC dc, const POINT* points, int count);
BOOL Polyline(HDC dc, const POINT* points, int count);
COLORREF SetPixel(HDC dc, int x, int y, COLORREF color);
// CLR_INVALID outside the bitmap or for a DC without one.
COLORREF GetPixel(HDC dc, int x, int y);
BOOL TextOutW(HDC dc, int x, int y, LPCWSTR text, int count);
int DrawTextW(HDC dc, LPCWSTR text, int count, RECT* r, UINT format);
BOOL DrawFrameControl(HDC dc, RECT* r, UINT type, UINT state);
BOOL DrawFocusRect(HDC dc, const RECT* r);
int SaveDC(HDC dc);
BOOL RestoreDC(HDC dc, int saved);
BOOL SetViewportOrgEx(HDC dc, int x, int y, POINT* old);
int GetDeviceCaps(HDC dc, int index);
BOOL GetTextMetricsW(HDC dc, TEXTMETRICW* tm);

// ---- Bitmaps and block transfers ----
// Monochrome bitmaps hold black and white only. A transfer from colour to monochrome makes
// white of the source DC's background colour and black of every other; one from monochrome to
// colour makes the destination DC's text colour of black and its background colour of white.
// Colours may carry the palette-relative flag 0x02000000; it is ignored.
constexpr DWORD SRCCOPY = 0x00CC0020;
constexpr DWORD SRCPAINT = 0x00EE0086;
constexpr DWORD SRCAND = 0x008800C6;
constexpr DWORD SRCINVERT = 0x00660046;
constexpr DWORD SRCERASE = 0x00440328;
constexpr DWORD NOTSRCCOPY = 0x00330008;
constexpr DWORD NOTSRCERASE = 0x001100A6;
constexpr DWORD MERGEPAINT = 0x00BB0226;
constexpr DWORD PATCOPY = 0x00F00021;
constexpr DWORD PATINVERT = 0x005A0049;
constexpr DWORD DSTINVERT = 0x00550009;
constexpr DWORD BLACKNESS = 0x00000042;
constexpr DWORD WHITENESS = 0x00FF0062;

// DrawEdge: the borders (outer and inner ring, each raised or sunken) and the sides drawn.
constexpr UINT BDR_RAISEDOUTER = 0x0001;
constexpr UINT BDR_SUNKENOUTER = 0x0002;
constexpr UINT BDR_RAISEDINNER = 0x0004;
constexpr UINT BDR_SUNKENINNER = 0x0008;
constexpr UINT EDGE_RAISED = BDR_RAISEDOUTER | BDR_RAISEDINNER;
constexpr UINT EDGE_SUNKEN = BDR_SUNKENOUTER | BDR_SUNKENINNER;
constexpr UINT EDGE_ETCHED = BDR_SUNKENOUTER | BDR_RAISEDINNER;
constexpr UINT EDGE_BUMP = BDR_RAISEDOUTER | BDR_SUNKENINNER;
constexpr UINT BF_LEFT = 0x0001;
constexpr UINT BF_TOP = 0x0002;
constexpr UINT BF_RIGHT = 0x0004;
constexpr UINT BF_BOTTOM = 0x0008;
constexpr UINT BF_RECT = BF_LEFT | BF_TOP | BF_RIGHT | BF_BOTTOM;
constexpr UINT BF_MIDDLE = 0x0800;
constexpr UINT BF_ADJUST = 0x2000;

// A bitmap of the given size: 1 bit per pixel gives a monochrome one (all black, or the rows of
// bits given, each row padded to 16 bits, first bit leftmost); 24 or 32 a colour one (black).
HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits);
// Block transfers with any ternary raster operation of source, destination and the
// destination's brush. StretchBlt picks the nearest source pixel.
BOOL BitBlt(HDC dst, int x, int y, int width, int height, HDC src, int sx, int sy, DWORD rop);
BOOL StretchBlt(HDC dst, int x, int y, int width, int height, HDC src, int sx, int sy,
                int sourceWidth, int sourceHeight, DWORD rop);
BOOL PatBlt(HDC dc, int x, int y, int width, int height, DWORD rop);
// One-pixel rings of the system's shadow and highlight colours round (or along sides of) r.
BOOL DrawEdge(HDC dc, RECT* r, UINT edge, UINT flags);

struct PAINTSTRUCT {
  HDC hdc = nullptr;
  BOOL fErase = FALSE;
  RECT rcPaint{};
};
// A DC over the window's pixels; the pending paint is done, the background filled with the
// class brush.
HDC BeginPaint(HWND h, PAINTSTRUCT* ps);
BOOL EndPaint(HWND h, const PAINTSTRUCT* ps);

namespace velk::win {

// Writes a bitmap made by CreateCompatibleBitmap as a PNG file; false when it cannot.
bool WriteBitmapPng(HBITMAP bitmap, const std::string& path);
// Whether the window's own pixels exist (something drew into its DC).
bool HasWindowPixels(HWND h);
// Copies the window's own pixels into dc at (x, y); false when it has none.
bool CopyWindowPixels(HWND h, HDC dc, int x, int y);

// The colours a control would be painted with: the control asks its parent with the control
// colour message its kind sends (edit: WM_CTLCOLOREDIT when editable, WM_CTLCOLORSTATIC when
// read-only or disabled; other controls their own), as painting does.
struct PaintColors {
  COLORREF text = 0;
  COLORREF background = 0;
  int bkMode = OPAQUE;
  HBRUSH brush = nullptr;
  COLORREF brushColor = CLR_INVALID;
};
PaintColors QueryControlColors(HWND control);

// The colour of a solid or system brush (CLR_INVALID for anything else).
COLORREF BrushColor(HBRUSH brush);
bool IsSystemBrush(HBRUSH brush);
// Drawing objects created and not yet deleted (system and stock objects are not counted).
std::size_t LiveGdiObjectCount();
// The resource name an image or cursor was loaded under (empty for system ones).
std::wstring ImageName(HANDLE image);

}  // namespace velk::win
