#include "effects/OrvFillTextView.h"

#include <cmath>

#include "content/Content.h"
#include "content/StageText.h"

OrvFillTextView::OrvFillTextView(const ui::Rect& frame)
    : View(frame), container_(std::make_shared<ui::View>(ui::Rect::zero())) {}

std::shared_ptr<OrvFillTextView> OrvFillTextView::initWithCoder(const ui::Coder& coder) {
  auto view = std::make_shared<OrvFillTextView>(ui::Rect::zero());
  return view->View::initWithCoder(coder) ? view : nullptr;
}

void OrvFillTextView::prepareFill() {
  const auto& phrases = content::affirmations();
  const double width = bounds().width();
  container_->setFrame(bounds());
  container_->setAutoresizingMask(ui::AutoresizingFlexibleWidth | ui::AutoresizingFlexibleHeight);
  addSubview(container_);

  labels_.reserve(labels_.size() + kLabelCount);
  for (int i = 0; i < kLabelCount; ++i) {
    auto label = std::make_shared<ui::Label>();
    label->setTextColor(ui::Color::black());
    const std::string& phrase = phrases[i % phrases.size()];
    label->setFont(ui::Font::boldSystemFont(width / 1920 * 96));
    label->setText(phrase);
    label->sizeToFit();
    // A phrase too wide for the stage shrinks within the row's height.
    if (content::phrasesShrinkToFit()) {
      label->setFont(content::StageText::fitted(content::StageText::Role::Phrase, phrase, width));
    }
    label->setHidden(true);
    container_->addSubview(label);
    labels_.push_back(std::move(label));
  }

  // Rows advance by 70 % of a label's height, so they overlap.
  const double rowHeight = labels_[0]->bounds().height() * 0.7;
  const double rows = std::ceil(bounds().height() / rowHeight);
  // A view or a font of no height would give no rows at all; one row keeps
  // the steps' arithmetic defined (the show always has fourteen).
  labelsPerScreen_ = rows >= 1 && std::isfinite(rows) ? static_cast<std::int64_t>(rows) : 1;
  middleIndex_ = labelsPerScreen_ / 2 - 1;
  setBackgroundColor(content::paletteDark());

  for (std::size_t j = 0; j < labels_.size(); ++j) {
    const auto& label = labels_[j];
    ui::Rect frame = label->frame();
    frame.origin.y =
        static_cast<double>(static_cast<std::int64_t>(j) % labelsPerScreen_) * rowHeight;
    label->setFrame(frame);
    frame = label->frame();
    frame.size.width = width;
    label->setFrame(frame);
  }
}

void OrvFillTextView::stepFill() {
  if (position_ < 0 || position_ >= static_cast<std::int64_t>(labels_.size())) {
    return;
  }
  const auto& label = labels_[position_];
  label->setHidden(false);
  const std::int64_t row = position_ % labelsPerScreen_;
  if (row == middleIndex_) {
    const auto& phrases = content::affirmations();
    // The sequence starts at phrase 8, or where a shorter list wraps it to.
    const std::string& phrase =
        phrases[middlePosition_ % static_cast<std::int64_t>(phrases.size())];
    label->setText(phrase);
    if (content::phrasesShrinkToFit()) {
      label->setFont(
          content::StageText::fitted(content::StageText::Role::Phrase, phrase, bounds().width()));
    }
    label->setTextColor(ui::Color::white());
    ++middlePosition_;
    if (position_ > labelsPerScreen_) {
      labels_[position_ - labelsPerScreen_]->setHidden(true);
    }
    // 65, not 66: the last phrase never shows in the middle row.
    if (middlePosition_ >= static_cast<std::int64_t>(phrases.size()) - 1) {
      middlePosition_ = 0;
    }
  } else {
    const auto& colors = content::paletteBrightColors();
    label->setTextColor(colors[row % static_cast<std::int64_t>(colors.size())].get());
  }
  ++position_;
}
