#include <gtest/gtest.h>

#include "platform/com/bstr.h"
#include "platform/com/object.h"

VELK_DEFINE_MODULE()

TEST(Bstr, NullAndEmptyAreDistinct) {
  BSTR empty = SysAllocString(L"");
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(SysStringLen(empty), 0u);
  EXPECT_EQ(SysStringLen(nullptr), 0u);
  SysFreeString(empty);
  velk::Bstr a(L"abc");
  EXPECT_EQ(a.Length(), 3u);
  EXPECT_EQ(SysStringByteLen(a), 3u * sizeof(wchar_t));
}
