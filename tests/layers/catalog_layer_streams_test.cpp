// The streams of the three catalog layer classes, bound to no catalog: a record whose catalog
// did not come back is still read to its end, so the layers after it in a document load from
// the right place; a newer version is refused before anything is read.
#include <gtest/gtest.h>

#include <string>

#include "layers/layer_stream.h"
#include "layers/zel_dted_layer.h"
#include "layers/zel_raster_layer.h"
#include "layers/zel_referenced_rpf_layer.h"
#include "platform/com/object.h"
#include "platform/com/stream.h"
#include "tests/fixtures/catalog_fixture.h"

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

ULONGLONG Position(IStream* s) {
  ULARGE_INTEGER pos{};
  s->Seek(LARGE_INTEGER{0}, STREAM_SEEK_CUR, &pos);
  return pos.QuadPart;
}

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

}  // namespace
}  // namespace velk::test
