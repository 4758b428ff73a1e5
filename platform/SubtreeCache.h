#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

#include "platform/PixelRect.h"
#include "platform/RenderTarget.h"
#include "ui/AffineTransform.h"
#include "ui/View.h"

namespace platform {

class Compositor;

// Subtrees with many subviews that hold still, each kept as a texture of the
// target's size, drawn with the transform it had then. Each tracked child's
// generation and device box at that time tell what a later change touched: a
// change to the topmost children is drawn over the picture; any other change
// clears and redraws just the area that the changed children covered before
// and cover now.
class SubtreeCache {
 public:
  // Draws through `compositor`, which outlives the cache.
  explicit SubtreeCache(Compositor& compositor);
  ~SubtreeCache();
  SubtreeCache(const SubtreeCache&) = delete;
  SubtreeCache& operator=(const SubtreeCache&) = delete;

  // Whether `view`, as presented at `t`, is worth a texture of its own.
  bool wants(const ui::View& view, double t) const;
  // Draws `view` from its texture, made or brought up to date first.
  void draw(ui::View& view, const ui::AffineTransform& toDevice, double opacity);
  // Forgets the textures of views gone, or not drawn for `keepUnusedFrames`.
  void endFrame(std::uint64_t frame);
  void clear() { entries_.clear(); }

 private:
  // What a cached view draws itself, apart from its subviews.
  struct Look {
    std::optional<ui::Color> background;
    double cornerRadius = 0;
    ui::Rect bounds;
    bool clipsToBounds = false;
    friend bool operator==(const Look&, const Look&) = default;
  };
  struct Child {
    const ui::View* view;
    std::uint64_t generation;
    PixelRect box;  // where it drew; empty when it drew nothing
  };
  struct Entry {
    std::weak_ptr<const ui::View> owner;
    const ui::View* host = nullptr;  // whose subviews `children` are
    std::unique_ptr<RenderTarget> texture;
    ui::AffineTransform toDevice;
    ui::AffineTransform hostToDevice;
    std::uint64_t generation = 0;
    std::vector<Look> looks;  // of the cached view, then of the host
    std::vector<Child> children;
    PixelRect content;
    std::uint64_t lastFrame = 0;
  };
  // The cached view as it is to be drawn this frame.
  struct Placement {
    ui::View& view;
    ui::View& host;
    ui::AffineTransform toDevice;
    ui::AffineTransform hostToDevice;
    std::vector<Look> looks;
  };

  // The view whose subviews a cache of `view` tracks: the view itself, or its
  // only subview when that one holds the many subviews (a background with a
  // container of labels is cached as one opaque picture).
  static const ui::View* hostOf(const ui::View& view, double t);
  Look lookOf(const ui::View& view) const;
  PixelRect childBox(const ui::View& child, const Placement& placement) const;

  // The steps of draw(): whether `entry` still shows this placement's views
  // the same way; a texture drawn anew; only the changed children drawn
  // again; the texture drawn into the target.
  bool validate(const Entry* entry, const Placement& placement) const;
  void rebuild(std::unique_ptr<Entry>& slot, const Placement& placement);
  void repair(Entry& entry, const Placement& placement);
  void present(const Entry& entry, const Placement& placement, double opacity);

  Compositor& compositor_;
  std::unordered_map<const ui::View*, std::unique_ptr<Entry>> entries_;
};

}  // namespace platform
