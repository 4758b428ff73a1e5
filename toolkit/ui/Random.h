#pragma once

#include <cstdint>
#include <memory>

namespace ui {

// A source of uniformly distributed 64-bit words.
class RandomSource {
 public:
  virtual ~RandomSource() = default;
  virtual std::uint64_t nextWord() = 0;
};

// The operating system's secure generator; unseeded, so runs differ.
class SecureRandomSource final : public RandomSource {
 public:
  std::uint64_t nextWord() override;
};

// Repeatable words for tests and tools; never used by the program's normal run.
class SeededRandomSource final : public RandomSource {
 public:
  explicit SeededRandomSource(std::uint64_t seed) : state_(seed) {}
  std::uint64_t nextWord() override;

 private:
  std::uint64_t state_;
};

// The process-wide random source and the two draws the show makes from it.
class Random {
 public:
  // The current source; the secure one unless replaced.
  static RandomSource& source();
  // Replaces the source (nullptr restores the secure one). Returns the old one.
  static std::unique_ptr<RandomSource> setSource(std::unique_ptr<RandomSource> source);

  static std::uint64_t word() { return source().nextWord(); }
  // Uniform over the closed range [low, high] with 53-bit resolution: n is drawn
  // uniformly from 0 … 2^53 inclusive by rejection (no modulo bias); n = 2^53
  // yields exactly `high`, any other n yields low + n·2^-53·(high − low).
  static double uniformClosed(double low, double high);
  static double uniformClosed(RandomSource& source, double low, double high);
  // The integer n behind uniformClosed, exposed so that its ends can be tested.
  static std::uint64_t uniform53(RandomSource& source);
};

}  // namespace ui
