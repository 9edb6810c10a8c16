// The product line's localized-resource loader: a library's texts and dialogs in the user's
// language, when such a module is installed under <host root>/localized/<library name>/.
#pragma once

#include "platform/win/resource_module.h"

namespace VelkLocale {

// The localized module for a library's own resource module, or null when none is installed.
HINSTANCE LoadLocalizedRes(HINSTANCE deliverable);
// Frees a module returned by LoadLocalizedRes.
void FreeLocalizedRes(HINSTANCE localized);

}  // namespace VelkLocale
