// The tree view: items under parents with text, state (selection, expansion, check-box state
// images) and item data; selection with TVN_SELCHANGING/TVN_SELCHANGED.
#include <algorithm>
#include <map>

#include "platform/win/common_controls.h"
#include "platform/win/window_internal.h"

namespace velk::win::detail {
namespace {

struct Node {
  HTREEITEM parent = nullptr;  // null: top level
  std::vector<HTREEITEM> children;
  std::wstring text;
  UINT state = 0;
  LPARAM param = 0;
  int image = 0;
  int selectedImage = 0;
  int cChildren = 0;
};

struct TreeData : WindowData {
  std::map<std::uintptr_t, Node> nodes;
  std::vector<HTREEITEM> roots;
  std::uintptr_t next = 0x1000;
  HTREEITEM selected = nullptr;
};

std::uintptr_t K(HTREEITEM h) { return reinterpret_cast<std::uintptr_t>(h); }

// The shown items in order (children of expanded items follow them) with their levels.
void Shown(TreeData& d, const std::vector<HTREEITEM>& items, int level,
           std::vector<std::pair<HTREEITEM, int>>& out);

Node* NodeOf(TreeData& d, HTREEITEM h) {
  auto it = d.nodes.find(K(h));
  return it == d.nodes.end() ? nullptr : &it->second;
}

void Shown(TreeData& d, const std::vector<HTREEITEM>& items, int level,
           std::vector<std::pair<HTREEITEM, int>>& out) {
  for (HTREEITEM item : items) {
    out.emplace_back(item, level);
    Node* n = NodeOf(d, item);
    if (n && (n->state & TVIS_EXPANDED)) Shown(d, n->children, level + 1, out);
  }
}

std::vector<HTREEITEM>& SiblingsOf(TreeData& d, HTREEITEM parent) {
  Node* p = parent ? NodeOf(d, parent) : nullptr;
  return p ? p->children : d.roots;
}

void FillItem(const Node& n, HTREEITEM h, TVITEMW& it) {
  it.hItem = h;
  if (it.mask & TVIF_TEXT) CopyToBuffer(n.text, it.pszText, it.cchTextMax);
  if (it.mask & TVIF_STATE) it.state = n.state & (it.stateMask ? it.stateMask : 0xFFFFFFFFu);
  if (it.mask & TVIF_PARAM) it.lParam = n.param;
  if (it.mask & TVIF_IMAGE) it.iImage = n.image;
  if (it.mask & TVIF_SELECTEDIMAGE) it.iSelectedImage = n.selectedImage;
  if (it.mask & TVIF_CHILDREN) it.cChildren = n.children.empty() ? n.cChildren : 1;
}

void Delete(HWND h, TreeData& d, HTREEITEM item) {
  Node* n = NodeOf(d, item);
  if (!n) return;
  std::vector<HTREEITEM> kids = n->children;
  for (HTREEITEM k : kids) Delete(h, d, k);
  n = NodeOf(d, item);
  NMTREEVIEWW nm;
  nm.itemOld.hItem = item;
  nm.itemOld.lParam = n->param;
  NotifyParent(h, &nm.hdr, static_cast<UINT>(TVN_DELETEITEMW));
  auto& sib = SiblingsOf(d, n->parent);
  sib.erase(std::remove(sib.begin(), sib.end(), item), sib.end());
  if (d.selected == item) d.selected = nullptr;
  d.nodes.erase(K(item));
}

bool Select(HWND h, TreeData& d, HTREEITEM item, UINT action) {
  if (item && !NodeOf(d, item)) return false;
  if (item == d.selected) return true;
  NMTREEVIEWW nm;
  nm.action = action;
  nm.itemOld.hItem = d.selected;
  nm.itemNew.hItem = item;
  if (Node* o = NodeOf(d, d.selected)) nm.itemOld.lParam = o->param;
  if (Node* nn = NodeOf(d, item)) nm.itemNew.lParam = nn->param;
  if (NotifyParent(h, &nm.hdr, static_cast<UINT>(TVN_SELCHANGINGW))) return false;
  if (Node* o = NodeOf(d, d.selected)) o->state &= ~TVIS_SELECTED;
  d.selected = item;
  if (Node* nn = NodeOf(d, item)) nn->state |= TVIS_SELECTED;
  NotifyParent(h, &nm.hdr, static_cast<UINT>(TVN_SELCHANGEDW));
  InvalidateRect(h, nullptr, TRUE);
  return true;
}

LRESULT TreeProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    if (WindowPtr w = Find(h)) w->data = std::make_unique<TreeData>();
    return DefWindowProcW(h, msg, wp, lp);
  }
  auto* d = DataOf<TreeData>(h);
  if (!d) return DefWindowProcW(h, msg, wp, lp);
  switch (msg) {
    case TVM_INSERTITEMW: {
      auto* ins = reinterpret_cast<const TVINSERTSTRUCTW*>(lp);
      if (!ins) return 0;
      HTREEITEM parent = (ins->hParent == TVI_ROOT) ? nullptr : ins->hParent;
      if (parent && !NodeOf(*d, parent)) return 0;
      Node n;
      n.parent = parent;
      const TVITEMW& it = ins->item;
      if ((it.mask & TVIF_TEXT) && it.pszText && it.pszText != LPSTR_TEXTCALLBACKW)
        n.text = it.pszText;
      if (it.mask & TVIF_STATE) n.state = it.state & it.stateMask;
      if (it.mask & TVIF_PARAM) n.param = it.lParam;
      if (it.mask & TVIF_IMAGE) n.image = it.iImage;
      if (it.mask & TVIF_SELECTEDIMAGE) n.selectedImage = it.iSelectedImage;
      if (it.mask & TVIF_CHILDREN) n.cChildren = it.cChildren;
      if ((GetWindowLongPtrW(h, GWL_STYLE) & TVS_CHECKBOXES) && !(n.state & TVIS_STATEIMAGEMASK))
        n.state |= INDEXTOSTATEIMAGEMASK(1);
      HTREEITEM handle = reinterpret_cast<HTREEITEM>(d->next);
      d->next += 4;
      auto& sib = SiblingsOf(*d, parent);
      auto at = sib.end();
      if (ins->hInsertAfter == TVI_FIRST)
        at = sib.begin();
      else if (ins->hInsertAfter == TVI_SORT) {
        at = sib.begin();
        while (at != sib.end() && CompareNoCase(NodeOf(*d, *at)->text, n.text) <= 0) ++at;
      } else if (ins->hInsertAfter && ins->hInsertAfter != TVI_LAST) {
        auto f = std::find(sib.begin(), sib.end(), ins->hInsertAfter);
        if (f != sib.end()) at = f + 1;
      }
      sib.insert(at, handle);
      d->nodes[K(handle)] = n;
      InvalidateRect(h, nullptr, TRUE);
      return reinterpret_cast<LRESULT>(handle);
    }
    case TVM_DELETEITEM: {
      auto item = reinterpret_cast<HTREEITEM>(lp);
      if (!item || item == TVI_ROOT) {
        std::vector<HTREEITEM> roots = d->roots;
        for (HTREEITEM r : roots) Delete(h, *d, r);
        return TRUE;
      }
      if (!NodeOf(*d, item)) return FALSE;
      Delete(h, *d, item);
      return TRUE;
    }
    case TVM_GETCOUNT: return static_cast<LRESULT>(d->nodes.size());
    case TVM_GETNEXTITEM: {
      auto item = reinterpret_cast<HTREEITEM>(lp);
      switch (static_cast<UINT>(wp)) {
        case TVGN_ROOT:
        case TVGN_FIRSTVISIBLE:
          return d->roots.empty() ? 0 : reinterpret_cast<LRESULT>(d->roots.front());
        case TVGN_CARET: return reinterpret_cast<LRESULT>(d->selected);
        case TVGN_CHILD: {
          if (!item || item == TVI_ROOT)
            return d->roots.empty() ? 0 : reinterpret_cast<LRESULT>(d->roots.front());
          Node* n = NodeOf(*d, item);
          return (n && !n->children.empty()) ? reinterpret_cast<LRESULT>(n->children.front()) : 0;
        }
        case TVGN_PARENT: {
          Node* n = NodeOf(*d, item);
          return n ? reinterpret_cast<LRESULT>(n->parent) : 0;
        }
        case TVGN_NEXT:
        case TVGN_PREVIOUS: {
          Node* n = NodeOf(*d, item);
          if (!n) return 0;
          auto& sib = SiblingsOf(*d, n->parent);
          auto f = std::find(sib.begin(), sib.end(), item);
          if (wp == TVGN_NEXT)
            return (f == sib.end() || f + 1 == sib.end()) ? 0 : reinterpret_cast<LRESULT>(*(f + 1));
          return (f == sib.begin() || f == sib.end()) ? 0 : reinterpret_cast<LRESULT>(*(f - 1));
        }
        default: return 0;
      }
    }
    case TVM_SELECTITEM:
      if (wp == TVGN_CARET)
        return Select(h, *d, reinterpret_cast<HTREEITEM>(lp), TVC_UNKNOWN) ? TRUE : FALSE;
      return TRUE;
    case TVM_GETITEMW: {
      auto* it = reinterpret_cast<TVITEMW*>(lp);
      Node* n = it ? NodeOf(*d, it->hItem) : nullptr;
      if (!n) return FALSE;
      FillItem(*n, it->hItem, *it);
      return TRUE;
    }
    case TVM_SETITEMW: {
      auto* it = reinterpret_cast<const TVITEMW*>(lp);
      Node* n = it ? NodeOf(*d, it->hItem) : nullptr;
      if (!n) return FALSE;
      if ((it->mask & TVIF_TEXT) && it->pszText) n->text = it->pszText;
      if (it->mask & TVIF_STATE)
        n->state = (n->state & ~it->stateMask) | (it->state & it->stateMask);
      if (it->mask & TVIF_PARAM) n->param = it->lParam;
      if (it->mask & TVIF_IMAGE) n->image = it->iImage;
      if (it->mask & TVIF_SELECTEDIMAGE) n->selectedImage = it->iSelectedImage;
      if (it->mask & TVIF_CHILDREN) n->cChildren = it->cChildren;
      InvalidateRect(h, nullptr, TRUE);
      return TRUE;
    }
    case TVM_GETITEMSTATE: {
      Node* n = NodeOf(*d, reinterpret_cast<HTREEITEM>(wp));
      return n ? static_cast<LRESULT>(n->state & static_cast<UINT>(lp)) : 0;
    }
    case TVM_EXPAND: {
      auto item = reinterpret_cast<HTREEITEM>(lp);
      Node* n = NodeOf(*d, item);
      if (!n) return FALSE;
      UINT code = static_cast<UINT>(wp) & 0x3;
      bool expand = code == TVE_EXPAND || (code == TVE_TOGGLE && !(n->state & TVIS_EXPANDED));
      if (expand == ((n->state & TVIS_EXPANDED) != 0)) return TRUE;
      NMTREEVIEWW nm;
      nm.action = expand ? TVE_EXPAND : TVE_COLLAPSE;
      nm.itemNew.hItem = item;
      nm.itemNew.lParam = n->param;
      if (NotifyParent(h, &nm.hdr, static_cast<UINT>(TVN_ITEMEXPANDINGW))) return FALSE;
      if ((n = NodeOf(*d, item)) == nullptr) return FALSE;
      if (expand)
        n->state |= TVIS_EXPANDED;
      else
        n->state &= ~TVIS_EXPANDED;
      NotifyParent(h, &nm.hdr, static_cast<UINT>(TVN_ITEMEXPANDEDW));
      return TRUE;
    }
    case TVM_ENSUREVISIBLE: return TRUE;
    case TVM_SETIMAGELIST: return 0;
    case TVM_HITTEST: {
      auto* hit = reinterpret_cast<TVHITTESTINFO*>(lp);
      if (!hit) return 0;
      hit->flags = TVHT_NOWHERE;
      hit->hItem = nullptr;
      std::vector<std::pair<HTREEITEM, int>> rows;
      Shown(*d, d->roots, 0, rows);
      if (hit->pt.y < 0 || hit->pt.y / kTreeRowHeight >= static_cast<LONG>(rows.size())) return 0;
      const auto& [item, level] = rows[static_cast<std::size_t>(hit->pt.y / kTreeRowHeight)];
      const LONG x = hit->pt.x - level * kTreeIndent;
      if (x < 0) return 0;
      const bool boxes = (GetWindowLongPtrW(h, GWL_STYLE) & TVS_CHECKBOXES) != 0;
      hit->flags = boxes && x < kTreeRowHeight ? TVHT_ONITEMSTATEICON : TVHT_ONITEMLABEL;
      hit->hItem = item;
      return reinterpret_cast<LRESULT>(item);
    }
    case WM_KEYDOWN: {
      NMTVKEYDOWN kd;
      kd.wVKey = static_cast<WORD>(wp);
      NotifyParent(h, &kd.hdr, static_cast<UINT>(TVN_KEYDOWN));
      if (wp == VK_SPACE && (GetWindowLongPtrW(h, GWL_STYLE) & TVS_CHECKBOXES)) {
        if (Node* n = NodeOf(*d, d->selected)) {
          UINT img = (n->state & TVIS_STATEIMAGEMASK) >> 12;
          n->state = (n->state & ~TVIS_STATEIMAGEMASK) | INDEXTOSTATEIMAGEMASK(img == 2 ? 1 : 2);
        }
        return 0;
      }
      return DefWindowProcW(h, msg, wp, lp);
    }
    case WM_LBUTTONDOWN: {
      // A click on an item: NM_CLICK, then a click on its check box toggles it.
      SetFocus(h);
      POINT p{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
      POINT screen = p;
      ClientToScreen(h, &screen);
      SetLastMessagePos(screen);
      TVHITTESTINFO hit;
      hit.pt = p;
      SendMessageW(h, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
      NMHDR nm;
      NotifyParent(h, &nm, static_cast<UINT>(NM_CLICK));
      if (hit.hItem && (hit.flags & TVHT_ONITEMSTATEICON)) {
        if (Node* n = NodeOf(*d, hit.hItem)) {
          UINT img = (n->state & TVIS_STATEIMAGEMASK) >> 12;
          n->state = (n->state & ~TVIS_STATEIMAGEMASK) | INDEXTOSTATEIMAGEMASK(img == 2 ? 1 : 2);
        }
      }
      return 0;
    }
    case WM_GETDLGCODE: return DLGC_WANTARROWS | DLGC_WANTCHARS;
    default: return DefWindowProcW(h, msg, wp, lp);
  }
}

}  // namespace

void RegisterTreeViewClass() {
  WNDCLASSEXW wc;
  wc.lpfnWndProc = TreeProc;
  wc.lpszClassName = WC_TREEVIEW;
  RegisterClassExW(&wc);
}

}  // namespace velk::win::detail
