#include "show/CueSheet.h"

#include <array>

namespace {

constexpr std::int64_t kOpeningEnd = 512;
constexpr std::int64_t kFillEnd = 608;
constexpr std::int64_t kAlternationEnd = 992;
constexpr std::int64_t kPassageLength = 32;

struct FlashCue {
  std::int64_t position;
  CueSheet::Flash flash;
};

constexpr std::array<FlashCue, 16> kFlashes{{
    {32, {false, 0.1}},
    {96, {false, 0.1}},
    {160, {false, 0.1}},
    {224, {true, 2.0}},
    {288, {false, 0.1}},
    {352, {true, 0.2}},
    {416, {true, 0.4}},
    {480, {false, 0.1}},
    {544, {true, 2.0}},
    {608, {true, 2.0}},
    {672, {true, 2.0}},
    {736, {true, 2.0}},
    {800, {true, 2.0}},
    {864, {true, 2.0}},
    {928, {true, 2.0}},
    {992, {true, 2.0}},
}};

bool startsFillOverlayPassage(std::int64_t p) {
  return p >= kFillEnd && p < kAlternationEnd && (p - kFillEnd) % kPassageLength == 0 &&
         ((p - kFillEnd) / kPassageLength) % 2 == 1;
}

}  // namespace

CueSheet::Passage CueSheet::passageAt(std::int64_t p) {
  if (p < 0 || p > kLength) {
    return Passage::Outside;
  }
  if (p == 0) {
    return Passage::RapidStart;
  }
  if (p < kOpeningEnd) {
    std::int64_t inBlock = p % 64;
    if (inBlock >= 1 && inBlock <= 31) {
      return Passage::Rapid;
    }
    return inBlock == 32 ? Passage::Static : Passage::Rest;
  }
  if (p < kFillEnd) {
    return Passage::Fill;
  }
  if (p < kAlternationEnd) {
    // Twelve passages of 32 positions, big text first.
    return ((p - kFillEnd) / kPassageLength) % 2 == 0 ? Passage::BigText : Passage::FillOverlay;
  }
  if (p == kAlternationEnd) {
    return Passage::ClosingLine;
  }
  return p < kLength ? Passage::ClosingRest : Passage::End;
}

bool CueSheet::raisesBigTextPosition(std::int64_t p) {
  // The last overlay passage has no big-text passage after it.
  return startsFillOverlayPassage(p) && p != 960;
}

bool CueSheet::advancesOverlayPattern(std::int64_t p) {
  // The first overlay passage runs on the pattern laid out at preparation.
  return startsFillOverlayPassage(p) && p != 640;
}

std::optional<CueSheet::Flash> CueSheet::flashAt(std::int64_t p) {
  for (const auto& cue : kFlashes) {
    if (cue.position == p) {
      return cue.flash;
    }
  }
  return std::nullopt;
}
