#include "platform/registry/activation.h"

#include <dlfcn.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <vector>

#include "platform/com/text.h"
#include "platform/registry/registry.h"

namespace velk {
namespace {

struct ProcessClass {
  DWORD cookie;
  CLSID clsid;
  CreatorFn creator;
};

std::mutex g_mutex;
std::vector<ProcessClass> g_classes;
DWORD g_nextCookie = 1;
std::map<std::string, LoadedLibrary> g_libraries;
std::wstring g_lastError;

using GetClassObjectFn = HRESULT (*)(REFCLSID, REFIID, void**);

}  // namespace

void* LoadedLibrary::Symbol(const char* name) const {
  return handle ? dlsym(handle, name) : nullptr;
}

bool LoadLibraryOnce(const std::string& path, LoadedLibrary& out, std::wstring& error) {
  std::lock_guard<std::mutex> lock(g_mutex);
  auto it = g_libraries.find(path);
  if (it != g_libraries.end()) {
    out = it->second;
    return true;
  }
  void* h = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!h) {
    const char* why = dlerror();
    error =
        L"cannot load library " + FromUtf8(path) + L": " + FromUtf8(why ? why : "unknown error");
    return false;
  }
  LoadedLibrary lib{h, path};
  g_libraries[path] = lib;
  out = lib;
  return true;
}

DWORD RegisterProcessClass(REFCLSID clsid, CreatorFn creator) {
  std::lock_guard<std::mutex> lock(g_mutex);
  DWORD cookie = g_nextCookie++;
  g_classes.push_back({cookie, clsid, creator});
  return cookie;
}

void RevokeProcessClass(DWORD cookie) {
  std::lock_guard<std::mutex> lock(g_mutex);
  std::erase_if(g_classes, [&](const ProcessClass& c) { return c.cookie == cookie; });
}

std::vector<CLSID> ProcessClassIds() {
  std::lock_guard<std::mutex> lock(g_mutex);
  std::vector<CLSID> ids;
  for (const ProcessClass& c : g_classes)
    if (std::find(ids.begin(), ids.end(), c.clsid) == ids.end()) ids.push_back(c.clsid);
  return ids;
}

std::wstring LastActivationError() {
  std::lock_guard<std::mutex> lock(g_mutex);
  return g_lastError;
}

namespace {
void SetError(std::wstring e) {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_lastError = std::move(e);
}

CreatorFn FindProcessClass(REFCLSID clsid) {
  std::lock_guard<std::mutex> lock(g_mutex);
  for (auto it = g_classes.rbegin(); it != g_classes.rend(); ++it)
    if (it->clsid == clsid) return it->creator;
  return nullptr;
}
}  // namespace

}  // namespace velk

using namespace velk;

HRESULT CoGetClassObject(REFCLSID clsid, DWORD context, void*, REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (!(context & (CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER))) return REGDB_E_CLASSNOTREG;
  if (CreatorFn creator = FindProcessClass(clsid)) return CreateClassFactory(creator, riid, ppv);

  std::wstring key = L"CLSID\\" + GuidToString(clsid) + L"\\InprocServer32";
  std::wstring path;
  if (!reg::ReadString(reg::Hive::ClassesRoot, key, L"", path) || path.empty()) {
    SetError(L"class " + GuidToString(clsid) + L" is not registered");
    return REGDB_E_CLASSNOTREG;
  }
  LoadedLibrary lib;
  std::wstring error;
  if (!LoadLibraryOnce(ToUtf8(path), lib, error)) {
    SetError(error);
    return CO_E_DLLNOTFOUND;
  }
  auto fn = reinterpret_cast<GetClassObjectFn>(lib.Symbol("DllGetClassObject"));
  if (!fn) {
    SetError(L"library " + path + L" does not export DllGetClassObject");
    return CO_E_ERRORINDLL;
  }
  return fn(clsid, riid, ppv);
}

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  ComPtr<IClassFactory> factory;
  HRESULT hr =
      CoGetClassObject(clsid, context, nullptr, IidOf<IClassFactory>(), factory.put_void());
  if (FAILED(hr)) return hr;
  if (!factory) return E_NOINTERFACE;
  return factory->CreateInstance(outer, riid, ppv);
}

HRESULT CLSIDFromString(LPCOLESTR text, CLSID* clsid) {
  if (!clsid) return E_POINTER;
  if (!text) return CO_E_CLASSSTRING;
  return GuidFromString(text, *clsid) ? S_OK : CO_E_CLASSSTRING;
}

int StringFromGUID2(REFGUID guid, LPOLESTR buf, int cch) {
  std::wstring s = GuidToString(guid);
  if (!buf || cch < static_cast<int>(s.size() + 1)) return 0;
  std::wmemcpy(buf, s.c_str(), s.size() + 1);
  return static_cast<int>(s.size() + 1);
}

HRESULT CLSIDFromProgID(LPCOLESTR progId, CLSID* clsid) {
  if (!progId || !clsid) return E_POINTER;
  if (progId[0] == L'{') return CLSIDFromString(progId, clsid);
  std::wstring text;
  if (!reg::ReadString(reg::Hive::ClassesRoot, std::wstring(progId) + L"\\CLSID", L"", text))
    return CO_E_CLASSSTRING;
  return GuidFromString(text, *clsid) ? S_OK : REGDB_E_INVALIDVALUE;
}

HRESULT ProgIDFromCLSID(REFCLSID clsid, LPOLESTR* progId) {
  if (!progId) return E_POINTER;
  *progId = nullptr;
  std::wstring text;
  if (!reg::ReadString(reg::Hive::ClassesRoot, L"CLSID\\" + GuidToString(clsid) + L"\\ProgID", L"",
                       text))
    return REGDB_E_CLASSNOTREG;
  auto* mem = static_cast<wchar_t*>(std::malloc((text.size() + 1) * sizeof(wchar_t)));
  if (!mem) return E_OUTOFMEMORY;
  std::wmemcpy(mem, text.c_str(), text.size() + 1);
  *progId = mem;
  return S_OK;
}

void CoTaskMemFree(void* p) { std::free(p); }
