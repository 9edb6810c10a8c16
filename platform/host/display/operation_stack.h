// Undoable operations and the document's operation stack (its undo history).
#pragma once

#include <vector>

#include "platform/com/bstr.h"
#include "platform/com/object.h"

// An undoable operation that the host performs and records.
struct IOperation : IUnknown {
  VELK_INTERFACE_ID("{F86F19B9-8518-4D18-81C4-48CCB3C49555}")
  virtual HRESULT get_MenuString(BSTR* text) = 0;
  virtual HRESULT get_CanUndo(VARIANT_BOOL* canUndo) = 0;
  virtual HRESULT get_CanRedo(VARIANT_BOOL* canRedo) = 0;
  virtual HRESULT Do() = 0;
  virtual HRESULT Undo() = 0;
  virtual HRESULT Redo() = 0;
};

// Performs operations and keeps them for undo and redo.
struct IOperationStack : IUnknown {
  VELK_INTERFACE_ID("{9B9C1A53-9BDF-4A17-92B1-20F694772A8E}")
  virtual HRESULT get_Count(LONG* count) = 0;
  // E_INVALIDARG outside 0 .. count - 1; index 0 is the oldest operation.
  virtual HRESULT get_Item(LONG index, IOperation** operation) = 0;
  // Runs the operation's Do; a failed Do is returned and nothing is recorded. A recorded
  // operation drops everything that had been undone.
  virtual HRESULT Do(IOperation* operation) = 0;
  // Undo/Redo of the latest operation; S_FALSE when there is nothing to undo or redo, or the
  // operation says it cannot.
  virtual HRESULT Undo() = 0;
  virtual HRESULT Redo() = 0;
  virtual HRESULT Reset() = 0;
};

namespace velk::host {

inline constexpr CLSID CLSID_OperationStack = MakeGuid("{5DA7824F-7487-4AF1-BCC9-A99A46A972FC}");

class OperationStack : public ComObjectRoot<OperationStack, IOperationStack> {
 public:
  HRESULT get_Count(LONG* count) override;
  HRESULT get_Item(LONG index, IOperation** operation) override;
  HRESULT Do(IOperation* operation) override;
  HRESULT Undo() override;
  HRESULT Redo() override;
  HRESULT Reset() override;

 private:
  std::vector<ComPtr<IOperation>> done_;
  std::vector<ComPtr<IOperation>> undone_;  // most recently undone last
};

HRESULT CreateOperationStack(IUnknown* outer, REFIID riid, void** ppv);

}  // namespace velk::host
