#pragma once

#include <cstdint>
#include <memory>

#include "ui/Coder.h"
#include "ui/Label.h"
#include "ui/View.h"

// Spells the invitation one huge word at a time: the word at `position`
// flashes in white for 0.05 s over that position's palette colour.
class OrvBigTextView : public ui::View {
 public:
  explicit OrvBigTextView(const ui::Rect& frame);
  static std::shared_ptr<OrvBigTextView> initWithCoder(const ui::Coder& coder);

  virtual void prepareBigText();
  virtual void showBigWord();
  void hideLabel();

  // Index of the word to show; the owner raises it between passages and
  // keeps it within the invitation's six words.
  std::int64_t position = 0;

  // Gentle: the word lights on every eighth cue (on the beat) and holds for
  // a quarter of a second, instead of blinking on every cue.
  void setGentle(bool gentle) { gentle_ = gentle; }
  bool gentle() const { return gentle_; }

  const std::shared_ptr<ui::Label>& label() const { return label_; }

 private:
  const std::shared_ptr<ui::Label> label_;
  bool gentle_ = false;
  std::int64_t calls_ = 0;
};
