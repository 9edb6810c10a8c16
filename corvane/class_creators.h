// Where the creators that the class table (framework/class_table.inc) names are declared: the
// object map includes this file. A subsystem that makes a class creatable adds its header here.
#pragma once

#include "catalog/data/load_data.h"
#include "catalog/data/new_catalog.h"
#include "catalog/layers/add_layer_command.h"
#include "catalog/layers/add_zel_layers_operation.h"
#include "catalog/layers/selected_layer.h"
#include "catalog/mosaic/mosaic_command.h"
#include "catalog/options/options_sheet.h"
#include "catalog/vpf_export/vpf_export_command.h"
#include "coordinates/convert_coords.h"
#include "coordinates/coord_tool.h"
#include "coordinates/coord_tool_dockable.h"
#include "framework/menus_toolbars.h"
#include "terrain/hillshade/hillshade_command.h"
#include "terrain/fly_through/fly_through_command.h"
#include "terrain/radial/radial_los_command.h"
#include "terrain/linear_los/linear_los_command.h"
#include "terrain/terrain_tools/terrain_tool_control.h"
#include "terrain/terrain_tools/terrain_tools.h"
#include "terrain/viewer3d/ddd_viewer.h"
#include "terrain/threat_dome/threat_dome_command.h"
#include "platform/registry/server_module.h"

