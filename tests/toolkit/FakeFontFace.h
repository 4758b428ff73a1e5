#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ui/Bundle.h"
#include "ui/Font.h"
#include "ui/FontFace.h"

namespace fakefont {

// A text engine simple enough to predict. Each character is one glyph, its
// first byte, 500 units wide (a space 250), except "fi", one 900-unit glyph
// for both, and U+0301, a mark in the cluster of the character before it,
// drawn 300 units left and 600 up. 1000 units per em, ascender 800,
// descender −200, line gap 100.
//
// Every glyph renders as one 4 × 3 bitmap: a full top row, then one pixel at
// the left of the bottom row; its left edge 1 pixel right of the pen, its top
// 5 pixels above the baseline.
class Face final : public ui::FontFace {
 public:
  static constexpr std::uint32_t ligatureFi = 0xF1;
  static constexpr std::uint32_t acute = 0x301;

  explicit Face(std::string path) : FontFace(std::move(path), 1000, 800, -200, 100) {}

  std::vector<ui::ShapedGlyph> shape(std::string_view text) const override {
    std::vector<ui::ShapedGlyph> glyphs;
    for (std::size_t i = 0; i < text.size();) {
      const auto at = static_cast<std::uint32_t>(i);
      const auto lead = static_cast<unsigned char>(text[i]);
      if (text.substr(i, 2) == "fi") {
        glyphs.push_back({ligatureFi, at, 900, 0, 0});
        i += 2;
      } else if (text.substr(i, 2) == "\u0301" && !glyphs.empty()) {
        glyphs.push_back({acute, glyphs.back().cluster, 0, -300, 600});
        i += 2;
      } else {
        glyphs.push_back({lead, at, lead == ' ' ? 250.0 : 500.0, 0, 0});
        i += lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
      }
    }
    return glyphs;
  }

  bool rasterize(std::uint32_t, double pixelSize, int subpixel,
                 ui::GlyphBitmap& out) const override {
    pixelSizes.push_back(pixelSize);
    subpixels.push_back(subpixel);
    out = {4, 3, 1, 5, {255, 255, 255, 255, 0, 0, 0, 0, 255, 0, 0, 0}};
    return true;
  }

  bool hasCharacter(char32_t c) const override { return c < 0x80; }

  // What rasterize was asked for, in order.
  mutable std::vector<double> pixelSizes;
  mutable std::vector<int> subpixels;
};

// Installs the fake engine and points the bundle at a folder of fake faces,
// so Font::named makes fonts of it; puts both back when it goes.
class Engine {
 public:
  Engine() : bundle_(ui::Bundle::main()) {
    ui::Bundle::main() = ui::Bundle("/fake-fonts");
    ui::FontFace::setOpener(
        [](const std::string& path, std::string&) { return std::make_shared<Face>(path); });
  }
  ~Engine() {
    ui::FontFace::setOpener(nullptr);
    ui::Bundle::main() = bundle_;
  }

  static ui::Font font(double size) { return *ui::Font::named("SFProDisplay-Black", size); }
  static const Face& face(const ui::Font& font) { return static_cast<const Face&>(*font.face()); }

 private:
  ui::Bundle bundle_;
};

}  // namespace fakefont
