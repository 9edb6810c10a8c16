#include "coordinates/dms_validator.h"

namespace velk::corvane {

DMSValidator::DMSValidator() {
  const auto& s = Symbols();
  std::wstring dec = EscapeForPattern(s.decimalSeparator);
  SetPattern(L"^\\s*" + s.signGroup + L"?\\s*(\\d{1,7})" + dec + L"?(\\d*)\\s*" +
             s.northSouthGroup + L"?\\s*(\\s|/|\\\\)\\s*" + s.signGroup + L"?\\s*(\\d{1,7})" + dec +
             L"?(\\d*)\\s*" + s.eastWestGroup + L"?\\s*$");
}

void DMSValidator::Normalize(BSTR* text) {
  if (!text || !*text || SysStringLen(*text) == 0) return;
  const auto& s = Symbols();
  std::wstring value = BstrToWstring(*text);
  for (auto& c : value) {
    switch (c) {
      case L'N': c = s.north[0]; break;
      case L'S': c = s.south[0]; break;
      case L'E': c = s.east[0]; break;
      case L'W': c = s.west[0]; break;
      default: break;
    }
  }
  Store(text, value);
}

}  // namespace velk::corvane
