#include "effects/OrvRapidTextView.h"

#include "content/Content.h"
#include "content/StageText.h"
#include "ui/Random.h"
#include "ui/RunLoop.h"

namespace {

constexpr double kRapidHold = 0.05;
constexpr double kStaticHold = 1.5;
// Gentle: a colour holds for half a second (eight cues) and fades in over a
// third of one, so the panel turns at most twice a second.
constexpr std::int64_t kGentleStepsPerColour = 8;
constexpr double kGentleFade = 1.0 / 3.0;

// Each echo lands within 40 points of the panel's centre on each axis.
double scatterOffset() {
  return -40 + ui::Random::uniformClosed(0, 80);
}

}  // namespace

OrvRapidTextView::OrvRapidTextView(const ui::Rect& frame)
    : View(frame), mainLabel_(std::make_shared<ui::Label>()) {}

std::shared_ptr<OrvRapidTextView> OrvRapidTextView::initWithCoder(const ui::Coder& coder) {
  auto view = std::make_shared<OrvRapidTextView>(ui::Rect::zero());
  return view->View::initWithCoder(coder) ? view : nullptr;
}

std::shared_ptr<OrvRapidTextView> OrvRapidTextView::self() {
  return std::static_pointer_cast<OrvRapidTextView>(shared_from_this());
}

void OrvRapidTextView::prepareRapidText() {
  const double width = bounds().width();
  const double height = bounds().height();
  // The gentle panel opens on the first phrase's colour, not on yellow.
  setBackgroundColor(gentle_ ? content::paletteColors()[0].get() : ui::Color::yellow());
  mainLabel_->setFont(ui::Font::boldSystemFont(width / 1920 * 96));
  mainLabel_->setText("YOU");
  mainLabel_->setTextColor(ui::Color::white());
  mainLabel_->sizeToFit();
  const double h = mainLabel_->bounds().height();
  mainLabel_->setFrame({0, height * 0.5 - h * 0.5, width, h});
  addSubview(mainLabel_);

  for (int i = 0; i < 4; ++i) {
    auto label = std::make_shared<ui::Label>();
    label->setFont(mainLabel_->font());
    label->setText(mainLabel_->text());
    label->setTextColor(mainLabel_->textColor());
    label->setFrame(mainLabel_->frame());
    label->setHidden(true);
    addSubview(label);
    sendSubviewToBack(label);
    supportLabels_.push_back(std::move(label));
  }
  if (gentle_) {
    veil_ = std::make_shared<ui::View>(bounds());
    veil_->setAutoresizingMask(ui::AutoresizingFlexibleWidth | ui::AutoresizingFlexibleHeight);
    veil_->setAlpha(0);
    addSubview(veil_);
    sendSubviewToBack(veil_);
  }
}

void OrvRapidTextView::crossFadeTo(const ui::Color& color) {
  veil_->setBackgroundColor(backgroundColor());
  veil_->setAlpha(1);
  setBackgroundColor(color);
  ui::View::animate(kGentleFade, 0, ui::AnimationOptions::CurveEaseInOut,
                    [this] { veil_->setAlpha(0); });
}

void OrvRapidTextView::showPhraseAt(std::int64_t& position, bool changesColour) {
  const auto& phrases = content::affirmations();
  const auto& colors = content::paletteColors();
  if (position >= static_cast<std::int64_t>(phrases.size())) {
    position = 0;
  }
  mainLabel_->setHidden(false);
  mainLabel_->setText(phrases[position]);
  if (content::phrasesShrinkToFit()) {
    mainLabel_->setFont(content::StageText::fitted(content::StageText::Role::Phrase,
                                                   phrases[position], bounds().width()));
  }
  const ui::Color& color = colors[position % static_cast<std::int64_t>(colors.size())].get();
  if (!gentle_ || !veil_) {
    setBackgroundColor(color);
  } else if (changesColour) {
    crossFadeTo(color);
  }
  ++position;
}

void OrvRapidTextView::showNextRapidPhrase() {
  if (gentle_) {
    showPhraseAt(rapidPosition_, stepsOnColour_++ % kGentleStepsPerColour == 0);
    return;
  }
  showPhraseAt(rapidPosition_, true);
  ui::RunLoop::main().performAfterDelay(self(), &OrvRapidTextView::hideMainLabel, kRapidHold);
}

void OrvRapidTextView::showNextStaticPhrase() {
  showPhraseAt(staticPosition_, true);
  ++staticSteps_;
  stepsOnColour_ = 0;
  ui::RunLoop::main().performAfterDelay(self(), &OrvRapidTextView::hideMainLabel, kStaticHold);
  if (staticSteps_ == 8) {
    scatterSupportLabels();
  } else if (staticSteps_ == 4) {
    trailSupportLabels();
  }
}

void OrvRapidTextView::hideMainLabel() {
  mainLabel_->setHidden(true);
}

void OrvRapidTextView::trailSupportLabels() {
  for (std::size_t i = 0; i < supportLabels_.size(); ++i) {
    const auto& label = supportLabels_[i];
    label->setFont(mainLabel_->font());
    label->setText(mainLabel_->text());
    label->setHidden(false);
    const double shift = static_cast<double>(i + 1) * 50;
    ui::View::animate(1.5, 0, ui::AnimationOptions::CurveEaseOut, [&] {
      ui::Rect frame = label->frame();
      frame.origin.x += shift;
      label->setFrame(frame);
      label->setAlpha(0);
    });
  }
}

void OrvRapidTextView::scatterSupportLabels() {
  auto view = self();
  for (const auto& label : supportLabels_) {
    label->setFont(mainLabel_->font());
    label->setText(mainLabel_->text());
    label->sizeToFit();
    ui::Rect frame = label->frame();
    frame.origin.x = bounds().width() * 0.5 - label->bounds().width() * 0.5 + scatterOffset();
    label->setFrame(frame);
    frame = label->frame();
    frame.origin.y = bounds().height() * 0.5 - label->bounds().height() * 0.5 + scatterOffset();
    label->setFrame(frame);
    // The alpha the trail left (0) stays: the echo appears only when it drifts.
    ui::RunLoop::main().asyncAfter(0.65, [label, view] { view->driftSupportLabel(label, view); });
  }
}

void OrvRapidTextView::driftSupportLabel(const std::shared_ptr<ui::Label>& label,
                                         const std::shared_ptr<OrvRapidTextView>& view) {
  label->setAlpha(0.5);
  ui::View::animate(1.35, 0, ui::AnimationOptions::CurveEaseOut, [&] {
    ui::Rect frame = label->frame();
    frame.origin.x = view->bounds().width() * 0.5 - label->bounds().width() * 0.5 + scatterOffset();
    label->setFrame(frame);
    frame = label->frame();
    frame.origin.y =
        view->bounds().height() * 0.5 - label->bounds().height() * 0.5 + scatterOffset();
    label->setFrame(frame);
    label->setAlpha(0);
  });
}
