#include "ui/Random.h"

#include <unistd.h>

#include <chrono>

namespace ui {

std::uint64_t SecureRandomSource::nextWord() {
  std::uint64_t word = 0;
  // getentropy serves up to 256 bytes a call and never fewer than asked for;
  // it is also the one call a browser build (Emscripten) provides.
  if (getentropy(&word, sizeof word) != 0) {
    // The draws pick phrases and colours, not keys: without the system's
    // generator (a sandbox that forbids the call) a clock-seeded stream
    // serves as well.
    static SeededRandomSource fallback(
        static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
        (static_cast<std::uint64_t>(::getpid()) << 32));
    return fallback.nextWord();
  }
  return word;
}

std::uint64_t SeededRandomSource::nextWord() {
  // SplitMix64: every seed, zero included, gives a full-period stream.
  std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

namespace {

std::unique_ptr<RandomSource>& current() {
  static std::unique_ptr<RandomSource> source = std::make_unique<SecureRandomSource>();
  return source;
}

}  // namespace

RandomSource& Random::source() {
  return *current();
}

std::unique_ptr<RandomSource> Random::setSource(std::unique_ptr<RandomSource> source) {
  if (!source) {
    source = std::make_unique<SecureRandomSource>();
  }
  std::swap(current(), source);
  return source;
}

std::uint64_t Random::uniform53(RandomSource& source) {
  constexpr std::uint64_t top = std::uint64_t{1} << 53;
  for (;;) {
    // 54 bits span 0 … 2^54 − 1; keeping only 0 … 2^53 leaves each of the
    // 2^53 + 1 values equally likely.
    std::uint64_t n = source.nextWord() >> 10;
    if (n <= top) {
      return n;
    }
  }
}

double Random::uniformClosed(RandomSource& source, double low, double high) {
  constexpr std::uint64_t top = std::uint64_t{1} << 53;
  std::uint64_t n = uniform53(source);
  if (n == top) {
    return high;
  }
  return low + static_cast<double>(n) * 0x1p-53 * (high - low);
}

double Random::uniformClosed(double low, double high) {
  return uniformClosed(source(), low, high);
}

}  // namespace ui
