// The module of an in-process component library: its object map, lazily created and cached
// class factories, and registration through registry scripts and category maps.
#pragma once

#include <atomic>
#include <mutex>
#include <string>

#include "platform/com/object.h"
#include "platform/win/resource_module.h"

namespace velk {

constexpr int kCategoryImplemented = 1;
constexpr int kCategoryRequired = 2;

struct CategoryMapEntry {
  int kind;  // 0 ends the list
  const CATID* catid;
};

class ServerModule;

struct ObjectMapEntry {
  const CLSID* clsid;  // null ends the map
  HRESULT (*updateRegistry)(ServerModule& module, bool doRegister);
  HRESULT (*getClassObject)(CreatorFn creator, REFIID riid, void** ppv);
  CreatorFn createInstance;
  IUnknown* cachedFactory;
  DWORD registrationCookie;  // kept for the map's shape; never used
  const wchar_t* (*description)();
  const CategoryMapEntry* (*categoryMap)();
  void (*objectMain)(bool starting);
};

class ServerModule {
 public:
  // entries: the object map, ended by an entry whose class identifier is null.
  ServerModule(ObjectMapEntry* entries, const GUID& typeLibId);

  // Process attach: the deliverable's own resources and start hooks; detach: factories
  // released, stop hooks called.
  void Init(res::ResourceModule* deliverable);
  void Term();

  HRESULT GetClassObject(REFCLSID clsid, REFIID riid, void** ppv);
  HRESULT CanUnloadNow() const { return ThisModuleLockCount() == 0 ? S_OK : S_FALSE; }
  HRESULT RegisterServer();
  HRESULT UnregisterServer();

  // Runs the registry script with the given resource name from the deliverable instance, with
  // %MODULE% replaced by the library's full path.
  HRESULT UpdateRegistryFromResource(const std::string& scriptName, bool doRegister);

  res::ResourceModule* DeliverableInstance() const { return deliverable_; }
  res::ResourceModule* ResourceInstance() const { return resource_.load(); }
  // Replaces the resource instance (atomic exchange); returns the old one.
  res::ResourceModule* SetResourceInstance(res::ResourceModule* m) { return resource_.exchange(m); }
  ObjectMapEntry* Entries() const { return entries_; }

  // Full path of the library file this module lives in.
  void SetModulePath(std::wstring path) { modulePath_ = std::move(path); }

  // The lock count is read through a callback so it is the library's own ThisModule().
  void SetLockCountReader(LONG (*reader)()) { lockReader_ = reader; }
  LONG ThisModuleLockCount() const { return lockReader_ ? lockReader_() : 0; }

  // What failed in the last registration step (script name and problem).
  const std::wstring& LastError() const { return lastError_; }

 private:
  HRESULT RegisterCategories(const ObjectMapEntry& e, bool doRegister);
  ObjectMapEntry* entries_;
  GUID typeLib_;
  res::ResourceModule* deliverable_ = nullptr;
  std::atomic<res::ResourceModule*> resource_{nullptr};
  std::mutex classObjectLock_;
  std::wstring modulePath_;
  std::wstring lastError_;
  LONG (*lockReader_)() = nullptr;
};

// Full path of the shared object holding the given address.
std::wstring ModulePathOf(const void* address);

}  // namespace velk
