#include "platform/media/SimulatedAudioOutput.h"

namespace platform {

SimulatedAudioOutput::SimulatedAudioOutput(Render render, int blockFrames)
    : render_(std::move(render)),
      blockFrames_(blockFrames),
      block_(static_cast<std::size_t>(2 * blockFrames)) {}

bool SimulatedAudioOutput::open(std::string&) {
  std::lock_guard<std::mutex> lock(mutex_);
  open_ = true;
  paused_ = true;
  return true;
}

bool SimulatedAudioOutput::isOpen() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return open_;
}

void SimulatedAudioOutput::close() {
  std::lock_guard<std::mutex> lock(mutex_);
  open_ = false;
}

void SimulatedAudioOutput::setPaused(bool paused) {
  std::lock_guard<std::mutex> rendering(renderMutex_);
  std::lock_guard<std::mutex> lock(mutex_);
  paused_ = paused;
}

void SimulatedAudioOutput::locked(const std::function<void()>& change) {
  std::lock_guard<std::mutex> rendering(renderMutex_);
  change();
}

double SimulatedAudioOutput::latency() const {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!open_) {
    return 0.0;
  }
  return reported_ >= 0 ? reported_ : 2.0 * blockFrames_ / rate;
}

std::string SimulatedAudioOutput::delaySource() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return reported_ >= 0 ? "reported by the simulated output" : "modelled: two blocks";
}

void SimulatedAudioOutput::reportDelay(double seconds) {
  std::lock_guard<std::mutex> lock(mutex_);
  reported_ = seconds;
}

double SimulatedAudioOutput::now() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return now_;
}

std::size_t SimulatedAudioOutput::play(int blocks) {
  std::size_t rendered = 0;
  for (int i = 0; i < blocks; ++i) {
    std::lock_guard<std::mutex> rendering(renderMutex_);
    bool running = false;
    double heardAt = 0;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      running = open_ && !paused_;
      heardAt = now_ + (reported_ >= 0 ? reported_ : 2.0 * blockFrames_ / rate);
    }
    if (running) {
      render_(block_.data(), blockFrames_, heardAt);
      rendered += static_cast<std::size_t>(blockFrames_);
    }
    std::lock_guard<std::mutex> lock(mutex_);
    now_ += static_cast<double>(blockFrames_) / rate;
  }
  return rendered;
}

void SimulatedAudioOutput::stall(double seconds) {
  std::lock_guard<std::mutex> lock(mutex_);
  now_ += seconds;
}

}  // namespace platform
