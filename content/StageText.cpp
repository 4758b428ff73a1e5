#include "content/StageText.h"

#include <cmath>

#include "ui/TextLayout.h"

namespace content {

namespace {

constexpr double kBigWordPoints = 192;
constexpr double kPhrasePoints = 96;
// A text that had to shrink keeps a margin from the stage's edges.
constexpr double kShrunkWidthShare = 0.95;

}  // namespace

ui::Font StageText::font(Role role, double stageWidth) {
  switch (role) {
    case Role::BigWord: {
      const double size = stageWidth / kStageWidth * kBigWordPoints;
      // Without the display face the label keeps its default font, which
      // the system font at that size stands for here.
      return ui::Font::named("SFProDisplay-Black", size).value_or(ui::Font::systemFont(size));
    }
    case Role::Phrase:
      return ui::Font::boldSystemFont(stageWidth / kStageWidth * kPhrasePoints);
    case Role::ClosingLine:
      break;
  }
  return ui::Font::boldSystemFont(kPhrasePoints * (stageWidth / kStageWidth));
}

double StageText::smallestShare(Role role) {
  // The huge word may fall to a third of its size and still fill the
  // screen; the phrases and the closing line to half of theirs.
  return role == Role::BigWord ? 1.0 / 3.0 : 0.5;
}

double StageText::naturalWidth(Role role, const std::string& text) {
  return ui::TextLayout::naturalSize(text, font(role, kStageWidth)).width;
}

bool StageText::fitsAtSmallest(Role role, const std::string& text) {
  const ui::Font smallest =
      font(role, kStageWidth).withSize(font(role, kStageWidth).pointSize() * smallestShare(role));
  return ui::TextLayout::naturalSize(text, smallest).width <= kStageWidth;
}

ui::Font StageText::fitted(Role role, const std::string& text, double stageWidth) {
  const ui::Font full = font(role, stageWidth);
  const double width = ui::TextLayout::naturalSize(text, full).width;
  if (width <= stageWidth || width <= 0 || stageWidth <= 0) {
    return full;
  }
  const double smallest = full.pointSize() * smallestShare(role);
  const double target = stageWidth * kShrunkWidthShare;
  // Shaping at another size may round a little differently, so the first
  // guess may need a step or two more.
  double points = full.pointSize() * target / width;
  for (int attempt = 0; attempt < 8 && points > smallest; ++attempt) {
    if (ui::TextLayout::naturalSize(text, full.withSize(points)).width <= target) {
      break;
    }
    points *= 0.99;
  }
  return full.withSize(std::max(points, smallest));
}

}  // namespace content
