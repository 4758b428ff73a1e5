#include "ui/View.h"

#include <gtest/gtest.h>

namespace {

using ui::AffineTransform;
using ui::Rect;
using ui::View;

TEST(View, TheFrameDerivesFromCentreBoundsAndTransform) {
  auto view = std::make_shared<View>(Rect{10, 20, 100, 50});
  EXPECT_EQ(view->center(), (ui::Point{60, 45}));
  // Setting the bounds size keeps the centre.
  view->setBounds({0, 0, 200, 10});
  EXPECT_EQ(view->frame(), (Rect{-40, 40, 200, 10}));

  view->setFrame({0, 0, 1920, 1080});
  view->setTransform(AffineTransform::identity().scaled(0.5, 0.5));
  EXPECT_EQ(view->frame(), (Rect{480, 270, 960, 540}));
  // A frame set through a scale keeps the scale and changes the bounds.
  view->setFrame({0, 0, 100, 100});
  EXPECT_EQ(view->bounds().size, (ui::Size{200, 200}));
}

TEST(View, PointsConvertThroughNestedTransforms) {
  auto root = std::make_shared<View>(Rect{0, 0, 400, 200});
  root->setBounds({0, 0, 800, 400});  // keeps centre (200, 100)
  root->setTransform(AffineTransform::makeScale(0.5, 0.5));
  auto child = std::make_shared<View>(Rect{100, 100, 50, 50});
  root->addSubview(child);
  // Root's point (100, 100) sits at (50, 50) in its superview.
  EXPECT_EQ(root->convertToSuperview({100, 100}), (ui::Point{50, 50}));
  EXPECT_EQ(root->convertFromSuperview({50, 50}), (ui::Point{100, 100}));
  EXPECT_EQ(child->convertFromSuperview({110, 120}), (ui::Point{10, 20}));
}

TEST(View, AddingAgainMovesToFrontAndAnotherParentTakesItOut) {
  auto parent = std::make_shared<View>();
  auto a = std::make_shared<View>(), b = std::make_shared<View>();
  parent->addSubview(a);
  parent->addSubview(b);
  parent->addSubview(a);
  EXPECT_EQ(parent->subviews(), (std::vector<std::shared_ptr<View>>{b, a}));
  parent->sendSubviewToBack(a);
  EXPECT_EQ(parent->subviews(), (std::vector<std::shared_ptr<View>>{a, b}));
  auto other = std::make_shared<View>();
  other->addSubview(b);
  EXPECT_EQ(parent->subviews(), (std::vector<std::shared_ptr<View>>{a}));
  EXPECT_EQ(b->superview(), other.get());
}

TEST(View, AutoresizingSpreadsChangeOverFlexibleParts) {
  auto parent = std::make_shared<View>(Rect{0, 0, 100, 100});
  auto fixed = std::make_shared<View>(Rect{10, 10, 20, 20});
  auto rightPinned = std::make_shared<View>(Rect{10, 10, 20, 20});
  rightPinned->setAutoresizingMask(ui::AutoresizingFlexibleLeftMargin |
                                   ui::AutoresizingFlexibleBottomMargin);
  auto spread = std::make_shared<View>(Rect{10, 0, 20, 100});
  spread->setAutoresizingMask(ui::AutoresizingFlexibleLeftMargin | ui::AutoresizingFlexibleWidth |
                              ui::AutoresizingFlexibleRightMargin);
  parent->addSubview(fixed);
  parent->addSubview(rightPinned);
  parent->addSubview(spread);

  parent->setBounds({0, 0, 200, 150});
  EXPECT_EQ(fixed->frame(), (Rect{10, 10, 20, 20}));
  EXPECT_EQ(rightPinned->frame(), (Rect{110, 10, 20, 20}));
  // Margins 10 and 70 and width 20 share 100 points in proportion.
  EXPECT_EQ(spread->frame(), (Rect{20, 0, 40, 100}));
}

TEST(View, HitTestSkipsHiddenTransparentAndNonInteractiveViews) {
  auto root = std::make_shared<View>(Rect{0, 0, 100, 100});
  auto back = std::make_shared<View>(Rect{0, 0, 100, 100});
  auto front = std::make_shared<View>(Rect{0, 0, 100, 100});
  root->addSubview(back);
  root->addSubview(front);
  EXPECT_EQ(root->hitTest({50, 50}), front);
  front->setHidden(true);
  EXPECT_EQ(root->hitTest({50, 50}), back);
  front->setHidden(false);
  front->setUserInteractionEnabled(false);
  EXPECT_EQ(root->hitTest({50, 50}), back);
  EXPECT_EQ(root->hitTest({150, 50}), nullptr);
}

}  // namespace
