// The real frame loop through one whole show on a (virtual) display: when
// each cue reached the screen, how evenly frames came, how many were missed,
// where the music stood against the picture, and how long the program took
// to show its first frame and how much memory it held at most.
//
// The probe links the same shell, show and music player as the program, so
// its start-up is the program's. It
// sees every frame by standing in for SDL_GL_SwapWindow: the executable's own
// definition is the one the shell's call binds to, and it hands on to SDL's.
#include <SDL.h>
#include <dlfcn.h>
#include <sys/resource.h>
#include "Percentile.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "platform/ApplicationMain.h"
#include "platform/SdlWindowHost.h"
#include "platform/media/MediaAudioPlayer.h"
#include "platform/media/PlayerFactory.h"
#include "show/CueSheet.h"
#include "show/ViewController.h"
#include "ui/RunLoop.h"
#include "ui/Screen.h"
#include "ui/Window.h"

namespace {

struct Frame {
  double target;      // run-loop seconds the frame was drawn for
  double swapped;     // display clock seconds when its swap returned: on screen
  double videoDelay;  // seconds the loop holds pictures back to meet their sound
  long realtimeNs;    // the same instant on the system's real-time clock
  double audioTime;   // seconds into the music being heard then, or −1
};

struct Probe {
  std::vector<Frame> frames;
  std::shared_ptr<ViewController> controller;
  double clickTime = -1;  // run-loop seconds of the synthetic click
  bool startupOnly = false;
  std::string startedFile;  // touched when the show starts, for a script that stalls the probe
  std::string framesFile;   // every frame, as comma-separated values, for a closer look
  bool audioPlays = false;
  double refreshRate = 60;
  // Real-time clock readings, nanoseconds, along the way to the first frame.
  long mainEntered = 0;
  long launching = 0;        // the delegate is asked to launch: SDL is up
  long controllerBuilt = 0;  // the show controller and its music player exist
};

Probe probe;

long realtimeNow() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  return long(now.tv_sec) * 1000000000L + now.tv_nsec;
}

void quit() {
  SDL_Event event{};
  event.type = SDL_QUIT;
  SDL_PushEvent(&event);
}

class ProbeDelegate : public ui::ApplicationDelegate {
 public:
  bool didFinishLaunchingWithOptions(const ui::LaunchOptions&) override {
    probe.launching = realtimeNow();
    window_ = std::make_shared<ui::Window>(ui::Screen::main().bounds());
    probe.controller = std::make_shared<ViewController>();
    probe.controllerBuilt = realtimeNow();
    window_->setRootViewController(probe.controller);
    window_->makeKeyAndVisible();
    auto& loop = ui::RunLoop::main();
    if (probe.startupOnly) {
      loop.schedule(0.2, quit);
      return true;
    }
    // A click a second in, straight into the window as the shell would
    // deliver it; the show then starts 4 s later.
    loop.schedule(1.0, [this] {
      probe.clickTime = ui::RunLoop::main().now();
      ui::Point middle = window_->bounds().center();
      window_->touchDown(middle);
      window_->touchUp(middle);
      // The whole show, the dot's last fade, and a little more.
      ui::RunLoop::main().schedule(4.0 + 64.0 + 0.5, quit);
      if (!probe.startedFile.empty()) {
        ui::RunLoop::main().schedule(4.0, [] {
          if (FILE* file = std::fopen(probe.startedFile.c_str(), "w")) {
            std::fclose(file);
          }
        });
      }
    });
    return true;
  }

 private:
  std::shared_ptr<ui::Window> window_;
};

using bench::percentile;

// A stall of a second or more (bench/LiveTimingBench.sh --stall makes one)
// shows as a gap between two swaps. The first frame after it may still show
// the moment before; from the second on, picture and sound should be
// together again.
void reportStalls(double showStart, double period) {
  const auto& frames = probe.frames;
  auto offset = [&](const Frame& frame) {
    return (frame.audioTime - (frame.target - showStart)) * 1000;
  };
  for (std::size_t i = 1; i < frames.size(); ++i) {
    const double gap = frames[i].swapped - frames[i - 1].swapped;
    if (gap < 1.0 || frames[i].target < showStart || frames[i].target > showStart + 64) {
      continue;
    }
    std::vector<double> after;  // the next 2 s, from the second frame on
    for (std::size_t j = i + 1; j < frames.size(); ++j) {
      if (frames[j].swapped - frames[i].swapped > 2.0) {
        break;
      }
      if (frames[j].audioTime >= 0) {
        after.push_back(offset(frames[j]));
      }
    }
    const auto within =
        std::count_if(after.begin(), after.end(), [](double o) { return std::fabs(o) <= 17; });
    const auto [least, most] = std::minmax_element(after.begin(), after.end());
    std::printf(
        "\nStall of %.2f s at %.2f s into the show: first frame after it %+.1f ms; the next "
        "2 s from the second frame on: %zu frames, %ld within ±17 ms, offsets %+.1f to %+.1f "
        "ms, median %+.1f\n",
        gap - period, frames[i - 1].target - showStart, offset(frames[i]), after.size(),
        long(within), after.empty() ? 0 : *least, after.empty() ? 0 : *most,
        percentile(after, 0.5));
  }
}

void report(long launchedAtNs) {
  const auto& frames = probe.frames;
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("Live frame loop, %zu frames, display refresh %.2f Hz\n\n", frames.size(),
              probe.refreshRate);
  if (!frames.empty() && launchedAtNs > 0) {
    std::printf("Start-up: %.1f ms from launch to the first frame on screen\n",
                double(frames.front().realtimeNs - launchedAtNs) / 1e6);
    auto ms = [](long from, long to) { return double(to - from) / 1e6; };
    std::printf(
        "  launch to main %.1f ms, main to launching (SDL, display) %.1f ms, show "
        "controller with music player %.1f ms, window and first frame %.1f ms\n",
        ms(launchedAtNs, probe.mainEntered), ms(probe.mainEntered, probe.launching),
        ms(probe.launching, probe.controllerBuilt),
        ms(probe.controllerBuilt, frames.front().realtimeNs));
  }
  std::printf("Peak resident memory: %.1f MiB\n", double(usage.ru_maxrss) / 1024.0);
  if (probe.startupOnly || probe.clickTime < 0) {
    return;
  }

  double period = 1.0 / probe.refreshRate;
  // The show's clock starts where the music was started.
  double showStart = probe.clickTime + 4.0;
  if (auto sync = ui::AudioPlayer::syncPoint()) {
    showStart = sync->runLoopTime;
  }
  // Frame intervals while the show runs.
  std::vector<double> intervals;
  long missed = 0;
  for (std::size_t i = 1; i < frames.size(); ++i) {
    if (frames[i].swapped < showStart || frames[i].swapped > showStart + 64.5) {
      continue;
    }
    double interval = frames[i].swapped - frames[i - 1].swapped;
    intervals.push_back(interval * 1000);
    long periods = std::lround(interval / period);
    missed += std::max(0L, periods - 1);
  }
  double mean = 0;
  for (double v : intervals) {
    mean += v / double(intervals.size());
  }
  double variance = 0;
  for (double v : intervals) {
    variance += (v - mean) * (v - mean) / double(intervals.size());
  }
  std::printf(
      "\nFrame intervals during the show (ms): %zu intervals, median %.2f, p1 %.2f, "
      "p99 %.2f, max %.2f, standard deviation %.2f\n",
      intervals.size(), percentile(intervals, 0.5), percentile(intervals, 0.01),
      percentile(intervals, 0.99),
      intervals.empty() ? 0 : *std::max_element(intervals.begin(), intervals.end()),
      std::sqrt(variance));
  std::printf("Missed frames (a swap more than one period after the last): %ld\n", missed);

  // Each cue runs in the first frame drawn for a run-loop time at or after
  // its due time. The loop means to show run-loop time c at display time
  // c + video delay (the delay meets the sound); a cue is late by the whole
  // frame periods between that moment and its frame's swap.
  std::vector<long> lateness;
  std::vector<double> delays;
  std::vector<double> videoDelays;
  std::size_t f = 0;
  for (long p = 0; p <= 1024; ++p) {
    double due = showStart + double(p) * 0.0625;
    while (f < frames.size() && frames[f].target < due) {
      ++f;
    }
    if (f == frames.size()) {
      break;
    }
    double onScreen = frames[f].swapped - (due + frames[f].videoDelay);
    delays.push_back(onScreen * 1000);
    videoDelays.push_back(frames[f].videoDelay * 1000);
    lateness.push_back(std::max(0L, static_cast<long>(std::floor(onScreen / period))));
  }
  long histogram[4] = {};
  for (long l : lateness) {
    ++histogram[std::min(l, 3L)];
  }
  std::printf("\nCues on screen: %zu of 1025\n", lateness.size());
  std::printf(
      "| frames late | cues |\n|---|---|\n| 0 | %ld |\n| 1 | %ld |\n| 2 | %ld |\n"
      "| 3 or more | %ld |\n",
      histogram[0], histogram[1], histogram[2], histogram[3]);
  std::printf("Video delay to meet the sound (ms): median %.2f, max %.2f\n",
              percentile(videoDelays, 0.5),
              videoDelays.empty() ? 0 : *std::max_element(videoDelays.begin(), videoDelays.end()));
  std::printf("Intended display time to on screen (ms): median %.2f, p99 %.2f, max %.2f\n",
              percentile(delays, 0.5), percentile(delays, 0.99),
              delays.empty() ? 0 : *std::max_element(delays.begin(), delays.end()));

  // The picture on screen after a swap shows its frame's run-loop time; the
  // player says which moment of the music is being heard then.
  std::vector<double> offsets;
  std::vector<double> early;  // the first 8 s of the show
  std::vector<double> late;   // the last 8 s: a drift shows as a difference
  for (const Frame& frame : frames) {
    double pictureTime = frame.target - showStart;
    if (frame.audioTime >= 0 && pictureTime > 0.5 && pictureTime < 64) {
      double offset = (frame.audioTime - pictureTime) * 1000;
      offsets.push_back(offset);
      if (pictureTime < 8.5) {
        early.push_back(offset);
      } else if (pictureTime >= 56) {
        late.push_back(offset);
      }
    }
  }
  if (!probe.audioPlays || offsets.empty()) {
    std::printf("\nAudio-video offset: no audio device, the music did not play\n");
  } else {
    std::printf(
        "\nAudio-video offset, music heard minus picture shown (ms; positive: the "
        "music is ahead): median %.1f, p1 %.1f, p99 %.1f over %zu frames\n",
        percentile(offsets, 0.5), percentile(offsets, 0.01), percentile(offsets, 0.99),
        offsets.size());
    std::printf("  median over 0.5-8.5 s %.1f, over 56-64 s %.1f\n", percentile(early, 0.5),
                percentile(late, 0.5));
    if (auto player = std::dynamic_pointer_cast<platform::MediaAudioPlayer>(
            probe.controller->audioPlayer())) {
      std::printf("  the sound's delay: %s\n", player->delaySource().c_str());
    }
  }
  reportStalls(showStart, period);
  if (!probe.framesFile.empty()) {
    if (FILE* file = std::fopen(probe.framesFile.c_str(), "w")) {
      std::fprintf(file, "show_s,swapped_s,video_delay_ms,offset_ms,realtime_ns\n");
      for (const Frame& frame : frames) {
        const double pictureTime = frame.target - showStart;
        std::fprintf(
            file, "%.6f,%.6f,%.3f,%.3f,%ld\n", pictureTime, frame.swapped, frame.videoDelay * 1000,
            frame.audioTime >= 0 ? (frame.audioTime - pictureTime) * 1000 : 0.0, frame.realtimeNs);
      }
      std::fclose(file);
    }
  }
}

}  // namespace

extern "C" void SDL_GL_SwapWindow(SDL_Window* window) {
  using Swap = void (*)(SDL_Window*);
  static Swap real = reinterpret_cast<Swap>(dlsym(RTLD_NEXT, "SDL_GL_SwapWindow"));
  real(window);
  const long shown = realtimeNow();
  auto* host = dynamic_cast<platform::SdlWindowHost*>(ui::Window::host());
  if (host == nullptr) {
    return;
  }
  probe.refreshRate = host->refreshRate();
  double audio = -1;
  // Asked only once the opening has ended: asking sooner would wait for it
  // here, inside the frame, as the show itself never does.
  if (probe.controller && probe.controller->musicSettled() && probe.controller->audioPlayer() &&
      probe.controller->audioPlayer()->isPlaying()) {
    probe.audioPlays = true;
    audio = probe.controller->audioPlayer()->currentTime();
  }
  probe.frames.push_back(
      {ui::RunLoop::main().now(), host->now(), host->videoDelay(), shown, audio});
}

int main(int argc, char** argv) {
  probe.mainEntered = realtimeNow();
  long launchedAtNs = 0;
  for (int i = 1; i < argc; ++i) {
    std::string argument = argv[i];
    if (argument == "--startup-only") {
      probe.startupOnly = true;
    } else if (argument == "--frames" && i + 1 < argc) {
      probe.framesFile = argv[++i];
    } else if (argument == "--started-file" && i + 1 < argc) {
      probe.startedFile = argv[++i];
    } else if (argument == "--launched-at" && i + 1 < argc) {
      char* end = nullptr;
      launchedAtNs = std::strtol(argv[++i], &end, 10);
      if (*end != '\0' || launchedAtNs <= 0) {
        std::fprintf(stderr,
                     "bench-live-timing: --launched-at takes nanoseconds of the "
                     "real-time clock, e.g. $(date +%%s%%N)\n");
        return 2;
      }
    } else {
      std::fprintf(stderr,
                   "usage: bench-live-timing [--startup-only] [--launched-at NANOSECONDS] "
                   "[--started-file PATH] [--frames CSV]\n"
                   "Runs the show once on the display (use xvfb-run without one) and prints "
                   "cue lateness, frame intervals, audio-video offset, start-up time and peak "
                   "memory.\n");
      return argument == "--help" ? 0 : 2;
    }
  }
  platform::installPlayerFactory();
  probe.frames.reserve(8192);
  platform::ShellOptions shell;
  shell.cuePeriod = CueSheet::kCueInterval;
  int status = platform::applicationMain(
      argc > 0 ? 1 : 0, argv, [] { return std::make_shared<ProbeDelegate>(); }, shell);
  if (status != 0) {
    return status;
  }
  report(launchedAtNs);
  return 0;
}
