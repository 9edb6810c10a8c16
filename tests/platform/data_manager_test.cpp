// The catalog data manager: which kind of catalog a table is, told from small GeoPackage and
// shapefile catalogs made here; the events of the operations it does not offer.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "platform/com/connection_point.h"
#include "platform/com/object.h"
#include "platform/com/text.h"
#include "platform/host/data/data_errors.h"
#include "platform/productline/data_manager.h"
#include "platform/registry/activation.h"
#include "tests/fixtures/dted_fixture.h"
#include "tests/fixtures/host_data_fixture.h"
#include "tests/fixtures/tool_output.h"

using namespace velk;
using namespace velk::host;
using namespace velk::productline;
using namespace velk::test;

namespace {

ComPtr<IDataManager> NewDataManager() {
  ComPtr<IDataManager> manager;
  EXPECT_EQ(CreateDataManagerObject(nullptr, IidOf<IDataManager>(), manager.put_void()), S_OK);
  return manager;
}

const velkZelCatalogTypeEnum kAllKinds[] = {velkZelCatalogVPF, velkZelCatalogDTED,
                                            velkZelCatalogRPF, velkZelCatalogGDBVPF,
                                            velkZelCatalogReferencedRPF};

// The kinds the data manager accepts the table as.
std::set<LONG> KindsOf(IDataManager* manager, ITable* table) {
  std::set<LONG> kinds;
  for (auto kind : kAllKinds) {
    VARIANT_BOOL valid = 7;
    EXPECT_EQ(manager->IsCatalogValid(kind, table, &valid), S_OK) << "kind " << kind;
    EXPECT_TRUE(valid == VARIANT_TRUE || valid == VARIANT_FALSE) << "kind " << kind;
    if (valid == VARIANT_TRUE) kinds.insert(kind);
  }
  return kinds;
}

class EventSink : public ComObjectRoot<EventSink, IDataManagerEvents> {
 public:
  HRESULT OnEvent(BSTR message, LONG eventType) override {
    events.emplace_back(message ? message : L"", eventType);
    return S_OK;
  }
  std::vector<std::pair<std::wstring, LONG>> events;
};

}  // namespace

// One table per case: the fields (and, for VPF, where the table lies) decide the kinds.
TEST(DataManager, TellsCatalogKindsFromFieldsAndWorkspace) {
  ScratchDir dir;
  ComPtr<IWorkspace> db;
  ASSERT_EQ(DatabaseFactory()->Create(Bstr(FromUtf8(dir.path())), Bstr(L"catalogs.gpkg"), nullptr,
                                      nullptr, db.put()),
            S_OK);
  auto folder = OpenWorkspace(ShapefileFactory().get(), dir.path());
  ASSERT_TRUE(folder);
  auto manager = NewDataManager();

  const auto shape = ShapeField(kGeometryPolygon, 4326);
  const auto product = TextField(L"PRODUCT", 60), series = TextField(L"SERIES", 10),
             library = TextField(L"LIBRARY", 20), dted = TextField(L"DTED_TYPE", 20);
  const auto scale = IntegerField(L"SCALE");
  const auto name = TextField(L"NAME", 40), fullName = TextField(L"FULL_NAME", 200);

  struct Case {
    const wchar_t* name;
    bool featureClass;
    std::vector<FieldSpec> fields;
    std::set<LONG> kinds;
    IWorkspace* where = nullptr;  // null: the GeoPackage
  } cases[] = {
      {L"dted", true, {OidField(), shape, dted}, {velkZelCatalogDTED}},
      {L"rpf", true, {OidField(), shape, product, scale, series}, {velkZelCatalogRPF}},
      {L"rpf_table",
       false,
       {OidField(), product, DoubleField(L"SCALE"), series},
       {velkZelCatalogRPF}},
      {L"rpf_ref",
       true,
       {OidField(), shape, product, scale, series, name, fullName},
       {velkZelCatalogRPF, velkZelCatalogReferencedRPF}},
      {L"rpf_lower",
       true,
       {OidField(), shape, TextField(L"product", 60), IntegerField(L"scale"),
        TextField(L"series", 10)},
       {velkZelCatalogRPF}},
      {L"vpf", true, {OidField(), shape, product, library}, {velkZelCatalogVPF}},
      {L"managed", true, {OidField(), shape, product, library}, {velkZelCatalogGDBVPF}},
      // Not catalogs, or not of the kind their fields half suggest.
      {L"vpf_plain", false, {OidField(), product, library}, {}},
      {L"dted_and_rpf",
       true,
       {OidField(), shape, dted, product, scale, series},
       {velkZelCatalogDTED}},
      {L"rpf_and_vpf", true, {OidField(), shape, product, scale, series, library}, {}},
      {L"text_scale", true, {OidField(), shape, product, TextField(L"SCALE", 10), series}, {}},
      {L"number_dted", true, {OidField(), shape, IntegerField(L"DTED_TYPE")}, {}},
      {L"rpf_no_series", true, {OidField(), shape, product, scale}, {}},
      {L"names_only", true, {OidField(), shape, name, fullName}, {}},
      {L"roads", true, {OidField(), shape, TextField(L"LABEL", 20)}, {}},
      // VPF fields in a folder of shapefiles, without a feature table: no geodatabase.
      {L"shp_vpf", true, {OidField(L"FID"), shape, product, library}, {}, folder.get()},
  };
  // The feature tables that mark the two VPF catalogs of the folder kind.
  for (const wchar_t* features : {L"vpf_features", L"vpf_plain_features"}) {
    ComPtr<ITable> t;
    ASSERT_EQ(
        CreateTable(db.get(), features, {OidField(), product, TextField(L"COVERAGE", 20)}, t.put()),
        S_OK);
  }

  for (auto& c : cases) {
    IWorkspace* ws = c.where ? c.where : db.get();
    ComPtr<ITable> table;
    if (c.featureClass) {
      ComPtr<IFeatureClass> fc;
      ASSERT_EQ(CreateClass(ws, c.name, c.fields, fc.put()), S_OK) << ToUtf8(c.name);
      table = fc.As<ITable>();
    } else {
      ASSERT_EQ(CreateTable(ws, c.name, c.fields, table.put()), S_OK) << ToUtf8(c.name);
    }
    ASSERT_TRUE(table) << ToUtf8(c.name);
    EXPECT_EQ(KindsOf(manager.get(), table.get()), c.kinds) << ToUtf8(c.name);
  }
}

// A catalog opened again from its file answers as when it was made, rows or none.
TEST(DataManager, ReopenedCatalogWithRowsKeepsItsKind) {
  ScratchDir dir;
  ComPtr<IWorkspace> db;
  ASSERT_EQ(DatabaseFactory()->Create(Bstr(FromUtf8(dir.path())), Bstr(L"charts.gpkg"), nullptr,
                                      nullptr, db.put()),
            S_OK);
  {
    ComPtr<IFeatureClass> fc;
    ASSERT_EQ(
        CreateClass(db.get(), L"charts",
                    {OidField(), ShapeField(kGeometryPolygon, 4326), TextField(L"PRODUCT", 60),
                     IntegerField(L"SCALE"), TextField(L"SERIES", 10)},
                    fc.put()),
        S_OK);
    ComPtr<IRow> row;
    auto table = fc.As<ITable>();
    ASSERT_EQ(table->CreateRow(row.put()), S_OK);
    LONG index = -1;
    table->FindField(Bstr(L"SCALE"), &index);
    ASSERT_EQ(row->put_Value(index, Variant(250000)), S_OK);
    ASSERT_EQ(row->Store(), S_OK);
  }
  db = OpenWorkspace(DatabaseFactory().get(), dir / "charts.gpkg");
  ASSERT_TRUE(db);
  ComPtr<ITable> table;
  ASSERT_EQ(db.As<IFeatureWorkspace>()->OpenTable(Bstr(L"charts"), table.put()), S_OK);
  EXPECT_EQ(KindsOf(NewDataManager().get(), table.get()), (std::set<LONG>{velkZelCatalogRPF}));
}

TEST(DataManager, BadArgumentsFailAndAnswerFalse) {
  ScratchDir dir;
  ComPtr<IWorkspace> db;
  ASSERT_EQ(DatabaseFactory()->Create(Bstr(FromUtf8(dir.path())), Bstr(L"x.gpkg"), nullptr, nullptr,
                                      db.put()),
            S_OK);
  ComPtr<ITable> table;
  ASSERT_EQ(CreateTable(db.get(), L"t", {OidField(), TextField(L"DTED_TYPE", 20)}, table.put()),
            S_OK);
  auto manager = NewDataManager();

  VARIANT_BOOL valid = VARIANT_TRUE;
  EXPECT_EQ(manager->IsCatalogValid(velkZelCatalogDTED, nullptr, &valid), E_INVALIDARG);
  EXPECT_EQ(valid, VARIANT_FALSE);
  valid = VARIANT_TRUE;
  EXPECT_EQ(manager->IsCatalogValid(static_cast<velkZelCatalogTypeEnum>(5), table.get(), &valid),
            E_INVALIDARG);
  EXPECT_EQ(valid, VARIANT_FALSE);
  valid = VARIANT_TRUE;
  EXPECT_EQ(manager->IsCatalogValid(static_cast<velkZelCatalogTypeEnum>(-1), table.get(), &valid),
            E_INVALIDARG);
  EXPECT_EQ(valid, VARIANT_FALSE);
  EXPECT_EQ(manager->IsCatalogValid(velkZelCatalogDTED, table.get(), nullptr), E_POINTER);
  EXPECT_EQ(manager->IsCatalogValid(velkZelCatalogDTED, table.get(), &valid), S_OK);
  EXPECT_EQ(valid, VARIANT_TRUE);
}

ComPtr<IDataManagerEvents> NewSink(EventSink** sink) {
  ComPtr<IDataManagerEvents> ref;
  EXPECT_EQ(CreateInstance<EventSink>(nullptr, IidOf<IDataManagerEvents>(), ref.put_void()), S_OK);
  *sink = static_cast<EventSink*>(ref.get());
  return ref;
}

LONG ErrorsIn(const EventSink& sink) {
  LONG n = 0;
  for (const auto& e : sink.events) n += e.second == kDataManagerEventError;
  return n;
}

// A catalog made new is, before any data, a catalog of the kind it was made as.
TEST(DataManager, CreatesEmptyCatalogsOfEachKind) {
  ScratchDir dir;
  ComPtr<IWorkspace> db;
  ASSERT_EQ(DatabaseFactory()->Create(Bstr(FromUtf8(dir.path())), Bstr(L"zel.gpkg"), nullptr,
                                      nullptr, db.put()),
            S_OK);
  auto folder = OpenWorkspace(ShapefileFactory().get(), dir.path());
  auto manager = NewDataManager();
  EventSink* sink = nullptr;
  auto sinkRef = NewSink(&sink);
  DWORD cookie = 0;
  ASSERT_EQ(ConnectSink(manager.get(), sinkRef.get(), IidOf<IDataManagerEvents>(), &cookie), S_OK);

  struct Case {
    IWorkspace* where;
    const wchar_t* name;
    velkZelCatalogTypeEnum kind;
    std::set<LONG> kinds;
  } cases[] = {
      {db.get(), L"elevation", velkZelCatalogDTED, {velkZelCatalogDTED}},
      {db.get(), L"charts", velkZelCatalogRPF, {velkZelCatalogRPF, velkZelCatalogReferencedRPF}},
      {db.get(), L"vmap", velkZelCatalogVPF, {velkZelCatalogVPF}},
      {db.get(), L"managed", velkZelCatalogGDBVPF, {velkZelCatalogGDBVPF}},
      {folder.get(), L"shpvpf", velkZelCatalogVPF, {velkZelCatalogVPF}},
  };
  for (const auto& c : cases) {
    sink->events.clear();
    EXPECT_EQ(manager->CreateCatalog(c.where, c.kind, Bstr(L""), Bstr(c.name), VARIANT_FALSE,
                                     VARIANT_TRUE, nullptr),
              S_OK)
        << ToUtf8(c.name);
    EXPECT_EQ(ErrorsIn(*sink), 0) << ToUtf8(c.name);
    EXPECT_EQ(sink->events.size(), 1u) << ToUtf8(c.name);
    ComPtr<ITable> table;
    ASSERT_EQ(
        ComPtr<IWorkspace>(c.where).As<IFeatureWorkspace>()->OpenTable(Bstr(c.name), table.put()),
        S_OK)
        << ToUtf8(c.name);
    EXPECT_EQ(KindsOf(manager.get(), table.get()), c.kinds) << ToUtf8(c.name);
  }
  EXPECT_EQ(DisconnectSink(manager.get(), IidOf<IDataManagerEvents>(), cookie), S_OK);
}

// Every refusal fails, fires exactly one error event and leaves nothing behind.
TEST(DataManager, RefusedCreationsReportOneErrorEach) {
  ScratchDir dir;
  ScratchDir shpDir;
  ComPtr<IWorkspace> db;
  ASSERT_EQ(DatabaseFactory()->Create(Bstr(FromUtf8(dir.path())), Bstr(L"zel.gpkg"), nullptr,
                                      nullptr, db.put()),
            S_OK);
  auto folder = OpenWorkspace(ShapefileFactory().get(), shpDir.path());
  auto manager = NewDataManager();
  ASSERT_EQ(
      manager->CreateCatalog(db.get(), velkZelCatalogDTED, nullptr, Bstr(L"taken"), 0, 0, nullptr),
      S_OK);
  ComPtr<ITable> features;
  ASSERT_EQ(CreateTable(db.get(), L"vpf_features", {OidField(), TextField(L"PRODUCT", 60)},
                        features.put()),
            S_OK);
  EventSink* sink = nullptr;
  auto sinkRef = NewSink(&sink);
  DWORD cookie = 0;
  ASSERT_EQ(ConnectSink(manager.get(), sinkRef.get(), IidOf<IDataManagerEvents>(), &cookie), S_OK);

  struct Case {
    const char* what;
    IWorkspace* where;
    velkZelCatalogTypeEnum kind;
    const wchar_t* name;
    HRESULT expected;
  } cases[] = {
      {"no workspace", nullptr, velkZelCatalogDTED, L"c", E_INVALIDARG},
      {"no name", db.get(), velkZelCatalogDTED, L"", E_INVALIDARG},
      {"null name", db.get(), velkZelCatalogDTED, nullptr, E_INVALIDARG},
      {"unknown kind", db.get(), static_cast<velkZelCatalogTypeEnum>(9), L"c", E_INVALIDARG},
      {"name taken", db.get(), velkZelCatalogRPF, L"taken", E_DATA_EXISTS},
      {"managed VPF outside a database", folder.get(), velkZelCatalogGDBVPF, L"m", E_INVALIDARG},
      {"feature table name taken", db.get(), velkZelCatalogVPF, L"vpf", E_DATA_EXISTS},
  };
  for (const auto& c : cases) {
    sink->events.clear();
    EXPECT_EQ(manager->CreateCatalog(c.where, c.kind, nullptr, c.name ? Bstr(c.name) : Bstr(), 0, 0,
                                     nullptr),
              c.expected)
        << c.what;
    ASSERT_EQ(sink->events.size(), 1u) << c.what;
    EXPECT_EQ(sink->events[0].second, kDataManagerEventError) << c.what;
    EXPECT_FALSE(sink->events[0].first.empty()) << c.what;
  }
  EXPECT_TRUE(FilesIn(shpDir.path()).empty());
  ComPtr<ITable> leftOver;
  EXPECT_EQ(db.As<IFeatureWorkspace>()->OpenTable(Bstr(L"vpf"), leftOver.put()), E_DATA_NOT_FOUND)
      << "a catalog without its feature table was left behind";
  EXPECT_EQ(DisconnectSink(manager.get(), IidOf<IDataManagerEvents>(), cookie), S_OK);
}

// A folder given while creating has its data loaded into the new catalog. Loading refusals are
// one error event each.
TEST(DataManager, LoadingRefusalsAreErrorEvents) {
  ScratchDir dir;
  ComPtr<IWorkspace> db;
  ASSERT_EQ(DatabaseFactory()->Create(Bstr(FromUtf8(dir.path())), Bstr(L"zel.gpkg"), nullptr,
                                      nullptr, db.put()),
            S_OK);
  auto manager = NewDataManager();
  EventSink* sink = nullptr;
  auto sinkRef = NewSink(&sink);
  DWORD cookie = 0;
  ASSERT_EQ(ConnectSink(manager.get(), sinkRef.get(), IidOf<IDataManagerEvents>(), &cookie), S_OK);

  ASSERT_TRUE(MakeDtedCell(DtedCellPath(dir / "cells", 6, 0, 0), 6, 0, 0));
  EXPECT_EQ(manager->CreateCatalog(db.get(), velkZelCatalogDTED, Bstr(FromUtf8(dir / "cells")),
                                   Bstr(L"dted"), 0, -1, nullptr),
            S_OK);
  EXPECT_EQ(ErrorsIn(*sink), 0);
  ComPtr<ITable> table;
  ASSERT_EQ(db.As<IFeatureWorkspace>()->OpenTable(Bstr(L"dted"), table.put()), S_OK);
  LONG rows = 0;
  EXPECT_EQ(table->RowCount(nullptr, &rows), S_OK);
  EXPECT_EQ(rows, 1);

  struct Case {
    const char* what;
    ITable* table;
    std::string folder;
    velkZelCatalogTypeEnum kind;
    HRESULT expected;
  } cases[] = {
      {"no table", nullptr, dir.path(), velkZelCatalogDTED, E_INVALIDARG},
      {"no folder", table.get(), "", velkZelCatalogDTED, E_INVALIDARG},
      {"missing folder", table.get(), dir / "nowhere", velkZelCatalogDTED, E_INVALIDARG},
      {"not of the kind", table.get(), dir.path(), velkZelCatalogRPF, E_INVALIDARG},
  };
  for (const auto& c : cases) {
    sink->events.clear();
    EXPECT_EQ(manager->LoadCatalog(c.table, Bstr(FromUtf8(c.folder)), c.kind, nullptr), c.expected)
        << c.what;
    ASSERT_EQ(sink->events.size(), 1u) << c.what;
    EXPECT_EQ(sink->events[0].second, kDataManagerEventError) << c.what;
  }
  EXPECT_EQ(DisconnectSink(manager.get(), IidOf<IDataManagerEvents>(), cookie), S_OK);
}

TEST(DataManager, CreatedByClassIdentifier) {
  const DWORD cookie = RegisterDataManagerClass();
  ComPtr<IDataManager> manager;
  EXPECT_EQ(CoCreateInstance(CLSID_DataManager, nullptr, CLSCTX_ALL, IidOf<IDataManager>(),
                             manager.put_void()),
            S_OK);
  EXPECT_TRUE(manager);
  EXPECT_TRUE(manager.As<IConnectionPointContainer>());
  RevokeProcessClass(cookie);
}

// A VPF catalog whose feature table is there but unreadable: the failure, and no answer of true.
TEST(DataManager, UnreadableFeatureTableIsAFailure) {
  ScratchDir dir;
  auto folder = OpenWorkspace(ShapefileFactory().get(), dir.path());
  ASSERT_TRUE(folder);
  ComPtr<IFeatureClass> fc;
  ASSERT_EQ(CreateClass(folder.get(), L"libs",
                        {OidField(L"FID"), ShapeField(kGeometryPolygon, 4326),
                         TextField(L"PRODUCT", 60), TextField(L"LIBRARY", 20)},
                        fc.put()),
            S_OK);
  {
    std::FILE* f = std::fopen((dir / "libs_features.dbf").c_str(), "wb");
    ASSERT_TRUE(f);
    std::fputs("not a table at all", f);
    std::fclose(f);
  }
  auto manager = NewDataManager();
  for (auto kind : {velkZelCatalogVPF, velkZelCatalogGDBVPF}) {
    VARIANT_BOOL valid = VARIANT_TRUE;
    const HRESULT hr = manager->IsCatalogValid(kind, fc.As<ITable>().get(), &valid);
    EXPECT_TRUE(FAILED(hr)) << "kind " << kind << ": " << std::hex << hr;
    EXPECT_EQ(valid, VARIANT_FALSE);
  }
}
