#include "platform/GlyphAtlas.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

namespace platform {

namespace {

// Space between glyphs, so that bilinear sampling of a transformed glyph
// never picks up its neighbour.
constexpr int padding = 1;

}  // namespace

std::size_t GlyphAtlas::KeyHash::operator()(const Key& k) const {
  std::size_t h = std::hash<const void*>()(k.face);
  h = h * 31 + k.glyph;
  h = h * 31 + static_cast<std::size_t>(k.size26_6);
  return h * 31 + static_cast<std::size_t>(k.subpixel);
}

GlyphAtlas::GlyphAtlas(std::function<void()> beforeStartingOver, int size)
    : beforeStartingOver_(std::move(beforeStartingOver)), size_(size) {
  glGenTextures(1, &texture_);
  glBindTexture(GL_TEXTURE_2D, texture_);
  // Left undefined: each glyph is written with a border of zeros around it
  // (see find), so the driver never touches pages no glyph uses.
  glTexImage2D(GL_TEXTURE_2D, 0, GL_R8, size, size, 0, GL_RED, GL_UNSIGNED_BYTE, nullptr);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
}

GlyphAtlas::~GlyphAtlas() {
  glDeleteTextures(1, &texture_);
}

void GlyphAtlas::commit() {
  if (pending_.empty()) {
    return;
  }
  // Upload through unit 0, where the atlas is bound while drawing, so the
  // other units keep their textures.
  GLint activeUnit = GL_TEXTURE0;
  glGetIntegerv(GL_ACTIVE_TEXTURE, &activeUnit);
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, texture_);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  std::vector<std::uint8_t> rows;
  for (std::size_t first = 0, end; first < pending_.size(); first = end) {
    // The shelf's new glyphs lie to the right of its old ones. Each goes in
    // with a one-pixel frame of zeros: the frame lies in the padding of its
    // neighbours (left, above) or its own (right, below), so bilinear
    // sampling at a glyph's edge reads zeros, not garbage.
    const int shelf = pending_[first].y;
    int x1 = 0, tallest = 0;
    for (end = first; end < pending_.size() && pending_[end].y == shelf; ++end) {
      x1 = std::max(x1, pending_[end].x + pending_[end].width + padding);
      tallest = std::max(tallest, pending_[end].height);
    }
    const int x0 = std::max(pending_[first].x - padding, 0), y0 = std::max(shelf - padding, 0);
    x1 = std::min(x1, size_);
    const int y1 = std::min(shelf + tallest + padding, size_);
    const int stride = x1 - x0;
    rows.assign(std::size_t(stride) * std::size_t(y1 - y0), 0);
    for (std::size_t i = first; i < end; ++i) {
      const Pending& glyph = pending_[i];
      for (int row = 0; row < glyph.height; ++row) {
        auto source = glyph.coverage.begin() + std::ptrdiff_t(row) * glyph.width;
        std::copy(source, source + glyph.width,
                  rows.begin() + std::ptrdiff_t(glyph.y - y0 + row) * stride + (glyph.x - x0));
      }
    }
    glTexSubImage2D(GL_TEXTURE_2D, 0, x0, y0, stride, y1 - y0, GL_RED, GL_UNSIGNED_BYTE,
                    rows.data());
  }
  glActiveTexture(GLenum(activeUnit));
  pending_.clear();
}

void GlyphAtlas::clear() {
  if (beforeStartingOver_) {
    beforeStartingOver_();
  }
  // Whatever was drawn with them went out in the flush above.
  pending_.clear();
  entries_.clear();
  shelfX_ = shelfY_ = shelfHeight_ = 0;
  ++epoch_;
}

bool GlyphAtlas::place(int width, int height, int& x, int& y) {
  if (width + padding > size_ || height + padding > size_) {
    return false;
  }
  if (shelfX_ + width + padding > size_) {
    shelfY_ += shelfHeight_;
    shelfX_ = 0;
    shelfHeight_ = 0;
  }
  if (shelfY_ + height + padding > size_) {
    return false;
  }
  x = shelfX_;
  y = shelfY_;
  shelfX_ += width + padding;
  shelfHeight_ = std::max(shelfHeight_, height + padding);
  return true;
}

std::optional<GlyphAtlas::Entry> GlyphAtlas::find(FT_FaceRec_* face, std::uint32_t glyph,
                                                  double pixelSize, int subpixel) {
  Key key{face, glyph, static_cast<std::int32_t>(std::lround(pixelSize * 64)), subpixel};
  if (auto it = entries_.find(key); it != entries_.end()) {
    return it->second;
  }
  if (key.size26_6 <= 0 || FT_Set_Char_Size(face, 0, key.size26_6, 72, 72) != 0) {
    return std::nullopt;
  }
  FT_Vector shift{subpixel * 16, 0};
  FT_Set_Transform(face, nullptr, &shift);
  FT_Error error = FT_Load_Glyph(face, glyph, FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP);
  if (error == 0) {
    error = FT_Render_Glyph(face->glyph, FT_RENDER_MODE_NORMAL);
  }
  FT_Set_Transform(face, nullptr, nullptr);
  if (error != 0) {
    return std::nullopt;
  }
  const FT_Bitmap& bitmap = face->glyph->bitmap;
  Entry entry;
  entry.width = static_cast<int>(bitmap.width);
  entry.height = static_cast<int>(bitmap.rows);
  entry.left = face->glyph->bitmap_left;
  entry.top = face->glyph->bitmap_top;
  if (entry.width > 0 && entry.height > 0) {
    if (!place(entry.width, entry.height, entry.x, entry.y)) {
      clear();
      if (!place(entry.width, entry.height, entry.x, entry.y)) {
        return std::nullopt;
      }
    }
    Pending upload{entry.x, entry.y, entry.width, entry.height, {}};
    upload.coverage.resize(std::size_t(entry.width) * std::size_t(entry.height));
    for (int row = 0; row < entry.height; ++row) {
      const unsigned char* source = bitmap.buffer + std::ptrdiff_t(row) * bitmap.pitch;
      std::copy(source, source + entry.width,
                upload.coverage.begin() + std::ptrdiff_t(row) * entry.width);
    }
    pending_.push_back(std::move(upload));
  }
  entries_.emplace(key, entry);
  return entry;
}

}  // namespace platform
