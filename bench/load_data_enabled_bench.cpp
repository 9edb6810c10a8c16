// The load-data command's enabled test, which the host runs at every update of its interface:
// the time per poll (microseconds) with the answer kept for the selected item, beside the full test that
// opens the selected catalog and asks the data manager its kind (what every poll would cost
// without the kept answer). A DTED catalog of a GeoPackage is selected in the catalog window.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "catalog/data/load_data.h"
#include "platform/com/text.h"
#include "platform/host/shell/catalog_selection.h"
#include "platform/host/application/host_session.h"
#include "platform/host/data/workspace.h"
#include "platform/host/data/workspace_objects.h"
#include "platform/productline/product_line_classes.h"
#include "platform/productline/zel_extension.h"
#include "platform/registry/registry.h"

namespace {

namespace fs = std::filesystem;
using namespace velk;

struct CatalogHost {
  CatalogHost() {
    folder = fs::temp_directory_path() / ("velk_loadpoll_" + std::to_string(::getpid()));
    fs::create_directories(folder / "root");
    reg::SetHostRoot((folder / "root").string());
    cookies = productline::RegisterProductLineClasses();
    host::HostSessionOptions options;
    options.kind = host::HostKind::Catalog;
    options.extensions.push_back(productline::CLSID_ZelExtension);
    session = host::HostSession::Start(options);
    if (!session) std::abort();
    session->SetExtensionState(L"Tarvos", 1);
    // An empty DTED catalog: the test's cost does not depend on its rows.
    ComPtr<IWorkspaceFactory> factory;
    Check(host::CreateDatabaseWorkspaceFactory(nullptr, IidOf<IWorkspaceFactory>(),
                                               factory.put_void()));
    ComPtr<IWorkspace> ws;
    Check(factory->Create(Bstr(FromUtf8(folder.string())), Bstr(L"zel.gpkg"), nullptr, nullptr,
                          ws.put()));
    ComPtr<IDataManager> manager;
    Check(productline::CreateDataManagerObject(nullptr, IidOf<IDataManager>(),
                                               manager.put_void()));
    Check(manager->CreateCatalog(ws.get(), velkZelCatalogDTED, nullptr, Bstr(L"elevation"),
                                 VARIANT_FALSE, VARIANT_FALSE, nullptr));
    auto catalog = QueryAs<ICatalogApplication>(session->Hook());
    Check(catalog->SelectItem(Bstr(FromUtf8((folder / "zel.gpkg" / "elevation").string()))));
  }
  ~CatalogHost() {
    session.reset();
    productline::RevokeProductLineClasses(cookies);
    std::error_code ec;
    fs::remove_all(folder, ec);
  }
  fs::path folder;
  std::vector<DWORD> cookies;
  std::unique_ptr<host::HostSession> session;
};

CatalogHost& Host() {
  try {
    static CatalogHost host;
    return host;
  } catch (const ComError& e) {
    std::fprintf(stderr, "cannot set up the catalog host: 0x%08X %ls\n",
                 static_cast<unsigned>(e.Error()), e.Description().c_str());
    std::abort();
  }
}

void BM_EnabledPollKept(benchmark::State& state) {
  IApplication* hook = Host().session->Hook();
  ComPtr<ICommand> cmd;
  Check(corvane::CreateLoadData(nullptr, IidOf<ICommand>(), cmd.put_void()));
  cmd->OnCreate(hook);
  VARIANT_BOOL enabled = VARIANT_FALSE;
  for (auto _ : state) {
    cmd->get_Enabled(&enabled);
    benchmark::DoNotOptimize(enabled);
  }
  if (enabled != VARIANT_TRUE) state.SkipWithError("the command is not enabled");
}
BENCHMARK(BM_EnabledPollKept)->Unit(benchmark::kMicrosecond);

// Peer: the whole test at every poll.
void BM_EnabledPollFullTest(benchmark::State& state) {
  ComPtr<IDataManager> manager;
  Check(productline::CreateDataManagerObject(nullptr, IidOf<IDataManager>(), manager.put_void()));
  ComPtr<ICatalogItem> item;
  QueryAs<ICatalogApplication>(Host().session->Hook())->get_SelectedItem(item.put());
  bool enabled = false;
  for (auto _ : state) {
    ComPtr<ITable> table;
    velkZelCatalogTypeEnum kind = velkZelCatalogVPF;
    enabled = corvane::CatalogToLoad(item.get(), manager.get(), std::addressof(table), &kind);
    benchmark::DoNotOptimize(enabled);
  }
  if (!enabled) state.SkipWithError("the catalog is not recognised");
}
BENCHMARK(BM_EnabledPollFullTest)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
