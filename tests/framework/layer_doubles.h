// Small layer doubles for dialog tests: a host layer that answers the general layer interface
// and any further interface identifiers it is given (the catalog layers' among them).
#pragma once

#include <string>
#include <vector>

#include "platform/com/object.h"
#include "platform/host/layer.h"

namespace velk::test {

class FakeLayer : public ComObjectRoot<FakeLayer, ILayer> {
 public:
  void Init(std::wstring name, std::vector<IID> answers, bool valid = true) {
    name_ = std::move(name);
    answers_ = std::move(answers);
    valid_ = valid;
  }
  HRESULT QueryExtra(REFIID riid, void** ppv) {
    for (const IID& iid : answers_)
      if (iid == riid) {
        *ppv = static_cast<ILayer*>(this);
        AddRef();
        return S_OK;
      }
    return E_NOINTERFACE;
  }
  HRESULT get_Name(BSTR* name) override {
    if (!name) return E_POINTER;
    *name = AllocBstr(name_);
    return S_OK;
  }
  HRESULT put_Name(BSTR name) override {
    name_ = BstrToWstring(name);
    return S_OK;
  }
  HRESULT get_Visible(VARIANT_BOOL* v) override {
    if (!v) return E_POINTER;
    *v = VARIANT_TRUE;
    return S_OK;
  }
  HRESULT put_Visible(VARIANT_BOOL) override { return S_OK; }
  HRESULT get_Valid(VARIANT_BOOL* v) override {
    if (!v) return E_POINTER;
    *v = valid_ ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
  }

 private:
  std::wstring name_;
  std::vector<IID> answers_;
  bool valid_ = true;
};

inline ComPtr<ILayer> MakeLayer(std::wstring name, std::vector<IID> answers, bool valid = true) {
  ComObject<FakeLayer>* p = nullptr;
  Check(ComObject<FakeLayer>::Create(&p));
  p->Init(std::move(name), std::move(answers), valid);
  ComPtr<ILayer> r(static_cast<ILayer*>(p));
  p->Release();
  return r;
}

}  // namespace velk::test
