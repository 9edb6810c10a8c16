// The streams of the three catalog layer classes, bound to no catalog: a record whose catalog
// did not come back is still read to its end, so the layers after it in a document load from
// the right place; a newer version is refused before anything is read.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "layers/layer_stream.h"
#include "layers/zel_dted_layer.h"
#include "layers/zel_raster_layer.h"
#include "layers/zel_referenced_rpf_layer.h"
#include "platform/com/object.h"
#include "platform/com/stream.h"
#include "tests/fixtures/catalog_fixture.h"
#include "tests/fixtures/memory_stream.h"

namespace velk::test {
namespace {

using namespace lumeris;

template <class Layer>
ComPtr<IPersistStream> NewPersist() {
  return QueryAs<IPersistStream>(MakeObjectPtr<Layer, IZelLayer>().get());
}

struct ClassCase {
  const char* name;
  ComPtr<IPersistStream> (*make)();
  LONG version;
};

const ClassCase kClasses[] = {
    {"raster chart layer", &NewPersist<ZelRasterLayer>, 9201},
    {"DTED layer", &NewPersist<ZelDtedLayer>, 9201},
    {"referenced RPF layer", &NewPersist<ZelReferencedRpfLayer>, 9301},
};

TEST(CatalogLayerStreams, RecordWithoutCatalogIsReadToItsEnd) {
  HostClassesScope classes;
  for (const ClassCase& c : kClasses) {
    SCOPED_TRACE(c.name);
    auto saved = c.make();
    ASSERT_TRUE(saved);
    ComPtr<IStream> stream;
    ASSERT_EQ(CreateMemoryStream(stream.put()), S_OK);
    ASSERT_EQ(saved->Save(stream.get(), TRUE), S_OK);
    const ULONGLONG end = Position(stream.get());
    ASSERT_EQ(WriteStreamLong(stream.get(), 4242), S_OK);  // the next record of the document
    ASSERT_EQ(stream->Seek(LARGE_INTEGER{0}, STREAM_SEEK_SET, nullptr), S_OK);
    auto loaded = c.make();
    EXPECT_EQ(loaded->Load(stream.get()), S_FALSE);
    EXPECT_EQ(Position(stream.get()), end);
    LONG next = 0;
    EXPECT_EQ(ReadStreamLong(stream.get(), &next), S_OK);
    EXPECT_EQ(next, 4242);
  }
}

TEST(CatalogLayerStreams, NewerVersionIsRefusedAndOlderOnesLoadWithoutTheLayerId) {
  HostClassesScope classes;
  for (const ClassCase& c : kClasses) {
    SCOPED_TRACE(c.name);
    ComPtr<IStream> newer;
    ASSERT_EQ(CreateMemoryStream(newer.put()), S_OK);
    ASSERT_EQ(WriteStreamLong(newer.get(), c.version + 1), S_OK);
    ASSERT_EQ(newer->Seek(LARGE_INTEGER{0}, STREAM_SEEK_SET, nullptr), S_OK);
    EXPECT_EQ(c.make()->Load(newer.get()), E_FAIL);
    EXPECT_EQ(Position(newer.get()), 0u);
    ULARGE_INTEGER size{};
    EXPECT_EQ(c.make()->GetSizeMax(&size), E_NOTIMPL);
    EXPECT_EQ(c.make()->GetSizeMax(nullptr), E_POINTER);
  }
}

// A stored string as the layers write it, spelled out here: the byte count of the UTF-16LE text
// and its terminator, the text, the terminator.
std::string StoredString(const std::wstring& text) {
  std::string bytes = U32(static_cast<std::uint32_t>(text.size() * 2 + 2));
  for (wchar_t c : text) bytes += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
  return bytes + std::string(2, '\0');
}

std::string SavedPart(IUnknown* object) {
  auto persist = QueryAs<IPersistStream>(object);
  if (!persist) return {};
  auto stream = MemoryStream();
  EXPECT_EQ(persist->Save(stream.get(), TRUE), S_OK);
  return Contents(stream.get());
}

struct RecordCase {
  const char* name;
  LONG version;
  // A fresh layer and the inner objects whose own parts its record carries, in order.
  std::function<ComPtr<IPersistStream>(std::vector<IUnknown*>*)> make;
  // The strings after the dataset-flag block, the layer id first.
  std::vector<std::wstring> strings;
};

template <class Layer, class Itf>
ComPtr<IPersistStream> NewWithParts(std::vector<IUnknown*>* parts, bool footprint) {
  auto layer = MakeObjectPtr<Layer, Itf>();
  auto& impl = *static_cast<Layer*>(layer.get());
  parts->push_back(impl.InnerUnknown());
  if (footprint) parts->push_back(impl.FootprintLayer());
  return QueryAs<IPersistStream>(layer.get());
}

TEST(CatalogLayerStreams, RecordIsWrittenByteForByte) {
  HostClassesScope classes;
  const std::wstring id = L"{0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0}";
  const RecordCase cases[] = {
      {"raster chart layer",
       9201,
       [](auto* parts) { return NewWithParts<ZelRasterLayer, IZelRasterLayer>(parts, true); },
       {id}},
      {"DTED layer",
       9201,
       [](auto* parts) { return NewWithParts<ZelDtedLayer, IZelDtedLayer>(parts, true); },
       {id, L"DTED_TYPE = 'No dataset in use'"}},
      {"referenced RPF layer",
       9301,
       [](auto* parts) {
         return NewWithParts<ZelReferencedRpfLayer, IZelRasterLayer>(parts, false);
       },
       {id}},
  };
  for (const RecordCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<IUnknown*> parts;
    auto source = c.make(&parts);
    // Version, the inner parts, the two flags (false, true) and the wireframe mode, an empty
    // dataset-flag block, the strings.
    std::string record = U32(static_cast<std::uint32_t>(c.version));
    for (IUnknown* part : parts) record += SavedPart(part);
    record += std::string("\0\0\xFF\xFF", 4) + U32(2) + U32(0);
    for (const std::wstring& text : c.strings) record += StoredString(text);

    std::vector<IUnknown*> unused;
    auto layer = c.make(&unused);
    auto in = MemoryStream(record);
    ASSERT_EQ(layer->Load(in.get()), S_FALSE);  // no catalog to bind
    EXPECT_EQ(Position(in.get()), record.size());
    auto out = MemoryStream();
    ASSERT_EQ(layer->Save(out.get(), TRUE), S_OK);
    EXPECT_EQ(Contents(out.get()), record);
  }
}

}  // namespace
}  // namespace velk::test
