// Tables: rows and row buffers, cursors, query and spatial filters, and selection sets.
#pragma once

#include "platform/com/bstr.h"
#include "platform/com/unknown.h"
#include "platform/com/variant.h"

struct IFields;
struct IField;
struct IGeometry;
struct ISpatialReference;
struct IWorkspace;
struct ISelectionSet;
struct ITable;

// The values of one row that is not yet (or never) stored. Values by field index: VT_NULL for
// a null value; the geometry field holds the shape as VT_UNKNOWN.
struct IRowBuffer : IUnknown {
  VELK_INTERFACE_ID("{0CFD7820-480E-455B-AEE1-817902736C87}")
  virtual HRESULT get_Value(LONG index, VARIANT* value) = 0;
  // The value is converted to the field's type (DISP_E_TYPEMISMATCH when it cannot be).
  virtual HRESULT put_Value(LONG index, VARIANT value) = 0;
  virtual HRESULT get_Fields(IFields** fields) = 0;
};

// A stored row.
struct IRow : IRowBuffer {
  VELK_INTERFACE_ID("{5FFE1B48-49A7-473F-A07A-3E5E3EE2BA9E}")
  virtual HRESULT get_HasOID(VARIANT_BOOL* has) = 0;
  virtual HRESULT get_OID(LONG* oid) = 0;
  virtual HRESULT get_Table(ITable** table) = 0;
  // Writes the row's values to the table.
  virtual HRESULT Store() = 0;
  virtual HRESULT Delete() = 0;
};

// A walk over rows. NextRow gives S_OK with a row, or S_OK and null at the end. Update cursors
// write back the current row; insert cursors add rows.
struct ICursor : IUnknown {
  VELK_INTERFACE_ID("{B31B2B84-616F-4896-9569-2F0D7A8E031D}")
  virtual HRESULT get_Fields(IFields** fields) = 0;
  virtual HRESULT FindField(BSTR name, LONG* index) = 0;
  virtual HRESULT NextRow(IRow** row) = 0;
  virtual HRESULT UpdateRow(IRow* row) = 0;
  virtual HRESULT DeleteRow() = 0;
  // oid: when given, receives the new row's OID (VT_I4).
  virtual HRESULT InsertRow(IRowBuffer* buffer, VARIANT* oid) = 0;
  virtual HRESULT Flush() = 0;
};

// Which rows: a where clause in the data source's SQL dialect (empty: all rows).
struct IQueryFilter : IUnknown {
  VELK_INTERFACE_ID("{C554284F-85D4-44DC-B5AE-72776EE6E41B}")
  virtual HRESULT get_WhereClause(BSTR* clause) = 0;
  virtual HRESULT put_WhereClause(BSTR clause) = 0;
  // Comma-separated field names or "*" (all fields are always delivered here).
  virtual HRESULT get_SubFields(BSTR* fields) = 0;
  virtual HRESULT put_SubFields(BSTR fields) = 0;
  // Shapes delivered by the search are projected into this reference (null: as stored).
  virtual HRESULT get_OutputSpatialReference(ISpatialReference** sr) = 0;
  virtual HRESULT putref_OutputSpatialReference(ISpatialReference* sr) = 0;
};

// Spatial relations of a spatial filter.
constexpr LONG kSpatialRelUndefined = 0;
constexpr LONG kSpatialRelIntersects = 1;
constexpr LONG kSpatialRelEnvelopeIntersects = 2;
constexpr LONG kSpatialRelTouches = 4;
constexpr LONG kSpatialRelOverlaps = 5;
constexpr LONG kSpatialRelCrosses = 6;
constexpr LONG kSpatialRelWithin = 7;
constexpr LONG kSpatialRelContains = 8;

// Rows whose shape stands in the relation to the geometry (shape relation geometry).
struct ISpatialFilter : IQueryFilter {
  VELK_INTERFACE_ID("{6F10D3D3-682B-4571-93B2-32D0F0E440CE}")
  virtual HRESULT get_Geometry(IGeometry** geometry) = 0;
  virtual HRESULT putref_Geometry(IGeometry* geometry) = 0;
  virtual HRESULT get_GeometryField(BSTR* name) = 0;
  virtual HRESULT put_GeometryField(BSTR name) = 0;
  virtual HRESULT get_SpatialRel(LONG* relation) = 0;
  virtual HRESULT put_SpatialRel(LONG relation) = 0;
};

// Next gives S_OK with an id, or S_FALSE and -1 at the end.
struct IEnumIDs : IUnknown {
  VELK_INTERFACE_ID("{3F29A3EC-873D-402D-AD3A-862E1BFD00CB}")
  virtual HRESULT Next(LONG* id) = 0;
  virtual HRESULT Reset() = 0;
};

// Selection kinds and options of ITable::Select.
constexpr LONG kSelectionTypeIDSet = 1;
constexpr LONG kSelectionOptionNormal = 1;

// A set of row OIDs of one table.
struct ISelectionSet : IUnknown {
  VELK_INTERFACE_ID("{D3B3DB48-7226-4DB1-A3FC-951DE646F97A}")
  virtual HRESULT get_Count(LONG* count) = 0;
  virtual HRESULT Add(LONG oid) = 0;
  virtual HRESULT Remove(LONG oid) = 0;
  virtual HRESULT get_IDs(IEnumIDs** ids) = 0;
  virtual HRESULT get_Target(ITable** table) = 0;
  // Cursors over the selected rows (further narrowed by the filter when given), in OID order.
  virtual HRESULT Search(IQueryFilter* filter, VARIANT_BOOL recycling, ICursor** cursor) = 0;
  virtual HRESULT Update(IQueryFilter* filter, VARIANT_BOOL recycling, ICursor** cursor) = 0;
};

struct ITable : IUnknown {
  VELK_INTERFACE_ID("{5024A193-454D-4BC0-A6DD-51F591D8E47C}")
  virtual HRESULT get_Fields(IFields** fields) = 0;
  virtual HRESULT FindField(BSTR name, LONG* index) = 0;
  virtual HRESULT get_HasOID(VARIANT_BOOL* has) = 0;
  virtual HRESULT get_OIDFieldName(BSTR* name) = 0;
  // Adds a field to the stored table (E_DATA_INVALID_NAME, E_DATA_INVALID_FIELD,
  // E_DATA_SCHEMA_LOCKED, E_DATA_WRITE_FAILED).
  virtual HRESULT AddField(IField* field) = 0;
  virtual HRESULT DeleteField(IField* field) = 0;
  // A new row, stored at once with null values, with its OID.
  virtual HRESULT CreateRow(IRow** row) = 0;
  virtual HRESULT CreateRowBuffer(IRowBuffer** buffer) = 0;
  virtual HRESULT GetRow(LONG oid, IRow** row) = 0;
  virtual HRESULT RowCount(IQueryFilter* filter, LONG* count) = 0;
  virtual HRESULT Search(IQueryFilter* filter, VARIANT_BOOL recycling, ICursor** cursor) = 0;
  virtual HRESULT Update(IQueryFilter* filter, VARIANT_BOOL recycling, ICursor** cursor) = 0;
  virtual HRESULT Insert(VARIANT_BOOL useBuffering, ICursor** cursor) = 0;
  virtual HRESULT DeleteSearchedRows(IQueryFilter* filter) = 0;
  // The rows the filter finds (all rows for a null filter) as a new selection set.
  virtual HRESULT Select(IQueryFilter* filter, LONG selectionType, LONG option,
                         IWorkspace* container, ISelectionSet** selection) = 0;
};
