#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "ui/Bundle.h"
#include "ui/Font.h"

namespace {

TEST(Font, ResolvesOurThreeFacesAndNoOtherName) {
  const std::string resources = ui::Bundle::main().resourcePath();
  EXPECT_EQ(ui::Font::systemFont(17).face()->path(), resources + "/Inter-Regular.otf");
  EXPECT_EQ(ui::Font::boldSystemFont(96).face()->path(), resources + "/Inter-Bold.otf");
  std::optional<ui::Font> black = ui::Font::named("SFProDisplay-Black", 192);
  ASSERT_TRUE(black.has_value());
  EXPECT_EQ(black->face()->path(), resources + "/InterDisplay-Black.otf");
  EXPECT_EQ(black->pointSize(), 192);
  for (const char* name : {"Helvetica", "Inter-Bold", "sfprodisplay-black", ""}) {
    EXPECT_FALSE(ui::Font::named(name, 20).has_value()) << name;
  }
}

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

}  // namespace
