#include "effects/OrvBigTextView.h"
#include "effects/OrvFillTextView.h"
#include "effects/OrvRapidTextView.h"

#include "EffectTestSupport.h"
#include "content/Content.h"
#include "content/UpperCase.h"
#include "ui/TextLayout.h"

// The effects with an organiser's content: lists of any length keep the
// effects' counters and wrap-arounds, and a word too wide for the stage
// shrinks until it fits.
namespace {

class ShowContent : public EffectTest {
 protected:
  void install(std::vector<std::string> phrases, std::string party = "fireflies party") {
    content::ShowSettings show;
    show.affirmations = std::move(phrases);
    show.party = std::move(party);
    content::installShow(show);
  }
  void TearDown() override {
    content::installShow({});
    EffectTest::TearDown();
  }
  template <class View>
  static std::shared_ptr<View> onStage() {
    auto view = std::make_shared<View>(ui::Rect::zero());
    view->setFrame(kStage);
    return view;
  }
  static double textWidth(const ui::Label& label) {
    return ui::TextLayout::naturalSize(label.text(), label.font()).width;
  }
};

TEST_F(ShowContent, ALongPartyNameShrinksToTheStageAndTheOtherWordsKeepTheirSize) {
  install({"you"}, "the extraordinarily long named party");
  auto view = onStage<OrvBigTextView>();
  view->prepareBigText();
  const auto& label = view->label();
  for (std::int64_t p : {0, 3, 5}) {
    view->position = p;
    view->showBigWord();
    EXPECT_LE(textWidth(*label), 1920) << p;
    if (p == 3) {
      EXPECT_LT(label->font().pointSize(), 192);
      EXPECT_GT(textWidth(*label), 1920 * 0.9);  // as large as fits with a margin
    } else {
      EXPECT_EQ(label->font().pointSize(), 192) << p;
    }
  }
}

TEST_F(ShowContent, ShortListsWrapAndTheEchoesStillComeOnTheFourthAndEighthStaticStep) {
  install({"you one", "you two", "you three"});
  auto view = onStage<OrvRapidTextView>();
  view->prepareRapidText();
  for (int i = 0; i < 4; ++i) {
    view->showNextRapidPhrase();
  }
  EXPECT_EQ(view->mainLabel()->text(), "YOU ONE");
  EXPECT_EQ(view->rapidPosition(), 1);
  for (int step = 1; step <= 8; ++step) {
    runUntil(2.0 * step);
    view->showNextStaticPhrase();
    EXPECT_EQ(view->mainLabel()->text(), content::affirmations()[std::size_t((step - 1) % 3)]);
    if (step == 4) {
      EXPECT_TRUE(view->supportLabels()[0]->hasAnimations());
      EXPECT_FALSE(view->supportLabels()[0]->isHidden());
    } else if (step < 4) {
      EXPECT_TRUE(view->supportLabels()[0]->isHidden());
    }
  }
  runUntil(16.65);
  EXPECT_EQ(view->supportLabels()[0]->presentedAlpha(16.65), 0.5);  // the scatter's drift
}

TEST_F(ShowContent, TheFillTextsMiddleRowWrapsAShortList) {
  install({"you one", "you two"});
  auto view = onStage<OrvFillTextView>();
  view->prepareFill();
  std::vector<std::string> middle;
  for (std::int64_t i = 0; i < 5 * view->labelsPerScreen(); ++i) {
    const std::int64_t p = view->position();
    view->stepFill();
    if (p % view->labelsPerScreen() == view->middleIndex()) {
      middle.push_back(view->labels()[std::size_t(p)]->text());
    }
  }
  // The sequence starts at phrase 8 (8 mod 2 = 0), then wraps at the list's last.
  EXPECT_EQ(middle,
            (std::vector<std::string>{"YOU ONE", "YOU ONE", "YOU ONE", "YOU ONE", "YOU ONE"}));
  EXPECT_EQ(view->labels()[1]->text(), "YOU TWO");
}

TEST_F(ShowContent, APhraseTooWideForTheStageShrinksInTheRapidAndFillText) {
  const std::string wide = "you bring peace to those around you";  // 2061 points at 96
  install({wide, "you"});
  auto rapid = onStage<OrvRapidTextView>();
  rapid->prepareRapidText();
  rapid->showNextRapidPhrase();
  EXPECT_LT(rapid->mainLabel()->font().pointSize(), 96);
  EXPECT_LE(textWidth(*rapid->mainLabel()), 1920);
  rapid->showNextRapidPhrase();
  EXPECT_EQ(rapid->mainLabel()->font().pointSize(), 96);

  auto fill = onStage<OrvFillTextView>();
  fill->prepareFill();
  EXPECT_LE(textWidth(*fill->labels()[0]), 1920);
  EXPECT_EQ(fill->labels()[1]->font().pointSize(), 96);
  // The shrunk label keeps its row's height, so its text stays centred in the row.
  EXPECT_EQ(fill->labels()[0]->bounds().height(), fill->labels()[1]->bounds().height());
  // The same phrase among the built-in ones keeps its size, cut short as it always was.
  content::installShow({});
  auto builtIn = onStage<OrvRapidTextView>();
  builtIn->prepareRapidText();
  for (int i = 0; i <= 43; ++i) {
    builtIn->showNextRapidPhrase();
  }
  EXPECT_EQ(builtIn->mainLabel()->text(), content::upperCased(wide));
  EXPECT_EQ(builtIn->mainLabel()->font().pointSize(), 96);
}

}  // namespace
