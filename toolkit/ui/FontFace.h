#pragma once

#include <memory>
#include <string>

struct FT_FaceRec_;
struct hb_blob_t;
struct hb_font_t;

namespace ui {

// One font file opened with FreeType and HarfBuzz, shared by every Font of any
// size made from it. Metrics are in font units; Font scales them.
class FontFace {
 public:
  // Opens the file once per process: later calls with the same path share the
  // face. nullptr when it cannot be read as a font (a failure is not cached).
  static std::shared_ptr<FontFace> open(const std::string& path);
  ~FontFace();
  FontFace(const FontFace&) = delete;
  FontFace& operator=(const FontFace&) = delete;

  const std::string& path() const { return path_; }
  int unitsPerEm() const { return unitsPerEm_; }
  // Horizontal header metrics, in font units (descender is negative).
  int ascender() const { return ascender_; }
  int descender() const { return descender_; }
  int lineGap() const { return lineGap_; }
  // Whether the face draws the code point with a glyph of its own.
  bool hasCharacter(char32_t c) const;

  // The underlying handles, for text shaping and glyph rasterizing. The
  // HarfBuzz font is scaled to units per em and takes its metrics from the
  // font's own tables, so setting a pixel size on the FreeType face (for
  // rasterizing) never changes what shaping measures. Both read the same
  // bytes of the file, loaded once. The HarfBuzz font may be used from any
  // thread; the FreeType face from one thread at a time.
  FT_FaceRec_* ftFace() const { return ftFace_; }
  hb_font_t* hbFont() const { return hbFont_; }

 private:
  FontFace() = default;
  std::string path_;
  hb_blob_t* blob_ = nullptr;
  FT_FaceRec_* ftFace_ = nullptr;
  hb_font_t* hbFont_ = nullptr;
  int unitsPerEm_ = 1000;
  int ascender_ = 0;
  int descender_ = 0;
  int lineGap_ = 0;
};

}  // namespace ui
