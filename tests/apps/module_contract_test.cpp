// What the host may rely on of every component library, checked over both through their
// exports as the host loads them: only the velk entry points register, and all the classes;
// unregistering removes them all; one cached factory per class; unknown classes and null out
// pointers refused; the library may unload unless a factory is locked.
#include <gtest/gtest.h>

#include <span>
#include <string>

#include "platform/com/text.h"
#include "platform/registry/activation.h"
#include "platform/registry/registry.h"
#include "tests/fixtures/corvane_classes.h"
#include "tests/fixtures/lumeris_classes.h"
#include "tests/fixtures/temp_root.h"

namespace velk::test {
namespace {

using reg::Hive;

struct Corvane {
  static constexpr const char* kFile = VELK_LIB_DIR "/libCorvane.so";
  static std::span<const ExpectedClass> Classes() { return kCorvaneClasses; }
};
struct Lumeris {
  static constexpr const char* kFile = VELK_LIB_DIR "/libLumeris.so";
  static std::span<const ExpectedClass> Classes() { return kLumerisClasses; }
};

template <class Library>
class ModuleContract : public testing::Test {
 protected:
  using Entry = HRESULT (*)();
  using GetClassObject = HRESULT (*)(REFCLSID, REFIID, void**);

  void SetUp() override {
    std::wstring error;
    ASSERT_TRUE(LoadLibraryOnce(Library::kFile, library_, error)) << ToUtf8(error);
    for (const char* name : {"DllCanUnloadNow", "DllRegisterServer", "DllUnregisterServer",
                             "velkDllRegisterServer", "velkDllUnregisterServer"})
      ASSERT_NE(library_.Symbol(name), nullptr) << name;
    ASSERT_NE(library_.Symbol("DllGetClassObject"), nullptr);
  }
  HRESULT Call(const char* name) { return reinterpret_cast<Entry>(library_.Symbol(name))(); }
  HRESULT GetFactory(REFCLSID clsid, void** out) {
    auto get = reinterpret_cast<GetClassObject>(library_.Symbol("DllGetClassObject"));
    return get(clsid, IidOf<IClassFactory>(), out);
  }
  static CLSID ClassId(const ExpectedClass& c) {
    CLSID clsid{};
    EXPECT_TRUE(GuidFromString(FromUtf8(c.clsid), clsid)) << c.clsid;
    return clsid;
  }
  static std::size_t RegisteredClasses() {
    return reg::SubKeys(Hive::ClassesRoot, L"CLSID").size();
  }

  LoadedLibrary library_;
};

using Libraries = testing::Types<Corvane, Lumeris>;
TYPED_TEST_SUITE(ModuleContract, Libraries);

TYPED_TEST(ModuleContract, OnlyTheVelkEntryPointsRegisterAndUnregister) {
  TempRoot root;
  const std::size_t count = TypeParam::Classes().size();
  EXPECT_EQ(this->Call("DllRegisterServer"), S_OK);
  EXPECT_EQ(this->RegisteredClasses(), 0u);
  ASSERT_EQ(this->Call("velkDllRegisterServer"), S_OK);
  EXPECT_EQ(this->RegisteredClasses(), count);
  for (const ExpectedClass& c : TypeParam::Classes())
    EXPECT_TRUE(reg::KeyExists(Hive::ClassesRoot, L"CLSID\\" + FromUtf8(c.clsid))) << c.name;
  EXPECT_EQ(this->Call("DllUnregisterServer"), S_OK);
  EXPECT_EQ(this->RegisteredClasses(), count);
  ASSERT_EQ(this->Call("velkDllUnregisterServer"), S_OK);
  EXPECT_EQ(this->RegisteredClasses(), 0u);
  for (const ExpectedClass& c : TypeParam::Classes())
    EXPECT_FALSE(reg::KeyExists(Hive::ClassesRoot, FromUtf8(c.progId))) << c.name;
}

TYPED_TEST(ModuleContract, OneCachedFactoryPerClass) {
  for (const ExpectedClass& c : TypeParam::Classes()) {
    SCOPED_TRACE(c.name);
    const CLSID clsid = this->ClassId(c);
    IClassFactory* a = nullptr;
    IClassFactory* b = nullptr;
    ASSERT_EQ(this->GetFactory(clsid, reinterpret_cast<void**>(&a)), S_OK);
    ASSERT_EQ(this->GetFactory(clsid, reinterpret_cast<void**>(&b)), S_OK);
    EXPECT_EQ(a, b);
    a->Release();
    b->Release();
    EXPECT_EQ(this->GetFactory(clsid, nullptr), E_POINTER);
  }
  void* none = reinterpret_cast<void*>(1);
  EXPECT_EQ(this->GetFactory(GUID_NULL, &none), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(none, nullptr);
}

TYPED_TEST(ModuleContract, CanUnloadOnlyWithoutLocks) {
  ASSERT_EQ(this->Call("DllCanUnloadNow"), S_OK);
  IClassFactory* f = nullptr;
  ASSERT_EQ(this->GetFactory(this->ClassId(TypeParam::Classes()[0]), reinterpret_cast<void**>(&f)),
            S_OK);
  EXPECT_EQ(this->Call("DllCanUnloadNow"), S_OK);  // a cached factory does not hold the library
  f->LockServer(TRUE);
  EXPECT_EQ(this->Call("DllCanUnloadNow"), S_FALSE);
  f->LockServer(FALSE);
  EXPECT_EQ(this->Call("DllCanUnloadNow"), S_OK);
  f->Release();
}

}  // namespace
}  // namespace velk::test
