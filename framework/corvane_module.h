// The Corvane library's module: object map, resource instances, start-up and shutdown.
#pragma once

#include "platform/registry/server_module.h"

namespace velk::corvane {

ServerModule& Module();

// The module the string-table texts and dialog templates come from (the localized module when
// one is installed, else Corvane itself); bitmaps, cursors and scripts come from Corvane.
res::ResourceModule* ResourceInstance();
res::ResourceModule* DeliverableInstance();

// A string-table text from the resource instance (empty when the id is missing).
std::wstring LoadResString(UINT id);

// Process attach and detach; run by the loader, callable again by tests.
void ProcessAttach();
void ProcessDetach();

}  // namespace velk::corvane
