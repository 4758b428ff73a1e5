#include "platform/web/BrowserFontFace.h"

#include <emscripten.h>

#include <cmath>
#include <fstream>
#include <iterator>

// The page's text engine: a 2D canvas with the face's family loaded.
// clang-format off
EM_JS(int, invited_text_family, (const char* file), {
  return invited.text.family(UTF8ToString(file));
});
EM_JS(int, invited_text_shape, (int family, const char* text, int length, double size,
                                double* advances, unsigned* glyphs, int capacity), {
  const shaped = invited.text.shape(family, UTF8ToString(text, length), size);
  const count = Math.min(shaped.advances.length, capacity);
  for (let i = 0; i < count; ++i) {
    HEAPF64[(advances >> 3) + i] = shaped.advances[i];
    HEAPU32[(glyphs >> 2) + i] = shaped.glyphs[i];
  }
  return shaped.advances.length;
});
EM_JS(int, invited_text_raster, (int family, unsigned glyphId, double pixelSize, int subpixel,
                                 int* box), {
  const glyph = invited.text.raster(family, glyphId, pixelSize, subpixel);
  if (!glyph) return 0;
  HEAP32[(box >> 2) + 0] = glyph.width;
  HEAP32[(box >> 2) + 1] = glyph.height;
  HEAP32[(box >> 2) + 2] = glyph.left;
  HEAP32[(box >> 2) + 3] = glyph.top;
  return 1;
});
EM_JS(void, invited_text_coverage, (unsigned char* out), {
  HEAPU8.set(invited.text.lastCoverage, out);
});
// clang-format on

namespace web {

namespace {

// The code point at `i` of valid or invalid UTF-8, and where the next starts.
char32_t decode(std::string_view s, std::size_t& i) {
  const unsigned char lead = static_cast<unsigned char>(s[i]);
  int extra = lead < 0x80 ? 0 : lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
  char32_t c = extra == 0 ? lead : lead & (0x3F >> extra);
  ++i;
  for (; extra > 0 && i < s.size() && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80;
       --extra, ++i) {
    c = c << 6 | (static_cast<unsigned char>(s[i]) & 0x3F);
  }
  return c;
}

}  // namespace

BrowserFontFace::BrowserFontFace(const std::string& path, const ui::FontTables& tables, int family)
    : ui::FontFace(path, tables.unitsPerEm(), tables.ascender(), tables.descender(),
                   tables.lineGap()),
      tables_(tables),
      family_(family) {}

std::shared_ptr<ui::FontFace> BrowserFontFace::open(const std::string& path, std::string& error) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    error = "no such file";
    return nullptr;
  }
  const std::string bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  const auto tables = ui::FontTables::read(bytes);
  if (!tables) {
    error = "not a font file that can be read";
    return nullptr;
  }
  const std::string name = path.substr(path.find_last_of('/') + 1);
  const int family = invited_text_family(name.c_str());
  if (family < 0) {
    error = "the page did not load this face";
    return nullptr;
  }
  return std::shared_ptr<ui::FontFace>(new BrowserFontFace(path, *tables, family));
}

void BrowserFontFace::install() {
  ui::FontFace::setOpener(&BrowserFontFace::open);
}

std::vector<ui::ShapedGlyph> BrowserFontFace::shape(std::string_view utf8) const {
  std::vector<ui::ShapedGlyph> glyphs;
  for (std::size_t i = 0; i < utf8.size();) {
    const auto cluster = static_cast<std::uint32_t>(i);
    glyphs.push_back({decode(utf8, i), cluster, 0, 0, 0});
  }
  if (glyphs.empty()) {
    return glyphs;
  }
  // Measured at one pixel per font unit, so advances come back in font units.
  std::vector<double> advances(glyphs.size());
  std::vector<unsigned> ids(glyphs.size());
  const int count = invited_text_shape(family_, utf8.data(), int(utf8.size()), unitsPerEm(),
                                       advances.data(), ids.data(), int(advances.size()));
  // A font's advances and kerning are whole font units; the browser's
  // measure comes back a hair off them, and a hair decides where a layout
  // that rounds up a width lands.
  for (std::size_t g = 0; g < glyphs.size() && g < std::size_t(count); ++g) {
    glyphs[g].xAdvance = std::round(advances[g]);
    glyphs[g].glyph = ids[g];
  }
  return glyphs;
}

bool BrowserFontFace::rasterize(std::uint32_t glyph, double pixelSize, int subpixel,
                                ui::GlyphBitmap& out) const {
  int box[4] = {0, 0, 0, 0};
  if (pixelSize <= 0 || !invited_text_raster(family_, glyph, pixelSize, subpixel, box)) {
    return false;
  }
  out.width = box[0];
  out.height = box[1];
  out.left = box[2];
  out.top = box[3];
  out.coverage.assign(std::size_t(out.width) * std::size_t(out.height), 0);
  if (!out.coverage.empty()) {
    invited_text_coverage(out.coverage.data());
  }
  return true;
}

}  // namespace web
