#include "ui/View.h"

#include <algorithm>
#include <cmath>

#include "ui/Coder.h"
#include "ui/RunLoop.h"

namespace ui {

namespace {

std::uint64_t nextGeneration() {
  static std::uint64_t counter = 0;
  return ++counter;
}

TimingCurve curveFor(AnimationOptions options) {
  switch (static_cast<unsigned>(options) & 0x30000u) {
    case 0x10000u:
      return TimingCurve::easeIn();
    case 0x20000u:
      return TimingCurve::easeOut();
    case 0x30000u:
      return TimingCurve::linear();
    default:
      return TimingCurve::easeInEaseOut();
  }
}

void completeLater(const std::shared_ptr<AnimationGroup>& group, bool finished) {
  if (group->completed) {
    return;
  }
  group->completed = true;
  if (group->completion) {
    RunLoop::main().asyncAfter(0, [group, finished] { group->completion(finished); });
  }
}

}  // namespace

// The animate() block being run: property changes made while it is set are
// recorded as animations of its group.
struct AnimationTransaction {
  double begin;
  double duration;
  TimingCurve curve;
  std::shared_ptr<AnimationGroup> group;
  std::vector<std::weak_ptr<View>> views;
  AnimationTransaction* outer;

  static AnimationTransaction*& current() {
    static AnimationTransaction* transaction = nullptr;
    return transaction;
  }
};

View::View(const Rect& frame) {
  center_ = frame.center();
  bounds_ = Rect{0, 0, frame.width(), frame.height()};
  setNeedsDisplay();
}

View::~View() {
  for (auto& subview : subviews_) {
    subview->superview_ = nullptr;
  }
}

bool View::initWithCoder(const Coder& coder) {
  if (auto frame = coder.decodeRect("frame")) {
    setFrame(*frame);
  }
  if (auto hidden = coder.decodeBool("hidden")) {
    setHidden(*hidden);
  }
  if (auto alpha = coder.decodeDouble("alpha")) {
    setAlpha(*alpha);
  }
  if (auto color = coder.decodeColor("backgroundColor")) {
    setBackgroundColor(*color);
  }
  return coder.isValid();
}

// Geometry -------------------------------------------------------------------

Rect View::frame() const {
  Rect local{-bounds_.width() / 2, -bounds_.height() / 2, bounds_.width(), bounds_.height()};
  Rect r = transform_.isIdentity() ? local : transform_.apply(local);
  return {r.x() + center_.x, r.y() + center_.y, r.width(), r.height()};
}

void View::setFrame(const Rect& frame) {
  Size size = frame.size;
  if (!transform_.isIdentity()) {
    // Only a pure scale can be undone exactly; otherwise the bounds keep their size.
    if (transform_.b == 0 && transform_.c == 0 && transform_.a != 0 && transform_.d != 0) {
      size = {frame.width() / std::fabs(transform_.a), frame.height() / std::fabs(transform_.d)};
    } else {
      size = bounds_.size;
    }
  }
  setCenter(frame.center());
  setBounds(Rect{bounds_.origin, size});
}

void View::setBounds(const Rect& bounds) {
  if (bounds == bounds_) {
    return;
  }
  Size oldSize = bounds_.size;
  if (bounds.size != oldSize) {
    if (AnimationTransaction::current()) {
      animateProperty(AnimatableProperty::BoundsSize,
                      {presentedBounds(RunLoop::main().now()).width(),
                       presentedBounds(RunLoop::main().now()).height()},
                      {bounds.width(), bounds.height()});
    } else {
      removeAnimations(AnimatableProperty::BoundsSize);
    }
  }
  bounds_ = bounds;
  setNeedsDisplay();
  if (bounds.size != oldSize) {
    setNeedsLayout();
    boundsSizeDidChange(oldSize);
    resizeSubviews(oldSize);
  }
}

void View::setCenter(Point center) {
  if (center == center_) {
    return;
  }
  if (AnimationTransaction::current()) {
    Point from = presentedCenter(RunLoop::main().now());
    animateProperty(AnimatableProperty::Center, {from.x, from.y}, {center.x, center.y});
  } else {
    removeAnimations(AnimatableProperty::Center);
  }
  center_ = center;
  setNeedsDisplay();
}

void View::setTransform(const AffineTransform& transform) {
  if (transform == transform_) {
    return;
  }
  transform_ = transform;
  setNeedsDisplay();
}

// Appearance -----------------------------------------------------------------

void View::setHidden(bool hidden) {
  if (hidden == hidden_) {
    return;
  }
  hidden_ = hidden;
  setNeedsDisplay();
}

void View::setAlpha(double alpha) {
  alpha = std::clamp(alpha, 0.0, 1.0);
  if (AnimationTransaction::current()) {
    if (alpha == alpha_ && !hasAnimations()) {
      return;
    }
    animateProperty(AnimatableProperty::Alpha, {presentedAlpha(RunLoop::main().now()), 0},
                    {alpha, 0});
  } else {
    removeAnimations(AnimatableProperty::Alpha);
    if (alpha == alpha_) {
      return;
    }
  }
  alpha_ = alpha;
  setNeedsDisplay();
}

void View::setBackgroundColor(std::optional<Color> color) {
  if (color == backgroundColor_) {
    return;
  }
  backgroundColor_ = color;
  setNeedsDisplay();
}

void View::setClipsToBounds(bool clips) {
  if (clips == clipsToBounds_) {
    return;
  }
  clipsToBounds_ = clips;
  setNeedsDisplay();
}

void View::setUserInteractionEnabled(bool enabled) {
  userInteractionEnabled_ = enabled;
}

// Hierarchy ------------------------------------------------------------------

void View::addSubview(std::shared_ptr<View> view) {
  if (!view || view.get() == this) {
    return;
  }
  if (view->superview_ == this) {
    auto it = std::find(subviews_.begin(), subviews_.end(), view);
    subviews_.erase(it);
  } else {
    view->removeFromSuperview();
    view->superview_ = this;
  }
  double animatedUntil = view->subtreeAnimatedUntil_;
  subviews_.push_back(std::move(view));
  propagateAnimatedUntil(animatedUntil);
  setNeedsDisplay();
}

void View::sendSubviewToBack(const std::shared_ptr<View>& view) {
  auto it = std::find(subviews_.begin(), subviews_.end(), view);
  if (it == subviews_.end() || it == subviews_.begin()) {
    return;
  }
  std::rotate(subviews_.begin(), it, it + 1);
  setNeedsDisplay();
}

void View::bringSubviewToFront(const std::shared_ptr<View>& view) {
  if (view && view->superview_ == this) {
    addSubview(view);
  }
}

void View::removeFromSuperview() {
  View* parent = superview_;
  if (!parent) {
    return;
  }
  auto it = std::find_if(parent->subviews_.begin(), parent->subviews_.end(),
                         [this](const auto& v) { return v.get() == this; });
  // Keep ourselves alive until we are out of the parent's list.
  std::shared_ptr<View> self = *it;
  parent->subviews_.erase(it);
  superview_ = nullptr;
  parent->setNeedsDisplay();
}

bool View::isDescendantOf(const View& ancestor) const {
  for (const View* v = this; v; v = v->superview_) {
    if (v == &ancestor) {
      return true;
    }
  }
  return false;
}

// Layout ---------------------------------------------------------------------

void View::setNeedsLayout() {
  needsLayout_ = true;
}

void View::layoutIfNeeded() {
  if (needsLayout_) {
    needsLayout_ = false;
    layoutSubviews();
  }
  // Copy: layout may add or remove subviews.
  auto subviews = subviews_;
  for (auto& subview : subviews) {
    subview->layoutIfNeeded();
  }
}

void View::resizeSubviews(Size oldSize) {
  auto subviews = subviews_;
  for (auto& subview : subviews) {
    subview->autoresize(oldSize, bounds_.size);
  }
}

namespace {

// Spreads `delta` over the flexible parts of (margin, size, margin) in
// proportion to their lengths, so a flexible part of length zero stays zero
// unless every flexible part is zero, in which case they share it equally.
void distribute(double delta, bool flexibleLead, bool flexibleSize, bool flexibleTrail,
                double& lead, double& size, double& trail) {
  double parts[3] = {lead, size, trail};
  bool flexible[3] = {flexibleLead, flexibleSize, flexibleTrail};
  double total = 0;
  int count = 0;
  for (int i = 0; i < 3; ++i) {
    if (flexible[i]) {
      total += std::fabs(parts[i]);
      ++count;
    }
  }
  if (count == 0) {
    return;
  }
  for (int i = 0; i < 3; ++i) {
    if (flexible[i]) {
      parts[i] += total > 0 ? delta * std::fabs(parts[i]) / total : delta / count;
    }
  }
  lead = parts[0];
  size = parts[1];
  trail = parts[2];
}

}  // namespace

void View::autoresize(Size oldParentSize, Size newParentSize) {
  unsigned mask = autoresizingMask_;
  if (mask == AutoresizingNone) {
    return;
  }
  Rect f = frame();
  double left = f.x(), width = f.width(), right = oldParentSize.width - f.maxX();
  double top = f.y(), height = f.height(), bottom = oldParentSize.height - f.maxY();
  distribute(newParentSize.width - oldParentSize.width, mask & AutoresizingFlexibleLeftMargin,
             mask & AutoresizingFlexibleWidth, mask & AutoresizingFlexibleRightMargin, left, width,
             right);
  distribute(newParentSize.height - oldParentSize.height, mask & AutoresizingFlexibleTopMargin,
             mask & AutoresizingFlexibleHeight, mask & AutoresizingFlexibleBottomMargin, top,
             height, bottom);
  setFrame(Rect{left, top, width, height});
}

// Coordinates and events -----------------------------------------------------

AffineTransform View::transformToSuperview() const {
  return AffineTransform::makeTranslation(-bounds_.x() - bounds_.width() / 2,
                                          -bounds_.y() - bounds_.height() / 2)
      .concat(transform_)
      .concat(AffineTransform::makeTranslation(center_.x, center_.y));
}

Point View::convertToSuperview(Point p) const {
  return transformToSuperview().apply(p);
}

Point View::convertFromSuperview(Point p) const {
  return transformToSuperview().inverted().apply(p);
}

bool View::pointInside(Point point) const {
  return bounds_.contains(point);
}

std::shared_ptr<View> View::hitTest(Point point) {
  if (hidden_ || alpha_ < 0.01 || !userInteractionEnabled_ || !pointInside(point)) {
    return nullptr;
  }
  for (auto it = subviews_.rbegin(); it != subviews_.rend(); ++it) {
    if (auto hit = (*it)->hitTest((*it)->convertFromSuperview(point))) {
      return hit;
    }
  }
  return shared_from_this();
}

// Animations -----------------------------------------------------------------

void View::animate(double duration, const std::function<void()>& animations,
                   std::function<void(bool)> completion) {
  animate(duration, 0, AnimationOptions::CurveEaseInOut, animations, std::move(completion));
}

void View::animate(double duration, double delay, AnimationOptions options,
                   const std::function<void()>& animations, std::function<void(bool)> completion) {
  auto group = std::make_shared<AnimationGroup>();
  group->completion = std::move(completion);
  double begin = RunLoop::main().now() + std::max(delay, 0.0);
  AnimationTransaction transaction{begin, std::max(duration, 0.0),        curveFor(options), group,
                                   {},    AnimationTransaction::current()};
  AnimationTransaction::current() = &transaction;
  if (animations) {
    animations();
  }
  AnimationTransaction::current() = transaction.outer;

  if (group->live == 0) {
    // Nothing moved: the block's effect is already complete.
    completeLater(group, true);
    return;
  }
  double endDelay = begin + transaction.duration - RunLoop::main().now();
  RunLoop::main().schedule(endDelay, [group, views = std::move(transaction.views)] {
    for (const auto& weak : views) {
      if (auto view = weak.lock()) {
        view->finishAnimationsEndedBy(RunLoop::main().now());
      }
    }
    completeLater(group, !group->interrupted);
  });
}

void View::animateProperty(AnimatableProperty property, std::array<double, 2> from,
                           std::array<double, 2> to) {
  AnimationTransaction& transaction = *AnimationTransaction::current();
  removeAnimations(property);
  animations_.push_back(PropertyAnimation{property, from, to, transaction.begin,
                                          transaction.duration, transaction.curve,
                                          transaction.group});
  ++transaction.group->live;
  transaction.views.push_back(weak_from_this());
  propagateAnimatedUntil(transaction.begin + transaction.duration);
}

void View::removeAnimations(AnimatableProperty property) {
  auto it = std::remove_if(animations_.begin(), animations_.end(), [&](PropertyAnimation& a) {
    if (a.property != property) {
      return false;
    }
    a.group->interrupted = true;
    if (--a.group->live == 0) {
      completeLater(a.group, false);
    }
    return true;
  });
  if (it != animations_.end()) {
    animations_.erase(it, animations_.end());
    setNeedsDisplay();
  }
}

void View::finishAnimationsEndedBy(double time) {
  auto it = std::remove_if(animations_.begin(), animations_.end(), [&](PropertyAnimation& a) {
    if (a.end() > time) {
      return false;
    }
    --a.group->live;
    return true;
  });
  if (it != animations_.end()) {
    animations_.erase(it, animations_.end());
    setNeedsDisplay();
  }
}

namespace {

const PropertyAnimation* find(const std::vector<PropertyAnimation>& animations,
                              AnimatableProperty property) {
  for (const auto& a : animations) {
    if (a.property == property) {
      return &a;
    }
  }
  return nullptr;
}

}  // namespace

double View::presentedAlpha(double t) const {
  const PropertyAnimation* a = find(animations_, AnimatableProperty::Alpha);
  return a ? a->valueAt(t)[0] : alpha_;
}

Point View::presentedCenter(double t) const {
  const PropertyAnimation* a = find(animations_, AnimatableProperty::Center);
  if (!a) {
    return center_;
  }
  auto v = a->valueAt(t);
  return {v[0], v[1]};
}

Rect View::presentedBounds(double t) const {
  const PropertyAnimation* a = find(animations_, AnimatableProperty::BoundsSize);
  if (!a) {
    return bounds_;
  }
  auto v = a->valueAt(t);
  return {bounds_.origin, Size{v[0], v[1]}};
}

Rect View::presentedFrame(double t) const {
  Rect b = presentedBounds(t);
  Point c = presentedCenter(t);
  Rect local{-b.width() / 2, -b.height() / 2, b.width(), b.height()};
  Rect r = transform_.isIdentity() ? local : transform_.apply(local);
  return {r.x() + c.x, r.y() + c.y, r.width(), r.height()};
}

// Change tracking ------------------------------------------------------------

void View::setNeedsDisplay() {
  generation_ = nextGeneration();
  propagateGeneration(generation_);
}

void View::propagateGeneration(std::uint64_t generation) {
  for (View* v = this; v; v = v->superview_) {
    v->subtreeGeneration_ = generation;
  }
}

void View::propagateAnimatedUntil(double until) {
  for (View* v = this; v && v->subtreeAnimatedUntil_ < until; v = v->superview_) {
    v->subtreeAnimatedUntil_ = until;
  }
}

}  // namespace ui
