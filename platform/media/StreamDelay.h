#pragma once

#include <cstdint>

namespace platform {

// How long a sample written to a sound server's stream now waits before it
// is heard, from the server's last report on the stream: how much of it the
// server had read, whether it was playing, and the latency of the device
// behind it. Between reports the server reads on at the stream's rate while
// it plays, so the delay is worked out at any moment from the last report
// and what has been written since; times are seconds of the caller's clock.
class StreamDelay {
 public:
  explicit StreamDelay(double bytesPerSecond) : bytesPerSecond_(bytesPerSecond) {}

  // A report that arrived at `at`: the server had read `readBytes` of the
  // stream `transport` seconds before, and its device then held
  // `deviceSeconds` more.
  void report(double at, std::int64_t readBytes, double transport, double deviceSeconds,
              bool playing);
  bool hasReport() const { return at_ >= 0; }
  bool playing() const { return playing_; }

  // What a sample written after `writtenBytes` waits at `now`: the part of
  // the stream ahead of it that the server has not read, then the device.
  // Never less than the device's latency: a server that ran dry (an
  // underrun, a stall of the writer) stops reading until it is given more,
  // so what it seems to have read past the written end it never waits for.
  double delay(double now, std::int64_t writtenBytes) const;
  // Before writing after `writtenBytes`: a server that ran dry starts again
  // from the written end when it is given more, so the report is moved to
  // there and now. Blocks written one after another before the server's
  // next report are then heard one after another, not all at once.
  void restartIfDry(double now, std::int64_t writtenBytes);

 private:
  const double bytesPerSecond_;
  double at_ = -1;   // when the report arrived; none while negative
  double read_ = 0;  // seconds of the stream read, at `at_`
  double device_ = 0;
  bool playing_ = false;
};

}  // namespace platform
