#include "platform/host/operations/feature_clip_op.h"

#include <ogrsf_frmts.h>

#include <filesystem>

#include "platform/com/text.h"
#include "platform/host/analysis/feature_clip.h"
#include "platform/host/data/dataset.h"
#include "platform/host/data/feature_class.h"
#include "platform/host/data/data_class_ids.h"
#include "platform/host/geometry/geometry.h"
#include "platform/host/geometry/geometry_objects.h"
#include "platform/host/data/property_set.h"
#include "platform/host/geometry/spatial_reference.h"
#include "platform/host/data/table_core.h"
#include "platform/host/data/table_objects.h"
#include "platform/host/data/workspace.h"
#include "platform/host/data/workspace_objects.h"

namespace velk::host {

HRESULT ClipFeatureClass(IFeatureClass* source, IEnvelope* rectangle, BSTR folder, BSTR name,
                         IFeatureClass** result, std::wstring* problem) {
  if (!result) return E_POINTER;
  *result = nullptr;
  const std::wstring base = BstrToWstring(name);
  if (!source || !rectangle || base.empty()) return E_INVALIDARG;
  auto fail = [&](const std::wstring& why) {
    if (problem) *problem = why;
    return E_FAIL;
  };
  auto dataset = QueryAs<IDataset>(source);
  ComPtr<IWorkspace> sourceWorkspace;
  Bstr sourcePath, sourceName;
  if (!dataset || FAILED(dataset->get_Workspace(sourceWorkspace.put())) || !sourceWorkspace ||
      FAILED(sourceWorkspace->get_PathName(&sourcePath)) || FAILED(dataset->get_Name(&sourceName)))
    return fail(L"the features' data cannot be found");

  // The rectangle in the source's units.
  ComPtr<IEnvelope> area = NewEnvelope();
  double x0, y0, x1, y1;
  if (FAILED(rectangle->QueryCoords(&x0, &y0, &x1, &y1))) return fail(L"the rectangle is empty");
  ComPtr<ISpatialReference> rectSr, sourceSr;
  rectangle->get_SpatialReference(rectSr.put());
  if (auto geo = QueryAs<IGeoDataset>(source)) geo->get_SpatialReference(sourceSr.put());
  area->PutCoords(x0, y0, x1, y1);
  area->put_SpatialReference(rectSr.get());
  if (rectSr && sourceSr && FAILED(area->Project(sourceSr.get())))
    return fail(L"the rectangle cannot be projected into the features' system");
  area->QueryCoords(&x0, &y0, &x1, &y1);

  analysis::FeatureClipOptions options;
  options.source = ToUtf8(BstrToWstring(sourcePath.get()));
  options.layer = ToUtf8(BstrToWstring(sourceName.get()));
  // The host's own classes are read where they are open: a class's name is not always a
  // layer GDAL finds at its workspace's path (a VPF class "lib1:pop:builtp" is read through
  // OGDI from its library).
  if (auto own = QueryAs<ITableSource>(source); own && own->Core() && own->Core()->Source() &&
                                                own->Core()->Layer()) {
    options.dataset = own->Core()->Source()->get();
    options.layer = own->Core()->Layer()->GetName();
  }
  options.xmin = x0, options.ymin = y0, options.xmax = x1, options.ymax = y1;
  const std::filesystem::path out =
      std::filesystem::path(ToUtf8(BstrToWstring(folder))) / (ToUtf8(base) + ".shp");
  options.output = out.string();
  const analysis::FeatureClipOutcome outcome = analysis::ClipFeatures(options);
  if (!outcome.ok) return fail(FromUtf8(outcome.problem));

  auto factory = WorkspaceFactoryFromProgId(kShapefileWorkspaceFactoryProgId);
  ComPtr<IWorkspace> ws;
  if (!factory || FAILED(factory->OpenFromFile(folder, nullptr, ws.put())) || !ws)
    return fail(L"cannot open " + BstrToWstring(folder));
  auto features = QueryAs<IFeatureWorkspace>(ws.get());
  if (!features) return E_FAIL;
  return features->OpenFeatureClass(name, result);
}

}  // namespace velk::host
