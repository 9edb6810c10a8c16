#include "platform/host/operations/feature_data_converter.h"


#include <gdal_priv.h>
#include <ogrsf_frmts.h>

#include "platform/com/text.h"
#include "platform/host/analysis/feature_translate.h"
#include "platform/host/data/data_errors.h"
#include "platform/host/data/dataset.h"
#include "platform/host/data/feature_class.h"
#include "platform/host/geometry/geometry.h"
#include "platform/host/geometry/spatial_reference.h"
#include "platform/host/data/table.h"
#include "platform/host/data/table_objects.h"
#include "platform/host/data/track_cancel.h"
#include "platform/host/data/workspace.h"

namespace velk::host {

namespace {

class FeatureDataConverter : public ComObjectRoot<FeatureDataConverter, IFeatureDataConverter> {
 public:
  HRESULT ConvertFeatureClass(IFeatureClass* input, IQueryFilter* filter, ISelectionSet* selection,
                              IWorkspaceName* output, BSTR name, ISpatialReference* target,
                              IUnknown* tracker, HWND, LONG* count) override {
    if (!count) return E_POINTER;
    *count = 0;
    auto source = QueryAs<ITableSource>(input);
    if (!source || !source->Core() || !output) return E_INVALIDARG;
    VELK_TRY
    TableCore* core = source->Core();
    analysis::FeatureTranslateRequest r;
    r.source = core->Source() ? core->Source()->get() : nullptr;
    r.layer = core->Layer() ? core->Layer()->GetName() : "";
    r.name = ToUtf8(BstrToWstring(name));
    Bstr path, progId;
    output->get_PathName(&path);
    output->get_WorkspaceFactoryProgID(&progId);
    r.output = ToUtf8(path.str());
    r.database = progId.str().find(L"Shapefile") == std::wstring::npos;
    if (filter) {
      Bstr where;
      filter->get_WhereClause(&where);
      r.where = ToUtf8(where.str());
      if (auto spatial = QueryAs<ISpatialFilter>(filter)) {
        ComPtr<IGeometry> g;
        spatial->get_Geometry(g.put());
        ComPtr<IEnvelope> e;
        if (g) g->get_Envelope(e.put());
        if (e) {
          // The box in the source's own system.
          ComPtr<ISpatialReference> own;
          if (auto geo = QueryAs<IGeoDataset>(input)) geo->get_SpatialReference(own.put());
          if (own) e->Project(own.get());
          analysis::FeatureBox b{};
          Check(e->QueryCoords(&b.xmin, &b.ymin, &b.xmax, &b.ymax));
          r.box = b;
        }
      }
    }
    if (selection) {
      std::string ids;
      ComPtr<IEnumIDs> e;
      Check(selection->get_IDs(e.put()));
      LONG id = -1;
      while (e && e->Next(&id) == S_OK && id >= 0) ids += (ids.empty() ? "" : ",") + std::to_string(id);
      const std::string in = ids.empty() ? "FID < 0" : "FID IN (" + ids + ")";
      r.where = r.where.empty() ? in : "(" + r.where + ") AND " + in;
    }
    if (target) {
      Bstr wkt;
      if (SUCCEEDED(target->ExportToWkt(&wkt))) r.targetWkt = ToUtf8(wkt.str());
    }
    auto cancel = QueryAs<ITrackCancel>(tracker);
    bool cancelled = false;
    if (cancel) {
      r.progress = [&](double) {
        VARIANT_BOOL go = VARIANT_TRUE;
        cancelled = SUCCEEDED(cancel->Continue(&go)) && go == VARIANT_FALSE;
        return !cancelled;
      };
    }
    const analysis::FeatureTranslateResult done = analysis::TranslateFeatures(r);
    if (!done.error.empty()) {
      if (cancelled) return E_ABORT;
      return done.error.rfind("the output name", 0) == 0 ? E_INVALIDARG : E_DATA_WRITE_FAILED;
    }
    *count = static_cast<LONG>(done.features);
    return S_OK;
    VELK_CATCH
  }
};

}  // namespace

HRESULT CreateFeatureDataConverterObject(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<FeatureDataConverter>(outer, riid, ppv);
}

}  // namespace velk::host
