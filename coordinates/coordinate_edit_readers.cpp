#include "coordinates/coordinate_edit_readers.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "framework/corvane_module.h"
#include "framework/host_object_creation.h"
#include "platform/com/bstr.h"
#include "platform/com/variant.h"
#include "platform/host/geometry/geometry.h"
#include "platform/productline/coordinate_tool.h"
#include "platform/win/responder.h"
#include "platform/win/window.h"

namespace velk::corvane {

namespace {

// The edit's text as far as the readers look: a buffer of 23 characters and the terminator.
std::wstring EditText(HWND edit) {
  wchar_t buffer[kEditReadLength + 1] = {};
  GetWindowTextW(edit, buffer, static_cast<int>(kEditReadLength + 1));
  buffer[kEditReadLength] = L'\0';
  return std::wstring(buffer);
}

bool Finish(bool ok, HWND edit, bool showError) {
  if (!ok && showError) ShowEditReadError(edit);
  return ok;
}

}  // namespace

void ShowEditReadError(HWND edit) {
  const std::wstring text = LoadResString(kEditReadErrorTextId);
  MessageBoxW(nullptr, text.c_str(), nullptr, MB_ICONERROR | MB_TASKMODAL);
  SetFocus(edit);
}

bool ReadEditLong(HWND edit, int skip, LONG min, LONG max, bool showError, LONG* value) {
  if (!value) return false;
  if (skip < 0) {
    *value = 0;
    return Finish(false, edit, showError);
  }
  const std::wstring text = EditText(edit);
  return Finish(ReadLongText(text, static_cast<std::size_t>(skip), min, max, value), edit,
                showError);
}

bool ReadEditDouble(HWND edit, double min, double max, bool showError, double* value) {
  if (!value) return false;
  const std::wstring text = EditText(edit);
  return Finish(ReadDoubleText(text, min, max, value), edit, showError);
}

bool ReadEditDms(HWND edit, double min, double max, bool showError, double* value) {
  if (!value) return false;
  const std::wstring text = EditText(edit);
  return Finish(ReadDmsText(text, min, max, value), edit, showError);
}

bool ReadGridCoordinateText(std::wstring_view text, LONG notation, double* x, double* y) {
  if (!x || !y) return false;
  *x = 0.0;
  *y = 0.0;
  if (notation != kNotationUtm && notation != kNotationMgrs) return false;

  ComPtr<ICoordinateTool> engine =
      CreateHostObject<ICoordinateTool>(productline::CLSID_CoordinateTool);
  const Variant value(text.substr(0, std::min(text.size(), kEditReadLength)));
  const Variant wgs84Datum(LONG{0});
  ComPtr<IPoint> wgs84, onDatum;
  Bstr dms, utm, mgrs;
  const HRESULT hr =
      engine->ConvertLocation(value, static_cast<INT>(notation), wgs84Datum, wgs84Datum,
                              wgs84.put(), onDatum.put(), &dms, &utm, &mgrs);
  // A refused text is the user's error; anything else is the engine's.
  if (hr == E_INVALIDARG) return false;
  Check(hr);
  if (!wgs84) ThrowComError(E_POINTER);
  double px = 0.0, py = 0.0;
  Check(wgs84->QueryCoords(&px, &py));
  if (!std::isfinite(px) || !std::isfinite(py)) return false;
  *x = px;
  *y = py;
  return true;
}

bool ReadGridCoordinateEdit(HWND edit, LONG notation, bool showError, double* x, double* y) {
  if (!x || !y) return false;
  const std::wstring text = EditText(edit);
  return Finish(ReadGridCoordinateText(text, notation, x, y), edit, showError);
}

bool ReadCoordinatePairEdits(HWND xEdit, HWND yEdit, LONG notation, bool showError, double* x,
                             double* y) {
  if (!x || !y) return false;
  const std::wstring xText = EditText(xEdit);
  // The grid notations read the x edit alone.
  const bool pair = notation == kNotationMapUnits || notation == kNotationDecimalDegrees ||
                    notation == kNotationDms;
  const std::wstring yText = pair ? EditText(yEdit) : std::wstring();
  const PairReadResult r =
      ReadCoordinatePairTexts(xText, yText, notation, ReadGridCoordinateText, x, y);
  if (!r.ok && showError && r.refusedEdit >= 0)
    ShowEditReadError(r.refusedEdit == 0 ? xEdit : yEdit);
  return r.ok;
}

}  // namespace velk::corvane
