#include "effects/OrvOverlayView.h"

#include "ui/Random.h"
#include "ui/RunLoop.h"

namespace {

constexpr int kBarCount = 7;
constexpr double kFlashLength = 0.05;
constexpr std::int64_t kGentleCuesPerFlash = 8;
constexpr double kGentleFlashLength = 0.125;
// A set bit 17 in a fresh random word leaves the bar alone: a fair coin per bar.
constexpr std::uint64_t kSkipBit = 0x20000;

// One component at a time, each step reading the frame back, so a bar ends
// with exactly the frame given.
void setBarFrame(ui::View& bar, double x, double y, double width, double height) {
  ui::Rect frame = bar.frame();
  frame.origin.x = x;
  bar.setFrame(frame);
  frame = bar.frame();
  frame.origin.y = y;
  bar.setFrame(frame);
  frame = bar.frame();
  frame.size.width = width;
  bar.setFrame(frame);
  frame = bar.frame();
  frame.size.height = height;
  bar.setFrame(frame);
}

}  // namespace

OrvOverlayView::OrvOverlayView(const ui::Rect& frame) : View(frame) {}

std::shared_ptr<OrvOverlayView> OrvOverlayView::initWithCoder(const ui::Coder& coder) {
  auto view = std::make_shared<OrvOverlayView>(ui::Rect::zero());
  return view->View::initWithCoder(coder) ? view : nullptr;
}

void OrvOverlayView::prepareOverlay() {
  setBackgroundColor(ui::Color::clear());
  for (int i = 0; i < kBarCount; ++i) {
    auto bar = std::make_shared<ui::View>();
    bar->setBackgroundColor(ui::Color::white());
    bar->setHidden(true);
    addSubview(bar);
    views_.push_back(std::move(bar));
  }
  setBarFrame(*views_[0], 250, 0, 20, bounds().height());
}

void OrvOverlayView::flashRandomView() {
  if (gentle_ && calls_++ % kGentleCuesPerFlash != 0) {
    return;
  }
  const double length = gentle_ ? kGentleFlashLength : kFlashLength;
  // Never reads past the bars that exist, should a flash come before the
  // bars are made.
  const std::int64_t count = std::min<std::int64_t>(position_, views_.size());
  for (std::int64_t i = 0; i < count; ++i) {
    std::shared_ptr<ui::View> bar = views_[i];
    if (ui::Random::word() & kSkipBit) {
      continue;
    }
    bar->setHidden(false);
    ui::RunLoop::main().asyncAfter(length, [bar] { bar->setHidden(true); });
  }
}

void OrvOverlayView::advancePattern() {
  ++position_;
  if (position_ == 6) {
    position_ = 7;
  }
  for (const auto& bar : views_) {
    bar->setHidden(true);
  }
  layOutPattern();
}

void OrvOverlayView::layOutPattern() {
  const double w = bounds().width();
  const double h = bounds().height();
  auto bar = [&](std::size_t i, double x, double y, double width, double height) {
    if (i < views_.size()) {
      setBarFrame(*views_[i], x, y, width, height);
    }
  };
  auto quadrants = [&] {
    bar(0, 0, 0, w * 0.5, h * 0.5);
    bar(1, w * 0.5, 0, w * 0.5, h * 0.5);
    bar(2, 0, h * 0.5, w * 0.5, h * 0.5);
    bar(3, w * 0.5, h * 0.5, w * 0.5, h * 0.5);
  };
  switch (position_) {
    case 2:
      // Fixed points, not scaled with the bounds.
      bar(0, 600, 0, 30, h);
      bar(1, 0, 800, w, 40);
      break;
    case 3:
      bar(0, w / 6, 0, w / 6, h);
      bar(1, 3 * (w / 6), 0, w / 6, h);
      bar(2, 5 * (w / 6), 0, w / 6, h);
      break;
    case 4:
      quadrants();
      break;
    case 5:
      bar(0, 0, 0, w, h / 5);
      bar(1, 0, h / 5, w, h / 5);
      bar(2, 0, h / 5 + h / 5, w, h / 5);
      bar(3, 0, 3 * (h / 5), w, h / 5);
      bar(4, 0, 4 * (h / 5), w, h / 5);
      break;
    case 7:
      quadrants();
      bar(4, 0, 0, w / 3, h);
      bar(5, w / 3, 0, w / 3, h);
      bar(6, w / 3 + w / 3, 0, w / 3, h);
      break;
    default:
      break;
  }
}
