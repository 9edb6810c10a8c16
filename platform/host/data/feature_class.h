// Feature classes: tables whose rows carry a shape. A feature class also answers ITable,
// IDataset, IGeoDataset and ISchemaLock.
#pragma once

#include "platform/host/data/table.h"

struct IEnvelope;
struct IFeatureClass;

// A feature not yet stored (an insert cursor's buffer).
struct IFeatureBuffer : IRowBuffer {
  VELK_INTERFACE_ID("{629E256D-B4F2-42F2-90F7-236D29689CE3}")
  // The buffer's shape object itself (null when none).
  virtual HRESULT get_Shape(IGeometry** shape) = 0;
  // Holds the shape object; it is checked and projected into the class's reference when the
  // buffer is written.
  virtual HRESULT putref_Shape(IGeometry* shape) = 0;
};

// A stored feature. get_Shape hands out the feature's own shape object; changes to it are
// written by Store.
struct IFeature : IRow {
  VELK_INTERFACE_ID("{B1810845-0809-4594-AFF4-FDF4709C9B51}")
  virtual HRESULT get_Shape(IGeometry** shape) = 0;
  virtual HRESULT putref_Shape(IGeometry* shape) = 0;
  virtual HRESULT get_Extent(IEnvelope** extent) = 0;
  virtual HRESULT get_Class(IFeatureClass** featureClass) = 0;
};

// NextFeature gives S_OK with a feature, or S_OK and null at the end.
struct IFeatureCursor : IUnknown {
  VELK_INTERFACE_ID("{9F186CD0-C35A-4D31-A869-E97AADE4115C}")
  virtual HRESULT get_Fields(IFields** fields) = 0;
  virtual HRESULT FindField(BSTR name, LONG* index) = 0;
  virtual HRESULT NextFeature(IFeature** feature) = 0;
  virtual HRESULT UpdateFeature(IFeature* feature) = 0;
  virtual HRESULT DeleteFeature() = 0;
  virtual HRESULT InsertFeature(IFeatureBuffer* buffer, VARIANT* oid) = 0;
  virtual HRESULT Flush() = 0;
};

struct IFeatureClass : IUnknown {
  VELK_INTERFACE_ID("{82B43BA7-36E7-4876-8000-13BDEA53CEEA}")
  virtual HRESULT get_ShapeType(LONG* type) = 0;
  virtual HRESULT get_ShapeFieldName(BSTR* name) = 0;
  virtual HRESULT get_FeatureType(LONG* type) = 0;
  virtual HRESULT get_Fields(IFields** fields) = 0;
  virtual HRESULT FindField(BSTR name, LONG* index) = 0;
  virtual HRESULT get_HasOID(VARIANT_BOOL* has) = 0;
  virtual HRESULT get_OIDFieldName(BSTR* name) = 0;
  virtual HRESULT AddField(IField* field) = 0;
  virtual HRESULT DeleteField(IField* field) = 0;
  // A new feature, stored at once with a null shape, with its OID.
  virtual HRESULT CreateFeature(IFeature** feature) = 0;
  virtual HRESULT CreateFeatureBuffer(IFeatureBuffer** buffer) = 0;
  virtual HRESULT GetFeature(LONG oid, IFeature** feature) = 0;
  virtual HRESULT FeatureCount(IQueryFilter* filter, LONG* count) = 0;
  // A feature class is also a table: an object with both answers each of these by its cursor
  // type, so the table's methods of the same names hide nothing a caller reaches.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Woverloaded-virtual"
  virtual HRESULT Search(IQueryFilter* filter, VARIANT_BOOL recycling, IFeatureCursor** cursor) = 0;
  virtual HRESULT Update(IQueryFilter* filter, VARIANT_BOOL recycling, IFeatureCursor** cursor) = 0;
  virtual HRESULT Insert(VARIANT_BOOL useBuffering, IFeatureCursor** cursor) = 0;
#pragma GCC diagnostic pop
  virtual HRESULT Select(IQueryFilter* filter, LONG selectionType, LONG option,
                         IWorkspace* container, ISelectionSet** selection) = 0;
};
