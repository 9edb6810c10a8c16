// The linear line of sight's results: the lines-of-sight shapefile (seen and hidden stretches),
// one point shapefile for the observer and one for the target, and the group layer that shows
// the three with the terrain settings' symbols. Also the graph window lookup of the profile.
#pragma once

#include <string>
#include <vector>

#include "framework/hook_struct.h"
#include "interfaces/zel_settings.h"
#include "platform/host/documents/data_graph.h"
#include "platform/host/data/feature_class.h"
#include "platform/host/geometry/geometry.h"
#include "platform/host/display/layer.h"
#include "platform/host/geometry/spatial_reference.h"

namespace velk::corvane {

// Width of the location files' "ID" field: "PointLocation" whole.
constexpr LONG kLocationIdWidth = 16;

// An attribute field of a new shapefile (host field type, width, precision and scale when
// above 0).
struct ShapefileField {
  const wchar_t* name;
  LONG type;
  LONG length;
  LONG precision = 0;
  LONG scale = 0;
};

// A new shapefile named after fileName's base name in folder: the shape field "shape" of the
// geometry type in sr (with heights and measures when asked) and the fields. Null when the
// workspace makes no class.
ComPtr<IFeatureClass> CreateShapefileClass(const std::wstring& folder,
                                           const std::wstring& fileName, LONG geometryType,
                                           ISpatialReference* sr, bool z, bool m,
                                           const std::vector<ShapefileField>& fields);

// A polyline shapefile named after fileName's base name in folder, with the short field
// "Visible": the seen lines as record 1 (1), the hidden lines as record 2 (0); either may be
// null. zAware: the shapes keep their heights. Null when the workspace makes no class.
ComPtr<IFeatureClass> CreateSightLineFeatureClass(const std::wstring& folder,
                                                  const std::wstring& fileName,
                                                  IPolyline* visible, IPolyline* invisible,
                                                  ISpatialReference* sr, bool zAware);

// A z-aware point shapefile with one record: the point, "ID" = "PointLocation" and "OFFSET" =
// offset (metres). Null when the workspace makes no class.
ComPtr<IFeatureClass> CreateLocationFeatureClass(const std::wstring& folder,
                                                 const std::wstring& fileName, IPoint* point,
                                                 double offset, ISpatialReference* sr);

// Makes the point z-aware and m-aware.
void MakePointAware(IPoint* point);

struct LinearLosLayerTexts {
  std::wstring group;
  std::wstring start;
  std::wstring end;
  std::wstring lines;
};

// The group layer (lines, observer, target) added to the focus map; null, and nothing added,
// without both point classes. The lines layer draws "VISIBLE" 0 and 1 with the hidden and
// seen symbols.
ComPtr<ILayer> AddLinearLosResultLayers(HookStruct& hook, ITerrainSettings* settings,
                                        IFeatureClass* startClass, IFeatureClass* endClass,
                                        IFeatureClass* linesClass,
                                        const LinearLosLayerTexts& texts);

// The first of the application's graph windows that shows the graph; null when none does.
ComPtr<IGraphWindow> FindGraphWindow(HookStruct& hook, IDataGraph* graph);

}  // namespace velk::corvane
