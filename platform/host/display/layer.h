// The host's layer interfaces: the general layer interface every layer of a map answers, the
// group (composite) layer interface, and the layer enumeration that maps hand out.
#pragma once

#include "platform/com/bstr.h"
#include "platform/com/unknown.h"

// The host's general layer interface.
struct ILayer : IUnknown {
  VELK_INTERFACE_ID("{70F297E9-3114-4311-AC41-5D148B6D494A}")
  // The layer's name as the map's table of contents shows it (a new BSTR for the caller).
  virtual HRESULT get_Name(BSTR* name) = 0;
  virtual HRESULT put_Name(BSTR name) = 0;
  virtual HRESULT get_Visible(VARIANT_BOOL* visible) = 0;
  virtual HRESULT put_Visible(VARIANT_BOOL visible) = 0;
  // Whether the layer's data source could be reached.
  virtual HRESULT get_Valid(VARIANT_BOOL* valid) = 0;
};

// A layer that holds further layers (group layers); maps recurse into them on request.
struct ICompositeLayer : IUnknown {
  VELK_INTERFACE_ID("{B302928D-90CE-42F9-A44B-AB6F872870C7}")
  virtual HRESULT get_Count(LONG* count) = 0;
  // E_INVALIDARG for an index outside 0 .. count - 1.
  virtual HRESULT get_Layer(LONG index, ILayer** layer) = 0;
};

// An enumeration of layers. Next gives S_OK with a layer, or S_FALSE and a null layer at the
// end; Reset starts again from the first layer.
struct IEnumLayer : IUnknown {
  VELK_INTERFACE_ID("{BBAC1CD8-7706-4E7A-8BE1-F45A42FD325D}")
  virtual HRESULT Next(ILayer** layer) = 0;
  virtual HRESULT Reset() = 0;
};
