// A globe-camera track written for a person to check the flight in other tools: as CSV (one
// row per keyframe: observer and target longitude, latitude and height in metres) and as KML
// (the camera's and the target's paths as lines, and a tour that flies the keyframes). Heights
// are the keyframes' kilometres times the height factor, turned back into metres.
#pragma once

#include <string>
#include <vector>

#include "platform/host/display/animation.h"

namespace velk::host {

// One keyframe of a globe-camera track, heights in metres.
struct CameraKeyframeRow {
  std::wstring name;
  double observerLon = 0, observerLat = 0, observerHeight = 0;
  double targetLon = 0, targetLat = 0, targetHeight = 0;
};

// The keyframes of a globe-camera track; E_INVALIDARG for a track of another type or a height
// factor that is not above 0.
HRESULT ReadCameraKeyframes(IAnimationTrack* track, double heightFactor,
                            std::vector<CameraKeyframeRow>* rows);

// Each writer replaces the file only with a complete one (written beside it, then renamed);
// a track without keyframes is refused (E_INVALIDARG) and nothing is written; a file that
// cannot be written gives E_FAIL and the old file stays.
HRESULT WriteTrackCsv(IAnimationTrack* track, double heightFactor, const std::string& path);
HRESULT WriteTrackKml(IAnimationTrack* track, double heightFactor, const std::string& path);

}  // namespace velk::host
