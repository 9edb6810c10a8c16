#include "platform/productline/rpf_series_scales.h"

#include <array>

namespace velk::productline {
namespace {

constexpr std::array<RpfSeriesScale, 79> kSeries{{
    {"GN", "CADRG", 5000000}, {"JN", "CADRG", 2000000}, {"OH", "CADRG", 1000000},
    {"ON", "CADRG", 1000000}, {"OW", "CADRG", 1000000}, {"TP", "CADRG", 500000},
    {"LF", "CADRG", 500000},  {"L1", "CADRG", 500000},  {"L2", "CADRG", 500000},
    {"L3", "CADRG", 500000},  {"L4", "CADRG", 500000},  {"L5", "CADRG", 500000},
    {"LN", "CADRG", 500000},  {"JG", "CADRG", 250000},  {"JA", "CADRG", 250000},
    {"JR", "CADRG", 250000},  {"JO", "CADRG", 250000},  {"VT", "CADRG", 250000},
    {"F1", "CADRG", 250000},  {"F2", "CADRG", 250000},  {"F3", "CADRG", 250000},
    {"F4", "CADRG", 250000},  {"F5", "CADRG", 250000},  {"AT", "CADRG", 200000},
    {"VH", "CADRG", 125000},  {"TN", "CADRG", 250000},  {"TR", "CADRG", 200000},
    {"TC", "CADRG", 100000},  {"RV", "CADRG", 50000},   {"TL", "CADRG", 50000},
    {"UL", "CADRG", 50000},   {"TT", "CADRG", 25000},   {"TQ", "CADRG", 24000},
    {"C1", "CADRG", 10000},   {"C2", "CADRG", 10560},   {"C3", "CADRG", 11000},
    {"C4", "CADRG", 11800},   {"C5", "CADRG", 12000},   {"C6", "CADRG", 12500},
    {"C7", "CADRG", 12800},   {"C8", "CADRG", 14000},   {"C9", "CADRG", 14700},
    {"CA", "CADRG", 15000},   {"CB", "CADRG", 15500},   {"CC", "CADRG", 16000},
    {"CD", "CADRG", 16666},   {"CE", "CADRG", 17000},   {"CF", "CADRG", 17500},
    {"CH", "CADRG", 18000},   {"CJ", "CADRG", 20000},   {"CK", "CADRG", 21000},
    {"CL", "CADRG", 21120},   {"CN", "CADRG", 22000},   {"CP", "CADRG", 23000},
    {"CQ", "CADRG", 25000},   {"CR", "CADRG", 26000},   {"CS", "CADRG", 35000},
    {"CT", "CADRG", 36000},   {"A1", "CADRG", 10000},   {"A2", "CADRG", 25000},
    {"A3", "CADRG", 50000},   {"A4", "CADRG", 100000},  {"MI", "CADRG", 50000},
    {"VN", "CADRG", 500000},  {"I1", "CIB", 41000},     {"I2", "CIB", 20500},
    {"I3", "CIB", 7500},      {"I4", "CIB", 5000},      {"I5", "CIB", 1900},
    {"IV", "CIB", 25000},     {"MM", "CADRG", 100000},  {"HA", "CADRG", 25000},
    {"CO", "CADRG", 100000},  {"OA", "CADRG", 25000},   {"CG", "CADRG", 15000},
    {"CM", "CADRG", 50000},   {"M1", "CADRG", 25000},   {"M2", "CADRG", 25000},
    {"TF", "CADRG", 250000},
}};

}  // namespace

std::span<const RpfSeriesScale> RpfSeriesScales() { return kSeries; }

const RpfSeriesScale* FindRpfSeriesScale(std::string_view code) {
  for (const RpfSeriesScale& row : kSeries)
    if (code == row.code) return &row;
  return nullptr;
}

}  // namespace velk::productline
