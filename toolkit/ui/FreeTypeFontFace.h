#pragma once

#include <memory>
#include <mutex>
#include <string>

#include "ui/FontFace.h"

struct FT_LibraryRec_;
struct FT_FaceRec_;
struct hb_blob_t;
struct hb_font_t;

namespace ui {

// The desktop's text engine: HarfBuzz shapes, FreeType rasterises, both
// reading the same bytes of the file, loaded once. The HarfBuzz font is
// scaled to units per em and takes its metrics from the font's own tables,
// so the sizes glyphs are rendered at never change what shaping measures.
// Not built for the browser, which brings a text engine of its own.
class FreeTypeFontFace final : public FontFace {
 public:
  // A face for the file, uncached (FontFace::open caches); nullptr and a
  // reason when it is not a scalable font FreeType can read.
  static std::shared_ptr<FontFace> open(const std::string& path, std::string& error);
  ~FreeTypeFontFace() override;

  std::vector<ShapedGlyph> shape(std::string_view utf8) const override;
  bool rasterize(std::uint32_t glyph, double pixelSize, int subpixel,
                 GlyphBitmap& out) const override;
  bool hasCharacter(char32_t c) const override;

 private:
  FreeTypeFontFace(std::string path, int unitsPerEm, int ascender, int descender, int lineGap);

  hb_blob_t* blob_ = nullptr;
  // The HarfBuzz font is immutable: any thread may shape with it.
  hb_font_t* hbFont_ = nullptr;
  // Rasterising sets the size and transform on the face: one thread at a
  // time, under rasterizeMutex_. The library serves this face alone.
  FT_LibraryRec_* library_ = nullptr;
  FT_FaceRec_* ftFace_ = nullptr;
  mutable std::mutex rasterizeMutex_;
};

}  // namespace ui
