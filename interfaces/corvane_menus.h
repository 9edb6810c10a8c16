// The own interfaces of Corvane's five command bars. They add nothing to IUnknown: they name
// the bar, and the host reads the bar through its menu or toolbar definition.
#pragma once

#include "platform/com/unknown.h"

struct IZelMainMenu : IUnknown {
  VELK_INTERFACE_ID("{105CC322-774C-4947-BD7D-A93C4398B566}")
};

struct IZelConversionMenu : IUnknown {
  VELK_INTERFACE_ID("{65ECBBB6-CA3C-4227-B795-020312AEC8CC}")
};

struct IZelMainToolbar : IUnknown {
  VELK_INTERFACE_ID("{4CB62E47-C73A-4FE8-ABBE-FA095A31A949}")
};

struct IZelMainMenuDdd : IUnknown {
  VELK_INTERFACE_ID("{341FB87F-B56F-4276-A7E0-21802DFFCE42}")
};

struct IZelMainToolbarDdd : IUnknown {
  VELK_INTERFACE_ID("{80A1B0DD-B612-40EF-883F-C0424389BDAC}")
};
