// The default sink of the extension object's events. A command or control derives from it,
// overrides the events it needs, lists it among its interfaces (it answers
// IZelExtensionEvents) and calls Connect from its final construction and Disconnect before it
// goes away. The IUnknown slots are the deriving COM class's.
#pragma once

#include "interfaces/zel_extension.h"
#include "platform/com/object.h"

namespace velk::corvane {

class ZelExtensionEventHandler : public IZelExtensionEvents {
 public:
  ZelExtensionEventHandler() = default;
  ZelExtensionEventHandler(const ZelExtensionEventHandler&) = delete;
  ZelExtensionEventHandler& operator=(const ZelExtensionEventHandler&) = delete;

  HRESULT TestEvent() override { return S_OK; }
  HRESULT ContentsChanged() override { return S_OK; }
  HRESULT ContentsCleared() override { return S_OK; }
  HRESULT ItemAdded(VARIANT) override { return S_OK; }
  HRESULT ItemDeleted(VARIANT) override { return S_OK; }
  HRESULT ItemReordered(VARIANT, LONG) override { return S_OK; }
  HRESULT SelectionChanged() override { return S_OK; }
  HRESULT ViewRefreshed(IActiveView*, LONG, VARIANT, IUnknown*) override { return S_OK; }
  HRESULT AfterDraw(IUnknown*, LONG) override { return S_OK; }
  HRESULT AfterItemDraw(SHORT, IUnknown*, LONG) override { return S_OK; }
  HRESULT FocusMapChanged() override { return S_OK; }
  HRESULT SpatialReferenceChanged() override { return S_OK; }
  HRESULT ActiveViewChanged() override { return S_OK; }
  HRESULT MapsChanged() override { return S_OK; }
  // The out value is not written: the default never handles the menu.
  HRESULT OnContextMenu(LONG, LONG, VARIANT_BOOL* handled) override {
    return handled ? S_OK : E_POINTER;
  }
  HRESULT NewDocument() override { return S_OK; }
  HRESULT OpenDocument() override { return S_OK; }
  // The out value is not written: the default never aborts a close.
  HRESULT BeforeCloseDocument(VARIANT_BOOL* abortClose) override {
    return abortClose ? S_OK : E_POINTER;
  }
  HRESULT CloseDocument() override { return S_OK; }

  // Connects sink (the deriving object's identity) to the extension's events: disconnects
  // first, finds the extension once and keeps it, then advises its connection point. Nothing
  // is reported: without an extension, or when the advise fails, the handler stays
  // disconnected. The extension lookup's COM error passes through.
  void Connect(IUnknown* sink);
  void Disconnect();
  bool IsConnected() const { return cookie_ != 0 && source_; }
  DWORD Cookie() const { return cookie_; }
  IZelExtension* Extension() const { return extension_.get(); }

  virtual ~ZelExtensionEventHandler();

 private:
  ComPtr<IZelExtension> extension_;
  DWORD cookie_ = 0;
  ComPtr<IUnknown> source_;
};

}  // namespace velk::corvane
