#include "platform/host/display/operation_stack.h"

namespace velk::host {

HRESULT OperationStack::get_Count(LONG* count) {
  if (!count) return E_POINTER;
  *count = static_cast<LONG>(done_.size());
  return S_OK;
}

HRESULT OperationStack::get_Item(LONG index, IOperation** operation) {
  if (!operation) return E_POINTER;
  *operation = nullptr;
  if (index < 0 || static_cast<std::size_t>(index) >= done_.size()) return E_INVALIDARG;
  return done_[static_cast<std::size_t>(index)].CopyTo(operation);
}

HRESULT OperationStack::Do(IOperation* operation) {
  if (!operation) return E_POINTER;
  ComPtr<IOperation> op(operation);
  HRESULT hr = op->Do();
  if (FAILED(hr)) return hr;
  done_.push_back(op);
  undone_.clear();
  return S_OK;
}

HRESULT OperationStack::Undo() {
  if (done_.empty()) return S_FALSE;
  ComPtr<IOperation> op = done_.back();
  VARIANT_BOOL can = VARIANT_FALSE;
  if (FAILED(op->get_CanUndo(&can)) || can == VARIANT_FALSE) return S_FALSE;
  HRESULT hr = op->Undo();
  if (FAILED(hr)) return hr;
  done_.pop_back();
  undone_.push_back(op);
  return S_OK;
}

HRESULT OperationStack::Redo() {
  if (undone_.empty()) return S_FALSE;
  ComPtr<IOperation> op = undone_.back();
  VARIANT_BOOL can = VARIANT_FALSE;
  if (FAILED(op->get_CanRedo(&can)) || can == VARIANT_FALSE) return S_FALSE;
  HRESULT hr = op->Redo();
  if (FAILED(hr)) return hr;
  undone_.pop_back();
  done_.push_back(op);
  return S_OK;
}

HRESULT OperationStack::Reset() {
  done_.clear();
  undone_.clear();
  return S_OK;
}

HRESULT CreateOperationStack(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<OperationStack>(outer, riid, ppv);
}

}  // namespace velk::host
