#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "ui/Color.h"
#include "ui/Font.h"
#include "ui/TextLayout.h"
#include "ui/View.h"

namespace ui {

// A view that draws text. Defaults: system font
// of 17 points, black text, natural alignment (left for our texts), one line,
// tail truncation with "…", clear background, and no user interaction, so
// touches on a button's title reach the button.
class Label : public View {
 public:
  explicit Label(const Rect& frame = Rect::zero());

  const std::string& text() const { return text_; }
  void setText(std::string_view text);
  const Font& font() const { return font_; }
  void setFont(const Font& font);
  // A font lookup that yielded none leaves the current font in place.
  void setFont(const std::optional<Font>& font);
  const Color& textColor() const { return textColor_; }
  void setTextColor(const Color& color);
  TextAlignment textAlignment() const { return alignment_; }
  void setTextAlignment(TextAlignment alignment);
  int numberOfLines() const { return numberOfLines_; }
  void setNumberOfLines(int lines);
  LineBreakMode lineBreakMode() const { return lineBreakMode_; }
  void setLineBreakMode(LineBreakMode mode);

  // The size the text needs within `size`'s width, each dimension rounded up
  // to a whole point; for one line, the natural single-line size.
  Size sizeThatFits(Size size) const;
  // Keeps the origin; the size becomes the text's natural single-line size,
  // rounded up to whole points.
  void sizeToFit();

  // The laid-out text in this label's bounds coordinates: exactly what the
  // compositor draws. Cached until the text, font, bounds or options change.
  const TextLayout& layout() const;

 protected:
  void boundsSizeDidChange(Size oldSize) override;

 private:
  // The text may take another size: the superview lays out again (a button
  // re-centres its title).
  void textDidChange();
  // Only where the lines sit changes.
  void placementDidChange();

  std::string text_;
  Font font_;
  Color textColor_ = Color::black();
  TextAlignment alignment_ = TextAlignment::Natural;
  int numberOfLines_ = 1;
  LineBreakMode lineBreakMode_ = LineBreakMode::ByTruncatingTail;
  mutable std::optional<TextLayout> layout_;
  mutable Rect layoutBounds_;  // the bounds layout_ was made for
};

}  // namespace ui
