// The 2-D map host's document: maps with one focus map, the page layout, the active view
// (focus map in data view, page layout in layout view) and the operation stack.
#pragma once

#include <vector>

#include "platform/host/documents/data_graph.h"
#include "platform/host/documents/document_base.h"
#include "platform/host/geometry/geometry.h"
#include "platform/host/display/map.h"
#include "platform/host/display/operation_stack.h"
#include "platform/host/display/page_layout.h"

namespace velk::host {

class MapDocument
    : public ComObjectRoot<MapDocument, IDocument, IMapDocument, IContentsViewHost, IDataGraphs>,
                    public DocumentBase {
 public:
  HRESULT FinalConstruct();

  HRESULT get_Title(BSTR* title) override { return GetTitle(title); }
  HRESULT get_Parent(IApplication** application) override { return GetParent(application); }
  HRESULT get_CommandBars(ICommandBars** bars) override { return GetCommandBars(bars); }

  HRESULT get_FocusMap(IMap** map) override;
  HRESULT put_FocusMap(IMap* map) override;
  HRESULT get_MapCount(LONG* count) override;
  HRESULT get_Map(LONG index, IMap** map) override;
  HRESULT get_ActiveView(IActiveView** view) override;
  HRESULT get_PageLayout(IPageLayout** layout) override;
  HRESULT get_OperationStack(IOperationStack** stack) override;
  HRESULT get_ActiveViewKind(LONG* kind) override;
  HRESULT put_ActiveViewKind(LONG kind) override;
  HRESULT get_CurrentLocation(IPoint** location) override;
  HRESULT put_CurrentLocation(IPoint* location) override;
  HRESULT get_SearchTolerance(double* tolerance) override;

  // The search tolerance in pixels of the display (3 unless changed).
  static constexpr LONG kSearchTolerancePixels = 3;

  // The document's table of contents.
  HRESULT get_CurrentContentsView(IContentsView** view) override { return contents_.CopyTo(view); }

  // Watches the layer lists of the document's maps (those of the host's own map class).
  void SetMapObserver(MapObserver* observer);

  // IDataGraphs
  HRESULT AddDataGraph(IDataGraph* graph) override { return graphs_.Add(graph); }
  HRESULT get_DataGraphCount(LONG* count) override { return graphs_.Count(count); }
  HRESULT get_DataGraph(LONG index, IDataGraph** graph) override {
    return graphs_.Item(index, graph);
  }

 private:
  std::vector<ComPtr<IMap>> maps_;
  std::size_t focus_ = 0;
  ComPtr<IPageLayout> layout_;
  ComPtr<IOperationStack> stack_;
  LONG viewKind_ = kDataView;
  ComPtr<IPoint> location_;
  MapObserver* observer_ = nullptr;
  ComPtr<IContentsView> contents_;
  DataGraphList graphs_;
};

}  // namespace velk::host
