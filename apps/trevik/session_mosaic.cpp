// Session actions over the records of a catalog layer:
//   select-datasets LAYER WHERE        selects the records of a catalog layer (DTED or raster
//                                      chart) that the where clause finds, and prints how many
//   select-datasets LAYER none         clears the selection
#include "apps/trevik/session_action_table.h"
#include "apps/trevik/session_layers.h"

#include "interfaces/zel_layer_interfaces.h"
#include "platform/com/text.h"
#include "platform/host/data/raster_catalog.h"

namespace trevik {
namespace {

using velk::Bstr;
using velk::ComPtr;

void SelectDatasets(SessionContext& context, const SessionLine& l) {
  const std::wstring& name = l.Arg(0, L"a layer name");
  const std::wstring& where = l.Arg(1, L"a where clause or none");
  ComPtr<ILayer> layer = LayerByName(context.FocusMap().get(), name);
  ComPtr<IRasterCatalog> catalog;
  if (auto dted = layer.As<IZelDtedLayer>()) dted->get_InternalObject(catalog.put());
  else if (auto chart = layer.As<IZelRasterLayer>()) chart->get_InternalObject(catalog.put());
  auto selection = catalog.As<IRasterCatalogSelection>();
  if (!selection) throw SessionError{L"the layer \"" + name + L"\" has no catalog records"};
  if (where == L"none") {
    selection->ClearSelection();
    context.Print(L"  no records of \"" + name + L"\" selected");
    return;
  }
  LONG count = 0;
  if (FAILED(selection->SelectWhere(Bstr(where), &count)))
    throw SessionError{L"the where clause cannot be used: " + where};
  context.Print(L"  selected " + std::to_wstring(count) + L" records of \"" + name + L"\"");
}

const SessionActions kRegistered({{"select-datasets", &SelectDatasets}});

}  // namespace
}  // namespace trevik
