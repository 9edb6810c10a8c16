#include "framework/layer_symbol.h"

#include "framework/extension_lookup.h"
#include "framework/host_object_creation.h"
#include "interfaces/zel_settings.h"
#include "platform/host/display/display_class_ids.h"
#include "platform/host/display/layer_kinds.h"

namespace velk::corvane {

void ApplyLayerSymbol(LONG geometryType, IColor* colour, LONG size, BSTR name, ILayer* layer) {
  if (!layer) return;
  auto geo = QueryAs<IGeoFeatureLayer>(layer);
  ComPtr<IFeatureRenderer> renderer;
  if (geo) geo->get_Renderer(renderer.put());
  auto simple = QueryAs<ISimpleRenderer>(renderer.get());
  if (!simple) return;
  ComPtr<IUnknown> symbol;
  switch (geometryType) {
    case 1: {
      auto marker = CreateHostObject<IMarkerSymbol>(host::CLSID_SimpleMarkerSymbol);
      Check(marker->put_Color(colour));
      Check(marker->put_Size(size));
      symbol = marker;
      break;
    }
    case 4: {
      auto fill = CreateHostObject<IFillSymbol>(host::CLSID_SimpleFillSymbol);
      auto outline = CreateHostObject<ILineSymbol>(host::CLSID_SimpleLineSymbol);
      Check(outline->put_Color(colour));
      Check(outline->put_Width(size));
      Check(fill->put_Color(colour));
      Check(fill->put_Outline(outline.get()));
      symbol = fill;
      break;
    }
    case 3:
    case 9:
      Check(RequireZelSettings<IDDDSettings>()->DDDGetSymbol(geometryType, symbol.put()));
      break;
    default: break;
  }
  if (symbol) Check(simple->putref_Symbol(symbol.get()));
  if (name && SysStringLen(name) > 0) Check(layer->put_Name(name));
}

}  // namespace velk::corvane
