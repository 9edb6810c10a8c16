// The mosaic's storage settings from the environment: each variable read when set, its
// leading number taken as _wtol takes it, the tile height set on its own.
#include <gtest/gtest.h>

#include <map>

#include "catalog/mosaic/mosaic_run.h"
#include "catalog/mosaic/storage_overrides.h"
#include "platform/registry/host_object_creation.h"
#include "tests/fixtures/catalog_fixture.h"

namespace velk::corvane {
namespace {

TEST(StorageOverrides, LeadingNumbersAsWtolReadsThem) {
  const std::pair<const wchar_t*, long> cases[] = {
      {L"512", 512},  {L"  64px", 64}, {L"-3", -3},          {L"+7", 7},
      {L"abc", 0},    {L"", 0},        {L"12.5", 12},        {L"99999999999", 2147483647},
      {L"-99999999999", -2147483647 - 1},
  };
  for (const auto& [text, value] : cases) EXPECT_EQ(LeadingNumber(text), value) << value;
}

TEST(StorageOverrides, OnlySetVariablesOverrideAndTheTileHeightIsItsOwn) {
  const std::map<std::string, std::wstring> env = {{"DataLoading_Osk_TileCX", L"512"},
                                                   {"DataLoading_Osk_TileCY", L"64 rows"},
                                                   {"DataLoading_Osk_CompressionType", L"none"},
                                                   {"DataLoading_Osk_PyramidsLevel", L""}};
  const StorageOverrides o = ReadStorageOverrides([&](const char* name) -> std::optional<std::wstring> {
    auto it = env.find(name);
    if (it == env.end() || it->second.empty()) return std::nullopt;
    return it->second;
  });
  EXPECT_EQ(o.tileWidth, 512);
  EXPECT_EQ(o.tileHeight, 64);
  EXPECT_EQ(o.compression, 0);
  EXPECT_FALSE(o.pyramidLevel);
  EXPECT_FALSE(o.resampling);
  EXPECT_FALSE(o.quality);

  test::HostClassesScope classes;
  auto storage = CreateHostObject<IRasterStorageDef>(host::CLSID_RasterStorageDef);
  ApplyStorageOverrides(storage.get(), o);
  LONG width = 0, height = 0, compression = -1, pyramids = 0;
  storage->get_TileWidth(&width);
  storage->get_TileHeight(&height);
  storage->get_CompressionType(&compression);
  storage->get_PyramidLevel(&pyramids);
  EXPECT_EQ(width, 512);
  EXPECT_EQ(height, 64);
  EXPECT_EQ(compression, 0);
  EXPECT_EQ(pyramids, -1);  // the host's default stays
  // A value the storage refuses leaves its default.
  StorageOverrides bad;
  bad.tileWidth = 0;
  bad.quality = 500;
  ApplyStorageOverrides(storage.get(), bad);
  LONG quality = 0;
  storage->get_TileWidth(&width);
  storage->get_CompressionQuality(&quality);
  EXPECT_EQ(width, 512);
  EXPECT_EQ(quality, 75);
}

}  // namespace
}  // namespace velk::corvane
