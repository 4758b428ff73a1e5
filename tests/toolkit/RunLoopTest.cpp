#include "ui/RunLoop.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

using ui::RunLoop;

class RunLoopTest : public ::testing::Test {
 protected:
  RunLoop loop;
};

TEST_F(RunLoopTest, EqualFireTimesRunInSchedulingOrder) {
  std::vector<std::string> order;
  loop.schedule(0.5, [&] { order.push_back("perform"); });
  loop.asyncAfter(0.5, [&] { order.push_back("block"); });
  loop.schedule(0.25, [&] { order.push_back("earlier"); });
  loop.schedule(0.5, [&] { order.push_back("perform again"); });
  loop.runUntil(1);
  EXPECT_EQ(order, (std::vector<std::string>{"earlier", "perform", "block", "perform again"}));
}

TEST_F(RunLoopTest, EachTaskSeesItsOwnFireTimeThenNowIsLeftAtTheTarget) {
  std::vector<double> seen;
  for (int p = 0; p <= 4; ++p) {
    loop.schedule(p * 0.0625, [&] { seen.push_back(loop.now()); });
  }
  loop.runUntil(0.2);
  EXPECT_EQ(seen, (std::vector<double>{0, 0.0625, 0.125, 0.1875}));
  EXPECT_EQ(loop.now(), 0.2);
  EXPECT_EQ(loop.pendingCount(), 1u);
  // Time never moves backwards.
  loop.runUntil(0.1);
  EXPECT_EQ(loop.now(), 0.2);
}

TEST_F(RunLoopTest, TasksScheduledByTasksRunInTheSamePassWhenDue) {
  std::vector<double> seen;
  loop.schedule(0.1, [&] {
    loop.schedule(0.05, [&] { seen.push_back(loop.now()); });
    loop.schedule(0, [&] { seen.push_back(loop.now()); });
  });
  loop.runUntil(1);
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_DOUBLE_EQ(seen[0], 0.1);
  EXPECT_DOUBLE_EQ(seen[1], 0.15);
}

struct Target {
  int* calls;
  std::int64_t* last;
  void hit(std::int64_t value) {
    ++*calls;
    *last = value;
  }
};

TEST_F(RunLoopTest, DelayedCallKeepsItsTargetAlive) {
  int calls = 0;
  std::int64_t last = -1;
  auto target = std::make_shared<Target>(Target{&calls, &last});
  std::weak_ptr<Target> weak = target;
  loop.performAfterDelay(target, &Target::hit, 2.0, std::int64_t{608});
  target.reset();
  EXPECT_FALSE(weak.expired());
  loop.runUntil(2.0);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(last, 608);
  EXPECT_TRUE(weak.expired());
}

TEST_F(RunLoopTest, NextFireTimeAndReset) {
  EXPECT_TRUE(std::isinf(loop.nextFireTime()));
  loop.schedule(3, [] {});
  EXPECT_EQ(loop.nextFireTime(), 3);
  loop.reset(10);
  EXPECT_EQ(loop.pendingCount(), 0u);
  EXPECT_EQ(loop.now(), 10);
}

}  // namespace
