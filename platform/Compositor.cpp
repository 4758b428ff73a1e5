#include "platform/Compositor.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "ui/Label.h"

namespace platform {

namespace {

// How many levels below a child coversClip searches for an opaque descendant
// that covers the clip; a deeper cover is simply drawn over what it hides.
constexpr int coveringDepth = 3;

ui::Color premultiplied(const ui::Color& c, double opacity) {
  double a = c.alpha * opacity;
  return {c.red * a, c.green * a, c.blue * a, a};
}

}  // namespace

Compositor::Compositor() : atlas_([this] { batcher_.flush(); }), cache_(*this) {
  batcher_.setBeforeDraw([this] { atlas_.commit(); });
}

Compositor::~Compositor() = default;

void Compositor::setCaching(bool enabled) {
  caching_ = enabled;
  if (!enabled) {
    cache_.clear();
  }
}

void Compositor::render(ui::View& root, double t, GLuint framebuffer, int width, int height,
                        double scale) {
  statistics_ = {};
  ++frame_;
  time_ = t;
  if (!scratch_.empty() &&
      (scratch_.front()->width() != width || scratch_.front()->height() != height)) {
    scratch_.clear();
  }
  batcher_.begin(atlas_.texture(), {framebuffer, width, height});
  const PixelRect whole{0, 0, width, height};
  clip_ = whole;
  batcher_.clearRect(whole);

  ui::Rect b = root.presentedBounds(t);
  ui::AffineTransform toDevice = ui::AffineTransform::makeTranslation(-b.x(), -b.y())
                                     .concat(ui::AffineTransform::makeScale(scale, scale));
  drawView(root, toDevice, 1.0);
  batcher_.flush();
  cache_.endFrame(frame_);
}

void Compositor::warmUp(GLuint framebuffer, int width, int height) {
  batcher_.begin(atlas_.texture(), {framebuffer, width, height});
  const QuadBatcher::Vertex nothing[4] = {};
  for (auto kind : {QuadBatcher::Kind::Fill, QuadBatcher::Kind::Glyph}) {
    batcher_.add(kind, nothing, {0, 0, width, height});
    batcher_.flush();
  }
}

bool Compositor::warmUpNext(GLuint framebuffer, int width, int height) {
  // Every kind of quad and every blend, first into the given framebuffer,
  // then into a texture like the caches' and the scratch targets', then the
  // copy of a cache's pixels into the framebuffer. A driver compiles for the
  // combination, which includes whether a texture's sides are powers of two:
  // the textures are the framebuffer's size, as the caches are, and are never
  // filled.
  constexpr int perTarget = int(QuadBatcher::kindCount) + SaturationBlend::variantCount;
  constexpr int steps = 2 * perTarget + 1;
  if (warmedUp_ >= steps) {
    return false;
  }
  const int step = warmedUp_++;
  if (!warmUpTarget_ || warmUpTarget_->width() != width || warmUpTarget_->height() != height) {
    warmUpTarget_ = std::make_unique<RenderTarget>(width, height);
    warmUpImage_ = std::make_unique<RenderTarget>(width, height);
  }
  const QuadBatcher::Target window{framebuffer, width, height};
  batcher_.begin(atlas_.texture(), window);
  if (step == steps - 1) {
    // One pixel out and back in: the framebuffer keeps its picture.
    glBindTexture(GL_TEXTURE_2D, warmUpImage_->texture());
    glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer);
    glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 0, 0, 1, 1);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, warmUpImage_->framebuffer());
    glDisable(GL_SCISSOR_TEST);
    glBlitFramebuffer(0, 0, 1, 1, 0, 0, 1, 1, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    glEnable(GL_SCISSOR_TEST);
    warmUpTarget_.reset();
    warmUpImage_.reset();
    return false;
  }
  if (step >= perTarget) {
    batcher_.setTarget({warmUpTarget_->framebuffer(), width, height});
    // Clearing part of a texture is a draw of its own for some drivers.
    batcher_.clearRect({0, 0, 1, 1});
  }
  const int which = step % perTarget;
  if (which < int(QuadBatcher::kindCount)) {
    batcher_.setImage(warmUpImage_->texture());
    const QuadBatcher::Vertex nothing[4] = {};
    batcher_.add(QuadBatcher::Kind(which), nothing, {0, 0, width, height});
    batcher_.flush();
  } else {
    blend_.warmUp(batcher_, which - int(QuadBatcher::kindCount), warmUpImage_->texture());
  }
  return true;
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
  } else if (caching_ && !insideCache_ && cache_.wants(view, time_)) {
    cache_.draw(view, toDevice, alpha);
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
    if (coversClip(*subviews[i], childTransform(*subviews[i], toDevice), coveringDepth)) {
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

PixelRect Compositor::measure(ui::View& view, const ui::AffineTransform& toDevice,
                              std::vector<SaturationBlend::Quad>* quads) {
  bool wasMeasuring = measuring_;
  PixelRect saved = measured_;
  auto* savedQuads = measuredQuads_;
  measuring_ = true;
  measured_ = {};
  measuredQuads_ = quads;
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
  const QuadBatcher::Target outer = batcher_.target();
  const PixelRect outerClip = clip_;
  auto scratch = acquireScratch();
  batcher_.setTarget({scratch->framebuffer(), scratch->width(), scratch->height()});
  clip_ = region;
  batcher_.clearRect(region);
  drawContent(view, toDevice, 1.0);
  batcher_.setTarget(outer);
  clip_ = outerClip;
  copyImage(scratch->texture(), region, opacity);
  batcher_.flush();
  releaseScratch(std::move(scratch));
}

void Compositor::drawSaturationBlend(ui::View& view, const ui::AffineTransform& toDevice,
                                     double opacity) {
  std::vector<SaturationBlend::Quad> quads;
  PixelRect region = measure(view, toDevice, &quads);
  if (region.isEmpty()) {
    return;
  }
  const SaturationBlend::Plan plan = SaturationBlend::plan(quads, region, clip_);
  batcher_.flush();
  std::unique_ptr<RenderTarget> source;
  if (!plan.direct) {
    const QuadBatcher::Target outer = batcher_.target();
    const PixelRect outerClip = clip_;
    source = acquireScratch();
    batcher_.setTarget({source->framebuffer(), source->width(), source->height()});
    for (const auto& piece : plan.pieces) {
      batcher_.clearRect(piece.rect);
    }
    clip_ = region;
    drawContent(view, toDevice, 1.0);
    batcher_.setTarget(outer);
    clip_ = outerClip;
  }
  std::unique_ptr<RenderTarget> backdrop;
  if (!blend_.framebufferFetch()) {
    backdrop = acquireScratch();
  }
  statistics_.quads += blend_.draw(plan, batcher_, clip_, opacity, source ? source->texture() : 0,
                                   backdrop ? backdrop->texture() : 0);
  if (backdrop) {
    releaseScratch(std::move(backdrop));
  }
  if (source) {
    releaseScratch(std::move(source));
  }
}

void Compositor::drawText(ui::View& view, const ui::AffineTransform& toDevice, double opacity) {
  auto& label = static_cast<ui::Label&>(view);
  if (label.text().empty() || label.textColor().alpha <= 0) {
    return;
  }
  const ui::TextLayout& layout = label.layout();
  const ui::Font& font = layout.font() ? *layout.font() : label.font();
  const ui::FontFace* face = font.face().get();
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
        q[0] = {x0, y0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
        q[1] = {x1, y0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
        q[2] = {x1, y1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
        q[3] = {x0, y1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
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
          q[i] = {float(c[i].x), float(c[i].y), 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
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
      emitQuad(QuadBatcher::Kind::Glyph, q);
    }
  }
}

// Primitives -----------------------------------------------------------------

PixelRect Compositor::deviceBox(const ui::Rect& rect, const ui::AffineTransform& toDevice) const {
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
            float(radius * pixelsPerPoint)};
  }
  emitQuad(radius > 0 ? QuadBatcher::Kind::Rounded : QuadBatcher::Kind::Fill, q);
}

void Compositor::copyImage(GLuint texture, const PixelRect& rect, double opacity) {
  PixelRect r = rect.intersection(clip_);
  if (r.isEmpty()) {
    return;
  }
  if (!measuring_) {
    batcher_.setImage(texture);
  }
  const QuadBatcher::Target& target = batcher_.target();
  float w = float(target.width), h = float(target.height);
  float x0 = float(r.x0), y0 = float(r.y0), x1 = float(r.x1), y1 = float(r.y1);
  float a = float(opacity);
  Vertex q[4] = {
      {x0, y0, x0 / w, 1 - y0 / h, 0, 0, 0, a, 0, 0, 0, 0, 0},
      {x1, y0, x1 / w, 1 - y0 / h, 0, 0, 0, a, 0, 0, 0, 0, 0},
      {x1, y1, x1 / w, 1 - y1 / h, 0, 0, 0, a, 0, 0, 0, 0, 0},
      {x0, y1, x0 / w, 1 - y1 / h, 0, 0, 0, a, 0, 0, 0, 0, 0},
  };
  emitQuad(QuadBatcher::Kind::Image, q);
}

void Compositor::emitQuad(QuadBatcher::Kind kind, const Vertex corners[4]) {
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
      measuredQuads_->push_back({box, kind, {corners[0], corners[1], corners[2], corners[3]}});
    }
    return;
  }
  batcher_.add(kind, corners, clip_);
  ++statistics_.quads;
}

std::unique_ptr<RenderTarget> Compositor::acquireScratch() {
  if (!scratch_.empty()) {
    auto target = std::move(scratch_.back());
    scratch_.pop_back();
    return target;
  }
  const QuadBatcher::Target& target = batcher_.target();
  return std::make_unique<RenderTarget>(target.width, target.height);
}

void Compositor::releaseScratch(std::unique_ptr<RenderTarget> target) {
  scratch_.push_back(std::move(target));
}

}  // namespace platform
