#include <map>
#include <vector>

#include "ShowTestSupport.h"
#include "content/Content.h"
#include "show/CueSheet.h"

// One whole show on the virtual clock, through the real controller and the
// real effect views; only the dot's flashes are recorded on the way.
namespace {

struct Flash {
  double time;
  bool animated;
  double duration;
};

std::vector<Flash>* flashes = nullptr;

class RecordedBip : public OrvBipView {
 public:
  using OrvBipView::OrvBipView;
  void flash(bool animated, double duration) override {
    flashes->push_back({ui::RunLoop::main().now(), animated, duration});
    OrvBipView::flash(animated, duration);
  }
};

class RecordedController : public ViewController {
 public:
  RecordedController() : ViewController(recorded()) {}

 private:
  static Members recorded() {
    Members m = makeMembers();
    m.bipView = std::make_shared<RecordedBip>(ui::Rect::zero());
    return m;
  }
};

class Timeline : public ShowTest {
 protected:
  void SetUp() override {
    ShowTest::SetUp();
    flashes = &flashed;
    controller = std::make_shared<RecordedController>();
    window = showIn(controller, 1920, 1080);
    click(*window, {960, 540});
    runUntil(4);
    start = now();
  }
  void TearDown() override {
    flashes = nullptr;
    ShowTest::TearDown();
  }

  // Runs the clock through cue p (and the work due at the same instant).
  void runThroughCue(std::int64_t p) { runUntil(start + static_cast<double>(p) * 0.0625); }

  std::vector<Flash> flashed;
  std::shared_ptr<RecordedController> controller;
  std::shared_ptr<ui::Window> window;
  double start = 0;
};

struct Visible {
  bool rapid, fill, big, closing, overlay;
};

// Each cue step leaves a mark: a counter moves, or a word is lit until 0.05 s
// later, so the marks seen right after each cue count the steps.
TEST_F(Timeline, OneShowMakesExactlyTheCuedSteps) {
  const auto& c = *controller;
  std::map<std::string, std::vector<std::int64_t>> stepsAt;
  auto changed = [&](const char* name, std::int64_t before, std::int64_t after, std::int64_t p) {
    if (before != after) {
      stepsAt[name].push_back(p);
    }
  };
  // Cue 0 ran with the start itself.
  ASSERT_EQ(c.rapidTextView()->rapidPosition(), 1);
  int rapid = 1, bigWords = 0;
  for (std::int64_t p = 0; p <= 1024; ++p) {
    const auto rapidBefore = c.rapidTextView()->rapidPosition();
    const auto staticBefore = c.rapidTextView()->staticPosition();
    const auto fillBefore = c.fillTextView()->position();
    const auto patternBefore = c.overlayView()->position();
    const auto wordBefore = c.bigTextView()->position;
    runThroughCue(p);
    rapid += c.rapidTextView()->rapidPosition() != rapidBefore;
    bigWords += !c.bigTextView()->isHidden() && !c.bigTextView()->label()->isHidden();
    changed("static", staticBefore, c.rapidTextView()->staticPosition(), p);
    changed("fill", fillBefore, c.fillTextView()->position(), p);
    changed("pattern", patternBefore, c.overlayView()->position(), p);
    changed("word", wordBefore, c.bigTextView()->position, p);
  }
  EXPECT_EQ(rapid, 249);
  EXPECT_EQ(bigWords, 192);
  EXPECT_EQ(stepsAt["fill"].size(), 288u);
  EXPECT_EQ(stepsAt["static"], (std::vector<std::int64_t>{32, 96, 160, 224, 288, 352, 416, 480}));
  EXPECT_EQ(stepsAt["pattern"], (std::vector<std::int64_t>{704, 768, 832, 896, 960}));
  EXPECT_EQ(stepsAt["word"], (std::vector<std::int64_t>{640, 704, 768, 832, 896}));
  EXPECT_EQ(c.overlayView()->position(), 7);
  EXPECT_EQ(c.bigTextView()->position, 5);

  // Every flash lies on a cue the sheet gives one, with the sheet's fade and
  // duration, and every such cue flashed once: every 64th position from 32.
  // A flash fades exactly when it lasts longer than a tenth of a second, and
  // from the first invitation on every one is a 2 s fade.
  std::size_t k = 0;
  for (std::int64_t p = 0; p <= CueSheet::kLength; ++p) {
    const auto sheet = CueSheet::flashAt(p);
    EXPECT_EQ(sheet.has_value(), p % 64 == 32) << "position " << p;
    if (!sheet) {
      continue;
    }
    ASSERT_LT(k, flashed.size()) << "no flash at position " << p;
    EXPECT_EQ(flashed[k].time, start + static_cast<double>(p) * CueSheet::kCueInterval) << p;
    EXPECT_EQ(flashed[k].animated, sheet->animated) << p;
    EXPECT_EQ(flashed[k].duration, sheet->duration) << p;
    EXPECT_EQ(sheet->animated, sheet->duration > 0.1) << p;
    EXPECT_TRUE(p < 512 || sheet->duration == 2.0) << p;
    ++k;
  }
  EXPECT_EQ(flashed.size(), k) << "flashes off the sheet";
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

}  // namespace
