#include "effects/OrvBigTextView.h"

#include "EffectTestSupport.h"
#include "content/Content.h"

namespace {

class BigText : public EffectTest {
 protected:
  std::shared_ptr<OrvBigTextView> prepared() {
    auto view = std::make_shared<OrvBigTextView>(ui::Rect::zero());
    view->setFrame(kStage);
    view->prepareBigText();
    return view;
  }
};

TEST_F(BigText, PreparationSpansTheWidthAndCentresTheFirstWord) {
  auto view = prepared();
  const auto& label = view->label();
  EXPECT_EQ(label->superview(), view.get());
  EXPECT_EQ(label->font().pointSize(), 192);
  EXPECT_EQ(label->font().name(), "SFProDisplay-Black");
  EXPECT_EQ(label->text(), "YOU");
  EXPECT_EQ(label->textColor(), ui::Color::black());
  EXPECT_EQ(label->textAlignment(), ui::TextAlignment::Center);
  EXPECT_EQ(label->frame().x(), 0);
  EXPECT_EQ(label->frame().width(), 1920);
  EXPECT_DOUBLE_EQ(label->frame().midY(), 540);
  EXPECT_FALSE(label->isHidden());
  EXPECT_FALSE(view->backgroundColor().has_value());
}

TEST_F(BigText, WordsTakeThePaletteColourOfTheirPosition) {
  auto view = prepared();
  view->position = 3;
  view->showBigWord();
  EXPECT_EQ(view->label()->text(), content::invitationWords()[3]);
  EXPECT_EQ(view->label()->textColor(), ui::Color::white());
  EXPECT_EQ(view->backgroundColor(), content::paletteDark());
  view->position = 5;
  view->showBigWord();
  EXPECT_EQ(view->label()->text(), "TROLLH\u00c4TTAN");
  EXPECT_EQ(view->backgroundColor(), content::paletteOrange());
}

TEST_F(BigText, EveryShowSchedulesItsOwnHideAndTheColourStays) {
  auto view = prepared();
  view->showBigWord();
  runUntil(0.03);
  view->showBigWord();
  runUntil(0.0499);
  EXPECT_FALSE(view->label()->isHidden());
  // The first call's hide fires 0.02 s after the second call.
  runUntil(0.05);
  EXPECT_TRUE(view->label()->isHidden());
  runUntil(0.08);
  EXPECT_TRUE(view->label()->isHidden());
  EXPECT_EQ(view->backgroundColor(), content::paletteOrange());
}

TEST_F(BigText, ShowBeforePreparationOnlyPaintsTheBackground) {
  auto view = std::make_shared<OrvBigTextView>(kStage);
  view->position = 1;
  view->showBigWord();
  EXPECT_EQ(view->backgroundColor(), content::palettePink());
  EXPECT_TRUE(view->subviews().empty());
  runUntil(1);
}

}  // namespace
