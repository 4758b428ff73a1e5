#include "tools/render/ContactSheet.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

#include "ui/Font.h"
#include "ui/Label.h"
#include "ui/View.h"

namespace render {

ContactSheet::ContactSheet(int count, int columns, int thumbnailWidth)
    : count_(count),
      columns_(std::max(1, std::min(columns, count))),
      rows_((count + columns_ - 1) / columns_),
      thumbnailWidth_(thumbnailWidth),
      thumbnailHeight_(static_cast<int>(std::lround(thumbnailWidth * 9.0 / 16.0))),
      gap_(std::max(4, thumbnailWidth / 32)),
      captionHeight_(std::max(12, thumbnailWidth / 12)),
      width_(columns_ * thumbnailWidth_ + (columns_ + 1) * gap_),
      height_(rows_ * (thumbnailHeight_ + captionHeight_) + (rows_ + 1) * gap_) {}

ui::Rect ContactSheet::thumbnailRect(int index) const {
  int column = index % columns_;
  int row = index / columns_;
  return {double(gap_ + column * (thumbnailWidth_ + gap_)),
          double(gap_ + row * (thumbnailHeight_ + captionHeight_ + gap_)), double(thumbnailWidth_),
          double(thumbnailHeight_)};
}

ui::Rect ContactSheet::captionRect(int index) const {
  ui::Rect picture = thumbnailRect(index);
  return {picture.x(), picture.maxY(), picture.width(), double(captionHeight_)};
}

std::vector<double> ContactSheet::times(double first, double last, double every) {
  std::vector<double> result;
  // Counting steps, not adding them up, keeps 0.1 × 30 at 3 and not 2.9999….
  for (long k = 0;; ++k) {
    double t = first + double(k) * every;
    if (t > last + 1e-9) {
      break;
    }
    result.push_back(t);
  }
  return result;
}

std::string ContactSheet::caption(double showTime) {
  const char* passage = showTime < -4   ? "start screen"
                        : showTime < 0  ? "fade"
                        : showTime < 32 ? "opening"
                        : showTime < 38 ? "fill"
                        : showTime < 62 ? "alternation"
                        : showTime < 64 ? "closing"
                                        : "end";
  char number[32];
  std::snprintf(number, sizeof number, "%.2f", std::fabs(showTime));
  // Trailing zeros say nothing: 2.50 → 2.5, 3.00 → 3.
  std::string digits = number;
  while (digits.back() == '0') {
    digits.pop_back();
  }
  if (digits.back() == '.') {
    digits.pop_back();
  }
  std::string sign = showTime < 0 && digits != "0" ? "\u2212" : "";
  return sign + digits + " s \u00b7 " + passage;
}

platform::Image ContactSheet::compose(const std::vector<platform::Image>& thumbnails,
                                      const std::vector<std::string>& captions,
                                      platform::OffscreenRenderer& renderer) const {
  auto sheet = std::make_shared<ui::View>(ui::Rect{0, 0, double(width_), double(height_)});
  sheet->setBackgroundColor(ui::Color::withWhite(0.1, 1.0));
  ui::Font font = ui::Font::systemFont(captionHeight_ * 0.6);
  for (std::size_t i = 0; i < captions.size() && int(i) < count_; ++i) {
    auto label = std::make_shared<ui::Label>(captionRect(int(i)));
    label->setFont(font);
    label->setTextColor(ui::Color::white());
    label->setText(captions[i]);
    sheet->addSubview(label);
  }
  platform::Image image = renderer.render(*sheet, 0, width_, height_, 1.0);
  if (image.width != width_ || image.height != height_) {
    return image;  // the renderer could not draw it: nothing to place pictures in
  }
  for (std::size_t i = 0; i < thumbnails.size() && int(i) < count_; ++i) {
    const platform::Image& picture = thumbnails[i];
    ui::Rect place = thumbnailRect(int(i));
    int rows = std::min(picture.height, thumbnailHeight_);
    int bytes = std::min(picture.width, thumbnailWidth_) * 4;
    for (int y = 0; y < rows; ++y) {
      std::memcpy(&image.rgba[(std::size_t(place.y() + y) * width_ + std::size_t(place.x())) * 4],
                  &picture.rgba[std::size_t(y) * picture.width * 4], std::size_t(bytes));
    }
  }
  return image;
}

}  // namespace render
