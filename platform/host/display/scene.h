// The host's 3-D view: a scene (its layers, the ground surface the draped layers lie on, the
// vertical factor), the camera that looks at it, and the three controls a dialog holds for it
// (the view, its table of contents and its toolbar). A person looks at what the view holds
// through the glTF picture the view writes (scene_picture.h).
#pragma once

#include <vector>

#include "platform/com/bstr.h"
#include "platform/com/object.h"
#include "platform/win/window_handle.h"

struct ILayer;
struct IPoint;
struct ISpatialReference;
struct ISurface;

struct IScene : IUnknown {
  VELK_INTERFACE_ID("{5B1F7C2A-0D3E-4E61-9A57-2C8E4F6B1D93}")
  virtual HRESULT get_Name(BSTR* name) = 0;
  virtual HRESULT put_Name(BSTR name) = 0;
  virtual HRESULT get_Description(BSTR* text) = 0;
  virtual HRESULT put_Description(BSTR text) = 0;
  virtual HRESULT get_SpatialReference(ISpatialReference** sr) = 0;
  virtual HRESULT putref_SpatialReference(ISpatialReference* sr) = 0;
  // The scene's layers in the order they were added; a layer it holds already is not added
  // twice (S_FALSE).
  virtual HRESULT AddLayer(ILayer* layer, VARIANT_BOOL autoArrange) = 0;
  // S_FALSE for a layer the scene does not hold.
  virtual HRESULT DeleteLayer(ILayer* layer) = 0;
  virtual HRESULT get_LayerCount(LONG* count) = 0;
  virtual HRESULT get_Layer(LONG index, ILayer** layer) = 0;
  // Heights are multiplied by it when shown (1 unless set; E_INVALIDARG for 0 or less).
  virtual HRESULT get_ExaggerationFactor(double* factor) = 0;
  virtual HRESULT put_ExaggerationFactor(double factor) = 0;
  // The ground: the surface the draped layers lie on (none until given).
  virtual HRESULT get_BaseSurface(ISurface** surface) = 0;
  virtual HRESULT putref_BaseSurface(ISurface* surface) = 0;
};

// Where the camera stands (the observer) and what it looks at (the target), in the scene's
// spatial reference with heights in z.
struct ISceneCamera : IUnknown {
  VELK_INTERFACE_ID("{C4D2A8E1-7B39-4F05-8E6A-91D3B5C7F024}")
  virtual HRESULT get_Observer(IPoint** point) = 0;
  virtual HRESULT put_Observer(IPoint* point) = 0;
  virtual HRESULT get_Target(IPoint** point) = 0;
  virtual HRESULT put_Target(IPoint* point) = 0;
  // Degrees the view is turned about its line of sight.
  virtual HRESULT get_RollAngle(double* degrees) = 0;
  virtual HRESULT put_RollAngle(double degrees) = 0;
};

// The view of a scene: redrawing records the camera as it stands (the camera path).
struct ISceneViewer : IUnknown {
  VELK_INTERFACE_ID("{0E7B5D94-3A61-4C28-B0F7-6D24E9A81C35}")
  virtual HRESULT Redraw(VARIANT_BOOL fullDraw) = 0;
  virtual HRESULT get_RedrawCount(LONG* count) = 0;
};

// The 3-D view control of a dialog.
struct ISceneControl : IUnknown {
  VELK_INTERFACE_ID("{9A3C61F0-2E84-4B7D-A519-F06C8D2B4E77}")
  virtual HRESULT get_Scene(IScene** scene) = 0;
  virtual HRESULT get_SceneViewer(ISceneViewer** viewer) = 0;
  virtual HRESULT get_Camera(ISceneCamera** camera) = 0;
  // A setting of the control's own that its owner may change while it sets the control up.
  virtual HRESULT get_Mode(LONG* mode) = 0;
  virtual HRESULT put_Mode(LONG mode) = 0;
  // The command that acts on the view when the user works in it (the toolbar hands it over).
  virtual HRESULT get_CurrentTool(IUnknown** command) = 0;
  virtual HRESULT putref_CurrentTool(IUnknown* command) = 0;
};

// The table of contents and the toolbar of a view control: each works on its buddy.
struct ISceneBuddyControl : IUnknown {
  VELK_INTERFACE_ID("{6F28E4B3-95C1-4A0D-8B72-3E5D1A9C0F68}")
  virtual HRESULT get_Buddy(IUnknown** control) = 0;
  virtual HRESULT SetBuddyControl(IUnknown* control) = 0;
};

// A command of the view's toolbar, known by its name.
struct ISceneCommand : IUnknown {
  VELK_INTERFACE_ID("{2D7A9F13-C6E0-4B58-97A4-E1B30F8D6C52}")
  virtual HRESULT get_Name(BSTR* name) = 0;
};

// The toolbar: its items' commands (navigate, zoom, pan, full extent) and the tool given to it.
struct ISceneToolbar : IUnknown {
  VELK_INTERFACE_ID("{B8E05A27-14D6-4F93-AC3B-7209C6E1D54A}")
  virtual HRESULT get_ItemCount(LONG* count) = 0;
  // The command of item index (E_INVALIDARG outside 0 .. count - 1).
  virtual HRESULT GetItemCommand(LONG index, ISceneCommand** command) = 0;
  virtual HRESULT get_CurrentTool(IUnknown** command) = 0;
  virtual HRESULT putref_CurrentTool(IUnknown* command) = 0;
};

namespace velk::host {

// Window classes of the three controls, as a dialog template names them.
inline constexpr wchar_t kSceneViewClass[] = L"VelkSceneView";
inline constexpr wchar_t kSceneTocClass[] = L"VelkSceneToc";
inline constexpr wchar_t kSceneToolbarClass[] = L"VelkSceneToolbar";

// Registers the three window classes (once per process).
void RegisterSceneControlClasses();

// The control object behind a control window of those classes; null for any other window.
ComPtr<IUnknown> SceneControlOfWindow(HWND window);
// The 3-D view control made last of those whose windows still exist; null when there is none.
ComPtr<IUnknown> LatestSceneView();

// One camera position the view recorded when it was redrawn: the host clock's time (ms) and
// the observer and target (x, y, z in the scene's system).
struct CameraRecord {
  long long tick = 0;
  double observer[3] = {0, 0, 0};
  double target[3] = {0, 0, 0};
};
// The positions a view control recorded, oldest first; empty for anything else.
std::vector<CameraRecord> CameraPathOf(IUnknown* control);

}  // namespace velk::host
