// Finding the extension object and the host's analysis extensions, and the extension events
// reaching a connected handler.
#include "framework/extension_lookup.h"

#include <gtest/gtest.h>

#include <vector>

#include "framework/zel_extension_event_handler.h"
#include "platform/host/shell/host_extension.h"
#include "platform/host/shell/status_bar.h"
#include "platform/registry/activation.h"
#include "tests/fixtures/fixed_layer.h"
#include "tests/framework/host_session_fixture.h"

namespace velk::corvane {
namespace {

using test::HostSessionFixture;

// A manager of our own making, answered by creation through the extension manager's class.
class OwnManager {
 public:
  OwnManager() {
    ComObject<host::ExtensionManager>* m = nullptr;
    Check(ComObject<host::ExtensionManager>::Create(&m));
    manager_ = ComPtr<host::ExtensionManager>::Attach(m);
    host::SetCurrentExtensionManager(m);
    cookie_ = RegisterProcessClass(host::CLSID_ExtensionManager, &host::CreateExtensionManager);
  }
  ~OwnManager() {
    manager_->ShutdownAll();
    RevokeProcessClass(cookie_);
    host::SetCurrentExtensionManager(nullptr);
  }
  void Load(IExtension* e) { Check(manager_->Load(e, GUID_NULL, nullptr)); }

 private:
  test::TempRoot root_;
  ComPtr<host::ExtensionManager> manager_;
  DWORD cookie_ = 0;
};

ComPtr<IExtension> NewZelExtension() {
  return MakeObjectPtr<productline::ZelExtension, IExtension>();
}

TEST(FindZelExtension, TakesTheLowestIndexThatAnswers) {
  OwnManager m;
  auto quentara = host::MakeHostExtension(L"Quentara", kExtensionEnabled);
  auto first = NewZelExtension();
  auto second = NewZelExtension();
  m.Load(quentara.get());
  m.Load(first.get());
  m.Load(second.get());
  auto found = FindZelExtension();
  ASSERT_TRUE(found);
  EXPECT_TRUE(IsSameObject(found.get(), first.get()));
}

TEST(FindZelExtension, NullWhenNoneAnswers) {
  OwnManager m;
  m.Load(host::MakeHostExtension(L"Sorrelin", kExtensionEnabled).get());
  EXPECT_FALSE(FindZelExtension());
  EXPECT_FALSE(IsZelExtensionEnabled());
}

TEST(FindZelExtension, AManagerThatCannotBeCreatedIsAnError) {
  test::TempRoot root;  // nothing registered: the class is unknown
  try {
    FindZelExtension();
    FAIL() << "expected a COM error";
  } catch (const ComError& e) {
    EXPECT_EQ(e.Error(), REGDB_E_CLASSNOTREG);
  }
  EXPECT_THROW(FindExtensionByName(SysAllocString(L"Sorrelin")), ComError);
}

TEST(FindZelExtension, AManagerWithoutItsInterfaceGivesNothing) {
  test::TempRoot root;
  DWORD cookie =
      RegisterProcessClass(host::CLSID_ExtensionManager, &CreateInstance<host::StatusBar>);
  EXPECT_FALSE(FindZelExtension());
  EXPECT_FALSE(FindExtensionByName(SysAllocString(L"Sorrelin")));
  EXPECT_FALSE(IsExtensionEnabled(SysAllocString(L"Sorrelin")));
  RevokeProcessClass(cookie);
}

struct StateCase {
  LONG state;
  bool enabled;
};

class ExtensionState : public ::testing::TestWithParam<StateCase> {};

TEST_P(ExtensionState, OnlyStateOneIsEnabled) {
  OwnManager m;
  auto sorrelin = host::MakeHostExtension(L"Sorrelin", GetParam().state);
  auto zel = NewZelExtension();
  QueryAs<IExtensionConfig>(zel.get())->put_State(GetParam().state);
  m.Load(sorrelin.get());
  m.Load(zel.get());
  EXPECT_EQ(IsExtensionEnabled(SorrelinName().Copy()), GetParam().enabled);
  EXPECT_EQ(IsZelExtensionEnabled(), GetParam().enabled);
  EXPECT_FALSE(IsExtensionEnabled(QuentaraName().Copy()));  // not loaded
  // Names are looked up as the host does, without regard to letter case.
  EXPECT_EQ(IsExtensionEnabled(SysAllocString(L"SORRELIN")), GetParam().enabled);
}

INSTANTIATE_TEST_SUITE_P(States, ExtensionState,
                         ::testing::Values(StateCase{1, true}, StateCase{2, false},
                                           StateCase{3, false}, StateCase{0, false},
                                           StateCase{-1, false}));

TEST(ExtensionNames, AreTheAnalysisExtensions) {
  EXPECT_EQ(SorrelinName().str(), L"Sorrelin");
  EXPECT_EQ(QuentaraName().str(), L"Quentara");
}

// A sink that records the events it hears.
class Listener : public ComObjectRoot<Listener, ZelExtensionEventHandler> {
 public:
  HRESULT ContentsChanged() override { return Note(kZelContentsChanged); }
  HRESULT ContentsCleared() override { return Note(kZelContentsCleared); }
  HRESULT ItemAdded(VARIANT item) override {
    lastItem = item;
    return Note(kZelItemAdded);
  }
  HRESULT ItemDeleted(VARIANT item) override {
    lastItem = item;
    return Note(kZelItemDeleted);
  }
  HRESULT ItemReordered(VARIANT item, LONG toIndex) override {
    lastItem = item;
    lastIndex = toIndex;
    return Note(kZelItemReordered);
  }
  HRESULT NewDocument() override { return Note(kZelNewDocument); }
  HRESULT FinalConstruct() {
    Connect(static_cast<IZelExtensionEvents*>(this));
    return S_OK;
  }
  void FinalRelease() { Disconnect(); }

  HRESULT Note(LONG id) {
    heard.push_back(id);
    return S_OK;
  }
  std::vector<LONG> heard;
  Variant lastItem;
  LONG lastIndex = -1;
};

ComPtr<IZelExtensionEventSource> Source(HostSessionFixture& host) {
  return host.Zel().Query<IZelExtensionEventSource>();
}

TEST(ExtensionEvents, ReachAConnectedHandlerAndStopAfterDisconnect) {
  HostSessionFixture host;
  auto sink = MakeObjectPtr<Listener, IZelExtensionEvents>();
  auto* listener = static_cast<Listener*>(static_cast<ZelExtensionEventHandler*>(sink.get()));
  ASSERT_TRUE(listener->IsConnected());
  auto source = Source(host);

  source->FireEvent(kZelContentsChanged);
  source->FireEvent(kZelNewDocument);
  source->FireEvent(kZelSelectionChanged);  // default handler: heard by nobody
  Variant item(L"layer");
  source->FireItemEvent(kZelItemReordered, item, 3);
  EXPECT_EQ(listener->heard,
            (std::vector<LONG>{kZelContentsChanged, kZelNewDocument, kZelItemReordered}));
  EXPECT_EQ(listener->lastIndex, 3);
  EXPECT_EQ(listener->lastItem.ToString(), L"layer");

  listener->Disconnect();
  EXPECT_FALSE(listener->IsConnected());
  source->FireEvent(kZelContentsChanged);
  EXPECT_EQ(listener->heard.size(), 3u);
  LONG count = -1;
  source->get_ConnectionCount(&count);
  EXPECT_EQ(count, 0);
}

TEST(ExtensionEvents, ConnectTwiceAdvisesOnce) {
  HostSessionFixture host;
  auto sink = MakeObjectPtr<Listener, IZelExtensionEvents>();
  auto* listener = static_cast<Listener*>(static_cast<ZelExtensionEventHandler*>(sink.get()));
  DWORD first = listener->Cookie();
  listener->Connect(sink.get());
  EXPECT_NE(listener->Cookie(), first);
  LONG count = 0;
  Source(host)->get_ConnectionCount(&count);
  EXPECT_EQ(count, 1);
  Source(host)->FireEvent(kZelContentsChanged);
  EXPECT_EQ(listener->heard.size(), 1u);
  listener->Disconnect();
}

TEST(ExtensionEvents, ConnectWithoutExtensionDoesNothingAndStaysReusable) {
  auto noZel = std::make_unique<HostSessionFixture>(host::HostKind::Map, false);
  auto sink = MakeObjectPtr<Listener, IZelExtensionEvents>();
  auto* listener = static_cast<Listener*>(static_cast<ZelExtensionEventHandler*>(sink.get()));
  EXPECT_FALSE(listener->IsConnected());
  EXPECT_EQ(listener->Extension(), nullptr);
  listener->Disconnect();  // nothing to do
  noZel.reset();

  HostSessionFixture host;  // now the extension is loaded
  listener->Connect(sink.get());
  EXPECT_TRUE(listener->IsConnected());
  Source(host)->FireEvent(kZelContentsChanged);
  EXPECT_EQ(listener->heard, (std::vector<LONG>{kZelContentsChanged}));
  listener->Disconnect();
}

class RoadsLayer : public test::FixedLayer<RoadsLayer, ComObjectRoot<RoadsLayer, ILayer>> {
 public:
  static constexpr const wchar_t* kLayerName = L"roads";
};

TEST(ExtensionEvents, MapChangesOfTheHostArriveAsItemEvents) {
  HostSessionFixture host;
  auto sink = MakeObjectPtr<Listener, IZelExtensionEvents>();
  auto* listener = static_cast<Listener*>(static_cast<ZelExtensionEventHandler*>(sink.get()));
  ComPtr<IMap> map;
  host.Session().Document().Query<IMapDocument>()->get_FocusMap(map.put());
  auto roads = MakeObjectPtr<RoadsLayer, ILayer>();
  map->AddLayer(roads.get());
  map->DeleteLayer(roads.get());
  map->ClearLayers();
  EXPECT_EQ(listener->heard,
            (std::vector<LONG>{kZelItemAdded, kZelItemDeleted, kZelContentsCleared}));
  EXPECT_TRUE(IsSameObject(listener->lastItem.punkVal, roads.get()));
  listener->Disconnect();
}

TEST(ExtensionEvents, UnloadingTheExtensionLetsTheSinksGo) {
  auto host = std::make_unique<HostSessionFixture>();
  auto sink = MakeObjectPtr<Listener, IZelExtensionEvents>();
  host.reset();  // the extension is shut down with the session and drops the sink
  // The listener still holds the extension; releasing the listener releases it too, so
  // nothing is left over (the sanitizer build checks for leaks).
  auto* listener = static_cast<Listener*>(static_cast<ZelExtensionEventHandler*>(sink.get()));
  EXPECT_TRUE(listener->Extension());
}

TEST(ExtensionEvents, DefaultHandlersLeaveOutValuesAlone) {
  class Plain : public ComObjectRoot<Plain, ZelExtensionEventHandler> {};
  auto sink = MakeObjectPtr<Plain, IZelExtensionEvents>();
  VARIANT_BOOL value = 7;
  EXPECT_EQ(sink->OnContextMenu(1, 2, &value), S_OK);
  EXPECT_EQ(value, 7);
  EXPECT_EQ(sink->BeforeCloseDocument(&value), S_OK);
  EXPECT_EQ(value, 7);
  EXPECT_EQ(sink->OnContextMenu(1, 2, nullptr), E_POINTER);
  EXPECT_EQ(sink->BeforeCloseDocument(nullptr), E_POINTER);
  Variant v;
  EXPECT_EQ(sink->TestEvent(), S_OK);
  EXPECT_EQ(sink->ItemAdded(v), S_OK);
  EXPECT_EQ(sink->AfterItemDraw(0, nullptr, 1), S_OK);
  EXPECT_EQ(sink->CloseDocument(), S_OK);
}

TEST(ExtensionEvents, AnAbortedCloseIsReportedToTheHost) {
  HostSessionFixture host;
  class Refuser : public ComObjectRoot<Refuser, ZelExtensionEventHandler> {
   public:
    HRESULT BeforeCloseDocument(VARIANT_BOOL* abortClose) override {
      *abortClose = VARIANT_TRUE;
      return S_OK;
    }
  };
  auto plain = MakeObjectPtr<Listener, IZelExtensionEvents>();
  VARIANT_BOOL abort = VARIANT_TRUE;
  ASSERT_EQ(Source(host)->FireBeforeCloseDocument(&abort), S_OK);
  EXPECT_EQ(abort, VARIANT_FALSE);  // the default never aborts
  auto refuser = MakeObjectPtr<Refuser, IZelExtensionEvents>();
  static_cast<Refuser*>(static_cast<ZelExtensionEventHandler*>(refuser.get()))
      ->Connect(refuser.get());
  ASSERT_EQ(Source(host)->FireBeforeCloseDocument(&abort), S_OK);
  EXPECT_EQ(abort, VARIANT_TRUE);
  static_cast<Refuser*>(static_cast<ZelExtensionEventHandler*>(refuser.get()))->Disconnect();
  static_cast<Listener*>(static_cast<ZelExtensionEventHandler*>(plain.get()))->Disconnect();
}

}  // namespace
}  // namespace velk::corvane
