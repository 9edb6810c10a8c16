// Message boxes, status texts and the message pump; the layer tests and host-object lookups.
#include "framework/message_helpers.h"

#include <gtest/gtest.h>

#include <vector>

#include "framework/host_object_creation.h"
#include "framework/layer_queries.h"
#include "platform/host/data/data_class_ids.h"
#include "platform/host/display/display_class_ids.h"
#include "platform/host/geometry/geometry_objects.h"
#include "platform/host/display/layer_kinds.h"
#include "platform/host/shell/status_bar.h"
#include "platform/win/message_queue.h"
#include "platform/win/responder.h"
#include "tests/fixtures/host_data_fixture.h"
#include "tests/fixtures/tool_output.h"
#include "tests/framework/host_session_fixture.h"
#include "tests/fixtures/scoped_responder.h"

namespace velk::corvane {
namespace {

class AnsweringUser : public win::Responder {
 public:
  int OnMessageBox(HWND, const std::wstring&, const std::wstring&, UINT) override { return IDNO; }
};

TEST(MessageHelpers, BoxesShowTheTextsAsTheTableHoldsThem) {
  test::HostSessionFixture host;
  win::ClearUserEvents();
  HWND owner = reinterpret_cast<HWND>(0x1234);
  ShowMessageBox(owner, 3272, kErrorCaptionId, kExclamationOk);
  AnsweringUser user;
  {
    test::ScopedResponder responder(&user);
    EXPECT_EQ(AskMessageBox(owner, 3888, kErrorCaptionId, kQuestionYesNo), IDNO);
  }
  CHookImpl<int> hook;
  hook.SetHook(host.Session().Hook());
  ShowHostMessageBox(hook, 3665, kErrorCaptionId, kStopOk);  // the session's host has no window
  const auto& events = win::UserEvents();
  ASSERT_EQ(events.size(), 3u);
  EXPECT_EQ(events[0].text, L"Please specify %1!s! field");  // the insert stays unfilled
  EXPECT_EQ(events[0].caption, L"Error");
  EXPECT_EQ(events[0].type, 0x30u);
  EXPECT_EQ(events[0].window, owner);
  EXPECT_EQ(events[1].text, L"Data with the same name exists. Overwrite?");
  EXPECT_EQ(events[1].type, 0x24u);
  EXPECT_EQ(events[2].window, nullptr);
  EXPECT_EQ(events[2].type, 0x10u);
}

TEST(MessageHelpers, StatusTextsAndThePump) {
  test::HostSessionFixture host;
  CHookImpl<int> hook;
  hook.SetHook(host.Session().Hook());
  ShowStatusTextById(hook, 0, 3250);
  ComPtr<IStatusBar> bar;
  ComPtr<IApplication> app;
  hook.GetApplication(app.put());
  app->get_StatusBar(bar.put());
  Bstr text;
  bar->get_Message(0, &text);
  EXPECT_EQ(text.str(), L"No input layer");
  ShowStatusText(hook, 0, Bstr(L"Operation cancelled"));
  bar->get_Message(0, &text);
  EXPECT_EQ(text.str(), L"Operation cancelled");
  CHookImpl<int> unhooked;
  EXPECT_NO_THROW(ShowStatusText(unhooked, 0, Bstr(L"x")));  // no application: nothing happens

  // Every waiting message is dispatched, those posted while pumping too.
  win::ResetWindows();
  win::ResetMessageQueue();
  HWND w = CreateWindowExW(0, WC_PLAINWINDOW, L"w", WS_OVERLAPPEDWINDOW, 0, 0, 10, 10, nullptr,
                           nullptr, nullptr, nullptr);
  for (int i = 0; i < 3; ++i) PostMessageW(w, WM_USER + i, 0, 0);
  PumpWaitingMessages();
  MSG msg;
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE));
  win::ResetWindows();
}

// Every text that the commands hand to the message boxes and the status bar, word for word: a
// missing one would show an empty box or an empty hint.
TEST(MessageHelpers, EveryTextTheCommandsShowIsInTheTable) {
  test::HostSessionFixture host;
  struct Case {
    UINT id;
    const wchar_t* text;
  };
  const Case boxes[] = {
      {3620, L"Invalid dataset"},
      {3615, L"No Operations On TIN"},
      {3622, L"Point outside surface!"},
      {3666, L"Cannot perform hillshade on specified input."},
      {3871, L"Please enter elevation range between -90 and 90 degrees."},
      {3872, L"Altitude value is out of range. Valid values are between 0 and 90 degrees."},
      {3873, L"Azimuth value is out of range. Valid values are between 0 and 360 degrees."},
      {3687, L"At least one observer must be present"},
      {3688, L"Could not create Base surface for the analysis"},
      {3724, L"One or more errors occurred during the Data Management process."},
  };
  win::ClearUserEvents();
  for (const Case& c : boxes) ShowMessageBox(nullptr, c.id, kErrorCaptionId, kExclamationOk);
  const auto& events = win::UserEvents();
  ASSERT_EQ(events.size(), std::size(boxes));
  for (std::size_t i = 0; i < std::size(boxes); ++i) {
    EXPECT_EQ(events[i].text, boxes[i].text) << boxes[i].id;
    EXPECT_EQ(events[i].caption, L"Error");
  }

  const std::vector<Case> hints = {
      {3252, L"Could not create mosaic raster dataset"},
      {3256, L"Please select an Zel catalog layer"},
      {3558, L"Please enable the Sorrelin extension"},
      {3695, L"Animation track generated successfully"},
      {3707, L"Operation cancelled"},
  };
  CHookImpl<int> hook;
  hook.SetHook(host.Session().Hook());
  ComPtr<IApplication> app;
  hook.GetApplication(app.put());
  ComPtr<IStatusBar> bar;
  app->get_StatusBar(bar.put());
  // with the titles of the 3-D viewer's three layer lists, loaded the same way
  const std::vector<Case> titles = {
      {3607, L"Available Layers"}, {3609, L"Threat Dome Observers"}, {3611, L"Flight Paths"}};
  for (const auto* list : {&hints, &titles}) {
    for (const Case& c : *list) {
      ShowStatusTextById(hook, 0, c.id);
      Bstr text;
      bar->get_Message(0, &text);
      EXPECT_EQ(text.str(), c.text) << c.id;
    }
  }
}

ComPtr<ILayer> PointLayer(IWorkspace* ws, const wchar_t* name, LONG shapeType,
                          const std::vector<std::wstring>& fields) {
  std::vector<host::FieldSpec> specs = {test::OidField(), test::ShapeField(shapeType, 4326)};
  for (const auto& f : fields) specs.push_back(test::DoubleField(f, 12, 2));
  ComPtr<IFeatureClass> fc;
  EXPECT_EQ(test::CreateClass(ws, name, specs, fc.put()), S_OK) << name;
  auto layer = CreateHostObject<IFeatureLayer>(host::CLSID_FeatureLayer);
  layer->putref_FeatureClass(fc.get());
  return layer.As<ILayer>();
}

TEST(LayerTests, ObserverAndVisibilityLayers) {
  test::HostSessionFixture host;
  test::ScratchDir dir;
  auto ws = test::OpenWorkspace(test::ShapefileFactory().get(), dir.path());
  struct Case {
    const wchar_t* name;
    LONG shape;
    std::vector<std::wstring> fields;
    bool observer, visibility;
  } cases[] = {
      {L"obs",
       kGeometryPoint,
       {L"RADIUS2", L"Visible"},
       true,
       true},  // letter case of the field ignored
      {L"lines", kGeometryPolyline, {L"Visible"}, false, true},
      {L"areas", kGeometryPolygon, {L"Radius2", L"Visible"}, false, false},
      {L"plain", kGeometryMultipoint, {L"OTHER"}, false, false},
  };
  for (const auto& c : cases) {
    auto layer = PointLayer(ws.get(), c.name, c.shape, c.fields);
    EXPECT_EQ(IsObserverPointLayer(layer.get()), c.observer) << c.name;
    EXPECT_EQ(IsVisibilityLayer(layer.get()), c.visibility) << c.name;
  }
  EXPECT_FALSE(IsObserverPointLayer(nullptr));
  auto empty = CreateHostObject<ILayer>(host::CLSID_FeatureLayer);  // reports itself invalid
  EXPECT_FALSE(IsVisibilityLayer(empty.get()));
  auto raster = CreateHostObject<ILayer>(host::CLSID_RasterLayer);
  EXPECT_FALSE(IsObserverPointLayer(raster.get()));
}

TEST(LayerTests, ProjectionCentredOnAPointAndTheRelationTest) {
  test::HostSessionFixture host;
  auto centre = host::NewPoint(6.55, 0.35);
  ComPtr<ISpatialReference> sr;
  MakeAzimuthalEquidistantProjection(sr.put(), centre.get());
  ASSERT_TRUE(sr);
  auto p = host::NewPoint(6.75, 0.5, test::SpatialReference(4326).get());
  ASSERT_EQ(p->Project(sr.get()), S_OK);
  double x = 0, y = 0;
  p->QueryCoords(&x, &y);
  std::string out = test::ToolOutput(
      "echo 6.75 0.5 | cs2cs -f %.4f +proj=longlat +datum=WGS84 +to +proj=aeqd +lat_0=0.35 "
      "+lon_0=6.55 +datum=WGS84");
  double ex = 0, ey = 0;
  ASSERT_EQ(std::sscanf(out.c_str(), "%lf %lf", &ex, &ey), 2) << out;
  EXPECT_NEAR(x, ex, 1e-3);
  EXPECT_NEAR(y, ey, 1e-3);

  auto a = host::NewEnvelope(0, 0, 10, 10);
  EXPECT_EQ(TestGeometryRelation(a.Query<IGeometry>().get(),
                                 host::NewPoint(20, 20).Query<IGeometry>().get()),
            VARIANT_TRUE);
  EXPECT_EQ(TestGeometryRelation(a.Query<IGeometry>().get(),
                                 host::NewPoint(5, 5).Query<IGeometry>().get()),
            VARIANT_FALSE);

  CHookImpl<int> hook;
  hook.SetHook(host.Session().Hook());
  ComPtr<IToolControl> control;
  FindSelectedLayerCommand(control.put(), &hook);
  EXPECT_FALSE(control);  // the host holds no selected-layer control
  FindSelectedLayerCommand(control.put(), nullptr);
  EXPECT_FALSE(control);
}

}  // namespace
}  // namespace velk::corvane
