// The host's feature-data converter: copies the features of a feature class into a new
// shapefile or database feature class through GDAL's vector translate.
#pragma once

#include "platform/com/object.h"
#include "platform/com/bstr.h"
#include "platform/win/window_handle.h"

struct IFeatureClass;
struct IQueryFilter;
struct ISelectionSet;
struct ISpatialReference;
struct IWorkspaceName;

struct IFeatureDataConverter : IUnknown {
  VELK_INTERFACE_ID("{8B3F1D2E-5A6C-4F7B-9E0D-1C2B3A4F5E60}")
  // The features of input that the filter finds (its where clause; a spatial filter's geometry
  // as the box the features must touch; null: all), or only those of the selection when one is
  // given, become the feature class name in the workspace output names (a folder of shapefiles
  // or a database), in target's spatial reference (null: the input's). A dataset of that name
  // is replaced once the new one is complete. count: the features written. E_INVALIDARG for a
  // name that is not allowed, E_ABORT when cancelled through the tracker (may be null),
  // E_DATA_WRITE_FAILED when nothing could be written; nothing is left behind by a failure.
  virtual HRESULT ConvertFeatureClass(IFeatureClass* input, IQueryFilter* filter,
                                      ISelectionSet* selection, IWorkspaceName* output,
                                      BSTR name, ISpatialReference* target, IUnknown* tracker,
                                      HWND parent, LONG* count) = 0;
};

namespace velk::host {

inline constexpr CLSID CLSID_FeatureDataConverter =
    MakeGuid("{9C4A2E3F-6B7D-4A8C-8F1E-2D3C4B5A6F71}");

HRESULT CreateFeatureDataConverterObject(IUnknown* outer, REFIID riid, void** ppv);

}  // namespace velk::host
