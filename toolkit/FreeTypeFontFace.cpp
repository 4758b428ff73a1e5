#include "ui/FreeTypeFontFace.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H
#include <hb.h>

#include <algorithm>
#include <cmath>
#include <utility>

namespace ui {

namespace {

// What open() has made so far; freed unless a face took it over.
struct Handles {
  hb_blob_t* blob = nullptr;
  FT_Library library = nullptr;
  FT_Face face = nullptr;
  Handles() = default;
  Handles(const Handles&) = delete;
  Handles& operator=(const Handles&) = delete;
  ~Handles() {
    if (face) {
      FT_Done_Face(face);
    }
    if (library) {
      FT_Done_FreeType(library);
    }
    hb_blob_destroy(blob);
  }
};

class ShapingBuffer {
 public:
  ShapingBuffer() : buffer_(hb_buffer_create()) {}
  ~ShapingBuffer() { hb_buffer_destroy(buffer_); }
  ShapingBuffer(const ShapingBuffer&) = delete;
  ShapingBuffer& operator=(const ShapingBuffer&) = delete;
  hb_buffer_t* get() { return buffer_; }

 private:
  hb_buffer_t* buffer_;
};

}  // namespace

FreeTypeFontFace::FreeTypeFontFace(std::string path, int unitsPerEm, int ascender, int descender,
                                   int lineGap)
    : FontFace(std::move(path), unitsPerEm, ascender, descender, lineGap) {}

std::shared_ptr<FontFace> FreeTypeFontFace::open(const std::string& path, std::string& error) {
  Handles made;
  made.blob = hb_blob_create_from_file_or_fail(path.c_str());
  if (!made.blob) {
    error = "cannot be read";
    return nullptr;
  }
  unsigned length = 0;
  const char* data = hb_blob_get_data(made.blob, &length);
  if (length == 0) {
    error = "empty file";
    return nullptr;
  }
  if (FT_Init_FreeType(&made.library) != 0) {
    made.library = nullptr;
    error = "FreeType cannot start";
    return nullptr;
  }
  if (FT_New_Memory_Face(made.library, reinterpret_cast<const FT_Byte*>(data),
                         static_cast<FT_Long>(length), 0, &made.face) != 0) {
    made.face = nullptr;
    error = "not a font file that can be read";
    return nullptr;
  }
  const FT_Face ftFace = made.face;
  if (!FT_IS_SCALABLE(ftFace) || ftFace->units_per_EM == 0) {
    error = "not a scalable font";
    return nullptr;
  }

  int ascender = 0, descender = 0, lineGap = 0;
  if (auto* hhea = static_cast<TT_HoriHeader*>(FT_Get_Sfnt_Table(ftFace, FT_SFNT_HHEA))) {
    ascender = hhea->Ascender;
    descender = hhea->Descender;
    lineGap = hhea->Line_Gap;
  } else {
    ascender = ftFace->ascender;
    descender = ftFace->descender;
    lineGap = ftFace->height - (ftFace->ascender - ftFace->descender);
  }
  const int unitsPerEm = ftFace->units_per_EM;

  std::shared_ptr<FreeTypeFontFace> face(
      new FreeTypeFontFace(path, unitsPerEm, ascender, descender, lineGap));
  hb_face_t* hbFace = hb_face_create(made.blob, 0);
  face->hbFont_ = hb_font_create(hbFace);
  hb_face_destroy(hbFace);
  hb_font_set_scale(face->hbFont_, unitsPerEm, unitsPerEm);
  hb_font_make_immutable(face->hbFont_);
  face->blob_ = std::exchange(made.blob, nullptr);
  face->library_ = std::exchange(made.library, nullptr);
  face->ftFace_ = std::exchange(made.face, nullptr);
  return face;
}

FreeTypeFontFace::~FreeTypeFontFace() {
  if (hbFont_) {
    hb_font_destroy(hbFont_);
  }
  // The FreeType face reads the blob's bytes: it goes first.
  if (ftFace_) {
    FT_Done_Face(ftFace_);
  }
  if (library_) {
    FT_Done_FreeType(library_);
  }
  hb_blob_destroy(blob_);
}

std::vector<ShapedGlyph> FreeTypeFontFace::shape(std::string_view utf8) const {
  thread_local ShapingBuffer shapingBuffer;
  hb_buffer_t* buffer = shapingBuffer.get();
  hb_buffer_reset(buffer);
  hb_buffer_add_utf8(buffer, utf8.data(), static_cast<int>(utf8.size()), 0,
                     static_cast<int>(utf8.size()));
  hb_buffer_set_direction(buffer, HB_DIRECTION_LTR);
  hb_buffer_guess_segment_properties(buffer);
  hb_shape(hbFont_, buffer, nullptr, 0);

  unsigned count = 0;
  const hb_glyph_info_t* infos = hb_buffer_get_glyph_infos(buffer, &count);
  const hb_glyph_position_t* positions = hb_buffer_get_glyph_positions(buffer, &count);
  std::vector<ShapedGlyph> glyphs;
  glyphs.reserve(count);
  for (unsigned i = 0; i < count; ++i) {
    glyphs.push_back({infos[i].codepoint, infos[i].cluster, double(positions[i].x_advance),
                      double(positions[i].x_offset), double(positions[i].y_offset)});
  }
  return glyphs;
}

bool FreeTypeFontFace::rasterize(std::uint32_t glyph, double pixelSize, int subpixel,
                                 GlyphBitmap& out) const {
  const FT_F26Dot6 size26_6 = std::lround(pixelSize * 64);
  if (size26_6 <= 0 || subpixel < 0 || subpixel > 3) {
    return false;
  }
  std::lock_guard lock(rasterizeMutex_);
  if (FT_Set_Char_Size(ftFace_, 0, size26_6, 72, 72) != 0) {
    return false;
  }
  FT_Vector shift{subpixel * 16, 0};
  FT_Set_Transform(ftFace_, nullptr, &shift);
  FT_Error error = FT_Load_Glyph(ftFace_, glyph, FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP);
  if (error == 0) {
    error = FT_Render_Glyph(ftFace_->glyph, FT_RENDER_MODE_NORMAL);
  }
  FT_Set_Transform(ftFace_, nullptr, nullptr);
  if (error != 0) {
    return false;
  }
  const FT_Bitmap& bitmap = ftFace_->glyph->bitmap;
  out.width = static_cast<int>(bitmap.width);
  out.height = static_cast<int>(bitmap.rows);
  out.left = ftFace_->glyph->bitmap_left;
  out.top = ftFace_->glyph->bitmap_top;
  out.coverage.resize(std::size_t(out.width) * std::size_t(out.height));
  for (int row = 0; row < out.height; ++row) {
    const unsigned char* source = bitmap.buffer + std::ptrdiff_t(row) * bitmap.pitch;
    std::copy(source, source + out.width, out.coverage.begin() + std::ptrdiff_t(row) * out.width);
  }
  return true;
}

bool FreeTypeFontFace::hasCharacter(char32_t c) const {
  hb_codepoint_t glyph = 0;
  return hb_font_get_nominal_glyph(hbFont_, c, &glyph) && glyph != 0;
}

}  // namespace ui
