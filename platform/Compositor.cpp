#include "platform/Compositor.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <stdexcept>
#include <string>

#include "ui/Label.h"

namespace platform {

namespace {

const char* const drawVertexShader = R"(#version 330 core
layout(location = 0) in vec2 position;
layout(location = 1) in vec2 uv;
layout(location = 2) in vec4 color;
layout(location = 3) in vec2 local;
layout(location = 4) in vec3 shape;
layout(location = 5) in float mode;
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

// One program per kind of quad: a software renderer runs every branch of a
// shader for every pixel, so each does only what its quads need.
const char* const fillFragmentShader = R"(#version 330 core
in vec4 vColor;
out vec4 fragColor;
void main() { fragColor = vColor; }
)";

// Rounded corners by a signed distance in device pixels.
const char* const roundedFragmentShader = R"(#version 330 core
in vec4 vColor;
in vec2 vLocal;
flat in vec3 vShape;
out vec4 fragColor;
void main() {
  vec2 q = abs(vLocal) - vShape.xy + vShape.z;
  float d = length(max(q, 0.0)) + min(max(q.x, q.y), 0.0) - vShape.z;
  fragColor = vColor * clamp(0.5 - d, 0.0, 1.0);
}
)";

const char* const glyphFragmentShader = R"(#version 330 core
in vec2 vUv;
in vec4 vColor;
uniform sampler2D atlas;
out vec4 fragColor;
void main() { fragColor = vColor * texture(atlas, vUv).r; }
)";

// Images are the target's size and drawn pixel for pixel.
const char* const imageFragmentShader = R"(#version 330 core
in vec4 vColor;
uniform sampler2D image;
out vec4 fragColor;
void main() { fragColor = texelFetch(image, ivec2(gl_FragCoord.xy), 0) * vColor.a; }
)";

const char* const blendVertexShader = R"(#version 330 core
layout(location = 0) in vec2 position;
layout(location = 1) in vec4 color;
uniform vec2 viewport;
flat out vec4 vColor;
void main() {
  vColor = color;
  gl_Position = vec4(position.x / viewport.x * 2.0 - 1.0, 1.0 - position.y / viewport.y * 2.0, 0.0, 1.0);
}
)";

// The W3C saturation blend mode (non-separable) with the general compositing
// formula, on premultiplied textures of the target's size (with DIRECT, the
// quad's own premultiplied colour is the source). Writes the final colour, so
// blending is off while it runs.
const char* const blendFragmentShader = R"(
flat in vec4 vColor;
uniform sampler2D source;
uniform sampler2D backdrop;
uniform float opacity;
#ifdef FETCH
layout(location = 0) inout vec4 fragColor;
#else
out vec4 fragColor;
#endif
float lum(vec3 c) { return dot(c, vec3(0.3, 0.59, 0.11)); }
vec3 clipColor(vec3 c) {
  float l = lum(c);
  float n = min(min(c.r, c.g), c.b);
  float x = max(max(c.r, c.g), c.b);
  if (n < 0.0 && l > n) c = l + (c - l) * l / (l - n);
  if (x > 1.0 && x > l) c = l + (c - l) * (1.0 - l) / (x - l);
  return c;
}
vec3 setLum(vec3 c, float l) { return clipColor(c + (l - lum(c))); }
float sat(vec3 c) { return max(max(c.r, c.g), c.b) - min(min(c.r, c.g), c.b); }
vec3 setSat(vec3 c, float s) {
  float mx = max(max(c.r, c.g), c.b);
  float mn = min(min(c.r, c.g), c.b);
  return mx > mn ? (c - mn) * s / (mx - mn) : vec3(0.0);
}
void main() {
  ivec2 p = ivec2(gl_FragCoord.xy);
#ifdef DIRECT
  vec4 s = vColor * opacity;
#else
  vec4 s = texelFetch(source, p, 0) * opacity;
#endif
#ifdef FETCH
  vec4 b = fragColor;
#else
  vec4 b = texelFetch(backdrop, p, 0);
#endif
  vec3 cs = s.a > 0.0 ? s.rgb / s.a : vec3(0.0);
  vec3 cb = b.a > 0.0 ? b.rgb / b.a : vec3(0.0);
#ifdef GREY
  // A colourless source has saturation 0: SetSat gives black, and SetLum
  // lifts it to the backdrop's luminosity with nothing to clip.
  vec3 mixed = vec3(lum(cb));
#else
  vec3 mixed = setLum(setSat(cb, sat(cs)), lum(cb));
#endif
  vec3 rgb = s.a * (1.0 - b.a) * cs + s.a * b.a * mixed + (1.0 - s.a) * b.rgb;
  fragColor = vec4(rgb, s.a + b.a * (1.0 - s.a));
}
)";

constexpr std::size_t minimumSubviewsToCache = 16;
// How long a cache not drawn is kept: ten seconds at 60 frames a second.
constexpr std::uint64_t keepUnusedFrames = 600;
// Past this many boxes a blend pass covers their union instead.
constexpr std::size_t maximumBlendBoxes = 32;

ui::Color premultiplied(const ui::Color& c, double opacity) {
  double a = c.alpha * opacity;
  return {c.red * a, c.green * a, c.blue * a, a};
}

bool isAxisAligned(const ui::AffineTransform& m) {
  return m.b == 0 && m.c == 0;
}

}  // namespace

// A subtree kept as a texture of the target's size, drawn with the transform
// it had then. Each tracked child's generation and device box at that time
// tell what a later change touched: a change to the topmost children is drawn
// over the picture; any other change clears and redraws just the area that
// the changed children covered before and cover now.
struct Compositor::CachedSubtree {
  struct Child {
    const ui::View* view;
    std::uint64_t generation;
    PixelRect box;  // where it drew; empty when it drew nothing
  };
  std::weak_ptr<const ui::View> owner;
  const ui::View* host = nullptr;  // whose subviews `children` are
  std::unique_ptr<RenderTarget> texture;
  ui::AffineTransform toDevice;
  ui::AffineTransform hostToDevice;
  std::uint64_t generation = 0;
  std::vector<CachedLook> looks;  // of the cached view, then of the host
  std::vector<Child> children;
  PixelRect content;
  std::uint64_t lastFrame = 0;
};

Compositor::PixelRect Compositor::PixelRect::intersection(const PixelRect& o) const {
  PixelRect r{std::max(x0, o.x0), std::max(y0, o.y0), std::min(x1, o.x1), std::min(y1, o.y1)};
  return r.isEmpty() ? PixelRect{} : r;
}

Compositor::PixelRect Compositor::PixelRect::unionWith(const PixelRect& o) const {
  if (isEmpty()) {
    return o;
  }
  if (o.isEmpty()) {
    return *this;
  }
  return {std::min(x0, o.x0), std::min(y0, o.y0), std::max(x1, o.x1), std::max(y1, o.y1)};
}

Compositor::Compositor()
    : programs_{std::make_unique<GlProgram>(drawVertexShader, fillFragmentShader),
                std::make_unique<GlProgram>(drawVertexShader, roundedFragmentShader),
                std::make_unique<GlProgram>(drawVertexShader, glyphFragmentShader),
                std::make_unique<GlProgram>(drawVertexShader, imageFragmentShader)},
      atlas_([this] { flush(); }) {
  // Framebuffer fetch reads the backdrop in the blend pass itself (Mesa's
  // software renderer has it); elsewhere the pass reads a copy.
  framebufferFetchAvailable_ = epoxy_has_gl_extension("GL_EXT_shader_framebuffer_fetch");
  framebufferFetch_ = framebufferFetchAvailable_;
  const char* const variants[3] = {"", "#define DIRECT\n", "#define DIRECT\n#define GREY\n"};
  for (std::size_t fetch = 0; fetch < (framebufferFetchAvailable_ ? 2 : 1); ++fetch) {
    std::string header = "#version 330 core\n";
    if (fetch) {
      header += "#extension GL_EXT_shader_framebuffer_fetch : require\n#define FETCH\n";
    }
    for (std::size_t variant = 0; variant < 3; ++variant) {
      blendPrograms_[fetch * 3 + variant] = std::make_unique<GlProgram>(
          blendVertexShader, (header + variants[variant] + blendFragmentShader).c_str());
    }
  }
  glGenVertexArrays(1, &vertexArray_);
  glGenBuffers(1, &vertexBuffer_);
  glBindVertexArray(vertexArray_);
  glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer_);
  const GLsizei stride = sizeof(Vertex);
  auto attribute = [&](GLuint index, GLint count, std::size_t offset) {
    glEnableVertexAttribArray(index);
    glVertexAttribPointer(index, count, GL_FLOAT, GL_FALSE, stride,
                          reinterpret_cast<const void*>(offset));
  };
  attribute(0, 2, offsetof(Vertex, x));
  attribute(1, 2, offsetof(Vertex, u));
  attribute(2, 4, offsetof(Vertex, r));
  attribute(3, 2, offsetof(Vertex, localX));
  attribute(4, 3, offsetof(Vertex, halfWidth));
  attribute(5, 1, offsetof(Vertex, mode));

  glGenVertexArrays(1, &blendVertexArray_);
  glGenBuffers(1, &blendVertexBuffer_);
  glBindVertexArray(blendVertexArray_);
  glBindBuffer(GL_ARRAY_BUFFER, blendVertexBuffer_);
  glEnableVertexAttribArray(0);
  glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, 6 * sizeof(float), nullptr);
  glEnableVertexAttribArray(1);
  glVertexAttribPointer(1, 4, GL_FLOAT, GL_FALSE, 6 * sizeof(float),
                        reinterpret_cast<const void*>(2 * sizeof(float)));
  glBindVertexArray(0);

  glUseProgram(programs_[Glyph]->id());
  glUniform1i(programs_[Glyph]->uniform("atlas"), 0);
  glUseProgram(programs_[Image]->id());
  glUniform1i(programs_[Image]->uniform("image"), 1);
  for (const auto& program : blendPrograms_) {
    if (!program) {
      continue;
    }
    glUseProgram(program->id());
    glUniform1i(program->uniform("source"), 2);
    glUniform1i(program->uniform("backdrop"), 3);
  }
  glUseProgram(0);
}

Compositor::~Compositor() {
  caches_.clear();
  scratch_.clear();
  glDeleteBuffers(1, &vertexBuffer_);
  glDeleteVertexArrays(1, &vertexArray_);
  glDeleteBuffers(1, &blendVertexBuffer_);
  glDeleteVertexArrays(1, &blendVertexArray_);
}

void Compositor::setCaching(bool enabled) {
  caching_ = enabled;
  if (!enabled) {
    caches_.clear();
  }
}

void Compositor::render(ui::View& root, double t, GLuint framebuffer, int width, int height,
                        double scale) {
  statistics_ = {};
  ++frame_;
  time_ = t;
  scale_ = scale;
  if (!scratch_.empty() &&
      (scratch_.front()->width() != width || scratch_.front()->height() != height)) {
    scratch_.clear();
  }

  glDisable(GL_DEPTH_TEST);
  glDisable(GL_CULL_FACE);
  glDisable(GL_STENCIL_TEST);
  glEnable(GL_BLEND);
  glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
  glBlendEquation(GL_FUNC_ADD);
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  glEnable(GL_SCISSOR_TEST);
  program_ = -1;
  glBindVertexArray(vertexArray_);
  glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer_);
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, atlas_.texture());
  image_ = 0;
  glActiveTexture(GL_TEXTURE1);
  glBindTexture(GL_TEXTURE_2D, 0);

  target_ = {};
  setTarget({framebuffer, width, height});
  PixelRect whole{0, 0, width, height};
  clip_ = whole;
  scissor_ = {};
  clearRect(whole);

  ui::Rect b = root.presentedBounds(t);
  ui::AffineTransform toDevice = ui::AffineTransform::makeTranslation(-b.x(), -b.y())
                                     .concat(ui::AffineTransform::makeScale(scale, scale));
  drawView(root, toDevice, 1.0);
  flush();

  // A cached layer hidden for a while (the show alternates passages) is kept
  // so it need not be drawn again from scratch when it comes back.
  std::erase_if(caches_, [this](const auto& entry) {
    return entry.second->owner.expired() || frame_ - entry.second->lastFrame > keepUnusedFrames;
  });
}

// Traversal ------------------------------------------------------------------

ui::AffineTransform Compositor::childTransform(const ui::View& child,
                                               const ui::AffineTransform& parent) const {
  ui::Rect b = child.presentedBounds(time_);
  ui::Point c = child.presentedCenter(time_);
  ui::AffineTransform toParent =
      ui::AffineTransform::makeTranslation(-b.x() - b.width() / 2, -b.y() - b.height() / 2);
  if (!child.transform().isIdentity()) {
    toParent = toParent.concat(child.transform());
  }
  return toParent.concat(ui::AffineTransform::makeTranslation(c.x, c.y)).concat(parent);
}

int Compositor::drawCount(const ui::View& view, int limit) const {
  if (view.isHidden() || view.presentedAlpha(time_) <= 0) {
    return 0;
  }
  if (view.layer().compositingFilter() != ui::CompositingFilter::None) {
    return limit;
  }
  int count = 0;
  if (view.backgroundColor() && view.backgroundColor()->alpha > 0) {
    ++count;
  }
  if (auto* label = dynamic_cast<const ui::Label*>(&view)) {
    if (!label->text().empty() && label->textColor().alpha > 0) {
      ++count;
    }
  }
  for (const auto& child : view.subviews()) {
    if (count >= limit) {
      break;
    }
    count += drawCount(*child, limit - count);
  }
  return std::min(count, limit);
}

void Compositor::drawView(ui::View& view, const ui::AffineTransform& toDevice, double opacity) {
  if (view.isHidden()) {
    return;
  }
  double alpha = view.presentedAlpha(time_) * opacity;
  if (alpha <= 0) {
    return;
  }
  if (measuring_) {
    drawContent(view, toDevice, alpha);
    return;
  }
  if (view.layer().compositingFilter() == ui::CompositingFilter::SaturationBlendMode) {
    drawSaturationBlend(view, toDevice, alpha);
  } else if (wantsCache(view)) {
    drawCached(view, toDevice, alpha);
  } else if (alpha < 1 && drawCount(view, 2) > 1) {
    drawGroup(view, toDevice, alpha);
  } else {
    drawContent(view, toDevice, alpha);
  }
}

bool Compositor::coversClip(const ui::View& view, const ui::AffineTransform& toDevice,
                            int depth) const {
  if (view.isHidden() || view.presentedAlpha(time_) < 1 || !isAxisAligned(toDevice) ||
      view.layer().compositingFilter() != ui::CompositingFilter::None) {
    return false;
  }
  PixelRect box = deviceBox(view.presentedBounds(time_), toDevice);
  const auto& color = view.backgroundColor();
  if (color && color->alpha >= 1 && view.layer().cornerRadius() <= 0 &&
      box.intersection(clip_) == clip_) {
    return true;
  }
  if (depth == 0 || (view.clipsToBounds() && box.intersection(clip_) != clip_)) {
    return false;
  }
  return std::any_of(view.subviews().rbegin(), view.subviews().rend(), [&](const auto& child) {
    return coversClip(*child, childTransform(*child, toDevice), depth - 1);
  });
}

int Compositor::lastCoveringChild(const ui::View& view, const ui::AffineTransform& toDevice) const {
  const auto& subviews = view.subviews();
  for (int i = int(subviews.size()) - 1; i >= 0; --i) {
    if (coversClip(*subviews[i], childTransform(*subviews[i], toDevice), 3)) {
      return i;
    }
  }
  return -1;
}

void Compositor::drawContent(ui::View& view, const ui::AffineTransform& toDevice, double opacity) {
  const auto& subviews = view.subviews();
  PixelRect outerClip = clip_;
  PixelRect childClip = clip_;
  if (view.clipsToBounds() && !subviews.empty()) {
    childClip = clip_.intersection(deviceBox(view.presentedBounds(time_), toDevice));
  }
  // An opaque child that covers the whole clip hides everything drawn before
  // it: the background, the text and the children below it.
  int first = 0;
  bool covered = false;
  if (!measuring_ && !subviews.empty() && !childClip.isEmpty()) {
    clip_ = childClip;
    int last = lastCoveringChild(view, toDevice);
    if (last >= 0) {
      first = last;
      covered = true;
    }
    clip_ = outerClip;
  }
  bool isLabel = dynamic_cast<ui::Label*>(&view) != nullptr;
  if (!covered || (isLabel && childClip != outerClip)) {
    if (const auto& color = view.backgroundColor(); color && color->alpha > 0) {
      fillRect(view.presentedBounds(time_), toDevice, *color, view.layer().cornerRadius(), opacity);
    }
    if (isLabel) {
      drawText(view, toDevice, opacity);
    }
  }
  if (subviews.empty() || childClip.isEmpty()) {
    return;
  }
  clip_ = childClip;
  // Copy: the list is not ours, and a cache may be made while we draw.
  auto children = subviews;
  for (std::size_t i = std::size_t(first); i < children.size(); ++i) {
    drawView(*children[i], childTransform(*children[i], toDevice), opacity);
  }
  clip_ = outerClip;
}

Compositor::PixelRect Compositor::measure(ui::View& view, const ui::AffineTransform& toDevice,
                                          std::vector<Drawn>* drawn) {
  bool wasMeasuring = measuring_;
  PixelRect saved = measured_;
  auto* savedQuads = measuredQuads_;
  measuring_ = true;
  measured_ = {};
  measuredQuads_ = drawn;
  drawView(view, toDevice, 1.0);
  PixelRect result = measured_;
  measuring_ = wasMeasuring;
  measured_ = saved;
  measuredQuads_ = savedQuads;
  return result;
}

void Compositor::drawGroup(ui::View& view, const ui::AffineTransform& toDevice, double opacity) {
  PixelRect region = measure(view, toDevice);
  if (region.isEmpty()) {
    return;
  }
  flush();
  Target outer = target_;
  PixelRect outerClip = clip_;
  auto scratch = acquireScratch();
  setTarget({scratch->framebuffer(), scratch->width(), scratch->height()});
  clip_ = region;
  clearRect(region);
  drawContent(view, toDevice, 1.0);
  flush();
  setTarget(outer);
  clip_ = outerClip;
  copyImage(scratch->texture(), region, opacity);
  flush();
  releaseScratch(std::move(scratch));
}

namespace {

// `rect` minus `hole`: up to four rectangles.
template <class Rect>
void subtract(const Rect& rect, const Rect& hole, std::vector<Rect>& out) {
  Rect cut = rect.intersection(hole);
  if (cut.isEmpty()) {
    out.push_back(rect);
    return;
  }
  Rect pieces[4] = {{rect.x0, rect.y0, rect.x1, cut.y0},
                    {rect.x0, cut.y1, rect.x1, rect.y1},
                    {rect.x0, cut.y0, cut.x0, cut.y1},
                    {cut.x1, cut.y0, rect.x1, cut.y1}};
  for (const auto& piece : pieces) {
    if (!piece.isEmpty()) {
      out.push_back(piece);
    }
  }
}

}  // namespace

void Compositor::drawSaturationBlend(ui::View& view, const ui::AffineTransform& toDevice,
                                     double opacity) {
  std::vector<Drawn> drawn;
  PixelRect region = measure(view, toDevice, &drawn);
  if (region.isEmpty()) {
    return;
  }
  // Opaque, square, upright fills (the show's bars) need no offscreen source:
  // where they overlap the topmost wins, so each can blend its own colour.
  bool direct = drawn.size() <= maximumBlendBoxes &&
                std::all_of(drawn.begin(), drawn.end(), [](const Drawn& d) {
                  const Vertex* q = d.corners;
                  return q[0].mode == 0 && q[0].radius == 0 && q[0].a == 1 && q[0].y == q[1].y &&
                         q[0].x == q[3].x && q[1].x == q[2].x && q[2].y == q[3].y;
                });
  // The pixels to blend, as rectangles that do not overlap, so each pixel is
  // blended once. A direct piece keeps the colour of the topmost fill there;
  // its pixels are the ones the fill's quad covers (pixel centres inside).
  struct Piece {
    PixelRect rect;
    const Vertex* color;
  };
  std::vector<Piece> pieces;
  if (direct || drawn.size() <= maximumBlendBoxes) {
    for (std::size_t i = drawn.size(); i-- > 0;) {
      PixelRect rect = drawn[i].box;
      if (direct) {
        const Vertex* q = drawn[i].corners;
        rect = PixelRect{int(std::ceil(q[0].x - 0.5f)), int(std::ceil(q[0].y - 0.5f)),
                         int(std::ceil(q[2].x - 0.5f)), int(std::ceil(q[2].y - 0.5f))}
                   .intersection(clip_);
      }
      std::vector<PixelRect> rest{rect};
      for (const auto& above : pieces) {
        std::vector<PixelRect> next;
        for (const auto& r : rest) {
          subtract(r, above.rect, next);
        }
        rest = std::move(next);
      }
      for (const auto& r : rest) {
        pieces.push_back({r, drawn[i].corners});
      }
    }
  } else {
    pieces.push_back({region.intersection(clip_), nullptr});
  }
  flush();
  Target outer = target_;
  PixelRect outerClip = clip_;

  std::unique_ptr<RenderTarget> source;
  if (!direct) {
    source = acquireScratch();
    setTarget({source->framebuffer(), source->width(), source->height()});
    for (const auto& piece : pieces) {
      clearRect(piece.rect);
    }
    clip_ = region;
    drawContent(view, toDevice, 1.0);
    flush();
    setTarget(outer);
    clip_ = outerClip;
  }

  // Without framebuffer fetch, the blend reads the backdrop from a copy.
  std::unique_ptr<RenderTarget> backdrop;
  if (!framebufferFetch_) {
    backdrop = acquireScratch();
    glBindFramebuffer(GL_READ_FRAMEBUFFER, target_.framebuffer);
    glActiveTexture(GL_TEXTURE3);
    glBindTexture(GL_TEXTURE_2D, backdrop->texture());
  }
  std::vector<float> vertices;
  bool grey = true;
  for (const auto& piece : pieces) {
    const PixelRect& r = piece.rect;
    if (r.isEmpty()) {
      continue;
    }
    if (backdrop) {
      int glY = target_.height - r.y1;
      glCopyTexSubImage2D(GL_TEXTURE_2D, 0, r.x0, glY, r.x0, glY, r.x1 - r.x0, r.y1 - r.y0);
    }
    float color[4] = {0, 0, 0, 0};
    if (direct) {
      color[0] = piece.color->r;
      color[1] = piece.color->g;
      color[2] = piece.color->b;
      color[3] = piece.color->a;
      grey = grey && color[0] == color[1] && color[1] == color[2];
    }
    float x0 = float(r.x0), y0 = float(r.y0), x1 = float(r.x1), y1 = float(r.y1);
    float corners[6][2] = {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y0}, {x1, y1}, {x0, y1}};
    for (const auto& corner : corners) {
      vertices.insert(vertices.end(),
                      {corner[0], corner[1], color[0], color[1], color[2], color[3]});
    }
  }
  if (!vertices.empty()) {
    if (source) {
      glActiveTexture(GL_TEXTURE2);
      glBindTexture(GL_TEXTURE_2D, source->texture());
    }
    applyScissor(clip_);
    glDisable(GL_BLEND);
    const GlProgram& blend = *blendPrograms_[(framebufferFetch_ ? 3 : 0) + (direct && grey ? 2
                                                                            : direct       ? 1
                                                                                           : 0)];
    glUseProgram(blend.id());
    program_ = -1;
    glUniform2f(blend.uniform("viewport"), float(target_.width), float(target_.height));
    glUniform1f(blend.uniform("opacity"), float(opacity));
    glBindVertexArray(blendVertexArray_);
    glBindBuffer(GL_ARRAY_BUFFER, blendVertexBuffer_);
    glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(vertices.size() * sizeof(float)), vertices.data(),
                 GL_STREAM_DRAW);
    glDrawArrays(GL_TRIANGLES, 0, GLsizei(vertices.size() / 6));
    statistics_.quads += int(vertices.size() / 36);
    glEnable(GL_BLEND);
    glBindVertexArray(vertexArray_);
    glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer_);
  }
  glActiveTexture(GL_TEXTURE1);
  if (backdrop) {
    releaseScratch(std::move(backdrop));
  }
  if (source) {
    releaseScratch(std::move(source));
  }
}

void Compositor::setFramebufferFetch(bool enabled) {
  framebufferFetch_ = enabled && framebufferFetchAvailable_;
}

// The view whose subviews a cache of `view` tracks: the view itself, or its
// only subview when that one holds the many subviews (a background with a
// container of labels is cached as one opaque picture).
const ui::View* Compositor::cacheHost(const ui::View& view) const {
  const auto& subviews = view.subviews();
  if (subviews.size() >= minimumSubviewsToCache) {
    return &view;
  }
  if (subviews.size() == 1) {
    const ui::View& only = *subviews.front();
    if (only.subviews().size() >= minimumSubviewsToCache && !only.isHidden() &&
        only.presentedAlpha(time_) >= 1 && !only.clipsToBounds()) {
      return &only;
    }
  }
  return nullptr;
}

bool Compositor::wantsCache(const ui::View& view) const {
  if (!caching_ || insideCache_ || !cacheHost(view) || view.subtreeAnimatedUntil() > time_) {
    return false;
  }
  // A blend inside would see the cache's own transparent pixels as its backdrop.
  auto hasFilter = [](const ui::View& v, auto& self) -> bool {
    if (v.layer().compositingFilter() != ui::CompositingFilter::None) {
      return true;
    }
    for (const auto& child : v.subviews()) {
      if (self(*child, self)) {
        return true;
      }
    }
    return false;
  };
  return !hasFilter(view, hasFilter);
}

Compositor::CachedLook Compositor::lookOf(const ui::View& view) const {
  return {view.backgroundColor(), view.layer().cornerRadius(), view.presentedBounds(time_),
          view.clipsToBounds()};
}

void Compositor::drawCached(ui::View& view, const ui::AffineTransform& toDevice, double opacity) {
  auto& slot = caches_[&view];
  CachedSubtree* cache = slot.get();
  ui::View& host = const_cast<ui::View&>(*cacheHost(view));
  const ui::AffineTransform hostToDevice =
      &host == &view ? toDevice : childTransform(host, toDevice);
  const auto& subviews = host.subviews();
  std::vector<CachedLook> looks{lookOf(view)};
  if (&host != &view) {
    looks.push_back(lookOf(host));
  }
  bool rebuild = !cache || cache->owner.lock().get() != &view || cache->host != &host ||
                 cache->toDevice != toDevice || cache->hostToDevice != hostToDevice ||
                 cache->texture->width() != target_.width ||
                 cache->texture->height() != target_.height || cache->looks != looks ||
                 cache->children.size() != subviews.size();
  for (std::size_t i = 0; !rebuild && i < subviews.size(); ++i) {
    rebuild = cache->children[i].view != subviews[i].get();
  }

  Target outer = target_;
  PixelRect outerClip = clip_;
  PixelRect whole{0, 0, target_.width, target_.height};
  auto childBox = [&](const ui::View& child) {
    return measure(const_cast<ui::View&>(child), childTransform(child, hostToDevice));
  };
  insideCache_ = true;

  if (rebuild) {
    ++statistics_.redrawn;
    if (!cache || cache->texture->width() != target_.width ||
        cache->texture->height() != target_.height) {
      slot = std::make_unique<CachedSubtree>();
      cache = slot.get();
      cache->texture = std::make_unique<RenderTarget>(target_.width, target_.height);
    }
    cache->owner = view.weak_from_this();
    cache->host = &host;
    cache->toDevice = toDevice;
    cache->hostToDevice = hostToDevice;
    cache->looks = looks;
    cache->children.clear();
    clip_ = whole;
    for (const auto& child : subviews) {
      cache->children.push_back({child.get(), child->subtreeGeneration(), childBox(*child)});
    }
    cache->content = measure(view, toDevice);
    flush();
    setTarget({cache->texture->framebuffer(), target_.width, target_.height});
    clearRect(whole);
    drawContent(view, toDevice, 1.0);
  } else if (cache->generation != view.subtreeGeneration()) {
    clip_ = whole;
    std::vector<std::size_t> changed;
    PixelRect erase, added;
    for (std::size_t i = 0; i < subviews.size(); ++i) {
      auto& entry = cache->children[i];
      if (entry.generation == subviews[i]->subtreeGeneration()) {
        continue;
      }
      changed.push_back(i);
      erase = erase.unionWith(entry.box);
      PixelRect box = childBox(*subviews[i]);
      added = added.unionWith(box);
      entry.generation = subviews[i]->subtreeGeneration();
      entry.box = box;
    }
    bool additive = erase.isEmpty();
    if (additive && !changed.empty()) {
      // What is new may be drawn on top only if nothing already drawn in
      // front of it overlaps it.
      for (std::size_t i = changed.front() + 1; i < subviews.size() && additive; ++i) {
        additive = std::binary_search(changed.begin(), changed.end(), i) ||
                   !cache->children[i].box.intersects(added);
      }
    }
    flush();
    setTarget({cache->texture->framebuffer(), target_.width, target_.height});
    ++statistics_.damaged;
    if (additive) {
      for (std::size_t i : changed) {
        drawView(*subviews[i], childTransform(*subviews[i], hostToDevice), 1.0);
      }
    } else {
      // Redraw everything that touches the damaged area, clipped to it.
      PixelRect damage = erase.unionWith(added);
      clip_ = damage;
      clearRect(damage);
      auto drawLook = [&](const ui::View& v, const ui::AffineTransform& m) {
        if (const auto& color = v.backgroundColor(); color && color->alpha > 0) {
          fillRect(v.presentedBounds(time_), m, *color, v.layer().cornerRadius(), 1.0);
        }
      };
      drawLook(view, toDevice);
      if (&host != &view) {
        drawLook(host, hostToDevice);
      }
      if (view.clipsToBounds()) {
        clip_ = clip_.intersection(deviceBox(view.presentedBounds(time_), toDevice));
      }
      for (std::size_t i = 0; i < subviews.size() && !clip_.isEmpty(); ++i) {
        if (cache->children[i].box.intersects(damage)) {
          drawView(*subviews[i], childTransform(*subviews[i], hostToDevice), 1.0);
        }
      }
    }
    cache->content = cache->content.unionWith(added);
  } else {
    ++statistics_.reused;
  }
  insideCache_ = false;
  flush();
  cache->generation = view.subtreeGeneration();
  cache->lastFrame = frame_;
  setTarget(outer);
  clip_ = outerClip;
  // Where the cached view's own opaque background lies under all it shows,
  // the picture replaces what is beneath: no blending needed.
  const auto& color = view.backgroundColor();
  PixelRect shown = cache->content.intersection(clip_);
  bool opaque = opacity >= 1 && color && color->alpha >= 1 && view.layer().cornerRadius() <= 0 &&
                isAxisAligned(toDevice) &&
                shown.intersection(deviceBox(view.presentedBounds(time_), toDevice)) == shown;
  if (opaque) {
    // A straight copy of pixels: no shading at all. Scissoring would turn it
    // back into drawing, so the rectangle itself is the clip.
    if (!shown.isEmpty()) {
      glBindFramebuffer(GL_READ_FRAMEBUFFER, cache->texture->framebuffer());
      glDisable(GL_SCISSOR_TEST);
      int y0 = target_.height - shown.y1, y1 = target_.height - shown.y0;
      glBlitFramebuffer(shown.x0, y0, shown.x1, y1, shown.x0, y0, shown.x1, y1, GL_COLOR_BUFFER_BIT,
                        GL_NEAREST);
      glEnable(GL_SCISSOR_TEST);
      glBindFramebuffer(GL_FRAMEBUFFER, target_.framebuffer);
      ++statistics_.quads;
    }
  } else {
    copyImage(cache->texture->texture(), cache->content, opacity);
  }
}

void Compositor::drawText(ui::View& view, const ui::AffineTransform& toDevice, double opacity) {
  auto& label = static_cast<ui::Label&>(view);
  if (label.text().empty() || label.textColor().alpha <= 0) {
    return;
  }
  const ui::TextLayout& layout = label.layout();
  const ui::Font& font = layout.font() ? *layout.font() : label.font();
  FT_FaceRec_* face = font.face()->ftFace();
  double pixelsPerPoint = std::sqrt(std::fabs(toDevice.determinant()));
  double pixelSize = font.pointSize() * pixelsPerPoint;
  if (pixelSize <= 0 || pixelsPerPoint <= 0) {
    return;
  }
  ui::Color color = premultiplied(label.textColor(), opacity);
  bool snap = isAxisAligned(toDevice) && toDevice.a > 0 && toDevice.d > 0 &&
              std::fabs(toDevice.a - toDevice.d) < 1e-9;
  float atlasSize = float(atlas_.size());
  for (const auto& line : layout.lines()) {
    for (const auto& glyph : line.glyphs) {
      Vertex q[4];
      std::optional<GlyphAtlas::Entry> entry;
      if (snap) {
        ui::Point p = toDevice.apply(glyph.origin);
        double x = std::floor(p.x);
        int subpixel = std::min(3, int((p.x - x) * 4));
        entry = atlas_.find(face, glyph.glyph, pixelSize, subpixel);
        if (!entry || entry->width == 0) {
          continue;
        }
        float x0 = float(x + entry->left), y0 = float(std::round(p.y) - entry->top);
        float x1 = x0 + float(entry->width), y1 = y0 + float(entry->height);
        q[0] = {x0, y0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
        q[1] = {x1, y0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
        q[2] = {x1, y1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
        q[3] = {x0, y1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
      } else {
        entry = atlas_.find(face, glyph.glyph, pixelSize, 0);
        if (!entry || entry->width == 0) {
          continue;
        }
        double x0 = glyph.origin.x + entry->left / pixelsPerPoint;
        double y0 = glyph.origin.y - entry->top / pixelsPerPoint;
        double x1 = x0 + entry->width / pixelsPerPoint, y1 = y0 + entry->height / pixelsPerPoint;
        ui::Point c[4] = {toDevice.apply(ui::Point{x0, y0}), toDevice.apply(ui::Point{x1, y0}),
                          toDevice.apply(ui::Point{x1, y1}), toDevice.apply(ui::Point{x0, y1})};
        for (int i = 0; i < 4; ++i) {
          q[i] = {float(c[i].x), float(c[i].y), 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
        }
      }
      float u0 = float(entry->x) / atlasSize, v0 = float(entry->y) / atlasSize;
      float u1 = float(entry->x + entry->width) / atlasSize;
      float v1 = float(entry->y + entry->height) / atlasSize;
      float uv[4][2] = {{u0, v0}, {u1, v0}, {u1, v1}, {u0, v1}};
      for (int i = 0; i < 4; ++i) {
        q[i].u = uv[i][0];
        q[i].v = uv[i][1];
        q[i].r = float(color.red);
        q[i].g = float(color.green);
        q[i].b = float(color.blue);
        q[i].a = float(color.alpha);
      }
      emitQuad(q);
    }
  }
}

// Primitives -----------------------------------------------------------------

Compositor::PixelRect Compositor::deviceBox(const ui::Rect& rect,
                                            const ui::AffineTransform& toDevice) const {
  ui::Rect r = toDevice.apply(rect);
  // Round to the nearest pixel edge so that a box of whole pixels stays so.
  return {int(std::floor(r.minX() + 0.5)), int(std::floor(r.minY() + 0.5)),
          int(std::floor(r.maxX() + 0.5)), int(std::floor(r.maxY() + 0.5))};
}

void Compositor::fillRect(const ui::Rect& rect, const ui::AffineTransform& toDevice,
                          const ui::Color& color, double radius, double opacity) {
  double pixelsPerPoint = std::sqrt(std::fabs(toDevice.determinant()));
  if (pixelsPerPoint <= 0) {
    return;
  }
  ui::Color c = premultiplied(color, opacity);
  double halfWidth = rect.width() / 2, halfHeight = rect.height() / 2;
  radius = std::clamp(radius, 0.0, std::min(std::fabs(halfWidth), std::fabs(halfHeight)));
  // A rounded rectangle grows by a pixel so its anti-aliased edge is not cut.
  double grow = radius > 0 ? 1 / pixelsPerPoint : 0;
  double x0 = rect.minX() - grow, y0 = rect.minY() - grow;
  double x1 = rect.maxX() + grow, y1 = rect.maxY() + grow;
  ui::Point center = rect.center();
  ui::Point local[4] = {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}};
  Vertex q[4];
  for (int i = 0; i < 4; ++i) {
    ui::Point p = toDevice.apply(local[i]);
    q[i] = {float(p.x),
            float(p.y),
            0,
            0,
            float(c.red),
            float(c.green),
            float(c.blue),
            float(c.alpha),
            float((local[i].x - center.x) * pixelsPerPoint),
            float((local[i].y - center.y) * pixelsPerPoint),
            float(std::fabs(halfWidth) * pixelsPerPoint),
            float(std::fabs(halfHeight) * pixelsPerPoint),
            float(radius * pixelsPerPoint),
            0};
  }
  emitQuad(q);
}

void Compositor::copyImage(GLuint texture, const PixelRect& rect, double opacity) {
  PixelRect r = rect.intersection(clip_);
  if (r.isEmpty()) {
    return;
  }
  setImage(texture);
  float w = float(target_.width), h = float(target_.height);
  float x0 = float(r.x0), y0 = float(r.y0), x1 = float(r.x1), y1 = float(r.y1);
  float a = float(opacity);
  Vertex q[4] = {
      {x0, y0, x0 / w, 1 - y0 / h, 0, 0, 0, a, 0, 0, 0, 0, 0, 2},
      {x1, y0, x1 / w, 1 - y0 / h, 0, 0, 0, a, 0, 0, 0, 0, 0, 2},
      {x1, y1, x1 / w, 1 - y1 / h, 0, 0, 0, a, 0, 0, 0, 0, 0, 2},
      {x0, y1, x0 / w, 1 - y1 / h, 0, 0, 0, a, 0, 0, 0, 0, 0, 2},
  };
  emitQuad(q);
}

void Compositor::emitQuad(const Vertex corners[4]) {
  float minX = corners[0].x, maxX = minX, minY = corners[0].y, maxY = minY;
  for (int i = 1; i < 4; ++i) {
    minX = std::min(minX, corners[i].x);
    maxX = std::max(maxX, corners[i].x);
    minY = std::min(minY, corners[i].y);
    maxY = std::max(maxY, corners[i].y);
  }
  PixelRect box = PixelRect{int(std::floor(minX)), int(std::floor(minY)), int(std::ceil(maxX)),
                            int(std::ceil(maxY))}
                      .intersection(clip_);
  if (box.isEmpty()) {
    return;
  }
  if (measuring_) {
    measured_ = measured_.unionWith(box);
    if (measuredQuads_) {
      measuredQuads_->push_back({box, {corners[0], corners[1], corners[2], corners[3]}});
    }
    return;
  }
  int kind = corners[0].mode == 1    ? Glyph
             : corners[0].mode == 2  ? Image
             : corners[0].radius > 0 ? Rounded
                                     : Fill;
  if (kind != kind_) {
    flush();
    kind_ = kind;
  }
  applyScissor(clip_);
  vertices_.insert(vertices_.end(),
                   {corners[0], corners[1], corners[2], corners[0], corners[2], corners[3]});
  ++statistics_.quads;
}

void Compositor::setImage(GLuint texture) {
  if (texture == image_ || measuring_) {
    return;
  }
  flush();
  image_ = texture;
  glActiveTexture(GL_TEXTURE1);
  glBindTexture(GL_TEXTURE_2D, texture);
}

void Compositor::setTarget(const Target& target) {
  flush();
  target_ = target;
  glBindFramebuffer(GL_FRAMEBUFFER, target.framebuffer);
  glViewport(0, 0, target.width, target.height);
  scissor_ = {};
}

void Compositor::applyScissor(const PixelRect& rect) {
  if (rect == scissor_) {
    return;
  }
  flush();
  scissor_ = rect;
  glScissor(rect.x0, target_.height - rect.y1, rect.x1 - rect.x0, rect.y1 - rect.y0);
}

void Compositor::clearRect(const PixelRect& rect) {
  if (rect.isEmpty()) {
    return;
  }
  applyScissor(rect);
  glClearColor(0, 0, 0, 0);
  glClear(GL_COLOR_BUFFER_BIT);
}

void Compositor::flush() {
  if (vertices_.empty()) {
    return;
  }
  if (program_ != kind_) {
    program_ = kind_;
    glUseProgram(programs_[std::size_t(kind_)]->id());
  }
  glUniform2f(programs_[std::size_t(kind_)]->uniform("viewport"), float(target_.width),
              float(target_.height));
  glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(vertices_.size() * sizeof(Vertex)), vertices_.data(),
               GL_STREAM_DRAW);
  glDrawArrays(GL_TRIANGLES, 0, GLsizei(vertices_.size()));
  vertices_.clear();
}

std::unique_ptr<RenderTarget> Compositor::acquireScratch() {
  if (!scratch_.empty()) {
    auto target = std::move(scratch_.back());
    scratch_.pop_back();
    return target;
  }
  return std::make_unique<RenderTarget>(target_.width, target_.height);
}

void Compositor::releaseScratch(std::unique_ptr<RenderTarget> target) {
  scratch_.push_back(std::move(target));
}

}  // namespace platform
