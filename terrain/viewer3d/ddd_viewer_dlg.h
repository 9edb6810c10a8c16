// The 3-D viewer: the data cut to the dragged rectangle (the ground from the surface layer, the
// chosen layers clipped into a work folder of their own, the observer and flight-path layers as
// they are), shown in the host's 3-D view with threat domes over an observer layer's points and
// flights along a flight path on a 100 ms timer.
#pragma once

#include <string>
#include <vector>

#include "framework/basic_window_impl.h"
#include "platform/host/geometry/geometry.h"
#include "platform/host/display/layer.h"
#include "platform/host/display/layer_kinds.h"
#include "platform/host/data/raster.h"
#include "platform/host/display/scene.h"
#include "platform/host/data/set.h"
#include "platform/host/data/track_cancel.h"
#include "terrain/viewer3d/flight_path.h"

struct IFeatureClass;
struct IGeoDataset;
struct IGraphicsContainer;

namespace velk::corvane {

// Control ids of dialog 3048.
namespace dv {
constexpr int kToolbar = 3588;
constexpr int kToc = 3585;
constexpr int kView = 3561;
constexpr int kObserverLabel = 3616;
constexpr int kObservers = 3555;
constexpr int kBuildDomes = 3043;
constexpr int kClearDomes = 3818;
constexpr int kFlightLabel = 3618;
constexpr int kFlightPaths = 3539;
constexpr int kPlay = 3016;
}  // namespace dv

// What a list of the selection dialog hands over.
constexpr LONG kExtractMapLayers = 0;
constexpr LONG kExtractObservers = 1;
constexpr LONG kExtractFlightPaths = 2;

constexpr UINT kViewerTimerId = 1;
constexpr UINT kViewerTimerMs = 100;

// A step of the dome grid in degrees: the settings' value when it is a number in (0, limit],
// else 10 (a zero step would divide by zero, a negative one make a grid of negative size).
double ViewerDomeStep(double value, double limit);

class DDDViewerDlg : public CBasicWindowImpl<DDDViewerDlg> {
 public:
  enum { IDD = 3048 };

  // Host access from the caller's hook; cancel may be null (nothing is ever cancelled). Makes
  // the work folder.
  DDDViewerDlg(HookStruct& caller, ITrackCancel* cancel);
  ~DDDViewerDlg() override;

  BEGIN_MSG_MAP(DDDViewerDlg)
  MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
  MESSAGE_HANDLER(WM_SIZE, OnSize)
  MESSAGE_HANDLER(WM_TIMER, OnTimer)
  MESSAGE_HANDLER(WM_HELP, OnHelp)
  MESSAGE_HANDLER(WM_CONTEXTMENU, OnContextMenu)
  MESSAGE_HANDLER(WM_DESTROY, OnDestroy)
  COMMAND_ID_HANDLER(IDOK, OnClose)
  COMMAND_ID_HANDLER(IDCANCEL, OnClose)
  COMMAND_HANDLER(dv::kBuildDomes, BN_CLICKED, OnBuildDomes)
  COMMAND_HANDLER(dv::kClearDomes, BN_CLICKED, OnClearDomes)
  COMMAND_HANDLER(dv::kPlay, BN_CLICKED, OnPlay)
  END_MSG_MAP()

  // Extraction (before the window exists).
  // Starts a launch: the extent to cut, and no layers left out yet.
  void SetExtent(IEnvelope* extent);
  // The feature layers of vector products that the launch left out: the map never opened their
  // data, so there was nothing to cut.
  const std::vector<std::wstring>& LeftOutLayers() const { return leftOut_; }
  void ExtractViewerSurface(ILayer* layer);
  void ExtractLayersToShapefiles(LONG kind, ISet* layers);
  void CreateExtentClipTable();
  void ExtractGroupLayer(ILayer* source, IGroupLayer* target);
  ComPtr<ISurface> GetViewerLayerSurface(ILayer* layer);
  // Whether the tracker still lets the work go on; a stop shows "Operation cancelled" once.
  bool KeepGoing();
  bool WasCancelled() const { return cancelled_; }

  const std::wstring& WorkFolder() const { return workFolder_; }
  ILayer* SurfaceLayer() const { return surfaceLayer_.get(); }
  ISurface* Surface() const { return surface_.get(); }
  const std::vector<ComPtr<ILayer>>& Layers() const { return layers_; }
  const std::vector<ComPtr<ILayer>>& ObserverLayers() const { return observerLayers_; }
  const std::vector<ComPtr<ILayer>>& FlightPathLayers() const { return flightPathLayers_; }
  double RadialStep() const { return radialStep_; }
  double WireframeStep() const { return wireframeStep_; }
  UINT_PTR TimerId() const { return timerId_; }
  IGraphicsContainer* ThreatDomes() const;

 private:
  LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnSize(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnTimer(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnDestroy(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnClose(WORD, WORD, HWND, BOOL&);
  LRESULT OnBuildDomes(WORD, WORD, HWND, BOOL&);
  LRESULT OnClearDomes(WORD, WORD, HWND, BOOL&);
  LRESULT OnPlay(WORD, WORD, HWND, BOOL&);

  void ShowProgress(ILayer* layer);
  // The folder (with separator) and base name of a new "ddd" temporary file in the work folder.
  void NewClipName(std::wstring* folder, std::wstring* name);
  // The catalog layer's data in the rectangle as a new raster layer; null when nothing could be
  // clipped. reference, when given, receives the clipped dataset's spatial reference.
  ComPtr<ILayer> ClipCatalogLayer(ILayer* layer, bool reproject,
                                  ISpatialReference** reference = nullptr);
  ComPtr<ILayer> RasterLayerOn(IGeoDataset* dataset);
  void LoadLayers();
  void Drape(ILayer* layer);
  void ReadSurfaceValues();
  void BuildDomes();
  void AddDomeGraphics(const std::wstring& name, IGeometry* dome, IGeometry* wireframe);
  void ClearDomes();
  bool PrepareLookAround(IFeatureClass* features);
  bool PrepareLinePath(IFeatureClass* features);
  void StepFlight();
  void Redraw();
  void ShowMessage(UINT id, const std::wstring& insert);

  ComPtr<IEnvelope> extent_;
  ComPtr<ITrackCancel> cancel_;
  bool cancelled_ = false;
  std::wstring workFolder_;
  std::vector<std::wstring> leftOut_;
  // What the surface's raster layer reports of its grid (columns, rows), handed to every
  // draped layer.
  LONG surfaceValueA_ = 0, surfaceValueB_ = 0;
  ComPtr<ILayer> surfaceLayer_;
  ComPtr<ISurface> surface_;
  ComPtr<ISpatialReference> surfaceReference_;
  std::vector<ComPtr<ILayer>> layers_, observerLayers_, flightPathLayers_;
  ComPtr<IUnknown> shapefileWorkspaceName_;
  ComPtr<IFeatureClass> clipTable_;

  HBITMAP playBitmap_ = nullptr, bitmap3016_ = nullptr, bitmap3818_ = nullptr;
  HWND flightPathCombo_ = nullptr, observerCombo_ = nullptr;
  ComPtr<ISceneControl> viewControl_;
  ComPtr<IScene> scene_;
  ComPtr<ISceneViewer> sceneView_;
  ComPtr<ISceneCamera> camera_;
  double radialStep_ = 10.0, wireframeStep_ = 10.0;
  ComPtr<ILayer> threatDomesLayer_;
  bool domesLayerShown_ = false;

  UINT_PTR timerId_ = 0;
  LONG pathShapeType_ = 0;
  std::vector<FlightPoint> lookAround_;
  FlightPoint lookCentre_;
  LinePath linePath_;
  PathWalk walk_;
  double flightHeight_ = 0;

  struct Anchor {
    int id;
    int distance;
  };
  int bottomMargin_ = 0, rightMargin_ = 0;
  std::vector<Anchor> anchors_;
};

}  // namespace velk::corvane
