// The layer list view: collecting the focus map's layers, rows and checks, and the check
// propagation over a selection.
#include "framework/layer_list_view_helper.h"

#include <gtest/gtest.h>

#include "platform/com/out_param.h"
#include "tests/framework/layer_doubles.h"

#include "framework/host_object_creation.h"
#include "platform/host/data/data_class_ids.h"
#include "platform/host/display/graphics.h"
#include "platform/host/display/display_class_ids.h"
#include "platform/host/display/layer_kinds.h"
#include "platform/host/documents/map_document.h"
#include "platform/win/message_queue.h"
#include "platform/win/user_input.h"
#include "tests/framework/host_session_fixture.h"

namespace velk::corvane {
namespace {

struct ListTest : ::testing::Test {
  test::HostSessionFixture host;
  CHookImpl<ListTest> hook;
  HWND top = nullptr;
  HWND list = nullptr;

  void SetUp() override {
    win::ResetWindows();
    win::ResetMessageQueue();
    hook.SetHook(host.Session().Hook());
    top = CreateWindowExW(0, WC_PLAINWINDOW, L"dialog", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 400,
                          400, nullptr, nullptr, nullptr, nullptr);
    list = CreateWindowExW(0, WC_LISTVIEW, L"", WS_CHILD | WS_VISIBLE | LVS_REPORT, 10, 10, 215,
                           300, top, reinterpret_cast<HMENU>(static_cast<std::intptr_t>(3607)),
                           nullptr, nullptr);
  }
  void TearDown() override { win::ResetWindows(); }

  ComPtr<IMap> FocusMap() {
    ComPtr<IMap> m;
    host.Session().Document().Query<IMapDocument>()->get_FocusMap(m.put());
    return m;
  }
  ComPtr<ILayer> AddLayer(const CLSID& clsid, const wchar_t* name, bool visible) {
    auto layer = CreateHostObject<ILayer>(clsid);
    layer->put_Name(Bstr(name));
    layer->put_Visible(ToVariantBool(visible));
    FocusMap()->AddLayer(layer.get());
    return layer;
  }
};

std::vector<std::wstring> Rows(LayerListViewHelper& v) {
  std::vector<std::wstring> out;
  out.reserve(static_cast<std::size_t>(v.GetItemCount()));
  for (int i = 0; i < v.GetItemCount(); ++i)
    out.push_back(v.GetItemText(i, 0) + (v.GetCheckState(i) ? L"+" : L"-"));
  return out;
}

using Rows_ = std::vector<std::wstring>;

TEST_F(ListTest, PopulateFillAndReadBack) {
  AddLayer(host::CLSID_FeatureLayer, L"roads", true);
  AddLayer(host::CLSID_FeatureLayer, L"hidden", false);
  AddLayer(host::CLSID_RasterLayer, L"dem", true);
  LayerListViewHelper view(L"Available Layers", nullptr);
  ASSERT_TRUE(view.Attach(list));
  EXPECT_EQ(view.GetExtendedListViewStyle() & kLayerListViewStyle, kLayerListViewStyle);
  view.AddLayerTypeFilter(IidOf<IFeatureLayer>());
  view.AddLayerTypeFilter(IidOf<ILayer>());  // every layer again: feature layers appear twice
  view.Populate(list, 0);
  EXPECT_TRUE(view.Layers().empty()) << "no hook: nothing collected";
  view.SetHook(&hook);
  view.Populate(list, 0);
  EXPECT_EQ(view.GetItemCount(), 0) << "rows come only with FillItems";
  EXPECT_EQ(view.Layers().size(), 5u);
  EXPECT_EQ(view.GetColumnWidth(0), 200);  // a list 215 pixels wide
  view.FillItems();
  EXPECT_EQ(Rows(view), (Rows_{L"hidden-", L"roads+", L"dem+", L"hidden-", L"roads+"}));

  view.Populate(list, kPopulateVisibleOnly);
  view.FillItems();
  EXPECT_EQ(Rows(view), (Rows_{L"roads+", L"dem+", L"roads+"}));
  auto checked = view.GetCheckedLayers();
  LONG n = 0;
  checked->get_Count(&n);
  EXPECT_EQ(n, 3);
  view.SetAllChecks(false);
  checked = view.GetCheckedLayers();
  ASSERT_TRUE(checked);
  checked->get_Count(&n);
  EXPECT_EQ(n, 0);
  view.UnsubclassWindow();
}

TEST_F(ListTest, KeepLayersInExtent) {
  // Graphics layers: their area of interest is the extent of their graphics.
  auto layerAt = [](const wchar_t* name, double x, double y) {
    auto layer = CreateHostObject<ILayer>(host::CLSID_GraphicsLayer);
    layer->put_Name(Bstr(name));
    auto point = CreateHostObject<IPoint>(host::CLSID_Point);
    point->PutCoords(x, y);
    auto element = CreateHostObject<IElement>(host::CLSID_MarkerElement);
    element->put_Geometry(point.Query<IGeometry>().get());
    layer.Query<IGraphicsContainer>()->AddElement(element.get(), 0);
    return layer;
  };
  LayerListViewHelper view(L"Layers", &hook);
  ASSERT_TRUE(view.Attach(list));
  for (auto [name, x] : {std::pair{L"inside", 5.0}, {L"outside", 50.0}, {L"edge", 10.0}})
    view.Layers().push_back(layerAt(name, x, x));
  view.Layers().push_back(CreateHostObject<ILayer>(host::CLSID_GroupLayer));  // no data: nowhere
  view.Layers().push_back(test::MakeLayer(L"no extent", {}));  // cannot say where: nowhere
  auto area = CreateHostObject<IEnvelope>(host::CLSID_Envelope);
  area->PutCoords(0, 0, 10, 10);
  view.KeepLayersInExtent(area.As<IGeometry>());
  view.FillItems();
  EXPECT_EQ(view.GetItemCount(), 2);
  EXPECT_EQ(view.GetItemText(0, 0), L"inside");
  EXPECT_EQ(view.GetItemText(1, 0), L"edge");
  view.UnsubclassWindow();
}

TEST_F(ListTest, CheckToggleSpreadsOverTheSelection) {
  for (const wchar_t* n : {L"a", L"b", L"c", L"d"}) AddLayer(host::CLSID_FeatureLayer, n, false);
  LayerListViewHelper view(L"Layers", &hook);
  ASSERT_TRUE(view.Attach(list));
  view.AddLayerTypeFilter(IidOf<ILayer>());
  view.Populate(list, 0);
  view.FillItems();  // d, c, b, a, all unchecked
  // select rows 0, 1 and 2
  win::user::ClickListViewItem(list, 0, false);
  win::user::ClickListViewItem(list, 1, false, true);
  win::user::ClickListViewItem(list, 2, false, true);
  ASSERT_EQ(view.GetSelectedCount(), 3u);
  win::user::ClickListViewItem(list, 1, true);
  EXPECT_EQ(Rows(view), (Rows_{L"d+", L"c+", L"b+", L"a-"}));
  // with Ctrl only the clicked row changes
  win::user::ClickListViewItem(list, 0, true, true);
  EXPECT_EQ(Rows(view), (Rows_{L"d-", L"c+", L"b+", L"a-"}));
  // a row outside the selection changes alone
  win::user::ClickListViewItem(list, 3, true);
  EXPECT_EQ(Rows(view), (Rows_{L"d-", L"c+", L"b+", L"a+"}));

  // space on the focused, selected row: the whole selection takes its new state
  view.SetAllChecks(false);
  for (int i = 0; i < 4; ++i) view.SetItemState(i, i < 2 ? LVIS_SELECTED : 0, LVIS_SELECTED);
  view.SetItemState(1, LVIS_FOCUSED, LVIS_FOCUSED);
  SetFocus(list);
  win::user::PostKey(VK_SPACE);
  win::PumpMessages();
  EXPECT_EQ(Rows(view), (Rows_{L"d+", L"c+", L"b-", L"a-"}));
  view.UnsubclassWindow();
}

}  // namespace
}  // namespace velk::corvane
