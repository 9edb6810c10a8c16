// Creating classes by class identifier: the process's own class table first, then the
// registry (HKCR\CLSID\{clsid}\InprocServer32 names the library; it is loaded and asked for its
// class factory through DllGetClassObject).
#pragma once

#include <string>
#include <vector>

#include "platform/com/object.h"

constexpr DWORD CLSCTX_INPROC_SERVER = 0x1;
constexpr DWORD CLSCTX_INPROC_HANDLER = 0x2;
constexpr DWORD CLSCTX_LOCAL_SERVER = 0x4;
constexpr DWORD CLSCTX_REMOTE_SERVER = 0x10;
constexpr DWORD CLSCTX_ALL = 0x17;

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID riid, void** ppv);
HRESULT CoGetClassObject(REFCLSID clsid, DWORD context, void* reserved, REFIID riid, void** ppv);
// ProgID lookups through HKCR\<ProgID>\CLSID and HKCR\CLSID\{clsid}\ProgID.
HRESULT CLSIDFromProgID(LPCOLESTR progId, CLSID* clsid);
HRESULT ProgIDFromCLSID(REFCLSID clsid, LPOLESTR* progId);  // caller frees with CoTaskMemFree
HRESULT CLSIDFromString(LPCOLESTR text, CLSID* clsid);
int StringFromGUID2(REFGUID guid, LPOLESTR buf, int cch);
void CoTaskMemFree(void* p);

namespace velk {

// Registers a class in the process's own class table (host objects, test doubles); it is
// found before the registry. Returns a cookie for RevokeClass.
DWORD RegisterProcessClass(REFCLSID clsid, CreatorFn creator);
void RevokeProcessClass(DWORD cookie);
// The classes in the process's own class table, in registration order, each once.
std::vector<CLSID> ProcessClassIds();

// Creates a class by ProgID or braced class identifier text.
template <class I>
HRESULT CreateByProgId(const std::wstring& progIdOrClsid, I** out) {
  CLSID clsid{};
  HRESULT hr = CLSIDFromProgID(progIdOrClsid.c_str(), &clsid);
  if (FAILED(hr)) return hr;
  return CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IidOf<I>(), reinterpret_cast<void**>(out));
}

// Why the last library load failed (path and loader message), for the host's error texts.
std::wstring LastActivationError();

// A loaded library and its entry points (the host program registers through these).
struct LoadedLibrary {
  void* handle = nullptr;
  std::string path;
  void* Symbol(const char* name) const;
};
// Loads a library by path once per process; on failure returns false and sets error.
bool LoadLibraryOnce(const std::string& path, LoadedLibrary& out, std::wstring& error);

}  // namespace velk
