// Workspaces and their factories: listing, opening by name objects, deleting and renaming
// datasets, one object per place on disk, the scratch workspace.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "platform/com/text.h"
#include "platform/host/data/data_class_ids.h"
#include "platform/host/data/data_errors.h"
#include "platform/host/data/property_set_object.h"
#include "platform/host/data/workspace_objects.h"
#include "platform/registry/registry.h"
#include "tests/fixtures/dem_fixture.h"
#include "tests/fixtures/host_data_fixture.h"
#include "tests/fixtures/tool_output.h"

using namespace velk;
using namespace velk::host;
using namespace velk::test;

namespace {

std::vector<std::pair<std::wstring, LONG>> Names(IWorkspace* ws, LONG kind) {
  std::vector<std::pair<std::wstring, LONG>> out;
  ComPtr<IEnumDatasetName> e;
  EXPECT_EQ(ws->get_DatasetNames(kind, e.put()), S_OK);
  ComPtr<IDatasetName> n;
  while (e->Next(n.put()) == S_OK) {
    Bstr name;
    LONG type = 0;
    n->get_Name(&name);
    n->get_Type(&type);
    out.emplace_back(name.str(), type);
  }
  return out;
}

const std::vector<FieldSpec> kPoints = {OidField(), ShapeField(kGeometryPoint, 4326),
                                        TextField(L"NAME", 10)};

}  // namespace

TEST(HostDataWorkspace, FolderListsShapefilesTablesAndRasters) {
  ScratchDir dir;
  auto ws = OpenWorkspace(ShapefileFactory().get(), dir.path());
  ComPtr<IFeatureClass> fc;
  ComPtr<ITable> t;
  ASSERT_EQ(CreateClass(ws.get(), L"b_points", kPoints, fc.put()), S_OK);
  ASSERT_EQ(CreateTable(ws.get(), L"a_table", {OidField(), TextField(L"X", 4)}, t.put()), S_OK);
  ASSERT_TRUE(MakeGeoTiffDem(dir / "dem.tif", DemSpec{}));

  using L = std::vector<std::pair<std::wstring, LONG>>;
  EXPECT_EQ(Names(ws.get(), kDatasetAny),
            (L{{L"a_table", kDatasetTable}, {L"b_points", kDatasetFeatureClass}}));
  EXPECT_EQ(Names(ws.get(), kDatasetFeatureClass), (L{{L"b_points", kDatasetFeatureClass}}));
  auto rasters = OpenWorkspace(RasterFactory().get(), dir.path());
  EXPECT_EQ(Names(rasters.get(), kDatasetAny), (L{{L"dem.tif", kDatasetRasterDataset}}));
  // each folder kind answers its own interface only
  EXPECT_TRUE(ws.As<IFeatureWorkspace>());
  EXPECT_FALSE(ws.As<IRasterWorkspace>());
  EXPECT_TRUE(rasters.As<IRasterWorkspace>());
  EXPECT_FALSE(rasters.As<IFeatureWorkspace>());

  // A dataset name opens what it names, through the workspace name's factory ProgID.
  ComPtr<IEnumDatasetName> e;
  ws->get_DatasetNames(kDatasetFeatureClass, e.put());
  ComPtr<IDatasetName> name;
  ASSERT_EQ(e->Next(name.put()), S_OK);
  ComPtr<IWorkspaceName> wsName;
  name->get_WorkspaceName(wsName.put());
  Bstr progId;
  wsName->get_WorkspaceFactoryProgID(&progId);
  EXPECT_EQ(progId.str(), kShapefileWorkspaceFactoryProgId);
  ComPtr<IUnknown> opened;
  ASSERT_EQ(name.Query<IName>()->Open(opened.put()), S_OK);
  EXPECT_TRUE(IsSameObject(opened.get(), fc.get())) << "a dataset opens to the object already open";
  EXPECT_EQ(e->Next(name.put()), S_FALSE);

  // One object per place, whichever spelling of the path.
  auto again = OpenWorkspace(ShapefileFactory().get(), dir.path() + "/./");
  EXPECT_TRUE(IsSameObject(again.get(), ws.get()));
  ComPtr<IFeatureClass> byFile;
  ASSERT_EQ(ws.Query<IFeatureWorkspace>()->OpenFeatureClass(Bstr(L"b_points.shp"), byFile.put()),
            S_OK);
  EXPECT_TRUE(IsSameObject(byFile.get(), fc.get()));
}

TEST(HostDataWorkspace, DeleteAndRenameDatasets) {
  ScratchDir dir;
  auto ws = OpenWorkspace(ShapefileFactory().get(), dir.path());
  ComPtr<IFeatureClass> fc;
  ASSERT_EQ(CreateClass(ws.get(), L"old", kPoints, fc.put()), S_OK);
  auto ds = fc.Query<IDataset>();
  ASSERT_EQ(ds->Rename(Bstr(L"renamed")), S_OK);
  Bstr name;
  ds->get_Name(&name);
  EXPECT_EQ(name.str(), L"renamed");
  auto files = FilesIn(dir.path());
  EXPECT_TRUE(std::find(files.begin(), files.end(), "renamed.shp") != files.end());
  EXPECT_TRUE(std::find(files.begin(), files.end(), "renamed.dbf") != files.end());
  EXPECT_TRUE(std::find(files.begin(), files.end(), "old.shp") == files.end());
  LONG n = -1;
  EXPECT_EQ(fc->FeatureCount(nullptr, &n), S_OK);  // still usable under its new name
  EXPECT_EQ(n, 0);
  EXPECT_EQ(ds->Delete(), S_OK);
  EXPECT_TRUE(FilesIn(dir.path()).empty());
  EXPECT_EQ(fc->FeatureCount(nullptr, &n),
            E_DATA_NO_ROW);  // the object outlives its data, harmlessly

  ComPtr<IWorkspace> db;
  ASSERT_EQ(DatabaseFactory()->Create(Bstr(FromUtf8(dir.path())), Bstr(L"db"), nullptr, nullptr,
                                      db.put()),
            S_OK);
  ComPtr<ITable> t;
  ASSERT_EQ(CreateTable(db.get(), L"first", {OidField(), TextField(L"X", 4)}, t.put()), S_OK);
  ASSERT_EQ(CreateTable(db.get(), L"second", {OidField(), TextField(L"X", 4)}, t.put()), S_OK);
  EXPECT_EQ(t.Query<IDataset>()->Rename(Bstr(L"first")), E_DATA_EXISTS);
  ASSERT_EQ(t.Query<IDataset>()->Rename(Bstr(L"third")), S_OK);
  using L = std::vector<std::pair<std::wstring, LONG>>;
  EXPECT_EQ(Names(db.get(), kDatasetAny),
            (L{{L"first", kDatasetTable}, {L"third", kDatasetTable}}));
  ASSERT_EQ(t.Query<IDataset>()->Delete(), S_OK);
  EXPECT_EQ(Names(db.get(), kDatasetAny), (L{{L"first", kDatasetTable}}));
  std::string info = ToolOutput("ogrinfo -ro -so " + ShellQuote(dir / "db.gpkg"));
  EXPECT_EQ(info.find("third"), std::string::npos) << info;
}

TEST(HostDataWorkspace, FactoriesCreateOpenAndRefuse) {
  ScratchDir dir;
  auto folders = ShapefileFactory();
  ComPtr<IWorkspace> ws;
  ASSERT_EQ(folders->Create(Bstr(FromUtf8(dir.path())), Bstr(L"out"), nullptr, nullptr, ws.put()),
            S_OK);
  EXPECT_TRUE(std::filesystem::is_directory(dir / "out"));
  EXPECT_EQ(folders->Create(Bstr(FromUtf8(dir.path())), Bstr(L"out"), nullptr, nullptr, ws.put()),
            E_DATA_EXISTS);
  EXPECT_EQ(
      folders->Create(Bstr(FromUtf8(dir / "missing")), Bstr(L"x"), nullptr, nullptr, ws.put()),
      E_DATA_NOT_FOUND);
  VARIANT_BOOL is = VARIANT_FALSE;
  folders->IsWorkspace(Bstr(FromUtf8(dir / "out")), &is);
  EXPECT_EQ(is, VARIANT_TRUE);

  // The database factory opens by connection properties, as the dataset helpers do.
  auto dbs = DatabaseFactory();
  ComPtr<IWorkspace> db;
  ASSERT_EQ(
      dbs->Create(Bstr(FromUtf8(dir.path())), Bstr(L"Personal.mdb"), nullptr, nullptr, db.put()),
      S_OK);
  Bstr path;
  db->get_PathName(&path);
  EXPECT_EQ(path.str(), FromUtf8(dir / "Personal.mdb"));
  auto props = MakeObjectPtr<PropertySet, IPropertySet>();
  props->SetProperty(Bstr(L"DATABASE"), Variant(path.str()));
  ComPtr<IWorkspace> viaProps;
  ASSERT_EQ(dbs->Open(props.get(), nullptr, viaProps.put()), S_OK);
  EXPECT_TRUE(IsSameObject(viaProps.get(), db.get()));
  LONG type = -1;
  db->get_Type(&type);
  EXPECT_EQ(type, kWorkspaceLocalDatabase);
  dbs->IsWorkspace(Bstr(FromUtf8(dir / "out")), &is);
  EXPECT_EQ(is, VARIANT_FALSE);
  auto empty = MakeObjectPtr<PropertySet, IPropertySet>();
  EXPECT_EQ(dbs->Open(empty.get(), nullptr, viaProps.put()), E_INVALIDARG);
}

TEST(HostDataWorkspace, ScratchWorkspaceLivesUnderTheHostRoot) {
  ScratchDir dir;
  reg::SetHostRoot(dir.path());
  ComPtr<IScratchWorkspaceFactory> f;
  ASSERT_EQ(CreateScratchWorkspaceFactory(nullptr, IidOf<IScratchWorkspaceFactory>(), f.put_void()),
            S_OK);
  ComPtr<IWorkspace> ws;
  ASSERT_EQ(f->get_DefaultScratchWorkspace(ws.put()), S_OK);
  Bstr path;
  ws->get_PathName(&path);
  EXPECT_EQ(path.str(), FromUtf8(dir / "scratch"));
  EXPECT_TRUE(std::filesystem::is_directory(dir / "scratch"));
  EXPECT_TRUE(ws.As<IFeatureWorkspace>());
  ws.Reset();
  const char* home = std::getenv("TREVIK_HOME");
  reg::SetHostRoot(home ? home : "");
}

// A database's feature dataset: its feature classes named with its name and "_" (letter case
// aside), not tables or lookalike names; none by a name no feature class starts with; folders
// have none.
TEST(HostDataWorkspace, DatabaseFeatureDatasetsGroupFeatureClassesByName) {
  ScratchDir dir;
  ComPtr<IWorkspace> db;
  ASSERT_EQ(DatabaseFactory()->Create(Bstr(FromUtf8(dir.path())), Bstr(L"db"), nullptr, nullptr,
                                      db.put()),
            S_OK);
  ComPtr<IFeatureClass> fc;
  ComPtr<ITable> t;
  for (const wchar_t* name : {L"VMAPLV0_pop_builtp", L"vmaplv0_trans_roadl", L"vmaplv0x_a_b",
                              L"vmaplv1_pop_builtp", L"vmaplv0"})
    ASSERT_EQ(CreateClass(db.get(), name, kPoints, fc.put()), S_OK) << ToUtf8(name);
  ASSERT_EQ(CreateTable(db.get(), L"vmaplv0_table", {OidField(), TextField(L"X", 4)}, t.put()),
            S_OK);
  auto features = db.Query<IFeatureWorkspace>();
  ComPtr<IFeatureDataset> dataset;
  ASSERT_EQ(features->OpenFeatureDataset(Bstr(L"vmaplv0"), dataset.put()), S_OK);
  std::vector<std::wstring> subsets;
  ComPtr<IEnumDataset> e;
  ASSERT_EQ(dataset->get_Subsets(e.put()), S_OK);
  ComPtr<IDataset> ds;
  while (e->Next(ds.put()) == S_OK) {
    Bstr name;
    ds->get_Name(&name);
    subsets.push_back(name.str());
    EXPECT_TRUE(ds.Query<IFeatureClass>());
  }
  EXPECT_EQ(subsets, (std::vector<std::wstring>{L"VMAPLV0_pop_builtp", L"vmaplv0_trans_roadl"}));
  auto self = dataset.Query<IDataset>();
  Bstr name;
  self->get_Name(&name);
  EXPECT_EQ(name.str(), L"vmaplv0");
  LONG type = 0;
  self->get_Type(&type);
  EXPECT_EQ(type, kDatasetFeatureDataset);
  ComPtr<IWorkspace> owner;
  self->get_Workspace(owner.put());
  EXPECT_TRUE(IsSameObject(owner.get(), db.get()));
  EXPECT_EQ(features->OpenFeatureDataset(Bstr(L"vmaplv2"), dataset.put()), E_DATA_NOT_FOUND);
  EXPECT_EQ(features->OpenFeatureDataset(Bstr(L"vmaplv0_table"), dataset.put()), E_DATA_NOT_FOUND);
  auto folder = OpenWorkspace(ShapefileFactory().get(), dir.path());
  EXPECT_EQ(folder.Query<IFeatureWorkspace>()->OpenFeatureDataset(Bstr(L"db"), dataset.put()),
            E_DATA_NOT_FOUND);
}
