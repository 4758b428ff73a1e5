#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "ui/Coder.h"
#include "ui/Label.h"
#include "ui/View.h"

// Fills the screen with rows of phrases, one more label per step, each new
// screen drawn over the last. The middle row shows a separate running
// sequence of phrases in white, and hides its predecessor one screen up.
class OrvFillTextView : public ui::View {
 public:
  static constexpr int kLabelCount = 512;

  explicit OrvFillTextView(const ui::Rect& frame);
  static std::shared_ptr<OrvFillTextView> initWithCoder(const ui::Coder& coder);

  virtual void prepareFill();
  virtual void stepFill();

  const std::shared_ptr<ui::View>& container() const { return container_; }
  std::int64_t position() const { return position_; }
  std::int64_t middlePosition() const { return middlePosition_; }
  std::int64_t middleIndex() const { return middleIndex_; }
  std::int64_t labelsPerScreen() const { return labelsPerScreen_; }
  const std::vector<std::shared_ptr<ui::Label>>& labels() const { return labels_; }

 private:
  const std::shared_ptr<ui::View> container_;
  std::int64_t position_ = 0;
  std::int64_t middlePosition_ = 8;
  std::int64_t middleIndex_ = -1;
  std::int64_t labelsPerScreen_ = -1;
  std::vector<std::shared_ptr<ui::Label>> labels_;
};
