#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "ui/Coder.h"
#include "ui/View.h"

// The topmost layer: seven white bars that flicker at random in a sequence
// of patterns. Under the saturation blend a white bar shows the colours
// beneath it as greys.
class OrvOverlayView : public ui::View {
 public:
  explicit OrvOverlayView(const ui::Rect& frame);
  static std::shared_ptr<OrvOverlayView> initWithCoder(const ui::Coder& coder);

  virtual void prepareOverlay();
  virtual void flashRandomView();
  virtual void advancePattern();

  // Gentle: bars flash on every eighth cue only (on the beat), and hold for
  // an eighth of a second.
  void setGentle(bool gentle) { gentle_ = gentle; }
  bool gentle() const { return gentle_; }

  // The current pattern, which is also how many bars a flash considers:
  // 1, 2, 3, 4, 5, then 7.
  std::int64_t position() const { return position_; }
  const std::vector<std::shared_ptr<ui::View>>& views() const { return views_; }

 private:
  void layOutPattern();

  std::int64_t position_ = 1;
  bool gentle_ = false;
  std::int64_t calls_ = 0;
  std::vector<std::shared_ptr<ui::View>> views_;
};
