#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "FakeFontFace.h"
#include "ui/Font.h"

namespace {

TEST(FontFace, IsOpenedOncePerPathAndFailuresAreNotKept) {
  ui::Font small = ui::Font::boldSystemFont(12);
  EXPECT_EQ(small.face(), ui::Font::boldSystemFont(192).face());
  EXPECT_EQ(ui::FontFace::open(small.face()->path()), small.face());

  EXPECT_EQ(ui::FontFace::open("/nonexistent/Font.otf"), nullptr);
  const auto path = std::filesystem::temp_directory_path() / "invited-font-test.otf";
  std::ofstream(path) << "plain text, not a font\n";
  EXPECT_EQ(ui::FontFace::open(path.string()), nullptr);
  std::filesystem::copy_file(small.face()->path(), path,
                             std::filesystem::copy_options::overwrite_existing);
  EXPECT_NE(ui::FontFace::open(path.string()), nullptr);
  std::filesystem::remove(path);
}

TEST(FontFace, OpensThroughTheInstalledEngineUntilTheDefaultIsBack) {
  struct Restore {
    ~Restore() { ui::FontFace::setOpener(nullptr); }
  } restore;
  ui::FontFace::setOpener(
      [](const std::string& path, std::string& error) -> std::shared_ptr<ui::FontFace> {
        if (path == "/engine/good.otf") {
          return std::make_shared<fakefont::Face>(path);
        }
        error = "refused by the engine";
        return nullptr;
      });
  std::string error;
  EXPECT_EQ(ui::FontFace::open("/engine/bad.otf", error), nullptr);
  EXPECT_EQ(error, "refused by the engine");
  EXPECT_EQ(ui::FontFace::open("/engine/good.otf")->path(), "/engine/good.otf");
  ui::FontFace::setOpener(nullptr);
  EXPECT_EQ(ui::FontFace::open("/engine/bad.otf", error), nullptr);
  EXPECT_NE(error, "refused by the engine");
}

TEST(FontFace, KnowsTheCharactersItHasGlyphsFor) {
  const auto face = ui::Font::boldSystemFont(12).face();
  for (char32_t c : {U'A', U'\u00C4', U'\u2019', U'\u2026'}) {
    EXPECT_TRUE(face->hasCharacter(c)) << std::uint32_t(c);
  }
  for (char32_t c : {U'\u4E00', U'\U0001F600', U'\uFFFF'}) {
    EXPECT_FALSE(face->hasCharacter(c)) << std::uint32_t(c);
  }
}

// The bitmap's left and top place it against the pen on the baseline; the
// quarter pixel moves the outline, not the bitmap's grid.
TEST(FontFace, RendersAtThePixelSizeAndQuarterPixelAskedFor) {
  const auto face = ui::Font::boldSystemFont(12).face();
  const std::uint32_t glyph = face->shape("H").at(0).glyph;
  auto inkCentreX = [](const ui::GlyphBitmap& bitmap) {
    double sum = 0, weighted = 0;
    for (int y = 0; y < bitmap.height; ++y) {
      for (int x = 0; x < bitmap.width; ++x) {
        const double c = bitmap.coverage[std::size_t(y * bitmap.width + x)];
        sum += c;
        weighted += c * (bitmap.left + x + 0.5);
      }
    }
    return weighted / sum;
  };
  ui::GlyphBitmap at50, shifted, at100;
  ASSERT_TRUE(face->rasterize(glyph, 50, 0, at50));
  ASSERT_TRUE(face->rasterize(glyph, 50, 2, shifted));
  ASSERT_TRUE(face->rasterize(glyph, 100, 0, at100));
  ASSERT_EQ(at50.coverage.size(), std::size_t(at50.width * at50.height));
  EXPECT_EQ(at50.top, at50.height);  // "H" stands on the baseline
  EXPECT_NEAR(at100.height, 2 * at50.height, 1);
  EXPECT_NEAR(inkCentreX(shifted) - inkCentreX(at50), 0.5, 0.05);
  EXPECT_FALSE(face->rasterize(glyph, 0, 0, at50));
}

}  // namespace
