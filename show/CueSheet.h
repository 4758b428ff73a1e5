#pragma once

#include <cstdint>
#include <optional>

// The choreography as fixed data: what each show position does. The
// controller's cue handler runs these rules; keeping them as tables makes
// the timeline readable in one place.
class CueSheet {
 public:
  enum class Passage {
    RapidStart,   // 0: reveal the rapid text, first rapid step
    Rapid,        // 64k + 1 … 64k + 31
    Static,       // 64k + 32
    Rest,         // the rest of the opening
    Fill,         // 512 … 607
    BigText,      // the six big-text passages
    FillOverlay,  // the six fill-with-overlay passages
    ClosingLine,  // 992
    ClosingRest,  // 993 … 1023
    End,          // 1024
    Outside,      // never armed
  };

  struct Flash {
    bool animated;
    double duration;
  };

  static constexpr std::int64_t kLength = 1024;
  static constexpr double kCueInterval = 0.0625;

  static Passage passageAt(std::int64_t position);
  // On the first position of a fill-with-overlay passage: whether the big
  // text moves to its next word, and whether the overlay to its next pattern.
  static bool raisesBigTextPosition(std::int64_t position);
  static bool advancesOverlayPattern(std::int64_t position);
  static std::optional<Flash> flashAt(std::int64_t position);
};
