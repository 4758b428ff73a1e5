#pragma once

#include <chrono>
#include <cstddef>
#include <cstdio>
#include <string>

namespace render {

// One self-rewriting line on a terminal: frames done, speed, time left. Stays
// silent when the stream is not a terminal, so logs and pipes get no noise.
class ProgressBar {
 public:
  // `framesPerSecond` is the output's rate, to tell speed as a multiple of real time.
  ProgressBar(std::size_t total, int framesPerSecond, std::FILE* stream);
  ProgressBar(const ProgressBar&) = delete;
  ProgressBar& operator=(const ProgressBar&) = delete;

  bool isEnabled() const { return enabled_; }
  void update(std::size_t done);
  // Draws the final state and ends the line.
  void finish();

  static std::string line(std::size_t done, std::size_t total, int framesPerSecond,
                          double elapsedSeconds, int barWidth);

 private:
  void draw(std::size_t done);

  std::size_t total_;
  int framesPerSecond_;
  std::FILE* stream_;
  bool enabled_;
  std::chrono::steady_clock::time_point start_;
  std::chrono::steady_clock::time_point lastDraw_;
};

}  // namespace render
