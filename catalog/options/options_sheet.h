// The Options command and its property sheet of seven pages.
#pragma once

#include "catalog/options/options_pages.h"
#include "framework/class_catalogue.h"
#include "framework/command_impl.h"

struct IZelOptions2 : IUnknown {
  VELK_INTERFACE_ID("{D8FDE65B-6125-495E-9295-85BB8E291C29}")
};

namespace velk::corvane {

class OptionsDlgSheet : public WTL::CPropertySheetImpl<OptionsDlgSheet> {
 public:
  OptionsDlgSheet();
  BEGIN_MSG_MAP(OptionsDlgSheet)
  MESSAGE_HANDLER(WM_HELP, OnHelp)
  END_MSG_MAP()
  LRESULT OnHelp(UINT, WPARAM, LPARAM, BOOL&);

  OptionsDlgGeneralTab m_general;
  OptionsDlgCoordToolTab m_coordTool;
  OptionsDlgGeodesyTab m_geodesy;
  OptionsDlgDataManTab m_dataMan;
  OptionsDlgTerrainTab m_terrain;
  OptionsDlg3DTab m_3d;
  OptionsDlgConversionTab m_conversion;
};

class Options2 : public CCommandNoBitmapImpl<Options2, IZelOptions2>,
                 public CatalogueIds<ClassId::Options2> {
 public:
  HRESULT OnClick() override;
};

HRESULT CreateOptions2(IUnknown* outer, REFIID riid, void** ppv);

}  // namespace velk::corvane
