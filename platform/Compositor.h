#pragma once

#include <epoxy/gl.h>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

#include "platform/GlProgram.h"
#include "platform/GlyphAtlas.h"
#include "platform/RenderTarget.h"
#include "ui/AffineTransform.h"
#include "ui/View.h"

namespace platform {

// Draws a view tree, as presented at a time, into an OpenGL framebuffer. The
// same code serves the window and offscreen frames. Needs a current OpenGL 3.3
// core context for its whole life; it sets every piece of GL state it relies
// on at the start of each render() and leaves blending and scissoring on.
//
// Colours are blended as premultiplied sRGB values, without conversion to
// linear light: a half-transparent white over black is grey 0.5. A subtree with many subviews that
// holds still is kept in a texture of its own and reused; when only some of its subviews changed,
// just the area they touched is drawn again (see CachedSubtree in Compositor.cpp).
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

  // Caching is on by default; off, every frame is drawn from scratch.
  void setCaching(bool enabled);
  bool caching() const { return caching_; }

  // The blend pass reads what lies beneath from the framebuffer itself where
  // OpenGL can (on by default there), else from a copy; off, it always copies.
  void setFramebufferFetch(bool enabled);
  bool framebufferFetch() const { return framebufferFetch_; }

  // What the last render() did with cached subtrees; for tests and benchmarks.
  struct Statistics {
    int reused = 0;   // drawn from a cached texture unchanged
    int damaged = 0;  // part of a cached texture redrawn
    int redrawn = 0;  // a cached texture redrawn entirely
    int quads = 0;    // quads drawn
  };
  const Statistics& statistics() const { return statistics_; }

 private:
  struct PixelRect {
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;  // top-down device pixels, half open
    bool isEmpty() const { return x1 <= x0 || y1 <= y0; }
    PixelRect intersection(const PixelRect& o) const;
    PixelRect unionWith(const PixelRect& o) const;
    bool intersects(const PixelRect& o) const { return !intersection(o).isEmpty(); }
    friend bool operator==(const PixelRect&, const PixelRect&) = default;
  };
  struct Target {
    GLuint framebuffer = 0;
    int width = 0;
    int height = 0;
  };
  struct Vertex {
    float x, y, u, v, r, g, b, a, localX, localY, halfWidth, halfHeight, radius, mode;
  };
  struct CachedSubtree;
  // What a cached view draws itself, apart from its subviews.
  struct CachedLook {
    std::optional<ui::Color> background;
    double cornerRadius = 0;
    ui::Rect bounds;
    bool clipsToBounds = false;
    friend bool operator==(const CachedLook&, const CachedLook&) = default;
  };
  // A quad as measured: where it lands and what it would draw.
  struct Drawn {
    PixelRect box;
    Vertex corners[4];
  };

  // Traversal.
  void drawView(ui::View& view, const ui::AffineTransform& toDevice, double opacity);
  void drawContent(ui::View& view, const ui::AffineTransform& toDevice, double opacity);
  void drawGroup(ui::View& view, const ui::AffineTransform& toDevice, double opacity);
  void drawSaturationBlend(ui::View& view, const ui::AffineTransform& toDevice, double opacity);
  void drawCached(ui::View& view, const ui::AffineTransform& toDevice, double opacity);
  void drawText(ui::View& view, const ui::AffineTransform& toDevice, double opacity);
  // The device area `view` draws into within the clip; each quad it would
  // draw goes into `drawn` when given.
  PixelRect measure(ui::View& view, const ui::AffineTransform& toDevice,
                    std::vector<Drawn>* drawn = nullptr);
  // The index of the last child that covers the whole clip with opaque
  // paint, or -1: nothing before it (nor the view's background) can show.
  int lastCoveringChild(const ui::View& view, const ui::AffineTransform& toDevice) const;
  bool coversClip(const ui::View& view, const ui::AffineTransform& toDevice, int depth) const;
  bool wantsCache(const ui::View& view) const;
  const ui::View* cacheHost(const ui::View& view) const;
  CachedLook lookOf(const ui::View& view) const;
  int drawCount(const ui::View& view, int limit) const;
  ui::AffineTransform childTransform(const ui::View& child,
                                     const ui::AffineTransform& parent) const;

  // Primitives.
  void fillRect(const ui::Rect& rect, const ui::AffineTransform& toDevice, const ui::Color& color,
                double radius, double opacity);
  void copyImage(GLuint texture, const PixelRect& rect, double opacity);
  void emitQuad(const Vertex corners[4]);
  void setImage(GLuint texture);
  void setTarget(const Target& target);
  void setClip(const PixelRect& clip);
  void applyScissor(const PixelRect& rect);
  void clearRect(const PixelRect& rect);
  void flush();
  PixelRect deviceBox(const ui::Rect& rect, const ui::AffineTransform& toDevice) const;
  std::unique_ptr<RenderTarget> acquireScratch();
  void releaseScratch(std::unique_ptr<RenderTarget> target);

  enum ProgramKind { Fill, Rounded, Glyph, Image };
  std::array<std::unique_ptr<GlProgram>, 4> programs_;
  // From a texture, direct, direct and colourless; reading a copy of the
  // backdrop, then (when available) fetching it from the framebuffer.
  std::array<std::unique_ptr<GlProgram>, 6> blendPrograms_;
  bool framebufferFetchAvailable_ = false;
  bool framebufferFetch_ = false;
  int kind_ = Fill;   // of the quads waiting in vertices_
  int program_ = -1;  // bound, or -1 when unknown
  GLuint vertexArray_ = 0;
  GLuint vertexBuffer_ = 0;
  GLuint blendVertexArray_ = 0;
  GLuint blendVertexBuffer_ = 0;
  GlyphAtlas atlas_;
  std::vector<Vertex> vertices_;
  GLuint image_ = 0;
  Target target_;
  PixelRect clip_;
  PixelRect scissor_;
  double time_ = 0;
  double scale_ = 1;
  bool measuring_ = false;
  PixelRect measured_;
  std::vector<Drawn>* measuredQuads_ = nullptr;
  bool caching_ = true;
  bool insideCache_ = false;  // drawing into a cache: no caches within it
  Statistics statistics_;
  std::vector<std::unique_ptr<RenderTarget>> scratch_;
  std::unordered_map<const ui::View*, std::unique_ptr<CachedSubtree>> caches_;
  std::uint64_t frame_ = 0;
};

}  // namespace platform
