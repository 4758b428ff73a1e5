#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <unordered_map>
#include <vector>

#include "platform/Gl.h"
#include "ui/FontFace.h"

namespace platform {

// Glyph coverage bitmaps rasterized by their faces at device pixel sizes, packed
// in rows ("shelves") of one single-channel texture. When the texture is full
// it starts over empty: callers must have drawn everything that used the old
// entries first (clear() reports that by bumping epoch()).
//
// New glyphs reach the texture in commit(), one upload per shelf, which the
// drawer calls before each draw: a texture written to between draws may make
// a driver finish the drawing queued so far, once per glyph otherwise.
class GlyphAtlas {
 public:
  // A glyph's place in the texture and its bitmap's offset from the pen
  // position, in pixels (top is up from the baseline). Empty glyphs (spaces)
  // have zero width.
  struct Entry {
    int x = 0, y = 0, width = 0, height = 0;
    int left = 0, top = 0;
  };

  explicit GlyphAtlas(std::function<void()> beforeStartingOver, int size = 2048);
  ~GlyphAtlas();
  GlyphAtlas(const GlyphAtlas&) = delete;
  GlyphAtlas& operator=(const GlyphAtlas&) = delete;

  // The glyph at `pixelSize` pixels per em, its pen shifted right by
  // `subpixel` quarters of a pixel. The size is taken in 64ths of a pixel,
  // the step entries are kept by. None when the face cannot render it or it
  // is larger than the whole atlas. The face must outlive the atlas.
  std::optional<Entry> find(const ui::FontFace* face, std::uint32_t glyph, double pixelSize,
                            int subpixel);
  // Uploads the glyphs found since the last commit.
  void commit();
  // How many times the atlas started over.
  std::uint64_t epoch() const { return epoch_; }

  GLuint texture() const { return texture_; }
  int size() const { return size_; }

 private:
  struct Key {
    const ui::FontFace* face;
    std::uint32_t glyph;
    std::int32_t size26_6;
    int subpixel;
    friend bool operator==(const Key&, const Key&) = default;
  };
  struct KeyHash {
    std::size_t operator()(const Key& k) const;
  };
  // A glyph placed but not yet in the texture.
  struct Pending {
    int x, y, width, height;
    std::vector<std::uint8_t> coverage;  // rows of `width` bytes
  };
  bool place(int width, int height, int& x, int& y);
  void clear();

  std::function<void()> beforeStartingOver_;
  int size_;
  GLuint texture_ = 0;
  std::unordered_map<Key, Entry, KeyHash> entries_;
  std::vector<Pending> pending_;  // in the order placed: by shelf, left to right
  int shelfX_ = 0, shelfY_ = 0, shelfHeight_ = 0;
  std::uint64_t epoch_ = 0;
};

}  // namespace platform
