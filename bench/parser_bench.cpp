// Parser::Parse per notation, in texts per second: the table conversion parses every record.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "coordinates/dms_formatter.h"
#include "coordinates/dms_validator.h"
#include "coordinates/mgrs_formatter.h"
#include "coordinates/mgrs_validator.h"
#include "coordinates/parser.h"
#include "coordinates/utm_formatter.h"
#include "coordinates/utm_validator.h"

namespace {

using namespace velk::corvane;

template <class V, class F>
void ParseTexts(benchmark::State& state, const std::vector<std::wstring>& texts) {
  V validator;
  F formatter;
  Parser parser(&validator, &formatter);
  std::vector<BSTR> work(texts.size());
  std::size_t valid = 0;
  for (auto _ : state) {
    for (std::size_t i = 0; i < texts.size(); ++i) {
      BSTR b = velk::AllocBstr(texts[i]);
      valid += parser.Parse(&b) ? 1 : 0;
      benchmark::DoNotOptimize(b);
      SysFreeString(b);
    }
  }
  benchmark::DoNotOptimize(valid);
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * texts.size()));
}

const std::vector<std::wstring> kDms = {
    L"40.5N 73.25W", L"-40.123456 -73.987654", L"4030N 07315W", L"403015.5N 0731520W", L"+40 73",
    L"40.5 abc",
};
const std::vector<std::wstring> kUtm = {
    L"18T 585628 4511322", L"585628,4511322,18T",  L"18T5856284511322",
    L"1234567 1234567 Y",  L"18 T 585628 4511322", L"18I 585628 4511322",
};
const std::vector<std::wstring> kMgrs = {
    L"18TWL8562811322", L"18twl85621132",     L"ZAB3114105767",
    L"30NYF6799300000", L"18T WL 8562811322", L"18TWL856211320",
};

void BM_ParseDms(benchmark::State& s) { ParseTexts<DMSValidator, DMSFormatter>(s, kDms); }
void BM_ParseUtm(benchmark::State& s) { ParseTexts<UTMValidator, UTMFormatter>(s, kUtm); }
void BM_ParseMgrs(benchmark::State& s) { ParseTexts<MGRSValidator, MGRSFormatter>(s, kMgrs); }
BENCHMARK(BM_ParseDms);
BENCHMARK(BM_ParseUtm);
BENCHMARK(BM_ParseMgrs);

}  // namespace

BENCHMARK_MAIN();
