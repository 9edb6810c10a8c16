// The host's data graph: templates (and files that are none), the series read from a table in
// the order of a field and kept after the table is gone, and the window's SVG and CSV.
#include "platform/host/documents/data_graph.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/com/text.h"
#include "platform/host/data/table.h"
#include "platform/registry/registry.h"
#include "tests/fixtures/temp_root.h"
#include "tests/fixtures/tool_output.h"

namespace velk::host {
namespace {

namespace fs = std::filesystem;

// A table of rows (M, Z) in the order given.
class RowsDouble : public ComObjectRoot<RowsDouble, ITable> {
 public:
  std::vector<std::pair<double, double>> rows;
  HRESULT get_Fields(IFields**) override { return E_NOTIMPL; }
  HRESULT FindField(BSTR name, LONG* index) override {
    const std::wstring n = BstrToWstring(name);
    *index = n == L"M" ? 0 : n == L"Z" ? 1 : -1;
    return S_OK;
  }
  HRESULT get_HasOID(VARIANT_BOOL*) override { return E_NOTIMPL; }
  HRESULT get_OIDFieldName(BSTR*) override { return E_NOTIMPL; }
  HRESULT AddField(IField*) override { return E_NOTIMPL; }
  HRESULT DeleteField(IField*) override { return E_NOTIMPL; }
  HRESULT CreateRow(IRow**) override { return E_NOTIMPL; }
  HRESULT CreateRowBuffer(IRowBuffer**) override { return E_NOTIMPL; }
  HRESULT GetRow(LONG, IRow**) override { return E_NOTIMPL; }
  HRESULT RowCount(IQueryFilter*, LONG*) override { return E_NOTIMPL; }
  HRESULT Search(IQueryFilter*, VARIANT_BOOL, ICursor** cursor) override;
  HRESULT Update(IQueryFilter*, VARIANT_BOOL, ICursor**) override { return E_NOTIMPL; }
  HRESULT Insert(VARIANT_BOOL, ICursor**) override { return E_NOTIMPL; }
  HRESULT DeleteSearchedRows(IQueryFilter*) override { return E_NOTIMPL; }
  HRESULT Select(IQueryFilter*, LONG, LONG, IWorkspace*, ISelectionSet**) override {
    return E_NOTIMPL;
  }
};

class RowDouble : public ComObjectRoot<RowDouble, IRow> {
 public:
  std::pair<double, double> values;
  HRESULT get_Value(LONG index, VARIANT* value) override {
    VariantInit(value);
    value->vt = VT_R8;
    value->dblVal = index == 0 ? values.first : values.second;
    return S_OK;
  }
  HRESULT put_Value(LONG, VARIANT) override { return E_NOTIMPL; }
  HRESULT get_Fields(IFields**) override { return E_NOTIMPL; }
  HRESULT get_HasOID(VARIANT_BOOL*) override { return E_NOTIMPL; }
  HRESULT get_OID(LONG*) override { return E_NOTIMPL; }
  HRESULT get_Table(ITable**) override { return E_NOTIMPL; }
  HRESULT Store() override { return E_NOTIMPL; }
  HRESULT Delete() override { return E_NOTIMPL; }
};

class CursorDouble : public ComObjectRoot<CursorDouble, ICursor> {
 public:
  std::vector<std::pair<double, double>> rows;
  std::size_t next = 0;
  HRESULT get_Fields(IFields**) override { return E_NOTIMPL; }
  HRESULT FindField(BSTR, LONG*) override { return E_NOTIMPL; }
  HRESULT NextRow(IRow** row) override {
    *row = nullptr;
    if (next >= rows.size()) return S_FALSE;
    auto r = MakeObjectPtr<RowDouble, IRow>();
    static_cast<RowDouble*>(r.get())->values = rows[next++];
    *row = r.Detach();
    return S_OK;
  }
  HRESULT UpdateRow(IRow*) override { return E_NOTIMPL; }
  HRESULT DeleteRow() override { return E_NOTIMPL; }
  HRESULT InsertRow(IRowBuffer*, VARIANT*) override { return E_NOTIMPL; }
  HRESULT Flush() override { return E_NOTIMPL; }
};

HRESULT RowsDouble::Search(IQueryFilter*, VARIANT_BOOL, ICursor** cursor) {
  auto c = MakeObjectPtr<CursorDouble, ICursor>();
  static_cast<CursorDouble*>(c.get())->rows = rows;
  *cursor = c.Detach();
  return S_OK;
}

ComPtr<IDataGraph> NewGraph() {
  ComPtr<IDataGraph> graph;
  EXPECT_EQ(CreateDataGraphObject(nullptr, IidOf<IDataGraph>(), graph.put_void()), S_OK);
  return graph;
}

TEST(DataGraph, TakesItsTemplateAndRefusesFilesThatAreNone) {
  test::ScratchDir dir;
  std::ofstream(dir / "good.tee") << "velk graph template 1\n# a comment\nwidth=800\nheight=300\n";
  std::ofstream(dir / "other.tee") << "width=800\n";
  std::ofstream(dir / "bad value.tee") << "velk graph template 1\nwidth=many\n";
  auto graph = NewGraph();
  for (const char* name : {"other.tee", "bad value.tee", "missing.tee"}) {
    EXPECT_EQ(graph->LoadTemplate(Bstr(FromUtf8(dir / name))), E_FAIL) << name;
    Bstr path;
    graph->get_TemplatePath(&path);
    EXPECT_EQ(path.str(), L"") << name;
  }
  EXPECT_EQ(graph->LoadTemplate(Bstr(FromUtf8(dir / "good.tee"))), S_OK);
  ComPtr<IDataGraphSeries> series;
  EXPECT_EQ(graph->AddSeries(Bstr(L"bar"), series.put()), E_INVALIDARG);
  EXPECT_FALSE(series);
}

TEST(DataGraph, SeriesInTheOrderOfAFieldKeptAfterTheTableAndDrawnByItsWindow) {
  test::TempRoot root;
  auto graph = NewGraph();
  graph->put_Name(Bstr(L"Profile 1/2"));
  graph->put_Title(Bstr(L"Title"));
  auto table = MakeObjectPtr<RowsDouble, ITable>();
  static_cast<RowsDouble*>(table.get())->rows = {{2, 20}, {0, 5}, {1, 7.5}};
  ComPtr<IDataGraphSeries> series;
  ASSERT_EQ(graph->AddSeries(Bstr(L"line:vertical"), series.put()), S_OK);
  series->putref_Table(table.get());
  series->put_Field(kGraphAxisHorizontal, Bstr(L"M"));
  series->put_Field(kGraphAxisVertical, Bstr(L"Z"));
  series->put_OrderBy(Bstr(L"M"));
  ASSERT_EQ(graph->Update(), S_OK);
  static_cast<RowsDouble*>(table.get())->rows.clear();  // the data goes; the graph keeps it
  table.Reset();
  ASSERT_EQ(graph->Update(), S_OK);
  LONG n = 0;
  series->get_PointCount(&n);
  ASSERT_EQ(n, 3);
  for (LONG i = 0; i < n; ++i) {
    double x = 0, y = 0;
    series->GetPoint(i, &x, &y);
    EXPECT_EQ(x, i);
  }

  ComPtr<IGraphWindow> window;
  ASSERT_EQ(CreateGraphWindowObject(nullptr, IidOf<IGraphWindow>(), window.put_void()), S_OK);
  window->putref_DataGraph(graph.get());
  Bstr picture, data;
  window->get_PicturePath(&picture);
  EXPECT_EQ(picture.str(), L"");  // nothing before it is shown
  ASSERT_EQ(window->Show(VARIANT_TRUE), S_OK);
  window->get_PicturePath(&picture);
  window->get_DataPath(&data);
  EXPECT_EQ(fs::path(ToUtf8(picture.str())), fs::path(reg::HostRoot()) / "graphs" / "Profile_1_2.svg");
  EXPECT_EQ(test::ReadFileText(ToUtf8(data.str())), "series,x,y\n1,0,5\n1,1,7.5\n1,2,20\n");
  const std::string svg = test::ReadFileText(ToUtf8(picture.str()));
  EXPECT_NE(svg.find("<svg"), std::string::npos);
  EXPECT_NE(svg.find("</svg>"), std::string::npos);
  for (const auto& e : fs::directory_iterator(fs::path(reg::HostRoot()) / "graphs"))
    EXPECT_NE(e.path().extension(), ".part") << e.path();
}

}  // namespace
}  // namespace velk::host
