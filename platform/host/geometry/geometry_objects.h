// The host's geometry classes (point, envelope, multipoint, polyline, polygon) and shortcuts
// that make them without going through the class table.
#pragma once

#include "platform/com/object.h"
#include "platform/host/geometry/geometry.h"
#include "platform/host/geometry/spatial_reference.h"

namespace velk::host {

// Creation routines of the class table (plain or aggregated).
HRESULT CreatePointObject(IUnknown* outer, REFIID riid, void** ppv);
HRESULT CreateEnvelopeObject(IUnknown* outer, REFIID riid, void** ppv);
HRESULT CreateMultipointObject(IUnknown* outer, REFIID riid, void** ppv);
HRESULT CreatePolylineObject(IUnknown* outer, REFIID riid, void** ppv);
HRESULT CreatePolygonObject(IUnknown* outer, REFIID riid, void** ppv);

ComPtr<IPoint> NewPoint();
ComPtr<IPoint> NewPoint(double x, double y, ISpatialReference* sr = nullptr);
ComPtr<IEnvelope> NewEnvelope();
ComPtr<IEnvelope> NewEnvelope(double xmin, double ymin, double xmax, double ymax,
                              ISpatialReference* sr = nullptr);
ComPtr<IMultipoint> NewMultipoint();
ComPtr<IPolyline> NewPolyline();
ComPtr<IPolygon> NewPolygon();

}  // namespace velk::host
