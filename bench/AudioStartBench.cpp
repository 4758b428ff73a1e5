// Start-up of the music player on one track: the cost of creating it, the
// time until the output consumes the first sample, and the peak resident
// memory by then and after a few seconds of play.
//
//   bench-audio-start TRACK [SECONDS]
//
// Run with SDL_AUDIODRIVER=dummy on a machine without sound; AudioStartBench.sh
// compares the show's track with a one-hour one.

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "platform/media/Ffmpeg.h"
#include "platform/media/MediaAudioPlayer.h"

namespace {

double secondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double peakResidentMiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: bench-audio-start TRACK [SECONDS]\n");
    return 2;
  }
  platform::ffmpeg::setLogPolicy();
  double playFor = argc == 3 ? std::atof(argv[2]) : 3.0;
  auto start = std::chrono::steady_clock::now();
  std::string error;
  auto player = platform::MediaAudioPlayer::create(argv[1], error);
  if (!player) {
    std::fprintf(stderr, "bench-audio-start: %s\n", error.c_str());
    return 1;
  }
  double created = secondsSince(start);
  if (!player->play()) {
    std::fprintf(stderr, "bench-audio-start: %s\n", player->deviceError().c_str());
    return 1;
  }
  while (!player->heardPosition() && secondsSince(start) < 30) {
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  double firstSample = secondsSince(start);
  double peakAtFirst = peakResidentMiB();
  std::this_thread::sleep_for(std::chrono::duration<double>(playFor));
  std::printf("create: %.1f ms\n", created * 1000);
  std::printf("first sample consumed: %.1f ms\n", firstSample * 1000);
  std::printf("peak resident at first sample: %.1f MiB\n", peakAtFirst);
  std::printf("peak resident after %.1f s of play: %.1f MiB\n", playFor, peakResidentMiB());
  return 0;
}
