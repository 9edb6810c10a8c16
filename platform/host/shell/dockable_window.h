// Dockable windows of the host: the definition a component supplies (IDockableWindowDef), the
// window object the host wraps around it (IDockableWindow), and the manager through which the
// map and globe applications hand those objects out by UID (IDockableWindowManager, answered by
// the application).
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/com/bstr.h"
#include "platform/com/object.h"
#include "platform/com/variant.h"
#include "platform/win/window_handle.h"

struct IUID;

// What a component supplies for a dockable window. The host creates it by class, hands it its
// hook (OnCreate), takes the window it names (get_ChildHWND) into its dock frame, and tells it
// when it destroys it (OnDestroy).
struct IDockableWindowDef : IUnknown {
  VELK_INTERFACE_ID("{F6BE5465-D6A6-40A0-9A04-B8B28A04372B}")
  virtual HRESULT OnCreate(IUnknown* hook) = 0;
  virtual HRESULT get_ChildHWND(HWND* window) = 0;
  virtual HRESULT get_Name(BSTR* name) = 0;
  virtual HRESULT get_Caption(BSTR* caption) = 0;
  virtual HRESULT OnDestroy() = 0;
  // Whatever the component wants callers to reach through the host's window object.
  virtual HRESULT get_UserData(VARIANT* data) = 0;
};

// The host's object for one dockable window.
struct IDockableWindow : IUnknown {
  VELK_INTERFACE_ID("{E5903F66-DB31-4282-9153-7CE5B16149FB}")
  // Shows or hides the dock frame with the component's window in it.
  virtual HRESULT Show(VARIANT_BOOL show) = 0;
  virtual HRESULT IsVisible(VARIANT_BOOL* visible) = 0;
  virtual HRESULT get_Caption(BSTR* caption) = 0;
  // The definition's user data (VT_EMPTY once the window has been destroyed).
  virtual HRESULT get_UserData(VARIANT* data) = 0;
};

struct IDockableWindowManager : IUnknown {
  VELK_INTERFACE_ID("{AC326D83-6098-4E82-B61F-950A82E1A861}")
  // The window whose definition class the UID names (ProgID or braced class identifier). The
  // first request creates the definition, hands it the application as its hook and keeps it;
  // later requests give the same window object. The creation's or OnCreate's failure is
  // returned (the window is then not kept).
  virtual HRESULT GetDockableWindow(IUID* id, IDockableWindow** window) = 0;
};

namespace velk::host {

class DockableWindow : public ComObjectRoot<DockableWindow, IDockableWindow> {
 public:
  void Init(std::wstring name, IDockableWindowDef* def, HWND child);

  HRESULT Show(VARIANT_BOOL show) override;
  HRESULT IsVisible(VARIANT_BOOL* visible) override;
  HRESULT get_Caption(BSTR* caption) override;
  HRESULT get_UserData(VARIANT* data) override;

  const std::wstring& Name() const { return name_; }
  HWND Child() const { return child_; }
  // Tells the definition it is destroyed and lets it go; the window object stays (callers may
  // still hold it) and reports itself hidden from now on.
  void Destroy();

 private:
  std::wstring name_;
  ComPtr<IDockableWindowDef> def_;
  HWND child_ = nullptr;
  bool visible_ = false;
};

// The dockable windows of one application: a part of the application object that answers
// IDockableWindowManager for it (its IUnknown slots are the application's) and destroys every
// window when the application shuts down.
class DockableWindowManager final : public IDockableWindowManager {
 public:
  DockableWindowManager() = default;
  DockableWindowManager(const DockableWindowManager&) = delete;
  DockableWindowManager& operator=(const DockableWindowManager&) = delete;
  // The application: the object this part belongs to and the hook handed to the definitions.
  void SetOuter(IUnknown* outer) { outer_ = outer; }

  HRESULT QueryInterface(REFIID riid, void** ppv) override {
    return outer_->QueryInterface(riid, ppv);
  }
  ULONG AddRef() override { return outer_->AddRef(); }
  ULONG Release() override { return outer_->Release(); }
  HRESULT GetDockableWindow(IUID* id, IDockableWindow** window) override;
  // The window made for a name (ProgID or identifier text as requested, letter case ignored);
  // null when none was made.
  ComPtr<DockableWindow> Find(const std::wstring& name) const;
  // Destroys the windows, last made first.
  void DestroyAll();

 private:
  IUnknown* outer_ = nullptr;
  std::vector<ComPtr<DockableWindow>> windows_;
};

}  // namespace velk::host
