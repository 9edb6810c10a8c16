// The seven pages of the options sheet, each over its settings interface.
#pragma once

#include <array>

#include "catalog/options/options_page.h"
#include "catalog/options/symbol_button.h"

namespace velk::corvane {

class OptionsDlgGeneralTab : public OptionsPage<OptionsDlgGeneralTab> {
 public:
  enum { IDD = 3861 };
  BEGIN_MSG_MAP(OptionsDlgGeneralTab)
  COMMAND_HANDLER(3752, BN_CLICKED, OnBrowseWorkspace)
  COMMAND_HANDLER(3757, BN_CLICKED, SaveOptionsToFile)
  COMMAND_HANDLER(3758, BN_CLICKED, LoadOptionsFromFile)
  CHAIN_MSG_MAP(OptionsPage<OptionsDlgGeneralTab>)
  END_MSG_MAP()
  void InitFromSettings();
  void ApplySettings();
  LRESULT SaveOptionsToFile(WORD, WORD, HWND, BOOL&);
  LRESULT LoadOptionsFromFile(WORD, WORD, HWND, BOOL&);
  LRESULT OnBrowseWorkspace(WORD, WORD, HWND, BOOL&);

 private:
  VARIANT_BOOL m_log = 0;
  std::wstring m_workspacePath;
  std::wstring m_workspaceFactory;
};

class OptionsDlgCoordToolTab : public OptionsPage<OptionsDlgCoordToolTab> {
 public:
  enum { IDD = 3820 };
  BEGIN_MSG_MAP(OptionsDlgCoordToolTab)
  COMMAND_HANDLER(3726, BN_CLICKED, OnSymbol)
  CHAIN_MSG_MAP(OptionsPage<OptionsDlgCoordToolTab>)
  REFLECT_NOTIFICATIONS()
  END_MSG_MAP()
  void InitFromSettings();
  void ApplySettings();
  LRESULT OnSymbol(WORD, WORD, HWND, BOOL&);

 private:
  ComPtr<IUnknown> m_symbol;
  ZelSymbolButtonCtrl m_button;
};

class OptionsDlgGeodesyTab : public OptionsPage<OptionsDlgGeodesyTab> {
 public:
  enum { IDD = 3826 };
  OptionsDlgGeodesyTab();
  BEGIN_MSG_MAP(OptionsDlgGeodesyTab)
  COMMAND_CODE_HANDLER(BN_CLICKED, OnSymbol)
  CHAIN_MSG_MAP(OptionsPage<OptionsDlgGeodesyTab>)
  REFLECT_NOTIFICATIONS()
  END_MSG_MAP()
  void InitFromSettings();
  void ApplySettings();
  LRESULT OnSymbol(WORD, WORD, HWND, BOOL&);

 private:
  std::array<ComPtr<IUnknown>, 4> m_symbols;
  std::array<ZelSymbolButtonCtrl, 4> m_buttons;
};

class OptionsDlgDataManTab : public OptionsPage<OptionsDlgDataManTab> {
 public:
  enum { IDD = 3839 };
  void InitFromSettings();
  void ApplySettings();
};

class OptionsDlgTerrainTab : public OptionsPage<OptionsDlgTerrainTab> {
 public:
  enum { IDD = 3845 };
  BEGIN_MSG_MAP(OptionsDlgTerrainTab)
  COMMAND_HANDLER(3531, EN_CHANGE, OnRefractionTyped)
  MESSAGE_HANDLER(WM_HSCROLL, OnSlider)
  COMMAND_CODE_HANDLER(BN_CLICKED, OnSymbol)
  CHAIN_MSG_MAP(OptionsPage<OptionsDlgTerrainTab>)
  REFLECT_NOTIFICATIONS()
  END_MSG_MAP()
  void InitFromSettings();
  void ApplySettings();
  LRESULT OnRefractionTyped(WORD, WORD, HWND, BOOL&);
  LRESULT OnSlider(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnSymbol(WORD, WORD, HWND, BOOL&);

 private:
  double m_refraction = 0.151;
  // The eight buttons' symbols, then the two start-point symbols without a button.
  std::array<ComPtr<IUnknown>, 10> m_symbols;
  std::array<ZelSymbolButtonCtrl, 8> m_buttons;
};

class OptionsDlg3DTab : public OptionsPage<OptionsDlg3DTab> {
 public:
  enum { IDD = 3850 };
  static constexpr bool kAppliesNow = false;
  BEGIN_MSG_MAP(OptionsDlg3DTab)
  COMMAND_HANDLER(3883, EN_CHANGE, OnWireframeTyped)
  COMMAND_HANDLER(3884, EN_CHANGE, OnRadialsTyped)
  MESSAGE_HANDLER(WM_HSCROLL, OnSlider)
  COMMAND_CODE_HANDLER(BN_CLICKED, OnSymbol)
  CHAIN_MSG_MAP(OptionsPage<OptionsDlg3DTab>)
  REFLECT_NOTIFICATIONS()
  END_MSG_MAP()
  void InitFromSettings();
  void ApplySettings();
  LRESULT OnWireframeTyped(WORD, WORD, HWND, BOOL&);
  LRESULT OnRadialsTyped(WORD, WORD, HWND, BOOL&);
  LRESULT OnSlider(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnSymbol(WORD, WORD, HWND, BOOL&);

 private:
  double m_wireframe = 0, m_radials = 0;
  std::array<ComPtr<IUnknown>, 3> m_symbols;  // threat dome, wireframe, fly-through
  std::array<ZelSymbolButtonCtrl, 3> m_buttons;
};

class OptionsDlgConversionTab : public OptionsPage<OptionsDlgConversionTab> {
 public:
  enum { IDD = 3855 };
  void InitFromSettings();
  void ApplySettings();
};

}  // namespace velk::corvane
