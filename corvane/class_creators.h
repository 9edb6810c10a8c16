// Where the creators that the class table (corvane/class_table.inc) names are declared: the
// object map includes this file. A subsystem that makes a class creatable adds its header here.
#pragma once

#include "catalog/options/options_sheet.h"
#include "coordinates/convert_coords.h"
#include "coordinates/coord_tool.h"
#include "coordinates/coord_tool_dockable.h"
#include "framework/menus_toolbars.h"
#include "terrain/hillshade/hillshade_command.h"
#include "terrain/radial/radial_los_command.h"
#include "terrain/linear_los/linear_los_command.h"
#include "terrain/terrain_tools/terrain_tool_control.h"
#include "terrain/terrain_tools/terrain_tools.h"
#include "platform/registry/server_module.h"

namespace velk::corvane {

// Creation routine of a class whose implementation this library does not carry yet.
HRESULT CreateUnavailable(IUnknown* outer, REFIID riid, void** ppv);

// The undo operation that adds catalog layers: not carried yet, and never aggregated.
HRESULT CreateAddZelLayersOperation(IUnknown* outer, REFIID riid, void** ppv);

}  // namespace velk::corvane
