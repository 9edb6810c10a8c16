#include "framework/tool_menu_def_impl.h"

namespace velk::corvane {

HRESULT DescribeBarItem(IItemDef* itemDef, BSTR progId, LONG subType, VARIANT_BOOL beginsGroup) {
  if (!itemDef) return E_POINTER;
  itemDef->put_Group(beginsGroup);
  itemDef->put_ID(progId);
  return itemDef->put_SubType(subType);
}

}  // namespace velk::corvane
