#include "platform/registry/registrar.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/registry/registry.h"
#include "tests/fixtures/temp_root.h"

namespace fs = std::filesystem;
using namespace velk::reg;

namespace {

class RegistrarTest : public ::testing::Test {
 protected:
  void TearDown() override { SetHostRoot(""); }  // the folder goes with temp_
  fs::path File() const { return root_ / "registry.txt"; }

  static std::wstring Str(Hive hive, const std::wstring& path, const std::wstring& name = L"") {
    std::wstring s;
    return ReadString(hive, path, name, s) ? s : L"<none>";
  }

  velk::test::TempRoot temp_;  // points the registry at its folder
  fs::path root_ = temp_.path();
};

const wchar_t kClassScript[] =
    LR"(HKCR
{
	'velkTarvosUI.ConvertCoords.1' = s 'velkTarvosUI.ConvertCoordsInFileCmd'
	{
		CLSID = s '{18779F9E-44F4-4BC6-8791-B1C257B1C6B6}'
	}
	'velkTarvosUI.ConvertCoords' = s 'velkTarvosUI.ConvertCoordsInFileCmd'
	{
		CLSID = s '{18779F9E-44F4-4BC6-8791-B1C257B1C6B6}'
		CurVer = s 'velkTarvosUI.ConvertCoords.1'
	}
	NoRemove CLSID
	{
		ForceRemove {18779F9E-44F4-4BC6-8791-B1C257B1C6B6} = s 'velkTarvosUI.ConvertCoordsInFileCmd'
		{
			ProgID = s 'velkTarvosUI.ConvertCoords.1'
			VersionIndependentProgID = s 'velkTarvosUI.ConvertCoords'
			InprocServer32 = s '%MODULE%'
			{
				val ThreadingModel = s 'Apartment'
			}
			'TypeLib' = s '{07D46293-A7DF-4423-8349-6F5F87541811}'
			'Implemented Categories'
			{
				{B56A7C42-83D4-11D2-A2E9-080009B6F22B} = s 'CATID_QmCommands'
			}
		}
	}
}
)";

const std::wstring kClassKey = L"CLSID\\{18779F9E-44F4-4BC6-8791-B1C257B1C6B6}";
// A module path that would break a script if it were pasted in as script text.
const std::wstring kModule = L"/opt/o'neil's maps/100% {new}/libCorvane.so";

TEST_F(RegistrarTest, RegistersAndUnregistersAClass) {
  // Another class under CLSID must survive our unregistration.
  ASSERT_EQ(WriteString(Hive::ClassesRoot, L"CLSID\\{00000000-0000-0000-0000-000000000001}", L"",
                        L"other"),
            ERROR_SUCCESS);
  Registrar r;
  r.AddReplacement(L"MODULE", kModule);
  ASSERT_EQ(r.Register(kClassScript), S_OK) << r.error();

  // Read back from the file, as a new process would.
  SetHostRoot(root_.string());
  EXPECT_EQ(Str(Hive::ClassesRoot, L"velkTarvosUI.ConvertCoords.1"),
            L"velkTarvosUI.ConvertCoordsInFileCmd");
  EXPECT_EQ(Str(Hive::ClassesRoot, L"velkTarvosUI.ConvertCoords.1\\CLSID"),
            L"{18779F9E-44F4-4BC6-8791-B1C257B1C6B6}");
  EXPECT_EQ(Str(Hive::ClassesRoot, L"velkTarvosUI.ConvertCoords\\CurVer"),
            L"velkTarvosUI.ConvertCoords.1");
  EXPECT_EQ(Str(Hive::ClassesRoot, kClassKey), L"velkTarvosUI.ConvertCoordsInFileCmd");
  EXPECT_EQ(Str(Hive::ClassesRoot, kClassKey + L"\\InprocServer32"), kModule);
  EXPECT_EQ(Str(Hive::ClassesRoot, kClassKey + L"\\InprocServer32", L"ThreadingModel"),
            L"Apartment");
  EXPECT_EQ(Str(Hive::ClassesRoot, kClassKey + L"\\TypeLib"),
            L"{07D46293-A7DF-4423-8349-6F5F87541811}");
  EXPECT_EQ(Str(Hive::ClassesRoot,
                kClassKey + L"\\Implemented Categories\\{B56A7C42-83D4-11D2-A2E9-080009B6F22B}"),
            L"CATID_QmCommands");
  EXPECT_EQ(SubKeys(Hive::ClassesRoot, kClassKey),
            (std::vector<std::wstring>{L"ProgID", L"VersionIndependentProgID", L"InprocServer32",
                                       L"TypeLib", L"Implemented Categories"}));

  ASSERT_EQ(r.Unregister(kClassScript), S_OK) << r.error();
  SetHostRoot(root_.string());
  EXPECT_FALSE(KeyExists(Hive::ClassesRoot, L"velkTarvosUI.ConvertCoords.1"));
  EXPECT_FALSE(KeyExists(Hive::ClassesRoot, L"velkTarvosUI.ConvertCoords"));
  EXPECT_FALSE(KeyExists(Hive::ClassesRoot, kClassKey));
  EXPECT_EQ(SubKeys(Hive::ClassesRoot, L"CLSID"),
            std::vector<std::wstring>{L"{00000000-0000-0000-0000-000000000001}"});
  // Unregistering again finds nothing to do and still succeeds.
  EXPECT_EQ(r.Unregister(kClassScript), S_OK);
}

TEST_F(RegistrarTest, NoRemoveKeyStaysEvenWhenEmpty) {
  Registrar r;
  r.AddReplacement(L"module", L"/lib.so");  // names ignore case
  ASSERT_EQ(r.Register(kClassScript), S_OK) << r.error();
  ASSERT_EQ(r.Unregister(kClassScript), S_OK);
  EXPECT_TRUE(KeyExists(Hive::ClassesRoot, L"CLSID"));
  EXPECT_TRUE(SubKeys(Hive::ClassesRoot, L"CLSID").empty());
}

TEST_F(RegistrarTest, ForceRemoveReplacesTheKeyWhole) {
  // Leftovers of an older registration under the class key, and foreign content elsewhere.
  ASSERT_EQ(WriteString(Hive::ClassesRoot, kClassKey + L"\\LocalServer32", L"", L"stale.exe"),
            ERROR_SUCCESS);
  ASSERT_EQ(WriteString(Hive::ClassesRoot, kClassKey, L"Stale", L"x"), ERROR_SUCCESS);
  ASSERT_EQ(WriteString(Hive::ClassesRoot, L"velkTarvosUI.ConvertCoords\\Shell", L"", L"foreign"),
            ERROR_SUCCESS);
  ASSERT_EQ(WriteString(Hive::ClassesRoot, L"velkTarvosUI.ConvertCoords.1", L"Foreign", L"y"),
            ERROR_SUCCESS);
  Registrar r;
  r.AddReplacement(L"MODULE", L"/lib.so");
  ASSERT_EQ(r.Register(kClassScript), S_OK) << r.error();
  EXPECT_FALSE(KeyExists(Hive::ClassesRoot, kClassKey + L"\\LocalServer32"));
  EXPECT_EQ(Str(Hive::ClassesRoot, kClassKey, L"Stale"), L"<none>");
  EXPECT_TRUE(
      KeyExists(Hive::ClassesRoot, L"velkTarvosUI.ConvertCoords\\Shell"));  // not ForceRemove: kept

  // Unregistering keeps keys that still hold what the script did not write, minus the script's
  // part.
  ASSERT_EQ(WriteString(Hive::ClassesRoot, kClassKey + L"\\InprocServer32", L"Foreign", L"z"),
            ERROR_SUCCESS);
  ASSERT_EQ(r.Unregister(kClassScript), S_OK);
  EXPECT_FALSE(KeyExists(Hive::ClassesRoot, kClassKey));  // ForceRemove goes whole
  EXPECT_TRUE(KeyExists(Hive::ClassesRoot, L"velkTarvosUI.ConvertCoords"));
  EXPECT_EQ(SubKeys(Hive::ClassesRoot, L"velkTarvosUI.ConvertCoords"),
            std::vector<std::wstring>{L"Shell"});
  EXPECT_TRUE(KeyExists(Hive::ClassesRoot, L"velkTarvosUI.ConvertCoords.1"));
  EXPECT_EQ(Str(Hive::ClassesRoot, L"velkTarvosUI.ConvertCoords.1", L"Foreign"), L"y");
  EXPECT_FALSE(KeyExists(Hive::ClassesRoot, L"velkTarvosUI.ConvertCoords.1\\CLSID"));
}

TEST_F(RegistrarTest, ValueTypesQuotesAndReplacements) {
  Registrar r;
  r.AddReplacement(L"MODULE", L"first");
  r.AddReplacement(L"Module", L"/lib/x.so");  // replaces, ignoring case
  r.AddReplacement(L"NAME", L"Tool");
  const wchar_t script[] =
      LR"(
HKEY_CURRENT_USER
{
  Software
  {
    'Velk''s %NAME%' = s 'it''s 100%% \\ done'
    {
      val Path = e '%%HOME%%\maps'
      val Number = d 42
      val Quoted = d '0x1F'
      val Bytes = b '00ff7A'
      val List = m 'one\0two'
      val 'Long Name' = s '%MODULE%'
    }
  }
}
HKLM { SOFTWARE { Velk = d '7' } })";
  ASSERT_EQ(r.Register(script), S_OK) << r.error();
  const std::wstring key = L"Software\\Velk's Tool";
  EXPECT_EQ(Str(Hive::CurrentUser, key), L"it's 100% \\\\ done");
  Value v;
  ASSERT_TRUE(ReadValue(Hive::CurrentUser, key, L"Path", v));
  EXPECT_EQ(v.type, REG_EXPAND_SZ);
  EXPECT_EQ(v.text, L"%HOME%\\maps");
  DWORD n = 0;
  EXPECT_TRUE(ReadDword(Hive::CurrentUser, key, L"Number", n));
  EXPECT_EQ(n, 42u);
  EXPECT_TRUE(ReadDword(Hive::CurrentUser, key, L"Quoted", n));
  EXPECT_EQ(n, 0x1Fu);
  ASSERT_TRUE(ReadValue(Hive::CurrentUser, key, L"Bytes", v));
  EXPECT_EQ(v.type, REG_BINARY);
  EXPECT_EQ(v.bytes, std::string("\x00\xff\x7a", 3));
  ASSERT_TRUE(ReadValue(Hive::CurrentUser, key, L"List", v));
  EXPECT_EQ(v.type, REG_MULTI_SZ);
  EXPECT_EQ(v.text, std::wstring(L"one\0two", 7));
  EXPECT_EQ(Str(Hive::CurrentUser, key, L"Long Name"), L"/lib/x.so");
  EXPECT_TRUE(ReadDword(Hive::LocalMachine, L"SOFTWARE\\Velk", L"", n));
  EXPECT_EQ(n, 7u);

  // Unregistering removes the values, then the keys that are left empty.
  ASSERT_EQ(r.Unregister(script), S_OK) << r.error();
  EXPECT_FALSE(KeyExists(Hive::CurrentUser, L"Software"));
  EXPECT_FALSE(KeyExists(Hive::LocalMachine, L"SOFTWARE"));
}

TEST_F(RegistrarTest, DeleteFlagRemovesOnRegister) {
  ASSERT_EQ(WriteString(Hive::CurrentUser, L"App\\Obsolete\\Deep", L"", L"x"), ERROR_SUCCESS);
  Registrar r;
  ASSERT_EQ(r.Register(L"HKCU { NoRemove App { Delete Obsolete { Deep } Fresh } }"), S_OK)
      << r.error();
  EXPECT_FALSE(KeyExists(Hive::CurrentUser, L"App\\Obsolete"));
  EXPECT_EQ(SubKeys(Hive::CurrentUser, L"App"), std::vector<std::wstring>{L"Fresh"});
}

struct BadScript {
  const wchar_t* script;
  const wchar_t* expected;  // part of error()
};

void PrintTo(const BadScript& b, std::ostream* os) {
  std::wstring w = b.expected;
  *os << "expecting \"" << std::string(w.begin(), w.end()) << "\"";
}

class MalformedScriptTest : public RegistrarTest,
                            public ::testing::WithParamInterface<BadScript> {};

// Each script starts with a valid block: nothing of it may be applied.
TEST_P(MalformedScriptTest, FailsAndChangesNothing) {
  ASSERT_EQ(WriteString(Hive::ClassesRoot, L"Existing", L"", L"kept"), ERROR_SUCCESS);
  const std::string before = velk::test::ReadFileText(File());
  Registrar r;
  r.AddReplacement(L"MODULE", L"/lib.so");
  std::wstring script =
      std::wstring(L"HKCR { Fresh = s 'x' { Sub } ForceRemove Existing }\n") + GetParam().script;
  for (bool registering : {true, false}) {
    HRESULT hr = registering ? r.Register(script) : r.Unregister(script);
    EXPECT_EQ(hr, E_FAIL);
    EXPECT_NE(r.error().find(GetParam().expected), std::wstring::npos)
        << std::string(r.error().begin(), r.error().end());
    EXPECT_EQ(velk::test::ReadFileText(File()), before);
    EXPECT_FALSE(KeyExists(Hive::ClassesRoot, L"Fresh"));
    EXPECT_EQ(Str(Hive::ClassesRoot, L"Existing"), L"kept");
  }
  // A good script clears the error.
  ASSERT_EQ(r.Register(L"HKCU { }"), S_OK);
  EXPECT_TRUE(r.error().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Registrar, MalformedScriptTest,
    ::testing::Values(
        BadScript{L"HKCR { A }\n}", L"line 3: '}' without a matching '{'"},
        BadScript{L"HKCR\n{\n  A { B }\n", L"line 3: '{' has no matching '}'"},
        BadScript{L"HKCR { A = s 'unclosed }\n}", L"line 2: missing closing quote"},
        BadScript{L"\nHKXX { A }", L"line 3: unknown hive 'HKXX'"},
        BadScript{L"HKCR A { }", L"line 2: expected '{' after 'HKCR'"},
        BadScript{L"HKCR { A = s '%NOPE%' }", L"line 2: no replacement for %NOPE%"},
        BadScript{L"HKCR { A = s '50% off' }", L"line 2: '%' without a closing '%'"},
        BadScript{L"HKCR { A { val B s 'x' } }", L"line 2: expected '=' after the value name 'B'"},
        BadScript{L"HKCR { A = d 'lots' }", L"line 2: 'lots' is not a number"},
        BadScript{L"HKCR { A = d 4294967296 }", L"line 2: '4294967296' is not a number"},
        BadScript{L"HKCR { A = q 'x' }", L"line 2: unknown value type 'q'"},
        BadScript{L"HKCR { A = 'x' }", L"line 2: expected a value type"},
        BadScript{L"HKCR { A = s x }", L"line 2: expected a quoted text after 's'"},
        BadScript{L"HKCR { A = b 'abc' }", L"line 2: 'abc' is not an even count of hex digits"},
        BadScript{L"HKCR { NoRemove ForceRemove A }", L"line 2: more than one of NoRemove"},
        BadScript{L"HKCR { NoRemove val A = s 'x' }",
                  L"line 2: NoRemove, ForceRemove and Delete apply to keys"},
        BadScript{L"HKCR { { A } }", L"line 2: '{' without a key name"},
        BadScript{L"HKCR { = s 'x' }", L"line 2: '=' without a key name"},
        BadScript{L"HKCR { '' = s 'x' }", L"line 2: bad key name ''"},
        BadScript{L"HKCR { 'A\\\\B' }", L"line 2: bad key name"}));

TEST_F(RegistrarTest, FailedWriteLeavesRegistryAsItWas) {
  ASSERT_EQ(WriteString(Hive::ClassesRoot, kClassKey + L"\\Old", L"", L"x"), ERROR_SUCCESS);
  const std::string before = velk::test::ReadFileText(File());
  fs::create_directory(root_ / "registry.txt.tmp");
  Registrar r;
  r.AddReplacement(L"MODULE", L"/lib.so");
  HRESULT hr = r.Register(kClassScript);
  EXPECT_TRUE(FAILED(hr));
  EXPECT_FALSE(r.error().empty());
  EXPECT_EQ(velk::test::ReadFileText(File()), before);
  EXPECT_TRUE(
      KeyExists(Hive::ClassesRoot, kClassKey + L"\\Old"));  // the ForceRemove was undone too
  EXPECT_FALSE(KeyExists(Hive::ClassesRoot, L"velkTarvosUI.ConvertCoords"));
}

TEST_F(RegistrarTest, ComponentCategories) {
  const CLSID clsid = velk::MakeGuid("{18779F9E-44F4-4BC6-8791-B1C257B1C6B6}");
  const CATID cats[2] = {velk::MakeGuid("{B56A7C42-83D4-11D2-A2E9-080009B6F22B}"),
                         velk::MakeGuid("{B56A7C4A-83D4-11D2-A2E9-080009B6F22B}")};
  const std::wstring impl = kClassKey + L"\\Implemented Categories";
  ASSERT_EQ(WriteString(Hive::ClassesRoot, kClassKey, L"", L"desc"), ERROR_SUCCESS);
  ASSERT_EQ(RegisterClassImplCategories(clsid, 2, cats), S_OK);
  EXPECT_EQ(SubKeys(Hive::ClassesRoot, impl),
            (std::vector<std::wstring>{L"{B56A7C42-83D4-11D2-A2E9-080009B6F22B}",
                                       L"{B56A7C4A-83D4-11D2-A2E9-080009B6F22B}"}));
  EXPECT_TRUE(KeyExists(Hive::ClassesRoot,
                        L"Component Categories\\{B56A7C4A-83D4-11D2-A2E9-080009B6F22B}"));
  ASSERT_EQ(RegisterClassReqCategories(clsid, 1, cats), S_OK);
  EXPECT_TRUE(
      KeyExists(Hive::ClassesRoot,
                kClassKey + L"\\Required Categories\\{B56A7C42-83D4-11D2-A2E9-080009B6F22B}"));

  ASSERT_EQ(UnRegisterClassImplCategories(clsid, 1, cats), S_OK);
  EXPECT_EQ(SubKeys(Hive::ClassesRoot, impl),
            std::vector<std::wstring>{L"{B56A7C4A-83D4-11D2-A2E9-080009B6F22B}"});
  ASSERT_EQ(UnRegisterClassImplCategories(clsid, 2, cats), S_OK);  // one is gone already: fine
  EXPECT_FALSE(KeyExists(Hive::ClassesRoot, impl));
  ASSERT_EQ(UnRegisterClassReqCategories(clsid, 1, cats), S_OK);
  EXPECT_FALSE(KeyExists(Hive::ClassesRoot, kClassKey + L"\\Required Categories"));
  EXPECT_EQ(Str(Hive::ClassesRoot, kClassKey), L"desc");  // the class key itself stays
  EXPECT_TRUE(KeyExists(Hive::ClassesRoot,
                        L"Component Categories\\{B56A7C42-83D4-11D2-A2E9-080009B6F22B}"));

  EXPECT_EQ(RegisterClassImplCategories(clsid, 0, nullptr), S_OK);
  EXPECT_EQ(RegisterClassImplCategories(clsid, 1, nullptr), E_POINTER);
}

TEST_F(RegistrarTest, CategoryKeyWithForeignContentStays) {
  const CLSID clsid = velk::MakeGuid("{18779F9E-44F4-4BC6-8791-B1C257B1C6B6}");
  const CATID cat = velk::MakeGuid("{B56A7C42-83D4-11D2-A2E9-080009B6F22B}");
  const std::wstring impl = kClassKey + L"\\Implemented Categories";
  ASSERT_EQ(RegisterClassImplCategories(clsid, 1, &cat), S_OK);
  ASSERT_EQ(
      WriteString(Hive::ClassesRoot, impl + L"\\{00000000-0000-0000-0000-000000000009}", L"", L"x"),
      ERROR_SUCCESS);
  ASSERT_EQ(UnRegisterClassImplCategories(clsid, 1, &cat), S_OK);
  EXPECT_EQ(SubKeys(Hive::ClassesRoot, impl),
            std::vector<std::wstring>{L"{00000000-0000-0000-0000-000000000009}"});
}

}  // namespace
