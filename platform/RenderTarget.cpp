#include "platform/RenderTarget.h"

#include <stdexcept>
#include <string>

namespace platform {

RenderTarget::RenderTarget(int width, int height) : width_(width), height_(height) {
  // Made in the middle of drawing: leave the caller's bindings as they were.
  GLint previousTexture = 0, previousDraw = 0, previousRead = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &previousTexture);
  glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &previousDraw);
  glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &previousRead);
  glGenTextures(1, &texture_);
  glBindTexture(GL_TEXTURE_2D, texture_);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  glGenFramebuffers(1, &framebuffer_);
  glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
  glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture_, 0);
  GLenum status = glCheckFramebufferStatus(GL_FRAMEBUFFER);
  glBindTexture(GL_TEXTURE_2D, GLuint(previousTexture));
  glBindFramebuffer(GL_DRAW_FRAMEBUFFER, GLuint(previousDraw));
  glBindFramebuffer(GL_READ_FRAMEBUFFER, GLuint(previousRead));
  if (status != GL_FRAMEBUFFER_COMPLETE) {
    glDeleteFramebuffers(1, &framebuffer_);
    glDeleteTextures(1, &texture_);
    throw std::runtime_error("cannot make a framebuffer of " + std::to_string(width) + " × " +
                             std::to_string(height) + " pixels");
  }
}

RenderTarget::~RenderTarget() {
  glDeleteFramebuffers(1, &framebuffer_);
  glDeleteTextures(1, &texture_);
}

}  // namespace platform
