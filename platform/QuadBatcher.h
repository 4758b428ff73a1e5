#pragma once

#include <array>
#include <functional>
#include <memory>
#include <vector>

#include "platform/Gl.h"
#include "platform/GlProgram.h"
#include "platform/PixelRect.h"

namespace platform {

// Texture units, fixed for the compositor's life so that each sampler is set
// once, when its program is built.
namespace textureUnit {
constexpr GLint glyphAtlas = 0;
constexpr GLint image = 1;
constexpr GLint blendSource = 2;
constexpr GLint blendBackdrop = 3;
}  // namespace textureUnit

// Collects quads of one kind and draws them in as few calls as it can: the
// batch is flushed when the kind, the image, the target or the scissor
// changes. Needs a current OpenGL 3.3 core context for its whole life.
class QuadBatcher {
 public:
  // One program per kind: a software renderer runs every branch of a shader
  // for every pixel, so each program does only what its quads need.
  enum class Kind { Fill, Rounded, Glyph, Image };
  static constexpr std::size_t kindCount = 4;

  // Device position; atlas coordinates (glyphs); premultiplied colour (for
  // images only alpha counts, as opacity); position relative to the centre,
  // half size and corner radius in device pixels (rounded fills).
  struct Vertex {
    float x, y, u, v, r, g, b, a, localX, localY, halfWidth, halfHeight, radius;
  };
  struct Target {
    GLuint framebuffer = 0;
    int width = 0;
    int height = 0;
  };

  // Throws std::runtime_error when the shaders cannot be built.
  QuadBatcher();
  ~QuadBatcher();
  QuadBatcher(const QuadBatcher&) = delete;
  QuadBatcher& operator=(const QuadBatcher&) = delete;

  // Sets every piece of GL state the batcher relies on, binds the glyph atlas
  // and draws into `target` from now on.
  void begin(GLuint atlasTexture, const Target& target);
  // Queues a quad (corners in order around it), scissored to `clip`.
  void add(Kind kind, const Vertex corners[4], const PixelRect& clip);
  // The texture that Image quads copy from.
  void setImage(GLuint texture);
  void setTarget(const Target& target);
  const Target& target() const { return target_; }
  void applyScissor(const PixelRect& rect);
  // Clears `rect` of the target to transparent.
  void clearRect(const PixelRect& rect);
  void flush();
  // Called before each draw call, e.g. to bring a texture up to date.
  void setBeforeDraw(std::function<void()> beforeDraw) { beforeDraw_ = std::move(beforeDraw); }
  // Another drawer used the context: bind the batcher's vertex array and
  // blending again and forget which program was bound.
  void resume();

 private:
  const GlProgram& program(Kind kind);

  std::array<std::unique_ptr<GlProgram>, kindCount> programs_;
  std::array<GLint, kindCount> viewportUniforms_{};
  Kind kind_ = Kind::Fill;  // of the quads waiting in vertices_
  int bound_ = -1;          // program bound, or -1 when unknown
  GLuint vertexArray_ = 0;
  GLuint vertexBuffer_ = 0;
  std::vector<Vertex> vertices_;
  GLuint image_ = 0;
  Target target_;
  PixelRect scissor_;
  std::function<void()> beforeDraw_;
};

}  // namespace platform
