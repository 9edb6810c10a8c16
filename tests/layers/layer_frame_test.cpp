// The catalog layer frame: stream strings and fields, versions, the shared IPersistStream
// answers, the aggregating QueryInterface, the empty connection points, the wireframe setting,
// new GUID texts and the class identity, through a small layer class.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>

#include "interfaces/catalog_layer_ids.h"
#include "interfaces/lumeris_ids.h"
#include "layers/class_identity.h"
#include "layers/layer_stream.h"
#include "layers/new_guid_string.h"
#include "platform/com/text.h"
#include "platform/registry/activation.h"
#include "tests/fixtures/temp_root.h"
#include "tests/layers/test_zel_layer.h"
#include "tests/fixtures/memory_stream.h"

extern "C" HRESULT velkDllRegisterServer();

namespace velk::test {
namespace {

using namespace lumeris;

// ---- stream strings ----

TEST(LayerStreamString, BytesOfASavedString) {
  struct Case {
    const char* what;
    const wchar_t* text;  // null: a null BSTR
    std::string bytes;
  };
  const Case kCases[] = {
      {"null", nullptr, std::string("\0\0\0\0", 4)},
      {"empty", L"", std::string("\x02\0\0\0\0\0", 6)},
      {"ASCII", L"AB", std::string("\x06\0\0\0A\0B\0\0\0", 10)},
      {"Latin and euro", L"\u00E9\u20AC", std::string("\x06\0\0\0\xE9\0\xAC\x20\0\0", 10)},
      {"beyond the basic plane", L"\U0001F600", std::string("\x06\0\0\0\x3D\xD8\x00\xDE\0\0", 10)},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    Bstr text = c.text ? Bstr(c.text) : Bstr();
    ComPtr<IStream> s = MemoryStream();
    ASSERT_EQ(WriteStreamString(s.get(), text), S_OK);
    EXPECT_EQ(Contents(s.get()), c.bytes);

    Rewind(s.get());
    Bstr back;
    ASSERT_EQ(ReadStreamString(s.get(), &back), S_OK);
    EXPECT_EQ(back.is_null(), text.is_null());
    EXPECT_EQ(back.str(), text.str());
    EXPECT_EQ(Position(s.get()), c.bytes.size());
  }
}

TEST(LayerStreamString, LongestStringRoundTripsAndALongerOneIsNotWritten) {
  std::wstring longest((kMaxStreamStringBytes - 2) / 2, L'x');
  ComPtr<IStream> s = MemoryStream();
  ASSERT_EQ(WriteStreamString(s.get(), Bstr(longest)), S_OK);
  Rewind(s.get());
  Bstr back;
  ASSERT_EQ(ReadStreamString(s.get(), &back), S_OK);
  EXPECT_EQ(back.str(), longest);

  // One character more could never be read back: refused before anything is written.
  ComPtr<IStream> t = MemoryStream();
  EXPECT_EQ(WriteStreamString(t.get(), Bstr(longest + L"x")), E_INVALIDARG);
  EXPECT_TRUE(Contents(t.get()).empty());
}

TEST(LayerStreamString, BadCountsAndShortStreamsAreRefusedAndRewound) {
  struct Case {
    const char* what;
    std::string bytes;  // after a 3-byte prefix the reader skips
    HRESULT hr;
  };
  const Case kCases[] = {
      {"no count", "", E_FAIL},
      {"half a count", std::string("\x02\0", 2), E_FAIL},
      {"count 1", U32(1) + std::string("\0\0", 2), E_FAIL},
      {"odd count", U32(3) + std::string("A\0\0", 3), E_FAIL},
      {"count beyond the limit", U32(kMaxStreamStringBytes + 2) + std::string(8, '\0'),
       E_ACCESSDENIED},
      {"count of all ones", U32(0xFFFFFFFFu), E_ACCESSDENIED},
      {"text cut short", U32(6) + std::string("A\0B", 3), E_FAIL},
      {"terminator missing", U32(6) + std::string("A\0B\0", 4), E_FAIL},
      {"count larger than the text", U32(0x100000) + std::string("A\0\0\0", 4), E_FAIL},
      {"terminator not zero", U32(6) + std::string("A\0B\0C\0", 6), E_FAIL},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    ComPtr<IStream> s = MemoryStream("pre" + c.bytes);
    ASSERT_EQ(s->Seek(LARGE_INTEGER{3}, STREAM_SEEK_SET, nullptr), S_OK);
    BSTR out = SysAllocString(L"stale");
    BSTR keep = out;
    EXPECT_EQ(ReadStreamString(s.get(), &out), c.hr);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(Position(s.get()), 3u) << "back where the count began";
    SysFreeString(keep);
  }
}

TEST(LayerStreamFields, NumbersAndBooleansAreLittleEndianAndShortReadsFail) {
  ComPtr<IStream> s = MemoryStream();
  ASSERT_EQ(WriteStreamLong(s.get(), -2), S_OK);
  ASSERT_EQ(WriteStreamULong(s.get(), 9201), S_OK);
  ASSERT_EQ(WriteStreamBool(s.get(), VARIANT_TRUE), S_OK);
  ASSERT_EQ(WriteStreamBool(s.get(), VARIANT_FALSE), S_OK);
  EXPECT_EQ(Contents(s.get()), std::string("\xFE\xFF\xFF\xFF\xF1\x23\0\0\xFF\xFF\0\0", 12));

  Rewind(s.get());
  LONG l = 0;
  ULONG u = 0;
  VARIANT_BOOL b1 = 0, b2 = 1;
  EXPECT_EQ(ReadStreamLong(s.get(), &l), S_OK);
  EXPECT_EQ(ReadStreamULong(s.get(), &u), S_OK);
  EXPECT_EQ(ReadStreamBool(s.get(), &b1), S_OK);
  EXPECT_EQ(ReadStreamBool(s.get(), &b2), S_OK);
  EXPECT_EQ(l, -2);
  EXPECT_EQ(u, 9201u);
  EXPECT_EQ(b1, VARIANT_TRUE);
  EXPECT_EQ(b2, VARIANT_FALSE);

  ComPtr<IStream> shortStream = MemoryStream(std::string("\x01\x02\x03", 3));
  l = 77;
  EXPECT_EQ(ReadStreamLong(shortStream.get(), &l), E_FAIL);
  EXPECT_EQ(l, 77) << "untouched on failure";
}

TEST(LayerStreamVersion, NewerAndNegativeVersionsAreRefused) {
  struct Case {
    std::uint32_t stored;
    HRESULT hr;
  };
  const Case kCases[] = {{9201, S_OK},   {9000, S_OK},          {0, S_OK},
                         {9202, E_FAIL}, {0x80000000u, E_FAIL}, {0xFFFFFFFFu, E_FAIL}};
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.stored);
    ComPtr<IStream> s = MemoryStream(U32(c.stored));
    LONG v = -5;
    EXPECT_EQ(ReadStreamVersion(s.get(), 9201, &v), c.hr);
    EXPECT_EQ(v, SUCCEEDED(c.hr) ? static_cast<LONG>(c.stored) : -5);
  }
  LONG v = 0;
  EXPECT_EQ(ReadStreamVersion(nullptr, 9201, &v), E_POINTER);
  EXPECT_EQ(ReadStreamVersion(MemoryStream("\x01").get(), 9201, &v), E_FAIL);
  EXPECT_EQ(WriteStreamVersion(nullptr, 9201), E_POINTER);
}

// ---- the frame through a test layer ----

class LayerFrame : public ::testing::Test {
 protected:
  void SetUp() override {
    cookie_ = RegisterProcessClass(CLSID_TestInner, &CreateInstance<TestInner>);
  }
  void TearDown() override {
    if (cookie_) RevokeProcessClass(cookie_);
  }
  void RevokeInner() {
    RevokeProcessClass(cookie_);
    cookie_ = 0;
  }

  static ComPtr<ComObject<TestZelLayer>> NewLayer() {
    ComObject<TestZelLayer>* p = nullptr;
    EXPECT_EQ(ComObject<TestZelLayer>::Create(&p), S_OK);
    return ComPtr<ComObject<TestZelLayer>>::Attach(p);
  }
  static void Fill(TestZelLayer& l) {
    l.flag_ = VARIANT_FALSE;
    l.wireframeDisplay_ = velkWireframeDisplaySelected;
    l.name_ = Bstr(L"Karten \u00FC\u00DFer");
    l.layerId_ = Bstr(L"6F1C2D3E-0000-4000-8000-0123456789AB");
  }
  static void ExpectSame(const TestZelLayer& a, const TestZelLayer& b) {
    EXPECT_EQ(a.flag_, b.flag_);
    EXPECT_EQ(a.wireframeDisplay_, b.wireframeDisplay_);
    EXPECT_EQ(a.name_, b.name_);
    EXPECT_EQ(a.layerId_, b.layerId_);
  }

  DWORD cookie_ = 0;
};

TEST_F(LayerFrame, RoundTripThroughAMemoryStream) {
  auto saved = NewLayer();
  Fill(*saved);
  ComPtr<IStream> s = MemoryStream();
  ASSERT_EQ(saved->Save(s.get(), TRUE), S_OK);
  std::string bytes = Contents(s.get());
  EXPECT_EQ(bytes.substr(0, 4), U32(9201)) << "leading version";
  EXPECT_EQ(bytes.substr(4, 2), std::string("\0\0", 2)) << "flag as VARIANT_BOOL";
  EXPECT_EQ(bytes.substr(6, 4), U32(1)) << "wireframe mode";

  Rewind(s.get());
  auto loaded = NewLayer();
  ASSERT_EQ(loaded->Load(s.get()), S_OK);
  ExpectSame(*loaded, *saved);
  EXPECT_EQ(Position(s.get()), bytes.size());
}

TEST_F(LayerFrame, RoundTripThroughAFileStream) {
  TempRoot root;
  std::wstring path = FromUtf8(root.path() + "/layer.bin");
  auto saved = NewLayer();
  Fill(*saved);
  saved->name_ = Bstr();  // a null name stays null
  {
    ComPtr<IStream> out;
    ASSERT_EQ(CreateFileStream(path, STGM_WRITE | STGM_CREATE, out.put()), S_OK);
    ASSERT_EQ(saved->Save(out.get(), TRUE), S_OK);
    ASSERT_EQ(out->Commit(STGC_DEFAULT), S_OK);
  }
  ComPtr<IStream> in;
  ASSERT_EQ(CreateFileStream(path, STGM_READ, in.put()), S_OK);
  auto loaded = NewLayer();
  ASSERT_EQ(loaded->Load(in.get()), S_OK);
  ExpectSame(*loaded, *saved);
  EXPECT_TRUE(loaded->name_.is_null());
}

TEST_F(LayerFrame, VersionsDecideWhatIsReadAndANewerOneIsRefused) {
  auto saved = NewLayer();
  Fill(*saved);
  ComPtr<IStream> s = MemoryStream();
  ASSERT_EQ(saved->Save(s.get(), TRUE), S_OK);
  std::string body = Contents(s.get()).substr(4);

  // An older stream without the fields of 9201: the layer keeps its own name and id.
  auto old = NewLayer();
  Bstr ownId = old->layerId_;
  ComPtr<IStream> s9200 = MemoryStream(U32(9200) + body.substr(0, 6));
  ASSERT_EQ(old->Load(s9200.get()), S_OK);
  EXPECT_EQ(old->flag_, VARIANT_FALSE);
  EXPECT_EQ(old->wireframeDisplay_, velkWireframeDisplaySelected);
  EXPECT_EQ(old->layerId_, ownId);
  EXPECT_TRUE(old->name_.is_null());

  for (std::uint32_t version : {9202u, 0x80000000u}) {
    SCOPED_TRACE(version);
    auto layer = NewLayer();
    Bstr id = layer->layerId_;
    ComPtr<IStream> newer = MemoryStream(U32(version) + body);
    EXPECT_EQ(layer->Load(newer.get()), E_FAIL);
    EXPECT_EQ(layer->flag_, VARIANT_TRUE);
    EXPECT_EQ(layer->wireframeDisplay_, velkWireframeDisplayAll);
    EXPECT_EQ(layer->layerId_, id);
    EXPECT_EQ(Position(newer.get()), 0u);
  }
}

TEST_F(LayerFrame, TruncatedOrCorruptStreamsLeaveTheLayerAsItWas) {
  auto saved = NewLayer();
  Fill(*saved);
  ComPtr<IStream> s = MemoryStream();
  ASSERT_EQ(saved->Save(s.get(), TRUE), S_OK);
  const std::string full = Contents(s.get());

  auto layer = NewLayer();
  const Bstr id = layer->layerId_;
  auto unchanged = [&] {
    EXPECT_EQ(layer->flag_, VARIANT_TRUE);
    EXPECT_EQ(layer->wireframeDisplay_, velkWireframeDisplayAll);
    EXPECT_TRUE(layer->name_.is_null());
    EXPECT_EQ(layer->layerId_, id);
  };
  // Every cut of the stream short of its end.
  for (std::size_t n = 0; n < full.size(); ++n) {
    SCOPED_TRACE(n);
    ComPtr<IStream> cut = MemoryStream(full.substr(0, n));
    EXPECT_TRUE(FAILED(layer->Load(cut.get())));
    unchanged();
    EXPECT_EQ(Position(cut.get()), 0u);
  }
  // A corrupt name count: refused, not trusted.
  std::string corrupt = full;
  corrupt.replace(10, 4, U32(0x7FFFFFF0u));
  ComPtr<IStream> c = MemoryStream(corrupt);
  EXPECT_EQ(layer->Load(c.get()), E_ACCESSDENIED);
  unchanged();
  EXPECT_EQ(layer->Load(nullptr), E_POINTER);
}

TEST_F(LayerFrame, PersistAnswers) {
  auto layer = NewLayer();
  ComPtr<IPersistStream> ps;
  ASSERT_EQ(layer->QueryInterface(ps.put()), S_OK);
  ULARGE_INTEGER size{};
  EXPECT_EQ(ps->GetSizeMax(nullptr), E_POINTER);
  EXPECT_EQ(ps->GetSizeMax(&size), E_NOTIMPL);
  CLSID clsid{};
  EXPECT_EQ(ps->GetClassID(&clsid), S_OK);
  EXPECT_EQ(clsid, CLSID_TestZelLayer);

  ComPtr<IPersist> persist;
  ASSERT_EQ(layer->QueryInterface(persist.put()), S_OK);
  EXPECT_EQ(static_cast<IUnknown*>(persist.get()),
            static_cast<IUnknown*>(static_cast<IPersist*>(ps.get())));
}

TEST_F(LayerFrame, QueryInterfaceAnswersOwnThenInnerAndRefusesListedOnes) {
  auto layer = NewLayer();
  ComPtr<IUnknown> self;
  ASSERT_EQ(layer->QueryInterface(self.put()), S_OK);
  EXPECT_EQ(self.get(), static_cast<IUnknown*>(static_cast<IZelLayer*>(layer.get())));

  // Only the inner object has ILayer: its answer, which speaks for the outer object.
  ComPtr<ILayer> asLayer;
  ASSERT_EQ(layer->QueryInterface(asLayer.put()), S_OK);
  Bstr name;
  EXPECT_EQ(asLayer->get_Name(&name), S_OK);
  EXPECT_EQ(name.str(), L"inner");
  EXPECT_TRUE(IsSameObject(asLayer.get(), self.get()));
  ComPtr<IWireframeDisplayProps> back;
  EXPECT_EQ(asLayer->QueryInterface(back.put()), S_OK) << "the inner object delegates back";

  // The inner object answers IFeatureSelection, but the class refuses it.
  ComPtr<IUnknown> inner(layer->InnerUnknown());
  EXPECT_TRUE(inner.As<IFeatureSelection>());
  void* p = reinterpret_cast<void*>(1);
  EXPECT_EQ(layer->QueryInterface(IidOf<IFeatureSelection>(), &p), E_NOINTERFACE);
  EXPECT_EQ(p, nullptr);
  EXPECT_EQ(layer->QueryInterface(IidOf<IZelDatasets>(), &p), E_NOINTERFACE) << "neither has it";
}

TEST_F(LayerFrame, CreationFailsWithTheInnerObjectsFailure) {
  RevokeInner();
  IUnknown* direct = nullptr;
  HRESULT expected = CoCreateInstance(CLSID_TestInner, nullptr, CLSCTX_ALL, IidOf<IUnknown>(),
                                      reinterpret_cast<void**>(&direct));
  ASSERT_TRUE(FAILED(expected));
  ComObject<TestZelLayer>* p = nullptr;
  EXPECT_EQ(ComObject<TestZelLayer>::Create(&p), expected);
  EXPECT_EQ(p, nullptr);
}

TEST_F(LayerFrame, EmptyConnectionPointsAndTheWireframeSetting) {
  auto layer = NewLayer();
  ComPtr<IConnectionPointContainer> cpc;
  ASSERT_EQ(layer->QueryInterface(cpc.put()), S_OK);
  IConnectionPoint* cp = reinterpret_cast<IConnectionPoint*>(1);
  EXPECT_EQ(cpc->FindConnectionPoint(IidOf<IWireframeDisplayProps>(), &cp), CONNECT_E_NOCONNECTION);
  EXPECT_EQ(cp, nullptr);
  EXPECT_EQ(cpc->FindConnectionPoint(IidOf<IUnknown>(), nullptr), E_POINTER);
  ComPtr<IEnumConnectionPoints> points;
  ASSERT_EQ(cpc->EnumConnectionPoints(points.put()), S_OK);
  ULONG fetched = 9;
  EXPECT_EQ(points->Next(1, &cp, &fetched), S_FALSE);
  EXPECT_EQ(fetched, 0u);

  ComPtr<IWireframeDisplayProps> w;
  ASSERT_EQ(layer->QueryInterface(w.put()), S_OK);
  velkZelWireframeDisplayEnum mode{};
  ASSERT_EQ(w->get_DisplayWireframe(&mode), S_OK);
  EXPECT_EQ(mode, velkWireframeDisplayAll);
  EXPECT_EQ(w->put_DisplayWireframe(static_cast<velkZelWireframeDisplayEnum>(7)), S_OK);
  ASSERT_EQ(w->get_DisplayWireframe(&mode), S_OK);
  EXPECT_EQ(mode, 7);
  EXPECT_EQ(w->get_DisplayWireframe(nullptr), E_POINTER);
}

TEST(LayerInterfaces, IdentifiersAgreeWithThoseCorvaneAsksFor) {
  EXPECT_EQ(IidOf<IZelDtedLayer>(), ids::IID_IZelDtedLayer);
  EXPECT_EQ(IidOf<IZelVectorLayer>(), ids::IID_IZelVectorLayer);
  EXPECT_EQ(IidOf<IZelRasterLayer>(), ids::IID_IZelRasterLayer);
}

TEST(NewGuidString, ThirtySixUpperCaseDigitsInFiveGroupsAndFreshEachTime) {
  Bstr a = Bstr::Attach(NewGuidString());
  Bstr b = Bstr::Attach(NewGuidString());
  const std::wregex form(L"[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}");
  EXPECT_TRUE(std::regex_match(a.str(), form)) << ToUtf8(a.str());
  EXPECT_TRUE(std::regex_match(b.str(), form)) << ToUtf8(b.str());
  EXPECT_NE(a.str(), b.str());
}

TEST(ClassIdentity, ClassIdentifierAndRegisteredVersionedProgId) {
  GUID g{};
  EXPECT_EQ(ClassIdentityClsid(ids::CLSID_ZelDtedLayer, nullptr), E_POINTER);
  EXPECT_EQ(ClassIdentityClsid(ids::CLSID_ZelDtedLayer, &g), S_OK);
  EXPECT_EQ(g, ids::CLSID_ZelDtedLayer);
  EXPECT_EQ(ClassIdentityProgId(ids::CLSID_ZelDtedLayer, nullptr), E_POINTER);

  TempRoot root;
  BSTR progId = SysAllocString(L"stale");
  BSTR stale = progId;
  EXPECT_TRUE(FAILED(ClassIdentityProgId(ids::CLSID_ZelDtedLayer, &progId)))
      << "not registered yet";
  EXPECT_EQ(progId, nullptr);
  SysFreeString(stale);

  ASSERT_EQ(velkDllRegisterServer(), S_OK);
  Bstr text;
  ASSERT_EQ(ClassIdentityProgId(ids::CLSID_ZelDtedLayer, &text), S_OK);
  EXPECT_EQ(text.str(), L"velkDrevane.ZelDtedLayer.1");
}

}  // namespace
}  // namespace velk::test
