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
  const double ready = now + drawTime_ + swapTime_;
  double target;
  if (vsync_) {
    target = std::max(ready, lastSwap_ + period());
  } else {
    // A swap that comes late is shown at once, so a frame that can appear
    // less than half a period after its slot is nearer to that slot than to
    // the next: it aims there and shows a little late, rather than waiting a
    // whole period.
    target = lastTarget_ + period();
    const double nearest = ready - period() / 2;
    if (target < nearest) {
      target += std::ceil((nearest - target) / period()) * period();
    }
  }
  lastTarget_ = target;
  const double before = lastShowTime_;
  const double shown = keepCues(before, showTimeAt(target));
  lastShowTime_ = std::max(before, shown);
  return {target, shown, target - swapTime_};
}

double FramePacer::keepCues(double before, double shown) const {
  if (cuePeriod_ <= 0 || before < cueOrigin_ || shown - before >= kStallGap) {
    return shown;
  }
  // The cue `before` lies in, judged with a little slack: a frame that
  // pictured a cue's first moment must count as having pictured that cue.
  const double cue = std::floor((before - cueOrigin_) / cuePeriod_ + 1e-6);
  const double next = cueOrigin_ + (cue + 1) * cuePeriod_;
  return shown >= next + cuePeriod_ ? next : shown;
}

double FramePacer::showTimeNow() {
  return showTimeAt(clock_());
}

void FramePacer::noticeStall(double now) {
  if (now - lastTick_ > kStallGap && lastShowTime_ > -1e299 && !freshReports_) {
    settleUntil_ = now + kSettleTime;
    resumedAt_ = now;
    resumedFrom_ = lastShowTime_;
    ranOn_ = std::max(videoDelay_, 0.0) + kOutputSlack;
  }
  lastTick_ = now;
}

double FramePacer::showTimeAt(double displayTime) {
  const double now = clock_();
  noticeStall(now);
  double shown = std::max(displayTime - videoDelay_, heardFrom_);
  if (now < settleUntil_) {
    shown = std::min(shown, resumedFrom_ + ranOn_ + (displayTime - resumedAt_));
  }
  lastShowTime_ = std::max(lastShowTime_, shown);
  return lastShowTime_;
}

void FramePacer::drawn() {
  const double took = std::min(clock_() - frameStarted_, kLongestDraw);
  draws_[std::size_t(drawCount_++ % kDrawsKept)] = took;
  std::array<double, kDrawsKept> sorted = draws_;
  constexpr std::size_t kFourthLongest = kDrawsKept - 4;
  std::nth_element(sorted.begin(), sorted.begin() + kFourthLongest, sorted.end());
  drawTime_ = sorted[kFourthLongest];
}

void FramePacer::swapping() {
  swapStarted_ = clock_();
}

void FramePacer::swapped() {
  const double previous = lastSwap_;
  lastSwap_ = clock_();
  if (vsync_) {
    // Here the swap's wait is for the blank, which is the target already.
    fastSwaps_ = lastSwap_ - previous < period() * 0.5 ? fastSwaps_ + 1 : 0;
    vsync_ = fastSwaps_ < kFastSwapsToPace;
  } else {
    const double took = std::min(lastSwap_ - swapStarted_, kLongestDraw);
    swapTime_ += std::clamp(took - swapTime_, -kSwapStep, kSwapStep);
  }
}

void FramePacer::soundStarted(Sound start) {
  cueOrigin_ = start.showTime;
  videoDelay_ = start.heardAt - start.showTime;
  following_ = true;
}

void FramePacer::hear(std::optional<Sound> sound) {
  const double now = clock_();
  noticeStall(now);
  if (!sound) {
    following_ = false;
    return;
  }
  if (sound->waiting) {
    heardFrom_ = std::max(heardFrom_, sound->showTime);
  } else if (now < settleUntil_) {
    // No further than the sound can have reached: the report may still
    // describe the time before the gap.
    heardFrom_ = std::max(heardFrom_, std::min(sound->showTime + (now - sound->heardAt),
                                               resumedFrom_ + ranOn_ + (now - resumedAt_)));
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
