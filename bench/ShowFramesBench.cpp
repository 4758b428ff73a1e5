// Frame cost of the whole show, drawn offscreen by the same compositor the
// window uses: milliseconds per frame by passage, and a plot across the 64 s.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <memory>
#include <string>
#include <vector>
#include "Percentile.h"

#include "platform/Compositor.h"
#include "platform/EglContext.h"
#include "platform/OffscreenRenderer.h"
#include "platform/RenderTarget.h"
#include "tools/render/OfflineShow.h"
#include "tools/render/SilentAudioPlayer.h"
#include "ui/Bundle.h"
#include "ui/Font.h"
#include "ui/Label.h"
#include "ui/Random.h"

namespace {

struct Passage {
  const char* name;
  double from;  // seconds, inclusive
  double to;    // seconds, exclusive
  ui::Color color;
};

const Passage passages[] = {
    {"opening", 0, 32, ui::Color::withRGBA(251 / 255.0, 139 / 255.0, 36 / 255.0, 1)},
    {"fill", 32, 38, ui::Color::withRGBA(0.85, 0.1, 0.45, 1)},
    {"alternation", 38, 62, ui::Color::withRGBA(0.2, 0.75, 0.55, 1)},
    {"closing", 62, 64, ui::Color::withWhite(0.85, 1)},
};

struct Sample {
  double time;  // show seconds
  double milliseconds;
};

using bench::percentile;

void printRow(const char* name, const std::string& span, const std::vector<double>& values) {
  double worst = values.empty() ? 0 : *std::max_element(values.begin(), values.end());
  std::printf("| %-11s | %-7s | %6zu | %9.2f | %9.2f | %9.2f |\n", name, span.c_str(),
              values.size(), percentile(values, 0.5), percentile(values, 0.99), worst);
}

std::shared_ptr<ui::Label> label(const std::string& text, double x, double y, double size,
                                 ui::Color color) {
  auto view = std::make_shared<ui::Label>(ui::Rect{x, y, 0, 0});
  view->setFont(ui::Font::systemFont(size));
  view->setTextColor(color);
  view->setText(text);
  view->sizeToFit();
  return view;
}

// The plot is itself a view tree: bars, lines and labels, drawn offscreen.
platform::Image plot(const std::vector<Sample>& samples, const std::string& title) {
  const double width = 1600, height = 600;
  const ui::Rect area{80, 60, 1480, 470};
  double top = 20;
  for (const Sample& s : samples) {
    top = std::max(top, s.milliseconds);
  }
  double step = top > 100 ? 25 : top > 40 ? 10 : 5;
  top = std::ceil(top * 1.05 / step) * step;

  auto root = std::make_shared<ui::View>(ui::Rect{0, 0, width, height});
  root->setBackgroundColor(ui::Color::withWhite(0.1, 1));
  root->addSubview(label(title, area.x(), 16, 20, ui::Color::white()));

  for (double ms = 0; ms <= top + 1e-9; ms += step) {
    double y = area.maxY() - ms / top * area.height();
    auto line = std::make_shared<ui::View>(ui::Rect{area.x(), y, area.width(), 1});
    line->setBackgroundColor(ui::Color::withWhite(0.3, 1));
    root->addSubview(line);
    char text[32];
    std::snprintf(text, sizeof text, "%g ms", ms);
    root->addSubview(label(text, 8, y - 9, 14, ui::Color::withWhite(0.7, 1)));
  }
  // One bar per pixel column: the slowest frame that falls in it.
  int columns = static_cast<int>(area.width());
  std::vector<double> worst(columns, -1);
  std::vector<double> when(columns, 0);
  for (const Sample& s : samples) {
    int column = std::clamp(static_cast<int>(s.time / 64.0 * columns), 0, columns - 1);
    if (s.milliseconds > worst[column]) {
      worst[column] = s.milliseconds;
      when[column] = s.time;
    }
  }
  for (int c = 0; c < columns; ++c) {
    if (worst[c] < 0) {
      continue;
    }
    double h = std::max(1.0, worst[c] / top * area.height());
    auto bar = std::make_shared<ui::View>(ui::Rect{area.x() + c, area.maxY() - h, 1, h});
    for (const Passage& p : passages) {
      if (when[c] >= p.from && when[c] < p.to) {
        bar->setBackgroundColor(p.color);
      }
    }
    root->addSubview(bar);
  }
  double budget = 1000.0 / 60;
  if (budget < top) {
    double y = area.maxY() - budget / top * area.height();
    auto line = std::make_shared<ui::View>(ui::Rect{area.x(), y, area.width(), 2});
    line->setBackgroundColor(ui::Color::withRGBA(1, 0.2, 0.2, 1));
    root->addSubview(line);
    // The legend sits above the plot: bars may cover any part of the line.
    root->addSubview(label("red line: 60 fps budget, 16.7 ms", area.maxX() - 250, 20, 15,
                           ui::Color::withRGBA(1, 0.4, 0.4, 1)));
  }
  for (const Passage& p : passages) {
    double x = area.x() + p.from / 64.0 * area.width();
    root->addSubview(label(p.name, x + 4, area.maxY() + 28, 15, p.color));
  }
  for (int s = 0; s <= 64; s += 8) {
    root->addSubview(label(std::to_string(s) + " s", area.x() + s / 64.0 * area.width() - 8,
                           area.maxY() + 6, 14, ui::Color::withWhite(0.7, 1)));
  }

  std::string error;
  auto renderer = platform::OffscreenRenderer::create(error);
  if (!renderer) {
    std::cerr << "no offscreen OpenGL for the plot: " << error << "\n";
    return {};
  }
  return renderer->render(*root, 0, int(width), int(height), 1.0);
}

}  // namespace

int main(int argc, char** argv) {
  int fps = 60;
  std::string size = "1920x1080";
  std::string plotPath;
  std::uint64_t seed = 1;
  CLI::App app{"Times every frame of the show, drawn offscreen, and prints a table by passage.",
               "bench-show-frames"};
  app.add_option("--fps", fps, "Frames drawn per show second")
      ->capture_default_str()
      ->check(CLI::Range(1, 240));
  app.add_option("--size", size, "Frame size in pixels, WIDTHxHEIGHT")->capture_default_str();
  app.add_option("--plot", plotPath, "Also write a PNG plot of frame time across the show");
  app.add_option("--seed", seed, "Seed of the random effects")->capture_default_str();
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e) == 0 ? 0 : 2;
  }
  int width = 0, height = 0;
  if (std::sscanf(size.c_str(), "%dx%d", &width, &height) != 2 || width < 16 || height < 16 ||
      width > 8192 || height > 8192) {
    std::cerr << "bench-show-frames: --size must be WIDTHxHEIGHT, each side 16 to 8192\n";
    return 2;
  }
  if (!ui::Bundle::main().urlForResource("audio", "m4a")) {
    std::cerr << "bench-show-frames: the music resource audio.m4a is missing\n";
    return 1;
  }

  render::SilentAudioPlayer::install();
  ui::Random::setSource(std::make_unique<ui::SeededRandomSource>(seed));
  std::string error;
  auto context = platform::EglContext::create(error);
  if (!context) {
    std::cerr << "bench-show-frames: no offscreen OpenGL: " << error << "\n";
    return 1;
  }
  std::string rendererName = reinterpret_cast<const char*>(glGetString(GL_RENDERER));

  std::vector<Sample> samples;
  {
    platform::RenderTarget target(width, height);
    platform::Compositor compositor;
    render::OfflineShow show({double(width), double(height)});
    long frames = 64L * fps;
    samples.reserve(std::size_t(frames));
    for (long k = 0; k < frames; ++k) {
      double t = double(k) / fps;
      show.advanceTo(t);
      auto start = std::chrono::steady_clock::now();
      compositor.render(show.window(), render::OfflineShow::runLoopTime(t), target.framebuffer(),
                        width, height, 1.0);
      // The frame is done when the pixels are, not when the commands are queued.
      glFinish();
      auto end = std::chrono::steady_clock::now();
      samples.push_back({t, std::chrono::duration<double, std::milli>(end - start).count()});
    }
  }

  std::printf("Frame time of the show, offscreen at %dx%d, %d frames a second (%zu frames)\n",
              width, height, fps, samples.size());
  std::printf("Renderer: %s\n\n", rendererName.c_str());
  std::printf("| passage     | seconds | frames | median ms |    p99 ms |    max ms |\n");
  std::printf("|-------------|---------|--------|-----------|-----------|-----------|\n");
  std::vector<double> all;
  for (const Passage& p : passages) {
    std::vector<double> values;
    for (const Sample& s : samples) {
      if (s.time >= p.from && s.time < p.to) {
        values.push_back(s.milliseconds);
      }
    }
    all.insert(all.end(), values.begin(), values.end());
    char span[40];
    std::snprintf(span, sizeof span, "%g-%g", p.from, p.to);
    printRow(p.name, span, values);
  }
  printRow("whole show", "0-64", all);

  if (!plotPath.empty()) {
    char title[160];
    std::snprintf(title, sizeof title, "Frame time across the show, %dx%d, %s", width, height,
                  rendererName.c_str());
    platform::Image image = plot(samples, title);
    if (image.rgba.empty() || !platform::writePng(image, plotPath, error)) {
      std::cerr << "bench-show-frames: cannot write the plot: " << error << "\n";
      return 1;
    }
    std::printf("\nPlot: %s\n", plotPath.c_str());
  }
  return 0;
}
