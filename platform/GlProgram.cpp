#include "platform/GlProgram.h"

#include <stdexcept>

namespace platform {

namespace {

GLuint compile(GLenum type, const char* source) {
  GLuint shader = glCreateShader(type);
  const char* const parts[2] = {gl::shaderHeader, source};
  glShaderSource(shader, 2, parts, nullptr);
  glCompileShader(shader);
  GLint ok = GL_FALSE;
  glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
  if (!ok) {
    char log[2048] = {};
    glGetShaderInfoLog(shader, sizeof log, nullptr, log);
    glDeleteShader(shader);
    throw std::runtime_error(std::string("shader does not compile: ") + log);
  }
  return shader;
}

}  // namespace

GlProgram::GlProgram(const char* vertexSource, const char* fragmentSource) {
  GLuint vertex = compile(GL_VERTEX_SHADER, vertexSource);
  GLuint fragment = 0;
  try {
    fragment = compile(GL_FRAGMENT_SHADER, fragmentSource);
  } catch (...) {
    glDeleteShader(vertex);
    throw;
  }
  id_ = glCreateProgram();
  glAttachShader(id_, vertex);
  glAttachShader(id_, fragment);
  glLinkProgram(id_);
  glDeleteShader(vertex);
  glDeleteShader(fragment);
  GLint ok = GL_FALSE;
  glGetProgramiv(id_, GL_LINK_STATUS, &ok);
  if (!ok) {
    char log[2048] = {};
    glGetProgramInfoLog(id_, sizeof log, nullptr, log);
    glDeleteProgram(id_);
    throw std::runtime_error(std::string("shader program does not link: ") + log);
  }
}

GlProgram::~GlProgram() {
  glDeleteProgram(id_);
}

}  // namespace platform
