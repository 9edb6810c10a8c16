#include "platform/host/documents/data_graph.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/com/out_param.h"
#include "platform/com/text.h"
#include "platform/com/variant.h"
#include "platform/host/shell/application.h"
#include "platform/host/data/table.h"
#include "platform/registry/registry.h"

namespace velk::host {

namespace {

constexpr const wchar_t* kLineVertical = L"line:vertical";
constexpr const char* kTemplateHeading = "velk graph template 1";

class DataGraphSeries : public ComObjectRoot<DataGraphSeries, IDataGraphSeries> {
 public:
  void SetType(std::wstring type) { type_ = std::move(type); }
  HRESULT get_Type(BSTR* type) override { return OutText(type, type_); }
  HRESULT put_Color(LONG color) override {
    color_ = color;
    return S_OK;
  }
  HRESULT get_Color(LONG* color) override {
    if (!color) return E_POINTER;
    *color = color_;
    return S_OK;
  }
  HRESULT putref_Table(ITable* table) override {
    table_ = table;
    return S_OK;
  }
  HRESULT put_Field(LONG axis, BSTR name) override {
    if (axis != kGraphAxisHorizontal && axis != kGraphAxisVertical) return E_INVALIDARG;
    fields_[axis] = BstrToWstring(name);
    return S_OK;
  }
  HRESULT put_OrderBy(BSTR field) override {
    orderBy_ = BstrToWstring(field);
    return S_OK;
  }
  HRESULT get_PointCount(LONG* count) override {
    if (!count) return E_POINTER;
    *count = static_cast<LONG>(points_.size());
    return S_OK;
  }
  HRESULT GetPoint(LONG index, double* x, double* y) override {
    if (!x || !y) return E_POINTER;
    if (index < 0 || static_cast<std::size_t>(index) >= points_.size()) return E_INVALIDARG;
    *x = points_[index].first;
    *y = points_[index].second;
    return S_OK;
  }

  // Reads the points from the table and lets the table go: the series keeps its points (its
  // data may be deleted). The old points stay when it cannot.
  HRESULT Read() {
    if (!table_) return read_ ? S_OK : E_FAIL;
    LONG ix = -1, iy = -1, io = -1;
    table_->FindField(Bstr(fields_[0]), &ix);
    table_->FindField(Bstr(fields_[1]), &iy);
    if (!orderBy_.empty()) table_->FindField(Bstr(orderBy_), &io);
    if (ix < 0 || iy < 0 || (!orderBy_.empty() && io < 0)) return E_FAIL;
    ComPtr<ICursor> cursor;
    if (FAILED(table_->Search(nullptr, VARIANT_FALSE, cursor.put())) || !cursor) return E_FAIL;
    struct Row {
      double order, x, y;
    };
    std::vector<Row> rows;
    for (;;) {
      ComPtr<IRow> row;
      if (FAILED(cursor->NextRow(row.put()))) return E_FAIL;
      if (!row) break;
      double v[3] = {0, 0, 0};
      const LONG at[3] = {ix, iy, io < 0 ? ix : io};
      for (int k = 0; k < 3; ++k) {
        Variant value, number;
        if (FAILED(row->get_Value(at[k], &value))) return E_FAIL;
        v[k] = SUCCEEDED(VariantChangeType(&number, &value, 0, VT_R8)) ? number.dblVal
                                                                       : std::nan("");
      }
      rows.push_back({v[2], v[0], v[1]});
    }
    if (!orderBy_.empty())
      std::stable_sort(rows.begin(), rows.end(),
                       [](const Row& a, const Row& b) { return a.order < b.order; });
    points_.clear();
    for (const Row& r : rows) points_.emplace_back(r.x, r.y);
    table_.Reset();
    read_ = true;
    return S_OK;
  }
  std::vector<std::pair<double, double>> Points() const { return points_; }

 private:
  std::wstring type_;
  LONG color_ = 0;
  ComPtr<ITable> table_;
  std::wstring fields_[2];
  std::wstring orderBy_;
  std::vector<std::pair<double, double>> points_;
  bool read_ = false;
};

class GraphWindow;

// Windows that show a graph, so an update redraws them.
std::vector<GraphWindow*>& LiveWindows() {
  static std::vector<GraphWindow*> windows;
  return windows;
}

class DataGraph : public ComObjectRoot<DataGraph, IDataGraph> {
 public:
  HRESULT get_Name(BSTR* name) override { return OutText(name, name_); }
  HRESULT put_Name(BSTR name) override {
    name_ = BstrToWstring(name);
    return S_OK;
  }
  HRESULT get_Title(BSTR* title) override { return OutText(title, picture_.title); }
  HRESULT put_Title(BSTR title) override {
    picture_.title = BstrToWstring(title);
    return S_OK;
  }
  HRESULT get_AxisTitle(LONG axis, BSTR* title) override {
    if (axis == kGraphAxisHorizontal) return OutText(title, picture_.horizontalTitle);
    if (axis == kGraphAxisVertical) return OutText(title, picture_.verticalTitle);
    return E_INVALIDARG;
  }
  HRESULT put_AxisTitle(LONG axis, BSTR title) override {
    if (axis == kGraphAxisHorizontal)
      picture_.horizontalTitle = BstrToWstring(title);
    else if (axis == kGraphAxisVertical)
      picture_.verticalTitle = BstrToWstring(title);
    else
      return E_INVALIDARG;
    return S_OK;
  }
  HRESULT LoadTemplate(BSTR path) override {
    std::ifstream in(ToUtf8(BstrToWstring(path)));
    std::string line;
    if (!in || !std::getline(in, line) || line.rfind(kTemplateHeading, 0) != 0) return E_FAIL;
    GraphPicture p = picture_;
    while (std::getline(in, line)) {
      if (line.empty() || line[0] == '#') continue;
      const auto eq = line.find('=');
      if (eq == std::string::npos) return E_FAIL;
      const std::string key = line.substr(0, eq), value = line.substr(eq + 1);
      char* end = nullptr;
      const long n = std::strtol(value.c_str(), &end, 0);
      if (end == value.c_str() || *end) return E_FAIL;
      if (key == "width" && n >= 100 && n <= 4000)
        p.width = static_cast<int>(n);
      else if (key == "height" && n >= 100 && n <= 4000)
        p.height = static_cast<int>(n);
      else if (key == "background" && n >= 0 && n <= 0xFFFFFF)
        p.background = static_cast<unsigned>(n);
      else
        return E_FAIL;
    }
    picture_.width = p.width;
    picture_.height = p.height;
    picture_.background = p.background;
    template_ = BstrToWstring(path);
    return S_OK;
  }
  HRESULT get_TemplatePath(BSTR* path) override { return OutText(path, template_); }
  HRESULT AddSeries(BSTR type, IDataGraphSeries** series) override {
    if (!series) return E_POINTER;
    *series = nullptr;
    if (BstrToWstring(type) != kLineVertical) return E_INVALIDARG;
    ComObject<DataGraphSeries>* s = nullptr;
    HRESULT hr = ComObject<DataGraphSeries>::Create(&s);
    if (FAILED(hr)) return hr;
    s->SetType(kLineVertical);
    series_.push_back(ComPtr<IDataGraphSeries>(s));
    s->Release();
    return series_.back().CopyTo(series);
  }
  HRESULT get_SeriesCount(LONG* count) override {
    if (!count) return E_POINTER;
    *count = static_cast<LONG>(series_.size());
    return S_OK;
  }
  HRESULT get_Series(LONG index, IDataGraphSeries** series) override {
    if (!series) return E_POINTER;
    *series = nullptr;
    if (index < 0 || static_cast<std::size_t>(index) >= series_.size()) return E_INVALIDARG;
    return series_[index].CopyTo(series);
  }
  HRESULT Update() override;

  GraphPicture Picture() const {
    GraphPicture p = picture_;
    for (const auto& s : series_) {
      auto* impl = static_cast<DataGraphSeries*>(s.get());
      LONG color = 0;
      impl->get_Color(&color);
      p.lines.push_back({static_cast<unsigned>(color), impl->Points()});
    }
    return p;
  }
  const std::wstring& Name() const { return name_; }

 private:
  std::wstring name_;
  std::wstring template_;
  GraphPicture picture_;
  std::vector<ComPtr<IDataGraphSeries>> series_;
};

// A file name from a graph's name: letters, digits, '-', '_' and '.' kept, others '_'.
std::string SafeName(const std::wstring& name) {
  std::string s;
  for (wchar_t c : name)
    s += (std::iswalnum(c) && c < 128) || c == L'-' || c == L'.' ? static_cast<char>(c) : '_';
  return s.empty() ? std::string("graph") : s;
}

class GraphWindow : public ComObjectRoot<GraphWindow, IGraphWindow> {
 public:
  ~GraphWindow() override { Forget(); }
  HRESULT putref_DataGraph(IDataGraph* graph) override {
    graph_ = graph;
    if (visible_) return Draw();
    return S_OK;
  }
  HRESULT get_DataGraph(IDataGraph** graph) override { return graph_.CopyTo(graph); }
  HRESULT Init(IApplication* application) override {
    if (!application) return E_POINTER;
    auto windows = QueryAs<IGraphWindows>(application);
    if (!windows) return E_NOINTERFACE;
    return windows->AddGraphWindow(this);
  }
  HRESULT Show(VARIANT_BOOL show) override {
    visible_ = show != VARIANT_FALSE;
    if (!visible_) return S_OK;
    auto& live = LiveWindows();
    if (std::find(live.begin(), live.end(), this) == live.end()) live.push_back(this);
    return Draw();
  }
  HRESULT get_Visible(VARIANT_BOOL* visible) override {
    if (!visible) return E_POINTER;
    *visible = ToVariantBool(visible_);
    return S_OK;
  }
  HRESULT get_PicturePath(BSTR* path) override { return OutText(path, FromUtf8(picture_)); }
  HRESULT get_DataPath(BSTR* path) override { return OutText(path, FromUtf8(data_)); }

  IDataGraph* Graph() const { return graph_.get(); }

  // Writes the picture and the data; E_FAIL when either cannot be written.
  HRESULT Draw() {
    if (!graph_) return S_OK;
    auto* graph = static_cast<DataGraph*>(graph_.get());
    namespace fs = std::filesystem;
    const fs::path folder = fs::path(reg::HostRoot()) / "graphs";
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (picture_.empty()) {
      const std::string base = SafeName(graph->Name());
      std::string name = base;
      for (int k = 2; fs::exists(folder / (name + ".svg")); ++k) name = base + "-" + std::to_string(k);
      picture_ = (folder / (name + ".svg")).string();
      data_ = (folder / (name + ".csv")).string();
    }
    const GraphPicture p = graph->Picture();
    bool ok = WriteGraphSvg(p, picture_);
    std::ofstream csv(data_ + ".part");
    csv << "series,x,y\n";
    csv.precision(17);
    for (std::size_t i = 0; i < p.lines.size(); ++i)
      for (const auto& [x, y] : p.lines[i].points) csv << i + 1 << ',' << x << ',' << y << '\n';
    csv.close();
    if (!csv) ok = false;
    if (ok) fs::rename(data_ + ".part", data_, ec);
    if (!ok || ec) {
      fs::remove(data_ + ".part", ec);
      return E_FAIL;
    }
    return S_OK;
  }

 private:
  void Forget() {
    auto& live = LiveWindows();
    live.erase(std::remove(live.begin(), live.end(), this), live.end());
  }

  ComPtr<IDataGraph> graph_;
  bool visible_ = false;
  std::string picture_;
  std::string data_;

};

HRESULT DataGraph::Update() {
  HRESULT result = S_OK;
  for (const auto& s : series_)
    if (FAILED(static_cast<DataGraphSeries*>(s.get())->Read())) result = E_FAIL;
  for (GraphWindow* w : LiveWindows())
    if (w->Graph() == static_cast<IDataGraph*>(this) && FAILED(w->Draw())) result = E_FAIL;
  return result;
}

}  // namespace

HRESULT GraphWindowList::AddGraphWindow(IGraphWindow* window) {
  if (!window) return E_POINTER;
  for (const auto& w : windows_)
    if (w.get() == window) return S_OK;
  windows_.emplace_back(window);
  return S_OK;
}

HRESULT GraphWindowList::get_GraphWindowCount(LONG* count) {
  if (!count) return E_POINTER;
  *count = static_cast<LONG>(windows_.size());
  return S_OK;
}

HRESULT GraphWindowList::get_GraphWindow(LONG index, IGraphWindow** window) {
  if (!window) return E_POINTER;
  *window = nullptr;
  if (index < 0 || static_cast<std::size_t>(index) >= windows_.size()) return E_INVALIDARG;
  return windows_[index].CopyTo(window);
}

HRESULT DataGraphList::Add(IDataGraph* graph) {
  if (!graph) return E_POINTER;
  graphs_.emplace_back(graph);
  return S_OK;
}

HRESULT DataGraphList::Count(LONG* count) const {
  if (!count) return E_POINTER;
  *count = static_cast<LONG>(graphs_.size());
  return S_OK;
}

HRESULT DataGraphList::Item(LONG index, IDataGraph** graph) const {
  if (!graph) return E_POINTER;
  *graph = nullptr;
  if (index < 0 || static_cast<std::size_t>(index) >= graphs_.size()) return E_INVALIDARG;
  return graphs_[index].CopyTo(graph);
}

HRESULT CreateDataGraphObject(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<DataGraph>(outer, riid, ppv);
}

HRESULT CreateGraphWindowObject(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<GraphWindow>(outer, riid, ppv);
}

}  // namespace velk::host
