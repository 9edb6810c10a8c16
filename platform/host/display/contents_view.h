// The document's table of contents (its contents view), and tables shown in a map beside its
// layers (standalone tables).
#pragma once

#include <vector>

#include "platform/com/object.h"
#include "platform/host/data/table.h"
#include "platform/host/display/refresh_counter.h"

// The list of a document's layers and tables that the user sees beside the map.
struct IContentsView : IUnknown {
  VELK_INTERFACE_ID("{3C9D1E57-8A2B-4F60-B4D3-7E1A5C2F9B08}")
  // Redraws the list from the document's maps.
  virtual HRESULT Refresh() = 0;
  // How often it was redrawn (the headless host keeps count).
  virtual HRESULT get_RefreshCount(LONG* count) = 0;
};

// A document that shows a contents view.
struct IContentsViewHost : IUnknown {
  VELK_INTERFACE_ID("{6A0F2C84-3D5E-4B71-9E26-C81B4A7D5F39}")
  virtual HRESULT get_CurrentContentsView(IContentsView** view) = 0;
};

// A table shown in a map.
struct IStandaloneTable : IUnknown {
  VELK_INTERFACE_ID("{B2E74D19-5C3A-4E8F-A61D-0F9C3B7E2A46}")
  virtual HRESULT get_Table(ITable** table) = 0;
  // Takes the table; the name becomes the table's dataset name unless one was given.
  virtual HRESULT putref_Table(ITable* table) = 0;
  virtual HRESULT get_Name(BSTR* name) = 0;
  virtual HRESULT put_Name(BSTR name) = 0;
};

// The standalone tables of a map, in the order added.
struct IStandaloneTableCollection : IUnknown {
  VELK_INTERFACE_ID("{D47A0B3E-9F16-4C25-8B7E-2A5D6C1F0E93}")
  virtual HRESULT get_StandaloneTableCount(LONG* count) = 0;
  // E_INVALIDARG outside 0 .. count - 1.
  virtual HRESULT get_StandaloneTable(LONG index, IStandaloneTable** table) = 0;
  // E_POINTER for none; S_FALSE when the map holds it already.
  virtual HRESULT AddStandaloneTable(IStandaloneTable* table) = 0;
};

namespace velk::host {

inline constexpr CLSID CLSID_StandaloneTable = MakeGuid("{E91C6F25-7B3D-4A08-9D54-3F2E8B6A1C70}");
HRESULT CreateStandaloneTableObject(IUnknown* outer, REFIID riid, void** ppv);

class ContentsView : public RefreshCounter<ContentsView, IContentsView> {};

// The standalone tables a map holds.
class StandaloneTableList {
 public:
  HRESULT Count(LONG* count) const;
  HRESULT At(LONG index, IStandaloneTable** table) const;
  HRESULT Add(IStandaloneTable* table);

 private:
  std::vector<ComPtr<IStandaloneTable>> tables_;
};

}  // namespace velk::host
