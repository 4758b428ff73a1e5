#include <gtest/gtest.h>

#include <vector>

#include "PixelTesting.h"
#include "platform/Compositor.h"
#include "ui/Label.h"
#include "ui/RunLoop.h"

namespace {

using pixeltesting::renderer;

// A cached frame must equal the same frame drawn from scratch, whatever
// changed since the cache was made.
class CompositorCache : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    plain_ = platform::OffscreenRenderer::create(error);
    ASSERT_TRUE(plain_) << error;
    plain_->compositor().setCaching(false);
    renderer().compositor().setCaching(true);

    root_ = std::make_shared<ui::View>(ui::Rect{0, 0, 320, 200});
    root_->setBackgroundColor(ui::Color::withRGBA(41 / 255.0, 23 / 255.0, 32 / 255.0, 1));
    container_ = std::make_shared<ui::View>(ui::Rect{0, 0, 320, 200});
    root_->addSubview(container_);
    for (int i = 0; i < 24; ++i) {
      auto label = std::make_shared<ui::Label>();
      label->setFont(ui::Font::boldSystemFont(24));
      label->setText(i % 2 ? "YOU ARE GOOD" : "YOU LIGHT UP THE ROOM");
      label->sizeToFit();
      label->setFrame({double(i % 3) * 7, (i % 8) * 21.0, 320, label->bounds().height()});
      label->setTextColor(i % 2 ? ui::Color::withRGBA(1, 0.5, 0.1, 1) : ui::Color::white());
      label->setHidden(true);
      container_->addSubview(label);
      labels_.push_back(label);
    }
  }

  // Renders with and without the cache and compares; returns the cached statistics.
  platform::Compositor::Statistics expectSameFrame(const char* step, double scale = 1) {
    int w = int(320 * scale), h = int(200 * scale);
    auto cached = renderer().render(*root_, 0, w, h, scale);
    auto statistics = renderer().compositor().statistics();
    auto fresh = plain_->render(*root_, 0, w, h, scale);
    EXPECT_TRUE(pixeltesting::sameImage(cached, fresh, 2)) << "stale picture after: " << step;
    return statistics;
  }

  std::unique_ptr<platform::OffscreenRenderer> plain_;
  std::shared_ptr<ui::View> root_;
  std::shared_ptr<ui::View> container_;
  std::vector<std::shared_ptr<ui::Label>> labels_;
};

TEST_F(CompositorCache, RevealsAndHidesMatchAFreshDrawing) {
  EXPECT_EQ(expectSameFrame("first frame").redrawn, 1);
  for (int i = 0; i < 12; ++i) {
    labels_[i]->setHidden(false);
    auto statistics = expectSameFrame("a reveal on top");
    EXPECT_EQ(statistics.redrawn, 0);
    EXPECT_EQ(statistics.damaged, 1);
  }
  auto still = expectSameFrame("nothing changed");
  EXPECT_EQ(still.reused, 1);
  EXPECT_EQ(still.damaged + still.redrawn, 0);

  // A lower label hidden: what lay above it must come back.
  labels_[3]->setHidden(true);
  EXPECT_EQ(expectSameFrame("a lower label hidden").redrawn, 0);
  // Revealed and hidden in the same frame, as the middle row does.
  labels_[12]->setHidden(false);
  labels_[4]->setHidden(true);
  expectSameFrame("reveal and hide together");
  // A lower label revealed under drawn ones must go beneath them.
  labels_[3]->setHidden(false);
  expectSameFrame("a lower label revealed again");
}

TEST_F(CompositorCache, ChangesOfTextColourFrameAndOrderAreSeen) {
  for (int i = 0; i < 16; ++i) {
    labels_[i]->setHidden(false);
  }
  expectSameFrame("sixteen labels");
  labels_[5]->setTextColor(ui::Color::yellow());
  expectSameFrame("a colour change");
  labels_[6]->setText("YOU ARE INVITED");
  expectSameFrame("a text change");
  labels_[7]->setFrame({40, 10, 200, 30});
  expectSameFrame("a move");
  container_->bringSubviewToFront(labels_[0]);
  expectSameFrame("a reorder");
  container_->setBackgroundColor(ui::Color::withRGBA(0, 0, 1, 0.5));
  expectSameFrame("a background");
  labels_[2]->removeFromSuperview();
  expectSameFrame("a removal");
  container_->setAlpha(0.5);
  expectSameFrame("the cached view made translucent");
  container_->setAlpha(1);
  // With a sibling the root no longer holds just the labels' container, so
  // the container is cached on its own, over a background drawn each frame.
  root_->addSubview(pixeltesting::box({10, 10, 40, 40}, ui::Color::withRGBA(0, 1, 0, 0.5)));
  expectSameFrame("a sibling beside the container");
  labels_[20]->setHidden(false);
  expectSameFrame("a reveal in the container cached alone");
  labels_[8]->setHidden(true);
  expectSameFrame("a hide in the container cached alone");
  root_->setBounds({0, 0, 160, 100});
  expectSameFrame("the root's bounds moved", 2);
}

TEST_F(CompositorCache, AnimatedSubtreesAreNotCachedStale) {
  for (int i = 0; i < 16; ++i) {
    labels_[i]->setHidden(false);
  }
  expectSameFrame("sixteen labels");
  ui::RunLoop::main().reset(0);
  ui::View::animate(1, [&] { labels_[2]->setAlpha(0.2); });
  for (double t : {0.0, 0.25, 0.5, 1.0, 2.0}) {
    auto cached = renderer().render(*root_, t, 320, 200, 1);
    auto fresh = plain_->render(*root_, t, 320, 200, 1);
    EXPECT_TRUE(pixeltesting::sameImage(cached, fresh, 2)) << "at " << t;
  }
  ui::RunLoop::main().runUntil(2);
  expectSameFrame("after the animation");
  ui::RunLoop::main().reset(0);
}

}  // namespace
