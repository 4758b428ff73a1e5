#include "effects/OrvBipView.h"

#include "EffectTestSupport.h"
#include "ui/TimingCurve.h"

namespace {

class Bip : public EffectTest {
 protected:
  std::shared_ptr<OrvBipView> placed() {
    auto view = std::make_shared<OrvBipView>(ui::Rect::zero());
    view->setFrame({1832, 44, 44, 44});
    view->setBackgroundColor(ui::Color::black());
    view->layer().setCornerRadius(22);
    view->setHidden(true);
    return view;
  }
};

TEST_F(Bip, DropFlashIsFullyLitThenOutAtOnce) {
  auto dot = placed();
  runUntil(2);
  dot->flash(false, 0.1);
  EXPECT_FALSE(dot->isHidden());
  EXPECT_EQ(dot->backgroundColor(), ui::Color::white());
  runUntil(2.0999);
  EXPECT_EQ(dot->presentedAlpha(now()), 1);
  runUntil(2.1);
  EXPECT_EQ(dot->presentedAlpha(now()), 0);
  EXPECT_FALSE(dot->isHidden());
}

TEST_F(Bip, AnimatedFlashHoldsThenFadesAlongTheEaseOutCurve) {
  auto dot = placed();
  runUntil(14);
  dot->flash(true, 2.0);
  EXPECT_EQ(dot->presentedAlpha(14.0), 1);
  EXPECT_EQ(dot->presentedAlpha(14.1), 1);
  const double p = ui::TimingCurve::easeOut().valueAt(0.25);
  EXPECT_NEAR(dot->presentedAlpha(14.6), 1 - p, 1e-9);
  EXPECT_EQ(dot->presentedAlpha(16.1), 0);
  runUntil(16.2);
  EXPECT_FALSE(dot->hasAnimations());
  EXPECT_FALSE(dot->isHidden());
}

TEST_F(Bip, AnEarlierDropPutsOutANewerFlashAndANewFlashRelightsAFadingDot) {
  auto dot = placed();
  dot->flash(false, 0.1);
  runUntil(0.05);
  dot->flash(true, 2.0);
  EXPECT_EQ(dot->presentedAlpha(0.09), 1);
  runUntil(0.1);
  EXPECT_EQ(dot->presentedAlpha(1.0), 0);

  dot->flash(true, 2.0);
  runUntil(1.0);
  EXPECT_LT(dot->presentedAlpha(1.0), 1);
  dot->flash(true, 0.2);
  EXPECT_EQ(dot->presentedAlpha(1.1), 1);
  EXPECT_EQ(dot->presentedAlpha(1.3), 0);
}

}  // namespace
