#include "platform/host/data/table_location.h"

#include <filesystem>

#include "platform/com/bstr.h"
#include "platform/com/text.h"
#include "platform/host/data/dataset.h"
#include "platform/host/data/table.h"
#include "platform/host/data/workspace.h"
#include "platform/host/data/workspace_objects.h"

namespace velk::host {

TableLocation TableLocation::Of(IUnknown* table) {
  TableLocation out;
  auto ds = QueryAs<IDataset>(table);
  if (!ds) return out;
  Bstr name;
  if (SUCCEEDED(ds->get_Name(&name))) out.table = name.str();
  ComPtr<IWorkspace> ws;
  Bstr path;
  if (SUCCEEDED(ds->get_Workspace(ws.put())) && ws && SUCCEEDED(ws->get_PathName(&path)))
    out.workspace = path.str();
  return out;
}

void TableLocation::Write(ByteWriter& w) const {
  w.Text(ToUtf8(workspace));
  w.Text(ToUtf8(table));
}

bool TableLocation::Read(ByteReader& r) {
  std::wstring ws = FromUtf8(r.Text());
  std::wstring t = FromUtf8(r.Text());
  if (!r.ok) return false;
  workspace = std::move(ws);
  table = std::move(t);
  return true;
}

ComPtr<ITable> TableLocation::Reopen() const {
  if (workspace.empty() || table.empty()) return nullptr;
  std::error_code ec;
  const bool folder = std::filesystem::is_directory(ToUtf8(workspace), ec);
  ComPtr<IWorkspaceFactory> factory;
  HRESULT hr = folder ? CreateShapefileWorkspaceFactory(nullptr, IidOf<IWorkspaceFactory>(),
                                                        factory.put_void())
                      : CreateDatabaseWorkspaceFactory(nullptr, IidOf<IWorkspaceFactory>(),
                                                       factory.put_void());
  if (FAILED(hr)) return nullptr;
  ComPtr<IWorkspace> ws;
  if (FAILED(factory->OpenFromFile(Bstr(workspace), nullptr, ws.put())) || !ws) return nullptr;
  auto features = ws.As<IFeatureWorkspace>();
  ComPtr<ITable> t;
  if (!features || FAILED(features->OpenTable(Bstr(table), t.put()))) return nullptr;
  return t;
}

}  // namespace velk::host
