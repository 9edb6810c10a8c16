// Symbols of the settings as one line of text, the form they are stored in:
//   marker <colour> <size> <style>
//   line <colour> <width> <style>
//   fill <colour> <style> [<outline colour> <outline width> <outline style>]
//   text <colour> <size>   (a text symbol's words are its user's: they are not kept)
// Colours are 0x00BBGGRR values written "0x" and six hex digits; sizes and widths are
// non-negative reals in the C locale; styles are whole numbers.
#pragma once

#include <string>

#include "platform/com/unknown.h"

namespace velk::productline {

// A new host symbol (marker, line, fill or text symbol) from its text; null for a text that is not
// one of the forms above.
ComPtr<IUnknown> SymbolFromText(const std::wstring& text);

// The text of a host marker, line, fill or text symbol; false for any other object.
bool SymbolToText(IUnknown* symbol, std::wstring& text);

}  // namespace velk::productline
