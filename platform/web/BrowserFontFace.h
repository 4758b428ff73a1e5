#pragma once

#include <memory>
#include <string>

#include "ui/FontFace.h"
#include "ui/FontTables.h"

namespace web {

// A font face that the browser's own text engine shapes and rasterises
// (FontFace and Canvas 2D), so the page carries no font engine of its own.
// The page has registered the file's face under a family named after it
// before the program starts. Metrics and the character map come from the
// file's tables, so layout scales the same numbers as on the desktop.
//
// One glyph a character, placed where the browser's layout of the whole text
// (kerning on) puts it. A letter, digit or space is numbered by its code
// point; any other character by the page as itself between its neighbours,
// since a font may give it another form there.
class BrowserFontFace : public ui::FontFace {
 public:
  // Reads the file for its tables; nullptr and a reason when it is not a font.
  static std::shared_ptr<ui::FontFace> open(const std::string& path, std::string& error);
  // Makes this the toolkit's font engine.
  static void install();

  std::vector<ui::ShapedGlyph> shape(std::string_view utf8) const override;
  bool rasterize(std::uint32_t glyph, double pixelSize, int subpixel,
                 ui::GlyphBitmap& out) const override;
  bool hasCharacter(char32_t c) const override { return tables_.hasCharacter(c); }

 private:
  BrowserFontFace(const std::string& path, const ui::FontTables& tables, int family);
  ui::FontTables tables_;
  int family_;  // the page's handle for the face
};

}  // namespace web
