// The add-layer command: the user picks catalogs in the host's browse dialog (DTED and RPF
// catalogs, and in the 2-D host VPF and managed VPF ones too), and one undoable operation adds
// a catalog layer for each usable pick to the focus map or the globe.
#pragma once

#include "framework/class_catalogue.h"
#include "framework/command_impl.h"

// The command's own interface; it adds nothing to IUnknown.
struct IZelAddLayer : IUnknown {
  VELK_INTERFACE_ID("{7C1E39A4-2B8F-4E61-9D05-A3F6C81B2E47}")
};

namespace velk::corvane {

inline constexpr UINT kIdsZelCatalogsTitle = 3574;  // "Zel Catalogs"

class AddLayer : public CCommandImpl<AddLayer, IZelAddLayer>,
                 public CatalogueIds<ClassId::AddLayer> {
 public:
  AddLayer() : CCommandImpl(kBitmapId) {}
  // Shows no message of its own: the operation's or the stack's result is returned.
  HRESULT OnClick() override;
};

HRESULT CreateAddLayer(IUnknown* outer, REFIID riid, void** ppv);

}  // namespace velk::corvane
