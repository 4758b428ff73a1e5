#include "platform/media/SeqLock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

// A reader racing a writer only ever sees values the writer stored whole,
// tail included (the value is not a whole number of words), never older
// than one it saw before.
TEST(SeqLock, AReaderNeverSeesHalfOfOneWriteAndHalfOfAnother) {
  struct Reading {
    double at;
    std::int64_t count;
    bool odd;
  };
  platform::SeqLock<Reading> shared(Reading{0, 0, false});
  std::atomic<bool> done{false};
  std::thread writer([&] {
    for (std::int64_t n = 1; n <= 200000; ++n) {
      shared.store({static_cast<double>(n), n, n % 2 == 1});
    }
    done = true;
  });
  std::int64_t last = 0;
  int torn = 0;
  while (!done.load()) {
    const Reading seen = shared.load();
    torn += seen.at != static_cast<double>(seen.count) || seen.odd != (seen.count % 2 == 1) ||
            seen.count < last;
    last = seen.count;
  }
  writer.join();
  EXPECT_EQ(torn, 0);
  EXPECT_EQ(shared.load().count, 200000);
}
