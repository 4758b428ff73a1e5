#include "platform/PixelRect.h"

#include <algorithm>

namespace platform {

PixelRect PixelRect::intersection(const PixelRect& o) const {
  PixelRect r{std::max(x0, o.x0), std::max(y0, o.y0), std::min(x1, o.x1), std::min(y1, o.y1)};
  return r.isEmpty() ? PixelRect{} : r;
}

PixelRect PixelRect::unionWith(const PixelRect& o) const {
  if (isEmpty()) {
    return o;
  }
  if (o.isEmpty()) {
    return *this;
  }
  return {std::min(x0, o.x0), std::min(y0, o.y0), std::max(x1, o.x1), std::max(y1, o.y1)};
}

void PixelRect::subtract(const PixelRect& rect, const PixelRect& hole,
                         std::vector<PixelRect>& out) {
  PixelRect cut = rect.intersection(hole);
  if (cut.isEmpty()) {
    if (!rect.isEmpty()) {
      out.push_back(rect);
    }
    return;
  }
  const PixelRect pieces[4] = {{rect.x0, rect.y0, rect.x1, cut.y0},
                               {rect.x0, cut.y1, rect.x1, rect.y1},
                               {rect.x0, cut.y0, cut.x0, cut.y1},
                               {cut.x1, cut.y0, rect.x1, cut.y1}};
  for (const auto& piece : pieces) {
    if (!piece.isEmpty()) {
      out.push_back(piece);
    }
  }
}

}  // namespace platform
