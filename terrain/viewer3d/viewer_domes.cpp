#include "terrain/viewer3d/viewer_domes.h"

namespace velk::corvane {

ViewerDome BuildViewerDome(IPoint*, double, ISurface*, double, double) { return {}; }

}  // namespace velk::corvane
