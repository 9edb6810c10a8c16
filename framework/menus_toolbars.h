// Corvane's five command bars: the main menu, the conversion sub-menu and the main toolbar of
// the map host, and the menu and toolbar of the globe host. Each tells the host its items by
// ProgID; the host creates the commands itself. The bars hold no hook and do no work.
#pragma once

#include <span>

#include "framework/class_catalogue.h"
#include "framework/tool_menu_def_impl.h"
#include "interfaces/corvane_menus.h"
#include "platform/com/out_param.h"

namespace velk::corvane {

struct BarItem {
  const wchar_t* progId;
  bool beginsGroup;  // a separator goes before the item
};

// The items of each bar, in order (subtype 0 for every item).
std::span<const BarItem> MainMenuItems();
std::span<const BarItem> ConversionMenuItems();
std::span<const BarItem> MainToolbarItems();
std::span<const BarItem> MainMenuDddItems();
std::span<const BarItem> MainToolbarDddItems();

// Fills a bar's items from its table; the first failure ends it.
template <class Bar>
HRESULT AddBarItems(Bar& bar, std::span<const BarItem> items) {
  for (const BarItem& item : items) {
    HRESULT hr = bar.AddItem(SysAllocString(item.progId), 0, ToVariantBool(item.beginsGroup));
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

class MainMenu : public CMenuDefImpl<MainMenu, IZelMainMenu>,
                 public CatalogueIds<ClassId::MainMenu> {
 public:
  HRESULT FinalConstruct() { return AddBarItems(*this, MainMenuItems()); }
};

class ConversionMenu : public CMenuDefImpl<ConversionMenu, IZelConversionMenu>,
                       public CatalogueIds<ClassId::ConversionMenu> {
 public:
  HRESULT FinalConstruct() { return AddBarItems(*this, ConversionMenuItems()); }
};

class MainToolbar : public CToolBarDefImpl<MainToolbar, IZelMainToolbar>,
                    public CatalogueIds<ClassId::MainToolbar> {
 public:
  HRESULT FinalConstruct() { return AddBarItems(*this, MainToolbarItems()); }
};

class MainMenuDdd : public CMenuDefImpl<MainMenuDdd, IZelMainMenuDdd>,
                    public CatalogueIds<ClassId::MainMenuDdd> {
 public:
  HRESULT FinalConstruct() { return AddBarItems(*this, MainMenuDddItems()); }
};

class MainToolbarDdd : public CToolBarDefImpl<MainToolbarDdd, IZelMainToolbarDdd>,
                       public CatalogueIds<ClassId::MainToolbarDdd> {
 public:
  HRESULT FinalConstruct() { return AddBarItems(*this, MainToolbarDddItems()); }
};

}  // namespace velk::corvane
