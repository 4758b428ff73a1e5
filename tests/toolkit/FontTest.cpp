#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

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

}  // namespace
