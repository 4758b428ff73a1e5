#include <gtest/gtest.h>

#include <cmath>

#include "ui/RunLoop.h"
#include "ui/TimingCurve.h"
#include "ui/View.h"

namespace {

using ui::RunLoop;
using ui::TimingCurve;
using ui::View;

// The curve's point at parameter s, computed independently of the solver.
std::pair<double, double> bezierPoint(double x1, double y1, double x2, double y2, double s) {
  double i = 1 - s;
  return {3 * i * i * s * x1 + 3 * i * s * s * x2 + s * s * s,
          3 * i * i * s * y1 + 3 * i * s * s * y2 + s * s * s};
}

TEST(TimingCurve, MatchesTheBezierAtSampledPoints) {
  struct Case {
    TimingCurve curve;
    double x1, y1, x2, y2;
  } cases[] = {{TimingCurve::easeOut(), 0, 0, 0.58, 1},
               {TimingCurve::easeInEaseOut(), 0.42, 0, 0.58, 1}};
  for (const auto& c : cases) {
    for (double s : {0.05, 0.2, 0.37, 0.5, 0.81, 0.97}) {
      auto [x, y] = bezierPoint(c.x1, c.y1, c.x2, c.y2, s);
      EXPECT_NEAR(c.curve.valueAt(x), y, 1e-9) << "s = " << s;
    }
    EXPECT_EQ(c.curve.valueAt(0), 0);
    EXPECT_EQ(c.curve.valueAt(1), 1);
  }
  // Ease-out runs ahead of linear time; ease-in-ease-out is symmetric.
  EXPECT_GT(TimingCurve::easeOut().valueAt(0.5), 0.5);
  EXPECT_NEAR(TimingCurve::easeInEaseOut().valueAt(0.5), 0.5, 1e-9);
}

class AnimationTest : public ::testing::Test {
 protected:
  void SetUp() override { RunLoop::main().reset(100); }
  void TearDown() override { RunLoop::main().reset(); }
};

TEST_F(AnimationTest, ModelChangesAtOncePresentationMovesAlongTheCurve) {
  auto view = std::make_shared<View>(ui::Rect{0, 0, 10, 10});
  View::animate(2.0, [&] { view->setAlpha(0); });
  EXPECT_EQ(view->alpha(), 0);
  EXPECT_EQ(view->presentedAlpha(100), 1);
  EXPECT_NEAR(view->presentedAlpha(101), 1 - TimingCurve::easeInEaseOut().valueAt(0.5), 1e-12);
  EXPECT_EQ(view->presentedAlpha(102), 0);
}

TEST_F(AnimationTest, CompletionRunsOnceOnTheRunLoopAndLearnsWhetherItFinished) {
  auto view = std::make_shared<View>();
  std::vector<std::pair<double, bool>> completions;
  auto record = [&](bool f) { completions.emplace_back(RunLoop::main().now(), f); };
  View::animate(
      4.0, [&] { view->setAlpha(0); }, record);
  RunLoop::main().runUntil(105);
  ASSERT_EQ(completions.size(), 1u);
  EXPECT_EQ(completions[0], std::make_pair(104.0, true));

  // A direct set removes the animation: its completion runs once, unfinished.
  View::animate(
      2.0, [&] { view->setAlpha(1); }, record);
  RunLoop::main().runUntil(105.5);
  view->setAlpha(1);
  EXPECT_FALSE(view->hasAnimations());
  RunLoop::main().runUntil(110);
  ASSERT_EQ(completions.size(), 2u);
  EXPECT_EQ(completions[1], std::make_pair(105.5, false));

  // A block that changes nothing completes at once.
  View::animate(
      3.0, [&] { view->setAlpha(1); }, record);
  RunLoop::main().runUntil(110);
  ASSERT_EQ(completions.size(), 3u);
  EXPECT_TRUE(completions[2].second);
}

TEST_F(AnimationTest, NewAnimationStartsFromThePresentedValue) {
  auto view = std::make_shared<View>();
  View::animate(1.0, 0, ui::AnimationOptions::CurveLinear, [&] { view->setAlpha(0); });
  RunLoop::main().runUntil(100.25);
  View::animate(1.0, 0, ui::AnimationOptions::CurveLinear, [&] { view->setAlpha(0.5); });
  EXPECT_NEAR(view->presentedAlpha(100.25), 0.75, 1e-12);
  EXPECT_NEAR(view->presentedAlpha(100.75), 0.625, 1e-12);
  EXPECT_EQ(view->presentedAlpha(101.25), 0.5);
}

}  // namespace
