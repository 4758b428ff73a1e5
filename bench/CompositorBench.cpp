// Frame times of the compositor, offscreen on this machine's OpenGL, under the
// load of the show's heaviest passage: 96-point bold capitals revealed one
// every 62.5 ms up to 300 in overlapping full-width rows on a dark background,
// one hidden again every 14th reveal, and white bars flashing at random
// through the saturation blend every 62.5 ms. Frames are drawn at 60 a second
// of simulated time; each is timed from the start of drawing until OpenGL has
// finished it (as a window's swap would wait).
//
//   bench-compositor [--frames N] [--bars columns-and-bands|quadrants-and-thirds]
//                    [--scale S] [--png FILE]
#include <epoxy/gl.h>
#include "Percentile.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "platform/Compositor.h"
#include "platform/EglContext.h"
#include "platform/OffscreenRenderer.h"
#include "platform/RenderTarget.h"
#include "ui/Label.h"
#include "ui/RunLoop.h"

namespace {

const char* const phrases[] = {
    "YOU ARE GOOD",
    "YOU ARE GOOD ENOUGH",
    "YOU LIGHT UP THE ROOM",
    "YOU ARE LOVED",
    "YOU MATTER",
    "YOU CAN ACHIEVE YOUR GOALS",
    "YOU HAVE FRIENDS",
    "YOU ARE BRAVE",
    "YOU ARE STRONG",
    "YOU ARE WORTH IT",
    "YOU MAKE A DIFFERENCE",
    "YOU ARE BEAUTIFUL",
    "YOU ARE ENOUGH",
    "YOU ARE KIND",
};
const ui::Color palette[] = {
    ui::Color::withRGBA(251 / 255.0, 139 / 255.0, 36 / 255.0, 1),
    ui::Color::withRGBA(217 / 255.0, 3 / 255.0, 104 / 255.0, 1),
    ui::Color::withRGBA(130 / 255.0, 2 / 255.0, 99 / 255.0, 1),
    ui::Color::withRGBA(0 / 255.0, 196 / 255.0, 140 / 255.0, 1),
};
const ui::Color dark = ui::Color::withRGBA(41 / 255.0, 23 / 255.0, 32 / 255.0, 1);

constexpr double cue = 0.0625;
constexpr int labelCount = 300;
constexpr double width = 1920, height = 1080;

struct Options {
  int frames = int(std::ceil(labelCount * cue * 60)) + 30;
  bool quadrants = false;
  double scale = 1;
  std::string png;
};

[[noreturn]] void usage(const std::string& problem) {
  std::fprintf(stderr,
               "bench-compositor: %s\nusage: bench-compositor [--frames N] "
               "[--bars columns-and-bands|quadrants-and-thirds] [--scale S] [--png FILE]\n",
               problem.c_str());
  std::exit(2);
}

Options parse(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (i + 1 >= argc) {
      usage("missing value after " + arg);
    }
    std::string value = argv[++i];
    char* end = nullptr;
    if (arg == "--frames") {
      long frames = std::strtol(value.c_str(), &end, 10);
      if (*end || frames < 1 || frames > 100000) {
        usage("--frames needs a whole number from 1 to 100000");
      }
      options.frames = int(frames);
    } else if (arg == "--scale") {
      options.scale = std::strtod(value.c_str(), &end);
      if (*end || !(options.scale >= 0.25 && options.scale <= 4)) {
        usage("--scale needs a number from 0.25 to 4");
      }
    } else if (arg == "--bars") {
      if (value != "columns-and-bands" && value != "quadrants-and-thirds") {
        usage("unknown bar pattern " + value);
      }
      options.quadrants = value == "quadrants-and-thirds";
    } else if (arg == "--png") {
      options.png = value;
    } else {
      usage("unknown option " + arg);
    }
  }
  return options;
}

// The stage of the passage: background, fill text and the blend overlay.
struct Stage {
  std::shared_ptr<ui::View> root;
  std::vector<std::shared_ptr<ui::Label>> labels;
  std::vector<std::shared_ptr<ui::View>> bars;
  int rows = 0;
  int revealed = 0;
};

Stage makeStage(bool quadrants) {
  Stage stage;
  stage.root = std::make_shared<ui::View>(ui::Rect{0, 0, width, height});
  stage.root->setBackgroundColor(ui::Color::black());
  auto background = std::make_shared<ui::View>(ui::Rect{0, 0, width, height});
  background->setBackgroundColor(ui::Color::white());
  stage.root->addSubview(background);
  auto fill = std::make_shared<ui::View>(ui::Rect{0, 0, width, height});
  fill->setBackgroundColor(dark);
  auto container = std::make_shared<ui::View>(ui::Rect{0, 0, width, height});
  fill->addSubview(container);
  stage.root->addSubview(fill);
  double rowHeight = 0;
  for (int i = 0; i < labelCount; ++i) {
    auto label = std::make_shared<ui::Label>();
    label->setFont(ui::Font::boldSystemFont(96));
    label->setText(phrases[i % std::size(phrases)]);
    label->sizeToFit();
    label->setHidden(true);
    container->addSubview(label);
    stage.labels.push_back(label);
    rowHeight = stage.labels[0]->bounds().height() * 0.7;
  }
  stage.rows = int(std::ceil(height / rowHeight));
  for (int i = 0; i < labelCount; ++i) {
    ui::Rect f = stage.labels[i]->frame();
    stage.labels[i]->setFrame({0, (i % stage.rows) * rowHeight, width, f.height()});
  }

  auto overlay = std::make_shared<ui::View>(ui::Rect{0, 0, width, height});
  overlay->setBackgroundColor(ui::Color::clear());
  overlay->layer().setCompositingFilter("saturationBlendMode");
  std::vector<ui::Rect> frames;
  if (quadrants) {
    frames = {{0, 0, width / 2, height / 2},
              {width / 2, 0, width / 2, height / 2},
              {0, height / 2, width / 2, height / 2},
              {width / 2, height / 2, width / 2, height / 2},
              {0, 0, width / 3, height},
              {width / 3, 0, width / 3, height},
              {2 * width / 3, 0, width / 3, height}};
  } else {
    frames = {{width / 6, 0, width / 6, height},
              {3 * width / 6, 0, width / 6, height},
              {5 * width / 6, 0, width / 6, height},
              {0, height / 5, width, height / 5},
              {0, 3 * height / 5, width, height / 5}};
  }
  for (const auto& frame : frames) {
    auto bar = std::make_shared<ui::View>(frame);
    bar->setBackgroundColor(ui::Color::white());
    bar->setHidden(true);
    overlay->addSubview(bar);
    stage.bars.push_back(bar);
  }
  stage.root->addSubview(overlay);
  return stage;
}

// One cue: reveal the next label (every 14th reveal hides the one revealed a
// screen earlier in its row) and flash a random half of the bars for 50 ms.
void step(Stage& stage, std::mt19937_64& random) {
  int i = stage.revealed++;
  if (i < labelCount) {
    auto& label = stage.labels[i];
    label->setHidden(false);
    label->setTextColor(i % 14 == 6 ? ui::Color::white() : palette[(i % stage.rows) % 4]);
    if (i % 14 == 6 && i > stage.rows) {
      stage.labels[i - stage.rows]->setHidden(true);
    }
  }
  for (auto& bar : stage.bars) {
    if (random() & 0x20000) {
      continue;
    }
    bar->setHidden(false);
    ui::RunLoop::main().asyncAfter(0.05, [bar] { bar->setHidden(true); });
  }
}

void scheduleCues(Stage& stage, std::mt19937_64& random, int count) {
  for (int p = 0; p < count; ++p) {
    ui::RunLoop::main().schedule(p * cue, [&stage, &random] { step(stage, random); });
  }
}

using bench::percentile;

}  // namespace

int main(int argc, char** argv) {
  Options options = parse(argc, argv);
  std::string error;
  auto context = platform::EglContext::create(error);
  if (!context) {
    std::fprintf(stderr, "bench-compositor: no offscreen OpenGL context: %s\n", error.c_str());
    return 1;
  }
  int pixelWidth = int(std::lround(width * options.scale));
  int pixelHeight = int(std::lround(height * options.scale));
  platform::Compositor compositor;
  platform::RenderTarget target(pixelWidth, pixelHeight);
  std::printf("renderer: %s\n", reinterpret_cast<const char*>(glGetString(GL_RENDERER)));
  std::printf("frame: %d × %d pixels, %d frames at 60 a second, bars: %s\n", pixelWidth,
              pixelHeight, options.frames,
              options.quadrants ? "quadrants and thirds" : "columns and bands");

  // Processor time of all of the process's threads (the renderer's included),
  // per frame: on a machine that others share, it shows the work itself.
  std::vector<double> cpu;
  auto run = [&](bool caching, int frames, int skipCues) {
    ui::RunLoop::main().reset(0);
    std::mt19937_64 random(2026);
    Stage stage = makeStage(options.quadrants);
    // Skipped cues are run at once, so that a short run can start late in the passage.
    for (int p = 0; p < skipCues; ++p) {
      step(stage, random);
    }
    ui::RunLoop::main().runUntil(1);
    ui::RunLoop::main().reset(0);
    scheduleCues(stage, random, int(std::ceil(frames / 60.0 / cue)) + 1);
    compositor.setCaching(caching);
    std::vector<double> times;
    cpu.clear();
    for (int frame = 0; frame < frames; ++frame) {
      double t = frame / 60.0;
      ui::RunLoop::main().runUntil(t);
      auto begin = std::chrono::steady_clock::now();
      std::clock_t cpuBegin = std::clock();
      compositor.render(*stage.root, t, target.framebuffer(), pixelWidth, pixelHeight,
                        options.scale);
      glFinish();
      auto end = std::chrono::steady_clock::now();
      times.push_back(std::chrono::duration<double, std::milli>(end - begin).count());
      cpu.push_back(double(std::clock() - cpuBegin) * 1000.0 / CLOCKS_PER_SEC);
    }
    if (caching && !options.png.empty()) {
      platform::Image image;
      image.width = pixelWidth;
      image.height = pixelHeight;
      image.rgba.resize(std::size_t(pixelWidth) * pixelHeight * 4);
      glBindFramebuffer(GL_READ_FRAMEBUFFER, target.framebuffer());
      glReadPixels(0, 0, pixelWidth, pixelHeight, GL_RGBA, GL_UNSIGNED_BYTE, image.rgba.data());
      std::vector<std::uint8_t> flipped(image.rgba.size());
      std::size_t stride = std::size_t(pixelWidth) * 4;
      for (int y = 0; y < pixelHeight; ++y) {
        std::copy_n(image.rgba.data() + std::size_t(pixelHeight - 1 - y) * stride, stride,
                    flipped.data() + std::size_t(y) * stride);
      }
      image.rgba = std::move(flipped);
      if (!platform::writePng(image, options.png, error)) {
        std::fprintf(stderr, "bench-compositor: %s\n", error.c_str());
      }
    }
    ui::RunLoop::main().reset(0);
    return times;
  };

  auto report = [](const char* name, const std::vector<double>& times) {
    double sum = 0;
    for (double t : times) {
      sum += t;
    }
    std::printf("%-34s %8zu %10.2f %10.2f %10.2f %10.2f\n", name, times.size(),
                percentile(times, 0.5), percentile(times, 0.99), sum / times.size(),
                *std::max_element(times.begin(), times.end()));
  };
  std::printf("\n%-34s %8s %10s %10s %10s %10s\n", "ms per frame", "frames", "median", "p99",
              "mean", "max");
  auto cached = run(true, options.frames, 0);
  report("compositor (caching on)", cached);
  report("  processor time, all threads", cpu);
  std::vector<double> lastSecond(cached.end() - std::min<std::size_t>(60, cached.size()),
                                 cached.end());
  report("  its last second (~300 labels)", lastSecond);
  // From scratch every frame, late in the passage: the cost caching avoids.
  auto plain = run(false, 20, std::max(0, labelCount - 20));
  report("from scratch (caching off), late", plain);
  return 0;
}
