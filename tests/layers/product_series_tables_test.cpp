// The VPF product table, the RPF series table and the series map.
#include "layers/product_series_tables.h"
#include "platform/productline/rpf_series_scales.h"

#include <cstring>

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace velk::lumeris {
namespace {

constexpr std::uint32_t kGrey = 0x4E4E4E;

std::vector<std::wstring> Split(const std::wstring& text) {
  std::wistringstream in(text);
  std::vector<std::wstring> out;
  for (std::wstring word; in >> word;) out.push_back(word);
  return out;
}

const std::wstring kCodesInTableOrder =
    L"GN JN OH ON OW TP LF L1 L2 L3 L4 L5 LN JG JA JR JO VT F1 F2 F3 F4 F5 AT VH TN TR TC RV TL UL "
    L"TT "
    L"TQ C1 C2 C3 C4 C5 C6 C7 C8 C9 CA CB CC CD CE CF CH CJ CK CL CN CP CQ CR CS CT A1 A2 A3 A4 MI "
    L"VN "
    L"I1 I2 I3 I4 I5 IV MM HA CO OA CG CM M1 M2 TF";

TEST(ProductSeriesTables, TablesHoldTheirRows) {
  EXPECT_EQ(VpfProductTable().size(), 11u);
  ASSERT_EQ(RpfSeriesTable().size(), 79u);

  std::vector<std::wstring> codes;
  for (const RpfSeriesRow& row : RpfSeriesTable()) codes.emplace_back(row.seriesCode);
  EXPECT_EQ(codes, Split(kCodesInTableOrder));
  EXPECT_EQ(std::set<std::wstring>(codes.begin(), codes.end()).size(), 79u);

  for (const RpfSeriesRow& row : RpfSeriesTable()) {
    std::wstring code = row.seriesCode;
    bool image = code[0] == L'I';
    EXPECT_EQ(std::wstring(row.productType), image ? L"CIB" : L"CADRG") << code;
  }
}

struct VpfCase {
  const wchar_t* key;
  double scale;
  bool drawn;
};

TEST(ProductSeriesTables, VpfProductsAreDrawnWithinTheirBounds) {
  const VpfCase cases[] = {
      {L"VMAP$VMAP Level 0", 400000, false},  // its zoomed-in bound is 400001
      {L"VMAP$VMAP Level 1", 400000, true},
      {L"VMAP$VMAP Level 0", 400001, true},
      {L"VMAP$VMAP Level 0", 10000000, true},
      {L"VMAP$VMAP Level 0", 10000001, false},
      {L"VMAP$VMAP Level 1", 75001, true},
      {L"VMAP$VMAP Level 1", 75000, false},
      {L"VMAP$VMAP Level 2", 75000, true},
      {L"VMAP$VMAP Level 2", 20001, true},
      {L"VMAP$VMAP Level 2", 20000, false},
      {L"VMAP$UVMAP", 25000, true},
      {L"VMAP$UVMAP", 1, true},
      {L"VMAP$UVMAP", 25001, false},
      {L"DNC$DNC General", 500001, true},
      {L"DNC$DNC General", 500000, false},
      {L"DNC$DNC Coastal", 500000, true},
      {L"DNC$DNC Coastal", 75000, false},
      {L"DNC$DNC Approach", 25001, true},
      {L"DNC$DNC Approach", 100000, true},
      {L"DNC$DNC Approach", 25000, false},
      {L"DNC$DNC Approach", 100001, false},
      {L"DNC$DNC Harbor", 50000, true},
      {L"DNC$DNC Harbor", 50001, false},
      {L"FFD$FFD", 100, true},
      {L"FFD$FFD", 50001, false},
      {L"VITD$VITD", 100001, true},
      {L"VITD$VITD", 100000, false},
      {L"VITD$VITD", 400000, true},
      {L"VITD$VITD", 400001, false},
      {L"WVS$WVS", 1, true},
      {L"WVS$WVS", 1e12, true},
  };
  for (const VpfCase& c : cases) {
    const VpfProductRow* row = FindVpfProduct(c.key);
    ASSERT_NE(row, nullptr) << c.key;
    EXPECT_EQ(VpfProductDrawnAt(*row, c.scale), c.drawn) << c.key << L" at " << c.scale;
  }
}

TEST(ProductSeriesTables, ScaleBoundsAreInclusiveAndZeroMeansNone) {
  EXPECT_TRUE(ScaleInRange(0, 0, 123456));
  EXPECT_TRUE(ScaleInRange(1000, 1000, 1000));
  EXPECT_FALSE(ScaleInRange(1000, 1000, 999.5));
  EXPECT_TRUE(ScaleInRange(0, 500, 1e9));
  EXPECT_FALSE(ScaleInRange(0, 500, 499));
  EXPECT_TRUE(ScaleInRange(500, 0, 0.5));
  EXPECT_FALSE(ScaleInRange(500, 0, 501));
}

struct KeyCase {
  const wchar_t* key;
  const wchar_t* exact;   // row found comparing with case, or null
  const wchar_t* noCase;  // row found ignoring case, or null
};

TEST(ProductSeriesTables, VpfProductLookupByKey) {
  const KeyCase cases[] = {
      {L"VMAP$VMAP Level 1", L"VMAP$VMAP Level 1", L"VMAP$VMAP Level 1"},
      {L"vmap$vmap level 1", nullptr, L"VMAP$VMAP Level 1"},
      {L"DNC$DNC HARBOR", nullptr, L"DNC$DNC Harbor"},
      {L"WVS$WVS", L"WVS$WVS", L"WVS$WVS"},
      {L"VMAP$VMAP Level 3", nullptr, nullptr},
      {L"VMAP$VMAP Level 1 ", nullptr, nullptr},
      {L"VMAP", nullptr, nullptr},
      {L"UVMAP", nullptr, nullptr},
      {L"", nullptr, nullptr},
  };
  for (const KeyCase& c : cases) {
    const VpfProductRow* exact = FindVpfProduct(c.key);
    const VpfProductRow* noCase = FindVpfProductNoCase(c.key);
    EXPECT_EQ(exact ? std::wstring(exact->key) : L"<none>", c.exact ? c.exact : L"<none>") << c.key;
    EXPECT_EQ(noCase ? std::wstring(noCase->key) : L"<none>", c.noCase ? c.noCase : L"<none>")
        << c.key;
  }
  const VpfProductRow* l1 = FindVpfProduct(L"VMAP$VMAP Level 1");
  ASSERT_NE(l1, nullptr);
  EXPECT_EQ(l1->zoomedOutBound, 400000);
  EXPECT_EQ(l1->zoomedInBound, 75001);
}

struct SeriesCase {
  const wchar_t* code;
  std::size_t index;
  const wchar_t* shortName;
  const wchar_t* longName;
  const wchar_t* type;
  std::uint32_t scale;
  std::uint32_t colour;
};

TEST(ProductSeriesTables, RpfSeriesLookupByCode) {
  const SeriesCase cases[] = {
      {L"GN", 0, L"GNC", L"Global Navigation Chart", L"CADRG", 5000000, 0x0000FF},
      {L"OH", 2, L"VHRC", L"VFR Helicopter Route Chart", L"CADRG", 1000000, kGrey},
      {L"LF", 6, L"LFC-FR (Day)", L"Low Flying Chart (Day)- Host Nation", L"CADRG", 500000,
       0xFFC500},
      {L"L3", 9, L"LFC-3", L"Low Flying Chart (TBD #3)", L"CADRG", 500000, 0xFFC500},
      {L"LN", 12, L"LFC (Night)", L"Low Flying Chart (Night) - Host Nation", L"CADRG", 500000,
       0xFFC500},
      {L"F5", 22, L"TFC-5", L"Transit Flying Chart (TBD #5)", L"CADRG", 250000, 0xFF00C5},
      {L"TN", 25, L"TFC (Night)", L"Transit Flying Chart(Night)- Host nation", L"CADRG", 250000,
       0xFF00C5},
      {L"TC", 27, L"TLM 100", L"Topographic Line Map 1:100,0000 scale", L"CADRG", 100000, 0x0000A8},
      {L"TQ", 32, L"TLM24", L"Topographic Line Map 1:24,000 scale", L"CADRG", 24000, kGrey},
      {L"C1", 33, L"CG", L"City Graphics", L"CADRG", 10000, kGrey},
      {L"CD", 45, L"CG", L"City Graphics", L"CADRG", 16666, kGrey},
      {L"CT", 57, L"CG", L"City Graphics", L"CADRG", 36000, kGrey},
      {L"A1", 58, L"CM", L"Combat Charts, 1:10,000 scale", L"CADRG", 10000, 0x732600},
      {L"A4", 61, L"CM", L"Combat Charts, 1:100,000 scale", L"CADRG", 100000, 0x732600},
      {L"I2", 65, L"CIB 5m", L"Imagery, 5 meter resolution", L"CIB", 20500, 0x66CDAB},
      {L"I5", 68, L"CIB 0.5m", L"Imagery, .5 (half) meter resolution", L"CIB", 1900, kGrey},
      {L"IV", 69, L"CIB various", L"Imagery, greater than 10 meter resolution", L"CIB", 25000,
       kGrey},
      {L"MM", 70, L"---", L"(Miscellaneous Maps & Charts)", L"CADRG", 100000, 0x445A89},
      {L"OA", 73, L"OPAREA", L"Naval Range Operating Area Chart", L"CADRG", 25000, 0x828282},
      {L"CG", 74, L"CG", L"City Graphics", L"CADRG", 15000, 0x007326},
      {L"CM", 75, L"CM", L"Combat Charts", L"CADRG", 50000, kGrey},
      {L"M2", 77, L"MIM", L"Military Installation Map (TBD #2)", L"CADRG", 25000, kGrey},
      {L"TF", 78, L"TFC", L"Transit Flying Chart", L"CADRG", 250000, 0xFF00C5},
  };
  for (const SeriesCase& c : cases) {
    const RpfSeriesRow* row = FindRpfSeries(c.code);
    ASSERT_NE(row, nullptr) << c.code;
    EXPECT_EQ(row, RpfSeriesAt(c.index)) << c.code;
    EXPECT_EQ(GetRpfSeriesMap().at(c.code), c.index) << c.code;
    EXPECT_EQ(std::wstring(row->seriesCode), c.code);
    EXPECT_EQ(std::wstring(row->shortName), c.shortName) << c.code;
    EXPECT_EQ(std::wstring(row->longName), c.longName) << c.code;
    EXPECT_EQ(std::wstring(row->productType), c.type) << c.code;
    EXPECT_EQ(row->scale, c.scale) << c.code;
    EXPECT_EQ(row->colour, c.colour) << c.code;
  }
}

TEST(ProductSeriesTables, UnknownSeriesAndIndexesFindNothing) {
  const std::size_t before = GetRpfSeriesMap().size();
  for (const wchar_t* code : {L"gn", L"Gn", L"ZZ", L"", L"G", L"GNC", L"C0", L"GN "}) {
    EXPECT_EQ(FindRpfSeries(code), nullptr) << code;
  }
  // A miss adds nothing to the map.
  EXPECT_EQ(GetRpfSeriesMap().size(), before);
  EXPECT_NE(RpfSeriesAt(78), nullptr);
  EXPECT_EQ(RpfSeriesAt(79), nullptr);
  EXPECT_EQ(RpfSeriesAt(static_cast<std::size_t>(-1)), nullptr);
}

TEST(ProductSeriesTables, SeriesMapIsBuiltOnceInCodeOrder) {
  const RpfSeriesMap& first = GetRpfSeriesMap();
  const RpfSeriesMap& second = GetRpfSeriesMap();
  EXPECT_EQ(&first, &second);
  ASSERT_EQ(second.size(), 79u);

  std::vector<std::wstring> walked;
  for (const auto& [code, index] : second) {
    walked.push_back(code);
    ASSERT_LT(index, 79u);
    EXPECT_EQ(std::wstring(RpfSeriesTable()[index].seriesCode), code);
  }
  std::vector<std::wstring> tableOrder = Split(kCodesInTableOrder);
  std::vector<std::wstring> sorted = tableOrder;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(walked, sorted);
  EXPECT_NE(walked, tableOrder);
  EXPECT_EQ(walked.front(), L"A1");
  EXPECT_EQ(walked[4], L"AT");  // digits before letters
  EXPECT_EQ(walked[5], L"C1");
  EXPECT_EQ(walked.back(), L"VT");
}

}  // namespace
}  // namespace velk::lumeris

// The catalog loader writes SCALE from its own copy of the series scales; the layers choose
// frames by those values, so both tables must agree row for row.
TEST(ProductSeriesTables, LoaderSeriesScalesEqualTheLayersTable) {
  const auto layers = velk::lumeris::RpfSeriesTable();
  const auto loader = velk::productline::RpfSeriesScales();
  ASSERT_EQ(loader.size(), layers.size());
  for (std::size_t i = 0; i < layers.size(); ++i) {
    const std::wstring code = layers[i].seriesCode;
    EXPECT_EQ(std::wstring(loader[i].code, loader[i].code + std::strlen(loader[i].code)), code);
    EXPECT_EQ(loader[i].scale, layers[i].scale) << i;
    const std::string type = loader[i].productType;
    EXPECT_EQ(std::wstring(type.begin(), type.end()), layers[i].productType) << i;
  }
}
