#include "terrain/threat_dome/threat_dome_run.h"

#include <cmath>
#include <filesystem>
#include <set>

#include "framework/corvane_module.h"
#include "framework/dataset_helpers.h"
#include "framework/host_object_creation.h"
#include "framework/layer_queries.h"
#include "framework/message_helpers.h"
#include "framework/observer_fields.h"
#include "framework/raster_helpers.h"
#include "framework/run_progress.h"
#include "framework/scratch_folder.h"
#include "framework/surface_lookup.h"
#include "framework/surface_preparation.h"
#include "framework/window_with_layers_impl.h"
#include "interfaces/zel_layer_interfaces.h"
#include "platform/com/text.h"
#include "platform/host/data/data_class_ids.h"
#include "platform/host/data/dataset.h"
#include "platform/host/display/display_class_ids.h"
#include "platform/host/data/feature_class.h"
#include "platform/host/display/globe.h"
#include "platform/host/display/globe_display.h"
#include "platform/host/display/layer_kinds.h"
#include "platform/host/display/map.h"
#include "platform/host/data/property_set.h"
#include "platform/host/data/raster.h"
#include "platform/host/geometry/spatial_reference.h"
#include "platform/host/operations/surface_analysis.h"
#include "platform/host/data/workspace.h"
#include "platform/win/format_message.h"
#include "platform/win/responder.h"
#include "framework/temporary_file.h"
#include "terrain/common/visibility_text_ids.h"
#include "terrain/radial/radial_los_observer.h"
#include "terrain/threat_dome/threat_dome.h"

namespace velk::corvane {

namespace {

constexpr double kDomeStep = 10.0;
constexpr double kMetresPerKilometre = 1000.0;
constexpr double kExtentRatio = 1.2;

// One observer as the run uses it.
struct Observer {
  ComPtr<IPoint> entered;   // in the observers' system
  ComPtr<IPoint> analysis;  // in the base surface's system, z the eye
  double height = 0.0;      // above the ground, or absolute
  double radius = 0.0;      // metres
  bool absolute = false;
};

ComPtr<IPoint> CopyPoint(IPoint* p) {
  auto clone = RequireInterface<IClone>(p);
  ComPtr<IClone> copy;
  Check(clone->Clone(copy.put()));
  return RequireInterface<IPoint>(copy.get());
}

std::wstring Format(UINT id, const std::vector<win::FormatArgument>& args) {
  std::wstring out;
  if (!win::FormatInserts(LoadResString(id), args, &out)) return LoadResString(id);
  return out;
}

std::wstring LayerName(ILayer* layer) {
  Bstr name;
  if (layer) layer->get_Name(&name);
  return name.str();
}

double NumberOf(IFeature* f, LONG index) {
  Variant v;
  if (index < 0 || FAILED(f->get_Value(index, &v))) return 0.0;
  Variant d;
  if (FAILED(VariantChangeType(&d, &v, 0, VT_R8))) return 0.0;
  return d.dblVal;
}

class Run {
 public:
  Run(HookStruct& hook, const ThreatDomeRunParameters& p) : hook_(hook), p_(p), progress_(hook) {}

  ThreatDomeRunOutcome Go() {
    if (!Validate() || !Collect()) return std::move(out_);
    ComPtr<IPoint> centre = Centre();
    if (!centre) return std::move(out_);
    ComPtr<ISpatialReference> aeqd = Projection(centre.get());
    if (!aeqd || !ProjectObservers(aeqd.get())) return std::move(out_);
    ComPtr<IEnvelope> extent = Extent(aeqd.get());
    if (!extent) return std::move(out_);
    out_.workFolder = MakeUniqueWorkFolder(Bstr(L"ThreatDome"), L"glb", L"tdm").str();
    ComPtr<ISurface> surface = BaseSurface(extent.get());
    if (!surface || !KeepGoing()) return std::move(out_);
    if (!Heights(surface.get()) || !KeepGoing()) return std::move(out_);

    auto group = CreateHostObject<ILayer>(host::CLSID_GroupLayer);
    out_.groupName = MakeThreatDomeGroupName(hook_, LayerName(p_.baseLayer.get()));
    Check(group->put_Name(Bstr(out_.groupName)));
    const long long n = static_cast<long long>(observers_.size());
    for (std::size_t i = 0; i < observers_.size(); ++i) {
      ShowStatusText(hook_, 0,
                     Bstr(Format(kIdsThreatDomeGenerating, {static_cast<long long>(i + 1), n})));
      if (!KeepGoing()) return Discard();
      CThreatDome dome(kDomeStep, kDomeStep);
      dome.BuildThreatDomeGeometry(observers_[i].analysis.get(), observers_[i].radius,
                                   surface.get());
      if (!dome.Dome()) {
        out_.messages.push_back({kIdsDomeRadiusNotPositive, MB_ICONEXCLAMATION});
        return Discard();
      }
      if (!KeepGoing()) return Discard();
      if (dome.WriteThreatDomeOutput(group.get(), L"", out_.workFolder) != S_OK) {
        out_.messages.push_back({kIdsDomesNotWritten, MB_ICONEXCLAMATION});
        return Discard();
      }
      ++out_.domes;
    }
    ComPtr<IBasicMap> map;
    hook_.GetBasicFocusMap(map.put());
    if (!map) ThrowComError(E_POINTER);
    Check(map->AddLayer(group.get()));
    out_.group = group;
    if (!KeepGoing()) return std::move(out_);
    ConfigureGlobe(group.get());
    ShowStatusTextById(hook_, 0, kIdsThreatDomeDone);
    out_.done = true;
    return std::move(out_);
  }

 private:
  // Asks the cancel tracker; a stop shows "Operation cancelled".
  bool KeepGoing() {
    if (progress_.KeepGoing()) return true;
    out_.cancelled = true;
    return false;
  }

  // A stopped run leaves no dome files that look like a finished run's.
  ThreatDomeRunOutcome Discard() {
    if (!out_.workFolder.empty()) {
      auto props = CreateHostObject<IPropertySet>(host::CLSID_PropertySet);
      Check(props->SetProperty(Bstr(L"DATABASE"), Variant(Bstr(out_.workFolder))));
      auto factory = CreateHostObject<IWorkspaceFactory>(host::CLSID_ShapefileWorkspaceFactory);
      ComPtr<IWorkspace> ws;
      if (SUCCEEDED(factory->Open(props.get(), nullptr, ws.put())) && ws)
        if (auto features = QueryAs<IFeatureWorkspace>(ws.get()))
          for (const wchar_t* name : {L"Dome", L"Wireframe"}) {
            ComPtr<IFeatureClass> fc;
            if (SUCCEEDED(features->OpenFeatureClass(Bstr(name), fc.put())) && fc)
              if (auto ds = QueryAs<IDataset>(fc.get())) ds->Delete();
          }
    }
    return std::move(out_);
  }

  bool Validate() {
    ShowStatusTextById(hook_, 0, kIdsThreatDomeValidating);
    if (!p_.baseLayer) return false;
    if (p_.inputType == 0 && !p_.observerLayer) return false;
    if (p_.inputType == 1 && p_.listOpen && p_.observerList.empty()) {
      out_.messages.push_back({kIdsAtLeastOneObserver, MB_ICONEXCLAMATION});
      return false;
    }
    return true;
  }

  bool Collect() {
    if (!KeepGoing()) return false;
    observers_.clear();
    wgs84_ = MakeWgs84();
    if (!KeepGoing()) return false;
    ShowStatusTextById(hook_, 0, kIdsThreatDomeInitializing);
    if (p_.inputType == 0) {
      auto featureLayer = RequireInterface<IFeatureLayer>(p_.observerLayer.get());
      ComPtr<IFeatureClass> fc;
      Check(featureLayer->get_FeatureClass(fc.put()));
      if (!fc) ThrowComError(E_POINTER);
      RequireInterface<IGeoDataset>(fc.get())->get_SpatialReference(observersSr_.put());
      ComPtr<IFeatureCursor> cursor;
      if (FAILED(fc->Search(nullptr, VARIANT_FALSE, cursor.put())) || !cursor) return false;
      LONG radiusField = -1, heightOffsetField = -1, spotField = -1;
      fc->FindField(Bstr(ObserverFieldNames[kFieldRadius2]), &radiusField);
      fc->FindField(Bstr(ObserverFieldNames[kFieldOffsetA]), &heightOffsetField);
      fc->FindField(Bstr(ObserverFieldNames[kFieldSpot]), &spotField);
      double spot = 0.0;
      for (;;) {
        ComPtr<IFeature> f;
        if (FAILED(cursor->NextFeature(f.put())) || !f) break;
        Observer o;
        o.radius = std::fabs(NumberOf(f.get(), radiusField));
        const double heightOffset = NumberOf(f.get(), heightOffsetField);
        if (spotField >= 0) spot = NumberOf(f.get(), spotField);
        ComPtr<IGeometry> shape;
        f->get_Shape(shape.put());
        auto point = QueryAs<IPoint>(shape.get());
        if (!point) {
          out_.messages.push_back({kIdsObserverNotAPoint, MB_ICONEXCLAMATION});
          return false;
        }
        o.entered = CopyPoint(point.get());
        o.entered->put_ZAware(VARIANT_TRUE);
        o.entered->put_Z(0.0);
        o.entered->put_SpatialReference(observersSr_.get());
        o.absolute = spotField >= 0;
        o.height = o.absolute ? spot + heightOffset : heightOffset;
        observers_.push_back(o);
      }
    } else {
      observersSr_ = wgs84_;
      std::vector<ThreatDomeObserverInput> inputs =
          p_.listOpen ? p_.observerList : std::vector<ThreatDomeObserverInput>{p_.current};
      for (const auto& in : inputs) {
        Observer o;
        o.radius = in.domeRadius * kMetresPerKilometre;
        o.absolute = in.elevationGiven;
        o.height = in.elevationGiven ? in.heightOffset + in.elevation : in.heightOffset;
        o.entered = CreateHostObject<IPoint>(host::CLSID_Point);
        o.entered->PutCoords(in.longitude, in.latitude);
        o.entered->put_ZAware(VARIANT_TRUE);
        o.entered->put_SpatialReference(wgs84_.get());
        observers_.push_back(o);
      }
    }
    if (observers_.empty()) {
      out_.messages.push_back({kIdsAtLeastOneObserver, MB_ICONEXCLAMATION});
      return false;
    }
    for (const Observer& o : observers_)
      if (!(o.radius > 0.0) || !std::isfinite(o.radius)) {
        out_.messages.push_back({kIdsDomeRadiusNotPositive, MB_ICONEXCLAMATION});
        return false;
      }
    return true;
  }

  ComPtr<IPoint> Centre() {
    if (observers_.size() == 1) return CopyPoint(observers_[0].entered.get());
    if (!KeepGoing()) return nullptr;
    ComPtr<IEnvelope> all;
    for (const Observer& o : observers_) {
      ComPtr<IEnvelope> e;
      Check(o.entered->get_Envelope(e.put()));
      if (!all)
        all = e;
      else
        Check(all->Union(e.get()));
    }
    ComPtr<IPoint> centre;
    Check(all->get_Center(centre.put()));
    centre->put_SpatialReference(observersSr_.get());
    return centre;
  }

  ComPtr<ISpatialReference> Projection(IPoint* centre) {
    ComPtr<IPoint> geographic = CopyPoint(centre);
    geographic->put_SpatialReference(observersSr_.get());
    if (FAILED(geographic->Project(wgs84_.get()))) return nullptr;
    if (!KeepGoing()) return nullptr;
    ComPtr<ISpatialReference> aeqd;
    MakeAzimuthalEquidistantProjection(aeqd.put(), geographic.get());
    return aeqd;
  }

  bool ProjectObservers(ISpatialReference* aeqd) {
    if (!KeepGoing()) return false;
    for (Observer& o : observers_) {
      o.analysis = CopyPoint(o.entered.get());
      o.analysis->put_SpatialReference(observersSr_.get());
      if (FAILED(o.analysis->Project(aeqd))) return false;
    }
    return true;
  }

  ComPtr<IEnvelope> Extent(ISpatialReference* aeqd) {
    if (!KeepGoing()) return nullptr;
    ComPtr<IEnvelope> all;
    for (const Observer& o : observers_) {
      double x = 0, y = 0;
      o.analysis->QueryCoords(&x, &y);
      auto e = CreateHostObject<IEnvelope>(host::CLSID_Envelope);
      Check(e->PutCoords(x - o.radius, y - o.radius, x + o.radius, y + o.radius));
      e->put_SpatialReference(aeqd);
      if (!all)
        all = e;
      else
        Check(all->Union(e.get()));
    }
    Check(all->Expand(kExtentRatio, kExtentRatio, VARIANT_TRUE));
    return all;
  }

  ComPtr<ISurface> BaseSurface(IEnvelope* extent) {
    if (!KeepGoing()) return nullptr;
    const TemporaryNameClaim claim(out_.workFolder, L"dmsf");
    const std::wstring& temp = claim.Name();
    auto workspace = QueryAs<IWorkspace>(OpenWorkspaceFromFolder(Bstr(out_.workFolder)).get());
    if (!workspace) ThrowComError(E_POINTER);
    ShowStatusText(hook_, 0,
                   Bstr(LoadResString(kIdsThreatDomeExtracting) + LayerName(p_.baseLayer.get()) +
                        LoadResString(kIdsThreatDomeEscapeHint)));
    // The area in WGS 84 degrees, and the source warped over it into the analysis grid: the
    // catalog layer's clip, or the layer's own raster.
    ComPtr<IClone> copy;
    Check(RequireInterface<IClone>(extent)->Clone(copy.put()));
    auto area = RequireInterface<IEnvelope>(copy.get());
    if (FAILED(area->Project(wgs84_.get()))) return NoSurface();
    surface_ = PrepareSurface({.surfaceLayer = p_.baseLayer,
                               .area = area,
                               .workFolder = out_.workFolder,
                               .name = temp,
                               .workspace = workspace,
                               .grid = SurfaceGrid::kAzimuthalWarped,
                               .requireReference = true});
    if (surface_.failure == SurfaceFailure::kNoReference) {
      out_.messages.push_back({kIdsSurfaceWithoutReference, MB_ICONEXCLAMATION});
      return nullptr;
    }
    if (!KeepGoing()) return nullptr;
    ComPtr<ISurface> surface = surface_.layer ? GetSurfaceFromLayer(surface_.layer.get()) : nullptr;
    if (!surface) return NoSurface();
    surface->put_ZFactor(1.0);
    // The observers in the grid's own system (the analysis projection as the file keeps it).
    ComPtr<ISpatialReference> gridSr;
    surface_.dataset->get_SpatialReference(gridSr.put());
    for (Observer& o : observers_)
      if (FAILED(o.analysis->Project(gridSr.get()))) return NoSurface();
    return surface;
  }

  ComPtr<ISurface> NoSurface() {
    out_.messages.push_back({kIdsNoBaseSurface, MB_ICONEXCLAMATION});
    return nullptr;
  }

  bool Heights(ISurface* surface) {
    if (!KeepGoing()) return false;
    for (Observer& o : observers_) {
      double ground = 0.0;
      VARIANT_BOOL isVoid = VARIANT_TRUE;
      if (SUCCEEDED(surface->GetElevation(o.analysis.get(), &ground)))
        surface->IsVoidZ(ground, &isVoid);
      if (isVoid != VARIANT_FALSE) {
        out_.messages.push_back({kIdsPointOutsideSurface, MB_ICONEXCLAMATION});
        return false;
      }
      o.analysis->put_ZAware(VARIANT_TRUE);
      o.analysis->put_Z(o.absolute ? o.height : ground + o.height);
    }
    return true;
  }

  // The globe draws the new layers.
  // The globe is redrawn; each member of the group is drawn without the sun's lighting, so a
  // dome keeps its own colour whichever side the sun is on.
  void ConfigureGlobe(ILayer* group) {
    ComPtr<IGlobe> globe;
    hook_.GetGlobe(globe.put());
    if (!globe) return;
    ComPtr<IGlobeDisplay> display;
    globe->get_GlobeDisplay(display.put());
    if (!display) return;
    display->RefreshViewers();
    auto layers = QueryAs<IGlobeDisplayLayers>(display.get());
    auto members = QueryAs<ICompositeLayer>(group);
    if (!layers || !members) return;
    LONG n = 0;
    members->get_Count(&n);
    for (LONG i = 0; i < n; ++i) {
      ComPtr<ILayer> member;
      if (FAILED(members->get_Layer(i, member.put())) || !member) continue;
      ComPtr<IGlobeLayerProperties> properties;
      Check(layers->get_LayerProperties(member.get(), properties.put()));
      Check(properties->put_Lighting(VARIANT_FALSE));
      Check(layers->RefreshLayer(member.get()));
    }
  }

  HookStruct& hook_;
  const ThreatDomeRunParameters& p_;
  ThreatDomeRunOutcome out_;
  RunProgress progress_;
  ComPtr<ISpatialReference> wgs84_;
  ComPtr<ISpatialReference> observersSr_;
  std::vector<Observer> observers_;
  PreparedSurface surface_;
};

}  // namespace

std::wstring MakeThreatDomeGroupName(HookStruct& hook, const std::wstring& baseLayerName) {
  std::set<std::wstring> taken;
  if (ComPtr<IEnumLayer> groups = GetLayersByInterface(hook, IidOf<ICompositeLayer>())) {
    groups->Reset();
    for (;;) {
      ComPtr<ILayer> layer;
      if (groups->Next(layer.put()) != S_OK || !layer) break;
      taken.insert(LayerName(layer.get()));
    }
  }
  std::wstring name = Format(kIdsThreatDomeGroup, {baseLayerName});
  for (long long n = 2; taken.count(name); ++n)
    name = Format(kIdsThreatDomeGroupNumbered, {n, baseLayerName});
  return name;
}

ThreatDomeRunOutcome RunThreatDome(HookStruct& hook, const ThreatDomeRunParameters& parameters) {
  ThreatDomeRunOutcome out = Run(hook, parameters).Go();
  // The work folder is this run's own: a run that put nothing on the globe leaves none behind.
  if (!out.done && !out.group && !out.workFolder.empty()) {
    std::error_code ec;
    std::filesystem::remove_all(std::filesystem::path(ToUtf8(out.workFolder)), ec);
    out.workFolder.clear();
  }
  return out;
}

}  // namespace velk::corvane
