// How the managed VPF layer names and classifies its products.
#include <gtest/gtest.h>

#include <string>

#include "layers/managed_vpf_products.h"

namespace velk::lumeris {
namespace {

TEST(ManagedVpfProducts, PrefixesOfTheKnownProducts) {
  const struct {
    const wchar_t* product;
    const wchar_t* prefix;
  } kCases[] = {{L"VMAP$VMAP Level 0", L"vmaplv0"}, {L"VMAP$VMAP Level 2", L"vmaplv2"},
                {L"VMAP$UVMAP", L"UVMap"},          {L"DNC$DNC Harbor", L"DNCH"},
                {L"DNC$DNC Approach", L"DNCA"},     {L"vmap$vmap level 0", L""},
                {L"WVS$WVS", L""},                  {L"", L""}};
  for (const auto& c : kCases) EXPECT_EQ(ManagedVpfPrefix(c.product), c.prefix) << c.product;
}

// Prefixes and keys alike, by substring of the lower-case text; "1" is looked for before "0".
TEST(ManagedVpfProducts, ClassifiesPrefixesAndKeys) {
  const struct {
    const wchar_t* text;
    LONG kind;
    const wchar_t* key;
    const wchar_t* scaleKey;
  } kCases[] = {
      {L"vmaplv0", 1, L"VMAP$VMAP Level 0", L"VMAP$VMAP Level 0"},
      {L"VMAP$VMAP Level 1", 2, L"VMAP$VMAP Level 1", L"VMAP$VMAP Level 1"},
      {L"vmaplv2", 3, L"VMAP$VMAP Level 2", L"VMAP$VMAP Level 2"},
      {L"vmap10", 2, L"VMAP$VMAP Level 1", L"VMAP$VMAP Level 1"},
      {L"UVMap", 4, L"VMAP$UVMAP", L"VMAP$UVMAP"},
      {L"DNCH", 5, L"DNC$DNC Harbor", L""},
      {L"dncc", 5, L"DNC$DNC Coastal", L""},
      {L"DNC$DNC Harbor", 5, L"", L""},  // a key is no prefix: "dnch" is not in it
      {L"dncx", 5, L"", L""},
      {L"wvs", 0, L"", L""},
  };
  for (const auto& c : kCases) {
    const VpfProductKind k = ClassifyVpfProduct(c.text);
    EXPECT_EQ(k.kind, c.kind) << c.text;
    EXPECT_EQ(k.key, c.key) << c.text;
    EXPECT_EQ(ScaleTableKey(c.text), c.scaleKey) << c.text;
  }
}

TEST(ManagedVpfProducts, SplitsLibraryClassNames) {
  const struct {
    const wchar_t* name;
    const wchar_t* prefix;
    bool ok;
    const wchar_t* coverage;
    const wchar_t* featureClass;
  } kCases[] = {
      {L"vmaplv0_trans_roadl", L"vmaplv0", true, L"trans", L"roadl"},
      {L"VMAPLV0_pop_built_p", L"vmaplv0", true, L"pop", L"built_p"},
      {L"vmaplv1_trans_roadl", L"vmaplv0", false, L"", L""},
      {L"vmaplv0_trans", L"vmaplv0", false, L"", L""},
      {L"vmaplv0__roadl", L"vmaplv0", false, L"", L""},
      {L"vmaplv0_trans_", L"vmaplv0", false, L"", L""},
      {L"vmaplv0x_trans_roadl", L"vmaplv0", false, L"", L""},
  };
  for (const auto& c : kCases) {
    std::wstring coverage, featureClass;
    EXPECT_EQ(SplitLibraryClassName(c.name, c.prefix, &coverage, &featureClass), c.ok) << c.name;
    if (!c.ok) continue;
    EXPECT_EQ(coverage, c.coverage) << c.name;
    EXPECT_EQ(featureClass, c.featureClass) << c.name;
  }
}

}  // namespace
}  // namespace velk::lumeris
