// The 3-D view control with its scene and camera, the table of contents and the toolbar that
// work on it, as window classes a dialog template can name.
#include <map>
#include <type_traits>
#include <vector>

#include "platform/host/geometry/geometry.h"
#include "platform/host/geometry/geometry_objects.h"
#include "platform/host/display/layer.h"
#include "platform/host/data/raster.h"
#include "platform/host/display/scene.h"
#include "platform/host/geometry/spatial_reference.h"
#include "platform/win/clock.h"
#include "platform/win/messages.h"
#include "platform/win/window.h"

namespace velk::host {
namespace {

class Scene : public ComObjectRoot<Scene, IScene> {
 public:
  HRESULT get_Name(BSTR* name) override { return CopyText(name_, name); }
  HRESULT put_Name(BSTR name) override { return SetText(name_, name); }
  HRESULT get_Description(BSTR* text) override { return CopyText(description_, text); }
  HRESULT put_Description(BSTR text) override { return SetText(description_, text); }
  HRESULT get_SpatialReference(ISpatialReference** sr) override { return sr_.CopyTo(sr); }
  HRESULT putref_SpatialReference(ISpatialReference* sr) override {
    sr_ = ComPtr<ISpatialReference>(sr);
    return S_OK;
  }
  HRESULT AddLayer(ILayer* layer, VARIANT_BOOL) override {
    if (!layer) return E_POINTER;
    for (const auto& l : layers_)
      if (IsSameObject(l.get(), layer)) return S_FALSE;
    layers_.emplace_back(layer);
    return S_OK;
  }
  HRESULT DeleteLayer(ILayer* layer) override {
    for (auto it = layers_.begin(); it != layers_.end(); ++it)
      if (IsSameObject(it->get(), layer)) {
        layers_.erase(it);
        return S_OK;
      }
    return S_FALSE;
  }
  HRESULT get_LayerCount(LONG* count) override {
    if (!count) return E_POINTER;
    *count = static_cast<LONG>(layers_.size());
    return S_OK;
  }
  HRESULT get_Layer(LONG index, ILayer** layer) override {
    if (!layer) return E_POINTER;
    *layer = nullptr;
    if (index < 0 || index >= static_cast<LONG>(layers_.size())) return E_INVALIDARG;
    return layers_[static_cast<std::size_t>(index)].CopyTo(layer);
  }
  HRESULT get_ExaggerationFactor(double* factor) override {
    if (!factor) return E_POINTER;
    *factor = factor_;
    return S_OK;
  }
  HRESULT put_ExaggerationFactor(double factor) override {
    if (!(factor > 0)) return E_INVALIDARG;
    factor_ = factor;
    return S_OK;
  }
  HRESULT get_BaseSurface(ISurface** surface) override { return surface_.CopyTo(surface); }
  HRESULT putref_BaseSurface(ISurface* surface) override {
    surface_ = ComPtr<ISurface>(surface);
    return S_OK;
  }

 private:
  static HRESULT CopyText(const std::wstring& from, BSTR* to) {
    if (!to) return E_POINTER;
    *to = AllocBstr(from);
    return S_OK;
  }
  static HRESULT SetText(std::wstring& to, BSTR from) {
    to = BstrToWstring(from);
    return S_OK;
  }
  std::wstring name_, description_;
  ComPtr<ISpatialReference> sr_;
  std::vector<ComPtr<ILayer>> layers_;
  ComPtr<ISurface> surface_;
  double factor_ = 1.0;
};

// A camera point: a copy of x, y and z.
struct Place {
  double x = 0, y = 0, z = 0;
};

class SceneCamera : public ComObjectRoot<SceneCamera, ISceneCamera> {
 public:
  HRESULT get_Observer(IPoint** point) override { return Give(observer_, point); }
  HRESULT put_Observer(IPoint* point) override { return Take(point, observer_); }
  HRESULT get_Target(IPoint** point) override { return Give(target_, point); }
  HRESULT put_Target(IPoint* point) override { return Take(point, target_); }
  HRESULT get_RollAngle(double* degrees) override {
    if (!degrees) return E_POINTER;
    *degrees = roll_;
    return S_OK;
  }
  HRESULT put_RollAngle(double degrees) override {
    roll_ = degrees;
    return S_OK;
  }
  const Place& Observer() const { return observer_; }
  const Place& Target() const { return target_; }

 private:
  static HRESULT Give(const Place& p, IPoint** point) {
    if (!point) return E_POINTER;
    ComPtr<IPoint> made = NewPoint(p.x, p.y);
    made->put_ZAware(VARIANT_TRUE);
    made->put_Z(p.z);
    *point = made.Detach();
    return S_OK;
  }
  static HRESULT Take(IPoint* point, Place& p) {
    if (!point) return E_POINTER;
    Place next;
    if (FAILED(point->QueryCoords(&next.x, &next.y))) return E_INVALIDARG;
    VARIANT_BOOL zAware = VARIANT_FALSE;
    point->get_ZAware(&zAware);
    if (zAware) point->get_Z(&next.z);
    if (next.z != next.z) next.z = 0;  // a point without a height stands on zero
    p = next;
    return S_OK;
  }
  Place observer_{0, 0, 1000}, target_;
  double roll_ = 0;
};

class SceneControl : public ComObjectRoot<SceneControl, ISceneControl, ISceneViewer> {
 public:
  HRESULT FinalConstruct() {
    scene_ = MakeObjectPtr<Scene, IScene>();
    camera_ = MakeObjectPtr<SceneCamera, ISceneCamera>();
    return S_OK;
  }
  HRESULT get_Scene(IScene** scene) override { return scene_.CopyTo(scene); }
  HRESULT get_SceneViewer(ISceneViewer** viewer) override {
    if (!viewer) return E_POINTER;
    *viewer = static_cast<ISceneViewer*>(this);
    (*viewer)->AddRef();
    return S_OK;
  }
  HRESULT get_Camera(ISceneCamera** camera) override { return camera_.CopyTo(camera); }
  HRESULT get_Mode(LONG* mode) override {
    if (!mode) return E_POINTER;
    *mode = mode_;
    return S_OK;
  }
  HRESULT put_Mode(LONG mode) override {
    mode_ = mode;
    return S_OK;
  }
  HRESULT get_CurrentTool(IUnknown** command) override { return tool_.CopyTo(command); }
  HRESULT putref_CurrentTool(IUnknown* command) override {
    tool_ = ComPtr<IUnknown>(command);
    return S_OK;
  }
  HRESULT Redraw(VARIANT_BOOL) override {
    auto* camera = static_cast<SceneCamera*>(camera_.get());
    CameraRecord r;
    r.tick = static_cast<long long>(win::Now());
    const Place& o = camera->Observer();
    const Place& t = camera->Target();
    r.observer[0] = o.x, r.observer[1] = o.y, r.observer[2] = o.z;
    r.target[0] = t.x, r.target[1] = t.y, r.target[2] = t.z;
    path_.push_back(r);
    return S_OK;
  }
  HRESULT get_RedrawCount(LONG* count) override {
    if (!count) return E_POINTER;
    *count = static_cast<LONG>(path_.size());
    return S_OK;
  }
  const std::vector<CameraRecord>& Path() const { return path_; }

 private:
  ComPtr<IScene> scene_;
  ComPtr<ISceneCamera> camera_;
  ComPtr<IUnknown> tool_;
  LONG mode_ = 0;
  std::vector<CameraRecord> path_;
};

class SceneCommand : public ComObjectRoot<SceneCommand, ISceneCommand> {
 public:
  void Init(const wchar_t* name) { name_ = name; }
  HRESULT get_Name(BSTR* name) override {
    if (!name) return E_POINTER;
    *name = AllocBstr(name_);
    return S_OK;
  }

 private:
  std::wstring name_;
};

class SceneToc : public ComObjectRoot<SceneToc, ISceneBuddyControl> {
 public:
  HRESULT get_Buddy(IUnknown** control) override { return buddy_.CopyTo(control); }
  HRESULT SetBuddyControl(IUnknown* control) override {
    buddy_ = ComPtr<IUnknown>(control);
    return S_OK;
  }

 private:
  ComPtr<IUnknown> buddy_;
};

class SceneToolbar : public ComObjectRoot<SceneToolbar, ISceneBuddyControl, ISceneToolbar> {
 public:
  HRESULT FinalConstruct() {
    for (const wchar_t* name : {L"Navigate", L"Zoom In/Out", L"Pan", L"Full Extent"}) {
      ComObject<SceneCommand>* c = nullptr;
      HRESULT hr = ComObject<SceneCommand>::Create(&c);
      if (FAILED(hr)) return hr;
      c->Init(name);
      items_.emplace_back(static_cast<ISceneCommand*>(c));
      c->Release();
    }
    return S_OK;
  }
  HRESULT get_Buddy(IUnknown** control) override { return buddy_.CopyTo(control); }
  HRESULT SetBuddyControl(IUnknown* control) override {
    buddy_ = ComPtr<IUnknown>(control);
    return S_OK;
  }
  HRESULT get_ItemCount(LONG* count) override {
    if (!count) return E_POINTER;
    *count = static_cast<LONG>(items_.size());
    return S_OK;
  }
  HRESULT GetItemCommand(LONG index, ISceneCommand** command) override {
    if (!command) return E_POINTER;
    *command = nullptr;
    if (index < 0 || index >= static_cast<LONG>(items_.size())) return E_INVALIDARG;
    return items_[static_cast<std::size_t>(index)].CopyTo(command);
  }
  HRESULT get_CurrentTool(IUnknown** command) override { return tool_.CopyTo(command); }
  HRESULT putref_CurrentTool(IUnknown* command) override {
    tool_ = ComPtr<IUnknown>(command);
    return S_OK;
  }

 private:
  ComPtr<IUnknown> buddy_, tool_;
  std::vector<ComPtr<ISceneCommand>> items_;
};

std::map<HWND, ComPtr<IUnknown>>& Controls() {
  static std::map<HWND, ComPtr<IUnknown>> controls;
  return controls;
}
// The view windows in the order they were made.
std::vector<HWND>& Views() {
  static std::vector<HWND> views;
  return views;
}

template <class T, class I>
LRESULT ControlProc(HWND window, UINT message, WPARAM wp, LPARAM lp) {
  if (message == WM_CREATE) {
    Controls()[window] = MakeObjectPtr<T, I>().template As<IUnknown>();
    if constexpr (std::is_same_v<T, SceneControl>) Views().push_back(window);
  } else if (message == WM_NCDESTROY) {
    Controls().erase(window);
    std::erase(Views(), window);
  }
  return ::DefWindowProcW(window, message, wp, lp);
}

void Register(const wchar_t* name, WNDPROC proc) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = proc;
  wc.lpszClassName = name;
  ::RegisterClassExW(&wc);
}

}  // namespace

void RegisterSceneControlClasses() {
  static bool done = false;
  if (done) return;
  done = true;
  Register(kSceneViewClass, &ControlProc<SceneControl, ISceneControl>);
  Register(kSceneTocClass, &ControlProc<SceneToc, ISceneBuddyControl>);
  Register(kSceneToolbarClass, &ControlProc<SceneToolbar, ISceneToolbar>);
}

ComPtr<IUnknown> SceneControlOfWindow(HWND window) {
  auto it = Controls().find(window);
  return it == Controls().end() ? nullptr : it->second;
}

ComPtr<IUnknown> LatestSceneView() {
  return Views().empty() ? nullptr : SceneControlOfWindow(Views().back());
}

std::vector<CameraRecord> CameraPathOf(IUnknown* control) {
  auto viewer = QueryAs<ISceneControl>(control);
  if (!viewer) return {};
  return static_cast<SceneControl*>(viewer.get())->Path();
}

}  // namespace velk::host
