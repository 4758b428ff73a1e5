#include "effects/OrvBigTextView.h"

#include "content/Content.h"
#include "content/StageText.h"
#include "ui/RunLoop.h"

namespace {

constexpr double kBlink = 0.05;
constexpr std::int64_t kGentleCuesPerWord = 8;
constexpr double kGentleHold = 0.25;

}  // namespace

OrvBigTextView::OrvBigTextView(const ui::Rect& frame)
    : View(frame), label_(std::make_shared<ui::Label>(ui::Rect::zero())) {}

std::shared_ptr<OrvBigTextView> OrvBigTextView::initWithCoder(const ui::Coder& coder) {
  auto view = std::make_shared<OrvBigTextView>(ui::Rect::zero());
  return view->View::initWithCoder(coder) ? view : nullptr;
}

void OrvBigTextView::prepareBigText() {
  label_->setFrame(bounds());
  label_->setTextColor(ui::Color::black());
  const double size = bounds().width() / 1920 * 192;
  // Without the display face the label keeps its default font.
  label_->setFont(ui::Font::named("SFProDisplay-Black", size));
  label_->setText(content::invitationWords()[0]);
  label_->setTextAlignment(ui::TextAlignment::Center);
  label_->sizeToFit();
  ui::Rect frame = label_->frame();
  label_->setFrame({frame.x(), frame.y(), bounds().width(), frame.height()});
  frame = label_->frame();
  frame.origin.y = bounds().height() * 0.5 - label_->bounds().height() * 0.5;
  label_->setFrame(frame);
  addSubview(label_);
}

void OrvBigTextView::showBigWord() {
  const auto& words = content::invitationWords();
  const auto& colors = content::paletteColors();
  const bool lights = !gentle_ || calls_++ % kGentleCuesPerWord == 0;
  if (lights) {
    label_->setHidden(false);
  }
  if (position >= 0 && position < static_cast<std::int64_t>(words.size())) {
    label_->setText(words[position]);
    // A word too wide for the stage shrinks; every built-in word keeps the
    // size set at preparation.
    if (label_->font().name() == "SFProDisplay-Black") {
      label_->setFont(content::StageText::fitted(content::StageText::Role::BigWord, words[position],
                                                 bounds().width()));
    }
    label_->setTextColor(ui::Color::white());
    setBackgroundColor(colors[position % static_cast<std::int64_t>(colors.size())].get());
  }
  if (lights) {
    auto self = std::static_pointer_cast<OrvBigTextView>(shared_from_this());
    ui::RunLoop::main().performAfterDelay(self, &OrvBigTextView::hideLabel,
                                          gentle_ ? kGentleHold : kBlink);
  }
}

void OrvBigTextView::hideLabel() {
  label_->setHidden(true);
}
