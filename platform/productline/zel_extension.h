// The product's extension object: loaded by the host's extension manager, switched on and off
// by its state, holding the settings environment and firing the extension events. The host
// relays its map changes through it; tests and the host program fire any event through
// IZelExtensionEventSource.
#pragma once

#include "interfaces/zel_extension.h"
#include "platform/com/connection_point.h"
#include "platform/com/object.h"
#include "platform/host/shell/extension_manager.h"
#include "platform/host/display/map.h"

struct IDocument;

// The host side of the extension's events.
struct IZelExtensionEventSource : IUnknown {
  VELK_INTERFACE_ID("{67AAA8A7-ECDB-4E48-8826-23CCF3061F87}")
  // An event without arguments, by dispatch id (E_INVALIDARG for any other id).
  virtual HRESULT FireEvent(LONG dispid) = 0;
  // ItemAdded, ItemDeleted (toIndex unused) or ItemReordered.
  virtual HRESULT FireItemEvent(LONG dispid, VARIANT item, LONG toIndex) = 0;
  virtual HRESULT FireViewRefreshed(IActiveView* view, LONG phase, VARIANT data,
                                    IUnknown* envelope) = 0;
  virtual HRESULT FireAfterDraw(IUnknown* display, LONG phase) = 0;
  virtual HRESULT FireAfterItemDraw(SHORT index, IUnknown* display, LONG phase) = 0;
  // handled / abortClose: true when any sink set it true.
  virtual HRESULT FireOnContextMenu(LONG x, LONG y, VARIANT_BOOL* handled) = 0;
  virtual HRESULT FireBeforeCloseDocument(VARIANT_BOOL* abortClose) = 0;
  virtual HRESULT get_ConnectionCount(LONG* count) = 0;
};

namespace velk::productline {

inline constexpr CLSID CLSID_ZelExtension = MakeGuid("{EA3A8DE5-30D4-46A8-9535-C4992C0A1415}");

class ZelExtension : public ComObjectRoot<ZelExtension, IZelExtension, IExtension, IExtensionConfig,
                                          IZelExtensionEventSource,
                                          ConnectionPointContainerImpl<IZelExtensionEvents>>,
                     public host::MapObserver {
 public:
  // Makes the settings environment.
  HRESULT FinalConstruct();
  void FinalRelease();

  HRESULT get_Settings(IZelSettings** settings) override;

  HRESULT get_Name(BSTR* name) override;
  // Starts relaying the map changes of the application's document (initData: the application).
  HRESULT Startup(VARIANT* initData) override;
  // Stops relaying and disconnects every event sink.
  HRESULT Shutdown() override;

  HRESULT get_ProductName(BSTR* name) override;
  HRESULT get_Description(BSTR* description) override;
  HRESULT get_State(LONG* state) override;
  HRESULT put_State(LONG state) override;

  HRESULT FireEvent(LONG dispid) override;
  HRESULT FireItemEvent(LONG dispid, VARIANT item, LONG toIndex) override;
  HRESULT FireViewRefreshed(IActiveView* view, LONG phase, VARIANT data,
                            IUnknown* envelope) override;
  HRESULT FireAfterDraw(IUnknown* display, LONG phase) override;
  HRESULT FireAfterItemDraw(SHORT index, IUnknown* display, LONG phase) override;
  HRESULT FireOnContextMenu(LONG x, LONG y, VARIANT_BOOL* handled) override;
  HRESULT FireBeforeCloseDocument(VARIANT_BOOL* abortClose) override;
  HRESULT get_ConnectionCount(LONG* count) override;

  // Map changes of the document (relayed as ItemAdded, ItemDeleted, ContentsCleared).
  void LayerAdded(ILayer* layer) override;
  void LayerDeleted(ILayer* layer) override;
  void LayersCleared() override;

 private:
  void Relay(IDocument* document, host::MapObserver* observer);
  ComPtr<IZelSettings> settings_;
  ComPtr<IDocument> document_;
  LONG state_ = kExtensionEnabled;
};

HRESULT CreateZelExtension(IUnknown* outer, REFIID riid, void** ppv);

}  // namespace velk::productline
