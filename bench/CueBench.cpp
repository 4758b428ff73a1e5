// What one cue costs on the virtual clock, and how many heap allocations the
// cue handler makes once the show is running. Allocations are counted by
// replacing the global operator new in this binary.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <new>
#include <vector>
#include "Percentile.h"

#include "effects/OrvFillTextView.h"
#include "tools/render/OfflineShow.h"
#include "tools/render/SilentAudioPlayer.h"
#include "ui/Bundle.h"
#include "ui/Random.h"
#include "ui/RunLoop.h"

namespace {

std::atomic<long> allocations{0};

void* allocate(std::size_t size) {
  allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size == 0 ? 1 : size)) {
    return p;
  }
  throw std::bad_alloc();
}

void* allocateAligned(std::size_t size, std::align_val_t alignment) {
  allocations.fetch_add(1, std::memory_order_relaxed);
  std::size_t a = static_cast<std::size_t>(alignment);
  if (void* p = std::aligned_alloc(a, (size + a - 1) / a * a)) {
    return p;
  }
  throw std::bad_alloc();
}

}  // namespace

void* operator new(std::size_t size) {
  return allocate(size);
}
void* operator new[](std::size_t size) {
  return allocate(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  allocations.fetch_add(1, std::memory_order_relaxed);
  return std::malloc(size == 0 ? 1 : size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  allocations.fetch_add(1, std::memory_order_relaxed);
  return std::malloc(size == 0 ? 1 : size);
}
void* operator new(std::size_t size, std::align_val_t a) {
  return allocateAligned(size, a);
}
void* operator new[](std::size_t size, std::align_val_t a) {
  return allocateAligned(size, a);
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete[](void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
  std::free(p);
}
void operator delete(void* p, std::align_val_t) noexcept {
  std::free(p);
}
void operator delete[](void* p, std::align_val_t) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t, std::align_val_t) noexcept {
  std::free(p);
}
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept {
  std::free(p);
}

namespace {

struct Passage {
  const char* name;
  long first;  // cue positions, inclusive
  long last;
};

// Fill-with-overlay cues step the fill text too; they are told apart from
// the fill passage proper because the overlay's flash adds its own work.
const Passage passages[] = {
    {"start + cue 0", 0, 0},   {"opening", 1, 511},    {"fill", 512, 607},
    {"alternation", 608, 991}, {"closing", 992, 1023}, {"end", 1024, 1024},
};

struct Cue {
  long position;
  double microseconds;
  long allocations;
};

using bench::percentile;

// One show on the manual clock: every cue runs alone, with all that was due
// before it already done.
std::vector<Cue> runShow() {
  std::vector<Cue> cues;
  cues.reserve(1025);
  render::OfflineShow show({1920, 1080});
  show.advanceTo(-1e-6);
  ui::RunLoop& loop = ui::RunLoop::main();
  for (long p = 0; p <= 1024; ++p) {
    double due = render::OfflineShow::runLoopTime(double(p) * 0.0625);
    loop.runUntil(std::nextafter(due, 0.0));
    long before = allocations.load(std::memory_order_relaxed);
    auto start = std::chrono::steady_clock::now();
    loop.runUntil(due);
    auto end = std::chrono::steady_clock::now();
    long made = allocations.load(std::memory_order_relaxed) - before;
    cues.push_back({p, std::chrono::duration<double, std::micro>(end - start).count(), made});
  }
  return cues;
}

}  // namespace

int main(int argc, char** argv) {
  int shows = 5;
  CLI::App app{"Times each of the 1025 cues and counts the heap allocations it makes.",
               "bench-cues"};
  app.add_option("--shows", shows, "Whole shows to run")
      ->capture_default_str()
      ->check(CLI::Range(1, 100));
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e) == 0 ? 0 : 2;
  }
  if (!ui::Bundle::main().urlForResource("audio", "m4a")) {
    std::cerr << "bench-cues: the music resource audio.m4a is missing\n";
    return 1;
  }
  render::SilentAudioPlayer::install();

  std::vector<std::vector<Cue>> runs;
  for (int s = 0; s < shows; ++s) {
    ui::Random::setSource(std::make_unique<ui::SeededRandomSource>(std::uint64_t(s + 1)));
    runs.push_back(runShow());
  }

  std::printf(
      "Cue cost on the manual clock, %d shows of 1025 cues (microseconds; allocations "
      "per cue)\n\n",
      shows);
  std::printf("| passage       | cues      | median us |    max us | alloc median | alloc max |\n");
  std::printf("|---------------|-----------|-----------|-----------|--------------|-----------|\n");
  auto row = [&](const char* name, long first, long last, auto select) {
    std::vector<double> times;
    std::vector<double> counts;
    for (std::size_t r = 0; r < runs.size(); ++r) {
      for (const Cue& cue : runs[r]) {
        if (cue.position >= first && cue.position <= last && select(cue.position)) {
          times.push_back(cue.microseconds);
          counts.push_back(double(cue.allocations));
        }
      }
    }
    char span[24];
    std::snprintf(span, sizeof span, "%ld-%ld", first, last);
    std::printf(
        "| %-13s | %-9s | %9.1f | %9.1f | %12.0f | %9.0f |\n", name, span, percentile(times, 0.5),
        times.empty() ? 0 : *std::max_element(times.begin(), times.end()), percentile(counts, 0.5),
        counts.empty() ? 0 : *std::max_element(counts.begin(), counts.end()));
  };
  for (const Passage& p : passages) {
    row(p.name, p.first, p.last, [](long) { return true; });
  }
  row("all cues", 0, 1024, [](long) { return true; });

  // stepFill alone, called directly in the fill passage's steady state: the
  // show stands at 33 s (cue 528 has run) and the pending cues wait.
  {
    ui::Random::setSource(std::make_unique<ui::SeededRandomSource>(1));
    render::OfflineShow show({1920, 1080});
    show.advanceTo(33);
    OrvFillTextView& fill = *show.controller().fillTextView();
    const int calls = 64;
    int allocatingCalls = 0;
    long total = 0;
    std::vector<double> times;
    for (int i = 0; i < calls; ++i) {
      long before = allocations.load(std::memory_order_relaxed);
      auto start = std::chrono::steady_clock::now();
      fill.stepFill();
      auto end = std::chrono::steady_clock::now();
      long made = allocations.load(std::memory_order_relaxed) - before;
      times.push_back(std::chrono::duration<double, std::micro>(end - start).count());
      total += made;
      allocatingCalls += made > 0;
    }
    std::printf(
        "\nstepFill called directly %d times at 33 s: median %.2f us, max %.2f us; "
        "%d calls allocated, %ld allocations in all.\n",
        calls, percentile(times, 0.5), *std::max_element(times.begin(), times.end()),
        allocatingCalls, total);
  }
  return 0;
}
