// The results of a radial line-of-sight run on the map: one group layer holding the observers'
// field-of-view outlines (a graphics layer), the observer points and the visibility coverage
// drawn by its "GRIDCODE" values.
#pragma once

#include <string>

#include "framework/hook_struct.h"
#include "interfaces/zel_settings.h"
#include "platform/host/data/feature_class.h"
#include "platform/host/display/graphics.h"
#include "platform/host/display/layer.h"
#include "terrain/radial/radial_los_observer.h"

namespace velk::corvane {

struct RadialVisibilityNames {
  std::wstring group;     // "Radial Visibility <n> of <layer>"
  std::wstring points;    // "Location for Visibility <n> of <layer>"
  std::wstring coverage;  // "Visibility <n> of <layer>"
};

// Adds one observer's outline to the group (made, with the points and coverage layers, and
// added to the focus map on the first call of a run, when previous is null) and returns the
// group. Without an observer class: previous unchanged.
ComPtr<ILayer> AddRadialVisibilityLayers(HookStruct& hook, ILayer* previous,
                                         IFeatureClass* observers, IFeatureClass* coverage,
                                         const RadialVisibilityNames& names,
                                         const RadialLosObserver& observer,
                                         ITerrainSettings* settings);

// The observer points drawn with the settings' observer symbol; null without a class.
ComPtr<ILayer> MakeObserverPointsLayer(IFeatureClass* observers, const std::wstring& name,
                                       ITerrainSettings* settings);
// The coverage drawn by the distinct "GRIDCODE" values (0 left out when others exist) with the
// settings' visible symbol, half transparent; null without a class.
ComPtr<ILayer> MakeCoverageLayer(IFeatureClass* coverage, const std::wstring& name,
                                 ITerrainSettings* settings);

// Replace a polygon element's fill symbol by a copy with another fill style or outline colour.
void SetElementFillStyle(IElement* element, LONG style);
void SetElementOutlineColour(IElement* element, LONG rgb);

}  // namespace velk::corvane
