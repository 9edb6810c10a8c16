// Print targets for the results of the visibility tools, found by layer name anywhere in the
// focus map's tree (members of groups included):
//   print renderer LAYER   how a feature layer draws: "single symbol", or the field of a
//                          unique-value renderer and each value with its label
//   print elements LAYER   the graphics of a graphics layer: kind, vertices and envelope
#include <cstdio>

#include "apps/trevik/session_action_table.h"
#include "apps/trevik/session_layers.h"

#include "platform/com/variant.h"
#include "platform/host/geometry/geometry.h"
#include "platform/host/display/graphics.h"
#include "platform/host/display/layer_kinds.h"
#include "platform/host/display/display_class_ids.h"
#include "platform/host/display/layer_kinds.h"

namespace trevik {
namespace {

using velk::Bstr;
using velk::ComPtr;
using velk::QueryAs;

void PrintRenderer(SessionContext& s, const SessionLine& l) {
  auto layer = FindLayerNamed(s, l.Arg(1, L"a layer name"));
  auto geo = QueryAs<IGeoFeatureLayer>(layer.get());
  if (!geo) FailLine(L"not a feature layer: " + l.args[1]);
  ComPtr<IFeatureRenderer> renderer;
  geo->get_Renderer(renderer.put());
  if (QueryAs<ISimpleRenderer>(renderer.get())) {
    s.Print(L"  single symbol");
    return;
  }
  auto unique = QueryAs<IUniqueValueRenderer>(renderer.get());
  if (!unique) {
    s.Print(L"  no renderer");
    return;
  }
  Bstr field;
  unique->get_Field(0, &field);
  LONG count = 0;
  unique->get_ValueCount(&count);
  s.Print(L"  unique values of " + field.str() + L": " + std::to_wstring(count));
  for (LONG i = 0; i < count; ++i) {
    Bstr value, label;
    unique->get_Value(i, &value);
    unique->get_Label(value.get(), &label);
    s.Print(L"    " + value.str() + L" \"" + label.str() + L"\"");
  }
}

void PrintElements(SessionContext& s, const SessionLine& l) {
  auto layer = FindLayerNamed(s, l.Arg(1, L"a layer name"));
  auto container = QueryAs<IGraphicsContainer>(layer.get());
  if (!container) FailLine(L"not a graphics layer: " + l.args[1]);
  container->Reset();
  int n = 0;
  for (;;) {
    ComPtr<IElement> element;
    if (container->Next(element.put()) != S_OK || !element) break;
    ComPtr<IGeometry> g;
    element->get_Geometry(g.put());
    LONG points = 0;
    if (auto pc = QueryAs<IPointCollection>(g.get())) pc->get_PointCount(&points);
    ComPtr<IEnvelope> e;
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    if (g && SUCCEEDED(g->get_Envelope(e.put())) && e) e->QueryCoords(&x0, &y0, &x1, &y1);
    wchar_t box[160];
    std::swprintf(box, 160, L"(%.6f, %.6f) to (%.6f, %.6f)", x0, y0, x1, y1);
    s.Print(L"  " + std::to_wstring(++n) + L". " +
            (QueryAs<IPolygon>(g.get()) ? L"polygon of " : L"graphic of ") +
            std::to_wstring(points) + L" points, " + box);
  }
  if (!n) s.Print(L"  no graphics");
}

const SessionActions kRegistered({}, {{"renderer", &PrintRenderer}, {"elements", &PrintElements}});

}  // namespace
}  // namespace trevik
