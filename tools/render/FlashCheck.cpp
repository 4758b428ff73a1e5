#include "tools/render/FlashCheck.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ostream>

#include "tools/render/Exporter.h"
#include "tools/render/OfflineShow.h"
#include "tools/render/ProgressBar.h"
#include "ui/Label.h"

namespace render {

namespace {

using Window = FlashAnalyser::Window;

double flashes(int transitions) {
  return transitions / 2.0;
}

std::string format(const char* pattern, double a, double b = 0, double c = 0) {
  char text[160];
  std::snprintf(text, sizeof text, pattern, a, b, c);
  return text;
}

int score(const Window& w) {
  return std::max(w.transitions[0], w.transitions[1]);
}

}  // namespace

int FlashCheck::run(const RenderRequest& request, platform::OffscreenRenderer& renderer) {
  const long frames = Exporter::frameCount(request.from, request.to, request.fps);
  FlashAnalyser analyser(request.fps);
  {
    OfflineShow show({double(request.width), double(request.height)}, request.gentle);
    ProgressBar progress(std::size_t(frames), request.fps, stderr);
    for (long k = 0; k < frames; ++k) {
      show.advanceTo(Exporter::frameTime(request.from, request.fps, k));
      const platform::Image image = show.render(renderer, request.width, request.height);
      if (image.width != request.width || image.height != request.height) {
        err_ << "invited-render: the frame at " << show.showTime() << " s could not be drawn\n";
        return Exporter::failureStatus;
      }
      analyser.addFrame(image.width, image.height, image.rgba.data());
      progress.update(std::size_t(k + 1));
    }
    progress.finish();
  }
  const auto windows = analyser.windows();
  out_ << (request.gentle ? "The gentle show" : "The show")
       << format(", %.3f s to %.3f s", request.from, request.to) << ", " << frames << " frames at "
       << request.fps << " fps, analysed at " << request.width << "x" << request.height << ".\n";
  report(out_, windows, request.from, request.fps);
  if (!request.plot.empty()) {
    std::string error;
    if (!platform::writePng(plot(windows, request.from, request.fps, renderer), request.plot,
                            error)) {
      err_ << "invited-render: " << error << "\n";
      return Exporter::failureStatus;
    }
  }
  return 0;
}

void FlashCheck::report(std::ostream& out, const std::vector<Window>& windows, double from,
                        int fps) {
  auto startOf = [&](const Window& w) { return Exporter::frameTime(from, fps, w.first); };
  out << "Flashes in the worst one-second window starting in each second (a flash is two\n"
         "opposing transitions; more than 3 in a second is over the threshold):\n"
         "  second   general  red\n";
  for (std::size_t i = 0; i < windows.size();) {
    const double second = std::floor(startOf(windows[i]) + 1e-9);
    std::array<int, 2> worst{};
    for (; i < windows.size() && startOf(windows[i]) < second + 1 - 1e-9; ++i) {
      worst[0] = std::max(worst[0], windows[i].transitions[0]);
      worst[1] = std::max(worst[1], windows[i].transitions[1]);
    }
    const bool over =
        worst[0] > FlashAnalyser::maxTransitions || worst[1] > FlashAnalyser::maxTransitions;
    out << format("  %6.0f   %7.1f  %4.1f", second, flashes(worst[0]), flashes(worst[1]))
        << (over ? "  over\n" : "\n");
  }

  // Passages over the threshold: the time covered by failing windows, with
  // windows that overlap merged.
  bool anyOver = false;
  for (std::size_t i = 0; i < windows.size(); ++i) {
    if (!windows[i].fails()) {
      continue;
    }
    std::array<int, 2> worst{};
    std::size_t end = i;  // one past the last frame covered
    std::size_t j = i;
    for (; j < windows.size() && j < end + 1; ++j) {
      if (windows[j].fails()) {
        end = std::max(end, j + std::size_t(fps) - 1);
        worst[0] = std::max(worst[0], windows[j].transitions[0]);
        worst[1] = std::max(worst[1], windows[j].transitions[1]);
      }
    }
    if (!anyOver) {
      out << "Passages over the threshold:\n";
      anyOver = true;
    }
    out << format("  %.3f s to %.3f s:", startOf(windows[i]),
                  Exporter::frameTime(from, fps, long(end) + 1))
        << format(" up to %.1f general and %.1f red flashes a second\n", flashes(worst[0]),
                  flashes(worst[1]));
    i = j - 1;
  }
  if (!anyOver) {
    out << "No one-second window is over the threshold.\n";
  }

  // The worst windows that do not overlap, worst first.
  std::vector<const Window*> order;
  for (const auto& w : windows) {
    order.push_back(&w);
  }
  std::stable_sort(order.begin(), order.end(),
                   [](const Window* a, const Window* b) { return score(*a) > score(*b); });
  std::vector<const Window*> chosen;
  for (const Window* w : order) {
    if (chosen.size() == 5 || score(*w) == 0) {
      break;
    }
    const bool overlaps = std::any_of(chosen.begin(), chosen.end(), [&](const Window* c) {
      return std::labs(c->first - w->first) < fps;
    });
    if (!overlaps) {
      chosen.push_back(w);
    }
  }
  out << "Worst windows:\n";
  for (const Window* w : chosen) {
    out << format("  %.3f s to %.3f s: %.1f general", startOf(*w), startOf(*w) + 1,
                  flashes(w->transitions[0]))
        << format(" and %.1f red flashes (%.0f and %.0f transitions)\n", flashes(w->transitions[1]),
                  w->transitions[0], w->transitions[1]);
  }
  if (chosen.empty()) {
    out << "  none: nothing flashes\n";
  }

  std::array<const Window*, 2> worst{};
  bool fails = false;
  for (const auto& w : windows) {
    for (int kind = 0; kind < 2; ++kind) {
      if (!worst[kind] || w.transitions[kind] > worst[kind]->transitions[kind]) {
        worst[kind] = &w;
      }
    }
    fails = fails || w.fails();
  }
  // A flash found is a flash, at any frame rate; but below the display's
  // rate a flash can fall between two frames, so a pass proves nothing.
  if (!fails && fps < verdictFps) {
    out << "three-flash threshold: no verdict: at " << fps
        << " fps flashes between frames are missed; count at " << verdictFps
        << " fps or more for one\n";
    return;
  }
  out << "three-flash threshold: " << (fails ? "fail" : "pass");
  const char* names[2] = {"general", "red"};
  for (int kind = 0; kind < 2 && worst[kind]; ++kind) {
    out << (kind == 0 ? "; worst " : ", ")
        << format("%.1f ", flashes(worst[kind]->transitions[kind])) << names[kind]
        << format(" flashes in the second from %.3f s", startOf(*worst[kind]));
  }
  out << "\n";
}

platform::Image FlashCheck::plot(const std::vector<Window>& windows, double from, int fps,
                                 platform::OffscreenRenderer& renderer) {
  constexpr int width = 1280, height = 360, left = 48, right = 16, top = 16, bottom = 36;
  const double to = from + double(windows.size()) / fps;
  int most = 4;
  for (const auto& w : windows) {
    most = std::max(most, int(std::ceil(flashes(score(w)))) + 1);
  }
  const double plotWidth = width - left - right, plotHeight = height - top - bottom;
  auto xOf = [&](double t) { return left + (t - from) / (to - from) * plotWidth; };
  auto yOf = [&](double f) { return top + plotHeight * (1 - f / most); };

  // Axis labels come from the toolkit, the curves are set pixel by pixel.
  auto sheet = std::make_shared<ui::View>(ui::Rect{0, 0, double(width), double(height)});
  sheet->setBackgroundColor(ui::Color::withWhite(0.1, 1.0));
  auto addLabel = [&](const std::string& text, ui::Rect frame, ui::TextAlignment alignment,
                      ui::Color color = ui::Color::withWhite(0.8, 1.0)) {
    auto label = std::make_shared<ui::Label>(frame);
    label->setFont(ui::Font::systemFont(13));
    label->setTextColor(color);
    label->setTextAlignment(alignment);
    label->setText(text);
    sheet->addSubview(label);
  };
  const int firstTick = int(std::ceil(from / 4)) * 4;
  for (int t = firstTick; t <= to; t += 4) {
    addLabel(std::to_string(t) + " s", {xOf(t) - 30, height - bottom + 6.0, 60, 18},
             ui::TextAlignment::Center);
  }
  for (int f = 0; f <= most; ++f) {
    addLabel(std::to_string(f), {0, yOf(f) - 9, left - 8.0, 18}, ui::TextAlignment::Right);
  }
  addLabel("general flashes a second", {width - right - 400.0, top + 2.0, 250, 18},
           ui::TextAlignment::Right);
  addLabel("red flashes a second", {width - right - 140.0, top + 2.0, 140, 18},
           ui::TextAlignment::Right, ui::Color::withRGBA(235 / 255.0, 40 / 255.0, 40 / 255.0, 1));
  platform::Image image = renderer.render(*sheet, 0, width, height, 1.0);
  if (image.width != width) {
    image.width = width;
    image.height = height;
    image.rgba.assign(std::size_t(width) * height * 4, 26);
  }
  auto put = [&](int x, int y, std::array<std::uint8_t, 3> c) {
    if (x >= 0 && x < width && y >= 0 && y < height) {
      std::uint8_t* p = &image.rgba[(std::size_t(y) * width + std::size_t(x)) * 4];
      p[0] = c[0], p[1] = c[1], p[2] = c[2], p[3] = 255;
    }
  };
  for (int t = firstTick; t <= to; t += 4) {
    for (int y = top; y <= int(yOf(0)); ++y) {
      put(int(xOf(t)), y,
          t == 0 ? std::array<std::uint8_t, 3>{110, 110, 110}
                 : std::array<std::uint8_t, 3>{55, 55, 55});
    }
  }
  for (int f = 0; f <= most; ++f) {
    for (int x = left; x < width - right; ++x) {
      put(x, int(yOf(f)),
          f == 3 ? std::array<std::uint8_t, 3>{230, 200, 0}
                 : std::array<std::uint8_t, 3>{55, 55, 55});
    }
  }
  // Each column shows the worst window starting within it: general as a
  // white area, red as a red line over it.
  int previousRed = int(yOf(0));
  for (int x = left; x < width - right; ++x) {
    const auto first = std::size_t(std::max(0.0, (x - left) / plotWidth * double(windows.size())));
    const auto last = std::min(
        windows.size(), std::size_t((x + 1 - left) / plotWidth * double(windows.size())) + 1);
    std::array<int, 2> worst{};
    for (std::size_t i = first; i < last; ++i) {
      worst[0] = std::max(worst[0], windows[i].transitions[0]);
      worst[1] = std::max(worst[1], windows[i].transitions[1]);
    }
    for (int y = int(yOf(flashes(worst[0]))); y < int(yOf(0)); ++y) {
      put(x, y, {200, 200, 200});
    }
    // The red line joins its columns, so a lone peak stays visible.
    const int y = int(yOf(flashes(worst[1])));
    const int lo = std::min(y, previousRed), hi = std::max(y, previousRed);
    for (int d = lo - 1; d <= hi + 1; ++d) {
      put(x, d, {235, 40, 40});
    }
    previousRed = y;
  }
  return image;
}

}  // namespace render
