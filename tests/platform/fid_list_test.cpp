// Row-id lists kept as runs give back exactly the ids pushed, in order.
#include <gtest/gtest.h>

#include <vector>

#include "platform/host/data/fid_list.h"

namespace velk::host {
namespace {

TEST(FidList, GivesBackWhatWasPushed) {
  const std::vector<std::vector<std::int64_t>> cases = {
      {}, {0}, {0, 1, 2, 3}, {5, 7, 8, 9, 20}, {3, 2, 1}, {1, 1, 2}, {-4, -3, 10, 11, 12, 40},
  };
  for (const auto& ids : cases) {
    FidList list;
    for (auto id : ids) list.push_back(id);
    EXPECT_EQ(list.size(), ids.size());
    EXPECT_EQ(list.empty(), ids.empty());
    std::vector<std::int64_t> back(list.begin(), list.end());
    EXPECT_EQ(back, ids);
  }
}

}  // namespace
}  // namespace velk::host
