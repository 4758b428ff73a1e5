#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

// Turns read-back pixels into the 4:2:0 planes a video encoder takes: BT.709
// limited range (what players assume for HD), each chroma sample the mean of
// its 2 × 2 pixels, laid out as one buffer: the Y plane, then U, then V, each
// row by row from the top with no padding.
//
// Done on the CPU in fixed point: on the software renderer this program
// meets, a shader pass with its texture fetches costs several times more.
class Yuv420Converter {
 public:
  // Bytes the planes of a width × height picture take.
  static std::size_t planesSize(int width, int height) {
    return std::size_t(width) * height * 3 / 2;
  }

  // `pixels`: premultiplied RGBA with the picture's bottom row first, as
  // OpenGL reads a framebuffer back; width and height even. Writes
  // planesSize() bytes to `planes`.
  static void convert(const std::uint8_t* pixels, int width, int height, std::uint8_t* planes);
};

}  // namespace platform
