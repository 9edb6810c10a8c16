// The sink of the coordinate tool's events that the point-taking commands derive from:
// subscribing through the host's command bars, making the tool current, ending the
// subscription, and never calling a tool that has gone.
#include <gtest/gtest.h>

#include "framework/coord_tool_event_handler.h"
#include "tests/coordinates/coord_tool_test_support.h"

namespace velk::corvane {
namespace {

// A command that takes points from the coordinate tool.
class PointTaker : public ComObjectRoot<PointTaker, CoordToolEventHandler>,
                   public CHookImpl<PointTaker>,
                   public stCoordToolListener {
 public:
  HRESULT ActivePointChanged(IPoint*, IPoint*, IPoint*) override {
    ++points;
    return S_OK;
  }
  void StartListening(bool activate) override {
    Connect(this, static_cast<CoordToolEventHandler*>(this), activate);
  }
  void StopListening(bool reset) override { Disconnect(this, reset); }
  int points = 0;
};

// An owner that overrides no event.
class Plain : public ComObjectRoot<Plain, CoordToolEventHandler> {};

// A handler whose owner goes without regard to references (freed while subscribed). The tool
// releases the sink while the subscription ends, so the owner ends it while it still answers
// calls, as the handler's destructor does.
class Unowned : public CoordToolEventHandler {
 public:
  ~Unowned() override { Disconnect(nullptr, false); }
  HRESULT QueryInterface(REFIID riid, void** ppv) override {
    if (riid == IidOf<IUnknown>() || riid == IidOf<IZelCoordToolEvents>()) {
      *ppv = static_cast<IZelCoordToolEvents*>(this);
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return 2; }
  ULONG Release() override { return 1; }
};

template <class T>
ComPtr<ComObject<T>> Make() {
  ComObject<T>* p = nullptr;
  Check(ComObject<T>::Create(&p));
  return ComPtr<ComObject<T>>::Attach(p);
}

class CoordToolEventHandlerTest : public testing::CoordToolTestBase {
 protected:
  ComPtr<ComObject<PointTaker>> Taker() {
    auto t = Make<PointTaker>();
    t->SetHook(host->Session().Hook());
    return t;
  }
  std::size_t Sinks() { return host->Tool().Events().SinkCount(); }
  IUnknown* ToolIdentity() {
    return QueryAs<IUnknown>(static_cast<ICommand*>(&host->Tool())).get();
  }
};

TEST_F(CoordToolEventHandlerTest, ListeningSubscribesWithOrWithoutMakingTheToolCurrent) {
  StartHost();
  auto item = host->CreateTool();
  auto taker = Taker();
  taker->StartListening(false);
  EXPECT_TRUE(taker->IsConnected());
  EXPECT_EQ(taker->Cookie(), 1u);
  EXPECT_EQ(taker->Source(), ToolIdentity());
  EXPECT_FALSE(host->CurrentTool()) << "without activate the current tool stays as it was";
  host->Tool().Events().Fire_ActivePointChanged(nullptr, nullptr, nullptr);
  EXPECT_EQ(taker->points, 1);

  taker->StartListening(true);
  EXPECT_TRUE(IsSameObject(host->CurrentTool().get(), item.get()));
  EXPECT_EQ(Sinks(), 1u) << "a second subscription replaces the first";
  EXPECT_EQ(taker->Cookie(), 1u);
  host->Tool().Events().Fire_ActivePointChanged(nullptr, nullptr, nullptr);
  EXPECT_EQ(taker->points, 2);

  taker->StopListening(false);
  EXPECT_FALSE(taker->IsConnected());
  EXPECT_EQ(Sinks(), 0u);
  EXPECT_TRUE(host->CurrentTool());
}

TEST_F(CoordToolEventHandlerTest, StoppingWithResetClearsTheCurrentToolEvenWhenNeverSubscribed) {
  StartHost();
  auto item = host->CreateTool();
  ASSERT_EQ(item->Execute(), S_OK);
  auto taker = Taker();
  taker->StopListening(true);
  EXPECT_FALSE(host->CurrentTool());
  taker->Disconnect(nullptr, true);  // no hook: nothing to reset, nothing raised
}

TEST_F(CoordToolEventHandlerTest, NoToolOnTheBarsMeansNoSubscriptionAndNoError) {
  StartHost();
  auto taker = Taker();
  taker->StartListening(true);
  EXPECT_FALSE(taker->IsConnected());
  EXPECT_FALSE(host->CurrentTool());
  taker->Connect(nullptr, static_cast<CoordToolEventHandler*>(taker.get()),
                 true);  // a null hook does nothing
  PointTaker::CHookImpl<PointTaker> noApplication;
  try {
    taker->Connect(&noApplication, static_cast<CoordToolEventHandler*>(taker.get()), false);
    ADD_FAILURE() << "a hook without an application raises";
  } catch (const ComError& e) {
    EXPECT_EQ(e.Error(), E_POINTER);
  }
}

TEST_F(CoordToolEventHandlerTest, ARefusedSubscriptionLeavesTheCookieAtZero) {
  StartHost();
  host->CreateTool();
  auto point = host::NewPoint(1, 1);  // answers no event interface
  Unowned handler;
  handler.Connect(&host->Tool(), point.get(), false);
  EXPECT_EQ(handler.Cookie(), 0u);
  EXPECT_FALSE(handler.IsConnected());
  EXPECT_EQ(Sinks(), 0u);
}

TEST_F(CoordToolEventHandlerTest, AnOwnerThatOverridesNothingAnswersEveryEvent) {
  auto plain = Make<Plain>();
  IZelCoordToolEvents* sink = plain.get();
  EXPECT_EQ(sink->ToolDeactivated(), S_OK);
  EXPECT_EQ(sink->ToolActivated(), S_OK);
  EXPECT_EQ(sink->ActivePointChanged(nullptr, nullptr, nullptr), S_OK);
  EXPECT_EQ(sink->NewPointEntered(nullptr, nullptr, nullptr), S_OK);
}

TEST_F(CoordToolEventHandlerTest, AnOwnerThatGoesUnsubscribesAndLeavesTheCurrentTool) {
  StartHost();
  auto item = host->CreateTool();
  auto* handler = new Unowned;
  handler->Connect(&host->Tool(), handler, true);
  ASSERT_EQ(Sinks(), 1u);
  delete handler;
  EXPECT_EQ(Sinks(), 0u);
  EXPECT_TRUE(IsSameObject(host->CurrentTool().get(), item.get()));
}

TEST_F(CoordToolEventHandlerTest, ATakerSubscribedWhenTheHostShutsDownNeverCallsTheGoneTool) {
  StartHost();
  host->CreateTool();
  auto taker = Taker();
  taker->StartListening(true);
  ASSERT_TRUE(taker->IsConnected());
  // The host goes: the tool lets its sinks go and is destroyed while the taker lives on.
  host.reset();
  EXPECT_TRUE(FindCoordToolLifetime(taker->Source()).expired());
  taker->StopListening(false);  // would reach the destroyed tool if the handler trusted its pointer
  EXPECT_FALSE(taker->IsConnected());
  taker.Reset();
}

TEST_F(CoordToolEventHandlerTest, AToolThatGoesWhileTheTakerHoldsItsOnlyReferenceIsNotCalled) {
  StartHost();
  host->CreateTool();
  auto taker = Taker();
  taker->StartListening(false);
  // The taker is held only by the tool; the host's shutdown destroys both in turn.
  ComObject<PointTaker>* raw = taker.get();
  taker.Reset();
  EXPECT_TRUE(raw->IsConnected());
  host.reset();  // the tool releases the taker, whose destructor must not unadvise the gone tool
}

}  // namespace
}  // namespace velk::corvane
