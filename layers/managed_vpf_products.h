// How the managed VPF layer tells its products apart: the library name prefix under which a
// product's features are kept in the geodatabase, the product kind and key a prefix or key
// stands for, and the coverage and feature class in a library feature class's name.
#pragma once

#include <string>

#include "platform/com/base_types.h"

namespace velk::lumeris {

// GeoSym product kinds: 1 VMAP level 0, 2 level 1, 3 level 2, 4 UVMAP, 5 DNC; 0 none.
struct VpfProductKind {
  LONG kind = 0;
  std::wstring key;  // "VMAP$VMAP Level 1", "DNC$DNC Harbor"; empty when not known
};

// The prefix of a catalog PRODUCT value ("VMAP$VMAP Level 0" -> "vmaplv0", "DNC$DNC Harbor" ->
// "DNCH"), compared case-sensitively; empty for a product without one.
std::wstring ManagedVpfPrefix(const std::wstring& product);

// What a prefix or product key stands for, by the substrings of its lower-case form: "uvmap",
// else "vmap" with "1", "0" or neither (level 2), else "dnc" with "dnca", "dncc", "dncg" or
// "dnch" (another DNC name has kind 5 and no key).
VpfProductKind ClassifyVpfProduct(const std::wstring& text);

// The product key whose scale range a draw takes from the VPF product table: the key of the
// VMAP kinds (1 to 4); empty for the others, whose groups keep their ranges.
std::wstring ScaleTableKey(const std::wstring& productKey);

// Coverage and feature class of a library feature class named prefix "_" coverage "_" class
// (the prefix compared without letter case); false for a name that is not of the prefix or
// lacks either part.
bool SplitLibraryClassName(const std::wstring& name, const std::wstring& prefix,
                           std::wstring* coverage, std::wstring* featureClass);

}  // namespace velk::lumeris
