// Session actions for the host's graph windows:
//   print graphs     every graph window the application opened: the graph's name and title,
//                    whether it is shown, its series with their point counts, its template,
//                    and the SVG picture and CSV data it wrote
#include "apps/trevik/session_action_table.h"

#include "platform/host/documents/data_graph.h"

namespace trevik {
namespace {

using velk::Bstr;
using velk::ComPtr;

void PrintGraphs(SessionContext& s, const SessionLine&) {
  auto windows = velk::QueryAs<IGraphWindows>(s.Session().Host().Hook());
  LONG n = 0;
  if (windows) windows->get_GraphWindowCount(&n);
  if (!n) s.Print(L"  no graph windows");
  for (LONG i = 0; i < n; ++i) {
    ComPtr<IGraphWindow> window;
    windows->get_GraphWindow(i, window.put());
    ComPtr<IDataGraph> graph;
    if (window) window->get_DataGraph(graph.put());
    if (!graph) continue;
    Bstr name, title, picture, data;
    graph->get_Name(&name);
    graph->get_Title(&title);
    window->get_PicturePath(&picture);
    window->get_DataPath(&data);
    VARIANT_BOOL visible = VARIANT_FALSE;
    window->get_Visible(&visible);
    LONG series = 0;
    graph->get_SeriesCount(&series);
    s.Print(L"  graph \"" + name.str() + L"\" title \"" + title.str() + L"\"" +
            (visible ? L" shown" : L" hidden"));
    for (LONG k = 0; k < series; ++k) {
      ComPtr<IDataGraphSeries> one;
      graph->get_Series(k, one.put());
      LONG points = 0;
      if (one) one->get_PointCount(&points);
      s.Print(L"    series " + std::to_wstring(k + 1) + L": " + std::to_wstring(points) +
              L" points");
    }
    Bstr templatePath;
    graph->get_TemplatePath(&templatePath);
    s.Print(L"    template " + (templatePath.str().empty() ? L"none" : templatePath.str()));
    s.Print(L"    picture " + picture.str());
    s.Print(L"    data " + data.str());
  }
}

const SessionActions kRegistered({}, {{"graphs", &PrintGraphs}});

}  // namespace
}  // namespace trevik
