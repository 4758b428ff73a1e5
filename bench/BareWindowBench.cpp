// The least a program can do to show a frame: open a window of the screen's
// size with an OpenGL 3.3 core context, clear it, swap. Its start-up time and
// memory are the yardstick for the show's (StartupBench.sh runs both).
// With --textured it does the least a program must do to show text as well:
// one program that samples a texture, one texture uploaded, one quad drawn,
// which on a renderer that compiles at the first draw (llvmpipe) is most of
// the difference.
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
               "usage: bench-bare-window [--launched-at NANOSECONDS] [--seconds S] [--textured]\n",
               why);
  return 2;
}

GLuint compile(GLenum kind, const char* source) {
  GLuint shader = glCreateShader(kind);
  glShaderSource(shader, 1, &source, nullptr);
  glCompileShader(shader);
  return shader;
}

// A grey ramp in a quarter of the window, through a texture.
void drawTexturedQuad() {
  static const char* vertexSource =
      "#version 330 core\n"
      "layout(location = 0) in vec2 corner;\n"
      "out vec2 uv;\n"
      "void main() { uv = corner; gl_Position = vec4(corner - 0.5, 0.0, 1.0); }\n";
  static const char* fragmentSource =
      "#version 330 core\n"
      "uniform sampler2D glyphs;\n"
      "in vec2 uv;\n"
      "out vec4 colour;\n"
      "void main() { colour = vec4(1.0) * texture(glyphs, uv).r; }\n";
  static GLuint program = 0;
  if (program == 0) {
    program = glCreateProgram();
    glAttachShader(program, compile(GL_VERTEX_SHADER, vertexSource));
    glAttachShader(program, compile(GL_FRAGMENT_SHADER, fragmentSource));
    glLinkProgram(program);
    unsigned char ramp[256 * 256];
    for (int i = 0; i < 256 * 256; ++i) {
      ramp[i] = static_cast<unsigned char>(i % 256);
    }
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_R8, 256, 256, 0, GL_RED, GL_UNSIGNED_BYTE, ramp);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    const float corners[] = {0, 0, 1, 0, 0, 1, 1, 1};
    GLuint vertexArray = 0, buffer = 0;
    glGenVertexArrays(1, &vertexArray);
    glBindVertexArray(vertexArray);
    glGenBuffers(1, &buffer);
    glBindBuffer(GL_ARRAY_BUFFER, buffer);
    glBufferData(GL_ARRAY_BUFFER, sizeof corners, corners, GL_STATIC_DRAW);
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, 0, nullptr);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
  }
  glUseProgram(program);
  glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
}

}  // namespace

int main(int argc, char** argv) {
  long launchedAt = 0;
  double seconds = 0.2;
  bool textured = false;
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
    } else if (argument == "--textured") {
      textured = true;
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
    if (textured) {
      drawTexturedQuad();
    }
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
