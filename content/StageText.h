#pragma once

#include <string>

#include "ui/Font.h"

namespace content {

// How the effects set the show's texts on the 1920-point stage, and how far
// a text that would run off it may shrink. Each role has its size; a text
// wider than the stage at that size takes the largest size at which it fits
// with a margin (95 % of the stage's width), down to the role's smallest. The built-in words and
// closing line fit at their role's size, so they never shrink (nor do the built-in phrases:
// phrasesShrinkToFit in Content.h). A show file's text that cannot fit even at
// the smallest size is refused before the show (ShowFileCheck).
class StageText {
 public:
  enum class Role {
    BigWord,      // the invitation's words, one at a time, in the display face
    Phrase,       // the affirmations, in the rapid and the fill text
    ClosingLine,  // the closing line
  };

  static constexpr double kStageWidth = 1920;

  // The role's font on a stage `stageWidth` points wide, as the effects
  // have always set it.
  static ui::Font font(Role role, double stageWidth);
  // The font that `text` takes: the role's, or smaller so that the text
  // fits the stage's width; never below the smallest.
  static ui::Font fitted(Role role, const std::string& text, double stageWidth);
  // The smallest size, as a share of the role's.
  static double smallestShare(Role role);
  // Whether `text` fits the stage at the role's smallest size.
  static bool fitsAtSmallest(Role role, const std::string& text);
  // The text's width at the role's own size on the 1920-point stage.
  static double naturalWidth(Role role, const std::string& text);
};

}  // namespace content
