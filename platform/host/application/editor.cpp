#include "platform/host/application/editor.h"

#include "platform/host/data/feature_class.h"
#include "platform/host/display/layer_kinds.h"

namespace velk::host {
namespace {

class Editor : public ComObjectRoot<Editor, IExtension, IEditor, IEditLayers> {
 public:
  HRESULT get_Name(BSTR* name) override {
    if (!name) return E_POINTER;
    *name = AllocBstr(kEditorExtensionName);
    return S_OK;
  }
  HRESULT Startup(VARIANT*) override { return S_OK; }
  HRESULT Shutdown() override {
    target_.Reset();
    open_ = false;
    return S_OK;
  }

  HRESULT get_EditState(LONG* state) override {
    if (!state) return E_POINTER;
    *state = target_ ? kEditStateEditing : kEditStateNotEditing;
    return S_OK;
  }
  HRESULT StartEditing(IFeatureLayer* target) override {
    if (target_) return E_UNEXPECTED;
    ComPtr<IFeatureClass> features;
    if (!target || FAILED(target->get_FeatureClass(features.put())) || !features)
      return E_INVALIDARG;
    target_ = target;
    return S_OK;
  }
  HRESULT StopEditing() override {
    open_ = false;
    target_.Reset();
    return S_OK;
  }
  HRESULT StartOperation() override {
    if (!target_ || open_) return E_UNEXPECTED;
    open_ = true;
    return S_OK;
  }
  HRESULT StopOperation(BSTR name) override {
    if (!open_) return E_UNEXPECTED;
    open_ = false;
    operations_.push_back(name ? std::wstring(name, SysStringLen(name)) : std::wstring());
    return S_OK;
  }
  HRESULT AbortOperation() override {
    if (!open_) return E_UNEXPECTED;
    open_ = false;
    return S_OK;
  }

  HRESULT get_CurrentLayer(IFeatureLayer** layer) override { return target_.CopyTo(layer); }

  std::vector<std::wstring> operations_;

 private:
  ComPtr<IFeatureLayer> target_;
  bool open_ = false;
};

}  // namespace

ComPtr<IExtension> MakeEditor() { return MakeObjectPtr<Editor, IExtension>(); }

std::vector<std::wstring> EditorOperations(IUnknown* editor) {
  auto e = QueryAs<IEditor>(editor);
  if (!e) return {};
  return static_cast<Editor*>(e.get())->operations_;
}

}  // namespace velk::host
