// 3-D geometries made of parts: a multipatch gathers triangle strips and triangle fans (its
// surface), a polyline gathers paths. Each part is a geometry of its own that collects points
// and is copied into its whole when added; parts and points keep their z and m.
#pragma once

#include "platform/com/object.h"
#include "platform/host/geometry/geometry.h"

constexpr LONG kGeometryTriangleStrip = 18;
constexpr LONG kGeometryTriangleFan = 19;

// Part kinds of a multipatch, with the numbers its shapefile records store.
constexpr LONG kPatchTriangleStrip = 0;
constexpr LONG kPatchTriangleFan = 1;

// The parts of a multipatch (strips and fans) or of a polyline (paths), in order.
struct IGeometryCollection : IUnknown {
  VELK_INTERFACE_ID("{5B2D9C61-0A8E-4F37-9D44-71C2E8A0B3F5}")
  virtual HRESULT get_GeometryCount(LONG* count) = 0;
  // A new geometry holding a copy of part index (E_INVALIDARG out of range).
  virtual HRESULT get_Geometry(LONG index, IGeometry** part) = 0;
  // Appends a copy of the part: a strip or fan to a multipatch, a path (or the paths of a
  // polyline) to a polyline; E_INVALIDARG for any other kind.
  virtual HRESULT AddGeometry(IGeometry* part) = 0;
};

struct IMultiPatch : IGeometry {
  VELK_INTERFACE_ID("{0E6E4A73-5A1B-4F0B-8D5C-3A9C7F21D6E8}")
};
// One part each: its points in order (IPointCollection).
struct ITriangleStrip : IGeometry {
  VELK_INTERFACE_ID("{9C3A7E55-2D14-4B8A-A6F0-5E81C4D2B937}")
};
struct ITriangleFan : IGeometry {
  VELK_INTERFACE_ID("{4F81B2C6-93DA-4E07-B5A1-C82D6E3F7A49}")
};
struct IPath : IGeometry {
  VELK_INTERFACE_ID("{A7D35E19-6C42-4B8F-9E03-2F6B8C1D5A74}")
};

namespace velk::host {

inline constexpr CLSID CLSID_MultiPatch = MakeGuid("{3C1E7B28-9A54-4D6F-B3E2-8F0A5C6D2E91}");
inline constexpr CLSID CLSID_TriangleStrip = MakeGuid("{D6A42F83-1B7C-4E59-8A3D-6C9E0F2B5A17}");
inline constexpr CLSID CLSID_TriangleFan = MakeGuid("{82E5C1A9-4F3B-4D76-9B08-E1A7D3C65F24}");
inline constexpr CLSID CLSID_Path = MakeGuid("{61B9D4E2-7A05-4C83-B6F1-3D8E2A9C0B56}");

HRESULT CreateMultiPatchObject(IUnknown* outer, REFIID riid, void** ppv);
HRESULT CreateTriangleStripObject(IUnknown* outer, REFIID riid, void** ppv);
HRESULT CreateTriangleFanObject(IUnknown* outer, REFIID riid, void** ppv);
HRESULT CreatePathObject(IUnknown* outer, REFIID riid, void** ppv);

}  // namespace velk::host
