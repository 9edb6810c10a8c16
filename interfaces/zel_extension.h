// The product's extension object and its outgoing events.
#pragma once

#include "interfaces/zel_settings.h"
#include "platform/com/unknown.h"
#include "platform/com/variant.h"

struct IActiveView;

// The extension object loaded by the host: the way to every setting.
struct IZelExtension : IUnknown {
  VELK_INTERFACE_ID("{61C5A342-1123-42AC-BE5A-41793E0C5B63}")
  // The settings environment; non-null while the extension is loaded.
  virtual HRESULT get_Settings(IZelSettings** settings) = 0;
};

// Dispatch ids of the events, in slot order.
enum ZelExtensionEventId : LONG {
  kZelTestEvent = 1,
  kZelContentsChanged = 2,
  kZelContentsCleared = 3,
  kZelItemAdded = 4,
  kZelItemDeleted = 5,
  kZelItemReordered = 6,
  kZelSelectionChanged = 7,
  kZelViewRefreshed = 8,
  kZelAfterDraw = 9,
  kZelAfterItemDraw = 10,
  kZelFocusMapChanged = 11,
  kZelSpatialReferenceChanged = 12,
  kZelActiveViewChanged = 13,
  kZelMapsChanged = 14,
  kZelOnContextMenu = 15,
  kZelNewDocument = 16,
  kZelOpenDocument = 17,
  kZelBeforeCloseDocument = 18,
  kZelCloseDocument = 19,
};

// What the extension object reports of the map document. Displays and envelopes are host
// objects passed as they come.
struct IZelExtensionEvents : IUnknown {
  VELK_INTERFACE_ID("{69D969A5-6363-461C-A8FE-ABAF1C28E5DA}")
  virtual HRESULT TestEvent() = 0;
  virtual HRESULT ContentsChanged() = 0;
  virtual HRESULT ContentsCleared() = 0;
  virtual HRESULT ItemAdded(VARIANT item) = 0;
  virtual HRESULT ItemDeleted(VARIANT item) = 0;
  virtual HRESULT ItemReordered(VARIANT item, LONG toIndex) = 0;
  virtual HRESULT SelectionChanged() = 0;
  virtual HRESULT ViewRefreshed(IActiveView* view, LONG phase, VARIANT data,
                                IUnknown* envelope) = 0;
  virtual HRESULT AfterDraw(IUnknown* display, LONG phase) = 0;
  virtual HRESULT AfterItemDraw(SHORT index, IUnknown* display, LONG phase) = 0;
  virtual HRESULT FocusMapChanged() = 0;
  virtual HRESULT SpatialReferenceChanged() = 0;
  virtual HRESULT ActiveViewChanged() = 0;
  virtual HRESULT MapsChanged() = 0;
  virtual HRESULT OnContextMenu(LONG x, LONG y, VARIANT_BOOL* handled) = 0;
  virtual HRESULT NewDocument() = 0;
  virtual HRESULT OpenDocument() = 0;
  virtual HRESULT BeforeCloseDocument(VARIANT_BOOL* abortClose) = 0;
  virtual HRESULT CloseDocument() = 0;
};
