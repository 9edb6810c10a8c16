// The host's feature-clip operation over its objects: a feature class cut to a rectangle into a
// new shapefile of a folder (analysis/feature_clip.h does the work).
#pragma once

#include "platform/com/bstr.h"
#include "platform/com/unknown.h"

struct IEnvelope;
struct IFeatureClass;

namespace velk::host {

// The rectangle is projected into the source's spatial reference first. The new class is
// opened from the folder's shapefile workspace. E_INVALIDARG for a null source or rectangle,
// or an empty name; E_FAIL (nothing written) when the source's data cannot be read or the
// shapefile cannot be written; the reason goes to *problem when given.
HRESULT ClipFeatureClass(IFeatureClass* source, IEnvelope* rectangle, BSTR folder, BSTR name,
                         IFeatureClass** result, std::wstring* problem = nullptr);

}  // namespace velk::host
