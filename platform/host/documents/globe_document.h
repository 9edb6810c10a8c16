// The 3-D globe host's document: its globe and the viewer that shows it.
#pragma once

#include "platform/host/documents/document_base.h"
#include "platform/host/display/globe.h"
#include "platform/host/display/globe_display.h"

namespace velk::host {

class GlobeDocument : public ComObjectRoot<GlobeDocument, IDocument, IGlobeDocument>,
                      public DocumentBase {
 public:
  HRESULT FinalConstruct();
  // The globe may outlive the document: it lets go of the document's display first.
  ~GlobeDocument() override;

  HRESULT get_Title(BSTR* title) override { return GetTitle(title); }
  HRESULT get_Parent(IApplication** application) override { return GetParent(application); }
  HRESULT get_CommandBars(ICommandBars** bars) override { return GetCommandBars(bars); }

  HRESULT get_Globe(IGlobe** globe) override { return globe_.CopyTo(globe); }
  HRESULT get_Viewer(IGlobeViewer** viewer) override { return viewer_.CopyTo(viewer); }

  void SetMapObserver(MapObserver* observer);

 private:
  ComPtr<IGlobe> globe_;
  ComPtr<IGlobeViewer> viewer_;
  ComPtr<IGlobeDisplay> display_;
};

}  // namespace velk::host
