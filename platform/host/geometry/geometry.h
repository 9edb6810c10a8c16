// Geometry of the host: points, multipoints, polylines, polygons and envelopes, with the copy
// interface and the relational tests. Coordinates are doubles in the units of the geometry's
// spatial reference (x = longitude, y = latitude for geographic systems).
#pragma once

#include "platform/com/unknown.h"

struct ISpatialReference;
struct IEnvelope;
struct IPoint;

// Geometry type codes; the shape types of feature classes use the same numbers.
constexpr LONG kGeometryNull = 0;
constexpr LONG kGeometryPoint = 1;
constexpr LONG kGeometryMultipoint = 2;
constexpr LONG kGeometryPolyline = 3;
constexpr LONG kGeometryPolygon = 4;
constexpr LONG kGeometryEnvelope = 5;
constexpr LONG kGeometryPath = 6;
constexpr LONG kGeometryAny = 7;
constexpr LONG kGeometryMultiPatch = 9;
constexpr LONG kGeometryRing = 11;
constexpr LONG kGeometryLine = 13;

// Every geometry answers this interface.
struct IGeometry : IUnknown {
  VELK_INTERFACE_ID("{E1D97A0F-2A42-414B-BE3C-65D050BB63EC}")
  virtual HRESULT get_GeometryType(LONG* type) = 0;
  virtual HRESULT get_IsEmpty(VARIANT_BOOL* empty) = 0;
  virtual HRESULT SetEmpty() = 0;
  virtual HRESULT get_SpatialReference(ISpatialReference** sr) = 0;
  // Gives the geometry a spatial reference; the coordinates stay as they are.
  virtual HRESULT put_SpatialReference(ISpatialReference* sr) = 0;
  // Projects the coordinates from the geometry's own reference into sr and then takes sr.
  // E_FAIL (geometry unchanged) when the geometry has no reference or either side is of the
  // unknown kind, or when a coordinate cannot be transformed; an empty geometry just takes sr.
  virtual HRESULT Project(ISpatialReference* sr) = 0;
  // A new envelope of the geometry's extent, with the geometry's reference.
  virtual HRESULT get_Envelope(IEnvelope** envelope) = 0;
  // Copies the extent into an existing envelope.
  virtual HRESULT QueryEnvelope(IEnvelope* envelope) = 0;
  virtual HRESULT get_ZAware(VARIANT_BOOL* aware) = 0;
  virtual HRESULT put_ZAware(VARIANT_BOOL aware) = 0;
  virtual HRESULT get_MAware(VARIANT_BOOL* aware) = 0;
  virtual HRESULT put_MAware(VARIANT_BOOL aware) = 0;
};

struct IPoint : IGeometry {
  VELK_INTERFACE_ID("{1CC0F858-51F8-494F-A93F-4169A5AD4DE4}")
  virtual HRESULT get_X(double* x) = 0;
  virtual HRESULT put_X(double x) = 0;
  virtual HRESULT get_Y(double* y) = 0;
  virtual HRESULT put_Y(double y) = 0;
  virtual HRESULT get_Z(double* z) = 0;
  virtual HRESULT put_Z(double z) = 0;
  virtual HRESULT get_M(double* m) = 0;
  virtual HRESULT put_M(double m) = 0;
  virtual HRESULT PutCoords(double x, double y) = 0;
  // E_FAIL when the point is empty.
  virtual HRESULT QueryCoords(double* x, double* y) = 0;
};

struct IEnvelope : IGeometry {
  VELK_INTERFACE_ID("{31372CEB-236F-4040-A8CE-FF93D5D85A8E}")
  virtual HRESULT get_XMin(double* v) = 0;
  virtual HRESULT put_XMin(double v) = 0;
  virtual HRESULT get_YMin(double* v) = 0;
  virtual HRESULT put_YMin(double v) = 0;
  virtual HRESULT get_XMax(double* v) = 0;
  virtual HRESULT put_XMax(double v) = 0;
  virtual HRESULT get_YMax(double* v) = 0;
  virtual HRESULT put_YMax(double v) = 0;
  virtual HRESULT get_Width(double* v) = 0;
  virtual HRESULT get_Height(double* v) = 0;
  // Corners in any order; they are sorted.
  virtual HRESULT PutCoords(double xmin, double ymin, double xmax, double ymax) = 0;
  virtual HRESULT QueryCoords(double* xmin, double* ymin, double* xmax, double* ymax) = 0;
  // Grows to hold the other envelope (an empty side takes the other one as it is).
  virtual HRESULT Union(IEnvelope* other) = 0;
  // Shrinks to the common part; no common part leaves the envelope empty.
  virtual HRESULT Intersect(IEnvelope* other) = 0;
  // asRatio true: width and height are multiplied by dx and dy about the centre; false: dx and
  // dy are added on each side.
  virtual HRESULT Expand(double dx, double dy, VARIANT_BOOL asRatio) = 0;
  // Moves the envelope so that its centre lies on the point.
  virtual HRESULT CenterAt(IPoint* centre) = 0;
  virtual HRESULT get_Center(IPoint** centre) = 0;
  virtual HRESULT get_LowerLeft(IPoint** corner) = 0;
  virtual HRESULT get_UpperLeft(IPoint** corner) = 0;
  virtual HRESULT get_UpperRight(IPoint** corner) = 0;
  virtual HRESULT get_LowerRight(IPoint** corner) = 0;
};

// The vertices of a multipoint, polyline or polygon, over all of its parts in order.
struct IPointCollection : IUnknown {
  VELK_INTERFACE_ID("{AB5780CF-462E-4594-9E0F-246736BD6EE9}")
  virtual HRESULT get_PointCount(LONG* count) = 0;
  // A new point holding a copy of vertex index (E_INVALIDARG out of range).
  virtual HRESULT get_Point(LONG index, IPoint** point) = 0;
  // Appends a copy of the point to the last part (a first part is started when there is none).
  virtual HRESULT AddPoint(IPoint* point) = 0;
  virtual HRESULT InsertPoint(LONG before, IPoint* point) = 0;
  virtual HRESULT UpdatePoint(LONG index, IPoint* point) = 0;
  virtual HRESULT RemovePoints(LONG index, LONG count) = 0;
};

// The parts (paths of a polyline, rings of a polygon) of a geometry.
struct IPartCollection : IUnknown {
  VELK_INTERFACE_ID("{991C1F76-3DD7-4D12-B9E9-A645484D8773}")
  virtual HRESULT get_PartCount(LONG* count) = 0;
  virtual HRESULT get_PartPointCount(LONG part, LONG* count) = 0;
  // The next AddPoint begins a new part.
  virtual HRESULT StartPart() = 0;
};

struct IMultipoint : IGeometry {
  VELK_INTERFACE_ID("{AC699D09-40B8-4B60-9E80-F5D0B431FFC2}")
};

struct IPolyline : IGeometry {
  VELK_INTERFACE_ID("{D641CF63-7BC4-46E3-ADD3-34C9A974AF56}")
  // Planar length in the units of the coordinates.
  virtual HRESULT get_Length(double* length) = 0;
  virtual HRESULT get_FromPoint(IPoint** point) = 0;
  virtual HRESULT get_ToPoint(IPoint** point) = 0;
};

// Measures along a line.
struct IMSegmentation : IUnknown {
  VELK_INTERFACE_ID("{326085F9-A81D-4051-BCB6-C2ABC6475DDE}")
  // Every vertex's m becomes its planar distance along the line from the line's start (parts
  // follow on one another), divided by the length when asRatio; the line becomes m-aware.
  virtual HRESULT SetMsAsDistance(VARIANT_BOOL asRatio) = 0;
};

struct IPolygon : IGeometry {
  VELK_INTERFACE_ID("{959E0958-ACF9-459A-86F1-121E02256ADB}")
  // Planar area (rings after the first count as holes when they lie inside it).
  virtual HRESULT get_Area(double* area) = 0;
  virtual HRESULT get_Length(double* perimeter) = 0;
  // Closes every ring whose last vertex differs from its first.
  virtual HRESULT Close() = 0;
};

// Copies of geometries (and other host value objects).
struct IClone : IUnknown {
  VELK_INTERFACE_ID("{0A00BF95-B03F-41B0-B4FA-7BE94B5AC6E9}")
  virtual HRESULT Clone(IClone** copy) = 0;
  // Same kind, same spatial reference and the same coordinates.
  virtual HRESULT IsEqual(IClone* other, VARIANT_BOOL* equal) = 0;
  // Makes this object a copy of the other (E_INVALIDARG for another kind).
  virtual HRESULT Assign(IClone* other) = 0;
};

// Relational tests between two geometries; the other geometry is projected into this one's
// spatial reference first when both have one.
struct IRelationalOperator : IUnknown {
  VELK_INTERFACE_ID("{4B6EAF63-7DA5-4764-B5A3-749E4E2B0335}")
  virtual HRESULT Contains(IGeometry* other, VARIANT_BOOL* result) = 0;
  virtual HRESULT Within(IGeometry* other, VARIANT_BOOL* result) = 0;
  virtual HRESULT Disjoint(IGeometry* other, VARIANT_BOOL* result) = 0;
  virtual HRESULT Touches(IGeometry* other, VARIANT_BOOL* result) = 0;
  virtual HRESULT Overlaps(IGeometry* other, VARIANT_BOOL* result) = 0;
  virtual HRESULT Crosses(IGeometry* other, VARIANT_BOOL* result) = 0;
  virtual HRESULT Equals(IGeometry* other, VARIANT_BOOL* result) = 0;
};
