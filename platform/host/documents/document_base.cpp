#include "platform/host/documents/document_base.h"

namespace velk::host {

DocumentBase::DocumentBase() {
  ComObject<CommandBars>* bars = nullptr;
  Check(ComObject<CommandBars>::Create(&bars));
  bars_ = ComPtr<CommandBars>::Attach(bars);
}

void DocumentBase::SetParent(IApplication* application) {
  parent_ = application;
  bars_->SetHook(application);
}

HRESULT DocumentBase::GetTitle(BSTR* title) const {
  if (!title) return E_POINTER;
  *title = AllocBstr(title_);
  return S_OK;
}

HRESULT DocumentBase::GetParent(IApplication** application) const {
  if (!application) return E_POINTER;
  *application = parent_;
  if (parent_) parent_->AddRef();
  return S_OK;
}

HRESULT DocumentBase::GetCommandBars(ICommandBars** bars) const {
  if (!bars) return E_POINTER;
  *bars = bars_.get();
  (*bars)->AddRef();
  return S_OK;
}

}  // namespace velk::host
