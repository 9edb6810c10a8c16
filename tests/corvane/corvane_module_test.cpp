// The Corvane module: exports, registration, factories, unloading and resources.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "framework/corvane_module.h"
#include "platform/com/object.h"
#include "interfaces/corvane_ids.h"
#include "platform/registry/registry.h"
#include "tests/fixtures/corvane_classes.h"
#include "tests/fixtures/temp_root.h"

extern "C" {
HRESULT DllCanUnloadNow();
HRESULT DllGetClassObject(REFCLSID, REFIID, void**);
HRESULT DllRegisterServer();
HRESULT DllUnregisterServer();
HRESULT velkDllRegisterServer();
HRESULT velkDllUnregisterServer();
}

namespace velk::test {
namespace {

using reg::Hive;


TEST(CorvaneModule, ScriptsWriteTheClassKeys) {
  TempRoot root;
  ASSERT_EQ(velkDllRegisterServer(), S_OK);
  std::wstring key = L"CLSID\\{92AA5573-DE6B-4F03-8C9F-0FEAB189BF91}";
  std::wstring value;
  ASSERT_TRUE(
      reg::ReadString(Hive::ClassesRoot, key + L"\\InprocServer32", L"ThreadingModel", value));
  EXPECT_EQ(value, L"Apartment");
  ASSERT_TRUE(reg::ReadString(Hive::ClassesRoot, key + L"\\InprocServer32", L"", value));
  EXPECT_TRUE(std::filesystem::path(value).is_absolute())
      << std::string(value.begin(), value.end());
  EXPECT_TRUE(reg::KeyExists(Hive::ClassesRoot, key + L"\\Programmable"));
  ASSERT_TRUE(reg::ReadString(Hive::ClassesRoot, key + L"\\TypeLib", L"", value));
  EXPECT_EQ(value, L"{F8D82A6A-2DAB-4fb8-8F7A-BEA85F860F2C}");
  ASSERT_TRUE(reg::ReadString(Hive::ClassesRoot, L"velkTarvosUI.FlyThrough\\CurVer", L"", value));
  EXPECT_EQ(value, L"velkTarvosUI.FlyThrough.1");
  ASSERT_TRUE(reg::ReadString(Hive::ClassesRoot, L"velkTarvosUI.FlyThrough.1\\CLSID", L"", value));
  EXPECT_EQ(value, L"{92AA5573-DE6B-4F03-8C9F-0FEAB189BF91}");
  // The conversion menu's category comes from its script and from its category map.
  EXPECT_TRUE(
      reg::KeyExists(Hive::ClassesRoot,
                     L"CLSID\\{A5E1596C-E9A6-4565-9D30-1001F873D360}\\Implemented Categories\\"
                     L"{B56A7C4A-83D4-11D2-A2E9-080009B6F22B}"));
  ASSERT_EQ(velkDllUnregisterServer(), S_OK);
}



struct IOuterProbe : IUnknown {
  VELK_INTERFACE_ID("{5B0F3C0E-3F0B-4C55-9B4B-6A3E2F1D0C01}")
};
class OuterProbe : public ComObjectRoot<OuterProbe, IOuterProbe> {};

TEST(CorvaneModule, AddLayersOperationRefusesAggregation) {
  ComPtr<IClassFactory> f;
  ASSERT_EQ(
      DllGetClassObject(ids::CLSID_AddZelLayersOperation, IidOf<IClassFactory>(), f.put_void()),
      S_OK);
  ComPtr<IOuterProbe> outer = MakeObjectPtr<OuterProbe>();
  void* out = reinterpret_cast<void*>(1);
  EXPECT_EQ(f->CreateInstance(outer.get(), IidOf<IUnknown>(), &out), CLASS_E_NOAGGREGATION);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(f->CreateInstance(outer.get(), IidOf<IUnknown>(), nullptr), E_POINTER);
}

TEST(CorvaneModule, TextsComeFromTheLocalizedModuleWhenInstalled) {
  EXPECT_EQ(corvane::LoadResString(3576), L"Error");
  EXPECT_EQ(corvane::LoadResString(1), L"");  // a missing id loads as an empty text
  TempRoot root;
  std::filesystem::create_directories(root.path() + "/localized/Corvane");
  std::ofstream(root.path() + "/localized/Corvane/strings.txt") << "3576\tFehler\n";
  corvane::ProcessDetach();
  corvane::ProcessAttach();
  EXPECT_EQ(corvane::LoadResString(3576), L"Fehler");
  EXPECT_NE(corvane::ResourceInstance(), corvane::DeliverableInstance());
  // Scripts (and bitmaps, cursors) always come from the library itself.
  EXPECT_NE(corvane::DeliverableInstance()->Find("REGISTRY", 3134), nullptr);
  std::filesystem::remove_all(root.path() + "/localized");
  corvane::ProcessDetach();
  corvane::ProcessAttach();
  EXPECT_EQ(corvane::LoadResString(3576), L"Error");
  EXPECT_EQ(corvane::ResourceInstance(), corvane::DeliverableInstance());
}

}  // namespace
}  // namespace velk::test
