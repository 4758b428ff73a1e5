#pragma once

#include <array>
#include <memory>
#include <vector>

#include "platform/Gl.h"
#include "platform/GlProgram.h"
#include "platform/PixelRect.h"
#include "platform/QuadBatcher.h"

namespace platform {

// The saturation compositing filter: the hue and luminosity of what lies
// beneath, with the saturation of the filtered view, by the W3C formula of the
// non-separable saturation blend mode on premultiplied colours. Only the
// pixels the view paints are blended, each once.
class SaturationBlend {
 public:
  // A quad the filtered view would draw, where it lands within the clip.
  struct Quad {
    PixelRect box;
    QuadBatcher::Kind kind;
    QuadBatcher::Vertex corners[4];
  };
  // Pixels to blend. With a direct plan, `color` is the premultiplied colour
  // of the topmost fill there; otherwise the colour comes from a source
  // texture holding the view drawn alone.
  struct Piece {
    PixelRect rect;
    std::array<float, 4> color{};
  };
  struct Plan {
    bool direct = false;
    std::vector<Piece> pieces;  // do not overlap
  };

  // Throws std::runtime_error when the shaders cannot be built.
  SaturationBlend();
  ~SaturationBlend();
  SaturationBlend(const SaturationBlend&) = delete;
  SaturationBlend& operator=(const SaturationBlend&) = delete;

  // Opaque, square, upright fills (the show's bars) need no source texture:
  // where they overlap the topmost wins, so each can blend its own colour.
  // `region` is the union of the quads' boxes.
  static Plan plan(const std::vector<Quad>& quads, const PixelRect& region, const PixelRect& clip);

  // The blend reads what lies beneath from the framebuffer itself where
  // OpenGL can (on by default there), else from a copy.
  void setFramebufferFetch(bool enabled) { fetch_ = enabled && fetchAvailable_; }
  bool framebufferFetch() const { return fetch_; }

  // Blends the plan's pieces into the batcher's target, within `clip`.
  // `source` holds the view drawn alone unless the plan is direct; `backdrop`
  // is a texture of the target's size, needed without framebuffer fetch.
  // Returns the number of quads drawn.
  int draw(const Plan& plan, QuadBatcher& batcher, const PixelRect& clip, double opacity,
           GLuint source, GLuint backdrop);

  // The ways a blend takes its source colour (draw() picks one per plan).
  static constexpr int variantCount = 3;
  // Draws nothing with variant `variant` into the batcher's target, the
  // way draw() would, with `texture` (at least 1 × 1) as source and backdrop:
  // the driver compiles what that draw needs now rather than in the show.
  void warmUp(QuadBatcher& batcher, int variant, GLuint texture);

 private:
  enum class Backdrop { Copy, Fetch };
  // From a source texture; from the pieces' own colours; from colours that
  // are all grey, whose saturation is 0.
  enum class Variant { Texture, Direct, DirectGrey };
  struct Program {
    std::unique_ptr<GlProgram> program;
    GLint viewport = -1;
    GLint opacity = -1;
  };
  // Compiled on first use: the overlay first blends well into the show.
  const Program& program(Backdrop backdrop, Variant variant);
  // Draws `vertices` with the variant's program; returns their count.
  int submit(const QuadBatcher::Target& target, Variant variant, double opacity,
             const std::vector<float>& vertices);

  std::array<std::array<Program, 3>, 2> programs_;
  bool fetchAvailable_ = false;
  bool fetch_ = false;
  GLuint vertexArray_ = 0;
  GLuint vertexBuffer_ = 0;
};

}  // namespace platform
