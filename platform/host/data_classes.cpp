#include "platform/host/data_classes.h"

#include "platform/host/browse_dialog.h"
#include "platform/host/color_ramp.h"
#include "platform/host/data_class_ids.h"
#include "platform/host/display_class_ids.h"
#include "platform/host/display_objects.h"
#include "platform/host/graphics_objects.h"
#include "platform/host/layer_objects.h"
#include "platform/host/symbol_objects.h"
#include "platform/host/contents_view.h"
#include "platform/host/data_graph.h"
#include "platform/host/field_checker.h"
#include "platform/host/result_settings.h"
#include "platform/host/geo_transformation.h"
#include "platform/host/field_objects.h"
#include "platform/host/geometry_environment.h"
#include "platform/host/globe_graphics_layer.h"
#include "platform/host/raster_analysis_environment.h"
#include "platform/host/local_analysis.h"
#include "platform/host/surface_analysis.h"
#include "platform/host/raster_catalog.h"
#include "platform/host/raster_collection.h"
#include "platform/host/raster_dataset_name.h"
#include "platform/host/vector3d.h"
#include "platform/host/geometry_objects.h"
#include "platform/host/property_set_object.h"
#include "platform/host/raster_objects.h"
#include "platform/host/set.h"
#include "platform/host/spatial_reference_objects.h"
#include "platform/host/table_objects.h"
#include "platform/host/vpf_workspace.h"
#include "platform/host/workspace_objects.h"
#include "platform/host/raster_catalog_layer.h"
#include "platform/registry/activation.h"

namespace velk::host {

std::vector<DWORD> RegisterHostDataClasses() {
  std::vector<DWORD> cookies = {
      RegisterProcessClass(CLSID_Point, &CreatePointObject),
      RegisterProcessClass(CLSID_Multipoint, &CreateMultipointObject),
      RegisterProcessClass(CLSID_Polyline, &CreatePolylineObject),
      RegisterProcessClass(CLSID_Envelope, &CreateEnvelopeObject),
      RegisterProcessClass(CLSID_Polygon, &CreatePolygonObject),
      RegisterProcessClass(CLSID_SpatialReferenceFactory, &CreateInstance<SpatialReferenceFactory>),
      RegisterProcessClass(CLSID_GeocentricTranslation, &CreateGeocentricTranslationObject),
      RegisterProcessClass(CLSID_ResultSettings, &CreateResultSettingsObject),
      RegisterProcessClass(CLSID_StandaloneTable, &CreateStandaloneTableObject),
      RegisterProcessClass(CLSID_Field, &CreateFieldObject),
      RegisterProcessClass(CLSID_Fields, &CreateFieldsObject),
      RegisterProcessClass(CLSID_GeometryDef, &CreateGeometryDefObject),
      RegisterProcessClass(CLSID_PropertySet, &CreateInstance<PropertySet>),
      RegisterProcessClass(CLSID_QueryFilter, &CreateQueryFilterObject),
      RegisterProcessClass(CLSID_SpatialFilter, &CreateSpatialFilterObject),
      RegisterProcessClass(CLSID_ShapefileWorkspaceFactory, &CreateShapefileWorkspaceFactory),
      RegisterProcessClass(CLSID_DatabaseWorkspaceFactory, &CreateDatabaseWorkspaceFactory),
      RegisterProcessClass(CLSID_RasterWorkspaceFactory, &CreateRasterWorkspaceFactory),
      RegisterProcessClass(CLSID_ScratchWorkspaceFactory, &CreateScratchWorkspaceFactory),
      RegisterProcessClass(CLSID_WorkspaceName, &CreateWorkspaceNameObject),
      RegisterProcessClass(CLSID_DatasetName, &CreateDatasetNameObject),
      RegisterProcessClass(CLSID_VpfWorkspaceFactory, &CreateVpfWorkspaceFactory),
      RegisterProcessClass(CLSID_FeatureClassName, &CreateFeatureClassNameObject),
      RegisterProcessClass(CLSID_RasterSurface, &CreateRasterSurfaceObject),
      RegisterProcessClass(CLSID_FieldChecker, &CreateFieldCheckerObject),
      RegisterProcessClass(CLSID_FeatureLayer, &CreateFeatureLayerObject),
      RegisterProcessClass(CLSID_RasterLayer, &CreateRasterLayerObject),
      RegisterProcessClass(CLSID_GroupLayer, &CreateGroupLayerObject),
      RegisterProcessClass(CLSID_GraphicsLayer, &CreateGraphicsLayerObject),
      RegisterProcessClass(CLSID_SimpleRenderer, &CreateSimpleRendererObject),
      RegisterProcessClass(CLSID_UniqueValueRenderer, &CreateUniqueValueRendererObject),
      RegisterProcessClass(CLSID_RasterCatalogLayer, &CreateRasterCatalogLayerObject),
      RegisterProcessClass(CLSID_RasterStretchRenderer, &CreateRasterStretchRendererObject),
      RegisterProcessClass(CLSID_AlgorithmicColorRamp, &CreateAlgorithmicColorRampObject),
      RegisterProcessClass(CLSID_MultiPartColorRamp, &CreateMultiPartColorRampObject),
      RegisterProcessClass(CLSID_RasterRenderer, &CreateRasterRendererObject),
      RegisterProcessClass(CLSID_3DProperties, &Create3DPropertiesObject),
      RegisterProcessClass(CLSID_LineElement, &CreateLineElementObject),
      RegisterProcessClass(CLSID_MarkerElement, &CreateMarkerElementObject),
      RegisterProcessClass(CLSID_PolygonElement, &CreatePolygonElementObject),
      RegisterProcessClass(CLSID_SimpleLineSymbol, &CreateLineSymbolObject),
      RegisterProcessClass(CLSID_SimpleMarkerSymbol, &CreateMarkerSymbolObject),
      RegisterProcessClass(CLSID_SimpleFillSymbol, &CreateFillSymbolObject),
      RegisterProcessClass(CLSID_TextSymbol, &CreateTextSymbolObject),
      RegisterProcessClass(CLSID_RgbColor, &CreateColorObject),
      RegisterProcessClass(CLSID_NewEnvelopeFeedback, &CreateEnvelopeFeedbackObject),
      RegisterProcessClass(CLSID_DisplayTransformation, &CreateDisplayTransformationObject),
      RegisterProcessClass(CLSID_Set, &CreateSetObject),
      RegisterProcessClass(CLSID_Vector3D, &CreateVector3DObject),
      RegisterProcessClass(CLSID_GeometryEnvironment, &CreateGeometryEnvironmentObject),
      RegisterProcessClass(CLSID_GlobeGraphicsLayer, &CreateGlobeGraphicsLayerObject),
      RegisterProcessClass(CLSID_RasterDatasetName, &CreateRasterDatasetNameObject),
      RegisterProcessClass(CLSID_RasterAnalysis, &CreateRasterAnalysisObject),
      RegisterProcessClass(CLSID_RasterSurfaceOp, &CreateRasterSurfaceOpObject),
      RegisterProcessClass(CLSID_ConversionOp, &CreateConversionOpObject),
      RegisterProcessClass(CLSID_RasterLocalOp, &CreateRasterLocalOpObject),
      RegisterProcessClass(CLSID_RasterMapAlgebraOp, &CreateRasterMapAlgebraOpObject),
      RegisterProcessClass(CLSID_RasterCollection, &CreateRasterCollectionObject),
      RegisterProcessClass(CLSID_WorkspaceRasterCatalog, &CreateWorkspaceRasterCatalogObject),
      RegisterProcessClass(CLSID_DataGraph, &CreateDataGraphObject),
      RegisterProcessClass(CLSID_GraphWindow, &CreateGraphWindowObject),
  };
  for (DWORD c : RegisterBrowseDialogClasses()) cookies.push_back(c);
  return cookies;
}

}  // namespace velk::host
