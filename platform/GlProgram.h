#pragma once

#include <epoxy/gl.h>

#include <string>

namespace platform {

// A linked vertex + fragment shader pair. Needs a current OpenGL 3.3 context
// for its whole life.
class GlProgram {
 public:
  // Throws std::runtime_error with the driver's log when compiling or linking fails.
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
