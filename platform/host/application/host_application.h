// The host application classes: one class for the three host kinds, told apart by the
// document it makes (map document, globe document, catalog document).
#pragma once

#include "platform/host/shell/application.h"
#include "platform/host/shell/catalog_selection.h"
#include "platform/host/shell/command_bars.h"
#include "platform/host/documents/data_graph.h"
#include "platform/host/shell/dockable_window.h"
#include "platform/host/documents/document_base.h"
#include "platform/host/shell/status_bar.h"

namespace velk::host {

enum class HostKind { Map, Globe, Catalog };

// "Trevik", "Kuvalo", "Catalog".
const wchar_t* HostKindName(HostKind kind);

// The catalog application also answers ICatalogApplication (QueryExtra).
class Application : public ComObjectRoot<Application, IApplication> {
 public:
  // Makes the kind's document and the status bar.
  HRESULT Init(HostKind kind, HWND mainWindow);

  HRESULT get_Name(BSTR* name) override;
  HRESULT get_Document(IDocument** document) override { return document_.CopyTo(document); }
  HRESULT get_hWnd(HWND* window) override;
  HRESULT get_StatusBar(IStatusBar** statusBar) override { return statusBar_.CopyTo(statusBar); }
  HRESULT get_CurrentTool(ICommandItem** tool) override { return currentTool_.CopyTo(tool); }
  HRESULT put_CurrentTool(ICommandItem* tool) override;
  // IDockableWindowManager, answered by the application's dockable windows, and IGraphWindows.
  HRESULT QueryExtra(REFIID riid, void** ppv);

  HostKind Kind() const { return kind_; }
  DocumentBase& Document() { return *documentBase_; }
  DockableWindowManager& DockableWindows() { return dockables_; }
  void SetMainWindow(HWND window) { window_ = window; }
  // Ends the session's references: the dockable windows (destroyed first, while the document
  // and the commands are still there), the current tool, the commands of the command bars
  // (their hooks hold the application) and the document's link back to the application.
  void Shutdown();

 private:
  HostKind kind_ = HostKind::Map;
  HWND window_ = nullptr;
  ComPtr<IDocument> document_;
  DocumentBase* documentBase_ = nullptr;
  ComPtr<IStatusBar> statusBar_;
  ComPtr<ICommandItem> currentTool_;
  DockableWindowManager dockables_;
  GraphWindowList graphWindows_;
  CatalogTree catalog_;
};

// A new application of the kind with its document.
ComPtr<Application> MakeApplication(HostKind kind, HWND mainWindow = nullptr);

}  // namespace velk::host
