#include "platform/registry/registry.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/registry/registrar.h"
#include "tests/fixtures/temp_root.h"

namespace fs = std::filesystem;
using namespace velk::reg;

namespace {

void WriteFile(const fs::path& p, const std::string& text) {
  std::ofstream out(p, std::ios::binary);
  out << text;
}

// Each test gets a throwaway host root; Restart() reads the registry again from its file.
class RegistryTest : public ::testing::Test {
 protected:
  void TearDown() override { SetHostRoot(""); }  // the folder goes with temp_
  void Restart() { SetHostRoot(root_.string()); }
  fs::path File() const { return root_ / "registry.txt"; }

  velk::test::TempRoot temp_;  // points the registry at its folder
  fs::path root_ = temp_.path();
};

DWORD Bytes(const std::wstring& s) { return static_cast<DWORD>((s.size() + 1) * sizeof(wchar_t)); }

LSTATUS SetString(HKEY k, const wchar_t* name, const std::wstring& s, DWORD type = REG_SZ) {
  return RegSetValueExW(k, name, 0, type, reinterpret_cast<const BYTE*>(s.c_str()), Bytes(s));
}

// Reads a value through RegQueryValueExW, asking its size first.
bool Query(HKEY k, const wchar_t* name, DWORD& type, std::string& bytes) {
  DWORD cb = 0;
  if (RegQueryValueExW(k, name, nullptr, &type, nullptr, &cb) != ERROR_SUCCESS) return false;
  bytes.assign(cb, '\0');
  return RegQueryValueExW(k, name, nullptr, &type, reinterpret_cast<BYTE*>(bytes.data()), &cb) ==
             ERROR_SUCCESS &&
         cb == bytes.size();
}

std::wstring Text(const std::string& bytes) {
  return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()),
                      bytes.size() / sizeof(wchar_t));
}

// Text that needs every kind of escape in the file.
const std::wstring kOddText =
    std::wstring(L"quote\" back\\slash %PATH% [x] \n\r\t \u00e9\u4e2d\U0001F600 ") +
    wchar_t(0xD800) + wchar_t(0x110000) + wchar_t(-5) + wchar_t(0x7F) + wchar_t(1) + L"\\u{41} end";

// What a hive file can carry: text its UTF-16 can spell (no code points beyond U+10FFFF).
const std::wstring kHiveText =
    std::wstring(L"quote\" back\\slash %PATH% [x] \n\r\t \u00e9\u4e2d\U0001F600 ") + wchar_t(0x7F) +
    wchar_t(1) + L"\\u{41} end";

TEST_F(RegistryTest, EverythingSurvivesARestart) {
  const std::wstring key = L"Software\\Velk\\Tarvos";
  ASSERT_EQ(WriteString(Hive::CurrentUser, key, L"Name", kOddText), ERROR_SUCCESS);
  ASSERT_EQ(WriteString(Hive::CurrentUser, key, L"", L"default text"), ERROR_SUCCESS);
  ASSERT_EQ(WriteString(Hive::CurrentUser, key, L"@", L"not the default"), ERROR_SUCCESS);
  ASSERT_EQ(WriteDword(Hive::CurrentUser, key, L"Count", 0xFFFFFFFFu), ERROR_SUCCESS);
  std::wstring oddName = std::wstring(L"Odd %{41} ][ name ") + wchar_t(0xDFFF) + L"\u00fc";
  ASSERT_EQ(WriteString(Hive::LocalMachine, L"SOFTWARE\\" + oddName, oddName + L"\\v", L"x"),
            ERROR_SUCCESS);

  HKEY k = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, L"Types", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k,
                            nullptr),
            ERROR_SUCCESS);
  const BYTE blob[] = {0, 1, 0xFF, '\n', '"'};
  ASSERT_EQ(RegSetValueExW(k, L"Blob", 0, REG_BINARY, blob, sizeof blob), ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExW(k, L"Empty", 0, REG_BINARY, nullptr, 0), ERROR_SUCCESS);
  const BYTE qword[] = {1, 2, 3, 4, 5, 6, 7, 8};
  ASSERT_EQ(RegSetValueExW(k, L"Q", 0, 11, qword, sizeof qword), ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExW(k, L"None", 0, REG_NONE, nullptr, 0), ERROR_SUCCESS);
  ASSERT_EQ(SetString(k, L"Expand", L"%HOME%\\maps", REG_EXPAND_SZ), ERROR_SUCCESS);
  // Multi-strings with empty strings at the start, middle and end.
  const wchar_t multi[] = L"\0a\0\0b\"\0\0\0";
  ASSERT_EQ(RegSetValueExW(k, L"Multi", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(multi),
                           sizeof multi - 4),
            ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExW(k, L"NoMulti", 0, REG_MULTI_SZ, nullptr, 0), ERROR_SUCCESS);
  for (const wchar_t* sub : {L"Zeta", L"alpha", L"Mid"}) {
    HKEY s = nullptr;
    ASSERT_EQ(RegCreateKeyExW(k, sub, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &s, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(s);
  }
  RegCloseKey(k);

  std::string before = velk::test::ReadFileText(File());
  Restart();
  ASSERT_TRUE(EnsureLoaded()) << LastLoadError();
  EXPECT_EQ(velk::test::ReadFileText(File()), before);

  std::wstring s;
  ASSERT_TRUE(ReadString(Hive::CurrentUser, key, L"Name", s));
  EXPECT_EQ(s, kOddText);
  ASSERT_TRUE(ReadString(Hive::CurrentUser, key, L"", s));
  EXPECT_EQ(s, L"default text");
  ASSERT_TRUE(ReadString(Hive::CurrentUser, key, L"@", s));
  EXPECT_EQ(s, L"not the default");
  DWORD n = 0;
  ASSERT_TRUE(ReadDword(Hive::CurrentUser, key, L"Count", n));
  EXPECT_EQ(n, 0xFFFFFFFFu);
  EXPECT_EQ(SubKeys(Hive::LocalMachine, L"Software"), std::vector<std::wstring>{oddName});
  ASSERT_TRUE(ReadString(Hive::LocalMachine, L"SOFTWARE\\" + oddName, oddName + L"\\v", s));
  EXPECT_EQ(s, L"x");

  ASSERT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, L"Types", 0, KEY_READ, &k), ERROR_SUCCESS);
  DWORD type = 0;
  std::string bytes;
  ASSERT_TRUE(Query(k, L"Blob", type, bytes));
  EXPECT_EQ(type, REG_BINARY);
  EXPECT_EQ(bytes, std::string(reinterpret_cast<const char*>(blob), sizeof blob));
  ASSERT_TRUE(Query(k, L"Empty", type, bytes));
  EXPECT_EQ(type, REG_BINARY);
  EXPECT_TRUE(bytes.empty());
  ASSERT_TRUE(Query(k, L"Q", type, bytes));
  EXPECT_EQ(type, 11u);
  EXPECT_EQ(bytes, std::string(reinterpret_cast<const char*>(qword), sizeof qword));
  ASSERT_TRUE(Query(k, L"None", type, bytes));
  EXPECT_EQ(type, REG_NONE);
  ASSERT_TRUE(Query(k, L"Expand", type, bytes));
  EXPECT_EQ(type, REG_EXPAND_SZ);
  EXPECT_EQ(Text(bytes), std::wstring(L"%HOME%\\maps") + L'\0');
  ASSERT_TRUE(Query(k, L"Multi", type, bytes));
  EXPECT_EQ(type, REG_MULTI_SZ);
  EXPECT_EQ(Text(bytes), std::wstring(multi, sizeof multi / 4 - 1));
  ASSERT_TRUE(Query(k, L"NoMulti", type, bytes));
  EXPECT_EQ(Text(bytes), std::wstring(L"\0\0", 2));
  RegCloseKey(k);
  EXPECT_EQ(SubKeys(Hive::ClassesRoot, L"Types"),
            (std::vector<std::wstring>{L"Zeta", L"alpha", L"Mid"}));
}

TEST_F(RegistryTest, FileIsReadableText) {
  ASSERT_EQ(WriteDword(Hive::CurrentUser, L"Software\\Velk", L"Count", 42), ERROR_SUCCESS);
  ASSERT_EQ(WriteString(Hive::CurrentUser, L"Software\\Velk", L"Name", L"Tarvos"), ERROR_SUCCESS);
  std::string text = velk::test::ReadFileText(File());
  EXPECT_NE(text.find("[HKCU\\Software\\Velk]\n\"Count\" = dword 42\n\"Name\" = sz \"Tarvos\"\n"),
            std::string::npos)
      << text;
  EXPECT_FALSE(fs::exists(root_ / "registry.txt.tmp"));
}

TEST_F(RegistryTest, StringsAndNumbersStayDistinct) {
  ASSERT_EQ(WriteString(Hive::CurrentUser, L"K", L"S", L"42"), ERROR_SUCCESS);
  ASSERT_EQ(WriteDword(Hive::CurrentUser, L"K", L"D", 42), ERROR_SUCCESS);
  for (int pass = 0; pass < 2; ++pass) {
    std::wstring s;
    DWORD d = 0;
    EXPECT_FALSE(ReadDword(Hive::CurrentUser, L"K", L"S", d));
    EXPECT_FALSE(ReadString(Hive::CurrentUser, L"K", L"D", s));
    EXPECT_TRUE(ReadString(Hive::CurrentUser, L"K", L"S", s));
    EXPECT_TRUE(ReadDword(Hive::CurrentUser, L"K", L"D", d));
    HKEY k = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"K", 0, KEY_READ, &k), ERROR_SUCCESS);
    DWORD type = 0;
    std::string bytes;
    ASSERT_TRUE(Query(k, L"S", type, bytes));
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(bytes.size(), 3 * sizeof(wchar_t));
    ASSERT_TRUE(Query(k, L"D", type, bytes));
    EXPECT_EQ(type, REG_DWORD);
    EXPECT_EQ(bytes.size(), 4u);
    RegCloseKey(k);
    Restart();
  }
  // Writing a number over a string changes its type.
  ASSERT_EQ(WriteDword(Hive::CurrentUser, L"K", L"S", 7), ERROR_SUCCESS);
  std::wstring s;
  EXPECT_FALSE(ReadString(Hive::CurrentUser, L"K", L"S", s));
}

TEST_F(RegistryTest, NamesIgnoreCaseAndKeepIt) {
  HKEY k = nullptr;
  DWORD disp = 0;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"Software\\MixedCase", 0, nullptr, 0,
                            KEY_ALL_ACCESS, nullptr, &k, &disp),
            ERROR_SUCCESS);
  EXPECT_EQ(disp, REG_CREATED_NEW_KEY);
  ASSERT_EQ(SetString(k, L"ValueName", L"v"), ERROR_SUCCESS);
  RegCloseKey(k);
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\MIXEDCASE", 0, nullptr, 0,
                            KEY_ALL_ACCESS, nullptr, &k, &disp),
            ERROR_SUCCESS);
  EXPECT_EQ(disp, REG_OPENED_EXISTING_KEY);
  ASSERT_EQ(SetString(k, L"VALUENAME", L"w"), ERROR_SUCCESS);
  RegCloseKey(k);
  EXPECT_EQ(SubKeys(Hive::LocalMachine, L"software"), std::vector<std::wstring>{L"MixedCase"});
  Restart();
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"software\\mixedcase", 0, KEY_READ, &k),
            ERROR_SUCCESS);
  wchar_t name[32];
  DWORD cch = 32;
  ASSERT_EQ(RegEnumValueW(k, 0, name, &cch, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
  EXPECT_EQ(std::wstring(name), L"ValueName");  // the first spelling stays
  EXPECT_EQ(RegEnumValueW(k, 1, name, &cch, nullptr, nullptr, nullptr, nullptr),
            ERROR_NO_MORE_ITEMS);
  std::wstring s;
  EXPECT_TRUE(ReadString(Hive::LocalMachine, L"SOFTWARE\\mixedCASE", L"valuename", s));
  EXPECT_EQ(s, L"w");
  RegCloseKey(k);
}

TEST_F(RegistryTest, QueryAsksSizeAndReportsShortBuffers) {
  HKEY k = nullptr;
  ASSERT_EQ(
      RegCreateKeyExW(HKEY_CURRENT_USER, L"Q", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr),
      ERROR_SUCCESS);
  ASSERT_EQ(SetString(k, nullptr, L"hello"), ERROR_SUCCESS);
  DWORD type = 0, cb = 0;
  ASSERT_EQ(RegQueryValueExW(k, L"", nullptr, &type, nullptr, &cb), ERROR_SUCCESS);
  EXPECT_EQ(type, REG_SZ);
  EXPECT_EQ(cb, 6 * sizeof(wchar_t));
  wchar_t buf[6] = {L'#', L'#', L'#', L'#', L'#', L'#'};
  cb = 5 * sizeof(wchar_t);
  EXPECT_EQ(RegQueryValueExW(k, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(buf), &cb),
            ERROR_MORE_DATA);
  EXPECT_EQ(cb, 6 * sizeof(wchar_t));
  cb = sizeof buf;
  ASSERT_EQ(RegQueryValueExW(k, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(buf), &cb),
            ERROR_SUCCESS);
  EXPECT_EQ(std::wstring(buf), L"hello");
  EXPECT_EQ(RegQueryValueExW(k, L"missing", nullptr, &type, nullptr, &cb), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegQueryValueExW(k, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(buf), nullptr),
            ERROR_INVALID_PARAMETER);

  // Malformed data is refused and stores nothing.
  const BYTE three[3] = {1, 2, 3};
  EXPECT_EQ(RegSetValueExW(k, L"D", 0, REG_DWORD, three, 3), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegSetValueExW(k, L"S", 0, REG_SZ, three, 3), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegSetValueExW(k, L"S", 0, REG_BINARY, nullptr, 3), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegQueryValueExW(k, L"D", nullptr, &type, nullptr, &cb), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegQueryValueExW(k, L"S", nullptr, &type, nullptr, &cb), ERROR_FILE_NOT_FOUND);

  // A string stored without its terminator still reads back with one.
  const wchar_t raw[2] = {L'a', L'b'};
  ASSERT_EQ(RegSetValueExW(k, L"Raw", 0, REG_SZ, reinterpret_cast<const BYTE*>(raw), sizeof raw),
            ERROR_SUCCESS);
  std::string bytes;
  ASSERT_TRUE(Query(k, L"Raw", type, bytes));
  EXPECT_EQ(Text(bytes), std::wstring(L"ab\0", 3));
  EXPECT_EQ(RegDeleteValueW(k, L"raw"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteValueW(k, L"raw"), ERROR_FILE_NOT_FOUND);
  RegCloseKey(k);
}

TEST_F(RegistryTest, HandlesFollowTheirPath) {
  HKEY k = nullptr, sub = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"A\\B", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k,
                            nullptr),
            ERROR_SUCCESS);
  ASSERT_EQ(RegCreateKeyExW(k, L"C", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &sub, nullptr),
            ERROR_SUCCESS);
  EXPECT_TRUE(KeyExists(Hive::CurrentUser, L"a\\b\\c"));
  EXPECT_EQ(RegDeleteKeyW(HKEY_CURRENT_USER, L"A\\B"), ERROR_ACCESS_DENIED);  // it has a subkey
  EXPECT_EQ(RegDeleteKeyW(HKEY_CURRENT_USER, L""), ERROR_ACCESS_DENIED);      // a hive stays
  EXPECT_EQ(RegDeleteKeyW(HKEY_CURRENT_USER, L"A\\Nope"), ERROR_FILE_NOT_FOUND);
  ASSERT_EQ(RegDeleteTreeW(HKEY_CURRENT_USER, L"A"), ERROR_SUCCESS);
  EXPECT_FALSE(KeyExists(Hive::CurrentUser, L"A"));

  // Both handles now name deleted keys.
  DWORD cb = 0;
  HKEY other = nullptr;
  EXPECT_EQ(SetString(k, L"v", L"x"), ERROR_KEY_DELETED);
  EXPECT_EQ(RegQueryValueExW(sub, L"v", nullptr, nullptr, nullptr, &cb), ERROR_KEY_DELETED);
  EXPECT_EQ(RegCreateKeyExW(k, L"D", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &other, nullptr),
            ERROR_KEY_DELETED);
  EXPECT_EQ(other, nullptr);
  EXPECT_FALSE(KeyExists(Hive::CurrentUser, L"A"));  // nothing recreated through the dead handle

  EXPECT_EQ(RegCloseKey(sub), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(sub), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegCloseKey(k), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(HKEY_CURRENT_USER), ERROR_SUCCESS);

  // Paths with an empty part are refused; a missing key is not found.
  EXPECT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"A\\\\B", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            &k, nullptr),
            ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"\\A", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k,
                            nullptr),
            ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"Nope", 0, KEY_READ, &k), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegOpenKeyExW(reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000003u)), L"", 0,
                          KEY_READ, &k),
            ERROR_INVALID_HANDLE);
}

TEST_F(RegistryTest, DeleteTreeWithoutSubkeyEmptiesTheKey) {
  ASSERT_EQ(WriteString(Hive::CurrentUser, L"T\\Sub", L"a", L"1"), ERROR_SUCCESS);
  ASSERT_EQ(WriteString(Hive::CurrentUser, L"T", L"b", L"2"), ERROR_SUCCESS);
  HKEY k = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"T", 0, KEY_ALL_ACCESS, &k), ERROR_SUCCESS);
  ASSERT_EQ(RegDeleteTreeW(k, nullptr), ERROR_SUCCESS);
  EXPECT_TRUE(KeyExists(Hive::CurrentUser, L"T"));
  EXPECT_TRUE(SubKeys(Hive::CurrentUser, L"T").empty());
  wchar_t name[8];
  DWORD cch = 8;
  EXPECT_EQ(RegEnumValueW(k, 0, name, &cch, nullptr, nullptr, nullptr, nullptr),
            ERROR_NO_MORE_ITEMS);
  EXPECT_EQ(RegDeleteTreeW(k, L"Gone"), ERROR_FILE_NOT_FOUND);
  RegCloseKey(k);
  Restart();
  EXPECT_TRUE(KeyExists(Hive::CurrentUser, L"T"));
  EXPECT_FALSE(KeyExists(Hive::CurrentUser, L"T\\Sub"));
}

TEST_F(RegistryTest, EnumerationFollowsCreationOrder) {
  HKEY k = nullptr;
  ASSERT_EQ(
      RegCreateKeyExW(HKEY_CURRENT_USER, L"E", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr),
      ERROR_SUCCESS);
  const wchar_t* names[] = {L"b", L"LongerName", L"a"};
  for (const wchar_t* n : names) {
    HKEY s = nullptr;
    ASSERT_EQ(RegCreateKeyExW(k, n, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &s, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(s);
    ASSERT_EQ(SetString(k, n, n), ERROR_SUCCESS);
  }
  for (DWORD i = 0; i < 3; ++i) {
    wchar_t name[64];
    DWORD cch = 64;
    ASSERT_EQ(RegEnumKeyExW(k, i, name, &cch, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(std::wstring(name), names[i]);
    EXPECT_EQ(cch, std::wcslen(names[i]));
    cch = 64;
    DWORD type = 0, cb = 0;
    ASSERT_EQ(RegEnumValueW(k, i, name, &cch, nullptr, &type, nullptr, &cb), ERROR_SUCCESS);
    EXPECT_EQ(std::wstring(name), names[i]);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(cb, Bytes(names[i]));
  }
  wchar_t small[4];
  DWORD cch = 4;
  EXPECT_EQ(RegEnumKeyExW(k, 1, small, &cch, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);
  EXPECT_EQ(cch, 11u);
  cch = 4;
  EXPECT_EQ(RegEnumKeyExW(k, 3, small, &cch, nullptr, nullptr, nullptr, nullptr),
            ERROR_NO_MORE_ITEMS);
  BYTE data[4];
  DWORD cb = sizeof data;
  cch = 4;
  EXPECT_EQ(RegEnumValueW(k, 0, small, &cch, nullptr, nullptr, data, &cb),
            ERROR_MORE_DATA);  // "b\0" is 8 bytes
  EXPECT_EQ(cb, 8u);
  RegCloseKey(k);
}

// A key written in more than one place of the file, in another letter case, is one key with
// every value and child, in the order the file gives them.
TEST_F(RegistryTest, AKeyRepeatedInTheFileIsOneKey) {
  WriteFile(File(),
            "trevik-registry 1\n[HKCU\\Soft\\A]\n\"one\" = dword 1\n[HKCU\\Soft\\B]\n"
            "[HKCU\\soft\\a\\Deep]\n\"d\" = sz \"x\"\n[HKCU\\SOFT\\A]\n\"two\" = dword 2\n"
            "[HKCU\\Soft\\C]\nend\n");
  Restart();
  std::vector<std::wstring> keys = SubKeys(Hive::CurrentUser, L"Soft");
  EXPECT_EQ(keys, (std::vector<std::wstring>{L"A", L"B", L"C"}));
  DWORD one = 0, two = 0;
  EXPECT_TRUE(ReadDword(Hive::CurrentUser, L"Soft\\A", L"one", one));
  EXPECT_TRUE(ReadDword(Hive::CurrentUser, L"SOFT\\a", L"two", two));
  EXPECT_EQ(one + two, 3u);
  std::wstring deep;
  EXPECT_TRUE(ReadString(Hive::CurrentUser, L"Soft\\A\\Deep", L"d", deep));
  EXPECT_EQ(deep, L"x");
}

// Writes that cannot reach the disk fail, change nothing in memory, and leave the old file.
TEST_F(RegistryTest, FailedWritesKeepTheOldFile) {
  ASSERT_EQ(WriteString(Hive::CurrentUser, L"Keep", L"v", L"old"), ERROR_SUCCESS);
  const std::string before = velk::test::ReadFileText(File());

  fs::create_directory(root_ / "registry.txt.tmp");  // the temporary file cannot be made
  EXPECT_NE(WriteString(Hive::CurrentUser, L"Keep", L"v", L"new"), ERROR_SUCCESS);
  EXPECT_NE(WriteString(Hive::CurrentUser, L"Other", L"v", L"x"), ERROR_SUCCESS);
  HKEY k = nullptr;
  EXPECT_NE(RegCreateKeyExW(HKEY_CURRENT_USER, L"Made", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k,
                            nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(k, nullptr);
  EXPECT_EQ(velk::test::ReadFileText(File()), before);
  std::wstring s;
  ASSERT_TRUE(ReadString(Hive::CurrentUser, L"Keep", L"v", s));
  EXPECT_EQ(s, L"old");
  EXPECT_FALSE(KeyExists(Hive::CurrentUser, L"Other"));
  EXPECT_FALSE(KeyExists(Hive::CurrentUser, L"Made"));
  EXPECT_TRUE(fs::is_directory(root_ / "registry.txt.tmp"));

  fs::remove(root_ / "registry.txt.tmp");
  ASSERT_EQ(WriteString(Hive::CurrentUser, L"Keep", L"v", L"new"), ERROR_SUCCESS);
  Restart();
  ASSERT_TRUE(ReadString(Hive::CurrentUser, L"Keep", L"v", s));
  EXPECT_EQ(s, L"new");
}

TEST_F(RegistryTest, RootThatIsAFileRefusesWrites) {
  fs::path file = root_ / "plain";
  WriteFile(file, "not a folder");
  SetHostRoot(file.string());
  EXPECT_TRUE(EnsureLoaded());  // nothing to load: an empty registry
  EXPECT_EQ(WriteDword(Hive::CurrentUser, L"K", L"n", 1), ERROR_PATH_NOT_FOUND);
  EXPECT_FALSE(KeyExists(Hive::CurrentUser, L"K"));
  EXPECT_EQ(velk::test::ReadFileText(file), "not a folder");
}

TEST_F(RegistryTest, MissingRootFolderIsCreated) {
  SetHostRoot((root_ / "a" / "b").string());
  ASSERT_EQ(WriteDword(Hive::CurrentUser, L"K", L"n", 1), ERROR_SUCCESS);
  EXPECT_TRUE(fs::exists(root_ / "a" / "b" / "registry.txt"));
}

const char kGood[] =
    "trevik-registry 1\n"
    "[HKCU\\Software]\n"
    "\"n\" = dword 5\n"
    "end\n";

struct CorruptCase {
  const char* text;
  const char* expected;  // part of LastLoadError
};

void PrintTo(const CorruptCase& c, std::ostream* os) {
  *os << "expecting \"" << c.expected << "\"";
}

class CorruptFileTest : public RegistryTest, public ::testing::WithParamInterface<CorruptCase> {};

TEST_P(CorruptFileTest, IsRefusedAndKept) {
  const std::string text = GetParam().text;
  WriteFile(File(), text);
  Restart();
  EXPECT_FALSE(EnsureLoaded());
  std::string err = LastLoadError();
  EXPECT_NE(err.find(File().string()), std::string::npos) << err;
  EXPECT_NE(err.find(GetParam().expected), std::string::npos) << err;

  // Nothing may overwrite the file until it is repaired.
  EXPECT_EQ(WriteDword(Hive::CurrentUser, L"Software", L"n", 6), ERROR_BADDB);
  HKEY k = nullptr;
  EXPECT_EQ(
      RegCreateKeyExW(HKEY_CURRENT_USER, L"X", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr),
      ERROR_BADDB);
  Registrar r;
  EXPECT_TRUE(FAILED(r.Register(L"HKCU { X = s 'y' }")));
  EXPECT_NE(r.error().find(L"registry.txt"), std::wstring::npos);
  EXPECT_EQ(velk::test::ReadFileText(File()), text);

  WriteFile(File(), kGood);
  Restart();
  EXPECT_TRUE(EnsureLoaded()) << LastLoadError();
  EXPECT_EQ(LastLoadError(), "");
  DWORD n = 0;
  EXPECT_TRUE(ReadDword(Hive::CurrentUser, L"Software", L"n", n));
  EXPECT_EQ(WriteDword(Hive::CurrentUser, L"Software", L"n", 6), ERROR_SUCCESS);
}

INSTANTIATE_TEST_SUITE_P(
    Registry, CorruptFileTest,
    ::testing::Values(
        CorruptCase{"", "line 1: empty file"},
        CorruptCase{"some other file\n[HKCU\\A]\nend\n", "line 1: not a registry file"},
        CorruptCase{"trevik-registry 1\n[HKCU\\A]\n\"v\" = sz \"abc\nend\n",
                    "line 3: missing closing quote"},
        CorruptCase{"trevik-registry 1\n[HKCU\\A]\n\"v\" = text \"abc\"\nend\n",
                    "line 3: unknown value type 'text'"},
        CorruptCase{"trevik-registry 1\n[HKCU\\A]\n\"v\" = dword 4294967296\nend\n",
                    "line 3: '4294967296' is not"},
        CorruptCase{"trevik-registry 1\n[HKCU\\A]\n\"v\" = binary 0g\nend\n",
                    "line 3: expected two hex digits"},
        CorruptCase{"trevik-registry 1\n[HKCU\\A]\n\"v\" = sz \"a\\q\"\nend\n",
                    "line 3: unknown escape"},
        CorruptCase{"trevik-registry 1\n[HKCU\\A]\n\"v\" = sz \"a\" junk\nend\n",
                    "line 3: unexpected text"},
        CorruptCase{"trevik-registry 1\n[HKCU\\A]\n\"v\" = sz \"a\"\n\"V\" = sz \"b\"\nend\n",
                    "line 4: value 'V' appears twice"},
        CorruptCase{"trevik-registry 1\n\"v\" = sz \"a\"\nend\n",
                    "line 2: value line before any key line"},
        CorruptCase{"trevik-registry 1\n[HKXX\\A]\nend\n", "line 2: unknown root 'HKXX'"},
        CorruptCase{"trevik-registry 1\n[HKCU\\A\\\\B]\nend\n",
                    "line 2: key path has an empty name"},
        CorruptCase{"trevik-registry 1\n[HKCU\\A\nend\n", "line 2: key line without closing ']'"},
        CorruptCase{"trevik-registry 1\n[HKCU\\A%{5C}B]\nend\n",
                    "line 2: key name contains a back slash"},
        CorruptCase{"trevik-registry 1\n[HKCU\\A]\n\"v\" = sz \"\xff\"\nend\n",
                    "line 3: not valid UTF-8"},
        CorruptCase{"trevik-registry 1\n[HKCU\\A]\n\"v\" = dword 1\n",
                    "line 4: missing 'end' line"},
        CorruptCase{"trevik-registry 1\n[HKCU\\A]\nend\n[HKCU\\B]\n",
                    "line 4: text after the 'end' line"}));

TEST_F(RegistryTest, UnreadableFileIsReported) {
  fs::create_directory(File());
  Restart();
  EXPECT_FALSE(EnsureLoaded());
  EXPECT_NE(LastLoadError().find("cannot read registry file '" + File().string() + "'"),
            std::string::npos)
      << LastLoadError();
  EXPECT_EQ(WriteDword(Hive::CurrentUser, L"K", L"n", 1), ERROR_BADDB);
  EXPECT_TRUE(fs::is_directory(File()));
}

// A file cut short anywhere, as by a crash in a careless writer, is never taken as complete.
TEST_F(RegistryTest, EveryTruncationIsRefused) {
  ASSERT_EQ(WriteString(Hive::CurrentUser, L"A\\B", L"s", L"text"), ERROR_SUCCESS);
  ASSERT_EQ(WriteDword(Hive::LocalMachine, L"C", L"", 1234), ERROR_SUCCESS);
  const std::string full = velk::test::ReadFileText(File());
  for (std::size_t len = 0; len + 1 < full.size(); ++len) {
    WriteFile(File(), full.substr(0, len));
    Restart();
    EXPECT_FALSE(EnsureLoaded()) << "accepted a file cut at " << len << ":\n"
                                 << full.substr(0, len);
  }
  WriteFile(File(), full);
  Restart();
  EXPECT_TRUE(EnsureLoaded());
}

TEST_F(RegistryTest, RootComesFromTheEnvironmentUnlessSet) {
  const char* old = std::getenv("TREVIK_HOME");
  std::string saved = old ? old : "";
  SetHostRoot("");
  setenv("TREVIK_HOME", root_.c_str(), 1);
  EXPECT_EQ(HostRoot(), root_.string());
  ASSERT_EQ(WriteDword(Hive::CurrentUser, L"K", L"n", 1), ERROR_SUCCESS);
  EXPECT_TRUE(fs::exists(File()));
  unsetenv("TREVIK_HOME");
  const char* home = std::getenv("HOME");
  if (home && *home) {
    EXPECT_EQ(HostRoot(), (fs::path(home) / ".trevik").string());
  }
  SetHostRoot("/somewhere/else");
  EXPECT_EQ(HostRoot(), "/somewhere/else");
  if (old) setenv("TREVIK_HOME", saved.c_str(), 1);
  SetHostRoot(root_.string());
}

TEST_F(RegistryTest, SaveAndRestoreKey) {
  const std::wstring settings = L"Software\\Velk\\Tarvos\\10.0.0.0";
  ASSERT_EQ(WriteString(Hive::CurrentUser, settings + L"\\General", L"Units", kHiveText),
            ERROR_SUCCESS);
  ASSERT_EQ(WriteDword(Hive::CurrentUser, settings, L"Count", 3), ERROR_SUCCESS);
  const std::string file = (root_ / "options.zelo").string();
  const std::wstring wfile(file.begin(), file.end());

  HKEY k = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, settings.c_str(), 0, nullptr,
                            REG_OPTION_BACKUP_RESTORE, KEY_QUERY_VALUE, nullptr, &k, nullptr),
            ERROR_SUCCESS);
  ASSERT_EQ(RegSaveKeyW(k, wfile.c_str(), nullptr), ERROR_SUCCESS);
  const std::string saved = velk::test::ReadFileText(file);
  EXPECT_EQ(RegSaveKeyW(k, wfile.c_str(), nullptr), ERROR_ALREADY_EXISTS);  // never overwritten
  EXPECT_EQ(velk::test::ReadFileText(file), saved);

  // Change the key, then restore: the saved state comes back whole.
  ASSERT_EQ(WriteDword(Hive::CurrentUser, settings, L"Count", 99), ERROR_SUCCESS);
  ASSERT_EQ(WriteDword(Hive::CurrentUser, settings, L"Extra", 1), ERROR_SUCCESS);
  ASSERT_EQ(WriteDword(Hive::CurrentUser, settings + L"\\NewSub", L"x", 1), ERROR_SUCCESS);
  ASSERT_EQ(DeleteTree(Hive::CurrentUser, settings + L"\\General"), ERROR_SUCCESS);
  ASSERT_EQ(RegRestoreKeyW(k, wfile.c_str(), REG_FORCE_RESTORE), ERROR_SUCCESS);
  RegCloseKey(k);
  Restart();
  DWORD n = 0;
  EXPECT_TRUE(ReadDword(Hive::CurrentUser, settings, L"Count", n));
  EXPECT_EQ(n, 3u);
  EXPECT_FALSE(ReadDword(Hive::CurrentUser, settings, L"Extra", n));
  EXPECT_EQ(SubKeys(Hive::CurrentUser, settings), std::vector<std::wstring>{L"General"});
  std::wstring s;
  ASSERT_TRUE(ReadString(Hive::CurrentUser, settings + L"\\General", L"Units", s));
  EXPECT_EQ(s, kHiveText);

  // Restoring into another key copies the tree there.
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"Copy", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k,
                            nullptr),
            ERROR_SUCCESS);
  ASSERT_EQ(RegRestoreKeyW(k, wfile.c_str(), 0), ERROR_SUCCESS);
  EXPECT_TRUE(ReadString(Hive::LocalMachine, L"Copy\\General", L"Units", s));
  RegCloseKey(k);
}

TEST_F(RegistryTest, RestoreRefusesBadFilesAndKeepsTheKey) {
  ASSERT_EQ(WriteDword(Hive::CurrentUser, L"S", L"n", 1), ERROR_SUCCESS);
  ASSERT_EQ(WriteDword(Hive::CurrentUser, L"S\\Sub", L"m", 2), ERROR_SUCCESS);
  HKEY k = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"S", 0, KEY_ALL_ACCESS, &k), ERROR_SUCCESS);
  const std::string before = velk::test::ReadFileText(File());
  const std::string good = (root_ / "good.key").string();
  ASSERT_EQ(RegSaveKeyW(k, std::wstring(good.begin(), good.end()).c_str(), nullptr), ERROR_SUCCESS);
  const std::string full = velk::test::ReadFileText(good);

  struct Bad {
    const char* name;
    std::string text;
  };
  const Bad bad[] = {
      {"truncated.key", full.substr(0, full.size() - 5)},
      {"garbage.key", "\x01\x02 not a key file"},
      // a whole registry is not a saved key
      {"registry-file.key", velk::test::ReadFileText(File())},
      {"bad-value.key", "trevik-registry-key 1\n[.]\n\"n\" = dword x\nend\n"},
  };
  for (const Bad& b : bad) {
    const std::string path = (root_ / b.name).string();
    WriteFile(path, b.text);
    EXPECT_EQ(RegRestoreKeyW(k, std::wstring(path.begin(), path.end()).c_str(), REG_FORCE_RESTORE),
              ERROR_BADDB)
        << b.name;
  }
  EXPECT_EQ(RegRestoreKeyW(k, L"/nonexistent/file.key", 0), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(velk::test::ReadFileText(File()), before);
  DWORD n = 0;
  EXPECT_TRUE(ReadDword(Hive::CurrentUser, L"S\\Sub", L"m", n));

  // A deleted key can be neither saved nor restored.
  ASSERT_EQ(DeleteTree(Hive::CurrentUser, L"S"), ERROR_SUCCESS);
  const std::string other = (root_ / "other.key").string();
  EXPECT_EQ(RegSaveKeyW(k, std::wstring(other.begin(), other.end()).c_str(), nullptr),
            ERROR_KEY_DELETED);
  EXPECT_FALSE(fs::exists(other));
  EXPECT_EQ(RegRestoreKeyW(k, std::wstring(good.begin(), good.end()).c_str(), 0),
            ERROR_KEY_DELETED);
  EXPECT_FALSE(KeyExists(Hive::CurrentUser, L"S"));
  RegCloseKey(k);
}

}  // namespace

namespace {

// Processes writing one root at once: each keeps the others' keys.
TEST_F(RegistryTest, ConcurrentWritersKeepEveryKey) {
  ASSERT_EQ(WriteDword(Hive::CurrentUser, L"Shared", L"start", 1), ERROR_SUCCESS);
  constexpr int kWriters = 4;
  constexpr int kKeys = 25;
  std::vector<pid_t> children;
  for (int w = 0; w < kWriters; ++w) {
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      int failures = 0;
      for (int k = 0; k < kKeys; ++k) {
        std::wstring key = L"Shared\\W" + std::to_wstring(w) + L"K" + std::to_wstring(k);
        if (WriteDword(Hive::CurrentUser, key, L"n", static_cast<DWORD>(k)) != ERROR_SUCCESS)
          ++failures;
      }
      _exit(failures == 0 ? 0 : 1);
    }
    children.push_back(pid);
  }
  for (pid_t pid : children) {
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a writer was refused";
  }
  Restart();
  ASSERT_TRUE(EnsureLoaded()) << LastLoadError();
  int missing = 0;
  for (int w = 0; w < kWriters; ++w)
    for (int k = 0; k < kKeys; ++k) {
      DWORD n = 0;
      if (!ReadDword(Hive::CurrentUser,
                     L"Shared\\W" + std::to_wstring(w) + L"K" + std::to_wstring(k), L"n", n) ||
          n != static_cast<DWORD>(k))
        ++missing;
    }
  EXPECT_EQ(missing, 0);
  DWORD start = 0;
  EXPECT_TRUE(ReadDword(Hive::CurrentUser, L"Shared", L"start", start));
}

// A key nested far too deep is refused when read, with the file and line, and never copied;
// the file stays as it is.
TEST_F(RegistryTest, KeysNestedTooDeepAreRefused) {
  std::string path = "HKCU";
  for (int i = 0; i < 50000; ++i) path += "\\k";
  const std::string text = "trevik-registry 1\n\n[" + path + "]\n\"n\" = dword 1\nend\n";
  WriteFile(File(), text);
  Restart();
  EXPECT_FALSE(EnsureLoaded());
  std::string err = LastLoadError();
  EXPECT_NE(err.find(File().string()), std::string::npos) << err.substr(0, 300);
  EXPECT_NE(err.find("line 3"), std::string::npos) << err.substr(0, 300);
  EXPECT_NE(err.find("deeper"), std::string::npos) << err.substr(0, 300);
  EXPECT_EQ(WriteDword(Hive::CurrentUser, L"Other", L"n", 1), ERROR_BADDB);
  EXPECT_EQ(velk::test::ReadFileText(File()), text);

  // Nor can such a key be made.
  fs::remove(File());
  Restart();
  std::wstring deep;
  for (int i = 0; i < 600; ++i) deep += (i ? L"\\k" : L"k");
  HKEY k = nullptr;
  EXPECT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, deep.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            &k, nullptr),
            ERROR_INVALID_PARAMETER);
  EXPECT_EQ(k, nullptr);
  std::wstring allowed;
  for (int i = 0; i < 500; ++i) allowed += (i ? L"\\k" : L"k");
  ASSERT_EQ(WriteDword(Hive::CurrentUser, allowed, L"n", 7), ERROR_SUCCESS);
  Restart();
  DWORD n = 0;
  EXPECT_TRUE(ReadDword(Hive::CurrentUser, allowed, L"n", n));
  EXPECT_EQ(n, 7u);
}

}  // namespace
