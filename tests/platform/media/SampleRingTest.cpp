#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "platform/media/SampleRing.h"

using platform::SampleRing;

// Frames cross the ring's end in order, it takes no more than it holds and
// gives no more than it has.
TEST(SampleRing, KeepsOrderAcrossItsEndAndRespectsItsBounds) {
  SampleRing ring(5);
  std::vector<float> in{1, -1, 2, -2, 3, -3, 4, -4, 5, -5, 6, -6, 7, -7};
  std::vector<float> out(14, 0);
  EXPECT_EQ(ring.write(in.data(), 3), 3u);
  EXPECT_EQ(ring.read(out.data(), 2), 2u);
  EXPECT_EQ(ring.write(in.data() + 6, 7), 4u);  // only four fit
  EXPECT_EQ(ring.available(), 5u);
  EXPECT_EQ(ring.read(out.data() + 4, 9), 5u);
  EXPECT_EQ(out, (std::vector<float>{1, -1, 2, -2, 3, -3, 4, -4, 5, -5, 6, -6, 7, -7}));
  EXPECT_EQ(ring.read(out.data(), 1), 0u);
  ring.clear();
  EXPECT_EQ(ring.available(), 0u);
}

// One thread writing and one reading, as the decoder and the output do.
TEST(SampleRing, CarriesAStreamBetweenTwoThreads) {
  constexpr std::size_t total = 200000;
  SampleRing ring(777);
  std::thread producer([&] {
    std::vector<float> piece(2 * 100);
    for (std::size_t sent = 0; sent < total;) {
      std::size_t count = std::min<std::size_t>(100, total - sent);
      for (std::size_t i = 0; i < count; ++i) {
        piece[2 * i] = static_cast<float>(sent + i);
        piece[2 * i + 1] = -static_cast<float>(sent + i);
      }
      std::size_t done = 0;
      while (done < count) {
        done += ring.write(piece.data() + 2 * done, count - done);
      }
      sent += count;
    }
  });
  std::vector<float> block(2 * 64);
  std::size_t mismatches = 0;
  for (std::size_t received = 0; received < total;) {
    std::size_t got = ring.read(block.data(), 64);
    for (std::size_t i = 0; i < got; ++i) {
      mismatches += block[2 * i] != static_cast<float>(received + i) ||
                    block[2 * i + 1] != -static_cast<float>(received + i);
    }
    received += got;
  }
  producer.join();
  EXPECT_EQ(mismatches, 0u);
}
