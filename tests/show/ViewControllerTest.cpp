#include "show/ViewController.h"

#include <cmath>

#include "ShowTestSupport.h"
#include "app/AppDelegate.h"
#include "content/Content.h"

namespace {

using Controller = ShowTest;

std::vector<std::shared_ptr<ui::View>> stageLayers(const ViewController& c) {
  return {c.backgroundContainer(), c.rapidTextView(), c.fillTextView(),
          c.bigTextView(),         c.wfLabel(),       c.bipView(),
          c.overlayView()};
}

TEST_F(Controller, ConstructionPreparesThePlayerAndAppearingShowsOnlyTheStartScreen) {
  auto c = std::make_shared<ViewController>();
  EXPECT_EQ(audio.lastPath, (resources_ / "audio.m4a").string());
  EXPECT_EQ(audio.prepared, 1);
  auto window = showIn(c, 1280, 720);
  for (const auto& layer : stageLayers(*c)) {
    EXPECT_TRUE(layer->isHidden());
  }
  EXPECT_TRUE(c->contentView()->isHidden());
  EXPECT_EQ(c->startButton()->frame(), (ui::Rect{0, 0, 1280, 720}));
  // Without a click the start screen stays.
  runUntil(120);
  EXPECT_TRUE(c->contentView()->isHidden());
  EXPECT_EQ(audio.played, 0);
}

struct Fit {
  double width, height, scale;
};

class StageFit : public ShowTest, public ::testing::WithParamInterface<Fit> {};

TEST_P(StageFit, TheStageKeeps16By9AndFitsTheWindow) {
  const Fit fit = GetParam();
  auto c = std::make_shared<ViewController>();
  auto window = showIn(c, fit.width, fit.height);
  const ui::Rect squareBefore = c->qtFoolingBgView()->frame();
  if (fit.width > 0) {
    click(*window, {fit.width / 2, fit.height / 2});
  } else {
    // Nothing to click in an empty window: the button's action directly.
    c->startButtonTouchedWithButton(c->startButton().get());
  }
  runUntil(4);
  ASSERT_FALSE(c->contentView()->isHidden());

  const auto& root = c->view();
  EXPECT_EQ(root->bounds().size, (ui::Size{1920, 1080}));
  EXPECT_TRUE(root->clipsToBounds());
  if (std::isnan(fit.scale)) {
    EXPECT_TRUE(root->transform().isIdentity());
  } else {
    EXPECT_EQ(root->transform(), ui::AffineTransform::makeScale(fit.scale, fit.scale));
  }
  // The stage stays centred in the window.
  EXPECT_EQ(root->center(), (ui::Point{fit.width / 2, fit.height / 2}));
  EXPECT_EQ(c->contentView()->frame(), (ui::Rect{0, 0, 1920, 1080}));
  for (const auto& layer : std::vector<std::shared_ptr<ui::View>>{
           c->backgroundContainer(), c->rapidTextView(), c->fillTextView(), c->bigTextView(),
           c->overlayView()}) {
    EXPECT_EQ(layer->bounds().size, (ui::Size{1920, 1080}));
  }
  EXPECT_EQ(c->qtFoolingBgView()->frame(), squareBefore);
  EXPECT_EQ(c->bipView()->frame(), (ui::Rect{1832, 44, 44, 44}));
  EXPECT_EQ(c->bipView()->layer().cornerRadius(), 22);
  EXPECT_EQ(c->bipView()->backgroundColor(), ui::Color::black());
  EXPECT_TRUE(c->bipView()->isHidden());
}

INSTANTIATE_TEST_SUITE_P(Windows, StageFit,
                         ::testing::Values(Fit{1920, 1080, 1.0}, Fit{1280, 720, 1280.0 / 1920},
                                           Fit{2560, 1080, 1.0}, Fit{1280, 1024, 1280.0 / 1920},
                                           Fit{0, 0, NAN}));

TEST_F(Controller, AClickFadesTheStartScreenAndTheShowStartsWhenTheFadeCompletes) {
  auto c = std::make_shared<ViewController>();
  auto window = showIn(c, 1920, 1080);
  runUntil(1);
  click(*window, {1900, 1000});
  const auto& button = c->startButton();
  EXPECT_FALSE(button->isUserInteractionEnabled());
  EXPECT_NEAR(button->presentedAlpha(3), 0.5, 1e-6);  // half way on the symmetric curve
  // A second click during the fade does nothing.
  runUntil(2);
  click(*window, {100, 100});
  runUntil(4.999);
  EXPECT_TRUE(c->contentView()->isHidden());
  EXPECT_EQ(audio.played, 0);
  runUntil(5);
  EXPECT_FALSE(c->contentView()->isHidden());
  EXPECT_TRUE(button->isHidden());
  EXPECT_EQ(audio.played, 1);
  // Position 0 has no delay: it ran with the fade's completion.
  EXPECT_FALSE(c->rapidTextView()->isHidden());
  // Nor does a click after the fade.
  click(*window, {100, 100});
  runUntil(80);
  EXPECT_EQ(audio.played, 1);
  EXPECT_EQ(ui::RunLoop::main().pendingCount(), 0u);
}

TEST_F(Controller, AppearingAgainMidShowRebuildsTheStackAndTheMusicStaysStopped) {
  auto c = std::make_shared<ViewController>();
  auto window = showIn(c, 1280, 720);
  click(*window, {10, 10});
  runUntil(4);
  const double start = now();
  runUntil(start + 40.5);  // a fill-with-overlay passage
  window->close();
  EXPECT_EQ(audio.stopped, 1);
  c->viewWillAppear(false);
  for (const auto& layer : stageLayers(*c)) {
    EXPECT_TRUE(layer->isHidden());
  }
  // The next cue unhides only what its row unhides; the dot waits for its flash.
  runUntil(start + 40.5625);
  EXPECT_FALSE(c->fillTextView()->isHidden());
  EXPECT_FALSE(c->overlayView()->isHidden());
  EXPECT_TRUE(c->bipView()->isHidden());
  runUntil(start + 42);
  EXPECT_FALSE(c->bipView()->isHidden());
  EXPECT_EQ(audio.played, 1);
}

TEST_F(Controller, AMissingOrUnplayableTrackEndsConstructionWithStatusOneAndOneLine) {
  ui::AudioPlayer::setFactory([](const std::string&, std::string& error) {
    error = "not an audio file";
    return std::shared_ptr<ui::AudioPlayer>();
  });
  EXPECT_EXIT(ViewController(), ::testing::ExitedWithCode(1), "audio\\.m4a: not an audio file\n$");
  std::filesystem::remove(resources_ / "audio.m4a");
  EXPECT_EXIT(ViewController(), ::testing::ExitedWithCode(1), "audio\\.m4a is missing\n$");
}

}  // namespace
