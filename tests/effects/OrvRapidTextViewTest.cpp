#include "effects/OrvRapidTextView.h"

#include "EffectTestSupport.h"
#include "content/Content.h"

namespace {

class RapidText : public EffectTest {
 protected:
  std::shared_ptr<OrvRapidTextView> prepared(ui::Rect frame = kStage) {
    auto view = std::make_shared<OrvRapidTextView>(ui::Rect::zero());
    view->setFrame(frame);
    view->prepareRapidText();
    return view;
  }
};

TEST_F(RapidText, PreparationStacksEchoesBehindTheMainLabelAtAFontOfTheWidth) {
  auto view = prepared();
  const auto& main = view->mainLabel();
  const double h = main->bounds().height();
  EXPECT_EQ(main->frame(), (ui::Rect{0, 540 - h / 2, 1920, h}));
  const auto& s = view->supportLabels();
  ASSERT_EQ(s.size(), 4u);
  EXPECT_EQ(view->subviews(),
            (std::vector<std::shared_ptr<ui::View>>{s[3], s[2], s[1], s[0], main}));
  // The font follows the width at preparation only.
  auto small = prepared({0, 0, 1280, 720});
  EXPECT_EQ(small->mainLabel()->font().pointSize(), 64);
  small->setFrame(kStage);
  EXPECT_EQ(small->mainLabel()->font().pointSize(), 64);
  EXPECT_EQ(main->font().pointSize(), 96);
}

TEST_F(RapidText, RapidStepsWalkThePhrasesAndColoursAndWrapAt66) {
  auto view = prepared();
  const auto& phrases = content::affirmations();
  view->showNextRapidPhrase();
  EXPECT_EQ(view->mainLabel()->text(), phrases[0]);
  runUntil(0.0499);
  EXPECT_FALSE(view->mainLabel()->isHidden());
  runUntil(0.05);
  EXPECT_TRUE(view->mainLabel()->isHidden());

  for (int i = 1; i < 66; ++i) {
    view->showNextRapidPhrase();
  }
  EXPECT_EQ(view->mainLabel()->text(), phrases[65]);
  view->showNextRapidPhrase();
  EXPECT_EQ(view->mainLabel()->text(), phrases[0]);
  EXPECT_EQ(view->backgroundColor(), content::paletteOrange());
  EXPECT_EQ(view->rapidPosition(), 1);
  view->showNextRapidPhrase();
  EXPECT_EQ(view->backgroundColor(), content::palettePink());
}

TEST_F(RapidText, StaticStepsHaveTheirOwnCounterAndHoldForOneAndAHalfSeconds) {
  auto view = prepared();
  for (int i = 0; i < 10; ++i) {
    view->showNextRapidPhrase();
  }
  runUntil(1);
  view->showNextStaticPhrase();
  EXPECT_EQ(view->mainLabel()->text(), content::affirmations()[0]);
  EXPECT_EQ(view->staticPosition(), 1);
  // A rapid step in between does not stop the static hide from firing on time.
  runUntil(2.46);
  view->showNextRapidPhrase();
  runUntil(2.4999);
  EXPECT_FALSE(view->mainLabel()->isHidden());
  runUntil(2.5);
  EXPECT_TRUE(view->mainLabel()->isHidden());
}

TEST_F(RapidText, FourthStaticStepTrailsTheEchoesToTheRight) {
  auto view = prepared();
  const ui::Rect home = view->mainLabel()->frame();
  for (int i = 0; i < 3; ++i) {
    view->showNextStaticPhrase();
    EXPECT_FALSE(view->supportLabels()[0]->hasAnimations());
    EXPECT_TRUE(view->supportLabels()[0]->isHidden());
  }
  runUntil(5);
  view->showNextStaticPhrase();
  for (std::size_t i = 0; i < 4; ++i) {
    const auto& label = view->supportLabels()[i];
    EXPECT_FALSE(label->isHidden());
    EXPECT_EQ(label->text(), content::affirmations()[3]);
    EXPECT_EQ(label->presentedFrame(5).x(), home.x());
    EXPECT_EQ(label->presentedAlpha(5), 1);
    EXPECT_EQ(label->presentedFrame(6.5).x(), home.x() + 50.0 * (i + 1));
    EXPECT_EQ(label->presentedAlpha(6.5), 0);
  }
  runUntil(7);
  EXPECT_FALSE(view->supportLabels()[3]->isHidden());
}

TEST_F(RapidText, EighthStaticStepScattersInvisibleEchoesThatDriftAndFade) {
  auto view = prepared();
  for (int i = 0; i < 7; ++i) {
    view->showNextStaticPhrase();
  }
  runUntil(10);
  view->showNextStaticPhrase();
  runUntil(10.649);
  EXPECT_EQ(view->supportLabels()[0]->alpha(), 0);  // left at 0 by the trail
  runUntil(10.65);
  for (const auto& label : view->supportLabels()) {
    EXPECT_EQ(label->text(), content::affirmations()[7]);
    ui::Point centre = label->frame().center();
    EXPECT_LE(std::abs(centre.x - 960), 40);
    EXPECT_LE(std::abs(centre.y - 540), 40);
    EXPECT_LT(label->bounds().width(), 1920);  // sized to its text
    EXPECT_EQ(label->presentedAlpha(10.65), 0.5);
    EXPECT_EQ(label->presentedAlpha(12.0), 0);
  }
}

}  // namespace
