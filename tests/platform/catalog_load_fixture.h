// What the catalog load tests share: a listener for the data manager's events, a GeoPackage
// with one new catalog to load into, and small file helpers.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "platform/com/connection_point.h"
#include "platform/com/object.h"
#include "platform/com/text.h"
#include "platform/host/data/track_cancel.h"
#include "platform/productline/data_manager.h"
#include "tests/fixtures/host_data_fixture.h"
#include "tests/fixtures/ogr_rows.h"

namespace velk::test::catalog_load {

using namespace velk::host;
using namespace velk::productline;
namespace fs = std::filesystem;

class Sink : public ComObjectRoot<Sink, IDataManagerEvents> {
 public:
  HRESULT OnEvent(BSTR message, LONG eventType) override {
    events.emplace_back(ToUtf8(message ? message : L""), eventType);
    return S_OK;
  }
  std::vector<std::pair<std::string, LONG>> events;

  std::vector<std::string> Errors() const {
    std::vector<std::string> out;
    for (const auto& e : events)
      if (e.second == kDataManagerEventError) out.push_back(e.first);
    return out;
  }
  // Error events that name the file.
  int ErrorsNaming(const std::string& path) const {
    int n = 0;
    for (const auto& e : Errors()) n += e.find("\"" + path + "\"") != std::string::npos;
    return n;
  }
};

// A GeoPackage with one new catalog, the data manager and its listener.
class CatalogLoad {
 public:
  CatalogLoad(velkZelCatalogTypeEnum kind, const std::wstring& name) : name_(name) {
    EXPECT_EQ(DatabaseFactory()->Create(Bstr(FromUtf8(dir_.path())), Bstr(L"zel.gpkg"), nullptr,
                                        nullptr, db_.put()),
              S_OK);
    EXPECT_EQ(CreateDataManagerObject(nullptr, IidOf<IDataManager>(), manager_.put_void()), S_OK);
    EXPECT_EQ(CreateInstance<Sink>(nullptr, IidOf<IDataManagerEvents>(), sinkRef_.put_void()),
              S_OK);
    sink = static_cast<Sink*>(sinkRef_.get());
    EXPECT_EQ(ConnectSink(manager_.get(), sinkRef_.get(), IidOf<IDataManagerEvents>(), &cookie_),
              S_OK);
    EXPECT_EQ(manager_->CreateCatalog(db_.get(), kind, nullptr, Bstr(name), 0, 0, nullptr), S_OK);
    EXPECT_EQ(db_.As<IFeatureWorkspace>()->OpenTable(Bstr(name), table_.put()), S_OK);
  }
  ~CatalogLoad() { DisconnectSink(manager_.get(), IidOf<IDataManagerEvents>(), cookie_); }

  HRESULT Load(const std::string& folder, velkZelCatalogTypeEnum kind,
               ITrackCancel* cancel = nullptr) {
    sink->events.clear();
    return manager_->LoadCatalog(table_.get(), Bstr(FromUtf8(folder)), kind, cancel);
  }
  std::string gpkg() const { return dir_ / "zel.gpkg"; }
  std::string name() const { return ToUtf8(name_); }
  std::vector<OgrRow> Rows(const std::string& sql) const {
    bool ok = false;
    auto rows = OgrRows(gpkg(), sql, &ok);
    EXPECT_TRUE(ok) << sql;
    return rows;
  }
  Sink* sink = nullptr;

 private:
  ScratchDir dir_;
  std::wstring name_;
  ComPtr<IWorkspace> db_;
  ComPtr<IDataManager> manager_;
  ComPtr<IDataManagerEvents> sinkRef_;
  DWORD cookie_ = 0;
  ComPtr<ITable> table_;
};

inline void Truncate(const std::string& path, std::uintmax_t size) { fs::resize_file(path, size); }

inline void WriteText(const std::string& path, const std::string& text) {
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream(path) << text;
}

inline double Num(const OgrRow& row, const std::string& field) { return std::stod(row.at(field)); }

}  // namespace velk::test::catalog_load
