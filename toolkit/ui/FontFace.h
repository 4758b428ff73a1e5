#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace ui {

// One glyph of shaped text, its position in font units.
struct ShapedGlyph {
  std::uint32_t glyph;    // glyph index in the face (a backend may use its own numbering)
  std::uint32_t cluster;  // byte offset, in the shaped UTF-8 text, of the first character shown
  double xAdvance;        // font units
  double xOffset;         // font units
  double yOffset;         // font units, up
};

// A glyph's coverage, placed against the pen on the baseline.
struct GlyphBitmap {
  int width = 0, height = 0;  // pixels
  int left = 0, top = 0;      // left edge right of the pen, top edge above the baseline (pixels)
  std::vector<std::uint8_t> coverage;  // width × height, rows top first, 0–255
};

// One font file, shared by every Font of any size made from it: what text
// layout measures (shaping, metrics in font units) and what a compositor
// draws (glyph bitmaps) come from the same face. The text engine behind it
// is the platform's: FreeType and HarfBuzz on the desktop (FreeTypeFontFace),
// the page's own in a browser. Every operation may be called from any thread.
class FontFace {
 public:
  // Makes a face from a file; nullptr and a reason when it cannot be read as
  // a font.
  using Opener =
      std::function<std::shared_ptr<FontFace>(const std::string& path, std::string& error)>;

  // Opens the file once per process: later calls with the same path share the
  // face. nullptr when it cannot be read as a font (a failure is not cached).
  static std::shared_ptr<FontFace> open(const std::string& path);
  // The same, saying why a face could not be made.
  static std::shared_ptr<FontFace> open(const std::string& path, std::string& error);
  // Installs the platform's text engine for the faces opened from now on
  // (faces opened before stay shared). An empty opener restores the default:
  // the FreeType/HarfBuzz face where the toolkit is built with it, otherwise
  // none, and every open fails. The opener runs under the cache's lock, so it
  // must not open faces itself.
  static void setOpener(Opener opener);

  virtual ~FontFace();
  FontFace(const FontFace&) = delete;
  FontFace& operator=(const FontFace&) = delete;

  const std::string& path() const { return path_; }
  int unitsPerEm() const { return unitsPerEm_; }
  // Horizontal header metrics, in font units (descender is negative).
  int ascender() const { return ascender_; }
  int descender() const { return descender_; }
  int lineGap() const { return lineGap_; }

  // Shapes one run left to right, kerning on, with no bidirectional
  // reordering: glyphs come in logical order, which is also visual order.
  // What shaping measures never depends on the sizes glyphs are rendered at.
  virtual std::vector<ShapedGlyph> shape(std::string_view utf8) const = 0;
  // Renders one glyph unhinted at `pixelSize` pixels per em, its origin
  // shifted right by subpixel / 4 pixels (subpixel 0–3). False when it
  // cannot.
  virtual bool rasterize(std::uint32_t glyph, double pixelSize, int subpixel,
                         GlyphBitmap& out) const = 0;
  // Whether the face has a glyph of its own for the character.
  virtual bool hasCharacter(char32_t c) const = 0;

 protected:
  FontFace(std::string path, int unitsPerEm, int ascender, int descender, int lineGap);

 private:
  std::string path_;
  int unitsPerEm_;
  int ascender_;
  int descender_;
  int lineGap_;
};

}  // namespace ui
