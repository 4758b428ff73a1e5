#include "tools/render/ProgressBar.h"

#include <unistd.h>

#include <cmath>
#include <cstdio>

namespace render {

namespace {

std::string clock(double seconds) {
  long total = std::lround(std::max(0.0, seconds));
  char text[32];
  std::snprintf(text, sizeof text, "%ld:%02ld", total / 60, total % 60);
  return text;
}

}  // namespace

ProgressBar::ProgressBar(std::size_t total, int framesPerSecond, std::FILE* stream)
    : total_(total),
      framesPerSecond_(framesPerSecond),
      stream_(stream),
      enabled_(isatty(fileno(stream)) != 0),
      start_(std::chrono::steady_clock::now()),
      lastDraw_(start_) {}

std::string ProgressBar::line(std::size_t done, std::size_t total, int framesPerSecond,
                              double elapsedSeconds, int barWidth) {
  double fraction = total == 0 ? 1.0 : std::min(1.0, double(done) / double(total));
  int filled = static_cast<int>(fraction * barWidth);
  std::string text;
  text.reserve(std::size_t(barWidth) + 100);
  text.push_back('[');
  text.append(std::size_t(filled), '#');
  text.append(std::size_t(barWidth - filled), '-');
  text.append("] ");
  char numbers[160];
  if (done == 0 || elapsedSeconds <= 0) {
    std::snprintf(numbers, sizeof numbers, "%zu/%zu frames", done, total);
  } else {
    double rate = double(done) / elapsedSeconds;
    double left = double(total - std::min(done, total)) / rate;
    std::snprintf(numbers, sizeof numbers, "%zu/%zu frames  %.1f fps  %.2fx real time  %s left",
                  done, total, rate, rate / framesPerSecond, clock(left).c_str());
  }
  text.append(numbers);
  return text;
}

void ProgressBar::update(std::size_t done) {
  if (!enabled_) {
    return;
  }
  auto now = std::chrono::steady_clock::now();
  // A terminal redrawn more than a few times a second only flickers.
  if (done != total_ && now - lastDraw_ < std::chrono::milliseconds(200)) {
    return;
  }
  lastDraw_ = now;
  draw(done);
}

void ProgressBar::finish() {
  if (!enabled_) {
    return;
  }
  draw(total_);
  std::fputc('\n', stream_);
  std::fflush(stream_);
}

void ProgressBar::draw(std::size_t done) {
  double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  // \r returns to the line's start; \033[K clears what a longer line left.
  std::fprintf(stream_, "\r%s\033[K", line(done, total_, framesPerSecond_, elapsed, 30).c_str());
  std::fflush(stream_);
}

}  // namespace render
