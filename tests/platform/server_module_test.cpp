// The module of a component library: registration order and failure handling.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/registry/registry.h"
#include "platform/registry/server_module.h"
#include "tests/fixtures/temp_root.h"

namespace velk::test {
namespace {

constexpr CLSID kFirst = MakeGuid("{11111111-0000-0000-0000-000000000001}");
constexpr CLSID kSecond = MakeGuid("{11111111-0000-0000-0000-000000000002}");
constexpr CLSID kThird = MakeGuid("{11111111-0000-0000-0000-000000000003}");
constexpr CATID kCat = MakeGuid("{22222222-0000-0000-0000-000000000001}");

std::vector<std::wstring> g_log;
bool g_failSecond = false;

std::wstring CategoryKey(const CLSID& c) {
  return L"CLSID\\" + GuidToString(c) + L"\\Implemented Categories\\" + GuidToString(kCat);
}

template <const CLSID* kClsid>
HRESULT Update(ServerModule&, bool doRegister) {
  std::wstring id = GuidToString(*kClsid);
  if (doRegister) {
    if (g_failSecond && kClsid == &kSecond) return E_ACCESSDENIED;
    reg::WriteString(reg::Hive::ClassesRoot, L"CLSID\\" + id, L"", L"class");
  } else {
    // The category registration must already be gone when the keys are removed.
    g_log.push_back((reg::KeyExists(reg::Hive::ClassesRoot, CategoryKey(*kClsid))
                         ? L"category still there: "
                         : L"keys: ") +
                    id);
    reg::DeleteTree(reg::Hive::ClassesRoot, L"CLSID\\" + id);
  }
  return S_OK;
}

const CategoryMapEntry* Categories() {
  static const CategoryMapEntry map[] = {{kCategoryImplemented, &kCat}, {0, nullptr}};
  return map;
}

ObjectMapEntry g_map[] = {
    {&kFirst, &Update<&kFirst>, &CreateClassFactory, nullptr, nullptr, 0, nullptr, &Categories,
     nullptr},
    {&kSecond, &Update<&kSecond>, &CreateClassFactory, nullptr, nullptr, 0, nullptr, &Categories,
     nullptr},
    {&kThird, &Update<&kThird>, &CreateClassFactory, nullptr, nullptr, 0, nullptr, &Categories,
     nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr, 0, nullptr, nullptr, nullptr},
};

TEST(ServerModule, UnregistersCategoriesBeforeKeys) {
  TempRoot root;
  ServerModule module(g_map, GUID_NULL);
  g_failSecond = false;
  g_log.clear();
  ASSERT_EQ(module.RegisterServer(), S_OK);
  for (const CLSID* c : {&kFirst, &kSecond, &kThird})
    EXPECT_TRUE(reg::KeyExists(reg::Hive::ClassesRoot, CategoryKey(*c)));
  ASSERT_EQ(module.UnregisterServer(), S_OK);
  EXPECT_EQ(g_log, (std::vector<std::wstring>{L"keys: " + GuidToString(kFirst),
                                              L"keys: " + GuidToString(kSecond),
                                              L"keys: " + GuidToString(kThird)}));
}

TEST(ServerModule, RegistrationStopsAtTheFirstFailure) {
  TempRoot root;
  ServerModule module(g_map, GUID_NULL);
  g_failSecond = true;
  EXPECT_EQ(module.RegisterServer(), E_ACCESSDENIED);
  g_failSecond = false;
  EXPECT_TRUE(reg::KeyExists(reg::Hive::ClassesRoot, L"CLSID\\" + GuidToString(kFirst)));
  EXPECT_FALSE(reg::KeyExists(reg::Hive::ClassesRoot, L"CLSID\\" + GuidToString(kSecond)));
  EXPECT_FALSE(reg::KeyExists(reg::Hive::ClassesRoot, L"CLSID\\" + GuidToString(kThird)));
}

}  // namespace
}  // namespace velk::test
