// Session actions over catalogs of map products and the map picture:
//   catalog-new DB NAME KIND            makes a catalog (KIND dted, rpf, referenced-rpf, vpf,
//                                       managed-vpf) in the GeoPackage DB (made when missing)
//   catalog-load DB NAME KIND FOLDER    loads the products under FOLDER into the catalog; every
//                                       event of the data manager is printed as it comes
//   add-catalog DB NAME [WHERE]         adds a raster-catalog layer over the catalog (its rows'
//                                       rasters in FULL_NAME) on top of the focus map
//   save-map FILE                       saves the focus map's layers into a map document
//   open-map FILE                       adds the layers of a map document to the focus map
//   add-catalog-layer DB NAME KIND [elevation]
//                                       adds the product line's catalog layer of the kind (rpf:
//                                       the chart layer, referenced-rpf, dted) over the catalog,
//                                       created by ProgID from the registered Lumeris
//   save-picture FILE.png               draws the focus map's current view into a PNG and prints
//                                       what the draw did
#include <filesystem>
#include <functional>

#include "apps/trevik/session_action_table.h"
#include "apps/trevik/failure_text.h"

#include "platform/com/connection_point.h"
#include "platform/com/hresult_text.h"
#include "platform/com/object.h"
#include "platform/com/out_param.h"
#include "platform/com/text.h"
#include "platform/host/data/data_errors.h"
#include "platform/host/data/table.h"
#include "platform/host/data/track_cancel.h"
#include "platform/host/data/workspace.h"
#include "platform/host/data/workspace_objects.h"
#include "platform/host/display/active_view.h"
#include "platform/host/display/display.h"
#include "platform/host/display/map_picture.h"
#include "platform/host/display/raster_catalog_layer.h"
#include "platform/host/documents/map_document_file.h"
#include "platform/host/geometry/geometry.h"
#include "platform/host/geometry/spatial_reference.h"
#include "platform/productline/data_manager.h"
#include "platform/registry/activation.h"
#include "interfaces/zel_layer_interfaces.h"

namespace trevik {
namespace {

using velk::Bstr;
using velk::ComPtr;

velkZelCatalogTypeEnum KindOf(const std::wstring& word) {
  if (word == L"dted") return velkZelCatalogDTED;
  if (word == L"rpf") return velkZelCatalogRPF;
  if (word == L"referenced-rpf") return velkZelCatalogReferencedRPF;
  if (word == L"vpf") return velkZelCatalogVPF;
  if (word == L"managed-vpf") return velkZelCatalogGDBVPF;
  throw SessionError{L"no catalog kind \"" + word +
                     L"\" (dted, rpf, referenced-rpf, vpf, managed-vpf)"};
}

// The GeoPackage workspace; made when create is true and the file is not there.
ComPtr<IWorkspace> Database(const std::wstring& path, bool create) {
  ComPtr<IWorkspaceFactory> factory;
  velk::Check(velk::host::CreateDatabaseWorkspaceFactory(nullptr, IidOf<IWorkspaceFactory>(),
                                                         factory.put_void()));
  const std::filesystem::path file(velk::ToUtf8(path));
  std::error_code ec;
  ComPtr<IWorkspace> ws;
  HRESULT hr;
  if (!std::filesystem::exists(file, ec) && create) {
    const std::string parent = file.parent_path().empty() ? "." : file.parent_path().string();
    hr =
        factory->Create(Bstr(velk::FromUtf8(parent)),
                        Bstr(velk::FromUtf8(file.filename().string())), nullptr, nullptr, ws.put());
    // Another session made it meanwhile: use that one.
    if (hr == velk::host::E_DATA_EXISTS) hr = factory->OpenFromFile(Bstr(path), nullptr, ws.put());
  } else {
    hr = factory->OpenFromFile(Bstr(path), nullptr, ws.put());
  }
  if (FAILED(hr) || !ws)
    throw SessionError{L"cannot open the database " + path + L": " + FailureText(hr)};
  return ws;
}

ComPtr<ITable> Catalog(IWorkspace* ws, const std::wstring& name) {
  ComPtr<ITable> table;
  HRESULT hr = velk::QueryAs<IFeatureWorkspace>(ws)->OpenTable(Bstr(name), table.put());
  if (FAILED(hr) || !table)
    throw SessionError{L"no catalog \"" + name + L"\": " + FailureText(hr)};
  return table;
}

// Prints the data manager's events as the user sees them in the status bar and run log.
class EventPrinter : public velk::ComObjectRoot<EventPrinter, IDataManagerEvents> {
 public:
  void Init(std::function<void(const std::wstring&)> print) { print_ = std::move(print); }
  HRESULT OnEvent(BSTR message, LONG eventType) override {
    print_((eventType == kDataManagerEventError ? L"  error " : L"  event ") +
           std::wstring(message ? message : L""));
    return S_OK;
  }

 private:
  std::function<void(const std::wstring&)> print_;
};

// Runs fn with a data manager whose events are printed.
template <typename Fn>
HRESULT WithDataManager(SessionContext& context, Fn fn) {
  ComPtr<IDataManager> manager;
  velk::Check(velk::productline::CreateDataManagerObject(nullptr, IidOf<IDataManager>(),
                                                         manager.put_void()));
  ComPtr<IDataManagerEvents> sink;
  velk::Check(
      velk::CreateInstance<EventPrinter>(nullptr, IidOf<IDataManagerEvents>(), sink.put_void()));
  static_cast<EventPrinter*>(sink.get())->Init([&context](const std::wstring& text) {
    context.Print(text);
  });
  DWORD cookie = 0;
  velk::Check(velk::ConnectSink(manager.get(), sink.get(), IidOf<IDataManagerEvents>(), &cookie));
  const HRESULT hr = fn(manager.get());
  velk::DisconnectSink(manager.get(), IidOf<IDataManagerEvents>(), cookie);
  return hr;
}

std::wstring Count(long n, const wchar_t* what) { return std::to_wstring(n) + L" " + what; }

void CatalogNew(SessionContext& context, const SessionLine& l) {
  {
    auto ws = Database(l.Arg(0, L"a GeoPackage file"), true);
    const std::wstring& name = l.Arg(1, L"a catalog name");
    const auto kind = KindOf(l.Arg(2, L"a catalog kind"));
    WithDataManager(context, [&](IDataManager* m) {
      return m->CreateCatalog(ws.get(), kind, nullptr, Bstr(name), VARIANT_FALSE, VARIANT_FALSE,
                              nullptr);
    });
  }
}

void CatalogLoad(SessionContext& context, const SessionLine& l) {
  {
    auto ws = Database(l.Arg(0, L"a GeoPackage file"), false);
    auto table = Catalog(ws.get(), l.Arg(1, L"a catalog name"));
    const auto kind = KindOf(l.Arg(2, L"a catalog kind"));
    const std::wstring& folder = l.Arg(3, L"a folder");
    // The host's cancel tracker, as the load command gives it: Esc stops the load.
    ComPtr<ITrackCancel> cancel;
    velk::Check(velk::host::CreateCancelTrackerObject(nullptr, IidOf<ITrackCancel>(),
                                                      cancel.put_void()));
    cancel->put_CancelOnKeyPress(VARIANT_TRUE);
    WithDataManager(context, [&](IDataManager* m) {
      return m->LoadCatalog(table.get(), Bstr(folder), kind, cancel.get());
    });
  }
}

void AddCatalog(SessionContext& context, const SessionLine& l) {
  const auto& args = l.args;
  {
    auto ws = Database(l.Arg(0, L"a GeoPackage file"), false);
    const std::wstring& name = l.Arg(1, L"a catalog name");
    auto table = Catalog(ws.get(), name);
    ComPtr<IRasterCatalogLayer> layer;
    velk::Check(velk::host::CreateRasterCatalogLayerObject(nullptr, IidOf<IRasterCatalogLayer>(),
                                                           layer.put_void()));
    VARIANT_BOOL ok = VARIANT_FALSE;
    velk::Check(layer->Setup(table.get(), &ok));
    if (!ok) throw SessionError{name + L" names no rasters in a FULL_NAME field"};
    if (args.size() > 2)
      velk::Check(layer.As<IFeatureLayerDefinition>()->put_DefinitionExpression(Bstr(args[2])));
    context.FocusMap()->AddLayer(layer.As<ILayer>().get());
  }
}

// The catalog layers of the product line, created as the add-layer command creates them.
void AddCatalogLayer(SessionContext& context, const SessionLine& l) {
  auto ws = Database(l.Arg(0, L"a GeoPackage file"), false);
  const std::wstring& name = l.Arg(1, L"a catalog name");
  auto table = Catalog(ws.get(), name);
  const std::wstring& kind = l.Arg(2, L"a layer kind (rpf, referenced-rpf, dted)");
  const wchar_t* progId = kind == L"rpf"              ? L"velkDrevane.ZelRasterLayer"
                          : kind == L"referenced-rpf" ? L"Lumeris.ZelReferencedRpfLayer"
                          : kind == L"dted"           ? L"velkDrevane.ZelDtedLayer"
                                                      : nullptr;
  if (!progId) throw SessionError{L"no catalog layer kind \"" + kind + L"\" (rpf, referenced-rpf, dted)"};
  CLSID clsid{};
  ComPtr<IUnknown> layer;
  HRESULT hr = ::CLSIDFromProgID(progId, &clsid);
  if (SUCCEEDED(hr))
    hr = ::CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IidOf<IUnknown>(), layer.put_void());
  if (FAILED(hr) || !layer)
    throw SessionError{std::wstring(L"cannot create ") + progId + L": " + FailureText(hr)};
  VARIANT_BOOL ok = VARIANT_FALSE;
  if (kind == L"dted") {
    auto dted = velk::QueryAs<IZelDtedLayer>(layer.get());
    if (l.args.size() > 3 && l.args[3] == L"elevation")
      velk::Check(dted->put_DisplayElevation(VARIANT_TRUE));
    hr = dted->Setup(table.get(), &ok);
    ok = velk::ToVariantBool(SUCCEEDED(hr) && ok);
  } else {
    hr = velk::QueryAs<IZelRasterLayer>(layer.get())->Setup(table.get(), &ok);
    // The referenced layer tells its outcome by the result alone.
    if (kind == L"referenced-rpf") ok = velk::ToVariantBool(SUCCEEDED(hr));
  }
  if (!ok) throw SessionError{name + L" is no " + kind + L" catalog: " + FailureText(hr)};
  auto asLayer = velk::QueryAs<ILayer>(layer.get());
  asLayer->put_Name(Bstr(name));
  context.FocusMap()->AddLayer(asLayer.get());
}

void SaveMap(SessionContext& context, const SessionLine& l) {
  const std::wstring& path = l.Arg(0, L"a map document file");
  std::wstring problem;
  if (FAILED(velk::host::SaveMapLayers(context.FocusMap().get(), path, &problem)))
    throw SessionError{L"cannot save " + path + L": " + problem};
}

void OpenMap(SessionContext& context, const SessionLine& l) {
  const std::wstring& path = l.Arg(0, L"a map document file");
  std::wstring problem;
  if (FAILED(velk::host::LoadMapLayers(path, context.FocusMap().get(), &problem)))
    throw SessionError{L"cannot open " + path + L": " + problem};
}

void SavePicture(SessionContext& context, const SessionLine& l) {
  {
    const std::wstring& path = l.Arg(0, L"a PNG file");
    auto map = velk::QueryAs<IMap>(context.FocusMap().get());
    auto view = velk::QueryAs<IActiveView>(map.get());
    ComPtr<IScreenDisplay> display;
    if (view) view->get_ScreenDisplay(display.put());
    ComPtr<IDisplayTransformation> transformation;
    if (display) display->get_DisplayTransformation(transformation.put());
    if (!transformation) throw SessionError{L"the map has no view to draw"};
    velk::host::PictureView picture;
    ComPtr<IEnvelope> bounds;
    transformation->get_VisibleBounds(bounds.put());
    if (bounds) bounds->QueryCoords(&picture.xmin, &picture.ymin, &picture.xmax, &picture.ymax);
    RECT frame{};
    transformation->get_DeviceFrame(&frame);
    picture.width = frame.right - frame.left;
    picture.height = frame.bottom - frame.top;
    ComPtr<IUnknown> sr;
    map->get_SpatialReference(sr.put());
    picture.sr = velk::QueryAs<ISpatialReference>(sr.get());
    map->get_MapScale(&picture.scale);
    velk::host::DrawCounters counters;
    const HRESULT hr =
        velk::host::SaveMapPicture(map.get(), picture, velk::ToUtf8(path), &counters);
    if (FAILED(hr))
      throw SessionError{L"cannot save the picture " + path + L": " + FailureText(hr)};
    context.Print(L"  saved " + path + L" (" + std::to_wstring(picture.width) + L" x " +
                  std::to_wstring(picture.height) + L"): " + Count(counters.searches, L"searches") +
                  L", " + Count(counters.frameOpens, L"frame opens") + L", " +
                  Count(counters.statisticsReads, L"statistics reads") + L", " +
                  Count(counters.rastersDrawn, L"rasters") + L", " +
                  Count(counters.featuresDrawn, L"features"));
  }
}

const SessionActions kRegistered({{"catalog-new", &CatalogNew},
                                  {"catalog-load", &CatalogLoad},
                                  {"add-catalog", &AddCatalog},
                                  {"add-catalog-layer", &AddCatalogLayer},
                                  {"save-map", &SaveMap},
                                  {"open-map", &OpenMap},
                                  {"save-picture", &SavePicture}});

}  // namespace
}  // namespace trevik
