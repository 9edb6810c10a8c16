// Class identifiers of the host's data objects: geometry, spatial references, fields,
// workspaces and their factories, rasters and surfaces. Created by class identifier
// (CoCreateInstance) once the host has registered its classes.
#pragma once

#include "platform/com/base_types.h"

namespace velk::host {

// Geometry.
inline constexpr CLSID CLSID_Point = MakeGuid("{CA8A127C-F92B-482E-9849-4F99FEA389B6}");
inline constexpr CLSID CLSID_Multipoint = MakeGuid("{0FCC7909-F628-44D7-B969-92A40C68333F}");
inline constexpr CLSID CLSID_Polyline = MakeGuid("{30707210-52D5-11D0-A8F2-00608C85EDE5}");
inline constexpr CLSID CLSID_Envelope = MakeGuid("{30707212-52D5-11D0-A8F2-00608C85EDE5}");
inline constexpr CLSID CLSID_Polygon = MakeGuid("{00A5CB42-52DA-11D0-A8F2-00608C85EDE5}");

// Spatial references.
inline constexpr CLSID CLSID_SpatialReferenceFactory =
    MakeGuid("{EBF3AD92-6D0B-4CE9-A385-C95A68F0D83D}");

// Fields and property sets.
inline constexpr CLSID CLSID_Field = MakeGuid("{F94F7534-9FDF-11D0-BEC7-00805F7C4268}");
inline constexpr CLSID CLSID_Fields = MakeGuid("{F94F7535-9FDF-11D0-BEC7-00805F7C4268}");
inline constexpr CLSID CLSID_GeometryDef = MakeGuid("{439A0D52-3915-11D1-9CA7-0000F8780619}");
inline constexpr CLSID CLSID_PropertySet = MakeGuid("{588E5A11-D09B-11D1-AA7C-00C04FA33A15}");
inline constexpr CLSID CLSID_QueryFilter = MakeGuid("{E2CDE04A-8B0F-4407-886A-6DE5259DCC63}");
inline constexpr CLSID CLSID_SpatialFilter = MakeGuid("{1D73FA5A-E6AE-432D-A667-A7BC359BCFD5}");
inline constexpr CLSID CLSID_FieldChecker = MakeGuid("{543875F7-7468-466E-9B9C-FC136940C369}");

// Workspace factories and names.
inline constexpr CLSID CLSID_ShapefileWorkspaceFactory =
    MakeGuid("{D8DB1CCE-8F10-406B-B56C-CCE31EAF73E7}");
inline constexpr CLSID CLSID_DatabaseWorkspaceFactory =
    MakeGuid("{A06ADB96-D95C-11D1-AA81-00C04FA33A15}");
inline constexpr CLSID CLSID_RasterWorkspaceFactory =
    MakeGuid("{4C91D963-3390-11D2-8D25-0000F8780535}");
inline constexpr CLSID CLSID_ScratchWorkspaceFactory =
    MakeGuid("{640E4DB7-F223-11D3-A07F-00C04F68E699}");
inline constexpr CLSID CLSID_DatasetName = MakeGuid("{B8A6FB2F-01AE-4B17-879C-D305C435DEE4}");
inline constexpr CLSID CLSID_WorkspaceName = MakeGuid("{D89D5F6B-B748-457E-ACA8-0C733A749655}");

// Rasters.
inline constexpr CLSID CLSID_RasterSurface = MakeGuid("{95EF6781-3DE4-4F97-84B4-6DB6EF90B67B}");

// ProgIDs of the workspace factories, as workspace names carry them.
inline constexpr const wchar_t* kShapefileWorkspaceFactoryProgId =
    L"velkDataSourcesFile.ShapefileWorkspaceFactory.1";
inline constexpr const wchar_t* kDatabaseWorkspaceFactoryProgId =
    L"velkDataSourcesGDB.DatabaseWorkspaceFactory.1";
inline constexpr const wchar_t* kRasterWorkspaceFactoryProgId =
    L"velkDataSourcesRaster.RasterWorkspaceFactory.1";
inline constexpr const wchar_t* kVpfWorkspaceFactoryProgId =
    L"velkDataSourcesFile.VpfWorkspaceFactory.1";

}  // namespace velk::host
