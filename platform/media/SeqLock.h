#pragma once

#include <array>
#include <atomic>
#include <bit>
#include <cstdint>
#include <cstring>
#include <type_traits>

namespace platform {

// A value that one thread writes and any thread reads whole, without a lock
// a reader could hold up: the audio thread publishes, the main thread reads
// between frames. The sequence is odd while a write is under way, and a
// reader that saw it odd, or saw it change, reads again. Writes never wait.
// Writers must not overlap one another.
template <typename T>
class SeqLock {
  static_assert(std::is_trivially_copyable_v<T>);

 public:
  explicit SeqLock(const T& initial = T{}) { store(initial); }

  void store(const T& value) {
    const unsigned sequence = sequence_.load(std::memory_order_relaxed);
    sequence_.store(sequence + 1, std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_release);
    Words words{};
    std::memcpy(words.data(), &value, sizeof(T));
    for (std::size_t i = 0; i < wordCount; ++i) {
      words_[i].store(words[i], std::memory_order_relaxed);
    }
    sequence_.store(sequence + 2, std::memory_order_release);
  }

  T load() const {
    for (;;) {
      const unsigned sequence = sequence_.load(std::memory_order_acquire);
      Words words{};
      for (std::size_t i = 0; i < wordCount; ++i) {
        words[i] = words_[i].load(std::memory_order_relaxed);
      }
      std::atomic_thread_fence(std::memory_order_acquire);
      if ((sequence & 1) == 0 && sequence_.load(std::memory_order_relaxed) == sequence) {
        std::array<unsigned char, sizeof(T)> bytes;
        std::memcpy(bytes.data(), words.data(), sizeof(T));
        return std::bit_cast<T>(bytes);
      }
    }
  }

 private:
  static constexpr std::size_t wordCount = (sizeof(T) + 7) / 8;
  using Words = std::array<std::uint64_t, wordCount>;

  std::atomic<unsigned> sequence_{0};
  std::array<std::atomic<std::uint64_t>, wordCount> words_{};
};

}  // namespace platform
