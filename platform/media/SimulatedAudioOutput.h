#pragma once

#include <cstddef>
#include <mutex>
#include <vector>

#include "platform/media/AudioOutput.h"

namespace platform {

// An ideal output on a clock of its own, like a null audio driver in its
// untimed mode: it renders a block only when told to, on the caller's thread,
// and its clock moves only when told to. A block rendered at time t is heard
// a delay later: two blocks, as from a device that fills one block while it
// plays the one before, until the test reports another, as a sound server
// does whose queue grows or shrinks while it plays. With it, what a player
// hears is exact and repeatable, whatever the machine's load.
class SimulatedAudioOutput : public AudioOutput {
 public:
  static constexpr int rate = 48000;

  SimulatedAudioOutput(Render render, int blockFrames);

  bool open(std::string& error) override;
  bool isOpen() const override;
  void close() override;
  void setPaused(bool paused) override;
  void locked(const std::function<void()>& change) override;
  double latency() const override;
  std::string delaySource() const override;
  double now() const override;

  // From now on, the delay the output reports, seconds: blocks rendered
  // after this are heard that long after their render.
  void reportDelay(double seconds);

  // Plays `blocks` blocks, one after the other: each is rendered at the
  // present time, then the clock moves on by one block. Paused or closed,
  // the clock moves on all the same and nothing is rendered. Returns the
  // frames rendered.
  std::size_t play(int blocks = 1);
  // Moves the clock on without rendering: a stall of the whole process.
  void stall(double seconds);

  int blockFrames() const { return blockFrames_; }
  // The last block rendered.
  const std::vector<float>& lastBlock() const { return block_; }

 private:
  Render render_;
  const int blockFrames_;
  std::vector<float> block_;
  // Held while a block renders: locked() and pausing wait for it, as they
  // do for a device's thread. Taken before `mutex_`, which guards the state
  // below (the render function reads the clock).
  std::mutex renderMutex_;
  mutable std::mutex mutex_;
  bool open_ = false;
  bool paused_ = true;
  double now_ = 0;        // seconds
  double reported_ = -1;  // seconds; none reported while negative: two blocks
};

}  // namespace platform
