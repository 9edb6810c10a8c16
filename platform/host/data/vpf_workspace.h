// The host's VPF workspaces: a VPF database folder (the one holding "dht" and "lat") read through
// GDAL's OGDI driver, read-only. Its feature classes are named library ":" coverage ":" class
// ("lib1:pop:builtp"); a feature-class name object opens one by its class name and the name of
// its feature dataset (library ":" coverage), whose workspace name carries the database path.
#pragma once

#include "platform/com/object.h"
#include "platform/host/data/dataset.h"

// A feature class named within its feature dataset.
struct IFeatureClassName : IUnknown {
  VELK_INTERFACE_ID("{3D5E1E5B-7C0A-4E8F-9F53-0B8E1C6A2D41}")
  virtual HRESULT get_FeatureDatasetName(IDatasetName** name) = 0;
  virtual HRESULT putref_FeatureDatasetName(IDatasetName* name) = 0;
};

namespace velk::host {

inline constexpr CLSID CLSID_VpfWorkspaceFactory =
    MakeGuid("{6F4B8A57-2C1D-4E39-8B0A-5D7E9C3F1A62}");
inline constexpr CLSID CLSID_FeatureClassName = MakeGuid("{A1C3E5F7-0B2D-4F6E-8A9C-1E3F5A7B9D20}");

HRESULT CreateVpfWorkspaceFactory(IUnknown* outer, REFIID riid, void** ppv);
// IDatasetName (type feature class), IFeatureClassName and IName: opens the feature class named
// "<feature dataset name>:<name>" in the feature dataset name's workspace.
HRESULT CreateFeatureClassNameObject(IUnknown* outer, REFIID riid, void** ppv);

}  // namespace velk::host
