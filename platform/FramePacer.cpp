#include "platform/FramePacer.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace platform {

FramePacer::FramePacer(Clock clock, double refreshRate, bool vsync)
    : clock_(std::move(clock)), refreshRate_(refreshRate > 0 ? refreshRate : 60), vsync_(vsync) {}

FramePacer::Frame FramePacer::nextFrame() {
  const double now = clock_();
  frameStarted_ = now;
  const double ready = now + drawTime_;
  double target;
  if (vsync_) {
    target = std::max(ready, lastSwap_ + period());
  } else {
    target = lastTarget_ + period();
    if (target < ready) {
      target += std::ceil((ready - target) / period()) * period();
    }
  }
  lastTarget_ = target;
  return {target, showTimeAt(target)};
}

double FramePacer::showTimeNow() {
  return showTimeAt(clock_());
}

double FramePacer::showTimeAt(double displayTime) {
  const double now = clock_();
  if (now - lastTick_ > kStallGap && lastShowTime_ > -1e299) {
    settleUntil_ = now + kSettleTime;
    resumedAt_ = now;
    resumedFrom_ = lastShowTime_;
  }
  lastTick_ = now;
  double shown = displayTime - videoDelay_;
  if (now < settleUntil_) {
    shown = std::min(shown, resumedFrom_ + (displayTime - resumedAt_));
  }
  lastShowTime_ = std::max(lastShowTime_, shown);
  return lastShowTime_;
}

void FramePacer::drawn() {
  const double took = std::min(clock_() - frameStarted_, kLongestDraw);
  drawTime_ = std::max(took, drawTime_ * 0.95 + took * 0.05);
}

void FramePacer::swapped() {
  const double previous = lastSwap_;
  lastSwap_ = clock_();
  if (vsync_) {
    fastSwaps_ = lastSwap_ - previous < period() * 0.5 ? fastSwaps_ + 1 : 0;
    vsync_ = fastSwaps_ < kFastSwapsToPace;
  }
}

void FramePacer::soundStarted(Sound start) {
  videoDelay_ = start.heardAt - start.showTime;
  following_ = true;
}

void FramePacer::hear(std::optional<Sound> sound) {
  if (!sound) {
    following_ = false;
    return;
  }
  const double measured = sound->heardAt - sound->showTime;
  const double error = measured - videoDelay_;
  if (!following_ || std::fabs(error) > kSnapError) {
    videoDelay_ = measured;
  } else {
    videoDelay_ += kSmoothing * error;
  }
  following_ = true;
}

}  // namespace platform
