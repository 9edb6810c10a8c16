// The host's raster analysis environment: the settings a raster analysis runs with (where its
// output goes, its spatial reference, cell size and extent). A new environment starts from
// the host's default environment; an environment can make its own settings the default.
#pragma once

#include "platform/com/object.h"
#include "platform/com/variant.h"

struct ISpatialReference;
struct IWorkspace;

// Cell size kinds: the largest or smallest cells of the inputs, or a given size.
constexpr LONG kCellSizeMaxOfInputs = 1;
constexpr LONG kCellSizeMinOfInputs = 2;
constexpr LONG kCellSizeValue = 3;
// Extent kinds: the inputs' common area or their union, or a given envelope.
constexpr LONG kExtentIntersectionOfInputs = 1;
constexpr LONG kExtentUnionOfInputs = 2;
constexpr LONG kExtentValue = 3;

struct IRasterAnalysisEnvironment : IUnknown {
  VELK_INTERFACE_ID("{CDDE4069-39DD-423F-8335-FAC26B32FF5C}")
  // Where outputs are written (null: the analysis chooses).
  virtual HRESULT get_OutWorkspace(IWorkspace** workspace) = 0;
  virtual HRESULT putref_OutWorkspace(IWorkspace* workspace) = 0;
  // The spatial reference of outputs (null: the inputs').
  virtual HRESULT get_OutSpatialReference(ISpatialReference** sr) = 0;
  virtual HRESULT putref_OutSpatialReference(ISpatialReference* sr) = 0;
  virtual HRESULT GetCellSize(LONG* kind, double* size) = 0;
  // For kCellSizeValue, size is a number above 0 (any numeric VARIANT); the other kinds take no
  // size (size may be null). E_INVALIDARG, and nothing changes, otherwise.
  virtual HRESULT SetCellSize(LONG kind, VARIANT* size) = 0;
  // The extent kind and, for kExtentValue, a copy of the envelope (null otherwise).
  virtual HRESULT GetExtent(LONG* kind, IUnknown** extent) = 0;
  // For kExtentValue, extent holds the envelope (or a geometry, whose envelope is taken), or
  // VT_BOOL true for the default environment's envelope; the other kinds ignore it. The snap
  // raster, when given, must be empty: this host does not snap. E_INVALIDARG, and nothing
  // changes, otherwise.
  virtual HRESULT SetExtent(LONG kind, VARIANT* extent, VARIANT* snapRaster) = 0;
  // Checks that the settings can be run: an output workspace that is set still exists.
  // E_FAIL when it does not.
  virtual HRESULT Validate() = 0;
  // Makes these settings the default that new environments start from.
  virtual HRESULT SetAsNewDefaultEnvironment() = 0;
};

namespace velk::host {

inline constexpr CLSID CLSID_RasterAnalysis = MakeGuid("{F0399B31-A38B-46FC-9657-CFD817A17F0D}");

HRESULT CreateRasterAnalysisObject(IUnknown* outer, REFIID riid, void** ppv);

// Back to the host's first default: no workspace, no spatial reference, the inputs' largest
// cells and common area. A host session starts with it.
void ResetDefaultRasterAnalysisEnvironment();

}  // namespace velk::host
