#include "platform/media/SeqLock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

// Neither a multiple of eight bytes nor all of one type: the value is carried
// in words, and its tail must come back too.
struct Reading {
  double at;
  std::int64_t count;
  float copy;
  bool odd;
};

}  // namespace

// A reader racing a writer only ever sees values the writer stored whole.
TEST(SeqLock, AReaderNeverSeesHalfOfOneWriteAndHalfOfAnother) {
  platform::SeqLock<Reading> shared(Reading{0, 0, 0, false});
  std::atomic<bool> done{false};
  std::thread writer([&] {
    for (std::int64_t n = 1; n <= 200000; ++n) {
      shared.store({static_cast<double>(n), n, static_cast<float>(n % 1000), n % 2 == 1});
    }
    done = true;
  });
  std::int64_t last = 0;
  int torn = 0;
  int backwards = 0;
  while (!done.load()) {
    const Reading seen = shared.load();
    torn += seen.at != static_cast<double>(seen.count) ||
            seen.copy != static_cast<float>(seen.count % 1000) || seen.odd != (seen.count % 2 == 1);
    backwards += seen.count < last;
    last = seen.count;
  }
  writer.join();
  EXPECT_EQ(torn, 0);
  EXPECT_EQ(backwards, 0);
  EXPECT_EQ(shared.load().count, 200000);
  EXPECT_FALSE(shared.load().odd);
}
