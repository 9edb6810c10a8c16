#include "coordinates/formatter.h"

namespace velk::corvane {

const std::wstring& Formatter::Part(const std::vector<std::wstring>& subMatches, std::size_t i) {
  static const std::wstring empty;
  return i < subMatches.size() ? subMatches[i] : empty;
}

}  // namespace velk::corvane
