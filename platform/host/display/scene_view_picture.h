// What a 3-D view control holds, for a person to look at: the scene as a binary glTF file
// (the ground from the scene's base surface, coloured by height, the feature layers draped on
// it, those in group layers too, the 3-D graphics, the camera as the view it opens on) and the
// camera's path as CSV.
#pragma once

#include <string>

#include "platform/com/unknown.h"

namespace velk::host {

struct ScenePictureOptions {
  // Ground samples along each side of the surface's extent.
  int groundSamples = 129;
};

// False with the reason when the object is no view control or the file cannot be written;
// nothing is left under the name then.
bool SaveScenePicture(IUnknown* control, const std::string& path, std::string* problem,
                      const ScenePictureOptions& options = {});

// One line per redraw of the view: tick (ms of the host clock), observer x, y, z, target x,
// y, z, in the scene's system.
bool SaveCameraPath(IUnknown* control, const std::string& path, std::string* problem);

}  // namespace velk::host
