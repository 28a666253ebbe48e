#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <map>
#include <vector>

#include "platform/RealServices.h"

namespace ld {
namespace {

// Draws cover both ends of their range and nothing outside it, every value
// about equally often (a generous bound: six standard deviations), and a
// re-seeded generator does not repeat its earlier draws.
TEST(RealServices, RandomDrawsAreUniformOverTheWholeRange) {
  QtRandom random;
  constexpr int kDraws = 70000, kValues = 7;
  std::map<int, int> counts;
  for (int i = 0; i < kDraws; ++i) ++counts[random.Uniform(-3, 3)];
  ASSERT_EQ(counts.size(), static_cast<size_t>(kValues));
  EXPECT_EQ(counts.begin()->first, -3);
  EXPECT_EQ(counts.rbegin()->first, 3);
  const double mean = static_cast<double>(kDraws) / kValues;
  const double sigma = std::sqrt(mean * (1 - 1.0 / kValues));
  for (const auto& [value, n] : counts) EXPECT_NEAR(n, mean, 6 * sigma) << value;

  EXPECT_EQ(random.Uniform(5, 5), 5);
  // The widest range: both halves of it are drawn.
  int negative = 0;
  for (int i = 0; i < 100; ++i) negative += random.Uniform(INT_MIN, INT_MAX) < 0;
  EXPECT_TRUE(negative > 0 && negative < 100);
  std::vector<int> first, second;
  random.Reseed();
  for (int i = 0; i < 20; ++i) first.push_back(random.Uniform(0, 1000000));
  random.Reseed();
  for (int i = 0; i < 20; ++i) second.push_back(random.Uniform(0, 1000000));
  EXPECT_NE(first, second);
}

}  // namespace
}  // namespace ld
