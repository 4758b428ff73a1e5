#include "platform/SubtreeCache.h"

#include <algorithm>

#include "platform/Compositor.h"

namespace platform {

namespace {

constexpr std::size_t minimumSubviewsToCache = 16;
// How long a cache not drawn is kept: ten seconds at 60 frames a second. A
// layer hidden for a while (the show alternates passages) need not be drawn
// again from scratch when it comes back.
constexpr std::uint64_t keepUnusedFrames = 600;

bool hasFilter(const ui::View& view) {
  if (view.layer().compositingFilter() != ui::CompositingFilter::None) {
    return true;
  }
  return std::any_of(view.subviews().begin(), view.subviews().end(),
                     [](const auto& child) { return hasFilter(*child); });
}

}  // namespace

SubtreeCache::SubtreeCache(Compositor& compositor) : compositor_(compositor) {}

SubtreeCache::~SubtreeCache() = default;

const ui::View* SubtreeCache::hostOf(const ui::View& view, double t) {
  const auto& subviews = view.subviews();
  if (subviews.size() >= minimumSubviewsToCache) {
    return &view;
  }
  if (subviews.size() == 1) {
    const ui::View& only = *subviews.front();
    if (only.subviews().size() >= minimumSubviewsToCache && !only.isHidden() &&
        only.presentedAlpha(t) >= 1 && !only.clipsToBounds()) {
      return &only;
    }
  }
  return nullptr;
}

bool SubtreeCache::wants(const ui::View& view, double t) const {
  // A blend inside would see the cache's own transparent pixels as its backdrop.
  return hostOf(view, t) && view.subtreeAnimatedUntil() <= t && !hasFilter(view);
}

SubtreeCache::Look SubtreeCache::lookOf(const ui::View& view) const {
  return {view.backgroundColor(), view.layer().cornerRadius(),
          view.presentedBounds(compositor_.time_), view.clipsToBounds()};
}

PixelRect SubtreeCache::childBox(const ui::View& child, const Placement& placement) const {
  return compositor_.measure(const_cast<ui::View&>(child),
                             compositor_.childTransform(child, placement.hostToDevice));
}

void SubtreeCache::draw(ui::View& view, const ui::AffineTransform& toDevice, double opacity) {
  Compositor& c = compositor_;
  ui::View& host = const_cast<ui::View&>(*hostOf(view, c.time_));
  Placement placement{view,
                      host,
                      toDevice,
                      &host == &view ? toDevice : c.childTransform(host, toDevice),
                      {lookOf(view)}};
  if (&host != &view) {
    placement.looks.push_back(lookOf(host));
  }

  auto& slot = entries_[&view];
  const QuadBatcher::Target outer = c.batcher_.target();
  const PixelRect outerClip = c.clip_;
  c.insideCache_ = true;
  if (!validate(slot.get(), placement)) {
    rebuild(slot, placement);
  } else if (slot->generation != view.subtreeGeneration()) {
    repair(*slot, placement);
  } else {
    ++c.statistics_.reused;
  }
  c.insideCache_ = false;
  c.batcher_.flush();
  slot->generation = view.subtreeGeneration();
  slot->lastFrame = c.frame_;
  c.batcher_.setTarget(outer);
  c.clip_ = outerClip;
  present(*slot, placement, opacity);
}

bool SubtreeCache::validate(const Entry* entry, const Placement& placement) const {
  const QuadBatcher::Target& target = compositor_.batcher_.target();
  const auto& subviews = placement.host.subviews();
  if (!entry || entry->owner.lock().get() != &placement.view || entry->host != &placement.host ||
      entry->toDevice != placement.toDevice || entry->hostToDevice != placement.hostToDevice ||
      entry->texture->width() != target.width || entry->texture->height() != target.height ||
      entry->looks != placement.looks || entry->children.size() != subviews.size()) {
    return false;
  }
  for (std::size_t i = 0; i < subviews.size(); ++i) {
    if (entry->children[i].view != subviews[i].get()) {
      return false;
    }
  }
  return true;
}

void SubtreeCache::rebuild(std::unique_ptr<Entry>& slot, const Placement& placement) {
  Compositor& c = compositor_;
  const QuadBatcher::Target target = c.batcher_.target();
  ++c.statistics_.redrawn;
  if (!slot || slot->texture->width() != target.width || slot->texture->height() != target.height) {
    slot = std::make_unique<Entry>();
    slot->texture = std::make_unique<RenderTarget>(target.width, target.height);
  }
  Entry& entry = *slot;
  entry.owner = placement.view.weak_from_this();
  entry.host = &placement.host;
  entry.toDevice = placement.toDevice;
  entry.hostToDevice = placement.hostToDevice;
  entry.looks = placement.looks;
  entry.children.clear();
  const PixelRect whole{0, 0, target.width, target.height};
  c.clip_ = whole;
  for (const auto& child : placement.host.subviews()) {
    entry.children.push_back(
        {child.get(), child->subtreeGeneration(), childBox(*child, placement)});
  }
  entry.content = c.measure(placement.view, placement.toDevice);
  c.batcher_.setTarget({entry.texture->framebuffer(), target.width, target.height});
  c.batcher_.clearRect(whole);
  c.drawContent(placement.view, placement.toDevice, 1.0);
}

void SubtreeCache::repair(Entry& entry, const Placement& placement) {
  Compositor& c = compositor_;
  const QuadBatcher::Target target = c.batcher_.target();
  const auto& subviews = placement.host.subviews();
  c.clip_ = {0, 0, target.width, target.height};
  std::vector<std::size_t> changed;
  PixelRect erase, added;
  for (std::size_t i = 0; i < subviews.size(); ++i) {
    auto& child = entry.children[i];
    if (child.generation == subviews[i]->subtreeGeneration()) {
      continue;
    }
    changed.push_back(i);
    erase = erase.unionWith(child.box);
    PixelRect box = childBox(*subviews[i], placement);
    added = added.unionWith(box);
    child.generation = subviews[i]->subtreeGeneration();
    child.box = box;
  }
  bool additive = erase.isEmpty();
  if (additive && !changed.empty()) {
    // What is new may be drawn on top only if nothing already drawn in front
    // of it overlaps it.
    for (std::size_t i = changed.front() + 1; i < subviews.size() && additive; ++i) {
      additive = std::binary_search(changed.begin(), changed.end(), i) ||
                 !entry.children[i].box.intersects(added);
    }
  }
  c.batcher_.setTarget({entry.texture->framebuffer(), target.width, target.height});
  ++c.statistics_.damaged;
  auto drawChild = [&](std::size_t i) {
    c.drawView(*subviews[i], c.childTransform(*subviews[i], placement.hostToDevice), 1.0);
  };
  if (additive) {
    std::for_each(changed.begin(), changed.end(), drawChild);
  } else {
    // Redraw everything that touches the damaged area, clipped to it.
    const PixelRect damage = erase.unionWith(added);
    c.clip_ = damage;
    c.batcher_.clearRect(damage);
    auto drawLook = [&](const ui::View& v, const ui::AffineTransform& m) {
      if (const auto& color = v.backgroundColor(); color && color->alpha > 0) {
        c.fillRect(v.presentedBounds(c.time_), m, *color, v.layer().cornerRadius(), 1.0);
      }
    };
    drawLook(placement.view, placement.toDevice);
    if (&placement.host != &placement.view) {
      drawLook(placement.host, placement.hostToDevice);
    }
    if (placement.view.clipsToBounds()) {
      c.clip_ = c.clip_.intersection(
          c.deviceBox(placement.view.presentedBounds(c.time_), placement.toDevice));
    }
    for (std::size_t i = 0; i < subviews.size() && !c.clip_.isEmpty(); ++i) {
      if (entry.children[i].box.intersects(damage)) {
        drawChild(i);
      }
    }
  }
  entry.content = entry.content.unionWith(added);
}

void SubtreeCache::present(const Entry& entry, const Placement& placement, double opacity) {
  Compositor& c = compositor_;
  const QuadBatcher::Target& target = c.batcher_.target();
  // Where the cached view's own opaque background lies under all it shows,
  // the picture replaces what is beneath: no blending needed.
  const ui::View& view = placement.view;
  const auto& color = view.backgroundColor();
  const PixelRect shown = entry.content.intersection(c.clip_);
  const bool opaque =
      opacity >= 1 && color && color->alpha >= 1 && view.layer().cornerRadius() <= 0 &&
      Compositor::isAxisAligned(placement.toDevice) &&
      shown.intersection(c.deviceBox(view.presentedBounds(c.time_), placement.toDevice)) == shown;
  if (!opaque) {
    c.copyImage(entry.texture->texture(), entry.content, opacity);
    return;
  }
  if (shown.isEmpty()) {
    return;
  }
  // A straight copy of pixels: no shading at all. Scissoring would turn it
  // back into drawing, so the rectangle itself is the clip.
  glBindFramebuffer(GL_READ_FRAMEBUFFER, entry.texture->framebuffer());
  glDisable(GL_SCISSOR_TEST);
  int y0 = target.height - shown.y1, y1 = target.height - shown.y0;
  glBlitFramebuffer(shown.x0, y0, shown.x1, y1, shown.x0, y0, shown.x1, y1, GL_COLOR_BUFFER_BIT,
                    GL_NEAREST);
  glEnable(GL_SCISSOR_TEST);
  glBindFramebuffer(GL_FRAMEBUFFER, target.framebuffer);
  ++c.statistics_.quads;
}

void SubtreeCache::endFrame(std::uint64_t frame) {
  std::erase_if(entries_, [frame](const auto& entry) {
    return entry.second->owner.expired() || frame - entry.second->lastFrame > keepUnusedFrames;
  });
}

}  // namespace platform
