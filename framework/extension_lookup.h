// Finding the product's extension object and the host's own extensions through the host's
// extension manager, and the enabled tests built on them.
#pragma once

#include "interfaces/zel_extension.h"
#include "platform/com/bstr.h"
#include "platform/host/shell/extension_manager.h"

namespace velk::corvane {

// Names of the host's analysis extensions, made once at start-up.
const Bstr& SorrelinName();  // "Sorrelin", the 3-D analysis extension
const Bstr& QuentaraName();  // "Quentara", the raster analysis extension

// The first loaded extension (lowest index) that answers IZelExtension; null when none does
// or the manager lacks its interface. A manager that cannot be created for another reason
// throws ComError with the creation's failure.
ComPtr<IZelExtension> FindZelExtension();

// The settings of the extension object as the per-area interface I; E_POINTER as a COM error
// when there is no extension object, it hands out no settings, or they lack I.
ComPtr<IZelSettings> RequireZelSettings();
template <class I>
ComPtr<I> RequireZelSettings() {
  ComPtr<IZelSettings> settings = RequireZelSettings();
  ComPtr<I> area = QueryAs<I>(settings.get());
  if (!area) ThrowComError(E_POINTER);
  return area;
}

// The host extension with that name, or null. Takes ownership of name and frees it.
ComPtr<IExtension> FindExtensionByName(BSTR name);

// True exactly when the named extension exists and its configuration state is 1. Takes
// ownership of name and frees it.
bool IsExtensionEnabled(BSTR name);

// The commands' base rule: the extension object exists and its configuration state is 1.
bool IsZelExtensionEnabled();

}  // namespace velk::corvane
