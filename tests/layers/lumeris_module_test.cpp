// The Lumeris module: exports, registration, factories, unloading, resources and shutdown.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "interfaces/lumeris_ids.h"
#include "interfaces/zel_layer_interfaces.h"
#include "layers/lumeris_module.h"
#include "layers/shared_raster_helper.h"
#include "platform/com/object.h"
#include "platform/com/text.h"
#include "platform/registry/registry.h"
#include "tests/fixtures/catalog_fixture.h"
#include "tests/fixtures/lumeris_classes.h"
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

std::wstring W(const std::string& s) { return FromUtf8(s); }

const CLSID* const kMapClsids[] = {&ids::CLSID_ZelRasterLayer, &ids::CLSID_ZelVectorLayer,
                                   &ids::CLSID_ZelDtedLayer, &ids::CLSID_ZelManagedVpfLayer,
                                   &ids::CLSID_ZelReferencedRpfLayer};

TEST(LumerisModule, ClassesRegisterInMapOrder) {
  TempRoot root;
  ASSERT_EQ(velkDllRegisterServer(), S_OK);
  std::vector<std::wstring> keys = reg::SubKeys(Hive::ClassesRoot, L"CLSID");
  ASSERT_EQ(keys.size(), std::size(kLumerisClasses));
  for (std::size_t i = 0; i < keys.size(); ++i) EXPECT_EQ(keys[i], W(kLumerisClasses[i].clsid));
  ASSERT_EQ(velkDllUnregisterServer(), S_OK);
  for (const ExpectedClass& c : kLumerisClasses)
    EXPECT_FALSE(reg::KeyExists(Hive::ClassesRoot, W(c.progId) + L".1")) << c.name;
}

TEST(LumerisModule, ScriptsWriteEachClassesKeys) {
  struct Keys {
    const wchar_t* typeLib;
    bool programmable;
  };
  // Per class in map order: the type library its script names and whether it is programmable.
  const Keys kKeys[] = {
      {L"{390B7FB4-6D5D-4343-82B2-34F698709DE2}", false},
      {L"{390B7FB4-6D5D-4343-82B2-34F698709DE2}", false},
      {L"{390B7FB4-6D5D-4343-82B2-34F698709DE2}", false},
      {L"{7451AC19-455A-4C0B-A015-DD3EBB2FB722}", true},
      {L"{7451AC19-455A-4C0B-A015-DD3EBB2FB722}", true},
  };
  static_assert(std::size(kKeys) == std::size(kLumerisClasses));
  TempRoot root;
  ASSERT_EQ(velkDllRegisterServer(), S_OK);
  for (std::size_t i = 0; i < std::size(kKeys); ++i) {
    const ExpectedClass& c = kLumerisClasses[i];
    SCOPED_TRACE(c.name);
    const std::wstring key = L"CLSID\\" + W(c.clsid);
    const std::wstring progId = W(c.progId);
    std::wstring value;
    ASSERT_TRUE(reg::ReadString(Hive::ClassesRoot, key, L"", value));
    EXPECT_EQ(value, W(c.description));
    for (const std::wstring& p : {progId, progId + L".1"}) {
      ASSERT_TRUE(reg::ReadString(Hive::ClassesRoot, p + L"\\CLSID", L"", value)) << ToUtf8(p);
      EXPECT_EQ(value, W(c.clsid));
      ASSERT_TRUE(reg::ReadString(Hive::ClassesRoot, p, L"", value));
      EXPECT_EQ(value, W(c.description));
    }
    ASSERT_TRUE(reg::ReadString(Hive::ClassesRoot, progId + L"\\CurVer", L"", value));
    EXPECT_EQ(value, progId + L".1");
    ASSERT_TRUE(reg::ReadString(Hive::ClassesRoot, key + L"\\ProgID", L"", value));
    EXPECT_EQ(value, progId + L".1");
    ASSERT_TRUE(
        reg::ReadString(Hive::ClassesRoot, key + L"\\VersionIndependentProgID", L"", value));
    EXPECT_EQ(value, progId);
    ASSERT_TRUE(
        reg::ReadString(Hive::ClassesRoot, key + L"\\InprocServer32", L"ThreadingModel", value));
    EXPECT_EQ(value, L"Apartment");
    ASSERT_TRUE(reg::ReadString(Hive::ClassesRoot, key + L"\\InprocServer32", L"", value));
    EXPECT_TRUE(std::filesystem::path(value).is_absolute()) << ToUtf8(value);
    ASSERT_TRUE(reg::ReadString(Hive::ClassesRoot, key + L"\\TypeLib", L"", value));
    EXPECT_EQ(value, kKeys[i].typeLib);
    EXPECT_EQ(reg::KeyExists(Hive::ClassesRoot, key + L"\\Programmable"), kKeys[i].programmable);
    EXPECT_FALSE(reg::KeyExists(Hive::ClassesRoot, key + L"\\Implemented Categories"));
  }
  // The embedded type library is not registered.
  EXPECT_FALSE(reg::KeyExists(Hive::ClassesRoot, L"TypeLib"));
  ASSERT_EQ(velkDllUnregisterServer(), S_OK);
}

TEST(LumerisModule, EveryLayerIsMade) {
  HostClassesScope hostClasses;  // the layers aggregate host layers
  for (const CLSID* clsid : kMapClsids) {
    SCOPED_TRACE(ToUtf8(GuidToString(*clsid)));
    ComPtr<IClassFactory> f;
    ASSERT_EQ(DllGetClassObject(*clsid, IidOf<IClassFactory>(), f.put_void()), S_OK);
    void* out = nullptr;
    ASSERT_EQ(f->CreateInstance(nullptr, IidOf<IZelLayer>(), &out), S_OK);
    ASSERT_NE(out, nullptr);
    static_cast<IUnknown*>(out)->Release();
    EXPECT_EQ(f->CreateInstance(nullptr, IidOf<IUnknown>(), nullptr), E_POINTER);
  }
}

TEST(LumerisModule, TextsComeFromTheLocalizedModuleWhenInstalled) {
  // The library's own table holds ids 1 and 2 only; 3 to 5 come from a localized module.
  EXPECT_EQ(lumeris::LoadResString(1), L"New Zel Vector Layer");
  EXPECT_EQ(lumeris::LoadResString(2), L"Footprint");
  for (UINT id : {3u, 4u, 5u}) EXPECT_EQ(lumeris::LoadResString(id), L"") << id;
  TempRoot root;
  std::filesystem::create_directories(root.path() + "/localized/Lumeris");
  std::ofstream(root.path() + "/localized/Lumeris/strings.txt") << "1\tNeuer Layer\n3\tRahmen\n";
  lumeris::ProcessDetach();
  lumeris::ProcessAttach();
  EXPECT_EQ(lumeris::LoadResString(1), L"Neuer Layer");
  EXPECT_EQ(lumeris::LoadResString(3), L"Rahmen");
  EXPECT_NE(lumeris::ResourceInstance(), lumeris::DeliverableInstance());
  // Registry scripts always come from the library itself.
  EXPECT_NE(lumeris::DeliverableInstance()->Find("REGISTRY", 1103), nullptr);
  ASSERT_EQ(velkDllRegisterServer(), S_OK);
  EXPECT_EQ(reg::SubKeys(Hive::ClassesRoot, L"CLSID").size(), std::size(kLumerisClasses));
  ASSERT_EQ(velkDllUnregisterServer(), S_OK);
  std::filesystem::remove_all(root.path() + "/localized");
  lumeris::ProcessDetach();
  lumeris::ProcessAttach();
  EXPECT_EQ(lumeris::LoadResString(1), L"New Zel Vector Layer");
  EXPECT_EQ(lumeris::LoadResString(3), L"");
  EXPECT_EQ(lumeris::ResourceInstance(), lumeris::DeliverableInstance());
}

TEST(LumerisModule, DetachDeletesTheSharedRasterHelperAndReleasesFactories) {
  lumeris::SharedRasterHelper* helper = lumeris::GetSharedRasterHelper();
  ASSERT_NE(helper, nullptr);
  EXPECT_EQ(lumeris::GetSharedRasterHelper(), helper);  // made once and kept
  IClassFactory* f = nullptr;
  ASSERT_EQ(DllGetClassObject(ids::CLSID_ZelVectorLayer, IidOf<IClassFactory>(),
                              reinterpret_cast<void**>(&f)),
            S_OK);
  f->Release();
  ASSERT_NE(lumeris::Module().Entries()[1].cachedFactory, nullptr);
  lumeris::ProcessDetach();
  EXPECT_FALSE(lumeris::SharedRasterHelperExists());
  for (ObjectMapEntry* e = lumeris::Module().Entries(); e->clsid; ++e)
    EXPECT_EQ(e->cachedFactory, nullptr);
  lumeris::ProcessAttach();
  EXPECT_FALSE(lumeris::SharedRasterHelperExists());  // made again only on demand
}

}  // namespace
}  // namespace velk::test
