#include "effects/OrvFillTextView.h"

#include <set>

#include "EffectTestSupport.h"
#include "content/Content.h"

namespace {

class FillText : public EffectTest {
 protected:
  std::shared_ptr<OrvFillTextView> prepared(ui::Rect frame = kStage) {
    auto view = std::make_shared<OrvFillTextView>(ui::Rect::zero());
    view->setFrame(frame);
    view->prepareFill();
    return view;
  }
  static void stepTo(OrvFillTextView& view, std::int64_t position) {
    while (view.position() < position) {
      view.stepFill();
    }
  }
};

// Every label: the phrases in order, hidden, the view's width, in rows that
// advance by 70 % of a label's height, so they overlap, as many to a screen
// as it takes to cover it, row 6 of 14 in the middle.
TEST_F(FillText, PreparationLaysEveryLabelInOverlappingRowsThatCoverTheScreen) {
  for (const ui::Rect stage : {kStage, ui::Rect{0, 0, 1280, 720}}) {
    auto view = prepared(stage);
    const auto& labels = view->labels();
    ASSERT_EQ(labels.size(), 512u);
    const double height = labels[0]->frame().height();
    const double row = height * 0.7;
    const auto rows = view->labelsPerScreen();
    EXPECT_GE(static_cast<double>(rows) * row, stage.height());
    EXPECT_LT(static_cast<double>(rows - 1) * row, stage.height());
    for (std::size_t j = 0; j < labels.size(); ++j) {
      EXPECT_TRUE(labels[j]->isHidden()) << j;
      EXPECT_EQ(labels[j]->text(), content::affirmations()[j % 66]) << j;
      EXPECT_DOUBLE_EQ(labels[j]->frame().height(), height) << j;
      EXPECT_DOUBLE_EQ(labels[j]->frame().width(), stage.width()) << j;
      EXPECT_DOUBLE_EQ(labels[j]->frame().y(), static_cast<double>(j % rows) * row) << j;
    }
  }
  // Inter Bold at 96 points sizes "YOU ARE GOOD" to 117 points high.
  auto view = prepared();
  EXPECT_EQ(view->labelsPerScreen(), 14);
  EXPECT_EQ(view->middleIndex(), 6);
}

// Every label but the middle row's reveals in the bright colours by row, in
// their order, over the previous screen: nothing is hidden again.
TEST_F(FillText, EveryOrdinaryRowRevealsInItsBrightColourOverThePreviousScreen) {
  auto view = prepared();
  const auto& bright = content::paletteBrightColors();
  const auto rows = view->labelsPerScreen();
  for (std::int64_t j = 0; j < 3 * rows; ++j) {
    view->stepFill();
    const auto row = j % rows;
    if (row != view->middleIndex()) {
      EXPECT_EQ(view->labels()[j]->textColor(), bright[row % 4].get()) << j;
    }
    for (std::int64_t i = 0; i <= j; ++i) {
      if (i % rows != view->middleIndex()) {
        EXPECT_FALSE(view->labels()[i]->isHidden()) << i << " after step " << j;
      }
    }
  }
}

TEST_F(FillText, MiddleSequenceSkipsTheLastPhraseAndAll512LabelsReveal) {
  // Two rows a screen put every other label in the middle row (row 0), so
  // 512 steps run the middle sequence past its wrap.
  auto view = prepared({0, 0, 1920, 100});
  ASSERT_EQ(view->labelsPerScreen(), 2);
  ASSERT_EQ(view->middleIndex(), 0);
  std::vector<std::string> middle;
  for (int i = 0; i < 512; ++i) {
    bool isMiddle = i % 2 == 0;
    view->stepFill();
    if (isMiddle) {
      middle.push_back(view->labels()[i]->text());
    }
  }
  EXPECT_FALSE(view->labels()[511]->isHidden());
  EXPECT_EQ(view->position(), 512);
  // Each middle label hid the one two steps before it; the last stays.
  EXPECT_TRUE(view->labels()[508]->isHidden());
  EXPECT_FALSE(view->labels()[510]->isHidden());
  EXPECT_FALSE(view->labels()[509]->isHidden());
  const auto& phrases = content::affirmations();
  ASSERT_EQ(middle.size(), 256u);
  for (std::size_t k = 0; k < middle.size(); ++k) {
    // 8, 9, …, 64, then 0, 1, …: phrase 65 never reaches the middle row.
    std::size_t expected = (8 + k) % 65;
    EXPECT_EQ(middle[k], phrases[expected]) << "middle label " << k;
  }
}

// A screen of one row (or none: no height) has no middle row, and every
// label reveals in a bright colour.
class FillTextOneRow : public FillText, public ::testing::WithParamInterface<double> {};

TEST_P(FillTextOneRow, HasNoMiddleRow) {
  auto view = prepared({0, 0, 1920, GetParam()});
  EXPECT_EQ(view->labelsPerScreen(), 1);
  EXPECT_EQ(view->middleIndex(), -1);
  stepTo(*view, 20);
  for (int i = 0; i < 20; ++i) {
    EXPECT_FALSE(view->labels()[i]->isHidden());
    EXPECT_EQ(view->labels()[i]->frame().y(), 0);
  }
}

INSTANTIATE_TEST_SUITE_P(Heights, FillTextOneRow, ::testing::Values(0.0, 50.0),
                         [](const auto& test) { return test.param > 0 ? "OneRow" : "NoHeight"; });

}  // namespace
