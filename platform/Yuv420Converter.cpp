#include "platform/Yuv420Converter.h"

#include <stdexcept>
#include <string>

#include "platform/GlProgram.h"

namespace platform {

namespace {

// One triangle that covers the target; no vertex data.
const char* const vertexShader = R"(#version 330 core
void main() {
  vec2 corner = vec2(gl_VertexID == 1 ? 3.0 : -1.0, gl_VertexID == 2 ? 3.0 : -1.0);
  gl_Position = vec4(corner, 0.0, 1.0);
}
)";

// Target row r holds bytes r × width … (r + 1) × width − 1 of the planes, so
// that reading the target back from row 0 up gives the planes in order. Below
// `height` that is a row of Y; above it, two rows of U or of V.
const char* const fragmentShader = R"(#version 330 core
uniform sampler2D picture;
uniform int width;
uniform int height;
out vec4 level;

const vec3 luma = vec3(0.2126, 0.7152, 0.0722);

vec3 colourAt(ivec2 p) {
  vec4 c = texelFetch(picture, ivec2(p.x, height - 1 - p.y), 0);
  return c.a > 0.0 ? min(c.rgb / c.a, vec3(1.0)) : vec3(0.0);
}

void main() {
  ivec2 here = ivec2(gl_FragCoord.xy);
  float value;
  if (here.y < height) {
    value = 16.0 + 219.0 * dot(colourAt(here), luma);
  } else {
    int halfWidth = width / 2;
    int index = (here.y - height) * width + here.x;
    int planeSize = halfWidth * (height / 2);
    bool red = index >= planeSize;
    index -= red ? planeSize : 0;
    ivec2 p = 2 * ivec2(index % halfWidth, index / halfWidth);
    vec3 c = 0.25 * (colourAt(p) + colourAt(p + ivec2(1, 0)) + colourAt(p + ivec2(0, 1)) +
                     colourAt(p + ivec2(1, 1)));
    float y = dot(c, luma);
    value = red ? 128.0 + 224.0 * (c.r - y) / 1.5748 : 128.0 + 224.0 * (c.b - y) / 1.8556;
  }
  level = vec4(value / 255.0, 0.0, 0.0, 1.0);
}
)";

}  // namespace

Yuv420Converter::Yuv420Converter()
    : program_(std::make_unique<GlProgram>(vertexShader, fragmentShader)),
      widthUniform_(program_->uniform("width")),
      heightUniform_(program_->uniform("height")) {
  glGenVertexArrays(1, &vertexArray_);
}

Yuv420Converter::~Yuv420Converter() {
  glDeleteFramebuffers(1, &framebuffer_);
  glDeleteTextures(1, &texture_);
  glDeleteVertexArrays(1, &vertexArray_);
}

void Yuv420Converter::resize(int width, int height) {
  glDeleteFramebuffers(1, &framebuffer_);
  glDeleteTextures(1, &texture_);
  glGenTextures(1, &texture_);
  glBindTexture(GL_TEXTURE_2D, texture_);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_R8, width, height * 3 / 2, 0, GL_RED, GL_UNSIGNED_BYTE,
               nullptr);
  glGenFramebuffers(1, &framebuffer_);
  glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
  glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture_, 0);
  if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
    throw std::runtime_error("cannot make a framebuffer for 4:2:0 planes of " +
                             std::to_string(width) + " × " + std::to_string(height) + " pixels");
  }
  width_ = width;
  height_ = height;
}

void Yuv420Converter::convert(GLuint texture, int width, int height, std::uint8_t* planes) {
  if (width != width_ || height != height_) {
    resize(width, height);
  }
  glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
  glViewport(0, 0, width, height * 3 / 2);
  glDisable(GL_BLEND);
  glDisable(GL_SCISSOR_TEST);
  glUseProgram(program_->id());
  glUniform1i(widthUniform_, width);
  glUniform1i(heightUniform_, height);
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, texture);
  glBindVertexArray(vertexArray_);
  glDrawArrays(GL_TRIANGLES, 0, 3);
  glBindVertexArray(0);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, width, height * 3 / 2, GL_RED, GL_UNSIGNED_BYTE, planes);
}

}  // namespace platform
