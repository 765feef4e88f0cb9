// The route's simplification without a page around it: what it must keep of a drive.
#include <gtest/gtest.h>

#include "page_geometry.h"

namespace {

TEST(PageGeometry, SimplificationKeepsWhatAScreenShows) {
  const auto line = [](std::initializer_list<std::pair<double, double>> xy) {
    std::vector<PagePoint> points;
    for (const auto& [x, y] : xy)
      points.push_back({x, y});
    return points;
  };
  const struct {
    const char* what;
    std::vector<PagePoint> points;
    std::vector<std::size_t> kept;
  } cases[] = {
      {"a straight road is its two ends", line({{0, 0}, {1, 0}, {2, 0.1}, {3, 0}}), {0, 3}},
      {"there and back keeps the far end",
       line({{0, 0}, {5, 0}, {10, 0}, {6, 0}, {2, 0}}),
       {0, 2, 4}},
      {"a corner is kept", line({{0, 0}, {5, 0}, {5, 5}}), {0, 1, 2}},
      {"one point is itself", line({{3, 4}}), {0}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(Simplified(c.points, 0.3), c.kept) << c.what;
  // A run longer than the simplifier takes at once is joined where it was cut.
  std::vector<PagePoint> long_line(10000);
  for (std::size_t i = 0; i < long_line.size(); ++i)
    long_line[i] = {static_cast<double>(i) * 0.01, 0};
  const auto kept = Simplified(long_line, 0.3);
  EXPECT_EQ(kept.front(), 0u);
  EXPECT_EQ(kept.back(), long_line.size() - 1);
  EXPECT_TRUE(std::is_sorted(kept.begin(), kept.end()));
}

}  // namespace
