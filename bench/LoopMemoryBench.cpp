// Memory over a venue's loops: the show played again and again through
// VenueMode (a new controller each time), on the run loop's manual clock,
// drawn offscreen a few times a second so the compositor's caches and the
// glyph atlas take part. Prints the resident memory after every tenth show
// and the growth from the 10th show to the last.
#include <unistd.h>
#include <CLI/CLI.hpp>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>

#include "platform/OffscreenRenderer.h"
#include "show/VenueMode.h"
#include "tools/render/SilentAudioPlayer.h"
#include "ui/Random.h"
#include "ui/RunLoop.h"
#include "ui/Screen.h"
#include "ui/Window.h"

namespace {

double residentMegabytes() {
  long pages = 0, resident = 0;
  std::ifstream("/proc/self/statm") >> pages >> resident;
  return double(resident) * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"Resident memory over the venue mode's loops, on the manual clock"};
  int shows = 100;
  double fps = 4;
  app.add_option("--shows", shows, "Shows to play")->capture_default_str();
  app.add_option("--fps", fps, "Offscreen frames drawn per second of show")->capture_default_str();
  CLI11_PARSE(app, argc, argv);

  render::SilentAudioPlayer::install();
  ui::Random::setSource(std::make_unique<ui::SeededRandomSource>(1));
  std::string error;
  auto renderer = platform::OffscreenRenderer::create(error);
  if (!renderer) {
    std::fprintf(stderr, "bench-loop-memory: no offscreen OpenGL: %s\n", error.c_str());
    return 1;
  }
  constexpr double kWidth = 640, kHeight = 360;
  ui::RunLoop::main().reset(0);
  ui::Screen::main().setBounds({0, 0, kWidth, kHeight});
  auto window = std::make_shared<ui::Window>(ui::Rect{0, 0, kWidth, kHeight});
  VenueMode venue(
      window, [] { return std::make_shared<ViewController>(false); }, true, true);
  venue.begin();

  std::printf("| shows | resident MB |\n|---|---|\n");
  double atTenth = 0;
  double t = 0;
  int reported = 0;
  while (venue.shows() <= shows) {
    t += 1.0 / fps;
    ui::RunLoop::main().runUntil(t);
    renderer->render(*window, t, int(kWidth), int(kHeight), 1.0);
    // A show is over once the next one has begun.
    const int finished = venue.shows() - 1;
    if (finished > reported) {
      reported = finished;
      const double mb = residentMegabytes();
      if (finished == 10) {
        atTenth = mb;
      }
      if (finished == 1 || finished % 10 == 0) {
        std::printf("| %5d | %11.1f |\n", finished, mb);
        std::fflush(stdout);
      }
    }
  }
  std::printf("\ngrowth from show 10 to show %d: %+.1f MB (%+.3f MB per show)\n", shows,
              residentMegabytes() - atTenth, (residentMegabytes() - atTenth) / (shows - 10));
  window->close();
  ui::RunLoop::main().reset(0);
  return 0;
}
