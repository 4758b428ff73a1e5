#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// RGBA, 8 bits a channel, rows top to bottom, not premultiplied.
struct Image {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgba;

  const std::uint8_t* pixel(int x, int y) const { return &rgba[(std::size_t(y) * width + x) * 4]; }
};

// Writes `image` as an 8-bit RGBA PNG file; false with `error` set when it
// cannot.
bool writePng(const Image& image, const std::string& path, std::string& error);

}  // namespace platform
