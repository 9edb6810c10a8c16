// The linear line-of-sight command and dialog in a running 2-D host: the enabled state, the
// layer preselected from the selected-layer control (a stand-in control), picking through the
// coordinate tool's events, the graphics on the map, Clear, and an offset that is no number.
#include "terrain/linear_los/linear_los_command.h"

#include <gtest/gtest.h>

#include "framework/host_object_creation.h"
#include "interfaces/zel_selected_layer.h"
#include "platform/com/text.h"
#include "platform/host/shell/command.h"
#include "platform/host/display/display_class_ids.h"
#include "platform/host/documents/document_base.h"
#include "platform/host/geometry/geometry_objects.h"
#include "platform/host/display/layer_kinds.h"
#include "platform/host/documents/map_document.h"
#include "platform/win/responder.h"
#include "tests/fixtures/dem_fixture.h"
#include "tests/fixtures/host_data_fixture.h"
#include "tests/fixtures/temp_root.h"
#include "tests/fixtures/tool_output.h"
#include "tests/framework/host_session_fixture.h"

namespace velk::corvane {
namespace {

class SelectedLayerDouble
    : public ComObjectRoot<SelectedLayerDouble, IToolControl, IZelSelectedLayer> {
 public:
  HRESULT get_hWnd(HWND* w) override { return (*w = nullptr, S_OK); }
  HRESULT OnFocus(IUnknown*) override { return S_OK; }
  HRESULT OnDrop(LONG, VARIANT_BOOL* accept) override { return (*accept = VARIANT_TRUE, S_OK); }
  HRESULT get_CurrentSelectedLayer(ILayer** layer) override { return current.CopyTo(layer); }
  ComPtr<ILayer> current;
};

struct Dialog {
  test::TempRoot root;
  test::HostSessionFixture fixture;
  test::ScratchDir dir;
  ComPtr<ILayer> a, b;
  ComPtr<ICommand> command;

  Dialog() {
    test::DemSpec spec;
    EXPECT_TRUE(test::MakeGeoTiffDem(dir / "dem.tif", spec));
    auto raster = [&] {
      auto r = CreateHostObject<IRasterLayer>(host::CLSID_RasterLayer);
      EXPECT_EQ(r->CreateFromFilePath(Bstr(FromUtf8(dir / "dem.tif"))), S_OK);
      ComPtr<IMap> map;
      fixture.Session().Document().Query<IMapDocument>()->get_FocusMap(map.put());
      map->AddLayer(r.Query<ILayer>().get());
      return r.Query<ILayer>();
    };
    a = raster();
    b = raster();
    a->put_Name(Bstr(L"A"));
    b->put_Name(Bstr(L"B"));
    Check(CreateLinearLOS(nullptr, IidOf<ICommand>(), command.put_void()));
    Check(command->OnCreate(fixture.Session().Hook()));
  }
  LinearLOS& Cmd() { return *static_cast<LinearLOS*>(command.get()); }
  LinearLosDlg& Dlg() { return Cmd().Dialog(); }
  std::wstring Text(int id) {
    wchar_t text[64] = {};
    ::GetDlgItemTextW(Dlg().m_hWnd, id, text, 64);
    return text;
  }
  void Press(int id) {
    ::SendMessageW(Dlg().m_hWnd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(Dlg().m_hWnd, id)));
  }
  void Pick(double lon, double lat) {
    auto p = host::NewPoint(lon, lat, test::SpatialReference(4326).get());
    Cmd().ActivePointChanged(p.get(), p.get(), p.get());
  }
  bool Enabled(int id) { return ::IsWindowEnabled(::GetDlgItem(Dlg().m_hWnd, id)); }
};

TEST(LinearLosCommand, NeedsSorrelinBesidesTheExtensionObject) {
  Dialog d;
  VARIANT_BOOL enabled = VARIANT_TRUE;
  d.fixture.SetStates(1, 1, 0);
  EXPECT_EQ(d.command->get_Enabled(&enabled), S_OK);
  EXPECT_EQ(enabled, VARIANT_FALSE);
  d.fixture.SetStates(1, 0, 1);
  EXPECT_EQ(d.command->get_Enabled(&enabled), S_OK);
  EXPECT_EQ(enabled, VARIANT_TRUE);
  EXPECT_EQ(d.command->get_Enabled(nullptr), E_POINTER);
}

TEST(LinearLosDialog, PicksPointsClearsThemAndRefusesAnOffsetThatIsNoNumber) {
  Dialog d;
  d.fixture.SetStates(1, 0, 1);
  auto control = MakeObjectPtr<SelectedLayerDouble, IToolControl>();
  static_cast<SelectedLayerDouble*>(control.get())->current = d.b;
  ComPtr<ICommandItem> item;
  ASSERT_EQ(d.fixture.Session().App().Document().Bars().AddItem(L"velkTarvosUI.SelectedLayer", 0,
                                                               control.get(), item.put()),
            S_OK);
  ASSERT_EQ(d.command->OnClick(), S_OK);
  ASSERT_TRUE(::IsWindow(d.Dlg().m_hWnd));
  // The combo lists both rasters, the control's layer chosen.
  EXPECT_EQ(::SendDlgItemMessageW(d.Dlg().m_hWnd, lld::kSurface, CB_GETCOUNT, 0, 0), 2);
  EXPECT_TRUE(IsSameObject(d.Dlg().SurfaceLayer(), d.b.get()));
  EXPECT_EQ(d.Text(lld::kStartOffset), L"2");
  EXPECT_EQ(d.Text(lld::kStartLongitude), L"none");
  EXPECT_FALSE(d.Enabled(lld::kOk));

  // A point while nothing is being picked changes no edit.
  d.Pick(6.1, 0.9);
  EXPECT_EQ(d.Text(lld::kStartLongitude), L"none");
  d.Press(lld::kPickStart);
  EXPECT_EQ(d.Dlg().PickMode(), 1);
  d.Pick(6.125, 0.875);
  d.Press(lld::kPickEnd);
  EXPECT_EQ(d.Dlg().PickMode(), 2);
  d.Pick(6.875, 0.5);
  EXPECT_EQ(d.Text(lld::kStartLongitude), L"6.125000");
  EXPECT_EQ(d.Text(lld::kStartLatitude), L"0.875000");
  EXPECT_EQ(d.Text(lld::kEndLongitude), L"6.875000");
  EXPECT_TRUE(d.Enabled(lld::kOk));
  EXPECT_TRUE(d.Dlg().GetGraphicsEnvelope());
  // The same button again stops picking.
  d.Press(lld::kPickEnd);
  EXPECT_EQ(d.Dlg().PickMode(), 0);

  // An offset that is no number runs nothing.
  ::SetDlgItemTextW(d.Dlg().m_hWnd, lld::kEndOffset, L"abc");
  d.Press(lld::kOk);
  EXPECT_FALSE(d.Dlg().LastOutcome().ran);
  EXPECT_TRUE(d.Dlg().LastOutcome().files.empty());

  d.Press(lld::kClear);
  EXPECT_EQ(d.Text(lld::kEndOffset), L"2");
  EXPECT_EQ(d.Text(lld::kEndLongitude), L"none");
  EXPECT_FALSE(d.Enabled(lld::kOk));
  EXPECT_FALSE(d.Dlg().GetGraphicsEnvelope());
}

}  // namespace
}  // namespace velk::corvane
