// The five command bars as the host reads them: kind, name, caption and items in order, the
// item-definition calls, bad positions and null pointers, and creation through the factories.
#include "framework/menus_toolbars.h"

#include <gtest/gtest.h>

#include <set>

#include "framework/class_catalogue.h"
#include "interfaces/corvane_ids.h"
#include "platform/host/shell/command_bar_defs.h"

extern "C" HRESULT DllGetClassObject(REFCLSID, REFIID, void**);

namespace velk::corvane {
namespace {

using host::CommandBarContents;
using host::ItemDef;

// Creates a class the way the host does: through the library's class factory.
ComPtr<IUnknown> CreateThroughFactory(const CLSID& clsid, IUnknown* outer = nullptr) {
  ComPtr<IClassFactory> factory;
  Check(DllGetClassObject(clsid, IidOf<IClassFactory>(), factory.put_void()));
  ComPtr<IUnknown> object;
  Check(factory->CreateInstance(outer, IidOf<IUnknown>(), object.put_void()));
  return object;
}

ComPtr<ComObject<ItemDef>> NewItemDef() {
  ComObject<ItemDef>* p = nullptr;
  Check(ComObject<ItemDef>::Create(&p));
  return ComPtr<ComObject<ItemDef>>::Attach(p);
}

struct ExpectedItem {
  const wchar_t* progId;
  bool group;
};

struct ExpectedBar {
  const char* name;
  const CLSID* clsid;
  bool isMenu;
  const wchar_t* barName;
  const wchar_t* caption;
  std::vector<ExpectedItem> items;
};

const std::vector<ExpectedBar>& Bars() {
  static const std::vector<ExpectedBar> bars = {
      {"MainMenu",
       &ids::CLSID_MainMenu,
       true,
       L"Zel Main Menu",
       L"&Tarvos",
       {{L"velkTarvosUI.Mosaic", false},
        {L"velkTarvosUI.RadialLOS", false},
        {L"velkTarvosUI.LinearLOS", false},
        {L"velkTarvosUI.Hillshade", false},
        {L"velkTarvosUI.GeodesyCalc", true},
        {L"velkTarvosUI.GeodesyRings", false},
        {L"velkTarvosUI.ConversionMenu", true},
        {L"velkTarvosUI.Options2", true}}},
      {"ConversionMenu",
       &ids::CLSID_ConversionMenu,
       true,
       L"Zel Conversion Menu",
       L"Conversion...",
       {{L"velkTarvosUI.ConvertCoords", false}, {L"velkTarvosUI.VpfExport", true}}},
      {"MainToolbar",
       &ids::CLSID_MainToolbar,
       false,
       L"ZelToolbar",
       L"Tarvos",
       {{L"velkTarvosUI.MainMenu", false},
        {L"velkTarvosUI.AddLayer", true},
        {L"velkTarvosUI.SelectedLayer", true},
        {L"velkTarvosUI.TerrainToolControl", false},
        {L"velkTarvosUI.GeodesyGraphic", true},
        {L"velkTarvosUI.CoordTool", true},
        {L"Quelmar.SelectionToolMatch", true},
        {L"Quelmar.SelectionToolRestore", false},
        {L"Quelmar.SelectionToolHide", false},
        {L"Quelmar.Weblink", true}}},
      {"MainMenuDdd",
       &ids::CLSID_MainMenuDdd,
       true,
       L"Zel Main Menu",
       L"&Tarvos",
       {{L"velkTarvosUI.Options2", true}}},
      {"MainToolbarDdd",
       &ids::CLSID_MainToolbarDdd,
       false,
       L"ZelToolbar",
       L"Tarvos",
       {{L"velkTarvosUI.MainMenuDdd", false},
        {L"velkTarvosUI.AddLayer", true},
        {L"velkTarvosUI.ThreatDome", true},
        {L"velkTarvosUI.FlyThrough", false},
        {L"velkTarvosUI.CoordTool", true}}},
  };
  return bars;
}

TEST(CommandBars, EachBarGivesItsNameCaptionAndItemsInOrder) {
  for (const ExpectedBar& want : Bars()) {
    SCOPED_TRACE(want.name);
    ComPtr<IUnknown> bar = CreateThroughFactory(*want.clsid);
    CommandBarContents got;
    ASSERT_EQ(host::ReadCommandBar(bar.get(), got), S_OK);
    EXPECT_EQ(got.isMenu, want.isMenu);
    // A bar is a menu or a toolbar, never both.
    EXPECT_EQ(static_cast<bool>(QueryAs<IMenuDef>(bar.get())), want.isMenu);
    EXPECT_EQ(static_cast<bool>(QueryAs<IToolBarDef>(bar.get())), !want.isMenu);
    EXPECT_EQ(got.name, want.barName);
    EXPECT_EQ(got.caption, want.caption);
    ASSERT_EQ(got.items.size(), want.items.size());
    for (std::size_t i = 0; i < want.items.size(); ++i) {
      SCOPED_TRACE(i + 1);
      EXPECT_EQ(got.items[i].id, want.items[i].progId);
      EXPECT_EQ(got.items[i].beginsGroup, want.items[i].group);
      EXPECT_EQ(got.items[i].subType, 0);
    }
  }
}

TEST(CommandBars, BarsAnswerTheirOwnInterface) {
  const std::pair<const CLSID*, IID> own[] = {
      {&ids::CLSID_MainMenu, IidOf<IZelMainMenu>()},
      {&ids::CLSID_ConversionMenu, IidOf<IZelConversionMenu>()},
      {&ids::CLSID_MainToolbar, IidOf<IZelMainToolbar>()},
      {&ids::CLSID_MainMenuDdd, IidOf<IZelMainMenuDdd>()},
      {&ids::CLSID_MainToolbarDdd, IidOf<IZelMainToolbarDdd>()},
  };
  for (const auto& [clsid, iid] : own) {
    ComPtr<IUnknown> bar = CreateThroughFactory(*clsid);
    int answered = 0;
    for (const auto& [other, otherIid] : own) {
      IUnknown* p = nullptr;
      if (SUCCEEDED(bar->QueryInterface(otherIid, reinterpret_cast<void**>(&p))) && p) {
        ++answered;
        EXPECT_EQ(otherIid, iid);
        p->Release();
      }
    }
    EXPECT_EQ(answered, 1);
  }
}

TEST(CommandBars, ItemInformationSetsGroupThenIdentifierThenSubtype) {
  auto menu = QueryAs<IMenuDef>(CreateThroughFactory(ids::CLSID_MainMenu).get());
  ASSERT_TRUE(menu);
  auto item = NewItemDef();
  ASSERT_EQ(menu->GetItemInfo(4, item.get()), S_OK);
  EXPECT_EQ(item->Calls(), (std::vector<std::wstring>{L"Group", L"ID", L"SubType"}));
  EXPECT_EQ(item->Id(), L"velkTarvosUI.GeodesyCalc");
  EXPECT_TRUE(item->BeginsGroup());
}

// An item-definition object whose subtype call fails: the bar reports that failure.
class FailingSubType : public ComObjectRoot<FailingSubType, IItemDef> {
 public:
  HRESULT put_ID(BSTR) override { return E_FAIL; }
  HRESULT put_Group(VARIANT_BOOL) override { return E_FAIL; }
  HRESULT put_SubType(LONG) override { return E_ACCESSDENIED; }
};

TEST(CommandBars, ItemInformationReturnsTheLastCallsResult) {
  auto toolbar = QueryAs<IToolBarDef>(CreateThroughFactory(ids::CLSID_MainToolbar).get());
  ASSERT_TRUE(toolbar);
  auto failing = MakeObjectPtr<FailingSubType, IItemDef>();
  EXPECT_EQ(toolbar->GetItemInfo(0, failing.get()), E_ACCESSDENIED);
}

TEST(CommandBars, BadPositionsAndNullPointersAreRefused) {
  for (const ExpectedBar& want : Bars()) {
    SCOPED_TRACE(want.name);
    ComPtr<IUnknown> bar = CreateThroughFactory(*want.clsid);
    // The same slots for menus and toolbars; read them through whichever the bar answers.
    auto check = [&](auto* def) {
      LONG count = 0;
      ASSERT_EQ(def->get_ItemCount(&count), S_OK);
      for (LONG pos : {LONG{-1}, count, count + 1, LONG{0x7FFFFFFF}}) {
        auto item = NewItemDef();
        EXPECT_EQ(def->GetItemInfo(pos, item.get()), E_INVALIDARG) << pos;
        EXPECT_TRUE(item->Calls().empty()) << pos;
      }
      EXPECT_EQ(def->GetItemInfo(0, nullptr), E_POINTER);
      EXPECT_EQ(def->get_ItemCount(nullptr), E_POINTER);
      EXPECT_EQ(def->get_Name(nullptr), E_POINTER);
      EXPECT_EQ(def->get_Caption(nullptr), E_POINTER);
    };
    if (auto menu = QueryAs<IMenuDef>(bar.get()))
      check(menu.get());
    else if (auto toolbar = QueryAs<IToolBarDef>(bar.get()))
      check(toolbar.get());
    else
      FAIL() << "neither menu nor toolbar";
  }
}

TEST(CommandBars, BarsCanBeAggregated) {
  // An outer object that only forwards to the inner non-delegating unknown.
  class Outer : public ComObjectRoot<Outer, IUnknown> {};
  auto outer = MakeObjectPtr<Outer, IUnknown>();
  ComPtr<IUnknown> inner = CreateThroughFactory(ids::CLSID_MainToolbarDdd, outer.get());
  ASSERT_TRUE(inner);
  IToolBarDef* def = nullptr;
  ASSERT_EQ(inner->QueryInterface(IidOf<IToolBarDef>(), reinterpret_cast<void**>(&def)), S_OK);
  LONG count = 0;
  EXPECT_EQ(def->get_ItemCount(&count), S_OK);
  EXPECT_EQ(count, 5);
  def->Release();
}

// Every item that names one of this system's own ProgIDs names a class the library registers,
// so the host can resolve it; the rest belong to other components of the product line.
TEST(CommandBars, OwnItemsNameRegisteredClasses) {
  const std::set<std::wstring> others = {L"velkTarvosUI.GeodesyCalc", L"velkTarvosUI.GeodesyRings",
                                         L"velkTarvosUI.GeodesyGraphic"};
  for (auto items : {MainMenuItems(), ConversionMenuItems(), MainToolbarItems(), MainMenuDddItems(),
                     MainToolbarDddItems()}) {
    for (const BarItem& item : items) {
      std::wstring id = item.progId;
      if (id.rfind(L"Quelmar.", 0) == 0 || others.count(id)) continue;
      EXPECT_NE(FindCatalogueEntryByProgId(id), nullptr) << std::string(id.begin(), id.end());
    }
  }
}

// A bar built by hand: the item ProgID is copied, the argument freed (the sanitizer sees a
// leak or a double free), a null ProgID is no item.
class HandBar : public CMenuDefImpl<HandBar> {
 public:
  static constexpr UINT kNameId = 3201, kCaptionId = 3200;
};

TEST(CommandBars, AddItemCopiesTheProgIdAndRefusesNull) {
  auto bar = MakeObjectPtr<HandBar, IMenuDef>();
  auto* impl = static_cast<HandBar*>(bar.get());
  BSTR id = SysAllocString(L"velkTarvosUI.Mosaic");
  ASSERT_EQ(impl->AddItem(id, 3, VARIANT_TRUE), S_OK);
  EXPECT_EQ(impl->AddItem(nullptr, 0, VARIANT_FALSE), E_INVALIDARG);
  LONG count = 0;
  ASSERT_EQ(bar->get_ItemCount(&count), S_OK);
  EXPECT_EQ(count, 1);
  auto item = NewItemDef();
  ASSERT_EQ(bar->GetItemInfo(0, item.get()), S_OK);
  EXPECT_EQ(item->Id(), L"velkTarvosUI.Mosaic");
  EXPECT_EQ(item->SubType(), 3);
  EXPECT_TRUE(item->BeginsGroup());
}

}  // namespace
}  // namespace velk::corvane
