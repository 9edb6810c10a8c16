#include <gtest/gtest.h>

#include "framework/guid_variant.h"

namespace velk::corvane {
namespace {

TEST(MakeGuidStringVariant, RegistryFormText) {
  constexpr GUID g = MakeGuid("{21fb082d-2e93-4e36-a932-b6154844c732}");
  Variant v = MakeGuidStringVariant(g);
  ASSERT_EQ(v.vt, VT_BSTR);
  EXPECT_EQ(BstrToWstring(v.bstrVal), L"{21FB082D-2E93-4E36-A932-B6154844C732}");
  EXPECT_EQ(BstrToWstring(MakeGuidStringVariant(GUID_NULL).bstrVal),
            L"{00000000-0000-0000-0000-000000000000}");
}

}  // namespace
}  // namespace velk::corvane
