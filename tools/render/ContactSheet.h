#pragma once

#include <string>
#include <vector>

#include "platform/OffscreenRenderer.h"
#include "ui/Geometry.h"

namespace render {

// A storyboard: pictures of the show in a grid, each captioned with its time
// and passage, on a dark sheet. Pictures are 16:9; the caption sits under its
// picture.
class ContactSheet {
 public:
  ContactSheet(int count, int columns, int thumbnailWidth);

  int columns() const { return columns_; }
  int rows() const { return rows_; }
  int width() const { return width_; }
  int height() const { return height_; }
  int thumbnailWidth() const { return thumbnailWidth_; }
  int thumbnailHeight() const { return thumbnailHeight_; }
  // In pixels, row by row from the top left.
  ui::Rect thumbnailRect(int index) const;
  ui::Rect captionRect(int index) const;

  // first, first + every, … up to and including `last`.
  static std::vector<double> times(double first, double last, double every);
  // "−4 s · fade", "38.5 s · alternation": the time and what the show does then.
  static std::string caption(double showTime);

  // Draws the captions with the toolkit's labels, then places the pictures.
  // Each picture must have the thumbnail size.
  platform::Image compose(const std::vector<platform::Image>& thumbnails,
                          const std::vector<std::string>& captions,
                          platform::OffscreenRenderer& renderer) const;

 private:
  int count_;
  int columns_;
  int rows_;
  int thumbnailWidth_;
  int thumbnailHeight_;
  int gap_;
  int captionHeight_;
  int width_;
  int height_;
};

}  // namespace render
