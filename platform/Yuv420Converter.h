#pragma once

#include <epoxy/gl.h>

#include <cstdint>
#include <memory>

namespace platform {

class GlProgram;

// Turns a drawn picture into 4:2:0 video levels on the GPU, so that a video
// reads back 1.5 bytes a pixel instead of 4 and nothing is converted on the
// CPU. The result is BT.709 limited range (what players assume for HD), each
// chroma sample the mean of its 2 × 2 pixels, laid out as one buffer: the Y
// plane, then U, then V, each row by row from the top with no padding.
//
// Needs a current OpenGL 3.3 context for its whole life.
class Yuv420Converter {
 public:
  Yuv420Converter();
  ~Yuv420Converter();
  Yuv420Converter(const Yuv420Converter&) = delete;
  Yuv420Converter& operator=(const Yuv420Converter&) = delete;

  // Bytes the planes of a width × height picture take.
  static std::size_t planesSize(int width, int height) {
    return std::size_t(width) * height * 3 / 2;
  }

  // `texture` holds premultiplied RGBA with row 0 at the picture's bottom, as
  // a RenderTarget does; width and height are even. Writes planesSize() bytes.
  void convert(GLuint texture, int width, int height, std::uint8_t* planes);

 private:
  void resize(int width, int height);

  std::unique_ptr<GlProgram> program_;
  GLint widthUniform_ = -1;
  GLint heightUniform_ = -1;
  GLuint vertexArray_ = 0;
  GLuint texture_ = 0;  // one red channel, width × 1.5 height
  GLuint framebuffer_ = 0;
  int width_ = 0;
  int height_ = 0;
};

}  // namespace platform
