// Where a conversion writes: the new dataset built under a working name and named only when
// finished, the overwrite question, field names fixed for the output workspace, and output
// fields added to a table all or none.
#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <tuple>

#include "coordinates/conversion_output.h"
#include "framework/host_object_creation.h"
#include "platform/com/text.h"
#include "platform/host/shell/browse_dialog.h"
#include "platform/host/display/contents_view.h"
#include "platform/host/data/data_class_ids.h"
#include "platform/host/display/map.h"
#include "platform/host/shell/result_settings.h"
#include "platform/host/data/feature_class.h"
#include "platform/host/data/workspace.h"
#include "platform/win/responder.h"
#include "tests/fixtures/host_data_fixture.h"
#include "tests/fixtures/tool_output.h"
#include "tests/framework/host_session_fixture.h"

namespace velk::corvane {
namespace {

namespace fs = std::filesystem;

// The user: answers message boxes in turn and picks the given path in file dialogs.
class User : public win::Responder {
 public:
  int OnMessageBox(HWND, const std::wstring& text, const std::wstring&, UINT) override {
    messages.push_back(text);
    if (answers.empty()) return 0;
    int a = answers.front();
    answers.pop_front();
    return a;
  }
  bool OnFileDialog(const win::FileDialogRequest&, std::wstring* path) override {
    *path = pick;
    return true;
  }
  std::deque<int> answers;
  std::vector<std::wstring> messages;
  std::wstring pick;
};

class ConvertOutputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    win::SetResponder(&user);
    ws = test::OpenWorkspace(test::ShapefileFactory().get(), dir.path());
  }
  void TearDown() override { win::SetResponder(nullptr); }

  // The folder as the output browse dialog hands it out, with the typed name.
  ComPtr<IBrowseObject> Location(const std::string& path, std::wstring* name) {
    auto dialog = CreateHostObject<IBrowseDialog>(host::CLSID_BrowseDialog);
    user.pick = FromUtf8(path);
    VARIANT_BOOL ok = VARIANT_FALSE;
    Check(dialog->DoModalSave(nullptr, &ok));
    EXPECT_EQ(ok, VARIANT_TRUE);
    ComPtr<IBrowseObject> location;
    Check(dialog->get_FinalLocation(location.put()));
    Bstr n;
    dialog->get_Name(&n);
    *name = n.str();
    return location;
  }

  ComPtr<ITable> Places(const std::wstring& name = L"places") {
    ComPtr<ITable> t;
    Check(test::CreateTable(ws.get(), name,
                            {test::OidField(), test::TextField(L"NAME", 20),
                             test::DoubleField(L"LAT", 18, 8), test::DoubleField(L"LON", 18, 8)},
                            t.put()));
    ComPtr<IRow> row;
    Check(t->CreateRow(row.put()));
    Check(row->put_Value(1, Variant(L"somewhere")));
    Check(row->Store());
    return t;
  }

  std::vector<std::string> Files() { return test::FilesIn(dir.path()); }
  bool Has(const std::string& file) {
    for (const auto& f : Files())
      if (f == file) return true;
    return false;
  }
  static LONG RowCount(ITable* t) {
    LONG n = -1;
    t->RowCount(nullptr, &n);
    return n;
  }
  static std::vector<std::wstring> FieldNames(ITable* t) {
    ComPtr<IFields> fields;
    t->get_Fields(fields.put());
    LONG n = 0;
    fields->get_FieldCount(&n);
    std::vector<std::wstring> out;
    for (LONG i = 0; i < n; ++i) {
      ComPtr<IField> f;
      fields->get_Field(i, f.put());
      Bstr name;
      f->get_Name(&name);
      out.push_back(name.str());
    }
    return out;
  }
  ComPtr<ITable> Open(const std::wstring& name) {
    ComPtr<ITable> t;
    ws.As<IFeatureWorkspace>()->OpenTable(Bstr(name), t.put());
    return t;
  }

  test::HostSessionFixture host;
  test::ScratchDir dir;
  User user;
  ComPtr<IWorkspace> ws;
};

TEST_F(ConvertOutputTest, ANewTableIsBuiltAsideAndTakesItsNameWhenFinished) {
  ComPtr<ITable> input = Places();
  std::wstring name;
  ComPtr<IBrowseObject> location = Location(dir / "converted.dbf", &name);
  NewOutput out;
  ASSERT_TRUE(CreateOutput(nullptr, location.get(), name, input.get(), false, out));
  EXPECT_EQ(name, L"converted");  // the typed extension is dropped
  EXPECT_TRUE(Has("converted_partial.dbf"));
  EXPECT_FALSE(Has("converted.dbf"));
  EXPECT_EQ(RowCount(out.table.get()), 0);
  // Input field i goes to the output field of the same name; the object id is the output's own.
  EXPECT_EQ(out.fieldMap.at(0), -1);
  for (LONG i = 1; i <= 3; ++i) {
    ASSERT_GE(out.fieldMap.at(i), 0);
    EXPECT_EQ(FieldNames(out.table.get()).at(out.fieldMap.at(i)), FieldNames(input.get()).at(i));
  }

  OutputFieldNames names{L"X", L"Y", L"DMS", L"", L"UTM", L"MGRS"};
  ASSERT_TRUE(AddOutputFields(nullptr, out.table.get(), true, names));
  ASSERT_TRUE(FinishOutput(nullptr, out));
  EXPECT_TRUE(Has("converted.dbf"));
  EXPECT_FALSE(Has("converted_partial.dbf"));
  EXPECT_EQ(FieldNames(out.table.get()),
            (std::vector<std::wstring>{L"FID", L"NAME", L"LAT", L"LON", L"X", L"Y", L"DMS", L"UTM",
                                       L"MGRS"}));
  EXPECT_TRUE(user.messages.empty());
}

TEST_F(ConvertOutputTest, AnOutputThatIsDiscardedLeavesNothing) {
  ComPtr<ITable> input = Places();
  std::wstring name;
  ComPtr<IBrowseObject> location = Location(dir / "gone", &name);
  NewOutput out;
  ASSERT_TRUE(CreateOutput(nullptr, location.get(), name, input.get(), false, out));
  const auto before = Files();
  DiscardOutput(out);
  for (const auto& f : Files()) EXPECT_EQ(f.find("gone"), std::string::npos) << f;
  EXPECT_LT(Files().size(), before.size());
}

// The overwrite question: No keeps everything as it was; Yes replaces the old dataset only with
// a finished output, so a run that fails keeps the old data.
TEST_F(ConvertOutputTest, AnExistingDatasetIsReplacedOnlyByAFinishedOutput) {
  ComPtr<ITable> input = Places();
  ComPtr<ITable> old = Places(L"target");
  old = nullptr;
  std::wstring name;
  ComPtr<IBrowseObject> location = Location(dir / "target", &name);
  const std::wstring typed = name;

  NewOutput out;
  user.answers = {IDNO};
  EXPECT_FALSE(CreateOutput(nullptr, location.get(), name, input.get(), false, out));
  ASSERT_EQ(user.messages.size(), 1u);
  EXPECT_EQ(user.messages[0], L"Data with the same name exists. Overwrite?");
  EXPECT_EQ(RowCount(Open(L"target").get()), 1);
  EXPECT_FALSE(Has("target_partial.dbf"));

  // No answer (the box closed, Enter pressed) is the safe answer: No.
  name = typed;
  user.answers = {};
  EXPECT_FALSE(CreateOutput(nullptr, location.get(), name, input.get(), false, out));
  EXPECT_EQ(RowCount(Open(L"target").get()), 1);

  name = typed;
  user.answers = {IDYES};
  ASSERT_TRUE(CreateOutput(nullptr, location.get(), name, input.get(), false, out));
  DiscardOutput(out);  // the run failed
  EXPECT_EQ(RowCount(Open(L"target").get()), 1);

  name = typed;
  user.answers = {IDYES};
  ASSERT_TRUE(CreateOutput(nullptr, location.get(), name, input.get(), false, out));
  ASSERT_TRUE(AddOutputFields(nullptr, out.table.get(), true,
                              OutputFieldNames{L"", L"", L"", L"", L"", L"MGRS"}));
  ASSERT_TRUE(FinishOutput(nullptr, out));
  out = NewOutput{};
  ComPtr<ITable> replaced = Open(L"target");
  ASSERT_TRUE(replaced);
  EXPECT_EQ(RowCount(replaced.get()), 0);
  EXPECT_EQ(FieldNames(replaced.get()).back(), L"MGRS");
}

TEST_F(ConvertOutputTest, ADatasetOfAnotherKindInTheWayIsReportedBeforeAnythingIsMade) {
  ComPtr<ITable> input = Places();
  ComPtr<IFeatureClass> shapes;
  ASSERT_EQ(
      test::CreateClass(ws.get(), L"busy",
                        {test::OidField(), test::ShapeField(kGeometryPoint, 4326)}, shapes.put()),
      S_OK);
  shapes = nullptr;
  const auto before = Files();
  std::wstring name;
  ComPtr<IBrowseObject> location = Location(dir / "busy", &name);
  NewOutput out;
  EXPECT_FALSE(CreateOutput(nullptr, location.get(), name, input.get(), false, out));
  EXPECT_EQ(user.messages, std::vector<std::wstring>{L"Error while exporting data"});
  EXPECT_EQ(Files(), before);
}

TEST_F(ConvertOutputTest, FieldNamesAreFixedForTheOutputWorkspace) {
  ComPtr<IWorkspaceFactory> databases = test::DatabaseFactory();
  ComPtr<IWorkspace> db;
  ASSERT_EQ(databases->Create(Bstr(dir.wpath()), Bstr(L"source.gpkg"), nullptr, nullptr, db.put()),
            S_OK);
  ComPtr<ITable> input;
  ASSERT_EQ(test::CreateTable(db.get(), L"sites",
                              {test::OidField(), test::TextField(L"SITE_DESCRIPTION", 20),
                               test::DoubleField(L"LAT")},
                              input.put()),
            S_OK);
  std::wstring name;
  ComPtr<IBrowseObject> location = Location(dir / "sites.dbf", &name);
  NewOutput out;
  ASSERT_TRUE(CreateOutput(nullptr, location.get(), name, input.get(), false, out));
  LONG described = -1;
  ComPtr<IFields> inFields;
  input->get_Fields(inFields.put());
  inFields->FindField(Bstr(L"SITE_DESCRIPTION"), &described);
  ASSERT_GE(out.fieldMap.at(described), 0);
  EXPECT_EQ(FieldNames(out.table.get()).at(out.fieldMap.at(described)), L"SITE_DESCR");
  DiscardOutput(out);
}

// Output fields go in all together or not at all.
TEST_F(ConvertOutputTest, OutputFieldsAreAddedAllOrNone) {
  ComPtr<ITable> table = Places();
  const auto fields = FieldNames(table.get());

  // A name the table has already.
  EXPECT_FALSE(AddOutputFields(nullptr, table.get(), true,
                               OutputFieldNames{L"X", L"Y", L"", L"", L"LAT", L""}));
  EXPECT_EQ(FieldNames(table.get()), fields);

  // A name the table refuses, after others went in: those are taken out again.
  EXPECT_FALSE(AddOutputFields(nullptr, table.get(), true,
                               OutputFieldNames{L"X", L"Y", L"", L"", L"1UTM", L""}));
  EXPECT_EQ(FieldNames(table.get()), fields);
  EXPECT_EQ(user.messages,
            (std::vector<std::wstring>{L"Unable to add field", L"Unable to add field"}));
  EXPECT_EQ(RowCount(table.get()), 1);

  // The exclusive lock taken for adding is given back.
  auto lock = table.As<ISchemaLock>();
  ASSERT_TRUE(AddOutputFields(nullptr, table.get(), true,
                              OutputFieldNames{L"", L"", L"", L"", L"", L"MGRS"}));
  LONG kind = 0;
  lock->get_CurrentSchemaLock(&kind);
  EXPECT_EQ(kind, kSchemaLockShared);
}

// A finished table goes onto the focus map as a standalone table and the document's table of
// contents is redrawn, not the map view; with the host preference off the map stays as it was.
TEST_F(ConvertOutputTest, ATableOutputShowsInTheContentsViewUnlessResultsStayOffTheMap) {
  CHookImpl<int> hook;
  hook.SetHook(host.Session().Hook());
  ComPtr<IApplication> app;
  hook.GetApplication(app.put());
  ComPtr<IDocument> document;
  app->get_Document(document.put());
  ComPtr<IContentsView> contents;
  QueryAs<IContentsViewHost>(document.get())->get_CurrentContentsView(contents.put());
  ComPtr<IMap> map;
  hook.GetFocusMap(map.put());
  auto* hostMap = dynamic_cast<host::Map*>(map.get());
  ASSERT_NE(hostMap, nullptr);
  auto tables = QueryAs<IStandaloneTableCollection>(map.get());
  auto settings = CreateHostObject<IResultSettings>(host::CLSID_ResultSettings);
  auto counts = [&] {
    LONG refreshed = 0, shown = 0;
    contents->get_RefreshCount(&refreshed);
    tables->get_StandaloneTableCount(&shown);
    return std::tuple{refreshed, shown, hostMap->RefreshCount()};
  };
  const int mapRefreshes = hostMap->RefreshCount();

  ASSERT_EQ(settings->put_AddResultsToMap(VARIANT_FALSE), S_OK);
  AddOutputToMap(hook, Places(L"kept_off").get(), false);
  EXPECT_EQ(counts(), std::tuple(0, 0, mapRefreshes));

  ASSERT_EQ(settings->put_AddResultsToMap(VARIANT_TRUE), S_OK);
  AddOutputToMap(hook, Places(L"shown").get(), false);
  EXPECT_EQ(counts(), std::tuple(1, 1, mapRefreshes));
  ComPtr<IStandaloneTable> table;
  ASSERT_EQ(tables->get_StandaloneTable(0, table.put()), S_OK);
  Bstr name;
  table->get_Name(&name);
  EXPECT_EQ(name.str(), L"shown");
  LONG layers = -1;
  map->get_LayerCount(&layers);
  EXPECT_EQ(layers, 0);
}

}  // namespace
}  // namespace velk::corvane
