// The least a program can do to show a frame: open a window of the screen's
// size with an OpenGL 3.3 core context, clear it, swap. Its start-up time and
// memory are the yardstick for the show's (StartupBench.sh runs both).
#include <SDL.h>
#include <epoxy/gl.h>
#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

namespace {

long realtimeNow() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  return long(now.tv_sec) * 1000000000L + now.tv_nsec;
}

int usage(const char* why) {
  std::fprintf(stderr,
               "bench-bare-window: %s\n"
               "usage: bench-bare-window [--launched-at NANOSECONDS] [--seconds S]\n",
               why);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  long launchedAt = 0;
  double seconds = 0.2;
  for (int i = 1; i < argc; ++i) {
    std::string argument = argv[i];
    char* end = nullptr;
    if (argument == "--launched-at" && i + 1 < argc) {
      launchedAt = std::strtol(argv[++i], &end, 10);
      if (*end != '\0' || launchedAt <= 0) {
        return usage("--launched-at takes nanoseconds of the real-time clock, e.g. $(date +%s%N)");
      }
    } else if (argument == "--seconds" && i + 1 < argc) {
      seconds = std::strtod(argv[++i], &end);
      if (*end != '\0' || seconds < 0) {
        return usage("--seconds takes a number of seconds");
      }
    } else {
      return usage(("unknown argument " + argument).c_str());
    }
  }
  if (SDL_Init(SDL_INIT_VIDEO) != 0) {
    std::fprintf(stderr, "bench-bare-window: %s\n", SDL_GetError());
    return 1;
  }
  SDL_DisplayMode mode{};
  int width = 1920, height = 1080;
  if (SDL_GetDesktopDisplayMode(0, &mode) == 0) {
    width = mode.w;
    height = mode.h;
  }
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_Window* window =
      SDL_CreateWindow("bare window", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width, height,
                       SDL_WINDOW_OPENGL | SDL_WINDOW_RESIZABLE);
  SDL_GLContext context = window ? SDL_GL_CreateContext(window) : nullptr;
  if (!context) {
    std::fprintf(stderr, "bench-bare-window: %s\n", SDL_GetError());
    return 1;
  }
  SDL_GL_SetSwapInterval(1);
  long firstFrame = 0;
  const Uint64 start = SDL_GetTicks64();
  do {
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
    }
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    SDL_GL_SwapWindow(window);
    if (firstFrame == 0) {
      firstFrame = realtimeNow();
    }
    SDL_Delay(16);
  } while (double(SDL_GetTicks64() - start) / 1000 < seconds);
  rusage used{};
  getrusage(RUSAGE_SELF, &used);
  if (launchedAt > 0) {
    std::printf("Start-up: %.1f ms from launch to the first frame on screen\n",
                double(firstFrame - launchedAt) / 1e6);
  }
  std::printf("Peak resident memory: %.1f MiB\n", double(used.ru_maxrss) / 1024.0);
  SDL_GL_DeleteContext(context);
  SDL_DestroyWindow(window);
  SDL_Quit();
  return 0;
}
