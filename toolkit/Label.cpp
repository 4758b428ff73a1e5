#include "ui/Label.h"

#include <cmath>

namespace ui {

Label::Label(const Rect& frame) : View(frame), font_(Font::systemFont(17)) {
  setUserInteractionEnabled(false);
}

void Label::setText(std::string_view text) {
  if (text == text_) {
    return;
  }
  // Labels are reused with a new phrase on every cue: room for a phrase of
  // ordinary length keeps a new text from allocating.
  constexpr std::size_t kTextRoom = 64;
  if (text_.capacity() < kTextRoom) {
    text_.reserve(kTextRoom);
  }
  text_.assign(text);
  textDidChange();
}

void Label::setFont(const Font& font) {
  if (font == font_) {
    return;
  }
  font_ = font;
  textDidChange();
}

void Label::setFont(const std::optional<Font>& font) {
  if (font) {
    setFont(*font);
  }
}

void Label::setTextColor(const Color& color) {
  if (color == textColor_) {
    return;
  }
  textColor_ = color;
  setNeedsDisplay();
}

void Label::setTextAlignment(TextAlignment alignment) {
  if (alignment == alignment_) {
    return;
  }
  alignment_ = alignment;
  placementDidChange();
}

void Label::setNumberOfLines(int lines) {
  if (lines == numberOfLines_) {
    return;
  }
  numberOfLines_ = lines;
  textDidChange();
}

void Label::setLineBreakMode(LineBreakMode mode) {
  if (mode == lineBreakMode_) {
    return;
  }
  lineBreakMode_ = mode;
  textDidChange();
}

Size Label::sizeThatFits(Size size) const {
  const Size fit =
      numberOfLines_ == 1
          ? TextLayout::sizeThatFits(text_, font_, 0, 1, lineBreakMode_)
          : TextLayout::sizeThatFits(text_, font_, size.width, numberOfLines_, lineBreakMode_);
  return {std::ceil(fit.width), std::ceil(fit.height)};
}

void Label::sizeToFit() {
  Rect frame = this->frame();
  frame.size = sizeThatFits(bounds().size);
  setFrame(frame);
}

const TextLayout& Label::layout() const {
  if (!layout_ || layoutBounds_ != bounds()) {
    layout_ =
        TextLayout::make({text_, font_, bounds(), numberOfLines_, lineBreakMode_, alignment_});
    layoutBounds_ = bounds();
  }
  return *layout_;
}

void Label::boundsSizeDidChange(Size) {
  placementDidChange();
}

void Label::textDidChange() {
  placementDidChange();
  if (View* parent = superview()) {
    parent->setNeedsLayout();
  }
}

void Label::placementDidChange() {
  layout_.reset();
  setNeedsDisplay();
}

}  // namespace ui
