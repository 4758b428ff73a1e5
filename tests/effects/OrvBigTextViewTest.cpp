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

TEST_F(BigText, WordsFlashWhiteOnThePaletteColourOfTheirPosition) {
  auto view = prepared();
  const auto& label = view->label();
  EXPECT_EQ(label->font().pointSize(), 192);
  EXPECT_EQ(label->frame().width(), 1920);
  EXPECT_DOUBLE_EQ(label->frame().midY(), 540);
  for (std::int64_t p : {0, 3, 5}) {
    view->position = p;
    view->showBigWord();
    EXPECT_EQ(label->text(), content::invitationWords()[std::size_t(p)]);
    EXPECT_EQ(label->textColor(), ui::Color::white());
  }
  EXPECT_EQ(view->backgroundColor(), content::paletteOrange());  // 5 wraps the five colours
  view->position = 3;
  view->showBigWord();
  EXPECT_EQ(view->backgroundColor(), content::paletteDark());
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

}  // namespace
