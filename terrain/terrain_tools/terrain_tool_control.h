// The terrain tool palette: a split button on the main toolbar. Its left part shows the current
// terrain tool and runs it; its right part opens a popup palette with every terrain tool the
// host placed (the four subtypes of the terrain tools), and choosing a cell makes that tool
// current and runs it at once. Texts, bitmaps and states come from the tools' own commands.
#pragma once

#include <string>
#include <vector>

#include "platform/com/object.h"
#include "platform/host/shell/application.h"
#include "platform/host/shell/command.h"
#include "platform/host/shell/command_bars.h"
#include "terrain/terrain_tools/palette_drawing.h"
#include "terrain/terrain_tools/palette_layout.h"

// The control's own interface; it adds nothing to IUnknown.
struct ITerrainToolControl : IUnknown {
  VELK_INTERFACE_ID("{9B2D4E61-7A3C-4F58-8E19-2C6B0D5A7F34}")
};

namespace velk::corvane {

// Window classes of the control, its palette and the palette's popup frame.
inline constexpr wchar_t kPaletteControlClass[] = L"VelkCmdMenuControl";
inline constexpr wchar_t kPaletteClass[] = L"VelkCmdMenuControlPalette";
inline constexpr wchar_t kPalettePopupClass[] = L"VelkCmdMenuControlPopup";
// The control window's size as made, before the host places it.
constexpr int kPaletteControlWidth = 36;
constexpr int kPaletteControlHeight = 21;

class TerrainToolControl
    : public ComObjectRoot<TerrainToolControl, ITerrainToolControl, ICommand, IToolControl> {
 public:
  TerrainToolControl();
  ~TerrainToolControl() override;
  TerrainToolControl(const TerrainToolControl&) = delete;
  TerrainToolControl& operator=(const TerrainToolControl&) = delete;

  // ICommand
  HRESULT get_Enabled(VARIANT_BOOL* enabled) override;
  HRESULT get_Checked(VARIANT_BOOL* checked) override;
  HRESULT get_Name(BSTR* name) override;
  HRESULT get_Caption(BSTR* caption) override;
  HRESULT get_Tooltip(BSTR* tooltip) override;
  HRESULT get_Message(BSTR* message) override;
  HRESULT get_HelpFile(BSTR* helpFile) override;
  HRESULT get_HelpContextID(LONG* helpContext) override;
  HRESULT get_Bitmap(HBITMAP* bitmap) override;
  HRESULT get_Category(BSTR* category) override;
  HRESULT OnCreate(IUnknown* hook) override;
  HRESULT OnClick() override;

  // IToolControl
  HRESULT get_hWnd(HWND* window) override;
  HRESULT OnFocus(IUnknown* completeNotify) override;
  HRESULT OnDrop(LONG barType, VARIANT_BOOL* accept) override;

  // What the host and tests see of it.
  HWND ControlWindow() const { return control_; }
  HWND PopupWindow() const { return popup_; }
  HWND PaletteWindow() const { return palette_; }
  HWND PaletteTooltip() const { return paletteTip_; }
  HWND ControlTooltip() const { return controlTip_; }
  int ItemCount() const { return grid_.itemCount; }
  const PaletteGrid& Grid() const { return grid_; }
  int CurrentIndex() const { return currentIndex_; }
  int HoverIndex() const { return hoverIndex_; }
  int PressedIndex() const { return pressedIndex_; }
  bool PaletteOpen() const { return paletteOpen_; }
  bool Hover() const { return hover_; }
  bool Horizontal() const { return horizontal_; }
  const RECT& ButtonRect() const { return buttonRect_; }
  const RECT& ArrowRect() const { return arrowRect_; }

  // The application all controls of the process share: held with a reference while a control
  // lives, dropped when the last one goes with its host.
  static IApplication* SharedApplication();

 private:
  static LRESULT ControlProc(HWND h, UINT msg, WPARAM wp, LPARAM lp);
  static LRESULT PaletteProc(HWND h, UINT msg, WPARAM wp, LPARAM lp);
  static LRESULT PopupProc(HWND h, UINT msg, WPARAM wp, LPARAM lp);
  static LRESULT Route(HWND h, UINT msg, WPARAM wp, LPARAM lp, bool palette);
  LRESULT OnControlMessage(HWND h, UINT msg, WPARAM wp, LPARAM lp, bool& handled);
  LRESULT OnPaletteMessage(HWND h, UINT msg, WPARAM wp, LPARAM lp, bool& handled);

  void FindTerrainToolItems();
  void CreateControlWindows();
  ICommandItem* CurrentItem() const;
  ComPtr<ICommand> CommandOf(ICommandItem* item) const;
  bool IsActiveTool(ICommandItem* item);
  void RunCurrentItem(bool pressed);
  void NotifyParent(WPARAM flag);
  void ShowPalette(bool show);
  void HighlightCell(POINT p);
  void ClearHighlight();
  void PressCell(POINT p);
  void ForwardMouseMessage(POINT screen, UINT msg, WPARAM wp);
  void PaintControl(HDC dc);
  void PaintPalette(HDC dc);
  void DrawItem(HDC dc, int index, const RECT& r, bool pressed);
  LRESULT TooltipText(ICommandItem* item, LPARAM lp);

  bool created_ = false;
  bool currentEnabled_ = false;
  bool hover_ = false;
  bool pressed_ = false;
  bool paletteOpen_ = false;
  bool currentIsActiveTool_ = false;
  bool cellPressTracking_ = false;
  int currentIndex_ = 0;
  int hoverIndex_ = -1;
  int pressedIndex_ = -1;
  int activeToolIndex_ = -1;
  PaletteGrid grid_;
  HWND control_ = nullptr, hiddenParent_ = nullptr, popup_ = nullptr, palette_ = nullptr;
  HWND controlTip_ = nullptr, paletteTip_ = nullptr;
  std::wstring tooltipText_;
  std::vector<ComPtr<ICommandItem>> items_;
  RECT buttonRect_{}, arrowRect_{}, highlightRect_{};
  bool horizontal_ = true;
};

HRESULT CreateTerrainToolControl(IUnknown* outer, REFIID riid, void** ppv);

}  // namespace velk::corvane
