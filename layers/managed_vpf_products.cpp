#include "layers/managed_vpf_products.h"
#include "platform/com/plain_text.h"

#include <cwctype>
#include <utility>

namespace velk::lumeris {
namespace {

bool Has(const std::wstring& text, const wchar_t* part) {
  return text.find(part) != std::wstring::npos;
}

}  // namespace

std::wstring ManagedVpfPrefix(const std::wstring& product) {
  static const std::pair<const wchar_t*, const wchar_t*> kPrefixes[] = {
      {L"VMAP$VMAP Level 0", L"vmaplv0"}, {L"VMAP$VMAP Level 1", L"vmaplv1"},
      {L"VMAP$VMAP Level 2", L"vmaplv2"}, {L"VMAP$UVMAP", L"UVMap"},
      {L"DNC$DNC Approach", L"DNCA"},     {L"DNC$DNC Coastal", L"DNCC"},
      {L"DNC$DNC General", L"DNCG"},      {L"DNC$DNC Harbor", L"DNCH"}};
  for (const auto& [key, prefix] : kPrefixes)
    if (product == key) return prefix;
  return L"";
}

VpfProductKind ClassifyVpfProduct(const std::wstring& text) {
  const std::wstring t = ToLower(text);
  if (Has(t, L"uvmap")) return {4, L"VMAP$UVMAP"};
  if (Has(t, L"vmap")) {
    if (Has(t, L"1")) return {2, L"VMAP$VMAP Level 1"};
    if (Has(t, L"0")) return {1, L"VMAP$VMAP Level 0"};
    return {3, L"VMAP$VMAP Level 2"};
  }
  if (Has(t, L"dnc")) {
    if (Has(t, L"dnca")) return {5, L"DNC$DNC Approach"};
    if (Has(t, L"dncc")) return {5, L"DNC$DNC Coastal"};
    if (Has(t, L"dncg")) return {5, L"DNC$DNC General"};
    if (Has(t, L"dnch")) return {5, L"DNC$DNC Harbor"};
    return {5, L""};
  }
  return {};
}

std::wstring ScaleTableKey(const std::wstring& productKey) {
  const VpfProductKind k = ClassifyVpfProduct(productKey);
  return k.kind >= 1 && k.kind <= 4 ? k.key : L"";
}

bool SplitLibraryClassName(const std::wstring& name, const std::wstring& prefix,
                           std::wstring* coverage, std::wstring* featureClass) {
  if (prefix.empty() || name.size() <= prefix.size() + 1 || name[prefix.size()] != L'_' ||
      ToLower(name.substr(0, prefix.size())) != ToLower(prefix))
    return false;
  const std::wstring rest = name.substr(prefix.size() + 1);
  const std::size_t cut = rest.find(L'_');
  if (cut == std::wstring::npos || cut == 0 || cut + 1 >= rest.size()) return false;
  *coverage = rest.substr(0, cut);
  *featureClass = rest.substr(cut + 1);
  return true;
}

}  // namespace velk::lumeris
