#pragma once

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "ui/Font.h"
#include "ui/Geometry.h"

namespace ui {

enum class TextAlignment { Natural, Left, Center, Right };

// How text that does not fit ends. Lines wrap at words, except with
// ByCharWrapping; a one-line text is never wrapped when it clips or truncates.
// The truncating modes put "…" at the head, middle or tail of the last line.
enum class LineBreakMode {
  ByWordWrapping = 0,
  ByCharWrapping = 1,
  ByClipping = 2,
  ByTruncatingHead = 3,
  ByTruncatingTail = 4,
  ByTruncatingMiddle = 5,
};

struct PositionedGlyph {
  std::uint32_t glyph;  // glyph index in the font's face
  Point origin;         // pen position on the baseline, in points
};

struct TextLine {
  std::vector<PositionedGlyph> glyphs;
  Rect rect;         // the line's box: advance width × line height
  double baseline;   // y of the baseline
  std::string text;  // the characters shown, UTF-8, "…" included; for dumps and checks
};

// Shaped and broken text (the face shapes, kerning on), placed in a rectangle: the
// block is centred vertically, each line placed by the alignment. What a
// label measures and what a compositor draws come from the same layout.
//
// Each paragraph (the text between hard line breaks) is shaped once, left to
// right, and lines are cut from it between clusters; so there is no
// bidirectional reordering, and no kerning is lost or added at a line's end.
// Lines wrap after spaces (a word wider than the line breaks between
// characters); the spaces at a wrap hang at the line's end and do not count
// in its width. One-line truncating layouts never wrap. When the lines run
// out, a truncating mode shortens the last one and ends it with "…". Lines
// are not dropped when the block is taller than the rectangle: it stays
// centred and overflows both edges equally.
class TextLayout {
 public:
  struct Params {
    std::string text;  // UTF-8; "\n" breaks a line
    Font font;
    Rect rect;              // where to place the block
    int numberOfLines = 1;  // 0: unlimited
    LineBreakMode lineBreakMode = LineBreakMode::ByTruncatingTail;
    TextAlignment alignment = TextAlignment::Natural;
  };

  TextLayout() = default;
  static TextLayout make(const Params& params);

  // The natural size of the text: one line per hard line break, no wrapping;
  // not rounded.
  static Size naturalSize(const std::string& text, const Font& font);
  // The size the text needs within `width` (wrapping as `numberOfLines` and
  // `mode` allow); not rounded.
  static Size sizeThatFits(const std::string& text, const Font& font, double width,
                           int numberOfLines, LineBreakMode mode);

  const std::vector<TextLine>& lines() const { return lines_; }
  // The union of the lines' boxes.
  Rect usedRect() const { return usedRect_; }
  bool isTruncated() const { return truncated_; }
  const std::optional<Font>& font() const { return font_; }

 private:
  std::vector<TextLine> lines_;
  Rect usedRect_;
  bool truncated_ = false;
  std::optional<Font> font_;
};

}  // namespace ui
