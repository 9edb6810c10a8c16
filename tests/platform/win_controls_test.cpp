#include "platform/win/common_controls.h"
#include "platform/win/control_wrappers.h"
#include "platform/win/gdi.h"
#include "platform/win/user_input.h"
#include "tests/platform/win_fixture.h"

namespace velk::test {
namespace {

class ControlsTest : public WinTest {
 protected:
  void SetUp() override {
    WinTest::SetUp();
    top = MakeTopWindow();
    log.Watch(top);
  }
  HWND top = nullptr;
  MessageLog log;
};

TEST_F(ControlsTest, EditStylesShapeWhatIsTyped) {
  struct Case {
    DWORD style;
    int limit;
    std::wstring typed;
    std::wstring expect;
  };
  const Case cases[] = {
      {ES_UPPERCASE, 0, L"18tWl", L"18TWL"}, {ES_LOWERCASE, 0, L"AbC", L"abc"},
      {ES_NUMBER, 0, L"1a2-3", L"123"},      {0, 4, L"abcdef", L"abcd"},
      {ES_READONLY, 0, L"abc", L""},         {0, 0, L"ab\bc", L"ac"},
  };
  int id = 100;
  for (const Case& c : cases) {
    HWND e = MakeChild(top, WC_EDIT, L"", c.style, ++id);
    if (c.limit) SendMessageW(e, EM_LIMITTEXT, static_cast<WPARAM>(c.limit), 0);
    SetFocus(e);
    win::user::PostText(c.typed);
    win::PumpMessages();
    EXPECT_EQ(win::WindowText(e), c.expect) << "style " << c.style;
  }
}

TEST_F(ControlsTest, EditNotifiesChangesAndFocus) {
  HWND e = MakeChild(top, WC_EDIT, L"", ES_UPPERCASE, 7);
  HWND other = MakeChild(top, WC_BUTTON, L"b", BS_PUSHBUTTON, 8);
  SetWindowTextW(e, L"abc");
  EXPECT_EQ(win::WindowText(e), L"ABC") << "set texts follow the case style too";
  EXPECT_EQ(win::user::SetEditText(e, L"x"), L"");
  win::user::ClickButton(other);
  std::vector<WORD> want = {EN_UPDATE, EN_CHANGE, EN_SETFOCUS, EN_UPDATE, EN_CHANGE, EN_KILLFOCUS};
  EXPECT_EQ(log.Commands(7), want);
  EXPECT_EQ(win::WindowText(e), L"X");
  EXPECT_TRUE(SendMessageW(e, EM_GETMODIFY, 0, 0));
}

TEST_F(ControlsTest, EditSelectionAndReplace) {
  HWND e = MakeChild(top, WC_EDIT, L"hello world", 0, 7);
  SendMessageW(e, EM_SETSEL, 6, -1);
  DWORD a = 0, b = 0;
  SendMessageW(e, EM_GETSEL, reinterpret_cast<WPARAM>(&a), reinterpret_cast<LPARAM>(&b));
  EXPECT_EQ(a, 6u);
  EXPECT_EQ(b, 11u);
  SendMessageW(e, EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(L"there"));
  EXPECT_EQ(win::WindowText(e), L"hello there");
}

TEST_F(ControlsTest, ButtonsCheckThemselvesAndNotify) {
  HWND check = MakeChild(top, WC_BUTTON, L"c", BS_AUTOCHECKBOX, 1);
  HWND r1 = MakeChild(top, WC_BUTTON, L"r1", BS_AUTORADIOBUTTON | WS_GROUP, 2);
  HWND r2 = MakeChild(top, WC_BUTTON, L"r2", BS_AUTORADIOBUTTON, 3);
  HWND r3 = MakeChild(top, WC_BUTTON, L"r3", BS_AUTORADIOBUTTON, 4);
  HWND next = MakeChild(top, WC_BUTTON, L"r4", BS_AUTORADIOBUTTON | WS_GROUP, 5);
  SendMessageW(next, BM_SETCHECK, BST_CHECKED, 0);
  win::user::ClickButton(check);
  EXPECT_EQ(SendMessageW(check, BM_GETCHECK, 0, 0), static_cast<LRESULT>(BST_CHECKED));
  win::user::ClickButton(r1);
  win::user::ClickButton(r3);
  EXPECT_EQ(SendMessageW(r1, BM_GETCHECK, 0, 0), 0);
  EXPECT_EQ(SendMessageW(r2, BM_GETCHECK, 0, 0), 0);
  EXPECT_EQ(SendMessageW(r3, BM_GETCHECK, 0, 0), static_cast<LRESULT>(BST_CHECKED));
  EXPECT_EQ(SendMessageW(next, BM_GETCHECK, 0, 0), static_cast<LRESULT>(BST_CHECKED))
      << "another group";
  EXPECT_EQ(log.Commands(1), (std::vector<WORD>{BN_CLICKED}));
  EXPECT_EQ(log.Commands(4), (std::vector<WORD>{BN_CLICKED}));
}

TEST_F(ControlsTest, DisabledButtonIgnoresClicks) {
  HWND b = MakeChild(top, WC_BUTTON, L"b", BS_PUSHBUTTON | WS_DISABLED, 1);
  SendMessageW(b, BM_CLICK, 0, 0);
  EXPECT_TRUE(log.Commands(1).empty());
  EXPECT_EQ(win::user::ClickButton(b), L"disabled");
}

TEST_F(ControlsTest, ComboKeepsItemsDataAndSelectionInStep) {
  WTL::CComboBox combo(MakeChild(top, WC_COMBOBOX, L"", CBS_DROPDOWNLIST, 9));
  EXPECT_EQ(combo.AddString(L"Beta"), 0);
  EXPECT_EQ(combo.AddString(L"alpha"), 1) << "unsorted: appended";
  EXPECT_EQ(combo.InsertString(0, L"Zulu"), 0);
  combo.SetItemData(2, 0xABCD);
  EXPECT_EQ(combo.SetCurSel(2), 2);
  EXPECT_EQ(win::WindowText(combo), L"alpha");
  EXPECT_EQ(combo.DeleteString(0), 2);
  EXPECT_EQ(combo.GetCurSel(), 1) << "the selection follows its item";
  EXPECT_EQ(combo.GetItemData(1), 0xABCDu);
  EXPECT_EQ(combo.SetCurSel(5), CB_ERR);
  EXPECT_EQ(combo.GetCurSel(), -1);
  EXPECT_EQ(combo.GetItemData(9), static_cast<DWORD_PTR>(CB_ERR));
  std::wstring text;
  EXPECT_FALSE(combo.GetLBText(9, text));
}

TEST_F(ControlsTest, ComboSearchesIgnoreCase) {
  WTL::CComboBox combo(MakeChild(top, WC_COMBOBOX, L"", CBS_DROPDOWNLIST, 9));
  for (const wchar_t* s : {L"Selected datasets", L"All datasets", L"selected datasets", L"Sel"})
    combo.AddString(s);
  struct Case {
    bool exact;
    int start;
    const wchar_t* text;
    int expect;
  };
  const Case cases[] = {
      {true, -1, L"SELECTED DATASETS", 0},
      {true, 0, L"selected datasets", 2},
      {true, 2, L"Selected datasets", 0},
      {true, -1, L"Selected", CB_ERR},
      {false, -1, L"sel", 0},
      {false, 0, L"sel", 2},
      {false, 3, L"all", 1},
      {true, -1, L"sel", 3},
      {false, -1, L"x", CB_ERR},
  };
  for (const Case& c : cases) {
    int got = c.exact ? combo.FindStringExact(c.start, c.text) : combo.FindString(c.start, c.text);
    EXPECT_EQ(got, c.expect) << (c.exact ? "exact " : "prefix ") << c.start;
  }
}

TEST_F(ControlsTest, SortedComboInsertsInOrder) {
  WTL::CComboBox combo(MakeChild(top, WC_COMBOBOX, L"", CBS_DROPDOWNLIST | CBS_SORT, 9));
  combo.AddString(L"delta");
  combo.AddString(L"Alpha");
  combo.AddString(L"charlie");
  std::wstring t;
  combo.GetLBText(0, t);
  EXPECT_EQ(t, L"Alpha");
  combo.GetLBText(2, t);
  EXPECT_EQ(t, L"delta");
}

TEST_F(ControlsTest, UserChoiceOfComboItemNotifiesTheParent) {
  WTL::CComboBox combo(MakeChild(top, WC_COMBOBOX, L"", CBS_DROPDOWNLIST, 9));
  combo.AddString(L"a");
  combo.AddString(L"b");
  EXPECT_EQ(win::user::SelectComboText(combo, L"B"), L"");
  EXPECT_EQ(combo.GetCurSel(), 1);
  std::vector<WORD> codes = log.Commands(9);
  std::vector<WORD> want = {CBN_SETFOCUS, CBN_DROPDOWN, CBN_SELCHANGE, CBN_SELENDOK, CBN_CLOSEUP};
  EXPECT_EQ(codes, want);
  EXPECT_NE(win::user::SelectComboItem(combo, 2), L"") << "no third item";
}

TEST_F(ControlsTest, ListBoxMultipleSelection) {
  WTL::CListBox list(MakeChild(top, WC_LISTBOX, L"", LBS_MULTIPLESEL | LBS_NOTIFY, 3));
  for (const wchar_t* s : {L"a", L"b", L"c"}) list.AddString(s);
  win::user::SelectListBoxItem(list, 0);
  win::user::SelectListBoxItem(list, 2);
  EXPECT_EQ(list.GetSelCount(), 2);
  int items[3] = {};
  EXPECT_EQ(SendMessageW(list, LB_GETSELITEMS, 3, reinterpret_cast<LPARAM>(items)), 2);
  EXPECT_EQ(items[1], 2);
  EXPECT_EQ(list.SetCurSel(1), LB_ERR) << "not for multiple selection";
  EXPECT_EQ(log.Commands(3).back(), LBN_SELCHANGE);
}

class ListViewTest : public ControlsTest {
 protected:
  void SetUp() override {
    ControlsTest::SetUp();
    lv.Attach(MakeChild(top, WC_LISTVIEW, L"", LVS_REPORT, 20, {0, 0, 215, 200}));
    lv.SetExtendedListViewStyle(LVS_EX_CHECKBOXES | LVS_EX_ONECLICKACTIVATE | LVS_EX_BORDERSELECT);
    lv.InsertColumn(0, L"Layers", LVCFMT_LEFT, 200);
    for (const wchar_t* s : {L"one", L"two", L"three"}) lv.InsertItem(lv.GetItemCount(), s);
  }
  std::vector<int> CheckedRows() const {
    std::vector<int> out;
    for (int i = 0; i < lv.GetItemCount(); ++i)
      if (lv.GetCheckState(i)) out.push_back(i);
    return out;
  }
  WTL::CListViewCtrl lv;
};

TEST_F(ListViewTest, NewRowsGetUncheckedBoxes) {
  EXPECT_EQ(lv.GetItemState(0, LVIS_STATEIMAGEMASK), INDEXTOSTATEIMAGEMASK(1));
  lv.SetCheckState(1, TRUE);
  EXPECT_EQ(CheckedRows(), (std::vector<int>{1}));
  EXPECT_EQ(lv.GetItemText(2, 0), L"three");
}

TEST_F(ListViewTest, HitTestFollowsTheRowLayout) {
  struct Case {
    POINT p;
    int item;
    UINT flags;
  };
  const Case cases[] = {
      {{5, kListViewHeaderHeight + 2}, 0, LVHT_ONITEMSTATEICON},
      {{30, kListViewHeaderHeight + kListViewRowHeight + 2}, 1, LVHT_ONITEMLABEL},
      {{30, kListViewHeaderHeight + 3 * kListViewRowHeight + 2}, -1, LVHT_NOWHERE},
      {{30, 5}, -1, LVHT_NOWHERE},
      {{205, kListViewHeaderHeight + 2}, -1, LVHT_NOWHERE},
  };
  for (const Case& c : cases) {
    LVHITTESTINFO info;
    info.pt = c.p;
    EXPECT_EQ(lv.HitTest(&info), c.item) << c.p.x << "," << c.p.y;
    EXPECT_EQ(info.flags, c.flags) << c.p.x << "," << c.p.y;
  }
}

TEST_F(ListViewTest, ClickOnCheckBoxTogglesWithoutChangingSelection) {
  win::user::ClickListViewItem(lv, 0, false);
  win::user::ClickListViewItem(lv, 2, true);
  EXPECT_EQ(CheckedRows(), (std::vector<int>{2}));
  EXPECT_EQ(lv.GetSelectedCount(), 1u);
  EXPECT_EQ(lv.GetNextItem(-1, LVNI_SELECTED), 0);
  win::user::ClickListViewItem(lv, 2, true);
  EXPECT_TRUE(CheckedRows().empty());
}

TEST_F(ListViewTest, CtrlClickAddsToTheSelectionAndSpaceTogglesTheFocusedRow) {
  win::user::ClickListViewItem(lv, 0, false);
  win::user::ClickListViewItem(lv, 2, false, true);
  EXPECT_EQ(lv.GetSelectedCount(), 2u);
  EXPECT_EQ(lv.GetNextItem(-1, LVNI_FOCUSED), 2);
  win::user::ClickListViewItem(lv, 1, false);
  EXPECT_EQ(lv.GetSelectedCount(), 1u) << "a plain click selects only its row";
  SendMessageW(lv, WM_KEYDOWN, VK_SPACE, 0);
  EXPECT_EQ(CheckedRows(), (std::vector<int>{1}));
}

TEST_F(ListViewTest, StateChangesAreAnnouncedAndCanBeRefused) {
  std::vector<std::pair<int, UINT>> changed;
  static bool refuse = false;
  auto proc = +[](HWND h, UINT m, WPARAM w, LPARAM l, UINT_PTR, DWORD_PTR ref) -> LRESULT {
    if (m == WM_NOTIFY) {
      auto* nm = reinterpret_cast<NMLISTVIEW*>(l);
      if (nm->hdr.code == static_cast<UINT>(LVN_ITEMCHANGING) && refuse) return TRUE;
      if (nm->hdr.code == static_cast<UINT>(LVN_ITEMCHANGED))
        reinterpret_cast<std::vector<std::pair<int, UINT>>*>(ref)->push_back(
            {nm->iItem, nm->uNewState});
    }
    return DefSubclassProc(h, m, w, l);
  };
  SetWindowSubclass(top, proc, 5, reinterpret_cast<DWORD_PTR>(&changed));
  lv.SetCheckState(1, TRUE);
  refuse = true;
  lv.SetCheckState(2, TRUE);
  refuse = false;
  RemoveWindowSubclass(top, proc, 5);
  ASSERT_EQ(changed.size(), 1u);
  EXPECT_EQ(changed[0].first, 1);
  EXPECT_EQ(changed[0].second & LVIS_STATEIMAGEMASK, INDEXTOSTATEIMAGEMASK(2));
  EXPECT_EQ(CheckedRows(), (std::vector<int>{1}));
}

TEST_F(ListViewTest, ColumnsWidthsAndDeletion) {
  EXPECT_EQ(lv.GetStringWidth(L"Layers"), 36);
  lv.SetColumnWidth(0, LVSCW_AUTOSIZE);
  EXPECT_EQ(lv.GetColumnWidth(0), 6 * 5 + kListViewLabelLeft + 12)
      << "widest row text plus box and margin";
  EXPECT_TRUE(lv.DeleteItem(0));
  EXPECT_EQ(lv.GetItemText(0, 0), L"two");
  EXPECT_FALSE(lv.DeleteItem(5));
  lv.DeleteAllItems();
  EXPECT_EQ(lv.GetItemCount(), 0);
}

TEST_F(ControlsTest, TreeViewStructureAndSelection) {
  WTL::CTreeViewCtrl tree(MakeChild(top, WC_TREEVIEW, L"", TVS_CHECKBOXES, 30));
  HTREEITEM root = tree.InsertItem(L"root", TVI_ROOT, TVI_LAST);
  HTREEITEM b = tree.InsertItem(L"b", root, TVI_LAST);
  HTREEITEM a = tree.InsertItem(L"a", root, TVI_FIRST);
  EXPECT_EQ(tree.GetChildItem(root), a);
  EXPECT_EQ(tree.GetNextSiblingItem(a), b);
  EXPECT_EQ(tree.GetParentItem(b), root);
  EXPECT_EQ(tree.GetCount(), 3u);
  EXPECT_EQ(win::user::SelectTreeItem(tree, b), L"");
  EXPECT_EQ(tree.GetSelectedItem(), b);
  tree.SetCheckState(a, TRUE);
  EXPECT_TRUE(tree.GetCheckState(a));
  EXPECT_FALSE(tree.GetCheckState(b));
  tree.DeleteItem(root);
  EXPECT_EQ(tree.GetCount(), 0u);
  EXPECT_EQ(tree.GetSelectedItem(), nullptr);
}

TEST_F(ControlsTest, TabChangeCanBeRefused) {
  WTL::CTabCtrl tab(MakeChild(top, WC_TABCONTROL, L"", 0, 40));
  tab.InsertItem(0, L"General");
  tab.InsertItem(1, L"Output");
  EXPECT_EQ(tab.GetCurSel(), 0);
  static bool refuse = true;
  auto proc = +[](HWND h, UINT m, WPARAM w, LPARAM l, UINT_PTR, DWORD_PTR) -> LRESULT {
    if (m == WM_NOTIFY && reinterpret_cast<NMHDR*>(l)->code == static_cast<UINT>(TCN_SELCHANGING))
      return refuse;
    return DefSubclassProc(h, m, w, l);
  };
  SetWindowSubclass(top, proc, 6, 0);
  win::user::SelectTab(tab, 1);
  EXPECT_EQ(tab.GetCurSel(), 0);
  refuse = false;
  win::user::SelectTab(tab, 1);
  EXPECT_EQ(tab.GetCurSel(), 1);
  RemoveWindowSubclass(top, proc, 6);
}

TEST_F(ControlsTest, ProgressBarClampsAndStepsRoundTheRange) {
  WTL::CProgressBarCtrl p(MakeChild(top, PROGRESS_CLASS, L"", 0, 50));
  p.SetRange32(0, 50);
  EXPECT_EQ(p.SetPos(80), 0);
  EXPECT_EQ(p.GetPos(), 50);
  p.SetPos(45);
  p.SetStep(10);
  EXPECT_EQ(p.StepIt(), 45);
  EXPECT_EQ(p.GetPos(), 5) << "a step past the maximum starts again";
  p.OffsetPos(-20);
  EXPECT_EQ(p.GetPos(), 0);
}

TEST_F(ControlsTest, TrackBarReportsUserMovesToItsParent) {
  WTL::CTrackBarCtrl t(MakeChild(top, TRACKBAR_CLASS, L"", 0, 60));
  t.SetRange(0, 20);
  win::user::MoveTrackBar(t, 35);
  EXPECT_EQ(t.GetPos(), 20);
  bool sawEnd = false;
  for (auto& e : log.entries)
    if (e.msg == WM_HSCROLL && LOWORD(e.wp) == TB_ENDTRACK &&
        reinterpret_cast<HWND>(e.lp) == t.m_hWnd)
      sawEnd = true;
  EXPECT_TRUE(sawEnd);
  t.SetPos(-5);
  EXPECT_EQ(t.GetPos(), 0);
}

TEST_F(ControlsTest, ToolTipTextsFromTextsAndResourceIds) {
  auto module = MakeModule({}, "3001\tShows the observers\n");
  HWND button = MakeChild(top, WC_BUTTON, L"b", 0, 70);
  HWND edit = MakeChild(top, WC_EDIT, L"", 0, 71);
  WTL::CToolTipCtrl tip;
  ASSERT_TRUE(tip.Create(top));
  tip.AddTool(button, MAKEINTRESOURCEW(3001), module.get());
  tip.AddTool(edit, L"Type here");
  EXPECT_EQ(tip.GetToolCount(), 2);
  EXPECT_EQ(tip.GetText(button), L"Shows the observers");
  tip.UpdateTipText(L"Type a number", edit);
  EXPECT_EQ(tip.GetText(edit), L"Type a number");
  tip.DelTool(button);
  EXPECT_EQ(tip.GetToolCount(), 1);
}

TEST_F(ControlsTest, EditColoursComeFromTheParentByState) {
  HWND e = MakeChild(top, WC_EDIT, L"", 0, 80);
  win::PaintColors normal = win::QueryControlColors(e);
  EXPECT_EQ(normal.brushColor, GetSysColor(COLOR_WINDOW));
  SendMessageW(e, EM_SETREADONLY, TRUE, 0);
  win::PaintColors ro = win::QueryControlColors(e);
  EXPECT_EQ(ro.brushColor, GetSysColor(COLOR_BTNFACE)) << "a read-only edit paints as a static";
  EXPECT_EQ(log.Only({WM_CTLCOLOREDIT, WM_CTLCOLORSTATIC}),
            (std::vector<UINT>{WM_CTLCOLOREDIT, WM_CTLCOLORSTATIC}));
}

}  // namespace
}  // namespace velk::test
