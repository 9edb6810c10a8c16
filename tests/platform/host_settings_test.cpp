// The settings environment behind the extension object: declared defaults, values written
// through it surviving a restart of the host (read back from the registry file), and stored
// values of the wrong type or an unreadable registry file losing nothing.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <limits>

#include "platform/com/text.h"
#include "platform/host/display/symbol.h"
#include "platform/host/application/host_session.h"
#include "platform/productline/product_line_classes.h"
#include "platform/productline/symbol_text.h"
#include "platform/productline/tarvos_environment.h"
#include "platform/productline/zel_extension.h"
#include "platform/registry/registry.h"
#include "tests/fixtures/temp_root.h"

namespace velk::productline {
namespace {

using reg::Hive;

// A host program run: the product line's classes and a 2-D host with the extension object.
class HostRun {
 public:
  HostRun() {
    cookies_ = RegisterProductLineClasses();
    host::HostSessionOptions options;
    options.extensions.push_back(CLSID_ZelExtension);
    std::wstring error;
    session_ = host::HostSession::Start(options, &error);
    if (!session_) throw ComError(E_FAIL, error);
  }
  ~HostRun() {
    session_.reset();
    RevokeProductLineClasses(cookies_);
  }
  ComPtr<IZelSettings> Settings() {
    auto zel = QueryAs<IZelExtension>(session_->FindExtension(L"Tarvos").get());
    ComPtr<IZelSettings> s;
    Check(zel->get_Settings(s.put()));
    return s;
  }

 private:
  std::vector<DWORD> cookies_;
  std::unique_ptr<host::HostSession> session_;
};

TarvosEnvironment& Env(IZelSettings* s) { return *static_cast<TarvosEnvironment*>(s); }

TEST(TarvosSettings, EveryDeclaredSettingStartsAtItsDefault) {
  test::TempRoot root;
  auto settings = MakeObjectPtr<TarvosEnvironment, IZelSettings>();
  for (std::size_t i = 0; i < kSettingCount; ++i) {
    auto id = static_cast<SettingId>(i);
    const SettingDecl& d = Decl(id);
    SCOPED_TRACE(std::string(d.name, d.name + wcslen(d.name)));
    switch (d.type) {
      case SettingType::Bool: {
        VARIANT_BOOL v = 1;
        ASSERT_EQ(Env(settings.get()).GetBool(id, &v), S_OK);
        EXPECT_EQ(v, static_cast<VARIANT_BOOL>(d.number));
        EXPECT_TRUE(v == VARIANT_TRUE || v == VARIANT_FALSE);
        break;
      }
      case SettingType::Long: {
        LONG v = -12345;
        ASSERT_EQ(Env(settings.get()).GetLong(id, &v), S_OK);
        EXPECT_EQ(v, static_cast<LONG>(d.number));
        break;
      }
      case SettingType::Double: {
        double v = -1;
        ASSERT_EQ(Env(settings.get()).GetDouble(id, &v), S_OK);
        EXPECT_EQ(v, d.number);
        break;
      }
      case SettingType::String: {
        Bstr v;
        ASSERT_EQ(Env(settings.get()).GetString(id, &v), S_OK);
        EXPECT_EQ(v.str(), d.text);
        break;
      }
      case SettingType::Symbol: {
        ComPtr<IUnknown> symbol;
        ASSERT_EQ(Env(settings.get()).GetSymbolSetting(id, symbol.put()), S_OK);
        std::wstring text;
        ASSERT_TRUE(SymbolToText(symbol.get(), text));
        EXPECT_EQ(text, d.text);
        break;
      }
    }
  }
  // Nothing is written until a setting is.
  EXPECT_FALSE(reg::KeyExists(Hive::CurrentUser, kTarvosSettingsKey));
}

TEST(TarvosSettings, EveryAreaInterfaceIsAnsweredByTheSettingsObject) {
  test::TempRoot root;
  auto settings = MakeObjectPtr<TarvosEnvironment, IZelSettings>();
  EXPECT_TRUE(settings.As<IGeneralSettings>());
  EXPECT_TRUE(settings.As<ICoordToolSettings>());
  EXPECT_TRUE(settings.As<IConversionFieldsSettings>());
  EXPECT_TRUE(settings.As<IConversionSettings>());
  EXPECT_TRUE(settings.As<IGeodesySettings>());
  EXPECT_TRUE(settings.As<ITerrainSettings>());
  EXPECT_TRUE(settings.As<IDDDSettings>());
  EXPECT_TRUE(settings.As<IDataManSettings>());
  EXPECT_TRUE(
      IsSameObject(settings.As<ITerrainSettings>().get(), settings.As<IDDDSettings>().get()));
}

TEST(TarvosSettings, ValuesWrittenSurviveARestartOfTheHost) {
  test::TempRoot root;
  {
    HostRun run;
    auto s = run.Settings();
    ASSERT_EQ(s.Query<ICoordToolSettings>()->put_MGRSStatusBar(VARIANT_TRUE), S_OK);
    ASSERT_EQ(s.Query<ITerrainSettings>()->put_TerrainRefraction(0.25), S_OK);
    ASSERT_EQ(s.Query<IDDDSettings>()->put_DDDFlyThruDefaultHt(-40), S_OK);
    Bstr field(L"Easting \x00e9");
    ASSERT_EQ(s.Query<IConversionFieldsSettings>()->put_ConversionFieldsXField(field), S_OK);
    ASSERT_EQ(s.Query<IDataManSettings>()->put_DataManRPFUseBestMapSet(1), S_OK);  // kept as given
    Bstr factory(L"velkHost.ShapefileWorkspaceFactory"), path(L"/data/out");
    ASSERT_EQ(s.Query<IGeneralSettings>()->SetGeneralOutputWorkspace(factory, path), S_OK);
  }
  // The registry file on disk holds them.
  std::string file = test::ReadFileText(root.path() + "/registry.txt");
  EXPECT_NE(file.find("TerrainRefraction"), std::string::npos);
  EXPECT_NE(file.find("0.25"), std::string::npos);

  reg::SetHostRoot(root.path());  // a new host program reads the file again
  HostRun again;
  auto s = again.Settings();
  VARIANT_BOOL b = 0;
  s.Query<ICoordToolSettings>()->get_MGRSStatusBar(&b);
  EXPECT_EQ(b, VARIANT_TRUE);
  double refraction = 0;
  s.Query<ITerrainSettings>()->get_TerrainRefraction(&refraction);
  EXPECT_EQ(refraction, 0.25);
  LONG height = 0;
  s.Query<IDDDSettings>()->get_DDDFlyThruDefaultHt(&height);
  EXPECT_EQ(height, -40);
  Bstr field;
  s.Query<IConversionFieldsSettings>()->get_ConversionFieldsXField(&field);
  EXPECT_EQ(field.str(), L"Easting \x00e9");
  s.Query<IDataManSettings>()->get_DataManRPFUseBestMapSet(&b);
  EXPECT_EQ(b, 1);
  Bstr path;
  s.Query<IGeneralSettings>()->get_GeneralOutputWorkspacePath(&path);
  EXPECT_EQ(path.str(), L"/data/out");
  // Untouched settings keep their defaults.
  LONG units = 0;
  s.Query<IGeneralSettings>()->get_GeneralAzimuthUnits(&units);
  EXPECT_EQ(units, 11);
}

TEST(TarvosSettings, RealsAreStoredInTheCLocaleAndReadBackExactly) {
  test::TempRoot root;
  auto s = MakeObjectPtr<TarvosEnvironment, IZelSettings>();
  const double value = 0.1 + 0.2;  // not a short decimal
  ASSERT_EQ(s.Query<IDDDSettings>()->put_DDDRadials(value), S_OK);
  std::wstring text;
  ASSERT_TRUE(reg::ReadString(Hive::CurrentUser, std::wstring(kTarvosSettingsKey) + L"\\DDD",
                              L"DDDRadials", text));
  EXPECT_EQ(text.find(L','), std::wstring::npos);
  auto fresh = MakeObjectPtr<TarvosEnvironment, IZelSettings>();
  double back = 0;
  fresh.Query<IDDDSettings>()->get_DDDRadials(&back);
  EXPECT_EQ(back, value);
  EXPECT_EQ(s.Query<IDDDSettings>()->put_DDDRadials(std::numeric_limits<double>::quiet_NaN()),
            E_INVALIDARG);
}

TEST(TarvosSettings, AStoredValueOfTheWrongTypeGivesTheDefaultAndIsKept) {
  test::TempRoot root;
  std::wstring terrain = std::wstring(kTarvosSettingsKey) + L"\\Terrain";
  ASSERT_EQ(reg::WriteString(Hive::CurrentUser, terrain, L"TerrainCalculateZ", L"yes"),
            ERROR_SUCCESS);
  ASSERT_EQ(reg::WriteString(Hive::CurrentUser, terrain, L"TerrainRefraction", L"0,5"),
            ERROR_SUCCESS);
  ASSERT_EQ(reg::WriteDword(Hive::CurrentUser, terrain, L"TerrainUseCurveRefraction", 0xFFFF),
            ERROR_SUCCESS);
  auto s = MakeObjectPtr<TarvosEnvironment, IZelSettings>().Query<ITerrainSettings>();
  VARIANT_BOOL b = 0;
  s->get_TerrainCalculateZ(&b);
  EXPECT_EQ(b, VARIANT_TRUE);  // the default
  double r = 0;
  s->get_TerrainRefraction(&r);
  EXPECT_EQ(r, 0.13);
  s->get_TerrainUseCurveRefraction(&b);
  EXPECT_EQ(b, VARIANT_TRUE);  // the low 16 bits of the stored number
  std::wstring text;
  EXPECT_TRUE(reg::ReadString(Hive::CurrentUser, terrain, L"TerrainCalculateZ", text));
  EXPECT_EQ(text, L"yes");
}

TEST(TarvosSettings, OptionFileRoundTrip) {
  // Saving writes every setting into the key, which is copied to a file; loading restores the
  // key and reads it back, replacing what was changed in between.
  test::TempRoot root;
  auto s = MakeObjectPtr<TarvosEnvironment, IZelSettings>();
  s.Query<IGeodesySettings>()->put_GeodesyLineType(2);
  ASSERT_EQ(s->RegisterAllSettings(), S_OK);
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, kTarvosSettingsKey, 0, KEY_ALL_ACCESS, &key),
            ERROR_SUCCESS);
  std::wstring file = FromUtf8(root.path() + "/options.dat");
  ASSERT_EQ(RegSaveKeyW(key, file.c_str(), nullptr), ERROR_SUCCESS);
  s.Query<IGeodesySettings>()->put_GeodesyLineType(0);
  s.Query<IGeneralSettings>()->put_GeneralDistanceUnits(5);
  ASSERT_EQ(RegRestoreKeyW(key, file.c_str(), 0), ERROR_SUCCESS);
  RegCloseKey(key);
  ASSERT_EQ(s->LoadAllSettings(), S_OK);
  LONG v = -1;
  s.Query<IGeodesySettings>()->get_GeodesyLineType(&v);
  EXPECT_EQ(v, 2);
  s.Query<IGeneralSettings>()->get_GeneralDistanceUnits(&v);
  EXPECT_EQ(v, 9);  // every setting was saved, defaults too
}

TEST(TarvosSettings, AnUnreadableRegistryFileIsReportedAndLeftAlone) {
  test::TempRoot root;
  std::string file = root.path() + "/registry.txt";
  { std::ofstream(file) << "this is not a registry file\n"; }
  reg::SetHostRoot(root.path());
  auto s = MakeObjectPtr<TarvosEnvironment, IZelSettings>();  // still usable, with defaults
  EXPECT_EQ(s->LoadAllSettings(), REGDB_E_READREGDB);
  HRESULT hr = s.Query<IGeodesySettings>()->put_GeodesyLineType(3);
  EXPECT_TRUE(FAILED(hr));  // the write is refused, and said so
  LONG v = 0;
  s.Query<IGeodesySettings>()->get_GeodesyLineType(&v);
  EXPECT_EQ(v, 3);  // the session keeps the value it was given
  EXPECT_EQ(test::ReadFileText(file), "this is not a registry file\n");
}

// The colour and size (or width) of a host symbol, and its sort.
struct SymbolLook {
  std::wstring sort;
  LONG rgb = -1;
  double size = -1;
};

SymbolLook Look(IUnknown* symbol) {
  SymbolLook l;
  ComPtr<IColor> c;
  if (auto m = QueryAs<IMarkerSymbol>(symbol)) {
    l.sort = L"marker";
    m->get_Color(c.put());
    m->get_Size(&l.size);
  } else if (auto line = QueryAs<ILineSymbol>(symbol)) {
    l.sort = L"line";
    line->get_Color(c.put());
    line->get_Width(&l.size);
  } else if (auto f = QueryAs<IFillSymbol>(symbol)) {
    l.sort = L"fill";
    f->get_Color(c.put());
  }
  if (c) c->get_RGB(&l.rgb);
  return l;
}

ComPtr<IUnknown> NewSymbol(const wchar_t* text) {
  auto s = SymbolFromText(text);
  EXPECT_TRUE(s) << text;
  return s;
}

TEST(TarvosSettings, SymbolsAreStoredAsCopiesAndSurviveARestart) {
  test::TempRoot root;
  {
    HostRun run;
    auto s = run.Settings();
    auto path = NewSymbol(L"line 0x00FF00 3.5 0");
    ASSERT_EQ(s.Query<IDDDSettings>()->DDDPutSymbol(13, path.get()), S_OK);
    path.Query<ILineSymbol>()->put_Width(9.0);  // the stored copy does not follow
    ASSERT_EQ(s.Query<ICoordToolSettings>()->PutSymbol(NewSymbol(L"marker 0xFF0000 12 2").get()),
              S_OK);
    // What a reader changes on the symbol it got stays with it.
    ComPtr<IUnknown> got;
    ASSERT_EQ(s.Query<ICoordToolSettings>()->get_CoordToolSymbol(got.put()), S_OK);
    got.Query<IMarkerSymbol>()->put_Size(1.0);
  }
  reg::SetHostRoot(root.path());
  HostRun again;
  auto s = again.Settings();
  ComPtr<IUnknown> path, marker, dome;
  ASSERT_EQ(s.Query<IDDDSettings>()->DDDGetSymbol(13, path.put()), S_OK);
  EXPECT_EQ(Look(path.get()).sort, L"line");
  EXPECT_EQ(Look(path.get()).rgb, 0x00FF00);
  EXPECT_EQ(Look(path.get()).size, 3.5);
  ASSERT_EQ(s.Query<ICoordToolSettings>()->get_CoordToolSymbol(marker.put()), S_OK);
  EXPECT_EQ(Look(marker.get()).rgb, 0xFF0000);
  EXPECT_EQ(Look(marker.get()).size, 12.0);
  LONG style = -1;
  marker.Query<IMarkerSymbol>()->get_Style(&style);
  EXPECT_EQ(style, 2);
  // Untouched: the dome keeps its default, a red fill with a red outline.
  ASSERT_EQ(s.Query<IDDDSettings>()->get_DDDThreatDomeSymbol(dome.put()), S_OK);
  EXPECT_EQ(Look(dome.get()).sort, L"fill");
  EXPECT_EQ(Look(dome.get()).rgb, 0x0000FF);
  ComPtr<ILineSymbol> outline;
  dome.Query<IFillSymbol>()->get_Outline(outline.put());
  ASSERT_TRUE(outline);
  EXPECT_EQ(Look(outline.get()).rgb, 0x0000FF);
}

struct DddSymbolCase {
  LONG kind;
  HRESULT get;          // DDDGetSymbol's answer
  const wchar_t* sort;  // the sort it hands out (null: none)
  const wchar_t* put;   // a symbol offered to DDDPutSymbol
  HRESULT putResult;
};

class DddSymbols : public ::testing::TestWithParam<DddSymbolCase> {};

TEST_P(DddSymbols, EachKindHasItsSortOfSymbol) {
  test::TempRoot root;
  auto s = MakeObjectPtr<TarvosEnvironment, IZelSettings>().Query<IDDDSettings>();
  const DddSymbolCase& c = GetParam();
  ComPtr<IUnknown> before;
  EXPECT_EQ(s->DDDGetSymbol(c.kind, before.put()), c.get);
  EXPECT_EQ(static_cast<bool>(before), c.sort != nullptr);
  if (c.sort) {
    EXPECT_EQ(Look(before.get()).sort, c.sort);
  }
  EXPECT_EQ(s->DDDPutSymbol(c.kind, NewSymbol(c.put).get()), c.putResult);
  if (FAILED(c.putResult) && c.sort) {  // refused: the stored symbol stays
    ComPtr<IUnknown> after;
    s->DDDGetSymbol(c.kind, after.put());
    EXPECT_EQ(Look(after.get()).rgb, Look(before.get()).rgb);
    EXPECT_EQ(Look(after.get()).sort, c.sort);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, DddSymbols,
    ::testing::Values(DddSymbolCase{3, S_OK, L"line", L"line 0x010203 2 0", S_OK},
                      DddSymbolCase{3, S_OK, L"line", L"fill 0x010203 0", E_INVALIDARG},
                      DddSymbolCase{9, S_OK, L"fill", L"fill 0x010203 1", S_OK},
                      DddSymbolCase{9, S_OK, L"fill", L"marker 0x010203 4 0", E_INVALIDARG},
                      DddSymbolCase{13, S_OK, L"line", L"line 0x010203 1 0", S_OK},
                      DddSymbolCase{1, E_INVALIDARG, nullptr, L"marker 0x010203 4 0", E_INVALIDARG},
                      DddSymbolCase{4, E_INVALIDARG, nullptr, L"fill 0x010203 0", E_INVALIDARG}));

TEST(TarvosSettings, SymbolSettingsRefuseNothingAndOtherSorts) {
  test::TempRoot root;
  auto s = MakeObjectPtr<TarvosEnvironment, IZelSettings>();
  EXPECT_EQ(s.Query<ICoordToolSettings>()->PutSymbol(nullptr), E_POINTER);
  EXPECT_EQ(s.Query<ICoordToolSettings>()->PutSymbol(NewSymbol(L"line 0x000000 1 0").get()),
            E_INVALIDARG);
  EXPECT_EQ(s.Query<ICoordToolSettings>()->PutSymbol(s.get()), E_INVALIDARG);  // not a symbol
  EXPECT_EQ(s.Query<IDDDSettings>()->DDDPutSymbol(9, nullptr), E_POINTER);
  EXPECT_EQ(s.Query<ICoordToolSettings>()->get_CoordToolSymbol(nullptr), E_POINTER);
  ComPtr<IUnknown> marker;
  s.Query<ICoordToolSettings>()->get_CoordToolSymbol(marker.put());
  EXPECT_EQ(Look(marker.get()).sort, L"marker");
  EXPECT_EQ(Look(marker.get()).rgb, 0x0000FF);
  // Nothing was written by the refused puts.
  EXPECT_FALSE(reg::KeyExists(Hive::CurrentUser, kTarvosSettingsKey));
}

TEST(TarvosSettings, AStoredSymbolThatIsNotOneGivesTheDefaultAndIsKept) {
  test::TempRoot root;
  std::wstring ddd = std::wstring(kTarvosSettingsKey) + L"\\DDD";
  ASSERT_EQ(
      reg::WriteString(Hive::CurrentUser, ddd, L"DDDWireframeSymbol", L"line 0x00FF00 wide 0"),
      ERROR_SUCCESS);
  ASSERT_EQ(
      reg::WriteString(Hive::CurrentUser, ddd, L"DDDThreatDomeSymbol", L"marker 0x00FF00 4 0"),
      ERROR_SUCCESS);
  ASSERT_EQ(reg::WriteDword(Hive::CurrentUser, ddd, L"DDDFlyThruSymbol", 7), ERROR_SUCCESS);
  auto s = MakeObjectPtr<TarvosEnvironment, IZelSettings>().Query<IDDDSettings>();
  for (LONG kind : {3, 9, 13}) {
    ComPtr<IUnknown> symbol;
    ASSERT_EQ(s->DDDGetSymbol(kind, symbol.put()), S_OK);
    EXPECT_NE(Look(symbol.get()).rgb, 0x00FF00) << kind;
  }
  std::wstring text;
  EXPECT_TRUE(reg::ReadString(Hive::CurrentUser, ddd, L"DDDWireframeSymbol", text));
  EXPECT_EQ(text, L"line 0x00FF00 wide 0");
}

}  // namespace
}  // namespace velk::productline

namespace velk::productline {
namespace {

struct TextCase {
  const wchar_t* name;
  const wchar_t* text;
  HRESULT hr;
  const wchar_t* readBack;  // null: unchanged from the default
};

class SettingsByName : public ::testing::TestWithParam<TextCase> {};

TEST_P(SettingsByName, TakesTextOfTheSettingsType) {
  test::TempRoot root;
  auto s = MakeObjectPtr<TarvosEnvironment, IZelSettings>();
  auto& env = *static_cast<TarvosEnvironment*>(s.get());
  const TextCase& c = GetParam();
  std::wstring before;
  env.GetText(c.name, before);
  EXPECT_EQ(env.SetText(c.name, c.text), c.hr);
  std::wstring after;
  if (SUCCEEDED(env.GetText(c.name, after))) {
    EXPECT_EQ(after, c.readBack ? c.readBack : before.c_str());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, SettingsByName,
    ::testing::Values(
        TextCase{L"MGRSStatusBar", L"true", S_OK, L"-1"},
        TextCase{L"MGRSStatusBar", L"1", S_OK, L"1"},
        TextCase{L"MGRSStatusBar", L"70000", E_INVALIDARG, nullptr},
        TextCase{L"CoordToolMGRSPrec", L"3", S_OK, L"3"},
        TextCase{L"CoordToolMGRSPrec", L"3.5", E_INVALIDARG, nullptr},
        TextCase{L"CoordToolMGRSPrec", L"", E_INVALIDARG, nullptr},
        TextCase{L"TerrainRefraction", L"0.5", S_OK, L"0.5"},
        TextCase{L"TerrainRefraction", L"0,5", E_INVALIDARG, nullptr},
        TextCase{L"TerrainRefraction", L"inf", E_INVALIDARG, nullptr},
        TextCase{L"ConversionFieldsMGRSField", L"GRID REF", S_OK, L"GRID REF"},
        TextCase{L"CoordToolSymbol", L"marker 0x00FF00 6 1", S_OK, L"marker 0x00FF00 6 1"},
        TextCase{L"CoordToolSymbol", L"line 0x00FF00 6 1", E_INVALIDARG, nullptr},
        TextCase{L"CoordToolSymbol", L"marker 0x00FF00 6", E_INVALIDARG, nullptr},
        TextCase{L"DDDThreatDomeSymbol", L"fill 0x123456 0", S_OK, L"fill 0x123456 0"},
        TextCase{L"DDDWireframeSymbol", L"line 0x12345 1 0", E_INVALIDARG, nullptr},
        TextCase{L"DDDFlyThruSymbol", L"line 0x00FF00 -1 0", E_INVALIDARG, nullptr},
        TextCase{L"DDDFlyThruSymbol", L"line 0x00FF00 1,5 0", E_INVALIDARG, nullptr},
        TextCase{L"NoSuchSetting", L"1", E_INVALIDARG, nullptr}));

}  // namespace
}  // namespace velk::productline
