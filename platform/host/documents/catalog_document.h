// The catalog application's document: neither a map nor a globe document.
#pragma once

#include "platform/host/documents/document_base.h"

namespace velk::host {

class CatalogDocument : public ComObjectRoot<CatalogDocument, IDocument>, public DocumentBase {
 public:
  HRESULT get_Title(BSTR* title) override { return GetTitle(title); }
  HRESULT get_Parent(IApplication** application) override { return GetParent(application); }
  HRESULT get_CommandBars(ICommandBars** bars) override { return GetCommandBars(bars); }
};

}  // namespace velk::host
