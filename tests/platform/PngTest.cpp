#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>
#include <filesystem>

#include "platform/OffscreenRenderer.h"

namespace {

TEST(WritePng, WritesPixelsThatReadBackTheSame) {
  platform::Image image;
  image.width = 3;
  image.height = 2;
  image.rgba = {255, 0, 0, 255, 0,   255, 0,   128, 0, 0, 255, 0,
                1,   2, 3, 4,   250, 251, 252, 253, 9, 8, 7,   6};
  auto path = std::filesystem::temp_directory_path() / "platform_png_test.png";
  std::string error;
  ASSERT_TRUE(platform::writePng(image, path.string(), error)) << error;

  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  ASSERT_TRUE(png_image_begin_read_from_file(&png, path.string().c_str()));
  png.format = PNG_FORMAT_RGBA;
  std::vector<std::uint8_t> pixels(PNG_IMAGE_SIZE(png));
  ASSERT_TRUE(png_image_finish_read(&png, nullptr, pixels.data(), 0, nullptr));
  EXPECT_EQ(png.width, 3u);
  EXPECT_EQ(png.height, 2u);
  EXPECT_EQ(pixels, image.rgba);
  std::filesystem::remove(path);
}

TEST(WritePng, ReportsFailuresInsteadOfWriting) {
  platform::Image image;
  image.width = 1;
  image.height = 1;
  image.rgba = {1, 2, 3, 4};
  std::string error;
  EXPECT_FALSE(platform::writePng(image, "/nonexistent-folder/x.png", error));
  EXPECT_NE(error.find("/nonexistent-folder/x.png"), std::string::npos);
  // A full disk is named as one, not as libpng's "Write Error". The picture
  // is larger than stdio's buffer, so the refusal comes while libpng writes.
  platform::Image large;
  large.width = large.height = 256;
  large.rgba.resize(256 * 256 * 4);
  for (std::size_t i = 0; i < large.rgba.size(); ++i) {
    large.rgba[i] = static_cast<std::uint8_t>(i * 2654435761u >> 13);
  }
  error.clear();
  EXPECT_FALSE(platform::writePng(large, "/dev/full", error));
  EXPECT_EQ(error, "cannot write /dev/full: No space left on device");
  image.rgba.pop_back();
  error.clear();
  EXPECT_FALSE(platform::writePng(image, "/tmp/never.png", error));
  EXPECT_FALSE(error.empty());
}

}  // namespace
