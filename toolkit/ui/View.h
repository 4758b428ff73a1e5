#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "ui/AffineTransform.h"
#include "ui/Animation.h"
#include "ui/Color.h"
#include "ui/Geometry.h"
#include "ui/Layer.h"
#include "ui/Responder.h"

namespace ui {

class Coder;

// Autoresizing flags; the values are fixed bits, so masks combine with |.
enum Autoresizing : unsigned {
  AutoresizingNone = 0,
  AutoresizingFlexibleLeftMargin = 1,
  AutoresizingFlexibleWidth = 2,
  AutoresizingFlexibleRightMargin = 4,
  AutoresizingFlexibleTopMargin = 8,
  AutoresizingFlexibleHeight = 16,
  AutoresizingFlexibleBottomMargin = 32,
};

// A rectangle in a tree of views. A parent owns its subviews; a subview knows
// its parent without owning it. The model is centre, bounds and transform; the
// frame derives from them (the transform applies about the centre), so a
// scaled view keeps its centre and reports the frame that encloses it.
//
// Setters change the model value at once. Inside an animate() block, changes
// of frame, centre, bounds size and alpha are also presented moving from the
// value presented at that moment to the new one; presentedX(t) tells what a
// compositor draws at time t.
class View : public Responder, public std::enable_shared_from_this<View> {
 public:
  explicit View(const Rect& frame = Rect::zero());
  ~View() override;
  View(const View&) = delete;
  View& operator=(const View&) = delete;

  // Decodes frame, hidden, alpha and background colour from an archive;
  // returns false (and the caller yields no object) when the archive is not
  // a view's. The effect views' archive constructors call this.
  bool initWithCoder(const Coder& coder);

  // Geometry.
  Rect frame() const;
  void setFrame(const Rect& frame);
  Rect bounds() const { return bounds_; }
  void setBounds(const Rect& bounds);
  Point center() const { return center_; }
  void setCenter(Point center);
  const AffineTransform& transform() const { return transform_; }
  void setTransform(const AffineTransform& transform);

  // Appearance.
  bool isHidden() const { return hidden_; }
  void setHidden(bool hidden);
  double alpha() const { return alpha_; }
  void setAlpha(double alpha);
  const std::optional<Color>& backgroundColor() const { return backgroundColor_; }
  void setBackgroundColor(std::optional<Color> color);
  bool clipsToBounds() const { return clipsToBounds_; }
  void setClipsToBounds(bool clips);
  bool isUserInteractionEnabled() const { return userInteractionEnabled_; }
  void setUserInteractionEnabled(bool enabled);
  unsigned autoresizingMask() const { return autoresizingMask_; }
  void setAutoresizingMask(unsigned mask) { autoresizingMask_ = mask; }
  Layer& layer() { return layer_; }
  const Layer& layer() const { return layer_; }

  // Hierarchy.
  View* superview() const { return superview_; }
  const std::vector<std::shared_ptr<View>>& subviews() const { return subviews_; }
  // Adds `view` in front of the other subviews; a view already here moves to the front.
  void addSubview(std::shared_ptr<View> view);
  void sendSubviewToBack(const std::shared_ptr<View>& view);
  void bringSubviewToFront(const std::shared_ptr<View>& view);
  void removeFromSuperview();
  bool isDescendantOf(const View& ancestor) const;

  // Layout: layoutSubviews() runs from layoutIfNeeded() after setNeedsLayout()
  // or a change of bounds size.
  void setNeedsLayout();
  void layoutIfNeeded();
  virtual void layoutSubviews() {}

  // Coordinates: a point in this view's bounds ↔ its superview's coordinates.
  Point convertToSuperview(Point p) const;
  Point convertFromSuperview(Point p) const;
  // The transform from this view's bounds coordinates to its superview's.
  AffineTransform transformToSuperview() const;

  // Events. `point` is in this view's coordinates. Hidden, fully transparent
  // and non-interactive views (and their subtrees) are skipped.
  virtual std::shared_ptr<View> hitTest(Point point);
  virtual bool pointInside(Point point) const;
  virtual void touchesBegan(Point) {}
  virtual void touchesMoved(Point) {}
  virtual void touchesEnded(Point) {}
  virtual void touchesCancelled() {}

  // Block animations. `animations` runs at once; the frame and alpha changes
  // it makes are presented over `duration` seconds after `delay`.
  static void animate(double duration, const std::function<void()>& animations,
                      std::function<void(bool finished)> completion = {});
  static void animate(double duration, double delay, AnimationOptions options,
                      const std::function<void()>& animations,
                      std::function<void(bool finished)> completion = {});

  // What is on screen at time t (seconds of the run loop's clock).
  double presentedAlpha(double t) const;
  Point presentedCenter(double t) const;
  Rect presentedBounds(double t) const;
  Rect presentedFrame(double t) const;
  bool hasAnimations() const { return !animations_.empty(); }
  const std::vector<PropertyAnimation>& animations() const { return animations_; }

  // Change tracking for compositors that cache. Every change that can alter
  // what this view draws stamps a new, process-wide increasing generation on
  // the view and on all its ancestors' subtree generation. An animation stamps
  // a generation when it starts and when it ends; in between,
  // subtreeAnimatedUntil() tells until when the subtree keeps moving.
  std::uint64_t generation() const { return generation_; }
  std::uint64_t subtreeGeneration() const { return subtreeGeneration_; }
  double subtreeAnimatedUntil() const { return subtreeAnimatedUntil_; }

 protected:
  // Stamps a new generation: subclasses call it when their content changes.
  void setNeedsDisplay();
  // Called after the bounds size changed, before the subviews autoresize.
  virtual void boundsSizeDidChange(Size) {}

 private:
  friend class Layer;
  friend struct AnimationTransaction;
  void animateProperty(AnimatableProperty property, std::array<double, 2> from,
                       std::array<double, 2> to);
  // Removes animations of `property` after a direct change; their groups learn
  // that they were interrupted.
  void removeAnimations(AnimatableProperty property);
  void finishAnimationsEndedBy(double time);
  void resizeSubviews(Size oldSize);
  void autoresize(Size oldParentSize, Size newParentSize);
  void propagateGeneration(std::uint64_t generation);
  void propagateAnimatedUntil(double until);

  View* superview_ = nullptr;
  std::vector<std::shared_ptr<View>> subviews_;
  Point center_;
  Rect bounds_;
  AffineTransform transform_;
  bool hidden_ = false;
  double alpha_ = 1.0;
  std::optional<Color> backgroundColor_;
  bool clipsToBounds_ = false;
  bool userInteractionEnabled_ = true;
  bool needsLayout_ = false;
  unsigned autoresizingMask_ = AutoresizingNone;
  Layer layer_{*this};
  std::vector<PropertyAnimation> animations_;
  std::uint64_t generation_ = 0;
  std::uint64_t subtreeGeneration_ = 0;
  double subtreeAnimatedUntil_ = 0;
};

}  // namespace ui
