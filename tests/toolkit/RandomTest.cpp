#include "ui/Random.h"

#include <gtest/gtest.h>

#include <deque>

namespace {

// Hands out words from a script.
class ScriptedSource : public ui::RandomSource {
 public:
  explicit ScriptedSource(std::deque<std::uint64_t> words) : words_(std::move(words)) {}
  std::uint64_t nextWord() override {
    std::uint64_t w = words_.front();
    words_.pop_front();
    ++drawn;
    return w;
  }
  int drawn = 0;

 private:
  std::deque<std::uint64_t> words_;
};

constexpr std::uint64_t kTop = std::uint64_t{1} << 53;

TEST(Random, ClosedRangeHitsBothEndsOnlyThroughThe53BitRule) {
  // n is the word's top 54 bits: n = 0 gives the low end, n = 2^53 exactly the high end.
  ScriptedSource zero({0});
  EXPECT_EQ(ui::Random::uniformClosed(zero, 0, 80), 0.0);
  ScriptedSource top({kTop << 10});
  EXPECT_EQ(ui::Random::uniformClosed(top, 0, 80), 80.0);
  // The largest n below 2^53 stays below the high end.
  ScriptedSource below({(kTop - 1) << 10});
  double v = ui::Random::uniformClosed(below, 0, 80);
  EXPECT_LT(v, 80.0);
  EXPECT_GT(v, 79.99999);
  // Anything above 2^53 is rejected and drawn again, not folded by a modulo.
  ScriptedSource rejected({(kTop + 1) << 10, ~std::uint64_t{0}, std::uint64_t{1} << 62});
  EXPECT_EQ(ui::Random::uniformClosed(rejected, 0, 80), 40.0);
  EXPECT_EQ(rejected.drawn, 3);
}

TEST(Random, DrawsAreUniformOverTheRange) {
  ui::SeededRandomSource source(42);
  int buckets[8] = {};
  for (int i = 0; i < 80000; ++i) {
    double r = ui::Random::uniformClosed(source, 0, 80);
    ASSERT_GE(r, 0);
    ASSERT_LE(r, 80);
    ++buckets[std::min(7, static_cast<int>(r / 10))];
  }
  for (int count : buckets) {
    EXPECT_NEAR(count, 10000, 500);
  }
}

}  // namespace
