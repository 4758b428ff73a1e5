#pragma once

#include <memory>

#include "ui/Coder.h"
#include "ui/View.h"

// The flash dot: lights white and goes out, with a fade or at once.
class OrvBipView : public ui::View {
 public:
  explicit OrvBipView(const ui::Rect& frame);
  static std::shared_ptr<OrvBipView> initWithCoder(const ui::Coder& coder);

  // Animated: full light for 0.1 s, then an ease-out fade over `duration`
  // seconds. Not animated: full light for `duration` seconds, then out at once.
  virtual void flash(bool animated, double duration);

  // Gentle: every flash fades out, over half a second at least.
  void setGentle(bool gentle) { gentle_ = gentle; }
  bool gentle() const { return gentle_; }

 private:
  bool gentle_ = false;
};
