#include "platform/QuadBatcher.h"

#include <cstddef>

namespace platform {

namespace {

const char* const vertexShader = R"(layout(location = 0) in vec2 position;
layout(location = 1) in vec2 uv;
layout(location = 2) in vec4 color;
layout(location = 3) in vec2 local;
layout(location = 4) in vec3 shape;
uniform vec2 viewport;
out vec2 vUv;
out vec4 vColor;
out vec2 vLocal;
flat out vec3 vShape;
void main() {
  gl_Position = vec4(position.x / viewport.x * 2.0 - 1.0, 1.0 - position.y / viewport.y * 2.0, 0.0, 1.0);
  vUv = uv;
  vColor = color;
  vLocal = local;
  vShape = shape;
}
)";

const char* const fillFragmentShader = R"(in vec4 vColor;
out vec4 fragColor;
void main() { fragColor = vColor; }
)";

// Rounded corners by a signed distance in device pixels.
const char* const roundedFragmentShader = R"(in vec4 vColor;
in vec2 vLocal;
flat in vec3 vShape;
out vec4 fragColor;
void main() {
  vec2 q = abs(vLocal) - vShape.xy + vShape.z;
  float d = length(max(q, 0.0)) + min(max(q.x, q.y), 0.0) - vShape.z;
  fragColor = vColor * clamp(0.5 - d, 0.0, 1.0);
}
)";

const char* const glyphFragmentShader = R"(in vec2 vUv;
in vec4 vColor;
uniform sampler2D atlas;
out vec4 fragColor;
void main() { fragColor = vColor * texture(atlas, vUv).r; }
)";

// Images are the target's size and drawn pixel for pixel.
const char* const imageFragmentShader = R"(in vec4 vColor;
uniform sampler2D image;
out vec4 fragColor;
void main() { fragColor = texelFetch(image, ivec2(gl_FragCoord.xy), 0) * vColor.a; }
)";

std::size_t index(QuadBatcher::Kind kind) {
  return static_cast<std::size_t>(kind);
}

}  // namespace

QuadBatcher::QuadBatcher() {
  glGenVertexArrays(1, &vertexArray_);
  glGenBuffers(1, &vertexBuffer_);
  glBindVertexArray(vertexArray_);
  glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer_);
  auto attribute = [](GLuint location, GLint count, std::size_t offset) {
    glEnableVertexAttribArray(location);
    glVertexAttribPointer(location, count, GL_FLOAT, GL_FALSE, sizeof(Vertex),
                          reinterpret_cast<const void*>(offset));
  };
  attribute(0, 2, offsetof(Vertex, x));
  attribute(1, 2, offsetof(Vertex, u));
  attribute(2, 4, offsetof(Vertex, r));
  attribute(3, 2, offsetof(Vertex, localX));
  attribute(4, 3, offsetof(Vertex, halfWidth));
  glBindVertexArray(0);
}

// Built on first use: the start screen needs two of the four, and every
// program the driver compiles before the first frame delays it.
const GlProgram& QuadBatcher::program(Kind kind) {
  const std::size_t i = index(kind);
  if (!programs_[i]) {
    static const char* const fragmentShaders[kindCount] = {
        fillFragmentShader, roundedFragmentShader, glyphFragmentShader, imageFragmentShader};
    programs_[i] = std::make_unique<GlProgram>(vertexShader, fragmentShaders[i]);
    viewportUniforms_[i] = programs_[i]->uniform("viewport");
    glUseProgram(programs_[i]->id());
    if (kind == Kind::Glyph) {
      glUniform1i(programs_[i]->uniform("atlas"), textureUnit::glyphAtlas);
    } else if (kind == Kind::Image) {
      glUniform1i(programs_[i]->uniform("image"), textureUnit::image);
    }
  }
  return *programs_[i];
}

QuadBatcher::~QuadBatcher() {
  glDeleteBuffers(1, &vertexBuffer_);
  glDeleteVertexArrays(1, &vertexArray_);
}

void QuadBatcher::begin(GLuint atlasTexture, const Target& target) {
  vertices_.clear();
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_CULL_FACE);
  glDisable(GL_STENCIL_TEST);
  glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
  glBlendEquation(GL_FUNC_ADD);
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  glEnable(GL_SCISSOR_TEST);
  glActiveTexture(GL_TEXTURE0 + textureUnit::glyphAtlas);
  glBindTexture(GL_TEXTURE_2D, atlasTexture);
  glActiveTexture(GL_TEXTURE0 + textureUnit::image);
  glBindTexture(GL_TEXTURE_2D, 0);
  image_ = 0;
  resume();
  target_ = {};
  setTarget(target);
}

void QuadBatcher::resume() {
  glEnable(GL_BLEND);
  glBindVertexArray(vertexArray_);
  glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer_);
  bound_ = -1;
}

void QuadBatcher::add(Kind kind, const Vertex corners[4], const PixelRect& clip) {
  if (kind != kind_) {
    flush();
    kind_ = kind;
  }
  applyScissor(clip);
  vertices_.insert(vertices_.end(),
                   {corners[0], corners[1], corners[2], corners[0], corners[2], corners[3]});
}

void QuadBatcher::setImage(GLuint texture) {
  if (texture == image_) {
    return;
  }
  flush();
  image_ = texture;
  glActiveTexture(GL_TEXTURE0 + textureUnit::image);
  glBindTexture(GL_TEXTURE_2D, texture);
}

void QuadBatcher::setTarget(const Target& target) {
  flush();
  target_ = target;
  glBindFramebuffer(GL_FRAMEBUFFER, target.framebuffer);
  glViewport(0, 0, target.width, target.height);
  scissor_ = {};
}

void QuadBatcher::applyScissor(const PixelRect& rect) {
  if (rect == scissor_) {
    return;
  }
  flush();
  scissor_ = rect;
  glScissor(rect.x0, target_.height - rect.y1, rect.x1 - rect.x0, rect.y1 - rect.y0);
}

void QuadBatcher::clearRect(const PixelRect& rect) {
  if (rect.isEmpty()) {
    return;
  }
  applyScissor(rect);
  glClearColor(0, 0, 0, 0);
  glClear(GL_COLOR_BUFFER_BIT);
}

void QuadBatcher::flush() {
  if (vertices_.empty()) {
    return;
  }
  if (beforeDraw_) {
    beforeDraw_();
  }
  const std::size_t kind = index(kind_);
  if (bound_ != int(kind)) {
    bound_ = int(kind);
    glUseProgram(program(kind_).id());
  }
  glUniform2f(viewportUniforms_[kind], float(target_.width), float(target_.height));
  glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(vertices_.size() * sizeof(Vertex)), vertices_.data(),
               GL_STREAM_DRAW);
  glDrawArrays(GL_TRIANGLES, 0, GLsizei(vertices_.size()));
  vertices_.clear();
}

}  // namespace platform
