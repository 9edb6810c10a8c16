// The two answers of a layer's class-identity interface: its class identifier and the versioned
// ProgID registered for it.
#pragma once

#include "platform/com/bstr.h"

namespace velk::lumeris {

// Writes clsid into *out; E_POINTER for a null pointer.
HRESULT ClassIdentityClsid(REFCLSID clsid, GUID* out);
// The registered ProgID of clsid as a new BSTR; E_POINTER for a null out pointer; a failed
// lookup is returned as it stands (with *out null).
HRESULT ClassIdentityProgId(REFCLSID clsid, BSTR* out);

}  // namespace velk::lumeris
