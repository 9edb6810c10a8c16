// Readable names of result codes, for the host program's output and error texts.
#pragma once

#include <string>

#include "platform/com/base_types.h"

namespace velk {

// "0x80040111 CLASS_E_CLASSNOTAVAILABLE"; codes without a known name give only the hex.
std::wstring HresultText(HRESULT hr);

}  // namespace velk
