#include "platform/host/shell/dockable_window.h"

#include <cwctype>

#include "platform/com/out_param.h"
#include "platform/com/plain_text.h"
#include "platform/host/data/uid.h"
#include "platform/registry/activation.h"
#include "platform/win/window.h"

namespace velk::host {

void DockableWindow::Init(std::wstring name, IDockableWindowDef* def, HWND child) {
  name_ = std::move(name);
  def_ = def;
  child_ = child;
}

HRESULT DockableWindow::Show(VARIANT_BOOL show) {
  if (!def_) return E_FAIL;
  visible_ = show != VARIANT_FALSE;
  if (child_ && ::IsWindow(child_)) ::ShowWindow(child_, visible_ ? SW_SHOW : SW_HIDE);
  return S_OK;
}

HRESULT DockableWindow::IsVisible(VARIANT_BOOL* visible) {
  if (!visible) return E_POINTER;
  *visible = ToVariantBool(def_ && visible_);
  return S_OK;
}

HRESULT DockableWindow::get_Caption(BSTR* caption) {
  if (!caption) return E_POINTER;
  *caption = nullptr;
  if (!def_) return E_FAIL;
  return def_->get_Caption(caption);
}

HRESULT DockableWindow::get_UserData(VARIANT* data) {
  if (!data) return E_POINTER;
  VariantInit(data);
  if (!def_) return S_OK;
  return def_->get_UserData(data);
}

void DockableWindow::Destroy() {
  if (!def_) return;
  if (visible_ && child_ && ::IsWindow(child_)) ::ShowWindow(child_, SW_HIDE);
  visible_ = false;
  // The definition may call back into the host while it is told; keep it alive until then.
  ComPtr<IDockableWindowDef> def = std::move(def_);
  def->OnDestroy();
  def.Reset();
  child_ = nullptr;
}

HRESULT DockableWindowManager::GetDockableWindow(IUID* id, IDockableWindow** window) {
  if (!window) return E_POINTER;
  *window = nullptr;
  if (!id) return E_POINTER;
  VELK_TRY
  std::wstring name = UidText(id);
  if (ComPtr<DockableWindow> found = Find(name)) {
    *window = found.get();
    (*window)->AddRef();
    return S_OK;
  }
  CLSID clsid{};
  if (!GuidFromString(name, clsid)) {
    HRESULT hr = CLSIDFromProgID(name.c_str(), &clsid);
    if (FAILED(hr)) return hr;
  }
  ComPtr<IDockableWindowDef> def;
  HRESULT hr =
      CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IidOf<IDockableWindowDef>(), def.put_void());
  if (FAILED(hr)) return hr;
  if (!def) return E_NOINTERFACE;
  hr = def->OnCreate(outer_);
  if (FAILED(hr)) return hr;
  HWND child = nullptr;
  def->get_ChildHWND(&child);
  ComObject<DockableWindow>* p = nullptr;
  Check(ComObject<DockableWindow>::Create(&p));
  auto entry = ComPtr<DockableWindow>::Attach(p);
  entry->Init(name, def.get(), child);
  windows_.push_back(entry);
  *window = entry.get();
  (*window)->AddRef();
  return S_OK;
  VELK_CATCH
}

ComPtr<DockableWindow> DockableWindowManager::Find(const std::wstring& name) const {
  for (const auto& w : windows_)
    if (EqualsNoCase(w->Name(), name)) return w;
  return nullptr;
}

void DockableWindowManager::DestroyAll() {
  // A definition told of its end may ask the manager again; work on the list taken out.
  std::vector<ComPtr<DockableWindow>> windows = std::move(windows_);
  windows_.clear();
  for (auto it = windows.rbegin(); it != windows.rend(); ++it) (*it)->Destroy();
}

}  // namespace velk::host
