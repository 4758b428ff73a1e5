#pragma once

#include "platform/Gl.h"

namespace platform {

// An RGBA8 texture with a framebuffer drawing into it. Pixels hold
// premultiplied colour; row 0 of the texture is the picture's bottom row, as
// for a window's framebuffer, so one projection serves both.
class RenderTarget {
 public:
  RenderTarget(int width, int height);
  ~RenderTarget();
  RenderTarget(const RenderTarget&) = delete;
  RenderTarget& operator=(const RenderTarget&) = delete;

  int width() const { return width_; }
  int height() const { return height_; }
  GLuint framebuffer() const { return framebuffer_; }
  GLuint texture() const { return texture_; }

 private:
  int width_;
  int height_;
  GLuint framebuffer_ = 0;
  GLuint texture_ = 0;
};

}  // namespace platform
