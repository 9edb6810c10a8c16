#include "terrain/terrain_tools/terrain_tool_control.h"

#include "framework/corvane_module.h"
#include "framework/guid_variant.h"
#include "framework/host_object_creation.h"
#include "framework/map_lookups.h"
#include "interfaces/corvane_ids.h"
#include "platform/com/out_param.h"
#include "platform/host/documents/document.h"
#include "platform/host/data/uid.h"
#include "platform/win/common_controls.h"
#include "platform/win/message_queue.h"

namespace velk::corvane {
namespace {

constexpr wchar_t kCaption[] = L"Command Menu Control";
constexpr wchar_t kCategory[] = L"Developer Samples";
constexpr wchar_t kName[] = L"Developer Samples_Command Menu Control";
constexpr wchar_t kNoText[] = L" ";
constexpr int kControlId = 101;
constexpr UINT kPopupQuery = 0x036D;  // the popup answers it with 1
constexpr LONG kToolCount = 4;

// Shared by every control of the process.
ComPtr<IApplication>& Application() {
  static auto* app = new ComPtr<IApplication>();
  return *app;
}
int g_liveControls = 0;
bool g_classesRegistered = false;

HRESULT TextOut(const wchar_t* text, BSTR* out) {
  if (!out) return E_INVALIDARG;
  *out = AllocBstr(text);
  return S_OK;
}

POINT PointOf(LPARAM lp) { return {GET_X_LPARAM(lp), GET_Y_LPARAM(lp)}; }
LPARAM ParamOf(POINT p) { return MAKELPARAM(static_cast<WORD>(p.x), static_cast<WORD>(p.y)); }

TerrainToolControl* ObjectOf(HWND h) {
  return reinterpret_cast<TerrainToolControl*>(GetWindowLongPtrW(h, GWLP_USERDATA));
}

// Registers a class, replacing one of that name left by an earlier load of the library.
void RegisterPaletteClass(const wchar_t* name, WNDPROC proc) {
  WNDCLASSEXW wc;
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = proc;
  wc.hInstance = DeliverableInstance();
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  wc.lpszClassName = name;
  WNDCLASSEXW existing;
  if (GetClassInfoExW(wc.hInstance, name, &existing) && existing.lpfnWndProc != proc)
    UnregisterClassW(name, existing.hInstance);
  RegisterClassExW(&wc);
}

}  // namespace

TerrainToolControl::TerrainToolControl() { ++g_liveControls; }

TerrainToolControl::~TerrainToolControl() {
  // The windows outlive nothing of the object: their procedures no longer find it.
  for (HWND h : {control_, palette_})
    if (IsWindow(h)) SetWindowLongPtrW(h, GWLP_USERDATA, 0);
  if (IsWindow(popup_)) DestroyWindow(popup_);
  if (IsWindow(paletteTip_)) DestroyWindow(paletteTip_);
  if (GetCapture() == control_ || GetCapture() == palette_) ReleaseCapture();
  if (created_ && IsWindow(hiddenParent_)) DestroyWindow(hiddenParent_);
  if (IsWindow(control_)) DestroyWindow(control_);  // the host may have taken it over
  if (IsWindow(controlTip_)) DestroyWindow(controlTip_);
  items_.clear();
  if (--g_liveControls == 0) Application().Reset();
}

IApplication* TerrainToolControl::SharedApplication() { return Application().get(); }

// ---- ICommand ----

HRESULT TerrainToolControl::get_Enabled(VARIANT_BOOL* enabled) {
  if (!enabled) return E_POINTER;
  VELK_TRY
  *enabled = VARIANT_FALSE;
  HWND parent = GetParent(control_);
  RECT pr{};
  if (parent && GetClientRect(parent, &pr)) horizontal_ = pr.right - pr.left > pr.bottom - pr.top;
  auto command = CommandOf(CurrentItem());
  if (!command) return S_OK;
  VARIANT_BOOL state = VARIANT_FALSE;
  command->get_Enabled(&state);
  bool repaint = false;
  bool nowEnabled = state == VARIANT_TRUE;
  if (nowEnabled != currentEnabled_) {
    currentEnabled_ = nowEnabled;
    repaint = true;
  }
  bool active = IsActiveTool(CurrentItem());
  if (active != currentIsActiveTool_) {
    currentIsActiveTool_ = active;
    repaint = true;
  }
  if (repaint) InvalidateRect(control_, nullptr, FALSE);
  *enabled = VARIANT_TRUE;
  return S_OK;
  VELK_CATCH
}

HRESULT TerrainToolControl::get_Checked(VARIANT_BOOL* checked) {
  if (!checked) return E_POINTER;
  *checked = VARIANT_FALSE;
  auto command = CommandOf(CurrentItem());
  return command ? command->get_Checked(checked) : S_OK;
}

HRESULT TerrainToolControl::get_Name(BSTR* name) { return TextOut(kName, name); }
HRESULT TerrainToolControl::get_Caption(BSTR* caption) { return TextOut(kCaption, caption); }
HRESULT TerrainToolControl::get_Category(BSTR* category) { return TextOut(kCategory, category); }

HRESULT TerrainToolControl::get_Tooltip(BSTR* tooltip) {
  if (!tooltip) return E_POINTER;
  auto command = CommandOf(CurrentItem());
  if (!command) return TextOut(kNoText, tooltip);
  return command->get_Tooltip(tooltip);
}

HRESULT TerrainToolControl::get_Message(BSTR* message) {
  if (!message) return E_POINTER;
  ICommandItem* item = nullptr;
  if (paletteOpen_) {
    if (hoverIndex_ >= 0 && hoverIndex_ < static_cast<int>(items_.size()))
      item = items_[static_cast<std::size_t>(hoverIndex_)].get();
  } else {
    item = CurrentItem();
  }
  auto command = CommandOf(item);
  if (!command) return TextOut(kNoText, message);
  return command->get_Message(message);
}

HRESULT TerrainToolControl::get_HelpFile(BSTR* helpFile) {
  auto command = CommandOf(CurrentItem());
  return command ? command->get_HelpFile(helpFile) : E_NOTIMPL;
}

HRESULT TerrainToolControl::get_HelpContextID(LONG* helpContext) {
  auto command = CommandOf(CurrentItem());
  return command ? command->get_HelpContextID(helpContext) : E_NOTIMPL;
}

HRESULT TerrainToolControl::get_Bitmap(HBITMAP* bitmap) {
  if (!bitmap) return E_POINTER;
  *bitmap = nullptr;
  return S_OK;
}

HRESULT TerrainToolControl::OnCreate(IUnknown* hook) {
  created_ = true;
  try {
    if (!Application() && hook) Application() = QueryAs<IApplication>(hook);
    FindTerrainToolItems();
  } catch (...) {
    // A host without its document or command bars: the control stays without tools.
  }
  CreateControlWindows();
  return S_OK;
}

HRESULT TerrainToolControl::OnClick() { return S_OK; }

// ---- IToolControl ----

HRESULT TerrainToolControl::get_hWnd(HWND* window) {
  if (!window) return E_POINTER;
  if (!controlTip_ && control_) {
    controlTip_ = CreateWindowExW(0, TOOLTIPS_CLASS, nullptr, WS_POPUP, CW_USEDEFAULT,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr,
                                  DeliverableInstance(), nullptr);
    TOOLINFOW ti;
    ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    ti.hwnd = control_;
    ti.uId = reinterpret_cast<UINT_PTR>(control_);
    GetClientRect(control_, &ti.rect);
    ti.hinst = DeliverableInstance();
    ti.lpszText = LPSTR_TEXTCALLBACKW;
    SendMessageW(controlTip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
  }
  *window = control_;
  return S_OK;
}

HRESULT TerrainToolControl::OnFocus(IUnknown*) { return S_OK; }

HRESULT TerrainToolControl::OnDrop(LONG barType, VARIANT_BOOL* accept) {
  if (!accept) return E_POINTER;
  *accept = ToVariantBool(barType == 0);
  return S_OK;
}

// ---- Items ----

void TerrainToolControl::FindTerrainToolItems() {
  for (LONG n = 1; n <= kToolCount; ++n) {
    auto identity = CreateHostObject<IUID>(host::CLSID_UID);
    Variant value = MakeGuidStringVariant(ids::CLSID_TerrainTools);
    identity->put_Value(value);
    identity->put_SubType(n);
    if (!Application()) continue;
    ComPtr<ICommandBars> bars = DocumentCommandBars(Application().get());
    ComPtr<ICommandItem> item;
    bars->Find(identity.get(), VARIANT_FALSE, VARIANT_FALSE, item.put());
    if (item) items_.push_back(item);
  }
}

ICommandItem* TerrainToolControl::CurrentItem() const {
  if (currentIndex_ < 0 || currentIndex_ >= static_cast<int>(items_.size())) return nullptr;
  return items_[static_cast<std::size_t>(currentIndex_)].get();
}

ComPtr<ICommand> TerrainToolControl::CommandOf(ICommandItem* item) const {
  if (!item) return nullptr;
  ComPtr<IUnknown> command;
  item->get_Command(command.put());
  return QueryAs<ICommand>(command.get());
}

bool TerrainToolControl::IsActiveTool(ICommandItem* item) {
  IApplication* app = Application().get();
  if (!app || !item) return false;
  ComPtr<ICommandItem> tool;
  app->get_CurrentTool(tool.put());
  if (!tool) return false;
  ComPtr<IUID> mine, theirs;
  item->get_ID(mine.put());
  tool->get_ID(theirs.put());
  if (!mine || !theirs) ThrowComError(E_POINTER);
  VARIANT_BOOL equal = VARIANT_FALSE;
  mine->Compare(theirs.get(), &equal);
  return equal == VARIANT_TRUE;
}

void TerrainToolControl::RunCurrentItem(bool pressed) {
  pressed_ = pressed;
  InvalidateRect(control_, nullptr, FALSE);
  ICommandItem* item = CurrentItem();
  if (!item) return;
  ComPtr<ICommandItem> keep(item);  // the item may be the host's last reference
  keep->Execute();
  ComPtr<IUnknown> command;
  keep->get_Command(command.put());
  if (QueryAs<ITool>(command.get())) currentIsActiveTool_ = true;
  NotifyParent(1);
}

void TerrainToolControl::NotifyParent(WPARAM flag) {
  if (HWND parent = GetParent(control_)) PostMessageW(parent, WM_USER, flag, 0);
}

// ---- Windows ----

void TerrainToolControl::CreateControlWindows() {
  if (!g_classesRegistered) {
    RegisterPaletteClass(kPaletteControlClass, &ControlProc);
    RegisterPaletteClass(kPaletteClass, &PaletteProc);
    RegisterPaletteClass(kPalettePopupClass, &PopupProc);
    g_classesRegistered = true;
  }
  grid_ = MakePaletteGrid(static_cast<int>(items_.size()));
  hiddenParent_ = CreateWindowExW(0, WC_STATIC, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                  DeliverableInstance(), nullptr);
  control_ =
      CreateWindowExW(WS_EX_CONTROLPARENT, kPaletteControlClass, nullptr, WS_CHILD | WS_VISIBLE, 0,
                      0, kPaletteControlWidth, kPaletteControlHeight, hiddenParent_,
                      reinterpret_cast<HMENU>(static_cast<std::uintptr_t>(kControlId)),
                      DeliverableInstance(), nullptr);
  SetWindowLongPtrW(control_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

void TerrainToolControl::ShowPalette(bool show) {
  if (!show) {
    paletteOpen_ = pressed_ = hover_ = false;
    ReleaseCapture();
    if (IsWindow(popup_)) DestroyWindow(popup_);
    if (IsWindow(paletteTip_)) DestroyWindow(paletteTip_);
    popup_ = palette_ = paletteTip_ = nullptr;
    InvalidateRect(control_, nullptr, FALSE);
    return;
  }
  if (paletteOpen_) ShowPalette(false);
  HWND main = nullptr;
  if (IApplication* app = Application().get()) app->get_hWnd(&main);
  // A fresh palette has no cell highlighted, so its message is no stale cell's.
  SetRectEmpty(&highlightRect_);
  hoverIndex_ = -1;
  SIZE size = PaletteSize(grid_);
  popup_ = CreateWindowExW(WS_EX_TOOLWINDOW, kPalettePopupClass, L"", WS_POPUP | WS_BORDER, 0, 0,
                           size.cx, size.cy, main, nullptr, DeliverableInstance(), nullptr);
  palette_ =
      CreateWindowExW(0, kPaletteClass, L"", WS_CHILD | WS_VISIBLE, 0, 0, size.cx, size.cy, popup_,
                      reinterpret_cast<HMENU>(static_cast<std::uintptr_t>(kControlId)),
                      DeliverableInstance(), nullptr);
  SetWindowLongPtrW(palette_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  paletteTip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASS, nullptr, WS_POPUP, CW_USEDEFAULT,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr,
                                DeliverableInstance(), nullptr);
  paletteOpen_ = true;
  InvalidateRect(control_, nullptr, FALSE);

  RECT anchor{}, rect{}, work{};
  GetWindowRect(control_, &anchor);
  GetWindowRect(palette_, &rect);
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  rect = PlacePopup(anchor, rect, horizontal_, work);
  SetWindowPos(popup_, HWND_TOPMOST, rect.left, rect.top, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
  SetCapture(palette_);

  for (int r = 0, index = 0; r < grid_.rows; ++r)
    for (int c = 0; c < grid_.columns && index < grid_.itemCount; ++c, ++index) {
      TOOLINFOW ti;
      ti.uFlags = TTF_SUBCLASS;
      ti.hwnd = palette_;
      ti.uId = static_cast<UINT_PTR>(index);
      ti.rect = PaletteCellRect(r, c);
      ti.hinst = DeliverableInstance();
      ti.lpszText = LPSTR_TEXTCALLBACKW;
      SendMessageW(paletteTip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
    }
}

void TerrainToolControl::HighlightCell(POINT p) {
  CellHit hit = HitTestCell(grid_, p);
  ClearHighlight();
  if (hit.index == -1 || hit.index == hoverIndex_ || hit.index >= grid_.itemCount ||
      hit.index == activeToolIndex_)
    return;
  highlightRect_ = hit.rect;
  HDC dc = GetDC(palette_);
  DrawEdge(dc, &highlightRect_, BDR_RAISEDINNER, BF_RECT);
  ReleaseDC(palette_, dc);
  hoverIndex_ = hit.index;
}

void TerrainToolControl::ClearHighlight() {
  NotifyParent(0);
  if (IsRectEmpty(&highlightRect_)) return;
  HDC dc = GetDC(palette_);
  HPEN pen = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_MENU));
  HGDIOBJ oldPen = SelectObject(dc, pen);
  HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(HOLLOW_BRUSH));
  Rectangle(dc, highlightRect_.left, highlightRect_.top, highlightRect_.right,
            highlightRect_.bottom);
  SelectObject(dc, oldBrush);
  SelectObject(dc, oldPen);
  DeleteObject(pen);
  ReleaseDC(palette_, dc);
  hoverIndex_ = -1;
}

void TerrainToolControl::PressCell(POINT p) {
  CellHit hit = HitTestCell(grid_, p);
  pressedIndex_ = hit.index;
  if (hit.index == -1) return;
  HDC dc = GetDC(palette_);
  DrawEdge(dc, &hit.rect, BDR_SUNKENOUTER, BF_RECT);
  ReleaseDC(palette_, dc);
  cellPressTracking_ = true;
}

void TerrainToolControl::ForwardMouseMessage(POINT screen, UINT msg, WPARAM wp) {
  HWND target = WindowFromPoint(screen);
  if (!target) return;
  LRESULT hit = DefWindowProcW(target, WM_NCHITTEST, 0, ParamOf(screen));
  if (hit == HTCLIENT) {
    POINT p = screen;
    ScreenToClient(target, &p);
    PostMessageW(target, msg, wp, ParamOf(p));
  } else {
    PostMessageW(target, msg - (WM_LBUTTONDOWN - WM_NCLBUTTONDOWN), static_cast<WPARAM>(hit),
                 ParamOf(screen));
  }
}

// ---- Painting ----

void TerrainToolControl::PaintControl(HDC given) {
  PAINTSTRUCT ps;
  HDC dc = given ? given : BeginPaint(control_, &ps);
  RECT client{};
  GetClientRect(control_, &client);
  ControlFaceState state{hover_, pressed_, paletteOpen_};
  std::function<void(const RECT&)> drawItem;
  if (CurrentItem()) drawItem = [&](const RECT& r) { DrawItem(dc, currentIndex_, r, pressed_); };
  ControlFaceRects rects = PaintControlFace(dc, client, state, drawItem);
  buttonRect_ = rects.button;
  arrowRect_ = rects.arrow;
  if (!given) EndPaint(control_, &ps);
}

void TerrainToolControl::PaintPalette(HDC given) {
  PAINTSTRUCT ps;
  HDC dc = given ? given : BeginPaint(palette_, &ps);
  for (int r = 0, index = 0; r < grid_.rows; ++r)
    for (int c = 0; c < grid_.columns && index < grid_.itemCount; ++c, ++index)
      DrawItem(dc, index, PaletteCellRect(r, c), false);
  if (!given) EndPaint(palette_, &ps);
}

void TerrainToolControl::DrawItem(HDC dc, int index, const RECT& r, bool pressed) {
  ICommandItem* item = items_.at(static_cast<std::size_t>(index)).get();
  auto command = CommandOf(item);
  if (!command) ThrowComError(E_POINTER);
  PaletteItemLook look;
  VARIANT_BOOL checked = VARIANT_FALSE, enabled = VARIANT_FALSE;
  command->get_Bitmap(&look.bitmap);
  command->get_Checked(&checked);
  command->get_Enabled(&enabled);
  look.checked = checked != VARIANT_FALSE;
  look.enabled = enabled != VARIANT_FALSE;
  look.active = IsActiveTool(item);
  if (look.active) activeToolIndex_ = index;
  DrawPaletteItem(dc, look, r, pressed);
}

// ---- Window procedures ----

LRESULT TerrainToolControl::TooltipText(ICommandItem* item, LPARAM lp) {
  auto* info = reinterpret_cast<NMTTDISPINFOW*>(lp);
  auto command = CommandOf(item);
  if (!command) ThrowComError(E_POINTER);
  Bstr text;
  command->get_Tooltip(&text);
  tooltipText_ = text.str();
  info->lpszText = tooltipText_.data();
  return 0;
}

LRESULT TerrainToolControl::OnControlMessage(HWND h, UINT msg, WPARAM wp, LPARAM lp,
                                             bool& handled) {
  handled = true;
  switch (msg) {
    case WM_PAINT: PaintControl(reinterpret_cast<HDC>(wp)); return 0;
    case WM_NCHITTEST: return HTCLIENT;
    case WM_NOTIFY: {
      auto* hdr = reinterpret_cast<NMHDR*>(lp);
      if (hdr && hdr->code == TTN_GETDISPINFOW) TooltipText(CurrentItem(), lp);
      handled = false;
      return 0;
    }
    case WM_MOUSEMOVE: {
      RECT client{};
      GetClientRect(h, &client);
      if (PtInRect(&client, PointOf(lp))) {
        if (!hover_) {
          hover_ = true;
          SetCapture(h);
          InvalidateRect(h, nullptr, FALSE);
        }
      } else {
        ReleaseCapture();
        hover_ = pressed_ = false;
        InvalidateRect(h, nullptr, FALSE);
        POINT cursor{};
        GetCursorPos(&cursor);
        if (HWND parent = GetParent(h)) {
          ScreenToClient(parent, &cursor);
          PostMessageW(parent, WM_MOUSEMOVE, wp, ParamOf(cursor));
        }
      }
      return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
      if (PtInRect(&arrowRect_, PointOf(lp))) {
        InvalidateRect(h, nullptr, FALSE);
        ShowPalette(true);
      } else if (currentEnabled_) {
        if (!currentIsActiveTool_) {
          RunCurrentItem(true);
        } else if (auto command = CommandOf(CurrentItem())) {
          command->OnClick();
        }
      }
      return 0;
    case WM_LBUTTONUP: pressed_ = false; return 0;
    default: handled = false; return 0;
  }
}

LRESULT TerrainToolControl::OnPaletteMessage(HWND h, UINT msg, WPARAM wp, LPARAM lp,
                                             bool& handled) {
  handled = true;
  RECT client{};
  GetClientRect(h, &client);
  bool inside = PtInRect(&client, PointOf(lp)) != FALSE;
  switch (msg) {
    case WM_PAINT: PaintPalette(reinterpret_cast<HDC>(wp)); return 0;
    case WM_NCHITTEST: return HTCLIENT;
    case WM_NOTIFY: {
      auto* hdr = reinterpret_cast<NMHDR*>(lp);
      if (hdr && hdr->code == TTN_GETDISPINFOW) {
        auto index = static_cast<std::size_t>(hdr->idFrom);
        TooltipText(index < items_.size() ? items_[index].get() : nullptr, lp);
      }
      handled = false;
      return 0;
    }
    case WM_MOUSEMOVE:
      if (inside) {
        HighlightCell(PointOf(lp));
        if (GetCapture() != h) SetCapture(h);
      } else {
        ClearHighlight();
      }
      return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
      if (inside) {
        PressCell(PointOf(lp));
      } else {
        POINT cursor{};
        GetCursorPos(&cursor);
        if (WindowFromPoint(cursor) != control_) ForwardMouseMessage(cursor, msg, wp);
        ShowPalette(false);
      }
      return 0;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
      if (cellPressTracking_) {
        cellPressTracking_ = false;
        currentIndex_ = pressedIndex_;
        ShowPalette(false);
        RunCurrentItem(false);
      } else if (pressedIndex_ != -1 && inside) {
        PostMessageW(h, WM_LBUTTONDOWN, wp, lp);
        PostMessageW(h, WM_LBUTTONUP, wp, lp);
      }
      return 0;
    default: handled = false; return 0;
  }
}

// A COM error of the host (a tool without its command) ends the message here, never in the
// host's message loop.
LRESULT TerrainToolControl::Route(HWND h, UINT msg, WPARAM wp, LPARAM lp, bool palette) {
  TerrainToolControl* self = ObjectOf(h);
  if (!self) return DefWindowProcW(h, msg, wp, lp);
  bool handled = false;
  LRESULT result = 0;
  try {
    ComPtr<ITerrainToolControl> keep(static_cast<ITerrainToolControl*>(self));
    result = palette ? self->OnPaletteMessage(h, msg, wp, lp, handled)
                     : self->OnControlMessage(h, msg, wp, lp, handled);
  } catch (...) {
    return 0;
  }
  return handled ? result : DefWindowProcW(h, msg, wp, lp);
}

LRESULT TerrainToolControl::ControlProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  return Route(h, msg, wp, lp, false);
}

LRESULT TerrainToolControl::PaletteProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  return Route(h, msg, wp, lp, true);
}

LRESULT TerrainToolControl::PopupProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == kPopupQuery) return 1;
  return DefWindowProcW(h, msg, wp, lp);
}

HRESULT CreateTerrainToolControl(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<TerrainToolControl>(outer, riid, ppv);
}

}  // namespace velk::corvane
