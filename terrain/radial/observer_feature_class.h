// The observer feature class of the radial line of sight: a point shapefile whose fields
// (framework/observer_fields.h) carry each observer's heights and ranges to the host's
// visibility operation and to the tools that read observers back (threat dome, 3-D viewer,
// fly-through).
#pragma once

#include <string>

#include "framework/observer_fields.h"
#include "platform/com/bstr.h"
#include "platform/host/data/feature_class.h"
#include "platform/host/data/field.h"
#include "platform/host/geometry/spatial_reference.h"
#include "terrain/radial/radial_los_observer.h"

namespace velk::corvane {

// One field definition put into the field set (flags: nullable, required).
void PutFieldDefinition(IFieldsEdit* fields, const wchar_t* name, LONG type, LONG length,
                        LONG precision, LONG scale, bool nullable, bool required);

// A new point shapefile fileName ("losloc0000.shp") in folder, in the spatial reference, with
// the observer fields ("SPOT" only when withSpot). Null for an empty file name; a COM error
// when the folder or the host refuses it.
ComPtr<IFeatureClass> CreateObserverFeatureClass(const std::wstring& folder,
                                                 const std::wstring& fileName,
                                                 ISpatialReference* sr, bool withSpot);

// Stores one feature: the point (made two-dimensional) and every observer field the class
// has ("SPOT" only when withSpot). E_FAIL without a class; a write the file refuses (a value
// too wide for its field) returns its failure and stores nothing.
HRESULT WriteObserverFields(IFeatureClass* featureClass, IPoint* point,
                            const RadialLosObserver& observer, bool withSpot);

}  // namespace velk::corvane
