// The 3-D viewer's data: the ground and the chosen layers cut to the dragged rectangle into the
// viewer's work folder.
#include <filesystem>

#include "framework/coord_tool_helpers.h"
#include "framework/dataset_helpers.h"
#include "framework/host_object_creation.h"
#include "framework/message_helpers.h"
#include "framework/raster_helpers.h"
#include "framework/surface_lookup.h"
#include "interfaces/zel_layer_interfaces.h"
#include "platform/com/out_param.h"
#include "platform/com/text.h"
#include "platform/host/data/data_class_ids.h"
#include "platform/host/data/dataset.h"
#include "platform/host/display/display_class_ids.h"
#include "platform/host/data/feature_class.h"
#include "platform/host/operations/feature_clip_op.h"
#include "platform/host/data/field.h"
#include "platform/host/geometry/geometry_objects.h"
#include "platform/host/display/map.h"
#include "platform/host/data/property_set.h"
#include "platform/host/geometry/spatial_reference.h"
#include "platform/host/data/workspace.h"
#include "framework/resource_text.h"
#include "framework/temporary_file.h"
#include "terrain/viewer3d/ddd_viewer_dlg.h"
#include "terrain/viewer3d/viewer_file_names.h"
#include "terrain/viewer3d/viewer_text_ids.h"

namespace velk::corvane {
namespace {

std::wstring LayerName(ILayer* layer) {
  Bstr name;
  if (layer) layer->get_Name(&name);
  return BstrToWstring(name.get());
}

ComPtr<IFeatureWorkspace> OpenShapefileFolder(const std::wstring& folder) {
  auto props = CreateHostObject<IPropertySet>(host::CLSID_PropertySet);
  Check(props->SetProperty(Bstr(L"DATABASE"), Variant(Bstr(folder))));
  auto factory = CreateHostObject<IWorkspaceFactory>(host::CLSID_ShapefileWorkspaceFactory);
  ComPtr<IWorkspace> ws;
  Check(factory->Open(props.get(), nullptr, ws.put()));
  return RequireInterface<IFeatureWorkspace>(ws.get());
}

}  // namespace

void DDDViewerDlg::SetExtent(IEnvelope* extent) {
  extent_ = ComPtr<IEnvelope>(extent);
  leftOut_.clear();
}

bool DDDViewerDlg::KeepGoing() {
  if (cancelled_) return false;
  if (!cancel_) return true;
  VARIANT_BOOL go = VARIANT_TRUE;
  cancel_->Continue(&go);
  if (go) return true;
  cancelled_ = true;
  ShowStatusTextById(*this, 0, kIdsViewerCancelled);
  return false;
}

void DDDViewerDlg::ShowProgress(ILayer* layer) {
  ShowStatusText(*this, 0, Bstr(FormatResourceText(kIdsExtractingData, {LayerName(layer)})).get());
}

void DDDViewerDlg::NewClipName(std::wstring* folder, std::wstring* name) {
  const std::wstring claim = CreateTemporaryFile(workFolder_, L"ddd");
  *folder = claim.substr(0, claim.find_last_of(L'/') + 1);
  *name = claim.substr(folder->size());
  *name = name->substr(0, name->find_last_of(L'.'));
}

ComPtr<ILayer> DDDViewerDlg::RasterLayerOn(IGeoDataset* clipped) {
  auto layer = RasterLayerOfDataset(clipped);
  return layer ? layer.As<ILayer>() : nullptr;
}

ComPtr<ILayer> DDDViewerDlg::ClipCatalogLayer(ILayer* layer, bool reproject,
                                               ISpatialReference** reference) {
  if (!extent_) return nullptr;
  std::wstring folder, name;
  NewClipName(&folder, &name);
  auto helper = RequireInterface<IInternalZelHelper>(layer);
  auto copy = QueryAs<IEnvelope>(CloneObject(extent_.get()).get());
  ComPtr<IGeoDataset> clipped;
  const HRESULT hr = helper->ClipRegion(copy.get(), Bstr(folder).get(), Bstr(name).get(),
                                        ToVariantBool(reproject), clipped.put());
  if (FAILED(hr) || !clipped) return nullptr;
  if (reference) clipped->get_SpatialReference(reference);
  return RasterLayerOn(clipped.get());
}

ComPtr<ISurface> DDDViewerDlg::GetViewerLayerSurface(ILayer* layer) {
  if (!layer) return nullptr;
  if (QueryAs<ILayerExtensions>(layer))
    if (auto base = FindLayerBaseSurface(layer)) return base;
  if (QueryAs<IRasterLayer>(layer)) return GetSurfaceFromLayer(layer);
  return nullptr;
}

void DDDViewerDlg::ExtractViewerSurface(ILayer* layer) {
  if (!layer) return;
  ShowProgress(layer);
  if (QueryAs<IZelDtedLayer>(layer)) {
    ComPtr<ILayer> clipped = ClipCatalogLayer(layer, true, surfaceReference_.put());
    if (!clipped) {
      surfaceReference_.Reset();
      return;
    }
    clipped->put_Name(Bstr(LayerName(layer)));
    surfaceLayer_ = clipped;
    surface_ = GetViewerLayerSurface(clipped.get());
    ReadSurfaceValues();
    return;
  }
  if (QueryAs<IRasterLayer>(layer)) {
    surfaceLayer_ = ComPtr<ILayer>(layer);
    surface_ = GetViewerLayerSurface(layer);
    ReadSurfaceValues();
  }
}

void DDDViewerDlg::ReadSurfaceValues() {
  surfaceValueA_ = surfaceValueB_ = 0;
  if (auto raster = QueryAs<IRasterLayer>(surfaceLayer_.get())) {
    raster->get_SurfaceColumns(&surfaceValueA_);
    raster->get_SurfaceRows(&surfaceValueB_);
  }
}

void DDDViewerDlg::ExtractLayersToShapefiles(LONG kind, ISet* layers) {
  std::vector<ComPtr<ILayer>>& target = kind == kExtractObservers     ? observerLayers_
                                        : kind == kExtractFlightPaths ? flightPathLayers_
                                                                      : layers_;
  target.clear();
  LONG count = 0;
  if (!layers || FAILED(layers->get_Count(&count)) || count == 0) return;
  auto name = CreateHostObject<IWorkspaceName>(host::CLSID_WorkspaceName);
  Check(name->put_WorkspaceFactoryProgID(Bstr(host::kShapefileWorkspaceFactoryProgId)));
  Check(name->put_PathName(Bstr(workFolder_)));
  shapefileWorkspaceName_ = name.As<IUnknown>();
  layers->Reset();
  ComPtr<IUnknown> item;
  while (layers->Next(item.put()) == S_OK && item) {
    auto layer = QueryAs<ILayer>(item.get());
    item.Reset();
    if (!layer) continue;
    if (!KeepGoing()) return;
    if (kind != kExtractMapLayers) {
      target.push_back(layer);
      continue;
    }
    const bool isDted = QueryAs<IZelDtedLayer>(layer.get()) != nullptr;
    if (isDted || QueryAs<IZelRasterLayer>(layer.get())) {
      ShowProgress(layer.get());
      ComPtr<ILayer> clipped = ClipCatalogLayer(layer.get(), isDted);
      if (clipped) clipped->put_Name(Bstr(LayerName(layer.get())));
      target.push_back(clipped ? clipped : layer);
      continue;
    }
    if (QueryAs<IZelVectorLayer>(layer.get())) {
      auto group = CreateHostObject<IGroupLayer>(host::CLSID_GroupLayer);
      group.As<ILayer>()->put_Name(Bstr(LayerName(layer.get())));
      ShowProgress(layer.get());
      CreateExtentClipTable();
      auto sublayers = RequireInterface<ICompositeLayer>(layer.get());
      LONG n = 0;
      sublayers->get_Count(&n);
      for (LONG i = 0; i < n; ++i) {
        if (!KeepGoing()) break;
        ComPtr<ILayer> sub;
        sublayers->get_Layer(i, sub.put());
        if (!sub || !QueryAs<IGroupLayer>(sub.get())) continue;
        auto subGroup = CreateHostObject<IGroupLayer>(host::CLSID_GroupLayer);
        subGroup.As<ILayer>()->put_Name(Bstr(LayerName(sub.get())));
        ExtractGroupLayer(sub.get(), subGroup.get());
        group->Add(subGroup.As<ILayer>().get());
      }
      target.push_back(group.As<ILayer>());
      continue;
    }
    target.push_back(layer);
  }
}

void DDDViewerDlg::CreateExtentClipTable() {
  if (!extent_) ThrowComError(E_POINTER);
  auto workspace = OpenShapefileFolder(workFolder_);
  // A second vector layer of the same launch cuts with the table the first one made.
  ComPtr<IFeatureClass> existing;
  if (SUCCEEDED(workspace->OpenFeatureClass(Bstr(L"ShapeTable"), existing.put())) && existing) {
    clipTable_ = existing;
    return;
  }
  ComPtr<IMap> map;
  GetFocusMap(map.put());
  ComPtr<IUnknown> mapReference;
  if (map) map->get_SpatialReference(mapReference.put());
  auto fields = CreateHostObject<IFieldsEdit>(host::CLSID_Fields);
  AddObjectIdField(fields.get(), Bstr(L"ObjectID").get());
  AddShapeField(fields.get(), Bstr(L"SHAPE").get(),
                QueryAs<ISpatialReference>(mapReference.get()));
  ComPtr<IFeatureClass> table;
  Check(workspace->CreateFeatureClass(Bstr(L"ShapeTable"), fields.As<IFields>().get(), nullptr,
                                      nullptr, 1, Bstr(L"SHAPE"), Bstr(L""), table.put()));
  ComPtr<IPoint> corners[4];
  extent_->get_LowerLeft(corners[0].put());
  extent_->get_UpperLeft(corners[1].put());
  extent_->get_UpperRight(corners[2].put());
  extent_->get_LowerRight(corners[3].put());
  ComPtr<IPolygon> polygon = host::NewPolygon();
  auto points = RequireInterface<IPointCollection>(polygon.get());
  for (int i = 0; i < 5; ++i) Check(points->AddPoint(corners[i % 4].get()));
  ComPtr<ISpatialReference> sr;
  extent_->get_SpatialReference(sr.put());
  polygon->put_SpatialReference(sr.get());
  ComPtr<IFeatureCursor> cursor;
  Check(table->Insert(VARIANT_TRUE, cursor.put()));
  ComPtr<IFeatureBuffer> buffer;
  Check(table->CreateFeatureBuffer(buffer.put()));
  Check(buffer->putref_Shape(polygon.As<IGeometry>().get()));
  Variant oid;
  Check(cursor->InsertFeature(buffer.get(), &oid));
  Check(cursor->Flush());
  clipTable_ = table;
}

void DDDViewerDlg::ExtractGroupLayer(ILayer* source, IGroupLayer* target) {
  if (!source || !target || !KeepGoing()) return;
  if (QueryAs<IGroupLayer>(source)) {
    auto children = RequireInterface<ICompositeLayer>(source);
    LONG n = 0;
    children->get_Count(&n);
    for (LONG i = 0; i < n; ++i) {
      if (!KeepGoing()) return;
      ComPtr<ILayer> child;
      children->get_Layer(i, child.put());
      if (!child) continue;
      if (QueryAs<IGroupLayer>(child.get())) {
        ShowProgress(child.get());
        auto group = CreateHostObject<IGroupLayer>(host::CLSID_GroupLayer);
        group.As<ILayer>()->put_Name(Bstr(LayerName(child.get())));
        ExtractGroupLayer(child.get(), group.get());
        target->Add(group.As<ILayer>().get());
      } else {
        ExtractGroupLayer(child.get(), target);
      }
    }
    return;
  }
  auto features = QueryAs<IFeatureLayer>(source);
  if (!features) return;
  ShowProgress(source);
  ComPtr<IFeatureClass> sourceClass;
  features->get_FeatureClass(sourceClass.put());
  if (!sourceClass) {
    // The map never opened this layer's data: it is named to the user, not silently dropped.
    leftOut_.push_back(LayerName(source));
    return;
  }
  if (!clipTable_) return;
  ComPtr<IEnvelope> rectangle;
  RequireInterface<IGeoDataset>(clipTable_.get())->get_Extent(rectangle.put());
  // The layer's display name, made a safe name of its own in the work folder.
  const std::wstring name = SafeUniqueBaseName(LayerName(source), workFolder_);
  ComPtr<IFeatureClass> clipped;
  std::wstring problem;
  if (FAILED(host::ClipFeatureClass(sourceClass.get(), rectangle.get(), Bstr(workFolder_).get(),
                                    Bstr(name).get(), clipped.put(), &problem)) ||
      !clipped) {
    ShowStatusText(*this, 0,
                   Bstr(FormatResourceText(kIdsLayerNotClipped, {LayerName(source), problem}))
                       .get());
    return;
  }
  auto layer = CreateHostObject<IFeatureLayer>(host::CLSID_FeatureLayer);
  Check(layer->putref_FeatureClass(clipped.get()));
  layer.As<ILayer>()->put_Name(Bstr(LayerName(source)));
  auto from = QueryAs<IGeoFeatureLayer>(source);
  auto to = QueryAs<IGeoFeatureLayer>(layer.get());
  if (from && to) {
    ComPtr<IFeatureRenderer> renderer;
    from->get_Renderer(renderer.put());
    if (renderer) to->putref_Renderer(renderer.get());
  }
  target->Add(layer.As<ILayer>().get());
}

}  // namespace velk::corvane
