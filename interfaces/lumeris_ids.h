// Class identifiers and type libraries of Lumeris, the catalog product layer library.
#pragma once

#include "platform/com/base_types.h"

namespace velk::ids {

inline constexpr CLSID CLSID_ZelRasterLayer = MakeGuid("{BB5E15B2-84D6-45D4-B69D-3DBF0600C0DA}");
inline constexpr CLSID CLSID_ZelVectorLayer = MakeGuid("{C4844E0D-0B5D-454D-91B4-3D284EBCE010}");
inline constexpr CLSID CLSID_ZelDtedLayer = MakeGuid("{1A2B7533-1BF6-496B-98F5-2A091F30D265}");
inline constexpr CLSID CLSID_ZelManagedVpfLayer =
    MakeGuid("{439EE01E-5AC1-4F44-8E1E-0274F9066701}");
inline constexpr CLSID CLSID_ZelReferencedRpfLayer =
    MakeGuid("{2D8F808E-1F8E-4876-BAE3-A0B9D390E327}");

// The library's own type library (started with the module, named by the raster, vector and
// DTED layer scripts) and the one the managed VPF and referenced RPF layer scripts name.
inline constexpr GUID LIBID_Lumeris = MakeGuid("{390B7FB4-6D5D-4343-82B2-34F698709DE2}");
inline constexpr GUID LIBID_LumerisLayers = MakeGuid("{7451AC19-455A-4C0B-A015-DD3EBB2FB722}");

// The layer classes implement no component categories.

}  // namespace velk::ids
