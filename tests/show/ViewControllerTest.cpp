#include "show/ViewController.h"

#include <atomic>
#include <chrono>
#include <cmath>
#include <future>
#include <ostream>
#include <string>
#include <thread>

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
  auto window = showIn(c, 1280, 720);
  ASSERT_NE(c->audioPlayer(), nullptr);
  EXPECT_EQ(audio.lastPath, (resources_ / "audio.m4a").string());
  EXPECT_EQ(audio.prepared, 1);
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

// A window at the click, and the size it takes later in the show (none: it
// keeps its size), with the stage's scale expected for each.
struct Fit {
  const char* name;
  double width, height, scale;
  double laterWidth, laterHeight, laterScale;
};

void PrintTo(const Fit& fit, std::ostream* os) {
  *os << fit.name;
}

class StageFit : public ShowTest, public ::testing::WithParamInterface<Fit> {};

// The stage stays 1920 × 1080 points, centred, and wholly inside the window.
void expectFitted(ViewController& c, ui::Size window, double scale) {
  const auto& root = c.view();
  EXPECT_EQ(root->bounds().size, (ui::Size{1920, 1080}));
  EXPECT_TRUE(root->clipsToBounds());
  if (std::isnan(scale)) {
    EXPECT_TRUE(root->transform().isIdentity());
    return;
  }
  EXPECT_EQ(root->transform(), ui::AffineTransform::makeScale(scale, scale));
  EXPECT_EQ(root->center(), (ui::Point{window.width / 2, window.height / 2}));
  const ui::Rect shown = root->frame();
  EXPECT_GE(shown.x(), -1e-9);
  EXPECT_GE(shown.y(), -1e-9);
  EXPECT_LE(shown.maxX(), window.width + 1e-9);
  EXPECT_LE(shown.maxY(), window.height + 1e-9);
}

TEST_P(StageFit, TheStageKeeps16By9AndFitsTheWindowWheneverItsSizeChanges) {
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
  expectFitted(*c, {fit.width, fit.height}, fit.scale);

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

  if (fit.laterWidth > 0) {
    runUntil(14);
    window->resize({fit.laterWidth, fit.laterHeight});
    expectFitted(*c, {fit.laterWidth, fit.laterHeight}, fit.laterScale);
    EXPECT_EQ(c->contentView()->frame(), (ui::Rect{0, 0, 1920, 1080}));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Windows, StageFit,
    ::testing::Values(Fit{"Exactly16By9", 1920, 1080, 1.0, 0, 0, 0},
                      Fit{"Wider", 2560, 1080, 1.0, 0, 0, 0},
                      Fit{"Narrower", 1280, 1024, 1280.0 / 1920, 0, 0, 0},
                      Fit{"Empty", 0, 0, NAN, 0, 0, 0},
                      Fit{"FullScreenAfterTheClick", 960, 540, 0.5, 1920, 1080, 1.0},
                      Fit{"LeavingFullScreen", 1920, 1080, 1.0, 1280, 720, 1280.0 / 1920},
                      Fit{"TallNarrowMidShow", 1920, 1080, 1.0, 300, 1000, 300.0 / 1920}),
    [](const ::testing::TestParamInfo<Fit>& test) { return std::string(test.param.name); });

// Every line of the start screen, the strobe warning included, shows unbroken
// in the window, and the text follows the window when it is resized.
struct StartWindow {
  const char* name;
  double width, height;
  double laterWidth, laterHeight;
};

void PrintTo(const StartWindow& w, std::ostream* os) {
  *os << w.name;
}

class StartScreen : public ShowTest, public ::testing::WithParamInterface<StartWindow> {};

void expectWholeText(ViewController& c, ui::Size window) {
  const auto& title = c.startButton()->titleLabel();
  c.startButton()->layoutIfNeeded();
  const ui::TextLayout& layout = title->layout();
  EXPECT_EQ(layout.lines().size(), 13u);
  EXPECT_FALSE(layout.isTruncated());
  // The title sits in the button, which covers the root view, which fills
  // the window before the show.
  const ui::Rect used = layout.usedRect();
  const ui::Point topLeft =
      c.startButton()->convertToSuperview(title->convertToSuperview(used.origin));
  const ui::Point bottomRight =
      c.startButton()->convertToSuperview(title->convertToSuperview({used.maxX(), used.maxY()}));
  EXPECT_GE(topLeft.x, 0);
  EXPECT_GE(topLeft.y, 0);
  EXPECT_LE(bottomRight.x, window.width);
  EXPECT_LE(bottomRight.y, window.height);
  EXPECT_LE(title->font().pointSize(), 24);
}

TEST_P(StartScreen, ShowsAllItsLinesInTheWindow) {
  const StartWindow w = GetParam();
  auto c = std::make_shared<ViewController>();
  auto window = showIn(c, w.width, w.height);
  expectWholeText(*c, {w.width, w.height});
  window->resize({w.laterWidth, w.laterHeight});
  expectWholeText(*c, {w.laterWidth, w.laterHeight});
}

INSTANTIATE_TEST_SUITE_P(
    Windows, StartScreen,
    ::testing::Values(StartWindow{"Smallest320By240ThenLarge", 320, 240, 1920, 1080},
                      StartWindow{"LargeThenTiny100By100", 1920, 1080, 100, 100},
                      StartWindow{"WideAndLow", 1920, 200, 640, 480}),
    [](const ::testing::TestParamInfo<StartWindow>& test) { return std::string(test.param.name); });

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

// With no sound server or card the show still plays, and says why it is silent.
TEST_F(Controller, WithoutASoundOutputTheShowGoesOnAndSaysSo) {
  audio.noOutput = true;
  auto c = std::make_shared<ViewController>();
  auto window = showIn(c, 640, 360);
  click(*window, {10, 10});
  ::testing::internal::CaptureStderr();
  runUntil(4);
  const std::string said = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(said.find("no sound output could be opened"), std::string::npos) << said;
  runUntil(now() + 40);
  EXPECT_FALSE(c->fillTextView()->isHidden());
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

// The track is opened while the start screen stands, off the main thread: the
// opening below cannot end before the test lets it, yet the controller is
// built and shown. A click waits for it.
TEST_F(Controller, TheStartScreenDoesNotWaitForTheMusicButAClickDoes) {
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  ui::AudioPlayer::setFactory([this, released](const std::string& path, std::string&) {
    released.wait();
    ++audio.created;
    audio.lastPath = path;
    return std::make_shared<FakeAudioPlayer>(audio);
  });
  auto c = std::make_shared<ViewController>();
  auto window = showIn(c, 640, 360);
  EXPECT_FALSE(c->musicSettled());
  EXPECT_FALSE(c->startButton()->isHidden());
  std::thread opener([&release] { release.set_value(); });
  click(*window, {10, 10});
  EXPECT_TRUE(c->musicSettled());
  EXPECT_EQ(audio.created, 1);
  EXPECT_EQ(audio.prepared, 1);
  runUntil(4);
  EXPECT_EQ(audio.played, 1);
  opener.join();
}

// Nor does the first frame share the machine with the opening, which loads
// the decoder's libraries: it begins once that frame is on screen. The pause
// gives an opening begun at construction time to show itself.
TEST_F(Controller, TheMusicIsOpenedOnlyOnceTheFirstFrameIsOnScreen) {
  std::atomic<bool> shown{false}, openedBefore{false};
  ui::AudioPlayer::setFactory([this, &shown, &openedBefore](const std::string&, std::string&) {
    openedBefore = !shown.load();
    return std::make_shared<FakeAudioPlayer>(audio);
  });
  auto c = std::make_shared<ViewController>();
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  shown = true;
  auto window = showIn(c, 640, 360);
  click(*window, {10, 10});
  EXPECT_TRUE(c->musicSettled());
  EXPECT_FALSE(openedBefore);
}

// The window and its start screen come first; the shell learns of a track
// that cannot be played from the delegate, once its opening has ended.
TEST_F(Controller, TheDelegateLaunchesAndThenNamesATrackThatCannotBePlayed) {
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  ui::AudioPlayer::setFactory([released](const std::string&, std::string& error) {
    released.wait();
    error = "not an audio file";
    return std::shared_ptr<ui::AudioPlayer>();
  });
  AppDelegate delegate;
  ASSERT_TRUE(delegate.didFinishLaunchingWithOptions({}));
  EXPECT_EQ(delegate.launchFailure(false), "") << "the opening cannot have ended yet";
  std::thread opener([&release] { release.set_value(); });
  const std::string expected = "cannot play the music: " + (resources_ / "audio.m4a").string() +
                               ": not an audio file (reinstalling invited restores it)";
  EXPECT_EQ(delegate.launchFailure(true), expected);
  EXPECT_EQ(delegate.launchFailure(false), expected);
  opener.join();
}

// The controller reports; the program decides to stop (AppDelegate, main).
TEST_F(Controller, AMissingOrUnplayableTrackLeavesNoPlayerAndOneLineNamingTheFile) {
  ui::AudioPlayer::setFactory([](const std::string&, std::string& error) {
    error = "not an audio\nfile";
    return std::shared_ptr<ui::AudioPlayer>();
  });
  const std::string track = (resources_ / "audio.m4a").string();
  ViewController unplayable;
  EXPECT_EQ(unplayable.audioPlayer(), nullptr);
  EXPECT_EQ(unplayable.musicFailure(), "cannot play the music: " + track + ": not an audio file");
  std::filesystem::remove(resources_ / "audio.m4a");
  ViewController missing;
  EXPECT_EQ(missing.musicFailure(), "cannot play the music " + track + ": no such file");
  std::filesystem::create_directory(resources_ / "audio.m4a");
  ViewController folder;
  EXPECT_EQ(folder.musicFailure(),
            "cannot play the music " + track + ": a folder, not a regular file");
}

}  // namespace
