#include "effects/OrvOverlayView.h"

#include <deque>

#include "EffectTestSupport.h"

namespace {

class Overlay : public EffectTest {
 protected:
  std::shared_ptr<OrvOverlayView> prepared(ui::Rect frame = kStage) {
    auto view = std::make_shared<OrvOverlayView>(ui::Rect::zero());
    view->setFrame(frame);
    view->prepareOverlay();
    return view;
  }
  static std::vector<ui::Rect> frames(const OrvOverlayView& view) {
    std::vector<ui::Rect> out;
    for (const auto& bar : view.views()) {
      out.push_back(bar->frame());
    }
    return out;
  }
};

class ScriptedSource : public ui::RandomSource {
 public:
  explicit ScriptedSource(std::deque<std::uint64_t> words) : words_(std::move(words)) {}
  std::uint64_t nextWord() override {
    std::uint64_t w = words_.front();
    words_.pop_front();
    return w;
  }

 private:
  std::deque<std::uint64_t> words_;
};

TEST_F(Overlay, PatternsOnTheStageFiveJumpsToSevenAndEveryBarHides) {
  auto view = prepared();
  ASSERT_EQ(view->views().size(), 7u);
  EXPECT_EQ(view->position(), 1);
  EXPECT_EQ(frames(*view)[0], (ui::Rect{250, 0, 20, 1080}));
  EXPECT_EQ(frames(*view)[1], ui::Rect::zero());
  std::vector<std::int64_t> positions;
  std::vector<std::vector<ui::Rect>> layouts;
  for (int i = 0; i < 5; ++i) {
    for (const auto& bar : view->views()) {
      bar->setHidden(false);
    }
    view->advancePattern();
    for (const auto& bar : view->views()) {
      EXPECT_TRUE(bar->isHidden());
    }
    positions.push_back(view->position());
    layouts.push_back(frames(*view));
  }
  EXPECT_EQ(positions, (std::vector<std::int64_t>{2, 3, 4, 5, 7}));
  EXPECT_EQ(layouts[0][1], (ui::Rect{0, 800, 1920, 40}));
  EXPECT_EQ(layouts[1][2], (ui::Rect{1600, 0, 320, 1080}));
  EXPECT_EQ(layouts[2][3], (ui::Rect{960, 540, 960, 540}));
  EXPECT_EQ(layouts[3][4], (ui::Rect{0, 864, 1920, 216}));
  EXPECT_EQ(layouts[3][5], ui::Rect::zero());  // until pattern 7
  EXPECT_EQ(layouts[4][6], (ui::Rect{1280, 0, 640, 1080}));
}

TEST_F(Overlay, Bit17DecidesEachBarAndFlashesLastFiftyMilliseconds) {
  auto view = prepared();
  view->advancePattern();  // two bars
  ui::Random::setSource(std::make_unique<ScriptedSource>(
      std::deque<std::uint64_t>{0x20000, ~std::uint64_t{0x20000}}));
  view->flashRandomView();
  EXPECT_TRUE(view->views()[0]->isHidden());
  EXPECT_FALSE(view->views()[1]->isHidden());
  runUntil(0.0499);
  EXPECT_FALSE(view->views()[1]->isHidden());
  runUntil(0.05);
  EXPECT_TRUE(view->views()[1]->isHidden());
}

}  // namespace
