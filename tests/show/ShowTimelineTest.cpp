#include <map>
#include <vector>

#include "ShowTestSupport.h"
#include "content/Content.h"

// One whole show on the virtual clock, through the real controller. The
// effect views are the real ones with their cue operations counted.
namespace {

struct Calls {
  std::vector<std::string> preparations;
  int rapid = 0, statics = 0, fill = 0, bigWord = 0, flashBars = 0, advance = 0;
  std::vector<double> staticTimes;
  struct Flash {
    double time;
    bool animated;
    double duration;
  };
  std::vector<Flash> flashes;
};

Calls* calls = nullptr;

double clock() {
  return ui::RunLoop::main().now();
}

class CountedRapidText : public OrvRapidTextView {
 public:
  using OrvRapidTextView::OrvRapidTextView;
  void prepareRapidText() override {
    calls->preparations.push_back("rapid");
    OrvRapidTextView::prepareRapidText();
  }
  void showNextRapidPhrase() override {
    ++calls->rapid;
    OrvRapidTextView::showNextRapidPhrase();
  }
  void showNextStaticPhrase() override {
    ++calls->statics;
    calls->staticTimes.push_back(clock());
    OrvRapidTextView::showNextStaticPhrase();
  }
};

class CountedFillText : public OrvFillTextView {
 public:
  using OrvFillTextView::OrvFillTextView;
  void prepareFill() override {
    calls->preparations.push_back("fill");
    OrvFillTextView::prepareFill();
  }
  void stepFill() override {
    ++calls->fill;
    OrvFillTextView::stepFill();
  }
};

class CountedBigText : public OrvBigTextView {
 public:
  using OrvBigTextView::OrvBigTextView;
  void prepareBigText() override {
    calls->preparations.push_back("big");
    OrvBigTextView::prepareBigText();
  }
  void showBigWord() override {
    ++calls->bigWord;
    OrvBigTextView::showBigWord();
  }
};

class CountedOverlay : public OrvOverlayView {
 public:
  using OrvOverlayView::OrvOverlayView;
  void prepareOverlay() override {
    calls->preparations.push_back("overlay");
    OrvOverlayView::prepareOverlay();
  }
  void flashRandomView() override {
    ++calls->flashBars;
    OrvOverlayView::flashRandomView();
  }
  void advancePattern() override {
    ++calls->advance;
    OrvOverlayView::advancePattern();
  }
};

class CountedBip : public OrvBipView {
 public:
  using OrvBipView::OrvBipView;
  void flash(bool animated, double duration) override {
    calls->flashes.push_back({clock(), animated, duration});
    OrvBipView::flash(animated, duration);
  }
};

class CountedController : public ViewController {
 public:
  CountedController() : ViewController(counted()) {}

 private:
  static Members counted() {
    Members m = makeMembers();
    const ui::Rect zero = ui::Rect::zero();
    m.rapidTextView = std::make_shared<CountedRapidText>(zero);
    m.fillTextView = std::make_shared<CountedFillText>(zero);
    m.bigTextView = std::make_shared<CountedBigText>(zero);
    m.bipView = std::make_shared<CountedBip>(zero);
    m.overlayView = std::make_shared<CountedOverlay>(zero);
    return m;
  }
};

class Timeline : public ShowTest {
 protected:
  void SetUp() override {
    ShowTest::SetUp();
    calls = &counts;
    controller = std::make_shared<CountedController>();
    window = showIn(controller, 1920, 1080);
    click(*window, {960, 540});
    runUntil(4);
    start = now();
  }
  void TearDown() override {
    calls = nullptr;
    ShowTest::TearDown();
  }

  // Runs the clock through cue p (and the work due at the same instant).
  void runThroughCue(std::int64_t p) { runUntil(start + static_cast<double>(p) * 0.0625); }

  Calls counts;
  std::shared_ptr<CountedController> controller;
  std::shared_ptr<ui::Window> window;
  double start = 0;
};

struct Visible {
  bool rapid, fill, big, closing, overlay;
};

TEST_F(Timeline, OneShowMakesExactlyTheCuedCalls) {
  EXPECT_EQ(start, 4);
  EXPECT_EQ(counts.preparations, (std::vector<std::string>{"rapid", "fill", "big", "overlay"}));
  EXPECT_EQ(audio.played, 1);

  int raises = 0;
  std::int64_t word = controller->bigTextView()->position;
  std::map<std::int64_t, int> advancesAt;
  for (std::int64_t p = 0; p <= 1024; ++p) {
    const int advanceBefore = counts.advance;
    runThroughCue(p);
    const std::int64_t nowWord = controller->bigTextView()->position;
    if (nowWord != word) {
      EXPECT_EQ(nowWord, word + 1) << "at position " << p;
      EXPECT_TRUE(p == 640 || p == 704 || p == 768 || p == 832 || p == 896) << p;
      ++raises;
      word = nowWord;
    }
    if (counts.advance != advanceBefore) {
      advancesAt[p] = counts.advance - advanceBefore;
    }
  }
  runUntil(start + 64.1);

  EXPECT_EQ(counts.rapid, 249);
  EXPECT_EQ(counts.statics, 8);
  EXPECT_EQ(counts.fill, 288);
  EXPECT_EQ(counts.bigWord, 192);
  EXPECT_EQ(counts.flashBars, 192);
  EXPECT_EQ(counts.advance, 5);
  EXPECT_EQ(raises, 5);
  EXPECT_EQ(advancesAt,
            (std::map<std::int64_t, int>{{704, 1}, {768, 1}, {832, 1}, {896, 1}, {960, 1}}));
  EXPECT_EQ(controller->overlayView()->position(), 7);

  ASSERT_EQ(counts.staticTimes.size(), 8u);
  for (std::size_t k = 0; k < 8; ++k) {
    EXPECT_EQ(counts.staticTimes[k], start + (64.0 * k + 32) * 0.0625);
  }

  // The dot flashes on every 64th position from 32: short unanimated flashes
  // in the opening, fades from the first invitation on, 2 s fades always.
  ASSERT_EQ(counts.flashes.size(), 16u);
  std::map<double, int> durations;
  for (std::size_t k = 0; k < counts.flashes.size(); ++k) {
    const auto& flash = counts.flashes[k];
    EXPECT_EQ(flash.time, start + (64.0 * double(k) + 32) * 0.0625) << k;
    EXPECT_EQ(flash.animated, flash.duration > 0.1) << k;
    if (k >= 8) {
      EXPECT_TRUE(flash.animated && flash.duration == 2.0) << k;
    }
    ++durations[flash.duration];
  }
  EXPECT_EQ(durations, (std::map<double, int>{{0.1, 5}, {0.2, 1}, {0.4, 1}, {2.0, 9}}));
  EXPECT_EQ(counts.flashes[3].duration, 2.0);  // position 224
  EXPECT_EQ(counts.flashes[5].duration, 0.2);  // position 352
}

TEST_F(Timeline, TheRoadOfCue608) {
  const auto& c = *controller;
  runThroughCue(607);
  const std::size_t flashesBefore = counts.flashes.size();
  runThroughCue(608);
  EXPECT_FALSE(c.backgroundContainer()->isHidden());
  EXPECT_EQ(c.backgroundContainer()->backgroundColor(), ui::Color::white());
  EXPECT_TRUE(c.fillTextView()->isHidden());
  EXPECT_FALSE(c.bigTextView()->isHidden());
  const auto& word = c.bigTextView()->label();
  EXPECT_FALSE(word->isHidden());
  EXPECT_EQ(word->text(), content::invitationWords()[0]);
  EXPECT_EQ(word->textColor(), ui::Color::white());
  EXPECT_EQ(c.bigTextView()->backgroundColor(), content::paletteOrange());
  ASSERT_EQ(counts.flashes.size(), flashesBefore + 1);
  EXPECT_TRUE(counts.flashes.back().animated);
  EXPECT_EQ(counts.flashes.back().duration, 2.0);
  runUntil(now() + 0.05);
  EXPECT_TRUE(word->isHidden());
}

TEST_F(Timeline, EachPassageShowsItsOwnLayers) {
  const auto& c = *controller;
  auto visible = [&] {
    return Visible{!c.rapidTextView()->isHidden(), !c.fillTextView()->isHidden(),
                   !c.bigTextView()->isHidden(), !c.wfLabel()->isHidden(),
                   !c.overlayView()->isHidden()};
  };
  auto expectLayers = [&](std::int64_t p, Visible want) {
    Visible got = visible();
    EXPECT_EQ(got.rapid, want.rapid) << "rapid text at " << p;
    EXPECT_EQ(got.fill, want.fill) << "fill text at " << p;
    EXPECT_EQ(got.big, want.big) << "big text at " << p;
    EXPECT_EQ(got.closing, want.closing) << "closing line at " << p;
    EXPECT_EQ(got.overlay, want.overlay) << "overlay at " << p;
  };

  std::map<std::int64_t, Visible> table{
      {0, {true, false, false, false, false}},   {512, {false, true, false, false, false}},
      {608, {false, false, true, false, false}}, {640, {false, true, false, false, true}},
      {992, {false, false, false, true, true}},  {1024, {false, false, false, false, true}}};
  for (std::int64_t p : {672, 736, 800, 864, 928}) {
    table[p] = {false, false, true, false, true};
  }
  for (std::int64_t p : {704, 768, 832, 896, 960}) {
    table[p] = {false, true, false, false, true};
  }
  for (const auto& [p, want] : table) {
    runThroughCue(p);
    expectLayers(p, want);
    EXPECT_FALSE(c.backgroundContainer()->isHidden());
    EXPECT_EQ(c.backgroundContainer()->backgroundColor(),
              p < 1024 ? ui::Color::white() : ui::Color::black())
        << p;
    EXPECT_EQ(c.bipView()->isHidden(), p < 32) << p;
  }
}

TEST_F(Timeline, QuietPositionsOfTheOpeningChangeNothing) {
  const auto& rapid = *controller->rapidTextView();
  runThroughCue(32);
  const int rapidCalls = counts.rapid;
  // The static phrase holds on its own timing: 1.5 s, to position 56.
  runUntil(start + 3.5 - 1e-9);
  EXPECT_FALSE(rapid.mainLabel()->isHidden());
  runThroughCue(64);
  EXPECT_TRUE(rapid.mainLabel()->isHidden());
  EXPECT_EQ(counts.rapid, rapidCalls);
  runThroughCue(65);
  EXPECT_EQ(counts.rapid, rapidCalls + 1);
}

TEST_F(Timeline, TheFinalPictureIsBlackWithTheBarsAndTheDotOut) {
  const auto& c = *controller;
  runThroughCue(1023);
  EXPECT_FALSE(c.wfLabel()->isHidden());
  runThroughCue(1024);
  EXPECT_TRUE(c.wfLabel()->isHidden());
  EXPECT_EQ(c.backgroundContainer()->backgroundColor(), ui::Color::black());
  runUntil(start + 64.1);
  for (const auto& bar : c.overlayView()->views()) {
    EXPECT_TRUE(bar->isHidden());
  }
  EXPECT_EQ(c.bipView()->presentedAlpha(now()), 0);
  // Nothing more is due; the music plays on.
  EXPECT_EQ(ui::RunLoop::main().pendingCount(), 0u);
  EXPECT_EQ(audio.stopped, 0);
}

TEST_F(Timeline, CuesRunOnInSilenceOnceTheViewHasGone) {
  runUntil(start + 10);
  window->close();
  EXPECT_EQ(audio.stopped, 1);
  runUntil(start + 64.1);
  EXPECT_EQ(counts.fill, 288);
  EXPECT_EQ(counts.flashes.size(), 16u);
  EXPECT_EQ(controller->backgroundContainer()->backgroundColor(), ui::Color::black());
}

}  // namespace
