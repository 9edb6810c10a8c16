// Layer doubles for dialog tests: the host program's named stand-in layers, which answer the
// general layer interface and any further interface identifiers they are given (the catalog
// layers' among them).
#pragma once

#include <string>
#include <vector>

#include "apps/trevik/session_layers.h"

namespace velk::test {

inline ComPtr<ILayer> MakeLayer(const std::wstring& name, const std::vector<IID>& answers,
                                bool valid = true) {
  return trevik::MakeNamedLayer(name, answers, valid);
}

}  // namespace velk::test
