#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/Gl.h"
#include "platform/GlyphAtlas.h"
#include "platform/PixelRect.h"
#include "platform/QuadBatcher.h"
#include "platform/RenderTarget.h"
#include "platform/SaturationBlend.h"
#include "platform/SubtreeCache.h"
#include "ui/AffineTransform.h"
#include "ui/View.h"

namespace platform {

// Draws a view tree, as presented at a time, into an OpenGL framebuffer. The
// same code serves the window and offscreen frames. Needs a current OpenGL 3.3
// core context for its whole life; it sets every piece of GL state it relies
// on at the start of each render() and leaves blending and scissoring on.
//
// Colours are blended as premultiplied sRGB values, without conversion to
// linear light: a half-transparent white over black is grey 0.5. A subtree
// with many subviews that holds still is kept in a texture of its own and
// reused (SubtreeCache).
class Compositor {
 public:
  // Throws std::runtime_error when the shaders cannot be built.
  Compositor();
  ~Compositor();
  Compositor(const Compositor&) = delete;
  Compositor& operator=(const Compositor&) = delete;

  // Draws `root` at time t (seconds of the run loop's clock) into
  // `framebuffer` of `width` × `height` pixels, clearing it to transparent
  // first. The root's bounds origin lands at the top left; `scale` is pixels
  // per point.
  void render(ui::View& root, double t, GLuint framebuffer, int width, int height, double scale);
  // Builds the programs that fills and text need and draws nothing with each
  // into `framebuffer`: a driver compiles its code for a program and a target
  // at the first draw, which can then happen while other work goes on rather
  // than in the first frame.
  void warmUp(GLuint framebuffer, int width, int height);
  // Draws nothing with one more of the programs and states the show may
  // use, into `framebuffer` or into a texture, and says whether any remain.
  // A software renderer compiles code for each combination at its first
  // draw, tens of milliseconds each: a host calls this once a frame while its
  // first screen holds still, so that no passage pays for it when it begins.
  bool warmUpNext(GLuint framebuffer, int width, int height);

  // Caching is on by default; off, every frame is drawn from scratch.
  void setCaching(bool enabled);
  bool caching() const { return caching_; }

  // The blend pass reads what lies beneath from the framebuffer itself where
  // OpenGL can (on by default there), else from a copy; off, it always copies.
  void setFramebufferFetch(bool enabled) { blend_.setFramebufferFetch(enabled); }
  bool framebufferFetch() const { return blend_.framebufferFetch(); }

  // What the last render() did with cached subtrees; for tests and benchmarks.
  struct Statistics {
    int reused = 0;   // drawn from a cached texture unchanged
    int damaged = 0;  // part of a cached texture redrawn
    int redrawn = 0;  // a cached texture redrawn entirely
    int quads = 0;    // quads drawn
  };
  const Statistics& statistics() const { return statistics_; }

 private:
  // The cache draws its subtrees through the traversal below.
  friend class SubtreeCache;
  using Vertex = QuadBatcher::Vertex;

  // Traversal.
  void drawView(ui::View& view, const ui::AffineTransform& toDevice, double opacity);
  void drawContent(ui::View& view, const ui::AffineTransform& toDevice, double opacity);
  void drawGroup(ui::View& view, const ui::AffineTransform& toDevice, double opacity);
  void drawSaturationBlend(ui::View& view, const ui::AffineTransform& toDevice, double opacity);
  void drawText(ui::View& view, const ui::AffineTransform& toDevice, double opacity);
  // The device area `view` draws into within the clip; each quad it would
  // draw goes into `quads` when given.
  PixelRect measure(ui::View& view, const ui::AffineTransform& toDevice,
                    std::vector<SaturationBlend::Quad>* quads = nullptr);
  // The index of the last child that covers the whole clip with opaque
  // paint, or -1: nothing before it (nor the view's background) can show.
  int lastCoveringChild(const ui::View& view, const ui::AffineTransform& toDevice) const;
  bool coversClip(const ui::View& view, const ui::AffineTransform& toDevice, int depth) const;
  int drawCount(const ui::View& view, int limit) const;
  ui::AffineTransform childTransform(const ui::View& child,
                                     const ui::AffineTransform& parent) const;

  // Primitives.
  void fillRect(const ui::Rect& rect, const ui::AffineTransform& toDevice, const ui::Color& color,
                double radius, double opacity);
  void copyImage(GLuint texture, const PixelRect& rect, double opacity);
  void emitQuad(QuadBatcher::Kind kind, const Vertex corners[4]);
  PixelRect deviceBox(const ui::Rect& rect, const ui::AffineTransform& toDevice) const;
  static bool isAxisAligned(const ui::AffineTransform& m) { return m.b == 0 && m.c == 0; }
  std::unique_ptr<RenderTarget> acquireScratch();
  void releaseScratch(std::unique_ptr<RenderTarget> target);

  QuadBatcher batcher_;
  SaturationBlend blend_;
  GlyphAtlas atlas_;
  SubtreeCache cache_;
  PixelRect clip_;
  double time_ = 0;
  bool measuring_ = false;
  PixelRect measured_;
  std::vector<SaturationBlend::Quad>* measuredQuads_ = nullptr;
  bool caching_ = true;
  bool insideCache_ = false;  // drawing into a cache: no caches within it
  Statistics statistics_;
  std::vector<std::unique_ptr<RenderTarget>> scratch_;
  std::uint64_t frame_ = 0;
  int warmedUp_ = 0;  // steps of warmUpNext() taken
  std::unique_ptr<RenderTarget> warmUpTarget_;
  std::unique_ptr<RenderTarget> warmUpImage_;
};

}  // namespace platform
