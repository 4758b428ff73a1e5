#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "ui/Font.h"
#include "ui/FontTables.h"

namespace {

std::string bytesOf(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// The tables a browser's face reads must give the numbers the desktop's
// engine gives, for every face and every character up to the CJK block.
TEST(FontTables, AgreeWithTheDesktopEngineOnEveryFace) {
  for (const std::string& path : ui::Font::facePaths()) {
    SCOPED_TRACE(path);
    const auto face = ui::FontFace::open(path);
    ASSERT_NE(face, nullptr);
    const auto tables = ui::FontTables::read(bytesOf(path));
    ASSERT_TRUE(tables.has_value());
    EXPECT_EQ(tables->unitsPerEm(), face->unitsPerEm());
    EXPECT_EQ(tables->ascender(), face->ascender());
    EXPECT_EQ(tables->descender(), face->descender());
    EXPECT_EQ(tables->lineGap(), face->lineGap());
    int mapped = 0;
    for (char32_t c = 0; c < 0x3000; ++c) {
      ASSERT_EQ(tables->hasCharacter(c), face->hasCharacter(c)) << "U+" << std::hex << unsigned(c);
      mapped += tables->hasCharacter(c);
    }
    EXPECT_GT(mapped, 500);
    EXPECT_TRUE(tables->hasCharacter(U'Ω'));
    EXPECT_FALSE(tables->hasCharacter(U'\u4e2d'));
  }
}

// Cut anywhere, or not a font at all, the bytes give no tables, and reading
// never runs past them.
TEST(FontTables, RefuseCutAndForeignBytes) {
  const std::string font = bytesOf(ui::Font::systemFont(12).face()->path());
  for (std::size_t length : {0, 11, 12, 100, 200}) {
    EXPECT_FALSE(ui::FontTables::read(std::string_view(font).substr(0, length)).has_value())
        << length;
  }
  EXPECT_FALSE(
      ui::FontTables::read("\x89PNG\r\n\x1a\n plus some more bytes than a header").has_value());
}

}  // namespace
