// The catalog layers' dataset list: keys and labels, key order, IZelDatasets answers, and the
// dataset-flag block saved with a layer.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "layers/layer_stream.h"
#include "layers/zel_datasets_impl.h"
#include "platform/com/bstr.h"
#include "platform/com/object.h"
#include "platform/com/stream.h"
#include "tests/fixtures/memory_stream.h"

namespace velk::test {
namespace {

using namespace lumeris;
using Rows = std::vector<std::vector<std::wstring>>;

// A list filled as a layer fills it from its catalog rows.
class TestDatasets : public ComObjectRoot<TestDatasets, ZelDatasetsImpl> {
 public:
  TestDatasets() { AddKeyField(L"PRODUCT"); }
  void Fill(const Rows& rows) {
    ClearDatasets();
    for (const auto& row : rows) AddDatasetRow(row);
    PublishDatasets();
  }
};

struct Fixture {
  ComPtr<IZelDatasets> itf = MakeObjectPtr<TestDatasets, IZelDatasets>();
  TestDatasets& impl = *static_cast<TestDatasets*>(itf.get());
};

std::vector<std::wstring> Keys(IZelDatasets* d) {
  LONG n = 0;
  EXPECT_EQ(d->get_DatasetCount(&n), S_OK);
  std::vector<std::wstring> keys;
  for (LONG i = 0; i < n; ++i) {
    Bstr key;
    EXPECT_EQ(d->get_Dataset(i, &key), S_OK);
    keys.push_back(key.str());
  }
  return keys;
}

std::vector<VARIANT_BOOL> Flags(IZelDatasets* d) {
  LONG n = 0;
  EXPECT_EQ(d->get_DatasetCount(&n), S_OK);
  std::vector<VARIANT_BOOL> flags;
  for (LONG i = 0; i < n; ++i) {
    VARIANT_BOOL f = 0;
    EXPECT_EQ(d->get_UseDataset(i, &f), S_OK);
    flags.push_back(f);
  }
  return flags;
}

// ---- keys, labels and order ----

TEST(ZelDatasets, KeysAreDistinctSortedByCodeUnitAndAllInUse) {
  struct Case {
    const char* what;
    Rows rows;
    std::vector<std::wstring> keys;
  };
  const Case kCases[] = {
      {"empty catalog", {}, {}},
      {"repeated products", {{L"ONC"}, {L"JNC"}, {L"ONC"}}, {L"JNC", L"ONC"}},
      {"case-sensitive, upper case first",
       {{L"cib"}, {L"CIB"}, {L"Cib"}},
       {L"CIB", L"Cib", L"cib"}},
      {"values joined by $",
       {{L"VMAP", L"VMAP Level 0"}, {L"DNC", L"harbor"}, {L"VMAP", L"VMAP Level 0"}},
       {L"DNC$harbor", L"VMAP$VMAP Level 0"}},
      {"keys holding $ themselves", {{L"A$B"}, {L"A", L"B"}, {L"A$"}}, {L"A$", L"A$B"}},
      // In UTF-16 a character beyond the basic plane (a surrogate pair) sorts before
      // U+E000..U+FFFF.
      {"UTF-16 code-unit order",
       {{L"\uFF21"}, {L"\U0001F600"}, {L"\u00E9"}},
       {L"\u00E9", L"\U0001F600", L"\uFF21"}},
      {"empty value", {{L""}, {L"X"}}, {L"", L"X"}},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    Fixture f;
    f.impl.Fill(c.rows);
    EXPECT_EQ(Keys(f.itf.get()), c.keys);
    EXPECT_EQ(Flags(f.itf.get()), std::vector<VARIANT_BOOL>(c.keys.size(), VARIANT_TRUE));
  }
}

// A rebuild drops the labels of the catalog before: the footprint renderer built from them
// would otherwise list values the catalog no longer has.
TEST(ZelDatasets, LabelsJoinByCommaAndAreRebuiltWithTheList) {
  Fixture f;
  f.impl.Fill({{L"VMAP", L"Level 0"}, {L"DNC", L"harbor"}});
  std::vector<std::wstring> before(f.impl.DatasetLabels().begin(), f.impl.DatasetLabels().end());
  EXPECT_EQ(before, (std::vector<std::wstring>{L"DNC,harbor", L"VMAP,Level 0"}));
  f.impl.Fill({{L"CIB"}});
  EXPECT_EQ(Keys(f.itf.get()), std::vector<std::wstring>{L"CIB"});
  std::vector<std::wstring> labels(f.impl.DatasetLabels().begin(), f.impl.DatasetLabels().end());
  EXPECT_EQ(labels, std::vector<std::wstring>{L"CIB"});
}

TEST(ZelDatasets, RebuildStartsEveryDatasetInUseAgain) {
  Fixture f;
  f.impl.Fill({{L"CADRG"}, {L"CIB"}});
  ASSERT_EQ(f.itf->put_UseDataset(0, VARIANT_FALSE), S_OK);
  f.impl.Fill({{L"CIB"}, {L"CADRG"}});
  EXPECT_EQ(Flags(f.itf.get()), (std::vector<VARIANT_BOOL>{VARIANT_TRUE, VARIANT_TRUE}));
}

// ---- where clause ----

TEST(ZelDatasets, WhereClauseNamesTheDatasetsInUseWithQuotesDoubled) {
  Fixture f;
  f.impl.Fill({{L"CIB"}, {L"CADRG"}, {L"O'Neil"}});
  EXPECT_EQ(f.impl.BuildDatasetWhereClause(),
            L"(PRODUCT = 'CADRG' ) OR (PRODUCT = 'CIB' ) OR (PRODUCT = 'O''Neil' )");
  // Only VARIANT_TRUE counts as in use.
  ASSERT_EQ(f.itf->put_UseDataset(0, 1), S_OK);
  ASSERT_EQ(f.itf->put_UseDataset(2, VARIANT_FALSE), S_OK);
  EXPECT_EQ(f.impl.BuildDatasetWhereClause(), L"(PRODUCT = 'CIB' )");
  // None in use: a clause that no row meets (the module has no text of its own for it).
  ASSERT_EQ(f.itf->put_UseDataset(1, VARIANT_FALSE), S_OK);
  EXPECT_EQ(f.impl.BuildDatasetWhereClause(), L"PRODUCT = 'No dataset in use'");
}

TEST(ZelDatasets, VpfProductKeyOfALibraryName) {
  const std::pair<const wchar_t*, const wchar_t*> kCases[] = {
      {L"dncharbor_x", L"DNC$dncharbor"},
      {L"DNC17_a_b", L"DNC$DNC17"},
      {L"vmaplv0", L"VMAP$vmaplv0"},
      {L"Dnc_mixed", L"VMAP$Dnc"},  // neither "dnc" nor "DNC"
  };
  for (const auto& [name, key] : kCases)
    EXPECT_EQ(ZelDatasetsImpl::VpfProductKey(name), key) << name;
}

// ---- IZelDatasets answers ----

TEST(ZelDatasets, FlagsAreStoredAsGiven) {
  Fixture f;
  f.impl.Fill({{L"A"}, {L"B"}, {L"C"}});
  ASSERT_EQ(f.itf->put_UseDataset(0, VARIANT_FALSE), S_OK);
  ASSERT_EQ(f.itf->put_UseDataset(2, 1), S_OK);  // kept as 1, not made VARIANT_TRUE
  EXPECT_EQ(Flags(f.itf.get()), (std::vector<VARIANT_BOOL>{VARIANT_FALSE, VARIANT_TRUE, 1}));
}

TEST(ZelDatasets, IndexOutOfRangeAndNullPointers) {
  Fixture f;
  f.impl.Fill({{L"A"}, {L"B"}});
  EXPECT_EQ(f.itf->get_DatasetCount(nullptr), E_POINTER);
  for (LONG bad : std::vector<LONG>{-1, 2, 0x7FFFFFFF, static_cast<LONG>(0x80000000u)}) {
    SCOPED_TRACE(bad);
    BSTR out = nullptr;
    EXPECT_EQ(f.itf->get_Dataset(bad, &out), E_INVALIDARG);
    EXPECT_EQ(out, nullptr);
    VARIANT_BOOL use = 7;
    EXPECT_EQ(f.itf->get_UseDataset(bad, &use), E_INVALIDARG);
    EXPECT_EQ(use, 7);
    EXPECT_EQ(f.itf->put_UseDataset(bad, VARIANT_FALSE), E_INVALIDARG);
  }
  // A null out pointer is reported before the index is looked at.
  EXPECT_EQ(f.itf->get_Dataset(5, nullptr), E_POINTER);
  EXPECT_EQ(f.itf->get_UseDataset(5, nullptr), E_POINTER);
  EXPECT_EQ(f.itf->get_Dataset(0, nullptr), E_POINTER);
  EXPECT_EQ(f.itf->get_UseDataset(0, nullptr), E_POINTER);
  EXPECT_EQ(Flags(f.itf.get()), (std::vector<VARIANT_BOOL>{VARIANT_TRUE, VARIANT_TRUE}));
}

TEST(ZelDatasets, EmptyListAnswersCountZeroAndRefusesIndexZero) {
  Fixture f;
  LONG n = -1;
  EXPECT_EQ(f.itf->get_DatasetCount(&n), S_OK);
  EXPECT_EQ(n, 0);
  Bstr key;
  EXPECT_EQ(f.itf->get_Dataset(0, &key), E_INVALIDARG);
  EXPECT_EQ(f.itf->put_UseDataset(0, VARIANT_TRUE), E_INVALIDARG);
}

// ---- the dataset-flag block ----

TEST(ZelDatasetFlags, SavedBytes) {
  Fixture f;
  f.impl.Fill({{L"B"}, {L"A$1"}});
  ASSERT_EQ(f.itf->put_UseDataset(1, VARIANT_FALSE), S_OK);  // "B"
  ComPtr<IStream> s = MemoryStream();
  ASSERT_EQ(f.impl.SaveDatasetFlags(s.get()), S_OK);
  const std::string expected = U32(2) + U32(8) + std::string("A\0$\0001\0\0\0", 8) +
                               std::string("\xFF\xFF", 2) + U32(4) + std::string("B\0\0\0", 4) +
                               std::string("\0\0", 2);
  EXPECT_EQ(Contents(s.get()), expected);
  EXPECT_EQ(f.impl.SaveDatasetFlags(nullptr), E_FAIL);
}

TEST(ZelDatasetFlags, RoundTripRestoresFlagsOfKnownKeysOnly) {
  Fixture saved;
  saved.impl.Fill({{L"CADRG"}, {L"CIB"}, {L"ONC"}, {L"VMAP", L"Level 0"}, {L"\U0001F600"}});
  ASSERT_EQ(saved.itf->put_UseDataset(0, VARIANT_FALSE), S_OK);  // CADRG
  ASSERT_EQ(saved.itf->put_UseDataset(2, VARIANT_FALSE), S_OK);  // ONC
  ASSERT_EQ(saved.itf->put_UseDataset(3, VARIANT_FALSE), S_OK);  // VMAP$Level 0
  ComPtr<IStream> s = MemoryStream();
  ASSERT_EQ(saved.impl.SaveDatasetFlags(s.get()), S_OK);
  ASSERT_EQ(WriteStreamLong(s.get(), 0x5A5A5A5A), S_OK);  // the layer's next field

  // The same catalog again: every flag comes back.
  Fixture same;
  same.impl.Fill({{L"ONC"}, {L"CIB"}, {L"CADRG"}, {L"VMAP", L"Level 0"}, {L"\U0001F600"}});
  Rewind(s.get());
  ASSERT_EQ(same.impl.LoadDatasetFlags(s.get()), S_OK);
  EXPECT_EQ(Flags(same.itf.get()), Flags(saved.itf.get()));
  LONG next = 0;
  ASSERT_EQ(ReadStreamLong(s.get(), &next), S_OK);
  EXPECT_EQ(next, 0x5A5A5A5A);

  // A catalog that changed: keys it lacks are dropped, its new keys stay in use, keys differing
  // only in case are different datasets.
  Fixture changed;
  changed.impl.Fill({{L"cadrg"}, {L"ONC"}, {L"TLM"}});
  Rewind(s.get());
  ASSERT_EQ(changed.impl.LoadDatasetFlags(s.get()), S_OK);
  EXPECT_EQ(Keys(changed.itf.get()), (std::vector<std::wstring>{L"ONC", L"TLM", L"cadrg"}));
  EXPECT_EQ(Flags(changed.itf.get()),
            (std::vector<VARIANT_BOOL>{VARIANT_FALSE, VARIANT_TRUE, VARIANT_TRUE}));
}

TEST(ZelDatasetFlags, EmptyBlockAndNullKeyChangeNothing) {
  Fixture f;
  f.impl.Fill({{L""}, {L"A"}});
  ComPtr<IStream> s = MemoryStream(U32(0));
  EXPECT_EQ(f.impl.LoadDatasetFlags(s.get()), S_OK);
  EXPECT_EQ(Position(s.get()), 4u);
  // A null key (count 0) is no dataset, not the empty key.
  ComPtr<IStream> t = MemoryStream(U32(1) + U32(0) + std::string("\0\0", 2));
  EXPECT_EQ(f.impl.LoadDatasetFlags(t.get()), S_OK);
  EXPECT_EQ(Position(t.get()), 10u);
  EXPECT_EQ(Flags(f.itf.get()), (std::vector<VARIANT_BOOL>{VARIANT_TRUE, VARIANT_TRUE}));
}

TEST(ZelDatasetFlags, BadBlockIsRefusedWithoutChange) {
  const std::string pairA = U32(4) + std::string("A\0\0\0", 4) + std::string("\0\0", 2);
  const std::string pairB = U32(4) + std::string("B\0\0\0", 4) + std::string("\0\0", 2);
  struct Case {
    const char* what;
    std::string bytes;
  };
  const Case kCases[] = {
      {"no count", ""},
      {"half a count", std::string("\x02\0", 2)},
      {"negative count", U32(0xFFFFFFFFu) + pairA},
      {"fewer pairs than counted", U32(3) + pairA + pairB},
      {"flag cut short", U32(2) + pairA + pairB.substr(0, pairB.size() - 1)},
      {"key cut short", U32(2) + pairA + pairB.substr(0, 6)},
      {"key missing its terminator",
       U32(1) + U32(4) + std::string("A\0B\0", 4) + std::string("\0\0", 2)},
      {"odd key count", U32(1) + U32(3) + std::string("A\0\0", 3) + std::string("\0\0", 2)},
      {"huge key count", U32(1) + U32(0x7FFFFFF0u) + std::string(16, '\0')},
      {"huge pair count", U32(0x7FFFFFFFu) + pairA + pairB},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    Fixture f;
    f.impl.Fill({{L"A"}, {L"B"}});
    ComPtr<IStream> s = MemoryStream("pre" + c.bytes);
    ASSERT_EQ(s->Seek(LARGE_INTEGER{3}, STREAM_SEEK_SET, nullptr), S_OK);
    EXPECT_EQ(f.impl.LoadDatasetFlags(s.get()), E_FAIL);
    EXPECT_EQ(Flags(f.itf.get()), (std::vector<VARIANT_BOOL>{VARIANT_TRUE, VARIANT_TRUE}));
    EXPECT_EQ(Position(s.get()), 3u);
  }
  Fixture f;
  EXPECT_EQ(f.impl.LoadDatasetFlags(nullptr), E_FAIL);
}

TEST(ZelDatasetFlags, TruncatedSavedBlockIsRefusedAtEveryLength) {
  Fixture saved;
  saved.impl.Fill({{L"CADRG"}, {L"CIB"}});
  ASSERT_EQ(saved.itf->put_UseDataset(0, VARIANT_FALSE), S_OK);
  ASSERT_EQ(saved.itf->put_UseDataset(1, VARIANT_FALSE), S_OK);
  ComPtr<IStream> s = MemoryStream();
  ASSERT_EQ(saved.impl.SaveDatasetFlags(s.get()), S_OK);
  const std::string block = Contents(s.get());
  for (std::size_t len = 0; len < block.size(); ++len) {
    SCOPED_TRACE(len);
    Fixture f;
    f.impl.Fill({{L"CADRG"}, {L"CIB"}});
    ComPtr<IStream> t = MemoryStream(block.substr(0, len));
    EXPECT_EQ(f.impl.LoadDatasetFlags(t.get()), E_FAIL);
    EXPECT_EQ(Flags(f.itf.get()), (std::vector<VARIANT_BOOL>{VARIANT_TRUE, VARIANT_TRUE}));
    EXPECT_EQ(Position(t.get()), 0u);
  }
}

}  // namespace
}  // namespace velk::test
