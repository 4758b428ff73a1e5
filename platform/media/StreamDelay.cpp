#include "platform/media/StreamDelay.h"

#include <algorithm>

namespace platform {

void StreamDelay::report(double at, std::int64_t readBytes, double transport, double deviceSeconds,
                         bool playing) {
  at_ = at;
  // The server read on while its answer travelled.
  read_ = static_cast<double>(std::max<std::int64_t>(readBytes, 0)) / bytesPerSecond_ +
          (playing ? transport : 0.0);
  device_ = deviceSeconds;
  playing_ = playing;
}

double StreamDelay::delay(double now, std::int64_t writtenBytes) const {
  const double read = read_ + (playing_ ? std::max(0.0, now - at_) : 0.0);
  const double written = static_cast<double>(writtenBytes) / bytesPerSecond_;
  return std::max(0.0, written - read) + device_;
}

void StreamDelay::restartIfDry(double now, std::int64_t writtenBytes) {
  const double written = static_cast<double>(writtenBytes) / bytesPerSecond_;
  if (playing_ && at_ >= 0 && read_ + (now - at_) > written) {
    at_ = now;
    read_ = written;
  }
}

}  // namespace platform
