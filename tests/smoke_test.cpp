#include <gtest/gtest.h>

#include "grid/grid_data.hpp"

TEST(GridData, IndexRunsFirstAxisFastest) {
  tessaro::GridData g;
  g.n = {3, 4, 5};
  EXPECT_EQ(g.size(), 60u);
  EXPECT_EQ(g.index(1, 0, 0), 1u);
  EXPECT_EQ(g.index(0, 1, 0), 3u);
  EXPECT_EQ(g.index(0, 0, 1), 12u);
}
