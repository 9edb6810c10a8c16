#include "layers/product_series_tables.h"
#include "platform/com/plain_text.h"

#include <array>
#include <cwctype>

namespace velk::lumeris {

namespace {

constexpr std::array<VpfProductRow, kVpfProductRowCount> kVpfProducts{{
    {L"VMAP$VMAP Level 0", 10000000, 400001},
    {L"VMAP$VMAP Level 1", 400000, 75001},
    {L"VMAP$VMAP Level 2", 75000, 20001},
    {L"VMAP$UVMAP", 25000, 0},
    {L"DNC$DNC General", 10000000, 500001},
    {L"DNC$DNC Coastal", 500000, 75001},
    {L"DNC$DNC Approach", 100000, 25001},
    {L"DNC$DNC Harbor", 50000, 0},
    {L"FFD$FFD", 50000, 0},
    {L"VITD$VITD", 400000, 100001},
    {L"WVS$WVS", 0, 0},
}};

constexpr std::uint32_t kGrey = 0x4E4E4E;  // red, green and blue 78 each

constexpr std::array<RpfSeriesRow, kRpfSeriesRowCount> kRpfSeries{{
    {L"GN", L"GNC", 5000000, L"Global Navigation Chart", L"CADRG", 0x0000FF},
    {L"JN", L"JNC", 2000000, L"Jet Navigation Chart", L"CADRG", 0x00AAFF},
    {L"OH", L"VHRC", 1000000, L"VFR Helicopter Route Chart", L"CADRG", kGrey},
    {L"ON", L"ONC", 1000000, L"Operational Navigation Chart", L"CADRG", 0x00FFFF},
    {L"OW", L"WAC", 1000000, L"High Flying Chart - Host Nation", L"CADRG", kGrey},
    {L"TP", L"TPC", 500000, L"Tactical Pilotage Chart", L"CADRG", 0x00FF55},
    {L"LF", L"LFC-FR (Day)", 500000, L"Low Flying Chart (Day)- Host Nation", L"CADRG", 0xFFC500},
    {L"L1", L"LFC-1", 500000, L"Low Flying Chart (TBD #1)", L"CADRG", 0xFFC500},
    {L"L2", L"LFC-2", 500000, L"Low Flying Chart (TBD #2)", L"CADRG", 0xFFC500},
    {L"L3", L"LFC-3", 500000, L"Low Flying Chart (TBD #3)", L"CADRG", 0xFFC500},
    {L"L4", L"LFC-4", 500000, L"Low Flying Chart (TBD #4)", L"CADRG", 0xFFC500},
    {L"L5", L"LFC-5", 500000, L"Low Flying Chart (TBD #5)", L"CADRG", 0xFFC500},
    {L"LN", L"LFC (Night)", 500000, L"Low Flying Chart (Night) - Host Nation", L"CADRG", 0xFFC500},
    {L"JG", L"JOG", 250000, L"Joint Operations Graphic", L"CADRG", 0xFF7000},
    {L"JA", L"JOG-A", 250000, L"Joint Operations Graphic - Air", L"CADRG", 0xFF7000},
    {L"JR", L"JOG-R", 250000, L"Joint Operations Graphic - Radar", L"CADRG", 0xFF7000},
    {L"JO", L"OPG", 250000, L"Operational Planning Graphic", L"CADRG", kGrey},
    {L"VT", L"VTAC", 250000, L"VFR Terminal Area Chart", L"CADRG", kGrey},
    {L"F1", L"TFC-1", 250000, L"Transit Flying Chart (TBD #1)", L"CADRG", 0xFF00C5},
    {L"F2", L"TFC-2", 250000, L"Transit Flying Chart (TBD #2)", L"CADRG", 0xFF00C5},
    {L"F3", L"TFC-3", 250000, L"Transit Flying Chart (TBD #3)", L"CADRG", 0xFF00C5},
    {L"F4", L"TFC-4", 250000, L"Transit Flying Chart (TBD #4)", L"CADRG", 0xFF00C5},
    {L"F5", L"TFC-5", 250000, L"Transit Flying Chart (TBD #5)", L"CADRG", 0xFF00C5},
    {L"AT", L"ATC", 200000, L"Series 200 Air Target Chart", L"CADRG", 0x00A8A8},
    {L"VH", L"HRC", 125000, L"Helicopter Route Chart", L"CADRG", kGrey},
    {L"TN", L"TFC (Night)", 250000, L"Transit Flying Chart(Night)- Host nation", L"CADRG",
     0xFF00C5},
    {L"TR", L"TLM200", 200000, L"Topographic Line Map 1:200,000 scale", L"CADRG", kGrey},
    {L"TC", L"TLM 100", 100000, L"Topographic Line Map 1:100,0000 scale", L"CADRG", 0x0000A8},
    {L"RV", L"Riverine", 50000, L"Riverine Map 1:50,000 scale", L"CADRG", kGrey},
    {L"TL", L"TLM 50", 50000, L"Topographic Line Map", L"CADRG", 0x84A800},
    {L"UL", L"TLM50-Other", 50000, L"Topographic Line Map (other 1:50,000 scale)", L"CADRG",
     0x84A800},
    {L"TT", L"TLM25", 25000, L"Topographic Line Map 1:25,000 scale", L"CADRG", kGrey},
    {L"TQ", L"TLM24", 24000, L"Topographic Line Map 1:24,000 scale", L"CADRG", kGrey},
    {L"C1", L"CG", 10000, L"City Graphics", L"CADRG", kGrey},
    {L"C2", L"CG", 10560, L"City Graphics", L"CADRG", kGrey},
    {L"C3", L"CG", 11000, L"City Graphics", L"CADRG", kGrey},
    {L"C4", L"CG", 11800, L"City Graphics", L"CADRG", kGrey},
    {L"C5", L"CG", 12000, L"City Graphics", L"CADRG", kGrey},
    {L"C6", L"CG", 12500, L"City Graphics", L"CADRG", kGrey},
    {L"C7", L"CG", 12800, L"City Graphics", L"CADRG", kGrey},
    {L"C8", L"CG", 14000, L"City Graphics", L"CADRG", kGrey},
    {L"C9", L"CG", 14700, L"City Graphics", L"CADRG", kGrey},
    {L"CA", L"CG", 15000, L"City Graphics", L"CADRG", kGrey},
    {L"CB", L"CG", 15500, L"City Graphics", L"CADRG", kGrey},
    {L"CC", L"CG", 16000, L"City Graphics", L"CADRG", kGrey},
    {L"CD", L"CG", 16666, L"City Graphics", L"CADRG", kGrey},
    {L"CE", L"CG", 17000, L"City Graphics", L"CADRG", kGrey},
    {L"CF", L"CG", 17500, L"City Graphics", L"CADRG", kGrey},
    {L"CH", L"CG", 18000, L"City Graphics", L"CADRG", kGrey},
    {L"CJ", L"CG", 20000, L"City Graphics", L"CADRG", kGrey},
    {L"CK", L"CG", 21000, L"City Graphics", L"CADRG", kGrey},
    {L"CL", L"CG", 21120, L"City Graphics", L"CADRG", kGrey},
    {L"CN", L"CG", 22000, L"City Graphics", L"CADRG", kGrey},
    {L"CP", L"CG", 23000, L"City Graphics", L"CADRG", kGrey},
    {L"CQ", L"CG", 25000, L"City Graphics", L"CADRG", kGrey},
    {L"CR", L"CG", 26000, L"City Graphics", L"CADRG", kGrey},
    {L"CS", L"CG", 35000, L"City Graphics", L"CADRG", kGrey},
    {L"CT", L"CG", 36000, L"City Graphics", L"CADRG", kGrey},
    {L"A1", L"CM", 10000, L"Combat Charts, 1:10,000 scale", L"CADRG", 0x732600},
    {L"A2", L"CM", 25000, L"Combat Charts, 1:25,000 scale", L"CADRG", 0x732600},
    {L"A3", L"CM", 50000, L"Combat Charts, 1:50,000 scale", L"CADRG", 0x732600},
    {L"A4", L"CM", 100000, L"Combat Charts, 1:100,000 scale", L"CADRG", 0x732600},
    {L"MI", L"MIM", 50000, L"Military Installation Maps", L"CADRG", kGrey},
    {L"VN", L"VNC", 500000, L"Visual Navigation Charts", L"CADRG", kGrey},
    {L"I1", L"CIB 10m", 41000, L"Imagery, 10 meter resolution", L"CIB", 0xCD9966},
    {L"I2", L"CIB 5m", 20500, L"Imagery, 5 meter resolution", L"CIB", 0x66CDAB},
    {L"I3", L"CIB 2m", 7500, L"Imagery, 2 meter resolution", L"CIB", kGrey},
    {L"I4", L"CIB 1m", 5000, L"Imagery, 1 meter resolution", L"CIB", 0x66AACD},
    {L"I5", L"CIB 0.5m", 1900, L"Imagery, .5 (half) meter resolution", L"CIB", kGrey},
    {L"IV", L"CIB various", 25000, L"Imagery, greater than 10 meter resolution", L"CIB", kGrey},
    {L"MM", L"---", 100000, L"(Miscellaneous Maps & Charts)", L"CADRG", 0x445A89},
    {L"HA", L"HA", 25000, L"Harbor and Approach Charts", L"CADRG", 0xA84D00},
    {L"CO", L"CO", 100000, L"Coastal Charts", L"CADRG", 0x8400A8},
    {L"OA", L"OPAREA", 25000, L"Naval Range Operating Area Chart", L"CADRG", 0x828282},
    {L"CG", L"CG", 15000, L"City Graphics", L"CADRG", 0x007326},
    {L"CM", L"CM", 50000, L"Combat Charts", L"CADRG", kGrey},
    {L"M1", L"MIM", 25000, L"Military Installation Map (TBD #1)", L"CADRG", kGrey},
    {L"M2", L"MIM", 25000, L"Military Installation Map (TBD #2)", L"CADRG", kGrey},
    {L"TF", L"TFC", 250000, L"Transit Flying Chart", L"CADRG", 0xFF00C5},
}};

}  // namespace

std::span<const VpfProductRow> VpfProductTable() { return kVpfProducts; }

const VpfProductRow* FindVpfProduct(std::wstring_view key) {
  for (const VpfProductRow& row : kVpfProducts)
    if (key == row.key) return &row;
  return nullptr;
}

const VpfProductRow* FindVpfProductNoCase(std::wstring_view key) {
  for (const VpfProductRow& row : kVpfProducts)
    if (EqualsNoCase(key, row.key)) return &row;
  return nullptr;
}

bool ScaleInRange(double zoomedOutBound, double zoomedInBound, double scale) {
  return (zoomedInBound == 0 || scale >= zoomedInBound) &&
         (zoomedOutBound == 0 || scale <= zoomedOutBound);
}

std::span<const RpfSeriesRow> RpfSeriesTable() { return kRpfSeries; }

const RpfSeriesRow* RpfSeriesAt(std::size_t index) {
  return index < kRpfSeries.size() ? &kRpfSeries[index] : nullptr;
}

const RpfSeriesMap& GetRpfSeriesMap() {
  // Built on the first call only; the table never changes, so neither does the map.
  static const RpfSeriesMap map = [] {
    RpfSeriesMap m;
    for (std::uint32_t i = 0; i < kRpfSeries.size(); ++i) m[kRpfSeries[i].seriesCode] = i;
    return m;
  }();
  return map;
}

const RpfSeriesRow* FindRpfSeries(std::wstring_view code) {
  const RpfSeriesMap& map = GetRpfSeriesMap();
  auto it = map.find(code);  // a miss answers null rather than adding an entry for row 0
  return it == map.end() ? nullptr : RpfSeriesAt(it->second);
}

}  // namespace velk::lumeris
