// The host's data graphs: a graph (template, title, axis titles, series of a table's fields),
// the window that shows one, the document's graphs and the application's open graph windows.
// A graph window shows its graph by writing it as an SVG picture, with its data as CSV, into
// the host root's "graphs" folder, again whenever the graph is updated while shown.
#pragma once

#include <string>
#include <vector>

#include "platform/com/bstr.h"
#include "platform/com/object.h"

struct IApplication;
struct ITable;

// Axes of a graph.
inline constexpr LONG kGraphAxisHorizontal = 0;
inline constexpr LONG kGraphAxisVertical = 1;

struct IDataGraphSeries : IUnknown {
  VELK_INTERFACE_ID("{A7C937AB-1145-4A00-A55C-E9EA83417B54}")
  virtual HRESULT get_Type(BSTR* type) = 0;
  // 0x00BBGGRR.
  virtual HRESULT put_Color(LONG color) = 0;
  virtual HRESULT get_Color(LONG* color) = 0;
  virtual HRESULT putref_Table(ITable* table) = 0;
  // The table field that gives the values of an axis.
  virtual HRESULT put_Field(LONG axis, BSTR name) = 0;
  // The field the points are ordered by (empty: table order).
  virtual HRESULT put_OrderBy(BSTR field) = 0;
  // The points read at the graph's last update, as (horizontal, vertical) pairs.
  virtual HRESULT get_PointCount(LONG* count) = 0;
  virtual HRESULT GetPoint(LONG index, double* x, double* y) = 0;
};

struct IDataGraph : IUnknown {
  VELK_INTERFACE_ID("{BA3C70AB-2C54-4CB1-8A60-769AB4DECFA7}")
  virtual HRESULT get_Name(BSTR* name) = 0;
  virtual HRESULT put_Name(BSTR name) = 0;
  virtual HRESULT get_Title(BSTR* title) = 0;
  virtual HRESULT put_Title(BSTR title) = 0;
  virtual HRESULT get_AxisTitle(LONG axis, BSTR* title) = 0;
  virtual HRESULT put_AxisTitle(LONG axis, BSTR title) = 0;
  // Takes the picture size and colours from a template file; E_FAIL (and nothing changed)
  // for a file that cannot be read or is no graph template.
  virtual HRESULT LoadTemplate(BSTR path) = 0;
  virtual HRESULT get_TemplatePath(BSTR* path) = 0;
  // A new series of a type ("line:vertical"); E_INVALIDARG for another type.
  virtual HRESULT AddSeries(BSTR type, IDataGraphSeries** series) = 0;
  virtual HRESULT get_SeriesCount(LONG* count) = 0;
  virtual HRESULT get_Series(LONG index, IDataGraphSeries** series) = 0;
  // Reads every series' points from its table into the graph, which keeps them and lets the
  // table go (its data may be deleted afterwards), and redraws the windows that show the graph. E_FAIL when a series' table
  // or field cannot be read (that series then keeps its earlier points).
  virtual HRESULT Update() = 0;
};

struct IGraphWindow : IUnknown {
  VELK_INTERFACE_ID("{445171B1-1CA9-44F7-A156-46BCE4524EA0}")
  virtual HRESULT putref_DataGraph(IDataGraph* graph) = 0;
  virtual HRESULT get_DataGraph(IDataGraph** graph) = 0;
  // Joins the application's graph windows.
  virtual HRESULT Init(IApplication* application) = 0;
  // Shows the window: its picture and data are written. Hiding it leaves them.
  virtual HRESULT Show(VARIANT_BOOL show) = 0;
  virtual HRESULT get_Visible(VARIANT_BOOL* visible) = 0;
  // The SVG picture and the CSV data it wrote (empty before it was shown).
  virtual HRESULT get_PicturePath(BSTR* path) = 0;
  virtual HRESULT get_DataPath(BSTR* path) = 0;
};

// The application's open graph windows, in the order they were opened.
struct IGraphWindows : IUnknown {
  VELK_INTERFACE_ID("{792F6387-389B-44E5-8D53-83EBFFB4617E}")
  virtual HRESULT get_GraphWindowCount(LONG* count) = 0;
  virtual HRESULT get_GraphWindow(LONG index, IGraphWindow** window) = 0;
  virtual HRESULT AddGraphWindow(IGraphWindow* window) = 0;
};

// The graphs a document keeps.
struct IDataGraphs : IUnknown {
  VELK_INTERFACE_ID("{174B7E3E-01A5-41D3-A9AD-DCD46E58DC79}")
  virtual HRESULT AddDataGraph(IDataGraph* graph) = 0;
  virtual HRESULT get_DataGraphCount(LONG* count) = 0;
  virtual HRESULT get_DataGraph(LONG index, IDataGraph** graph) = 0;
};

namespace velk::host {

inline constexpr CLSID CLSID_DataGraph = MakeGuid("{2E4BEF28-58BC-4D8A-8E02-0D257A2E86BD}");
inline constexpr CLSID CLSID_GraphWindow = MakeGuid("{D221EB9E-20C4-47CA-AD16-C897C4C3D712}");
HRESULT CreateDataGraphObject(IUnknown* outer, REFIID riid, void** ppv);
HRESULT CreateGraphWindowObject(IUnknown* outer, REFIID riid, void** ppv);

// The graph windows of an application and the graphs of a document, for the classes that
// answer IGraphWindows and IDataGraphs.
class GraphWindowList final : public IGraphWindows {
 public:
  GraphWindowList() = default;
  GraphWindowList(const GraphWindowList&) = delete;
  GraphWindowList& operator=(const GraphWindowList&) = delete;
  // The object this part belongs to.
  void SetOuter(IUnknown* outer) { outer_ = outer; }
  HRESULT QueryInterface(REFIID riid, void** ppv) override {
    return outer_->QueryInterface(riid, ppv);
  }
  ULONG AddRef() override { return outer_->AddRef(); }
  ULONG Release() override { return outer_->Release(); }
  HRESULT get_GraphWindowCount(LONG* count) override;
  HRESULT get_GraphWindow(LONG index, IGraphWindow** window) override;
  HRESULT AddGraphWindow(IGraphWindow* window) override;
  void Clear() { windows_.clear(); }

 private:
  IUnknown* outer_ = nullptr;
  std::vector<ComPtr<IGraphWindow>> windows_;
};

class DataGraphList {
 public:
  HRESULT Add(IDataGraph* graph);
  HRESULT Count(LONG* count) const;
  HRESULT Item(LONG index, IDataGraph** graph) const;
  void Clear() { graphs_.clear(); }

 private:
  std::vector<ComPtr<IDataGraph>> graphs_;
};

// A graph as the picture draws it.
struct GraphPicture {
  int width = 640;
  int height = 400;
  unsigned background = 0xFFFFFF;  // 0x00BBGGRR
  std::wstring title;
  std::wstring horizontalTitle;
  std::wstring verticalTitle;
  struct Line {
    unsigned color = 0;
    std::vector<std::pair<double, double>> points;
  };
  std::vector<Line> lines;
};

// Draws the graph through cairo: frame, axes with ticks, titles and each series as a line.
bool WriteGraphSvg(const GraphPicture& graph, const std::string& path);

}  // namespace velk::host
