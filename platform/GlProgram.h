#pragma once

#include <string>

#include "platform/Gl.h"

namespace platform {

// A linked vertex + fragment shader pair. Needs a current OpenGL 3.3 or
// OpenGL ES 3.0 context for its whole life.
class GlProgram {
 public:
  // The sources start without a #version line: the context's dialect
  // (gl::shaderHeader) goes before each. Throws std::runtime_error with the
  // driver's log when compiling or linking fails.
  GlProgram(const char* vertexSource, const char* fragmentSource);
  ~GlProgram();
  GlProgram(const GlProgram&) = delete;
  GlProgram& operator=(const GlProgram&) = delete;

  GLuint id() const { return id_; }
  // Asks the driver each time: look a location up once, when the program is built.
  GLint uniform(const char* name) const { return glGetUniformLocation(id_, name); }

 private:
  GLuint id_ = 0;
};

}  // namespace platform
