// The command templates every command, tool, subtyped command and tool control of Corvane is
// composed of. A class names its string ids as constants (kCaptionId, kTooltipId, kMessageId)
// and passes its bitmap id to the template's constructor, e.g.
//   class AddLayer : public CCommandImpl<AddLayer> {
//    public:
//     static constexpr UINT kCaptionId = 3149, kTooltipId = 3151, kMessageId = 3150;
//     AddLayer() : CCommandImpl(3001) {}
//   };
// Further interfaces of the class follow as template arguments (its own IZel... interfaces,
// ZelExtensionEventHandler); the class answers them all through its QueryInterface table.
#pragma once

#include <array>

#include "framework/command_images.h"
#include "framework/corvane_module.h"
#include "framework/extension_lookup.h"
#include "framework/hook_struct.h"
#include "platform/com/object.h"
#include "platform/com/out_param.h"
#include "platform/host/shell/command.h"

namespace velk::corvane {

inline constexpr UINT kProductNameId = 3199;  // "Tarvos": category and name prefix
inline constexpr UINT kHelpFileId = 3179;     // "velk_csTarvos.hlp"
inline constexpr UINT kToolCursorId = 3552;

// A string-table text of the resource instance as a new BSTR (empty when the id is missing).
HRESULT LoadTextInto(UINT id, BSTR* out);
// "Tarvos" followed directly by the caption's text; empty when "Tarvos" cannot be loaded.
HRESULT LoadCommandNameInto(UINT captionId, BSTR* out);
// The base enabled rule: false first; true exactly when the extension object is found and its
// state is 1. S_OK, or the failure of a host extension manager that cannot be created.
HRESULT BaseEnabled(VARIANT_BOOL* enabled);
// The window a toolbar shows for a tool control: climbs from a child window to its parent and
// from any other window to its owner while there is one.
HWND GetTopLevelOwnerWindow(HWND window);

// ICommand from string ids, no bitmap.
template <class T, class... Extra>
class CCommandNoBitmapImpl : public ComObjectRoot<T, ICommand, Extra...>, public CHookImpl<T> {
 public:
  HRESULT get_Enabled(VARIANT_BOOL* enabled) override { return BaseEnabled(enabled); }
  HRESULT get_Checked(VARIANT_BOOL* checked) override {
    if (!checked) return E_POINTER;
    *checked = VARIANT_FALSE;
    return S_OK;
  }
  HRESULT get_Name(BSTR* name) override { return LoadCommandNameInto(T::kCaptionId, name); }
  HRESULT get_Caption(BSTR* caption) override { return LoadTextInto(T::kCaptionId, caption); }
  HRESULT get_Tooltip(BSTR* tooltip) override { return LoadTextInto(T::kTooltipId, tooltip); }
  HRESULT get_Message(BSTR* message) override { return LoadTextInto(T::kMessageId, message); }
  HRESULT get_HelpFile(BSTR* helpFile) override { return LoadTextInto(kHelpFileId, helpFile); }
  HRESULT get_HelpContextID(LONG* helpContext) override {
    if (!helpContext) return E_POINTER;
    *helpContext = static_cast<LONG>(T::kCaptionId);
    return S_OK;
  }
  // No bitmap: the out value is left as it was.
  HRESULT get_Bitmap(HBITMAP*) override { return S_OK; }
  HRESULT get_Category(BSTR* category) override { return LoadTextInto(kProductNameId, category); }
  // Hands the hook to the class's HookStruct; S_OK whatever that gave.
  HRESULT OnCreate(IUnknown* hook) override {
    this->SetHook(hook);
    return S_OK;
  }
  HRESULT OnClick() override { return S_OK; }
};

// Adds the command bitmap, loaded from the deliverable itself at construction.
template <class T, class... Extra>
class CCommandImpl : public CCommandNoBitmapImpl<T, Extra...> {
 public:
  explicit CCommandImpl(UINT bitmapId)
      : bitmap_(LoadCommandBitmap(DeliverableInstance(), bitmapId)) {}
  ~CCommandImpl() override { DeleteCommandBitmap(bitmap_); }
  CCommandImpl(const CCommandImpl&) = delete;
  CCommandImpl& operator=(const CCommandImpl&) = delete;

  HRESULT get_Bitmap(HBITMAP* bitmap) override {
    if (!bitmap) return E_POINTER;
    *bitmap = bitmap_;
    return S_OK;
  }
  HBITMAP CommandBitmap() const { return bitmap_; }

 private:
  HBITMAP bitmap_ = nullptr;  // null when loading failed
};

// The ITool slots with their defaults over a command base that lists ITool, and the tool
// cursor (3552, from the deliverable), loaded after the base's bitmap.
template <class Base>
class CToolSlots : public Base {
 public:
  template <class... Args>
  explicit CToolSlots(Args&&... args)
      : Base(std::forward<Args>(args)...),
        cursor_(LoadToolCursor(DeliverableInstance(), kToolCursorId)) {}
  ~CToolSlots() override { DestroyToolCursor(cursor_); }
  CToolSlots(const CToolSlots&) = delete;
  CToolSlots& operator=(const CToolSlots&) = delete;

  HRESULT get_Cursor(HCURSOR* cursor) override {
    if (!cursor) return E_POINTER;
    *cursor = cursor_;
    return S_OK;
  }
  HRESULT OnMouseDown(LONG, LONG, LONG, LONG) override { return S_OK; }
  HRESULT OnMouseMove(LONG, LONG, LONG, LONG) override { return S_OK; }
  HRESULT OnMouseUp(LONG, LONG, LONG, LONG) override { return S_OK; }
  HRESULT OnDblClick() override { return S_OK; }
  HRESULT OnKeyDown(LONG, LONG) override { return S_OK; }
  HRESULT OnKeyUp(LONG, LONG) override { return S_OK; }
  HRESULT OnContextMenu(LONG, LONG, VARIANT_BOOL* handled) override {
    if (!handled) return E_POINTER;
    *handled = VARIANT_FALSE;
    return S_OK;
  }
  HRESULT Refresh(HDC) override { return S_OK; }
  HRESULT Deactivate(VARIANT_BOOL* canDeactivate) override {
    if (!canDeactivate) return E_POINTER;
    *canDeactivate = VARIANT_TRUE;
    return S_OK;
  }
  HCURSOR ToolCursor() const { return cursor_; }

 private:
  HCURSOR cursor_ = nullptr;
};

// A tool: command with bitmap, ITool and the tool cursor.
template <class T, class... Extra>
class CToolImpl : public CToolSlots<CCommandImpl<T, ITool, Extra...>> {
 public:
  explicit CToolImpl(UINT bitmapId) : CToolSlots<CCommandImpl<T, ITool, Extra...>>(bitmapId) {}
};

// One class the host shows as N commands: per-subtype caption, tooltip, message and bitmap,
// set by the class with SetSubTypeInfo during its final construction. Subtypes run 1 to N.
template <class T, int N, class... Extra>
class CCommandSubTypeImpl : public CCommandNoBitmapImpl<T, ICommandSubType, Extra...> {
  static_assert(N > 0);

 public:
  CCommandSubTypeImpl() = default;
  ~CCommandSubTypeImpl() override {
    for (HBITMAP b : bitmaps_) DeleteCommandBitmap(b);
  }
  CCommandSubTypeImpl(const CCommandSubTypeImpl&) = delete;
  CCommandSubTypeImpl& operator=(const CCommandSubTypeImpl&) = delete;

  // Stores the ids of table entry index (0 .. N - 1) and loads its bitmap from the deliverable
  // (id 0: no bitmap). Any other index: false, nothing stored.
  bool SetSubTypeInfo(int index, UINT captionId, UINT tooltipId, UINT messageId, UINT bitmapId) {
    if (index < 0 || index >= N) return false;
    captions_[index] = captionId;
    tooltips_[index] = tooltipId;
    messages_[index] = messageId;
    // A second call for the same entry must not leak the first bitmap.
    DeleteCommandBitmap(bitmaps_[index]);
    bitmaps_[index] = bitmapId ? LoadCommandBitmap(DeliverableInstance(), bitmapId) : nullptr;
    return true;
  }

  HRESULT SetSubType(LONG subType) override {
    if (subType < 1 || subType > N) return E_INVALIDARG;
    subType_ = subType;
    return S_OK;
  }
  HRESULT GetCount(LONG* count) override {
    if (!count) return E_POINTER;
    *count = N;
    return S_OK;
  }

  // The subtype is checked before the out pointer.
  HRESULT get_Name(BSTR* name) override {
    if (!InRange()) return E_INVALIDARG;
    return LoadCommandNameInto(captions_[Entry()], name);
  }
  HRESULT get_Caption(BSTR* caption) override {
    if (!InRange()) return E_INVALIDARG;
    return LoadTextInto(captions_[Entry()], caption);
  }
  HRESULT get_Tooltip(BSTR* tooltip) override {
    if (!InRange()) return E_INVALIDARG;
    return LoadTextInto(tooltips_[Entry()], tooltip);
  }
  HRESULT get_Message(BSTR* message) override {
    if (!InRange()) return E_INVALIDARG;
    return LoadTextInto(messages_[Entry()], message);
  }
  HRESULT get_HelpContextID(LONG* helpContext) override {
    if (!helpContext) return E_POINTER;
    *helpContext = 0;
    return S_OK;
  }
  // Writes the entry's bitmap only when it has one.
  HRESULT get_Bitmap(HBITMAP* bitmap) override {
    if (!InRange()) return E_INVALIDARG;
    if (!bitmap) return E_POINTER;
    if (HBITMAP b = bitmaps_[Entry()]) *bitmap = b;
    return S_OK;
  }

  LONG CurrentSubType() const { return subType_; }

 private:
  bool InRange() const { return subType_ >= 1 && subType_ <= N; }
  std::size_t Entry() const { return static_cast<std::size_t>(subType_ - 1); }
  LONG subType_ = 1;
  std::array<HBITMAP, N> bitmaps_{};
  std::array<UINT, N> captions_{};
  std::array<UINT, N> tooltips_{};
  std::array<UINT, N> messages_{};
};

// A command that shows a small dialog window inside a toolbar. Dlg is a modeless dialog with
// its own HookStruct (SetHook), a Create(parent, param) that makes its window from the dialog
// template and a WindowHandle() that gives it (null while there is none).
template <class T, class Dlg, class... Extra>
class CToolControlImpl : public CCommandNoBitmapImpl<T, IToolControl, Extra...> {
 public:
  HRESULT get_hWnd(HWND* window) override {
    if (!window) return E_POINTER;
    HWND own = dialog_.WindowHandle();
    *window = own ? GetTopLevelOwnerWindow(own) : nullptr;
    return S_OK;
  }
  HRESULT OnFocus(IUnknown*) override { return S_OK; }
  HRESULT OnDrop(LONG barType, VARIANT_BOOL* accept) override {
    if (!accept) return E_POINTER;
    *accept = ToVariantBool(barType == 0);
    return S_OK;
  }
  // The hook goes to the class's HookStruct, then the control window is made (no parent,
  // creation parameter 0) and the dialog gets the same hook. S_OK in every case.
  HRESULT OnCreate(IUnknown* hook) override {
    this->SetHook(hook);
    dialog_.Create(nullptr, 0);
    dialog_.SetHook(hook);
    created_ = true;
    return S_OK;
  }

  bool Created() const { return created_; }
  Dlg& Dialog() { return dialog_; }

 private:
  bool created_ = false;
  Dlg dialog_;
};

}  // namespace velk::corvane
