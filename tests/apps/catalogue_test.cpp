// The host program's listings of Corvane's command bars and classes: bars with their items in
// order, unavailable classes named as such, and commands with their texts, images and enabled
// states under every extension state their rule depends on.
//
// The listings run in this process (linked with the host program's command library), so fake
// commands can stand in through the process class table.

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <sstream>

#include "apps/trevik/catalogue.h"
#include "apps/trevik/commands.h"
#include "apps/trevik/host_session.h"
#include "framework/class_catalogue.h"
#include "platform/com/out_param.h"
#include "platform/com/text.h"
#include "platform/host/shell/command.h"
#include "platform/registry/activation.h"
#include "interfaces/corvane_ids.h"
#include "platform/host/application/host_session.h"
#include "tests/fixtures/temp_root.h"

namespace velk::test {
namespace {

const std::string kCorvane = VELK_LIB_DIR "/libCorvane.so";

struct Listing {
  int status = -1;
  std::string out;
  std::string err;
};

Listing RunListing(int (*listing)()) {
  Listing r;
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  r.status = listing();
  std::fflush(stdout);
  std::fflush(stderr);
  r.out = testing::internal::GetCapturedStdout();
  r.err = testing::internal::GetCapturedStderr();
  return r;
}

class RegisteredCorvane : public testing::Test {
 protected:
  void SetUp() override {
    testing::internal::CaptureStdout();
    int status = trevik::RegisterLibraries({kCorvane}, true);
    testing::internal::GetCapturedStdout();
    ASSERT_EQ(status, 0);
  }
  TempRoot root_;
};

const char kMenus[] =
    "ConversionMenu velkTarvosUI.ConversionMenu menu name \"Zel Conversion Menu\" caption "
    "\"Conversion...\" items 2\n"
    "  1 velkTarvosUI.ConvertCoords\n"
    "  2 velkTarvosUI.VpfExport group\n"
    "MainMenu velkTarvosUI.MainMenu menu name \"Zel Main Menu\" caption \"&Tarvos\" items 8\n"
    "  1 velkTarvosUI.Mosaic\n"
    "  2 velkTarvosUI.RadialLOS\n"
    "  3 velkTarvosUI.LinearLOS\n"
    "  4 velkTarvosUI.Hillshade\n"
    "  5 velkTarvosUI.GeodesyCalc group unregistered\n"
    "  6 velkTarvosUI.GeodesyRings unregistered\n"
    "  7 velkTarvosUI.ConversionMenu group\n"
    "  8 velkTarvosUI.Options2 group\n"
    "MainToolbar velkTarvosUI.MainToolbar toolbar name \"ZelToolbar\" caption \"Tarvos\" items 10\n"
    "  1 velkTarvosUI.MainMenu\n"
    "  2 velkTarvosUI.AddLayer group\n"
    "  3 velkTarvosUI.SelectedLayer group\n"
    "  4 velkTarvosUI.TerrainToolControl\n"
    "  5 velkTarvosUI.GeodesyGraphic group unregistered\n"
    "  6 velkTarvosUI.CoordTool group\n"
    "  7 Quelmar.SelectionToolMatch group unregistered\n"
    "  8 Quelmar.SelectionToolRestore unregistered\n"
    "  9 Quelmar.SelectionToolHide unregistered\n"
    "  10 Quelmar.Weblink group unregistered\n"
    "MainMenuDdd velkTarvosUI.MainMenuDdd menu name \"Zel Main Menu\" caption \"&Tarvos\" items 1\n"
    "  1 velkTarvosUI.Options2 group\n"
    "MainToolbarDdd velkTarvosUI.MainToolbarDdd toolbar name \"ZelToolbar\" caption \"Tarvos\" "
    "items 5\n"
    "  1 velkTarvosUI.MainMenuDdd\n"
    "  2 velkTarvosUI.AddLayer group\n"
    "  3 velkTarvosUI.ThreatDome group\n"
    "  4 velkTarvosUI.FlyThrough\n"
    "  5 velkTarvosUI.CoordTool group\n";

TEST_F(RegisteredCorvane, MenusListEveryBarWithItsItemsInOrder) {
  Listing r = RunListing(&trevik::ListMenus);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, kMenus);
}

TEST(TrevikListings, WithoutTheLibraryRegisteredTheListingsFail) {
  TempRoot root;
  Listing menus = RunListing(&trevik::ListMenus);
  EXPECT_EQ(menus.status, 1);
  EXPECT_EQ(menus.out, "");
  EXPECT_EQ(menus.err, "trevik: no menus or toolbars are registered\n");
  Listing classes = RunListing(&trevik::ListCatalogue);
  EXPECT_EQ(classes.status, 1);
  EXPECT_EQ(classes.out, "");
  EXPECT_EQ(classes.err, "trevik: no classes of libCorvane.so are registered\n");
}

std::vector<std::string> Blocks(const std::string& out) {
  // One block per class: its numbered line and the indented lines under it.
  std::vector<std::string> blocks;
  std::istringstream in(out);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line[0] != ' ') blocks.emplace_back();
    if (blocks.empty()) blocks.emplace_back();
    blocks.back() += line + "\n";
  }
  return blocks;
}

TEST_F(RegisteredCorvane, CatalogueListsEveryClassInMapOrder) {
  Listing r = RunListing(&trevik::ListCatalogue);
  ASSERT_EQ(r.status, 0) << r.err;
  std::vector<std::string> blocks = Blocks(r.out);
  ASSERT_EQ(blocks.size(), 25u) << r.out;
  const char* roles[] = {"command", "tool",    "tool with subtypes", "tool control",
                         "menu",    "toolbar", "dockable window",    "operation"};
  for (std::size_t i = 0; i < blocks.size(); ++i) {
    const corvane::ClassEntry& e = corvane::kClassCatalogue[i];
    SCOPED_TRACE(e.name);
    std::string head = std::to_string(i + 1) + " " + e.name + " " + ToUtf8(e.progId) + " ";
    ASSERT_EQ(blocks[i].rfind(head, 0), 0u) << blocks[i];
    if (e.IsBar()) {
      // The bar's own block of the menus listing.
      EXPECT_NE(std::string(kMenus).find(blocks[i].substr(head.size())), std::string::npos)
          << blocks[i];
      continue;
    }
    const std::string unavailable = ": not available\n";
    if (blocks[i].ends_with(unavailable) && blocks[i].find('\n') + 1 == blocks[i].size()) continue;
    // A class whose own work has arrived: its role read from its interfaces, and described, or
    // just created when it is no command.
    std::string role = head + roles[static_cast<int>(e.role)];
    if (e.IsCommand()) {
      EXPECT_EQ(blocks[i].rfind(role + "\n", 0), 0u) << blocks[i];
      EXPECT_NE(blocks[i].find("   enabled zel=1"), std::string::npos) << blocks[i];
      // A class answers a bitmap exactly when its table names one: a bitmap of the platform's
      // drawing layer, under the resource id it was loaded from.
      if (e.subtypes.empty()) {
        std::string bitmap = e.bitmapId ? std::to_string(e.bitmapId) : "none";
        EXPECT_NE(blocks[i].find("   bitmap " + bitmap), std::string::npos) << blocks[i];
      }
    } else {
      EXPECT_EQ(blocks[i], role + ": created\n");
    }
  }
  // The radial line of sight and the terrain tool control have arrived.
  EXPECT_EQ(blocks[0].rfind("1 RadialLOS velkTarvosUI.RadialLOS command\n", 0), 0u) << blocks[0];
  EXPECT_EQ(
      blocks[16].rfind("17 TerrainToolControl velkTarvosUI.TerrainToolControl tool control\n", 0),
      0u)
      << blocks[16];
  // The hillshade command has arrived, with its bitmap.
  EXPECT_NE(blocks[2].find("   bitmap 3021\n"), std::string::npos) << blocks[2];
  // The terrain tools have: each subtype with its own texts, disabled without a chosen layer.
  EXPECT_NE(blocks[17].find("  subtype 4\n   caption \"\" name \"Tarvos\" category \"Tarvos\"\n"
                            "   tooltip \"Extract\"\n"),
            std::string::npos)
      << blocks[17];
  EXPECT_EQ(blocks[17].find(": yes"), std::string::npos) << blocks[17];
}

// A command standing in for one of the library's classes, found before the registry's: it
// answers fixed texts and decides its enabled state from the host's extension states.
struct FakeSpec {
  std::wstring caption, tooltip, message;
  LONG helpContext = 0;
  bool bitmap = false;
  bool subtypes = false;
  std::function<bool(LONG zel, bool quentara, bool sorrelin)> rule;
};
FakeSpec* g_spec = nullptr;
std::atomic<int> g_live{0};

LONG StateOf(const wchar_t* name) {
  auto config = QueryAs<IExtensionConfig>(host::HostSession::Current()->FindExtension(name).get());
  LONG state = 0;
  if (config) config->get_State(&state);
  return state;
}

class FakeCommand final : public ICommand, public ICommandSubType {
 public:
  explicit FakeCommand(const FakeSpec& spec) : spec_(spec) { ++g_live; }
  ~FakeCommand() { --g_live; }
  HRESULT QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (riid == IidOf<IUnknown>() || riid == IidOf<ICommand>())
      *ppv = static_cast<ICommand*>(this);
    else if (riid == IidOf<ICommandSubType>() && spec_.subtypes)
      *ppv = static_cast<ICommandSubType*>(this);
    else
      return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  ULONG AddRef() override { return ++refs_; }
  ULONG Release() override {
    ULONG n = --refs_;
    if (n == 0) delete this;
    return n;
  }
  HRESULT get_Enabled(VARIANT_BOOL* enabled) override {
    bool on = hooked_ && spec_.rule(StateOf(L"Tarvos"), StateOf(L"Quentara") == kExtensionEnabled,
                                    StateOf(L"Sorrelin") == kExtensionEnabled);
    *enabled = ToVariantBool(on);
    return S_OK;
  }
  HRESULT get_Checked(VARIANT_BOOL* checked) override { return *checked = VARIANT_FALSE, S_OK; }
  HRESULT get_Name(BSTR* name) override { return Text(L"Tarvos" + spec_.caption, name); }
  HRESULT get_Caption(BSTR* caption) override { return Text(spec_.caption, caption); }
  HRESULT get_Tooltip(BSTR* tooltip) override {
    return Text(spec_.subtypes ? spec_.tooltip + std::to_wstring(subType_) : spec_.tooltip,
                tooltip);
  }
  HRESULT get_Message(BSTR* message) override { return Text(spec_.message, message); }
  HRESULT get_HelpFile(BSTR* file) override { return Text(L"velk_csTarvos.hlp", file); }
  HRESULT get_HelpContextID(LONG* context) override { return *context = spec_.helpContext, S_OK; }
  HRESULT get_Bitmap(HBITMAP* bitmap) override {
    if (spec_.bitmap) *bitmap = reinterpret_cast<HBITMAP>(this);
    return S_OK;
  }
  HRESULT get_Category(BSTR* category) override { return Text(L"Tarvos", category); }
  HRESULT OnCreate(IUnknown* hook) override {
    hooked_ = hook != nullptr;
    return S_OK;
  }
  HRESULT OnClick() override { return S_OK; }
  HRESULT SetSubType(LONG subType) override {
    if (subType < 1 || subType > 4) return E_INVALIDARG;
    subType_ = subType;
    return S_OK;
  }
  HRESULT GetCount(LONG* count) override { return *count = 4, S_OK; }

 private:
  static HRESULT Text(const std::wstring& text, BSTR* out) {
    *out = AllocBstr(text);
    return S_OK;
  }
  FakeSpec spec_;
  std::atomic<ULONG> refs_{0};
  bool hooked_ = false;
  LONG subType_ = 1;
};

HRESULT CreateFake(IUnknown* outer, REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (outer) return CLASS_E_NOAGGREGATION;
  auto* fake = new FakeCommand(*g_spec);
  fake->AddRef();
  HRESULT hr = fake->QueryInterface(riid, ppv);
  fake->Release();
  return hr;
}

class FakeClass {
 public:
  FakeClass(const CLSID& clsid, FakeSpec spec) : spec_(std::move(spec)) {
    g_spec = &spec_;
    cookie_ = RegisterProcessClass(clsid, &CreateFake);
  }
  ~FakeClass() {
    RevokeProcessClass(cookie_);
    g_spec = nullptr;
  }

 private:
  FakeSpec spec_;
  DWORD cookie_ = 0;
};

std::string BlockOf(const std::string& out, std::size_t number) {
  return Blocks(out).at(number - 1);
}

TEST_F(RegisteredCorvane, ACommandIsListedWithItsTextsAndBaseRule) {
  FakeClass fake(ids::CLSID_Options2,
                 {L"Options...", L"Open the Tarvos Options dialog",
                  L"Opens the dialog to modify Tarvos environment settings", 3218, false, false,
                  [](LONG zel, bool, bool) { return zel == 1; }});
  Listing r = RunListing(&trevik::ListCatalogue);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(BlockOf(r.out, 25),
            "25 Options2 velkTarvosUI.Options2 command\n"
            "   caption \"Options...\" name \"TarvosOptions...\" category \"Tarvos\"\n"
            "   tooltip \"Open the Tarvos Options dialog\"\n"
            "   message \"Opens the dialog to modify Tarvos environment settings\"\n"
            "   help \"velk_csTarvos.hlp\" context 3218\n"
            "   bitmap none\n"
            "   enabled zel=0 quentara=on sorrelin=on: no\n"
            "   enabled zel=1 quentara=on sorrelin=on: yes\n"
            "   enabled zel=1 quentara=on sorrelin=off: yes\n"
            "   enabled zel=1 quentara=off sorrelin=on: yes\n"
            "   enabled zel=1 quentara=off sorrelin=off: yes\n");
  EXPECT_EQ(g_live.load(), 0);
}

TEST_F(RegisteredCorvane, AnAnalysisCommandIsListedUnderEveryExtensionState) {
  FakeClass fake(ids::CLSID_RadialLOS,
                 {L"Radial Line of Sight...", L"Radial Line of Sight", L"m", 3222, true, false,
                  [](LONG zel, bool q, bool s) { return zel == 1 && (q || s); }});
  Listing r = RunListing(&trevik::ListCatalogue);
  ASSERT_EQ(r.status, 0) << r.err;
  std::string block = BlockOf(r.out, 1);
  EXPECT_NE(block.find("   bitmap present\n"), std::string::npos) << block;
  EXPECT_NE(block.find("   enabled zel=0 quentara=on sorrelin=on: no\n"
                       "   enabled zel=1 quentara=on sorrelin=on: yes\n"
                       "   enabled zel=1 quentara=on sorrelin=off: yes\n"
                       "   enabled zel=1 quentara=off sorrelin=on: yes\n"
                       "   enabled zel=1 quentara=off sorrelin=off: no\n"),
            std::string::npos)
      << block;
}

TEST_F(RegisteredCorvane, ASubtypedToolIsListedPerSubtype) {
  FakeClass fake(ids::CLSID_TerrainTools,
                 {L"", L"tool ", L"m", 0, true, true, [](LONG, bool, bool) { return false; }});
  Listing r = RunListing(&trevik::ListCatalogue);
  ASSERT_EQ(r.status, 0) << r.err;
  std::string block = BlockOf(r.out, 18);
  std::size_t at = 0;
  for (int sub = 1; sub <= 4; ++sub) {
    std::string part = "  subtype " + std::to_string(sub) + "\n";
    at = block.find(part, at);
    ASSERT_NE(at, std::string::npos) << block;
    EXPECT_EQ(block.find("tooltip \"tool " + std::to_string(sub) + "\"", at),
              block.find("tooltip", at))
        << block;
    EXPECT_EQ(block.find("bitmap present", at), block.find("bitmap", at)) << block;
    EXPECT_EQ(block.find("enabled zel=0 quentara=on sorrelin=on: no", at),
              block.find("enabled", at))
        << block;
  }
}

}  // namespace
}  // namespace velk::test
