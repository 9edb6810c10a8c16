// The host's set object: an ordered collection of object references, walked with Next.
#pragma once

#include "platform/com/object.h"

struct ISet : IUnknown {
  VELK_INTERFACE_ID("{D7957445-2471-434B-AC22-59857D38C229}")
  virtual HRESULT Add(IUnknown* item) = 0;
  // S_FALSE when the set does not hold the item.
  virtual HRESULT Remove(IUnknown* item) = 0;
  virtual HRESULT Find(IUnknown* item, VARIANT_BOOL* found) = 0;
  virtual HRESULT get_Count(LONG* count) = 0;
  // S_OK with the next item, or S_FALSE and null at the end.
  virtual HRESULT Next(IUnknown** item) = 0;
  virtual HRESULT Reset() = 0;
};

namespace velk::host {

inline constexpr CLSID CLSID_Set = MakeGuid("{B58252F6-0DB4-42C1-A523-97F709A50289}");

HRESULT CreateSetObject(IUnknown* outer, REFIID riid, void** ppv);

}  // namespace velk::host
