// The product line's filters of the host's browse dialog that offer catalogs of one kind:
// DTED, RPF, VPF and managed (geodatabase) VPF catalogs, all kept as tables of a database.
#pragma once

#include <vector>

#include "platform/com/base_types.h"

namespace velk::productline {

inline constexpr CLSID CLSID_QcFilterZelDtedCatalog =
    MakeGuid("{5C2B8E41-7A0D-4F93-B6E2-1D4F8A3C9E01}");
inline constexpr CLSID CLSID_QcFilterZelRpfCatalog =
    MakeGuid("{5C2B8E41-7A0D-4F93-B6E2-1D4F8A3C9E02}");
inline constexpr CLSID CLSID_QcFilterZelVpfCatalog =
    MakeGuid("{5C2B8E41-7A0D-4F93-B6E2-1D4F8A3C9E03}");
inline constexpr CLSID CLSID_QcFilterZelManagedVpfCatalog =
    MakeGuid("{5C2B8E41-7A0D-4F93-B6E2-1D4F8A3C9E04}");

// Registers the four filters in the process; the cookies for RevokeProcessClass.
std::vector<DWORD> RegisterCatalogFilterClasses();

}  // namespace velk::productline
