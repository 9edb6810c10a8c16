// Catalogs of many RPF frames for the benchmarks, written straight into the catalog table (no
// frame files behind them): frames of half a degree at random places within 100 x 100 degrees,
// taking the four series ONC, TPC, JOG and TLM 50 in turn.
#pragma once

#include <random>
#include <string>
#include <vector>

#include "platform/com/object.h"
#include "platform/host/data/table.h"
#include "platform/host/data/table_core.h"
#include "platform/host/data/table_objects.h"
#include "platform/productline/catalog_table_writer.h"

namespace velk::bench {

inline void WriteRandomFrames(ITable* table, int count) {
  std::vector<productline::RpfFrameRow> rows(static_cast<std::size_t>(count));
  const char* series[] = {"ON", "TP", "JG", "TL"};
  const std::uint32_t scales[] = {1000000, 500000, 250000, 50000};
  std::mt19937 random(7);
  std::uniform_real_distribution<double> place(0, 100);
  for (int i = 0; i < count; ++i) {
    auto& r = rows[static_cast<std::size_t>(i)];
    r.name = std::to_string(i);
    r.path = "/frames/" + r.name;
    r.product = "CADRG";
    r.series = series[i % 4];
    r.scale = scales[i % 4];
    r.footprint.west = place(random);
    r.footprint.south = place(random);
    r.footprint.east = r.footprint.west + 0.5;
    r.footprint.north = r.footprint.south + 0.5;
  }
  ComPtr<IRowBuffer> buffer;
  table->CreateRowBuffer(buffer.put());
  host::TableCore* core = buffer.As<host::IRowData>()->Core();
  productline::CatalogWriteResult written;
  std::string reason;
  productline::WriteRpfRows(core->Source()->get(), core->Layer(), nullptr, rows, written, reason);
  productline::EnsureCatalogIndexes(core->Source()->get(), core->Layer());
}

}  // namespace velk::bench
